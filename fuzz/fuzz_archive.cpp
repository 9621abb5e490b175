// Arbitrary bytes as a backup file, read into a plain folder as a restore does. Whatever the
// bytes, reading must end in a folder tree or a typed error, within memory bounded by the input.
#include "model/archive.h"
#include "model/mails.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    qb::CArchive archive(std::string_view(reinterpret_cast<const char*>(data), size));
    qb::CMails folder("", "", qb::CMails::kPlain);
    const bool ok = folder.LoadTree(archive);
    // Success and an error never come together.
    if (ok == static_cast<bool>(archive.GetError()))
        std::abort();
    return 0;
}
