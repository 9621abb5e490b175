#include "platform/line_reader.h"

#include <algorithm>
#include <cstring>

namespace qb {

LineReader::LineReader(fs::File& file, std::size_t bufferSize)
    : m_file(file), m_buffer(bufferSize < 16 ? 16 : bufferSize) {}

bool LineReader::Fill() {
    if (m_eof || m_failed)
        return false;
    if (m_begin > 0) {
        std::memmove(m_buffer.data(), m_buffer.data() + m_begin, m_end - m_begin);
        m_end -= m_begin;
        m_noLfBefore = m_noLfBefore > m_begin ? m_noLfBefore - m_begin : 0;
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

bool LineReader::ReadLineView(std::string_view& line, LineEnd& end) {
    line = {};
    std::size_t scanFrom = m_begin;
    for (;;) {
        const char* base = m_buffer.data();
        // The first LF, then any CR before it (both searches are cheap library scans). Where no
        // LF was found before is remembered, so that files without any LF are not searched over
        // and over.
        const std::size_t lfFrom = std::max(scanFrom, m_noLfBefore);
        const void* lf =
            lfFrom < m_end ? std::memchr(base + lfFrom, '\n', m_end - lfFrom) : nullptr;
        m_noLfBefore = lf ? static_cast<std::size_t>(static_cast<const char*>(lf) - base) : m_end;
        const std::size_t limit = m_noLfBefore - scanFrom;
        const void* cr = limit ? std::memchr(base + scanFrom, '\r', limit) : nullptr;
        const void* hit = cr ? cr : lf;
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
        if (!Fill()) {
            if (m_failed || m_end == m_begin)
                return false;
            line = std::string_view(m_buffer.data() + m_begin, m_end - m_begin);
            m_position += static_cast<std::int64_t>(m_end - m_begin);
            m_begin = m_end;
            end = LineEnd::None;
            return true;
        }
        scanFrom = m_begin + scanned;
    }
}

bool LineReader::Seek(std::int64_t position) {
    if (!m_file.Seek(position))
        return false;
    m_begin = m_end = m_noLfBefore = 0;
    m_position = position;
    m_eof = false;
    m_failed = false;
    return true;
}

} // namespace qb
