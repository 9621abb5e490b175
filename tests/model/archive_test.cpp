#include "archive_samples.h"

#include "model/archive.h"
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

using test::Bytes;
using test::FolderSpec;
using test::MessageSpec;

// A plain folder that frees the tree read into it.
struct Holder {
    CMails folder{"", "", CMails::kPlain};
    ~Holder() { folder.FreeSubFolders(); }
};

std::string StoreToBytes(CMails& folder, bool recursive = true) {
    test::TempDir dir;
    const std::string path = dir / "backup.qbf";
    fs::File file;
    EXPECT_TRUE(file.Open(path, fs::OpenMode::Create));
    {
        CArchive archive(file, CArchive::kStore);
        EXPECT_TRUE(folder.StoreTree(archive, recursive));
    }
    EXPECT_TRUE(file.Close());
    return test::ReadFile(path);
}

std::string StoreSpec(const FolderSpec& spec, bool reversed = false) {
    Holder holder;
    test::BuildFolder(holder.folder, spec, reversed);
    return StoreToBytes(holder.folder);
}

struct LoadResult {
    bool ok = false;
    ArchiveError error;
};

LoadResult LoadFromBytes(const std::string& bytes, CMails& into,
                         std::size_t bufferSize = CArchive::kBufferSize) {
    test::TempDir dir;
    const std::string path = dir / "backup.qbf";
    test::WriteFile(path, bytes);
    fs::File file;
    EXPECT_TRUE(file.Open(path, fs::OpenMode::Read));
    CArchive archive(file, CArchive::kLoad, bufferSize);
    LoadResult result;
    result.ok = into.LoadTree(archive);
    result.error = archive.GetError();
    return result;
}

ArchiveCause LoadCause(const std::string& bytes) {
    Holder holder;
    const LoadResult result = LoadFromBytes(bytes, holder.folder);
    EXPECT_FALSE(result.ok);
    return result.error.cause;
}

// ---- writing ----------------------------------------------------------------------------------

TEST(ArchiveWrite, OneFolderWithOneMessageIsTheDocumentedSequence) {
    Holder holder;
    holder.folder.m_strName = "Inbox";
    test::AddSampleMessage(holder.folder, {"Subject: a\r\n", {"hi"}, 20, 4, 3, 1});
    ASSERT_EQ(holder.folder.m_pMessages.front()->m_strHeader.size(), 12u);

    const std::string expected =
        std::string("\x05Inbox", 6) + std::string(12, '\0') + std::string("\x01\0\0\0", 4) +
        std::string("\xFF\xFF\x01\x00\x08\x00"
                    "CMessage",
                    14) +
        std::string("\x14\0\0\0\x04\0\0\0\x03\0\0\0\x01\0\0\0", 16) + "\x0CSubject: a\r\n" +
        std::string("\x01\0\0\0\x02hi", 7) + std::string(4, '\0');
    EXPECT_TRUE(test::SameBytes(StoreToBytes(holder.folder), expected));
}

TEST(ArchiveWrite, EmptyFolderAndFieldOrder) {
    Holder holder;
    holder.folder.m_strName = "Empty";
    EXPECT_EQ(StoreToBytes(holder.folder), Bytes().Str("Empty").Zeros(12).D(0).D(0).str);

    // The second header value goes before the first; values wider than a word keep their low
    // 16 bits.
    holder.folder.m_nHeader3 = 0x11223344;
    holder.folder.m_nFlags = 0x55667788;
    holder.folder.m_wHeader2 = 0x1AABB;
    holder.folder.m_wHeader1 = 0xCCDD;
    EXPECT_EQ(StoreToBytes(holder.folder),
              Bytes().Str("Empty").D(0x11223344).D(0x55667788).W(0xAABB).W(0xCCDD).D(0).D(0).str);

    // Without recursion the record still ends in an empty sub-folder count.
    holder.folder.CreateFolder("Sub");
    const std::string flat = StoreToBytes(holder.folder, false);
    EXPECT_EQ(flat.substr(flat.size() - 8), Bytes().D(0).D(0).str);
}

