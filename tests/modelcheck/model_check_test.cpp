// Random sequences of the document's commands over random worlds of real stores, compared with a
// small model after every step (see store_model.h), and named scenarios over the same steps.
//
// Each step is one row of kSteps: how it picks its arguments from the model, and how it runs the
// command and updates the model. A new command is a new row. The suite runs a few seeds;
// scripts/modelcheck SEEDS STEPS runs many (QUILLBOX_MODELCHECK_SEEDS, _STEPS, _FIRST).
#include "store_model.h"

#include "app/message_file.h"
#include "support/messages.h"
#include "support/process.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <sstream>
#include <thread>

namespace qb::test {
namespace {

// One command with its arguments. Folders are named by their path from the mailbox name
// ("N1/Inbox/Work"; "N1" is the root); rows are positions in the source folder's listing.
struct Action {
    std::string step;
    std::string from, to;
    std::vector<std::size_t> rows;
    Answer answer = Answer::Yes; // to the same-name question, when it is asked
    std::string name;            // New Folder, Rename; add: the message file's first line
    std::string Text() const {
        std::ostringstream out;
        out << step << " " << from;
        for (std::size_t r : rows)
            out << " #" << r;
        if (!to.empty())
            out << " -> " << to;
        if (!name.empty())
            out << " '" << name << "'";
        out << " (answer " << static_cast<int>(answer) << ")";
        return out.str();
    }
};

struct Step {
    const char* name;
    int weight;
    // Picks arguments from the model; false when the world offers none.
    bool (*choose)(World&, Action&);
    // Runs the command through the document and brings the model along.
    void (*run)(World&, const Action&);
};

// ---- choosing ----

std::string AnyFolder(World& w, bool roots) {
    std::vector<std::string> paths = w.Paths();
    if (!roots)
        std::erase_if(paths, [](const std::string& p) { return p.find('/') == std::string::npos; });
    return paths.empty() ? "" : paths[w.Pick(paths.size())];
}

Answer AnyAnswer(World& w) {
    const std::size_t n = w.Pick(10);
    return n < 4 ? Answer::Yes : n < 9 ? Answer::No : Answer::Cancel;
}

std::string AnyName(World& w) {
    static const std::vector<std::string> names = {"Inbox", "Sent", "Work", "Drafts",  "Old",
                                                   "inbox", "WORK", "New",  "Inbox(1)"};
    return names[w.Pick(names.size())];
}

bool ChooseRows(World& w, Action& a) {
    a.from = AnyFolder(w, false);
    const MFolder* f = a.from.empty() ? nullptr : w.Model(a.from);
    if (f == nullptr || f->messages.empty())
        return false;
    for (std::size_t i = 0; i < f->messages.size(); ++i) {
        if (w.Chance(50) || (i + 1 == f->messages.size() && a.rows.empty()))
            a.rows.push_back(i);
    }
    return true;
}

bool ChooseMessageTransfer(World& w, Action& a) {
    if (!ChooseRows(w, a))
        return false;
    a.to = AnyFolder(w, w.Chance(10));
    return true;
}

bool ChooseFolderTransfer(World& w, Action& a, bool roots) {
    a.from = AnyFolder(w, roots);
    a.to = AnyFolder(w, true);
    a.answer = AnyAnswer(w);
    return !a.from.empty();
}
bool ChooseFolderCopy(World& w, Action& a) {
    return ChooseFolderTransfer(w, a, true);
}
bool ChooseFolderMove(World& w, Action& a) {
    return ChooseFolderTransfer(w, a, w.Chance(10));
}
bool ChooseFolder(World& w, Action& a) {
    a.from = AnyFolder(w, w.Chance(20));
    a.name = AnyName(w);
    return !a.from.empty();
}
bool ChooseBackup(World& w, Action& a) {
    a.from = AnyFolder(w, true);
    a.to = w.stores[w.Pick(w.stores.size())].name;
    return true;
}
bool ChooseAdd(World& w, Action& a) {
    static const std::vector<std::string> firstLines = {
        "", "From - Tue Feb  2 10:00:00 1999", "From someone@example.com Tue Feb  2 10:00:00 1999"};
    a.from = AnyFolder(w, false);
    a.name = firstLines[w.Pick(firstLines.size())];
    a.rows = {w.Pick(2)}; // 1: CR LF line ends
    return !a.from.empty();
}
bool ChooseMessageFolder(World& w, Action& a) {
    a.from = AnyFolder(w, false);
    return !a.from.empty();
}
bool ChooseExport(World& w, Action& a) {
    a.from = AnyFolder(w, false);
    a.to = AnyFolder(w, false);
    a.rows = {w.Pick(3)}; // the format: mboxrd, maildir, eml
    return !a.from.empty();
}
bool ChooseNothing(World&, Action&) {
    return true;
}
// Rows of a folder's listing with the deleted messages: some of the deleted ones, now and then a
// live row or one past the end, which the command refuses.
bool ChooseUndelete(World& w, Action& a) {
    a.from = AnyFolder(w, false);
    CMails* folder = a.from.empty() ? nullptr : w.Folder(a.from);
    if (folder == nullptr)
        return false;
    const MessageList& listed = folder->GetMessagesWithDeleted();
    for (std::size_t i = 0; i < listed.size(); ++i) {
        if (listed[i]->m_bDeleted && w.Chance(60))
            a.rows.push_back(i);
    }
    if (w.Chance(10))
        a.rows.push_back(w.Pick(listed.size() + 1));
    return !a.rows.empty();
}
bool ChooseStore(World& w, Action& a) {
    a.from = w.stores[w.Pick(w.stores.size())].name;
    return true;
}

// ---- running ----

// The selected messages of the source's listing and what they are.
std::vector<CMessage*> Select(World& w, const Action& a, std::vector<MMessage>& models) {
    CMails* folder = w.Folder(a.from);
    std::vector<CMessage*> chosen;
    if (folder == nullptr)
        return chosen;
    MessageList& listed = folder->GetMessages();
    for (std::size_t r : a.rows) {
        EXPECT_LT(r, listed.size()) << a.Text();
        if (r >= listed.size())
            continue;
        chosen.push_back(listed[r].get());
        MMessage m;
        EXPECT_TRUE(ModelOf(*folder, *listed[r], m));
        models.push_back(m);
    }
    return chosen;
}

void Forget(MFolder& folder, const std::vector<MMessage>& gone) {
    for (const MMessage& m : gone) {
        auto it = std::find(folder.messages.begin(), folder.messages.end(), m);
        ASSERT_NE(it, folder.messages.end());
        folder.messages.erase(it);
    }
}

// How often each step ended in each outcome, printed after a run to show what it exercised.
std::map<std::string, std::array<int, 3>>& Tally() {
    static std::map<std::string, std::array<int, 3>> tally;
    return tally;
}

void Count(const Action& a, Outcome want) {
    ++Tally()[a.step][static_cast<std::size_t>(want)];
}

void Expect(World& w, const Action& a, Outcome got, Outcome want, bool count = true) {
    if (count)
        Count(a, want);
    EXPECT_EQ(static_cast<int>(got), static_cast<int>(want))
        << a.Text() << "\n"
        << ::testing::PrintToString(w.port->Texts());
    EXPECT_TRUE(w.port->ScriptUsed()) << a.Text() << ": a scripted answer was not asked for";
}

// Whether a command that changes the folders at these paths meets a read-only mailbox; when it
// does, runs it, expects the refusal alone, and leaves the model as it is.
bool RefusedReadOnly(World& w, const Action& a, std::initializer_list<std::string> paths,
                     const std::function<Outcome()>& command) {
    const bool readOnly = std::any_of(paths.begin(), paths.end(), [&](const std::string& path) {
        return !path.empty() && w.Store(path)->readOnly;
    });
    if (readOnly) {
        Expect(w, a, command(), Outcome::Failed);
        EXPECT_EQ(w.port->Texts(), std::vector<std::string>{kTextReadOnlyMailbox}) << a.Text();
    }
    return readOnly;
}

void TransferMessages(World& w, const Action& a, bool move) {
    std::vector<MMessage> models;
    Selection selection{w.Folder(a.from), ActivePane::List, Select(w, a, models)};
    CMails* dest = w.Folder(a.to);
    ASSERT_TRUE(selection.folder && dest) << a.Text();
    const auto run = [&] {
        return move ? w.doc->MoveCopy().MoveTo(dest, selection)
                    : w.doc->MoveCopy().CopyTo(dest, selection);
    };
    if (!dest->IsRoot() && dest != selection.folder &&
        RefusedReadOnly(w, a, {a.to, move ? a.from : ""}, run))
        return;
    Outcome want = Outcome::Done;
    if (dest->IsRoot()) {
        want = Outcome::Failed;
    } else if (dest != selection.folder) {
        const bool netscape = w.Store(a.to)->netscape;
        for (const MMessage& m : models)
            w.Model(a.to)->messages.push_back(WrittenTo(netscape, m));
        if (move)
            Forget(*w.Model(a.from), models);
    }
    Expect(w, a, run(), want);
}
void CopyMessages(World& w, const Action& a) {
    TransferMessages(w, a, false);
}
void MoveMessages(World& w, const Action& a) {
    TransferMessages(w, a, true);
}

void DeleteMessages(World& w, const Action& a) {
    std::vector<MMessage> models;
    Selection selection{w.Folder(a.from), ActivePane::List, Select(w, a, models)};
    if (w.Store(a.from)->readOnly) {
        RefusedReadOnly(w, a, {a.from},
                        [&] { return w.doc->FolderCommands().OnDelete(selection); });
        return;
    }
    Forget(*w.Model(a.from), models);
    w.port->Answer(Answer::Ok);
    Expect(w, a, w.doc->FolderCommands().OnDelete(selection), Outcome::Done);
}

enum class Road { MenuCopy, MenuMove, DragMove };

// The model's side of a folder copy or move: the outcome it expects and whether the same-name
// question comes. Changes the model.
Outcome ModelFolderTransfer(World& w, const Action& a, Road road, bool& asks) {
    asks = false;
    const bool move = road != Road::MenuCopy;
    const bool root = a.from.find('/') == std::string::npos;
    if (move && root)
        return Outcome::Failed;
    const bool parent = a.to == a.from.substr(0, a.from.rfind('/'));
    if (a.to == a.from || a.to.rfind(a.from + "/", 0) == 0 || (!root && parent))
        return Outcome::Failed;
    if (w.Store(a.to)->readOnly || (move && w.Store(a.from)->readOnly))
        return Outcome::Failed; // before the same-name question
    MFolder& source = *w.Model(a.from);
    MFolder& dest = *w.Model(a.to);
    const MStore& target = *w.Store(a.to);
    asks = dest.Child(source.name) != nullptr;
    if (asks && a.answer == Answer::Cancel)
        return Outcome::Cancelled;
    // A one-level store takes copies into its root only.
    if (!target.netscape && a.to.find('/') != std::string::npos)
        return Outcome::Failed;
    const std::string name =
        asks && a.answer == Answer::No ? FreeName(dest, source.name) : source.name;
    if (target.netscape && MergesIntoItself(dest, source, name, source))
        return Outcome::Failed;
    const MFolder snapshot = source;
    CopyInto(dest, snapshot, name, target.netscape);
    // Into a one-level store a menu move keeps its source; a drag keeps it only when it has
    // sub-folders, which the copy left out.
    const bool keep = !target.netscape && (road == Road::MenuMove || !snapshot.children.empty());
    if (move && !keep) {
        MFolder& from = *w.ModelParent(a.from);
        from.children.remove_if([&](const MFolder& c) { return &c == &source; });
    }
    return Outcome::Done;
}

void TransferFolder(World& w, const Action& a, Road road) {
    CMails* source = w.Folder(a.from);
    CMails* dest = w.Folder(a.to);
    ASSERT_TRUE(source && dest) << a.Text();
    bool asks = false;
    const Outcome want = ModelFolderTransfer(w, a, road, asks);
    if (asks)
        w.port->Answer(a.answer);
    const Selection selection{source, ActivePane::Tree, {}};
    if (road != Road::DragMove) {
        Expect(w, a,
               road == Road::MenuMove ? w.doc->MoveCopy().MoveTo(dest, selection)
                                      : w.doc->MoveCopy().CopyTo(dest, selection),
               want);
        return;
    }
    // A drag over the folder itself, its parent or its own sub-folders shows no drop effect.
    const bool root = a.from.find('/') == std::string::npos;
    const bool refused = a.to == a.from || a.to.rfind(a.from + "/", 0) == 0 ||
                         (!root && a.to == a.from.substr(0, a.from.rfind('/')));
    w.doc->MoveCopy().BeginFolderDrag(source);
    const DropEffect effect = w.doc->MoveCopy().DragOver(dest, selection, false, true);
    EXPECT_EQ(effect, refused ? DropEffect::None : DropEffect::Move) << a.Text();
    const bool accepted = effect != DropEffect::None && w.doc->MoveCopy().Drop(effect, selection);
    EXPECT_EQ(accepted, want != Outcome::Failed) << a.Text();
    Count(a, want);
    Expect(w, a, w.doc->MoveCopy().EndDrag(accepted ? effect : DropEffect::None, selection),
           Outcome::Done, false);
}
void CopyFolder(World& w, const Action& a) {
    TransferFolder(w, a, Road::MenuCopy);
}
void MoveFolder(World& w, const Action& a) {
    TransferFolder(w, a, Road::MenuMove);
}
void DragFolder(World& w, const Action& a) {
    TransferFolder(w, a, Road::DragMove);
}

void DeleteFolder(World& w, const Action& a) {
    CMails* folder = w.Folder(a.from);
    ASSERT_NE(folder, nullptr) << a.Text();
    Outcome want = Outcome::Failed;
    if (w.ModelParent(a.from) != nullptr && RefusedReadOnly(w, a, {a.from}, [&] {
            return w.doc->FolderCommands().OnDelete({folder, ActivePane::Tree, {}});
        }))
        return;
    if (MFolder* parent = w.ModelParent(a.from)) {
        MFolder* gone = w.Model(a.from);
        parent->children.remove_if([&](const MFolder& c) { return &c == gone; });
        w.port->Answer(Answer::Ok);
        want = Outcome::Done;
    }
    Expect(w, a, w.doc->FolderCommands().OnDelete({folder, ActivePane::Tree, {}}), want);
}

void Rename(World& w, const Action& a) {
    CMails* folder = w.Folder(a.from);
    ASSERT_NE(folder, nullptr) << a.Text();
    Outcome want = Outcome::Failed;
    if (w.ModelParent(a.from) != nullptr && RefusedReadOnly(w, a, {a.from}, [&] {
            return w.doc->FolderCommands().OnRenameFolder({folder, ActivePane::Tree, {}});
        }))
        return;
    if (MFolder* parent = w.ModelParent(a.from)) {
        w.port->FolderName(a.name);
        MFolder* self = w.Model(a.from);
        const bool taken =
            std::any_of(parent->children.begin(), parent->children.end(),
                        [&](MFolder& c) { return &c != self && EqualsNoCase(c.name, a.name); });
        if (!taken) {
            self->name = a.name;
            want = Outcome::Done;
        }
    }
    Expect(w, a, w.doc->FolderCommands().OnRenameFolder({folder, ActivePane::Tree, {}}), want);
}

void NewFolder(World& w, const Action& a) {
    CMails* folder = w.Folder(a.from);
    ASSERT_NE(folder, nullptr) << a.Text();
    MFolder* model = w.Model(a.from);
    if (RefusedReadOnly(w, a, {a.from}, [&] {
            return w.doc->FolderCommands().OnNewFolder({folder, ActivePane::Tree, {}});
        }))
        return;
    w.port->FolderName(a.name);
    Outcome want = Outcome::Failed;
    const bool oneLevel = !w.Store(a.from)->netscape && a.from.find('/') != std::string::npos;
    if (!oneLevel && model->Child(a.name) == nullptr) {
        model->children.push_back(MFolder{a.name, {}, {}});
        want = Outcome::Done;
    }
    Expect(w, a, w.doc->FolderCommands().OnNewFolder({folder, ActivePane::Tree, {}}), want);
}

// The live messages of a listing with the deleted ones are the model's; the marked rows are
// undeleted all together, or, when a row is live or missing, none is.
void Undelete(World& w, const Action& a) {
    CMails* folder = w.Folder(a.from);
    ASSERT_NE(folder, nullptr) << a.Text();
    MessageList& listed = folder->GetMessagesWithDeleted();
    std::vector<MMessage> live, revived;
    bool refused = false;
    for (std::size_t i = 0; i < listed.size(); ++i) {
        MMessage m;
        EXPECT_TRUE(ModelOf(*folder, *listed[i], m)) << a.Text();
        const bool chosen = std::find(a.rows.begin(), a.rows.end(), i) != a.rows.end();
        if (!listed[i]->m_bDeleted)
            live.push_back(m);
        else if (chosen)
            revived.push_back(m);
        refused = refused || (chosen && !listed[i]->m_bDeleted);
    }
    refused = refused || std::any_of(a.rows.begin(), a.rows.end(),
                                     [&](std::size_t r) { return r >= listed.size(); });
    const auto undelete = [&] { return w.doc->Undelete().UndeleteRows(*folder, a.rows); };
    if (RefusedReadOnly(w, a, {a.from}, undelete))
        return;
    std::vector<MMessage> expected = w.Model(a.from)->messages;
    std::sort(live.begin(), live.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(live, expected) << a.Text() << ": the live rows of the listing with deleted messages";
    if (!refused) {
        std::vector<MMessage>& model = w.Model(a.from)->messages;
        model.insert(model.end(), revived.begin(), revived.end());
    }
    Expect(w, a, undelete(), refused ? Outcome::Failed : Outcome::Done);
}

// Before it starts, the count of what compacting removes is the difference between the listings
// with and without the deleted messages; afterwards none is left.
std::uint64_t DeletedInListings(CMails& folder) {
    std::uint64_t n =
        folder.IsRoot() ? 0 : folder.GetMessagesWithDeleted().size() - folder.GetMessages().size();
    for (CMails* child : folder.GetSubFolders())
        n += DeletedInListings(*child);
    return n;
}

// Every mailbox but the read-only ones (whose files the check after each step compares).
void Compact(World& w, const Action& a) {
    const DeletedTally before = w.doc->Compact().CountDeleted();
    std::uint64_t listed = 0;
    std::size_t mailboxes = 0;
    for (const MStore& s : w.stores) {
        const std::uint64_t n = s.readOnly ? 0 : DeletedInListings(*w.Folder(s.name));
        listed += n;
        mailboxes += n > 0 ? 1 : 0;
    }
    EXPECT_EQ(before.messages, listed) << a.Text();
    EXPECT_EQ(before.mailboxes, mailboxes) << a.Text();
    Expect(w, a, w.doc->Compact().RunCompact(), Outcome::Done);
    EXPECT_EQ(w.doc->Compact().CountDeleted().messages, 0u) << a.Text();
}

// Backup of a folder, then restore of the archive into a mailbox of either format.
void BackupRestore(World& w, const Action& a) {
    CMails* folder = w.Folder(a.from);
    CMails* root = w.Folder(a.to);
    ASSERT_TRUE(folder && root) << a.Text();
    const std::string file = w.File("backup.qbf");
    Expect(w, a, w.doc->BackupRestore().Backup(folder, file).outcome, Outcome::Done, false);
    if (RefusedReadOnly(w, a, {a.to},
                        [&] { return w.doc->BackupRestore().Restore(file, root).outcome; }))
        return;
    const MFolder snapshot = *w.Model(a.from);
    MStore& target = *w.Store(a.to);
    CopyInto(target.root, snapshot, snapshot.name, target.netscape);
    Expect(w, a, w.doc->BackupRestore().Restore(file, root).outcome, Outcome::Done);
}

// A message kept in a file of its own, added as quillbox-cli's add does.
void AddFile(World& w, const Action& a) {
    CMails* folder = w.Folder(a.from);
    ASSERT_NE(folder, nullptr) << a.Text();
    const std::string eol = a.rows.at(0) == 1 ? "\r\n" : "\n";
    MMessage m = RandomMessage(w, a.name.rfind("From - ", 0) == 0 ? a.name : "");
    m.body.insert(m.body.begin(), "From here on the plan changes.");
    std::string bytes = a.name.empty() ? "" : a.name + eol;
    bytes += HeaderText({"", m.subject, m.from, m.date, {}}, eol) + eol;
    for (const std::string& line : m.body)
        bytes += line + eol;
    WriteFile(w.File("add.eml"), bytes);
    const auto add = [&] {
        return w.doc->FolderCommands().AddMessageFiles(folder, {w.File("add.eml")});
    };
    if (RefusedReadOnly(w, a, {a.from}, add))
        return;
    w.Model(a.from)->messages.push_back(WrittenTo(w.Store(a.from)->netscape, m));
    Expect(w, a, add(), Outcome::Done);
}

// The other process of TwoProcessesAdd: a document of its own over the registry file args[0],
// adding the message files args[3...] to the folder args[1] once it has said it is ready by
// making the file args[2].
int AddAsAnotherProcess(const std::vector<std::string>& args) {
    RegistryFile registry(args.at(0));
    FakePort port;
    CQuillboxDoc doc(port, &registry);
    doc.ReloadMailboxes();
    CMails* folder = World::Folder(doc, args.at(1));
    if (folder == nullptr)
        return 2;
    WriteFile(args.at(2), "");
    const std::vector<std::string> files(args.begin() + 3, args.end());
    return doc.FolderCommands().AddMessageFiles(folder, files) == Outcome::Done ? 0 : 1;
}

// This process and another Quillbox process each add messages to one folder at the same time:
// the folder then holds both sets, each in its own order, in turns as the store's lock passed
// between the two (the model takes the order from the disk).
void TwoProcessesAdd(World& w, const Action& a) {
    CMails* folder = w.Folder(a.from);
    ASSERT_NE(folder, nullptr) << a.Text();
    if (w.Store(a.from)->readOnly)
        return; // the add step checks the refusal
    MFolder* model = w.Model(a.from);
    std::vector<std::string> files[2];
    std::vector<std::string> subjects[2];
    for (int i = 0; i < 6; ++i) {
        const MMessage m = RandomMessage(w, "");
        std::string bytes = HeaderText({"", m.subject, m.from, m.date, {}}, "\n") + "\n";
        for (const std::string& line : m.body)
            bytes += line + "\n";
        files[i % 2].push_back(w.File("add" + std::to_string(i) + ".eml"));
        WriteFile(files[i % 2].back(), bytes);
        subjects[i % 2].push_back(m.subject);
        model->messages.push_back(WrittenTo(w.Store(a.from)->netscape, m));
    }
    const std::string ready = w.File("other-ready");
    std::filesystem::remove(ready);
    std::vector<std::string> args{w.File("q.reg"), a.from, ready};
    args.insert(args.end(), files[1].begin(), files[1].end());
    Process other = StartRole("add", args);
    // Both add at once: this one starts when the other has opened its document.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(1);
    while (!std::filesystem::exists(ready) && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    Expect(w, a, w.doc->FolderCommands().AddMessageFiles(folder, files[0]), Outcome::Done);
    EXPECT_EQ(other.Wait(std::chrono::minutes(3)), 0) << a.Text();

    const std::vector<std::string> listed = Subjects(*folder);
    const auto position = [&](const std::string& subject) {
        return std::find(listed.begin(), listed.end(), subject) - listed.begin();
    };
    for (const auto& own : subjects) {
        for (std::size_t i = 1; i < own.size(); ++i)
            EXPECT_LT(position(own[i - 1]), position(own[i])) << a.Text();
    }
    // A message missing from the disk goes last, where the comparison reports it.
    std::stable_sort(model->messages.begin(), model->messages.end(),
                     [&](const MMessage& x, const MMessage& y) {
                         return position(x.subject) < position(y.subject);
                     });
}

// Export of a folder in one of the standard formats, then import of what was written into a
// folder of either format: its live messages are appended there as any added message is.
void ExportImport(World& w, const Action& a) {
    CMails* folder = w.Folder(a.from);
    CMails* target = w.Folder(a.to);
    ASSERT_TRUE(folder && target) << a.Text();
    const std::string out = w.File("export");
    std::filesystem::remove_all(out);
    const auto format = static_cast<ExportFormat>(a.rows.at(0));
    Expect(w, a, w.doc->Export().Export(folder, out, {format}).outcome, Outcome::Done, false);
    // mboxrd: the one file written; eml: the folder's one directory; Maildir: the whole tree.
    std::string source = out;
    if (format != ExportFormat::Maildir) {
        for (const auto& e : std::filesystem::directory_iterator(out))
            source = e.path().string();
    }
    ImportOptions options;
    options.unquoteMboxrd = format == ExportFormat::Mboxrd;
    if (RefusedReadOnly(w, a, {a.to}, [&] {
            w.port->ClearLog();
            return w.doc->Import().Import(source, target, options).outcome;
        }))
        return;
    const bool netscape = w.Store(a.to)->netscape;
    const std::vector<MMessage> exported = w.Model(a.from)->messages; // `to` may be `from`
    for (MMessage m : exported) {
        m.separator.clear();
        w.Model(a.to)->messages.push_back(WrittenTo(netscape, m));
    }
    const TransferReport report = w.doc->Import().Import(source, target, options);
    EXPECT_EQ(report.skipped, 0) << a.Text() << testing::PrintToString(report.problems);
    Expect(w, a, report.outcome, Outcome::Done);
}

void Reopen(World& w, const Action&) {
    w.Reopen();
}

// Registers a mailbox read-only, or writable again.
void MarkReadOnly(World& w, const Action& a) {
    MStore& store = *w.Store(a.from);
    w.MarkReadOnly(store, !store.readOnly);
}

const Step kSteps[] = {
    {"copy-messages", 3, ChooseMessageTransfer, CopyMessages},
    {"move-messages", 3, ChooseMessageTransfer, MoveMessages},
    {"delete-messages", 2, ChooseRows, DeleteMessages},
    {"copy-folder", 3, ChooseFolderCopy, CopyFolder},
    {"move-folder", 3, ChooseFolderMove, MoveFolder},
    {"drag-folder", 2, ChooseFolderMove, DragFolder},
    {"delete-folder", 1, ChooseFolder, DeleteFolder},
    {"rename", 2, ChooseFolder, Rename},
    {"new-folder", 2, ChooseFolder, NewFolder},
    {"compact", 1, ChooseNothing, Compact},
    {"undelete", 2, ChooseUndelete, Undelete},
    {"backup-restore", 2, ChooseBackup, BackupRestore},
    {"add", 2, ChooseAdd, AddFile},
    {"two-processes-add", 1, ChooseMessageFolder, TwoProcessesAdd},
    {"export-import", 2, ChooseExport, ExportImport},
    {"reopen", 1, ChooseNothing, Reopen},
    {"read-only", 1, ChooseStore, MarkReadOnly},
};

const Step& StepNamed(const std::string& name) {
    for (const Step& s : kSteps) {
        if (name == s.name)
            return s;
    }
    throw std::invalid_argument("no step " + name);
}

// Failed assertions of the running test so far (a failed seed must not fail the next ones).
int Failures() {
    const ::testing::TestResult& result =
        *::testing::UnitTest::GetInstance()->current_test_info()->result();
    int n = 0;
    for (int i = 0; i < result.total_part_count(); ++i)
        n += result.GetTestPartResult(i).failed() ? 1 : 0;
    return n;
}

// Runs one action and checks the whole world. False (failures reported with the trace) when
// anything differs from the model.
bool RunAndCheck(World& w, const Action& a, std::vector<std::string>& trace,
                 const std::string& label) {
    const int before = Failures();
    trace.push_back(a.Text());
    w.port->ClearLog();
    // A read-only store keeps every byte, whatever the step did (the model sees only its mail).
    std::map<std::string, std::map<std::string, std::string>> frozen;
    for (const MStore& s : w.stores) {
        if (s.readOnly)
            frozen[s.dir] = Snapshot(s.dir);
    }
    StepNamed(a.step).run(w, a);
    std::vector<std::string> problems = CheckWorld(w);
    for (const auto& [dir, files] : frozen) {
        if (Snapshot(dir) != files)
            problems.push_back(dir + ": a read-only store changed");
    }
    for (const std::string& p : problems)
        ADD_FAILURE() << label << " after step " << trace.size() << ": " << p;
    if (!problems.empty() || Failures() != before) {
        std::string all;
        for (std::size_t i = 0; i < trace.size(); ++i)
            all += "  " + std::to_string(i + 1) + ". " + trace[i] + "\n";
        ADD_FAILURE() << label << " steps:\n" << all;
        return false;
    }
    return true;
}

bool RunSeed(unsigned seed, int steps) {
    const int before = Failures();
    World w(seed);
    Generate(w);
    const std::string label = "seed " + std::to_string(seed);
    std::vector<std::string> problems = CheckWorld(w);
    EXPECT_TRUE(problems.empty()) << label
                                  << " as generated: " << ::testing::PrintToString(problems);
    if (!problems.empty() || Failures() != before)
        return false;
    int total = 0;
    for (const Step& s : kSteps)
        total += s.weight;
    std::vector<std::string> trace;
    for (int i = 0; i < steps; ++i) {
        int pick = static_cast<int>(w.Pick(static_cast<std::size_t>(total)));
        const Step* step = kSteps;
        while (pick >= step->weight)
            pick -= (step++)->weight;
        Action a;
        a.step = step->name;
        if (step->choose(w, a) && !RunAndCheck(w, a, trace, label))
            return false;
    }
    return true;
}

int EnvNumber(const char* name, int fallback) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0' ? std::atoi(value) : fallback;
}

TEST(ModelCheck, RandomSequences) {
    if (Role() == "add")
        std::_Exit(AddAsAnotherProcess(RoleArgs()));
    const int first = EnvNumber("QUILLBOX_MODELCHECK_FIRST", 1);
    const int seeds = EnvNumber("QUILLBOX_MODELCHECK_SEEDS", 4);
    const int steps = EnvNumber("QUILLBOX_MODELCHECK_STEPS", 40);
    int failed = 0;
    for (int seed = first; seed < first + seeds && failed < 3; ++seed) {
        if (!RunSeed(static_cast<unsigned>(seed), steps))
            ++failed;
    }
    std::printf("model check: %d seeds of %d steps from seed %d, %d failed\n", seeds, steps, first,
                failed);
    for (const auto& [step, n] : Tally())
        std::printf("  %-16s done %6d  cancelled %6d  failed %6d\n", step.c_str(), n[0], n[1],
                    n[2]);
}

// ---- named scenarios: fixed actions over fixed stores ----

struct Scenario {
    const char* name;
    std::vector<Action> actions;
};

Action Do(std::string step, std::string from, std::string to = "", std::string name = "",
          std::vector<std::size_t> rows = {}, Answer answer = Answer::Yes) {
    return {std::move(step), std::move(from), std::move(to),
            std::move(rows), answer,          std::move(name)};
}

const Scenario kScenarios[] = {
    {"RootsCopyIntoEveryFormat",
     {Do("new-folder", "I1", "", "Inbox"), Do("add", "I1/Inbox", "", "", {0}),
      Do("new-folder", "N1", "", "Inbox"), Do("new-folder", "N1/Inbox", "", "Sub"),
      Do("add", "N1/Inbox/Sub", "", "", {1}), Do("copy-folder", "I1", "N2"),
      Do("copy-folder", "N1", "I2"), Do("copy-folder", "I1", "I2"), Do("copy-folder", "N1", "N2")}},
    {"EmptyInternetMailFoldersAreOrdinaryFolders",
     {Do("new-folder", "I1", "", "Outbox"), Do("backup-restore", "I1", "N1"),
      Do("copy-folder", "I1/Outbox", "N1"), Do("add", "I1/Outbox", "", "", {0}),
      Do("move-messages", "I1/Outbox", "N1/Outbox", "", {0}), Do("compact", ""), Do("compact", ""),
      Do("backup-restore", "I1/Outbox", "I2"), Do("drag-folder", "I1/Outbox", "N2"),
      Do("add", "I2/Outbox", "", "", {1})}},
    {"SeparatorLinesAndFromLinesSurviveEveryRoad",
     {Do("new-folder", "N1", "", "Inbox"), Do("new-folder", "I1", "", "Inbox"),
      Do("add", "N1/Inbox", "", "From - Tue Feb  2 10:00:00 1999", {0}),
      Do("add", "I1/Inbox", "", "From - Tue Feb  2 10:00:00 1999", {1}),
      Do("add", "N1/Inbox", "", "From someone@example.com Tue Feb  2 10:00:00 1999", {1}),
      Do("copy-messages", "I1/Inbox", "N1/Inbox", "", {0}),
      Do("copy-folder", "N1/Inbox", "I1", "", {}, Answer::No),
      Do("backup-restore", "N1/Inbox", "N2"), Do("move-folder", "I1/Inbox(1)", "N2")}},
    {"ReadOnlyMailboxRefusesEveryChange",
     {Do("new-folder", "N1", "", "Inbox"),
      Do("new-folder", "N1/Inbox", "", "Sub"),
      Do("add", "N1/Inbox", "", "", {0}),
      Do("new-folder", "I1", "", "Inbox"),
      Do("add", "I1/Inbox", "", "", {1}),
      Do("read-only", "N1"),
      Do("add", "N1/Inbox", "", "", {0}),
      Do("delete-messages", "N1/Inbox", "", "", {0}),
      Do("new-folder", "N1", "", "New"),
      Do("rename", "N1/Inbox", "", "Renamed"),
      Do("delete-folder", "N1/Inbox/Sub"),
      Do("move-messages", "N1/Inbox", "I1/Inbox", "", {0}),
      Do("copy-messages", "I1/Inbox", "N1/Inbox", "", {0}),
      Do("copy-folder", "I1/Inbox", "N1"),
      Do("move-folder", "N1/Inbox/Sub", "I1"),
      Do("drag-folder", "N1/Inbox/Sub", "N2"),
      Do("drag-folder", "I1/Inbox", "N1/Inbox"),
      Do("backup-restore", "I1/Inbox", "N1"),
      Do("compact", ""),
      Do("copy-messages", "N1/Inbox", "I1/Inbox", "", {0}),
      Do("copy-folder", "N1/Inbox", "N2"),
      Do("backup-restore", "N1", "I2"),
      Do("read-only", "N1"),
      Do("delete-messages", "N1/Inbox", "", "", {0})}},
    // Seed 110: moving Box/Inbox/inbox into Box and merging it into Box/Inbox (its own parent)
    // would merge its sub-folder Inbox into itself.
    {"Seed110MergeIntoTheSourcesOwnTree",
     {Do("new-folder", "N1", "", "Box"), Do("new-folder", "N1/Box", "", "Inbox"),
      Do("new-folder", "N1/Box/Inbox", "", "inbox"),
      Do("new-folder", "N1/Box/Inbox/inbox", "", "Inbox"),
      Do("add", "N1/Box/Inbox/inbox/Inbox", "", "", {0}), Do("add", "N1/Box/Inbox", "", "", {0}),
      Do("move-folder", "N1/Box/Inbox/inbox", "N1/Box"),
      Do("copy-folder", "N1/Box/Inbox/inbox", "N1/Box"),
      Do("drag-folder", "N1/Box/Inbox/inbox", "N1/Box")}},
};

void PrintTo(const Scenario& s, std::ostream* os) {
    *os << s.name;
}

class Scenarios : public ::testing::TestWithParam<Scenario> {};

TEST_P(Scenarios, AgreeWithTheModel) {
    if (Role() == "add")
        std::_Exit(AddAsAnotherProcess(RoleArgs()));
    World w(1); // the seed only picks message bodies here
    for (const char* name : {"N1", "N2"})
        w.AddStore(name, true);
    for (const char* name : {"I1", "I2"})
        w.AddStore(name, false);
    w.Register();
    w.Reopen();
    std::vector<std::string> trace;
    for (const Action& a : GetParam().actions) {
        if (!RunAndCheck(w, a, trace, GetParam().name))
            break;
    }
}

INSTANTIATE_TEST_SUITE_P(ModelCheck, Scenarios, ::testing::ValuesIn(kScenarios),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace qb::test
