// Arbitrary bytes as a Maildir: the first line names a sub-folder directory, the second a
// message file, the rest is its content. Reading ends; a folder name read back names the same
// directory; the message reads back as written, and again after the Maildir writer wrote it.
#include "interchange/maildir_names.h"
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

namespace {

bool UsableName(const std::string& name) {
    return !name.empty() && name.size() < 200 && name.find('/') == std::string::npos &&
           name.find('\0') == std::string::npos && name != "." && name != "..";
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    const std::size_t first = input.find('\n');
    const std::size_t second = first == std::string::npos ? first : input.find('\n', first + 1);
    if (second == std::string::npos)
        return 0;
    const std::string folder = input.substr(0, first);
    const std::string name = input.substr(first + 1, second - first - 1);
    const std::string content = input.substr(second + 1);
    if (!UsableName(name) || name[0] == '.' || (!folder.empty() && !UsableName(folder)))
        return 0;

    const std::string root = ScratchDirectory("maildir") + "/md";
    std::filesystem::remove_all(root);
    const std::string box = folder.empty() ? root : root + "/" + folder;
    std::filesystem::create_directories(root + "/cur");
    std::filesystem::create_directories(box + "/cur");
    {
        std::ofstream out(box + "/cur/" + name, std::ios::binary);
        out << content;
    }
    // A folder name read from a directory name is written back to a name that reads the same.
    if (const auto path = qb::interchange::MaildirFolderPath(folder)) {
        const std::string written = qb::interchange::MaildirFolderDirectory("r", *path);
        Check(qb::interchange::MaildirFolderPath(written.substr(2)) == path);
    }

    auto reader = qb::interchange::MakeMaildirReader(root, {});
    qb::interchange::ReadItem item;
    int messages = 0;
    qb::interchange::Message read;
    while (reader->Next(item) == qb::interchange::ReadStatus::Message) {
        ++messages;
        read = item.message;
        Check(read.text == std::string(qb::interchange::WithoutEnvelope(content)));
    }
    Check(messages <= 1);
    if (messages == 0)
        return 0;

    const std::string dest = ScratchDirectory("maildir") + "/out";
    std::filesystem::remove_all(dest);
    auto writer = qb::interchange::MakeWriter(qb::interchange::Format::Maildir, dest, 0);
    Check(writer->BeginFolder({}) && writer->Write(read) && writer->EndFolder());
    auto again = qb::interchange::MakeMaildirReader(dest, {});
    Check(again->Next(item) == qb::interchange::ReadStatus::Message);
    Check(item.message.status == read.status);
    Check(again->Next(item) == qb::interchange::ReadStatus::End);
    return 0;
}
