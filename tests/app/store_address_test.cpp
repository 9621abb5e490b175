// Addressing stores, folders and messages from the command line.
#include "app/store_address.h"

#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace qb {
namespace {

using test::TempDir;

// A plain in-memory tree: root / {Inbox / {Work, work}, Sent}.
class FolderTree : public ::testing::Test {
  protected:
    CMails root{"Store", "/store", CMails::kPlain};
    CMails* inbox = nullptr;
    CMails* sent = nullptr;
    CMails* work = nullptr;
    CMails* workLower = nullptr;

    void SetUp() override {
        sent = root.CreateFolder("Sent");
        inbox = root.CreateFolder("Inbox");
        workLower = inbox->CreateFolder("work");
        work = inbox->CreateFolder("Work");
    }
};

TEST_F(FolderTree, PathsNameFoldersExactly) {
    EXPECT_EQ(FindFolderByPath(root, ""), &root);
    EXPECT_EQ(FindFolderByPath(root, "/"), &root);
    EXPECT_EQ(FindFolderByPath(root, "Inbox"), inbox);
    EXPECT_EQ(FindFolderByPath(root, "/Inbox/"), inbox);
    EXPECT_EQ(FindFolderByPath(root, "Inbox/Work"), work);
    EXPECT_EQ(FindFolderByPath(root, "Inbox/work"), workLower); // case matters
    EXPECT_EQ(FindFolderByPath(root, "Sent"), sent);

    EXPECT_EQ(FindFolderByPath(root, "inbox"), nullptr);
    EXPECT_EQ(FindFolderByPath(root, "Inbox/Nope"), nullptr);
    EXPECT_EQ(FindFolderByPath(root, "Inbox//Work"), nullptr);
    EXPECT_EQ(FindFolderByPath(root, "//"), nullptr);
    EXPECT_EQ(FindFolderByPath(root, "Sent/Inbox"), nullptr);
    EXPECT_EQ(FindFolderByPath(root, " Inbox"), nullptr);
}

TEST_F(FolderTree, ListingIsDepthFirstInChildOrder) {
    std::vector<std::string> paths;
    std::vector<CMails*> folders;
    for (const FolderPath& f : ListFolderPaths(root)) {
        paths.push_back(f.path);
        folders.push_back(f.folder);
    }
    // CreateFolder puts each new folder first among its siblings.
    EXPECT_EQ(paths, (std::vector<std::string>{"Inbox", "Inbox/Work", "Inbox/work", "Sent"}));
    EXPECT_EQ(folders, (std::vector<CMails*>{inbox, work, workLower, sent}));
    // Every listed path leads back to its folder.
    for (const FolderPath& f : ListFolderPaths(root))
        EXPECT_EQ(FindFolderByPath(root, f.path), f.folder) << f.path;

    CMails empty{"E", "/e", CMails::kPlain};
    EXPECT_TRUE(ListFolderPaths(empty).empty());
}

TEST(Rows, OnlyPlainDecimalNumbers) {
    EXPECT_EQ(ParseRow("0"), 0u);
    EXPECT_EQ(ParseRow("42"), 42u);
    EXPECT_EQ(ParseRow("007"), 7u);
    EXPECT_EQ(ParseRow("99999999999999999999999999"), static_cast<std::size_t>(-1));
    for (const char* bad : {"", "-1", "+1", " 1", "1 ", "1a", "0x10", "1.0"})
        EXPECT_FALSE(ParseRow(bad).has_value()) << bad;
}

TEST(Rows, SelectionFollowsListOrderAndActsOnce) {
    CMails folder{"F", "/f", CMails::kPlain};
    for (int i = 0; i < 4; ++i) {
        CMessage m(0, 0, nullptr, "Subject: " + std::to_string(i) + "\r\n", "");
        folder.AddMessage(m);
    }
    const MessageList& listing = folder.m_pMessages;
    std::vector<CMessage*> selected;
    ASSERT_TRUE(SelectRows(listing, {3, 1, 3, 1, 0}, selected));
    EXPECT_EQ(selected,
              (std::vector<CMessage*>{listing[0].get(), listing[1].get(), listing[3].get()}));

    selected = {listing[2].get()};
    EXPECT_FALSE(SelectRows(listing, {1, 4}, selected));
    EXPECT_TRUE(selected.empty()); // nothing half-selected
    EXPECT_FALSE(SelectRows(listing, {static_cast<std::size_t>(-1)}, selected));
    EXPECT_FALSE(SelectRows(MessageList(), {0}, selected));
    ASSERT_TRUE(SelectRows(listing, {}, selected));
    EXPECT_TRUE(selected.empty());
}

class StoreAddressTest : public ::testing::Test {
  protected:
    TempDir dir;
    RegistryFile registry{dir / "r.reg"};

