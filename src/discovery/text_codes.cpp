#include "discovery/text_codes.h"

#include "platform/utf8.h"

namespace qb::discovery {

void AppendUtf8(std::string& out, std::uint32_t cp) {
    qb::AppendUtf8(static_cast<char32_t>(cp), out);
}

void Utf16Writer::Put(std::uint16_t unit) {
    if (m_high != 0) {
        if (unit >= 0xDC00 && unit <= 0xDFFF) {
            AppendUtf8(m_out, 0x10000 + ((static_cast<std::uint32_t>(m_high) - 0xD800) << 10) +
                                  (unit - 0xDC00));
            m_high = 0;
            return;
        }
        Flush();
    }
    if (unit >= 0xD800 && unit <= 0xDBFF)
        m_high = unit;
    else
        AppendUtf8(m_out, unit);
}

void Utf16Writer::Flush() {
    if (m_high != 0)
        AppendUtf8(m_out, 0xFFFD);
    m_high = 0;
}

std::string_view TrimBlanks(std::string_view text) {
    auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
    while (!text.empty() && blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && blank(text.back()))
        text.remove_suffix(1);
    return text;
}

} // namespace qb::discovery
