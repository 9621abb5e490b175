#include "archive_samples.h"

#include "model/archive.h"
#include "model/archived_mails.h"
#include "model/mails.h"
#include "platform/binary.h"
#include "support/fault_harness.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace qb {
namespace {

using test::ArchiveBytes;
using test::ArchiveMessage;
using test::FolderSpec;
using test::SameBytes;

// A plain folder to read a tree into.
struct Holder {
    CMails folder{"", "", CMails::kPlain};
};

std::string StoreToBytes(CMails& folder, bool recursive = true) {
    test::TempDir dir;
    fs::File file;
    EXPECT_TRUE(file.Open(dir / "b.qbf", fs::OpenMode::Create));
    {
        CArchive archive(file, CArchive::kStore);
        EXPECT_TRUE(folder.StoreTree(archive, recursive));
    }
    EXPECT_TRUE(file.Close());
    return test::ReadFile(dir / "b.qbf");
}

std::string StoreSpec(const FolderSpec& spec, bool reversed = false) {
    Holder holder;
    test::BuildFolder(holder.folder, spec, reversed);
    return StoreToBytes(holder.folder);
}

// Reads `bytes` from a file into `into`; the archive's error, None on success.
ArchiveCause Load(const std::string& bytes, CMails& into,
                  std::size_t bufferSize = CArchive::kBufferSize) {
    test::TempDir dir;
    test::WriteFile(dir / "b.qbf", bytes);
    fs::File file;
    EXPECT_TRUE(file.Open(dir / "b.qbf", fs::OpenMode::Read));
    CArchive archive(file, CArchive::kLoad, bufferSize);
    const bool ok = into.LoadTree(archive);
    EXPECT_EQ(ok, !archive.GetError());
    return archive.GetError().cause;
}

ArchiveCause LoadCause(const std::string& bytes) {
    Holder holder;
    return Load(bytes, holder.folder);
}

// ---- writing ----------------------------------------------------------------------------------

TEST(ArchiveWrite, FolderRecordLayout) {
    Holder holder;
    CMails& inbox = holder.folder;
    inbox.m_strName = "Inbox";
    test::AddSampleMessage(inbox, {"Subject: a\r\n", {"hi"}, 20, 4, 3, 1});
    const std::string example = std::string("\x05Inbox", 6) + std::string(12, '\0') +
                                std::string("\x01\0\0\0\xFF\xFF\x01\x00\x08\x00", 10) + "CMessage" +
                                std::string("\x14\0\0\0\x04\0\0\0\x03\0\0\0\x01\0\0\0", 16) +
                                "\x0CSubject: a\r\n" + std::string("\x01\0\0\0\x02hi\0\0\0\0", 11);
    EXPECT_TRUE(SameBytes(StoreToBytes(inbox), example));

    // The second header value goes before the first; wider values keep their low 16 bits.
    inbox.FreeMessages();
    inbox.m_nHeader3 = 0x11223344;
    inbox.m_nFlags = 0x55667788;
    inbox.m_wHeader2 = 0x1AABB;
    inbox.m_wHeader1 = 0xCCDD;
    EXPECT_TRUE(SameBytes(
        StoreToBytes(inbox),
        ArchiveBytes().Str("Inbox").D(0x11223344).D(0x55667788).W(0xAABB).W(0xCCDD).D(0).D(0).str));

    // Without recursion the record still ends in an empty sub-folder count.
    inbox.CreateFolder("Sub");
    const std::string flat = StoreToBytes(inbox, false);
    EXPECT_EQ(flat.substr(flat.size() - 8), ArchiveBytes().D(0).D(0).str);
}

TEST(ArchiveWrite, ClassDescribedOnceBeforeTheFirstMessageWhereverItStands) {
    const ArchiveMessage a{"A: 1\r\n", {"x"}}, b{"B: 2\r\n", {}}, c{"C: 3\r\n", {"y", "z"}};
    const FolderSpec spec{"Top", {}, {{"Empty", {}, {{"Deep", {a, b}, {}}}}, {"Later", {c}, {}}}};
    const std::string expected = ArchiveBytes()
                                     .Folder("Top", 0)
                                     .D(2)
                                     .Folder("Empty", 0)
                                     .D(1)
                                     .Folder("Deep", 2)
                                     .ClassDescription()
                                     .Message(a)
                                     .W(0x8001)
                                     .Message(b)
                                     .D(0)
                                     .Folder("Later", 1)
                                     .W(0x8001)
                                     .Message(c)
                                     .D(0)
                                     .str;
    EXPECT_TRUE(SameBytes(StoreSpec(spec), expected));
}

TEST(ArchiveWrite, StringLengthPrefixes) {
    const std::vector<std::pair<std::size_t, std::string>> cases = {
        {0, std::string(1, '\0')},
        {254, "\xFE"},
        {255, std::string("\xFF\xFF\x00", 3)},
        {300, "\xFF\x2C\x01"},
        {65533, "\xFF\xFD\xFF"},
        {65534, std::string("\xFF\xFF\xFF\xFE\xFF\x00\x00", 7)},
        {65535, std::string("\xFF\xFF\xFF\xFF\xFF\x00\x00", 7)},
        {70000, std::string("\xFF\xFF\xFF\x70\x11\x01\x00", 7)},
    };
    for (const auto& [length, prefix] : cases) {
        SCOPED_TRACE(length);
        const std::string text(length, 'q');
        test::TempDir dir;
        fs::File file;
        ASSERT_TRUE(file.Open(dir / "s", fs::OpenMode::Create));
        CArchive archive(file, CArchive::kStore);
        ASSERT_TRUE(archive.WriteString(text) && archive.Flush());
        const std::string bytes = test::ReadFile(dir / "s");
        EXPECT_TRUE(SameBytes(bytes, prefix + text));

        CArchive reader(bytes);
        std::string back;
        ASSERT_TRUE(reader.ReadString(back));
        EXPECT_EQ(back, text);
        EXPECT_EQ(reader.BytesLeft(), 0);
    }
}

// A store folder whose message bodies are read only when asked for.
class LazyFolder : public CMails {
  public:
    using CMails::CMails;
    bool LoadMessages() override {
        FreeMessages();
        for (int i = 0; i < 2; ++i) {
            m_pMessages.push_back(std::make_unique<CMessage>(i, 0, this, "N: 1\r\n", ""));
            m_pMessages.back()->m_nBodyLines = 2;
        }
        return true;
    }
    bool ReadMessage(CMessage& message) override {
        ++reads;
        if (!failReads)
            message.m_aBody = {"line one", "line two"};
        return !failReads;
    }
    int reads = 0;
    bool failReads = false;
};

TEST(ArchiveWrite, BodiesAreReadFromTheStoreFirst) {
    LazyFolder folder("Lazy", "/lazy");
    for (const bool fail : {false, true}) {
        SCOPED_TRACE(fail ? "unreadable" : "readable");
        folder.failReads = fail;
        folder.reads = 0;
        // An unreadable message is still written, with the lines it holds (none).
        const ArchiveMessage m{
            "N: 1\r\n",
            fail ? std::vector<std::string>{} : std::vector<std::string>{"line one", "line two"},
            0,
            0,
            0,
            2};
        EXPECT_TRUE(SameBytes(StoreToBytes(folder), ArchiveBytes()
                                                        .Folder("Lazy", 2)
                                                        .ClassDescription()
                                                        .Message(m)
                                                        .W(0x8001)
                                                        .Message(m)
                                                        .D(0)
                                                        .str));
        EXPECT_EQ(folder.reads, 2);
    }
}

// A backup holds one message's body at a time: lines read only for writing are let go, and the
// message reads them again when its text is asked for.
TEST(ArchiveWrite, BodiesReadForWritingAreReleased) {
    LazyFolder folder("Lazy", "/lazy");
    folder.m_nType = CMails::kNetscape; // its bodies live in a file
    StoreToBytes(folder);
    ASSERT_EQ(folder.reads, 2);
    const MessageList& messages = folder.m_pMessages; // as written, not listed again
    ASSERT_EQ(messages.size(), 2u);
    for (const auto& message : messages)
        EXPECT_TRUE(message->m_aBody.empty());
    EXPECT_NE(messages[0]->GetText().find("line two"), std::string::npos);
    EXPECT_EQ(folder.reads, 3);
}

TEST(ArchiveWrite, WrongDirectionIsRefused) {
    Holder holder;
    CArchive reader(std::string_view("\x00", 1));
    EXPECT_FALSE(holder.folder.StoreTree(reader, true));
    EXPECT_FALSE(reader.WriteDword(1));

    test::TempDir dir;
    fs::File file;
    ASSERT_TRUE(file.Open(dir / "w", fs::OpenMode::Create));
    CArchive writer(file, CArchive::kStore);
    EXPECT_FALSE(holder.folder.LoadTree(writer));
    std::uint32_t value = 0;
    EXPECT_FALSE(writer.ReadDword(value));
}

// Every failing file operation while a backup is written is reported; an undisturbed run writes
// every byte.
TEST(ArchiveWrite, FileFailuresAreReported) {
    const std::string expected = StoreSpec(test::SampleTree());
    ASSERT_GT(expected.size(), 3 * CArchive::kBufferSize); // several buffer writes
    test::TempDir dir;
    const std::string path = dir / "b.qbf";
    Holder holder;
    test::BuildFolder(holder.folder, test::SampleTree(), false);
    test::EnumerateFaults([&] { std::filesystem::remove(path); },
                          [&] {
                              fs::File file;
                              if (!file.Open(path, fs::OpenMode::Create))
                                  return false;
                              CArchive archive(file, CArchive::kStore);
                              const bool stored = holder.folder.StoreTree(archive, true);
                              return file.Close() && stored;
                          },
                          [&](const test::FaultCase& c) {
                              EXPECT_EQ(c.reportedSuccess, c.index < 0);
                              if (c.reportedSuccess) {
                                  EXPECT_TRUE(SameBytes(test::ReadFile(path), expected));
                              }
                          });
}

// ---- reading ----------------------------------------------------------------------------------

TEST(ArchiveRead, RoundTripGivesTheSameBytesWithSubFoldersReversed) {
    const std::string original = StoreSpec(test::SampleTree());
    for (std::size_t buffer : {std::size_t{16}, std::size_t{17}, CArchive::kBufferSize}) {
        SCOPED_TRACE(buffer);
        Holder restored;
        ASSERT_EQ(Load(original, restored.folder, buffer), ArchiveCause::None);
        EXPECT_TRUE(SameBytes(StoreToBytes(restored.folder), StoreSpec(test::SampleTree(), true)));
    }

    Holder restored;
    ASSERT_EQ(Load(original, restored.folder), ArchiveCause::None);
    CMessage& picture = *restored.folder.m_pMessages.at(0);
    EXPECT_EQ(picture.m_nSize, 0x80000001); // a dword read without a sign
    // The display text is composed from the restored lines when asked for.
    CMessage composed(0, 0, nullptr, picture.m_strHeader, "");
    composed.m_aBody = test::PictureMessage().body;
    composed.m_nBodyLines = 9;
    ASSERT_TRUE(composed.ComposeText());
    const std::string text = picture.GetText();
    EXPECT_NE(text.find("See the picture."), std::string::npos);
    EXPECT_EQ(text, composed.m_strText);
    for (CMails* child : restored.folder.Children()) {
        EXPECT_EQ(child->GetType(), CMails::kPlain);
        EXPECT_TRUE(child->m_strPath.empty());
    }
}

// The tree read first holds no message: each folder reads its messages from the file when they are
// handed over, in any order and as often as asked, and a file that changed since is reported.
TEST(ArchiveRead, TreeReadsItsMessagesFromTheFileWhenHandedOver) {
    const std::string bytes = StoreSpec(test::SampleTree());
    test::TempDir dir;
    test::WriteFile(dir / "b.qbf", bytes);
    fs::File file;
    ASSERT_TRUE(file.Open(dir / "b.qbf", fs::OpenMode::Read));
    CArchive archive(file, CArchive::kLoad, 64);
    const std::unique_ptr<CArchivedMails> tree = CArchivedMails::ReadTree(archive);
    ASSERT_NE(tree, nullptr);
    EXPECT_EQ(archive.BytesLeft(), 0);
    // Work's record (the last one with messages) before the top's, which describes the class.
    CMails* work = tree->Children().at(2);
    ASSERT_EQ(work->m_strName, "Work");
    const auto headers = [](CMails& folder) {
        std::vector<std::string> seen;
        EXPECT_TRUE(folder.ForEachListed([&](CMessage& m) {
            seen.push_back(m.m_strHeader + std::to_string(m.m_aBody.size()));
            return true;
        }));
        return seen;
    };
    const std::vector<std::string> workFirst = headers(*work);
    const std::vector<std::string> top = headers(*tree);
    EXPECT_EQ(workFirst, (std::vector<std::string>{"Subject: big\r\n2"}));
    EXPECT_EQ(top.size(), 2u);
    EXPECT_EQ(headers(*work), workFirst);
    EXPECT_EQ(tree->MessageCount() + work->MessageCount(), 3u);
    EXPECT_FALSE(archive.GetError());

    test::WriteFile(dir / "b.qbf", bytes.substr(0, bytes.size() - 40000));
    EXPECT_FALSE(work->ForEachListed([](CMessage&) { return true; }));
    EXPECT_EQ(archive.GetError().cause, ArchiveCause::EndOfData);
}

TEST(ArchiveRead, AccumulatesIntoAReceivingFolder) {
    Holder holder;
    CMails& into = holder.folder;
    into.m_strName = "Before";
    into.m_nHeader3 = 5;
    into.m_nFlags = 0x1;
    into.m_wHeader2 = 0xFFFF; // a sum past 16 bits is kept whole in memory
    into.m_wHeader1 = 2;
    test::AddSampleMessage(into, {"Old: 1\r\n", {"kept"}});
    const ArchiveMessage added{"New: 2\r\n", {"added"}};
    ASSERT_EQ(Load(ArchiveBytes()
                       .Str("After")
                       .D(10)
                       .D(0x4)
                       .W(3)
                       .W(4)
                       .D(1)
                       .ClassDescription()
                       .Message(added)
                       .D(0)
                       .str,
                   into),
              ArchiveCause::None);
    EXPECT_EQ(into.m_strName, "After");
    EXPECT_EQ(into.m_nHeader3, 15u);
    EXPECT_EQ(into.m_nFlags, 0x5);
    EXPECT_EQ(into.m_wHeader2, 0x10002u);
    EXPECT_EQ(into.m_wHeader1, 6u);
    ASSERT_EQ(into.m_pMessages.size(), 2u);
    EXPECT_EQ(into.m_pMessages[0]->m_strHeader, "Old: 1\r\n");
    EXPECT_EQ(into.m_pMessages[1]->m_strHeader, added.header);
    EXPECT_EQ(into.m_pMessages[1]->m_aBody, added.body);
}

TEST(ArchiveRead, WideStringsBecomeEightBitText) {
    const auto wide = [](const std::vector<std::uint16_t>& units) {
        ArchiveBytes out;
        out.B(0xFF).W(0xFFFE);
        if (units.size() < 255)
            out.B(static_cast<std::uint8_t>(units.size()));
        else
            out.B(0xFF).W(static_cast<std::uint16_t>(units.size()));
        for (std::uint16_t u : units)
            out.W(u);
        return out.str;
    };
    // Latin-1, a Windows-1252 sign, a character the code page lacks and a surrogate pair.
    const std::string bytes = wide({'I', 'n', 'b', 'o', 'x'}) +
                              ArchiveBytes().Zeros(12).D(1).ClassDescription().Zeros(16).str +
                              wide({'S', ':', 0x00E9, 0x20AC, 0x4E2D, 0xD83D, 0xDE00, '\r', '\n'}) +
                              ArchiveBytes().D(1).str + wide(std::vector<std::uint16_t>(300, 'w')) +
                              ArchiveBytes().D(0).str;
    Holder holder;
    ASSERT_EQ(Load(bytes, holder.folder), ArchiveCause::None);
    EXPECT_EQ(holder.folder.m_strName, "Inbox");
    ASSERT_EQ(holder.folder.m_pMessages.size(), 1u);
    EXPECT_EQ(holder.folder.m_pMessages[0]->m_strHeader, "S:\xE9\x80??\r\n");
    EXPECT_EQ(holder.folder.m_pMessages[0]->m_aBody,
              std::vector<std::string>{std::string(300, 'w')});
}

TEST(ArchiveRead, LongClassReferenceAndOversizedLineCount) {
    // The second message uses the long class reference and claims far more lines than it
    // carries (as a message whose body could not be read when it was backed up does): the
    // count is kept, but composing walks only the lines there are.
    const ArchiveMessage a{"A: 1\r\n", {}}, b{"B: 2\r\n", {"only"}, 0, 0, 0, 0x7FFFFFFF};
    Holder holder;
    ASSERT_EQ(Load(ArchiveBytes()
                       .Folder("F", 2)
                       .ClassDescription()
                       .Message(a)
                       .W(0x7FFF)
                       .D(0x80000001)
                       .Message(b)
                       .D(0)
                       .str,
                   holder.folder),
              ArchiveCause::None);
    ASSERT_EQ(holder.folder.m_pMessages.size(), 2u);
    const CMessage& m = *holder.folder.m_pMessages[1];
    EXPECT_EQ(m.m_nBodyLines, 0x7FFFFFFF);
    EXPECT_EQ(m.m_strText, "\r\nonly\r\n\r\n");
}

// A receiving folder that cannot take what was read makes the read fail, without blaming the file.
class RefusingFolder : public CMails {
  public:
    using CMails::CMails;
    bool AddMessage(CMessage& source) override {
        return !refuseMessages && CMails::AddMessage(source);
    }
    CMails* CopyFolder(CMails& source) override {
        return refuseMessages ? CMails::CopyFolder(source) : nullptr;
    }
    bool refuseMessages = false;
};

TEST(ArchiveRead, ReceivingFolderFailuresAreReported) {
    const std::string bytes = StoreSpec(test::SmallTree());
    for (const bool messages : {true, false}) {
        RefusingFolder into("", "");
        into.refuseMessages = messages;
        CArchive archive(bytes);
        EXPECT_FALSE(into.LoadTree(archive));
        EXPECT_FALSE(archive.GetError());
    }
}

// ---- rejected archives ------------------------------------------------------------------------

TEST(ArchiveReject, DamagedObjectsAndCounts) {
    const ArchiveMessage m{"A: 1\r\n", {"x"}};
    const auto one = [] { return ArchiveBytes().Folder("F", 1); };
    const auto second = [&] { return ArchiveBytes().Folder("F", 2).ClassDescription().Message(m); };
    const auto emptyMessage = [&] { return one().ClassDescription().Zeros(16).Str(""); };
    const std::vector<std::tuple<const char*, std::string, ArchiveCause>> cases = {
        {"null object", one().W(0).Message(m).D(0).str, ArchiveCause::BadFormat},
        {"object reference", second().W(0x0002).Message(m).D(0).str, ArchiveCause::BadFormat},
        {"long object reference", second().W(0x7FFF).D(2).Message(m).D(0).str,
         ArchiveCause::BadFormat},
        {"class not described", one().W(0x8001).Message(m).D(0).str, ArchiveCause::BadFormat},
        {"class number of an object", second().W(0x8002).Message(m).D(0).str,
         ArchiveCause::BadFormat},
        {"long class number not described", second().W(0x7FFF).D(0x80000005).Message(m).D(0).str,
         ArchiveCause::BadFormat},
        {"other class", one().W(0xFFFF).W(1).W(6).Raw("CMails").Zeros(40).str,
         ArchiveCause::UnexpectedObject},
        {"name in other case", one().W(0xFFFF).W(1).W(8).Raw("cmessage").Zeros(40).str,
         ArchiveCause::UnexpectedObject},
        {"other schema", one().W(0xFFFF).W(2).W(8).Raw("CMessage").Zeros(40).str,
         ArchiveCause::IncorrectSchema},
        {"negative message count", ArchiveBytes().Folder("F", 0xFFFFFFFF).D(0).str,
         ArchiveCause::BadFormat},
        {"negative folder count", ArchiveBytes().Folder("F", 0).D(0x80000000).str,
         ArchiveCause::BadFormat},
        {"negative line count", emptyMessage().D(0xFFFFFFFE).str, ArchiveCause::BadFormat},
        {"message count past the end", ArchiveBytes().Folder("F", 0x7FFFFFFF).Zeros(200).str,
         ArchiveCause::EndOfData},
        {"folder count past the end", ArchiveBytes().Folder("F", 0).D(10).Zeros(100).str,
         ArchiveCause::EndOfData},
        {"line count past the end", emptyMessage().D(0x7FFFFFF0).Zeros(8).str,
         ArchiveCause::EndOfData},
        {"string past the end", ArchiveBytes().B(0xFF).W(0xFFFF).D(0xFFFFFFF0).Zeros(64).str,
         ArchiveCause::EndOfData},
        {"wide string past the end", ArchiveBytes().B(0xFF).W(0xFFFE).B(0xFF).W(40).Zeros(60).str,
         ArchiveCause::EndOfData},
        {"class name past the end", one().W(0xFFFF).W(1).W(500).Raw("CM").str,
         ArchiveCause::EndOfData},
        {"wide marker twice", ArchiveBytes().B(0xFF).W(0xFFFE).B(0xFF).W(0xFFFE).Zeros(40).str,
         ArchiveCause::BadFormat},
        {"empty file", std::string(), ArchiveCause::EndOfData},
    };
    for (const auto& [what, bytes, cause] : cases) {
        SCOPED_TRACE(what);
        EXPECT_EQ(LoadCause(bytes), cause);
    }
}

TEST(ArchiveReject, EveryTruncationEndsPastTheEnd) {
    const std::string whole = StoreSpec(test::SmallTree());
    for (std::size_t n = 0; n < whole.size(); ++n) {
        SCOPED_TRACE(n);
        CArchive archive(std::string_view(whole).substr(0, n));
        Holder holder;
        EXPECT_FALSE(holder.folder.LoadTree(archive));
        EXPECT_EQ(archive.GetError().cause, ArchiveCause::EndOfData);
    }
    // Bytes after the record are left unread.
    const std::string longer = whole + "junk";
    CArchive archive(longer);
    Holder holder;
    EXPECT_TRUE(holder.folder.LoadTree(archive));
    EXPECT_EQ(archive.BytesLeft(), 4);
}

TEST(ArchiveReject, NestingIsBounded) {
    const auto chain = [](int depth) {
        ArchiveBytes b;
        for (int i = 0; i < depth; ++i)
            b.Folder("n", 0).D(i + 1 < depth ? 1 : 0);
        return b.str;
    };
    Holder holder;
    EXPECT_EQ(Load(chain(CArchive::kMaxFolderDepth + 1), holder.folder), ArchiveCause::None);
    int depth = 0;
    for (CMails* f = &holder.folder; f->HasChildren(); f = f->Children()[0])
        ++depth;
    EXPECT_EQ(depth, CArchive::kMaxFolderDepth);
    EXPECT_EQ(LoadCause(chain(CArchive::kMaxFolderDepth + 2)), ArchiveCause::BadFormat);
    // Far deeper than a stack would take if it were followed.
    EXPECT_EQ(LoadCause(chain(200000)), ArchiveCause::BadFormat);
}

TEST(ArchiveReject, ErrorTextsNameTheFile) {
    const std::vector<std::pair<ArchiveCause, const char*>> texts = {
        {ArchiveCause::EndOfData, "An attempt was made to access /u/b.qbf past its end."},
        {ArchiveCause::UnexpectedObject, "/u/b.qbf contained an unexpected object."},
        {ArchiveCause::IncorrectSchema, "/u/b.qbf contains an incorrect schema."},
        {ArchiveCause::BadFormat, "/u/b.qbf has a bad format."},
    };
    for (const auto& [cause, text] : texts)
        EXPECT_EQ(ArchiveError{cause}.Text("/u/b.qbf"), text);
}

// A disk that fails while a backup is read gives a read error, never a half-read success.
TEST(ArchiveReject, FileFailuresWhileReading) {
    test::TempDir dir;
    const std::string path = dir / "b.qbf";
    test::WriteFile(path, StoreSpec(test::SampleTree()));
    ArchiveError error;
    std::unique_ptr<Holder> holder;
    test::EnumerateFaults([&] { holder = std::make_unique<Holder>(); },
                          [&] {
                              fs::File file;
                              if (!file.Open(path, fs::OpenMode::Read))
                                  return false;
                              CArchive archive(file, CArchive::kLoad);
                              const bool ok = holder->folder.LoadTree(archive);
                              error = archive.GetError();
                              return ok;
                          },
                          [&](const test::FaultCase& c) {
                              if (c.reportedSuccess) {
                                  EXPECT_TRUE(SameBytes(StoreToBytes(holder->folder),
                                                        StoreSpec(test::SampleTree(), true)));
                              } else if (c.index > 0) { // past the open
                                  EXPECT_EQ(error.cause, ArchiveCause::ReadFailed);
                              }
                          });
}

// The fuzzing seeds are archives this writer makes and must stay in step with it
// (QB_WRITE_ARCHIVE_SEEDS=1 rewrites them).
TEST(ArchiveSeeds, CheckedInSeedsMatchTheWriter) {
    const auto seeds = std::filesystem::path(QUILLBOX_SOURCE_DIR) / "fuzz/corpus/archive";
    const bool regenerate = std::getenv("QB_WRITE_ARCHIVE_SEEDS") != nullptr;
    if (!regenerate && !std::filesystem::is_directory(seeds))
        GTEST_SKIP() << "no source tree beside the test";
    for (const auto& [name, spec] : test::SeedTrees()) {
        SCOPED_TRACE(name);
        const std::string bytes = StoreSpec(spec);
        if (regenerate)
            test::WriteFile((seeds / name).string(), bytes);
        EXPECT_TRUE(SameBytes(test::ReadFile((seeds / name).string()), bytes));
        EXPECT_EQ(LoadCause(bytes), ArchiveCause::None);
    }
}

} // namespace
} // namespace qb
