// Help, usage errors and the addressing of stores, folders and messages.
#include "cli_harness.h"

namespace qb::test {
namespace {

const std::vector<std::string> kCommands = {
    "folders",     "list",        "records",     "header", "show",    "add",
    "delete",      "copy",        "move",        "mkdir",  "rename",  "rmdir",
    "copy-folder", "move-folder", "compact",     "backup", "restore", "mailboxes",
    "discover",    "first-run",   "new-mailbox", "locate"};

class CliUsage : public CliTest {
  protected:
    std::string mail;
    std::string inboxBytes;

    void SetUp() override {
        mail = MakeDir("Mail");
        inboxBytes = NetscapeMessage("Subject: One", "body\n");
        WriteFile(mail + "/Inbox", inboxBytes);
    }
    // The store as it was written: a refused command must leave it so.
    void ExpectStoreUnchanged() {
        EXPECT_EQ(ReadFile(mail + "/Inbox"), inboxBytes);
        EXPECT_FALSE(std::filesystem::exists(mail + "/Inbox.sbd"));
    }
};

TEST_F(CliUsage, HelpNamesEveryCommandWithUsageAndExample) {
    CliResult top = Run({"--help"});
    EXPECT_EQ(top.status, 0) << top;
    EXPECT_EQ(top.err, "");
    for (const std::string& command : kCommands) {
        EXPECT_NE(top.out.find("\n  " + command + " "), std::string::npos) << command;
        CliResult help = Run({command, "--help"});
        EXPECT_EQ(help.status, 0) << help;
        EXPECT_NE(help.out.find("Usage: quillbox-cli " + command), std::string::npos) << help;
        const std::string example = "Example:\n  quillbox-cli " + command;
        const std::size_t at = help.out.find(example);
        ASSERT_NE(at, std::string::npos) << help;
        const char after = help.out[at + example.size()];
        EXPECT_TRUE(after == ' ' || after == '\n') << help;
    }
}

TEST_F(CliUsage, WrongUsageExitsTwoAndChangesNothing) {
    const std::vector<std::vector<std::string>> cases = {
        {},
        {"no-such-command"},
        {"list"},
        {"list", "netscape:" + mail},
        {"list", "netscape:" + mail, "Inbox", "extra"},
        {"header", "netscape:" + mail, "Inbox", "first"},
        {"show", "netscape:" + mail, "Inbox", "-1"},
        {"delete", "netscape:" + mail, "Inbox", "0", "x1"},
        {"delete", "netscape:" + mail, "Inbox"},
        {"copy", "netscape:" + mail, "Inbox", "0"},
        {"copy", "netscape:" + mail, "Inbox", "0", "--to", "netscape:" + mail},
        {"move-folder", "netscape:" + mail, "Inbox", "--to", "netscape:" + mail, "/",
         "--on-conflict", "overwrite"},
        {"mkdir", "netscape:" + mail, "Inbox"},
        {"add", "netscape:" + mail, "Inbox"},
        {"list", "--bogus", "netscape:" + mail, "Inbox"},
        {"locate", "--assign", "X", mail, "mbox"},
        {"locate", "--assign", "X", mail},
    };
    for (const auto& args : cases) {
        CliResult r = Run(args);
        std::string joined;
        for (const auto& a : args)
            joined += a + " ";
        EXPECT_EQ(r.status, 2) << joined << "\n" << r;
        EXPECT_EQ(r.out, "") << joined;
        EXPECT_NE(r.err, "") << joined;
    }
    ExpectStoreUnchanged();
    EXPECT_FALSE(std::filesystem::exists(RegistryPath()));
}

TEST_F(CliUsage, AddressesThatNameNothingFailWithOneLine) {
    const std::string gone = dir / "gone";
    struct Case {
        std::vector<std::string> args;
        std::string text;
    };
    const std::vector<Case> cases = {
        {{"folders", "netscape:" + gone}, "Specified directory not found"},
        {{"folders", "imn:" + gone}, "Specified directory not found"},
        {{"folders", "netscape:" + mail + "/Inbox"}, "Specified directory not found"},
        {{"folders", "netscape:"}, "Specified directory not found"},
        {{"list", "No Such Mailbox", "Inbox"}, "Mailbox not found"},
        {{"list", "maildir:" + mail, "Inbox"}, "Mailbox not found"},
        {{"list", "netscape:" + mail, "Outbox"}, "Folder not found"},
        {{"list", "netscape:" + mail, "inbox"}, "Folder not found"},
        {{"list", "netscape:" + mail, "Inbox/Sub"}, "Folder not found"},
        {{"header", "netscape:" + mail, "Inbox", "1"}, "Message not found"},
        {{"show", "netscape:" + mail, "Inbox", "99999999999999999999999"}, "Message not found"},
        {{"delete", "netscape:" + mail, "Inbox", "0", "1"}, "Message not found"},
        {{"copy", "netscape:" + mail, "Inbox", "0", "--to", "netscape:" + mail, "Nope"},
         "Folder not found"},
        {{"copy", "netscape:" + mail, "Inbox", "5", "--to", "netscape:" + mail, "Inbox"},
         "Message not found"},
        {{"rmdir", "netscape:" + mail, "Nope"}, "Folder not found"},
        {{"backup", "netscape:" + mail, "Nope", dir / "x.qbf"}, "Folder not found"},
        {{"add", "netscape:" + mail, "Inbox", dir / "missing.eml"},
         "Cannot read message file: " + std::string(dir / "missing.eml")},
    };
    for (const Case& c : cases) {
        CliResult r = Run(c.args);
        EXPECT_CLI_FAILS(r, c.text);
    }
    ExpectStoreUnchanged();
    EXPECT_FALSE(std::filesystem::exists(dir / "x.qbf"));
}

TEST_F(CliUsage, RootIsNamedByEmptyPathOrSlash) {
    std::filesystem::create_directory(mail + "/Inbox.sbd");
    WriteFile(mail + "/Inbox.sbd/Work", NetscapeMessage("Subject: W", "w\n"));
    for (const std::string root : {"", "/"}) {
        CliResult r = Run({"list", "netscape:" + mail, root});
        EXPECT_CLI_OK(r);
        EXPECT_EQ(r.out, ""); // a root stands for the directory and lists no messages
    }
    CliResult r = Run({"list", "netscape:" + mail, "/Inbox/Work/"});
    EXPECT_CLI_OK(r);
    EXPECT_EQ(r.out, "0\t0\t W\t\t\t\n");
}

TEST_F(CliUsage, RegistryComesFromOptionThenEnvironmentThenConfigDirectory) {
    const std::string other = dir / "other.reg";
    // new-mailbox writes the registry it was pointed at, and only that one.
    CliResult r = Run({"--registry", other, "new-mailbox", "A", mail});
    EXPECT_CLI_OK(r);
    EXPECT_TRUE(std::filesystem::exists(other));
    EXPECT_FALSE(std::filesystem::exists(RegistryPath()));
    r = Run({"--registry", other, "mailboxes"});
    EXPECT_EQ(r.out, "A\t" + mail + "\tNavigator Mail\trw\n");
    // The environment variable when no option is given.
    r = Run({"mailboxes"});
    EXPECT_CLI_OK(r);
    EXPECT_EQ(r.out, "");
    r = RunWith(Environment(false), {"new-mailbox", "B", mail + "/Inbox.sbd", "--create-dir"});
    EXPECT_CLI_OK(r);
    const std::string standard = dir / "config/Velmora/Quillbox.reg";
    EXPECT_TRUE(std::filesystem::exists(standard));
    EXPECT_NE(ReadFile(standard).find(
                  "[HKEY_CURRENT_USER\\Software\\Velmora\\Quillbox\\Managed Mails\\B]"),
              std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(RegistryPath()));
    // A registered name works as STORE.
    r = Run({"--registry", other, "list", "a", "Inbox"});
    EXPECT_CLI_OK(r);
    EXPECT_EQ(r.out, "0\t0\t One\t\t\t\n");
}

} // namespace
} // namespace qb::test
