#include "app/store_address.h"
#include "doc_fixture.h"

#include <gmock/gmock.h>

namespace qb::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class UndeleteTest : public DocTest {};

TEST_F(UndeleteTest, OnlyMarkedSelectedMessagesFromTheList) {
    TestFolder* inbox = Sub(AddMailbox("A"), "Inbox");
    CMessage* live = AddMail(inbox, "live");
    CMessage* gone = AddMail(inbox, "gone");
    gone->m_bDeleted = true;
    Open();
    CUndeleteCommands& undelete = doc.Undelete();
    EXPECT_FALSE(undelete.CanUndelete(List(inbox, {live})));
    EXPECT_FALSE(undelete.CanUndelete({inbox, ActivePane::Tree, {gone}}));
    EXPECT_TRUE(undelete.CanUndelete(List(inbox, {live, gone})));

    inbox->failUndelete = true;
    EXPECT_EQ(undelete.OnUndelete(List(inbox, {live, gone})), Outcome::Failed);
    EXPECT_THAT(port.Texts(), ElementsAre(kTextCannotUndelete));
    EXPECT_TRUE(gone->m_bDeleted);
    inbox->failUndelete = false;
    port.ClearLog();
    EXPECT_EQ(undelete.OnUndelete(List(inbox, {live, gone})), Outcome::Done);
    EXPECT_THAT(inbox->undeleted, ElementsAre(gone, gone));
    EXPECT_FALSE(gone->m_bDeleted);
    EXPECT_THAT(port.Texts(), IsEmpty());
    EXPECT_EQ(port.rowRepaints, 1);
    EXPECT_EQ(port.refills, 0); // the rows stay, and the selection with them
    EXPECT_EQ(port.waitDepth, 0);
    // Nothing marked is left: the command does nothing.
    EXPECT_EQ(undelete.OnUndelete(List(inbox, {gone})), Outcome::Cancelled);
    EXPECT_EQ(inbox->undeleted.size(), 2u);
}

TEST_F(UndeleteTest, RowsAreRefusedWholeWhenOneIsMissingOrLive) {
    TestFolder* inbox = Sub(AddMailbox("A"), "Inbox");
    AddMail(inbox, "live");
    AddMail(inbox, "gone")->m_bDeleted = true;
    Open();
    CUndeleteCommands& undelete = doc.Undelete();
    EXPECT_EQ(undelete.UndeleteRows(*inbox, {1, 2}), Outcome::Failed);
    EXPECT_EQ(undelete.UndeleteRows(*inbox, {1, 0}), Outcome::Failed);
    EXPECT_THAT(port.Texts(), ElementsAre(kTextMessageNotFound, kTextNotDeleted));
    EXPECT_THAT(inbox->undeleted, IsEmpty());
    EXPECT_EQ(undelete.UndeleteRows(*inbox, {1, 1}), Outcome::Done);
    EXPECT_FALSE(inbox->m_pMessages[1]->m_bDeleted);
}

TEST_F(UndeleteTest, AListShowingDeletedMessagesIsFilledAgainAfterRemovals) {
    TestFolder* inbox = Sub(AddMailbox("A"), "Inbox");
    TestFolder* other = Sub(AddMailbox("B"), "Other");
    CMessage* first = AddMail(inbox, "first");
    CMessage* second = AddMail(inbox, "second");
    Open();
    port.Answer(Answer::Ok);
    ASSERT_EQ(doc.FolderCommands().OnDelete(List(inbox, {first})), Outcome::Done);
    EXPECT_EQ(port.refills, 0);
    doc.Undelete().SetShowDeleted(true);
    EXPECT_EQ(port.refills, 1);
    ASSERT_EQ(doc.MoveCopy().MoveTo(other, List(inbox, {second})), Outcome::Done);
    EXPECT_EQ(port.refills, 2);
    doc.Undelete().SetShowDeleted(true); // unchanged: no refill
    EXPECT_EQ(port.refills, 2);
}

// The status line counts the deleted messages of the list while they are shown, follows the
// list to another folder and to an undelete, and is cleared when they are no longer shown.
TEST_F(UndeleteTest, StatusLineCountsTheDeletedMessagesOfTheListShown) {
    TestFolder* inbox = Sub(AddMailbox("A"), "Inbox");
    TestFolder* other = Sub(AddMailbox("B"), "Other");
    AddMail(inbox, "live");
    CMessage* gone = AddMail(inbox, "gone");
    gone->m_bDeleted = true;
    AddMail(other, "live");
    Open();
    CUndeleteCommands& undelete = doc.Undelete();
    undelete.ListMessages(*inbox);
    EXPECT_THAT(port.statuses, IsEmpty());
    undelete.SetShowDeleted(true);
    undelete.ListMessages(*inbox);
    undelete.ListMessages(*other);
    undelete.ListMessages(*inbox);
    ASSERT_EQ(undelete.OnUndelete(List(inbox, {gone})), Outcome::Done);
    undelete.SetShowDeleted(false);
    undelete.ListMessages(*other);
    undelete.ListMessages(*inbox);
    EXPECT_THAT(port.statuses,
                ElementsAre("1 deleted message shown", "0 deleted messages shown",
                            "1 deleted message shown", "0 deleted messages shown", ""));
}

TEST(CompactNotice, SaysHowManyMessagesInHowManyMailboxes) {
    EXPECT_EQ(CCompactCommand::DeletedNotice({0, 0}), "No deleted messages to remove.");
    EXPECT_EQ(CCompactCommand::DeletedNotice({1, 1}),
              "1 deleted message in 1 mailbox will be removed for good.");
    EXPECT_EQ(CCompactCommand::DeletedNotice({12, 3}),
              "12 deleted messages in 3 mailboxes will be removed for good.");
}

} // namespace
} // namespace qb::test
