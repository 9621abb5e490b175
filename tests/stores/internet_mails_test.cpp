#include "stores/internet_mails.h"

#include "internet_fixtures.h"
#include "platform/cpu_features.h"
#include "stores/mail_index.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>

namespace qb::test {
namespace {

std::vector<std::string> ChildNames(CMails& root) {
    std::vector<std::string> names;
    for (CMails* child : root.GetSubFolders())
        names.push_back(child->m_strName);
    std::sort(names.begin(), names.end());
    return names;
}

// A folder "Inbox" holding messages with subjects m1..mN and an index that knows them.
void MakeInbox(const std::string& dir, int count, std::vector<int> removed = {}) {
    std::vector<std::string> records;
    for (int i = 1; i <= count; ++i)
        records.push_back(
            MbxRecord(static_cast<std::uint32_t>(i),
                      MessageText("m" + std::to_string(i), {"line " + std::to_string(i)})));
    WriteFile(dir + "/Inbox.mbx", MbxFile(records, static_cast<std::uint32_t>(count)));
    CMailIndex index;
    std::uint32_t offset = 84;
    for (int i = 1; i <= count; ++i) {
        auto m = SimpleMessage("m" + std::to_string(i));
        m->ComposeText();
        const auto size =
            static_cast<std::uint32_t>(records[static_cast<std::size_t>(i - 1)].size());
        index.AddRecord(*m, static_cast<std::uint32_t>(i), offset, size);
        offset += size;
    }
    for (int id : removed)
        index.MarkRemoved(static_cast<std::uint32_t>(id));
    WriteFile(dir + "/Inbox.idx", index.Serialize());
}

std::multiset<std::string> Expect(std::initializer_list<int> ids) {
    std::multiset<std::string> out;
    for (int i : ids)
        out.insert("m" + std::to_string(i) + "|line " + std::to_string(i));
    return out;
}

// ---- listing ----

TEST(InternetListing, FoldersAreTheMessageFilesOfTheRoot) {
    TempDir dir;
    for (const char* name :
         {"Inbox.mbx", "Sent.mbx", "Inbox.idx", "Caps.MBX", "Old.mbx.bak", ".qbtmp-1-2.dat"})
        WriteFile(dir / name, "");
    std::filesystem::create_directory(dir / "Dir.mbx");
    InternetStore store(dir.path());
    EXPECT_EQ(ChildNames(store.root), (std::vector<std::string>{"Inbox", "Old.mbx", "Sent"}));
    CMails* inbox = store.root.FindFolder(dir / "Inbox");
    ASSERT_NE(inbox, nullptr);
    EXPECT_EQ(inbox->GetType(), CMails::kInternetMail);
    EXPECT_TRUE(inbox->GetSubFolders().empty());
}

TEST(InternetListing, MessagesWithTheirPositionsAndLineCounts) {
    TempDir dir;
    const std::string text1 = MessageText("one", {"a", "bb"});
    const std::string text2 = MessageText("two", {});
    WriteFile(dir / "Inbox.mbx", MbxFile({MbxRecord(4, text1), MbxRecord(9, text2)}, 9));
    InternetStore store(dir.path());
    CInternetMails* inbox = store.Folder("Inbox");
    ASSERT_TRUE(inbox->LoadMessages()); // no index: nothing is removed
    ASSERT_EQ(inbox->m_pMessages.size(), 2u);
    EXPECT_EQ(inbox->m_wHeader1, 2u);
    EXPECT_EQ(inbox->m_wHeader2, 9u);
    EXPECT_EQ(inbox->m_nHeader3, 84 + 32 + text1.size() + text2.size());
    const CMessage& m = *inbox->m_pMessages[0];
    EXPECT_EQ(m.m_nIndex, 4);
    EXPECT_EQ(m.m_nOffset, 84);
    EXPECT_EQ(m.m_nSize, static_cast<std::int64_t>(16 + text1.size()));
    EXPECT_EQ(m.m_nBodySize, 7);
    EXPECT_EQ(m.m_nBodyLines, 2);
    EXPECT_EQ(m.m_nLines, 6);
    EXPECT_EQ(m.m_strHeader, "Subject: one\r\nFrom: a@b\r\nTo: c@d\r\n");
    EXPECT_EQ(inbox->m_pMessages[1]->m_nOffset, static_cast<std::int64_t>(84 + 16 + text1.size()));
    EXPECT_EQ(inbox->m_pMessages[1]->m_nBodyLines, 0);
    ASSERT_TRUE(inbox->ReadMessage(*inbox->m_pMessages[0]));
    EXPECT_EQ(inbox->m_pMessages[0]->m_aBody, (std::vector<std::string>{"a", "bb"}));
    EXPECT_EQ(inbox->m_pMessages[0]->GetText(), "\r\na\r\nbb\r\n\r\n");
}

TEST(InternetListing, OddRecordsAndLineEnds) {
    TempDir dir;
    // LF and lone CR line ends count their real bytes; the last body line ends at the record's
    // end even when the record is followed by bytes of no record.
    const std::string text = "Subject: x\r\n\r\nl1\nl2\rl3\r\nlast";
    std::string file = MbxFile({MbxRecord(1, text)}, 1);
    file += "garbage without marker";
    file.replace(16, 4, Le32(static_cast<std::uint32_t>(file.size())));
    WriteFile(dir / "Inbox.mbx", file);
    InternetStore store(dir.path());
    CInternetMails* inbox = store.Folder("Inbox");
    ASSERT_TRUE(inbox->LoadMessages());
    ASSERT_EQ(inbox->m_pMessages.size(), 1u);
    CMessage& m = *inbox->m_pMessages[0];
    EXPECT_EQ(m.m_nBodyLines, 4);
    EXPECT_EQ(m.m_nLines, 6);
    ASSERT_TRUE(inbox->ReadMessage(m));
    EXPECT_EQ(m.m_aBody, (std::vector<std::string>{"l1", "l2", "l3", "last"}));
}

// Reference split of a body: CR LF, a lone LF or a lone CR ends a line; a last line without an
// end is a line too.
std::vector<std::string> SplitLines(const std::string& body) {
    std::vector<std::string> lines;
    std::string current;
    for (std::size_t i = 0; i < body.size(); ++i) {
        const char c = body[i];
        if (c == '\r' || c == '\n') {
            lines.push_back(current);
            current.clear();
            if (c == '\r' && i + 1 < body.size() && body[i + 1] == '\n')
                ++i;
        } else {
            current += c;
        }
    }
    if (!current.empty())
        lines.push_back(current);
    return lines;
}

TEST(InternetListing, LineCountsMatchTheLinesReadForAnyMixOfLineEnds) {
    TempDir dir;
    std::mt19937 rng(42);
    std::vector<std::string> records, bodies;
    for (std::uint32_t id = 1; id <= 300; ++id) {
        std::string body;
        const int pieces = static_cast<int>(rng() % 40);
        for (int p = 0; p < pieces; ++p) {
            switch (rng() % 6) {
            case 0:
                body += "\r\n";
                break;
            case 1:
                body += "\n";
                break;
            case 2:
                body += "\r";
                break;
            default:
                body += std::string(rng() % 11, static_cast<char>('a' + rng() % 26));
            }
        }
        bodies.push_back(body);
        records.push_back(MbxRecord(id, "Subject: " + std::to_string(id) + "\r\n\r\n" + body));
    }
    WriteFile(dir / "Mixed.mbx", MbxFile(records, 300));
    InternetStore store(dir.path());
    CInternetMails* mixed = store.Folder("Mixed");
    // With the counting loops every processor has, and with the AVX2 ones where it has them.
    struct Restore {
        ~Restore() { AllowAvx2(true); }
    } restore;
    for (const bool wide : {false, true}) {
        AllowAvx2(wide);
        ASSERT_TRUE(mixed->LoadMessages());
        ASSERT_EQ(mixed->m_pMessages.size(), 300u);
        for (std::size_t i = 0; i < 300; ++i) {
            SCOPED_TRACE("message " + std::to_string(i + 1) + (wide ? " wide" : ""));
            CMessage& m = *mixed->m_pMessages[i];
            const std::vector<std::string> expected = SplitLines(bodies[i]);
            EXPECT_EQ(m.m_nBodyLines, static_cast<std::int32_t>(expected.size()));
            EXPECT_EQ(m.m_nBodySize, static_cast<std::int64_t>(bodies[i].size()));
            ASSERT_TRUE(mixed->ReadMessage(m));
            EXPECT_EQ(m.m_aBody, expected);
        }
    }
}

// Records larger than the window the listing reads through: a header line and a body of several
// MiB, with CR LF pairs (and the header's end) falling across window edges at either parity.
TEST(InternetListing, LargeRecordsAreCountedAcrossReadWindows) {
    TempDir dir;
    std::vector<std::string> records, headers;
    const std::size_t pairs = 1600 * 1024; // 3.2 MB of empty CR LF lines
    for (std::uint32_t id = 1; id <= 4; ++id) {
        const std::string header = "Subject: " + std::string(1200 * 1024 + id, 'x') + "\r\n";
        headers.push_back(header);
        std::string body(id % 2, 'a'); // shifts the pairs against the window edges
        for (std::size_t i = 0; i < pairs + id; ++i)
            body += "\r\n";
        records.push_back(MbxRecord(id, header + "\r\n" + body));
    }
    WriteFile(dir / "Big.mbx", MbxFile(records, 4));
    InternetStore store(dir.path());
    CInternetMails* big = store.Folder("Big");
    ASSERT_TRUE(big->LoadMessages());
    ASSERT_EQ(big->m_pMessages.size(), 4u);
    for (std::uint32_t id = 1; id <= 4; ++id) {
        SCOPED_TRACE(id);
        const CMessage& m = *big->m_pMessages[id - 1];
        EXPECT_EQ(m.m_strHeader, headers[id - 1]);
        EXPECT_EQ(m.m_nBodyLines, static_cast<std::int32_t>(pairs + id));
        EXPECT_EQ(m.m_nLines, static_cast<std::int32_t>(pairs + id + 2));
        EXPECT_EQ(m.m_nBodySize, static_cast<std::int64_t>(2 * (pairs + id) + id % 2));
    }
}

TEST(InternetListing, RemovedRecordsAreSkippedButCounted) {
    TempDir dir;
    MakeInbox(dir.path(), 3, {2});
    // A further message without any index record is listed.
    std::string mbx = ReadFile(dir / "Inbox.mbx");
    std::string extra = MbxRecord(4, MessageText("m4", {"line 4"}));
    mbx += extra;
    mbx.replace(8, 4, Le32(4));
    mbx.replace(12, 4, Le32(4));
    mbx.replace(16, 4, Le32(static_cast<std::uint32_t>(mbx.size())));
    WriteFile(dir / "Inbox.mbx", mbx);
    InternetStore store(dir.path());
    CInternetMails* inbox = store.Folder("Inbox");
    EXPECT_EQ(Live(*inbox), Expect({1, 3, 4}));
    EXPECT_EQ(inbox->m_wHeader1, 4u);
    // Asked for, the removed one is listed too, flagged, and reads like the others.
    std::vector<std::string> all;
    for (auto& m : inbox->GetMessagesWithDeleted()) {
        ASSERT_TRUE(inbox->ReadMessage(*m));
        all.push_back(std::to_string(m->m_nIndex) + (m->m_bDeleted ? " deleted " : " ") +
                      m->m_aBody.at(0));
    }
    EXPECT_EQ(all,
              (std::vector<std::string>{"1 line 1", "2 deleted line 2", "3 line 3", "4 line 4"}));
    std::uint64_t deleted = 0;
    ASSERT_TRUE(inbox->CountDeletedMessages(deleted));
    EXPECT_EQ(deleted, 1u);
}

TEST(InternetListing, EmptyAndDamagedFiles) {
    TempDir dir;
    InternetStore store(dir.path());
    ASSERT_NE(store.root.CreateFolder("New"), nullptr);
    CInternetMails* fresh = store.Folder("New");
    EXPECT_TRUE(fresh->LoadMessages()); // an empty folder, not an unreadable one
    EXPECT_TRUE(fresh->m_pMessages.empty());
    EXPECT_TRUE(store.root.LoadMessages()); // the store directory holds none
    CInternetMails* missing = store.Folder("Missing");
    EXPECT_FALSE(missing->LoadMessages());

    const std::string good = MbxRecord(1, MessageText("ok", {"x"}));
    const std::vector<std::string> bad = {
        std::string("\0\x7f\0\x7f", 4) + Le32(2) + Le32(15) + Le32(0), // size below 16
        std::string("\0\x7f\0\x7f", 4) + Le32(2) + Le32(0x7FFFFFFF) + Le32(0) + "x", // past the end
        MbxRecord(2, "no header end"),
        std::string("\0\x7f\0\x7f", 4) + Le32(2), // a record head cut short
    };
    for (const std::string& b : bad) {
        WriteFile(dir / "D.mbx", MbxFile({good, b}, 2));
        CInternetMails* damaged = store.Folder("D");
        EXPECT_FALSE(damaged->LoadMessages());
        ASSERT_EQ(damaged->m_pMessages.size(), 1u);
        EXPECT_EQ(damaged->m_pMessages[0]->GetHeaderField("Subject: "), "ok");
        EXPECT_FALSE(damaged->Compact()); // never rebuilt from a partial listing
        EXPECT_EQ(ReadFile(dir / "D.mbx"), MbxFile({good, b}, 2));
    }
}

TEST(InternetListing, CompactingAFolderWithoutRecordsRebuildsBothFiles) {
    // A message file that counts no record beside an index that still marks id 1 removed: left
    // as it is, the index would hide the next message added (it gets id 1 again).
    TempDir dir;
    InternetStore store(dir.path());
    ASSERT_NE(store.root.CreateFolder("Out"), nullptr);
    CInternetMails* out = store.Folder("Out");
    ASSERT_TRUE(out->AddMessage(*SimpleMessage("gone")));
    ASSERT_TRUE(out->RemoveMessage(out->GetMessages()[0].get()));
    WriteFile(dir / "Out.mbx", CInternetMails::NewMessageFileHeader());
    ASSERT_TRUE(out->Compact());
    EXPECT_EQ(ReadFile(dir / "Out.mbx"), CInternetMails::NewMessageFileHeader());
    EXPECT_EQ(ReadFile(dir / "Out.idx"), CInternetMails::NewIndexFileHeader());
    ASSERT_TRUE(out->AddMessage(*SimpleMessage("next")));
    EXPECT_EQ(Live(*out), std::multiset<std::string>{"next|x"});
}

TEST(InternetListing, AHeaderCountingMoreRecordsThanThereAre) {
    TempDir dir;
    std::vector<std::string> records;
    for (std::uint32_t id = 1; id <= 3; ++id)
        records.push_back(
            MbxRecord(id, MessageText("m" + std::to_string(id), {"line " + std::to_string(id)})));
    WriteFile(dir / "Inbox.mbx", MbxFile(records, 5, 5));
    InternetStore store(dir.path());
    CInternetMails* inbox = store.Folder("Inbox");
    EXPECT_FALSE(inbox->LoadMessages());
    EXPECT_EQ(inbox->m_pMessages.size(), 3u);
    // Every record there was read whole, so compaction loses nothing and mends the count.
    ASSERT_TRUE(inbox->Compact());
    EXPECT_TRUE(inbox->LoadMessages());
    EXPECT_EQ(Live(*inbox), Expect({1, 2, 3}));
}

TEST(InternetListing, SeventyThousandRecordsAreAllListed) {
    TempDir dir;
    std::vector<std::string> records;
    for (std::uint32_t id = 1; id <= 70000; ++id)
        records.push_back(MbxRecord(id, "S: " + std::to_string(id) + "\r\n\r\nb\r\n"));
    WriteFile(dir / "Big.mbx", MbxFile(records, 70000));
    CMailIndex index;
    CMessage wide(70000, 0, nullptr, "", "");
    CMessage low(70000 - 65536, 0, nullptr, "", "");
    index.AddRecord(low, 70000 - 65536, 0, 16);
    index.AddRecord(wide, 70000, 0, 16);
    WriteFile(dir / "Big.idx", index.Serialize());

    InternetStore store(dir.path());
    CInternetMails* big = store.Folder("Big");
    ASSERT_TRUE(big->LoadMessages());
    EXPECT_EQ(big->m_wHeader1, 70000u);
    EXPECT_EQ(big->m_pMessages.size(), 70000u);
    CMessage* last = big->m_pMessages.back().get();
    EXPECT_EQ(last->m_nIndex, 70000);
    ASSERT_TRUE(big->RemoveMessage(last));
    ASSERT_TRUE(big->LoadMessages());
    ASSERT_EQ(big->m_pMessages.size(), 69999u);
    EXPECT_EQ(big->m_pMessages[70000 - 65536 - 1]->m_nIndex, 70000 - 65536);
    EXPECT_EQ(big->m_pMessages.back()->m_nIndex, 69999);
}

// ---- appending and removing ----

TEST(InternetWriting, AddMessageAppendsARecordAndAnIndexRecord) {
    TempDir dir;
    MakeInbox(dir.path(), 2);
    const std::string before = ReadFile(dir / "Inbox.mbx");
    const std::string indexBefore = ReadFile(dir / "Inbox.idx");
    InternetStore store(dir.path());
    CInternetMails* inbox = store.Folder("Inbox");
    auto m = SimpleMessage("new", {"p", "qq"});
    ASSERT_TRUE(inbox->AddMessage(*m));

    const std::string after = ReadFile(dir / "Inbox.mbx");
    const std::string header = m->m_strHeader;
    const std::size_t size = 16 + header.size() + 2 + 3 + 4;
    ASSERT_EQ(after.size(), before.size() + size);
    EXPECT_EQ(after.substr(20, before.size() - 20), before.substr(20));
    EXPECT_EQ(WordAt(after, 8), 3u);
    EXPECT_EQ(WordAt(after, 12), 3u);
    EXPECT_EQ(WordAt(after, 16), after.size());
    EXPECT_EQ(after.substr(before.size()),
              std::string("\0\x7f\0\x7f", 4) + Le32(3) + Le32(static_cast<std::uint32_t>(size)) +
                  Le32(static_cast<std::uint32_t>(size - 16)) + header + "\r\np\r\nqq\r\n");

    CMailIndex index;
    ASSERT_TRUE(index.Load(dir / "Inbox.idx"));
    ASSERT_EQ(index.m_aRecords.size(), 3u);
    EXPECT_EQ(index.Serialize().substr(16, indexBefore.size() - 16), indexBefore.substr(16));
    EXPECT_EQ(index.m_aRecords[2]->m_nMessageId, 3u);
    EXPECT_EQ(index.m_aRecords[2]->m_nMessageOffset, before.size());
    EXPECT_EQ(index.m_aRecords[2]->m_nMessageSize, size);
    EXPECT_EQ(Live(*inbox), (std::multiset<std::string>{"m1|line 1", "m2|line 2", "new|p|qq"}));
    EXPECT_FALSE(HasTemporary(dir.path()));
}

TEST(InternetWriting, AddMessageRefusesWhatItCannotWriteSoundly) {
    TempDir dir;
    InternetStore store(dir.path());
    auto m = SimpleMessage("x");
    EXPECT_FALSE(store.Folder("Missing")->AddMessage(*m));
    EXPECT_EQ(DirNames(dir.path()), std::vector<std::string>{});
    EXPECT_FALSE(store.root.AddMessage(*m));

    // A source whose body can no longer be read from its own folder writes nothing.
    MakeInbox(dir.path(), 2);
    ASSERT_NE(store.root.CreateFolder("Target"), nullptr);
    CInternetMails* inbox = store.Folder("Inbox");
    CInternetMails* target = store.Folder("Target");
    inbox->LoadMessages();
    ASSERT_EQ(inbox->m_pMessages.size(), 2u);
    WriteFile(dir / "Inbox.mbx", MbxFile({}, 0));
    const std::string targetBefore = ReadFile(dir / "Target.mbx");
    EXPECT_FALSE(target->AddMessage(*inbox->m_pMessages[0]));
    EXPECT_EQ(ReadFile(dir / "Target.mbx"), targetBefore);
    EXPECT_EQ(ReadFile(dir / "Target.idx"), CInternetMails::NewIndexFileHeader());

    // The message file keeps its length in 32 bits: an append past 4 GiB - 1 is refused.
    const std::string huge = dir / "Huge.mbx";
    WriteFile(huge, MbxFile({}, 0));
    const std::uint32_t length = 0xFFFFFFF0u;
    std::filesystem::resize_file(huge, length);
    std::string head = MbxFile({}, 0).substr(0, 84);
    head.replace(16, 4, Le32(length));
    {
        std::fstream f(huge, std::ios::in | std::ios::out | std::ios::binary);
        f.write(head.data(), static_cast<std::streamsize>(head.size()));
    }
    CInternetMails* big = store.Folder("Huge");
    EXPECT_FALSE(big->AddMessage(*m));
    EXPECT_EQ(std::filesystem::file_size(huge), length);
    EXPECT_FALSE(std::filesystem::exists(dir / "Huge.idx"));
}

TEST(InternetWriting, RemoveMessageMarksOnlyTheIndex) {
    TempDir dir;
    MakeInbox(dir.path(), 3);
    const std::string mbx = ReadFile(dir / "Inbox.mbx");
    InternetStore store(dir.path());
    CInternetMails* inbox = store.Folder("Inbox");
    inbox->LoadMessages();
    CMessage* second = inbox->m_pMessages[1].get();
    ASSERT_TRUE(inbox->RemoveMessage(second));
    EXPECT_EQ(inbox->m_pMessages.size(), 3u); // listed until the next load
    // A message of another folder is never taken for one of this folder's.
    auto stranger = SimpleMessage("other");
    stranger->m_nIndex = 3;
    EXPECT_FALSE(inbox->RemoveMessage(stranger.get()));
    EXPECT_EQ(ReadFile(dir / "Inbox.mbx"), mbx);
    EXPECT_EQ(Live(*inbox), Expect({1, 3}));
    CMailIndex index;
    index.Load(dir / "Inbox.idx");
    EXPECT_EQ(index.m_aRecords[1]->m_nState, 1u);
    EXPECT_EQ(index.m_aRecords[0]->m_nState, 2u);
}

TEST(InternetWriting, RemovingAMessageWithoutIndexRecordGivesItOne) {
    TempDir dir;
    WriteFile(dir / "Inbox.mbx", MbxFile({MbxRecord(1, MessageText("m1", {"line 1"})),
                                          MbxRecord(2, MessageText("m2", {"line 2"}))},
                                         2));
    InternetStore store(dir.path());
    CInternetMails* inbox = store.Folder("Inbox");
    inbox->LoadMessages();
    ASSERT_TRUE(inbox->RemoveMessage(inbox->m_pMessages[0].get()));
    EXPECT_EQ(Live(*inbox), Expect({2}));
    CMailIndex index;
    ASSERT_TRUE(index.Load(dir / "Inbox.idx"));
    ASSERT_EQ(index.m_aRecords.size(), 1u);
    EXPECT_EQ(index.m_aRecords[0]->m_nMessageId, 1u);
    EXPECT_EQ(index.m_aRecords[0]->m_nMessageOffset, 84u);
}

TEST(InternetWriting, UndeleteTakesTheMarkOffTheIndexOnly) {
    TempDir dir;
    MakeInbox(dir.path(), 3, {2, 3});
    const std::string mbx = ReadFile(dir / "Inbox.mbx");
    InternetStore store(dir.path());
    CInternetMails* inbox = store.Folder("Inbox");
    MessageList& all = inbox->GetMessagesWithDeleted();
    ASSERT_EQ(all.size(), 3u);
    auto stranger = SimpleMessage("other");
    stranger->m_nIndex = 2;
    EXPECT_FALSE(inbox->UndeleteMessage(stranger.get()));
    ASSERT_TRUE(inbox->UndeleteMessages({all[1].get(), all[0].get()}));
    EXPECT_FALSE(all[1]->m_bDeleted);
    EXPECT_TRUE(all[2]->m_bDeleted);
    EXPECT_EQ(ReadFile(dir / "Inbox.mbx"), mbx);
    EXPECT_EQ(Live(*inbox), Expect({1, 2}));
    CMailIndex index;
    index.Load(dir / "Inbox.idx");
    EXPECT_EQ(index.m_aRecords[1]->m_nState, 2u);
    EXPECT_EQ(index.m_aRecords[2]->m_nState, 1u);

    // Another program compacted the folder since the listing: the id now names another record.
    MessageList& listed = inbox->GetMessagesWithDeleted();
    const std::string idx = ReadFile(dir / "Inbox.idx");
    WriteFile(dir / "Inbox.mbx", MbxFile({MbxRecord(3, MessageText("x", {"y"}))}, 3));
    EXPECT_FALSE(inbox->UndeleteMessage(listed[2].get()));
    EXPECT_EQ(ReadFile(dir / "Inbox.idx"), idx);
}

TEST(InternetWriting, BatchesLeaveTheSameFilesAsSingleOperations) {
    TempDir a, b;
    for (const TempDir* d : {&a, &b}) {
        MakeInbox(d->path(), 4);
    }
    std::vector<std::unique_ptr<CMessage>> sources;
    sources.push_back(SimpleMessage("s1", {"one"}));
    sources.push_back(
        MakeMessage("Subject: s2\r\nContent-Type: multipart/mixed; boundary=\"Z\"\r\n",
                    {"--Z", "", "t", "--Z", "Content-Type: image/png", "", "i", "--Z--"}));
    sources.push_back(SimpleMessage("s3", {}));

    InternetStore sa(a.path()), sb(b.path());
    CInternetMails* ia = sa.Folder("Inbox");
    CInternetMails* ib = sb.Folder("Inbox");
    for (auto& s : sources)
        ASSERT_TRUE(ia->AddMessage(*s));
    std::vector<CMessage*> list;
    for (auto& s : sources)
        list.push_back(s.get());
    std::vector<bool> added;
    ASSERT_TRUE(ib->AddMessages(list, added));
    EXPECT_EQ(added, std::vector<bool>(3, true));
    EXPECT_EQ(ReadFile(a / "Inbox.mbx"), ReadFile(b / "Inbox.mbx"));
    EXPECT_EQ(ReadFile(a / "Inbox.idx"), ReadFile(b / "Inbox.idx"));

    ia->LoadMessages();
    ib->LoadMessages();
    for (std::size_t i : {1u, 3u, 5u})
        ASSERT_TRUE(ia->RemoveMessage(ia->m_pMessages[i].get()));
    ASSERT_TRUE(ib->RemoveMessages(
        {ib->m_pMessages[1].get(), ib->m_pMessages[3].get(), ib->m_pMessages[5].get()}));
    EXPECT_EQ(ReadFile(a / "Inbox.idx"), ReadFile(b / "Inbox.idx"));
}

// ---- folders ----

TEST(InternetFolders, CreateFolderOnTheRootOnly) {
    TempDir dir;
    InternetStore store(dir.path());
    CMails* folder = store.root.CreateFolder("Work");
    ASSERT_NE(folder, nullptr);
    EXPECT_EQ(folder->m_strPath, dir / "Work");
    EXPECT_EQ(folder->GetParentFolder(), &store.root);
    const std::string mbx = ReadFile(dir / "Work.mbx");
    EXPECT_EQ(mbx, std::string("JMF6", 4) + Le32(0x00010003) + Le32(0) + Le32(0) + Le32(84) +
                       Le32(1) + std::string(60, '\0'));
    EXPECT_EQ(ReadFile(dir / "Work.idx"), std::string("JMF9", 4) + Le32(0x00010004) + Le32(0) +
                                              Le32(80) + Le32(1) + Le32(0x00010007) +
                                              std::string(56, '\0'));

    EXPECT_EQ(folder->CreateFolder("Sub"), nullptr);
    EXPECT_EQ(store.root.CreateFolder("Work"), nullptr);
    EXPECT_EQ(store.root.CreateFolder("WORK"), nullptr); // names differ only in case
    for (const std::string& bad :
         std::vector<std::string>{"", ".", "..", "a/b", "a\\b", std::string("a\0b", 3), "t\tab"})
        EXPECT_EQ(store.root.CreateFolder(bad), nullptr) << bad;
    EXPECT_EQ(DirNames(dir.path()), (std::vector<std::string>{"Work.idx", "Work.mbx"}));
}

TEST(InternetFolders, CopyFolderAppendsOrMerges) {
    TempDir src, dst;
    MakeInbox(src.path(), 3, {2});
    InternetStore from(src.path());
    CInternetMails* inbox = from.Folder("Inbox");
    const std::string sourceBytes = ReadFile(src / "Inbox.mbx");

    InternetStore to(dst.path());
    CMails* copy = to.root.CopyFolder(*inbox);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->m_strPath, dst / "Inbox");
    auto* target = dynamic_cast<CInternetMails*>(copy);
    ASSERT_NE(target, nullptr);
    EXPECT_EQ(Live(*target), Expect({1, 3}));
    // Copying again into the same store merges into the existing folder, also under another case.
    inbox->m_strName = "INBOX";
    CMails* again = to.root.CopyFolder(*inbox);
    EXPECT_EQ(again, copy);
    EXPECT_EQ(Live(*target), Expect({1, 1, 3, 3}));
    EXPECT_EQ(ReadFile(src / "Inbox.mbx"), sourceBytes);
    EXPECT_EQ(DirNames(dst.path()), (std::vector<std::string>{"Inbox.idx", "Inbox.mbx"}));

