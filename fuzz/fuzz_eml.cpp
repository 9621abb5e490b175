// Arbitrary bytes as a .eml file: it reads back as itself (an envelope line left out); written
// by the .eml writer it gets a safe name of at most 100 bytes and reads back with CR LF ends.
#include "../tests/interchange/generated_mail.h"
#include "interchange/eml_names.h"
#include "interchange/reader.h"
#include "interchange/writer.h"
#include "scratch.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

using qb::fuzz::Check;
using qb::fuzz::ScratchDirectory;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string content(reinterpret_cast<const char*>(data), size);
    const std::string in = ScratchDirectory("eml") + "/in";
    std::filesystem::remove_all(in);
    std::filesystem::create_directories(in);
    {
        std::ofstream out(in + "/1.eml", std::ios::binary);
        out << content;
    }
    auto reader = qb::interchange::MakeEmlReader(in, {});
    qb::interchange::ReadItem item;
    Check(reader->Next(item) == qb::interchange::ReadStatus::Message);
    const std::string text = item.message.text;
    Check(text == std::string(qb::interchange::WithoutEnvelope(content)));
    Check(reader->Next(item) == qb::interchange::ReadStatus::End);

    const std::string dest = ScratchDirectory("eml") + "/out";
    std::filesystem::remove_all(dest);
    auto writer = qb::interchange::MakeWriter(qb::interchange::Format::Eml, dest, 0);
    Check(writer->BeginFolder({"F"}) && writer->Write({text, 0}) && writer->EndFolder());
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dest + "/F")) {
        const std::string name = entry.path().filename().string();
        Check(name.size() <= qb::interchange::kMaxEmlFileName);
        for (char c : name)
            Check(c >= 0x20 && c < 0x7f && std::string("/\\:*?\"<>|").find(c) == std::string::npos);
        ++files;
    }
    Check(files == 1);
    auto again = qb::interchange::MakeEmlReader(dest, {});
    Check(again->Next(item) == qb::interchange::ReadStatus::Message);
    // A written text that still starts with a "From " line is read back as one with an envelope
    // line, as other readers of .eml files take it; the rest reads back as it was written.
    const std::string_view written = qb::interchange::WithoutEnvelope(text);
    Check(item.message.text ==
          qb::test::WithCrLf(std::string(qb::interchange::WithoutEnvelope(written))));
    return 0;
}
