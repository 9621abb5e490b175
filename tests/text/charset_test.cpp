#include "text/charset.h"
#include "text/header_decoder.h"

#include <gtest/gtest.h>

namespace qb {
namespace {

TEST(Charset, LabelsOldMailUsesMapToWhatTheyMean) {
    const std::pair<const char*, const char*> labels[] = {
        {"ks_c_5601-1987", "CP949"},
        {" \"EUC-KR\" ", "CP949"},
        {"x-sjis", "CP932"},
        {"Shift_JIS", "CP932"},
        {"gb2312", "GB18030"},
        {"big5", "CP950"},
        {"ISO_8859-1:1987", "ISO-8859-1"},
        {"iso8859-15", "ISO-8859-15"},
        {"latin2", "ISO-8859-2"},
        {"x-cp1250", "CP1250"},
        {"Windows-1251", "CP1251"},
        {"iso-2022-jp", "ISO-2022-JP-2"},
        {"unicode-1-1-utf-7", "UTF-7"},
        {"utf-8*en", "UTF-8"},
        {"iso-8859-11", "CP874"},
        {"IBM1047", "IBM1047"},
    };
    for (const auto& [label, name] : labels)
        EXPECT_EQ(LookUpCharset(label).name, name) << label;
    for (const char* unknown : {"x-user-defined", "unknown-8bit", "no-such-charset",
                                "UTF-8//TRANSLIT", "../../lib/x", "iso-8859-99", ""})
        EXPECT_FALSE(LookUpCharset(unknown).Known()) << unknown;
    EXPECT_FALSE(LookUpCharset("iso-2022-jp").asciiCompatible);
    EXPECT_FALSE(LookUpCharset("IBM1047").asciiCompatible);
    EXPECT_TRUE(LookUpCharset("koi8-r").asciiCompatible);
}

TEST(Charset, StrictConversionFailsWithoutTouchingTheOutput) {
    std::string out = "kept";
    EXPECT_FALSE(ConvertToUtf8("Gr\xfc", LookUpCharset("utf-8"), out));
    EXPECT_FALSE(ConvertToUtf8("\x81", LookUpCharset("windows-1252"), out));
    EXPECT_FALSE(ConvertToUtf8("\x93", LookUpCharset("shift_jis"), out)); // a lead byte alone
    EXPECT_FALSE(ConvertToUtf8("\xe9", LookUpCharset("us-ascii"), out));
    EXPECT_FALSE(ConvertToUtf8("x", LookUpCharset("no-such-charset"), out));
    EXPECT_EQ(out, "kept");
}

TEST(Charset, TextThatIsNotWhatItSays) {
    // Valid UTF-8 wins over the label, then the label, then windows-1252.
    EXPECT_EQ(DecodeText("M\xc3\xbcller", "iso-8859-1"), "Müller");
    EXPECT_EQ(DecodeText("\xf0\xd2\xc9\xd7\xc5\xd4", "koi8-r"), "Привет");
    EXPECT_EQ(DecodeText("Caf\xe9 \x80", "us-ascii"), "Café €");
    EXPECT_EQ(DecodeText("a\x93", "shift_jis"), "a“"); // a lead byte without its trail
    EXPECT_EQ(DecodeText("a\x81z", ""), "a\xEF\xBF\xBDz");
    // Charsets whose text looks like ASCII are converted even though ASCII is valid UTF-8.
    EXPECT_EQ(DecodeText("Gr+APwA3w-e", "utf-7"), "Grüße");
    EXPECT_EQ(DecodeText("\x1b$B$h$m$7$/\x1b(B", "iso-2022-jp"), "よろしく");
    EXPECT_EQ(DecodeText("plain", "no-such-charset"), "plain");
    // Undeclared ISO-2022-JP is recognised by its escapes.
    EXPECT_EQ(DecodeText("\x1b$B$h$m$7$/\x1b(B", ""), "よろしく");
    EXPECT_EQ(DecodeHeader("Re: \x1b$B$h$m$7$/\x1b(B"), "Re: よろしく");
}

} // namespace
} // namespace qb
