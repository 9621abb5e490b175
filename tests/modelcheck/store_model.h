// A small model of every registered store (folders and, per folder, the messages a user sees),
// a generator of random worlds on disk, and a checker that reads every store back from disk with
// a document of its own and compares it with the model. Netscape folders are also read by
// Python's mailbox module, which stands for the other mbox readers.
#pragma once

#include "app/document.h"
#include "app/fake_port.h"
#include "app/mailbox_registry.h"
#include "model/mails.h"
#include "model/message.h"
#include "platform/file_system.h"
#include "platform/paths.h"
#include "platform/registry_file.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <list>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#ifndef _WIN32
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
extern char** environ;
#endif

namespace qb::test {

// ---- the model ---------------------------------------------------------------------------------

// A message as a user sees it: the separator line heading it ("From - ..." or none), three header
// fields and the body lines.
struct MMessage {
    std::string separator, subject, from, date;
    std::vector<std::string> body;
    auto Tie() const { return std::tie(separator, subject, from, date, body); }
    bool operator<(const MMessage& o) const { return Tie() < o.Tie(); }
    bool operator==(const MMessage& o) const { return Tie() == o.Tie(); }
};

inline void PrintTo(const MMessage& m, std::ostream* os) {
    *os << "{" << m.separator << "|" << m.subject << "|" << ::testing::PrintToString(m.body) << "}";
}

struct MFolder {
    std::string name;
    std::vector<MMessage> messages;
    std::list<MFolder> children; // stable addresses

    // The child whose name equals `name`, letter case ignored as the stores compare names.
    MFolder* Child(const std::string& wanted) {
        for (MFolder& c : children) {
            if (EqualsNoCase(c.name, wanted))
                return &c;
        }
        return nullptr;
    }
    std::size_t Count() const {
        std::size_t n = messages.size();
        for (const MFolder& c : children)
            n += c.Count();
        return n;
    }
};

struct MStore {
    std::string name; // the mailbox name, also the root folder's name
    bool netscape = false;
    std::string dir;
    MFolder root;
    bool readOnly = false; // registered read-only: no command may change its files
};

// A body line that a Netscape folder writes with a '>' in front.
inline bool NeedsQuote(const std::string& line) {
    return StartsWithNoCase(line, "From - ") || line.rfind("From ", 0) == 0;
}

// The message as a store writes it: a Netscape folder quotes the body lines that would start a
// message and heads the message with a separator line when it has none.
inline MMessage WrittenTo(bool netscape, MMessage m) {
    if (netscape) {
        for (std::string& line : m.body) {
            if (NeedsQuote(line))
                line.insert(0, ">");
        }
        if (m.separator.empty())
            m.separator = "From - ";
    }
    return m;
}

// What a store's CopyFolder makes of `source` below `dest`: a folder named `name` (merging into
// one of that name, letter case ignored) with the source's messages appended, and, in a Netscape
// store, its sub-folders copied likewise. `source` must not overlap `dest` (pass a snapshot).
inline void CopyInto(MFolder& dest, const MFolder& source, const std::string& name, bool netscape) {
    MFolder* target = dest.Child(name);
    if (target == nullptr)
        target = &dest.children.emplace_back(MFolder{name, {}, {}});
    for (const MMessage& m : source.messages)
        target->messages.push_back(WrittenTo(netscape, m));
    if (netscape) {
        for (const MFolder& child : source.children)
            CopyInto(*target, child, child.name, true);
    }
}

inline bool Within(const MFolder& tree, const MFolder* folder) {
    return &tree == folder || std::any_of(tree.children.begin(), tree.children.end(),
                                          [&](const MFolder& c) { return Within(c, folder); });
}

// Whether a Netscape copy of `source` as `name` below `dest` would merge some folder into a folder
// of `original` (the source's own tree): such a copy is refused.
inline bool MergesIntoItself(MFolder& dest, const MFolder& source, const std::string& name,
                             const MFolder& original) {
    MFolder* target = dest.Child(name);
    if (target == nullptr)
        return false;
    if (Within(original, target))
        return true;
    return std::any_of(source.children.begin(), source.children.end(), [&](const MFolder& c) {
        return MergesIntoItself(*target, c, c.name, original);
    });
}

// The name a copy takes when the user asks for a new one: Inbox, Inbox(1), Inbox(2), ...
inline std::string FreeName(const MFolder& dest, const std::string& name) {
    std::string candidate = name;
    for (int n = 1;; ++n) {
        const bool taken =
            std::any_of(dest.children.begin(), dest.children.end(),
                        [&](const MFolder& c) { return EqualsNoCase(c.name, candidate); });
        if (!taken)
            return candidate;
        candidate = name + "(" + std::to_string(n) + ")";
    }
}

// The message a listed record stands for (its body read from its store).
inline bool ModelOf(CMails& folder, CMessage& message, MMessage& out) {
    if (!folder.ReadMessage(message))
        return false;
    const std::string& header = message.m_strHeader;
    const std::string first = header.substr(0, header.find("\r\n"));
    out.separator = StartsWithNoCase(first, "From - ") ? first : "";
    const auto field = [&](const char* name) {
        std::string value = message.GetHeaderField(name);
        return value.empty() ? value : value.substr(1);
    };
    out.subject = field("Subject:");
    out.from = field("From:");
    out.date = field("Date:");
    out.body = message.m_aBody;
    return true;
}

// ---- Python's mailbox module as a second reader of Netscape folders ----------------------------

// One python3 process for the whole test program, asked for one folder file at a time: it answers
// with the bodies of the messages not marked deleted, each as its lines joined by LF (trailing
// empty lines left out), in hex. The Windows build has no such reader (wine has no Python): the
// folders are compared with the model only there.
class PythonMbox {
  public:
    static PythonMbox& Instance() {
        static PythonMbox instance;
        return instance;
    }

