#include "app/message_file.h"

#include "platform/file_system.h"
#include "platform/line_reader.h"
#include "platform/paths.h"

namespace qb {

bool CanReadMessageFile(const std::string& path) {
    if (!fs::IsRegularFile(path))
        return false;
    fs::File file;
    return file.Open(path, fs::OpenMode::Read);
}

namespace {

// Builds a message from its lines as `add` reads them from a file.
class CMessageBuilder {
  public:
    explicit CMessageBuilder(CMails& holder)
        : m_message(std::make_unique<CMessage>(0, 0, &holder, std::string(), std::string())) {}

    // False (with `error`) when the message cannot be taken.
    bool AddLine(std::string line, std::string& error) {
        if (m_inHeader) {
            // An envelope line copied from a mailbox file is not a header field and is left out;
            // a Netscape separator line ("From - " and a date) is kept, as the folders keep it.
            const bool envelope =
                m_first && line.compare(0, 5, "From ") == 0 && !StartsWithNoCase(line, "From - ");
            m_first = false;
            if (envelope)
                return true;
            if (line.empty()) {
                m_inHeader = false;
                return true;
            }
            if (m_headerLines == 0 && line.front() == '\t') {
                error = kTextNotAMessageFile;
                return false;
            }
            m_message->m_strHeader += line;
            m_message->m_strHeader += "\r\n";
            ++m_headerLines;
        } else {
            m_message->m_nBodySize += static_cast<std::int64_t>(line.size()) + 2;
            m_message->m_aBody.push_back(std::move(line));
        }
        return true;
    }

    std::unique_ptr<CMessage> Finish() {
        CMessage& m = *m_message;
        m.m_nBodyLines = static_cast<std::int32_t>(m.m_aBody.size());
        m.m_nLines = m_headerLines + 1 + m.m_nBodyLines;
        m.m_nSize = static_cast<std::int64_t>(m.m_strHeader.size()) + 2 + m.m_nBodySize;
        return std::move(m_message);
    }

  private:
    std::unique_ptr<CMessage> m_message;
    std::int32_t m_headerLines = 0;
    bool m_inHeader = true;
    bool m_first = true;
};

} // namespace

std::unique_ptr<CMessage> ReadMessageFile(const std::string& path, CMails& holder,
                                          std::string& error) {
    error = kTextCannotReadMessageFile;
    if (!fs::IsRegularFile(path))
        return nullptr;
    fs::File file;
    if (!file.Open(path, fs::OpenMode::Read))
        return nullptr;
    CMessageBuilder builder(holder);
    LineReader reader(file);
    std::string line;
    while (reader.ReadLine(line)) {
        if (!builder.AddLine(std::move(line), error))
            return nullptr;
        line = std::string();
    }
    if (reader.Failed())
        return nullptr;
    error.clear();
    return builder.Finish();
}

std::unique_ptr<CMessage> MessageFromText(std::string_view text, CMails& holder,
                                          std::string& error) {
    error.clear();
    CMessageBuilder builder(holder);
    // Lines end as a file's lines end for add: at CR LF, LF or a lone CR.
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find_first_of("\r\n", pos);
        std::size_t next = end == std::string_view::npos ? text.size() : end + 1;
        if (end == std::string_view::npos)
            end = text.size();
        else if (text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n')
            ++next;
        if (!builder.AddLine(std::string(text.substr(pos, end - pos)), error))
            return nullptr;
        pos = next;
    }
    return builder.Finish();
}

std::unique_ptr<CMessage> MakeMessage(CMails& holder, const std::vector<std::string>& header,
                                      std::vector<std::string> body) {
    auto message = std::make_unique<CMessage>(0, 0, &holder, std::string(), std::string());
    for (const std::string& line : header)
        message->m_strHeader += line + "\r\n";
    for (const std::string& line : body)
        message->m_nBodySize += static_cast<std::int64_t>(line.size()) + 2;
    message->m_aBody = std::move(body);
    message->m_nBodyLines = static_cast<std::int32_t>(message->m_aBody.size());
    message->m_nLines = static_cast<std::int32_t>(header.size()) + 1 + message->m_nBodyLines;
    message->m_nSize =
        static_cast<std::int64_t>(message->m_strHeader.size()) + 2 + message->m_nBodySize;
    return message;
}

} // namespace qb
