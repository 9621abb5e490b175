#include "text/text_support.h"

#include <array>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace qb {

bool AllBlank(std::string_view text) {
    for (const char c : text) {
        if (!IsBlank(c))
            return false;
    }
    return true;
}

std::string_view TrimWhite(std::string_view text) {
    const auto white = [](char c) { return IsBlank(c) || c == '\r' || c == '\n'; };
    while (!text.empty() && white(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && white(text.back()))
        text.remove_suffix(1);
    return text;
}

std::string LowerAscii(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
}

void ReplaceControls(std::string& text, std::string_view replacement, std::string_view keep) {
    // Bytes that may start a control: the C0 controls not kept, DEL, and the lead byte of the
    // C1 controls' UTF-8 form. One table look-up per byte of text that holds none.
    std::array<bool, 256> suspect{};
    for (int c = 0; c < 0x20; ++c)
        suspect[static_cast<std::size_t>(c)] = keep.find(static_cast<char>(c)) == keep.npos;
    suspect[0x7F] = true;
    suspect[0xC2] = true;
    const auto isControl = [&](std::size_t i, std::size_t& width) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        width = 1;
        if (!suspect[c])
            return false;
        if (c != 0xC2)
            return true;
        if (i + 1 >= text.size())
            return false;
        // A lead byte without its continuation byte is one byte: what follows it is looked at
        // on its own.
        const unsigned char d = static_cast<unsigned char>(text[i + 1]);
        if (d < 0x80 || d > 0xBF)
            return false;
        width = 2;
        return d <= 0x9F;
    };
    std::size_t i = 0, width = 1;
    for (;;) {
        const unsigned char* p = reinterpret_cast<const unsigned char*>(text.data());
#if defined(__SSE2__)
        // Sixteen bytes at a time past text that holds no suspect byte.
        while (i + 16 <= text.size()) {
            const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
            __m128i hit = _mm_cmpeq_epi8(_mm_min_epu8(chunk, _mm_set1_epi8(0x1F)), chunk);
            for (const char k : keep)
                hit = _mm_andnot_si128(_mm_cmpeq_epi8(chunk, _mm_set1_epi8(k)), hit);
            hit = _mm_or_si128(hit, _mm_cmpeq_epi8(chunk, _mm_set1_epi8(0x7F)));
            hit = _mm_or_si128(hit, _mm_cmpeq_epi8(chunk, _mm_set1_epi8(static_cast<char>(0xC2))));
            if (_mm_movemask_epi8(hit) != 0)
                break;
            i += 16;
        }
#endif
        while (i < text.size() && !suspect[p[i]])
            ++i;
        if (i == text.size())
            return;
        if (isControl(i, width))
            break;
        i += width;
    }
    std::string out(text, 0, i);
    while (i < text.size()) {
        if (isControl(i, width))
            out += replacement;
        else
            out.append(text, i, width);
        i += width;
    }
    text = std::move(out);
}

} // namespace qb
