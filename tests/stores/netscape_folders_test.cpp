#include "support/stores.h"

#include <gtest/gtest.h>

namespace qb {
namespace {

using test::ChildNames;
using test::Contents;
using test::NetscapeStore;
using test::NsMessage;
namespace stdfs = std::filesystem;

const std::vector<std::string> kBadNames = {
    "",          ".",     "..",    "a/b",     "a\\b",
    "tab\there", "x.sbd", "y.snm", "pop.dat", std::string("nul\0x", 5)};

TEST(NetscapeCreate, MakesFileAndDirectoryAndRefusesExistingOrBadNames) {
    NetscapeStore store;
    store.Write("Inbox", NsMessage("a", {"x"}));
    CNetscapeMails* inbox = store.Folder("Inbox");
    CMails* work = inbox->CreateFolder("Work");
    ASSERT_NE(work, nullptr);
    EXPECT_EQ(work->m_strPath, store.Path("Inbox.sbd/Work"));
    EXPECT_EQ(work->GetParentFolder(), inbox);
    EXPECT_TRUE(stdfs::is_regular_file(store.Path("Inbox.sbd/Work")));
    EXPECT_EQ(stdfs::file_size(store.Path("Inbox.sbd/Work")), 0u);

    store.Write("Inbox.sbd/Work", NsMessage("keep", {"k"}));
    EXPECT_EQ(inbox->CreateFolder("Work"), nullptr);
    EXPECT_EQ(inbox->CreateFolder("WORK"), nullptr); // letter case does not make a new name
    EXPECT_EQ(store.Read("Inbox.sbd/Work"), NsMessage("keep", {"k"}));
    EXPECT_FALSE(stdfs::exists(store.Path("Inbox.sbd/WORK")));
    for (const std::string& bad : kBadNames)
        EXPECT_EQ(store.root->CreateFolder(bad), nullptr) << bad;
    // Root folders are made in the mail directory itself.
    CMails* top = store.root->CreateFolder("Top");
    ASSERT_NE(top, nullptr);
    EXPECT_EQ(top->m_strPath, store.Path("Top"));
    EXPECT_EQ(ChildNames(*store.root), (std::vector<std::string>{"Inbox", "Top"}));
}

TEST(NetscapeDelete, RemovesFilesSummariesAndDirectoriesDeepestFirst) {
    NetscapeStore store;
    store.Write("Keep", NsMessage("k", {}));
    store.Write("A", "");
    store.Write("A.snm", "");
    stdfs::create_directories(store.Path("A.sbd/B.sbd"));
    for (const char* f : {"A.sbd/B", "A.sbd/B.snm", "A.sbd/C", "A.sbd/C.snm"})
        store.Write(f, NsMessage(f, {"x"}));
    CNetscapeMails* a = store.Folder("A");
    const std::unique_ptr<CMails> gone = store.root->DeleteSubFolder(a);
    ASSERT_EQ(gone.get(), a);
    EXPECT_EQ(a->GetParent(), nullptr);
    EXPECT_FALSE(a->HasChildren());
    std::vector<std::string> left;
    for (const auto& e : stdfs::directory_iterator(store.dir.path()))
        left.push_back(e.path().filename().string());
    EXPECT_EQ(left, (std::vector<std::string>{"Keep"}));
    EXPECT_EQ(ChildNames(*store.root), (std::vector<std::string>{"Keep"}));
}

TEST(NetscapeDelete, StopsAtAFileThatCannotBeRemoved) {
    NetscapeStore store;
    store.Write("A", "");
    stdfs::create_directories(store.Path("A.sbd/Sub")); // a directory taken for a folder
    store.Write("A.sbd/Sub/inner", "");
    CNetscapeMails* a = store.Folder("A");
    EXPECT_EQ(store.root->DeleteSubFolder(a), nullptr);
    EXPECT_TRUE(stdfs::exists(store.Path("A")));
    EXPECT_EQ(a->GetParentFolder(), store.root.get());
}

TEST(NetscapeRename, MovesFileSummaryAndDirectory) {
    NetscapeStore store;
    store.Write("A", NsMessage("a", {"x"}));
    store.Write("A.snm", "s");
    stdfs::create_directory(store.Path("A.sbd"));
    store.Write("A.sbd/B", NsMessage("b", {"y"}));
    stdfs::create_directory(store.Path("A.sbd/B.sbd"));
    store.Write("A.sbd/B.sbd/D", NsMessage("d", {"z"}));
    CNetscapeMails* a = store.Folder("A");
    CNetscapeMails* d = store.Folder("A/B/D");
    ASSERT_TRUE(a->Rename("C", false));
    EXPECT_EQ(a->m_strName, "C");
    EXPECT_EQ(a->m_strPath, store.Path("C"));
    EXPECT_EQ(store.Read("C.snm"), "s");
    EXPECT_FALSE(stdfs::exists(store.Path("A")) || stdfs::exists(store.Path("A.sbd")));
    EXPECT_EQ(d->m_strPath, store.Path("C.sbd/B.sbd/D"));
    EXPECT_EQ(Contents(*d), (std::vector<std::string>{"d:z|"}));
    EXPECT_EQ(Contents(*a), (std::vector<std::string>{"a:x|"}));
    // Only the letter case changes: allowed.
    ASSERT_TRUE(a->Rename("c", false));
    EXPECT_EQ(Contents(*store.Folder("c/B")), (std::vector<std::string>{"b:y|"}));
}

TEST(NetscapeRename, NeverOverwritesASiblingAndRefusesBadNames) {
    NetscapeStore store;
    store.Write("A", NsMessage("a", {"x"}));
    store.Write("B", NsMessage("b", {"y"}));
    store.Write("Orphan.snm", "o");
    CNetscapeMails* a = store.Folder("A");
    for (const char* taken : {"B", "b", "Orphan"})
        EXPECT_FALSE(a->Rename(taken, false)) << taken;
    for (const std::string& bad : kBadNames)
        EXPECT_FALSE(a->Rename(bad, false)) << bad;
    EXPECT_EQ(a->m_strName, "A");
    EXPECT_EQ(store.Read("A"), NsMessage("a", {"x"}));
    EXPECT_EQ(store.Read("B"), NsMessage("b", {"y"}));
    EXPECT_EQ(store.Read("Orphan.snm"), "o");
    EXPECT_FALSE(store.root->Rename("Other", false));
}

TEST(NetscapeCopy, CopiesRecursivelyAndMergesIntoSameName) {
    NetscapeStore store;
    store.Write("Src", NsMessage("s1", {"a"}) + NsMessage("gone", {}, "0008") +
                           NsMessage("s2", {">From - b"}));
    stdfs::create_directory(store.Path("Src.sbd"));
    store.Write("Src.sbd/Kid", NsMessage("k", {"c"}));
    store.Write("Dst", "");
    stdfs::create_directory(store.Path("Dst.sbd"));
    store.Write("Dst.sbd/SRC", NsMessage("old", {"o"}));
    const std::string source = store.Read("Src");

    CNetscapeMails* dst = store.Folder("Dst");
    CMails* copy = dst->CopyFolder(*store.Folder("Src"));
    ASSERT_NE(copy, nullptr);
    // The existing sub-folder is used with its own spelling; no second one appears.
    EXPECT_EQ(copy->m_strPath, store.Path("Dst.sbd/SRC"));
    EXPECT_EQ(ChildNames(*dst), (std::vector<std::string>{"SRC"}));
    EXPECT_EQ(Contents(*copy), (std::vector<std::string>{"old:o|", "s1:a|", "s2:>From - b|"}));
    EXPECT_EQ(Contents(*store.Folder("Dst/SRC/Kid")), (std::vector<std::string>{"k:c|"}));
    EXPECT_EQ(store.Read("Src"), source);

    // Into an empty folder: a new sub-folder, a new node.
    store.Write("Other", "");
    CMails* second = store.Folder("Other")->CopyFolder(*store.Folder("Src"));
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->m_strPath, store.Path("Other.sbd/Src"));
    EXPECT_EQ(Contents(*second), (std::vector<std::string>{"s1:a|", "s2:>From - b|"}));
}

TEST(NetscapeCopy, RefusesCopiesIntoItselfAndBadNames) {
    NetscapeStore store;
    store.Write("A", NsMessage("a", {"x"}));
    stdfs::create_directory(store.Path("A.sbd"));
    store.Write("A.sbd/B", "");
    CNetscapeMails* a = store.Folder("A");
    CNetscapeMails* b = store.Folder("A/B");
    EXPECT_EQ(b->CopyFolder(*a), nullptr);
    EXPECT_EQ(a->CopyFolder(*a), nullptr);
    EXPECT_EQ(store.root->CopyFolder(*a), nullptr); // would merge A into itself
    EXPECT_EQ(store.Read("A"), NsMessage("a", {"x"}));
    EXPECT_EQ(stdfs::file_size(store.Path("A.sbd/B")), 0u);

    CMails plain("bad/name", "");
    EXPECT_EQ(store.root->CopyFolder(plain), nullptr);
}

TEST(NetscapeCopy, CopiesAnInMemoryFolderTree) {
    NetscapeStore store;
    CMails restored("Archive", "");
    restored.AddMessage(*test::MakeMessage("Subject: r\r\n", {"body"}));
    restored.CreateFolder("Inner");
    CMails* copy = store.root->CopyFolder(restored);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(Contents(*copy), (std::vector<std::string>{"r:body|"}));
    EXPECT_EQ(ChildNames(*copy), (std::vector<std::string>{"Inner"}));
    // The in-memory messages keep their bodies: a second copy gets them too.
    store.Write("Second", "");
    CMails* again = store.Folder("Second")->CopyFolder(restored);
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(Contents(*again), (std::vector<std::string>{"r:body|"}));
}

} // namespace
} // namespace qb
