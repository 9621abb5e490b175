#include "app/new_mailbox.h"
#include "platform/file_system.h"
#include "platform/paths.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qb {
namespace {

class NewMailbox : public ::testing::Test {
  protected:
    void SetUp() override {
        std::filesystem::create_directory(dir / "exists");
        test::WriteFile(dir / "afile", "x");
        lookups.nameInUse = [this](const std::string& n) {
            asked.push_back("name " + n);
            return EqualsNoCase(n, "Inbox");
        };
        lookups.directoryInUse = [this](const std::string& d) {
            asked.push_back("dir " + d);
            return EqualsNoCase(d, dir / "Taken");
        };
    }
    NewMailboxCheck Check(const std::string& name, const std::string& directory) {
        input = {name, directory};
        return CheckNewMailbox(input, lookups);
    }
    void ExpectRefused(const NewMailboxCheck& c, const std::string& text, DialogField focus) {
        EXPECT_EQ(c.step, NewMailboxStep::Refused);
        EXPECT_EQ(c.message, text);
        EXPECT_EQ(c.focus, focus);
    }
    test::TempDir dir;
    NewMailboxLookups lookups;
    NewMailboxInput input;
    std::vector<std::string> asked;
};

TEST_F(NewMailbox, ChecksRunInOrderWithTheirTextsAndFocus) {
    ExpectRefused(Check("", dir / "Taken"), "Please input a name", DialogField::Name);
    EXPECT_TRUE(asked.empty());
    ExpectRefused(Check("INBOX", ""), "There has been a mailbox which has same name",
                  DialogField::Name);
    ExpectRefused(Check("New", "   "), "Please input a directory", DialogField::Directory);
    ExpectRefused(Check("New", " " + dir / "taken/ "),
                  "There has been a mailbox which use same directory", DialogField::Directory);
    EXPECT_EQ(asked.back(), "dir " + dir / "taken");
    EXPECT_EQ(input.directory, dir / "taken");
    const NewMailboxCheck ok = Check("New", dir / "exists/");
    EXPECT_EQ(ok.step, NewMailboxStep::Accepted);
    EXPECT_EQ(input.directory, dir / "exists");
}

TEST_F(NewMailbox, AMissingDirectoryIsCreatedOnlyWhenTheUserSaysYes) {
    const NewMailboxCheck ask = Check("New", " " + dir / "fresh/");
    EXPECT_EQ(ask.step, NewMailboxStep::AskCreateDirectory);
    EXPECT_EQ(ask.message, "Specified directory not exsit, create it?");
    EXPECT_FALSE(fs::Exists(dir / "fresh"));

    ExpectRefused(AnswerCreateDirectory(input, false), "", DialogField::Directory);
    EXPECT_FALSE(fs::Exists(dir / "fresh"));

    EXPECT_EQ(AnswerCreateDirectory(input, true).step, NewMailboxStep::Accepted);
    EXPECT_TRUE(fs::IsDirectory(dir / "fresh"));

    // One level only: a missing parent makes the creation fail.
    Check("New", dir / "no/such/parent");
    ExpectRefused(AnswerCreateDirectory(input, true), "Cannot create directory",
                  DialogField::Directory);
    EXPECT_FALSE(fs::Exists(dir / "no"));
}

TEST_F(NewMailbox, AFileInTheWayIsNeverAcceptedAsTheStore) {
    const NewMailboxCheck ask = Check("New", dir / "afile");
    EXPECT_EQ(ask.step, NewMailboxStep::AskCreateDirectory);
    EXPECT_EQ(ask.message, "Specified directory not exsit, create it?");
    ExpectRefused(AnswerCreateDirectory(input, true), "Cannot create directory",
                  DialogField::Directory);
    ExpectRefused(AnswerCreateDirectory(input, false), "", DialogField::Directory);
    EXPECT_EQ(test::ReadFile(dir / "afile"), "x");
}

TEST_F(NewMailbox, CreateDirButton) {
    EXPECT_TRUE(CreateMailboxDirectory(dir / "made").accepted);
    EXPECT_TRUE(fs::IsDirectory(dir / "made"));
    const DialogCheck again = CreateMailboxDirectory(dir / "made");
    EXPECT_FALSE(again.accepted);
    EXPECT_EQ(again.message, "Cannot create directory");
    EXPECT_EQ(again.focus, DialogField::Directory);
}

} // namespace
} // namespace qb
