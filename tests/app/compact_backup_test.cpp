#include "app/message_text.h"
#include "doc_fixture.h"
#include "model/archive.h"
#include "support/fault_harness.h"
#include "support/temp_dir.h"

#include <gmock/gmock.h>

#include <filesystem>

namespace qb::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

// ---- compact ----

class CompactTest : public DocTest {
  protected:
    void SetUp() override { TestFolder::compactOrder().clear(); }
};

TEST_F(CompactTest, EveryFolderButTheRootsDepthFirst) {
    TestFolder* a = AddMailbox("A");
    TestFolder* inbox = Sub(a, "Inbox");
    Sub(inbox, "Sub");
    Sub(a, "Sent");
    TestFolder* b = AddMailbox("B");
    Sub(b, "Only");
    Open();
    EXPECT_EQ(doc.Compact().RunCompact(), Outcome::Done);
    EXPECT_THAT(TestFolder::compactOrder(), ElementsAre("Sent", "Inbox", "Sub", "Only"));
    EXPECT_THAT(port.statuses,
                ElementsAre("Compacting, please wait...", "Compacting Mailbox 'A', please wait.",
                            "Compacting Mailbox 'B', please wait.", "Mailbox Compacted"));
    EXPECT_THAT(port.Texts(), IsEmpty());
    EXPECT_EQ(port.waitDepth, 0);
}

TEST_F(CompactTest, AFailureIsReportedOncePerMailboxAndTheRestGoesOn) {
    TestFolder* a = AddMailbox("A");
    Sub(a, "One")->failCompact = true;
    Sub(a, "Two")->failCompact = true;
    TestFolder* b = AddMailbox("B");
    Sub(b, "Three");
    Open();
    EXPECT_EQ(doc.Compact().RunCompact(), Outcome::Failed);
    EXPECT_THAT(port.Texts(), ElementsAre("Cannot compact folders"));
    EXPECT_EQ(port.shown[0].detail, "Not compacted: A/Two\nA/One");
    EXPECT_THAT(TestFolder::compactOrder(), ElementsAre("Two", "One", "Three"));
    EXPECT_EQ(port.statuses.back(), "Mailbox Compacted");
    // The listed records were re-read, so the list is filled again.
    EXPECT_EQ(port.refills, 1);

    EXPECT_FALSE(CCompactCommand::CompactFolderTree(a));
    EXPECT_TRUE(CCompactCommand::CompactFolderTree(b));
}

TEST_F(CompactTest, NoMailboxes) {
    Open();
    EXPECT_EQ(doc.Compact().RunCompact(), Outcome::Done);
    EXPECT_THAT(port.statuses, ElementsAre("Compacting, please wait...", "Mailbox Compacted"));
}

// ---- backup and restore ----

class BackupRestoreTest : public DocTest {
  protected:
    void SetUp() override {
        local = AddMailbox("Local");
        inbox = Sub(local, "Inbox");
        work = Sub(inbox, "Work");
        AddMail(inbox, "i1");
        AddMail(work, "w1");
        AddMail(work, "w2");
        target = AddMailbox("Target");
        Open();
    }
    TempDir dir;
    TestFolder* local = nullptr;
    TestFolder* inbox = nullptr;
    TestFolder* work = nullptr;
    TestFolder* target = nullptr;
};

TEST_F(BackupRestoreTest, BackupThenRestoreRebuildsTheTree) {
    const std::string file = dir / "inbox.qbf";
    const DialogResult backup = doc.BackupRestore().Backup(inbox, file);
    EXPECT_EQ(backup.outcome, Outcome::Done);
    EXPECT_TRUE(backup.close);
    EXPECT_THAT(port.Texts(), IsEmpty());

    const DialogResult restore = doc.BackupRestore().Restore(file, target);
    EXPECT_EQ(restore.outcome, Outcome::Done);
    EXPECT_THAT(port.Texts(), IsEmpty());
    ASSERT_EQ(target->Children().size(), 1u);
    CMails* restored = target->Children()[0];
    EXPECT_EQ(restored->m_strName, "Inbox");
    EXPECT_THAT(Subjects(*restored), ElementsAre("i1"));
    ASSERT_EQ(restored->Children().size(), 1u);
    EXPECT_THAT(Subjects(*restored->Children()[0]), ElementsAre("w1", "w2"));
    EXPECT_THAT(port.ItemsBelow(target), ElementsAre("Inbox"));
    EXPECT_EQ(port.ItemsBelow(restored).size(), 1u);

    // A second restore merges into the folder of that name (any case) without a second item.
    restored->m_strName = "INBOX";
    EXPECT_EQ(doc.BackupRestore().Restore(file, target).outcome, Outcome::Done);
    EXPECT_EQ(target->Children().size(), 1u);
    EXPECT_THAT(Subjects(*restored), ElementsAre("i1", "i1"));
    EXPECT_EQ(port.ItemsBelow(target).size(), 1u);
}

