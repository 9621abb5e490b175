#include "interchange/eml_names.h"

#include "platform/paths.h"

#include <cstdio>

namespace qb::interchange {

std::string EmlFileName(std::int64_t number, std::string_view subject) {
    char prefix[32];
    std::snprintf(prefix, sizeof prefix, "%05lld", static_cast<long long>(number));
    std::string name = prefix;
    constexpr std::string_view kExtension = ".eml";
    const std::size_t room = kMaxEmlFileName - kExtension.size();

    std::string safe;
    bool replaced = false;
    for (char c : subject) {
        const auto u = static_cast<unsigned char>(c);
        const bool usable = u >= 0x20 && u < 0x7f &&
                            std::string_view("/\\:*?\"<>|").find(c) == std::string_view::npos;
        if (usable) {
            if (c == ' ' && (safe.empty() || safe.back() == ' '))
                continue;
            safe += c;
            replaced = false;
        } else if (!replaced) {
            safe += '_';
            replaced = true;
        }
    }
    if (!safe.empty() && name.size() + 1 < room) {
        name += '-';
        name += safe.substr(0, room - name.size());
    }
    while (name.size() > std::string(prefix).size() && (name.back() == ' ' || name.back() == '.'))
        name.pop_back();
    if (name.back() == '-')
        name.pop_back();
    return name + std::string(kExtension);
}

bool IsEmlFileName(std::string_view name) {
    return name.size() > 4 && name[0] != '.' && EqualsNoCase(name.substr(name.size() - 4), ".eml");
}

} // namespace qb::interchange
