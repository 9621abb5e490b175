// Another program changes a Netscape folder file while this one works on it: it appends a
// message, compacts the file (so every later message moves) or writes a different folder over
// it. The change happens after the folder was listed and before the operation starts; for
// compaction also just before each of its file operations in turn. The operation must work on the
// message the user chose or refuse; it never removes, damages or copies the wrong message, and
// nothing the other program wrote is lost.
#include "support/fault_harness.h"
#include "support/stores.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <optional>

namespace qb::test {
namespace {

using Strings = std::vector<std::string>;

const std::string kA = NsMessage("a", {"alpha"});
const std::string kGone = NsMessage("gone", {"deleted long ago", "with two lines"}, "0009");
const std::string kB = NsMessage("b", {"beta", ">From - quoted"});
const std::string kC = NsMessage("c", {"gamma"});
const std::string kNew = NsMessage("z", {"appended by the other program"});

struct Change {
    const char* name;
    std::function<void(const std::string& path)> apply;
    Strings live; // what the folder lists after the change alone
};

void Append(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::app);
    out << bytes;
}

const std::vector<Change>& Changes() {
    static const std::vector<Change> changes = {
        {"append",
         [](const std::string& p) { Append(p, kNew); },
         {"a:alpha|", "b:beta|>From - quoted|", "c:gamma|", "z:appended by the other program|"}},
        {"compact",
         [](const std::string& p) { WriteFile(p, kA + kB + kC); },
         {"a:alpha|", "b:beta|>From - quoted|", "c:gamma|"}},
        {"rewrite",
         [](const std::string& p) {
             WriteFile(p, NsMessage("x", {"other"}) + NsMessage("c", {"another c"}) + kA);
         },
         {"x:other|", "c:another c|", "a:alpha|"}},
    };
    return changes;
}

Strings Without(Strings list, const std::string& item) {
    list.erase(std::remove(list.begin(), list.end(), item), list.end());
    return list;
}

class ConcurrentChange : public ::testing::Test {
  protected:
    void TearDown() override {
        fs::SetOperationObserver(nullptr);
        fs::ClearFaultPlan();
    }

    // Runs `operation` once per moment of every change (-1: between the listing and the
    // operation; n: just before its n-th file operation) and hands the result to `check`.
    // With `during` false, only the first moment.
    void Enumerate(const std::function<bool()>& operation,
                   const std::function<void(const Change&, bool)>& check, bool during = true) {
        // How many file operations an undisturbed run makes.
        Prepare();
        fs::SetFaultPlan({});
        operation();
        const std::int64_t count = fs::OperationCount();
        fs::ClearFaultPlan();
        ASSERT_GT(count, 0);
        for (const Change& change : Changes()) {
            for (std::int64_t at = -1; at < (during ? count : 0); ++at) {
                SCOPED_TRACE(std::string(change.name) + " before operation " + std::to_string(at));
                Prepare();
                const std::string path = store.Path("F");
                if (at < 0)
                    change.apply(path);
                std::int64_t seen = 0;
                bool applied = at < 0;
                fs::SetOperationObserver([&](fs::Op op, const std::string&) {
                    // A change that lands between the last look at the file and the rename
                    // that replaces it (one system call apart) cannot be seen without a lock
                    // the other program would have to take too: it comes after the rename here.
                    if (seen++ == at && op != fs::Op::Rename) {
                        change.apply(path);
                        applied = true;
                    }
                });
                fs::SetFaultPlan({});
                const bool result = operation();
                if (!applied)
                    change.apply(path);
                fs::SetOperationObserver(nullptr);
                fs::ClearFaultPlan();
                // Nothing is left half done: the folder lists whole messages only.
                store.root = std::make_unique<CNetscapeMails>("Mail", store.dir.path());
                check(change, result);
                EXPECT_FALSE(store.HasTemporaryFiles());
            }
        }
    }

    // F holds a, a deleted message, b and c; it is listed, and so is the empty folder Dst.
    void Prepare() {
        store.Reset();
        store.Write("F", kA + kGone + kB + kC);
        store.Write("Dst", "");
        store.Folder("F")->LoadMessages();
        store.Folder("Dst")->LoadMessages();
    }
    CMessage* Listed(const std::string& subject) {
        for (auto& m : store.Folder("F")->m_pMessages) {
            if (m->GetHeaderField("Subject: ") == subject)
                return m.get();
        }
        return nullptr;
    }

    NetscapeStore store;
};

TEST_F(ConcurrentChange, RemoveMessageRemovesTheChosenMessageOrNothing) {
    Enumerate([&] { return store.Folder("F")->RemoveMessage(Listed("b")); },
              [&](const Change& change, bool removed) {
                  const Strings now = Contents(*store.Folder("F"));
                  const Strings gone = Without(change.live, "b:beta|>From - quoted|");
                  // Removed, or refused; a program that wrote its own folder over the file after
                  // the removal has the last word.
                  EXPECT_TRUE(now == change.live || (removed && now == gone))
                      << ::testing::PrintToString(now);
              },
              false);
}

TEST_F(ConcurrentChange, CompactKeepsWhatTheOtherProgramWrote) {
    Enumerate([&] { return store.Folder("F")->Compact(); },
              [&](const Change& change, bool) {
                  const Strings now = Contents(*store.Folder("F"));
                  // Compacting changes no live message: whatever the other program wrote, and
                  // whenever, is what the folder lists.
                  EXPECT_EQ(now, change.live);
              });
}

TEST_F(ConcurrentChange, MoveCopiesTheChosenMessageOrNothing) {
    Enumerate(
        [&] {
            CMessage* c = Listed("c");
            if (!store.Folder("Dst")->AddMessage(*c))
                return false;
            return store.Folder("F")->RemoveMessage(c);
        },
        [&](const Change& change, bool moved) {
            const Strings target = Contents(*store.Folder("Dst"));
            EXPECT_TRUE(target.empty() || target == Strings{"c:gamma|"})
                << ::testing::PrintToString(target);
            const Strings now = Contents(*store.Folder("F"));
            if (moved) {
                EXPECT_EQ(target, Strings{"c:gamma|"});
            }
            // The source lost at most the message that was copied.
            for (const std::string& m : change.live) {
                if (m != "c:gamma|" || target.empty()) {
                    EXPECT_EQ(std::count(now.begin(), now.end(), m), 1) << m << " lost";
                }
            }
        },
        false);
}

} // namespace
} // namespace qb::test
