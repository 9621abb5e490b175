// Folder commands: mkdir, rename, rmdir, copy-folder, move-folder (with the same-name question),
// and compact.
#include "cli_harness.h"

#include <algorithm>
#include <set>
#include <sstream>

namespace qb::test {
namespace {

class CliFolders : public CliTest {
  protected:
    std::string mail;
    std::string imn;

    void SetUp() override {
        mail = MakeDir("Mail");
        WriteFile(mail + "/Inbox", NetscapeMessage("Subject: In", "i\n"));
        MakeDir("Mail/Inbox.sbd");
        WriteFile(mail + "/Inbox.sbd/Work", NetscapeMessage("Subject: Wk", "w\n"));
        WriteFile(mail + "/Inbox.snm", "summary");
        WriteFile(mail + "/Archive", "");
        imn = MakeDir("imn");
    }
    std::string Ns() const { return "netscape:" + mail; }
    std::string Imn() const { return "imn:" + imn; }

    // The folder paths of a store, as a set (siblings come in directory order).
    std::set<std::string> Folders(const std::string& store) {
        CliResult r = Run({"folders", store});
        EXPECT_CLI_OK(r);
        std::set<std::string> paths;
        std::istringstream in(r.out);
        for (std::string line; std::getline(in, line);)
            paths.insert(line);
        return paths;
    }
    std::string List(const std::string& store, const std::string& folder) {
        CliResult r = Run({"list", store, folder});
        EXPECT_CLI_OK(r);
        return r.out;
    }
};

TEST_F(CliFolders, MkdirCreatesAndRefuses) {
    EXPECT_CLI_OK(Run({"mkdir", Ns(), "Inbox/Work", "Deep"}));
    EXPECT_CLI_OK(Run({"mkdir", Ns(), "/", "New"}));
    EXPECT_TRUE(std::filesystem::exists(mail + "/Inbox.sbd/Work.sbd/Deep"));
    EXPECT_EQ(Folders(Ns()),
              (std::set<std::string>{"Inbox", "Inbox/Work", "Inbox/Work/Deep", "Archive", "New"}));
    const auto before = Folders(Ns());
    EXPECT_CLI_FAILS(Run({"mkdir", Ns(), "Inbox", ""}), "Please input a folder name");
    EXPECT_CLI_FAILS(Run({"mkdir", Ns(), "Inbox", "Work"}), "Cannot create new folder");
    EXPECT_CLI_FAILS(Run({"mkdir", Ns(), "Inbox", "../escape"}),
                     "Cannot create new folder\nA folder name may not contain \"/\"");
    EXPECT_CLI_FAILS(Run({"mkdir", Ns(), "Inbox", ".."}),
                     "Cannot create new folder\nA folder may not be named \"..\"");
    EXPECT_CLI_FAILS(Run({"mkdir", Ns(), "Inbox", "x.snm"}),
                     "Cannot create new folder\nThe store keeps names like this one for its own "
                     "files");
    EXPECT_EQ(Folders(Ns()), before);
    EXPECT_FALSE(std::filesystem::exists(dir / "escape"));
    // Internet Mail keeps one level of folders below its root.
    EXPECT_CLI_OK(Run({"mkdir", Imn(), "", "Inbox"}));
    EXPECT_CLI_FAILS(Run({"mkdir", Imn(), "Inbox", "Sub"}), "Cannot create new folder");
    EXPECT_EQ(Folders(Imn()), std::set<std::string>{"Inbox"});
}

TEST_F(CliFolders, RenameMovesTheFolderWithItsSubFolders) {
    EXPECT_CLI_OK(Run({"rename", Ns(), "Inbox", "Mail 2001"}));
    EXPECT_EQ(Folders(Ns()), (std::set<std::string>{"Mail 2001", "Mail 2001/Work", "Archive"}));
    EXPECT_EQ(List(Ns(), "Mail 2001/Work"), "0\t0\t Wk\t\t\t\n");
    EXPECT_FALSE(std::filesystem::exists(mail + "/Inbox"));

    EXPECT_CLI_FAILS(Run({"rename", Ns(), "/", "X"}), "Cannot rename root folder");
    EXPECT_CLI_FAILS(Run({"rename", Ns(), "Mail 2001", ""}), "Please input a folder name");
    // A sibling's name: the file is never moved over another.
    const std::string archive = ReadFile(mail + "/Archive");
    EXPECT_CLI_FAILS(Run({"rename", Ns(), "Mail 2001", "Archive"}), "Cannot rename folder");
    EXPECT_EQ(ReadFile(mail + "/Archive"), archive);
    EXPECT_EQ(List(Ns(), "Mail 2001"), "0\t0\t In\t\t\t\n");
}

TEST_F(CliFolders, RmdirDeletesTheFolderTree) {
    EXPECT_CLI_FAILS(Run({"rmdir", Ns(), "/"}), "Cannot delete a root folder");
    EXPECT_CLI_FAILS(Run({"rmdir", Ns(), ""}), "Cannot delete a root folder");
    EXPECT_CLI_OK(Run({"rmdir", Ns(), "Inbox"}));
    EXPECT_EQ(Folders(Ns()), std::set<std::string>{"Archive"});
    EXPECT_FALSE(std::filesystem::exists(mail + "/Inbox"));
    EXPECT_FALSE(std::filesystem::exists(mail + "/Inbox.snm"));
    EXPECT_FALSE(std::filesystem::exists(mail + "/Inbox.sbd"));
}

// The refusal rules themselves are the application layer's (and tested there); here, that a
// refusal is reported as such and changes nothing.
TEST_F(CliFolders, MoveAndCopyRefusals) {
    struct Case {
        std::vector<std::string> args;
        const char* text;
    };
    const std::vector<Case> cases = {
        {{"move-folder", Ns(), "/", "--to", Ns(), "Archive"}, "Cannot move a root folder"},
        {{"copy-folder", Ns(), "Inbox", "--to", Ns(), "Inbox/Work"},
         "Cannot copy a folder to its subfolder"},
    };
    const auto before = Folders(Ns());
    for (const Case& c : cases)
        EXPECT_CLI_FAILS(Run(c.args), c.text);
    EXPECT_EQ(Folders(Ns()), before);
    EXPECT_EQ(List(Ns(), "Inbox"), "0\t0\t In\t\t\t\n");
}

TEST_F(CliFolders, SameNameQuestionAnsweredByOnConflict) {
    // Archive/Inbox exists (other case): the question is asked.
    MakeDir("Mail/Archive.sbd");
    WriteFile(mail + "/Archive.sbd/inbox", NetscapeMessage("Subject: Old", "o\n"));

    // cancel: nothing happens, and that is no error.
    CliResult r =
        Run({"copy-folder", Ns(), "Inbox", "--to", Ns(), "Archive", "--on-conflict", "cancel"});
    EXPECT_CLI_OK(r);
    EXPECT_EQ(Folders(Ns()),
              (std::set<std::string>{"Inbox", "Inbox/Work", "Archive", "Archive/inbox"}));

    // rename (the default): a free name is made.
    EXPECT_CLI_OK(Run({"copy-folder", Ns(), "Inbox", "--to", Ns(), "Archive"}));
    EXPECT_CLI_OK(
        Run({"copy-folder", Ns(), "Inbox", "--to", Ns(), "Archive", "--on-conflict", "rename"}));
    EXPECT_EQ(Folders(Ns()),
              (std::set<std::string>{"Inbox", "Inbox/Work", "Archive", "Archive/inbox",
                                     "Archive/Inbox(1)", "Archive/Inbox(1)/Work",
                                     "Archive/Inbox(2)", "Archive/Inbox(2)/Work"}));
    EXPECT_EQ(List(Ns(), "Archive/Inbox(2)/Work"), "0\t0\t Wk\t\t\t\n");

    // merge: the messages join the existing folder of that name; a move then removes the source.
    EXPECT_CLI_OK(
        Run({"move-folder", Ns(), "Inbox", "--to", Ns(), "Archive", "--on-conflict", "merge"}));
    const auto after = Folders(Ns());
    EXPECT_EQ(after.count("Inbox"), 0u);
    EXPECT_EQ(after.count("Archive/inbox"), 1u);
    EXPECT_EQ(List(Ns(), "Archive/inbox"), "0\t0\t Old\t\t\t\n1\t1\t In\t\t\t\n");
    EXPECT_EQ(List(Ns(), "Archive/inbox/Work"), "0\t0\t Wk\t\t\t\n");
}

TEST_F(CliFolders, FolderIntoInternetMailStore) {
    EXPECT_CLI_OK(Run({"mkdir", Imn(), "/", "Box"}));
    // Its sub-folders cannot follow: a warning, exit 0, and a move keeps the source.
    CliResult r = Run({"move-folder", Ns(), "Inbox", "--to", Imn(), "/"});
    EXPECT_EQ(r.status, 0) << r;
    EXPECT_EQ(r.err, "Warning : Sub Folders not copied\n");
    EXPECT_EQ(List(Imn(), "Inbox"), "0\t1\t In\t\t\t\n");
    EXPECT_EQ(List(Ns(), "Inbox"), "0\t0\t In\t\t\t\n");

    r = Run({"copy-folder", Ns(), "Inbox/Work", "--to", Imn(), ""});
    EXPECT_CLI_OK(r);
    EXPECT_EQ(Folders(Imn()), (std::set<std::string>{"Box", "Inbox", "Work"}));
    // Below its root the store holds no folders.
    EXPECT_CLI_FAILS(Run({"copy-folder", Ns(), "Archive", "--to", Imn(), "Box"}),
                     "Cannot create folder in destination folder");
    EXPECT_EQ(Folders(Imn()), (std::set<std::string>{"Box", "Inbox", "Work"}));
    // Back into Netscape, a move without sub-folders removes the source.
    EXPECT_CLI_OK(Run({"move-folder", Imn(), "Work", "--to", Ns(), "Archive"}));
    EXPECT_EQ(Folders(Imn()), (std::set<std::string>{"Box", "Inbox"}));
    EXPECT_EQ(List(Ns(), "Archive/Work"), "0\t0\t Wk\t\t\t\n");
}

TEST_F(CliFolders, CompactDropsDeletedMessages) {
    WriteFile(mail + "/Inbox.sbd/Work",
              NetscapeMessage("Subject: Keep", "k\n") + NetscapeMessage("Subject: Drop", "d\n"));
    EXPECT_CLI_OK(Run({"delete", Ns(), "Inbox/Work", "1"}));
    const std::string marked = ReadFile(mail + "/Inbox.sbd/Work");
    EXPECT_NE(marked.find("Drop"), std::string::npos); // removal only marks the message

    // A folder compacts its own subtree only.
    WriteFile(mail + "/Archive", NetscapeMessage("Subject: Gone", "g\n", "0009"));
    EXPECT_CLI_OK(Run({"compact", Ns(), "Inbox"}));
    EXPECT_EQ(ReadFile(mail + "/Inbox.sbd/Work"), NetscapeMessage("Subject: Keep", "k\n"));
    EXPECT_NE(ReadFile(mail + "/Archive").find("Gone"), std::string::npos);
    // The whole store.
    CliResult r = Run({"compact", Ns()});
    EXPECT_CLI_OK(r);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(ReadFile(mail + "/Archive"), "");
    EXPECT_EQ(List(Ns(), "Inbox/Work"), "0\t0\t Keep\t\t\t\n");

    // Internet Mail.
    EXPECT_CLI_OK(Run({"mkdir", Imn(), "/", "Inbox"}));
    EXPECT_CLI_OK(Run({"add", Imn(), "Inbox", MessageFile("a.eml", "Subject: A\n\na\n"),
                       MessageFile("b.eml", "Subject: B\n\nb\n")}));
    EXPECT_CLI_OK(Run({"delete", Imn(), "Inbox", "0"}));
    const auto size = std::filesystem::file_size(imn + "/Inbox.mbx");
    EXPECT_CLI_OK(Run({"compact", Imn()}));
    EXPECT_LT(std::filesystem::file_size(imn + "/Inbox.mbx"), size);
    EXPECT_EQ(List(Imn(), "Inbox"), "0\t1\t B\t\t\t\n"); // numbered afresh
}

TEST_F(CliFolders, CompactShowsProgressOnlyOnATerminal) {
    // On a terminal: one line, rewritten in place and cleared at the end.
    CliResult r = RunOnTerminal({"compact", Ns()});
    EXPECT_EQ(r.status, 0) << r;
    EXPECT_NE(r.err.find("\rCompacting Mailbox 'Mail', please wait.\x1b[K"), std::string::npos)
        << r.err;
    EXPECT_EQ(r.err.find('\n'), std::string::npos) << r.err;
    EXPECT_EQ(r.err.substr(r.err.size() - 4), "\r\x1b[K");
    // Elsewhere nothing (the other compact tests check an empty standard error).
    EXPECT_CLI_OK(Run({"compact", Ns()}));
}

TEST_F(CliFolders, CompactFailureIsReported) {
    // A folder the store cannot rewrite: a directory where a folder file should be.
    MakeDir("Mail/Broken");
#ifdef _WIN32
    // Windows refuses to open a directory as a file, and the refusal's reason is shown.
    const std::string why = " (" + mail + "/Broken: Permission denied)";
#else
    const std::string why;
#endif
    CliResult r = Run({"compact", Ns(), "Broken"});
    EXPECT_CLI_FAILS(r, "Cannot compact folders\nNot compacted: Mail/Broken" + why);
    r = Run({"compact", Ns()});
    EXPECT_EQ(r.status, 1) << r;
    EXPECT_EQ(r.err, "Cannot compact folders\nNot compacted: Mail/Broken" + why + "\n");
    EXPECT_EQ(List(Ns(), "Inbox"), "0\t0\t In\t\t\t\n");
}

} // namespace
} // namespace qb::test
