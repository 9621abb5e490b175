// Export of a folder into a standard mailbox format, and import of such a mailbox into a folder.
#include "cli/cli.h"

#include "app/export_command.h"
#include "app/import_command.h"

#include <string>

namespace qb::cli {

namespace {

struct Args {
    std::string store;
    std::string folder;
    std::string path; // export: DEST; import: SOURCE
    std::string format;
    bool recursive = false;
    bool includeDeleted = false;
    bool mboxrd = false;
};

// The summary on standard output, each skipped message on standard error.
int Report(Session& session, const TransferReport& report) {
    session.port.EndProgress();
    for (const std::string& problem : report.problems)
        ErrLine("Skipped " + problem);
    if (report.skipped > static_cast<std::int64_t>(report.problems.size()))
        ErrLine("Skipped " +
                std::to_string(report.skipped - static_cast<std::int64_t>(report.problems.size())) +
                " more messages");
    if (!report.summary.empty())
        Out(report.summary + "\n");
    return ExitFor(report.outcome);
}

int Export(Context& ctx, const Args& args) {
    Session session(ctx);
    CMails* folder = session.Folder(args.store, args.folder);
    if (folder == nullptr)
        return kExitFailed;
    ExportOptions options;
    options.format = *ParseExportFormat(args.format); // checked while parsing
    options.subFolders = args.recursive;
    options.includeDeleted = args.includeDeleted;
    return Report(session, session.doc.Export().Export(folder, args.path, options));
}

int Import(Context& ctx, const Args& args) {
    Session session(ctx);
    CMails* folder = session.Folder(args.store, args.folder);
    if (folder == nullptr)
        return kExitFailed;
    ImportOptions options;
    options.unquoteMboxrd = args.mboxrd;
    return Report(session, session.doc.Import().Import(args.path, folder, options));
}

} // namespace

void AddInterchangeCommands(CLI::App& app, Context& ctx) {
    auto a = std::make_shared<Args>();

    CLI::App* command = AddCommand(
        app, ctx, "export",
        "Writes a folder as an mbox file, a Maildir or .eml files into the directory DEST",
        "quillbox-cli export netscape:$HOME/Mail Inbox out --format mboxrd --recursive",
        [&ctx, a] { return Export(ctx, *a); });
    AddFolderArgs(command, a->store, a->folder);
    command->add_option("DEST", a->path, "The directory to write into (made when missing)")
        ->required();
    command->add_option("--format", a->format, "mboxrd, maildir or eml")
        ->required()
        ->check(CLI::IsMember({"mboxrd", "maildir", "eml"}))
        ->type_name("FORMAT");
    command->add_flag("--recursive", a->recursive, "The folder's sub-folders too");
    command->add_flag("--include-deleted", a->includeDeleted,
                      "Messages marked deleted (not yet compacted) too");

    command = AddCommand(app, ctx, "import",
                         "Adds the messages of an mbox file, a Maildir or a directory of .eml "
                         "files to a folder",
                         "quillbox-cli import old.mbox netscape:$HOME/Mail Inbox",
                         [&ctx, a] { return Import(ctx, *a); });
    command->add_option("SOURCE", a->path, "The mbox file, Maildir or directory of .eml files")
        ->required();
    AddFolderArgs(command, a->store, a->folder);
    command->add_flag("--mboxrd", a->mboxrd,
                      "The mbox file is mboxrd: lines \">From \" lose one \">\"");
}

} // namespace qb::cli
