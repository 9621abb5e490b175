// The word-at-a-time scans (line splitting, case folding, control replacement) give what a plain
// byte-by-byte reading gives, on random texts full of the bytes they look for.
#include "text/line_source.h"
#include "text/text_matcher.h"
#include "text/text_support.h"

#include <gtest/gtest.h>

#include <random>

namespace qb {
namespace {

std::string RandomText(std::mt19937& rng) {
    static const std::string kPieces[] = {
        "\r",       "\n",       "\r\n",     "A",        "z",        "Q",
        "\t",       "\x7f",     "\x01",     "\xc2\x85", "\xc2\xa0", "\xc3\x9c",
        "\xc3\xbc", "\xce\xa3", "\xd0\x96", "\xff",     "\xc2",     "abcdefghijklmnopqrst"};
    std::string text;
    const std::size_t n = rng() % 60;
    for (std::size_t i = 0; i < n; ++i)
        text += kPieces[rng() % std::size(kPieces)];
    return text;
}

TEST(FastPaths, AgreeWithAPlainReadingOnRandomTexts) {
    std::mt19937 rng(18);
    for (int round = 0; round < 3000; ++round) {
        const std::string text = RandomText(rng);

        std::vector<std::string_view> lines;
        SplitLines(text, lines);
        std::vector<std::string> expected;
        std::string line;
        for (std::size_t i = 0; i < text.size(); ++i) {
            if (text[i] != '\r' && text[i] != '\n') {
                line += text[i];
                continue;
            }
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
            expected.push_back(std::exchange(line, {}));
        }
        if (!line.empty())
            expected.push_back(line);
        ASSERT_EQ(std::vector<std::string>(lines.begin(), lines.end()), expected) << text;

        std::string folded;
        for (std::size_t i = 0; i < text.size(); ++i) {
            const char c = text[i];
            folded += c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
            if (text.compare(i, 2, "\xc3\x9c") == 0) // Ü
                folded.back() = static_cast<char>(0xc3), folded += '\xbc', ++i;
            else if (text.compare(i, 2, "\xce\xa3") == 0) // Σ
                folded.back() = static_cast<char>(0xcf), folded += '\x83', ++i;
            else if (text.compare(i, 2, "\xd0\x96") == 0) // Ж
                folded.back() = static_cast<char>(0xd0), folded += '\xb6', ++i;
        }
        ASSERT_EQ(FoldCase(text), folded) << text;

        std::string replaced;
        for (std::size_t i = 0; i < text.size(); ++i) {
            const auto c = static_cast<unsigned char>(text[i]);
            if ((c < 0x20 && c != '\t') || c == 0x7f) {
                replaced += '?';
            } else if (c == 0xc2 && i + 1 < text.size() &&
                       static_cast<unsigned char>(text[i + 1]) <= 0x9f &&
                       static_cast<unsigned char>(text[i + 1]) >= 0x80) {
                replaced += '?';
                ++i;
            } else {
                replaced += text[i];
            }
        }
        std::string actual = text;
        ReplaceControls(actual, "?", "\t");
        ASSERT_EQ(actual, replaced) << text;
    }
}

} // namespace
} // namespace qb
