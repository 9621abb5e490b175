// Content transfer encodings undone, one body line at a time, so that a part of any size is
// decoded in one pass with no more than a line held.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace qb {

enum class TransferEncoding { Identity, QuotedPrintable, Base64, Uuencode };

// The encoding a Content-Transfer-Encoding value names: "quoted-printable", "base64",
// "x-uuencode" (also "uuencode", "x-uue"), ASCII case ignored, blanks around it ignored. "7bit",
// "8bit", "binary" and anything unknown mean the lines are the bytes.
TransferEncoding TransferEncodingOf(std::string_view name);

// Appends text with its "=XX" escapes turned into bytes; a '=' that starts no escape stays as it
// is. With `underscoreIsBlank` (the Q encoding of header words) '_' stands for a blank.
void AppendUnescaped(std::string_view text, bool underscoreIsBlank, std::string& out);

// Base64 read leniently, across any number of pieces: characters outside the alphabet are
// skipped, padding may be missing, and after a padded end decoding starts afresh (some old
// programs encoded each line on its own).
class CBase64Decoder {
  public:
    void Feed(std::string_view text, std::string& out);

  private:
    std::uint32_t m_bits = 0;
    int m_count = 0;
};

class CTransferDecoder {
  public:
    // `lineEnd` separates the lines of the decoded result where the encoding keeps line
    // structure (identity and quoted-printable); no line end follows the last line.
    CTransferDecoder(TransferEncoding encoding, std::string_view lineEnd);

    // Appends the decoded bytes of the next body line (given without its line end).
    void Line(std::string_view line, std::string& out);

  private:
    void QuotedPrintable(std::string_view line, std::string& out);
    void Uuencoded(std::string_view line, std::string& out);

    TransferEncoding m_encoding;
    std::string m_lineEnd;
    bool m_first = true;
    bool m_softBreak = false;
    CBase64Decoder m_base64;
    enum class Uu { Before, Inside, After } m_uu = Uu::Before;
};

} // namespace qb
