#include "interchange/reader.h"

#include "platform/file_system.h"
#include "platform/line_reader.h"

#include <algorithm>
#include <optional>

namespace qb::interchange {

namespace {

bool IsEnvelope(std::string_view line) {
    return line.compare(0, 5, "From ") == 0;
}

bool IsQuotedEnvelope(std::string_view line) {
    std::size_t i = 0;
    while (i < line.size() && line[i] == '>')
        ++i;
    return i > 0 && line.compare(i, 5, "From ") == 0;
}

std::string_view EndBytes(LineEnd end) {
    switch (end) {
    case LineEnd::CrLf:
        return "\r\n";
    case LineEnd::Lf:
        return "\n";
    default:
        return "";
    }
}

class CMboxReader : public CReader {
  public:
    CMboxReader(std::string path, const ReadOptions& options)
        : m_path(std::move(path)), m_options(options),
          m_reader(m_file, LineReader::kDefaultBuffer, LineBreaks::LfOnly) {}

    ReadStatus Next(ReadItem& item) override {
        item = ReadItem{};
        item.file = m_path;
        if (m_done)
            return ReadStatus::End;
        if (!m_started) {
            m_started = true;
            if (!m_file.Open(m_path, fs::OpenMode::Read) || (m_size = m_file.Size()) < 0 ||
                !m_probe.Open(m_path, fs::OpenMode::Read))
                return Fail(item, "Cannot read " + m_path);
            const std::optional<ReadStatus> lead = ReadLeadingText(item);
            if (lead)
                return *lead;
        }
        if (!m_haveEnvelope) {
            m_done = true;
            return ReadStatus::End;
        }
        return ReadMessage(item);
    }

  private:
    ReadStatus Fail(ReadItem& item, std::string problem) {
        m_done = true;
        item.problem = std::move(problem);
        return ReadStatus::Failed;
    }

    bool ReadLine(std::string_view& line, LineEnd& end) {
        m_lineStart = m_reader.Position();
        return m_reader.ReadLineView(line, end);
    }

    // Text before the first envelope line: skipped (reported) when it holds anything but
    // empty lines; a file without any envelope line is no mbox at all.
    std::optional<ReadStatus> ReadLeadingText(ReadItem& item) {
        std::string_view line;
        LineEnd end;
        bool content = false;
        bool afterBlank = true;
        while (ReadLine(line, end)) {
            if (afterBlank && IsEnvelope(line)) {
                m_haveEnvelope = true;
                m_envelopeAt = m_lineStart;
                break;
            }
            afterBlank = line.empty();
            content = content || !line.empty();
        }
        if (m_reader.Failed())
            return Fail(item, "Cannot read " + m_path);
        if (!content)
            return std::nullopt;
        if (!m_haveEnvelope)
            return Fail(item, m_path + " is not an mbox file: no line begins a message");
        item.number = ++m_number;
        item.position = 0;
        item.problem = "text before the first message";
        return ReadStatus::Skipped;
    }

    // Where the body ends by its Content-Length, when that is at a message boundary: an empty
    // line and then an envelope line or the end of the file, or the end of the file right after
    // a line that is not empty (an empty one would be the separator, not part of the body).
    std::optional<std::int64_t> LandingLength(const std::string& text, std::int64_t bodyStart) {
        const std::optional<std::string> value = HeaderField(text, "Content-Length");
        if (!value || value->empty() || value->size() > 15 ||
            value->find_first_not_of("0123456789") != std::string::npos)
            return std::nullopt;
        const std::int64_t length = std::stoll(*value);
        const std::int64_t end = bodyStart + length;
        if (end > m_size)
            return std::nullopt;
        // The bytes from three before the end to eight after it.
        const std::int64_t from = std::max(bodyStart, end - 3);
        char bytes[11] = {};
        if (!m_probe.Seek(from))
            return std::nullopt;
        std::size_t got = 0;
        while (got < sizeof bytes) {
            const std::int64_t n = m_probe.Read(bytes + got, sizeof bytes - got);
            if (n <= 0)
                break;
            got += static_cast<std::size_t>(n);
        }
        const std::string_view window(bytes, got);
        const std::size_t at = static_cast<std::size_t>(end - from);
        if (at > window.size())
            return std::nullopt;
        const std::string_view before = window.substr(0, at);
        const std::string_view after = window.substr(at);
        if (length > 0 && before.back() != '\n')
            return std::nullopt;
        const std::int64_t left = m_size - end;
        if (after.compare(0, 6, "\nFrom ") == 0 || after.compare(0, 7, "\r\nFrom ") == 0 ||
            (left == 1 && after == "\n") || (left == 2 && after == "\r\n"))
            return end;
        const bool emptyLineBefore = length == 0 || before.ends_with("\n\n") ||
                                     before.ends_with("\n\r\n") || before == "\n" ||
                                     before == "\r\n";
        if (left == 0 && !emptyLineBefore)
            return end;
        return std::nullopt;
    }

