// The readers on mailboxes as other programs write them, including the awkward ones.
#include "interchange/reader.h"

#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>

#ifdef _WIN32
#include "platform/windows_api.h"
#endif

namespace qb {
namespace {

using interchange::ReadStatus;

struct Item {
    ReadStatus status;
    std::string text;
    std::vector<std::string> folder;
    std::int64_t position;
    std::uint32_t status_bits;
};

std::vector<Item> ReadAll(const std::string& source, interchange::ReadOptions options = {}) {
    std::string error;
    auto reader = interchange::OpenReader(source, options, error);
    EXPECT_NE(reader, nullptr) << error;
    std::vector<Item> items;
    interchange::ReadItem item;
    for (ReadStatus status; reader && (status = reader->Next(item)) != ReadStatus::End;) {
        items.push_back(
            {status, item.message.text, item.folder, item.position, item.message.status});
        if (status == ReadStatus::Failed)
            break;
    }
    return items;
}

std::vector<std::string> Texts(const std::vector<Item>& items) {
    std::vector<std::string> texts;
    for (const Item& item : items) {
        EXPECT_EQ(item.status, ReadStatus::Message);
        texts.push_back(item.text);
    }
    return texts;
}

using Texts_ = std::vector<std::string>;

TEST(MboxReader, SplitsOnlyAtEnvelopeLinesAfterAnEmptyLine) {
    test::TempDir dir;
    test::WriteFile(dir / "box", "From a@b Mon Jan  1 00:00:00 2001\nS: 1\n\nbody\nFrom inside\n"
                                 ">From quoted\n\nFrom b@c Mon Jan  1 00:00:00 2001\nS: 2\n\n"
                                 "\n\nx\n\n");
    EXPECT_EQ(Texts(ReadAll(dir / "box")),
              (Texts_{"S: 1\n\nbody\nFrom inside\n>From quoted\n", "S: 2\n\n\n\nx\n"}));
    interchange::ReadOptions rd;
    rd.unquoteMboxrd = true;
    EXPECT_EQ(Texts(ReadAll(dir / "box", rd))[0], "S: 1\n\nbody\nFrom inside\nFrom quoted\n");
}

TEST(MboxReader, CrLfFilesKeepTheirLineEnds) {
    test::TempDir dir;
    test::WriteFile(dir / "box", "From a\r\nS: 1\r\n\r\nb\rc\r\n\r\nFrom b\r\nS: 2\r\n\r\nc\r\n");
    EXPECT_EQ(Texts(ReadAll(dir / "box")), (Texts_{"S: 1\r\n\r\nb\rc\r\n", "S: 2\r\n\r\nc\r\n"}));
}

TEST(MboxReader, ContentLengthIsHonouredOnlyWhenItEndsAtABoundary) {
    test::TempDir dir;
    const std::string first = "Content-Length: 18\n\nline\n\nFrom inside\n";
    test::WriteFile(dir / "cl2", "From a\n" + first + "\nFrom b\nS: 2\n\nx\n");
    EXPECT_EQ(Texts(ReadAll(dir / "cl2")), (Texts_{first, "S: 2\n\nx\n"}));
    // The last message: its length runs to the end of the file.
    test::WriteFile(dir / "last", "From a\n" + first + "\n");
    EXPECT_EQ(Texts(ReadAll(dir / "last")), Texts_{first});
    // Lengths that end inside a line, past the file, or right before an empty line's separator
    // do not count: the envelope lines decide.
    for (const char* length : {"17", "19", "999", "x"}) {
        const std::string header = std::string("Content-Length: ") + length + "\n";
        test::WriteFile(dir / "bad", "From a\n" + header + "\nline\n\nFrom inside\n\nFrom b\nS\n");
        EXPECT_EQ(Texts(ReadAll(dir / "bad")), (Texts_{header + "\nline\n", "", "S\n"})) << length;
    }
}

TEST(MboxReader, TextBeforeTheFirstMessageIsSkippedAndReported) {
    test::TempDir dir;
    test::WriteFile(dir / "box", "garbage\n\nFrom a\nS: 1\n\nb\n");
    const auto items = ReadAll(dir / "box");
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0].status, ReadStatus::Skipped);
    EXPECT_EQ(items[0].position, 0);
    EXPECT_EQ(items[1].text, "S: 1\n\nb\n");
    EXPECT_EQ(items[1].position, 9);

