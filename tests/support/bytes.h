// Bytes of the formats the program reads and writes, spelled out in the tests independently of
// the code under test: little-endian fields, Netscape folder text, Internet Mail message files and
// backup archives. Shared by every test program (standard library and little-endian helpers only).
#pragma once

#include "platform/binary.h"

#include <algorithm>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace qb::test {

inline std::string Le32(std::uint32_t v) {
    std::string out;
    AppendLE32(out, v);
    return out;
}

inline std::string Le16(std::uint16_t v) {
    std::string out;
    AppendLE16(out, v);
    return out;
}

inline std::uint32_t WordAt(const std::string& bytes, std::size_t offset) {
    return GetLE32(reinterpret_cast<const unsigned char*>(bytes.data()) + offset);
}

// A CR LF line-ended text from LF-ended text.
inline std::string Crlf(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\n')
            out += '\r';
        out += c;
    }
    return out;
}

// ---- Netscape folders ----------------------------------------------------------------------

// One message as a Netscape folder holds it: the separator line, the status line (none for an
// empty status), the header lines, an empty line and the body lines, every line ending in `eol`.
inline std::string NsMessageText(const std::vector<std::string>& header,
                                 const std::vector<std::string>& body,
                                 const std::string& status = "0001",
                                 const std::string& eol = "\r\n") {
    std::string text = "From - Mon Jan 01 10:00:00 2001" + eol;
    if (!status.empty())
        text += "X-Mozilla-Status: " + status + eol;
    for (const std::string& line : header)
        text += line + eol;
    text += eol;
    for (const std::string& line : body)
        text += line + eol;
    return text;
}

// The same with a Subject line as its only header line.
inline std::string NsMessage(const std::string& subject, const std::vector<std::string>& body,
                             const std::string& status = "0001", const std::string& eol = "\r\n") {
    return NsMessageText({"Subject: " + subject}, body, status, eol);
}

// ---- Internet Mail message files -----------------------------------------------------------

// The text of a message record: header lines, an empty line, body lines, each with CR LF.
inline std::string MessageText(const std::string& subject, const std::vector<std::string>& body) {
    std::string text = "Subject: " + subject + "\r\nFrom: a@b\r\nTo: c@d\r\n\r\n";
    for (const std::string& line : body)
        text += line + "\r\n";
    return text;
}

inline std::string MbxRecord(std::uint32_t id, const std::string& text) {
    return std::string("\0\x7f\0\x7f", 4) + Le32(id) +
           Le32(static_cast<std::uint32_t>(16 + text.size())) +
           Le32(static_cast<std::uint32_t>(text.size())) + text;
}

// A message file holding the records, with header words as a new file has them.
inline std::string MbxFile(const std::vector<std::string>& records, std::uint32_t lastId,
                           std::uint32_t count = 0xFFFFFFFF) {
    std::string body;
    for (const std::string& r : records)
        body += r;
    if (count == 0xFFFFFFFF)
        count = static_cast<std::uint32_t>(records.size());
    return std::string("JMF6", 4) + Le32(0x00010003) + Le32(count) + Le32(lastId) +
           Le32(static_cast<std::uint32_t>(84 + body.size())) + Le32(1) + std::string(60, '\0') +
           body;
}

// ---- backup archives -----------------------------------------------------------------------

// One message record of an archive.
struct ArchiveMessage {
    std::string header;
    std::vector<std::string> body;
    std::int64_t size = 0;
    std::int64_t bodySize = 0;
    std::int32_t lines = 0;
    std::int32_t bodyLines = -1; // -1: the number of body lines given

    // The record of a message whose figures are those a store gives it (every line end two
    // bytes).
    static ArchiveMessage Stored(const std::string& header, const std::vector<std::string>& body) {
        std::int64_t bodySize = 0;
        for (const std::string& line : body)
            bodySize += static_cast<std::int64_t>(line.size()) + 2;
        const auto headerLines =
            static_cast<std::int32_t>(std::count(header.begin(), header.end(), '\n'));
        return {header,
                body,
                static_cast<std::int64_t>(header.size()) + 2 + bodySize,
                bodySize,
                headerLines + 1 + static_cast<std::int32_t>(body.size()),
                -1};
    }
};

// Archive bytes field by field.
struct ArchiveBytes {
    std::string str;

    ArchiveBytes& B(std::uint8_t v) {
        str += static_cast<char>(v);
        return *this;
    }
    ArchiveBytes& W(std::uint16_t v) {
        AppendLE16(str, v);
        return *this;
    }
    ArchiveBytes& D(std::uint32_t v) {
        AppendLE32(str, v);
        return *this;
    }
    ArchiveBytes& Zeros(std::size_t n) {
        str.append(n, '\0');
        return *this;
    }
    ArchiveBytes& Raw(std::string_view bytes) {
        str.append(bytes);
        return *this;
    }
    ArchiveBytes& Append(const ArchiveBytes& other) { return Raw(other.str); }
    // Short strings only: the longer prefixes are tested on their own.
    ArchiveBytes& Str(std::string_view text) {
        if (text.size() >= 255)
            throw std::length_error("ArchiveBytes::Str is for strings below 255 bytes");
        return B(static_cast<std::uint8_t>(text.size())).Raw(text);
    }
    // Name, zero header values and flags, message count.
    ArchiveBytes& Folder(std::string_view name, std::uint32_t messages) {
        return Str(name).Zeros(12).D(messages);
    }
    // The class description in front of the first message object.
    ArchiveBytes& ClassDescription(std::string_view name = "CMessage", std::uint16_t schema = 1) {
        return W(0xFFFF).W(schema).W(static_cast<std::uint16_t>(name.size())).Raw(name);
    }
    // The reference to that description in front of every later message object.
    ArchiveBytes& ClassReference() { return W(0x8001); }
    // The message record without its class reference.
    ArchiveBytes& Message(const ArchiveMessage& m) {
        D(static_cast<std::uint32_t>(m.size)).D(static_cast<std::uint32_t>(m.bodySize));
        D(static_cast<std::uint32_t>(m.lines));
        D(static_cast<std::uint32_t>(m.bodyLines < 0 ? static_cast<std::int32_t>(m.body.size())
                                                     : m.bodyLines));
        Str(m.header).D(static_cast<std::uint32_t>(m.body.size()));
        for (const std::string& line : m.body)
            Str(line);
        return *this;
    }
};

} // namespace qb::test