    // Whether there is a second reader to ask; where there is none, says so once.
    static bool Present() {
#ifdef _WIN32
        [[maybe_unused]] static const int told =
            std::fprintf(stderr, "model check: Netscape folders are compared with the model only: "
                                 "Python's mailbox is not asked on Windows (wine has no Python)\n");
        return false;
#else
        return true;
#endif
    }

    bool Read(const std::string& path, std::vector<std::string>& bodies, std::string& error) {
        bodies.clear();
        if (m_in == nullptr || m_out == nullptr) {
            error = "python3 could not be started";
            return false;
        }
        std::fprintf(m_in, "%s\n", path.c_str());
        std::fflush(m_in);
        std::string line;
        if (!ReadLine(line)) {
            error = "python3 gave no answer";
            return false;
        }
        if (line.rfind("error ", 0) == 0) {
            error = line;
            return false;
        }
        const int count = std::stoi(line);
        for (int i = 0; i < count && ReadLine(line); ++i)
            bodies.push_back(FromHex(line));
        return static_cast<int>(bodies.size()) == count;
    }

    // Lines joined by LF without trailing empty lines, as Read gives them.
    static std::string Joined(std::vector<std::string> lines) {
        while (!lines.empty() && lines.back().empty())
            lines.pop_back();
        std::string out;
        for (std::size_t i = 0; i < lines.size(); ++i)
            out += (i ? "\n" : "") + lines[i];
        return out;
    }

