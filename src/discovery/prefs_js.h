// Reader of the preference files of the Netscape and Mozilla family (Netscape for Unix's
// preferences.js, a profile's prefs.js): a list of calls user_pref("name", value);
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace qb::discovery {

struct PrefValue {
    enum class Kind { String, Integer, Boolean };
    Kind kind = Kind::String;
    std::string text; // the string (UTF-8), or the number or true/false as written
};

using Prefs = std::map<std::string, PrefValue, std::less<>>;

// Reads pref(), user_pref() and sticky_pref() calls with string, integer and boolean values,
// between //, # and /* */ comments; a name set twice keeps its last value. False on damage, with
// `error` saying where ("line N: why") and `prefs` left empty.
bool ParsePrefs(std::string_view text, Prefs& prefs, std::string& error);

// The text of a string preference; nullopt when it is absent or not a string.
std::optional<std::string> PrefString(const Prefs& prefs, std::string_view name);

} // namespace qb::discovery
