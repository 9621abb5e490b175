#include "mime/content.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace qb {
namespace {

// Body lines, and the root entity over them, split.
struct Parsed {
    Parsed(const std::string& contentType, BodyLines body)
        : lines(std::move(body)), root(contentType, "7bit", "", "", "1.0") {
        root.m_pLines = &lines;
        root.m_nLineCount = static_cast<std::int32_t>(lines.size());
        root.Split();
    }
    std::vector<const CContent*> Parts() const {
        std::vector<const CContent*> parts;
        for (const CContent* p = root.m_pFirstPart.get(); p; p = p->m_pNextPart.get())
            parts.push_back(p);
        return parts;
    }
    BodyLines lines;
    CContent root;
};

TEST(Content, DerivedTypeSubtypeParamsAndEncoding) {
    CContent html(" text/html", " Base64 \t", "", "", "1.0");
    EXPECT_EQ(html.GetMediaType(), "text");
    EXPECT_EQ(html.GetSubtype(), "html");
    EXPECT_EQ(html.GetParams(), "");
    EXPECT_EQ(html.GetEncoding(), "Base64");
    EXPECT_EQ(html.GetEncodingCode(), 3);

    CContent app("application", "", "", "", "");
    EXPECT_EQ(app.GetMediaType(), "application");
    EXPECT_EQ(app.GetSubtype(), "");

    CContent withParams("multipart/mixed ; boundary=\"x\"; a=b", "", "", "", "");
    EXPECT_EQ(withParams.GetSubtype(), "mixed");
    EXPECT_EQ(withParams.GetParams(), " boundary=\"x\"; a=b");
}

TEST(Content, ParameterLookupIsPlainSubstring) {
    EXPECT_EQ(CContent::GetParameter(" name=\"a.gif\"", "name"), "\"a.gif\"");
    EXPECT_EQ(CContent::GetParameter(" filename=f.txt; name=n", "name"), "f.txt");
    EXPECT_EQ(CContent::GetParameter(" boundary:xyz;more", "boundary"), "xyz");
    EXPECT_EQ(CContent::GetParameter(" Name=x", "name"), "");
    EXPECT_EQ(CContent::GetParameter(" name", "name"), "");
    EXPECT_EQ(CContent::GetParameter("", "name"), "");
}

TEST(Split, PreambleTwoPartsEpilogue) {
    Parsed p("multipart/mixed; boundary=\"=_b\"",
             {"pre", "--=_b", "Content-Type: text/plain", "", "one", "two", "", "--=_B",
              "Content-Type: image/png; name=x.png", "Content-Transfer-Encoding: base64", "",
              "iVBOR", "--=_b--", "epi"});
    auto parts = p.Parts();
    ASSERT_EQ(parts.size(), 2u);
    EXPECT_EQ(p.root.GetPartCount(), 2);
    EXPECT_EQ(parts[0]->m_nFirstLine, 4u);
    EXPECT_EQ(parts[0]->m_nLineCount, 3);
    EXPECT_EQ(parts[0]->GetBodyText(), "\r\none\r\ntwo\r\n\r\n");
    EXPECT_EQ(parts[1]->GetMediaType(), "image");
    EXPECT_EQ(parts[1]->GetEncoding(), "base64");
    EXPECT_EQ(parts[1]->m_nFirstLine, 11u);
    EXPECT_EQ(parts[1]->m_nLineCount, 1);
    EXPECT_EQ(parts[1]->GetBodyText(), "");
    EXPECT_EQ(parts[1]->m_pLines, &p.lines);
}

TEST(Split, DelimiterWithTrailingBlankIsOrdinaryLine) {
    Parsed p("multipart/mixed; boundary=\"b\"",
             {"--b", "", "a", "--b ", "x", "--b", "", "c", "--b--"});
    auto parts = p.Parts();
    ASSERT_EQ(parts.size(), 2u);
    EXPECT_EQ(parts[0]->m_nLineCount, 3);
}

TEST(Split, MissingClosingDelimiterLosesLastPart) {
    Parsed p("multipart/mixed; boundary=\"b\"", {"--b", "", "a", "--b", "", "last"});
    EXPECT_EQ(p.Parts().size(), 1u);
}

TEST(Split, ClosingBeforeAnyDelimiterMakesEmptyPart) {
    Parsed p("multipart/mixed; boundary=\"b\"", {"text", "--b--", "--b", "", "x"});
    auto parts = p.Parts();
    ASSERT_EQ(parts.size(), 1u);
    EXPECT_EQ(parts[0]->m_nLineCount, 0);
    EXPECT_EQ(parts[0]->GetMediaType(), "");
}

TEST(Split, UnfinishedHeaderBeforeClosingGivesZeroLinesWithCollectedValues) {
    Parsed p("multipart/mixed; boundary=\"b\"", {"--b", "Content-Type: text/plain", "--b--"});
    auto parts = p.Parts();
    ASSERT_EQ(parts.size(), 1u);
    EXPECT_EQ(parts[0]->GetMediaType(), "text");
    EXPECT_EQ(parts[0]->m_nLineCount, 0);
    EXPECT_EQ(parts[0]->GetBodyText(), "\r\n");
}

TEST(Split, HeaderValuesCarryOverADelimiterWithoutBlankLine) {
    Parsed p("multipart/mixed; boundary=\"b\"",
             {"--b", "Content-Type: image/gif", "Content-ID: <id>", "--b",
              "Content-Type: text/html", "", "x", "--b--"});
    auto parts = p.Parts();
    ASSERT_EQ(parts.size(), 1u);
    EXPECT_EQ(parts[0]->GetSubtype(), "html");
    EXPECT_EQ(parts[0]->m_strContentId, " <id>");
}

TEST(Split, BoundaryLosesFirstAndLastCharacterUnconditionally) {
    // Unquoted "abcd" gives the delimiter "--bc".
    Parsed unquoted("multipart/mixed; boundary=abcd", {"--bc", "", "x", "--bc--"});
    EXPECT_EQ(unquoted.Parts().size(), 1u);
    // Empty quoted and missing boundaries give "--" and "----".
    Parsed empty("multipart/mixed; boundary=\"\"", {"--", "", "x", "----"});
    EXPECT_EQ(empty.Parts().size(), 1u);
    Parsed missing("multipart/mixed", {"--", "", "y", "", "----"});
    ASSERT_EQ(missing.Parts().size(), 1u);
    EXPECT_EQ(missing.Parts()[0]->m_nLineCount, 2);
}

TEST(Split, FoldedPartContentTypeLosesItsBoundary) {
    Parsed p("multipart/mixed; boundary=\"o\"",
             {"--o", "Content-Type: multipart/alternative;", "\tboundary=\"i\"", "", "--i", "", "x",
              "--i--", "--o--"});
    auto parts = p.Parts();
    ASSERT_EQ(parts.size(), 1u);
    EXPECT_EQ(parts[0]->GetPartCount(), 0); // split with "--", which no line equals
}

TEST(Split, NonMultipartIsNotSplit) {
    Parsed p("text/plain; boundary=\"b\"", {"--b", "", "x", "--b--"});
    EXPECT_EQ(p.Parts().size(), 0u);
}

TEST(Split, DeepNestingIsBounded) {
    // Every level reuses the empty boundary, so each part is itself a multipart to split.
    std::vector<std::string> lines;
    for (int i = 0; i < 5000; ++i) {
        lines.push_back("--");
        lines.push_back("Content-Type: multipart/mixed");
        lines.push_back("");
    }
    lines.push_back("x");
    lines.push_back("----");
    Parsed p("multipart/mixed", lines);
    int depth = 0;
    for (const CContent* c = &p.root; c->m_pFirstPart; c = c->m_pFirstPart.get())
        ++depth;
    EXPECT_LE(depth, CContent::kMaxDepth);
}

TEST(Codes, TypeSubtypeAndEncodingTables) {
    auto type = [](const char* t) { return CContent(t, "", "", "", "").GetTypeCode(); };
    EXPECT_EQ(type("TEXT/x"), 1);
    EXPECT_EQ(type("multipart/x"), 2);
    EXPECT_EQ(type("message/x"), 3);
    EXPECT_EQ(type("image/x"), 4);
    EXPECT_EQ(type("audio/x"), 5);
    EXPECT_EQ(type("video/x"), 6);
    EXPECT_EQ(type("application/x"), 7);
    EXPECT_EQ(type("model/x"), 7);

    auto sub = [](const char* t) { return CContent(t, "", "", "", "").GetSubtypeCode(); };
    const std::vector<std::pair<const char*, int>> subtypes = {
        {"a/plain", 2},         {"a/HTML", 3},        {"text/mixed", 5},
        {"a/parallel", 6},      {"a/digest", 7},      {"a/alternative", 8},
        {"a/rfc822", 10},       {"a/partial", 11},    {"a/external-body", 12},
        {"a/octet-stream", 13}, {"a/postscript", 14}, {"a/gif", 15},
        {"a/jpeg", 16},         {"a/basic", 17},      {"a/mpeg", 18},
        {"a/msword", 19},       {"a/png", 13},        {"a", 13}};
    for (const auto& [t, code] : subtypes)
        EXPECT_EQ(sub(t), code) << t;

    auto enc = [](const char* e) {
        return CContent("text/plain", e, "", "", "").GetEncodingCode();
    };
    EXPECT_EQ(enc("7bit"), 1);
    EXPECT_EQ(enc(" Quoted-Printable "), 2);
    EXPECT_EQ(enc("BASE64"), 3);
    EXPECT_EQ(enc("8bit"), 4);
    EXPECT_EQ(enc("binary"), 5);
    EXPECT_EQ(enc("x-uuencode"), 1);
    EXPECT_EQ(enc(""), 1);
}

TEST(Content, BodyTextOfMessageTypeAndBase64Text) {
    Parsed p("multipart/mixed; boundary=\"b\"",
             {"--b", "Content-Type: message/rfc822", "", "Subject: inner", "--b",
              "Content-Type: text/plain", "Content-Transfer-Encoding: base64", "",
              "aGk=", "--b--"});
    auto parts = p.Parts();
    ASSERT_EQ(parts.size(), 2u);
    EXPECT_EQ(parts[0]->GetBodyText(), "\r\nSubject: inner\r\n");
    EXPECT_EQ(parts[1]->GetBodyText(), "\r\naGk=\r\n");
}

} // namespace
} // namespace qb
