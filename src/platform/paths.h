// Path helpers. Paths are 8-bit strings; the separator is the platform's ('/' here).
#pragma once

#include <string>
#include <string_view>

namespace qb {

inline constexpr char kPathSeparator = '/';

// a + separator + b; a separator already ending `a` is not doubled; an empty `a` gives `b`.
std::string JoinPath(std::string_view a, std::string_view b);
// The directory part of a path (everything before the last separator), "" when there is none.
std::string DirectoryOf(std::string_view path);
// The last component of a path, ignoring trailing separators.
std::string BaseName(std::string_view path);
// The path without trailing separators (a lone "/" stays).
std::string StripTrailingSeparators(std::string_view path);

// ASCII case-insensitive comparisons, as the stores compare names and header fields.
bool EqualsNoCase(std::string_view a, std::string_view b);
bool StartsWithNoCase(std::string_view text, std::string_view prefix);
char ToLowerAscii(char c);
// The value of a hexadecimal digit (either case), or -1.
int HexDigit(char c);

} // namespace qb
