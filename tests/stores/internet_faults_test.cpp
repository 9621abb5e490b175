// Every file operation of the store's writing operations fails in turn (as an error, as a short
// write, and as a crash of the process): no live message may be lost, the folder must still load,
// and a failure must leave no temporary file behind.
#include "stores/internet_mails.h"

#include "internet_fixtures.h"
#include "stores/mail_index.h"
#include "support/fault_harness.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

namespace qb::test {
namespace {

using Set = std::multiset<std::string>;

Set Messages(std::initializer_list<int> ids) {
    Set out;
    for (int i : ids)
        out.insert("m" + std::to_string(i) + "|line " + std::to_string(i));
    return out;
}

bool Includes(const Set& outer, const Set& inner) {
    return std::includes(outer.begin(), outer.end(), inner.begin(), inner.end());
}

// Writes an Inbox of messages m1..mN through the store itself, then marks `removed`. The files
// are made once per shape and copied for each run (writing through the store flushes to disk).
void WriteInbox(const std::string& dir, int count, std::initializer_list<int> removed) {
    InternetStore store(dir);
    ASSERT_NE(store.root.CreateFolder("Inbox"), nullptr);
    CInternetMails* inbox = store.Folder("Inbox");
    std::vector<std::unique_ptr<CMessage>> messages;
    std::vector<CMessage*> list;
    for (int i = 1; i <= count; ++i) {
        messages.push_back(SimpleMessage("m" + std::to_string(i), {"line " + std::to_string(i)}));
        list.push_back(messages.back().get());
    }
    std::vector<bool> added;
    ASSERT_TRUE(inbox->AddMessages(list, added));
    inbox->LoadMessages();
    std::vector<CMessage*> gone;
    for (int id : removed)
        gone.push_back(inbox->m_pMessages[static_cast<std::size_t>(id - 1)].get());
    if (!gone.empty()) {
        ASSERT_TRUE(inbox->RemoveMessages(gone));
    }
}

void BuildInbox(const std::string& dir, int count, std::initializer_list<int> removed) {
    std::string key = std::to_string(count);
    for (int id : removed)
        key += "-" + std::to_string(id);
    const std::string shape = std::filesystem::path(dir).parent_path().string() + "/shape" + key;
    if (!std::filesystem::exists(shape)) {
        std::filesystem::create_directory(shape);
        WriteInbox(shape, count, removed);
    }
    for (const char* name : {"/Inbox.mbx", "/Inbox.idx"})
        std::filesystem::copy_file(shape + name, dir + name);
}

// Each run gets a fresh directory, made again under one name (rewriting files in place is slow
// on some file systems; the crash runs' child processes make it there too).
class InternetFaults : public ::testing::Test {
  protected:
    std::string NextRun() {
        m_store.reset();
        m_run = m_dir / "run";
        std::filesystem::remove_all(m_run);
        std::filesystem::create_directory(m_run);
        return m_run;
    }
    void CheckNoTemporary(const FaultCase& c, const std::string& dir) {
        if (c.kind != fs::FaultKind::Crash) {
            EXPECT_FALSE(HasTemporary(dir));
        }
    }

