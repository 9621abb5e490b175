#include "text/line_source.h"

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace qb {

namespace {

// The line starting at `pos`, without its line end; `pos` moves past the line end.
std::string_view NextLine(std::string_view bytes, std::size_t& pos) {
    const std::size_t eol = bytes.find_first_of("\r\n", pos);
    const std::size_t end = eol == std::string_view::npos ? bytes.size() : eol;
    const std::string_view line = bytes.substr(pos, end - pos);
    pos = end;
    if (pos < bytes.size())
        pos += bytes[pos] == '\r' && pos + 1 < bytes.size() && bytes[pos + 1] == '\n' ? 2 : 1;
    return line;
}

} // namespace

RawMessage SplitRawMessage(std::string_view bytes) {
    RawMessage message;
    std::size_t pos = 0;
    while (pos < bytes.size()) {
        const std::size_t start = pos;
        if (NextLine(bytes, pos).empty()) {
            message.header = bytes.substr(0, start);
            while (pos < bytes.size())
                message.body.push_back(NextLine(bytes, pos));
            return message;
        }
    }
    message.header = bytes; // no empty line: all header
    return message;
}

void SplitLines(std::string_view bytes, std::vector<std::string_view>& lines) {
    const char* const data = bytes.data();
    const std::size_t size = bytes.size();
    std::size_t start = 0; // of the current line
    std::size_t i = 0;
    const auto end = [&](std::size_t at) {
        lines.emplace_back(data + start, at - start);
        if (data[at] == '\r' && at + 1 < size && data[at + 1] == '\n')
            ++at;
        start = at + 1;
        return at + 1;
    };
#if defined(__SSE2__)
    // Sixteen bytes at a time: most hold no line end, and a line end found ends its line at once.
    const __m128i lf = _mm_set1_epi8('\n');
    const __m128i cr = _mm_set1_epi8('\r');
    while (i + 16 <= size) {
        const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i));
        unsigned mask = static_cast<unsigned>(
            _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(chunk, lf), _mm_cmpeq_epi8(chunk, cr))));
        const std::size_t base = i;
        i += 16;
        while (mask != 0) {
            const std::size_t at = base + static_cast<std::size_t>(__builtin_ctz(mask));
            mask &= mask - 1;
            if (at < start)
                continue; // the LF of a CR LF already taken
            const std::size_t next = end(at);
            if (next > i)
                i = next; // a CR LF across the chunk's end
        }
    }
#endif
    for (; i < size; ++i) {
        if (i >= start && (data[i] == '\n' || data[i] == '\r'))
            i = end(i) - 1;
    }
    if (start < size)
        lines.emplace_back(data + start, size - start);
}

} // namespace qb
