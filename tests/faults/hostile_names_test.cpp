// Names that try to leave a store or break its layout, or that a case-insensitive or Windows
// file system cannot hold or would take for another name, at every place a name enters through the
// commands: New Folder, Rename (dialog and in-place), Copy and Move of a folder whose name came
// from disk, the folder names inside a restored archive, and the directories of New MailBox and
// Assign. Each is refused with the command's usual text and nothing anywhere is written.
#include "app/assign.h"
#include "app/new_mailbox.h"
#include "model/archive.h"
#include "world.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

namespace qb::test {
namespace {

namespace stdfs = std::filesystem;

const std::vector<std::string>& BadNames() {
    static const std::vector<std::string> names = {
        "..",
        "../x",
        "../../escape",
        "a/b",
        "a\\b",
        ".",
        "",
        std::string("nul\0x", 5),
        "tab\tname",
        "line\nbreak",
        "esc\x1b",
        std::string(300, 'n'),
        "Inbox.sbd",
        "x.snm",
        "/abs",
        "a:b",
        "CON",
        "nul.txt",
        "Lpt9",
        "com1.mbx",
        "trailing.",
        "trailing ",
        "what?",
        "star*",
        "<angle>",
        "pipe|",
        "quote\"",
    };
    return names;
}

// Names only the Netscape store refuses (its loader would never list such a folder).
bool NetscapeOnly(const std::string& name) {
    return name.find(".sbd") != std::string::npos || name.find(".snm") != std::string::npos;
}

class HostileNames : public ::testing::Test {
  protected:
    void SetUp() override {
        world.Build();
        outside = stdfs::path(world.base).parent_path().string();
        before = Snapshot(outside);
    }
    void ExpectNothingWritten() {
        const auto now = Snapshot(outside);
        std::vector<std::string> changed;
        for (const auto& [path, bytes] : now) {
            auto it = before.find(path);
            if (it == before.end() || it->second != bytes)
                changed.push_back(path);
        }
        for (const auto& [path, bytes] : before) {
            if (now.count(path) == 0)
                changed.push_back(path + " (gone)");
        }
        EXPECT_TRUE(changed.empty()) << ::testing::PrintToString(changed);
    }

