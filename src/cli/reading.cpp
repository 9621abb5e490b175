// Reading commands: folders, list, records, header, show, attachments. They change nothing but
// the files `attachments --save` writes.
#include "cli/cli.h"
#include "cli/json_out.h"

#include "app/message_columns.h"
#include "app/message_text.h"
#include "app/readable_message.h"
#include "app/store_lock.h"
#include "platform/file_system.h"

#include <ctime>
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

// How the listing commands print: the stored bytes, decoded text, or one JSON document.
struct Form {
    bool decode = false;
    bool json = false;
};

// A text field and its "_raw" twin.
void PutText(nlohmann::json& object, const std::string& key, const std::string& raw) {
    object[key] = StoreTextToUtf8(raw);
    object[key + "_raw"] = RawJsonText(raw);
}

// "2001-03-02T08:15:00Z", or null.
nlohmann::json IsoTime(std::optional<std::int64_t> seconds) {
    if (!seconds)
        return nullptr;
    const std::time_t t = static_cast<std::time_t>(*seconds);
    std::tm tm{};
    char buffer[40];
#ifdef _WIN32
    // Windows reads no time before 1970 (nor after 3000): such a date prints as null there.
    const bool broken = gmtime_s(&tm, &t) == 0;
#else
    const bool broken = gmtime_r(&t, &tm) != nullptr;
#endif
    if (!broken || std::strftime(buffer, sizeof buffer, "%Y-%m-%dT%H:%M:%SZ", &tm) == 0)
        return nullptr;
    return buffer;
}

int Folders(Context& ctx, const std::string& store, const Form& form) {
    Opened opened;
    if (!OpenStoreArg(ctx, store, opened))
        return kExitFailed;
    const std::vector<FolderPath> folders = ListFolderPaths(opened.Root());
    if (!form.json) {
        for (const FolderPath& entry : folders) {
            Out(entry.path);
            Out("\n");
        }
        return kExitOk;
    }
    nlohmann::json list = nlohmann::json::array();
    for (const FolderPath& entry : folders) {
        nlohmann::json folder;
        PutText(folder, "path", entry.path);
        PutText(folder, "name", entry.folder->m_strName);
        list.push_back(std::move(folder));
    }
    nlohmann::json document;
    PutText(document, "store", opened.Root().m_strName);
    document["folders"] = std::move(list);
    Out(JsonText(document) + "\n");
    return kExitOk;
}

