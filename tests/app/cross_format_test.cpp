// The commands over the two real store formats, registered through a registry file.
#include "app/long_operation.h"
#include "doc_fixture.h"
#include "model/archive.h"
#include "support/fault_harness.h"
#include "support/temp_dir.h"

#include <gmock/gmock.h>

#include <filesystem>

namespace qb::test {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;
using ::testing::UnorderedElementsAre;

std::vector<CMessage*> All(CMails* folder) {
    std::vector<CMessage*> messages;
    for (auto& message : folder->GetMessages())
        messages.push_back(message.get());
    return messages;
}

CMails* Child(CMails* parent, const std::string& name) {
    for (CMails* child : parent->GetSubFolders()) {
        if (child->m_strName == name)
            return child;
    }
    return nullptr;
}

class CrossFormatTest : public ::testing::Test {
  protected:
    void SetUp() override { Build(dir.path()); }

    // Two registered stores below `base`, each with an Inbox holding two messages.
    // The stores made afresh where they were (the crash runs' child processes make them there
    // too).
    void Rebuild(const std::string& base) {
        doc.reset();
        registry.reset();
        std::filesystem::remove_all(base);
        Build(base);
    }
    void Build(const std::string& base) {
        std::filesystem::create_directories(base + "/ns");
        std::filesystem::create_directories(base + "/imn");
        registry = std::make_unique<RegistryFile>(base + "/q.reg");
        ASSERT_TRUE(WriteMailboxEntry(*registry, "Netscape", base + "/ns", kTypeNavigator));
        ASSERT_TRUE(WriteMailboxEntry(*registry, "Imn", base + "/imn", kTypeInternetMail));
        doc = std::make_unique<CQuillboxDoc>(port, registry.get());
        doc->ReloadMailboxes();
        ns = doc->FindMailboxByName("Netscape");
        im = doc->FindMailboxByName("Imn");
        ASSERT_NE(ns, nullptr);
        ASSERT_NE(im, nullptr);
        nsInbox = NewFolder(ns, "Inbox");
        imInbox = NewFolder(im, "Inbox");
        ASSERT_NE(nsInbox, nullptr);
        ASSERT_NE(imInbox, nullptr);
        for (const char* subject : {"n1", "n2"})
            ASSERT_TRUE(nsInbox->AddMessage(*Mail(subject)));
        for (const char* subject : {"i1", "i2"})
            ASSERT_TRUE(imInbox->AddMessage(*Mail(subject)));
        port.ClearLog();
    }
    CMails* NewFolder(CMails* parent, const std::string& name) {
        port.FolderName(name);
        doc->FolderCommands().OnNewFolder({parent, ActivePane::Tree, {}});
        return Child(parent, name);
    }
    // An in-memory message, as a front end or the command line would hand it over.
    CMessage* Mail(const std::string& subject) {
        auto message = MakeMessage("From: a@b\r\nSubject: " + subject + "\r\n\r\n",
                                   {"body of " + subject, "second line"});
        message->m_pFolder = &m_holder;
        m_mails.push_back(std::move(message));
        return m_mails.back().get();
    }
    // Reads the stores again from disk, as the next start of the program would.
    void Reload() {
        doc->ReloadMailboxes();
        ns = doc->FindMailboxByName("Netscape");
        im = doc->FindMailboxByName("Imn");
        nsInbox = Child(ns, "Inbox");
        imInbox = Child(im, "Inbox");
    }

    TempDir dir;
    FakePort port;
    std::unique_ptr<RegistryFile> registry;
    std::unique_ptr<CQuillboxDoc> doc;
    CMails* ns = nullptr;
    CMails* im = nullptr;
    CMails* nsInbox = nullptr;
    CMails* imInbox = nullptr;

