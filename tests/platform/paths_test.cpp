#include "platform/paths.h"
#include "platform/portable_names.h"

#include <gtest/gtest.h>

namespace qb {
namespace {

TEST(Paths, HexPrefixSkipsBlanksAndStopsAtTheFirstOtherCharacter) {
    EXPECT_EQ(ParseHexPrefix("0009"), 0x9u);
    EXPECT_EQ(ParseHexPrefix("   8008"), 0x8008u);
    EXPECT_EQ(ParseHexPrefix("000f"), 0xFu);
    EXPECT_EQ(ParseHexPrefix("Ab12 ff"), 0xAB12u);
    EXPECT_EQ(ParseHexPrefix("0x08"), 0u); // reading stops at 'x'
    EXPECT_EQ(ParseHexPrefix("\t1"), 0u);  // only spaces are skipped
    EXPECT_EQ(ParseHexPrefix(""), 0u);
}

TEST(Paths, SingleEntryNames) {
    for (const char* name : {"Inbox", "a b", ".hidden", "x.sbd", "\xe9t\xe9"})
        EXPECT_TRUE(IsSingleEntryName(name)) << name;
    for (const char* name : {"", ".", "..", "a/b", "a\\b", "tab\there", "\x1f"})
        EXPECT_FALSE(IsSingleEntryName(name)) << name;
}

// Device names only as a whole stem: names that merely begin like one are ordinary.
TEST(Paths, PortableEntryNames) {
    for (const char* name : {"Inbox", "a b", ".hidden", "x.sbd", "\xe9t\xe9", "CONSOLE", "COM0",
                             "COM10", "LPT", "nullable.txt", "aux-mail", "x .y", "#1 [a] {b}"})
        EXPECT_TRUE(IsPortableEntryName(name)) << name;
    for (const char* name :
         {"",    "..",  "a/b",  "a\\b", "\x1f", "con", "Nul.txt", "COM1", "lpt9.x.y", "AUX .txt",
          "prn", "a:b", "end.", "end ", "a<b",  "a>b", "a\"b",    "a|b",  "a?",       "a*"})
        EXPECT_FALSE(IsPortableEntryName(name)) << name;
}

} // namespace
} // namespace qb