// With `deleted`, the messages marked deleted are listed too, and every line ends in one more
// field: "D" for such a message, "-" for a live one (in JSON, "deleted": true or false).
int List(Context& ctx, const std::string& store, const std::string& folder, const Form& form,
         bool deleted) {
    Opened opened;
    if (!OpenFolderArg(ctx, store, folder, opened))
        return kExitFailed;
    if (form.json) {
        // One document, written a message at a time: a large folder is never held as JSON.
        nlohmann::json head;
        PutText(head, "store", opened.Root().m_strName);
        PutText(head, "folder", folder);
        std::string text = JsonText(head);
        text.pop_back();
        Out(text + ",\"messages\":[");
    }
    std::size_t row = 0;
    std::array<std::string, kMessageColumnCount> raw;
    std::string line;
    // Rows go out as the folder is read: a folder of any size is listed in little memory.
    auto print = [&](CMessage& message) {
        if (form.json) {
            nlohmann::json item;
            item["row"] = row;
            item["index"] = message.m_nIndex;
            for (int c = 0; c < kMessageColumnCount; ++c) {
                const MessageColumn& column = kMessageColumns[static_cast<std::size_t>(c)];
                std::string key = column.heading;
                key[0] = static_cast<char>(key[0] - 'A' + 'a');
                item[key] = DecodedColumn(message, c);
                item[key + "_raw"] = RawJsonText(message.GetHeaderField(column.field));
            }
            item["time"] = IsoTime(MessageTime(message));
            if (deleted)
                item["deleted"] = message.m_bDeleted;
            Out((row == 0 ? "\n" : ",\n") + JsonText(item));
            ++row;
            return true;
        }
        line.assign(std::to_string(row++));
        line += '\t';
        line += std::to_string(message.m_nIndex);
        if (!form.decode)
            RawColumns(message, raw);
        for (int c = 0; c < kMessageColumnCount; ++c) {
            line += '\t';
            line += form.decode ? DecodedColumn(message, c) : raw[static_cast<std::size_t>(c)];
        }
        if (deleted)
            line += message.m_bDeleted ? "\tD" : "\t-";
        line += '\n';
        Out(line);
        return true;
    };
    VisitMessageList(*opened.folder, print, kStoreLockWaitMs, deleted);
    if (form.json)
        Out("\n]}\n");
    WarnIfNotWhole(*opened.folder);
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

int Show(Context& ctx, const MessageArgs& args, bool decode) {
    Opened opened;
    CMessage* message = MessageAt(ctx, args, opened);
    if (message == nullptr)
        return kExitFailed;
    Out(decode ? ComposeDecodedDisplay(*message).text : ComposeMessageDisplay(*message).text);
    return kExitOk;
}

int Attachments(Context& ctx, const MessageArgs& args, const std::string& saveDir) {
    if (!saveDir.empty() && !fs::IsDirectory(saveDir))
        return Fail(kTextDirectoryNotFound);
    Opened opened;
    CMessage* message = MessageAt(ctx, args, opened);
    if (message == nullptr)
        return kExitFailed;
    const CReadableMessage readable(*message);
    if (!readable.IsRead())
        return Fail(kTextCannotReadMessage);
    int status = kExitOk;
    for (std::size_t i = 0; i < readable.Attachments().size(); ++i) {
        const Attachment& attachment = readable.Attachments()[i];
        if (saveDir.empty()) {
            Out(std::to_string(i) + "\t" + attachment.type + "\t" +
                std::to_string(readable.AttachmentSize(i)) + "\t" + attachment.name + "\n");
            continue;
        }
        std::string saved;
        const std::string error = readable.SaveAttachmentInto(i, saveDir, saved);
        if (error.empty())
            Out(saved + "\n");
        else
            status = Fail(error + ": " + attachment.fileName);
    }
    return status;
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
        Form form;
        std::string saveDir;
    };
    auto a = std::make_shared<Args>();

    CLI::App* command =
        AddCommand(app, ctx, "folders", "Prints the path of every folder of a store, depth first",
                   "quillbox-cli folders netscape:$HOME/Mail",
                   [&ctx, a] { return Folders(ctx, a->store, a->form); });
    command->add_option("STORE", a->store, "The store")->required();
    command->add_flag("--json", a->form.json,
                      "One JSON document: each folder's path and name, as stored (_raw) and "
                      "as UTF-8");

    command = AddCommand(app, ctx, "list",
                         "Lists a folder's messages: ROW, index, Subject, From, To, Date",
                         "quillbox-cli list netscape:$HOME/Mail Inbox",
                         [&ctx, a] { return List(ctx, a->store, a->folder, a->form, a->deleted); });
    AddFolderArgs(command, a->store, a->folder);
    CLI::Option* decode = command->add_flag(
        "--decode", a->form.decode,
        "Print the fields decoded, in UTF-8 (encoded words and 8-bit text), without blanks "
        "around them");
    command
        ->add_flag("--json", a->form.json,
                   "One JSON document: each message's row, index and fields, as stored (_raw) "
                   "and decoded, and its date as UTC time")
        ->excludes(decode);
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
                   [&ctx, a] { return Show(ctx, a->message, a->form.decode); });
    AddMessageArgs(command, a->message);
    command->add_flag("--decode", a->form.decode,
                      "Show it decoded, in UTF-8: header fields, the text part (transfer "
                      "encoding and charset undone) and the attachments' names");

    command = AddCommand(
        app, ctx, "attachments",
        "Lists a message's attachments (number, type, size, name) or saves them into a directory",
        "quillbox-cli attachments netscape:$HOME/Mail Inbox 3 --save $HOME/Downloads",
        [&ctx, a] { return Attachments(ctx, a->message, a->saveDir); });
    AddMessageArgs(command, a->message);
    command
        ->add_option("--save", a->saveDir,
                     "Save every attachment into DIR under a safe name; a name that is taken "
                     "gets \" (2)\", \" (3)\", ... (no file is ever replaced); prints each "
                     "file's path")
        ->type_name("DIR");
}

} // namespace qb::cli
