// Reader of the INI files in which the Mozilla-family clients list their profiles
// (profiles.ini).
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace qb::discovery {

struct IniSection {
    std::string name;
    std::vector<std::pair<std::string, std::string>> entries; // key, value in file order

    // The value of the last entry with this key (compared exactly), or null.
    const std::string* Find(std::string_view key) const;
};

// Reads [Section] lines and key=value lines (blanks around both trimmed) between blank lines and
// ; or # comments, after an optional UTF-8 byte order mark. False on damage (any other line, or an
// entry before the first section), with `error` saying where ("line N: why") and `sections` empty.
bool ParseIni(std::string_view text, std::vector<IniSection>& sections, std::string& error);

} // namespace qb::discovery
