// Arbitrary bytes as a profiles.ini. Damage must be reported with its line and leave nothing
// behind; what parses must read back the same when written out again.
#include "discovery/profiles_ini.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(bytes), size);
    std::vector<qb::discovery::IniSection> sections;
    std::string error;
    if (!qb::discovery::ParseIni(text, sections, error)) {
        if (error.rfind("line ", 0) != 0 || !sections.empty())
            std::abort();
        return 0;
    }
    std::string written;
    for (const auto& section : sections) {
        written += "[" + section.name + "]\n";
        for (const auto& [key, value] : section.entries)
            written += key + "=" + value + "\n";
    }
    std::vector<qb::discovery::IniSection> again;
    if (!qb::discovery::ParseIni(written, again, error) || again.size() != sections.size())
        std::abort();
    for (std::size_t i = 0; i < again.size(); ++i) {
        if (again[i].name != sections[i].name || again[i].entries != sections[i].entries)
            std::abort();
    }
    return 0;
}