TEST(ArchiveWrite, ClassDescribedOnceBeforeTheFirstMessageWhereverItStands) {
    // Top -> Empty -> Deep(2 messages); Top -> Later(1 message). Only Deep's first message
    // carries the class description.
    const FolderSpec spec{"Top",
                          {},
                          {{"Empty", {}, {{"Deep", {{"A: 1\r\n", {"x"}}, {"B: 2\r\n", {}}}, {}}}},
                           {"Later", {{"C: 3\r\n", {"y", "z"}}}, {}}}};
    const auto folder = [](const char* name) { return Bytes().Str(name).Zeros(12); };
    const std::string expected =
        folder("Top").D(0).D(2).str + folder("Empty").D(0).D(1).str + folder("Deep").D(2).str +
        Bytes().ClassDescription().Message({"A: 1\r\n", {"x"}}).str +
        Bytes().W(0x8001).Message({"B: 2\r\n", {}}).D(0).str + folder("Later").D(1).str +
        Bytes().W(0x8001).Message({"C: 3\r\n", {"y", "z"}}).D(0).str;
    EXPECT_TRUE(test::SameBytes(StoreSpec(spec), expected));
}

TEST(ArchiveWrite, StringLengthPrefixes) {
    struct Case {
        std::size_t length;
        std::string prefix;
    };
    const std::vector<Case> cases = {
        {0, std::string(1, '\0')},
        {254, "\xFE"},
        {255, std::string("\xFF\xFF\x00", 3)},
        {300, "\xFF\x2C\x01"},
        {65533, "\xFF\xFD\xFF"},
        {65534, std::string("\xFF\xFF\xFF\xFE\xFF\x00\x00", 7)},
        {65535, std::string("\xFF\xFF\xFF\xFF\xFF\x00\x00", 7)},
        {70000, std::string("\xFF\xFF\xFF\x70\x11\x01\x00", 7)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.length);
        const std::string text(c.length, 'q');
        test::TempDir dir;
        fs::File file;
        ASSERT_TRUE(file.Open(dir / "s", fs::OpenMode::Create));
        {
            CArchive archive(file, CArchive::kStore);
            ASSERT_TRUE(archive.WriteString(text));
            ASSERT_TRUE(archive.Flush());
        }
        ASSERT_TRUE(file.Close());
        const std::string bytes = test::ReadFile(dir / "s");
        EXPECT_TRUE(test::SameBytes(bytes, c.prefix + text));

        CArchive reader(bytes);
        std::string back;
        ASSERT_TRUE(reader.ReadString(back));
        EXPECT_EQ(back, text);
        EXPECT_EQ(reader.BytesLeft(), 0);
    }
}

// A folder whose messages are not read until the archive asks for their bodies.
class LazyFolder : public CMails {
  public:
    using CMails::CMails;
    bool LoadMessages() override {
        FreeMessages();
        for (int i = 0; i < 2; ++i) {
            auto m = std::make_unique<CMessage>(i, 0, this, "N: " + std::to_string(i) + "\r\n", "");
            m->m_nBodyLines = 2;
            m_pMessages.push_back(std::move(m));
        }
        return true;
    }
    bool ReadMessage(CMessage& message) override {
        ++reads;
        if (failReads)
            return false;
        message.m_aBody = {"line one", "line two"};
        return true;
    }
    int reads = 0;
    bool failReads = false;
};

