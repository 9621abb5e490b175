#include "app/readable_message.h"

#include "app/message_columns.h"
#include "model/message.h"
#include "platform/file_system.h"
#include "platform/paths.h"
#include "text/charset.h"
#include "text/file_name.h"
#include "text/header_decoder.h"
#include "text/header_params.h"
#include "text/mail_date.h"
#include "text/mime_parts.h"
#include "text/text_support.h"

namespace qb {

namespace {

// The charset the message declares for its body: undeclared 8-bit header text was most often
// written in it.
std::string BodyCharset(const CMessage& message) {
    return CHeaderParams(message.GetHeaderField("Content-Type:")).GetRaw("charset");
}

// "NAME.EXT" as "NAME (n).EXT".
std::string Numbered(const std::string& name, int n) {
    const std::size_t dot = name.rfind('.');
    const std::size_t cut = dot == std::string::npos || dot == 0 ? name.size() : dot;
    return name.substr(0, cut) + " (" + std::to_string(n) + ")" + name.substr(cut);
}

} // namespace

std::string DecodedField(const CMessage& message, std::string_view field) {
    std::string value = message.GetHeaderField(field);
    if (!IsPlainHeader(value))
        value = DecodeHeader(std::move(value), BodyCharset(message));
    const std::string_view trimmed = TrimWhite(value);
    if (trimmed.size() != value.size())
        value = std::string(trimmed);
    return value;
}

std::string DecodedColumn(const CMessage& message, int column) {
    if (column < 0 || column >= kMessageColumnCount)
        return {};
    return DecodedField(message, kMessageColumns[static_cast<std::size_t>(column)].field);
}

void RawColumns(const CMessage& message, std::array<std::string, kMessageColumnCount>& values) {
    static const std::array<std::string_view, kMessageColumnCount> kFields = [] {
        std::array<std::string_view, kMessageColumnCount> fields;
        for (std::size_t c = 0; c < fields.size(); ++c)
            fields[c] = kMessageColumns[c].field;
        return fields;
    }();
    message.GetHeaderFields(kFields, values);
}

std::optional<std::int64_t> MessageTime(const CMessage& message) {
    return ParseMailDate(message.GetHeaderField("Date:"));
}

std::string StoreTextToUtf8(std::string_view bytes) {
    return DecodeText(bytes, {});
}

CReadableMessage::CReadableMessage(CMessage& message) {
    // GetText reads the body through the folder (once) and leaves its lines with the record.
    if (message.m_pFolder != nullptr && message.m_pContent == nullptr) {
        message.GetText();
        if (message.m_pContent == nullptr)
            return;
    }
    m_parts = std::make_unique<CMimeParts>(message.m_strHeader, LineSource(message.m_aBody));
    for (const int index : m_parts->Attachments()) {
        const MimePart& part = m_parts->Parts()[static_cast<std::size_t>(index)];
        m_attachments.push_back(
            {index, part.type, part.fileName, SafeFileName(part.fileName, part.type)});
    }
}

CReadableMessage::~CReadableMessage() = default;

std::string CReadableMessage::Text() const {
    return m_parts ? m_parts->Text() : std::string();
}

std::uint64_t CReadableMessage::AttachmentSize(std::size_t i) const {
    return i < m_attachments.size() ? m_parts->DecodedSize(m_attachments[i].part) : 0;
}

std::string CReadableMessage::SaveAttachment(std::size_t i, const std::string& path) const {
    std::string saved;
    return Save(i, {path}, saved);
}

std::string CReadableMessage::SaveAttachmentInto(std::size_t i, const std::string& directory,
                                                 std::string& saved) const {
    if (i >= m_attachments.size())
        return kTextCannotSaveAttachment;
    const std::string& name = m_attachments[i].fileName;
    std::vector<std::string> candidates{JoinPath(directory, name)};
    for (int n = 2; n <= 1000; ++n)
        candidates.push_back(JoinPath(directory, Numbered(name, n)));
    return Save(i, candidates, saved);
}

std::string CReadableMessage::Save(std::size_t i, const std::vector<std::string>& candidates,
                                   std::string& saved) const {
    if (i >= m_attachments.size() || candidates.empty())
        return kTextCannotSaveAttachment;
    // Written whole under a temporary name first: a failure never leaves a partial file under
    // the name the user chose, and the rename never replaces an existing file.
    const std::string temp = fs::TemporaryNameFor(candidates.front());
    fs::File file;
    if (!file.Open(temp, fs::OpenMode::CreateNew))
        return kTextCannotSaveAttachment;
    bool ok = m_parts->DecodePart(m_attachments[i].part, [&](std::string_view piece) {
        return file.Write(piece.data(), piece.size());
    });
    ok = file.Flush() && ok;
    ok = file.Close() && ok;
    bool taken = false;
    if (ok) {
        for (const std::string& candidate : candidates) {
            if (fs::MoveFile(temp, candidate)) {
                saved = candidate;
                fs::SyncDirectory(DirectoryOf(candidate));
                return {};
            }
            // A rename that fails on a free name is a real failure; a taken name tries the next.
            taken = fs::Exists(candidate);
            if (!taken)
                break;
        }
    }
    fs::RemoveFile(temp);
    return taken ? kTextFileExists : kTextCannotSaveAttachment;
}

DecodedDisplay ComposeDecodedDisplay(CMessage& message) {
    DecodedDisplay display;
    std::string& text = display.text;
    for (const auto& [label, field] :
         {std::pair{"Subject : ", "Subject:"}, std::pair{"Date : ", "Date:"},
          std::pair{"From : ", "From:"}, std::pair{"To : ", "To:"}})
        text += label + DecodedField(message, field) + "\n";
    text += "\n";
    display.headerEnd = text.size();
    const CReadableMessage readable(message);
    text += readable.Text();
    if (!text.empty() && text.back() != '\n')
        text += '\n';
    text += "\n";
    display.bodyEnd = text.size();
    display.attachments = readable.Attachments();
    if (display.attachments.empty())
        return display;
    std::size_t line = 0;
    for (const char c : text)
        line += c == '\n';
    const char* const kRule = "-------------------- Attach ---------------------\n";
    text += kRule;
    ++line;
    for (const Attachment& attachment : display.attachments) {
        display.attachmentLines.push_back(line);
        text += "--------------------\nAttach type: " + attachment.type +
                "\nAttach name: " + attachment.name + "\n";
        line += 3;
    }
    text += kRule;
    return display;
}

std::string MessageSource(CMessage& message) {
    if (message.m_pFolder != nullptr && message.m_pContent == nullptr)
        message.GetText();
    std::string source = message.m_strHeader + "\r\n";
    if (message.m_pContent == nullptr && message.m_pFolder != nullptr)
        return source;
    for (const std::string& line : message.m_aBody)
        source += line + "\r\n";
    return source;
}

} // namespace qb
