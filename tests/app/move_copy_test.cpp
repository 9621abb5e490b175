#include "doc_fixture.h"

#include <gmock/gmock.h>

namespace qb::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::UnorderedElementsAre;

class MoveCopyTest : public DocTest {
  protected:
    void SetUp() override {
        local = AddMailbox("Local");
        inbox = Sub(local, "Inbox");
        work = Sub(inbox, "Work");
        archive = Sub(local, "Archive");
        imn = AddMailbox("Imn", CMails::kInternetMail);
        AddMail(work, "w1");
        AddMail(work, "w2");
        Open();
    }
    TestFolder* local = nullptr;
    TestFolder* inbox = nullptr;
    TestFolder* work = nullptr;
    TestFolder* archive = nullptr;
    TestFolder* imn = nullptr;
};

// A message its folder keeps after it was moved or deleted is reported, and the list shows what
// the folder holds: a move that leaves it in both places is not a success.
TEST_F(MoveCopyTest, MessagesTheSourceKeepsAreReported) {
    work->failRemove = true;
    CMessage* w1 = work->m_pMessages[0].get();
    EXPECT_EQ(doc.MoveCopy().MoveTo(archive, List(work, {w1})), Outcome::Failed);
    EXPECT_EQ(port.Texts(), std::vector<std::string>{kTextCannotRemoveMessage});
    EXPECT_GT(port.refills, 0);
    EXPECT_EQ(Subjects(*work), (std::vector<std::string>{"w1", "w2"}));
    EXPECT_EQ(Subjects(*archive), std::vector<std::string>{"w1"});

    port.ClearLog();
    port.Answer(Answer::Ok);
    EXPECT_EQ(doc.FolderCommands().OnDelete(List(work, {work->m_pMessages[1].get()})),
              Outcome::Failed);
    EXPECT_EQ(port.Texts(),
              (std::vector<std::string>{"Delete Selected Message(s)?", kTextCannotRemoveMessage}));
    EXPECT_EQ(work->m_pMessages.size(), 2u);
}

TEST_F(MoveCopyTest, FolderRefusalsInOrder) {
    EXPECT_EQ(doc.MoveCopy().MoveTo(archive, Tree(local)), Outcome::Failed);
    EXPECT_EQ(port.menuRebuilds, 0); // the root refusal ends at once
    EXPECT_EQ(doc.MoveCopy().MoveTo(inbox, Tree(inbox)), Outcome::Failed);
    EXPECT_EQ(doc.MoveCopy().MoveTo(work, Tree(inbox)), Outcome::Failed);
    EXPECT_EQ(doc.MoveCopy().MoveTo(inbox, Tree(work)), Outcome::Failed);
    EXPECT_EQ(doc.MoveCopy().CopyTo(inbox, Tree(inbox)), Outcome::Failed);
    EXPECT_EQ(doc.MoveCopy().CopyTo(work, Tree(inbox)), Outcome::Failed);
    EXPECT_EQ(doc.MoveCopy().CopyTo(inbox, Tree(work)), Outcome::Failed);
    EXPECT_EQ(doc.MoveCopy().CopyTo(archive, {inbox, ActivePane::Other, {}}), Outcome::Failed);
    EXPECT_EQ(doc.MoveCopy().MoveTo(archive, {inbox, ActivePane::None, {}}), Outcome::Failed);
    EXPECT_THAT(port.Texts(),
                ElementsAre("Cannot move a root folder", "Cannot move a folder to itself",
                            "Cannot move a folder to its subfolder",
                            "Cannot move a folder to its parent folder",
                            "Cannot copy a folder to itself",
                            "Cannot copy a folder to its subfolder",
                            "Cannot copy a folder to its parent folder",
                            "Please select folder or message(s) to copy",
                            "Please select folder or message(s) to move"));
    EXPECT_EQ(port.menuRebuilds, 8);
    EXPECT_EQ(archive->copies + inbox->copies + work->copies, 0);
}