TEST(ArchiveWrite, BodiesAreReadFromTheStoreUnlessComposed) {
    LazyFolder folder("Lazy", "/lazy");
    const std::string bytes = StoreToBytes(folder);
    EXPECT_EQ(folder.reads, 2);
    const auto record = [](const char* header, std::vector<std::string> body) {
        return MessageSpec{header, std::move(body), 0, 0, 0, 2};
    };
    EXPECT_EQ(bytes, Bytes()
                         .Str("Lazy")
                         .Zeros(12)
                         .D(2)
                         .ClassDescription()
                         .Message(record("N: 0\r\n", {"line one", "line two"}))
                         .W(0x8001)
                         .Message(record("N: 1\r\n", {"line one", "line two"}))
                         .D(0)
                         .str);

    // Unreadable bodies: the messages are still written, with the lines they hold (none).
    folder.failReads = true;
    EXPECT_EQ(StoreToBytes(folder), Bytes()
                                        .Str("Lazy")
                                        .Zeros(12)
                                        .D(2)
                                        .ClassDescription()
                                        .Message(record("N: 0\r\n", {}))
                                        .W(0x8001)
                                        .Message(record("N: 1\r\n", {}))
                                        .D(0)
                                        .str);

    // Composed messages are not read again.
    folder.failReads = false;
    folder.reads = 0;
    folder.GetMessages();
    for (auto& m : folder.m_pMessages) {
        m->m_aBody = {"kept"};
        m->m_nBodyLines = 1;
        ASSERT_TRUE(m->ComposeText());
    }
    test::TempDir dir;
    fs::File file;
    ASSERT_TRUE(file.Open(dir / "c", fs::OpenMode::Create));
    CArchive writer(file, CArchive::kStore);
    for (auto& m : folder.m_pMessages)
        ASSERT_TRUE(m->Serialize(writer));
    ASSERT_TRUE(writer.Flush());
    EXPECT_EQ(folder.reads, 0);
    EXPECT_NE(test::ReadFile(dir / "c").find("\x04kept"), std::string::npos);
}

TEST(ArchiveWrite, WrongDirectionIsRefused) {
    Holder holder;
    CArchive reader(std::string_view("\x00", 1));
    EXPECT_FALSE(holder.folder.StoreTree(reader, true));

    test::TempDir dir;
    fs::File file;
    ASSERT_TRUE(file.Open(dir / "w", fs::OpenMode::Create));
    CArchive writer(file, CArchive::kStore);
    EXPECT_FALSE(holder.folder.LoadTree(writer));
    std::uint32_t value = 0;
    EXPECT_FALSE(writer.ReadDword(value));
}

// Every failing file operation while a backup is written makes StoreTree, flush or close report
// failure; an undisturbed run writes every byte.
TEST(ArchiveWrite, FileFailuresAreReported) {
    const FolderSpec spec = test::SampleTree();
    const std::string expected = StoreSpec(spec);
    ASSERT_GT(expected.size(), 3 * CArchive::kBufferSize); // several buffer writes

    test::TempDir dir;
    const std::string path = dir / "backup.qbf";
    Holder holder;
    test::BuildFolder(holder.folder, spec, false);
    const auto count =
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
                                  if (c.index < 0) {
                                      EXPECT_TRUE(c.reportedSuccess);
                                      EXPECT_TRUE(test::SameBytes(test::ReadFile(path), expected));
                                  } else {
                                      EXPECT_FALSE(c.reportedSuccess);
                                  }
                              });
    EXPECT_GE(count, 5);
}

// ---- reading ----------------------------------------------------------------------------------

TEST(ArchiveRead, RoundTripGivesTheSameBytesWithSubFoldersReversed) {
    const FolderSpec spec = test::SampleTree();
    const std::string original = StoreSpec(spec);
    for (std::size_t buffer : {std::size_t{16}, std::size_t{17}, CArchive::kBufferSize}) {
        SCOPED_TRACE(buffer);
        Holder restored;
        const LoadResult result = LoadFromBytes(original, restored.folder, buffer);
        ASSERT_TRUE(result.ok) << result.error.Template();
        EXPECT_FALSE(result.error);
        EXPECT_TRUE(test::SameBytes(StoreToBytes(restored.folder), StoreSpec(spec, true)));
    }
}

