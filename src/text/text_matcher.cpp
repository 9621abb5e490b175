#include "text/text_matcher.h"

#include "platform/utf8.h"

#include <array>
#include <cstdint>
#include <cstring>

namespace qb {

namespace {

// ASCII bytes, folded, for the common case of a text that is mostly ASCII.
constexpr std::array<char, 128> kAsciiFold = [] {
    std::array<char, 128> table{};
    for (int c = 0; c < 128; ++c)
        table[static_cast<std::size_t>(c)] = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
    return table;
}();

} // namespace

char32_t FoldCodePoint(char32_t cp) {
    if (cp < 0x80)
        return cp >= 'A' && cp <= 'Z' ? cp + 32 : cp;
    if (cp == 0xB5)
        return 0x3BC; // micro sign: Greek mu
    if (cp >= 0xC0 && cp <= 0xDE && cp != 0xD7)
        return cp + 32;
    if (cp >= 0x100 && cp <= 0x17F) {
        if (cp == 0x130)
            return 'i';
        if (cp == 0x178)
            return 0xFF;
        if (cp == 0x17F)
            return 's';
        // Pairs start on even code points, except in 0x139-0x148 and 0x179-0x17E.
        const bool oddPairs = (cp >= 0x139 && cp <= 0x148) || (cp >= 0x179 && cp <= 0x17E);
        if (cp == 0x131 || cp == 0x138 || cp == 0x149)
            return cp;
        return (cp % 2 == 1) == oddPairs ? cp + 1 : cp;
    }
    if (cp >= 0x386 && cp <= 0x3AB) {
        if (cp == 0x386)
            return 0x3AC;
        if (cp >= 0x388 && cp <= 0x38A)
            return cp + 37;
        if (cp == 0x38C)
            return 0x3CC;
        if (cp == 0x38E || cp == 0x38F)
            return cp + 63;
        if (cp >= 0x391 && cp != 0x3A2)
            return cp + 32;
        return cp;
    }
    if (cp == 0x3C2)
        return 0x3C3;
    if (cp >= 0x400 && cp <= 0x40F)
        return cp + 80;
    if (cp >= 0x410 && cp <= 0x42F)
        return cp + 32;
    return cp;
}

void AppendFolded(std::string_view text, std::string& out) {
    // No fold makes a character longer, so the text's size is room enough; runs of ASCII, the
    // bulk of most mail, are folded by table straight into place.
    const std::size_t start = out.size();
    out.resize(start + text.size());
    char* to = out.data() + start;
    std::size_t pos = 0;
    while (pos < text.size()) {
        // Eight ASCII bytes at a time: a byte in 'A'..'Z' gets its 0x20 bit set.
        while (pos + 8 <= text.size()) {
            std::uint64_t w;
            std::memcpy(&w, text.data() + pos, 8);
            constexpr std::uint64_t kHigh = 0x8080808080808080ULL;
            if ((w & kHigh) != 0)
                break;
            const std::uint64_t aboveZ = w + 0x2525252525252525ULL; // high bit: byte > 'Z'
            const std::uint64_t fromA = w + 0x3F3F3F3F3F3F3F3FULL;  // high bit: byte >= 'A'
            w |= ((fromA ^ aboveZ) & kHigh) >> 2;
            std::memcpy(to, &w, 8);
            to += 8;
            pos += 8;
        }
        if (pos >= text.size())
            break;
        const unsigned char b = static_cast<unsigned char>(text[pos]);
        if (b < 0x80) {
            *to++ = kAsciiFold[b];
            ++pos;
            continue;
        }
        const std::size_t from = pos;
        const char32_t cp = NextCodePoint(text, pos);
        const char32_t folded = FoldCodePoint(cp);
        if (folded == cp || (cp == 0xFFFD && pos - from == 1)) {
            for (std::size_t i = from; i < pos; ++i)
                *to++ = text[i];
            continue;
        }
        std::string encoded;
        AppendUtf8(folded, encoded);
        // Should a fold ever make a character longer, the room grows with it.
        const auto at = static_cast<std::size_t>(to - out.data());
        const std::size_t need = at + encoded.size() + (text.size() - pos);
        if (need > out.size()) {
            out.resize(need);
            to = out.data() + at;
        }
        for (const char c : encoded)
            *to++ = c;
    }
    out.resize(static_cast<std::size_t>(to - out.data()));
}

std::string FoldCase(std::string_view text) {
    std::string out;
    AppendFolded(text, out);
    return out;
}

CTextMatcher::CTextMatcher(std::string_view needle) : m_needle(FoldCase(needle)) {}

bool CTextMatcher::Matches(std::string_view text) const {
    if (m_needle.empty())
        return true;
    if (text.size() < m_needle.size())
        return false;
    m_scratch.clear();
    AppendFolded(text, m_scratch);
    return m_scratch.find(m_needle) != std::string::npos;
}

} // namespace qb
