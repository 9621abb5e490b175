// Arbitrary bytes as a message file given to `add`: it must read as one message whose figures
// agree with its text (and the same message when the bytes come from memory, as on import), and
// appending it to a Netscape folder must give back exactly one message with the same body lines (a
// line that could pass for a separator, or that begins "From ", written with ">" before it).
#include "app/message_file.h"
#include "platform/paths.h"
#include "stores/netscape_mails.h"

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

const std::string& Directory() {
    static const std::string dir = [] {
        char pattern[] = "/tmp/qbfuzz-message-file-XXXXXX";
        if (mkdtemp(pattern) == nullptr)
            std::abort();
        return std::string(pattern);
    }();
    return dir;
}

void Check(bool condition) {
    if (!condition)
        std::abort();
}

void Write(const std::string& path, const std::uint8_t* data, std::size_t size) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    Check(static_cast<bool>(out));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string file = Directory() + "/message.eml";
    Write(file, data, size);
    qb::CMails holder("", "", qb::CMails::kPlain);
    std::string error;
    std::unique_ptr<qb::CMessage> message = qb::ReadMessageFile(file, holder, error);
    // The same bytes held in memory, as an import hands them over, make the same message.
    std::string textError;
    const std::unique_ptr<qb::CMessage> fromText = qb::MessageFromText(
        std::string_view(reinterpret_cast<const char*>(data), size), holder, textError);
    Check((message == nullptr) == (fromText == nullptr) && error == textError);
    if (message != nullptr) {
        Check(fromText->m_strHeader == message->m_strHeader);
        Check(fromText->m_aBody == message->m_aBody);
        Check(fromText->m_nSize == message->m_nSize && fromText->m_nLines == message->m_nLines);
    }
    if (message == nullptr) {
        // Only a header that opens with a continuation line is refused.
        Check(error == qb::kTextNotAMessageFile);
        return 0;
    }
    Check(error.empty());

    // The figures the stores rely on.
    std::int64_t bodySize = 0;
    for (const std::string& line : message->m_aBody) {
        Check(line.find_first_of("\r\n") == std::string::npos);
        bodySize += static_cast<std::int64_t>(line.size()) + 2;
    }
    const std::string& header = message->m_strHeader;
    std::int32_t headerLines = 0;
    for (std::size_t pos = 0; pos < header.size(); ++headerLines) {
        const std::size_t eol = header.find("\r\n", pos);
        Check(eol != std::string::npos);
        Check(eol > pos); // no empty header line
        Check(header.find_first_of("\r\n", pos) == eol);
        pos = eol + 2;
    }
    Check(message->m_nBodySize == bodySize);
    Check(message->m_nBodyLines == static_cast<std::int32_t>(message->m_aBody.size()));
    Check(message->m_nLines == headerLines + 1 + message->m_nBodyLines);
    Check(message->m_nSize == static_cast<std::int64_t>(header.size()) + 2 + bodySize);
    const std::vector<std::string> body = message->m_aBody;

    // Appended to a Netscape folder, it reads back as one message with its body.
    const std::string folderPath = Directory() + "/Inbox";
    Write(folderPath, nullptr, 0);
    qb::CNetscapeMails folder("Inbox", folderPath);
    Check(folder.AddMessage(*message));
    Check(folder.LoadMessages());
    Check(folder.m_pMessages.size() == 1);
    qb::CMessage& stored = *folder.m_pMessages.front();
    Check(folder.ReadMessage(stored));
    Check(stored.m_aBody.size() == body.size());
    for (std::size_t i = 0; i < body.size(); ++i) {
        const bool quoted =
            qb::StartsWithNoCase(body[i], "From - ") || body[i].rfind("From ", 0) == 0;
        Check(stored.m_aBody[i] == (quoted ? ">" + body[i] : body[i]));
    }
    return 0;
}