TEST_F(BackupRestoreTest, DialogRefusalsKeepTheDialogOpen) {
    EXPECT_FALSE(doc.BackupRestore().Backup(inbox, "").close);
    EXPECT_FALSE(doc.BackupRestore().Backup(nullptr, dir / "x.qbf").close);
    EXPECT_FALSE(doc.BackupRestore().Backup(inbox, dir.path()).close);
    EXPECT_FALSE(doc.BackupRestore().Backup(inbox, dir / "missing/x.qbf").close);
    EXPECT_FALSE(doc.BackupRestore().Restore("", target).close);
    EXPECT_FALSE(doc.BackupRestore().Restore(dir / "x.qbf", nullptr).close);
    EXPECT_FALSE(doc.BackupRestore().Restore(dir / "absent.qbf", target).close);
    EXPECT_THAT(port.Texts(),
                ElementsAre("Please input file name", "Please select a folder to backup",
                            "Cannot open file", "Cannot open file", "Please input file name",
                            "Please select a mailbox to restore to", "Cannot open file"));
    // The file that could not be written says so with the system's reason.
    EXPECT_EQ(port.shown[3].detail, (dir / "missing/x.qbf") + ": No such file or directory");
    EXPECT_FALSE(std::filesystem::exists(dir / "x.qbf"));
}

TEST_F(BackupRestoreTest, FailedBackupLeavesAnEarlierFileUntouched) {
    const std::string file = dir / "keep.qbf";
    int failures = 0;
    EnumerateFaults(
        [&] { WriteFile(file, "earlier backup"); },
        [&] { return doc.BackupRestore().Backup(inbox, file).outcome == Outcome::Done; },
        [&](const FaultCase& c) {
            // Either the new archive is complete, or the old file is as it was.
            std::vector<std::string> names;
            for (auto& e : std::filesystem::directory_iterator(dir.path()))
                names.push_back(e.path().filename().string());
            EXPECT_THAT(names, ElementsAre("keep.qbf"));
            if (!c.reportedSuccess) {
                ++failures;
                EXPECT_EQ(ReadFile(file), "earlier backup");
            } else {
                EXPECT_NE(ReadFile(file), "earlier backup");
            }
        });
    EXPECT_GT(failures, 0);
    EXPECT_THAT(port.Texts(), ::testing::Contains("Cannot Backup!"));
    // Each failure names the backup file (not its temporary stand-in) and the system's reason.
    for (const auto& box : port.shown)
        EXPECT_EQ(box.detail, file + ": Input/output error") << box.text;
}

TEST_F(BackupRestoreTest, DamagedArchivesAreReportedAndChangeNothing) {
    const std::string file = dir / "good.qbf";
    ASSERT_EQ(doc.BackupRestore().Backup(work, file).outcome, Outcome::Done);
    const std::string bytes = ReadFile(file);
    const std::string full =
        std::filesystem::absolute(dir / "bad.qbf").lexically_normal().generic_string();

    struct Case {
        std::string bytes;
        std::string text;
        std::string detail;
    };
    std::string wrongClass = bytes;
    wrongClass.replace(wrongClass.find("CMessage"), 8, "CMassage");
    std::string wrongSchema = bytes;
    wrongSchema[wrongSchema.find("CMessage") - 4] = 2;
    std::string negative = bytes;
    negative.replace(1 + 4 + 12, 4, std::string("\xff\xff\xff\xff", 4)); // message count
    const std::string size = std::to_string(bytes.size());
    const std::size_t classAt = bytes.find("CMessage") + 8;
    const std::vector<Case> cases = {
        // Cut inside its last field: the damage is where that field begins.
        {bytes.substr(0, bytes.size() - 3),
         "An attempt was made to access " + full + " past its end.",
         "Damaged at byte " + std::to_string(bytes.size() - 4) + " of " +
             std::to_string(bytes.size() - 3)},
        {wrongClass, full + " contained an unexpected object.",
         "Damaged at byte " + std::to_string(classAt) + " of " + size},
        {wrongSchema, full + " contains an incorrect schema.",
         "Damaged at byte " + std::to_string(classAt) + " of " + size},
        {negative, full + " has a bad format.", "Damaged at byte 21 of " + size},
    };
    for (const Case& c : cases) {
        port.ClearLog();
        WriteFile(dir / "bad.qbf", c.bytes);
        // A relative name is reported by its full path.
        const auto cwd = std::filesystem::current_path();
        std::filesystem::current_path(dir.path());
        const DialogResult result = doc.BackupRestore().Restore("bad.qbf", target);
        std::filesystem::current_path(cwd);
        EXPECT_EQ(result.outcome, Outcome::Failed);
        EXPECT_FALSE(result.close);
        ASSERT_EQ(port.shown.size(), 1u);
        EXPECT_EQ(port.shown[0].text, c.text);
        EXPECT_EQ(port.shown[0].detail, c.detail);
        EXPECT_EQ(port.shown[0].icon, Icon::Stop);
        EXPECT_EQ(target->copies, 0);
        EXPECT_TRUE(target->Children().empty());
    }
}