TEST_F(MoveCopyTest, MoveFolderCopiesThenRemovesTheSource) {
    EXPECT_EQ(doc.MoveCopy().MoveTo(archive, Tree(work)), Outcome::Done);
    EXPECT_THAT(port.Texts(), IsEmpty());
    EXPECT_THAT(Names(archive->Children()), ElementsAre("Work"));
    CMails* moved = archive->Children()[0];
    EXPECT_THAT(Subjects(*moved), ElementsAre("w1", "w2"));
    EXPECT_TRUE(inbox->Children().empty());
    EXPECT_EQ(port.ItemNamed(archive, "Work"), moved);
    EXPECT_THAT(port.ItemsBelow(inbox), IsEmpty());
    EXPECT_EQ(port.refills, 1);
}

TEST_F(MoveCopyTest, CopyingARootIsAllowedAndKeepsTheSource) {
    EXPECT_EQ(doc.MoveCopy().CopyTo(archive, Tree(imn)), Outcome::Done);
    EXPECT_THAT(Names(archive->Children()), ElementsAre("Imn"));
    EXPECT_EQ(doc.MoveCopy().CopyTo(archive, Tree(work)), Outcome::Done);
    EXPECT_THAT(Subjects(*work), ElementsAre("w1", "w2"));
    EXPECT_THAT(port.ItemsBelow(archive), ElementsAre("Imn", "Work"));
}

TEST_F(MoveCopyTest, SameNameQuestionYesMergesIntoTheExistingFolder) {
    TestFolder* other = Sub(archive, "work");
    port.InsertFolderItem(archive, other);
    AddMail(other, "o1");
    port.Answer(Answer::Yes);
    EXPECT_EQ(doc.MoveCopy().MoveTo(archive, Tree(work)), Outcome::Done);
    ASSERT_EQ(port.shown.size(), 1u);
    EXPECT_EQ(port.shown[0].text,
              "There is already a folder which has same name.\n Press Yes to add tow folders\n "
              "Press No to move with a new name\n Press Cancel to cancel operation");
    EXPECT_EQ(port.shown[0].buttons, Buttons::YesNoCancel);
    EXPECT_THAT(Names(archive->Children()), ElementsAre("work"));
    EXPECT_THAT(Subjects(*other), ElementsAre("o1", "w1", "w2"));
    EXPECT_THAT(port.ItemsBelow(archive), ElementsAre("work")); // no second item
    EXPECT_TRUE(inbox->Children().empty());
}

TEST_F(MoveCopyTest, SameNameQuestionNoCopiesUnderAFreeName) {
    port.InsertFolderItem(archive, Sub(archive, "WORK"));
    port.InsertFolderItem(archive, Sub(archive, "Work(1)"));
    port.Answer(Answer::No);
    EXPECT_EQ(doc.MoveCopy().CopyTo(archive, Tree(work)), Outcome::Done);
    EXPECT_EQ(port.shown[0].text,
              "There is already a folder which has same name.\n Press Yes to add tow folders\n "
              "Press No to copy with a new name\n Press Cancel to cancel operation");
    EXPECT_THAT(Names(archive->Children()), ElementsAre("Work(2)", "Work(1)", "WORK"));
    EXPECT_EQ(work->m_strName, "Work"); // the source keeps its name
    EXPECT_THAT(port.ItemsBelow(archive), ElementsAre("WORK", "Work(1)", "Work(2)"));
}

TEST_F(MoveCopyTest, SameNameQuestionCancelDoesNothing) {
    port.InsertFolderItem(archive, Sub(archive, "Work"));
    port.Answer(Answer::Cancel);
    EXPECT_EQ(doc.MoveCopy().MoveTo(archive, Tree(work)), Outcome::Cancelled);
    EXPECT_EQ(archive->copies, 0);
    EXPECT_THAT(Names(inbox->Children()), ElementsAre("Work"));
    EXPECT_EQ(port.menuRebuilds, 1);
}

