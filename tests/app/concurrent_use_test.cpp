// Quillbox processes sharing stores of both formats: one writer per store, the others wait or are
// refused with nothing written, and no message is lost or doubled.
#include "app/disk_changes.h"
#include "doc_fixture.h"
#include "platform/registry_file.h"
#include "stores/root_folder.h"
#include "support/temp_dir.h"

#include <gmock/gmock.h>

#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <functional>
#include <map>
#include <thread>

namespace qb::test {
namespace {

class ConcurrentUseTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::filesystem::create_directories(dir / "ns");
        std::filesystem::create_directories(dir / "imn");
        registry = std::make_unique<RegistryFile>(dir / "q.reg");
        ASSERT_TRUE(WriteMailboxEntry(*registry, "Netscape", dir / "ns", kTypeNavigator));
        ASSERT_TRUE(WriteMailboxEntry(*registry, "Imn", dir / "imn", kTypeInternetMail));
        Open(doc, port);
        for (CMails* root : Roots()) {
            port.FolderName("Inbox");
            ASSERT_EQ(doc->FolderCommands().OnNewFolder({root, ActivePane::Tree, {}}),
                      Outcome::Done);
        }
        port.ClearLog();
    }

    // A document over the registered stores, as another Quillbox process would open them.
    void Open(std::unique_ptr<CQuillboxDoc>& into, FakePort& itsPort) {
        into = std::make_unique<CQuillboxDoc>(itsPort, registry.get());
        into->ReloadMailboxes();
    }
    std::vector<CMails*> Roots() const {
        return {doc->FindMailboxByName("Netscape"), doc->FindMailboxByName("Imn")};
    }
    static CMails* Inbox(CMails* root) {
        for (CMails* child : root->GetSubFolders()) {
            if (child->m_strName == "Inbox")
                return child;
        }
        return nullptr;
    }
    // A message file of that subject, as `add` takes it.
    std::string MessageFile(const std::string& subject) {
        const std::string path = dir / (subject + ".eml");
        WriteFile(path, "Subject: " + subject + "\nFrom: a@b\n\nbody of " + subject + "\n");
        return path;
    }

    TempDir dir;
    std::unique_ptr<RegistryFile> registry;
    FakePort port;
    std::unique_ptr<CQuillboxDoc> doc;
};

TEST_F(ConcurrentUseTest, EveryChangingCommandIsRefusedWhileAnotherProcessHoldsTheStore) {
    const std::string file = MessageFile("new");
    doc->SetLockWait(20);
    for (CMails* root : Roots())
        ASSERT_EQ(doc->FolderCommands().AddMessageFiles(Inbox(root), {file}), Outcome::Done);
    for (CMails* root : Roots()) {
        CMails* other = root == Roots()[0] ? Roots()[1] : Roots()[0];
        CMails* inbox = Inbox(root);
        CMessage* message = inbox->GetMessages().front().get();
        const auto before = Snapshot(dir.path());

        fs::FileLock held; // the other process
        ASSERT_TRUE(held.Acquire(StoreLockPath(root), 0));
        const Selection list{inbox, ActivePane::List, {message}};
        const Selection tree{inbox, ActivePane::Tree, {}};
        const std::vector<std::pair<std::string, std::function<Outcome()>>> commands = {
            {"add", [&] { return doc->FolderCommands().AddMessageFiles(inbox, {file}); }},
            {"delete message",
             [&] {
                 port.Answer(Answer::Ok);
                 return doc->FolderCommands().OnDelete(list);
             }},
            {"delete folder",
             [&] {
                 port.Answer(Answer::Ok);
                 return doc->FolderCommands().OnDelete(tree);
             }},
            {"new folder",
             [&] {
                 port.FolderName("Sub");
                 return doc->FolderCommands().OnNewFolder({root, ActivePane::Tree, {}});
             }},
            {"rename",
             [&] {
                 port.FolderName("Renamed");
                 return doc->FolderCommands().OnRenameFolder(tree);
             }},
            {"compact folder", [&] { return doc->Compact().CompactFolder(inbox); }},
            {"compact all", [&] { return doc->Compact().RunCompact(); }},
            {"copy into",
             [&] {
                 return doc->MoveCopy().CopyTo(
                     inbox,
                     {Inbox(other), ActivePane::List, {Inbox(other)->GetMessages().front().get()}});
             }},
            {"move out of", [&] { return doc->MoveCopy().MoveTo(Inbox(other), list); }},
            {"copy folder into",
             [&] {
                 return doc->MoveCopy().CopyTo(root, {Inbox(other), ActivePane::Tree, {}});
             }},
        };
        for (const auto& [name, run] : commands) {
            SCOPED_TRACE(root->m_strName + ": " + name);
            port.ClearLog();
            EXPECT_EQ(run(), Outcome::Failed);
            ASSERT_FALSE(port.shown.empty());
            EXPECT_EQ(port.shown.back().text, kTextMailboxInUse);
            EXPECT_TRUE(port.ScriptUsed());
            EXPECT_EQ(Snapshot(dir.path()), before);
        }
        // A reader is not held up by a reader.
        held.Release();
        ASSERT_TRUE(held.Acquire(StoreLockPath(root), 0, fs::LockMode::Shared));
        EXPECT_EQ(ListMessages(*inbox, 0).size(), 1u);
        port.ClearLog();
        EXPECT_EQ(doc->FolderCommands().AddMessageFiles(inbox, {file}), Outcome::Failed);
        held.Release();
        EXPECT_EQ(doc->FolderCommands().AddMessageFiles(inbox, {file}), Outcome::Done);
    }
}

