// A message as a reader sees it: header fields, the text part and attachment names decoded into
// UTF-8, the attachments saved as files. Both front ends show messages through this unit; the
// store keeps every byte as it was.
#pragma once

#include "app/message_columns.h"
#include "app/message_text.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qb {

class CMessage;
class CMimeParts;

// Shown when an attachment is to be saved under a name that is taken.
inline constexpr char kTextFileExists[] = "A file of that name already exists";
inline constexpr char kTextCannotSaveAttachment[] = "Cannot save attachment";
// The message's body could not be read from its store.
inline constexpr char kTextCannotReadMessage[] = "Cannot read message";

// A header field decoded for reading: encoded words and 8-bit text in UTF-8 (undeclared text
// read in the message's body charset, else as windows-1252), one line, blanks at either end
// removed. `field` is given as GetHeaderField takes it ("Subject:").
std::string DecodedField(const CMessage& message, std::string_view field);
// The decoded value of one column of the message list (kMessageColumns).
std::string DecodedColumn(const CMessage& message, int column);
// The stored values of every column of the message list, as GetHeaderField gives them, in one
// look at the header; `values` keeps its strings' buffers from one message to the next.
void RawColumns(const CMessage& message, std::array<std::string, kMessageColumnCount>& values);
// The message's "Date:" in seconds since 1970 (UTC); nothing when it cannot be read as a date.
std::optional<std::int64_t> MessageTime(const CMessage& message);
// Text of the stores that declares no charset (folder and mailbox names, paths) as UTF-8: kept
// when it is valid UTF-8, else read as windows-1252.
std::string StoreTextToUtf8(std::string_view bytes);

struct Attachment {
    int part = -1;        // the part in the message's MIME structure
    std::string type;     // media type in lower case ("image/gif")
    std::string name;     // decoded file name; empty when the part names none
    std::string fileName; // a safe name to save it under, never empty
};

class CReadableMessage {
  public:
    // Reads the message's body through its folder when it has not been read yet.
    explicit CReadableMessage(CMessage& message);
    ~CReadableMessage();
    CReadableMessage(const CReadableMessage&) = delete;
    CReadableMessage& operator=(const CReadableMessage&) = delete;

    // False when the body could not be read: there is no text and no attachment.
    bool IsRead() const { return m_parts != nullptr; }
    // The decoded text part, line ends LF; empty when the message has none.
    std::string Text() const;
    // The parts a reader can save, in message order.
    const std::vector<Attachment>& Attachments() const { return m_attachments; }
    // Bytes of an attachment once its transfer encoding is undone.
    std::uint64_t AttachmentSize(std::size_t i) const;
    // Writes the decoded bytes of attachment `i` to a new file `path` (through a temporary file
    // beside it, renamed only when complete). Never replaces a file: when `path` exists, nothing
    // is written and the result is kTextFileExists. Empty on success, else the text to show.
    std::string SaveAttachment(std::size_t i, const std::string& path) const;
    // Saves attachment `i` into `directory` under its safe file name, or, when that is taken,
    // under the first free "NAME (2).EXT", "NAME (3).EXT", ... The file's path goes to `saved`.
    // Empty on success, else the text to show.
    std::string SaveAttachmentInto(std::size_t i, const std::string& directory,
                                   std::string& saved) const;

  private:
    std::string Save(std::size_t i, const std::vector<std::string>& candidates,
                     std::string& saved) const;

    std::unique_ptr<CMimeParts> m_parts;
    std::vector<Attachment> m_attachments;
};

// What the message pane shows, decoded: "Subject : ", "Date : ", "From : ", "To : " lines with
// decoded values, an empty line, the decoded text part, a line feed and the attachment summary
// with decoded names (empty when there are no attachments). attachmentLines[i] is the 0-based
// line of the text where attachment i's entry begins.
struct DecodedDisplay : MessageDisplay {
    std::vector<std::size_t> attachmentLines;
    std::vector<Attachment> attachments;
};
DecodedDisplay ComposeDecodedDisplay(CMessage& message);

// The message as stored: its header text, an empty line and its body lines, each line ending in
// CR LF. Reads the body through the folder when not read yet; only the header when that fails.
std::string MessageSource(CMessage& message);

} // namespace qb
