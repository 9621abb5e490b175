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

std::unique_ptr<CMessage> ReadMessageFile(const std::string& path, CMails& holder,
                                          std::string& error) {
    error = kTextCannotReadMessageFile;
    if (!fs::IsRegularFile(path))
        return nullptr;
    fs::File file;
    if (!file.Open(path, fs::OpenMode::Read))
        return nullptr;

    std::vector<std::string> header;
    std::vector<std::string> body;
    LineReader reader(file);
    std::string line;
    bool inHeader = true;
    bool first = true;
    while (reader.ReadLine(line)) {
        if (inHeader) {
            // An envelope line copied from a mailbox file is not a header field and is left out;
            // a Netscape separator line ("From - " and a date) is kept, as the folders keep it.
            const bool envelope =
                first && line.compare(0, 5, "From ") == 0 && !StartsWithNoCase(line, "From - ");
            first = false;
            if (envelope)
                continue;
            if (line.empty()) {
                inHeader = false;
                continue;
            }
            if (header.empty() && line.front() == '\t') {
                error = kTextNotAMessageFile;
                return nullptr;
            }
            header.push_back(std::move(line));
        } else {
            body.push_back(std::move(line));
        }
        line = std::string();
    }
    if (reader.Failed())
        return nullptr;
    file.Close();
    error.clear();
    return MakeMessage(holder, header, std::move(body));
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
