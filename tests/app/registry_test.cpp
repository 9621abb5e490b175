#include "app/mailbox_registry.h"
#include "app/registry_fixture.h"
#include "support/fault_harness.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qb {
namespace {

using Names = std::vector<std::string>;
constexpr char kMM[] = "[HKEY_CURRENT_USER\\Software\\Velmora\\Quillbox\\Managed Mails\\";

struct Loaded {
    std::string name, root, type;
    bool operator==(const Loaded&) const = default;
};
std::ostream& operator<<(std::ostream& os, const Loaded& e) {
    return os << "{" << e.name << ", " << e.root << ", " << e.type << "}";
}

class MailboxRegistry : public test::RegistryTest {
  protected:
    std::vector<Loaded> Load() {
        RegistryFile reg = Registry();
        MailboxList list;
        EXPECT_TRUE(LoadMailboxEntries(reg, list)) << reg.Error();
        std::vector<Loaded> result;
        for (const auto& e : list) {
            EXPECT_EQ(e->m_pRoot, nullptr);
            result.push_back({e->m_strName, e->m_strStoreRoot, e->m_strType});
        }
        return result;
    }
};

// ---- reading ---------------------------------------------------------------------------------

TEST_F(MailboxRegistry, ReadRegStringFitsFiveHundredElevenBytes) {
    const std::string fits(511, 'x');
    const std::string tooLong(512, 'y');
    Seed("[HKEY_LOCAL_MACHINE\\K]\n\"fits\"=\"" + fits + "\"\n\"long\"=\"" + tooLong +
         "\"\n\"num\"=dword:00000001\n\"empty\"=\"\"\n");
    RegistryFile reg = Registry();
    EXPECT_EQ(ReadRegString(reg, Hive::LocalMachine, "k", "FITS"), fits);
    EXPECT_EQ(ReadRegString(reg, Hive::LocalMachine, "K", "long"), "");
    EXPECT_EQ(ReadRegString(reg, Hive::LocalMachine, "K", "num"), "");
    EXPECT_EQ(ReadRegString(reg, Hive::LocalMachine, "K", "empty"), "");
    EXPECT_EQ(ReadRegString(reg, Hive::LocalMachine, "K", "missing"), "");
    EXPECT_EQ(ReadRegString(reg, Hive::CurrentUser, "K", "fits"), "");
}

TEST_F(MailboxRegistry, NoManagedMailsKeyLoadsNothingAndLeavesTheListAlone) {
    RegistryFile reg = Registry();
    MailboxList list;
    list.push_back(std::make_unique<MailboxEntry>("kept", "/k", kTypeNavigator));
    EXPECT_FALSE(LoadMailboxEntries(reg, list));
    ASSERT_EQ(list.size(), 1u);
    Seed("[HKEY_CURRENT_USER\\Software\\Velmora\\Quillbox]\n\"x\"=\"y\"\n");
    EXPECT_FALSE(LoadMailboxEntries(reg, list));
    EXPECT_EQ(list.size(), 1u);
}

TEST_F(MailboxRegistry, EntriesComeInKeyOrderAndNeedAStoreRoot) {
    Seed(std::string(kMM) + "zeta]\n\"Store Root\"=\"/z\"\n\"Type\"=\"Navigator Mail\"\n\n" + kMM +
         "Alpha]\n\"Type\"=\"Microsoft IM\"\n\"Store Root\"=\"/a\"\n\n" + kMM +
         "empty root]\n\"Store Root\"=\"\"\n\"Type\"=\"Navigator Mail\"\n\n" + kMM +
         "no root]\n\"Type\"=\"Navigator Mail\"\n\n" + kMM + "No Type]\n\"Store Root\"=\"/n\"\n\n" +
         kMM + "dword root]\n\"Store Root\"=dword:00000001\n\n" + kMM + "long root]\n" +
         "\"Store Root\"=\"" + std::string(512, 'r') + "\"\n\n" + kMM +
         "beta]\n\"Store Root\"=\"/b\"\n\"Type\"=\"Navigator mail\"\n");
    EXPECT_EQ(Load(), (std::vector<Loaded>{{"Alpha", "/a", "Microsoft IM"},
                                           {"beta", "/b", "Navigator mail"},
                                           {"No Type", "/n", ""},
                                           {"zeta", "/z", "Navigator Mail"}}));
    // Skipped entries stay in the registry.
    RegistryFile reg = Registry();
    EXPECT_TRUE(reg.KeyExists(Hive::CurrentUser, std::string(kManagedMailsKey) + "\\empty root"));
}

TEST_F(MailboxRegistry, AKeyNameTooLongForTheBufferEndsTheListing) {
    const std::string fits(259, 'm');
    const std::string tooLong = "n" + std::string(259, 'x');
    Seed(std::string(kMM) + "a]\n\"Store Root\"=\"/a\"\n\n" + kMM + fits +
         "]\n\"Store Root\"=\"/m\"\n\n" + kMM + tooLong + "]\n\"Store Root\"=\"/n\"\n\n" + kMM +
         "z]\n\"Store Root\"=\"/z\"\n");
    EXPECT_EQ(Load(), (std::vector<Loaded>{{"a", "/a", ""}, {fits, "/m", ""}}));
}

// ---- writing -----------------------------------------------------------------------------------

TEST_F(MailboxRegistry, WriteCreatesOrOverwritesWithoutRegardToCase) {
    RegistryFile reg = Registry();
    EXPECT_FALSE(IsMailboxRegistered(reg, "Inbox"));
    ASSERT_TRUE(WriteMailboxEntry(reg, "Inbox", "/one", kTypeNavigator)) << reg.Error();
    ASSERT_TRUE(WriteMailboxEntry(reg, "Other", "/two", kTypeCommunicator));
    ASSERT_TRUE(WriteMailboxEntry(reg, "INBOX", "/three", kTypeInternetMail));
    EXPECT_TRUE(IsMailboxRegistered(reg, "inbox"));
    EXPECT_EQ(Load(), (std::vector<Loaded>{{"Inbox", "/three", "Microsoft IM"},
                                           {"Other", "/two", "Communicator User"}}));
    // Written through the application's own key spelling, found through the listing's.
    EXPECT_NE(test::ReadFile(RegistryPath())
                  .find("[HKEY_CURRENT_USER\\Software\\Velmora\\Quillbox\\Managed Mails\\Inbox]\n"
                        "\"Store Root\"=\"/three\"\n\"Type\"=\"Microsoft IM\"\n"),
              std::string::npos);
}

TEST_F(MailboxRegistry, ReadOnlyMarkIsADwordWrittenAndClearedWithTheEntry) {
    Seed(std::string(kMM) + "One]\n\"Store Root\"=\"/1\"\n\"Read Only\"=dword:00000001\n\n" + kMM +
         "Two]\n\"Store Root\"=\"/2\"\n\"read only\"=dword:00000002\n\n" + kMM +
         "Zero]\n\"Store Root\"=\"/0\"\n\"Read Only\"=dword:00000000\n\n" + kMM +
         "Text]\n\"Store Root\"=\"/t\"\n\"Read Only\"=\"1\"\n\n" + kMM +
         "Plain]\n\"Store Root\"=\"/p\"\n");
    RegistryFile reg = Registry();
    const auto marks = [&] {
        MailboxList list;
        EXPECT_TRUE(LoadMailboxEntries(reg, list));
        std::vector<std::string> readOnly;
        for (const auto& e : list) {
            if (e->m_bReadOnly)
                readOnly.push_back(e->m_strName);
        }
        return readOnly;
    };
    EXPECT_EQ(marks(), (Names{"One", "Two"}));
    // An entry written anew carries exactly the mark it is written with.
    ASSERT_TRUE(WriteMailboxEntry(reg, "plain", "/p", kTypeNavigator, true));
    ASSERT_TRUE(WriteMailboxEntry(reg, "one", "/1", kTypeNavigator));
    EXPECT_EQ(marks(), (Names{"Plain", "Two"}));
    EXPECT_EQ(
        reg.GetDword(Hive::CurrentUser, std::string(kManagedMailsKey) + "\\Plain", "Read Only"),
        1u);
    EXPECT_EQ(reg.GetDword(Hive::CurrentUser, std::string(kManagedMailsKey) + "\\One", "Read Only"),
              std::nullopt);
    ASSERT_TRUE(ReplaceMailboxEntries(
        reg, {{"A", "/a", kTypeNavigator, true}, {"B", "/b", kTypeInternetMail, false}}));
    EXPECT_EQ(marks(), Names{"A"});
}

TEST_F(MailboxRegistry, NamesThatCannotBeOneKeyAreRefusedWhole) {
    RegistryFile reg = Registry();
    ASSERT_TRUE(WriteMailboxEntry(reg, "Keep", "/k", kTypeNavigator));
    const std::string before = test::ReadFile(RegistryPath());
    for (const std::string& name :
         {std::string(), std::string("a\\b"), std::string("a\nb"), std::string(256, 'n')}) {
        EXPECT_FALSE(WriteMailboxEntry(reg, name, "/x", kTypeNavigator));
        EXPECT_FALSE(IsMailboxRegistered(reg, name));
    }
    EXPECT_FALSE(WriteMailboxEntry(reg, "Fine", "/x", "two\nlines"));
    EXPECT_FALSE(WriteMailboxEntry(reg, "Fine", "two\nlines", kTypeNavigator));
    EXPECT_EQ(test::ReadFile(RegistryPath()), before);
}

TEST_F(MailboxRegistry, RegisteredMeansANonEmptyStoreRoot) {
    Seed(std::string(kMM) + "Empty]\n\"Store Root\"=\"\"\n\"Type\"=\"Navigator Mail\"\n\n" + kMM +
         "Long]\n\"Store Root\"=\"" + std::string(600, 'l') + "\"\n");
    RegistryFile reg = Registry();
    EXPECT_FALSE(IsMailboxRegistered(reg, "Empty"));
    EXPECT_FALSE(IsMailboxRegistered(reg, "Missing"));
    // Not listed (it does not fit the read buffer) but still registered by name.
    EXPECT_TRUE(IsMailboxRegistered(reg, "long"));
    EXPECT_EQ(Load(), std::vector<Loaded>{});
}

TEST_F(MailboxRegistry, ReplaceWritesTheRowsInPlaceOfEveryMailbox) {
    const std::string longName = std::string(270, 'q');
    Seed(std::string(kMM) + "Old]\n\"Store Root\"=\"/old\"\n\n" + kMM + longName +
         "]\n\"Store Root\"=\"/hidden\"\n\n" + kMM + "zz after]\n\"Store Root\"=\"/zz\"\n\n" +
         "[HKEY_CURRENT_USER\\Software\\Velmora\\Quillbox\\Settings]\n\"Top\"=dword:00000005\n");
    RegistryFile reg = Registry();
    int renames = 0;
    fs::SetOperationObserver(
        [&](fs::Op op, const std::string&) { renames += op == fs::Op::Rename; });
    EXPECT_TRUE(ReplaceMailboxEntries(reg, {{"New", "/new", kTypeNavigator},
                                            {"Twice", "/first", kTypeInternetMail},
                                            {"twice", "/second", kTypeCommunicator}}));
    fs::SetOperationObserver(nullptr);
    EXPECT_EQ(renames, 1) << "one atomic write";
    EXPECT_EQ(Load(), (std::vector<Loaded>{{"New", "/new", kTypeNavigator},
                                           {"Twice", "/second", kTypeCommunicator}}));
    EXPECT_EQ(reg.EnumSubKeys(Hive::CurrentUser, kManagedMailsKey), (Names{"New", "Twice"}));
    EXPECT_EQ(reg.GetDword(Hive::CurrentUser, std::string(kAppKey) + "\\Settings", "Top"), 5u);

    // A row that cannot be stored is reported; the others are written all the same.
    EXPECT_FALSE(ReplaceMailboxEntries(
        reg, {{"Good", "/g", kTypeNavigator}, {"Bad\\Name", "/b", kTypeNavigator}}));
    EXPECT_EQ(Load(), (std::vector<Loaded>{{"Good", "/g", kTypeNavigator}}));

    EXPECT_TRUE(ReplaceMailboxEntries(reg, {}));
    EXPECT_FALSE(reg.KeyExists(Hive::CurrentUser, kManagedMailsKey));
    EXPECT_TRUE(reg.KeyExists(Hive::CurrentUser, kAppKey));
}

TEST_F(MailboxRegistry, ReplaceOnADamagedFileChangesNothing) {
    Seed(std::string(kMM) + "Old]\n\"Store Root\"=\"/old\"\n\"broken\n");
    const std::string before = test::ReadFile(RegistryPath());
    RegistryFile reg = Registry();
    EXPECT_FALSE(ReplaceMailboxEntries(reg, {{"New", "/new", kTypeNavigator}}));
    EXPECT_FALSE(WriteMailboxEntry(reg, "New", "/new", kTypeNavigator));
    EXPECT_NE(reg.Error().find("damaged"), std::string::npos);
    EXPECT_EQ(test::ReadFile(RegistryPath()), before);
}

// Every failure or crash of the disk leaves the old registry or the new one, and a parseable file.
TEST_F(MailboxRegistry, WritesAreAllOrNothingUnderEveryFault) {
    const std::string old = "REGEDIT4\n\n" + std::string(kMM) +
                            "A]\n\"Store Root\"=\"/a\"\n\"Type\"=\"Navigator Mail\"\n\n" + kMM +
                            "B]\n\"Store Root\"=\"/b\"\n\"Type\"=\"Microsoft IM\"\n";
    struct Case {
        const char* what;
        std::function<bool(RegistryFile&)> run;
        std::vector<Loaded> expected;
    };
    const std::vector<Case> cases = {
        {"replace",
         [](RegistryFile& r) {
             return ReplaceMailboxEntries(
                 r, {{"C", "/c", kTypeCommunicator}, {"a", "/a2", kTypeInternetMail}});
         },
         {{"a", "/a2", kTypeInternetMail}, {"C", "/c", kTypeCommunicator}}},
        {"write",
         [](RegistryFile& r) { return WriteMailboxEntry(r, "b", "/b2", kTypeNavigator); },
         {{"A", "/a", kTypeNavigator}, {"B", "/b2", kTypeNavigator}}},
    };
    const std::vector<Loaded> before = {{"A", "/a", kTypeNavigator},
                                        {"B", "/b", kTypeInternetMail}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const auto setup = [&] { test::WriteFile(RegistryPath(), old); };
        const auto operation = [&] {
            RegistryFile reg = Registry();
            return c.run(reg);
        };
        const auto check = [&](const test::FaultCase& f) {
            const std::vector<Loaded> now = Load();
            if (f.reportedSuccess) {
                EXPECT_EQ(now, c.expected);
            } else {
                EXPECT_TRUE(now == before || now == c.expected);
            }
        };
        EXPECT_GT(test::EnumerateFaults(setup, operation, check), 5);
        test::EnumerateCrashes(setup, operation, check);
    }
}

} // namespace
} // namespace qb
