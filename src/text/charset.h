// Charset labels as mail writes them, and text conversion into UTF-8. The platform's converter
// is reached only through text/converter.h.
#pragma once

#include <string>
#include <string_view>

namespace qb {

// What the system knows about a charset label.
struct CharsetInfo {
    // The converter's name for the label ("CP949" for "ks_c_5601-1987"); empty when unknown.
    std::string name;
    // ASCII bytes stand for ASCII characters. False for the 7-bit encodings (UTF-7, ISO-2022-*)
    // and the 16/32-bit ones, whose ASCII-looking bytes must still be converted.
    bool asciiCompatible = true;

    bool Known() const { return !name.empty(); }
};

// Looks a label up: surrounding blanks and quotes and an RFC 2231 language suffix ("*en") are
// ignored, and letter case, '_' against '-' do not matter. The labels old mail uses are mapped to
// the charset they really mean: ks_c_5601-1987 and euc-kr to CP949, shift_jis and x-sjis to
// CP932, gb2312 and gbk to GB18030, big5 to CP950, iso-2022-jp to ISO-2022-JP-2, tis-620 to CP874,
// unicode-1-1-utf-7 to UTF-7. Another well-formed label is offered to the converter as it is.
CharsetInfo LookUpCharset(std::string_view label);

// Strict conversion: appends the UTF-8 form of `bytes` to `out` and returns true, or returns
// false (leaving `out` as it was) when the charset is unknown or the bytes are not valid in it.
bool ConvertToUtf8(std::string_view bytes, const CharsetInfo& charset, std::string& out);

// windows-1252 read so that every byte means something: the five bytes the charset leaves
// undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) become U+FFFD.
void AppendWindows1252(std::string_view bytes, std::string& out);

// Text that may not be what it says, in the order a mail reader needs: bytes that are valid UTF-8
// are taken as UTF-8, else the declared charset is used, else windows-1252, which reads every
// byte. A charset that is not ASCII-compatible is tried first, since its text looks like ASCII;
// undeclared (or US-ASCII) text with ISO-2022-JP escapes is read as ISO-2022-JP. Never fails;
// `declared` may be empty or unknown.
void AppendText(std::string_view bytes, const CharsetInfo& declared, std::string& out);
std::string DecodeText(std::string_view bytes, std::string_view declared);

} // namespace qb