// Another program deletes a message and compacts the folder after this process listed it (the
// other messages move, and Internet Mail numbers them anew): deleting a listed message reads the
// folder again and deletes that message, and one that is gone by then is refused with nothing
// written.
TEST_F(ConcurrentUseTest, ACommandOnAListingAnotherProgramChangedReadsTheFolderFirst) {
    for (CMails* root : Roots()) {
        SCOPED_TRACE(root->m_strName);
        CMails* inbox = Inbox(root);
        for (const char* subject : {"a", "b", "c"})
            ASSERT_EQ(doc->FolderCommands().AddMessageFiles(inbox, {MessageFile(subject)}),
                      Outcome::Done);
        const auto listed = [&](const std::string& subject) {
            for (const auto& message : ListMessages(*inbox))
                if (SubjectOf(*message) == subject)
                    return message.get();
            return static_cast<CMessage*>(nullptr);
        };
        FakePort itsPort;
        std::unique_ptr<CQuillboxDoc> itsDoc;
        Open(itsDoc, itsPort);
        const auto otherDeletes = [&](const std::string& subject) {
            CMails* its = Inbox(itsDoc->FindMailboxByName(root->m_strName));
            std::vector<CMessage*> gone;
            for (const auto& message : ListMessages(*its))
                if (SubjectOf(*message) == subject)
                    gone.push_back(message.get());
            itsPort.Answer(Answer::Ok);
            ASSERT_EQ(itsDoc->FolderCommands().OnDelete({its, ActivePane::List, gone}),
                      Outcome::Done);
            ASSERT_EQ(itsDoc->Compact().CompactFolder(its), Outcome::Done);
        };

        CMessage* b = listed("b");
        otherDeletes("a");
        port.Answer(Answer::Ok);
        EXPECT_EQ(doc->FolderCommands().OnDelete({inbox, ActivePane::List, {b}}), Outcome::Done);
        EXPECT_EQ(Subjects(*inbox), std::vector<std::string>({"c"}));

        CMessage* c = listed("c");
        otherDeletes("c");
        const auto before = Snapshot(dir.path());
        port.ClearLog();
        port.Answer(Answer::Ok);
        EXPECT_EQ(doc->FolderCommands().OnDelete({inbox, ActivePane::List, {c}}), Outcome::Failed);
        EXPECT_EQ(port.Texts().back(), kTextMessageGone);
        EXPECT_EQ(Snapshot(dir.path()), before);
    }
}