    TempDir m_dir;
    std::string m_run;
    std::unique_ptr<InternetStore> m_store;
};

TEST_F(InternetFaults, AddMessage) {
    std::unique_ptr<CMessage> message;
    CInternetMails* inbox = nullptr;
    const std::int64_t ops = EnumerateFaults(
        [&] {
            BuildInbox(NextRun(), 3, {2});
            m_store = std::make_unique<InternetStore>(m_run);
            inbox = m_store->Folder("Inbox");
            message = SimpleMessage("new", {"n"});
        },
        [&] { return inbox->AddMessage(*message); },
        [&](const FaultCase& c) {
            const Set before = Messages({1, 3});
            Set withNew = before;
            withNew.insert("new|n");
            const Set live = Live(*inbox);
            if (c.reportedSuccess)
                EXPECT_EQ(live, withNew);
            else
                EXPECT_TRUE(live == before || live == withNew);
            CheckNoTemporary(c, m_run);
            // The folder takes further messages afterwards.
            auto later = SimpleMessage("later", {"l"});
            ASSERT_TRUE(inbox->AddMessage(*later));
            const Set after = Live(*inbox);
            EXPECT_EQ(after.count("later|l"), 1u);
            EXPECT_TRUE(Includes(after, before));
        });
    EXPECT_GT(ops, 5);
    EnumerateCrashes(
        [&] {
            BuildInbox(NextRun(), 3, {2});
            m_store = std::make_unique<InternetStore>(m_run);
            inbox = m_store->Folder("Inbox");
            message = SimpleMessage("new", {"n"});
        },
        [&] { return inbox->AddMessage(*message); },
        [&](const FaultCase&) {
            EXPECT_TRUE(Includes(Live(*inbox), Messages({1, 3})));
            auto later = SimpleMessage("later", {"l"});
            ASSERT_TRUE(inbox->AddMessage(*later));
            EXPECT_EQ(Live(*inbox).count("later|l"), 1u);
        });
}

TEST_F(InternetFaults, RemoveMessage) {
    CInternetMails* inbox = nullptr;
    auto setup = [&] {
        BuildInbox(NextRun(), 3, {});
        m_store = std::make_unique<InternetStore>(m_run);
        inbox = m_store->Folder("Inbox");
        inbox->LoadMessages();
    };
    auto op = [&] { return inbox->RemoveMessage(inbox->m_pMessages[0].get()); };
    EnumerateFaults(setup, op, [&](const FaultCase& c) {
        const Set live = Live(*inbox);
        if (c.reportedSuccess)
            EXPECT_EQ(live, Messages({2, 3}));
        else
            EXPECT_EQ(live, Messages({1, 2, 3}));
        CheckNoTemporary(c, m_run);
    });
    EnumerateCrashes(setup, op, [&](const FaultCase&) {
        const Set live = Live(*inbox);
        EXPECT_TRUE(live == Messages({2, 3}) || live == Messages({1, 2, 3}));
    });
}

TEST_F(InternetFaults, Compact) {
    CInternetMails* inbox = nullptr;
    std::string mbx, idx;
    auto setup = [&] {
        BuildInbox(NextRun(), 5, {2, 4});
        m_store = std::make_unique<InternetStore>(m_run);
        inbox = m_store->Folder("Inbox");
        mbx = ReadFile(m_run + "/Inbox.mbx");
        idx = ReadFile(m_run + "/Inbox.idx");
    };
    auto op = [&] { return inbox->Compact(); };
    const std::int64_t ops = EnumerateFaults(setup, op, [&](const FaultCase& c) {
        const Set live = Live(*inbox);
        if (c.reportedSuccess) {
            EXPECT_EQ(live, Messages({1, 3, 5}));
            EXPECT_LT(ReadFile(m_run + "/Inbox.mbx").size(), mbx.size());
        } else {
            // Either the old pair untouched, or the new index over the old messages: removed
            // messages may show again, a live one never goes.
            const bool untouched =
                ReadFile(m_run + "/Inbox.mbx") == mbx && ReadFile(m_run + "/Inbox.idx") == idx;
            EXPECT_TRUE(untouched || live == Messages({1, 2, 3, 4, 5}));
        }
        CheckNoTemporary(c, m_run);
        ASSERT_TRUE(inbox->Compact());
        EXPECT_TRUE(Includes(Live(*inbox), Messages({1, 3, 5})));
    });
    EXPECT_GT(ops, 10);
    EnumerateCrashes(setup, op, [&](const FaultCase&) {
        const Set live = Live(*inbox);
        EXPECT_TRUE(live == Messages({1, 3, 5}) || live == Messages({1, 2, 3, 4, 5}));
        // Leftover temporary files are never taken for folders.
        InternetStore again(m_run);
        EXPECT_EQ(again.root.GetSubFolders().size(), 1u);
    });
}

TEST_F(InternetFaults, CopyFolder) {
    std::unique_ptr<InternetStore> source;
    CInternetMails* from = nullptr;
    std::string target;
    auto setup = [&] {
        const std::string run = NextRun();
        std::filesystem::create_directory(run + "/src");
        std::filesystem::create_directory(run + "/dst");
        BuildInbox(run, 3, {2});
        for (const char* name : {"/Inbox.mbx", "/Inbox.idx"})
            std::filesystem::rename(run + name, run + "/src" + name);
        source = std::make_unique<InternetStore>(run + "/src");
        from = source->Folder("Inbox");
        m_store = std::make_unique<InternetStore>(run + "/dst");
        target = run + "/dst";
    };
    auto op = [&] { return m_store->root.CopyFolder(*from) != nullptr; };
    auto check = [&](const FaultCase& c) {
        EXPECT_EQ(Live(*from), Messages({1, 3}));
        CheckNoTemporary(c, target);
        if (!c.reportedSuccess && c.kind != fs::FaultKind::Crash) {
            // A failed copy is taken back whole.
            EXPECT_FALSE(std::filesystem::exists(target + "/Inbox.mbx"));
            EXPECT_FALSE(std::filesystem::exists(target + "/Inbox.idx"));
        }
        if (!std::filesystem::exists(target + "/Inbox.mbx")) {
            EXPECT_FALSE(c.reportedSuccess);
            return;
        }
        CInternetMails copy("Inbox", target + "/Inbox");
        const Set live = Live(copy);
        if (c.reportedSuccess)
            EXPECT_EQ(live, Messages({1, 3}));
        else // cut off by a crash: nothing or everything
            EXPECT_TRUE(live.empty() || live == Messages({1, 3}));
    };
    EnumerateFaults(setup, op, check);
    EnumerateCrashes(setup, op, check);
}

TEST_F(InternetFaults, Rename) {
    CInternetMails* inbox = nullptr;
    std::string mbx, idx;
    auto setup = [&] {
        BuildInbox(NextRun(), 3, {2});
        m_store = std::make_unique<InternetStore>(m_run);
        inbox = m_store->Folder("Inbox");
        mbx = ReadFile(m_run + "/Inbox.mbx");
        idx = ReadFile(m_run + "/Inbox.idx");
    };
    auto op = [&] { return inbox->Rename("Renamed", false); };
    EnumerateFaults(setup, op, [&](const FaultCase& c) {
        const std::string name = c.reportedSuccess ? "Renamed" : "Inbox";
        EXPECT_EQ(inbox->m_strName, name);
        EXPECT_EQ(DirNames(m_run), (std::vector<std::string>{name + ".idx", name + ".mbx"}));
        EXPECT_EQ(ReadFile(m_run + "/" + name + ".mbx"), mbx);
        EXPECT_EQ(ReadFile(m_run + "/" + name + ".idx"), idx);
    });
    EnumerateCrashes(setup, op, [&](const FaultCase&) {
        Set all;
        for (const char* name : {"Inbox", "Renamed"}) {
            CInternetMails folder(name, m_run + "/" + name);
            const Set live = Live(folder);
            all.insert(live.begin(), live.end());
        }
        EXPECT_TRUE(Includes(all, Messages({1, 3})));
    });
}

} // namespace
} // namespace qb::test
