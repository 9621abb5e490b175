#include "platform/line_reader.h"

#include "platform/paths.h"

#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include "platform/cpu_features.h"
#if defined(QB_HAVE_AVX2_LOOPS)
#include <immintrin.h>
#endif

namespace qb {

namespace {

// The first CR or LF in [p, end), or null.
const char* FindLineEnd(const char* p, const char* end) {
#if defined(__SSE2__)
    const __m128i lf = _mm_set1_epi8('\n');
    const __m128i cr = _mm_set1_epi8('\r');
    auto ends = [&](const char* at) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
        return static_cast<unsigned>(
            _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(v, lf), _mm_cmpeq_epi8(v, cr))));
    };
    while (end - p >= 32) {
        const unsigned mask = ends(p) | ends(p + 16) << 16;
        if (mask != 0)
            return p + __builtin_ctz(mask);
        p += 32;
    }
    if (end - p >= 16) {
        const unsigned mask = ends(p);
        if (mask != 0)
            return p + __builtin_ctz(mask);
        p += 16;
    }
#endif
    for (; p < end; ++p) {
        if (*p == '\n' || *p == '\r')
            return p;
    }
    return nullptr;
}

#if defined(QB_HAVE_AVX2_LOOPS)
// The bytes of a 64-byte block that equal `value`, one bit each.
__attribute__((target("avx2,popcnt"))) inline std::uint64_t BytesEqual(__m256i low, __m256i high,
                                                                       __m256i value) {
    return static_cast<std::uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(low, value))) |
           static_cast<std::uint64_t>(
               static_cast<std::uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(high, value))))
               << 32;
}

// The wide part of SkipLinesUntil: walks `i` over [i, end - 1) 64 bytes at a time, counting the
// line ends (LF, and a CR not followed by LF) in `lines`, and stops after the first line end
// whose next byte is `a` or `b` (`stop`). `lineStart` follows the byte after the last line end
// counted. Every block looks one byte past itself, so the last byte is left to the caller. The
// count goes without a branch per line: body lines end at random places in a block, and a
// mispredicted branch costs more than the whole block.
__attribute__((target("avx2,popcnt"))) void SkipBlocksAvx2(const char* base, std::size_t& i,
                                                           std::size_t end, char a, char b,
                                                           bool loneCr, std::size_t& lineStart,
                                                           std::int64_t& lines, bool& stop) {
    const __m256i lf = _mm256_set1_epi8('\n');
    const __m256i cr = _mm256_set1_epi8('\r');
    const __m256i byteA = _mm256_set1_epi8(a);
    const __m256i byteB = _mm256_set1_epi8(b);
    std::size_t at = i;
    std::size_t start = lineStart;
    std::int64_t count = 0;
    while (at + 65 <= end) {
        const char* p = base + at;
        const __m256i low = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
        const __m256i high = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 32));
        const std::uint64_t lfs = BytesEqual(low, high, lf);
        const std::uint64_t crs = loneCr ? BytesEqual(low, high, cr) : 0;
        const std::uint64_t wanted = BytesEqual(low, high, byteA) | BytesEqual(low, high, byteB);
        // What the byte after each one is, the block's last byte looking at the next block's
        // first.
        const char after = p[64];
        const std::uint64_t lfNext = lfs >> 1 | static_cast<std::uint64_t>(after == '\n') << 63;
        const std::uint64_t wantedNext =
            wanted >> 1 | static_cast<std::uint64_t>(after == a || after == b) << 63;
        std::uint64_t ends = lfs | (crs & ~lfNext);
        const std::uint64_t hits = ends & wantedNext;
        if (hits != 0) {
            // Only the line ends up to the first line that begins with a wanted byte (a hit in
            // the top bit keeps them all: the product wraps to zero).
            ends &= (hits & (~hits + 1)) * 2 - 1;
            stop = true;
        }
        count += __builtin_popcountll(ends);
        const std::size_t past = at + 64 - static_cast<std::size_t>(__builtin_clzll(ends | 1));
        start = ends != 0 ? past : start;
        at += 64;
        if (stop)
            break;
    }
    i = at;
    lineStart = start;
    lines += count;
}
#endif

} // namespace

LineReader::LineReader(fs::File& file, std::size_t bufferSize, LineBreaks breaks)
    : m_file(file), m_breaks(breaks), m_buffer(bufferSize < 16 ? 16 : bufferSize) {}

