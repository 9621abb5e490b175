// Commands that change messages: add, delete, copy, move.
#include "cli/cli.h"

#include <string>
#include <vector>

namespace qb::cli {

namespace {

struct Args {
    std::string store;
    std::string folder;
    std::vector<std::string> files;
    std::vector<std::string> rows;
    std::vector<std::string> to; // STORE2 FOLDER2
};

int Add(Context& ctx, const Args& args);
int Delete(Context& ctx, const Args& args);
int Transfer(Context& ctx, const Args& args, bool move);

void AddSource(CLI::App* command, Args& a) {
    AddFolderArgs(command, a.store, a.folder);
}

void AddRows(CLI::App* command, Args& a) {
    command->add_option("ROW", a.rows, "Rows of the folder's list (any order, repeats act once)")
        ->required()
        ->check(RowValidator());
}

void AddTarget(CLI::App* command, Args& a) {
    AddDestination(command, a.to);
}

} // namespace

void AddChangingCommands(CLI::App& app, Context& ctx) {
    auto a = std::make_shared<Args>();

    CLI::App* command = AddCommand(
        app, ctx, "add", "Adds message files (Internet format) to a folder",
        "quillbox-cli add netscape:$HOME/Mail Inbox note.eml", [&ctx, a] { return Add(ctx, *a); });
    AddSource(command, *a);
    command->add_option("FILE", a->files, "Message files, one message each")->required();

    command = AddCommand(app, ctx, "delete", "Deletes messages from a folder",
                         "quillbox-cli delete netscape:$HOME/Mail Inbox 0 2",
                         [&ctx, a] { return Delete(ctx, *a); });
    AddSource(command, *a);
    AddRows(command, *a);

    command = AddCommand(app, ctx, "copy", "Copies messages into another folder",
                         "quillbox-cli copy netscape:$HOME/Mail Inbox 0 1 --to imn:$HOME/imn Inbox",
                         [&ctx, a] { return Transfer(ctx, *a, false); });
    AddSource(command, *a);
    AddRows(command, *a);
    AddTarget(command, *a);

    command =
        AddCommand(app, ctx, "move", "Moves messages into another folder",
                   "quillbox-cli move netscape:$HOME/Mail Inbox 3 --to netscape:$HOME/Mail Saved",
                   [&ctx, a] { return Transfer(ctx, *a, true); });
    AddSource(command, *a);
    AddRows(command, *a);
    AddTarget(command, *a);
}

namespace {

int Add(Context& ctx, const Args& args) {
    Session session(ctx);
    CMails* folder = session.Folder(args.store, args.folder);
    if (folder == nullptr)
        return kExitFailed;
    return ExitFor(session.doc.FolderCommands().AddMessageFiles(folder, args.files));
}

// The messages the ROWs name in one listing of `folder`; false (text shown) when one is out of
// range.
bool Select(CMails& folder, const std::vector<std::string>& rows,
            std::vector<CMessage*>& selected) {
    if (!SelectRows(folder.GetMessages(), Rows(rows), selected)) {
        Fail(kTextMessageNotFound);
        return false;
    }
    return true;
}

int Delete(Context& ctx, const Args& args) {
    Session session(ctx);
    CMails* folder = session.Folder(args.store, args.folder);
    if (folder == nullptr)
        return kExitFailed;
    Selection selection{folder, ActivePane::List, {}};
    if (!Select(*folder, args.rows, selection.messages))
        return kExitFailed;
    return ExitFor(session.doc.FolderCommands().OnDelete(selection));
}

int Transfer(Context& ctx, const Args& args, bool move) {
    Session session(ctx);
    CMails* folder = session.Folder(args.store, args.folder);
    if (folder == nullptr)
        return kExitFailed;
    CMails* dest = session.Folder(args.to.at(0), args.to.at(1));
    if (dest == nullptr)
        return kExitFailed;
    Selection selection{folder, ActivePane::List, {}};
    if (!Select(*folder, args.rows, selection.messages))
        return kExitFailed;
    return ExitFor(move ? session.doc.MoveCopy().MoveTo(dest, selection)
                        : session.doc.MoveCopy().CopyTo(dest, selection));
}

} // namespace

} // namespace qb::cli
