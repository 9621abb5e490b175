#include "doc_fixture.h"

#include <gmock/gmock.h>

namespace qb::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class FolderCommandsTest : public DocTest {
  protected:
    void SetUp() override {
        root = AddMailbox("Local");
        inbox = Sub(root, "Inbox");
        work = Sub(inbox, "Work");
        Open();
    }
    TestFolder* root = nullptr;
    TestFolder* inbox = nullptr;
    TestFolder* work = nullptr;
};

TEST_F(FolderCommandsTest, NewFolderIsShownSelectedAndListedInTheMenus) {
    port.FolderName("Projects");
    EXPECT_EQ(doc.FolderCommands().OnNewFolder(Tree(inbox)), Outcome::Done);
    CMails* created = port.ItemNamed(inbox, "Projects");
    ASSERT_NE(created, nullptr);
    EXPECT_EQ(created->GetParentFolder(), inbox);
    EXPECT_EQ(port.selected, created);
    EXPECT_EQ(port.menuRebuilds, 1);
    EXPECT_THAT(port.Texts(), IsEmpty());
    // The new folder is a Move/Copy target right away.
    bool listed = false;
    for (int i = 0; i < doc.MenuFolderCount(); ++i)
        listed = listed || doc.MenuFolder(ID_MOVE_FIRST + i) == created;
    EXPECT_TRUE(listed);
}

TEST_F(FolderCommandsTest, NewFolderWorksFromTheListPaneToo) {
    port.FolderName("Drafts");
    EXPECT_EQ(doc.FolderCommands().OnNewFolder(List(root, {})), Outcome::Done);
    EXPECT_NE(port.ItemNamed(root, "Drafts"), nullptr);
}

TEST_F(FolderCommandsTest, NewFolderCancelledOrRefusedCreatesNothing) {
    port.FolderName(std::nullopt);
    EXPECT_EQ(doc.FolderCommands().OnNewFolder(Tree(inbox)), Outcome::Cancelled);
    EXPECT_EQ(inbox->Children().size(), 1u);

    inbox->failCreate = true;
    port.FolderName("Projects");
    EXPECT_EQ(doc.FolderCommands().OnNewFolder(Tree(inbox)), Outcome::Failed);
    EXPECT_THAT(port.Texts(), ElementsAre("Cannot create new folder"));
    EXPECT_THAT(port.ItemsBelow(inbox), ElementsAre("Work"));

    // Without a selected folder the dialog is not even shown.
    EXPECT_EQ(doc.FolderCommands().OnNewFolder(Tree(nullptr)), Outcome::Cancelled);
    EXPECT_TRUE(port.ScriptUsed());
}

TEST_F(FolderCommandsTest, FolderNameCheckRefusesOnlyTheEmptyName) {
    EXPECT_EQ(CheckFolderName(""), "Please input a folder name");
    EXPECT_EQ(CheckFolderName("   "), "");
    // A front end that hands over an empty name anyway gets the dialog's text.
    port.FolderName("");
    EXPECT_EQ(doc.FolderCommands().OnNewFolder(Tree(inbox)), Outcome::Failed);
    EXPECT_THAT(port.Texts(), ElementsAre("Please input a folder name"));
}

TEST_F(FolderCommandsTest, RenameRefusalsComeBeforeTheDialog) {
    EXPECT_EQ(doc.FolderCommands().OnRenameFolder(List(inbox, {})), Outcome::Failed);
    EXPECT_EQ(doc.FolderCommands().OnRenameFolder(Tree(nullptr)), Outcome::Failed);
    EXPECT_EQ(doc.FolderCommands().OnRenameFolder(Tree(root)), Outcome::Failed);
    EXPECT_THAT(port.Texts(),
                ElementsAre("Please select a folder to rename", "Please select a folder to rename",
                            "Cannot rename root folder"));
    EXPECT_EQ(port.menuRebuilds, 0);
    EXPECT_TRUE(port.ScriptUsed()); // no dialog was shown
}

