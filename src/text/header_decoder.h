// Header values as a reader sees them: RFC 2047 encoded words and undeclared 8-bit text decoded
// into UTF-8.
#pragma once

#include <string>
#include <string_view>

namespace qb {

// True when a value needs no decoding: printable ASCII only (no controls) and no "=?". Such a
// value decodes to itself, so the check is all a plain value costs.
bool IsPlainHeader(std::string_view value);

// Decodes a header value into UTF-8:
// - folded lines are unfolded (a line break followed by a blank is removed, any other becomes
//   a blank);
// - encoded words =?charset?B|Q?text?= are decoded wherever they stand; the blanks between two
//   encoded words are dropped, and the bytes of adjacent words in the same charset are joined
//   before conversion, so a character split between two words comes out whole;
// - a charset label is looked up as LookUpCharset says, and the decoded bytes go through the
//   order of AppendText (valid UTF-8, then the declared charset, then windows-1252);
// - 8-bit text outside encoded words is taken as UTF-8 when valid, else in `fallbackCharset`
//   (typically the message's body charset; may be empty), else as windows-1252;
// - control characters in the result (tabs and line breaks included) become blanks, so the value
//   stays one line.
// Everything else, leading and trailing blanks included, is kept as it is. Linear in the length of
// the value; never throws.
std::string DecodeHeader(std::string value, std::string_view fallbackCharset = {});

} // namespace qb
