// Path helpers. Paths are UTF-8 strings joined with '/'; on Windows '\\' separates too, and a
// drive's root ("C:/") is a root as "/" is.
#pragma once

#include <cstddef>
#include <cstdint>
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
// Whether `c` separates path components here ('/', and on Windows '\\' too).
bool IsPathSeparator(char c);
// The path without trailing separators (a root such as "/" stays).
std::string StripTrailingSeparators(std::string_view path);
// The path made absolute against the working directory and normalised lexically ("." and ".."
// resolved, no link followed); the path as given when the working directory is unknown.
std::string AbsolutePath(std::string_view path);

// Whether `name` names one entry of a directory and nothing else: not empty, not "." or "..",
// no separator ('/' or '\'), no control character.
bool IsSingleEntryName(std::string_view name);
// The longest name a directory entry can have, in bytes.
inline constexpr std::size_t kMaxEntryNameBytes = 255;

// ASCII case-insensitive comparisons, as the stores compare names and header fields.
bool EqualsNoCase(std::string_view a, std::string_view b);
bool StartsWithNoCase(std::string_view text, std::string_view prefix);
char ToLowerAscii(char c);
// The value of a hexadecimal digit (either case), or -1.
int HexDigit(char c);
// Reads a hexadecimal number as mail status fields are read: leading blanks skipped, reading
// stops at the first character that is not a hexadecimal digit; nothing readable gives 0.
std::uint32_t ParseHexPrefix(std::string_view text);

} // namespace qb
