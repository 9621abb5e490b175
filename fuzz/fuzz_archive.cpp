// Arbitrary bytes as a backup file, read as a restore does: the tree's structure first, then its
// messages copied one at a time into a plain folder. Whatever the bytes, the first pass must end
// in a tree or a typed error within memory bounded by the input, and a tree it accepted must read
// back whole in the second pass.
#include "model/archive.h"
#include "model/archived_mails.h"
#include "model/mails.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    qb::CArchive archive(std::string_view(reinterpret_cast<const char*>(data), size));
    const auto tree = qb::CArchivedMails::ReadTree(archive);
    // A tree and an error never come together.
    if ((tree != nullptr) == static_cast<bool>(archive.GetError()))
        std::abort();
    if (tree == nullptr)
        return 0;
    qb::CMails folder("", "", qb::CMails::kPlain);
    if (folder.CopyFolder(*tree) == nullptr || archive.GetError())
        std::abort();
    return 0;
}
