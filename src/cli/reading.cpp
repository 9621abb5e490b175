// Reading commands: folders, list, records, header, show. They change nothing.
#include "cli/cli.h"

#include "app/message_columns.h"
#include "app/message_text.h"
#include "app/store_lock.h"

#include <string>

namespace qb::cli {

namespace {

struct MessageArgs {
    std::string store;
    std::string folder;
    std::string row;
};

// The message a ROW names in a fresh listing of the folder; the text has been shown when none.
CMessage* MessageAt(Context& ctx, const MessageArgs& args, Opened& opened) {
    if (!OpenFolderArg(ctx, args.store, args.folder, opened))
        return nullptr;
    MessageList& listing = ListMessages(*opened.folder);
    std::vector<CMessage*> selected;
    if (!SelectRows(listing, Rows({args.row}), selected) || selected.empty()) {
        Fail(kTextMessageNotFound);
        return nullptr;
    }
    return selected.front();
}

int Folders(Context& ctx, const std::string& store) {
    Opened opened;
    if (!OpenStoreArg(ctx, store, opened))
        return kExitFailed;
    for (const FolderPath& entry : ListFolderPaths(opened.Root())) {
        Out(entry.path);
        Out("\n");
    }
    return kExitOk;
}

// With `deleted`, the messages marked deleted are listed too, and every line ends in one more
// field: "D" for such a message, "-" for a live one.
int List(Context& ctx, const std::string& store, const std::string& folder, bool deleted) {
    Opened opened;
    if (!OpenFolderArg(ctx, store, folder, opened))
        return kExitFailed;
    std::size_t row = 0;
    for (const auto& message : ListMessages(*opened.folder, kStoreLockWaitMs, deleted)) {
        std::string line = std::to_string(row++) + "\t" + std::to_string(message->m_nIndex);
        for (const MessageColumn& column : kMessageColumns) {
            line += '\t';
            line += message->GetHeaderField(column.field);
        }
        if (deleted)
            line += message->m_bDeleted ? "\tD" : "\t-";
        line += '\n';
        Out(line);
    }
    return kExitOk;
}

int Records(Context& ctx, const std::string& store, const std::string& folder) {
    Opened opened;
    if (!OpenFolderArg(ctx, store, folder, opened))
        return kExitFailed;
    std::size_t row = 0;
    for (const auto& m : ListMessages(*opened.folder)) {
        std::string line = std::to_string(row++);
        for (const long long value :
             {static_cast<long long>(m->m_nIndex), static_cast<long long>(m->m_nOffset),
              static_cast<long long>(m->m_nSize), static_cast<long long>(m->m_nBodySize),
              static_cast<long long>(m->m_nLines), static_cast<long long>(m->m_nBodyLines)}) {
            line += '\t';
            line += std::to_string(value);
        }
        line += '\n';
        Out(line);
    }
    return kExitOk;
}

int Header(Context& ctx, const MessageArgs& args) {
    Opened opened;
    CMessage* message = MessageAt(ctx, args, opened);
    if (message == nullptr)
        return kExitFailed;
    Out(message->m_strHeader);
    return kExitOk;
}

int Show(Context& ctx, const MessageArgs& args) {
    Opened opened;
    CMessage* message = MessageAt(ctx, args, opened);
    if (message == nullptr)
        return kExitFailed;
    Out(ComposeMessageDisplay(*message).text);
    return kExitOk;
}

void AddMessageArgs(CLI::App* command, MessageArgs& args) {
    AddFolderArgs(command, args.store, args.folder);
    command->add_option("ROW", args.row, "The message's row in the folder's list")
        ->required()
        ->check(RowValidator());
}

} // namespace

void AddReadingCommands(CLI::App& app, Context& ctx) {
    struct Args {
        std::string store;
        std::string folder;
        MessageArgs message;
        bool deleted = false;
    };
    auto a = std::make_shared<Args>();

    CLI::App* command = AddCommand(
        app, ctx, "folders", "Prints the path of every folder of a store, depth first",
        "quillbox-cli folders netscape:$HOME/Mail", [&ctx, a] { return Folders(ctx, a->store); });
    command->add_option("STORE", a->store, "The store")->required();

    command = AddCommand(app, ctx, "list",
                         "Lists a folder's messages: ROW, index, Subject, From, To, Date",
                         "quillbox-cli list netscape:$HOME/Mail Inbox",
                         [&ctx, a] { return List(ctx, a->store, a->folder, a->deleted); });
    AddFolderArgs(command, a->store, a->folder);
    command->add_flag("--deleted", a->deleted,
                      "Lists the messages marked deleted too, with a last field: D (deleted) or -");

    command = AddCommand(app, ctx, "records",
                         "Lists a folder's message records: ROW, index, offset, size, body size, "
                         "lines, body lines",
                         "quillbox-cli records imn:$HOME/imn Inbox",
                         [&ctx, a] { return Records(ctx, a->store, a->folder); });
    AddFolderArgs(command, a->store, a->folder);

    command = AddCommand(app, ctx, "header", "Prints a message's header text as stored",
                         "quillbox-cli header netscape:$HOME/Mail Inbox 0",
                         [&ctx, a] { return Header(ctx, a->message); });
    AddMessageArgs(command, a->message);

    command =
        AddCommand(app, ctx, "show", "Prints a message as the program's message pane shows it",
                   "quillbox-cli show netscape:$HOME/Mail Inbox/Work 3",
                   [&ctx, a] { return Show(ctx, a->message); });
    AddMessageArgs(command, a->message);
}

} // namespace qb::cli