TEST(ArchiveRead, RestoredFoldersArePlainAndMessagesComposed) {
    Holder restored;
    ASSERT_TRUE(LoadFromBytes(StoreSpec(test::SampleTree()), restored.folder).ok);
    CMails& top = restored.folder;
    EXPECT_EQ(top.m_strName, "Mail");
    EXPECT_EQ(top.m_nHeader3, 1000u);
    EXPECT_EQ(top.m_nFlags, 0x10);
    EXPECT_EQ(top.m_wHeader2, 7u);
    EXPECT_EQ(top.m_wHeader1, 3u);
    ASSERT_EQ(top.m_pMessages.size(), 2u);
    const CMessage& first = *top.m_pMessages[0];
    EXPECT_EQ(first.m_nSize, 0x80000001); // a dword read without a sign
    EXPECT_EQ(first.m_nBodyLines, 9);
    // The display text was composed on reading and handed to AddMessage with the message.
    const MessageSpec picture = test::PictureMessage();
    CMessage composed(0, 0, nullptr, picture.header, "");
    composed.m_aBody = picture.body;
    composed.m_nBodyLines = picture.bodyLines;
    ASSERT_TRUE(composed.ComposeText());
    EXPECT_NE(first.m_strText.find("See the picture."), std::string::npos);
    EXPECT_EQ(first.m_strText, composed.m_strText);

    const std::vector<CMails*> children = top.Children();
    ASSERT_EQ(children.size(), 3u);
    for (CMails* child : children) {
        EXPECT_EQ(child->GetType(), CMails::kPlain);
        EXPECT_TRUE(child->m_strPath.empty());
    }
    EXPECT_EQ(children[0]->m_strName, "Work"); // the last record read is added first
    ASSERT_EQ(children[0]->Children().size(), 1u);
    CMails* old = children[0]->Children()[0];
    ASSERT_EQ(old->Children().size(), 1u);
    EXPECT_EQ(old->Children()[0]->m_strName, "Older");
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

    const std::string bytes = Bytes()
                                  .Str("After")
                                  .D(10)
                                  .D(0x4)
                                  .W(3)
                                  .W(4)
                                  .D(1)
                                  .ClassDescription()
                                  .Message({"New: 2\r\n", {"added"}})
                                  .D(0)
                                  .str;
    ASSERT_TRUE(LoadFromBytes(bytes, into).ok);
    EXPECT_EQ(into.m_strName, "After");
    EXPECT_EQ(into.m_nHeader3, 15u);
    EXPECT_EQ(into.m_nFlags, 0x5);
    EXPECT_EQ(into.m_wHeader2, 0x10002u);
    EXPECT_EQ(into.m_wHeader1, 6u);
    ASSERT_EQ(into.m_pMessages.size(), 2u);
    EXPECT_EQ(into.m_pMessages[0]->m_strHeader, "Old: 1\r\n");
    EXPECT_EQ(into.m_pMessages[1]->m_strHeader, "New: 2\r\n");
    EXPECT_EQ(into.m_pMessages[1]->m_aBody, std::vector<std::string>{"added"});
    EXPECT_EQ(into.m_pMessages[1]->m_nIndex, 1);
}

TEST(ArchiveRead, WideStringsBecomeEightBitText) {
    const auto wide = [](std::size_t count, std::vector<std::uint16_t> units) {
        std::string out = Bytes().B(0xFF).W(0xFFFE).str;
        out += count < 255 ? Bytes().B(static_cast<std::uint8_t>(count)).str
                           : Bytes().B(0xFF).W(static_cast<std::uint16_t>(count)).str;
        for (std::uint16_t u : units)
            AppendLE16(out, u);
        return out;
    };
    // Latin-1, a Windows-1252 sign, a character the code page lacks and a surrogate pair.
    const std::vector<std::uint16_t> header = {'S',    ':',    0x00E9, 0x20AC, 0x4E2D,
                                               0xD83D, 0xDE00, '\r',   '\n'};
    const std::string bytes = wide(5, {'I', 'n', 'b', 'o', 'x'}) +
                              Bytes().Zeros(12).D(1).ClassDescription().Zeros(16).str +
                              wide(header.size(), header) + Bytes().D(1).str +
                              wide(300, std::vector<std::uint16_t>(300, 'w')) + Bytes().D(0).str;
    Holder holder;
    const LoadResult result = LoadFromBytes(bytes, holder.folder);
    ASSERT_TRUE(result.ok) << result.error.Template();
    EXPECT_EQ(holder.folder.m_strName, "Inbox");
    ASSERT_EQ(holder.folder.m_pMessages.size(), 1u);
    EXPECT_EQ(holder.folder.m_pMessages[0]->m_strHeader, "S:\xE9\x80??\r\n");
    EXPECT_EQ(holder.folder.m_pMessages[0]->m_aBody,
              std::vector<std::string>{std::string(300, 'w')});
}

