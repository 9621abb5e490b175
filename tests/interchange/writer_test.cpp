// The writers: envelope lines, what they refuse, and that no failure of the disk or cancel leaves
// an incomplete file behind.
#include "generated_mail.h"
#include "interchange/reader.h"
#include "interchange/writer.h"

#include "support/fault_harness.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

namespace qb {
namespace {

using interchange::Format;
using interchange::Message;
using Path = std::vector<std::string>;
namespace stdfs = std::filesystem;

constexpr std::int64_t kExportTime = 1000000000; // Sun Sep  9 01:46:40 2001 UTC

std::string FirstLines(const std::string& text, int count) {
    std::size_t end = 0;
    for (int i = 0; i < count && end != std::string::npos; ++i)
        end = text.find('\n', end == 0 ? 0 : end + 1);
    return text.substr(0, end);
}

TEST(MboxWriter, EnvelopeLineFromReturnPathFromAndDate) {
    const std::pair<std::string, std::string> cases[] = {
        {"Return-Path: <r@x.org>\nFrom: A <a@x.org>\nDate: Wed, 30 Jun 1993 21:49:08 -0700\n\nb\n",
         "From r@x.org Thu Jul  1 04:49:08 1993"},
        {"Return-Path: <>\nFrom: a@x.org (Name)\n\n", "From a@x.org Sun Sep  9 01:46:40 2001"},
        {"From: \"Smith, John <x>\" <j@x.org>\nDate: bogus\n\n",
         "From j@x.org Sun Sep  9 01:46:40 2001"},
        {"Subject: none\n\n", "From MAILER-DAEMON Sun Sep  9 01:46:40 2001"},
        {"From: odd\x01 <we ird@x>\n\n", "From weird@x Sun Sep  9 01:46:40 2001"},
        // The store's separator line goes, its status line stays.
        {"From - Mon Jan  1 00:00:00 2001\r\nX-Mozilla-Status: 0001\r\nFrom: Only Name\r\n"
         "Date: Thu, 01 Jan 70 00:00:00 +0000\r\n\r\n",
         "From MAILER-DAEMON Thu Jan  1 00:00:00 1970\nX-Mozilla-Status: 0001"},
    };
    for (const auto& [text, expected] : cases) {
        test::TempDir dir;
        auto writer = interchange::MakeWriter(Format::Mboxrd, dir.path(), kExportTime);
        ASSERT_TRUE(writer->BeginFolder({"F"}));
        ASSERT_TRUE(writer->Write({text, 0}));
        ASSERT_TRUE(writer->EndFolder()) << writer->Error();
        const std::string written = test::ReadFile(dir / "F.mbox");
        EXPECT_EQ(FirstLines(written, expected.find('\n') == std::string::npos ? 1 : 2), expected)
            << text;
    }
}

// A Content-Length left as the message had it may end the message elsewhere than at its
// envelope line for the readers that trust it; it counts the body as written.
TEST(MboxWriter, ContentLengthCountsTheBodyAsWritten) {
    test::TempDir dir;
    auto writer = interchange::MakeWriter(Format::Mboxrd, dir.path(), kExportTime);
    ASSERT_TRUE(writer->BeginFolder({"F"}));
    ASSERT_TRUE(writer->Write({"Content-Length: 999\r\nS: a\r\n\r\nbody\r\nFrom x\r\n", 0}));
    ASSERT_TRUE(writer->Write({"content-length :\r\n 7\r\nS: b\r\n\r\n\r\nend", 0}));
    ASSERT_TRUE(writer->Write({"S: c\r\nContent-Length: 3\r\n", 0})); // no body at all
    ASSERT_TRUE(writer->EndFolder()) << writer->Error();
    const std::string written = test::ReadFile(dir / "F.mbox");
    EXPECT_EQ(written.substr(written.find('\n') + 1),
              "Content-Length: 13\nS: a\n\nbody\n>From x\n\n"
              "From MAILER-DAEMON Sun Sep  9 01:46:40 2001\n"
              "content-length : 5\nS: b\n\n\nend\n\n"
              "From MAILER-DAEMON Sun Sep  9 01:46:40 2001\n"
              "S: c\nContent-Length: 0\n\n");
}

// A store's record written without joining its lines first comes out as the joined message
// does, whatever its header holds (a separator, Content-Length, odd line ends, no end at all).
TEST(MboxWriter, RecordOfAStoreAsItsJoinedMessage) {
    const unsigned seed = test::TestSeed();
    std::mt19937 rng(seed);
    test::TempDir dir;
    auto split = interchange::MakeWriter(Format::Mboxrd, dir / "split", kExportTime);
    auto joined = interchange::MakeWriter(Format::Mboxrd, dir / "joined", kExportTime);
    ASSERT_TRUE(split->BeginFolder({"F"}) && joined->BeginFolder({"F"}));
    for (int serial = 0; serial < 200; ++serial) {
        std::string text = test::RandomMessageText(rng, serial, {});
        if (rng() % 3 == 0)
            text.insert(0, "Content-Length: 1\r\n");
        // Lines as a store splits them: at LF, CR LF or a lone CR.
        std::vector<std::string> lines(1);
        for (std::size_t i = 0; i < text.size(); ++i) {
            if (text[i] == '\r' || text[i] == '\n') {
                i += text.compare(i, 2, "\r\n") == 0 ? 1 : 0;
                lines.emplace_back();
            } else {
                lines.back() += text[i];
            }
        }
        std::string header;
        std::size_t at = 0;
        for (; at < lines.size() && !lines[at].empty(); ++at)
            header += lines[at] + "\r\n";
        const std::vector<std::string> body(lines.begin() + std::min(at + 1, lines.size()),
                                            lines.end());
        if (rng() % 10 == 0)
            header.resize(header.size() - std::min<std::size_t>(header.size(), 1));
        ASSERT_TRUE(split->WriteRecord(header, body, 0));
        ASSERT_TRUE(joined->Write(interchange::FromStoreRecord(header, body, 0)));
    }
    ASSERT_TRUE(split->EndFolder() && joined->EndFolder());
    EXPECT_EQ(test::ReadFile(dir / "split/F.mbox"), test::ReadFile(dir / "joined/F.mbox"))
        << "seed " << seed;
}

TEST(Writers, RefuseToReplaceOrMixWithEarlierOutput) {
    test::TempDir dir;
    test::WriteFile(dir / "Inbox.mbox", "keep");
    auto mbox = interchange::MakeWriter(Format::Mboxrd, dir.path(), kExportTime);
    EXPECT_FALSE(mbox->BeginFolder({"Inbox"}));
    EXPECT_NE(mbox->Error().find("exists"), std::string::npos);
    // A file that appears while the folder is written is not replaced either.
    ASSERT_TRUE(mbox->BeginFolder({"Sent"}));
    ASSERT_TRUE(mbox->Write({"S: 1\n\nx\n", 0}));
    test::WriteFile(dir / "Sent.mbox", "keep");
    EXPECT_FALSE(mbox->EndFolder());
    EXPECT_EQ(test::ReadFile(dir / "Inbox.mbox"), "keep");
    EXPECT_EQ(test::ReadFile(dir / "Sent.mbox"), "keep");
    // Nor a name that is not one entry, nor one Windows cannot hold or takes for a device there;
    // elsewhere such a name of an old store's folder is written as it is.
    for (const Path& bad :
         {Path{".."}, Path{"a/b"}, Path{"x\x01"}, Path{"d\x7f"}, Path{""}, Path{}})
        EXPECT_FALSE(mbox->BeginFolder(bad)) << bad.back();
    auto eml = interchange::MakeWriter(Format::Eml, dir / "eml", kExportTime);
    auto parts = interchange::MakeWriter(Format::Maildir, dir / "parts", kExportTime);
#ifdef _WIN32
    for (const Path& bad :
         {Path{"a:b"}, Path{"CON"}, Path{"nul.txt"}, Path{"dot."}, Path{"ok", "Lpt1"}})
        EXPECT_FALSE(mbox->BeginFolder(bad)) << bad.back();
    for (const Path& bad : {Path{"a:b"}, Path{"aux"}, Path{"space "}})
        EXPECT_FALSE(eml->BeginFolder(bad)) << bad.back();
    // In Maildir++ a part follows a dot within one directory name: a device name is harmless
    // there, a colon or a trailing space is not.
    for (const Path& bad : {Path{"a:b"}, Path{"A", "space "}, Path{"q?"}})
        EXPECT_FALSE(parts->BeginFolder(bad)) << bad.back();
    EXPECT_TRUE(parts->BeginFolder({"CON", "dot."}));
    EXPECT_TRUE(stdfs::is_directory(dir / "parts/.CON.dot&AC4-/cur"));
#else
    ASSERT_TRUE(mbox->BeginFolder({"Re: plans."}));
    ASSERT_TRUE(mbox->Write({"S: 1\n\nx\n", 0}));
    ASSERT_TRUE(mbox->EndFolder());
    EXPECT_TRUE(stdfs::is_regular_file(dir / "Re: plans..mbox"));
    EXPECT_TRUE(parts->BeginFolder({"CON", "a:b "}));
    EXPECT_TRUE(stdfs::is_directory(dir / "parts/.CON.a:b /cur"));
#endif
    parts->Abort();

    stdfs::create_directories(dir / "md/cur");
    test::WriteFile(dir / "md/cur/1.x:2,S", "S: 1\n");
    auto maildir = interchange::MakeWriter(Format::Maildir, dir / "md", kExportTime);
    EXPECT_FALSE(maildir->BeginFolder({}));
    stdfs::create_directories(dir / "eml/Inbox");
    test::WriteFile(dir / "eml/Inbox/00001.eml", "S: 1\r\n");
    EXPECT_FALSE(eml->BeginFolder({"Inbox"}));
    EXPECT_EQ(stdfs::directory_iterator(dir / "md/cur")->path().filename(), "1.x:2,S");
}

// The flags follow the unique name after ':' as everywhere, on Windows after '!' (a file name
// there cannot hold ':'); the reader takes them back either way.
TEST(MaildirWriter, FlagsAfterASeparatorTheFileSystemCanHold) {
    test::TempDir dir;
    auto writer = interchange::MakeWriter(Format::Maildir, dir / "md", kExportTime);
    ASSERT_TRUE(writer->BeginFolder({}));
    const std::uint32_t flags = interchange::kStatusRead | interchange::kStatusMarked;
    ASSERT_TRUE(writer->Write({"S: 1\n\nb\n", flags}));
    ASSERT_TRUE(writer->EndFolder()) << writer->Error();
    const std::vector<std::string> names = test::DirNames(dir / "md/cur");
    ASSERT_EQ(names.size(), 1u);
#ifdef _WIN32
    EXPECT_TRUE(names[0].ends_with("!2,FS")) << names[0];
    EXPECT_EQ(names[0].find(':'), std::string::npos) << names[0];
#else
    EXPECT_TRUE(names[0].ends_with(":2,FS")) << names[0];
#endif
    auto reader = interchange::MakeMaildirReader(dir / "md", {});
    interchange::ReadItem item;
    ASSERT_EQ(reader->Next(item), interchange::ReadStatus::Message);
    EXPECT_EQ(item.message.status, flags);
}

// Every file below `dest`, by its path relative to it.
std::map<std::string, std::string> Files(const std::string& dest) {
    std::map<std::string, std::string> files;
    if (!stdfs::exists(dest))
        return files;
    for (const auto& entry : stdfs::recursive_directory_iterator(dest)) {
        if (entry.is_regular_file())
            files[entry.path().string().substr(dest.size() + 1)] =
                test::ReadFile(entry.path().string());
    }
    return files;
}

// Nothing a finished export made under a temporary name (files or staging directories) is left.
void ExpectNoTemporaryNames(const std::string& dest) {
    for (const auto& entry : stdfs::recursive_directory_iterator(dest))
        EXPECT_FALSE(fs::IsTemporaryName(entry.path().filename().string())) << entry.path();
}

struct Tree {
    std::vector<std::pair<Path, std::vector<Message>>> folders;
};

Tree SmallTree(bool withTop) {
    std::mt19937 rng(7);
    Tree tree;
    int serial = 0;
    for (Path path : {Path{"Inbox"}, Path{"Inbox", "Sub"}}) {
        if (withTop)
            path.erase(path.begin());
        std::vector<Message> messages;
        for (int i = 0; i < 3; ++i)
            messages.push_back({test::RandomMessageText(rng, ++serial, {}), 1});
        tree.folders.emplace_back(path, std::move(messages));
    }
    return tree;
}

bool WriteTree(Format format, const std::string& dest, const Tree& tree, bool cancel = false) {
    auto writer = interchange::MakeWriter(format, dest, kExportTime);
    for (const auto& [path, messages] : tree.folders) {
        if (!writer->BeginFolder(path))
            return false;
        for (const Message& message : messages) {
            if (!writer->Write(message))
                return false;
        }
        if (cancel) {
            writer->Abort();
            return false;
        }
        if (!writer->EndFolder())
            return false;
    }
    std::string error;
    return interchange::VerifyWritten(format, writer->Written(), error);
}

// Whatever happened, each file left is complete: a whole mbox folder, or one whole message.
void ExpectOnlyCompleteFiles(Format format, const std::string& dest, const Tree& tree) {
    std::vector<std::string> wholeMessages;
    for (const auto& folder : tree.folders) {
        for (const Message& message : folder.second) {
            wholeMessages.push_back(format == Format::Eml
                                        ? test::WithCrLf(test::Content(message.text))
                                        : test::WithLf(test::Content(message.text)));
        }
    }
    for (const auto& [name, bytes] : Files(dest)) {
        const std::string base = stdfs::path(name).filename().string();
        EXPECT_NE(base.rfind(".qbtmp-", 0), 0u) << "temporary file left: " << name;
        if (format == Format::Mboxrd) {
            ASSERT_EQ(name.substr(name.size() - 5), ".mbox") << name;
            std::int64_t count = 0;
            auto reader = interchange::MakeMboxReader(dest + "/" + name, {});
            interchange::ReadItem item;
            while (reader->Next(item) == interchange::ReadStatus::Message)
                ++count;
            EXPECT_EQ(count, 3) << name;
        } else if (base != "maildirfolder") {
            EXPECT_EQ(name.find("tmp/"), std::string::npos) << "left in tmp/: " << name;
            EXPECT_NE(std::find(wholeMessages.begin(), wholeMessages.end(), bytes),
                      wholeMessages.end())
                << "incomplete: " << name;
        }
    }
}

TEST(Writers, NoFailureOfTheDiskLeavesAnIncompleteFile) {
    for (Format format : {Format::Mboxrd, Format::Maildir, Format::Eml}) {
        SCOPED_TRACE(interchange::FormatName(format));
        test::TempDir dir;
        const std::string dest = dir / "out";
        const Tree tree = SmallTree(format == Format::Maildir);
        const std::size_t complete = format == Format::Mboxrd ? 2 : format == Format::Eml ? 6 : 7;
        // Every operation fails in turn; a write also by writing half its bytes. The syncs are
        // still counted and made to fail, but not waited for.
        fs::SetDiskWaits(false);
        std::vector<fs::Op> operations;
        fs::SetOperationObserver([&](fs::Op op, const std::string&) { operations.push_back(op); });
        ASSERT_TRUE(WriteTree(format, dest, tree));
        fs::SetOperationObserver(nullptr);
        EXPECT_EQ(Files(dest).size(), complete);
        ExpectNoTemporaryNames(dest);
        // A file gets its final name only after a sync that followed the last write.
        bool synced = true;
        for (fs::Op op : operations) {
            synced = op == fs::Op::Flush || (synced && op != fs::Op::Write);
            if (op == fs::Op::Rename) {
                EXPECT_TRUE(synced);
            }
        }
        for (std::size_t n = 0; n < operations.size(); ++n) {
            for (fs::FaultKind kind : {fs::FaultKind::Error, fs::FaultKind::ShortWrite}) {
                if (kind == fs::FaultKind::ShortWrite && operations[n] != fs::Op::Write)
                    continue;
                SCOPED_TRACE(std::string(test::KindName(kind)) + " at operation " +
                             std::to_string(n));
                stdfs::remove_all(dest);
                fs::SetFaultPlan({static_cast<std::int64_t>(n), kind});
                const bool ok = WriteTree(format, dest, tree);
                fs::ClearFaultPlan();
                ExpectOnlyCompleteFiles(format, dest, tree);
                if (ok) {
                    EXPECT_EQ(Files(dest).size(), complete);
                    ExpectNoTemporaryNames(dest);
                }
            }
        }
        fs::SetDiskWaits(true);
    }
}

TEST(Writers, CancelLeavesNothingOfTheOpenFolder) {
    for (Format format : {Format::Mboxrd, Format::Maildir, Format::Eml}) {
        SCOPED_TRACE(interchange::FormatName(format));
        test::TempDir dir;
        EXPECT_FALSE(WriteTree(format, dir / "out", SmallTree(format == Format::Maildir), true));
        for (const auto& [name, bytes] : Files(dir / "out"))
            EXPECT_EQ(stdfs::path(name).filename(), "maildirfolder") << name;
    }
}

} // namespace
} // namespace qb
