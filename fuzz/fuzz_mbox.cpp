// Arbitrary bytes as an mbox file: reading ends, yields no more bytes than the file holds, reading
// only the headers finds the same messages, and every message read, written again as mboxrd and
// read back with unquoting, is the same message with LF line ends.
#include "../tests/interchange/generated_mail.h"
#include "interchange/reader.h"
#include "interchange/writer.h"
#include "scratch.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

using qb::fuzz::Check;
using qb::fuzz::ScratchDirectory;

namespace {

std::vector<std::string> ReadAll(const std::string& path, bool unquote, std::int64_t limit,
                                 bool headersOnly = false) {
    qb::interchange::ReadOptions options;
    options.unquoteMboxrd = unquote;
    options.headersOnly = headersOnly;
    options.maxMessageBytes = limit;
    auto reader = qb::interchange::MakeMboxReader(path, options);
    std::vector<std::string> texts;
    qb::interchange::ReadItem item;
    for (;;) {
        const qb::interchange::ReadStatus status = reader->Next(item);
        if (status == qb::interchange::ReadStatus::End ||
            status == qb::interchange::ReadStatus::Failed)
            break;
        if (status == qb::interchange::ReadStatus::Message)
            texts.push_back(item.message.text);
    }
    return texts;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string file = ScratchDirectory("mbox") + "/in.mbox";
    {
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    const std::vector<std::string> texts = ReadAll(file, false, 1 << 20);
    std::size_t total = 0;
    for (const std::string& text : texts)
        total += text.size();
    Check(total <= size);
    ReadAll(file, true, 64); // small limit: skipping must not lose the way
    // Reading past the bodies finds the same messages with the same headers.
    const std::vector<std::string> heads = ReadAll(file, false, 1 << 20, true);
    Check(heads.size() == texts.size());
    for (std::size_t i = 0; i < heads.size() && i < texts.size(); ++i)
        Check(qb::interchange::HeaderOf(heads[i]) == qb::interchange::HeaderOf(texts[i]));

    const std::string dest = ScratchDirectory("mbox") + "/out";
    std::filesystem::remove_all(dest);
    auto writer = qb::interchange::MakeWriter(qb::interchange::Format::Mboxrd, dest, 0);
    Check(writer->BeginFolder({"F"}));
    for (const std::string& text : texts)
        Check(writer->Write({text, 0}));
    Check(writer->EndFolder());
    const std::vector<std::string> again = ReadAll(dest + "/F.mbox", true, 1 << 20);
    Check(again.size() == texts.size());
    for (std::size_t i = 0; i < texts.size(); ++i) {
        // A message that itself starts with an envelope line loses it: that is no header line.
        const std::string_view content = qb::interchange::WithoutEnvelope(texts[i]);
        Check(again[i] == qb::test::MboxStored(std::string(content), false));
    }
    return 0;
}
