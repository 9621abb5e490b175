#include "app/locate_model.h"
#include "app/registry_fixture.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace qb {

std::ostream& operator<<(std::ostream& os, const LocateButtons& b) {
    return os << "addAll " << b.addAll << " add " << b.add << " remove " << b.remove
              << " removeAll " << b.removeAll;
}

namespace {

using Names = std::vector<std::string>;

Names NamesOf(const std::vector<LocateRow>& rows) {
    Names names;
    for (const LocateRow& r : rows)
        names.push_back(r.row.name);
    return names;
}

class Locate : public test::RegistryTest {
  protected:
    void SeedClients() {
        Seed("[HKEY_CURRENT_USER\\Software\\Microsoft\\Internet Mail and News]\n"
             "\"Store Root\"=\"/imn\"\n\n"
             "[HKEY_CURRENT_USER\\Software\\Netscape\\Netscape Navigator\\Mail]\n"
             "\"Mail Directory\"=\"/nav\"\n\n"
             "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Netscape\\Netscape Navigator\\Users\\p2]\n"
             "\"DirRoot\"=\"/p2\"\n\n"
             "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Netscape\\Netscape Navigator\\Users\\p1]\n"
             "\"DirRoot\"=\"/p1\"\n\n"
             "[HKEY_CURRENT_USER\\Software\\Velmora\\Quillbox\\Managed Mails\\NETSCAPE MAIL]\n"
             "\"Store Root\"=\"/elsewhere\"\n\"Type\"=\"Navigator Mail\"\n\n"
             "[HKEY_CURRENT_USER\\Software\\Velmora\\Quillbox\\Managed Mails\\Archive]\n"
             "\"Store Root\"=\"/archive\"\n\"Type\"=\"Something Else\"\n\n"
             "[HKEY_CURRENT_USER\\Software\\Velmora\\Quillbox\\Managed Mails\\p1]\n"
             "\"Store Root\"=\"\"\n");
    }
    std::vector<MailboxRow> Registered() {
        RegistryFile reg = Registry();
        MailboxList list;
        LoadMailboxEntries(reg, list);
        std::vector<MailboxRow> rows;
        for (const auto& e : list)
            rows.push_back({e->m_strName, e->m_strStoreRoot, e->m_strType});
        return rows;
    }
    CLocateModel model;
};

TEST_F(Locate, NothingAnywhereLeavesOnlyTheAlwaysEnabledButtons) {
    RegistryFile reg = Registry();
    ASSERT_TRUE(model.FillLists(reg));
    EXPECT_TRUE(model.Found().empty());
    EXPECT_TRUE(model.Managed().empty());
    EXPECT_EQ(model.Buttons(), (LocateButtons{false, false, false, false}));
}

TEST_F(Locate, ListsOpenWithTheManagedStoresAndTheUnregisteredFinds) {
    SeedClients();
    RegistryFile reg = Registry();
    ASSERT_TRUE(model.FillLists(reg));
    EXPECT_EQ(NamesOf(model.Managed()), (Names{"Archive", "NETSCAPE MAIL"}));
    EXPECT_EQ(model.Managed()[0].row.type, "Something Else");
    // "Netscape Mail" is registered under that name (other directory, other case): not offered.
    // "p1" has an empty store root, so it does not count as registered.
    EXPECT_EQ(NamesOf(model.Found()), (Names{"p1", "p2", "Internet Mail"}));
    EXPECT_EQ(model.Found()[2].row.storeRoot, "/imn/Mail");
    EXPECT_EQ(model.Found()[2].row.type, kTypeInternetMail);
    EXPECT_EQ(model.Buttons(), (LocateButtons{true, false, false, true}));
}

TEST_F(Locate, MovesKeepRowOrderAndDriveTheButtons) {
    SeedClients();
    RegistryFile reg = Registry();
    ASSERT_TRUE(model.FillLists(reg));
    model.SelectFound(2, true);
    model.SelectFound(0, true);
    EXPECT_EQ(model.Buttons(), (LocateButtons{true, true, false, true}));
    model.Add();
    EXPECT_EQ(NamesOf(model.Found()), (Names{"p2"}));
    EXPECT_EQ(NamesOf(model.Managed()), (Names{"Archive", "NETSCAPE MAIL", "p1", "Internet Mail"}));
    EXPECT_EQ(model.Buttons(), (LocateButtons{true, false, false, true}));

    model.SelectManaged(1, true);
    model.SelectManaged(3, true);
    EXPECT_TRUE(model.Buttons().remove);
    model.Remove();
    EXPECT_EQ(NamesOf(model.Managed()), (Names{"Archive", "p1"}));
    EXPECT_EQ(NamesOf(model.Found()), (Names{"p2", "NETSCAPE MAIL", "Internet Mail"}));
    EXPECT_FALSE(model.Buttons().remove);

    model.SelectFound(99, true); // out of range: ignored
    model.AddAll();
    EXPECT_TRUE(model.Found().empty());
    EXPECT_EQ(NamesOf(model.Managed()),
              (Names{"Archive", "p1", "p2", "NETSCAPE MAIL", "Internet Mail"}));
    EXPECT_EQ(model.Buttons(), (LocateButtons{false, false, false, true}));
    model.RemoveAll();
    EXPECT_TRUE(model.Managed().empty());
    EXPECT_EQ(model.Buttons(), (LocateButtons{true, false, false, false}));
    EXPECT_EQ(model.FindFound("internet mail"), 4u);
    EXPECT_FALSE(model.FindManaged("Archive"));
}

TEST_F(Locate, AddAllLeavesAContradictingDirectoryAndCutsLongNamesForTheSuffix) {
    // The Internet Mail store found holds a Netscape folder file.
    std::filesystem::create_directories(dir / "imn/Mail");
    test::WriteFile(dir / "imn/Mail/Inbox", "From - Mon Jan  1 00:00:00 2001\r\n\r\nx\r\n");
    Seed("[HKEY_CURRENT_USER\\Software\\Microsoft\\Internet Mail and News]\n"
         "\"Store Root\"=\"" +
         dir / "imn" +
         "\"\n\n"
         "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Netscape\\Netscape Navigator\\Users\\p2]\n"
         "\"DirRoot\"=\"/p2\"\n\n"
         "[HKEY_CURRENT_USER\\Software\\Velmora\\Quillbox\\Managed Mails\\Archive]\n"
         "\"Store Root\"=\"/archive\"\n\"Type\"=\"Navigator Mail\"\n");
    RegistryFile reg = Registry();
    ASSERT_TRUE(model.FillLists(reg));
    const std::string refusal = model.AddAll();
    EXPECT_EQ(refusal, "Internet Mail: The directory holds Netscape mail folders (Inbox); it "
                       "cannot be registered as Internet Mail");
    EXPECT_EQ(NamesOf(model.Found()), (Names{"Internet Mail"}));
    EXPECT_TRUE(model.Found()[0].selected);
    EXPECT_EQ(NamesOf(model.Managed()), (Names{"Archive", "p2"}));
    // The rule cuts a long name so that the suffix fits a key name.
    const std::string longName(kMaxKeyNameLength - 1, 'a');
    const std::string unique =
        UniqueMailboxName(longName, [&](const std::string& n) { return n == longName; });
    EXPECT_EQ(unique.size(), kMaxKeyNameLength);
    EXPECT_EQ(unique.substr(unique.size() - 4), " (2)");
}

TEST_F(Locate, OkWritesTheManagedListAndNothingElse) {
    SeedClients();
    std::filesystem::create_directory(dir / "byhand");
    RegistryFile reg = Registry();
    ASSERT_TRUE(model.FillLists(reg));
    model.SelectFound(*model.FindFound("p2"), true);
    model.Add();
    AssignInput assigned{"By Hand", " " + dir / "byhand/", 0};
    ASSERT_TRUE(model.Assign(assigned).accepted);
    model.SelectManaged(*model.FindManaged("Archive"), true);
    model.Remove();
    // Nothing reaches the registry before OK.
    EXPECT_EQ(Registered().size(), 2u);
    ASSERT_TRUE(model.Confirm(reg)) << model.Error();
    const std::vector<MailboxRow> now = Registered();
    ASSERT_EQ(now.size(), 3u);
    EXPECT_EQ(now[0].name, "By Hand");
    EXPECT_EQ(now[0].storeRoot, dir / "byhand");
    EXPECT_EQ(now[0].type, "Microsoft IM");
    EXPECT_EQ(now[1].name, "NETSCAPE MAIL");
    EXPECT_EQ(now[2].name, "p2");
    EXPECT_EQ(now[2].storeRoot, "/p2/Mail");
    // The registered "p1" with an empty store root went with the rewrite.
    EXPECT_FALSE(reg.KeyExists(Hive::CurrentUser, std::string(kManagedMailsKey) + "\\p1"));
    // The other clients' keys are untouched.
    EXPECT_EQ(reg.GetString(Hive::CurrentUser, "Software\\Netscape\\Netscape Navigator\\Mail",
                            "Mail Directory"),
              "/nav");
}

TEST_F(Locate, AssignChecksAgainstTheManagedListOnly) {
    SeedClients();
    std::filesystem::create_directory(dir / "d");
    RegistryFile reg = Registry();
    ASSERT_TRUE(model.FillLists(reg));
    // A found (not managed) store's name is free to take.
    AssignInput same{"p2", dir / "d", 1};
    EXPECT_TRUE(model.Assign(same).accepted);
    EXPECT_EQ(model.Managed().back().row.type, kTypeNavigator);
    AssignInput dup{"ARCHIVE", dir / "d", 1};
    const DialogCheck refused = model.Assign(dup);
    EXPECT_EQ(refused.message, "There has been a mailbox which has same name");
    AssignInput sameDir{"Other", dir / "D/", 2};
    EXPECT_EQ(model.Assign(sameDir).message, "There has been a mailbox use same directory");
    EXPECT_EQ(model.Managed().size(), 3u);

    // Assigned, then removed: it sits in the found list and is written nowhere.
    model.SelectManaged(2, true);
    model.Remove();
    EXPECT_EQ(model.Found().back().row.name, "p2");
    ASSERT_TRUE(model.Confirm(reg));
    EXPECT_EQ(Registered().size(), 2u);
}

TEST_F(Locate, SameNameTwiceStaysTwoEntriesAndRemovingAllEmptiesTheRegistry) {
    RegistryFile reg = Registry();
    ASSERT_TRUE(WriteMailboxEntry(reg, "Box", "/first", kTypeNavigator));
    std::filesystem::create_directory(dir / "second");
    ASSERT_TRUE(model.FillLists(reg));
    // Move the registered one out, assign the name anew, then bring the old row back.
    model.SelectManaged(0, true);
    model.Remove();
    AssignInput again{"BOX", dir / "second", 2};
    ASSERT_TRUE(model.Assign(again).accepted);
    model.SelectFound(0, true);
    model.Add();
    // The row brought back takes the first free name instead of replacing the other.
    ASSERT_EQ(NamesOf(model.Managed()), (Names{"BOX", "Box (2)"}));
    ASSERT_TRUE(model.Confirm(reg));
    const std::vector<MailboxRow> now = Registered();
    ASSERT_EQ(now.size(), 2u);
    EXPECT_EQ(now[1].name, "Box (2)");
    EXPECT_EQ(now[1].storeRoot, "/first");

    ASSERT_TRUE(model.FillLists(reg));
    model.RemoveAll();
    ASSERT_TRUE(model.Confirm(reg));
    EXPECT_TRUE(Registered().empty());
    EXPECT_FALSE(reg.KeyExists(Hive::CurrentUser, kManagedMailsKey));
}

TEST_F(Locate, TheReadOnlySwitchActsOnTheSelectedManagedRowsAndOkWritesIt) {
    Seed("[HKEY_CURRENT_USER\\Software\\Velmora\\Quillbox\\Managed Mails\\Kept]\n"
         "\"Store Root\"=\"/kept\"\n\"Read Only\"=dword:00000001\n\n"
         "[HKEY_CURRENT_USER\\Software\\Velmora\\Quillbox\\Managed Mails\\Mine]\n"
         "\"Store Root\"=\"/mine\"\n");
    RegistryFile reg = Registry();
    ASSERT_TRUE(model.FillLists(reg));
    ASSERT_EQ(NamesOf(model.Managed()), (Names{"Kept", "Mine"}));
    EXPECT_TRUE(model.Managed()[0].row.readOnly);
    EXPECT_FALSE(model.Buttons().readOnly);
    EXPECT_EQ(model.SelectedReadOnly(), std::nullopt);
    model.SelectManaged(0, true);
    model.SelectManaged(1, true);
    EXPECT_TRUE(model.Buttons().readOnly);
    EXPECT_EQ(model.SelectedReadOnly(), std::nullopt); // the two differ
    model.SetSelectedReadOnly(true);
    EXPECT_EQ(model.SelectedReadOnly(), true);
    model.SelectManaged(0, false);
    model.SetSelectedReadOnly(false);
    // A store moved to the found list and back keeps its mark; Assign gives the one asked for.
    model.SelectManaged(0, true);
    model.Remove();
    model.AddAll();
    const std::string dir = this->dir / "assigned";
    std::filesystem::create_directory(dir);
    AssignInput input{"Assigned", dir, 1, true};
    ASSERT_TRUE(model.Assign(input).accepted);
    ASSERT_TRUE(model.Confirm(reg));
    MailboxList list;
    ASSERT_TRUE(LoadMailboxEntries(reg, list));
    std::vector<std::pair<std::string, bool>> marks;
    for (const auto& e : list)
        marks.emplace_back(e->m_strName, e->m_bReadOnly);
    EXPECT_EQ(marks, (std::vector<std::pair<std::string, bool>>{
                         {"Assigned", true}, {"Kept", true}, {"Mine", false}}));
}

TEST_F(Locate, ADamagedRegistryIsReportedAndKeptAsItIs) {
    Seed("[HKEY_CURRENT_USER\\Software\\Velmora\\Quillbox\\Managed Mails\\A]\n\"Store Root\n");
    const std::string damaged = test::ReadFile(RegistryPath());
    RegistryFile reg = Registry();
    EXPECT_FALSE(model.FillLists(reg));
    EXPECT_NE(model.Error().find("damaged"), std::string::npos);
    EXPECT_FALSE(model.Confirm(reg));
    EXPECT_FALSE(model.Error().empty());
    EXPECT_EQ(test::ReadFile(RegistryPath()), damaged);
}

} // namespace
} // namespace qb
