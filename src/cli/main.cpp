// quillbox-cli: the scriptable companion of the desktop program. Each command parses its
// arguments, hands them to the same application operations the program's commands use and
// prints what comes back.
#include "cli/cli.h"
#include "cli/terminal_port.h"

#include "platform/file_system.h"

#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

namespace qb::cli {

RegistryFile& Context::Registry() {
    if (!m_registry)
        m_registry = std::make_unique<RegistryFile>(
            registryPath.empty() ? RegistryFile::DefaultPath() : registryPath);
    return *m_registry;
}

CLI::App* AddCommand(CLI::App& app, Context& ctx, const std::string& name,
                     const std::string& summary, const std::string& example,
                     std::function<int()> body) {
    CLI::App* command = app.add_subcommand(name, summary);
    command->footer("Example:\n  " + example);
    command->fallthrough();
    command->callback([&ctx, body = std::move(body)] { ctx.run = body; });
    return command;
}

const CLI::Validator& RowValidator() {
    static const CLI::Validator validator(
        [](std::string& text) -> std::string {
            return ParseRow(text) ? std::string() : "ROW must be a number (0, 1, 2, ...): " + text;
        },
        "ROW");
    return validator;
}

std::vector<std::size_t> Rows(const std::vector<std::string>& texts) {
    std::vector<std::size_t> rows;
    rows.reserve(texts.size());
    for (const auto& text : texts)
        rows.push_back(ParseRow(text).value_or(static_cast<std::size_t>(-1)));
    return rows;
}

void Out(std::string_view bytes) {
    std::fwrite(bytes.data(), 1, bytes.size(), stdout);
}

void ErrLine(std::string_view text) {
    std::fflush(stdout);
    std::fwrite(text.data(), 1, text.size(), stderr);
    std::fputc('\n', stderr);
    std::fflush(stderr);
}

int Fail(std::string_view text) {
    ErrLine(text);
    return kExitFailed;
}

void WarnIfNotWhole(CMails& folder) {
    const std::string warning = FolderWarning(folder);
    if (!warning.empty())
        ErrLine("quillbox-cli: warning: " + folder.m_strName + ": " + warning);
}

bool OpenStoreArg(Context& ctx, const std::string& storeText, Opened& opened) {
    MailboxRow row;
    std::string error;
    if (!ResolveStoreAddress(storeText, ctx.Registry(), row, error)) {
        Fail(error);
        return false;
    }
    opened.store = OpenStore(row);
    if (!opened.store || opened.store->m_pRoot == nullptr) {
        Fail(kTextMailboxNotFound);
        return false;
    }
    opened.folder = opened.store->m_pRoot.get();
    return true;
}

bool OpenFolderArg(Context& ctx, const std::string& storeText, const std::string& folderText,
                   Opened& opened) {
    if (!OpenStoreArg(ctx, storeText, opened))
        return false;
    opened.folder = FindFolderByPath(opened.Root(), folderText);
    if (opened.folder == nullptr) {
        Fail(kTextFolderNotFound);
        return false;
    }
    return true;
}

CMails* Session::Store(const std::string& storeText) {
    MailboxRow row;
    std::string error;
    if (!ResolveStoreAddress(storeText, context.Registry(), row, error)) {
        Fail(error);
        return nullptr;
    }
    for (const auto& entry : doc.Mailboxes()) {
        if (entry->m_pRoot != nullptr &&
            SameStore(row, {entry->m_strName, entry->m_strStoreRoot, entry->m_strType}))
            return entry->m_pRoot.get();
    }
    MailboxEntry& entry = doc.AddMailbox(OpenStore(row));
    if (entry.m_pRoot == nullptr)
        Fail(kTextMailboxNotFound);
    return entry.m_pRoot.get();
}

CMails* Session::Folder(const std::string& storeText, const std::string& folderText) {
    CMails* root = Store(storeText);
    if (root == nullptr)
        return nullptr;
    CMails* folder = FindFolderByPath(*root, folderText);
    if (folder == nullptr)
        Fail(kTextFolderNotFound);
    return folder;
}

namespace {

int Main(int argc, char** argv) {
    // UTF-8 arguments (on Windows from the wide command line) and binary standard streams.
    std::vector<std::string> arguments = fs::ProcessArguments(argc, argv);
    std::vector<char*> pointers;
    for (std::string& argument : arguments)
        pointers.push_back(argument.data());
    Context ctx;
    CLI::App app("quillbox-cli: browse and reorganise local mail stores (Netscape and Internet "
                 "Mail) from the command line.",
                 "quillbox-cli");
    // A path such as /home/mail is an argument on every platform, never a "/option"; the
    // commands added below inherit the setting.
    app.allow_windows_style_options(false);
    app.add_option("--registry", ctx.registryPath,
                   "Registry file to use instead of the per-user one")
        ->envname("QUILLBOX_REGISTRY")
        ->type_name("FILE");
    app.require_subcommand(1);
    app.footer("STORE is netscape:DIR, imn:DIR or the name of a registered mailbox.\n"
               "FOLDER is a path of folder names such as Inbox/Work; \"\" or / is the root.\n"
               "ROW is a 0-based position in the folder's message list (see the list command).\n"
               "Run 'quillbox-cli COMMAND --help' for a command's usage and an example.");

    AddReadingCommands(app, ctx);
    AddChangingCommands(app, ctx);
    AddFolderCommands(app, ctx);
    AddArchiveCommands(app, ctx);
    AddMailboxCommands(app, ctx);
    AddInterchangeCommands(app, ctx);
    AddSearchCommands(app, ctx);

    try {
        app.parse(static_cast<int>(pointers.size()), pointers.data());
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e, std::cout, std::cerr);
    } catch (const CLI::CallForAllHelp& e) {
        return app.exit(e, std::cout, std::cerr);
    } catch (const CLI::ParseError& e) {
        std::cout.flush();
        std::cerr << "quillbox-cli: " << e.what() << "\n";
        // The usage line of the command that was being parsed, when there was one.
        const CLI::App* command = &app;
        for (const CLI::App* sub : app.get_subcommands())
            command = sub;
        std::string name = "quillbox-cli";
        if (command != &app)
            name += " " + command->get_name();
        std::cerr << CLI::Formatter().make_usage(command, name) << "Run '" << name
                  << " --help' for more information.\n";
        return kExitUsage;
    }
    if (!ctx.run)
        return kExitUsage;
    const int status = ctx.run();
    // Output that did not reach its file (a full disk, say) must not pass for success.
    if (std::fflush(stdout) != 0 || std::ferror(stdout))
        return Fail("Cannot write to standard output");
    if (TerminalPort::Interrupted())
        return kExitInterrupted;
    return status;
}

} // namespace

} // namespace qb::cli

int main(int argc, char** argv) {
    return qb::cli::Main(argc, argv);
}
