// A small world of real stores for the failure enumerations: a registry file with two Netscape
// mailboxes and two Internet Mail mailboxes, each folder holding messages whose subjects are unique
// over the whole world, and a census that reads everything back from disk the way the next start
// of the program would.
#pragma once

#include "app/document.h"
#include "app/fake_port.h"
#include "app/mailbox_registry.h"
#include "model/mails.h"
#include "model/message.h"
#include "platform/file_system.h"
#include "platform/registry_file.h"
#include "support/fault_harness.h"
#include "support/messages.h"
#include "support/stores.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace qb::test {

inline CMails* ChildNamed(CMails* parent, const std::string& name) {
    if (parent == nullptr)
        return nullptr;
    for (CMails* child : parent->GetSubFolders()) {
        if (child->m_strName == name)
            return child;
    }
    return nullptr;
}

// Where each message lives: subject -> the folders ("Mailbox/Folder/Sub") that hold it, one entry
// per copy. Also the folders themselves and what went wrong while reading.
struct Census {
    std::map<std::string, std::multiset<std::string>> where;
    std::set<std::string> folders;
    std::vector<std::string> problems; // folders or messages that could not be read
    std::set<std::string> mailboxes;   // registered mailbox names
};

// An in-memory message as a front end hands it over, with a body that names its subject.
inline std::unique_ptr<CMessage> WorldMail(const std::string& subject) {
    return MakeMessage("From: a@b\r\nSubject: " + subject + "\r\n\r\n",
                       {"body of " + subject, "From - not a separator", "last line"});
}

// An Internet Mail message file whose header says it holds no message.
inline bool IsEmptyMessageFile(const std::string& path) {
    const std::string bytes = ReadFile(path);
    return bytes.size() >= 84 && bytes.compare(0, 4, "JMF6") == 0 &&
           bytes.compare(8, 4, std::string(4, '\0')) == 0;
}

class World {
  public:
    World() = default;

    // A fresh world, made again in the same directory below the temporary directory (where the
    // crash runs' child processes make it too):
    //   Ns  (Netscape):       Inbox[n1 n2] / Sub[s1]       Drafts[d1]
    //   Ns2 (Netscape):       Keep[k1]
    //   Imn (Internet Mail):  Inbox[i1 i2]  Other[o1]
    //   Im2 (Internet Mail):  Box[b1]
    void Build() {
        fs::ClearFaultPlan();
        doc.reset();
        registry.reset();
        base = m_dir / "w";
        std::filesystem::remove_all(base);
        for (const char* d : {"ns", "ns2", "imn", "im2"})
            std::filesystem::create_directories(base + "/" + d);
        registry = std::make_unique<RegistryFile>(RegistryPath());
        ASSERT_TRUE(ReplaceMailboxEntries(*registry, {{"Ns", base + "/ns", kTypeNavigator},
                                                      {"Ns2", base + "/ns2", kTypeNavigator},
                                                      {"Imn", base + "/imn", kTypeInternetMail},
                                                      {"Im2", base + "/im2", kTypeInternetMail}}));
        Open();
        Fill(Root("Ns"), "Inbox", {"n1", "n2"});
        Fill(Folder("Ns/Inbox"), "Sub", {"s1"});
        Fill(Root("Ns"), "Drafts", {"d1"});
        Fill(Root("Ns2"), "Keep", {"k1"});
        Fill(Root("Imn"), "Inbox", {"i1", "i2"});
        Fill(Root("Imn"), "Other", {"o1"});
        Fill(Root("Im2"), "Box", {"b1"});
        Open();
    }

    // A new document over the registry file, as at the next start of the program.
    void Open() {
        doc.reset();
        port = std::make_unique<FakePort>();
        doc = std::make_unique<CQuillboxDoc>(*port, registry.get());
        doc->ReloadMailboxes();
    }

    std::string RegistryPath() const { return base + "/q.reg"; }
    CMails* Root(const std::string& name) const { return doc->FindMailboxByName(name); }
    // "Ns/Inbox/Sub" -> that folder, null when any step is missing.
    CMails* Folder(const std::string& path) const {
        const std::size_t slash = path.find('/');
        CMails* node = Root(path.substr(0, slash));
        std::size_t at = slash;
        while (node != nullptr && at != std::string::npos) {
            const std::size_t next = path.find('/', at + 1);
            node =
                ChildNamed(node, path.substr(at + 1, next == std::string::npos ? std::string::npos
                                                                               : next - at - 1));
            at = next;
        }
        return node;
    }
    std::vector<CMessage*> Messages(CMails* folder) const {
        std::vector<CMessage*> list;
        for (auto& m : folder->GetMessages())
            list.push_back(m.get());
        return list;
    }