    // A plain in-memory folder copies too; refused names and nodes create nothing.
    CMails plain("Held", "/nowhere/Held");
    auto held = SimpleMessage("held", {"h"});
    plain.m_pMessages.push_back(std::move(held));
    CMails* heldCopy = to.root.CopyFolder(plain);
    ASSERT_NE(heldCopy, nullptr);
    EXPECT_EQ(Live(*dynamic_cast<CInternetMails*>(heldCopy)),
              (std::multiset<std::string>{"held|h"}));
    plain.m_strName = "../escape";
    EXPECT_EQ(to.root.CopyFolder(plain), nullptr);
    EXPECT_EQ(target->CopyFolder(plain), nullptr);
    EXPECT_EQ(DirNames(dst.path()).size(), 4u);
}

TEST(InternetFolders, DeleteFolder) {
    TempDir dir;
    MakeInbox(dir.path(), 1);
    InternetStore store(dir.path());
    ASSERT_EQ(store.root.GetSubFolders().size(), 1u);
    EXPECT_EQ(DirNames(dir.path()).size(), 2u);
    CMails* inbox = store.root.GetSubFolders().at(0);
    ASSERT_NE(store.root.DeleteSubFolder(inbox), nullptr);
    EXPECT_TRUE(DirNames(dir.path()).empty());
    EXPECT_TRUE(store.root.Children().empty());
}

TEST(InternetFolders, RenameMovesThePairAndNeverOverwrites) {
    TempDir dir;
    MakeInbox(dir.path(), 2);
    InternetStore store(dir.path());
    ASSERT_NE(store.root.CreateFolder("Other"), nullptr);
    CInternetMails* inbox = store.Folder("Inbox");
    const std::string mbx = ReadFile(dir / "Inbox.mbx");

    EXPECT_FALSE(inbox->Rename("Other", false));
    EXPECT_FALSE(inbox->Rename("other", false));
    EXPECT_FALSE(inbox->Rename("a/b", false));
    EXPECT_FALSE(inbox->Rename("..", false));
    EXPECT_EQ(inbox->m_strName, "Inbox");
    EXPECT_EQ(ReadFile(dir / "Inbox.mbx"), mbx);

    ASSERT_TRUE(inbox->Rename("Kept", false));
    EXPECT_EQ(inbox->m_strPath, dir / "Kept");
    EXPECT_EQ(inbox->m_strName, "Kept");
    EXPECT_EQ(ReadFile(dir / "Kept.mbx"), mbx);
    EXPECT_EQ(DirNames(dir.path()),
              (std::vector<std::string>{"Kept.idx", "Kept.mbx", "Other.idx", "Other.mbx"}));
    ASSERT_TRUE(inbox->Rename("KEPT", false)); // a change of case only
    EXPECT_EQ(Live(*inbox), Expect({1, 2}));

    // Without an index only the message file moves.
    std::filesystem::remove(dir / "KEPT.idx");
    ASSERT_TRUE(inbox->Rename("Bare", false));
    EXPECT_EQ(DirNames(dir.path()),
              (std::vector<std::string>{"Bare.mbx", "Other.idx", "Other.mbx"}));
    EXPECT_FALSE(store.root.Rename("X", false));
}

TEST(InternetFolders, CompactKeepsTheLiveMessagesUnderNewIds) {
    TempDir dir;
    MakeInbox(dir.path(), 5, {2, 4});
    InternetStore store(dir.path());
    CInternetMails* inbox = store.Folder("Inbox");
    ASSERT_TRUE(inbox->Compact());
    EXPECT_FALSE(HasTemporary(dir.path()));

    const std::string mbx = ReadFile(dir / "Inbox.mbx");
    EXPECT_EQ(WordAt(mbx, 8), 3u);
    EXPECT_EQ(WordAt(mbx, 12), 3u);
    EXPECT_EQ(WordAt(mbx, 16), mbx.size());
    CMailIndex index;
    ASSERT_TRUE(index.Load(dir / "Inbox.idx"));
    ASSERT_EQ(index.m_aRecords.size(), 3u);
    for (std::uint32_t i = 0; i < 3; ++i) {
        EXPECT_EQ(index.m_aRecords[i]->m_nMessageId, i + 1);
        EXPECT_EQ(index.m_aRecords[i]->m_nState, 2u);
    }
    // The list held in memory now names the new records.
    ASSERT_EQ(inbox->m_pMessages.size(), 3u);
    EXPECT_EQ(inbox->m_pMessages[2]->m_nIndex, 3);
    EXPECT_EQ(inbox->m_pMessages[2]->GetText(), "\r\nline 5\r\n\r\n");
    ASSERT_TRUE(inbox->RemoveMessage(inbox->m_pMessages[1].get()));
    EXPECT_EQ(Live(*inbox), Expect({1, 5}));

    // The same store built by appending the same messages one by one.
    TempDir other;
    InternetStore fresh(other.path());
    ASSERT_NE(fresh.root.CreateFolder("Inbox"), nullptr);
    CInternetMails* built = fresh.Folder("Inbox");
    for (int i : {1, 3, 5}) {
        auto m = SimpleMessage("m" + std::to_string(i), {"line " + std::to_string(i)});
        ASSERT_TRUE(built->AddMessage(*m));
    }
    EXPECT_EQ(ReadFile(other / "Inbox.mbx"), mbx);

    // An empty folder stays as it is.
    ASSERT_NE(store.root.CreateFolder("Empty"), nullptr);
    EXPECT_TRUE(store.Folder("Empty")->Compact());
    EXPECT_EQ(ReadFile(dir / "Empty.mbx"), CInternetMails::NewMessageFileHeader());
}

} // namespace
} // namespace qb::test
