#include "app/assign.h"
#include "app/new_mailbox.h"
#include "support/stores.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qb {
namespace {

class Assign : public ::testing::Test {
  protected:
    void SetUp() override {
        std::filesystem::create_directory(dir / "store");
        std::filesystem::create_directory(dir / "Used");
        test::WriteFile(dir / "afile", "x");
    }
    DialogCheck Check(const std::string& name, const std::string& directory, int type,
                      std::string* shown = nullptr) {
        AssignInput input{name, directory, type};
        const DialogCheck result = CheckAssign(input, managed);
        if (shown != nullptr)
            *shown = input.directory;
        return result;
    }
    void ExpectRefused(const DialogCheck& c, const std::string& text, DialogField focus) {
        EXPECT_FALSE(c.accepted);
        EXPECT_EQ(c.message, text);
        EXPECT_EQ(c.focus, focus);
    }
    test::TempDir dir;
    std::vector<MailboxRow> managed{{"Work", dir / "Used", kTypeNavigator}};
};

TEST_F(Assign, ChecksRunInOrderWithTheirTextsAndFocus) {
    // Each input breaks every rule from one point on; the first broken rule is reported.
    ExpectRefused(Check("", "", -1), "Please input a name", DialogField::Name);
    ExpectRefused(Check("WORK", "", -1), "There has been a mailbox which has same name",
                  DialogField::Name);
    ExpectRefused(Check("New", " \t ", -1), "Please input a directory", DialogField::Directory);
    ExpectRefused(Check("New", dir / "USED", -1), "There has been a mailbox use same directory",
                  DialogField::Directory);
    ExpectRefused(Check("New", dir / "missing", -1), "Specified directory not found",
                  DialogField::Directory);
    ExpectRefused(Check("New", dir / "afile", 0), "Not a directory name", DialogField::Directory);
    ExpectRefused(Check("New", dir / "store", -1), "Please select mail type", DialogField::None);
    ExpectRefused(Check("New", dir / "store", 3), "Please select mail type", DialogField::None);
    EXPECT_TRUE(Check("New", dir / "store", 2).accepted);
}

TEST_F(Assign, DirectoryIsTrimmedAndLosesOneTrailingSeparator) {
    std::string shown;
    EXPECT_TRUE(Check("New", "  " + dir / "store/ \t", 1, &shown).accepted);
    EXPECT_EQ(shown, dir / "store");
    // Only one separator goes, and the duplicate test sees the trimmed text.
    ExpectRefused(Check("New", " " + dir / "Used/", 1, &shown),
                  "There has been a mailbox use same directory", DialogField::Directory);
    EXPECT_EQ(shown, dir / "Used");
    Check("New", dir / "store//", 1, &shown);
    EXPECT_EQ(shown, dir / "store/");
    // The file system's root loses its only separator and is then empty.
    ExpectRefused(Check("New", " / ", 1, &shown), "Please input a directory",
                  DialogField::Directory);
    EXPECT_EQ(shown, "");
    EXPECT_EQ(NormalizeDirectoryInput("\r\n/a/b/\n"), "/a/b");
}

TEST_F(Assign, TheKindsMapToTheirTypeStrings) {
    EXPECT_EQ(AssignTypeString(0), "Microsoft IM");
    EXPECT_EQ(AssignTypeString(1), "Navigator Mail");
    EXPECT_EQ(AssignTypeString(2), "Communicator User");
    EXPECT_EQ(AssignTypeString(-1), "");
    EXPECT_EQ(AssignTypeString(3), "");
}

// Stores written by the real store classes, then registered under each type.
TEST_F(Assign, TheDirectorysFilesDecideWhichTypeItMayTake) {
    test::NetscapeStore netscape;
    ASSERT_TRUE(netscape.root->LoadFolders());
    CMails* inbox = netscape.root->CreateFolder("Inbox");
    ASSERT_NE(inbox, nullptr);
    ASSERT_TRUE(inbox->AddMessage(*test::SimpleMessage("hello")));
    test::TempDir imDir;
    test::InternetStore im(imDir.path());
    ASSERT_TRUE(im.root.LoadFolders());
    ASSERT_NE(im.root.CreateFolder("Inbox"), nullptr);

    const std::string ns = netscape.dir.path();
    EXPECT_EQ(StoreTypeRefusal(ns, kTypeNavigator), "");
    EXPECT_EQ(StoreTypeRefusal(ns, kTypeCommunicator), "");
    EXPECT_EQ(StoreTypeRefusal(imDir.path(), kTypeInternetMail), "");
    EXPECT_EQ(StoreTypeRefusal(ns, kTypeInternetMail),
              "The directory holds Netscape mail folders (Inbox); it cannot be registered as "
              "Internet Mail");
    // The dialogs refuse with that text, the focus on the directory.
    ExpectRefused(Check("New", imDir.path(), 1),
                  "The directory holds Internet Mail files (Inbox.idx, Inbox.mbx); it cannot be "
                  "registered as a Netscape store",
                  DialogField::Directory);
    NewMailboxInput input{"New", imDir.path()};
    EXPECT_EQ(CheckNewMailbox(input, {}).step, NewMailboxStep::Refused);
    // A link to a store counts as the store; an empty directory takes either type.
    if (test::kSymbolicLinks) {
        std::filesystem::create_directory_symlink(ns, dir / "link");
        EXPECT_NE(StoreTypeRefusal(dir / "link", kTypeInternetMail), "");
    }
    EXPECT_TRUE(Check("New", dir / "store", 0).accepted);
    EXPECT_TRUE(Check("New", dir / "store", 1).accepted);
    // Both kinds in one directory: neither type, the text names what was found.
    test::WriteFile(netscape.Path("Old.mbx"), "x");
    for (const char* type : {kTypeNavigator, kTypeInternetMail})
        EXPECT_EQ(StoreTypeRefusal(ns, type),
                  "The directory holds both Internet Mail files (Old.mbx) and Netscape mail "
                  "folders (Inbox); it is not registered as either type");
    // A directory that cannot be listed is not registered blind.
    fs::SetFaultPlan({1, fs::FaultKind::Error, false}); // after the existence check
    EXPECT_EQ(StoreTypeRefusal(dir / "store", kTypeNavigator),
              "Cannot read the directory " + dir / "store" +
                  "; a store whose files cannot be seen is not registered");
    fs::ClearFaultPlan();
}

} // namespace
} // namespace qb
