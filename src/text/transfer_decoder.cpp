#include "text/transfer_decoder.h"

#include "platform/paths.h"
#include "text/text_support.h"

namespace qb {

namespace {

int Base64Value(char c) {
    if (c >= 'A' && c <= 'Z')
        return c - 'A';
    if (c >= 'a' && c <= 'z')
        return c - 'a' + 26;
    if (c >= '0' && c <= '9')
        return c - '0' + 52;
    if (c == '+')
        return 62;
    if (c == '/')
        return 63;
    return -1;
}

} // namespace

void AppendUnescaped(std::string_view text, bool underscoreIsBlank, std::string& out) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '=' && i + 2 < text.size() && HexDigit(text[i + 1]) >= 0 &&
            HexDigit(text[i + 2]) >= 0) {
            out += static_cast<char>(HexDigit(text[i + 1]) * 16 + HexDigit(text[i + 2]));
            i += 2;
        } else {
            out += underscoreIsBlank && c == '_' ? ' ' : c;
        }
    }
}

TransferEncoding TransferEncodingOf(std::string_view name) {
    name = TrimWhite(name);
    if (EqualsNoCase(name, "quoted-printable"))
        return TransferEncoding::QuotedPrintable;
    if (EqualsNoCase(name, "base64"))
        return TransferEncoding::Base64;
    if (EqualsNoCase(name, "x-uuencode") || EqualsNoCase(name, "uuencode") ||
        EqualsNoCase(name, "x-uue"))
        return TransferEncoding::Uuencode;
    return TransferEncoding::Identity;
}

void CBase64Decoder::Feed(std::string_view text, std::string& out) {
    for (const char c : text) {
        if (c == '=') {
            m_bits = 0;
            m_count = 0;
            continue;
        }
        const int v = Base64Value(c);
        if (v < 0)
            continue;
        m_bits = ((m_bits << 6) | static_cast<std::uint32_t>(v)) & 0xFFFFFF;
        m_count += 6;
        if (m_count >= 8) {
            m_count -= 8;
            out += static_cast<char>((m_bits >> m_count) & 0xFF);
        }
    }
}

CTransferDecoder::CTransferDecoder(TransferEncoding encoding, std::string_view lineEnd)
    : m_encoding(encoding), m_lineEnd(lineEnd) {}

void CTransferDecoder::Line(std::string_view line, std::string& out) {
    switch (m_encoding) {
    case TransferEncoding::Base64:
        m_base64.Feed(line, out);
        return;
    case TransferEncoding::QuotedPrintable:
        QuotedPrintable(line, out);
        return;
    case TransferEncoding::Uuencode:
        Uuencoded(line, out);
        return;
    case TransferEncoding::Identity:
        if (!m_first)
            out += m_lineEnd;
        m_first = false;
        out.append(line);
        return;
    }
}

void CTransferDecoder::QuotedPrintable(std::string_view line, std::string& out) {
    if (!m_first && !m_softBreak)
        out += m_lineEnd;
    m_first = false;
    // Blanks at the end of a line are transport padding, not text.
    while (!line.empty() && (line.back() == ' ' || line.back() == '\t' || line.back() == '\r'))
        line.remove_suffix(1);
    m_softBreak = !line.empty() && line.back() == '=';
    if (m_softBreak)
        line.remove_suffix(1);
    AppendUnescaped(line, false, out);
}

void CTransferDecoder::Uuencoded(std::string_view line, std::string& out) {
    switch (m_uu) {
    case Uu::Before:
        if (line.substr(0, 6) == "begin ")
            m_uu = Uu::Inside;
        return;
    case Uu::After:
        return;
    case Uu::Inside:
        break;
    }
    if (line.empty() || line == "end" || line[0] == '`' || line[0] == ' ') {
        m_uu = Uu::After;
        return;
    }
    const auto value = [&](std::size_t i) {
        return i < line.size() ? static_cast<std::uint32_t>((line[i] - 0x20) & 0x3F) : 0u;
    };
    std::size_t length = value(0);
    for (std::size_t i = 1; length > 0; i += 4) {
        const std::uint32_t group =
            value(i) << 18 | value(i + 1) << 12 | value(i + 2) << 6 | value(i + 3);
        for (int shift = 16; shift >= 0 && length > 0; shift -= 8, --length)
            out += static_cast<char>((group >> shift) & 0xFF);
        if (i > line.size())
            break; // a line shorter than its length says: what it holds is all there is
    }
}

} // namespace qb