TEST_F(MoveCopyTest, FailedCopyRemovesNothing) {
    archive->failCopy = true;
    EXPECT_EQ(doc.MoveCopy().MoveTo(archive, Tree(work)), Outcome::Failed);
    EXPECT_THAT(port.Texts(), ElementsAre("Cannot create folder in destination folder"));
    EXPECT_THAT(Names(inbox->Children()), ElementsAre("Work"));
    EXPECT_THAT(Subjects(*work), ElementsAre("w1", "w2"));
    EXPECT_EQ(port.items.count(work), 1u);
    EXPECT_EQ(port.menuRebuilds, 0);
}

TEST_F(MoveCopyTest, MoveIntoOneLevelStoreKeepsTheSource) {
    EXPECT_EQ(doc.MoveCopy().MoveTo(imn, Tree(inbox)), Outcome::Done);
    EXPECT_THAT(port.Texts(), ElementsAre("Warning : Sub Folders not copied\n"));
    EXPECT_THAT(Names(local->Children()), ElementsAre("Archive", "Inbox"));
    EXPECT_THAT(Names(imn->Children()), ElementsAre("Inbox"));
    EXPECT_TRUE(imn->Children()[0]->Children().empty());

    port.ClearLog();
    EXPECT_EQ(doc.MoveCopy().MoveTo(imn, Tree(archive)),
              Outcome::Done); // no sub-folders: no warning
    EXPECT_THAT(port.Texts(), IsEmpty());
    EXPECT_THAT(Names(local->Children()), ElementsAre("Archive", "Inbox"));

    port.ClearLog();
    EXPECT_EQ(doc.MoveCopy().CopyTo(imn, Tree(work)), Outcome::Done);
    EXPECT_THAT(port.Texts(), IsEmpty());
}

TEST_F(MoveCopyTest, FailedSourceRemovalKeepsSourceAndCopy) {
    work->failDelete = true;
    EXPECT_EQ(doc.MoveCopy().MoveTo(archive, Tree(work)), Outcome::Failed);
    EXPECT_THAT(port.Texts(), ElementsAre("Cannot remove folder"));
    EXPECT_THAT(Names(inbox->Children()), ElementsAre("Work"));
    EXPECT_THAT(Names(archive->Children()), ElementsAre("Work"));
    EXPECT_EQ(port.items.count(work), 1u);
}

TEST_F(MoveCopyTest, MoveKeepsTheSourceWhenTheCopyLacksMessages) {
    archive->copyDropsMessages = true;
    EXPECT_EQ(doc.MoveCopy().MoveTo(archive, Tree(work)), Outcome::Failed);
    EXPECT_THAT(port.Texts(), ElementsAre("Cannot remove folder"));
    EXPECT_THAT(Subjects(*work), ElementsAre("w1", "w2"));
    EXPECT_THAT(Names(inbox->Children()), ElementsAre("Work"));
    EXPECT_EQ(port.items.count(work), 1u);

    // The same for a drag, and for a message missing in a copied sub-folder.
    port.ClearLog();
    archive->copyDropsMessages = false;
    TestFolder* deep = Sub(work, "Deep");
    port.InsertFolderItem(work, deep);
    AddMail(deep, "d1");
    TestFolder* sent = Sub(local, "Sent");
    port.InsertFolderItem(local, sent);
    doc.MoveCopy().BeginFolderDrag(inbox);
    doc.MoveCopy().DragOver(sent, Tree(inbox), false, false);
    ASSERT_TRUE(doc.MoveCopy().Drop(DropEffect::Move, Tree(inbox)));
    // The copy of Deep loses its message behind the document's back.
    CMails* copiedDeep = sent->Children()[0]->Children()[0]->Children()[0];
    ASSERT_EQ(copiedDeep->m_strName, "Deep");
    copiedDeep->m_pMessages.clear();
    EXPECT_EQ(doc.MoveCopy().EndDrag(DropEffect::Move, Tree(inbox)), Outcome::Failed);
    EXPECT_THAT(port.Texts(), ElementsAre("Cannot remove folder"));
    EXPECT_THAT(Names(local->Children()), ElementsAre("Sent", "Archive", "Inbox"));
    EXPECT_EQ(port.items.count(inbox), 1u);
    EXPECT_THAT(Subjects(*deep), ElementsAre("d1"));
}

