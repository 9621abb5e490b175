// Line splitting, and skipping lines up to one with a given first byte, checked against a plain
// byte-by-byte reference on random text, with buffer sizes that put line ends at every place of
// the vector-wide search and across every refill.
#include "platform/cpu_features.h"
#include "platform/line_reader.h"
#include "platform/paths.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace qb {
namespace {

struct Line {
    std::string text;
    LineEnd end;
    std::int64_t positionAfter;
    bool operator==(const Line&) const = default;
};

std::vector<Line> Reference(const std::string& bytes, LineBreaks breaks) {
    std::vector<Line> lines;
    std::size_t begin = 0;
    std::size_t i = 0;
    while (i < bytes.size()) {
        if (bytes[i] == '\n') {
            lines.push_back(
                {bytes.substr(begin, i - begin), LineEnd::Lf, static_cast<std::int64_t>(i + 1)});
            begin = ++i;
        } else if (bytes[i] == '\r' && breaks == LineBreaks::LfOnly) {
            if (i + 1 < bytes.size() && bytes[i + 1] == '\n') {
                lines.push_back({bytes.substr(begin, i - begin), LineEnd::CrLf,
                                 static_cast<std::int64_t>(i + 2)});
                begin = i = i + 2;
            } else {
                ++i;
            }
        } else if (bytes[i] == '\r') {
            const bool crlf = i + 1 < bytes.size() && bytes[i + 1] == '\n';
            const std::size_t next = i + (crlf ? 2 : 1);
            lines.push_back({bytes.substr(begin, i - begin), crlf ? LineEnd::CrLf : LineEnd::Cr,
                             static_cast<std::int64_t>(next)});
            begin = i = next;
        } else {
            ++i;
        }
    }
    if (begin < bytes.size())
        lines.push_back(
            {bytes.substr(begin), LineEnd::None, static_cast<std::int64_t>(bytes.size())});
    return lines;
}

TEST(LineReaderScan, MatchesAByteByByteSplitOnRandomText) {
    std::mt19937 rng(12345);
    test::TempDir dir;
    const std::string path = dir / "f";
    // Odd rounds run the loops every processor has; even ones the AVX2 loops where it has them.
    struct Restore {
        ~Restore() { AllowAvx2(true); }
    } restore;
    for (int round = 0; round < 60; ++round) {
        AllowAvx2(round % 2 == 0);
        // Sparse line ends make long lines that span several blocks and refills; dense ones put
        // CR LF pairs across block and buffer edges.
        const unsigned density = 2 + rng() % 80;
        std::string bytes(rng() % 3000, 'x');
        for (char& c : bytes) {
            const unsigned r = rng() % density;
            c = r == 0 ? '\r' : r == 1 ? '\n' : r == 2 ? 'F' : static_cast<char>('a' + rng() % 26);
        }
        test::WriteFile(path, bytes);
        for (const LineBreaks breaks : {LineBreaks::Any, LineBreaks::LfOnly}) {
            const std::vector<Line> expected = Reference(bytes, breaks);
            for (std::size_t buffer : {16u, 17u, 31u, 100u, 4096u}) {
                fs::File file;
                ASSERT_TRUE(file.Open(path, fs::OpenMode::Read));
                LineReader reader(file, buffer, breaks);
                std::vector<Line> got;
                std::string_view view;
                LineEnd end;
                while (reader.ReadLineView(view, end))
                    got.push_back({std::string(view), end, reader.Position()});
                EXPECT_FALSE(reader.Failed());
                ASSERT_EQ(got, expected) << "round " << round << " buffer " << buffer;

                // Skipping passes exactly the lines before the next one that begins with a
                // wanted byte (F or f where any line end breaks lines, as the store walks its
                // bodies; an empty line where only LF does, as the mailbox reader walks one),
                // and may leave the file's last line to be read. Skipping to a prefix passes
                // over such lines too unless they begin with it.
                struct Skip {
                    char a, b;
                    std::string_view prefix;
                };
                const std::vector<Skip> skips =
                    breaks == LineBreaks::LfOnly
                        ? std::vector<Skip>{{'\n', '\r', {}}}
                        : std::vector<Skip>{{'F', 'f', {}}, {'F', 'f', "fR"}};
                for (const Skip& skip : skips) {
                    auto wanted = [&](const Line& line) {
                        const std::string whole = line.text + (line.end == LineEnd::CrLf ? "\r\n"
                                                               : line.end == LineEnd::Lf ? "\n"
                                                                                         : "");
                        return !whole.empty() && (whole[0] == skip.a || whole[0] == skip.b);
                    };
                    auto begins = [&](const Line& line) {
                        return skip.prefix.empty() ? wanted(line)
                                                   : StartsWithNoCase(line.text, skip.prefix);
                    };
                    ASSERT_TRUE(reader.Seek(0));
                    std::size_t next = 0;
                    for (;;) {
                        const std::int64_t passed = skip.prefix.empty()
                                                        ? reader.SkipLinesUntil(skip.a, skip.b)
                                                        : reader.SkipLinesUntilPrefix(skip.prefix);
                        for (std::int64_t k = 0; k < passed; ++k, ++next) {
                            ASSERT_LT(next, expected.size());
                            EXPECT_NE(expected[next].end, LineEnd::None);
                            EXPECT_FALSE(begins(expected[next])) << "round " << round;
                        }
                        if (!reader.ReadLineView(view, end))
                            break;
                        ASSERT_LT(next, expected.size());
                        EXPECT_EQ((Line{std::string(view), end, reader.Position()}),
                                  expected[next]);
                        EXPECT_TRUE(next + 1 == expected.size() || wanted(expected[next]))
                            << "round " << round << " buffer " << buffer << " line " << next;
                        ++next;
                    }
                    EXPECT_EQ(next, expected.size()) << "round " << round << " buffer " << buffer;
                }
            }
        }
    }
}

} // namespace
} // namespace qb