  private:
#ifdef _WIN32
    PythonMbox() = default;
#else
    PythonMbox() {
        static const char* const kScript = R"PY(
import mailbox, re, sys
split = re.compile(rb'\r\n|\n|\r')
for request in sys.stdin.buffer:
    try:
        box = mailbox.mbox(request.rstrip(b'\n').decode(), create=False)
        live = []
        for key in box.iterkeys():
            lines = split.split(box.get_bytes(key))
            end = lines.index(b'') if b'' in lines else len(lines)
            status = 0
            for field in lines[:end]:
                if field.lower().startswith(b'x-mozilla-status:'):
                    digits = re.match(rb'\s*([0-9a-fA-F]{1,4})', field[17:])
                    status = int(digits.group(1), 16) if digits else 0
                    break
            if status & 8:
                continue
            body = lines[end + 1:]
            while body and body[-1] == b'':
                body.pop()
            live.append(b'\n'.join(body).hex())
        sys.stdout.write('%d\n' % len(live) + ''.join(h + '\n' for h in live))
    except Exception as e:
        sys.stdout.write('error %r\n' % e)
    sys.stdout.flush()
)PY";
        int toChild[2], fromChild[2];
        if (pipe(toChild) != 0 || pipe(fromChild) != 0)
            return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, toChild[0], 0);
        posix_spawn_file_actions_adddup2(&actions, fromChild[1], 1);
        posix_spawn_file_actions_addclose(&actions, toChild[1]);
        posix_spawn_file_actions_addclose(&actions, fromChild[0]);
        char python[] = "python3", dashC[] = "-c";
        char* argv[] = {python, dashC, const_cast<char*>(kScript), nullptr};
        if (posix_spawnp(&m_pid, "python3", &actions, nullptr, argv, environ) != 0)
            m_pid = -1;
        posix_spawn_file_actions_destroy(&actions);
        close(toChild[0]);
        close(fromChild[1]);
        signal(SIGPIPE, SIG_IGN); // a python3 that is gone is an answer missing, not a crash
        m_in = fdopen(toChild[1], "w");
        m_out = fdopen(fromChild[0], "r");
    }
    ~PythonMbox() {
        if (m_in != nullptr)
            std::fclose(m_in);
        if (m_out != nullptr)
            std::fclose(m_out);
        if (m_pid > 0)
            waitpid(m_pid, nullptr, 0);
    }
    pid_t m_pid = -1;
#endif
    bool ReadLine(std::string& line) {
        line.clear();
        for (int c; (c = std::fgetc(m_out)) != EOF;) {
            if (c == '\n')
                return true;
            line += static_cast<char>(c);
        }
        return false;
    }
    static std::string FromHex(const std::string& hex) {
        std::string out;
        for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
            out += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
        return out;
    }

    FILE* m_in = nullptr;
    FILE* m_out = nullptr;
};

// ---- the world on disk -------------------------------------------------------------------------

class World {
  public:
    explicit World(unsigned seed) : rng(seed) {}
    ~World() { doc.reset(); }

    std::mt19937 rng;
    TempDir dir;
    std::vector<MStore> stores;
    std::unique_ptr<RegistryFile> registry;
    std::unique_ptr<FakePort> port;
    std::unique_ptr<CQuillboxDoc> doc;
    int nextMessage = 1;

    std::size_t Pick(std::size_t n) { return n == 0 ? 0 : rng() % n; }
    bool Chance(unsigned percent) { return rng() % 100 < percent; }
    std::string File(const std::string& name) const { return dir / name; }

    // Registers the stores (their directories made empty) and opens a document over them.
    void Register() {
        std::vector<MailboxRow> rows;
        for (const MStore& s : stores) {
            std::filesystem::create_directories(s.dir);
            rows.push_back({s.name, s.dir, s.netscape ? kTypeNavigator : kTypeInternetMail});
        }
        registry = std::make_unique<RegistryFile>(File("q.reg"));
        ASSERT_TRUE(ReplaceMailboxEntries(*registry, rows));
    }
    void AddStore(const std::string& name, bool netscape) {
        stores.push_back({name, netscape, File("stores/" + name), MFolder{name, {}, {}}, false});
    }
    // Registers the store read-only or writable again, as Locate does, and reopens.
    void MarkReadOnly(MStore& store, bool readOnly) {
        store.readOnly = readOnly;
        ASSERT_TRUE(WriteMailboxEntry(*registry, store.name, store.dir,
                                      store.netscape ? kTypeNavigator : kTypeInternetMail,
                                      readOnly));
        Reopen();
    }
    // A new document, as at the next start of the program.
    void Reopen() {
        doc.reset();
        port = std::make_unique<FakePort>();
        doc = std::make_unique<CQuillboxDoc>(*port, registry.get());
        doc->ReloadMailboxes();
    }