    World world;
    std::string outside; // the directory that holds the whole world
    std::map<std::string, std::string> before;
};

TEST_F(HostileNames, NewFolderAndRenameRefuseThemInBothStores) {
    for (const char* path : {"Ns", "Ns/Inbox", "Imn"}) {
        for (const std::string& name : BadNames()) {
            if (NetscapeOnly(name) && std::string(path) == "Imn")
                continue;
            SCOPED_TRACE(std::string(path) + " <- " + ::testing::PrintToString(name));
            world.port->ClearLog();
            world.port->FolderName(name);
            const Outcome outcome =
                world.doc->FolderCommands().OnNewFolder({world.Folder(path), ActivePane::Tree, {}});
            if (name.empty()) {
                // The dialog itself refuses the empty name and stays open.
                EXPECT_NE(outcome, Outcome::Done);
            } else {
                EXPECT_EQ(outcome, Outcome::Failed);
                EXPECT_EQ(world.port->Texts(),
                          std::vector<std::string>{"Cannot create new folder"});
            }
        }
    }
    for (const char* path : {"Ns/Inbox", "Ns/Inbox/Sub", "Imn/Inbox"}) {
        CMails* folder = world.Folder(path);
        for (const std::string& name : BadNames()) {
            if (name.empty() || (NetscapeOnly(name) && std::string(path) == "Imn/Inbox"))
                continue;
            SCOPED_TRACE(std::string(path) + " -> " + ::testing::PrintToString(name));
            world.port->ClearLog();
            world.port->FolderName(name);
            EXPECT_EQ(world.doc->FolderCommands().OnRenameFolder({folder, ActivePane::Tree, {}}),
                      Outcome::Failed);
            EXPECT_EQ(
                world.doc->FolderCommands().EndLabelEdit({folder, ActivePane::Tree, {}}, name),
                Outcome::Failed);
            EXPECT_EQ(folder->m_strName, stdfs::path(path).filename().string());
        }
    }
    ExpectNothingWritten();
    world.Open();
    EXPECT_TRUE(world.Take().problems.empty());
}

// Folder names that one store holds on disk and the other cannot take ("a\b" or "a:b" is an
// ordinary Internet Mail file name here, though not on every file system; a very long name fits
// one store's files but not the other's).
TEST_F(HostileNames, CopyAndMoveOfFoldersWhoseNamesTheTargetCannotTake) {
    const std::string im = world.base + "/imn/", ns = world.base + "/ns/";
#ifdef _WIN32
    // Windows holds no file by the other names: '\\' is a separator there, ':' names a stream,
    // AUX a device, and a tab is refused.
    const std::vector<std::string> names = {"x.sbd", "dot."};
#else
    const std::vector<std::string> names = {"a\\b", "x.sbd", "t\tab", "a:b", "AUX", "dot."};
#endif
    for (const std::string& name : names) {
        stdfs::copy_file(im + "Other.mbx", im + name + ".mbx");
        stdfs::copy_file(im + "Other.idx", im + name + ".idx");
    }
    const std::string longName(253, 'L');
    stdfs::copy_file(ns + "Drafts", ns + longName);
    world.Open();
    before = Snapshot(outside);
    const Census census = world.Take();

    for (const std::string& name : names) {
        for (bool move : {false, true}) {
            SCOPED_TRACE(::testing::PrintToString(name) + (move ? " moved" : " copied"));
            CMails* source = world.Folder("Imn/" + name);
            ASSERT_NE(source, nullptr);
            const Selection selection{source, ActivePane::Tree, {}};
            world.port->ClearLog();
            const Outcome outcome =
                move ? world.doc->MoveCopy().MoveTo(world.Folder("Ns/Drafts"), selection)
                     : world.doc->MoveCopy().CopyTo(world.Root("Ns2"), selection);
            EXPECT_EQ(outcome, Outcome::Failed);
            EXPECT_EQ(world.port->Texts(),
                      std::vector<std::string>{"Cannot create folder in destination folder"});
        }
    }
    for (bool move : {false, true}) {
        SCOPED_TRACE(move ? "long name moved" : "long name copied");
        CMails* source = world.Folder("Ns/" + longName);
        ASSERT_NE(source, nullptr);
        const Selection selection{source, ActivePane::Tree, {}};
        const Outcome outcome = move ? world.doc->MoveCopy().MoveTo(world.Root("Im2"), selection)
                                     : world.doc->MoveCopy().CopyTo(world.Root("Imn"), selection);
        EXPECT_EQ(outcome, Outcome::Failed);
    }
    ExpectNothingWritten();
    const Census after = world.Take();
    EXPECT_TRUE(after.problems.empty()) << ::testing::PrintToString(after.problems);
    EXPECT_EQ(after.where, census.where);
}

// An archive whose folder names would leave the store restores nothing.
TEST_F(HostileNames, RestoreRefusesAnArchiveWithSuchFolderNames) {
    int made = 0;
    for (const std::string& name : BadNames()) {
        for (bool nested : {false, true}) {
            SCOPED_TRACE(::testing::PrintToString(name) + (nested ? " below Good" : ""));
            // Archives are written beside the world, not in it.
            const std::string file =
                (stdfs::path(outside) / ("hostile" + std::to_string(made++) + ".qbf")).string();
            {
                CMails top(nested ? "Good" : name, "");
                top.CMails::AddMessage(*WorldMail("r1"));
                if (nested) {
                    auto* child = top.AddSubFolder(std::make_unique<CMails>(name, ""));
                    child->CMails::AddMessage(*WorldMail("r2"));
                }
                fs::File out;
                ASSERT_TRUE(out.Open(file, fs::OpenMode::Create));
                CArchive archive(out, CArchive::kStore);
                ASSERT_TRUE(top.StoreTree(archive, true));
                ASSERT_TRUE(out.Close());
            }
            before[file] = ReadFile(file);
            for (const char* root : {"Ns2", "Im2"}) {
                if ((nested || NetscapeOnly(name)) && std::string(root) == "Im2")
                    continue; // that store takes no sub-folders, and such names are its own
                world.port->ClearLog();
                EXPECT_EQ(world.doc->BackupRestore().Restore(file, world.Root(root)).outcome,
                          Outcome::Failed)
                    << root;
                EXPECT_EQ(world.port->Texts(), std::vector<std::string>{"Restore failure"}) << root;
            }
        }
    }
    ExpectNothingWritten();
}

TEST_F(HostileNames, MailboxDirectoriesThatAreMissingOrFiles) {
    const std::string file = world.base + "/plain-file";
    WriteFile(file, "not a directory");
    before = Snapshot(outside);
    const NewMailboxLookups none{[](const std::string&) { return false; },
                                 [](const std::string&) { return false; }};

    // A file where the directory should be: New MailBox offers to create it, which fails.
    NewMailboxInput input{"New", file};
    NewMailboxCheck check = CheckNewMailbox(input, none);
    EXPECT_EQ(check.step, NewMailboxStep::AskCreateDirectory);
    check = AnswerCreateDirectory(input, true);
    EXPECT_EQ(check.step, NewMailboxStep::Refused);
    EXPECT_EQ(check.message, kMsgCannotCreateDirectory);
    // Below a file, or more than one level missing: cannot be created either.
    for (const std::string& dir : {file + "/sub", world.base + "/missing/deeper"}) {
        NewMailboxInput deeper{"New", dir};
        EXPECT_EQ(CheckNewMailbox(deeper, none).step, NewMailboxStep::AskCreateDirectory);
        EXPECT_EQ(AnswerCreateDirectory(deeper, true).message, kMsgCannotCreateDirectory);
        EXPECT_FALSE(CreateMailboxDirectory(dir).accepted);
    }
    ExpectNothingWritten();

    // Assign: a missing directory and a file are refused.
    AssignInput missing{"M", world.base + "/missing", 1};
    EXPECT_EQ(CheckAssign(missing, {}).message, kTextDirectoryNotFound);
    AssignInput plain{"M", file, 1};
    EXPECT_EQ(CheckAssign(plain, {}).message, kMsgNotDirectory);
    AssignInput control{"M", std::string("tab\tdir"), 1};
    EXPECT_FALSE(CheckAssign(control, {}).accepted);
    ExpectNothingWritten();
}

} // namespace
} // namespace qb::test
