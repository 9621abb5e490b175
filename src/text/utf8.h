// Small text helpers shared by the decoders.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace qb {

inline bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// True when the text holds only blanks (or nothing).
bool AllBlank(std::string_view text);

// The text without blanks, CR and LF at either end.
std::string_view TrimWhite(std::string_view text);

// The text in ASCII lower case.
std::string LowerAscii(std::string_view text);

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

// Replaces the C0 controls, DEL and the C1 controls (U+0080 to U+009F) in UTF-8 text, which
// would otherwise reach a terminal or a one-line column as they are. Controls listed in `keep`
// (ASCII ones only) stay.
void ReplaceControls(std::string& text, std::string_view replacement, std::string_view keep = {});

} // namespace qb
