// Stores on a file system that does not tell upper from lower case (Windows, and the FAT, exFAT
// and NTFS disks people read their old mail from): a folder's files spelled in other cases are
// that folder's, and no delete or rename reaches another folder's files.
#include "support/run_tool.h"
#include "support/stores.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

namespace qb {
namespace {

using test::ChildNames;
using test::Contents;
using test::NsMessage;
using test::ReadFile;
using test::RunCommand;
using test::ShellQuote;
using test::TempDir;
using test::WriteFile;
namespace stdfs = std::filesystem;

bool IgnoresCase(const std::string& dir) {
    WriteFile(dir + "/CaseProbe", "");
    const bool ignores = stdfs::exists(dir + "/caseprobe");
    stdfs::remove(dir + "/CaseProbe");
    return ignores;
}

// Root with FUSE, which mounting an image needs; Windows mounts nothing here.
bool CanMountImages() {
#ifdef _WIN32
    return false;
#else
    return ::geteuid() == 0 && stdfs::exists("/dev/fuse");
#endif
}

// A directory where letter case does not count: the temporary directory itself where its file
// system is such, otherwise an exFAT image (exfatprogs) mounted through FUSE (exfat-fuse) on a
// loop device, which needs root.
class CaselessDir {
  public:
    CaselessDir() {
        if (IgnoresCase(m_temp.path())) {
            m_path = m_temp.path();
            return;
        }
        if (!CanMountImages()) {
            m_why = "needs root and /dev/fuse to mount an exFAT image";
            return;
        }
        for (const char* tool : {"mkfs.exfat", "mount.exfat-fuse", "losetup"}) {
            if (!test::HaveTool(tool)) {
                m_why = std::string("needs ") + tool + " (packages exfatprogs, exfat-fuse)";
                return;
            }
        }
        const std::string image = m_temp / "disk.img", mount = m_temp / "mnt";
        stdfs::create_directory(mount);
        if (RunCommand("truncate -s 16M " + ShellQuote(image) + " && mkfs.exfat " +
                       ShellQuote(image) + " >/dev/null 2>&1") != 0 ||
            RunCommand("losetup -f --show " + ShellQuote(image) + " 2>/dev/null", &m_device) != 0) {
            m_why = "cannot make a loop device for an exFAT image";
            return;
        }
        m_device.erase(m_device.find_last_not_of('\n') + 1);
        if (RunCommand("mount.exfat-fuse " + ShellQuote(m_device) + " " + ShellQuote(mount) +
                       " >/dev/null 2>&1") != 0) {
            m_why = "cannot mount an exFAT image through FUSE";
            return;
        }
        m_mount = mount;
        if (IgnoresCase(mount))
            m_path = mount + "/store";
        else
            m_why = "the mounted exFAT image tells letter cases apart";
    }
    ~CaselessDir() {
        if (!m_mount.empty())
            RunCommand("umount " + ShellQuote(m_mount));
        if (!m_device.empty())
            RunCommand("losetup -d " + ShellQuote(m_device));
    }

    // Empty when no such directory can be had here; `why` says what is missing.
    const std::string& path() const { return m_path; }
    const std::string& why() const { return m_why; }

