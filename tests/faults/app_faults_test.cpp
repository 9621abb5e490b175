// Every file operation of the user's commands fails in turn, first as an error and then as a
// cut-off write, and then the process stops dead at each of them. After each run the whole world is
// read back from disk: no message lost, none duplicated except where a move's removal failed after
// its copy, every folder loads, no temporary file left behind, the registry file still reads.
#include "world.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>

namespace qb::test {
namespace {

Selection ListOf(World& w, const std::string& path) {
    CMails* folder = w.Folder(path);
    return {folder, ActivePane::List, folder ? w.Messages(folder) : std::vector<CMessage*>{}};
}

Selection TreeOf(World& w, const std::string& path) {
    return {w.Folder(path), ActivePane::Tree, {}};
}

// Move (or copy) the messages of `from` (list) or the folder `from` (tree) to `to`.
std::function<Bound(World&)> MoveOrCopy(const char* from, const char* to, bool list, bool move) {
    return [=](World& w) -> Bound {
        CMails* dest = w.Folder(to);
        const Selection selection = list ? ListOf(w, from) : TreeOf(w, from);
        EXPECT_NE(dest, nullptr) << to;
        EXPECT_NE(selection.folder, nullptr) << from;
        return [&w, dest, selection, move] {
            return (move ? w.doc->MoveCopy().MoveTo(dest, selection)
                         : w.doc->MoveCopy().CopyTo(dest, selection)) == Outcome::Done;
        };
    };
}

class AppFaults : public FaultsTest {};

TEST_F(AppFaults, MessageMovesWithinAndAcrossFormats) {
    EXPECT_GT(Enumerate({"messages Netscape to Netscape",
                         MoveOrCopy("Ns/Inbox", "Ns2/Keep", true, true), true}),
              4);
    EXPECT_GT(Enumerate({"messages Internet Mail to Internet Mail",
                         MoveOrCopy("Imn/Inbox", "Im2/Box", true, true), true}),
              4);
    EXPECT_GT(Enumerate({"messages Netscape to Internet Mail",
                         MoveOrCopy("Ns/Inbox", "Imn/Other", true, true), true}),
              4);
    EXPECT_GT(Enumerate({"messages Internet Mail to Netscape",
                         MoveOrCopy("Imn/Inbox", "Ns/Drafts", true, true), true}),
              4);
}

TEST_F(AppFaults, MessageCopiesWithinAndAcrossFormats) {
    EXPECT_GT(
        Enumerate({"copy Netscape to Netscape", MoveOrCopy("Ns/Inbox", "Ns/Drafts", true, false)}),
        4);
    EXPECT_GT(Enumerate({"copy Netscape to Internet Mail",
                         MoveOrCopy("Ns/Inbox", "Im2/Box", true, false)}),
              4);
    EXPECT_GT(Enumerate({"copy Internet Mail to Netscape",
                         MoveOrCopy("Imn/Inbox", "Ns2/Keep", true, false)}),
              4);
}

TEST_F(AppFaults, FolderMovesWithinAndAcrossFormats) {
    EXPECT_GT(Enumerate({"folder with sub-folder Netscape to Netscape",
                         MoveOrCopy("Ns/Inbox", "Ns2", false, true), true}),
              8);
    EXPECT_GT(Enumerate({"folder Internet Mail to Internet Mail",
                         MoveOrCopy("Imn/Other", "Im2", false, true), true}),
              4);
    EXPECT_GT(Enumerate({"folder Internet Mail to Netscape",
                         MoveOrCopy("Imn/Inbox", "Ns/Drafts", false, true), true}),
              4);
}

TEST_F(AppFaults, FolderCopiesWithinAndAcrossFormats) {
    EXPECT_GT(Enumerate({"folder copy Netscape to Netscape",
                         MoveOrCopy("Ns/Inbox", "Ns2/Keep", false, false)}),
              8);
    EXPECT_GT(Enumerate({"folder copy Internet Mail to Internet Mail",
                         MoveOrCopy("Imn/Inbox", "Im2", false, false)}),
              4);
}

// A Netscape folder whose file cannot be read must not arrive in an Internet Mail store as an
// empty folder reported as copied.
TEST_F(AppFaults, FolderIntoInternetMail) {
    EXPECT_GT(Enumerate({"folder Netscape to Internet Mail",
                         MoveOrCopy("Ns/Drafts", "Im2", false, true), true}),
              4);
    EXPECT_GT(Enumerate({"folder copy Netscape to Internet Mail",
                         MoveOrCopy("Ns/Drafts", "Imn", false, false)}),
              4);
}

TEST_F(AppFaults, RestoreIntoBothFormats) {
    // The archive is made once, undisturbed, and written afresh before every run.
    std::string archive;
    const auto prepare = [&](World& w) {
        if (archive.empty()) {
            ASSERT_EQ(
                w.doc->BackupRestore().Backup(w.Folder("Ns/Drafts"), w.base + "/made.qbf").outcome,
                Outcome::Done);
            archive = ReadFile(w.base + "/made.qbf");
            ASSERT_FALSE(archive.empty());
        }
        WriteFile(w.base + "/a.qbf", archive);
    };
    const auto restore = [](const char* root) {
        return [=](World& w) -> Bound {
            CMails* into = w.Root(root);
            return [&w, into] {
                return w.doc->BackupRestore().Restore(w.base + "/a.qbf", into).outcome ==
                       Outcome::Done;
            };
        };
    };
    EXPECT_GT(Enumerate({"restore into Netscape", restore("Ns2"), false, prepare}), 4);
    EXPECT_GT(Enumerate({"restore into Internet Mail", restore("Im2"), false, prepare}), 4);
}

// Backup changes no mail: the archive is there whole (it restores into what was backed up) or an
// earlier file of that name is untouched, and no partial file is left.
TEST_F(AppFaults, BackupIsWholeOrLeavesTheEarlierFile) {
    for (const char* folder : {"Ns/Inbox", "Imn/Inbox"}) {
        SCOPED_TRACE(folder);
        Census before;
        CMails* source = nullptr;
        const auto setup = [&] {
            world.Build();
            WriteFile(world.base + "/b.qbf", "earlier");
            before = world.Take();
            source = world.Folder(folder);
        };
        const auto run = [&] {
            return world.doc->BackupRestore().Backup(source, world.base + "/b.qbf").outcome ==
                   Outcome::Done;
        };
        const auto check = [&](const FaultCase& c) {
            EXPECT_EQ(world.Take().where, before.where);
            const std::string file = ReadFile(world.base + "/b.qbf");
            if (c.kind != fs::FaultKind::Crash) {
                EXPECT_TRUE(world.TemporaryFiles().empty());
            }
            if (file == "earlier") {
                EXPECT_FALSE(c.reportedSuccess && c.kind != fs::FaultKind::Crash);
                return;
            }
            // A file that replaced the earlier one restores every message it was made from.
            fs::ClearFaultPlan();
            world.Open();
            ASSERT_EQ(world.doc->BackupRestore()
                          .Restore(world.base + "/b.qbf", world.Root("Ns2"))
                          .outcome,
                      Outcome::Done);
            const Census restored = world.Take();
            const std::string from = folder;
            const std::string mailbox = from.substr(0, from.find('/'));
            for (const auto& [s, places] : before.where) {
                for (const std::string& p : places) {
                    if (p.rfind(from, 0) == 0) {
                        EXPECT_EQ(restored.where.at(s).count("Ns2" + p.substr(mailbox.size())), 1u)
                            << s;
                    }
                }
            }
        };
        EXPECT_GT(EnumerateFaults(setup, run, check), 4);
        EnumerateCrashes(setup, run, check);
    }
}

TEST_F(AppFaults, NewMailboxAndReplacingTheRegisteredMailboxes) {
    // A second mailbox over an existing store: its messages are then seen twice.
    EXPECT_GT(Enumerate({"New MailBox",
                         [](World& w) -> Bound {
                             return [&w] {
                                 return w.doc->MailboxCommands().NewMailbox(
                                            "Made", w.base + "/ns2") == Outcome::Done;
                             };
                         }}),
              2);
    EXPECT_GT(Enumerate({"ReplaceMailboxEntries",
                         [](World& w) -> Bound {
                             return [&w] {
                                 return ReplaceMailboxEntries(
                                     *w.registry, {{"Ns", w.base + "/ns", kTypeNavigator},
                                                   {"Again", w.base + "/imn", kTypeInternetMail}});
                             };
                         }}),
              2);
}

} // namespace
} // namespace qb::test
