#include "text/mime_parts.h"

#include "platform/paths.h"
#include "text/charset.h"
#include "text/header_params.h"
#include "text/html_text.h"
#include "text/text_support.h"
#include "text/transfer_decoder.h"

namespace qb {

namespace {

// Gathers the content fields of an entity header, one line at a time, joining folded lines.
class FieldCollector {
  public:
    // False when the line is neither a header field nor the continuation of one.
    bool Line(std::string_view line) {
        if (!line.empty() && IsBlank(line[0])) {
            if (!m_any)
                return false;
            if (m_current)
                m_current->append(line);
            return true;
        }
        const std::size_t colon = line.find(':');
        if (colon == std::string_view::npos || colon == 0)
            return false;
        std::string_view name = line.substr(0, colon);
        while (!name.empty() && IsBlank(name.back()))
            name.remove_suffix(1);
        for (const char c : name) {
            if (c <= ' ' || c > '~')
                return false;
        }
        m_any = true;
        m_current = nullptr;
        struct Field {
            std::string_view name;
            std::string* value;
            bool* seen;
        };
        for (const Field& f : {Field{"Content-Type", &type, &m_seenType},
                               Field{"Content-Transfer-Encoding", &encoding, &m_seenEncoding},
                               Field{"Content-Disposition", &disposition, &m_seenDisposition}}) {
            if (!*f.seen && EqualsNoCase(name, f.name)) {
                *f.seen = true;
                m_current = f.value;
                f.value->assign(line.substr(colon + 1));
            }
        }
        return true;
    }

    std::string type, encoding, disposition;

  private:
    std::string* m_current = nullptr;
    bool m_any = false;
    bool m_seenType = false, m_seenEncoding = false, m_seenDisposition = false;
};

// CR LF and a lone CR become LF.
void NormaliseLineEnds(std::string& text) {
    if (text.find('\r') == std::string::npos)
        return;
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r') {
            out += text[i];
            continue;
        }
        out += '\n';
        if (i + 1 < text.size() && text[i + 1] == '\n')
            ++i;
    }
    text = std::move(out);
}

} // namespace

CMimeParts::CMimeParts(std::string_view header, LineSource body) : m_body(body) {
    FieldCollector fields;
    std::size_t pos = 0;
    while (pos < header.size()) {
        std::size_t eol = header.find('\n', pos);
        if (eol == std::string_view::npos)
            eol = header.size();
        std::string_view line = header.substr(pos, eol - pos);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        fields.Line(line); // lines that are no fields (a mailbox separator) are passed over
        pos = eol + 1;
    }
    Add(fields.type, fields.encoding, fields.disposition, 0, m_body.Count(), -1, false);
    Link();
    int rank = 3;
    FindText(0, rank);
}

void CMimeParts::AddPart(std::size_t begin, std::size_t end, int parent, bool inDigest) {
    FieldCollector fields;
    std::size_t bodyStart = end;
    for (std::size_t k = begin; k < end; ++k) {
        const std::string_view line = m_body[k];
        if (line.empty()) {
            bodyStart = k + 1;
            break;
        }
        if (!fields.Line(line)) {
            bodyStart = k; // a part without the empty line after its header
            break;
        }
    }
    Add(fields.type, fields.encoding, fields.disposition, bodyStart, end - bodyStart, parent,
        inDigest);
}

void CMimeParts::Add(std::string_view contentType, std::string_view encoding,
                     std::string_view disposition, std::size_t first, std::size_t count, int parent,
                     bool inDigest) {
    if (m_parts.size() >= kMaxParts)
        return;
    MimePart part;
    const CHeaderParams type(contentType);
    part.type = type.Value();
    const std::size_t slash = part.type.find('/');
    if (slash == std::string::npos || slash == 0 || slash + 1 == part.type.size())
        part.type = inDigest ? "message/rfc822" : "text/plain";
    part.charset = type.GetRaw("charset");
    part.encoding = LowerAscii(TrimWhite(encoding));
    const CHeaderParams disp(disposition);
    part.disposition = disp.Value();
    part.fileName = disp.Get("filename", part.charset);
    if (part.fileName.empty())
        part.fileName = type.Get("name", part.charset);
    part.firstLine = first;
    part.lineCount = count;
    part.parent = parent;
    part.depth = parent < 0 ? 0 : m_parts[static_cast<std::size_t>(parent)].depth + 1;
    std::string boundary;
    if (part.IsMultipart()) {
        boundary = type.GetRaw("boundary");
        if (boundary.empty())
            part.type = "text/plain"; // cannot be split: show what it holds
    }
    m_parts.push_back(std::move(part));
    const int index = static_cast<int>(m_parts.size() - 1);
    if (!boundary.empty() && m_parts.back().depth < kMaxDepth)
        Split(index, boundary);
}

