// Discovery's sources on fake home directories built here.
#include "discovery/mozilla_profiles.h"
#include "discovery/netscape_unix.h"
#include "discovery/wine_prefix.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace qb::discovery {
namespace {

namespace stdfs = std::filesystem;

class FakeHome : public ::testing::Test {
  protected:
    test::TempDir home;

    std::string Dir(const std::string& name) {
        stdfs::create_directories(home / name);
        return home / name;
    }
    std::string File(const std::string& name, const std::string& text) {
        stdfs::create_directories(stdfs::path(home / name).parent_path());
        test::WriteFile(home / name, text);
        return home / name;
    }
    void Link(const std::string& target, const std::string& name) {
        stdfs::create_directories(stdfs::path(home / name).parent_path());
        stdfs::create_directory_symlink(target, home / name);
    }
    Places At() const { return Places{home.path(), ""}; }
};

constexpr char kWine[] = "WINE REGISTRY Version 2\n";

TEST_F(FakeHome, WinePrefixesOfTheFrontEndsEachOnce) {
    for (const char* prefix :
         {".wine", ".PlayOnLinux/wineprefix/b", ".PlayOnLinux/wineprefix/a",
          ".local/share/bottles/bottles/Office", ".local/share/lutris/prefixes/p", "Games/game",
          ".cxoffice/bottle", "elsewhere"})
        File(std::string(prefix) + "/user.reg", kWine);
    File("Games/notes/readme.txt", "not a prefix");
    Dir("Games/empty");
    Link(home / ".wine", "wine-link");

    EXPECT_EQ(FindWinePrefixes(At()),
              (std::vector<std::string>{home / ".wine", home / ".PlayOnLinux/wineprefix/a",
                                        home / ".PlayOnLinux/wineprefix/b",
                                        home / ".local/share/bottles/bottles/Office",
                                        home / ".local/share/lutris/prefixes/p",
                                        home / "Games/game", home / ".cxoffice/bottle"}));
    // WINEPREFIX comes first; ~/.wine reached again through it is not listed twice.
    const auto prefixes = FindWinePrefixes(Places{home.path(), home / "wine-link"});
    ASSERT_EQ(prefixes.size(), 7u);
    EXPECT_EQ(prefixes[0], home / "wine-link");
    EXPECT_EQ(prefixes[1], home / ".PlayOnLinux/wineprefix/a");
    EXPECT_EQ(FindWinePrefixes(Places{"", home / "elsewhere"}),
              std::vector<std::string>{home / "elsewhere"});
}

TEST_F(FakeHome, WindowsPathsMapThroughTheDriveLinks) {
    const std::string prefix = Dir(".wine");
    Dir(".wine/drive_c/Program Files/Netscape/Users");
    Dir(".wine/dosdevices");
    Link("../drive_c", ".wine/dosdevices/c:");
    Link("/", ".wine/dosdevices/z:");
    Link(home / "missing", ".wine/dosdevices/d:");
    const std::string c = stdfs::canonical(home / ".wine/drive_c").string();
    const std::pair<std::string, std::string> cases[] = {
        {R"(C:\PROGRAM FILES\netscape\users\Me\Mail)", c + "/Program Files/Netscape/Users/Me/Mail"},
        {R"(c:/program files\.\x\..\Netscape\)", c + "/Program Files/Netscape"},
        {R"(C:\..\..\Program Files)", c + "/Program Files"},
        {"C:", c},
        {"Z:" + (home / "Sub"), stdfs::canonical(home.path()).string() + "/Sub"},
        {R"(D:\x)", ""}, // the drive's target is missing
        {R"(E:\x)", ""}, // no such drive
        {R"(\\server\share\x)", ""},
        {"relative\\x", ""},
        {"Cx\\y", ""},
    };
    for (const auto& [windows, expected] : cases)
        EXPECT_EQ(MapWindowsPath(prefix, windows), expected) << windows;
}

TEST_F(FakeHome, PrefixRegistryKeepsTheAskedKeysAnd32BitMachineKeys) {
    const std::string prefix = Dir(".wine");
    File(".wine/system.reg",
         std::string(kWine) +
             "[Software\\\\Wow6432Node\\\\Netscape\\\\Users\\\\old] 1\n\"DirRoot\"=\"C:\\\\old\"\n"
             "[Software\\\\Wow6432Node\\\\Netscape\\\\Users\\\\both] 1\n\"DirRoot\"=\"C:\\\\wow\"\n"
             "[Software\\\\Netscape\\\\Users\\\\both] 1\n\"DirRoot\"=\"C:\\\\native\"\n"
             "[Software\\\\Unrelated] 1\n\"x\"=\"y\"\n");
    File(".wine/user.reg", std::string(kWine) + "[Software\\\\Netscape\\\\Users\\\\x] 1\n\"v\"=\n");
    RegistryData data;
    Warnings warnings;
    LoadWinePrefixRegistry(prefix, {"SOFTWARE\\Netscape\\Users"}, data, warnings);
    EXPECT_EQ(data.EnumSubKeys(Hive::LocalMachine, "Software\\Netscape\\Users"),
              (std::vector<std::string>{"both", "old"}));
    EXPECT_EQ(data.GetString(Hive::LocalMachine, "Software\\Netscape\\Users\\both", "DirRoot"),
              "C:\\native");
    EXPECT_EQ(data.GetString(Hive::LocalMachine, "Software\\Netscape\\Users\\old", "DirRoot"),
              "C:\\old");
    EXPECT_FALSE(data.KeyExists(Hive::LocalMachine, "Software\\Unrelated"));
    // The damaged user.reg is skipped with a warning; the machine keys stay.
    EXPECT_FALSE(data.KeyExists(Hive::CurrentUser, "Software"));
    EXPECT_EQ(warnings,
              Warnings{"Warning : skipped " + prefix + "/user.reg: line 3: unknown value type"});
}

TEST_F(FakeHome, NetscapeForUnixMailDirectory) {
    auto find = [&] {
        std::vector<FoundStore> found;
        Warnings warnings;
        FindNetscapeUnixStore(At(), found, warnings);
        return std::make_pair(found, warnings.size());
    };
    EXPECT_TRUE(find().first.empty());
    Dir("nsmail");
    const FoundStore nsmail{kNetscapeUnixName, home / "nsmail", StoreKind::CommunicatorProfile,
                            false};
    EXPECT_EQ(find(), std::make_pair(std::vector<FoundStore>{nsmail}, std::size_t{0}));
    File(".netscape/preferences.js", "user_pref(\"mail.directory\", \"~/Mail/ns\");\n");
    EXPECT_EQ(find().first.at(0).root, home / "Mail/ns");
    File(".netscape/preferences.js", "user_pref(\"mail.directory\", \"/var/mail/me\");\n");
    EXPECT_EQ(find().first.at(0).root, "/var/mail/me");
    File(".netscape/preferences.js", "user_pref(\"mail.directory\", ");
    EXPECT_EQ(find(), std::make_pair(std::vector<FoundStore>{nsmail}, std::size_t{1}));
}

TEST_F(FakeHome, ProfileServersOfLocalMailInIdOrder) {
    const MozillaProfile profile{"work", "/p"};
    Prefs prefs;
    auto set = [&](const std::string& name, const std::string& text) {
        prefs["mail.server." + name] = PrefValue{PrefValue::Kind::String, text};
    };
    set("server10.type", "pop3");
    set("server10.directory-rel", "[ProfD]Mail/pop.example.com");
    set("server10.directory", "/ignored");
    set("server10.hostname", "pop.example.com");
    set("server2.type", "none");
    set("server2.name", "Local Folders");
    set("server2.directory-rel", "[ProfD]/Mail/Local Folders");
    set("server3.type", "imap");
    set("server3.directory", "/imap");
    set("server4.type", "movemail");
    set("server4.directory", "/abs/movemail");
    set("server5.type", "pop3");
    set("server5.directory", "/maildir");
    set("server5.storeContractID", "@mozilla.org/msgstore/maildirstore;1");
    set("server6.type", "none");
    set("server6.directory-rel", "[Home]elsewhere");
    std::vector<FoundStore> found;
    FindProfileStores(profile, prefs, found);
    EXPECT_EQ(found,
              (std::vector<FoundStore>{
                  {"work - Local Folders", "/p/Mail/Local Folders", StoreKind::NavigatorMail, true},
                  {"work - server4", "/abs/movemail", StoreKind::NavigatorMail, true},
                  {"work - pop.example.com", "/p/Mail/pop.example.com", StoreKind::NavigatorMail,
                   true}}));
}

TEST_F(FakeHome, ProfilesOfEveryClientDirectory) {
    File(".thunderbird/profiles.ini", "[General]\nStartWithLastProfile=1\n\n"
                                      "[Profile1]\nName=second\nIsRelative=0\nPath=/abs/p\n"
                                      "[Profile0]\nName=default\nIsRelative=1\nPath=ab.default\n"
                                      "[Install4F96D1932A9F858E]\nDefault=ab.default\n"
                                      "[Profile2]\nName=nopath\n");
    File(".mozilla-thunderbird/profiles.ini", "[Profile0]\nPath=cd.old\n");
    File(".icedove/profiles.ini", "broken\n");
    File(".var/app/org.mozilla.Thunderbird/.thunderbird/profiles.ini",
         "[Profile0]\nName=flat\nIsRelative=1\nPath=f.default\n");
    File(".mozilla/seamonkey/profiles.ini", "[Profile0]\nName=sm\nPath=/abs/sm\n");
    Dir(".mozilla/default/x1y2z3.slt");
    Dir(".mozilla/default/cache");
    Dir(".mozilla/firefox/zz.default");
    Warnings warnings;
    const auto profiles = FindMozillaProfiles(At(), warnings);
    std::vector<std::pair<std::string, std::string>> got;
    for (const MozillaProfile& p : profiles)
        got.emplace_back(p.name, p.directory);
    EXPECT_EQ(got, (std::vector<std::pair<std::string, std::string>>{
                       {"second", "/abs/p"},
                       {"default", home / ".thunderbird/ab.default"},
                       {"cd.old", home / ".mozilla-thunderbird/cd.old"},
                       {"flat", home / ".var/app/org.mozilla.Thunderbird/.thunderbird/f.default"},
                       {"sm", "/abs/sm"},
                       {"default", home / ".mozilla/default/x1y2z3.slt"}}));
    EXPECT_EQ(warnings, Warnings{"Warning : skipped " + (home / ".icedove/profiles.ini") +
                                 ": line 1: neither a section nor an entry"});
}

} // namespace
} // namespace qb::discovery