TEST_F(ConcurrentUseTest, LocksNestWithinAProcessAndEverySpellingOfAStoreSharesOne) {
    CMails* inbox = Inbox(Roots()[0]);
    const StoreLocks outer = StoreLocks::Acquire({inbox}, fs::LockMode::Exclusive, 0);
    ASSERT_TRUE(outer);
    // A command inside a command that holds the store goes on.
    doc->SetLockWait(0);
    EXPECT_EQ(doc->FolderCommands().AddMessageFiles(inbox, {MessageFile("nested")}), Outcome::Done);

    std::filesystem::create_directory_symlink(dir / "ns", dir / "link");
    auto linked = MakeRootFolder("Linked", dir / "link/", kTypeNavigator);
    EXPECT_EQ(StoreLockPath(linked.get()), dir / "ns.lock");
    fs::FileLock other;
    EXPECT_FALSE(other.Acquire(StoreLockPath(linked.get()), 0));
    EXPECT_TRUE(other.WasBusy());
}

// Worker processes add to, delete from and compact the Inbox of both stores at once; afterwards
// each message a worker added and did not delete is listed exactly once.
TEST_F(ConcurrentUseTest, ManyProcessesAddingDeletingAndCompactingLoseNothing) {
    constexpr int kWorkers = 4;
    constexpr int kRounds = 12;
    std::vector<pid_t> workers;
    for (int w = 0; w < kWorkers; ++w) {
        const pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid > 0) {
            workers.push_back(pid);
            continue;
        }
        // The worker: its own document over the same stores.
        fs::SetDiskWaits(false);
        FakePort itsPort;
        std::unique_ptr<CQuillboxDoc> itsDoc;
        Open(itsDoc, itsPort);
        itsDoc->SetLockWait(60000); // never refused on a loaded machine: waits instead
        bool ok = true;
        for (int i = 0; i < kRounds; ++i) {
            for (const char* name : {"Netscape", "Imn"}) {
                CMails* inbox = Inbox(itsDoc->FindMailboxByName(name));
                const std::string subject =
                    "w" + std::to_string(w) + "-" + name + "-" + std::to_string(i);
                ok = itsDoc->FolderCommands().AddMessageFiles(inbox, {MessageFile(subject)}) ==
                         Outcome::Done &&
                     ok;
                if (i % 3 == 0) {
                    // Listed and deleted under one hold, so the rows are this moment's.
                    const StoreLocks held = itsDoc->LockForChange({inbox});
                    std::vector<CMessage*> gone;
                    for (auto& message : inbox->GetMessages()) {
                        if (SubjectOf(*message) == subject)
                            gone.push_back(message.get());
                    }
                    itsPort.Answer(Answer::Ok);
                    ok = held && gone.size() == 1 &&
                         itsDoc->FolderCommands().OnDelete({inbox, ActivePane::List, gone}) ==
                             Outcome::Done &&
                         ok;
                }
                if (i % 5 == w % 5)
                    ok = itsDoc->Compact().CompactFolder(inbox) == Outcome::Done && ok;
            }
        }
        _exit(ok ? 0 : 1);
    }

    // Bounded: a worker that has not finished within the limit is stopped and counts as failed.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(3);
    for (const pid_t pid : workers) {
        int status = 0;
        pid_t done = 0;
        while ((done = waitpid(pid, &status, WNOHANG)) == 0 &&
               std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        if (done == 0) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            ADD_FAILURE() << "worker " << pid << " did not finish in time";
            continue;
        }
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "worker " << pid;
    }

    FakePort afterPort;
    std::unique_ptr<CQuillboxDoc> after;
    Open(after, afterPort);
    for (const char* name : {"Netscape", "Imn"}) {
        std::vector<std::string> expected;
        for (int w = 0; w < kWorkers; ++w) {
            for (int i = 0; i < kRounds; ++i) {
                if (i % 3 != 0)
                    expected.push_back("w" + std::to_string(w) + "-" + name + "-" +
                                       std::to_string(i));
            }
        }
        EXPECT_THAT(Subjects(*Inbox(after->FindMailboxByName(name))),
                    ::testing::UnorderedElementsAreArray(expected))
            << name;
    }
}

} // namespace
} // namespace qb::test