    void Register(const std::string& name, const std::string& root, const std::string& type) {
        ASSERT_TRUE(WriteMailboxEntry(registry, name, root, type));
    }
};

TEST_F(StoreAddressTest, DirectoryAddressesNameTheRootAfterTheDirectory) {
    const std::string mail = dir / "My Mail";
    std::filesystem::create_directory(mail);
    MailboxRow row;
    std::string error;
    ASSERT_TRUE(ResolveStoreAddress("netscape:" + mail + "/", registry, row, error)) << error;
    EXPECT_EQ(row.name, "My Mail");
    EXPECT_EQ(row.storeRoot, mail);
    EXPECT_EQ(row.type, kTypeNavigator);

    ASSERT_TRUE(ResolveStoreAddress("imn:" + mail, registry, row, error)) << error;
    EXPECT_EQ(row.name, "My Mail");
    EXPECT_EQ(row.type, kTypeInternetMail);

    auto store = OpenStore(row);
    ASSERT_NE(store->m_pRoot, nullptr);
    EXPECT_EQ(store->m_pRoot->m_strName, "My Mail");
    EXPECT_EQ(store->m_pRoot->m_strPath, mail);
    EXPECT_EQ(store->m_pRoot->GetType(), CMails::kInternetMail);
    ASSERT_TRUE(ResolveStoreAddress("netscape:" + mail, registry, row, error));
    EXPECT_EQ(OpenStore(row)->m_pRoot->GetType(), CMails::kNetscape);
}

TEST_F(StoreAddressTest, RegisteredNamesMatchWithoutCase) {
    const std::string a = dir / "a";
    std::filesystem::create_directory(a);
    Register("Old Mail", a, kTypeCommunicator);
    Register("Odd", a, "something else");
    MailboxRow row;
    std::string error;
    ASSERT_TRUE(ResolveStoreAddress("old MAIL", registry, row, error)) << error;
    EXPECT_EQ(row.name, "Old Mail");
    EXPECT_EQ(row.storeRoot, a);
    EXPECT_EQ(row.type, kTypeCommunicator);
    EXPECT_EQ(OpenStore(row)->m_pRoot->GetType(), CMails::kNetscape);
    // Any other type string opens an Internet Mail store, as the program does.
    ASSERT_TRUE(ResolveStoreAddress("Odd", registry, row, error));
    EXPECT_EQ(OpenStore(row)->m_pRoot->GetType(), CMails::kInternetMail);
}

TEST_F(StoreAddressTest, AStoreNamedByItsPathKeepsItsReadOnlyMark) {
    const std::string kept = dir / "kept";
    const std::string other = dir / "other";
    std::filesystem::create_directory(kept);
    std::filesystem::create_directory(other);
    ASSERT_TRUE(WriteMailboxEntry(registry, "Kept", kept + "/", kTypeNavigator, true));
    Register("Other", other, kTypeNavigator);
    std::vector<std::string> names = {"kept", "netscape:" + kept};
    if (test::kSymbolicLinks) {
        std::filesystem::create_directory_symlink(kept, dir / "link");
        names.push_back("imn:" + dir / "link");
    }
    MailboxRow row;
    std::string error;
    for (const std::string& text : names) {
        ASSERT_TRUE(ResolveStoreAddress(text, registry, row, error)) << text << ": " << error;
        EXPECT_TRUE(row.readOnly) << text;
        EXPECT_TRUE(OpenStore(row)->m_bReadOnly) << text;
    }
    for (const std::string& text : {std::string("Other"), "netscape:" + other}) {
        ASSERT_TRUE(ResolveStoreAddress(text, registry, row, error)) << text << ": " << error;
        EXPECT_FALSE(row.readOnly) << text;
    }
}

TEST(SameStoreTest, SameClassOverTheSameDirectory) {
    const MailboxRow a{"A", "/data/mail", kTypeNavigator};
    EXPECT_TRUE(SameStore(a, {"other name", "/data/mail/", kTypeCommunicator}));
    EXPECT_TRUE(SameStore(a, {"A", "/data/./x/../mail", kTypeNavigator}));
    EXPECT_FALSE(SameStore(a, {"A", "/data/mail", kTypeInternetMail}));
    EXPECT_FALSE(SameStore(a, {"A", "/data/mail2", kTypeNavigator}));
    EXPECT_FALSE(SameStore(a, {"A", "/data/Mail", kTypeNavigator}));
    // Relative directories are taken from the current directory.
    const std::string cwd = std::filesystem::current_path().string();
    EXPECT_TRUE(SameStore({"r", "mail", "x"}, {"r", cwd + "/mail", "y"}));
}

TEST_F(StoreAddressTest, AddressesThatNameNothing) {
    const std::string gone = dir / "gone";
    const std::string file = dir / "file";
    test::WriteFile(file, "x");
    Register("Gone", gone, kTypeNavigator);
    struct Case {
        std::string text;
        const char* error;
    };
    for (const Case& c : std::vector<Case>{{"netscape:", kTextDirectoryNotFound},
                                           {"imn:", kTextDirectoryNotFound},
                                           {"netscape:" + gone, kTextDirectoryNotFound},
                                           {"imn:" + file, kTextDirectoryNotFound},
                                           {"Gone", kTextDirectoryNotFound},
                                           {"Nobody", kTextMailboxNotFound},
                                           {"mbox:" + dir.path(), kTextMailboxNotFound},
                                           {"", kTextMailboxNotFound}}) {
        MailboxRow row;
        std::string error;
        EXPECT_FALSE(ResolveStoreAddress(c.text, registry, row, error)) << c.text;
        EXPECT_EQ(error, c.error) << c.text;
    }
}

} // namespace
} // namespace qb
