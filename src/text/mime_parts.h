// A message's MIME structure as a reader needs it: which part is the message text, what the
// attachments are called, and the decoded bytes and text of any part. It reads the message's
// header text and body lines and holds views of the lines only.
#pragma once

#include "text/line_source.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace qb {

struct MimePart {
    // Media type and subtype in lower case ("text/plain"). A part that names none, or names one
    // without a subtype, is "text/plain" ("message/rfc822" inside a multipart/digest); a
    // multipart without a boundary is read as "text/plain" too, so that its text shows.
    std::string type;
    std::string charset;     // the charset parameter as written; empty when none
    std::string encoding;    // the transfer encoding, lower case; empty when none
    std::string disposition; // Content-Disposition value in lower case; empty when none
    // Decoded UTF-8: the Content-Disposition filename, else the Content-Type name; empty when
    // the part has neither.
    std::string fileName;
    // The part's body: lines [firstLine, firstLine + lineCount) of the message body.
    std::size_t firstLine = 0;
    std::size_t lineCount = 0;
    int depth = 0;        // 0 for the message itself
    int parent = -1;      // index of the enclosing multipart; -1 for the message itself
    int firstChild = -1;  // first part of a multipart; -1 for others
    int nextSibling = -1; // next part of the same multipart; -1 after the last

    bool IsMultipart() const { return type.starts_with("multipart/"); }
    bool IsText() const { return type.starts_with("text/"); }
};

class CMimeParts {
  public:
    // Multiparts nested deeper are kept whole, and parts beyond the count are ignored, so that a
    // hostile message costs bounded work.
    static constexpr int kMaxDepth = 32;
    static constexpr std::size_t kMaxParts = 10000;

    // `header`: the message header, lines ending in CR LF or LF (a mailbox separator line such
    // as "From - ..." is ignored). `body`: its body lines, which must outlive this object.
    CMimeParts(std::string_view header, LineSource body);

    // Every entity, depth first in message order; Parts()[0] is the message itself.
    const std::vector<MimePart>& Parts() const { return m_parts; }

    // The part shown as the message text: the first text/plain part that is not an attachment,
    // else the first such text/html part, else the first other text part; in a
    // multipart/related only its first part is looked at. -1 when there is none.
    int TextPart() const { return m_textPart; }

    // The parts a reader can save, in message order: every part that is not a multipart, except
    // the message text and the plain and HTML alternatives of it (text/plain and text/html parts
    // of a multipart/alternative that have no file name and are not marked as attachments).
    // A message/rfc822 part is one attachment; its inner parts are not listed.
    std::vector<int> Attachments() const;

    // The decoded text of the message text part (see PartText); empty when there is none.
    std::string Text() const { return m_textPart < 0 ? std::string() : PartText(m_textPart); }

    // A text part's text in UTF-8: its transfer encoding undone, its charset converted in the
    // order of AppendText (valid UTF-8, the declared charset, windows-1252), HTML rendered as
    // plain text (HtmlToText), line ends made LF, and control characters other than TAB and LF
    // replaced by U+FFFD. Empty for a part that is not text.
    std::string PartText(int index) const;

    // Hands the part's decoded bytes to `sink` in pieces of at most about 64 KiB: base64,
    // quoted-printable and uuencode undone; lines of other encodings joined with CR LF (no line
    // end after the last line, as the line end before a boundary belongs to the boundary).
    // Returns false when `sink` returned false (which stops the decoding) or `index` is invalid.
    bool DecodePart(int index, const std::function<bool(std::string_view)>& sink) const;
    std::string PartBytes(int index) const;
    std::uint64_t DecodedSize(int index) const;

  private:
    void AddPart(std::size_t begin, std::size_t end, int parent, bool inDigest);
    void Add(std::string_view contentType, std::string_view encoding, std::string_view disposition,
             std::size_t first, std::size_t count, int parent, bool inDigest);
    void Split(int index, const std::string& boundary);
    void Link();
    void FindText(int index, int& rank);
    bool IsAlternativeOfText(int index) const;
    bool Decode(int index, std::string_view lineEnd,
                const std::function<bool(std::string_view)>& sink) const;

    LineSource m_body;
    std::vector<MimePart> m_parts;
    int m_textPart = -1;
};

} // namespace qb