    // "N1/Inbox/Work" -> the store, the model folder and the document's folder (null when any
    // step is missing).
    MStore* Store(const std::string& path) {
        const std::string name = path.substr(0, path.find('/'));
        for (MStore& s : stores) {
            if (s.name == name)
                return &s;
        }
        return nullptr;
    }
    MFolder* Model(const std::string& path) {
        MStore* s = Store(path);
        MFolder* f = s ? &s->root : nullptr;
        for (std::size_t at = path.find('/'); f && at != std::string::npos;) {
            const std::size_t next = path.find('/', at + 1);
            const std::string name =
                path.substr(at + 1, next == std::string::npos ? next : next - at - 1);
            MFolder* found = nullptr;
            for (MFolder& c : f->children)
                found = c.name == name ? &c : found;
            f = found;
            at = next;
        }
        return f;
    }
    MFolder* ModelParent(const std::string& path) {
        const std::size_t slash = path.rfind('/');
        return slash == std::string::npos ? nullptr : Model(path.substr(0, slash));
    }
    static CMails* Folder(CQuillboxDoc& d, const std::string& path) {
        CMails* f = d.FindMailboxByName(path.substr(0, path.find('/')));
        for (std::size_t at = path.find('/'); f && at != std::string::npos;) {
            const std::size_t next = path.find('/', at + 1);
            const std::string name =
                path.substr(at + 1, next == std::string::npos ? next : next - at - 1);
            CMails* found = nullptr;
            for (CMails* c : f->GetSubFolders())
                found = c->m_strName == name ? c : found;
            f = found;
            at = next;
        }
        return f;
    }
    CMails* Folder(const std::string& path) { return Folder(*doc, path); }
    // Every folder path of the model, roots included.
    std::vector<std::string> Paths() const {
        std::vector<std::string> out;
        for (const MStore& s : stores)
            Collect(s.root, s.name, out);
        return out;
    }

  private:
    static void Collect(const MFolder& f, const std::string& path, std::vector<std::string>& out) {
        out.push_back(path);
        for (const MFolder& c : f.children)
            Collect(c, path + "/" + c.name, out);
    }
};

// ---- the generator -----------------------------------------------------------------------------

inline const std::vector<std::string>& FolderNames() {
    static const std::vector<std::string> names = {"Inbox", "Sent", "Work", "Drafts", "Old"};
    return names;
}

// Body lines, among them lines that other mbox readers or the Netscape loader take for the start
// of a message.
inline std::vector<std::string> RandomBody(World& w) {
    static const std::vector<std::string> pool = {"plain text",
                                                  "",
                                                  "From here on the plan changes.",
                                                  "From - not a separator",
                                                  "from - in lower case",
                                                  ">From already quoted",
                                                  "From:",
                                                  "  indented line",
                                                  "last line"};
    std::vector<std::string> body;
    for (std::size_t n = w.Pick(5); n > 0; --n)
        body.push_back(pool[w.Pick(pool.size())]);
    return body;
}

inline MMessage RandomMessage(World& w, std::string separator) {
    static const char* const senders[] = {"Ann <ann@example.com>", "bob@example.com"};
    MMessage m;
    m.separator = std::move(separator);
    m.subject = "m" + std::to_string(w.nextMessage++);
    m.from = senders[w.Pick(2)];
    m.date = "Fri, 2 Mar 2001 09:1" + std::to_string(w.Pick(10)) + ":00 +0100";
    m.body = RandomBody(w);
    return m;
}

inline std::string HeaderText(const MMessage& m, const std::string& eol) {
    std::string h;
    if (!m.separator.empty())
        h += m.separator + eol;
    return h + "Subject: " + m.subject + eol + "From: " + m.from + eol + "Date: " + m.date + eol;
}

