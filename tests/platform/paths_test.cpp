#include "platform/paths.h"

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

} // namespace
} // namespace qb