TEST(ArchiveRead, LongClassReferenceIsAccepted) {
    const std::string bytes = Bytes()
                                  .Str("F")
                                  .Zeros(12)
                                  .D(2)
                                  .ClassDescription()
                                  .Message({"A: 1\r\n", {}})
                                  .W(0x7FFF)
                                  .D(0x80000001)
                                  .Message({"B: 2\r\n", {}})
                                  .D(0)
                                  .str;
    Holder holder;
    ASSERT_TRUE(LoadFromBytes(bytes, holder.folder).ok);
    EXPECT_EQ(holder.folder.m_pMessages.size(), 2u);
}

// ---- rejected archives --------------------------------------------------------------------------

Bytes FolderWithOneMessageHead() {
    return Bytes().Str("F").Zeros(12).D(1);
}

TEST(ArchiveReject, DamagedObjectsAndCounts) {
    const MessageSpec m{"A: 1\r\n", {"x"}};
    const auto twoMessages = [&](Bytes second) {
        return Bytes().Str("F").Zeros(12).D(2).ClassDescription().Message(m).Append(second).str;
    };
    struct Case {
        const char* what;
        std::string bytes;
        ArchiveCause cause;
    };
    const std::vector<Case> cases = {
        {"null object", FolderWithOneMessageHead().W(0).Message(m).D(0).str,
         ArchiveCause::BadFormat},
        {"reference to an object", twoMessages(Bytes().W(0x0002).Message(m).D(0)),
         ArchiveCause::BadFormat},
        {"long reference to an object", twoMessages(Bytes().W(0x7FFF).D(2).Message(m).D(0)),
         ArchiveCause::BadFormat},
        {"class never described", FolderWithOneMessageHead().W(0x8001).Message(m).D(0).str,
         ArchiveCause::BadFormat},
        {"class number of an object", twoMessages(Bytes().W(0x8002).Message(m).D(0)),
         ArchiveCause::BadFormat},
        {"long class number never described",
         twoMessages(Bytes().W(0x7FFF).D(0x80000005).Message(m).D(0)), ArchiveCause::BadFormat},
        {"other class", FolderWithOneMessageHead().W(0xFFFF).W(1).W(6).Raw("CMails").Zeros(40).str,
         ArchiveCause::UnexpectedObject},
        {"name in other case",
         FolderWithOneMessageHead().W(0xFFFF).W(1).W(8).Raw("cmessage").Zeros(40).str,
         ArchiveCause::UnexpectedObject},
        {"other schema",
         FolderWithOneMessageHead().W(0xFFFF).W(2).W(8).Raw("CMessage").Zeros(40).str,
         ArchiveCause::IncorrectSchema},
        {"negative message count", Bytes().Str("F").Zeros(12).D(0xFFFFFFFF).D(0).str,
         ArchiveCause::BadFormat},
        {"negative sub-folder count", Bytes().Str("F").Zeros(12).D(0).D(0x80000000).str,
         ArchiveCause::BadFormat},
        {"negative line count",
         FolderWithOneMessageHead()
             .ClassDescription()
             .D(0)
             .D(0)
             .D(0)
             .D(0)
             .Str("")
             .D(0xFFFFFFFE)
             .str,
         ArchiveCause::BadFormat},
        {"message count past the end", Bytes().Str("F").Zeros(12).D(0x7FFFFFFF).Zeros(200).str,
         ArchiveCause::EndOfData},
        {"sub-folder count past the end", Bytes().Str("F").Zeros(12).D(0).D(10).Zeros(100).str,
         ArchiveCause::EndOfData},
        {"line count past the end",
         FolderWithOneMessageHead()
             .ClassDescription()
             .D(0)
             .D(0)
             .D(0)
             .D(0)
             .Str("")
             .D(5)
             .Zeros(4)
             .str,
         ArchiveCause::EndOfData},
        {"string length past the end", Bytes().B(0xFF).W(0xFFFF).D(0xFFFFFFF0).Zeros(64).str,
         ArchiveCause::EndOfData},
        {"wide string length past the end", Bytes().B(0xFF).W(0xFFFE).B(0xFF).W(40).Zeros(60).str,
         ArchiveCause::EndOfData},
        {"class name past the end", FolderWithOneMessageHead().W(0xFFFF).W(1).W(500).Raw("CM").str,
         ArchiveCause::EndOfData},
        {"wide marker twice", Bytes().B(0xFF).W(0xFFFE).B(0xFF).W(0xFFFE).Zeros(40).str,
         ArchiveCause::BadFormat},
        {"empty file", std::string(), ArchiveCause::EndOfData},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(LoadCause(c.bytes), c.cause);
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
    // Trailing bytes after the record are not read.
    const std::string longer = whole + "junk";
    CArchive archive(longer);
    Holder holder;
    EXPECT_TRUE(holder.folder.LoadTree(archive));
    EXPECT_EQ(archive.BytesLeft(), 4);
}

TEST(ArchiveReject, NestingIsBounded) {
    const auto chain = [](int depth) {
        Bytes b;
        for (int i = 0; i < depth; ++i)
            b.Str("n").Zeros(12).D(0).D(i + 1 < depth ? 1 : 0);
        return b.str;
    };
    {
        Holder holder;
        EXPECT_TRUE(LoadFromBytes(chain(CArchive::kMaxFolderDepth + 1), holder.folder).ok);
        int depth = 0;
        for (CMails* f = &holder.folder; !f->Children().empty(); f = f->Children()[0])
            ++depth;
        EXPECT_EQ(depth, CArchive::kMaxFolderDepth);
    }
    EXPECT_EQ(LoadCause(chain(CArchive::kMaxFolderDepth + 2)), ArchiveCause::BadFormat);
    // Far deeper than any stack would take if it were followed.
    EXPECT_EQ(LoadCause(chain(200000)), ArchiveCause::BadFormat);
}

TEST(ArchiveReject, ErrorTextsNameTheFile) {
    const std::string path = "/home/u/backup.qbf";
    EXPECT_EQ(ArchiveError{ArchiveCause::EndOfData}.Text(path),
              "An attempt was made to access /home/u/backup.qbf past its end.");
    EXPECT_EQ(ArchiveError{ArchiveCause::UnexpectedObject}.Text(path),
              "/home/u/backup.qbf contained an unexpected object.");
    EXPECT_EQ(ArchiveError{ArchiveCause::IncorrectSchema}.Text(path),
              "/home/u/backup.qbf contains an incorrect schema.");
    EXPECT_EQ(ArchiveError{ArchiveCause::BadFormat}.Text(path),
              "/home/u/backup.qbf has a bad format.");
    EXPECT_FALSE(ArchiveError{});
}

// A disk that fails while a backup is read gives a read error, never a half-read success.
TEST(ArchiveReject, FileFailuresWhileReading) {
    const std::string bytes = StoreSpec(test::SampleTree());
    test::TempDir dir;
    const std::string path = dir / "backup.qbf";
    test::WriteFile(path, bytes);
    const std::string expected = StoreSpec(test::SampleTree(), true);
    ArchiveError error;
    std::unique_ptr<Holder> holder;
    test::EnumerateFaults(
        [&] {
            error = {};
            holder = std::make_unique<Holder>();
        },
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
                EXPECT_FALSE(error);
                EXPECT_TRUE(test::SameBytes(StoreToBytes(holder->folder), expected));
            } else if (c.index > 0) {
                EXPECT_EQ(error.cause, ArchiveCause::ReadFailed);
            }
        });
}

// The fuzzing seeds are archives this writer makes; they must stay in step with it.
TEST(ArchiveSeeds, CheckedInSeedsMatchTheWriter) {
    const std::filesystem::path seeds =
        std::filesystem::path(__FILE__).parent_path() / "../../fuzz/seeds/archive";
    const bool regenerate = std::getenv("QB_WRITE_ARCHIVE_SEEDS") != nullptr;
    if (!regenerate && !std::filesystem::is_directory(seeds))
        GTEST_SKIP() << "no source tree beside the test";
    std::filesystem::create_directories(seeds);
    for (const auto& [name, spec] : test::SeedTrees()) {
        SCOPED_TRACE(name);
        const std::string bytes = StoreSpec(spec);
        const std::string file = (seeds / name).string();
        if (regenerate)
            test::WriteFile(file, bytes);
        EXPECT_TRUE(test::SameBytes(test::ReadFile(file), bytes));
        Holder holder;
        CArchive archive(bytes);
        EXPECT_TRUE(holder.folder.LoadTree(archive));
    }
}

} // namespace
} // namespace qb