// A Netscape folder file written as another client would (LF or CR LF throughout, messages
// marked deleted in place, now and then a last line without its line end).
inline void WriteNetscapeFolder(World& w, const std::string& path, MFolder& folder) {
    const std::string eol = w.Chance(50) ? "\n" : "\r\n";
    std::string bytes;
    for (std::size_t n = w.Pick(5); n > 0; --n) {
        MMessage m = WrittenTo(
            true, RandomMessage(w, w.Chance(50) ? "From - " : "From - Mon Jan  1 00:00:00 2001"));
        const bool deleted = w.Chance(20);
        std::string header = HeaderText(m, eol);
        header.insert(header.find(eol) + eol.size(),
                      std::string("X-Mozilla-Status: ") + (deleted ? "0009" : "8000") + eol);
        bytes += header + eol;
        for (const std::string& line : m.body)
            bytes += line + eol;
        if (!deleted)
            folder.messages.push_back(m);
    }
    if (!bytes.empty() && w.Chance(15) && bytes.size() > 2 * eol.size() &&
        bytes.compare(bytes.size() - 2 * eol.size(), 2 * eol.size(), eol + eol) != 0)
        bytes.resize(bytes.size() - eol.size());
    WriteFile(path, bytes);
}

inline void GenerateNetscapeTree(World& w, const std::string& directory, MFolder& parent,
                                 int depth) {
    std::vector<std::string> names = FolderNames();
    std::shuffle(names.begin(), names.end(), w.rng);
    names.resize(w.Pick(depth == 0 ? 4 : 3));
    for (const std::string& name : names) {
        MFolder& folder = parent.children.emplace_back(MFolder{name, {}, {}});
        WriteNetscapeFolder(w, directory + "/" + name, folder);
        if (depth < 2 && w.Chance(40)) {
            std::filesystem::create_directory(directory + "/" + name + ".sbd");
            GenerateNetscapeTree(w, directory + "/" + name + ".sbd", folder, depth + 1);
        }
    }
}

// Internet Mail folders are made through the store itself (their files are binary), with some
// messages removed and not yet compacted.
inline void GenerateInternetStore(World& w, MStore& store) {
    const std::unique_ptr<CMails> rootFolder =
        MakeRootFolder(store.name, store.dir, kTypeInternetMail);
    CMails& root = *rootFolder;
    std::vector<std::string> names = FolderNames();
    std::shuffle(names.begin(), names.end(), w.rng);
    names.resize(w.Pick(4));
    for (const std::string& name : names) {
        CMails* folder = root.CreateFolder(name);
        ASSERT_NE(folder, nullptr);
        MFolder& model = store.root.children.emplace_back(MFolder{name, {}, {}});
        std::vector<bool> removed;
        for (std::size_t n = w.Pick(5); n > 0; --n) {
            const MMessage m =
                RandomMessage(w, w.Chance(20) ? "From - Tue Feb  2 10:00:00 1999" : "");
            CMessage message;
            message.m_strHeader = HeaderText(m, "\r\n");
            message.m_aBody = m.body;
            message.m_nBodyLines = static_cast<std::int32_t>(m.body.size());
            ASSERT_TRUE(folder->AddMessage(message));
            removed.push_back(w.Chance(20));
            if (!removed.back())
                model.messages.push_back(m);
        }
        MessageList& listed = folder->GetMessages();
        ASSERT_EQ(listed.size(), removed.size());
        std::vector<CMessage*> gone;
        for (std::size_t i = 0; i < removed.size(); ++i) {
            if (removed[i])
                gone.push_back(listed[i].get());
        }
        for (CMessage* m : gone)
            ASSERT_TRUE(folder->RemoveMessage(m));
    }
}

// One or two stores of each format with random folders and messages.
inline void Generate(World& w) {
    w.AddStore("N1", true);
    if (w.Chance(50))
        w.AddStore("N2", true);
    w.AddStore("I1", false);
    if (w.Chance(50))
        w.AddStore("I2", false);
    w.Register();
    for (MStore& s : w.stores) {
        if (s.netscape)
            GenerateNetscapeTree(w, s.dir, s.root, 0);
        else
            GenerateInternetStore(w, s);
    }
    w.Reopen();
}

// ---- the checker -------------------------------------------------------------------------------

