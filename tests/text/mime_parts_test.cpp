#include "text/html_text.h"
#include "text/line_source.h"
#include "text/mime_parts.h"

#include <gtest/gtest.h>

namespace qb {
namespace {

// A message parsed from its bytes; keeps the bytes the parts point into.
struct Parsed {
    explicit Parsed(std::string b)
        : bytes(std::move(b)), raw(SplitRawMessage(bytes)),
          parts(raw.header, LineSource(raw.body)) {}
    const MimePart& Part(int i) const { return parts.Parts()[static_cast<std::size_t>(i)]; }
    std::string bytes;
    RawMessage raw;
    CMimeParts parts;
};

TEST(MimeParts, DamagedStructureStillShowsItsParts) {
    // No closing delimiter, a delimiter with trailing blanks, one with text after it (ordinary
    // line), a part without the empty line after its header, a multipart without boundary.
    const Parsed p("Content-Type: multipart/mixed; boundary=b\r\n\r\n--b  \r\n\r\none\r\n--b x\r\n"
                   "--b\r\nContent-Type: multipart/alternative\r\nraw\r\n--b\r\n"
                   "Content-Type: image/gif; name=a.gif\r\n\r\nGIF");
    ASSERT_EQ(p.parts.Parts().size(), 4u);
    EXPECT_EQ(p.parts.PartText(1), "one\n--b x");
    EXPECT_EQ(p.Part(2).type, "text/plain");
    EXPECT_EQ(p.parts.PartText(2), "raw");
    EXPECT_EQ(p.Part(3).fileName, "a.gif");
    EXPECT_EQ(p.parts.PartBytes(3), "GIF");
    EXPECT_EQ(p.parts.TextPart(), 1);
    EXPECT_EQ(p.parts.Attachments(), (std::vector<int>{2, 3}));
}

TEST(MimeParts, HostileNestingAndPartCountsAreBounded) {
    std::string nested = "Content-Type: multipart/mixed; boundary=b0\n\n";
    for (int d = 1; d <= 100; ++d)
        nested += "--b" + std::to_string(d - 1) + "\nContent-Type: multipart/mixed; boundary=b" +
                  std::to_string(d) + "\n\n";
    const Parsed deep(nested);
    int maxDepth = 0;
    for (const MimePart& part : deep.parts.Parts())
        maxDepth = std::max(maxDepth, part.depth);
    EXPECT_EQ(maxDepth, CMimeParts::kMaxDepth);

    std::string many = "Content-Type: multipart/mixed; boundary=b\n\n";
    for (std::size_t i = 0; i < CMimeParts::kMaxParts + 50; ++i)
        many += "--b\n\nx\n";
    EXPECT_EQ(Parsed(many).parts.Parts().size(), CMimeParts::kMaxParts);
}

TEST(MimeParts, TextChoiceAndAttachments) {
    // An attached text file is not the message text; HTML is used when there is no plain text;
    // a part named in a multipart/alternative is an attachment.
    const Parsed p("Content-Type: multipart/mixed; boundary=o\n\n--o\n"
                   "Content-Type: text/plain\nContent-Disposition: attachment; "
                   "filename=notes.txt\n\nnotes\n--o\n"
                   "Content-Type: multipart/alternative; boundary=i\n\n--i\n"
                   "Content-Type: text/html; "
                   "charset=iso-8859-1\n\n<html><head><title>t</title><style>p{}</style></head>"
                   "<body><p>Gr&uuml;&szlig;e&nbsp;aus &#x4D;&#252;nchen</p>line<br>next &bogus; "
                   "&lt;x&gt;</body></html>\n"
                   "--i\nContent-Type: text/calendar; name=invite.ics\n\nBEGIN\n--i--\n--o--\n");
    EXPECT_EQ(p.parts.TextPart(), 3);
    EXPECT_EQ(p.parts.Text(), "Grüße aus München\n\nline\nnext &bogus; <x>");
    EXPECT_EQ(p.parts.Attachments(), (std::vector<int>{1, 4}));
}

TEST(MimeParts, BodyTextLineEndsControlsAndTransferEncodings) {
    const Parsed p("Content-Type: text/plain; charset=utf-8\nContent-Transfer-Encoding: base64\n\n"
                   "YQ1iDQpjCWQbW20=\n");
    EXPECT_EQ(p.parts.Text(), "a\nb\nc\td\xEF\xBF\xBD[m");
    const Parsed qp(
        "Content-Transfer-Encoding: Quoted-Printable \n\nsoft=  \nbreak =3d =ZZ=\t\nlast=");
    EXPECT_EQ(qp.parts.PartBytes(0), "softbreak = =ZZlast");
    EXPECT_EQ(qp.parts.DecodedSize(0), 19u);
}

TEST(MimeParts, LargePartsArriveInPiecesAndTheSinkCanStop) {
    std::vector<std::string> body(5000, std::string(76, 'A'));
    const std::string header =
        "Content-Type: application/octet-stream\r\nContent-Transfer-Encoding: base64\r\n";
    const CMimeParts parts(header, LineSource(body));
    int pieces = 0;
    std::size_t total = 0;
    EXPECT_TRUE(parts.DecodePart(0, [&](std::string_view piece) {
        ++pieces;
        total += piece.size();
        return piece.size() <= 70 * 1024;
    }));
    EXPECT_GT(pieces, 1);
    EXPECT_EQ(total, 5000u * 57);
    EXPECT_FALSE(parts.DecodePart(0, [](std::string_view) { return false; }));
    EXPECT_FALSE(parts.DecodePart(7, [](std::string_view) { return true; }));
}

TEST(HtmlToText, UnclosedMarkupAndStrayCharacters) {
    EXPECT_EQ(HtmlToText("a < b && c <3 <!-- never closed"), "a < b && c <3");
    EXPECT_EQ(HtmlToText("x<script>if (a<b) y();"), "x");
    EXPECT_EQ(HtmlToText("<div>one</div><div>two</div><p>three"), "one\ntwo\n\nthree");
    EXPECT_EQ(HtmlToText("&#0; &#x110000; &#65"), "\xEF\xBF\xBD \xEF\xBF\xBD &#65");
}

} // namespace
} // namespace qb
