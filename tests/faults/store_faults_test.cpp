// The changing operations of both stores, called directly, with every file operation failing in
// turn and the process stopping dead at each one; the whole world is read back after each run.
// (The store tests check each operation's exact bytes; these check that nothing anywhere else in
// the world was touched, and that every folder of every store still loads.)
#include "world.h"

#include <gtest/gtest.h>

namespace qb::test {
namespace {

class StoreFaults : public FaultsTest {
  protected:
    // Runs the operations below on folder `inbox` (holding two messages and, for Netscape, a
    // sub-folder) of a store whose root is `root`, next to an empty sibling `other`.
    void EnumerateStore(const std::string& root, const std::string& inbox,
                        const std::string& other) {
        const auto on = [](const std::string& path, auto&& op) {
            return [=](World& w) -> Bound {
                CMails* folder = w.Folder(path);
                EXPECT_NE(folder, nullptr) << path;
                folder->GetMessages();
                return [&w, folder, op] { return op(w, folder); };
            };
        };
        EXPECT_GT(Enumerate({"AddMessage", on(other,
                                              [](World&, CMails* f) {
                                                  return f->AddMessage(*WorldMail("new"));
                                              })}),
                  1);
        EXPECT_GT(Enumerate({"RemoveMessage", on(inbox,
                                                 [](World&, CMails* f) {
                                                     return f->RemoveMessage(
                                                         f->m_pMessages[0].get());
                                                 })}),
                  1);
        EXPECT_GT(Enumerate({"CreateFolder", on(root,
                                                [](World&, CMails* f) {
                                                    CMails* made = f->CreateFolder("Made");
                                                    return made != nullptr &&
                                                           made->AddMessage(*WorldMail("m"));
                                                })}),
                  1);
        EXPECT_GT(Enumerate({"CopyFolder", on(root,
                                              [inbox](World& w, CMails* f) {
                                                  CMails* source = w.Folder(inbox);
                                                  return f->CopyFolder(*source) != nullptr;
                                              })}),
                  1);
        EXPECT_GT(Enumerate({"DeleteFolder", on(inbox,
                                                [](World&, CMails* f) {
                                                    return f->GetParentFolder()->DeleteSubFolder(
                                                               f) != nullptr;
                                                })}),
                  1);
        EXPECT_GT(
            Enumerate({"Rename",
                       on(inbox, [](World&, CMails* f) { return f->Rename("Renamed", false); })}),
            2);
        // The second message is marked deleted first; the undelete brings it back.
        Command undelete{"UndeleteMessage", [inbox](World& w) -> Bound {
                             CMails* folder = w.Folder(inbox);
                             CMessage* deleted = folder->GetMessagesWithDeleted()[1].get();
                             EXPECT_TRUE(deleted->m_bDeleted);
                             return [folder, deleted] { return folder->UndeleteMessage(deleted); };
                         }};
        undelete.prepare = [inbox](World& w) {
            CMails* folder = w.Folder(inbox);
            ASSERT_TRUE(folder->RemoveMessage(folder->GetMessages()[1].get()));
        };
        EXPECT_GT(Enumerate(undelete), 1);
        Command compact{"Compact", on(inbox, [](World&, CMails* f) { return f->Compact(); })};
        compact.prepare = [inbox](World& w) {
            CMails* folder = w.Folder(inbox);
            ASSERT_TRUE(folder->RemoveMessage(folder->GetMessages()[1].get()));
        };
        compact.keepsMessages = true;
        // An Internet Mail compaction replaces the index first: a failure before the message
        // file follows shows the removed message again, never hides a kept one.
        compact.revivable = {"i2"};
        EXPECT_GT(Enumerate(compact), 2);
    }
};

TEST_F(StoreFaults, Netscape) {
    EnumerateStore("Ns2", "Ns/Inbox", "Ns/Drafts");
}

TEST_F(StoreFaults, InternetMail) {
    EnumerateStore("Im2", "Imn/Inbox", "Imn/Other");
}

} // namespace
} // namespace qb::test
