// Every file operation of the changing operations fails in turn (as an error, as a cut-off write
// and as a crash of the process); afterwards no message may be lost and every folder must load.
#include "support/fault_harness.h"
#include "support/stores.h"

#include <gtest/gtest.h>

namespace qb {
namespace {

using test::Contents;
using test::FaultCase;
using test::NetscapeStore;
using test::NsMessage;
namespace stdfs = std::filesystem;

using Strings = std::vector<std::string>;

bool IsPrefix(const Strings& prefix, const Strings& all) {
    return prefix.size() <= all.size() && std::equal(prefix.begin(), prefix.end(), all.begin());
}

class NetscapeFaults : public ::testing::Test {
  protected:
    // A fresh root over what is on disk now (a crashed child changed only the disk).
    void Relist() { store.root = std::make_unique<CNetscapeMails>("Mail", store.dir.path()); }
    NetscapeStore store;
};

TEST_F(NetscapeFaults, AddMessage) {
    const Strings before = {"t1:a|", "t2:b|"};
    CMessage* source = nullptr;
    auto setup = [&] {
        store.Reset();
        store.Write("Src", NsMessage("s", {"x", ">From - y"}));
        store.Write("Dst", NsMessage("t1", {"a"}) + NsMessage("t2", {"b"}));
        source = store.Folder("Src")->GetMessages()[0].get();
        store.Folder("Dst")->LoadMessages();
    };
    auto operation = [&] { return store.Folder("Dst")->AddMessage(*source); };
    auto check = [&](const FaultCase& c) {
        if (c.kind == fs::FaultKind::Crash)
            Relist();
        EXPECT_EQ(Contents(*store.Folder("Src")), (Strings{"s:x|>From - y|"}));
        const Strings after = Contents(*store.Folder("Dst"));
        if (c.kind == fs::FaultKind::Crash) {
            ASSERT_TRUE(IsPrefix(before, after));
            // Whatever a crash left, the next append is listed.
            CMessage extra(0, 0, nullptr, "Subject: e\r\n", "");
            extra.m_aBody = {"e"};
            ASSERT_TRUE(store.Folder("Dst")->AddMessage(extra));
            EXPECT_EQ(Contents(*store.Folder("Dst")).back(), "e:e|");
        } else {
            EXPECT_EQ(after,
                      (c.reportedSuccess ? Strings{"t1:a|", "t2:b|", "s:x|>From - y|"} : before));
            EXPECT_FALSE(store.HasTemporaryFiles());
        }
    };
    EXPECT_GT(test::EnumerateFaults(setup, operation, check), 3);
    test::EnumerateCrashes(setup, operation, check);
}

TEST_F(NetscapeFaults, AddMessagesBatch) {
    std::vector<CMessage*> sources;
    auto setup = [&] {
        store.Reset();
        store.Write("Src", NsMessage("s1", {"x"}) + NsMessage("s2", {"y"}) + NsMessage("s3", {}));
        store.Write("Dst", NsMessage("t", {"a"}));
        sources.clear();
        for (auto& m : store.Folder("Src")->GetMessages())
            sources.push_back(m.get());
    };
    std::vector<bool> added;
    auto operation = [&] { return store.Folder("Dst")->AddMessages(sources, added); };
    const Strings texts = {"s1:x|", "s2:y|", "s3:"};
    test::EnumerateFaults(setup, operation, [&](const FaultCase& c) {
        // Exactly the sources reported as added are in the file, in order after what was there.
        Strings expected = {"t:a|"};
        for (std::size_t i = 0; i < texts.size(); ++i) {
            if (added[i])
                expected.push_back(texts[i]);
        }
        EXPECT_EQ(c.reportedSuccess, expected.size() == 1 + texts.size());
        EXPECT_EQ(Contents(*store.Folder("Dst")), expected);
        EXPECT_EQ(Contents(*store.Folder("Src")), (Strings{"s1:x|", "s2:y|", "s3:"}));
    });
}

TEST_F(NetscapeFaults, RemoveMessage) {
    auto setup = [&] {
        store.Reset();
        store.Write("F", NsMessage("a", {"x"}) + NsMessage("b", {"y"}) + NsMessage("c", {"z"}));
        store.Folder("F")->LoadMessages();
    };
    auto operation = [&] {
        CNetscapeMails* f = store.Folder("F");
        return f->RemoveMessage(f->m_pMessages[1].get());
    };
    auto check = [&](const FaultCase& c) {
        if (c.kind == fs::FaultKind::Crash)
            Relist();
        const Strings after = Contents(*store.Folder("F"));
        if (c.kind == fs::FaultKind::Crash)
            EXPECT_TRUE(after == (Strings{"a:x|", "b:y|", "c:z|"}) ||
                        after == (Strings{"a:x|", "c:z|"}));
        else
            EXPECT_EQ(after, (c.reportedSuccess ? Strings{"a:x|", "c:z|"}
                                                : Strings{"a:x|", "b:y|", "c:z|"}));
    };
    test::EnumerateFaults(setup, operation, check);
    test::EnumerateCrashes(setup, operation, check);
}

TEST_F(NetscapeFaults, UndeleteMessages) {
    const std::string a = NsMessage("a", {"x"}, "0009"), b = NsMessage("b", {"y"});
    const std::string before = a + b + NsMessage("c", {"z"}, "8009");
    const std::string after = NsMessage("a", {"x"}, "0001") + b + NsMessage("c", {"z"}, "8001");
    auto setup = [&] {
        store.Reset();
        store.Write("F", before);
        store.Folder("F")->LoadMessagesWithDeleted();
    };
    auto operation = [&] {
        CNetscapeMails* f = store.Folder("F");
        return f->UndeleteMessages({f->m_pMessages[0].get(), f->m_pMessages[2].get()});
    };
    auto check = [&](const FaultCase& c) {
        const std::string now = store.Read("F");
        if (c.kind == fs::FaultKind::Crash) // each mark is cleared or not
            EXPECT_TRUE(now == before || now == after ||
                        now == NsMessage("a", {"x"}, "0001") + b + NsMessage("c", {"z"}, "8009"));
        else
            EXPECT_EQ(now, c.reportedSuccess ? after : before);
    };
    test::EnumerateFaults(setup, operation, check);
    test::EnumerateCrashes(setup, operation, check);
}

TEST_F(NetscapeFaults, Compact) {
    const std::string a = NsMessage("a", {"x"}), c = NsMessage("c", {"z"});
    const std::string original = "lead\r\n" + a + NsMessage("b", {"y"}, "0009") + c;
    auto setup = [&] {
        store.Reset();
        store.Write("F", original);
        store.Folder("F");
    };
    auto operation = [&] { return store.Folder("F")->Compact(); };
    auto check = [&](const FaultCase& c) {
        if (c.kind == fs::FaultKind::Crash)
            Relist();
        EXPECT_EQ(test::ChildNames(*store.root), (Strings{"F"}));
        EXPECT_EQ(Contents(*store.Folder("F")), (Strings{"a:x|", "c:z|"}));
        if (c.kind != fs::FaultKind::Crash)
            EXPECT_EQ(store.Read("F"), c.reportedSuccess ? a + NsMessage("c", {"z"}) : original);
        else
            ASSERT_TRUE(store.Folder("F")->Compact()); // clears what the crash left
        EXPECT_FALSE(store.HasTemporaryFiles());
    };
    test::EnumerateFaults(setup, operation, check);
    test::EnumerateCrashes(setup, operation, check);
}

TEST_F(NetscapeFaults, Rename) {
    auto setup = [&] {
        store.Reset();
        store.Write("A", NsMessage("a", {"x"}));
        store.Write("A.snm", "summary");
        stdfs::create_directory(store.Path("A.sbd"));
        store.Write("A.sbd/B", NsMessage("b", {"y"}));
        store.Folder("A/B");
    };
    auto operation = [&] { return store.Folder("A")->Rename("C", false); };
    auto check = [&](const FaultCase& c) {
        const std::string node = store.Folder("A") ? "A" : "C";
        if (c.kind == fs::FaultKind::Crash) {
            Relist();
            // The messages and the sub-folder are listed under one name or the other.
            const std::string at = stdfs::exists(store.Path("A")) ? "A" : "C";
            EXPECT_EQ(Contents(*store.Folder(at)), (Strings{"a:x|"}));
            const std::string sub = stdfs::exists(store.Path("A.sbd")) ? "A" : "C";
            ASSERT_NE(store.Folder(sub + "/B"), nullptr);
            EXPECT_EQ(Contents(*store.Folder(sub + "/B")), (Strings{"b:y|"}));
            return;
        }
        const std::string at = c.reportedSuccess ? "C" : "A";
        EXPECT_EQ(node, at);
        EXPECT_EQ(test::ChildNames(*store.root), (Strings{at}));
        EXPECT_EQ(store.Read(at + ".snm"), "summary");
        EXPECT_EQ(Contents(*store.Folder(at)), (Strings{"a:x|"}));
        EXPECT_EQ(Contents(*store.Folder(at + "/B")), (Strings{"b:y|"}));
        EXPECT_EQ(store.Folder(at + "/B")->m_strPath, store.Path(at + ".sbd/B"));
    };
    test::EnumerateFaults(setup, operation, check);
    test::EnumerateCrashes(setup, operation, check);
}

TEST_F(NetscapeFaults, CopyFolder) {
    const Strings sourceMessages = {"s1:x|", "s2:y|"};
    auto setup = [&] {
        store.Reset();
        store.Write("Src", NsMessage("s1", {"x"}) + NsMessage("s2", {"y"}));
        stdfs::create_directory(store.Path("Src.sbd"));
        store.Write("Src.sbd/Kid", NsMessage("k", {"z"}));
        store.Write("Dst", "");
        store.Folder("Dst")->GetSubFolders();
        store.Folder("Src"); // its sub-folders are listed by the copy
    };
    auto operation = [&] {
        return store.Folder("Dst")->CopyFolder(*store.Folder("Src")) != nullptr;
    };
    auto check = [&](const FaultCase& c) {
        if (c.kind == fs::FaultKind::Crash)
            Relist();
        EXPECT_EQ(Contents(*store.Folder("Src")), sourceMessages);
        EXPECT_EQ(Contents(*store.Folder("Src/Kid")), (Strings{"k:z|"}));
        if (c.kind != fs::FaultKind::Crash) {
            EXPECT_FALSE(store.HasTemporaryFiles());
            // A failed copy leaves no node behind either.
            EXPECT_EQ(store.Folder("Dst")->Children().empty(), !c.reportedSuccess);
        }
        Relist();
        CNetscapeMails* copy = store.Folder("Dst/Src");
        if (!c.reportedSuccess && c.kind != fs::FaultKind::Crash) {
            // A failed copy is taken back whole.
            EXPECT_EQ(copy, nullptr);
            EXPECT_FALSE(stdfs::exists(store.Path("Dst.sbd")));
        }
        if (copy == nullptr) {
            EXPECT_FALSE(c.reportedSuccess);
            return;
        }
        const Strings copied = Contents(*copy);
        if (c.kind != fs::FaultKind::Crash) {
            EXPECT_TRUE(IsPrefix(copied, sourceMessages));
        }
        if (c.reportedSuccess) {
            EXPECT_EQ(copied, sourceMessages);
            EXPECT_EQ(Contents(*store.Folder("Dst/Src/Kid")), (Strings{"k:z|"}));
        }
    };
    test::EnumerateFaults(setup, operation, check);
    test::EnumerateCrashes(setup, operation, check);
}

TEST_F(NetscapeFaults, CreateAndDeleteFolder) {
    auto setup = [&] {
        store.Reset();
        store.Write("Keep", NsMessage("k", {"x"}));
        store.Write("A", NsMessage("a", {"y"}));
        store.Write("A.snm", "");
        stdfs::create_directory(store.Path("A.sbd"));
        store.Write("A.sbd/B", NsMessage("b", {"z"}));
        store.Folder("Keep"); // A's sub-folders are listed by the operations
    };
    test::EnumerateFaults(
        setup, [&] { return store.Folder("Keep")->CreateFolder("New") != nullptr; },
        [&](const FaultCase& c) {
            CMails* made = nullptr;
            for (CMails* child : store.Folder("Keep")->Children())
                made = child;
            EXPECT_EQ(made != nullptr, c.reportedSuccess);
            if (c.reportedSuccess) {
                EXPECT_TRUE(stdfs::is_regular_file(store.Path("Keep.sbd/New")));
            }
            EXPECT_EQ(Contents(*store.Folder("Keep")), (Strings{"k:x|"}));
        });
    test::EnumerateFaults(
        setup, [&] { return store.root->DeleteSubFolder(store.Folder("A")) != nullptr; },
        [&](const FaultCase& c) {
            EXPECT_EQ(Contents(*store.Folder("Keep")), (Strings{"k:x|"}));
            if (c.reportedSuccess) {
                EXPECT_FALSE(stdfs::exists(store.Path("A")) || stdfs::exists(store.Path("A.snm")) ||
                             stdfs::exists(store.Path("A.sbd")));
            } else {
                // What was not deleted still loads and can be reached.
                Relist();
                if (stdfs::exists(store.Path("A"))) {
                    EXPECT_EQ(Contents(*store.Folder("A")), (Strings{"a:y|"}));
                }
                if (stdfs::exists(store.Path("A.sbd/B"))) {
                    ASSERT_NE(store.Folder("A/B"), nullptr);
                    EXPECT_EQ(Contents(*store.Folder("A/B")), (Strings{"b:z|"}));
                }
            }
        });
}

} // namespace
} // namespace qb
