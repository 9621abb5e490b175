#include "platform/utf8.h"
#include "python_oracle.h"
#include "text/file_name.h"
#include "text/text_matcher.h"

#include <gtest/gtest.h>

namespace qb {
namespace {

TEST(SafeFileName, NothingThatCouldEscapeOrMisbehave) {
    const std::pair<const char*, const char*> names[] = {
        {"../../etc/passwd", "passwd"},
        {"C:\\Users\\x\\a.doc", "a.doc"},
        {"a<b>:c|d?*\".txt", "a_b__c_d___.txt"},
        {" ..hidden. ", "hidden"},
        {"CON", "_CON"},
        {"com1.txt", "_com1.txt"},
        {"COM10.txt", "COM10.txt"},
        {"tab\tnew\nline\x7f\xc2\x85", "tab_new_line__"},
        {"bad\xff utf8.pdf", "bad_ utf8.pdf"},
        {"Grüße.pdf", "Grüße.pdf"},
    };
    for (const auto& [name, safe] : names)
        EXPECT_EQ(SafeFileName(name), safe) << name;
    EXPECT_EQ(SafeFileName("../", "image/png"), "attachment.png");
    EXPECT_EQ(SafeFileName("", "application/x-unknown"), "attachment.bin");

    std::string longName;
    for (int i = 0; i < 300; ++i)
        longName += "é";
    const std::string safe = SafeFileName(longName + ".pdf");
    EXPECT_LE(safe.size(), kMaxFileNameBytes);
    EXPECT_TRUE(safe.ends_with("é.pdf"));
    EXPECT_TRUE(IsValidUtf8(safe));
}

// The fold agrees with Python's str.casefold wherever that gives one character, over every code
// point of the blocks the fold covers.
TEST(TextMatcher, FoldAgreesWithPythonCasefold) {
    std::string why;
    const auto answers = test::AskPython(R"(
for name, mode, override, data in cases():
    for cp in list(range(0, 0x180)) + list(range(0x386, 0x3CF)) + list(range(0x400, 0x460)):
        folded = chr(cp).casefold()
        if len(folded) == 1:
            emit(name, str(cp), str(ord(folded)))
)",
                                         {{"fold", ""}}, why);
    if (!answers)
        GTEST_SKIP() << why;
    const auto& fold = answers->at("fold");
    EXPECT_GT(fold.size(), 500u);
    for (const auto& [cp, folded] : fold)
        EXPECT_EQ(FoldCodePoint(static_cast<char32_t>(std::stoul(cp))), std::stoul(folded))
            << "code point " << cp;
}

TEST(TextMatcher, MatchesWithoutRegardToCase) {
    const CTextMatcher muenchen("MÜNCHEN");
    EXPECT_TRUE(muenchen.Matches("Grüße aus München"));
    EXPECT_FALSE(muenchen.Matches("Grüße aus Munchen"));
    EXPECT_TRUE(CTextMatcher("привет").Matches("ПРИВЕТ, мир"));
    EXPECT_TRUE(CTextMatcher("ΣΟΦΊΑ").Matches("σοφία"));
    EXPECT_TRUE(CTextMatcher("").Matches(""));
    EXPECT_TRUE(CTextMatcher("\xff").Matches("a\xff\xfe")); // stray bytes match themselves
    EXPECT_FALSE(CTextMatcher("long needle").Matches("short"));
}

} // namespace
} // namespace qb
