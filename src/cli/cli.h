// Shared pieces of the command families: the state of one run, how a command is registered,
// and the few helpers every family needs to address stores, folders and messages.
#pragma once

#include "app/document.h"
#include "app/mailbox_registry.h"
#include "app/store_address.h"
#include "cli/terminal_port.h"
#include "platform/registry_file.h"

#include <CLI/CLI.hpp>

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qb::cli {

// Exit statuses.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;
// Stopped by an interrupt (Ctrl+C) at a message: what was done is on standard output or error.
inline constexpr int kExitInterrupted = 130;

class Context {
  public:
    // The registry file named by --registry, else the default one.
    std::string registryPath;
    RegistryFile& Registry();

    // The command picked on the command line; it returns the exit status.
    std::function<int()> run;

  private:
    std::unique_ptr<RegistryFile> m_registry;
};

// Registers one command with its summary, its usage example and the code it runs.
CLI::App* AddCommand(CLI::App& app, Context& ctx, const std::string& name,
                     const std::string& summary, const std::string& example,
                     std::function<int()> body);

// Rejects ROW arguments that are not plain decimal numbers as wrong usage.
const CLI::Validator& RowValidator();
// Converts validated ROW arguments.
std::vector<std::size_t> Rows(const std::vector<std::string>& texts);

// Bytes to standard output exactly as given.
void Out(std::string_view bytes);
// One line (the text and a line feed) to standard error.
void ErrLine(std::string_view text);
// A failure or refusal: the text on standard error; the exit status for it.
int Fail(std::string_view text);
// A listing that could not read all there is says so on standard error ("quillbox-cli:
// warning: NAME: damaged at byte N: M messages read"); what was read is still listed and the
// exit status stays that of a listing.
void WarnIfNotWhole(CMails& folder);

// A store opened for one command, and optionally one of its folders.
struct Opened {
    std::unique_ptr<MailboxEntry> store;
    CMails* folder = nullptr;
    CMails& Root() const { return *store->m_pRoot; }
};

// Opens the store a STORE argument names; on failure the text has been shown.
bool OpenStoreArg(Context& ctx, const std::string& storeText, Opened& opened);
// Opens the store and finds the folder; on failure the text has been shown.
bool OpenFolderArg(Context& ctx, const std::string& storeText, const std::string& folderText,
                   Opened& opened);

// One document over the stores a changing command names, with the terminal as its port.
struct Session {
    explicit Session(Context& ctx) : context(ctx), doc(port, &ctx.Registry()) {}
    Context& context;
    TerminalPort port;
    CQuillboxDoc doc;

    // The root of the store a STORE argument names, added to the document once: a second
    // argument naming the same store gets the same folder tree. Null when it names none (the
    // text has been shown).
    CMails* Store(const std::string& storeText);
    // A folder of such a store; null when none (the text has been shown).
    CMails* Folder(const std::string& storeText, const std::string& folderText);
};

// The exit status for how a command ended: only a failure or refusal is an error; a cancelled
// question is not.
inline int ExitFor(Outcome outcome) {
    return outcome == Outcome::Failed ? kExitFailed : kExitOk;
}

// The positional STORE FOLDER pair that names a folder.
inline void AddFolderArgs(CLI::App* command, std::string& store, std::string& folder) {
    command->add_option("STORE", store, "The store")->required();
    command->add_option("FOLDER", folder, "The folder (\"\" or / for the root)")->required();
}

// The --to STORE2 FOLDER2 destination of copies and moves.
inline CLI::Option* AddDestination(CLI::App* command, std::vector<std::string>& to) {
    return command->add_option("--to", to, "The destination store and folder")
        ->required()
        ->expected(2)
        ->type_name("STORE2 FOLDER2");
}

// The families of commands.
void AddReadingCommands(CLI::App& app, Context& ctx);
void AddChangingCommands(CLI::App& app, Context& ctx);
void AddFolderCommands(CLI::App& app, Context& ctx);
void AddArchiveCommands(CLI::App& app, Context& ctx);
void AddMailboxCommands(CLI::App& app, Context& ctx);
void AddInterchangeCommands(CLI::App& app, Context& ctx);
void AddSearchCommands(CLI::App& app, Context& ctx);

} // namespace qb::cli
