#include "platform/file_system.h"
#include "platform/paths.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

namespace qb {
namespace {

class FileSystem : public ::testing::Test {
  protected:
    void TearDown() override { fs::ClearFaultPlan(); }
    std::vector<std::string> Names(const std::string& path) {
        std::vector<fs::DirEntry> entries;
        EXPECT_TRUE(fs::ListDirectory(path, entries));
        std::vector<std::string> names;
        for (const auto& e : entries)
            names.push_back(e.name);
        std::sort(names.begin(), names.end());
        return names;
    }
    test::TempDir dir;
};

TEST_F(FileSystem, MoveNeverReplacesAnExistingFile) {
    test::WriteFile(dir / "a", "A");
    test::WriteFile(dir / "b", "B");
    EXPECT_FALSE(fs::MoveFile(dir / "a", dir / "b"));
    EXPECT_EQ(test::ReadFile(dir / "a"), "A");
    EXPECT_EQ(test::ReadFile(dir / "b"), "B");
    EXPECT_TRUE(fs::MoveFile(dir / "a", dir / "c"));
    EXPECT_FALSE(fs::Exists(dir / "a"));
    EXPECT_EQ(test::ReadFile(dir / "c"), "A");

    ASSERT_TRUE(fs::CreateDirectory(dir / "d"));
    ASSERT_TRUE(fs::CreateDirectory(dir / "e"));
    EXPECT_FALSE(fs::MoveFile(dir / "d", dir / "e"));
    EXPECT_TRUE(fs::MoveFile(dir / "d", dir / "f"));
    EXPECT_TRUE(fs::IsDirectory(dir / "f"));
}

TEST_F(FileSystem, ReplaceFileIsAllOrNothing) {
    test::WriteFile(dir / "t", "old");
    EXPECT_TRUE(fs::ReplaceFile(dir / "t", [](fs::File& f) { return f.Write("new"); }));
    EXPECT_EQ(test::ReadFile(dir / "t"), "new");

    EXPECT_FALSE(fs::ReplaceFile(dir / "t", [](fs::File& f) { return f.Write("x") && false; }));
    EXPECT_EQ(test::ReadFile(dir / "t"), "new");
    EXPECT_EQ(Names(dir.path()), (std::vector<std::string>{"t"}));
}

TEST_F(FileSystem, EveryOperationOfAReplaceCanFailWithoutHarm) {
    test::WriteFile(dir / "t", "old");
    auto replace = [&] {
        return fs::ReplaceFile(dir / "t", [](fs::File& f) { return f.Write("new content"); });
    };
    fs::SetFaultPlan({});
    ASSERT_TRUE(replace());
    const std::int64_t count = fs::OperationCount();
    ASSERT_GE(count, 4);
    test::WriteFile(dir / "t", "old");
    for (fs::FaultKind kind : {fs::FaultKind::Error, fs::FaultKind::ShortWrite}) {
        for (std::int64_t n = 0; n < count; ++n) {
            fs::SetFaultPlan({n, kind});
            EXPECT_FALSE(replace()) << n;
            fs::ClearFaultPlan();
            EXPECT_EQ(test::ReadFile(dir / "t"), "old") << n;
            EXPECT_EQ(Names(dir.path()), (std::vector<std::string>{"t"})) << n;
        }
    }
}

TEST_F(FileSystem, FilesReadWriteSeekAndSize) {
    fs::File f;
    ASSERT_TRUE(f.Open(dir / "n", fs::OpenMode::CreateNew));
    EXPECT_TRUE(f.Write("hello world"));
    EXPECT_TRUE(f.Close());
    EXPECT_FALSE(f.Open(dir / "n", fs::OpenMode::CreateNew));
    ASSERT_TRUE(f.Open(dir / "n", fs::OpenMode::ReadWrite));
    EXPECT_EQ(f.Size(), 11);
    EXPECT_TRUE(f.Seek(6));
    EXPECT_TRUE(f.Write("WORLD"));
    EXPECT_TRUE(f.Seek(0));
    char buf[11];
    EXPECT_TRUE(f.ReadExact(buf, sizeof buf));
    EXPECT_EQ(std::string(buf, sizeof buf), "hello WORLD");
    EXPECT_FALSE(f.ReadExact(buf, 1));
    EXPECT_TRUE(f.Close());
    EXPECT_FALSE(f.Open(dir.path(), fs::OpenMode::Read)); // a directory is not a file
    EXPECT_FALSE(f.Open(dir / "missing", fs::OpenMode::Read));
    EXPECT_EQ(fs::FileSize(dir / "n"), 11);
    EXPECT_TRUE(fs::IsRegularFile(dir / "n"));
    EXPECT_TRUE(fs::RemoveFile(dir / "n"));
    EXPECT_FALSE(fs::RemoveFile(dir / "n"));
}

TEST_F(FileSystem, FailFromThenOnStopsEverything) {
    fs::SetFaultPlan({1, fs::FaultKind::Error, true});
    EXPECT_TRUE(fs::CreateDirectory(dir / "x"));
    EXPECT_FALSE(fs::CreateDirectory(dir / "y"));
    EXPECT_FALSE(fs::Exists(dir / "x"));
    fs::ClearFaultPlan();
    EXPECT_TRUE(fs::Exists(dir / "x"));
}

TEST(Paths, JoinSplitAndCompare) {
    EXPECT_EQ(JoinPath("/a", "b"), "/a/b");
    EXPECT_EQ(JoinPath("/a/", "b"), "/a/b");
    EXPECT_EQ(JoinPath("", "b"), "b");
    EXPECT_EQ(DirectoryOf("/a/b"), "/a");
    EXPECT_EQ(DirectoryOf("/b"), "/");
    EXPECT_EQ(DirectoryOf("b"), "");
    EXPECT_EQ(BaseName("/a/mail//"), "mail");
    EXPECT_EQ(StripTrailingSeparators("/a//"), "/a");
    EXPECT_EQ(StripTrailingSeparators("/"), "/");
    EXPECT_TRUE(EqualsNoCase("Inbox", "INBOX"));
    EXPECT_FALSE(EqualsNoCase("Inbox", "Inbo"));
    EXPECT_TRUE(StartsWithNoCase("FROM - x", "From - "));
    EXPECT_FALSE(StartsWithNoCase("From -x", "From - "));
    EXPECT_TRUE(fs::IsTemporaryName(BaseName(fs::TemporaryNameFor("/d/Inbox.mbx"))));
    EXPECT_EQ(BaseName(fs::TemporaryNameFor("/d/Inbox.mbx")).find(".mbx"), std::string::npos);
}

TEST_F(FileSystem, ResolvedPathsNameOneDirectoryOnce) {
    ASSERT_TRUE(fs::CreateDirectory(dir / "real"));
    std::filesystem::create_directory_symlink(dir / "real", dir / "link");
    std::filesystem::create_directory_symlink("../gone", dir / "real/dangling");
    const std::string real = std::filesystem::canonical(dir / "real").string();
    const std::pair<std::string, std::string> cases[] = {
        {dir / "link", real},
        {dir / "link/", real},
        {dir / "link/./sub/../x", real + "/x"}, // "sub" does not exist
        {dir / "link/missing/a/../b", real + "/missing/b"},
        {dir / "real/dangling/x", real + "/dangling/x"}, // a link to nothing stays as written
        {"/", "/"},
        {"", ""},
    };
    for (const auto& [path, expected] : cases)
        EXPECT_EQ(fs::ResolvePath(path), expected) << path;
}

TEST_F(FileSystem, WholeFilesAreReadUpToALimit) {
    test::WriteFile(dir / "f", "0123456789");
    std::string text = "old";
    EXPECT_TRUE(fs::ReadWholeFile(dir / "f", 10, text));
    EXPECT_EQ(text, "0123456789");
    EXPECT_FALSE(fs::ReadWholeFile(dir / "f", 9, text));
    EXPECT_EQ(text, "");
    EXPECT_FALSE(fs::ReadWholeFile(dir / "absent", 100, text));
    EXPECT_FALSE(fs::ReadWholeFile(dir.path(), 100, text));
    fs::SetFaultPlan({1, fs::FaultKind::Error, false}); // the size asked after opening
    EXPECT_FALSE(fs::ReadWholeFile(dir / "f", 100, text));
}

} // namespace
} // namespace qb
