#include "support/stores.h"

#include <gtest/gtest.h>

namespace qb {
namespace {

using test::Contents;
using test::NetscapeStore;
using test::NsMessage;
using test::SubjectOf;
using test::Subjects;

TEST(NetscapeLoad, DeletedMessagesAreSkippedButKeepTheirIndex) {
    NetscapeStore store;
    const std::string a = NsMessage("a", {"one"}), b = NsMessage("b", {"two"}, "0009"),
                      c = NsMessage("c", {"three", ""});
    store.Write("Inbox", a + b + c);
    CNetscapeMails* inbox = store.Folder("Inbox");
    ASSERT_NE(inbox, nullptr);
    ASSERT_TRUE(inbox->LoadMessages());
    ASSERT_EQ(inbox->m_pMessages.size(), 2u);
    const CMessage& first = *inbox->m_pMessages[0];
    const CMessage& third = *inbox->m_pMessages[1];
    EXPECT_EQ(first.m_nIndex, 0);
    EXPECT_EQ(third.m_nIndex, 2);
    EXPECT_EQ(first.m_nOffset, 0);
    EXPECT_EQ(first.m_nSize, static_cast<std::int64_t>(a.size()));
    EXPECT_EQ(third.m_nOffset, static_cast<std::int64_t>(a.size() + b.size()));
    EXPECT_EQ(third.m_nSize, static_cast<std::int64_t>(c.size()));
    EXPECT_EQ(third.m_nBodySize, 7 + 2);
    EXPECT_EQ(third.m_nBodyLines, 2);
    EXPECT_EQ(first.m_strHeader,
              "From - Mon Jan 01 10:00:00 2001\r\nX-Mozilla-Status: 0001\r\nSubject: a\r\n");
    EXPECT_EQ(first.m_nLines - first.m_nBodyLines, 4);
    EXPECT_EQ(first.m_pFolder, inbox);
    EXPECT_EQ(Contents(*inbox), (std::vector<std::string>{"a:one|", "c:three||"}));

    // Asked for, the deleted message is listed in its place, flagged, with the figures a live one
    // would have.
    MessageList& all = inbox->GetMessagesWithDeleted();
    ASSERT_EQ(all.size(), 3u);
    EXPECT_EQ(SubjectOf(*all[1]), "b");
    EXPECT_EQ(all[1]->m_nIndex, 1);
    EXPECT_EQ(all[1]->m_nOffset, static_cast<std::int64_t>(a.size()));
    EXPECT_EQ(all[1]->m_nSize, static_cast<std::int64_t>(b.size()));
    ASSERT_TRUE(inbox->ReadMessage(*all[1]));
    EXPECT_EQ(all[1]->m_aBody, (std::vector<std::string>{"two"}));
    EXPECT_EQ((std::vector<bool>{all[0]->m_bDeleted, all[1]->m_bDeleted, all[2]->m_bDeleted}),
              (std::vector<bool>{false, true, false}));
    std::uint64_t deleted = 0;
    ASSERT_TRUE(inbox->CountDeletedMessages(deleted));
    EXPECT_EQ(deleted, 1u);
    EXPECT_EQ(inbox->m_pMessages.size(), 3u); // counting leaves the listed records alone
}

TEST(NetscapeLoad, DeletedBitOfTheStatusField) {
    NetscapeStore store;
    std::string text;
    for (const char* status : {"0009", "  8008", "8000", "0x08", "", "000F"})
        text += NsMessage(std::string("s") + status, {"x"}, status);
    // The field name is matched without regard to case.
    text += "From - Mon Jan 01 10:00:00 2001\r\nx-mozilla-status: 000f\r\nSubject: lower\r\n\r\n";
    store.Write("Inbox", text);
    // Leading blanks are skipped; reading stops at the first character that is no hex digit.
    EXPECT_EQ(Subjects(*store.Folder("Inbox")), (std::vector<std::string>{"s8000", "s0x08", "s"}));
}

TEST(NetscapeLoad, SeparatorRecognition) {
    NetscapeStore store;
    // Capitals start a message; "From -" without its blank does not.
    store.Write("F", "FROM - x\r\nSubject: 1\r\n\r\nbody\r\nFrom -y\r\n" + NsMessage("2", {"z"}));
    EXPECT_EQ(Subjects(*store.Folder("F")), (std::vector<std::string>{"1", "2"}));
    CMessage& first = *store.Folder("F")->GetMessages()[0];
    ASSERT_TRUE(store.Folder("F")->ReadMessage(first));
    EXPECT_EQ(first.m_aBody, (std::vector<std::string>{"body", "From -y"}));
}

TEST(NetscapeLoad, EmptyAndSeparatorlessFilesAndUnreadablePaths) {
    NetscapeStore store;
    store.Write("Empty", "");
    store.Write("Plain", "just text\r\n\r\nmore\r\n");
    EXPECT_TRUE(store.Folder("Empty")->LoadMessages());
    EXPECT_TRUE(store.Folder("Empty")->m_pMessages.empty());
    EXPECT_TRUE(store.Folder("Plain")->LoadMessages());
    EXPECT_TRUE(store.Folder("Plain")->m_pMessages.empty());
    EXPECT_TRUE(store.root->LoadMessages()); // the mail directory holds no messages
    EXPECT_TRUE(store.root->m_pMessages.empty());
    CNetscapeMails missing("Gone", store.Path("Gone"));
    EXPECT_FALSE(missing.LoadMessages());
}

TEST(NetscapeLoad, LastLineWithoutLineEndCountsTwoBytes) {
    NetscapeStore store;
    const std::string text = "From - \r\nSubject: s\r\n\r\nline1\r\nlast";
    store.Write("F", text);
    CNetscapeMails* f = store.Folder("F");
    ASSERT_TRUE(f->LoadMessages());
    ASSERT_EQ(f->m_pMessages.size(), 1u);
    EXPECT_EQ(f->m_pMessages[0]->m_nSize, static_cast<std::int64_t>(text.size()) + 2);
    EXPECT_EQ(Contents(*f), (std::vector<std::string>{"s:line1|last|"}));
}

TEST(NetscapeLoad, SeparatorInsideHeaderAdvancesIndices) {
    NetscapeStore store;
    store.Write("F", "From - a\r\nSubject: 1\r\nFrom - inside\r\n\r\nb\r\n" + NsMessage("2", {}));
    CNetscapeMails* f = store.Folder("F");
    ASSERT_TRUE(f->LoadMessages());
    ASSERT_EQ(f->m_pMessages.size(), 2u);
    EXPECT_EQ(f->m_pMessages[0]->m_strHeader, "From - a\r\nSubject: 1\r\nFrom - inside\r\n");
    // Each message is numbered by the separator lines read before the one that ends it.
    EXPECT_EQ(f->m_pMessages[0]->m_nIndex, 1);
    EXPECT_EQ(f->m_pMessages[1]->m_nIndex, 2);
}

TEST(NetscapeLoad, TextBeforeFirstSeparatorBelongsToFirstMessage) {
    NetscapeStore store;
    const std::string junk = "junk line\r\n\r\n";
    const std::string a = NsMessage("a", {"x"});
    store.Write("F", junk + a);
    CNetscapeMails* f = store.Folder("F");
    ASSERT_TRUE(f->LoadMessages());
    ASSERT_EQ(f->m_pMessages.size(), 1u);
    EXPECT_EQ(f->m_pMessages[0]->m_nOffset, 0);
    EXPECT_EQ(f->m_pMessages[0]->m_nSize, static_cast<std::int64_t>(junk.size() + a.size()));
    EXPECT_EQ(f->m_pMessages[0]->m_nLines, 5); // the junk lines are not counted
    EXPECT_EQ(Contents(*f), (std::vector<std::string>{"a:x|"}));
}

TEST(NetscapeLoad, HeaderWithoutEmptyLineAbsorbsFollowingLines) {
    NetscapeStore store;
    store.Write("F", "From - \r\nSubject: s\r\nno blank\r\n");
    CNetscapeMails* f = store.Folder("F");
    ASSERT_TRUE(f->LoadMessages());
    ASSERT_EQ(f->m_pMessages.size(), 1u);
    EXPECT_EQ(f->m_pMessages[0]->m_nBodyLines, 0);
    EXPECT_EQ(f->m_pMessages[0]->m_strHeader, "From - \r\nSubject: s\r\nno blank\r\n");
}

// Files with LF or lone CR line ends are read at their true byte positions.
TEST(NetscapeLoad, OtherLineEndsGiveTruePositions) {
    for (const std::string eol : {"\n", "\r"}) {
        SCOPED_TRACE(eol == "\n" ? "LF" : "CR");
        NetscapeStore store;
        const std::string a = NsMessage("a", {"alpha", "beta"}, "0001", eol);
        const std::string b = NsMessage("b", {"gamma", ""}, "0001", eol);
        store.Write("F", a + b);
        CNetscapeMails* f = store.Folder("F");
        ASSERT_TRUE(f->LoadMessages());
        ASSERT_EQ(f->m_pMessages.size(), 2u);
        EXPECT_EQ(f->m_pMessages[1]->m_nOffset, static_cast<std::int64_t>(a.size()));
        EXPECT_EQ(f->m_pMessages[0]->m_nSize, static_cast<std::int64_t>(a.size()));
        EXPECT_EQ(f->m_pMessages[1]->m_nBodySize, 7);
        EXPECT_EQ(Contents(*f), (std::vector<std::string>{"a:alpha|beta|", "b:gamma||"}));
    }
}

TEST(NetscapeLoad, ReadMessageRefusesACountTheFileCannotHold) {
    NetscapeStore store;
    store.Write("F", NsMessage("a", {"x"}));
    CNetscapeMails* f = store.Folder("F");
    ASSERT_TRUE(f->LoadMessages());
    CMessage& m = *f->m_pMessages[0];
    m.m_nBodyLines = 1 << 30;
    EXPECT_FALSE(f->ReadMessage(m));
    EXPECT_TRUE(m.m_aBody.empty());
    m.m_nBodyLines = 3; // lines missing at the end of the file stay empty
    ASSERT_TRUE(f->ReadMessage(m));
    EXPECT_EQ(m.m_aBody, (std::vector<std::string>{"x", "", ""}));
}

TEST(NetscapeFolders, ListingFollowsTheLayout) {
    NetscapeStore store;
    for (const char* name : {"Inbox", "Inbox.snm", "Sent", "Sent.snm", "popstate.dat"})
        store.Write(name, "");
    std::filesystem::create_directory(store.Path("Inbox.sbd"));
    store.Write("Inbox.sbd/Work", "");
    store.Write("Inbox.sbd/Work.snm", "");
    store.Write(".qbtmp-1-2.dat", "");
    EXPECT_EQ(test::ChildNames(*store.root), (std::vector<std::string>{"Inbox", "Sent"}));
    EXPECT_EQ(test::ChildNames(*store.Folder("Inbox")), (std::vector<std::string>{"Work"}));
    EXPECT_EQ(store.Folder("Inbox/Work")->m_strPath, store.Path("Inbox.sbd/Work"));
    EXPECT_EQ(store.Folder("Inbox/Work")->GetType(), CMails::kNetscape);
    EXPECT_TRUE(store.Folder("Sent")->GetSubFolders().empty());
}

TEST(NetscapeFolders, SubFolderDirectoryWithoutItsFileIsStillShown) {
    NetscapeStore store;
    std::filesystem::create_directories(store.Path("Lost.sbd"));
    store.Write("Lost.sbd/Kept", NsMessage("k", {"x"}));
    EXPECT_EQ(test::ChildNames(*store.root), (std::vector<std::string>{"Lost"}));
    EXPECT_TRUE(test::Subjects(*store.Folder("Lost")).empty());
    EXPECT_EQ(Contents(*store.Folder("Lost/Kept")), (std::vector<std::string>{"k:x|"}));
    EXPECT_FALSE(std::filesystem::exists(store.Path("Lost"))); // nothing written
}

} // namespace
} // namespace qb