    test::WriteFile(dir / "empty", "\n\n");
    EXPECT_TRUE(ReadAll(dir / "empty").empty());
    test::WriteFile(dir / "text", "hello\nworld\n");
    const auto notMbox = ReadAll(dir / "text");
    ASSERT_EQ(notMbox.size(), 1u);
    EXPECT_EQ(notMbox[0].status, ReadStatus::Failed);
}

TEST(MboxReader, OversizeMessageIsSkippedWithItsPositionAndReadingGoesOn) {
    test::TempDir dir;
    const std::string big = "S: big\n\n" + std::string(100, 'x') + "\n";
    test::WriteFile(dir / "box", "From a\nS: 1\n\n\nFrom b\n" + big + "\nFrom c\nS: 3\n");
    interchange::ReadOptions options;
    options.maxMessageBytes = 50;
    const auto items = ReadAll(dir / "box", options);
    ASSERT_EQ(items.size(), 3u);
    EXPECT_EQ(items[0].text, "S: 1\n\n");
    EXPECT_EQ(items[1].status, ReadStatus::Skipped);
    EXPECT_EQ(items[1].position, 14);
    EXPECT_EQ(items[2].text, "S: 3\n");
}

TEST(MaildirReader, FoldersFlagsAndUnreadableFiles) {
    test::TempDir dir;
    const std::string root = dir / "md";
    for (const char* sub : {"", "/cur", "/new", "/tmp", "/.A", "/.A/cur", "/.A.b&AC4-c&-d",
                            "/.A.b&AC4-c&-d/new", "/.notafolder"})
        std::filesystem::create_directory(root + sub);
#ifdef _WIN32
    const std::string info = "!2,"; // a file name there cannot hold ':'
#else
    const std::string info = ":2,";
#endif
    test::WriteFile(root + "/cur/2.x" + info + "FRS", "S: 2\n");
    test::WriteFile(root + "/new/1.x", "From env\nS: 1\n");
    test::WriteFile(root + "/tmp/0.x", "half");
    test::WriteFile(root + "/cur/.hidden", "no");
    const std::string unreadable = root + "/cur/3.x" + info + "T";
#ifdef _WIN32
    // Held open by another without sharing.
    test::WriteFile(unreadable, "S: 3\n");
    const HANDLE held = ::CreateFileW(std::filesystem::path(unreadable).c_str(), GENERIC_READ, 0,
                                      nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
#else
    std::filesystem::create_symlink(root + "/missing", unreadable);
#endif
    test::WriteFile(root + "/.A/cur/1.y" + info, "S: A\n");
    test::WriteFile(root + "/.A.b&AC4-c&-d/new/1.z", "S: deep\n");
    const auto items = ReadAll(root);
#ifdef _WIN32
    ::CloseHandle(held);
#endif
    ASSERT_EQ(items.size(), 5u);
    EXPECT_EQ(items[0].text, "S: 1\n"); // the envelope line is not part of the message
    EXPECT_EQ(items[0].status_bits, 0u);
    EXPECT_EQ(items[1].text, "S: 2\n");
    EXPECT_EQ(items[1].status_bits, 0x7u);
    EXPECT_EQ(items[2].status, ReadStatus::Skipped);
    EXPECT_EQ(items[3].folder, std::vector<std::string>{"A"});
    EXPECT_EQ(items[4].folder, (std::vector<std::string>{"A", "b.c&d"}));
    EXPECT_EQ(items[4].text, "S: deep\n");
}

TEST(EmlReader, NumberedFilesInOrderAndDirectoriesAsFolders) {
    test::TempDir dir;
    const std::string root = dir / "eml";
    std::filesystem::create_directories(root + "/Sub");
    test::WriteFile(root + "/100000-b.eml", "S: 2\r\n");
    test::WriteFile(root + "/99999-a.EML", "S: 1\r\n");
    test::WriteFile(root + "/notes.txt", "not a message");
    test::WriteFile(root + "/Sub/00001.eml", "S: 3\r\n");
    const auto items = ReadAll(root);
    ASSERT_EQ(items.size(), 3u);
    EXPECT_EQ(items[0].text, "S: 1\r\n");
    EXPECT_EQ(items[1].text, "S: 2\r\n");
    EXPECT_EQ(items[2].folder, std::vector<std::string>{"Sub"});

    std::string error;
    EXPECT_EQ(interchange::OpenReader(dir / "nothing", {}, error), nullptr);
    EXPECT_FALSE(error.empty());
}

} // namespace
} // namespace qb
