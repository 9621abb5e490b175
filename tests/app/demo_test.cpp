// The generated sample: both stores registered alone in their own registry file, readable by the
// program and, for the Netscape folders, by Python's mailbox module.
#include "app/demo.h"
#include "app/discovery.h"
#include "app/mailbox_registry.h"
#include "app/store_address.h"
#include "model/mails.h"
#include "model/message.h"
#include "platform/registry_file.h"
#include "support/run_tool.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qb::test {
namespace {

std::vector<std::string> Subjects(CMails& root, const std::string& path) {
    std::vector<std::string> subjects;
    CMails* folder = FindFolderByPath(root, path);
    EXPECT_NE(folder, nullptr) << path;
    if (folder == nullptr || !folder->LoadMessages())
        return subjects;
    for (const auto& message : folder->m_pMessages)
        subjects.push_back(message->GetHeaderField("Subject: "));
    return subjects;
}

TEST(Demo, BothStoresAreWrittenAndRegisteredAloneAndASecondRunChangesNothing) {
    TempDir dir;
    std::string error;
    const std::string registryPath = WriteDemo(dir.path(), error);
    ASSERT_EQ(registryPath, dir / "quillbox.reg") << error;
    RegistryFile registry(registryPath);
    MailboxList list;
    ASSERT_TRUE(LoadMailboxEntries(registry, list));
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(registry.GetDword(Hive::CurrentUser, kAppKey, kFirstRunMarkerValue), 1u);
    std::vector<std::string> seen;
    for (const auto& entry : list) {
        EXPECT_FALSE(entry->m_bReadOnly);
        std::unique_ptr<MailboxEntry> store = OpenStore(
            {entry->m_strName, entry->m_strStoreRoot, entry->m_strType, entry->m_bReadOnly});
        const std::vector<std::string> inbox = Subjects(*store->m_pRoot, "Inbox");
        seen.push_back(entry->m_strName + ": " + std::to_string(inbox.size()));
        if (entry->m_strName == kDemoNetscapeName) {
            EXPECT_EQ(entry->m_strType, kTypeNavigator);
            EXPECT_EQ(Subjects(*store->m_pRoot, "Archive/1996"),
                      std::vector<std::string>{"Last year's report"});
        } else {
            EXPECT_EQ(entry->m_strType, kTypeInternetMail);
            EXPECT_EQ(inbox.front(), "Internet Mail format");
        }
    }
    EXPECT_EQ(seen, (std::vector<std::string>{std::string(kDemoInternetMailName) + ": 2",
                                              std::string(kDemoNetscapeName) + ": 3"}));
    if (HaveTool("python3")) {
        std::string out;
        ASSERT_EQ(
            RunCommand("python3 -c 'import mailbox,sys; print(\"|\".join(m[\"Subject\"] for m "
                       "in mailbox.mbox(sys.argv[1])))' " +
                           ShellQuote(dir / "netscape/Inbox"),
                       &out),
            0);
        EXPECT_EQ(out, "Welcome to the sample store|Minutes of Tuesday's meeting|Re: Minutes of "
                       "Tuesday's meeting\n");
    }
    const auto before = Snapshot(dir.path());
    EXPECT_EQ(WriteDemo(dir.path(), error), "");
    EXPECT_NE(error, "");
    EXPECT_EQ(Snapshot(dir.path()), before);
}

} // namespace
} // namespace qb::test