void CMimeParts::Split(int index, const std::string& boundary) {
    // Copies: adding parts moves the part list.
    const MimePart& part = m_parts[static_cast<std::size_t>(index)];
    const bool digest = part.type == "multipart/digest";
    const std::size_t first = part.firstLine;
    const std::size_t end = part.firstLine + part.lineCount;
    const std::string delimiter = "--" + boundary;
    std::size_t start = std::string::npos;
    for (std::size_t k = first; k < end; ++k) {
        const std::string_view line = m_body[k];
        if (line.size() < delimiter.size() || line[0] != '-' ||
            line.compare(0, delimiter.size(), delimiter) != 0)
            continue;
        std::string_view rest = line.substr(delimiter.size());
        const bool closing = rest.starts_with("--");
        if (closing)
            rest.remove_prefix(2);
        if (!AllBlank(rest))
            continue;
        if (start != std::string::npos)
            AddPart(start, k, index, digest);
        if (closing)
            return;
        start = k + 1;
    }
    // Without a closing delimiter the last part runs to the end.
    if (start != std::string::npos)
        AddPart(start, end, index, digest);
}

void CMimeParts::Link() {
    std::vector<int> last(m_parts.size(), -1);
    for (std::size_t i = 1; i < m_parts.size(); ++i) {
        const auto parent = static_cast<std::size_t>(m_parts[i].parent);
        if (last[parent] < 0)
            m_parts[parent].firstChild = static_cast<int>(i);
        else
            m_parts[static_cast<std::size_t>(last[parent])].nextSibling = static_cast<int>(i);
        last[parent] = static_cast<int>(i);
    }
}

void CMimeParts::FindText(int index, int& rank) {
    const MimePart& part = m_parts[static_cast<std::size_t>(index)];
    if (part.disposition == "attachment")
        return;
    if (part.IsText()) {
        const int r = part.type == "text/plain" ? 0 : part.type == "text/html" ? 1 : 2;
        if (r < rank) {
            rank = r;
            m_textPart = index;
        }
        return;
    }
    if (part.type == "multipart/related") {
        if (part.firstChild >= 0)
            FindText(part.firstChild, rank);
        return;
    }
    for (int c = part.firstChild; c >= 0 && rank > 0;
         c = m_parts[static_cast<std::size_t>(c)].nextSibling)
        FindText(c, rank);
}

bool CMimeParts::IsAlternativeOfText(int index) const {
    const MimePart& part = m_parts[static_cast<std::size_t>(index)];
    if ((part.type != "text/plain" && part.type != "text/html") || !part.fileName.empty() ||
        part.disposition == "attachment")
        return false;
    for (int p = part.parent; p >= 0; p = m_parts[static_cast<std::size_t>(p)].parent) {
        if (m_parts[static_cast<std::size_t>(p)].type == "multipart/alternative")
            return true;
    }
    return false;
}

std::vector<int> CMimeParts::Attachments() const {
    std::vector<int> list;
    for (std::size_t i = 0; i < m_parts.size(); ++i) {
        const int index = static_cast<int>(i);
        if (m_parts[i].IsMultipart() || index == m_textPart || IsAlternativeOfText(index))
            continue;
        list.push_back(index);
    }
    return list;
}

bool CMimeParts::Decode(int index, std::string_view lineEnd,
                        const std::function<bool(std::string_view)>& sink) const {
    if (index < 0 || static_cast<std::size_t>(index) >= m_parts.size())
        return false;
    const MimePart& part = m_parts[static_cast<std::size_t>(index)];
    CTransferDecoder decoder(TransferEncodingOf(part.encoding), lineEnd);
    constexpr std::size_t kPiece = 64 * 1024;
    std::string buffer;
    for (std::size_t k = part.firstLine; k < part.firstLine + part.lineCount; ++k) {
        decoder.Line(m_body[k], buffer);
        if (buffer.size() >= kPiece) {
            if (!sink(buffer))
                return false;
            buffer.clear();
        }
    }
    return buffer.empty() || sink(buffer);
}

bool CMimeParts::DecodePart(int index, const std::function<bool(std::string_view)>& sink) const {
    return Decode(index, "\r\n", sink);
}

std::string CMimeParts::PartBytes(int index) const {
    std::string bytes;
    DecodePart(index, [&](std::string_view piece) {
        bytes.append(piece);
        return true;
    });
    return bytes;
}

std::uint64_t CMimeParts::DecodedSize(int index) const {
    std::uint64_t size = 0;
    DecodePart(index, [&](std::string_view piece) {
        size += piece.size();
        return true;
    });
    return size;
}

std::string CMimeParts::PartText(int index) const {
    if (index < 0 || static_cast<std::size_t>(index) >= m_parts.size())
        return {};
    const MimePart& part = m_parts[static_cast<std::size_t>(index)];
    if (!part.IsText())
        return {};
    std::string bytes;
    Decode(index, "\n", [&](std::string_view piece) {
        bytes.append(piece);
        return true;
    });
    std::string text;
    AppendText(bytes, LookUpCharset(part.charset), text);
    if (part.type == "text/html")
        text = HtmlToText(text);
    NormaliseLineEnds(text);
    ReplaceControls(text, "\xEF\xBF\xBD", "\t\n");
    return text;
}

} // namespace qb
