// Arbitrary bytes as a backup file, read as a restore does: the tree's structure first, then its
// messages copied one at a time into a plain folder. Whatever the bytes, the first pass must end
// in a tree or a typed error within memory bounded by the input, and a tree it accepted must read
// back whole in the second pass. Read from a file through a small buffer (refilled many times and
// sought back between the passes), the same bytes must end the same way and give the same
// messages.
#include "model/archive.h"
#include "model/archived_mails.h"
#include "model/mails.h"
#include "model/message.h"
#include "platform/file_system.h"
#include "scratch.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>

namespace {

// Every folder's name and messages, depth first, as one text; false when a folder cannot hand
// its messages over.
bool Collect(qb::CMails& folder, std::string& out) {
    out += folder.m_strName;
    out += '\0';
    const bool read = folder.ForEachListed([&out](qb::CMessage& message) {
        out += message.m_strHeader;
        out += '\0';
        for (const std::string& line : message.m_aBody) {
            out += line;
            out += '\n';
        }
        out += '\0';
        return true;
    });
    if (!read)
        return false;
    for (qb::CMails* child : folder.Children()) {
        if (!Collect(*child, out))
            return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using qb::fuzz::Check;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    qb::CArchive archive(bytes);
    const auto tree = qb::CArchivedMails::ReadTree(archive);
    // A tree and an error never come together.
    Check((tree != nullptr) != static_cast<bool>(archive.GetError()));

    const std::string path = qb::fuzz::ScratchDirectory("archive") + "/b.qbf";
    qb::fs::File out;
    Check(out.Open(path, qb::fs::OpenMode::Create) && out.Write(bytes.data(), bytes.size()) &&
          out.Close());
    qb::fs::File in;
    Check(in.Open(path, qb::fs::OpenMode::Read));
    qb::CArchive fromFile(in, qb::CArchive::kLoad, 16);
    const auto fileTree = qb::CArchivedMails::ReadTree(fromFile);
    Check((fileTree != nullptr) == (tree != nullptr));
    Check(fromFile.GetError().cause == archive.GetError().cause &&
          fromFile.GetError().offset == archive.GetError().offset);
    if (tree == nullptr)
        return 0;

    std::string inMemory, onDisk;
    Check(Collect(*tree, inMemory) && Collect(*fileTree, onDisk) && inMemory == onDisk);
    qb::CMails folder("", "", qb::CMails::kPlain);
    Check(folder.CopyFolder(*tree) != nullptr && !archive.GetError());
    return 0;
}
