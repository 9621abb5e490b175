// discover and first-run on a fake home holding a Wine prefix, Netscape for Unix and a
// Thunderbird profile.
#include "cli_harness.h"

#include "platform/registry_file.h"

#include <algorithm>
#include <filesystem>
#include <sstream>

namespace qb::test {
namespace {

namespace stdfs = std::filesystem;

class CliDiscovery : public CliTest {
  protected:
    std::string home = dir.path();
    // Paths reached through a drive link come out with every link resolved.
    std::string real = stdfs::canonical(dir.path()).string();

    void File(const std::string& name, const std::string& text) {
        stdfs::create_directories(stdfs::path(dir / name).parent_path());
        WriteFile(dir / name, text);
    }
    // Where no symbolic link can be made the home is built without them, and the case about
    // what they lead to is skipped.
    void Link(const std::string& target, const std::string& name) {
        if (!kSymbolicLinks)
            return;
        stdfs::create_directories(stdfs::path(dir / name).parent_path());
        stdfs::create_directory_symlink(target, dir / name);
    }
    void WinePrefix(const std::string& prefix, const std::string& system, const std::string& user) {
        const std::string header =
            "WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n";
        File(prefix + "/system.reg", header + system);
        File(prefix + "/user.reg", header + user);
        MakeDir(prefix + "/drive_c");
        Link("../drive_c", prefix + "/dosdevices/c:");
        Link("/", prefix + "/dosdevices/z:");
    }
    void BuildHome() {
        WriteFile(RegistryPath(), "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Netscape\\Netscape "
                                  "Navigator\\Mail]\n\"Mail Directory\"=\"" +
                                      home + "/navmail\"\n");
        MakeDir("navmail");
        Link(home + "/navmail", "navmail-link");
        MakeDir("nsmail/Inbox.sbd");
        File(".netscape/preferences.js", "// Netscape User Preferences\n"
                                         "user_pref(\"mail.check_new_mail\", true);\n");

        WinePrefix("bottle", "",
                   "[Software\\\\Microsoft\\\\Internet Mail and News] 1\n"
                   "\"Store Root\"=\"C:\\\\IMN\"\n");
        WinePrefix(".wine",
                   "[Software\\\\Netscape\\\\Netscape Navigator\\\\Users\\\\Default] 1600000000\n"
                   "#time=1d6b5f3c2a8e4f0\n"
                   "\"DirRoot\"=\"C:\\\\Program Files\\\\Netscape\\\\Users\\\\default\"\n",
                   "[Software\\\\Microsoft\\\\Internet Mail and News] 1\n"
                   "\"Store Root\"=hex(2):43,00,3a,00,5c,00,69,00,6d,00,6e,00,00,00\n\n"
                   "[Software\\\\Netscape\\\\Netscape Navigator\\\\Mail] 1\n"
                   "\"Mail Directory\"=str(2):\"Z:" +
                       home + "\\\\navmail-link\"\n");
        MakeDir(".wine/drive_c/Program Files/Netscape/Users/Default/Mail");
        MakeDir(".wine/drive_c/IMN/Mail");

        File(".thunderbird/profiles.ini", "[General]\nStartWithLastProfile=1\n\n"
                                          "[Profile0]\nName=default\nIsRelative=1\n"
                                          "Path=abc.default\nDefault=1\n");
        File(".thunderbird/abc.default/prefs.js",
             "user_pref(\"mail.server.server1.type\", \"none\");\n"
             "user_pref(\"mail.server.server1.name\", \"Local Folders\");\n"
             "user_pref(\"mail.server.server1.directory-rel\", \"[ProfD]Mail/Local Folders\");\n"
             "user_pref(\"mail.server.server2.type\", \"imap\");\n"
             "user_pref(\"mail.server.server2.directory-rel\", \"[ProfD]ImapMail/x\");\n");
        MakeDir(".thunderbird/abc.default/Mail/Local Folders");
        Link(home + "/.thunderbird", ".icedove");
        File(".mozilla-thunderbird/profiles.ini", "garbage\n");
    }
    CliResult RunInHome(const std::vector<std::string>& args) {
        std::vector<std::string> env = Environment();
        env.push_back("WINEPREFIX=" + (dir / "bottle"));
        return RunWith(env, args);
    }
    std::string Warning() const {
        return "Warning : skipped " + home +
               "/.mozilla-thunderbird/profiles.ini: line 1: neither a section nor an entry\n";
    }
    static std::vector<std::string> SortedLines(const std::string& text) {
        std::vector<std::string> lines;
        std::istringstream in(text);
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
        std::sort(lines.begin(), lines.end());
        return lines;
    }
};

TEST_F(CliDiscovery, ListsEveryStoreOnceAndFirstRunRegistersThem) {
    if (!kSymbolicLinks)
        GTEST_SKIP() << "the stores are found through symbolic links, which cannot be made here";
    BuildHome();
    // The registry's own key first; WINEPREFIX before ~/.wine, whose Navigator directory is the
    // registry's reached through a link; ~/.icedove holds the same profiles as ~/.thunderbird.
    const std::string expected =
        "Netscape Mail\t" + home + "/navmail\tNavigator Mail\n" + "Internet Mail\t" + real +
        "/bottle/drive_c/IMN/Mail\tMicrosoft IM\n" + "Default\t" + real +
        "/.wine/drive_c/Program Files/Netscape/Users/Default/Mail\tCommunicator User\n" +
        "Internet Mail (2)\t" + real + "/.wine/drive_c/IMN/Mail\tMicrosoft IM\n" +
        "Netscape Mail (2)\t" + home + "/nsmail\tCommunicator User\n" +
        "default - Local Folders\t" + home +
        "/.thunderbird/abc.default/Mail/Local Folders\tNavigator Mail\n";
    CliResult r = RunInHome({"discover"});
    EXPECT_EQ(r.status, 0) << r;
    EXPECT_EQ(r.out, expected);
    EXPECT_EQ(r.err, Warning());

    r = RunInHome({"first-run"});
    EXPECT_EQ(r.status, 0) << r;
    EXPECT_EQ(r.err, Warning());
    r = RunInHome({"mailboxes"});
    EXPECT_CLI_OK(r);
    // Only the store that a Mozilla-family client still keeps is registered read-only.
    std::vector<std::string> registered = SortedLines(expected);
    for (std::string& line : registered)
        line += line.starts_with("default - Local Folders\t") ? "\tro" : "\trw";
    EXPECT_EQ(SortedLines(r.out), registered);
}

TEST_F(CliDiscovery, LocateOffersTheStoresFoundOnDisk) {
    BuildHome();
    EXPECT_CLI_OK(RunInHome({"locate", "--add", "default - Local Folders"}));
    CliResult r = RunInHome({"mailboxes"});
    EXPECT_CLI_OK(r);
    EXPECT_EQ(r.out, "default - Local Folders\t" + home +
                         "/.thunderbird/abc.default/Mail/Local Folders\tNavigator Mail\tro\n");
}

// Every command that would change the profile's store, registered read-only by the first run, is
// refused before it writes anything, however the store is named; reading from it still works.
TEST_F(CliDiscovery, ChangingCommandsOnAReadOnlyMailboxWriteNothing) {
    BuildHome();
    const std::string local = home + "/.thunderbird/abc.default/Mail/Local Folders";
    File(".thunderbird/abc.default/Mail/Local Folders/Inbox",
         NetscapeMessage("Subject: kept", "body\n") +
             NetscapeMessage("Subject: deleted", "gone\n", "0009"));
    File(".thunderbird/abc.default/Mail/Local Folders/Inbox.sbd/Work",
         NetscapeMessage("Subject: work", "w\n"));
    File("navmail/Saved", NetscapeMessage("Subject: saved", "s\n"));
    const std::string eml = MessageFile("new.eml", "Subject: new\n\nbody\n");
    ASSERT_EQ(RunInHome({"first-run"}).status, 0);
    const std::string ro = "default - Local Folders";
    const std::string rw = "Netscape Mail";
    EXPECT_CLI_OK(RunInHome({"backup", rw, "Saved", dir / "saved.qbf"}));

    const auto before = Snapshot(dir.path());
    const auto readOnlyStore = Snapshot(local);
    const std::vector<std::vector<std::string>> refused = {
        {"add", ro, "Inbox", eml},
        {"delete", ro, "Inbox", "0"},
        {"delete", "netscape:" + local, "Inbox", "0"},
        {"move", ro, "Inbox", "0", "--to", rw, "Saved"},
        {"copy", rw, "Saved", "0", "--to", ro, "Inbox"},
        {"move", rw, "Saved", "0", "--to", "netscape:" + local + "/", "Inbox"},
        {"mkdir", ro, "/", "New"},
        {"rename", ro, "Inbox", "Renamed"},
        {"rmdir", ro, "Inbox/Work"},
        {"copy-folder", rw, "Saved", "--to", ro, "/"},
        {"move-folder", ro, "Inbox/Work", "--to", rw, "/"},
        {"move-folder", rw, "Saved", "--to", ro, "Inbox"},
        {"compact", ro},
        {"compact", ro, "Inbox"},
        {"restore", dir / "saved.qbf", ro},
    };
    for (const auto& args : refused) {
        CliResult r = RunInHome(args);
        EXPECT_CLI_FAILS(r, "This mailbox is read-only");
        EXPECT_TRUE(Snapshot(dir.path()) == before)
            << args[0] << " " << args[1] << " changed files";
    }

    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"copy", ro, "Inbox", "0", "--to", rw, "Saved"},
          {"copy-folder", ro, "Inbox", "--to", rw, "/"},
          {"backup", ro, "Inbox", dir / "inbox.qbf"}})
        EXPECT_CLI_OK(RunInHome(args));
    EXPECT_TRUE(Snapshot(local) == readOnlyStore);
    CliResult r = RunInHome({"list", rw, "Inbox"});
    EXPECT_CLI_OK(r);
    EXPECT_EQ(r.out, "0\t0\t kept\t\t\t\n");
}

} // namespace
} // namespace qb::test
