// Small text helpers shared by the decoders.
#pragma once

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

// Replaces the C0 controls, DEL and the C1 controls (U+0080 to U+009F) in UTF-8 text, which
// would otherwise reach a terminal or a one-line column as they are. Controls listed in `keep`
// (ASCII ones only) stay.
void ReplaceControls(std::string& text, std::string_view replacement, std::string_view keep = {});

} // namespace qb
