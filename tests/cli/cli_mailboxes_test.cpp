// Mailbox commands over a registry file in the test's own directory.
#include "cli_harness.h"

namespace qb::test {
namespace {

class CliMailboxes : public CliTest {
  protected:
    std::string alice; // a Communicator profile directory
    std::string imnRoot;
    std::string navigator;

    void SetUp() override {
        alice = MakeDir("profiles/alice");
        MakeDir("profiles/alice/Mail");
        imnRoot = MakeDir("imnroot");
        MakeDir("imnroot/Mail");
        navigator = MakeDir("navmail");
    }
    // Other clients' keys, as discovery reads them.
    void WriteClientKeys() {
        WriteFile(RegistryPath(),
                  "REGEDIT4\n\n"
                  "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Netscape\\Netscape Navigator\\Users]\n\n"
                  "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Netscape\\Netscape Navigator\\Users\\alice]\n"
                  "\"DirRoot\"=\"" +
                      alice +
                      "\"\n\n"
                      "[HKEY_CURRENT_USER\\Software\\Microsoft\\Internet Mail and News]\n"
                      "\"Store Root\"=\"" +
                      imnRoot +
                      "\"\n\n"
                      "[HKEY_CURRENT_USER\\Software\\Netscape\\Netscape Navigator\\Mail]\n"
                      "\"Mail Directory\"=\"" +
                      navigator + "\"\n");
    }
    std::string Discovered() const {
        return "alice\t" + alice + "/Mail\tCommunicator User\n" + "Internet Mail\t" + imnRoot +
               "/Mail\tMicrosoft IM\n" + "Netscape Mail\t" + navigator + "\tNavigator Mail\n";
    }
    // `mailboxes` lines: the discovery lines with a fourth column, "rw" unless named read-only.
    static std::string Registered(const std::string& lines, const std::string& readOnly = "") {
        std::string out;
        for (std::size_t at = 0, end; (end = lines.find('\n', at)) != std::string::npos;
             at = end + 1) {
            const std::string line = lines.substr(at, end - at);
            out += line + (line.substr(0, line.find('\t')) == readOnly ? "\tro\n" : "\trw\n");
        }
        return out;
    }
    std::string Mailboxes() {
        CliResult r = Run({"mailboxes"});
        EXPECT_CLI_OK(r);
        return r.out;
    }
};

TEST_F(CliMailboxes, DiscoverAndFirstRun) {
    CliResult r = Run({"discover"});
    EXPECT_CLI_OK(r);
    EXPECT_EQ(r.out, ""); // no other client recorded anything
    EXPECT_EQ(Mailboxes(), "");

    WriteClientKeys();
    r = Run({"discover"});
    EXPECT_CLI_OK(r);
    EXPECT_EQ(r.out, Discovered());
    // Discovery alone registers nothing.
    EXPECT_EQ(Mailboxes(), "");

    EXPECT_CLI_OK(Run({"first-run"}));
    // Registered mailboxes enumerate alphabetically without regard to case.
    EXPECT_EQ(Mailboxes(), Registered(Discovered()));
    // The registered stores are addressable by name.
    EXPECT_CLI_OK(Run({"mkdir", "NETSCAPE MAIL", "/", "Inbox"}));
    EXPECT_TRUE(std::filesystem::exists(navigator + "/Inbox"));

    // A later first run registers nothing, even what was removed since.
    EXPECT_CLI_OK(Run({"locate", "--remove", "alice"}));
    EXPECT_CLI_OK(Run({"first-run"}));
    EXPECT_EQ(Mailboxes().find("alice"), std::string::npos);

    // On a fresh registry, a found store whose files contradict its type is left out and named.
    WriteClientKeys();
    WriteFile(alice + "/Mail/Inbox.mbx", "x");
    r = Run({"first-run"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "alice: The directory holds Internet Mail files (Inbox.mbx); it cannot be "
                     "registered as a Netscape store\n");
    EXPECT_EQ(Mailboxes(), Registered(Discovered().substr(Discovered().find('\n') + 1)));
}

TEST_F(CliMailboxes, NewMailboxRegistersANetscapeStore) {
    const std::string box = MakeDir("box");
    EXPECT_CLI_OK(Run({"new-mailbox", "Box", "  " + box + "/ "}));
    EXPECT_EQ(Mailboxes(), "Box\t" + box + "\tNavigator Mail\trw\n");

    // The dialog's refusals, in its order, each leaving the registry as it was.
    const std::string registry = ReadFile(RegistryPath());
    const std::string file = dir / "plainfile";
    WriteFile(file, "x");
    struct Case {
        std::vector<std::string> args;
        std::string text;
    };
    const std::vector<Case> cases = {
        {{"new-mailbox", "", box}, "Please input a name"},
        {{"new-mailbox", "bOX", dir / "elsewhere"}, "There has been a mailbox which has same name"},
        {{"new-mailbox", "Other", "   "}, "Please input a directory"},
        {{"new-mailbox", "Other", box + "/"}, "There has been a mailbox which use same directory"},
        {{"new-mailbox", "Other", dir / "missing"}, "Specified directory not exsit, create it?"},
        {{"new-mailbox", "Other", file}, "Specified directory not exsit, create it?"},
        {{"new-mailbox", "Other", file, "--create-dir"}, "Cannot create directory"},
    };
    for (const Case& c : cases)
        EXPECT_CLI_FAILS(Run(c.args), c.text);
    EXPECT_EQ(ReadFile(RegistryPath()), registry);
    EXPECT_FALSE(std::filesystem::exists(dir / "missing"));

    // With --create-dir the question is answered Yes.
    EXPECT_CLI_OK(Run({"new-mailbox", "Other", dir / "missing", "--create-dir"}));
    EXPECT_TRUE(std::filesystem::is_directory(dir / "missing"));
    EXPECT_EQ(Mailboxes(), Registered("Box\t" + box + "\tNavigator Mail\nOther\t" +
                                      (dir / "missing") + "\tNavigator Mail\n"));
    // The new mailbox is an empty Netscape store ready for folders.
    EXPECT_CLI_OK(Run({"mkdir", "other", "", "Inbox"}));
    EXPECT_TRUE(std::filesystem::exists(dir / "missing/Inbox"));
}

TEST_F(CliMailboxes, LocateMovesAndAssignsInOrder) {
    WriteClientKeys();
    const std::string old = MakeDir("old");
    CliResult r = Run({"locate", "--add", "netscape mail", "--assign", "Old", old + "/",
                       "internet-mail", "--add", "alice"});
    EXPECT_CLI_OK(r);
    const std::string managed = "alice\t" + alice + "/Mail\tCommunicator User\n" +
                                "Netscape Mail\t" + navigator + "\tNavigator Mail\n" + "Old\t" +
                                old + "\tMicrosoft IM\n";
    EXPECT_EQ(Mailboxes(), Registered(managed));
    // The found list no longer offers what is managed.
    EXPECT_CLI_FAILS(Run({"locate", "--add", "alice"}), "Mailbox not found");

    // A removed name is free for an assignment later in the same command, not earlier.
    const std::string registry = ReadFile(RegistryPath());
    EXPECT_CLI_FAILS(Run({"locate", "--assign", "old", old, "navigator", "--remove", "Old"}),
                     "There has been a mailbox which has same name");
    EXPECT_EQ(ReadFile(RegistryPath()), registry);
    EXPECT_CLI_OK(Run({"locate", "--remove", "Old", "--assign", "old", old, "navigator"}));
    EXPECT_NE(Mailboxes().find("old\t" + old + "\tNavigator Mail\trw\n"), std::string::npos);

    // The read-only mark is set and cleared in step order, and a store keeps it on its way back
    // through the found list.
    EXPECT_CLI_OK(Run({"locate", "--read-only", "ALICE", "--read-only", "old", "--writable", "old",
                       "--remove", "alice", "--add", "alice"}));
    EXPECT_NE(Mailboxes().find("alice\t" + alice + "/Mail\tCommunicator User\tro\n"),
              std::string::npos);
    EXPECT_NE(Mailboxes().find("old\t" + old + "\tNavigator Mail\trw\n"), std::string::npos);
    const std::string marked = ReadFile(RegistryPath());
    EXPECT_CLI_FAILS(Run({"locate", "--writable", "alice", "--read-only", "Internet Mail"}),
                     "Mailbox not found");
    EXPECT_EQ(ReadFile(RegistryPath()), marked);

    // Without any step, OK writes the managed list back unchanged.
    const std::string before = Mailboxes();
    EXPECT_CLI_OK(Run({"locate"}));
    EXPECT_EQ(Mailboxes(), before);
}

TEST_F(CliMailboxes, LocateRefusalsWriteNothing) {
    WriteClientKeys();
    const std::string registry = ReadFile(RegistryPath());
    const std::string file = dir / "plainfile";
    WriteFile(file, "x");
    struct Case {
        std::vector<std::string> args;
        std::string text;
    };
    const std::vector<Case> cases = {
        {{"locate", "--add", "alice", "--add", "nobody"}, "Mailbox not found"},
        {{"locate", "--remove", "alice"}, "Mailbox not found"},
        {{"locate", "--add", "alice", "--assign", "", navigator, "navigator"},
         "Please input a name"},
        {{"locate", "--add", "alice", "--assign", "ALICE", navigator, "navigator"},
         "There has been a mailbox which has same name"},
        {{"locate", "--add", "alice", "--assign", "N", alice + "/MAIL", "communicator"},
         "There has been a mailbox use same directory"},
        {{"locate", "--assign", "N", " ", "navigator"}, "Please input a directory"},
        {{"locate", "--assign", "N", dir / "nowhere", "navigator"},
         "Specified directory not found"},
        {{"locate", "--assign", "N", file, "navigator"}, "Not a directory name"},
        // A directory whose files say it is of the other format.
        {{"locate", "--assign", "N", imnRoot + "/Mail", "navigator"},
         "The directory holds Internet Mail files (Inbox.mbx); it cannot be registered as a "
         "Netscape store"},
        {{"locate", "--add", "Netscape Mail"},
         "Netscape Mail: The directory holds Internet Mail files (Old.idx); it cannot be "
         "registered as a Netscape store"},
        {{"new-mailbox", "N", imnRoot + "/Mail"},
         "The directory holds Internet Mail files (Inbox.mbx); it cannot be registered as a "
         "Netscape store"},
    };
    WriteFile(imnRoot + "/Mail/Inbox.mbx", "x");
    WriteFile(navigator + "/Old.idx", "x");
    for (const Case& c : cases)
        EXPECT_CLI_FAILS(Run(c.args), c.text);
    EXPECT_EQ(ReadFile(RegistryPath()), registry);
    EXPECT_EQ(Mailboxes(), "");
}

TEST_F(CliMailboxes, DamagedRegistryFileIsReportedAndKept) {
    const std::string damaged = "not a registry\n[HKEY_CURRENT_USER\\x]\n\"v\"=\"unterminated\n";
    WriteFile(RegistryPath(), damaged);
    const std::string mail = MakeDir("Mail");
    for (const std::vector<std::string>& args :
         std::vector<std::vector<std::string>>{{"mailboxes"},
                                               {"discover"},
                                               {"first-run"},
                                               {"new-mailbox", "X", mail},
                                               {"locate"},
                                               {"list", "X", "Inbox"}}) {
        CliResult r = Run(args);
        EXPECT_EQ(r.status, 1) << args[0] << "\n" << r;
        EXPECT_NE(r.err, "") << args[0];
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    }
    EXPECT_EQ(ReadFile(RegistryPath()), damaged);
    // Stores named by directory need no registry.
    EXPECT_CLI_OK(Run({"folders", "netscape:" + mail}));
}

} // namespace
} // namespace qb::test
