// Backup and restore through archive files, into both store formats, and damaged archives.
#include "cli_harness.h"

#include <cstdint>

namespace qb::test {
namespace {

class CliArchive : public CliTest {
  protected:
    std::string mail;
    std::string imn;

    void SetUp() override {
        mail = MakeDir("Mail");
        WriteFile(mail + "/Inbox", NetscapeMessage("Subject: One\nFrom: a@x", "1a\n1b\n") +
                                       NetscapeMessage("Subject: Two", "2\n", "0009") +
                                       NetscapeMessage("Subject: Three", "3\n"));
        MakeDir("Mail/Inbox.sbd");
        WriteFile(mail + "/Inbox.sbd/Work", NetscapeMessage("Subject: Wk", "w\n"));
        imn = MakeDir("imn");
    }
    std::string Ns() const { return "netscape:" + mail; }
    std::string Imn() const { return "imn:" + imn; }
    std::string Out(const std::vector<std::string>& args) {
        CliResult r = Run(args);
        EXPECT_CLI_OK(r);
        return r.out;
    }
};

TEST_F(CliArchive, BackupAndRestoreIntoBothFormats) {
    EXPECT_EQ(Run({"backup", Ns(), "Inbox", "inbox.qbf"}).status, 0);
    ASSERT_TRUE(std::filesystem::exists(dir / "inbox.qbf"));
    const std::string shown = Out({"show", Ns(), "Inbox", "1"});

    // Into another Netscape store: the folder with its sub-folders, live messages only.
    const std::string other = MakeDir("Other");
    EXPECT_CLI_OK(Run({"restore", "inbox.qbf", "netscape:" + other}));
    EXPECT_EQ(Out({"folders", "netscape:" + other}), "Inbox\nInbox/Work\n");
    EXPECT_EQ(Out({"list", "netscape:" + other, "Inbox"}),
              "0\t0\t One\t a@x\t\t\n1\t1\t Three\t\t\t\n");
    EXPECT_EQ(Out({"show", "netscape:" + other, "Inbox", "1"}), shown);
    EXPECT_EQ(Out({"list", "netscape:" + other, "Inbox/Work"}), "0\t0\t Wk\t\t\t\n");
    // A second restore merges into the folder the first one made.
    EXPECT_CLI_OK(Run({"restore", "inbox.qbf", "netscape:" + other}));
    EXPECT_EQ(Out({"folders", "netscape:" + other}), "Inbox\nInbox/Work\n");
    EXPECT_EQ(Out({"list", "netscape:" + other, "Inbox/Work"}),
              "0\t0\t Wk\t\t\t\n1\t1\t Wk\t\t\t\n");

    // Into an Internet Mail store: the messages, and a warning for the sub-folders.
    CliResult r = Run({"restore", dir / "inbox.qbf", Imn()});
    EXPECT_EQ(r.status, 0) << r;
    EXPECT_EQ(r.err, "Warning : Sub Folders not restored\n");
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(Out({"folders", Imn()}), "Inbox\n");
    EXPECT_EQ(Out({"list", Imn(), "Inbox"}), "0\t1\t One\t a@x\t\t\n1\t2\t Three\t\t\t\n");
    EXPECT_EQ(Out({"show", Imn(), "Inbox", "1"}), shown);
}

TEST_F(CliArchive, BackupOfARootHoldsTheWholeStore) {
    EXPECT_CLI_OK(Run({"backup", Ns(), "/", "all.qbf"}));
    const std::string other = MakeDir("Other");
    EXPECT_CLI_OK(Run({"restore", "all.qbf", "netscape:" + other}));
    // The archived root is named after the store directory.
    EXPECT_EQ(Out({"folders", "netscape:" + other}), "Mail\nMail/Inbox\nMail/Inbox/Work\n");
    EXPECT_EQ(Out({"list", "netscape:" + other, "Mail/Inbox/Work"}), "0\t0\t Wk\t\t\t\n");
}

TEST_F(CliArchive, FilesThatCannotBeOpened) {
    EXPECT_CLI_FAILS(Run({"backup", Ns(), "Inbox", ""}), "Please input file name");
    EXPECT_CLI_FAILS(Run({"restore", "", Ns()}), "Please input file name");
    EXPECT_CLI_FAILS(Run({"backup", Ns(), "Inbox", dir.path()}), "Cannot open file");
    EXPECT_CLI_FAILS(Run({"restore", mail, Ns()}), "Cannot open file");
    // The reason follows the text on a line of its own.
    EXPECT_CLI_FAILS(Run({"backup", Ns(), "Inbox", dir / "no/such/dir/x.qbf"}),
                     "Cannot open file\n" + dir / "no/such/dir/x.qbf" +
                         ": No such file or directory");
    EXPECT_CLI_FAILS(Run({"restore", dir / "missing.qbf", Ns()}), "Cannot open file");
    EXPECT_EQ(Out({"folders", Ns()}), "Inbox\nInbox/Work\n");
}

TEST_F(CliArchive, ABackupReplacesAnEarlierFileWhole) {
    WriteFile(dir / "x.qbf", std::string(100000, 'x'));
    EXPECT_CLI_OK(Run({"backup", Ns(), "Inbox/Work", "x.qbf"}));
    const std::string written = ReadFile(dir / "x.qbf");
    EXPECT_LT(written.size(), 1000u);
    EXPECT_EQ(written.substr(0, 5), std::string("\x04Work"));
}

TEST_F(CliArchive, DamagedArchivesNameTheirCauseAndChangeNothing) {
    const std::string full = dir / "bad.qbf";
    const ArchiveMessage a = ArchiveMessage::Stored("Subject: A\r\n", {"a"});
    ArchiveBytes good;
    good.Folder("Box", 2)
        .ClassDescription()
        .Message(a)
        .ClassReference()
        .Message(ArchiveMessage::Stored("Subject: B\r\n", {"b"}))
        .D(0);
    ArchiveBytes otherClass;
    otherClass.Folder("Box", 1).ClassDescription("CMessagX").Message(a).D(0);
    ArchiveBytes schema;
    schema.Folder("Box", 1).ClassDescription("CMessage", 2).Message(a).D(0);
    ArchiveBytes nullObject;
    nullObject.Folder("Box", 1).W(0).Raw(std::string(64, '\0')).D(0);

    struct Case {
        std::string bytes;
        std::string text;
    };
    const std::vector<Case> cases = {
        {good.str.substr(0, good.str.size() - 7),
         "An attempt was made to access " + full + " past its end."},
        {otherClass.str, full + " contained an unexpected object."},
        {schema.str, full + " contains an incorrect schema."},
        {nullObject.str, full + " has a bad format."},
        {"", "An attempt was made to access " + full + " past its end."},
    };
    for (const std::string& store : {Ns(), Imn()}) {
        for (const Case& c : cases) {
            WriteFile(full, c.bytes);
            const CliResult r = Run({"restore", "bad.qbf", store});
            EXPECT_EQ(r.status, 1) << r;
            // The text, then where the damage lies in a file that holds anything.
            const std::vector<std::string> lines = Lines(r.err);
            ASSERT_EQ(lines.size(), c.bytes.empty() ? 1u : 2u) << r;
            EXPECT_EQ(lines[0], c.text);
            if (lines.size() == 2) {
                EXPECT_TRUE(lines[1].starts_with("Damaged at byte ")) << r;
                EXPECT_TRUE(lines[1].ends_with(" of " + std::to_string(c.bytes.size()))) << r;
            }
        }
    }
    EXPECT_EQ(Out({"folders", Ns()}), "Inbox\nInbox/Work\n");
    EXPECT_EQ(Out({"folders", Imn()}), "");

    // The well-formed archive restores.
    WriteFile(full, good.str);
    EXPECT_CLI_OK(Run({"restore", "bad.qbf", Imn()}));
    EXPECT_EQ(Out({"list", Imn(), "Box"}), "0\t1\t A\t\t\t\n1\t2\t B\t\t\t\n");
}

TEST_F(CliArchive, RestoreFailureWhenTheFolderCannotBeMade) {
    // A folder name no store accepts.
    ArchiveBytes bad;
    bad.Folder("../out", 1)
        .ClassDescription()
        .Message(ArchiveMessage::Stored("Subject: A\r\n", {"a"}))
        .D(0);
    WriteFile(dir / "x.qbf", bad.str);
    EXPECT_CLI_FAILS(Run({"restore", "x.qbf", Ns()}), "Restore failure");
    EXPECT_CLI_FAILS(Run({"restore", "x.qbf", Imn()}), "Restore failure");
    EXPECT_FALSE(std::filesystem::exists(dir / "out"));
    EXPECT_EQ(Out({"folders", Ns()}), "Inbox\nInbox/Work\n");
    EXPECT_EQ(Out({"folders", Imn()}), "");
}

} // namespace
} // namespace qb::test