    // Reads every registered mailbox back from disk with a document of its own.
    Census Take() const {
        Census census;
        RegistryFile reg(RegistryPath());
        RegistryData data;
        if (!reg.Load(data)) {
            census.problems.push_back("registry file: " + reg.Error());
            return census;
        }
        FakePort quiet;
        CQuillboxDoc reader(quiet, &reg);
        reader.ReloadMailboxes();
        for (const auto& entry : reader.Mailboxes()) {
            census.mailboxes.insert(entry->m_strName);
            Walk(entry->m_pRoot.get(), entry->m_strName, census);
        }
        return census;
    }

    // Every temporary file left anywhere in the world.
    std::vector<std::string> TemporaryFiles() const { return test::TemporaryFiles(base); }

    std::string base;
    std::unique_ptr<RegistryFile> registry;
    std::unique_ptr<FakePort> port;
    std::unique_ptr<CQuillboxDoc> doc;

  private:
    static void Walk(CMails* folder, const std::string& path, Census& census) {
        for (CMails* child : folder->GetSubFolders()) {
            const std::string at = path + "/" + child->m_strName;
            census.folders.insert(at);
            if (fs::IsTemporaryName(child->m_strName))
                census.problems.push_back(at + ": a temporary file is listed as a folder");
            // A Netscape folder whose file is gone while its sub-folder directory is left (a
            // removal cut short) is listed so that the sub-folders stay reachable; it holds
            // nothing to lose.
            const bool emptyShell = child->GetType() == CMails::kNetscape &&
                                    !fs::Exists(child->m_strPath) &&
                                    fs::IsDirectory(child->m_strPath + ".sbd");
            // An Internet Mail folder without messages reports that it has none to load.
            const bool emptyInternet = child->GetType() == CMails::kInternetMail &&
                                       IsEmptyMessageFile(child->m_strPath + ".mbx");
            if (!child->LoadMessages() && !emptyShell && !emptyInternet)
                census.problems.push_back(at + ": does not load");
            for (auto& m : child->m_pMessages) {
                const std::string subject = SubjectOf(*m);
                census.where[subject].insert(at);
                const auto& body = m->m_aBody;
                if (!child->ReadMessage(*m) || body.empty() || body.back() != "last line" ||
                    std::find(body.begin(), body.end(), "body of " + subject) == body.end())
                    census.problems.push_back(at + ": message " + subject + " reads wrong: " +
                                              ::testing::PrintToString(m->m_aBody));
            }
            Walk(child, at, census);
        }
    }
    void Fill(CMails* parent, const std::string& name, const std::vector<std::string>& subjects) {
        ASSERT_NE(parent, nullptr);
        CMails* folder = parent->CreateFolder(name);
        ASSERT_NE(folder, nullptr) << name;
        for (const std::string& s : subjects)
            ASSERT_TRUE(folder->AddMessage(*WorldMail(s))) << s;
    }

    TempDir m_dir{TempDir::kMemory};
};