bool LineReader::Fill() {
    if (m_eof || m_failed)
        return false;
    if (m_begin > 0) {
        std::memmove(m_buffer.data(), m_buffer.data() + m_begin, m_end - m_begin);
        m_end -= m_begin;
        m_begin = 0;
    }
    if (m_end == m_buffer.size())
        m_buffer.resize(m_buffer.size() * 2);
    const std::int64_t n = m_file.Read(m_buffer.data() + m_end, m_buffer.size() - m_end);
    if (n < 0) {
        m_failed = true;
        return false;
    }
    if (n == 0) {
        m_eof = true;
        return false;
    }
    m_end += static_cast<std::size_t>(n);
    return true;
}

bool LineReader::ReadLine(std::string& line, LineEnd& end) {
    std::string_view view;
    if (!ReadLineView(view, end)) {
        line.clear();
        return false;
    }
    line.assign(view);
    return true;
}

bool LineReader::TakeLastLine(std::string_view& line, LineEnd& end) {
    if (m_failed || m_end == m_begin)
        return false;
    line = std::string_view(m_buffer.data() + m_begin, m_end - m_begin);
    m_position += static_cast<std::int64_t>(m_end - m_begin);
    m_begin = m_end;
    end = LineEnd::None;
    return true;
}

bool LineReader::ReadLfLine(std::string_view& line, LineEnd& end) {
    std::size_t scanFrom = m_begin;
    for (;;) {
        const char* base = m_buffer.data();
        const void* hit = std::memchr(base + scanFrom, '\n', m_end - scanFrom);
        if (hit != nullptr) {
            const std::size_t i = static_cast<std::size_t>(static_cast<const char*>(hit) - base);
            const bool crlf = i > m_begin && base[i - 1] == '\r';
            line = std::string_view(base + m_begin, i - m_begin - (crlf ? 1 : 0));
            end = crlf ? LineEnd::CrLf : LineEnd::Lf;
            m_position += static_cast<std::int64_t>(i - m_begin + 1);
            m_begin = i + 1;
            return true;
        }
        const std::size_t scanned = m_end - m_begin;
        if (!Fill())
            return TakeLastLine(line, end);
        scanFrom = m_begin + scanned;
    }
}

bool LineReader::ReadLineView(std::string_view& line, LineEnd& end) {
    line = {};
    if (m_breaks == LineBreaks::LfOnly)
        return ReadLfLine(line, end);
    std::size_t scanFrom = m_begin;
    for (;;) {
        const char* base = m_buffer.data();
        // One pass for the first CR or LF: lines are short, so a library scan per character
        // would cost more in calls than in scanning.
        const char* hit = FindLineEnd(base + scanFrom, base + m_end);
        if (hit != nullptr) {
            std::size_t i = static_cast<std::size_t>(static_cast<const char*>(hit) - base);
            const char c = base[i];
            if (c == '\n') {
                line = std::string_view(base + m_begin, i - m_begin);
                end = LineEnd::Lf;
                m_position += static_cast<std::int64_t>(i - m_begin + 1);
                m_begin = i + 1;
                return true;
            }
            // A CR: look at the next byte, reading more if the buffer ends here. Fill may move
            // the buffered bytes even when it reads nothing more.
            if (i + 1 == m_end) {
                const std::size_t offset = i - m_begin;
                const bool more = Fill();
                base = m_buffer.data();
                i = m_begin + offset;
                if (!more && m_failed)
                    return false;
            }
            const bool crlf = i + 1 < m_end && base[i + 1] == '\n';
            line = std::string_view(base + m_begin, i - m_begin);
            end = crlf ? LineEnd::CrLf : LineEnd::Cr;
            const std::size_t consumed = i - m_begin + (crlf ? 2 : 1);
            m_position += static_cast<std::int64_t>(consumed);
            m_begin += consumed;
            return true;
        }
        const std::size_t scanned = m_end - m_begin;
        if (!Fill())
            return TakeLastLine(line, end);
        scanFrom = m_begin + scanned;
    }
}

bool LineReader::Seek(std::int64_t position) {
    if (!m_file.Seek(position))
        return false;
    m_begin = m_end = 0;
    m_position = position;
    m_eof = false;
    m_failed = false;
    return true;
}

std::int64_t LineReader::SkipLinesUntil(char a, char b) {
    return Skip(a, b, {});
}