// Compares one folder read back from disk with the model, then its sub-folders. Appends what
// differs to `problems`.
inline void CheckFolder(CMails& folder, MFolder& model, const std::string& path, bool netscape,
                        std::vector<std::string>& problems) {
    if (!folder.LoadMessages())
        problems.push_back(path + ": does not load");
    // Read without being kept, the listing hands over the same messages.
    std::vector<std::pair<std::int64_t, std::string>> kept, visited;
    for (const auto& record : folder.m_pMessages)
        kept.emplace_back(record->m_nOffset, record->m_strHeader);
    folder.VisitListing(false, [&](CMessage& m) {
        visited.emplace_back(m.m_nOffset, m.m_strHeader);
        return true;
    });
    if (visited != kept)
        problems.push_back(path + ": lists " + std::to_string(visited.size()) +
                           " messages one at a time, " + std::to_string(kept.size()) + " kept");
    std::vector<MMessage> listed;
    std::vector<std::string> bodies;
    for (auto& record : folder.m_pMessages) {
        MMessage m;
        if (!ModelOf(folder, *record, m))
            problems.push_back(path + ": a message cannot be read");
        bodies.push_back(PythonMbox::Joined(m.body));
        listed.push_back(std::move(m));
    }
    std::vector<MMessage> expected = model.messages;
    std::sort(listed.begin(), listed.end());
    std::sort(expected.begin(), expected.end());
    if (listed != expected)
        problems.push_back(path + ": holds " + ::testing::PrintToString(listed) + " instead of " +
                           ::testing::PrintToString(expected));
    if (netscape && !folder.IsRoot() && PythonMbox::Present()) {
        std::vector<std::string> peer;
        std::string error;
        if (!PythonMbox::Instance().Read(folder.m_strPath, peer, error))
            problems.push_back(path + ": Python's mailbox: " + error);
        else if (peer != bodies)
            problems.push_back(path + ": Python's mailbox finds " + ::testing::PrintToString(peer) +
                               ", the program lists " + ::testing::PrintToString(bodies));
    }
    std::multiset<std::string> names, wanted;
    for (CMails* child : folder.GetSubFolders())
        names.insert(child->m_strName);
    for (const MFolder& child : model.children)
        wanted.insert(child.name);
    if (names != wanted) {
        problems.push_back(path + ": has folders " + ::testing::PrintToString(names) +
                           " instead of " + ::testing::PrintToString(wanted));
        return;
    }
    for (CMails* child : folder.GetSubFolders())
        CheckFolder(*child, *model.Child(child->m_strName), path + "/" + child->m_strName, netscape,
                    problems);
}

// Files in a store directory that no folder of the model explains (a Netscape sub-folder
// directory may stay empty).
inline void CheckFiles(const std::string& directory, const MFolder& model, bool netscape,
                       const std::string& path, std::vector<std::string>& problems) {
    std::set<std::string> allowed;
    for (const MFolder& c : model.children) {
        if (netscape) {
            allowed.insert(c.name);
            allowed.insert(c.name + ".sbd");
            const std::string sub = directory + "/" + c.name + ".sbd";
            if (std::filesystem::is_directory(sub))
                CheckFiles(sub, c, true, path + "/" + c.name, problems);
            else if (!c.children.empty())
                problems.push_back(path + "/" + c.name + ": no sub-folder directory");
        } else {
            allowed.insert(c.name + ".mbx");
            allowed.insert(c.name + ".idx");
        }
    }
    for (const auto& entry : std::filesystem::directory_iterator(directory)) {
        const std::string name = entry.path().filename().string();
        if (allowed.count(name) == 0)
            problems.push_back(path + ": stray file " + name);
    }
}

// Reads every store back from disk, as the next start of the program would, and compares it
// with the model. Empty when all agrees.
inline std::vector<std::string> CheckWorld(World& w) {
    std::vector<std::string> problems;
    FakePort quiet;
    RegistryFile registry(w.File("q.reg"));
    CQuillboxDoc reader(quiet, &registry);
    reader.ReloadMailboxes();
    for (MStore& s : w.stores) {
        CMails* root = reader.FindMailboxByName(s.name);
        if (root == nullptr) {
            problems.push_back(s.name + ": not registered");
            continue;
        }
        CheckFolder(*root, s.root, s.name, s.netscape, problems);
        CheckFiles(s.dir, s.root, s.netscape, s.name, problems);
    }
    return problems;
}

} // namespace qb::test