TEST_F(MoveCopyTest, FailedRemovalOfAFolderWithSubFoldersShowsWhatIsLeft) {
    TestFolder* a = Sub(work, "A");
    TestFolder* b = Sub(work, "B");
    port.InsertFolderItem(work, b);
    port.InsertFolderItem(work, a);
    b->failDelete = true; // B is the first child: deleted first, fails, A stays
    EXPECT_EQ(doc.MoveCopy().MoveTo(archive, Tree(work)), Outcome::Failed);
    EXPECT_THAT(port.Texts(), ElementsAre("Cannot remove folder"));
    EXPECT_EQ(port.items.count(work), 1u);
    EXPECT_THAT(port.ItemsBelow(work), UnorderedElementsAre("A", "B"));
    for (CMails* child : work->Children())
        EXPECT_EQ(port.items.count(child), 1u);
}

TEST_F(MoveCopyTest, MenuCommandsUseTheSlotTable) {
    int archiveId = -1;
    for (int i = 0; i < doc.MenuFolderCount(); ++i) {
        if (doc.MenuFolder(ID_MOVE_FIRST + i) == archive)
            archiveId = i;
    }
    ASSERT_GE(archiveId, 0);
    EXPECT_EQ(doc.MoveCopy().OnCopyTo(ID_COPY_FIRST + archiveId, Tree(work)), Outcome::Done);
    EXPECT_EQ(doc.MoveCopy().OnMoveTo(ID_MOVE_FIRST + archiveId, Tree(inbox)), Outcome::Done);
    EXPECT_THAT(Names(archive->Children()), ElementsAre("Inbox", "Work"));
    EXPECT_EQ(doc.MoveCopy().OnMoveTo(ID_MOVE_FIRST + 999, Tree(work)), Outcome::Cancelled);
}

TEST_F(MoveCopyTest, MessagesIntoARootAreRefused) {
    CMessage* w1 = work->m_pMessages[0].get();
    EXPECT_EQ(doc.MoveCopy().MoveTo(local, List(work, {w1})), Outcome::Failed);
    EXPECT_EQ(doc.MoveCopy().CopyTo(imn, List(work, {w1})), Outcome::Failed);
    EXPECT_EQ(doc.MoveCopy().MoveTo(work, List(work, {w1})), Outcome::Done); // onto itself: nothing
    EXPECT_THAT(port.Texts(),
                ElementsAre("Cannot move into a root folder", "Cannot copy into a root folder"));
    EXPECT_THAT(Subjects(*work), ElementsAre("w1", "w2"));
    EXPECT_TRUE(local->m_pMessages.empty());
}

TEST_F(MoveCopyTest, MoveMessagesKeepsThoseThatCouldNotBeAdded) {
    AddMail(work, "w3");
    std::vector<CMessage*> all;
    for (auto& m : work->m_pMessages)
        all.push_back(m.get());
    archive->failAdd = {"w2"};
    EXPECT_EQ(doc.MoveCopy().MoveTo(archive, List(work, all)), Outcome::Failed);
    EXPECT_THAT(port.Texts(), ElementsAre("Cannot add a message in destination folder"));
    EXPECT_THAT(Subjects(*archive), ElementsAre("w1", "w3"));
    EXPECT_THAT(Subjects(*work), ElementsAre("w2"));
    EXPECT_THAT(port.rows, ElementsAre(all[0], all[2]));
}

TEST_F(MoveCopyTest, CopyMessagesRemovesNothing) {
    std::vector<CMessage*> all{work->m_pMessages[0].get(), work->m_pMessages[1].get()};
    archive->failAdd = {"w1"};
    EXPECT_EQ(doc.MoveCopy().CopyTo(archive, List(work, all)), Outcome::Failed);
    EXPECT_THAT(Subjects(*archive), ElementsAre("w2"));
    EXPECT_THAT(Subjects(*work), ElementsAre("w1", "w2"));
    EXPECT_THAT(port.rows, IsEmpty());
    EXPECT_EQ(work->removals, 0);
}