TEST_F(FolderCommandsTest, RenameSetsTheItemTextOrReportsTheStoreFailure) {
    port.FolderName("Office");
    EXPECT_EQ(doc.FolderCommands().OnRenameFolder(Tree(work)), Outcome::Done);
    EXPECT_EQ(port.items[work].text, "Office");
    EXPECT_EQ(port.menuRebuilds, 1);

    work->failRename = true;
    port.FolderName("Home");
    EXPECT_EQ(doc.FolderCommands().OnRenameFolder(Tree(work)), Outcome::Failed);
    EXPECT_THAT(port.Texts(), ElementsAre("Cannot rename folder"));
    EXPECT_EQ(port.items[work].text, "Office");

    port.FolderName(std::nullopt);
    EXPECT_EQ(doc.FolderCommands().OnRenameFolder(Tree(work)), Outcome::Cancelled);
    EXPECT_EQ(port.menuRebuilds, 2); // a cancelled dialog rebuilds nothing
}

TEST_F(FolderCommandsTest, InPlaceRename) {
    EXPECT_EQ(doc.FolderCommands().BeginLabelEdit(Tree(root)), Outcome::Failed);
    EXPECT_EQ(doc.FolderCommands().BeginLabelEdit(Tree(nullptr)), Outcome::Failed);
    EXPECT_EQ(doc.FolderCommands().BeginLabelEdit(Tree(work)), Outcome::Done);
    EXPECT_EQ(doc.FolderCommands().EndLabelEdit(Tree(work), ""), Outcome::Cancelled);
    EXPECT_EQ(doc.FolderCommands().EndLabelEdit(Tree(work), "Job"), Outcome::Done);
    EXPECT_EQ(port.items[work].text, "Job");
    work->failRename = true;
    EXPECT_EQ(doc.FolderCommands().EndLabelEdit(Tree(work), "Other"), Outcome::Failed);
    EXPECT_EQ(port.items[work].text, "Job");
    EXPECT_THAT(port.Texts(),
                ElementsAre("Cannot rename root folder", "Please select a folder to rename",
                            "Cannot rename folder"));
}

TEST_F(FolderCommandsTest, DeleteFolderAsksAndRemovesFolderAndItems) {
    port.Answer(Answer::Ok);
    EXPECT_EQ(doc.FolderCommands().OnDelete(Tree(inbox)), Outcome::Done);
    ASSERT_EQ(port.shown.size(), 1u);
    EXPECT_EQ(port.shown[0].text, "Delete Folder \"Inbox\"?");
    EXPECT_EQ(port.shown[0].buttons, Buttons::OkCancel);
    EXPECT_TRUE(root->Children().empty());
    EXPECT_EQ(port.items.count(work), 0u);
    EXPECT_THAT(port.ItemsBelow(root), IsEmpty());
    EXPECT_EQ(doc.MenuFolderCount(), 1); // only the root is left in the menus
}

TEST_F(FolderCommandsTest, DeleteCancelledOrRootRefusedKeepsEverything) {
    port.Answer(Answer::Cancel);
    EXPECT_EQ(doc.FolderCommands().OnDelete(Tree(inbox)), Outcome::Cancelled);
    EXPECT_EQ(root->Children().size(), 1u);
    EXPECT_EQ(doc.FolderCommands().OnDelete(Tree(root)), Outcome::Failed);
    EXPECT_THAT(port.Texts(),
                ElementsAre("Delete Folder \"Inbox\"?", "Cannot delete a root folder"));
    EXPECT_EQ(port.menuRebuilds, 1); // the root refusal rebuilds nothing
}

