// Backup and restore of a folder tree to and from an archive file.
#include "cli/cli.h"

#include <string>

namespace qb::cli {

namespace {

struct Args {
    std::string store;
    std::string folder;
    std::string file;
};

int Backup(Context& ctx, const Args& args) {
    Session session(ctx);
    CMails* folder = session.Folder(args.store, args.folder);
    if (folder == nullptr)
        return kExitFailed;
    return ExitFor(session.doc.BackupRestore().Backup(folder, args.file).outcome);
}

int Restore(Context& ctx, const Args& args) {
    Session session(ctx);
    CMails* root = session.Store(args.store);
    if (root == nullptr)
        return kExitFailed;
    return ExitFor(session.doc.BackupRestore().Restore(args.file, root).outcome);
}

} // namespace

void AddArchiveCommands(CLI::App& app, Context& ctx) {
    auto a = std::make_shared<Args>();

    CLI::App* command =
        AddCommand(app, ctx, "backup", "Backs a folder with its sub-folders up into FILE",
                   "quillbox-cli backup netscape:$HOME/Mail Inbox inbox.qbf",
                   [&ctx, a] { return Backup(ctx, *a); });
    command->add_option("STORE", a->store, "The store")->required();
    command->add_option("FOLDER", a->folder, "The folder (\"\" or / for the whole store)")
        ->required();
    command->add_option("FILE", a->file, "The archive file to write")->required();

    command = AddCommand(app, ctx, "restore", "Restores an archive file into a store's root",
                         "quillbox-cli restore inbox.qbf netscape:$HOME/Mail",
                         [&ctx, a] { return Restore(ctx, *a); });
    command->add_option("FILE", a->file, "The archive file to read")->required();
    command->add_option("STORE", a->store, "The store to restore into")->required();
}

} // namespace qb::cli
