#include "platform/line_reader.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qb {
namespace {

struct Line {
    std::string text;
    LineEnd end;
    std::int64_t positionAfter;
};

std::vector<Line> ReadAll(const std::string& bytes, std::size_t buffer,
                          LineBreaks breaks = LineBreaks::Any) {
    test::TempDir dir;
    const std::string path = dir / "f";
    test::WriteFile(path, bytes);
    fs::File file;
    EXPECT_TRUE(file.Open(path, fs::OpenMode::Read));
    LineReader reader(file, buffer, breaks);
    std::vector<Line> lines;
    std::string text;
    LineEnd end;
    while (reader.ReadLine(text, end))
        lines.push_back({text, end, reader.Position()});
    EXPECT_FALSE(reader.Failed());
    return lines;
}

TEST(LineReader, CountsTheLineEndBytesReallyPresent) {
    // Small buffers put every line end across a refill somewhere.
    for (std::size_t buffer : {16u, 17u, 64u * 1024u}) {
        auto lines = ReadAll("a\r\nbb\ncc\rd\r\r\n\nlast", buffer);
        ASSERT_EQ(lines.size(), 7u) << buffer;
        EXPECT_EQ(lines[0].text, "a");
        EXPECT_EQ(lines[0].end, LineEnd::CrLf);
        EXPECT_EQ(lines[1].end, LineEnd::Lf);
        EXPECT_EQ(lines[2].text, "cc");
        EXPECT_EQ(lines[2].end, LineEnd::Cr);
        // A lone CR does not swallow the byte after it.
        EXPECT_EQ(lines[3].text, "d");
        EXPECT_EQ(lines[3].end, LineEnd::Cr);
        EXPECT_EQ(lines[4].text, "");
        EXPECT_EQ(lines[4].end, LineEnd::CrLf);
        EXPECT_EQ(lines[5].end, LineEnd::Lf);
        EXPECT_EQ(lines[6].text, "last");
        EXPECT_EQ(lines[6].end, LineEnd::None);
        EXPECT_EQ(lines[6].positionAfter, 18);
    }
    EXPECT_EQ(LineEndBytes(LineEnd::CrLf), 2);
    EXPECT_EQ(LineEndBytes(LineEnd::Lf), 1);
    EXPECT_EQ(LineEndBytes(LineEnd::Cr), 1);
    EXPECT_EQ(LineEndBytes(LineEnd::None), 2);
}

TEST(LineReader, LfOnlyKeepsLoneCrInTheLine) {
    for (std::size_t buffer : {16u, 17u, 64u * 1024u}) {
        auto lines = ReadAll("a\r\nb\rc\n\r\n\r\rd\r\n0123456789abcdefghij\rlast\r", buffer,
                             LineBreaks::LfOnly);
        ASSERT_EQ(lines.size(), 5u) << buffer;
        EXPECT_EQ(lines[0].text, "a");
        EXPECT_EQ(lines[0].end, LineEnd::CrLf);
        EXPECT_EQ(lines[1].text, "b\rc");
        EXPECT_EQ(lines[1].end, LineEnd::Lf);
        EXPECT_EQ(lines[2].text, "");
        EXPECT_EQ(lines[2].end, LineEnd::CrLf);
        EXPECT_EQ(lines[3].text, "\r\rd");
        EXPECT_EQ(lines[3].end, LineEnd::CrLf);
        EXPECT_EQ(lines[4].text, "0123456789abcdefghij\rlast\r");
        EXPECT_EQ(lines[4].end, LineEnd::None);
        EXPECT_EQ(lines[4].positionAfter, 40);
    }
}

TEST(LineReader, LongLinesGrowTheBufferAndCrAtBufferEdge) {
    const std::string longLine(100000, 'x');
    auto lines = ReadAll(longLine + "\r\n" + std::string(15, 'y') + "\r\nz", 16);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].text, longLine);
    EXPECT_EQ(lines[1].text, std::string(15, 'y'));
    EXPECT_EQ(lines[1].end, LineEnd::CrLf);
    EXPECT_EQ(lines[2].text, "z");
}

TEST(LineReader, EmptyFileAndSeek) {
    EXPECT_TRUE(ReadAll("", 16).empty());

    test::TempDir dir;
    test::WriteFile(dir / "f", "one\r\ntwo\r\nthree\r\n");
    fs::File file;
    ASSERT_TRUE(file.Open(dir / "f", fs::OpenMode::Read));
    LineReader reader(file, 16);
    std::string line;
    ASSERT_TRUE(reader.ReadLine(line));
    ASSERT_TRUE(reader.Seek(10));
    ASSERT_TRUE(reader.ReadLine(line));
    EXPECT_EQ(line, "three");
    EXPECT_EQ(reader.Position(), 17);
    EXPECT_FALSE(reader.ReadLine(line));
}

TEST(LineReader, ReadFailureIsReported) {
    test::TempDir dir;
    test::WriteFile(dir / "f", "one\r\ntwo\r\n");
    fs::File file;
    ASSERT_TRUE(file.Open(dir / "f", fs::OpenMode::Read));
    fs::SetFaultPlan({0, fs::FaultKind::Error});
    LineReader reader(file, 16);
    std::string line;
    EXPECT_FALSE(reader.ReadLine(line));
    EXPECT_TRUE(reader.Failed());
    fs::ClearFaultPlan();
}

} // namespace
} // namespace qb
