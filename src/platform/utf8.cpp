#include "platform/utf8.h"

#include <cstdint>
#include <cstring>
#include <utility>

namespace qb {

namespace {

// Length of the well-formed sequence starting at `pos`, or 0 when there is none.
std::size_t SequenceLength(std::string_view s, std::size_t pos) {
    const auto b = [&](std::size_t i) { return static_cast<unsigned char>(s[pos + i]); };
    const std::size_t left = s.size() - pos;
    const unsigned char c = b(0);
    if (c < 0x80)
        return 1;
    const auto tail = [&](std::size_t i) { return (b(i) & 0xC0) == 0x80; };
    if (c >= 0xC2 && c <= 0xDF)
        return left >= 2 && tail(1) ? 2 : 0;
    if (c >= 0xE0 && c <= 0xEF) {
        if (left < 3 || !tail(1) || !tail(2))
            return 0;
        if (c == 0xE0 && b(1) < 0xA0)
            return 0; // overlong
        if (c == 0xED && b(1) >= 0xA0)
            return 0; // surrogate
        return 3;
    }
    if (c >= 0xF0 && c <= 0xF4) {
        if (left < 4 || !tail(1) || !tail(2) || !tail(3))
            return 0;
        if (c == 0xF0 && b(1) < 0x90)
            return 0; // overlong
        if (c == 0xF4 && b(1) >= 0x90)
            return 0; // above U+10FFFF
        return 4;
    }
    return 0;
}

} // namespace

bool IsAscii(std::string_view bytes) {
    const char* p = bytes.data();
    std::size_t n = bytes.size();
    for (; n >= 8; p += 8, n -= 8) {
        std::uint64_t word;
        std::memcpy(&word, p, 8);
        if (word & 0x8080808080808080ull)
            return false;
    }
    for (; n > 0; ++p, --n) {
        if (static_cast<unsigned char>(*p) >= 0x80)
            return false;
    }
    return true;
}

bool IsValidUtf8(std::string_view bytes) {
    std::size_t pos = 0;
    while (pos < bytes.size()) {
        // Skip ASCII eight bytes at a time.
        while (pos + 8 <= bytes.size()) {
            std::uint64_t word;
            std::memcpy(&word, bytes.data() + pos, 8);
            if (word & 0x8080808080808080ull)
                break;
            pos += 8;
        }
        if (pos >= bytes.size())
            break;
        const std::size_t n = SequenceLength(bytes, pos);
        if (n == 0)
            return false;
        pos += n;
    }
    return true;
}

void AppendUtf8(char32_t cp, std::string& out) {
    if ((cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF)
        cp = 0xFFFD;
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

char32_t NextCodePoint(std::string_view s, std::size_t& pos) {
    const std::size_t n = SequenceLength(s, pos);
    const auto b = [&](std::size_t i) { return static_cast<char32_t>(s[pos + i]) & 0xFF; };
    char32_t cp;
    switch (n) {
    case 1:
        cp = b(0);
        break;
    case 2:
        cp = ((b(0) & 0x1F) << 6) | (b(1) & 0x3F);
        break;
    case 3:
        cp = ((b(0) & 0x0F) << 12) | ((b(1) & 0x3F) << 6) | (b(2) & 0x3F);
        break;
    case 4:
        cp = ((b(0) & 0x07) << 18) | ((b(1) & 0x3F) << 12) | ((b(2) & 0x3F) << 6) | (b(3) & 0x3F);
        break;
    default:
        ++pos;
        return 0xFFFD;
    }
    pos += n;
    return cp;
}

} // namespace qb
