// Folder commands: mkdir, rename, rmdir, copy-folder, move-folder, compact.
#include "cli/cli.h"

#include <string>
#include <vector>

namespace qb::cli {

namespace {

struct Args {
    std::string store;
    std::string folder;
    std::string name;
    std::vector<std::string> to;
    std::string onConflict = "rename";
    std::optional<std::string> compactFolder;
};

// New Folder and Rename Folder: the folder-name dialog refuses an empty name before anything is
// looked up, then the document runs the command with the name as the dialog's answer.
int NamedFolderCommand(Context& ctx, const Args& args,
                       Outcome (CFolderCommands::*command)(const Selection&)) {
    const std::string refusal = CheckFolderName(args.name);
    if (!refusal.empty())
        return Fail(refusal);
    Session session(ctx);
    CMails* folder = session.Folder(args.store, args.folder);
    if (folder == nullptr)
        return kExitFailed;
    session.port.folderName = args.name;
    return ExitFor((session.doc.FolderCommands().*command)({folder, ActivePane::Tree, {}}));
}

int MakeFolder(Context& ctx, const Args& args) {
    return NamedFolderCommand(ctx, args, &CFolderCommands::OnNewFolder);
}

int RenameFolder(Context& ctx, const Args& args) {
    return NamedFolderCommand(ctx, args, &CFolderCommands::OnRenameFolder);
}

int RemoveFolder(Context& ctx, const Args& args) {
    Session session(ctx);
    CMails* folder = session.Folder(args.store, args.folder);
    if (folder == nullptr)
        return kExitFailed;
    return ExitFor(session.doc.FolderCommands().OnDelete({folder, ActivePane::Tree, {}}));
}

Answer ConflictAnswer(const std::string& text) {
    if (text == "merge")
        return Answer::Yes;
    if (text == "cancel")
        return Answer::Cancel;
    return Answer::No;
}

int TransferFolder(Context& ctx, const Args& args, bool move) {
    Session session(ctx);
    CMails* folder = session.Folder(args.store, args.folder);
    if (folder == nullptr)
        return kExitFailed;
    CMails* dest = session.Folder(args.to.at(0), args.to.at(1));
    if (dest == nullptr)
        return kExitFailed;
    session.port.sameNameAnswer = ConflictAnswer(args.onConflict);
    const Selection selection{folder, ActivePane::Tree, {}};
    return ExitFor(move ? session.doc.MoveCopy().MoveTo(dest, selection)
                        : session.doc.MoveCopy().CopyTo(dest, selection));
}

int Compact(Context& ctx, const Args& args) {
    Session session(ctx);
    // Without FOLDER the store's root: every folder of the store.
    CMails* folder = args.compactFolder ? session.Folder(args.store, *args.compactFolder)
                                        : session.Store(args.store);
    if (folder == nullptr)
        return kExitFailed;
    return ExitFor(session.doc.Compact().CompactFolder(folder));
}

void AddSource(CLI::App* command, Args& a) {
    AddFolderArgs(command, a.store, a.folder);
}

void AddTarget(CLI::App* command, Args& a) {
    AddDestination(command, a.to);
    command
        ->add_option("--on-conflict", a.onConflict,
                     "Answer when the destination holds a folder of the same name: merge, "
                     "rename (the default) or cancel")
        ->check(CLI::IsMember({"merge", "rename", "cancel"}));
}

} // namespace

void AddFolderCommands(CLI::App& app, Context& ctx) {
    auto a = std::make_shared<Args>();

    CLI::App* command = AddCommand(app, ctx, "mkdir", "Creates a folder inside FOLDER",
                                   "quillbox-cli mkdir netscape:$HOME/Mail Inbox Work",
                                   [&ctx, a] { return MakeFolder(ctx, *a); });
    AddSource(command, *a);
    command->add_option("NAME", a->name, "The new folder's name")->required();

    command = AddCommand(app, ctx, "rename", "Renames a folder",
                         "quillbox-cli rename netscape:$HOME/Mail Inbox/Work Projects",
                         [&ctx, a] { return RenameFolder(ctx, *a); });
    AddSource(command, *a);
    command->add_option("NEWNAME", a->name, "The folder's new name")->required();

    command = AddCommand(app, ctx, "rmdir", "Deletes a folder with its messages and sub-folders",
                         "quillbox-cli rmdir netscape:$HOME/Mail Inbox/Old",
                         [&ctx, a] { return RemoveFolder(ctx, *a); });
    AddSource(command, *a);

    command = AddCommand(app, ctx, "copy-folder", "Copies a folder into another folder",
                         "quillbox-cli copy-folder netscape:$HOME/Mail Inbox --to imn:$HOME/imn / "
                         "--on-conflict merge",
                         [&ctx, a] { return TransferFolder(ctx, *a, false); });
    AddSource(command, *a);
    AddTarget(command, *a);

    command = AddCommand(app, ctx, "move-folder", "Moves a folder into another folder",
                         "quillbox-cli move-folder netscape:$HOME/Mail Inbox/Work --to "
                         "netscape:$HOME/Mail Archive",
                         [&ctx, a] { return TransferFolder(ctx, *a, true); });
    AddSource(command, *a);
    AddTarget(command, *a);

    command = AddCommand(
        app, ctx, "compact", "Compacts every folder of a store, or FOLDER and its sub-folders",
        "quillbox-cli compact netscape:$HOME/Mail Inbox", [&ctx, a] { return Compact(ctx, *a); });
    command->add_option("STORE", a->store, "The store")->required();
    command->add_option("FOLDER", a->compactFolder, "The folder (all folders when left out)");
}

} // namespace qb::cli