    void Append(std::string& text, std::string_view line, LineEnd end) {
        if (m_oversize || m_skipBody)
            return;
        if (m_options.unquoteMboxrd && IsQuotedEnvelope(line))
            line.remove_prefix(1);
        if (static_cast<std::int64_t>(text.size() + line.size() + 2) > m_options.maxMessageBytes) {
            m_oversize = true;
            text.clear();
            text.shrink_to_fit();
            return;
        }
        text.append(line);
        text.append(EndBytes(end));
    }

    ReadStatus ReadMessage(ReadItem& item) {
        item.position = m_envelopeAt;
        item.number = ++m_number;
        m_haveEnvelope = false;
        m_oversize = false;
        m_skipBody = false;
        std::string& text = item.message.text;
        std::string_view line; // the envelope line is read already
        LineEnd end;

        std::string heldBlank; // an empty line that may separate this message from the next
        bool inBody = false;
        for (;;) {
            // A body that is not kept matters only where an empty line may end it: the lines
            // before one are passed over a block at a time.
            if (m_skipBody && heldBlank.empty())
                m_reader.SkipLinesUntil('\n', '\r');
            if (!ReadLine(line, end))
                break;
            if (!heldBlank.empty() && IsEnvelope(line)) {
                m_haveEnvelope = true;
                m_envelopeAt = m_lineStart;
                break;
            }
            if (!heldBlank.empty()) {
                Append(text, "", heldBlank == "\r\n" ? LineEnd::CrLf : LineEnd::Lf);
                heldBlank.clear();
            }
            if (!line.empty() || end == LineEnd::None) {
                Append(text, line, end);
                continue;
            }
            heldBlank = EndBytes(end);
            if (inBody)
                continue;
            inBody = true;
            const std::optional<std::int64_t> bodyEnd = LandingLength(text, m_reader.Position());
            m_skipBody = m_options.headersOnly;
            if (!bodyEnd)
                continue;
            // The header's length ends the body at a boundary: nothing inside it splits.
            Append(text, "", end);
            heldBlank.clear();
            while (m_reader.Position() < *bodyEnd && ReadLine(line, end))
                Append(text, line, end);
            if (m_reader.Failed())
                return Fail(item, "Cannot read " + m_path);
            if (ReadLine(line, end) && line.empty() && end != LineEnd::None)
                ReadLine(line, end);
            if (!m_reader.Failed() && m_lineStart < m_size) {
                m_haveEnvelope = true;
                m_envelopeAt = m_lineStart;
            }
            break;
        }
        if (m_reader.Failed())
            return Fail(item, "Cannot read " + m_path);
        if (m_oversize) {
            item.message.text.clear();
            item.problem =
                "message larger than " + std::to_string(m_options.maxMessageBytes) + " bytes";
            return ReadStatus::Skipped;
        }
        item.message.status = StatusFromHeader(text);
        return ReadStatus::Message;
    }

    std::string m_path;
    ReadOptions m_options;
    fs::File m_file;
    fs::File m_probe;
    LineReader m_reader;
    std::int64_t m_size = 0;
    std::int64_t m_lineStart = 0;
    std::int64_t m_envelopeAt = 0;
    std::int64_t m_number = 0;
    bool m_started = false;
    bool m_done = false;
    bool m_haveEnvelope = false;
    bool m_oversize = false;
    bool m_skipBody = false; // the body of this message is not kept
};

} // namespace

std::unique_ptr<CReader> MakeMboxReader(const std::string& path, const ReadOptions& options) {
    return std::make_unique<CMboxReader>(path, options);
}

} // namespace qb::interchange