// The invariants after an operation that ran into a failure or a crash.
//   before/after: the census before the operation and after an undisturbed run.
//   move: a message may be found in both its old and new places (its copy was made, the removal
//   failed).
//   revivable: removed messages that an interrupted compaction may show again.
inline void CheckInvariants(const World& world, const Census& before, const Census& after,
                            const FaultCase& c, bool move,
                            const std::set<std::string>& revivable = {}) {
    Census now = world.Take();
    if (c.kind != fs::FaultKind::Error) {
        // An Internet Mail folder file cut short by a crash or a short write is listed but reads
        // as damaged; it held none of the messages (they are all counted below).
        std::erase_if(now.problems, [&](const std::string& p) {
            const std::string folder = p.substr(0, p.find(':'));
            return p.ends_with(": does not load") && folder.rfind("Im", 0) == 0;
        });
    }
    EXPECT_TRUE(now.problems.empty()) << ::testing::PrintToString(now.problems);
    if (c.kind != fs::FaultKind::Crash) {
        EXPECT_TRUE(world.TemporaryFiles().empty())
            << ::testing::PrintToString(world.TemporaryFiles());
    }
    const bool success = c.reportedSuccess && c.kind != fs::FaultKind::Crash;
    if (success) {
        EXPECT_EQ(now.mailboxes, after.mailboxes);
    }
    EXPECT_TRUE(now.mailboxes == before.mailboxes || now.mailboxes == after.mailboxes)
        << ::testing::PrintToString(now.mailboxes);
    std::set<std::string> subjects;
    for (const auto& [s, places] : before.where)
        subjects.insert(s);
    for (const auto& [s, places] : after.where)
        subjects.insert(s);
    for (const auto& [s, places] : now.where) {
        EXPECT_TRUE(subjects.count(s) != 0 || (revivable.count(s) != 0 && !success))
            << "message " << s << " appeared from nowhere";
    }
    for (const std::string& s : subjects) {
        const auto find = [&](const Census& k) {
            auto it = k.where.find(s);
            return it == k.where.end() ? std::multiset<std::string>{} : it->second;
        };
        const auto was = find(before), will = find(after), is = find(now);
        if (success) {
            // Reported as done: the whole result is there. A move does not report a source
            // removal that failed, so there the message may also be left where it was.
            bool whole = is == will;
            if (!whole && move) {
                std::multiset<std::string> extra = is;
                for (const std::string& p : will) {
                    auto it = extra.find(p);
                    if (it != extra.end())
                        extra.erase(it);
                }
                whole = extra.size() + will.size() == is.size() &&
                        std::all_of(extra.begin(), extra.end(),
                                    [&](const std::string& p) { return was.count(p) != 0; });
            }
            EXPECT_TRUE(whole) << "reported success, but message " << s << " is in "
                               << ::testing::PrintToString(is) << " instead of "
                               << ::testing::PrintToString(will);
            continue;
        }
        bool allowed = is == was || is == will;
        if (!allowed) {
            // Per folder: a copy that was made or not; a move whose removal did not happen.
            std::set<std::string> places(was.begin(), was.end());
            places.insert(will.begin(), will.end());
            allowed = true;
            for (const std::string& p : places) {
                const std::size_t n = is.count(p), a = was.count(p), b = will.count(p);
                if (n != a && n != b)
                    allowed = false;
            }
            for (const std::string& p : is) {
                if (places.count(p) == 0)
                    allowed = false;
            }
            // Outside a move, nothing may be gone from where it was.
            for (const std::string& p : was) {
                if (!move && is.count(p) < was.count(p))
                    allowed = false;
            }
        }
        EXPECT_TRUE(allowed && (was.empty() || will.empty() || !is.empty()))
            << "message " << s << " is in " << ::testing::PrintToString(is) << ", was in "
            << ::testing::PrintToString(was) << ", would be in " << ::testing::PrintToString(will);
    }
}

// A command bound to the world it runs in: `bind` looks up what the user selected (before any
// failure is injected) and returns the command itself.
using Bound = std::function<bool()>;
struct Command {
    const char* name;
    std::function<Bound(World&)> bind;
    bool move = false;
    std::function<void(World&)> prepare = {}; // after the world is built
    bool keepsMessages = false;               // every message stays where it is
    std::set<std::string> revivable = {};     // see CheckInvariants
};

class FaultsTest : public ::testing::Test {
  protected:
    void TearDown() override { fs::ClearFaultPlan(); }

    // Enumerates every fault and crash point of the command; returns the number of file
    // operations of an undisturbed run.
    std::int64_t Enumerate(const Command& command) {
        SCOPED_TRACE(command.name);
        Census before, after;
        bool first = true;
        Bound bound;
        const auto setup = [&] {
            world.Build();
            if (command.prepare)
                command.prepare(world);
            bound = command.bind(world);
            if (first) {
                before = world.Take();
                EXPECT_TRUE(before.problems.empty());
                first = false;
            }
        };
        const auto run = [&] { return bound(); };
        bool undisturbed = true;
        const auto check = [&](const FaultCase& c) {
            if (undisturbed) {
                // The undisturbed run sets what success looks like.
                undisturbed = false;
                EXPECT_TRUE(c.reportedSuccess);
                after = world.Take();
                EXPECT_TRUE(after.problems.empty()) << ::testing::PrintToString(after.problems);
                if (!command.keepsMessages) {
                    EXPECT_NE(after.where, before.where) << "the command changed nothing";
                }
                return;
            }
            CheckInvariants(world, before, after, c, command.move, command.revivable);
        };
        const std::int64_t count = EnumerateFaults(setup, run, check);
        EnumerateCrashes(setup, run, check);
        RecordProperty(command.name, static_cast<int>(count));
        std::printf("  %s: %lld fault points, %lld crash points\n", command.name,
                    static_cast<long long>(2 * count), static_cast<long long>(count));
        return count;
    }

    World world;
};

} // namespace qb::test
