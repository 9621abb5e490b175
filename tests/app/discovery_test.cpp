#include "app/discovery.h"
#include "app/registry_fixture.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace qb {
namespace {

struct Row {
    std::string name, root, type;
    bool operator==(const Row&) const = default;
};
std::ostream& operator<<(std::ostream& os, const Row& e) {
    return os << "{" << e.name << ", " << e.root << ", " << e.type << "}";
}
std::vector<Row> Rows(const MailboxList& list) {
    std::vector<Row> rows;
    for (const auto& e : list)
        rows.push_back({e->m_strName, e->m_strStoreRoot, e->m_strType});
    return rows;
}

constexpr char kUsers[] = "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Netscape\\Netscape Navigator\\Users";
constexpr char kImn[] = "[HKEY_CURRENT_USER\\Software\\Microsoft\\Internet Mail and News]\n";
constexpr char kNav[] = "[HKEY_CURRENT_USER\\Software\\Netscape\\Netscape Navigator\\Mail]\n";

class Discovery : public test::RegistryTest {
  protected:
    std::vector<Row> Discover() {
        RegistryFile reg = Registry();
        MailboxList list;
        DiscoverMailboxes(reg, list);
        return Rows(list);
    }
    std::vector<Row> Registered() {
        RegistryFile reg = Registry();
        MailboxList list;
        LoadMailboxEntries(reg, list);
        return Rows(list);
    }
};

TEST_F(Discovery, CommunicatorProfilesInKeyOrderWithTheirMailDirectory) {
    Seed(std::string(kUsers) + "\\zoe]\n\"DirRoot\"=\"/home/zoe/.netscape\"\n\n" + kUsers +
         "\\Adam]\n\"DirRoot\"=\"/p/adam/\"\n\n" + kUsers + "\\nodir]\n\"Other\"=\"x\"\n\n" +
         kUsers + "\\dword]\n\"DirRoot\"=dword:00000001\n");
    RegistryFile reg = Registry();
    MailboxList list;
    ASSERT_TRUE(FindCommunicatorProfiles(reg, list));
    EXPECT_EQ(Rows(list),
              (std::vector<Row>{{"Adam", "/p/adam/Mail", kTypeCommunicator},
                                {"dword", "/Mail", kTypeCommunicator},
                                {"nodir", "/Mail", kTypeCommunicator},
                                {"zoe", "/home/zoe/.netscape/Mail", kTypeCommunicator}}));
}

TEST_F(Discovery, NoUsersKeyFindsNoProfiles) {
    // The same path under the other hive is not the Users key.
    Seed("[HKEY_CURRENT_USER\\SOFTWARE\\Netscape\\Netscape Navigator\\Users\\x]\n"
         "\"DirRoot\"=\"/x\"\n");
    RegistryFile reg = Registry();
    MailboxList list;
    EXPECT_FALSE(FindCommunicatorProfiles(reg, list));
    EXPECT_TRUE(list.empty());
    EXPECT_EQ(Discover(), std::vector<Row>{});
}

TEST_F(Discovery, SingleStoresAndTheirRoots) {
    RegistryFile reg = Registry();
    EXPECT_EQ(GetInternetMailRoot(reg), "");
    EXPECT_EQ(GetNavigatorMailDir(reg), "");
    Seed(std::string(kImn) + "\"Store Root\"=\"/win/IMN\"\n\n" + kNav +
         "\"Mail Directory\"=\"/win/nsmail/\"\n");
    EXPECT_EQ(GetInternetMailRoot(reg), "/win/IMN/Mail");
    EXPECT_EQ(GetNavigatorMailDir(reg), "/win/nsmail/");
    Seed(std::string(kImn) + "\"Store Root\"=\"\"\n");
    EXPECT_EQ(GetInternetMailRoot(reg), "");
}

TEST_F(Discovery, OrderIsProfilesThenInternetMailThenNavigator) {
    Seed(std::string(kNav) + "\"Mail Directory\"=\"/nav\"\n\n" + kImn +
         "\"Store Root\"=\"/imn\"\n\n" + kUsers + "\\p1]\n\"DirRoot\"=\"/p1\"\n");
    EXPECT_EQ(Discover(), (std::vector<Row>{{"p1", "/p1/Mail", kTypeCommunicator},
                                            {"Internet Mail", "/imn/Mail", kTypeInternetMail},
                                            {"Netscape Mail", "/nav", kTypeNavigator}}));
    Seed(std::string(kNav) + "\"Mail Directory\"=\"/only/nav\"\n");
    EXPECT_EQ(Discover(), (std::vector<Row>{{"Netscape Mail", "/only/nav", kTypeNavigator}}));
}

TEST_F(Discovery, FirstRunRegistersOnceAndLaterStartsNothing) {
    Seed(std::string(kImn) + "\"Store Root\"=\"/imn\"\n\n" + kUsers +
         "\\Netscape Mail]\n\"DirRoot\"=\"/profile\"\n\n" + kNav + "\"Mail Directory\"=\"/nav\"\n");
    RegistryFile reg = Registry();
    ASSERT_TRUE(RegisterDefaultMailboxes(reg)) << reg.Error();
    // The profile named like the Navigator store is overwritten by it, keeping its key.
    EXPECT_EQ(Registered(), (std::vector<Row>{{"Internet Mail", "/imn/Mail", kTypeInternetMail},
                                              {"Netscape Mail", "/nav", kTypeNavigator}}));
    EXPECT_EQ(reg.GetDword(Hive::CurrentUser, kAppKey, kFirstRunMarkerValue), 1u);

    // The user removes a mailbox; another client appears; the next start registers nothing.
    ASSERT_TRUE(ReplaceMailboxEntries(reg, {{"Internet Mail", "/imn/Mail", kTypeInternetMail}}));
    ASSERT_TRUE(reg.SetString(Hive::LocalMachine,
                              "SOFTWARE\\Netscape\\Netscape Navigator\\Users\\late", "DirRoot",
                              "/late"));
    const std::string before = test::ReadFile(RegistryPath());
    EXPECT_TRUE(RegisterDefaultMailboxes(reg));
    EXPECT_EQ(test::ReadFile(RegistryPath()), before);
    EXPECT_EQ(Registered(), (std::vector<Row>{{"Internet Mail", "/imn/Mail", kTypeInternetMail}}));

    // Clearing the marker asks for the registration again.
    ASSERT_TRUE(reg.SetDword(Hive::CurrentUser, kAppKey, kFirstRunMarkerValue, 0));
    EXPECT_TRUE(RegisterDefaultMailboxes(reg));
    EXPECT_EQ(Registered().size(), 3u);
}

TEST_F(Discovery, FirstRunWithNoClientsRegistersNothingButRemembersIt) {
    RegistryFile reg = Registry();
    ASSERT_TRUE(RegisterDefaultMailboxes(reg));
    EXPECT_EQ(Registered(), std::vector<Row>{});
    EXPECT_FALSE(reg.KeyExists(Hive::CurrentUser, kManagedMailsKey));
    EXPECT_EQ(reg.GetDword(Hive::CurrentUser, kAppKey, kFirstRunMarkerValue), 1u);
    // A client installed afterwards is not registered by a later start.
    ASSERT_TRUE(reg.SetString(Hive::CurrentUser, "Software\\Netscape\\Netscape Navigator\\Mail",
                              "Mail Directory", "/nav"));
    EXPECT_TRUE(RegisterDefaultMailboxes(reg));
    EXPECT_EQ(Registered(), std::vector<Row>{});
}

TEST_F(Discovery, FirstRunOnADamagedRegistryWritesNothingAndTriesAgainLater) {
    Seed(std::string(kNav) + "\"Mail Directory\"=\"/nav\"\nbroken line\n");
    const std::string damaged = test::ReadFile(RegistryPath());
    RegistryFile reg = Registry();
    EXPECT_FALSE(RegisterDefaultMailboxes(reg));
    EXPECT_NE(reg.Error().find("damaged"), std::string::npos);
    EXPECT_EQ(test::ReadFile(RegistryPath()), damaged);
    Seed(std::string(kNav) + "\"Mail Directory\"=\"/nav\"\n");
    EXPECT_TRUE(RegisterDefaultMailboxes(reg));
    EXPECT_EQ(Registered(), (std::vector<Row>{{"Netscape Mail", "/nav", kTypeNavigator}}));
}

TEST_F(Discovery, MergedStoresKeepOneEntryPerDirectoryAndNamesThatCanBeKeys) {
    std::filesystem::create_directories(dir / "real");
    std::filesystem::create_directory_symlink(dir / "real", dir / "link");
    MailboxList list;
    list.push_back(std::make_unique<MailboxEntry>("Mail", dir / "real", kTypeNavigator));
    MailboxList more;
    auto add = [&](std::string name, std::string root) {
        more.push_back(
            std::make_unique<MailboxEntry>(std::move(name), std::move(root), kTypeCommunicator));
    };
    add("Other", dir / "link/");
    add("mail", dir / "elsewhere");
    add("a\\b\tc", "/x/../y");
    add("", "/z");
    add(std::string(250, 'n') + "\xC3\xA9\xC3\xA9\xC3\xA9", "/long");
    add("MAIL", "/w");
    MergeDiscovered(list, std::move(more));
    EXPECT_EQ(Rows(list), (std::vector<Row>{{"Mail", dir / "real", kTypeNavigator},
                                            {"mail (2)", dir / "elsewhere", kTypeCommunicator},
                                            {"a/b c", "/x/../y", kTypeCommunicator},
                                            {"Mail (3)", "/z", kTypeCommunicator},
                                            {std::string(250, 'n') + "\xC3\xA9\xC3\xA9", "/long",
                                             kTypeCommunicator},
                                            {"MAIL (4)", "/w", kTypeCommunicator}}));
}

} // namespace
} // namespace qb
