// UTF-8: checking, reading and writing code points.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace qb {

// True when every byte is below 0x80.
bool IsAscii(std::string_view bytes);

// True when the bytes are well-formed UTF-8: shortest forms only, no surrogates, nothing above
// U+10FFFF.
bool IsValidUtf8(std::string_view bytes);

// Appends the UTF-8 form of a code point; surrogates and values above U+10FFFF become U+FFFD.
void AppendUtf8(char32_t codePoint, std::string& out);

// Reads the code point starting at `pos` of well-formed UTF-8 and advances `pos` past it. A byte
// that starts no well-formed sequence reads as U+FFFD and advances by one.
char32_t NextCodePoint(std::string_view text, std::size_t& pos);

} // namespace qb
