#include "platform/portable_names.h"

#include "platform/paths.h"

namespace qb {

namespace {

bool IsDeviceName(std::string_view name) {
    // The part before the first dot counts, trailing blanks dropped: "NUL .txt" opens NUL too.
    std::string_view stem = name.substr(0, name.find('.'));
    while (!stem.empty() && stem.back() == ' ')
        stem.remove_suffix(1);
    for (const char* device : {"CON", "PRN", "AUX", "NUL"}) {
        if (EqualsNoCase(stem, device))
            return true;
    }
    if (stem.size() != 4 || stem[3] < '1' || stem[3] > '9')
        return false;
    return EqualsNoCase(stem.substr(0, 3), "COM") || EqualsNoCase(stem.substr(0, 3), "LPT");
}

} // namespace

bool IsPortableEntryName(std::string_view name) {
    if (!IsSingleEntryName(name) || name.back() == '.' || name.back() == ' ')
        return false;
    for (const unsigned char c : name) {
        if (c < 0x20 || c == '<' || c == '>' || c == ':' || c == '"' || c == '|' || c == '?' ||
            c == '*')
            return false;
    }
    return !IsDeviceName(name);
}

} // namespace qb
