// What only the Windows side of the file layer has to get right: names beyond the ANSI code page
// and past 260 characters, offsets past 4 GiB, bytes written unchanged, a replacement renamed
// over a file that is open, both separators and drive roots, the registry under %APPDATA%.
#ifdef _WIN32

#include "platform/file_system.h"
#include "platform/paths.h"
#include "platform/registry_file.h"
#include "support/environment.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace qb {
namespace {

using test::TempDir;
using namespace std::string_literals;

std::string Read(const std::string& path) {
    std::string text;
    EXPECT_TRUE(fs::ReadWholeFile(path, 1 << 20, text)) << path;
    return text;
}

bool Write(const std::string& path, const std::string& bytes) {
    fs::File file;
    return file.Open(path, fs::OpenMode::Create) && file.Write(bytes) && file.Close();
}

TEST(WindowsFiles, WideAndLongNamesBinaryBytesAndOffsetsPast4GiB) {
    TempDir dir;
    const std::string wide = JoinPath(fs::ResolvePath(dir.path()), "日本 Grüße");
    ASSERT_TRUE(fs::CreateDirectory(wide));
    std::vector<fs::DirEntry> entries;
    ASSERT_TRUE(fs::ListDirectory(dir.path(), entries));
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].name, "日本 Grüße");
    EXPECT_TRUE(entries[0].isDirectory);

    // Five levels of 60 characters: past the 260 the ANSI calls allow.
    std::string deep = wide;
    for (int i = 0; i < 5; ++i) {
        deep = JoinPath(deep, std::string(60, static_cast<char>('a' + i)));
        ASSERT_TRUE(fs::CreateDirectory(deep)) << deep.size();
    }
    const std::string file = JoinPath(deep, "Inbox");
    const std::string bytes = "From - x\nline\r\nlast\n\x1a\0end"s;
    ASSERT_TRUE(Write(file, bytes));
    EXPECT_EQ(Read(file), bytes);
    EXPECT_EQ(fs::FileSize(file), static_cast<std::int64_t>(bytes.size()));

    const std::int64_t far = (5LL << 30) + 7;
    fs::File big;
    ASSERT_TRUE(big.Open(JoinPath(wide, "big"), fs::OpenMode::Create));
    ASSERT_TRUE(big.Seek(far));
    ASSERT_TRUE(big.Write("x"));
    EXPECT_EQ(big.Size(), far + 1);
    ASSERT_TRUE(big.Truncate(far - 1));
    EXPECT_EQ(big.Size(), far - 1);
    ASSERT_TRUE(big.Close());
    EXPECT_EQ(fs::FileSize(JoinPath(wide, "big")), far - 1);
    EXPECT_TRUE(fs::RemoveFile(JoinPath(wide, "big")));
}

TEST(WindowsFiles, ReplaceGoesOverAnExistingFileAndAMoveNeverOverwrites) {
    TempDir dir;
    const std::string target = dir / "Inbox";
    ASSERT_TRUE(Write(target, "old"));
    ASSERT_TRUE(fs::ReplaceFile(target, [](fs::File& f) { return f.Write("new"); }));
    ASSERT_TRUE(fs::ReplaceFile(target, [](fs::File& f) { return f.Write("newer"); }));
    EXPECT_EQ(Read(target), "newer");

    ASSERT_TRUE(Write(dir / "Other", "other"));
    EXPECT_FALSE(fs::MoveFile(dir / "Other", target));
    EXPECT_EQ(Read(target), "newer");
    ASSERT_TRUE(fs::CreateDirectory(dir / "Inbox.sbd"));
    ASSERT_TRUE(fs::CreateDirectory(dir / "Other.sbd"));
    EXPECT_FALSE(fs::MoveFile(dir / "Other.sbd", dir / "Inbox.sbd"));
    EXPECT_TRUE(fs::MoveFile(dir / "Other", dir / "Moved"));
    EXPECT_EQ(Read(dir / "Moved"), "other");

    fs::FileLock first, second, third;
    ASSERT_TRUE(first.Acquire(dir / "x.lock", 0, fs::LockMode::Shared));
    EXPECT_TRUE(second.Acquire(dir / "x.lock", 0, fs::LockMode::Shared));
    EXPECT_FALSE(third.Acquire(dir / "x.lock", 20));
    EXPECT_TRUE(third.WasBusy());
    first.Release();
    second.Release();
    EXPECT_TRUE(third.Acquire(dir / "x.lock", 0));
}

TEST(WindowsPaths, BothSeparatorsAndDriveRoots) {
    EXPECT_EQ(DirectoryOf("C:\\mail\\Inbox"), "C:\\mail");
    EXPECT_EQ(DirectoryOf("C:\\Inbox"), "C:\\");
    EXPECT_EQ(DirectoryOf("C:/mail/x.sbd\\Inbox"), "C:/mail/x.sbd");
    EXPECT_EQ(BaseName("C:\\mail\\Inbox\\"), "Inbox");
    EXPECT_EQ(BaseName("C:\\"), "");
    EXPECT_EQ(StripTrailingSeparators("C:\\"), "C:\\");
    EXPECT_EQ(StripTrailingSeparators("C:\\mail\\\\"), "C:\\mail");
    EXPECT_EQ(JoinPath("C:\\mail\\", "Inbox"), "C:\\mail\\Inbox");

    TempDir dir;
    ASSERT_TRUE(fs::CreateDirectory(dir / "Sub"));
    std::string backslashed = dir / "Sub";
    std::replace(backslashed.begin(), backslashed.end(), '/', '\\');
    const std::string resolved = fs::ResolvePath(dir / "Sub");
    EXPECT_EQ(fs::ResolvePath(backslashed), resolved);
    EXPECT_EQ(fs::ResolvePath(backslashed + "\\..\\Sub\\."), resolved);
    EXPECT_EQ(fs::ResolvePath(dir / "Sub/missing/x"), resolved + "/missing/x");
    EXPECT_EQ(resolved.find('\\'), std::string::npos);
}

TEST(WindowsRegistry, DefaultPathIsUnderAppData) {
    test::ScopedEnv env;
    env.Unset("QUILLBOX_REGISTRY");
    const auto appData = fs::EnvironmentVariable("APPDATA");
    ASSERT_TRUE(appData && !appData->empty());
    EXPECT_EQ(RegistryFile::DefaultPath(), JoinPath(*appData, "Velmora/Quillbox.reg"));
}

} // namespace
} // namespace qb

#endif
