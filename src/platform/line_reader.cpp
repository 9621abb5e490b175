#include "platform/line_reader.h"

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
    line.clear();
    std::size_t scanFrom = m_begin;
    for (;;) {
        const char* base = m_buffer.data();
        for (std::size_t i = scanFrom; i < m_end; ++i) {
            const char c = base[i];
            if (c != '\n' && c != '\r')
                continue;
            line.assign(base + m_begin, i - m_begin);
            if (c == '\n') {
                end = LineEnd::Lf;
                m_position += static_cast<std::int64_t>(i - m_begin + 1);
                m_begin = i + 1;
                return true;
            }
            // A CR: look at the next byte, reading more if the buffer ends here.
            if (i + 1 == m_end) {
                // Fill may move the buffered bytes even when it reads nothing more.
                const std::size_t offset = i - m_begin;
                const bool more = Fill();
                base = m_buffer.data();
                i = m_begin + offset;
                if (!more && m_failed)
                    return false;
            }
            const bool crlf = i + 1 < m_end && base[i + 1] == '\n';
            end = crlf ? LineEnd::CrLf : LineEnd::Cr;
            const std::size_t consumed = i - m_begin + (crlf ? 2 : 1);
            m_position += static_cast<std::int64_t>(consumed);
            m_begin += consumed;
            return true;
        }
        const std::size_t scanned = m_end - m_begin;
        if (!Fill()) {
            if (m_failed)
                return false;
            if (m_end == m_begin)
                return false;
            line.assign(m_buffer.data() + m_begin, m_end - m_begin);
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
    m_begin = m_end = 0;
    m_position = position;
    m_eof = false;
    m_failed = false;
    return true;
}

} // namespace qb