  private:
    CMails m_holder{"holder", ""};
    std::vector<std::unique_ptr<CMessage>> m_mails;
};

TEST_F(CrossFormatTest, RootClassFollowsTheExactTypeString) {
    EXPECT_EQ(ns->GetType(), CMails::kNetscape);
    EXPECT_EQ(im->GetType(), CMails::kInternetMail);
    ASSERT_TRUE(WriteMailboxEntry(*registry, "Odd", dir / "ns", "Navigator mail"));
    ASSERT_TRUE(WriteMailboxEntry(*registry, "Profile", dir / "ns", kTypeCommunicator));
    doc->MailboxCommands().LocateAccepted();
    EXPECT_EQ(doc->FindMailboxByName("Odd")->GetType(), CMails::kInternetMail);
    EXPECT_EQ(doc->FindMailboxByName("Profile")->GetType(), CMails::kNetscape);
    EXPECT_GE(port.clears, 1);
    EXPECT_GE(port.menuRebuilds, 1);
    // Every folder of every store has its item again.
    EXPECT_NE(port.ItemNamed(doc->FindMailboxByName("Netscape"), "Inbox"), nullptr);
}

TEST_F(CrossFormatTest, DamagedRegistryIsReportedOnReload) {
    WriteFile(dir / "q.reg", "REGEDIT4\n[HKEY_CURRENT_USER\\Software\n\"broken");
    doc->ReloadMailboxes();
    EXPECT_TRUE(doc->Mailboxes().empty());
    ASSERT_EQ(port.shown.size(), 1u);
    EXPECT_NE(port.shown[0].text.find("damaged"), std::string::npos) << port.shown[0].text;
    EXPECT_EQ(port.shown[0].icon, Icon::Stop);
    EXPECT_EQ(ReadFile(dir / "q.reg").substr(0, 8), "REGEDIT4"); // left as it was
}

TEST_F(CrossFormatTest, MessagesMoveBetweenFormatsBothWays) {
    EXPECT_EQ(doc->MoveCopy().MoveTo(nsInbox, {imInbox, ActivePane::List, All(imInbox)}),
              Outcome::Done);
    EXPECT_THAT(port.Texts(), IsEmpty());
    Reload();
    EXPECT_THAT(Subjects(*imInbox), IsEmpty());
    EXPECT_THAT(Subjects(*nsInbox), ElementsAre("n1", "n2", "i1", "i2"));
    CMessage* moved = nsInbox->GetMessages()[2].get();
    EXPECT_NE(moved->GetText().find("body of i1"), std::string::npos);

    EXPECT_EQ(doc->MoveCopy().MoveTo(imInbox, {nsInbox, ActivePane::List, All(nsInbox)}),
              Outcome::Done);
    Reload();
    EXPECT_THAT(Subjects(*nsInbox), IsEmpty());
    EXPECT_THAT(Subjects(*imInbox), ElementsAre("n1", "n2", "i1", "i2"));
    EXPECT_NE(imInbox->GetMessages()[0]->GetText().find("body of n1"), std::string::npos);
}

TEST_F(CrossFormatTest, FoldersMoveBetweenFormatsBothWays) {
    CMails* imSent = NewFolder(im, "Sent");
    ASSERT_TRUE(imSent->AddMessage(*Mail("s1")));
    EXPECT_EQ(doc->MoveCopy().MoveTo(ns, {imSent, ActivePane::Tree, {}}), Outcome::Done);
    Reload();
    EXPECT_EQ(Child(im, "Sent"), nullptr);
    ASSERT_NE(Child(ns, "Sent"), nullptr);
    EXPECT_THAT(Subjects(*Child(ns, "Sent")), ElementsAre("s1"));

    // Back again, with a sub-folder that the one-level store cannot take.
    CMails* sent = Child(ns, "Sent");
    ASSERT_NE(NewFolder(sent, "Old"), nullptr);
    port.ClearLog();
    EXPECT_EQ(doc->MoveCopy().MoveTo(im, {sent, ActivePane::Tree, {}}), Outcome::Done);
    EXPECT_THAT(port.Texts(), ElementsAre("Warning : Sub Folders not copied\n"));
    Reload();
    EXPECT_THAT(Subjects(*Child(im, "Sent")), ElementsAre("s1"));
    ASSERT_NE(Child(ns, "Sent"), nullptr); // kept: its sub-folder would be lost
    EXPECT_NE(Child(Child(ns, "Sent"), "Old"), nullptr);
}

TEST_F(CrossFormatTest, SameNameAnswersAcrossFormats) {
    port.Answer(Answer::Yes);
    EXPECT_EQ(doc->MoveCopy().CopyTo(ns, {imInbox, ActivePane::Tree, {}}), Outcome::Done);
    port.Answer(Answer::No);
    EXPECT_EQ(doc->MoveCopy().CopyTo(ns, {imInbox, ActivePane::Tree, {}}), Outcome::Done);
    Reload();
    EXPECT_THAT(Subjects(*nsInbox), ElementsAre("n1", "n2", "i1", "i2"));
    ASSERT_NE(Child(ns, "Inbox(1)"), nullptr);
    EXPECT_THAT(Subjects(*Child(ns, "Inbox(1)")), ElementsAre("i1", "i2"));
    EXPECT_THAT(Subjects(*imInbox), ElementsAre("i1", "i2"));
}

TEST_F(CrossFormatTest, DamageAndAbsenceAreSaidWithWhatWasRead) {
    // An Internet Mail file cut inside its second record, then before it: the first is listed,
    // the cut named.
    const std::int64_t second = All(imInbox)[1]->m_nOffset;
    for (const std::int64_t cut : {second + 9, second}) {
        std::filesystem::resize_file(dir / "imn/Inbox.mbx", static_cast<std::uintmax_t>(cut));
        EXPECT_THAT(Subjects(*imInbox), ElementsAre("i1"));
        doc->ReportFolderWarning(*imInbox);
        EXPECT_EQ(port.warnings[imInbox],
                  "damaged at byte " + std::to_string(second) + ": 1 messages read");
    }
    // A Netscape folder whose file stops being readable after its first block.
    std::int64_t reads = 0, secondRead = -1;
    fs::SetOperationObserver([&](fs::Op op, const std::string&) {
        if (op == fs::Op::Read && ++reads == 2)
            secondRead = fs::OperationCount() - 1;
    });
    fs::SetFaultPlan({});
    nsInbox->GetMessages();
    fs::SetOperationObserver(nullptr);
    ASSERT_GE(secondRead, 0);
    fs::SetFaultPlan({secondRead, fs::FaultKind::Error, true});
    nsInbox->GetMessages();
    fs::ClearFaultPlan();
    EXPECT_EQ(nsInbox->MessageCount(), 1u);
    EXPECT_EQ(FolderWarning(*nsInbox),
              "unreadable from byte " +
                  std::to_string(std::filesystem::file_size(dir / "ns/Inbox")) +
                  ": 1 messages read");
    // Read whole again, the warning goes.
    EXPECT_THAT(Subjects(*nsInbox), ElementsAre("n1", "n2"));
    doc->ReportFolderWarning(*nsInbox);
    EXPECT_EQ(port.warnings[nsInbox], "");
    // A store whose directory is gone is said so when the stores are loaded. The warnings are
    // kept by folder address: those of the folders the reload lets go of are forgotten first, or
    // a new folder at a freed one's address would seem to have been warned about.
    std::filesystem::remove_all(dir / "imn");
    port.warnings.clear();
    Reload();
    EXPECT_EQ(port.warnings[im], "directory not found");
    EXPECT_EQ(port.warnings.count(ns), 0u);
}

TEST_F(CrossFormatTest, NamesTheStoresRefuseEndInTheUsualTexts) {
    port.FolderName("../escape");
    EXPECT_EQ(doc->FolderCommands().OnNewFolder({ns, ActivePane::Tree, {}}), Outcome::Failed);
    port.FolderName("a/b");
    EXPECT_EQ(doc->FolderCommands().OnNewFolder({im, ActivePane::Tree, {}}), Outcome::Failed);
    port.FolderName("x.sbd");
    EXPECT_EQ(doc->FolderCommands().OnRenameFolder({nsInbox, ActivePane::Tree, {}}),
              Outcome::Failed);
    EXPECT_THAT(port.Texts(), ElementsAre("Cannot create new folder", "Cannot create new folder",
                                          "Cannot rename folder"));
    // Each box says why, from the store's own rule for names.
    ASSERT_EQ(port.shown.size(), 3u);
    EXPECT_EQ(port.shown[0].detail, "A folder name may not contain \"/\"");
    EXPECT_EQ(port.shown[1].detail, "A folder name may not contain \"/\"");
    EXPECT_EQ(port.shown[2].detail, "The store keeps names like this one for its own files");
    port.ClearLog();
    port.FolderName("tab\there");
    doc->FolderCommands().OnNewFolder({im, ActivePane::Tree, {}});
    port.FolderName(std::string(300, 'n'));
    doc->FolderCommands().OnNewFolder({ns, ActivePane::Tree, {}});
    ASSERT_EQ(port.shown.size(), 2u);
    EXPECT_EQ(port.shown[0].detail, "A folder name may not contain the control character U+0009");
    EXPECT_EQ(port.shown[1].detail, "The name is too long for a file name (300 bytes)");
    EXPECT_FALSE(std::filesystem::exists(dir / "escape"));
    EXPECT_EQ(port.items[nsInbox].text, "Inbox");
}

TEST_F(CrossFormatTest, FolderIntoANonRootInternetMailFolderFails) {
    EXPECT_EQ(doc->MoveCopy().MoveTo(imInbox, {nsInbox, ActivePane::Tree, {}}), Outcome::Failed);
    EXPECT_THAT(port.Texts(), ElementsAre("Cannot create folder in destination folder"));
    Reload();
    EXPECT_THAT(Subjects(*nsInbox), ElementsAre("n1", "n2"));
}

TEST_F(CrossFormatTest, BackupAndRestoreIntoBothFormats) {
    // Inbox / Level2 / Level3, each with a message.
    CMails* level2 = NewFolder(nsInbox, "Level2");
    CMails* level3 = NewFolder(level2, "Level3");
    ASSERT_TRUE(level2->AddMessage(*Mail("l2")));
    ASSERT_TRUE(level3->AddMessage(*Mail("l3")));
    const std::string file = dir / "tree.qbf";
    ASSERT_EQ(doc->BackupRestore().Backup(nsInbox, file).outcome, Outcome::Done);

    std::filesystem::create_directories(dir / "ns2");
    ASSERT_EQ(doc->MailboxCommands().NewMailbox("Second", dir / "ns2"), Outcome::Done);
    CMails* second = doc->FindMailboxByName("Second");
    EXPECT_EQ(second->GetType(), CMails::kNetscape);
    port.ClearLog();
    EXPECT_EQ(doc->BackupRestore().Restore(file, second).outcome, Outcome::Done);
    EXPECT_THAT(port.Texts(), IsEmpty());
    EXPECT_THAT(port.ItemsBelow(second), ElementsAre("Inbox"));

    EXPECT_EQ(doc->BackupRestore().Restore(file, im).outcome, Outcome::Done);
    EXPECT_THAT(port.Texts(), ElementsAre("Warning : Sub Folders not restored\n"));

    Reload();
    second = doc->FindMailboxByName("Second");
    CMails* inbox = Child(second, "Inbox");
    ASSERT_NE(inbox, nullptr);
    EXPECT_THAT(Subjects(*inbox), ElementsAre("n1", "n2"));
    ASSERT_NE(Child(inbox, "Level2"), nullptr);
    EXPECT_THAT(Subjects(*Child(inbox, "Level2")), ElementsAre("l2"));
    ASSERT_NE(Child(Child(inbox, "Level2"), "Level3"), nullptr);
    EXPECT_THAT(Subjects(*Child(Child(inbox, "Level2"), "Level3")), ElementsAre("l3"));
    EXPECT_NE(inbox->GetMessages()[1]->GetText().find("body of n2"), std::string::npos);
    // The Internet Mail store merged the archive's own messages into its Inbox.
    EXPECT_THAT(Subjects(*imInbox), ElementsAre("i1", "i2", "n1", "n2"));
}

// ---- stopping long operations ----------------------------------------------------------------

// Stopped at every step: a folder copy is all or nothing, in both directions, and the source stays.
TEST_F(CrossFormatTest, StoppedFolderCopyLeavesNothingAndLosesNothing) {
    for (const char* subject : {"n3", "n4", "n5"})
        ASSERT_TRUE(nsInbox->AddMessage(*Mail(subject)));
    const std::vector<std::string> nsAll = {"n1", "n2", "n3", "n4", "n5"};
    for (std::uint64_t step = 1; step <= 6; ++step) {
        for (const bool toInternetMail : {true, false}) {
            SCOPED_TRACE("step " + std::to_string(step) + (toInternetMail ? " to im" : " to ns"));
            CMails* source = toInternetMail ? nsInbox : imInbox;
            CMails* dest = toInternetMail ? im : NewFolder(ns, "Dest");
            ASSERT_NE(dest, nullptr);
            port.ClearLog();
            if (toInternetMail)
                port.Answer(Answer::No); // im holds an Inbox already: copy under a free name
            port.CancelAtStep(step);
            const std::size_t count = source->GetMessages().size();
            const Outcome outcome = doc->MoveCopy().CopyTo(dest, {source, ActivePane::Tree, {}});
            const bool stopped = step <= count;
            EXPECT_EQ(outcome, stopped ? Outcome::Cancelled : Outcome::Done);
            const std::vector<std::string> texts = port.Texts();
            EXPECT_EQ(std::count(texts.begin(), texts.end(), kTextStoppedNothingCopied),
                      stopped ? 1 : 0);
            Reload();
            EXPECT_THAT(Subjects(*nsInbox), ElementsAreArray(nsAll));
            EXPECT_THAT(Subjects(*imInbox), ElementsAre("i1", "i2"));
            dest = toInternetMail ? im : Child(ns, "Dest");
            CMails* copy = Child(dest, toInternetMail ? "Inbox(1)" : "Inbox");
            if (stopped) {
                EXPECT_EQ(copy, nullptr);
            } else {
                ASSERT_NE(copy, nullptr);
                EXPECT_EQ(Subjects(*copy).size(), count);
                ASSERT_TRUE(doc->DeleteFolderAndItem(copy, false));
            }
            if (!toInternetMail) {
                ASSERT_TRUE(doc->DeleteFolderAndItem(dest, false));
            }
            Reload();
        }
    }
}

// A stopped move keeps every message exactly once: those moved before the stop are in the
// destination only, the rest in the source only, and the user is told how many went.
TEST_F(CrossFormatTest, StoppedMessageMoveKeepsEveryMessageOnce) {
    for (std::uint64_t step = 1; step <= 2; ++step) {
        for (const bool toNetscape : {true, false}) {
            CMails* source = toNetscape ? imInbox : nsInbox;
            CMails* dest = toNetscape ? nsInbox : imInbox;
            const std::vector<std::string> before = Subjects(*source);
            const std::vector<std::string> destBefore = Subjects(*dest);
            port.ClearLog();
            port.CancelAtStep(step);
            // Asked to stop after the last message, the move is done all the same.
            const bool stopped = step < before.size();
            EXPECT_EQ(doc->MoveCopy().MoveTo(dest, {source, ActivePane::List, All(source)}),
                      stopped ? Outcome::Cancelled : Outcome::Done);
            if (stopped)
                EXPECT_THAT(port.Texts(),
                            ElementsAre(StoppedMessagesText(step, before.size(), true)));
            else
                EXPECT_THAT(port.Texts(), IsEmpty());
            Reload();
            source = toNetscape ? imInbox : nsInbox;
            dest = toNetscape ? nsInbox : imInbox;
            std::vector<std::string> expectDest = destBefore;
            expectDest.insert(expectDest.end(), before.begin(), before.begin() + step);
            EXPECT_THAT(Subjects(*dest), ElementsAreArray(expectDest));
            EXPECT_THAT(Subjects(*source), ElementsAreArray(std::vector<std::string>(
                                               before.begin() + step, before.end())));
            // Back where they were, for the next round.
            std::vector<CMessage*> back = All(dest);
            back.erase(back.begin(), back.end() - static_cast<std::ptrdiff_t>(step));
            ASSERT_EQ(doc->MoveCopy().MoveTo(source, {dest, ActivePane::List, back}),
                      Outcome::Done);
            Reload();
        }
    }
}

// Compact, backup and restore stopped at several points leave the stores and an earlier archive
// as they were; every message still reads back.
TEST_F(CrossFormatTest, StoppedCompactBackupAndRestoreChangeNothingTheyDidNotFinish) {
    for (const char* subject : {"n3", "n4"})
        ASSERT_TRUE(nsInbox->AddMessage(*Mail(subject)));
    ASSERT_TRUE(nsInbox->RemoveMessage(nsInbox->GetMessages()[0].get()));
    ASSERT_TRUE(imInbox->RemoveMessage(imInbox->GetMessages()[0].get()));
    const std::string archive = dir / "tree.qbf";
    WriteFile(archive, "an earlier file");
    for (std::uint64_t step = 1; step <= 3; ++step) {
        SCOPED_TRACE("step " + std::to_string(step));
        port.ClearLog();
        if (step < 3) { // the Netscape folder's three messages are compacted first
            port.CancelAtStep(step);
            EXPECT_EQ(doc->Compact().RunCompact(), Outcome::Cancelled);
            EXPECT_THAT(port.Texts(), ElementsAre(kTextStoppedCompact));
            port.ClearLog();
        }
        port.CancelAtStep(step);
        EXPECT_EQ(doc->BackupRestore().Backup(nsInbox, archive).outcome, Outcome::Cancelled);
        EXPECT_THAT(port.Texts(), ElementsAre(kTextStoppedBackup));
        EXPECT_EQ(ReadFile(archive), "an earlier file");
        Reload();
        EXPECT_THAT(Subjects(*nsInbox), ElementsAre("n2", "n3", "n4"));
        EXPECT_THAT(Subjects(*imInbox), ElementsAre("i2"));
    }
    const std::string full = dir / "full.qbf";
    ASSERT_EQ(doc->BackupRestore().Backup(nsInbox, full).outcome, Outcome::Done);
    for (std::uint64_t step = 1; step <= 3; ++step) {
        port.ClearLog();
        port.CancelAtStep(step);
        EXPECT_EQ(doc->BackupRestore().Restore(full, im).outcome, Outcome::Cancelled);
        EXPECT_THAT(port.Texts(), ElementsAre(kTextStoppedRestore));
        Reload();
        EXPECT_THAT(Subjects(*imInbox), ElementsAre("i2"));
        EXPECT_EQ(im->GetSubFolders().size(), 1U);
    }
    EXPECT_EQ(doc->Compact().RunCompact(), Outcome::Done);
    Reload();
    EXPECT_THAT(Subjects(*nsInbox), ElementsAre("n2", "n3", "n4"));
}

// A restore reads the archive twice: its structure first, then message by message. Stopped in
// either pass, or refused for a name at the very end of the archive, it leaves the store as it was.
TEST_F(CrossFormatTest, StreamedRestoreStoppedOrRefusedAnywhereWritesNothing) {
    // Top (300 messages) with the sub-folders Mid (2) and Late (1), Late last in the archive.
    CMails top("Top", "", CMails::kPlain);
    for (int i = 0; i < 300; ++i)
        ASSERT_TRUE(top.AddMessage(*Mail("t" + std::to_string(i))));
    CMails* late = top.CreateFolder("Late");
    ASSERT_TRUE(top.CreateFolder("Mid")->AddMessage(*Mail("m0")) &&
                top.Children()[0]->AddMessage(*Mail("m1")) && late->AddMessage(*Mail("late")));
    const auto write = [&](const std::string& file) {
        fs::File out;
        ASSERT_TRUE(out.Open(file, fs::OpenMode::Create));
        CArchive archive(out, CArchive::kStore);
        ASSERT_TRUE(top.StoreTree(archive, true));
        ASSERT_TRUE(out.Close());
    };
    const std::string good = dir / "good.qbf", refused = dir / "refused.qbf";
    write(good);
    late->m_strName = "Late.snm"; // a name the Netscape store cannot take
    write(refused);
    const auto before = Snapshot(dir / "ns");

    port.ClearLog();
    EXPECT_EQ(doc->BackupRestore().Restore(refused, ns).outcome, Outcome::Failed);
    EXPECT_THAT(port.Texts(), ElementsAre("Restore failure"));
    EXPECT_EQ(Snapshot(dir / "ns"), before);
    // Step 1 is the check of the first 256 messages; each message copied is one step after it.
    for (const std::uint64_t step : {1, 2, 301, 303, 304}) {
        SCOPED_TRACE("step " + std::to_string(step));
        port.ClearLog();
        port.CancelAtStep(step);
        EXPECT_EQ(doc->BackupRestore().Restore(good, ns).outcome, Outcome::Cancelled);
        EXPECT_THAT(port.Texts(), ElementsAre(kTextStoppedRestore));
        EXPECT_EQ(Snapshot(dir / "ns"), before);
    }
    port.ClearLog();
    EXPECT_EQ(doc->BackupRestore().Restore(good, ns).outcome, Outcome::Done);
    EXPECT_THAT(port.Texts(), IsEmpty());
    Reload();
    CMails* restored = Child(ns, "Top");
    ASSERT_NE(restored, nullptr);
    const std::vector<std::string> subjects = Subjects(*restored);
    ASSERT_EQ(subjects.size(), 300u);
    EXPECT_EQ(subjects.back(), "t299");
    EXPECT_THAT(Subjects(*Child(restored, "Mid")), ElementsAre("m0", "m1"));
    EXPECT_THAT(Subjects(*Child(restored, "Late")), ElementsAre("late"));
}

TEST_F(CrossFormatTest, BackupNeverReplacesAFileOfAStore) {
    const std::string nsFile = ReadFile(nsInbox->m_strPath);
    const std::string imFile = ReadFile(imInbox->m_strPath + ".mbx");
    EXPECT_FALSE(doc->BackupRestore().Backup(nsInbox, nsInbox->m_strPath).close);
    EXPECT_FALSE(doc->BackupRestore().Backup(nsInbox, imInbox->m_strPath + ".mbx").close);
    EXPECT_FALSE(doc->BackupRestore().Backup(nsInbox, dir / "ns/../imn/Inbox.idx").close);
    EXPECT_THAT(port.Texts(),
                ElementsAre("Cannot open file", "Cannot open file", "Cannot open file"));
    EXPECT_EQ(ReadFile(nsInbox->m_strPath), nsFile);
    EXPECT_EQ(ReadFile(imInbox->m_strPath + ".mbx"), imFile);
}

TEST_F(CrossFormatTest, NewMailboxIsRegisteredAndShownLast) {
    std::filesystem::create_directories(dir / "made");
    EXPECT_EQ(doc->MailboxCommands().NewMailbox("Made", dir / "made"), Outcome::Done);
    ASSERT_EQ(doc->Mailboxes().size(), 3u);
    EXPECT_EQ(doc->Mailboxes().back()->m_strName, "Made");
    EXPECT_EQ(doc->Mailboxes().back()->m_strType, kTypeNavigator);
    EXPECT_EQ(port.order.back(), doc->Mailboxes().back()->m_pRoot.get());
    EXPECT_TRUE(IsMailboxRegistered(*registry, "made"));
    EXPECT_EQ(ReadRegString(*registry, Hive::CurrentUser, std::string(kManagedMailsKey) + "\\Made",
                            "Type"),
              kTypeNavigator);
}

TEST_F(CrossFormatTest, NewMailboxThatCannotBeRegisteredSaysSo) {
    WriteFile(dir / "blocker", "a file");
    RegistryFile broken(dir / "blocker/sub/q.reg");
    FakePort otherPort;
    CQuillboxDoc other(otherPort, &broken);
    EXPECT_EQ(other.MailboxCommands().NewMailbox("Made", dir / "ns"), Outcome::Failed);
    EXPECT_THAT(otherPort.Texts(),
                ElementsAre("Cannot register the mailbox; it will not be shown at the next start"));
    EXPECT_EQ(other.Mailboxes().size(), 1u); // usable until the program ends
}

TEST_F(CrossFormatTest, FailedMessageMoveNeverLosesAMessage) {
    EnumerateFaults(
        [&] { Rebuild(dir / "run"); },
        [&] {
            return doc->MoveCopy().MoveTo(nsInbox, {imInbox, ActivePane::List, All(imInbox)}) ==
                   Outcome::Done;
        },
        [&](const FaultCase& c) {
            Reload();
            const std::vector<std::string> source = Subjects(*imInbox);
            const std::vector<std::string> target = Subjects(*nsInbox);
            for (const char* subject : {"i1", "i2"}) {
                const bool inSource = std::count(source.begin(), source.end(), subject) > 0;
                const bool inTarget = std::count(target.begin(), target.end(), subject) > 0;
                EXPECT_TRUE(inSource || inTarget) << subject << " lost";
            }
            EXPECT_EQ(std::count(target.begin(), target.end(), "n1"), 1);
            if (c.reportedSuccess && c.index < 0) {
                EXPECT_THAT(source, IsEmpty());
                EXPECT_THAT(target, ElementsAre("n1", "n2", "i1", "i2"));
            }
        });
}

TEST_F(CrossFormatTest, FailedOrInterruptedFolderMoveNeverLosesAMessage) {
    const auto setup = [&] {
        Rebuild(dir / "run");
        port.Answer(Answer::No); // "Inbox" exists in the Netscape store: copy as Inbox(1)
    };
    const auto move = [&] {
        return doc->MoveCopy().MoveTo(ns, {imInbox, ActivePane::Tree, {}}) == Outcome::Done;
    };
    const auto check = [&](const FaultCase&) {
        Reload();
        std::vector<std::string> all;
        if (imInbox != nullptr)
            all = Subjects(*imInbox);
        if (CMails* copy = Child(ns, "Inbox(1)")) {
            for (const std::string& s : Subjects(*copy))
                all.push_back(s);
        }
        EXPECT_THAT(all, ::testing::IsSupersetOf({"i1", "i2"}));
    };
    EnumerateFaults(setup, move, check);
    // The process stopping dead at any step loses nothing either.
    EnumerateCrashes(setup, move, check);
}

} // namespace
} // namespace qb::test