TEST_F(MoveCopyTest, DragOverRule) {
    const bool no = false, yes = true;
    // Folder drags.
    EXPECT_EQ(DragOverEffect(work, nullptr, work, no, no), DropEffect::None);
    EXPECT_EQ(DragOverEffect(work, work, work, no, yes), DropEffect::None);
    EXPECT_EQ(DragOverEffect(work, inbox, work, no, yes), DropEffect::None);  // its parent
    EXPECT_EQ(DragOverEffect(inbox, work, inbox, no, yes), DropEffect::None); // its sub-folder
    EXPECT_EQ(DragOverEffect(work, archive, work, no, no), DropEffect::Move);
    EXPECT_EQ(DragOverEffect(work, archive, work, yes, no), DropEffect::Copy);
    EXPECT_EQ(DragOverEffect(work, archive, work, yes, yes), DropEffect::Move);
    EXPECT_EQ(DragOverEffect(work, local, work, no, no), DropEffect::Move);
    EXPECT_EQ(DragOverEffect(work, imn, work, no, no), DropEffect::Copy); // another store
    EXPECT_EQ(DragOverEffect(work, imn, work, no, yes), DropEffect::Move);
    // Message drags (no dragged folder; the messages are the selected folder's).
    EXPECT_EQ(DragOverEffect(nullptr, work, work, no, no), DropEffect::None);
    EXPECT_EQ(DragOverEffect(nullptr, local, work, no, yes), DropEffect::None);
    EXPECT_EQ(DragOverEffect(nullptr, archive, work, no, no), DropEffect::Move);
    EXPECT_EQ(DragOverEffect(nullptr, archive, work, yes, no), DropEffect::Copy);
    EXPECT_EQ(DragOverEffect(nullptr, archive, nullptr, no, no), DropEffect::None);
}

TEST_F(MoveCopyTest, FolderDragMoveCopiesAtTheDropAndRemovesAtTheEnd) {
    doc.MoveCopy().BeginFolderDrag(work);
    EXPECT_EQ(doc.MoveCopy().DragOver(archive, Tree(work), false, false), DropEffect::Move);
    EXPECT_EQ(doc.MoveCopy().DropFolder(), archive);
    EXPECT_TRUE(doc.MoveCopy().Drop(DropEffect::Move, Tree(work)));
    EXPECT_THAT(Names(archive->Children()), ElementsAre("Work"));
    EXPECT_THAT(Names(inbox->Children()), ElementsAre("Work")); // still there until the end
    EXPECT_EQ(doc.MoveCopy().EndDrag(DropEffect::Move, Tree(work)), Outcome::Done);
    EXPECT_TRUE(inbox->Children().empty());
    EXPECT_EQ(doc.MoveCopy().DragFolder(), nullptr);
    // The menus no longer hold the removed folder (compared by address only).
    for (int i = 0; i < doc.MenuFolderCount(); ++i)
        EXPECT_NE(doc.MenuFolder(ID_MOVE_FIRST + i), static_cast<CMails*>(work));
}

TEST_F(MoveCopyTest, FolderDropCancelledAtTheQuestionRemovesNothing) {
    port.InsertFolderItem(archive, Sub(archive, "Work"));
    doc.MoveCopy().BeginFolderDrag(work);
    doc.MoveCopy().DragOver(archive, Tree(work), false, false);
    port.Answer(Answer::Cancel);
    EXPECT_TRUE(doc.MoveCopy().Drop(DropEffect::Move, Tree(work)));
    EXPECT_TRUE(doc.MoveCopy().DropCancelled());
    doc.MoveCopy().EndDrag(DropEffect::Move, Tree(work));
    EXPECT_THAT(Names(inbox->Children()), ElementsAre("Work"));
    EXPECT_EQ(archive->copies, 0);
}

