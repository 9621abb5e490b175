#include "model/mails.h"
#include "support/messages.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace qb {
namespace {

// A folder that counts how often its sub-folders are loaded and can be told to fail.
class CountingFolder : public CMails {
  public:
    using CMails::CMails;
    bool LoadFolders() override {
        ++loads;
        if (fail)
            return false;
        DeleteChildren();
        AddSubFolder(std::make_unique<CMails>("Sub", m_strPath + "/Sub"));
        return true;
    }
    int loads = 0;
    bool fail = false;
};

using test::Names;
using test::SimpleMessage;

struct Tree {
    Tree() : root("Root", "/r") {}
    CMails root;
};

TEST(Mails, GetSubFoldersLoadsOnceAndStaysPendingAfterFailure) {
    CountingFolder folder("F", "/f");
    folder.fail = true;
    EXPECT_TRUE(folder.GetSubFolders().empty());
    EXPECT_TRUE(folder.m_bFoldersPending);
    folder.fail = false;
    EXPECT_EQ(Names(folder.GetSubFolders()), (std::vector<std::string>{"Sub"}));
    EXPECT_EQ(Names(folder.GetSubFolders()), (std::vector<std::string>{"Sub"}));
    EXPECT_EQ(folder.loads, 2);
    EXPECT_FALSE(folder.m_bFoldersPending);
}

TEST(Mails, CreateFolderPathsNameTheFolderBelowItsParent) {
    Tree t;
    CMails* a = t.root.CreateFolder("A");
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->m_strPath, "/r/A");
    CMails* b = a->CreateFolder("B");
    EXPECT_EQ(b->m_strPath, "/r/A/B");
    EXPECT_EQ(b->GetRoot(), &t.root);
    EXPECT_EQ(b->GetParentFolder(), a);
    EXPECT_EQ(t.root.FindFolder("/r/A/B"), b);
    EXPECT_EQ(t.root.FindFolder("/r/a/B"), nullptr);
    EXPECT_TRUE(t.root.Contains(b));
    EXPECT_FALSE(b->Contains(a));
    EXPECT_FALSE(t.root.Contains(nullptr));
}

TEST(Mails, AddAndRemoveMessagesRenumber) {
    CMails folder("F", "/f");
    for (const char* s : {"one", "two", "three"}) {
        auto m = SimpleMessage(s, {"body"});
        EXPECT_TRUE(folder.AddMessage(*m));
    }
    ASSERT_EQ(folder.m_pMessages.size(), 3u);
    EXPECT_EQ(folder.m_pMessages[2]->m_nIndex, 2);
    EXPECT_EQ(folder.m_pMessages[1]->m_aBody, (std::vector<std::string>{"body"}));
    EXPECT_EQ(folder.m_pMessages[1]->m_pFolder, &folder);
    EXPECT_EQ(folder.m_pMessages[1]->m_pContent, nullptr);

    EXPECT_TRUE(folder.RemoveMessage(folder.m_pMessages[1].get()));
    ASSERT_EQ(folder.m_pMessages.size(), 2u);
    EXPECT_EQ(folder.m_pMessages[0]->GetHeaderField("Subject: "), "one");
    EXPECT_EQ(folder.m_pMessages[1]->GetHeaderField("Subject: "), "three");
    EXPECT_EQ(folder.m_pMessages[1]->m_nIndex, 1);

    auto stranger = SimpleMessage("x", {});
    EXPECT_FALSE(folder.RemoveMessage(stranger.get()));
    EXPECT_EQ(folder.m_pMessages.size(), 2u);
}

TEST(Mails, CopyFolderCopiesMessagesAndChildrenInChildOrder) {
    Tree t;
    CMails* src = t.root.CreateFolder("Src");
    src->m_nFlags = 5;
    src->m_wHeader1 = 7;
    auto m = SimpleMessage("hello", {"line"});
    src->AddMessage(*m);
    src->CreateFolder("Y");
    src->CreateFolder("X"); // children now X, Y
    CMails* dest = t.root.CreateFolder("Dest");

    CMails* copy = dest->CopyFolder(*src);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->GetParentFolder(), dest);
    EXPECT_EQ(copy->m_strName, "Src");
    EXPECT_EQ(copy->m_nFlags, 5);
    EXPECT_EQ(copy->m_wHeader1, 7u);
    ASSERT_EQ(copy->m_pMessages.size(), 1u);
    EXPECT_EQ(copy->m_pMessages[0]->m_aBody, (std::vector<std::string>{"line"}));
    // Children are copied in child order and each copy is prepended: the order reverses.
    EXPECT_EQ(Names(copy->Children()), (std::vector<std::string>{"Y", "X"}));
    EXPECT_EQ(Names(src->Children()), (std::vector<std::string>{"X", "Y"}));
}

TEST(Mails, DeleteSubFolderIsTheParentsOperation) {
    Tree t;
    t.root.m_bFoldersPending = false;
    CMails* a = t.root.CreateFolder("A");
    a->m_bFoldersPending = false;
    CMails* b = a->CreateFolder("B");
    b->m_bFoldersPending = false;
    b->CreateFolder("C")->m_bFoldersPending = false;

    EXPECT_EQ(t.root.DeleteSubFolder(b), nullptr); // not a child of the root
    EXPECT_EQ(t.root.DeleteSubFolder(nullptr), nullptr);
    EXPECT_EQ(b->GetParentFolder(), a);

    const std::unique_ptr<CMails> gone = a->DeleteSubFolder(b);
    ASSERT_EQ(gone.get(), b);
    EXPECT_TRUE(b->IsRoot());
    EXPECT_FALSE(b->HasChildren());
    EXPECT_FALSE(a->HasChildren());
    EXPECT_EQ(Names(t.root.GetSubFolders()), (std::vector<std::string>{"A"}));
}

TEST(Mails, GetMessagesReloadsEveryTime) {
    class Reloading : public CMails {
      public:
        using CMails::CMails;
        bool LoadMessages() override {
            FreeMessages();
            m_pMessages.push_back(std::make_unique<CMessage>(0, 0, this, "A: b\r\n", ""));
            return true;
        }
    } folder("F", "/f");
    const CMessage* first = folder.GetMessages().at(0).get();
    const std::string header = first->m_strHeader;
    const CMessage* second = folder.GetMessages().at(0).get();
    EXPECT_EQ(folder.m_pMessages.size(), 1u);
    EXPECT_EQ(second->m_strHeader, header);
}

} // namespace
} // namespace qb