std::int64_t LineReader::SkipLinesUntilPrefix(std::string_view prefix) {
    if (prefix.empty())
        return 0;
    const char lower = ToLowerAscii(prefix[0]);
    const char upper = lower >= 'a' && lower <= 'z' ? static_cast<char>(lower - 'a' + 'A') : lower;
    return Skip(upper, lower, prefix);
}

std::int64_t LineReader::Skip(char a, char b, std::string_view prefix) {
    std::int64_t lines = 0;
    for (;;) {
        if (m_begin == m_end && !Fill())
            return lines;
        const char* base = m_buffer.data();
        // A line that begins with a wanted byte ends the skip, unless the buffer shows that it
        // does not go on with the prefix.
        auto stopsAt = [&](std::size_t at) {
            return (base[at] == a || base[at] == b) &&
                   (prefix.empty() || prefix.size() > m_end - at ||
                    StartsWithNoCase(std::string_view(base + at, prefix.size()), prefix));
        };
        if (stopsAt(m_begin))
            return lines;
        // Line ends are LF and (unless only LF breaks lines) a CR not followed by LF; the byte
        // after a CR at the end of the buffer is not known yet, so that CR's line is left for
        // after the next refill.
        const bool loneCr = m_breaks == LineBreaks::Any;
        std::size_t lineStart = m_begin;
        std::size_t i = m_begin;
        bool stop = false;
        auto ended = [&](std::size_t at) {
            ++lines;
            lineStart = at + 1;
            stop = lineStart < m_end && (base[lineStart] == a || base[lineStart] == b);
        };
        for (;;) {
#if defined(QB_HAVE_AVX2_LOOPS)
            if (HasAvx2())
                SkipBlocksAvx2(base, i, m_end, a, b, loneCr, lineStart, lines, stop);
#endif
#if defined(__SSE2__)
            const __m128i lf = _mm_set1_epi8('\n');
            const __m128i cr = _mm_set1_epi8('\r');
            const __m128i byteA = _mm_set1_epi8(a);
            const __m128i byteB = _mm_set1_epi8(b);
            while (!stop && i + 17 <= m_end) {
                const __m128i here = _mm_loadu_si128(reinterpret_cast<const __m128i*>(base + i));
                const __m128i next =
                    _mm_loadu_si128(reinterpret_cast<const __m128i*>(base + i + 1));
                const __m128i nextLf = _mm_cmpeq_epi8(next, lf);
                __m128i ends = _mm_cmpeq_epi8(here, lf);
                if (loneCr)
                    ends = _mm_or_si128(ends, _mm_andnot_si128(nextLf, _mm_cmpeq_epi8(here, cr)));
                unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(ends));
                if (mask != 0) {
                    const unsigned wanted = static_cast<unsigned>(_mm_movemask_epi8(
                        _mm_or_si128(_mm_cmpeq_epi8(next, byteA), _mm_cmpeq_epi8(next, byteB))));
                    const unsigned hits = mask & wanted;
                    if (hits != 0) {
                        // Only the line ends up to the first line that begins with a wanted byte.
                        mask &= (hits & (~hits + 1)) * 2 - 1;
                        stop = true;
                    }
                    lineStart = i + 32 - static_cast<std::size_t>(__builtin_clz(mask));
                    // Mail lines are longer than 16 bytes: a chunk seldom holds more than one line
                    // end, and this count costs less than a population count without the CPU's own
                    // instruction (the build targets every x86-64).
                    for (; mask != 0; mask &= mask - 1)
                        ++lines;
                }
                i += 16;
            }
#endif
            for (; !stop && i < m_end; ++i) {
                const char c = base[i];
                if (c == '\n') {
                    ended(i);
                } else if (c == '\r' && loneCr) {
                    if (i + 1 == m_end)
                        break;
                    if (base[i + 1] != '\n')
                        ended(i);
                }
            }
            // A line that only begins like the prefix: go on after its first byte.
            if (!stop || stopsAt(lineStart))
                break;
            stop = false;
            i = lineStart;
        }
        m_position += static_cast<std::int64_t>(lineStart - m_begin);
        m_begin = lineStart;
        if (stop)
            return lines;
        if (!Fill())
            return lines; // the end of the file: what is left is a last line without a line end
    }
}

bool LineReader::SkipTo(std::int64_t position) {
    if (!m_failed && position >= m_position &&
        position - m_position <= static_cast<std::int64_t>(m_end - m_begin)) {
        m_begin += static_cast<std::size_t>(position - m_position);
        m_position = position;
        return true;
    }
    return Seek(position);
}

} // namespace qb