TEST_F(MoveCopyTest, FolderDropRefusals) {
    doc.MoveCopy().BeginFolderDrag(local);
    EXPECT_EQ(doc.MoveCopy().DragOver(imn, Tree(local), false, true), DropEffect::Move);
    EXPECT_FALSE(doc.MoveCopy().Drop(DropEffect::Move, Tree(local)));
    EXPECT_THAT(port.Texts(), ElementsAre("Cannot move a root folder"));
    doc.MoveCopy().EndDrag(DropEffect::None, Tree(local));

    port.ClearLog();
    archive->failCopy = true;
    doc.MoveCopy().BeginFolderDrag(work);
    doc.MoveCopy().DragOver(archive, Tree(work), false, false);
    EXPECT_FALSE(doc.MoveCopy().Drop(DropEffect::Move, Tree(work)));
    EXPECT_THAT(port.Texts(), ElementsAre("Cannot create folder in destination folder"));
    doc.MoveCopy().EndDrag(DropEffect::None, Tree(work));
    EXPECT_THAT(Names(inbox->Children()), ElementsAre("Work"));

    // A drop on a target the drag-over rule refuses is refused as well.
    doc.MoveCopy().BeginFolderDrag(inbox);
    doc.MoveCopy().DragOver(work, Tree(inbox), false, true);
    EXPECT_FALSE(doc.MoveCopy().Drop(DropEffect::Move, Tree(inbox)));
}

TEST_F(MoveCopyTest, FolderDragIntoOneLevelStore) {
    // With sub-folders the source stays.
    doc.MoveCopy().BeginFolderDrag(inbox);
    doc.MoveCopy().DragOver(imn, Tree(inbox), false, true);
    EXPECT_TRUE(doc.MoveCopy().Drop(DropEffect::Move, Tree(inbox)));
    EXPECT_THAT(port.Texts(), ElementsAre("Warning : Sub Folders not copied\n"));
    doc.MoveCopy().EndDrag(DropEffect::Move, Tree(inbox));
    EXPECT_THAT(Names(local->Children()), ElementsAre("Archive", "Inbox"));
    // Without sub-folders it is removed.
    doc.MoveCopy().BeginFolderDrag(archive);
    doc.MoveCopy().DragOver(imn, Tree(archive), false, true);
    EXPECT_TRUE(doc.MoveCopy().Drop(DropEffect::Move, Tree(archive)));
    doc.MoveCopy().EndDrag(DropEffect::Move, Tree(archive));
    EXPECT_THAT(Names(local->Children()), ElementsAre("Inbox"));
    EXPECT_THAT(Names(imn->Children()), UnorderedElementsAre("Inbox", "Archive"));
}

TEST_F(MoveCopyTest, FailedRemovalAfterADragDeletesTheItemAnyway) {
    work->failDelete = true;
    doc.MoveCopy().BeginFolderDrag(work);
    doc.MoveCopy().DragOver(archive, Tree(work), false, false);
    ASSERT_TRUE(doc.MoveCopy().Drop(DropEffect::Move, Tree(work)));
    EXPECT_EQ(doc.MoveCopy().EndDrag(DropEffect::Move, Tree(work)), Outcome::Failed);
    EXPECT_THAT(port.Texts(), ElementsAre("Cannot remove folder"));
    EXPECT_EQ(port.items.count(work), 0u);
    EXPECT_THAT(Names(inbox->Children()), ElementsAre("Work"));
}

TEST_F(MoveCopyTest, MessageDragMovesOnlyWhatTheDropAdded) {
    CMessage* w1 = work->m_pMessages[0].get();
    CMessage* w2 = work->m_pMessages[1].get();
    archive->failAdd = {"w1"};
    doc.MoveCopy().BeginMessageDrag();
    EXPECT_EQ(doc.MoveCopy().DragOver(archive, List(work, {w1, w2}), false, false),
              DropEffect::Move);
    EXPECT_TRUE(doc.MoveCopy().Drop(DropEffect::Move, List(work, {w1, w2})));
    EXPECT_THAT(port.Texts(), ElementsAre("Cannot add message to target folder"));
    doc.MoveCopy().EndDrag(DropEffect::Move, List(work, {w1, w2}));
    EXPECT_THAT(port.rows, ElementsAre(w2));
    EXPECT_THAT(Subjects(*work), ElementsAre("w1"));
    EXPECT_THAT(Subjects(*archive), ElementsAre("w2"));
}