TEST_F(BackupRestoreTest, RestoreFailureAndOneLevelStoreWarning) {
    const std::string file = dir / "inbox.qbf";
    ASSERT_EQ(doc.BackupRestore().Backup(inbox, file).outcome, Outcome::Done);
    target->failCopy = true;
    DialogResult result = doc.BackupRestore().Restore(file, target);
    EXPECT_EQ(result.outcome, Outcome::Failed);
    EXPECT_TRUE(result.close);
    EXPECT_THAT(port.Texts(), ElementsAre("Restore failure"));

    port.ClearLog();
    TestFolder* imn = AddMailbox("Imn", CMails::kInternetMail);
    Open();
    result = doc.BackupRestore().Restore(file, imn);
    EXPECT_EQ(result.outcome, Outcome::Done);
    EXPECT_THAT(port.Texts(), ElementsAre("Warning : Sub Folders not restored\n"));
    ASSERT_EQ(imn->Children().size(), 1u);
    EXPECT_THAT(Subjects(*imn->Children()[0]), ElementsAre("i1"));
    EXPECT_TRUE(imn->Children()[0]->Children().empty());
}

TEST_F(BackupRestoreTest, RestoreIntoAMailboxWithoutItemCannotRefreshTheView) {
    const std::string file = dir / "work.qbf";
    ASSERT_EQ(doc.BackupRestore().Backup(work, file).outcome, Outcome::Done);
    TestFolder hidden("Hidden", "/stores/hidden");
    const DialogResult result = doc.BackupRestore().Restore(file, &hidden);
    EXPECT_EQ(result.outcome, Outcome::Done);
    EXPECT_THAT(port.Texts(), ElementsAre("Cannot Refresh View"));
    EXPECT_THAT(Names(hidden.Children()), ElementsAre("Work"));
    EXPECT_EQ(port.items.count(hidden.Children()[0]), 0u);
}

// ---- message text ----

TEST(MessageTextTest, HeaderBlockBodyAndAttachments) {
    CMails folder("f", "/f");
    const std::unique_ptr<CMessage> made = MakeMessage(
        "From: Ann <ann@x>\r\nTo: bob@y\r\nSubject: Hello\r\nDate: Mon, 1 Jan 2001\r\n\r\n",
        {"line one", "line two"});
    CMessage& message = *made;
    message.m_pFolder = &folder;
    const MessageDisplay display = ComposeMessageDisplay(message);
    const std::string header = "Subject :  Hello\nDate :  Mon, 1 Jan 2001\nFrom :  Ann "
                               "<ann@x>\nTo :  bob@y\n\n";
    ASSERT_EQ(display.text.substr(0, header.size()), header);
    EXPECT_EQ(display.headerEnd, header.size());
    EXPECT_EQ(display.text.substr(display.headerEnd, display.bodyEnd - display.headerEnd),
              message.GetText() + "\n");
    EXPECT_EQ(display.text.substr(display.bodyEnd), message.GetAttachText());

    CMessage bare;
    bare.m_pFolder = &folder;
    const MessageDisplay empty = ComposeMessageDisplay(bare);
    EXPECT_EQ(empty.text.substr(0, empty.headerEnd), "Subject : \nDate : \nFrom : \nTo : \n\n");
}

} // namespace
} // namespace qb::test
