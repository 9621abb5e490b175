// Messages appended in a batch let go of their bodies and texts, and show the same texts when
// asked again; a folder lists exactly the messages whose index records are not marked removed.
#include "internet_fixtures.h"

#include <gtest/gtest.h>

namespace qb::test {
namespace {

TEST(InternetBatchTexts, SourcesAndCopiesShowTheSameTextsAfterABatch) {
    TempDir a, b;
    InternetStore sa(a.path()), sb(b.path());
    CInternetMails* ia = sa.Folder("Inbox");
    CInternetMails* ib = sb.Folder("Inbox");
    for (const std::string& dir : {a.path(), b.path()}) {
        ASSERT_TRUE(CInternetMails::CreateMessageFile(dir + "/Inbox.mbx"));
        ASSERT_TRUE(CInternetMails::CreateIndexFile(dir + "/Inbox.idx"));
    }
    auto plain = SimpleMessage("p", {"first", "second"});
    auto multi = MakeMessage("Subject: m\r\nContent-Type: multipart/mixed; boundary=\"b\"\r\n",
                             {"--b", "Content-Type: text/plain", "", "hello", "--b",
                              "Content-Type: application/octet-stream; name=\"a.bin\"",
                              "Content-Transfer-Encoding: base64", "", "AAAA", "--b--"});
    ASSERT_TRUE(ia->AddMessage(*plain));
    ASSERT_TRUE(ia->AddMessage(*multi));

    std::vector<std::string> texts, attachments;
    for (auto& m : ia->GetMessages()) {
        texts.push_back(m->GetText());
        attachments.push_back(m->GetAttachText());
    }
    ASSERT_EQ(texts.size(), 2u);
    ASSERT_FALSE(attachments[1].empty());

    ASSERT_TRUE(ia->LoadMessages()); // fresh sources, bodies not read yet
    std::vector<CMessage*> sources;
    for (auto& m : ia->m_pMessages)
        sources.push_back(m.get());
    std::vector<bool> added;
    ASSERT_TRUE(ib->AddMessages(sources, added));
    for (std::size_t i = 0; i < sources.size(); ++i) {
        EXPECT_TRUE(sources[i]->m_aBody.empty()) << i;
        EXPECT_EQ(sources[i]->GetText(), texts[i]) << i;
        EXPECT_EQ(sources[i]->GetAttachText(), attachments[i]) << i;
    }
    ASSERT_TRUE(ib->LoadMessages());
    ASSERT_EQ(ib->m_pMessages.size(), 2u);
    for (std::size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(ib->m_pMessages[i]->GetText(), texts[i]) << i;
        EXPECT_EQ(ib->m_pMessages[i]->GetAttachText(), attachments[i]) << i;
    }
}

TEST(InternetBatchTexts, ListingLeavesOutExactlyTheRemovedIds) {
    TempDir dir;
    InternetStore store(dir.path());
    CInternetMails* f = store.Folder("Inbox");
    ASSERT_TRUE(CInternetMails::CreateMessageFile(dir / "Inbox.mbx"));
    ASSERT_TRUE(CInternetMails::CreateIndexFile(dir / "Inbox.idx"));
    std::vector<std::unique_ptr<CMessage>> messages;
    std::vector<CMessage*> list;
    for (int i = 0; i < 12; ++i) {
        messages.push_back(SimpleMessage("s" + std::to_string(i)));
        list.push_back(messages.back().get());
    }
    std::vector<bool> added;
    ASSERT_TRUE(f->AddMessages(list, added));
    ASSERT_TRUE(f->LoadMessages());
    ASSERT_EQ(f->m_pMessages.size(), 12u);
    ASSERT_TRUE(f->RemoveMessages(
        {f->m_pMessages[0].get(), f->m_pMessages[5].get(), f->m_pMessages[11].get()}));
    ASSERT_TRUE(f->LoadMessages());
    std::vector<std::string> subjects;
    for (auto& m : f->m_pMessages)
        subjects.push_back(m->GetHeaderField("Subject: "));
    EXPECT_EQ(subjects,
              (std::vector<std::string>{"s1", "s2", "s3", "s4", "s6", "s7", "s8", "s9", "s10"}));
}

} // namespace
} // namespace qb::test
