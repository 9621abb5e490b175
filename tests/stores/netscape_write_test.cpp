#include "support/stores.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace qb {
namespace {

using test::Contents;
using test::NetscapeStore;
using test::NsMessage;
using test::Subjects;

// A message as another store hands it over: header without separator or status, body in memory.
using test::MakeMessage;

// ---- appending -------------------------------------------------------------------------------

TEST(NetscapeAdd, SeparatorAndStatusAreAddedWhereMissing) {
    NetscapeStore store;
    store.Write("F", "");
    CNetscapeMails* f = store.Folder("F");
    auto bare = MakeMessage("Subject: s\r\nTo: t\r\n", {"b1", "", "b3"});
    ASSERT_TRUE(f->AddMessage(*bare));
    std::string expected =
        "From - \r\nX-Mozilla-Status: 8000\r\nSubject: s\r\nTo: t\r\n\r\nb1\r\n\r\nb3\r\n";
    EXPECT_EQ(store.Read("F"), expected);
    EXPECT_EQ(bare->m_strHeader, "From - \r\nX-Mozilla-Status: 8000\r\nSubject: s\r\nTo: t\r\n");

    auto withSeparator = MakeMessage("From - x\r\nSubject: u\r\n", {"c"});
    ASSERT_TRUE(f->AddMessage(*withSeparator));
    expected += "From - x\r\nX-Mozilla-Status: 8000\r\nSubject: u\r\n\r\nc\r\n";
    EXPECT_EQ(store.Read("F"), expected);

    // A message of another Netscape folder is written with its header unchanged.
    const std::string other = NsMessage("n", {"d"}, "0001");
    store.Write("G", other);
    CMessage& source = *store.Folder("G")->GetMessages()[0];
    ASSERT_TRUE(f->AddMessage(source));
    EXPECT_EQ(store.Read("F"), expected + other);
    EXPECT_EQ(Subjects(*f), (std::vector<std::string>{"s", "u", "n"}));
    EXPECT_EQ(Contents(*store.Folder("G")), (std::vector<std::string>{"n:d|"}));
}

TEST(NetscapeAdd, HeaderWhoseSeparatorIsNotFirstStillGetsOne) {
    NetscapeStore store;
    store.Write("F", NsMessage("a", {"x"}));
    CNetscapeMails* f = store.Folder("F");
    auto m = MakeMessage("Subject: late\r\nFrom - here\r\n", {"y"});
    ASSERT_TRUE(f->AddMessage(*m));
    EXPECT_EQ(Contents(*f), (std::vector<std::string>{"a:x|", "late:y|"}));
}

TEST(NetscapeAdd, BodyLinesLookingLikeSeparatorsAreQuoted) {
    NetscapeStore store;
    store.Write("F", "");
    CNetscapeMails* f = store.Folder("F");
    // Every line other mbox readers split at ("From " as written) is quoted too.
    auto m =
        MakeMessage("Subject: s\r\n", {"From - me", "from - you", "From -x", "From me", "from me",
                                       "From", ">From x", "a\r\nFrom - b\rFrom c\nd"});
    ASSERT_TRUE(f->AddMessage(*m));
    ASSERT_EQ(Subjects(*f), (std::vector<std::string>{"s"}));
    EXPECT_EQ(Contents(*f), (std::vector<std::string>{"s:>From - me|>from - you|>From -x|>From "
                                                      "me|from me|From|>From x|a|>From - b|>From "
                                                      "c|d|"}));
    // The entry added stands for what was written.
    ASSERT_TRUE(f->LoadMessages());
    const std::int64_t size = f->m_pMessages[0]->m_nSize;
    const std::int32_t lines = f->m_pMessages[0]->m_nBodyLines;
    auto again = MakeMessage("Subject: t\r\n", m->m_aBody);
    ASSERT_TRUE(f->AddMessage(*again));
    EXPECT_EQ(f->m_pMessages[1]->m_nBodyLines, lines);
    EXPECT_EQ(f->m_pMessages[1]->m_nSize, size);
    EXPECT_EQ(f->m_pMessages[1]->m_nOffset, size);
}

TEST(NetscapeAdd, NothingIsWrittenWhenTheFileOrTheBodyIsMissing) {
    NetscapeStore store;
    auto m = MakeMessage("Subject: s\r\n", {"b"});
    CNetscapeMails missing("Gone", store.Path("Gone"));
    EXPECT_FALSE(missing.AddMessage(*m));
    EXPECT_FALSE(std::filesystem::exists(store.Path("Gone")));
    EXPECT_EQ(m->m_strHeader, "Subject: s\r\n");

    // The source's folder file vanished after listing: its body cannot be read.
    store.Write("Src", NsMessage("a", {"x"}));
    store.Write("Dst", NsMessage("d", {"y"}));
    CNetscapeMails* src = store.Folder("Src");
    CMessage& source = *src->GetMessages()[0];
    std::filesystem::remove(store.Path("Src"));
    const std::string before = store.Read("Dst");
    EXPECT_FALSE(store.Folder("Dst")->AddMessage(source));
    EXPECT_EQ(store.Read("Dst"), before);
}

TEST(NetscapeAdd, AppendAfterUnfinishedTailStartsANewMessage) {
    const std::string longLine(70000, 'h'); // walks the tail across a read boundary
    const std::vector<std::string> tails = {
        "From - \r\nSubject: a\r\n\r\nlast",                       // last line without line end
        NsMessage("a", {"x"}) + "From - \r\nX-Mozilla-Status: 80", // header cut off
        "From - \nSubject: a\nX-Long: " + longLine + "\n",         // LF, header never closed
        "From - \rSubject: a\rFrom - inside\r",                    // CR, separator inside header
        "From - \r\nSubject: a\r\n\r\n" + longLine + "\r\n",       // closed, long body line
        "only text, no message\r\n",
    };
    for (const std::string& tail : tails) {
        SCOPED_TRACE(tail.substr(0, 40));
        NetscapeStore store;
        store.Write("F", tail);
        CNetscapeMails* f = store.Folder("F");
        std::vector<std::string> expected;
        for (auto& m : f->GetMessages())
            expected.push_back(m->m_strHeader);
        auto m = MakeMessage("Subject: new\r\n", {"n"});
        ASSERT_TRUE(f->AddMessage(*m));
        expected.push_back("From - \r\nX-Mozilla-Status: 8000\r\nSubject: new\r\n");
        std::vector<std::string> headers;
        for (auto& loaded : f->GetMessages())
            headers.push_back(loaded->m_strHeader);
        EXPECT_EQ(headers, expected);
        EXPECT_EQ(Contents(*f).back(), "new:n|");
    }
}

TEST(NetscapeAdd, BatchWritesWhatSingleAppendsWrite) {
    NetscapeStore store;
    std::string source;
    for (int i = 0; i < 20; ++i)
        source += NsMessage("m" + std::to_string(i), {"line " + std::to_string(i), "From me"});
    store.Write("Src", source);
    store.Write("One", "x\n");
    store.Write("Many", "x\n");
    std::vector<CMessage*> messages;
    for (auto& m : store.Folder("Src")->GetMessages())
        messages.push_back(m.get());
    for (CMessage* m : messages)
        ASSERT_TRUE(store.Folder("One")->AddMessage(*m));
    messages.clear();
    for (auto& m : store.Folder("Src")->GetMessages()) // fresh, unread sources
        messages.push_back(m.get());
    std::vector<bool> added;
    EXPECT_TRUE(store.Folder("Many")->AddMessages(messages, added));
    EXPECT_EQ(store.Read("Many"), store.Read("One"));
    EXPECT_EQ(store.Folder("Many")->m_pMessages.size(), 20u);
}

TEST(NetscapeAdd, AddedEntryCanBeRemovedBeforeReloading) {
    NetscapeStore store;
    store.Write("F", NsMessage("a", {"x"}));
    CNetscapeMails* f = store.Folder("F");
    ASSERT_TRUE(f->LoadMessages());
    auto m = MakeMessage("Subject: b\r\n", {"y"});
    ASSERT_TRUE(f->AddMessage(*m));
    ASSERT_EQ(f->m_pMessages.size(), 2u);
    EXPECT_EQ(f->m_pMessages[1]->m_nIndex, 1);
    ASSERT_TRUE(f->RemoveMessage(f->m_pMessages[1].get()));
    EXPECT_EQ(Subjects(*f), (std::vector<std::string>{"a"}));
}

// ---- removing --------------------------------------------------------------------------------

TEST(NetscapeRemove, StatusFieldIsRewrittenInPlace) {
    struct Case {
        std::string status, expected;
    };
    for (const Case& c : {Case{"0001", "0009"}, Case{"8000", "8008"}, Case{"ABC3", "abcb"},
                          Case{"8000xyz", "8008   "}, Case{"  1 ab", "0009  "}}) {
        SCOPED_TRACE(c.status);
        NetscapeStore store;
        const std::string a = NsMessage("a", {"x"}), b = NsMessage("b", {"y"}, c.status),
                          d = NsMessage("d", {"z"});
        store.Write("F", a + b + d);
        CNetscapeMails* f = store.Folder("F");
        ASSERT_TRUE(f->LoadMessages());
        ASSERT_TRUE(f->RemoveMessage(f->m_pMessages[1].get()));
        EXPECT_EQ(store.Read("F"), a + NsMessage("b", {"y"}, c.expected) + d);
        ASSERT_EQ(f->m_pMessages.size(), 2u);
        EXPECT_EQ(f->m_pMessages[1]->m_nIndex, 1);
        EXPECT_EQ(Subjects(*f), (std::vector<std::string>{"a", "d"}));
    }
}

TEST(NetscapeRemove, RefusesWithoutWriting) {
    NetscapeStore store;
    const std::string text =
        NsMessage("short", {"x"}, "800") + NsMessage("none", {"y"}, "") + NsMessage("ok", {"z"});
    store.Write("F", text);
    CNetscapeMails* f = store.Folder("F");
    ASSERT_TRUE(f->LoadMessages());
    EXPECT_FALSE(f->RemoveMessage(f->m_pMessages[0].get()));
    EXPECT_FALSE(f->RemoveMessage(f->m_pMessages[1].get()));
    EXPECT_EQ(store.Read("F"), text);
    EXPECT_EQ(f->m_pMessages.size(), 3u);

    // A message of another folder, and null.
    store.Write("G", NsMessage("g", {}));
    CMessage& other = *store.Folder("G")->GetMessages()[0];
    EXPECT_FALSE(f->RemoveMessage(&other));
    EXPECT_FALSE(f->RemoveMessage(nullptr));
    EXPECT_EQ(store.Read("F"), text);
}

TEST(NetscapeRemove, RefusesWhenTheFileChangedSinceListing) {
    NetscapeStore store;
    const std::string a = NsMessage("a", {"x"}), b = NsMessage("b", {"y"});
    store.Write("F", a + b);
    CNetscapeMails* f = store.Folder("F");
    ASSERT_TRUE(f->LoadMessages());
    // Another program put a message in front: the recorded offsets now point elsewhere.
    const std::string changed = NsMessage("new", {"n"}) + a + b;
    store.Write("F", changed);
    EXPECT_FALSE(f->RemoveMessage(f->m_pMessages[1].get()));
    EXPECT_FALSE(f->RemoveMessage(f->m_pMessages[0].get()));
    EXPECT_EQ(store.Read("F"), changed);
    // Same length, different header at the same place.
    const std::string swapped = NsMessage("c", {"x"}) + b;
    store.Write("F", swapped);
    EXPECT_FALSE(f->RemoveMessage(f->m_pMessages[0].get()));
    EXPECT_EQ(store.Read("F"), swapped);
}

TEST(NetscapeRemove, WorksAtTrueBytesInLfFilesAndAfterLeadingText) {
    NetscapeStore store;
    const std::string a = NsMessage("a", {"x"}, "0001", "\n"),
                      b = NsMessage("b", {"y"}, "0001", "\n");
    store.Write("F", "junk\n" + a + b);
    CNetscapeMails* f = store.Folder("F");
    ASSERT_TRUE(f->LoadMessages());
    ASSERT_TRUE(f->RemoveMessage(f->m_pMessages[1].get()));
    ASSERT_TRUE(f->RemoveMessage(f->m_pMessages[0].get()));
    EXPECT_EQ(store.Read("F"),
              "junk\n" + NsMessage("a", {"x"}, "0009", "\n") + NsMessage("b", {"y"}, "0009", "\n"));
    EXPECT_TRUE(Subjects(*f).empty());
}

TEST(NetscapeRemove, BatchMarksEveryMessageOnce) {
    NetscapeStore store;
    std::string text;
    for (int i = 0; i < 6; ++i)
        text += NsMessage(std::to_string(i), {"b"});
    store.Write("F", text);
    CNetscapeMails* f = store.Folder("F");
    ASSERT_TRUE(f->LoadMessages());
    std::vector<CMessage*> pick = {f->m_pMessages[4].get(), f->m_pMessages[1].get(),
                                   f->m_pMessages[4].get(), nullptr};
    EXPECT_FALSE(f->RemoveMessages(pick)); // the null one cannot be removed
    ASSERT_EQ(f->m_pMessages.size(), 4u);
    for (std::size_t i = 0; i < 4; ++i)
        EXPECT_EQ(f->m_pMessages[i]->m_nIndex, static_cast<std::int32_t>(i));
    EXPECT_EQ(Subjects(*f), (std::vector<std::string>{"0", "2", "3", "5"}));
}

// ---- undeleting ------------------------------------------------------------------------------

TEST(NetscapeUndelete, ClearsTheDeletedBitInPlace) {
    struct Case {
        std::string status, expected;
    };
    for (const Case& c : {Case{"0009", "0001"}, Case{"8008", "8000"}, Case{"ABCD", "ABC5"},
                          Case{"  9 ab", "  1 ab"}, Case{"9", "1"}}) {
        SCOPED_TRACE(c.status);
        NetscapeStore store;
        const std::string a = NsMessage("a", {"x"}, "0009"), d = NsMessage("d", {"z"});
        store.Write("F", a + NsMessage("b", {"y"}, c.status) + d);
        CNetscapeMails* f = store.Folder("F");
        MessageList& all = f->GetMessagesWithDeleted();
        ASSERT_EQ(all.size(), 3u);
        CMessage* b = all[1].get();
        ASSERT_TRUE(b->m_bDeleted);
        ASSERT_TRUE(f->UndeleteMessage(b));
        EXPECT_FALSE(b->m_bDeleted);
        EXPECT_EQ(f->m_pMessages.size(), 3u); // still listed
        EXPECT_EQ(store.Read("F"), a + NsMessage("b", {"y"}, c.expected) + d);
        // The listed header follows the file: the message can be deleted again at once.
        if (c.status.size() == 4) {
            ASSERT_TRUE(f->RemoveMessage(b));
            EXPECT_EQ(Subjects(*f), (std::vector<std::string>{"d"}));
        }
    }
}

TEST(NetscapeUndelete, RefusesWithoutWriting) {
    NetscapeStore store;
    // A status number going on in a folded line is not one this can clear.
    const std::string folded =
        test::NsMessageText({"X-Mozilla-Status: 000", "\t9", "Subject: folded"}, {"x"}, "");
    const std::string text = NsMessage("a", {"x"}, "0009") + folded;
    store.Write("F", text);
    CNetscapeMails* f = store.Folder("F");
    MessageList& all = f->GetMessagesWithDeleted();
    ASSERT_EQ(all.size(), 2u);
    ASSERT_TRUE(all[1]->m_bDeleted);
    EXPECT_FALSE(f->UndeleteMessage(all[1].get()));
    store.Write("G", NsMessage("g", {}, "0009"));
    EXPECT_FALSE(f->UndeleteMessage(store.Folder("G")->GetMessagesWithDeleted()[0].get()));
    EXPECT_FALSE(f->UndeleteMessage(nullptr));
    EXPECT_EQ(store.Read("F"), text);
    // Another program rewrote the file since the listing.
    const std::string changed = NsMessage("new", {"n"}) + text;
    store.Write("F", changed);
    EXPECT_FALSE(f->UndeleteMessage(all[0].get()));
    EXPECT_TRUE(all[0]->m_bDeleted);
    EXPECT_EQ(store.Read("F"), changed);
}

TEST(NetscapeUndelete, BatchAndAppendedCopiesAreLive) {
    NetscapeStore store;
    store.Write("F", NsMessage("a", {"x"}, "0009") + NsMessage("b", {"y"}) +
                         NsMessage("c", {"z"}, "8009"));
    store.Write("G", "");
    CNetscapeMails* f = store.Folder("F");
    MessageList& all = f->GetMessagesWithDeleted();
    // A deleted message copied elsewhere arrives live; its source is not changed.
    const std::string before = store.Read("F");
    ASSERT_TRUE(store.Folder("G")->AddMessage(*all[2]));
    EXPECT_EQ(store.Read("F"), before);
    EXPECT_EQ(Subjects(*store.Folder("G")), (std::vector<std::string>{"c"}));
    EXPECT_NE(store.Read("G").find("X-Mozilla-Status: 8001\r\n"), std::string::npos);
    // Live ones and repeats are fine; each mark is cleared once.
    EXPECT_TRUE(f->UndeleteMessages({all[2].get(), all[1].get(), all[0].get(), all[2].get()}));
    EXPECT_EQ(Subjects(*f), (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(store.Read("F"), NsMessage("a", {"x"}, "0001") + NsMessage("b", {"y"}) +
                                   NsMessage("c", {"z"}, "8001"));
}

// ---- compacting ------------------------------------------------------------------------------

TEST(NetscapeCompact, DropsExactlyDeletedMessagesAndLeadingText) {
    NetscapeStore store;
    const std::string a = NsMessage("a", {"x"}), b = NsMessage("b", {"y", ""}),
                      c = NsMessage("c", {"z"}, "0008"), d = NsMessage("d", {"w"});
    store.Write("F", "leading\r\n" + a + b + c + d);
    store.Write("F.snm", "summary");
    CNetscapeMails* f = store.Folder("F");
    ASSERT_TRUE(f->LoadMessages());
    ASSERT_TRUE(f->RemoveMessage(f->m_pMessages[0].get()));
    ASSERT_TRUE(f->Compact());
    EXPECT_EQ(store.Read("F"), b + d);
    EXPECT_EQ(store.Read("F.snm"), "summary");
    EXPECT_FALSE(store.HasTemporaryFiles());
    // The offsets in memory match the new file: removing works without reloading.
    ASSERT_EQ(f->m_pMessages.size(), 2u);
    EXPECT_EQ(f->m_pMessages[1]->m_nOffset, static_cast<std::int64_t>(b.size()));
    ASSERT_TRUE(f->RemoveMessage(f->m_pMessages[1].get()));
    EXPECT_EQ(Contents(*f), (std::vector<std::string>{"b:y||"}));
}

TEST(NetscapeCompact, KeepsBytesOfOtherLineEndsAndLeavesCleanFilesAlone) {
    NetscapeStore store;
    const std::string a = NsMessage("a", {"x"}, "0001", "\n"),
                      b = NsMessage("b", {"y"}, "0009", "\n"),
                      c = NsMessage("c", {"z"}, "0001", "\n");
    store.Write("F", a + b + c);
    ASSERT_TRUE(store.Folder("F")->Compact());
    EXPECT_EQ(store.Read("F"), a + c);
    // Nothing left to drop: the file is not rewritten.
    struct stat before {
    }, after{};
    ASSERT_EQ(::stat(store.Path("F").c_str(), &before), 0);
    ASSERT_TRUE(store.Folder("F")->Compact());
    ASSERT_EQ(::stat(store.Path("F").c_str(), &after), 0);
    EXPECT_EQ(before.st_ino, after.st_ino);
    EXPECT_EQ(store.Read("F"), a + c);
    EXPECT_EQ(Contents(*store.Folder("F")), (std::vector<std::string>{"a:x|", "c:z|"}));
}

TEST(NetscapeCompact, MessageWithoutFinalLineEndGetsOneWhenMoved) {
    NetscapeStore store;
    store.Write("F", NsMessage("a", {"x"}, "0009") + "From - \r\nSubject: b\r\n\r\nend");
    CNetscapeMails* f = store.Folder("F");
    ASSERT_TRUE(f->Compact());
    EXPECT_EQ(store.Read("F"), "From - \r\nSubject: b\r\n\r\nend\r\n");
    auto m = MakeMessage("Subject: c\r\n", {"q"});
    ASSERT_TRUE(f->AddMessage(*m));
    EXPECT_EQ(Contents(*f), (std::vector<std::string>{"b:end|", "c:q|"}));
}

TEST(NetscapeCompact, LeavesFilesWithoutMessagesAlone) {
    NetscapeStore store;
    store.Write("F", "not a folder\r\nat all");
    ASSERT_TRUE(store.Folder("F")->Compact());
    EXPECT_EQ(store.Read("F"), "not a folder\r\nat all");
}

TEST(NetscapeCompact, FailsOnMissingFile) {
    NetscapeStore store;
    CNetscapeMails missing("Gone", store.Path("Gone"));
    EXPECT_FALSE(missing.Compact());
    EXPECT_FALSE(store.HasTemporaryFiles());
}

} // namespace
} // namespace qb