TEST_F(FolderCommandsTest, FailedFolderDeleteReportsAndKeepsTheFolder) {
    work->failDelete = true;
    port.Answer(Answer::Ok);
    EXPECT_EQ(doc.FolderCommands().OnDelete(Tree(inbox)), Outcome::Failed);
    EXPECT_THAT(port.Texts(), ElementsAre("Delete Folder \"Inbox\"?", "Cannot remove folder"));
    // The folder stays in the model; its item goes until the tree is built again.
    EXPECT_EQ(root->Children().size(), 1u);
    EXPECT_EQ(port.items.count(inbox), 0u);
    EXPECT_EQ(port.items.count(work), 0u);
}

TEST_F(FolderCommandsTest, DeleteSelectedMessages) {
    CMessage* a = AddMail(inbox, "a");
    AddMail(inbox, "b");
    CMessage* c = AddMail(inbox, "c");
    port.Answer(Answer::Ok);
    EXPECT_EQ(doc.FolderCommands().OnDelete(List(inbox, {a, c})), Outcome::Done);
    EXPECT_THAT(port.Texts(), ElementsAre("Delete Selected Message(s)?"));
    EXPECT_THAT(port.rows, ElementsAre(a, c));
    EXPECT_THAT(Subjects(*inbox), ElementsAre("b"));

    // With nothing selected the question is still asked and nothing goes.
    port.Answer(Answer::Ok);
    EXPECT_EQ(doc.FolderCommands().OnDelete(List(inbox, {})), Outcome::Done);
    EXPECT_EQ(inbox->m_pMessages.size(), 1u);

    port.Answer(Answer::Cancel);
    EXPECT_EQ(doc.FolderCommands().OnDelete(List(inbox, {inbox->m_pMessages[0].get()})),
              Outcome::Cancelled);
    EXPECT_EQ(inbox->m_pMessages.size(), 1u);
}

TEST_F(FolderCommandsTest, UpdateRules) {
    EXPECT_TRUE(doc.FolderCommands().CanNewFolder());
    EXPECT_TRUE(doc.FolderCommands().CanRenameFolder(Tree(inbox)));
    EXPECT_FALSE(doc.FolderCommands().CanRenameFolder(Tree(root)));
    EXPECT_FALSE(doc.FolderCommands().CanRenameFolder(List(inbox, {})));
    EXPECT_TRUE(doc.FolderCommands().CanDelete(Tree(work)));
    EXPECT_FALSE(doc.FolderCommands().CanDelete(Tree(root)));
    EXPECT_FALSE(doc.FolderCommands().CanDelete(List(inbox, {})));
    CMessage* m = AddMail(inbox, "x");
    EXPECT_TRUE(doc.FolderCommands().CanDelete(List(inbox, {m})));
    EXPECT_FALSE(doc.FolderCommands().CanDelete({inbox, ActivePane::Other, {m}}));

    FakePort otherPort;
    CQuillboxDoc empty(otherPort, nullptr);
    EXPECT_FALSE(empty.FolderCommands().CanNewFolder());
}

TEST_F(FolderCommandsTest, RestoreCurrentFolderSelectsByExactPath) {
    EXPECT_EQ(doc.RestoreCurrentFolder(work->m_strPath), work);
    EXPECT_EQ(port.selected, work);
    EXPECT_FALSE(port.expanded);
    EXPECT_EQ(doc.RestoreCurrentFolder(root->m_strPath), root);
    EXPECT_TRUE(port.expanded);

    port.selected = nullptr;
    std::string otherCase = work->m_strPath;
    otherCase.back() = 'K';
    EXPECT_EQ(doc.RestoreCurrentFolder(otherCase), nullptr);
    EXPECT_EQ(doc.RestoreCurrentFolder(""), nullptr);
    EXPECT_EQ(port.selected, nullptr);
}

TEST_F(FolderCommandsTest, MailboxLookupsIgnoreCase) {
    EXPECT_EQ(doc.FindMailboxByName("LOCAL"), root);
    EXPECT_EQ(doc.FindMailboxByStoreRoot("/STORES/local"), root);
    EXPECT_EQ(doc.FindMailboxByName("Other"), nullptr);
}

} // namespace
} // namespace qb::test