  private:
    TempDir m_temp;
    std::string m_path, m_why, m_device, m_mount;
};

CMails* Child(CMails& folder, const std::string& name) {
    for (CMails* child : folder.GetSubFolders()) {
        if (child->m_strName == name)
            return child;
    }
    return nullptr;
}

TEST(Caseless, NetscapeFolderFileAndSubFolderDirectoryInOtherCasesAreOneFolder) {
    CaselessDir place;
    if (place.path().empty())
        GTEST_SKIP() << "no case-insensitive directory: " << place.why();
    const std::string dir = place.path();
    stdfs::create_directories(dir + "/inbox.sbd");
    WriteFile(dir + "/Inbox", NsMessage("kept", {"k"}));
    WriteFile(dir + "/inbox.sbd/Sub", NsMessage("below", {"b"}));
    WriteFile(dir + "/Other", NsMessage("other", {"o"}));
    {
        CNetscapeMails root("Mail", dir);
        // "inbox.sbd" is Inbox's directory here, not a folder "inbox" whose delete would
        // remove the file "Inbox".
        EXPECT_EQ(ChildNames(root), (std::vector<std::string>{"Inbox", "Other"}));
        CMails* inbox = Child(root, "Inbox");
        ASSERT_NE(inbox, nullptr);
        EXPECT_EQ(ChildNames(*inbox), std::vector<std::string>{"Sub"});
        ASSERT_NE(root.DeleteSubFolder(Child(root, "Other")), nullptr);
        EXPECT_EQ(ReadFile(dir + "/Inbox"), NsMessage("kept", {"k"}));
        ASSERT_TRUE(inbox->Rename("Kept", false));
        EXPECT_EQ(test::DirNames(dir), (std::vector<std::string>{"Kept", "Kept.sbd"}));
    }
    CNetscapeMails root("Mail", dir);
    ASSERT_EQ(ChildNames(root), std::vector<std::string>{"Kept"});
    CMails* kept = Child(root, "Kept");
    EXPECT_EQ(Contents(*kept), std::vector<std::string>{"kept:k|"});
    ASSERT_EQ(ChildNames(*kept), std::vector<std::string>{"Sub"});
    EXPECT_EQ(Contents(*Child(*kept, "Sub")), std::vector<std::string>{"below:b|"});
    ASSERT_NE(root.DeleteSubFolder(kept), nullptr);
    EXPECT_TRUE(test::DirNames(dir).empty());
}

TEST(Caseless, InternetMailIndexInAnotherCaseKeepsItsFolderAndGoesWithIt) {
    CaselessDir place;
    if (place.path().empty())
        GTEST_SKIP() << "no case-insensitive directory: " << place.why();
    const std::string dir = place.path();
    stdfs::create_directories(dir);
    {
        CInternetMails root("Mail", dir);
        CMails* inbox = root.CreateFolder("Inbox");
        ASSERT_NE(inbox, nullptr);
        ASSERT_NE(root.CreateFolder("Other"), nullptr);
        for (const char* subject : {"gone", "kept"})
            ASSERT_TRUE(inbox->AddMessage(*test::SimpleMessage(subject, {"x"})));
        ASSERT_TRUE(inbox->LoadMessages());
        ASSERT_TRUE(inbox->RemoveMessages({inbox->GetMessages().front().get()}));
    }
    stdfs::rename(dir + "/Inbox.idx", dir + "/inbox.idx");
    ASSERT_EQ(test::DirNames(dir),
              (std::vector<std::string>{"Inbox.mbx", "Other.idx", "Other.mbx", "inbox.idx"}));
    CInternetMails root("Mail", dir);
    EXPECT_EQ(ChildNames(root), (std::vector<std::string>{"Inbox", "Other"}));
    CMails* inbox = Child(root, "Inbox");
    ASSERT_NE(inbox, nullptr);
    EXPECT_EQ(test::Subjects(*inbox), std::vector<std::string>{"kept"}); // the removed mark holds
    EXPECT_EQ(root.CreateFolder("INBOX"), nullptr);
    ASSERT_TRUE(inbox->Rename("Kept", false));
    EXPECT_EQ(test::DirNames(dir),
              (std::vector<std::string>{"Kept.idx", "Kept.mbx", "Other.idx", "Other.mbx"}));
    ASSERT_NE(root.DeleteSubFolder(Child(root, "Other")), nullptr);
    EXPECT_EQ(test::Subjects(*inbox), std::vector<std::string>{"kept"});
    ASSERT_NE(root.DeleteSubFolder(inbox), nullptr);
    EXPECT_TRUE(test::DirNames(dir).empty());
}

} // namespace
} // namespace qb
