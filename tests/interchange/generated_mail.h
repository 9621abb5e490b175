// Random messages for the interchange tests, and what each format must make of them, worked out
// here independently of the writers.
#pragma once

#include "interchange/message.h"

#include <cstdint>
#include <cstdlib>
#include <random>
#include <string>
#include <strings.h>
#include <vector>

namespace qb::test {

// A random seed for a test, or the one QUILLBOX_TEST_SEED names (to run a failed seed again).
inline unsigned TestSeed() {
    const char* fixed = std::getenv("QUILLBOX_TEST_SEED");
    return fixed != nullptr && *fixed != '\0' ? static_cast<unsigned>(std::stoul(fixed))
                                              : std::random_device{}();
}

struct MailShape {
    bool hostile = true; // missing headers, stray bytes, bare CRs, no final line end, ...
};

inline std::string RandomMessageText(std::mt19937& rng, int serial, const MailShape& shape) {
    auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    const int endKind = pick(3); // LF, CR LF, mixed
    auto eol = [&] { return endKind == 0 || (endKind == 2 && pick(2)) ? "\n" : "\r\n"; };
    auto word = [&] {
        static const char* const kWords[] = {
            "alpha", "From", "from",  ">From", "re:", "caf\xe9", "\xc3\xa9t\xc3\xa9",
            "x",     "a.b",  "From:", "<tag>"};
        return std::string(kWords[pick(static_cast<int>(std::size(kWords)))]);
    };
    std::string text;
    if (shape.hostile && pick(5) == 0)
        text += std::string("From - Mon Jan  1 00:00:00 2001") + eol(); // a store's separator
    const bool hostile = shape.hostile && pick(3) == 0;
    if (!hostile || pick(2))
        text += "Return-Path: <bounce" + std::to_string(serial) + "@example.org>" + eol();
    if (!hostile || pick(2))
        text += "From: \"Some One\" <one" + std::to_string(pick(9)) + "@example.org>" + eol();
    text += "To: two@example.net" + std::string(eol());
    if (!hostile || pick(2)) {
        text += "Subject: ";
        for (int i = pick(12); i >= 0; --i)
            text += word() + (pick(6) == 0 ? "/:*?\"<>|\t" : " ");
        text += eol();
        if (pick(4) == 0)
            text += std::string("\tcontinued ") + word() + eol();
    }
    if (!hostile || pick(2)) {
        static const char* const kDates[] = {"Wed, 30 Jun 1993 21:49:08 -0700",
                                             "Thu, 01 Jan 70 00:00:00 +0000",
                                             "30 Jun 1993 21:49 EST", "not a date"};
        text += std::string("Date: ") + kDates[pick(4)] + eol();
    }
    text += "Message-ID: <m" + std::to_string(serial) + "." + std::to_string(rng()) +
            "@example.org>" + eol();
    if (pick(3) == 0)
        text += "X-Mozilla-Status: 000" + std::to_string(pick(10)) + eol();
    std::string body;
    const int lines = pick(4) == 0 ? 0 : pick(30);
    for (int i = 0; i < lines; ++i) {
        switch (pick(hostile ? 9 : 6)) {
        case 0:
            body += "From someone@example.org Mon Jan  1 00:00:00 2001";
            break;
        case 1:
            body += std::string(static_cast<std::size_t>(pick(4)), '>') + "From " + word();
            break;
        case 2:
            break; // empty line
        case 6:
            body += "bare\rcarriage return";
            break;
        case 7:
            body += std::string("8-bit \x80\xff\x01 bytes");
            break;
        case 8:
            body += std::string(static_cast<std::size_t>(200 + pick(2000)), 'w');
            break;
        default:
            for (int w = pick(12); w >= 0; --w)
                body += word() + " ";
        }
        body += eol();
    }
    if (pick(6) == 0) // a length some mailbox programs add; right for LF bodies only
        text += "Content-Length: " + std::to_string(pick(2) ? body.size() : pick(500)) + eol();
    if (!(hostile && pick(4) == 0))
        text += eol(); // the empty line after the header
    text += body;
    if (hostile && pick(4) == 0)
        text += "last line without an end";
    if (hostile && pick(15) == 0)
        text.clear();
    return text;
}

// The message without its leading separator line.
inline std::string Content(const std::string& text) {
    if (text.rfind("From ", 0) != 0)
        return text;
    const std::size_t lf = text.find('\n');
    return lf == std::string::npos ? std::string() : text.substr(lf + 1);
}

// Every CR LF as LF.
inline std::string WithLf(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            continue;
        out += text[i];
    }
    return out;
}

// Every LF with a CR before it.
inline std::string WithCrLf(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r'))
            out += '\r';
        out += text[i];
    }
    return out;
}

// Where the body of a text with LF ends begins: after its first empty line, else at its end.
inline std::size_t BodyStart(const std::string& lf) {
    if (lf.rfind("\n", 0) == 0)
        return 1;
    const std::size_t blank = lf.find("\n\n");
    return blank == std::string::npos ? lf.size() : blank + 2;
}

// What an mbox reader gives back of a message (without its envelope line): LF ends, a last line
// end, every Content-Length field counting the body as the file holds it (quoted), and when the
// reader does not unquote, one more ">" on every line that reads as an envelope line once its
// ">" are taken off.
inline std::string MboxStored(const std::string& content, bool quoted) {
    std::string lf = WithLf(content);
    if (!lf.empty() && lf.back() != '\n')
        lf += '\n';
    std::string written;
    std::size_t pos = 0;
    while (pos < lf.size()) {
        const std::size_t end = lf.find('\n', pos) + 1;
        const std::string line = lf.substr(pos, end - pos);
        const std::size_t first = line.find_first_not_of('>');
        if (first != std::string::npos && line.compare(first, 5, "From ") == 0)
            written += '>';
        written += line;
        pos = end;
    }
    const std::size_t bodyBytes = written.size() - BodyStart(written);
    std::string& text = quoted ? written : lf;
    const std::size_t bodyAt = BodyStart(text);
    // Each Content-Length field of the header (any letter case, blanks before its colon, its
    // continuation lines) gives way to one line with the body's written length.
    std::string out;
    bool replacing = false;
    for (pos = 0; pos < text.size();) {
        const std::size_t end = text.find('\n', pos) + 1;
        const std::string line = text.substr(pos, end - pos);
        const bool inHeader = pos < bodyAt;
        pos = end;
        if (!inHeader) {
            out += line;
            continue;
        }
        if (replacing && (line[0] == ' ' || line[0] == '\t'))
            continue;
        replacing = false;
        std::size_t colon = 14;
        while (colon < line.size() && (line[colon] == ' ' || line[colon] == '\t'))
            ++colon;
        if (line.size() > colon && line[colon] == ':' &&
            strncasecmp(line.c_str(), "Content-Length", 14) == 0) {
            out += line.substr(0, colon + 1) + " " + std::to_string(bodyBytes) + "\n";
            replacing = true;
            continue;
        }
        out += line;
    }
    return out;
}

inline std::string MaildirFlags(std::uint32_t status) {
    std::string flags;
    if (status & interchange::kStatusMarked)
        flags += 'F';
    if (status & interchange::kStatusReplied)
        flags += 'R';
    if (status & interchange::kStatusRead)
        flags += 'S';
    if (status & interchange::kStatusDeleted)
        flags += 'T';
    return flags;
}

} // namespace qb::test