TEST_F(MoveCopyTest, MessageDragCopyOrOntoInvalidTargets) {
    CMessage* w1 = work->m_pMessages[0].get();
    doc.MoveCopy().BeginMessageDrag();
    EXPECT_EQ(doc.MoveCopy().DragOver(work, List(work, {w1}), false, false), DropEffect::None);
    EXPECT_EQ(doc.MoveCopy().DragOver(local, List(work, {w1}), false, false), DropEffect::None);
    EXPECT_EQ(doc.MoveCopy().DragOver(archive, List(work, {w1}), true, false), DropEffect::Copy);
    EXPECT_TRUE(doc.MoveCopy().Drop(DropEffect::Copy, List(work, {w1})));
    doc.MoveCopy().EndDrag(DropEffect::Copy, List(work, {w1}));
    EXPECT_THAT(Subjects(*work), ElementsAre("w1", "w2"));
    EXPECT_THAT(Subjects(*archive), ElementsAre("w1"));
    // Without a drag in progress nothing can be dropped.
    EXPECT_EQ(doc.MoveCopy().DragOver(archive, List(work, {w1}), false, false), DropEffect::None);
    EXPECT_FALSE(doc.MoveCopy().Drop(DropEffect::Move, List(work, {w1})));
}

// The drag offers its usual effect over a read-only store, and the drop says why it is refused.
TEST_F(MoveCopyTest, DropsOntoOrMovesOutOfAReadOnlyMailboxAreRefused) {
    TestFolder* kept = AddMailbox("Kept");
    TestFolder* old = Sub(kept, "Old");
    AddMail(old, "k1");
    Open();
    const_cast<MailboxEntry&>(*doc.Mailboxes().back()).m_bReadOnly = true;
    CMessage* w1 = work->m_pMessages[0].get();
    CMessage* k1 = old->m_pMessages[0].get();
    doc.MoveCopy().BeginMessageDrag();
    EXPECT_EQ(doc.MoveCopy().DragOver(old, List(work, {w1}), false, false), DropEffect::Copy);
    EXPECT_FALSE(doc.MoveCopy().Drop(DropEffect::Copy, List(work, {w1})));
    doc.MoveCopy().BeginFolderDrag(archive);
    EXPECT_EQ(doc.MoveCopy().DragOver(old, Tree(archive), false, false), DropEffect::Copy);
    EXPECT_FALSE(doc.MoveCopy().Drop(DropEffect::Copy, Tree(archive)));
    doc.MoveCopy().EndDrag(DropEffect::None, Tree(archive));
    // Out of it: a copy goes, a move does not.
    doc.MoveCopy().BeginMessageDrag();
    EXPECT_EQ(doc.MoveCopy().DragOver(archive, List(old, {k1}), false, true), DropEffect::Move);
    EXPECT_FALSE(doc.MoveCopy().Drop(DropEffect::Move, List(old, {k1})));
    EXPECT_THAT(port.Texts(),
                ElementsAre(kTextReadOnlyMailbox, kTextReadOnlyMailbox, kTextReadOnlyMailbox));
    EXPECT_TRUE(doc.MoveCopy().Drop(DropEffect::Copy, List(old, {k1})));
    doc.MoveCopy().EndDrag(DropEffect::Copy, List(old, {k1}));
    EXPECT_THAT(Subjects(*old), ElementsAre("k1"));
    EXPECT_THAT(Subjects(*archive), ElementsAre("k1"));
    EXPECT_THAT(Names(old->Children()), IsEmpty());
    EXPECT_EQ(old->removals, 0);
}

} // namespace
} // namespace qb::test
