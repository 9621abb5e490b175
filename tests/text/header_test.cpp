#include "text/header_decoder.h"
#include "text/header_params.h"

#include <gtest/gtest.h>

namespace qb {
namespace {

TEST(DecodeHeader, PlainValuesAreReturnedAsTheyAre) {
    for (const char* plain : {"", " Lunch on Friday", "a=b ?= c", "1234567?=abcdefgh =3F", "~ok"}) {
        EXPECT_TRUE(IsPlainHeader(plain)) << plain;
        EXPECT_EQ(DecodeHeader(plain), plain);
    }
    for (const char* notPlain :
         {"=?", "1234567=?word4567", "abcdefgh=?", "tab\there", "caf\xc3\xa9", "del\x7f"})
        EXPECT_FALSE(IsPlainHeader(notPlain)) << notPlain;
}

TEST(DecodeHeader, FoldsControlsAndFallbackCharset) {
    EXPECT_EQ(DecodeHeader("=?utf-8?Q?a?=\r\n =?utf-8?Q?b?= c\r\n\td"), "ab c d");
    EXPECT_EQ(DecodeHeader("=?utf-8?Q?line=0Abreak=1B[31m?=\tx"), "line break [31m x");
    EXPECT_EQ(DecodeHeader("=?iso-8859-1?Q?C1=9Bcontrol?="), "C1 control");
    // Undeclared 8-bit text: the caller's charset before windows-1252.
    EXPECT_EQ(DecodeHeader("\xf0\xd2\xc9\xd7\xc5\xd4", "koi8-r"), "Привет");
    EXPECT_EQ(DecodeHeader("\xf0\xd2", "utf-7"), "ðÒ"); // not a charset raw bytes can be in
    // Blanks between an encoded word and text stay; between two words they go.
    EXPECT_EQ(DecodeHeader("=?utf-8?Q?a?=  b  =?utf-8?Q?c?=   =?iso-8859-1?Q?d?="), "a  b  cd");
}

TEST(DecodeHeader, HostileValuesStayLinearAndWellFormed) {
    std::string openings;
    for (int i = 0; i < 40000; ++i)
        openings += "=?x?q?a"; // words that never close
    EXPECT_TRUE(DecodeHeader(openings) == openings);
    std::string words;
    for (int i = 0; i < 20000; ++i)
        words += "=?utf-8?B?////?==?utf-16?B?2D3YPQ==?=";
    EXPECT_FALSE(DecodeHeader(words).empty());
}

TEST(HeaderParams, QuotingAndSections) {
    const CHeaderParams p(" Text/Plain ; a=\"x;y \\\"q\\\"\"; b=unterminated\"; c= tok en ;"
                          " noequals; a=second; NAME*1=\"tail\"; name*0=\"head-\"");
    EXPECT_EQ(p.Value(), "text/plain");
    EXPECT_EQ(p.Get("a"), "x;y \"q\"");
    EXPECT_EQ(p.Get("B"), "unterminated\"");
    EXPECT_EQ(p.Get("c"), "tok en");
    EXPECT_EQ(p.Get("name"), "head-tail");
    EXPECT_FALSE(p.Has("noequals"));
}

TEST(HeaderParams, Rfc2231ValuesWinAndJoinBytesBeforeConverting) {
    const CHeaderParams p("attachment; filename=\"plain.txt\"; filename*0*=utf-8'de'Gr%C3;"
                          " filename*1*=%BC%C3%9Fe%2Etxt; title*=iso-8859-1''%E9t%E9;"
                          " name*=''%FCber; name*9999=\"ignored\"");
    EXPECT_EQ(p.Get("filename"), "Grüße.txt");
    EXPECT_EQ(p.Get("title"), "été");
    EXPECT_EQ(p.Get("name"), "über"); // no charset: the windows-1252 fallback
    EXPECT_EQ(CHeaderParams("a; boundary=\"=?x?q?y?=\"").GetRaw("boundary"), "=?x?q?y?=");
}

} // namespace
} // namespace qb
