// Commands on the registered mailboxes: mailboxes, discover, first-run, new-mailbox, locate.
#include "cli/cli.h"
#include "cli/json_out.h"

#include "app/discovery.h"
#include "app/locate_model.h"
#include "app/new_mailbox.h"
#include "app/readable_message.h"

#include <string>
#include <vector>

namespace qb::cli {

namespace {

constexpr char kTextCannotReadRegistry[] = "Cannot read the registry file";
constexpr char kTextCannotWriteRegistry[] = "Cannot write the registry file";

struct Args {
    std::string name;
    std::string dir;
    bool createDir = false;
    bool json = false;
    std::vector<std::string> add;
    std::vector<std::string> remove;
    std::vector<std::string> assign;
    std::vector<std::string> readOnly;
    std::vector<std::string> writable;
    CLI::App* locate = nullptr;
    CLI::Option* addOption = nullptr;
    CLI::Option* removeOption = nullptr;
    CLI::Option* assignOption = nullptr;
    CLI::Option* readOnlyOption = nullptr;
    CLI::Option* writableOption = nullptr;
};

// The registry's own reason when it gave one, else the given text.
std::string RegistryReason(Context& ctx, const char* fallback) {
    const std::string& error = ctx.Registry().Error();
    return error.empty() ? std::string(fallback) : error;
}

// Name, store root, type; with `access` a fourth column "ro" or "rw".
void PrintEntries(const MailboxList& list, bool access) {
    for (const auto& entry : list) {
        std::string line =
            entry->m_strName + "\t" + entry->m_strStoreRoot + "\t" + entry->m_strType;
        if (access)
            line += entry->m_bReadOnly ? "\tro" : "\trw";
        Out(line + "\n");
    }
}

// One document: the name, store root and type of each mailbox, as stored (_raw) and as UTF-8.
void PrintEntriesAsJson(const MailboxList& list) {
    nlohmann::json entries = nlohmann::json::array();
    for (const auto& entry : list) {
        nlohmann::json item;
        for (const auto& [key, value] :
             {std::pair{"name", &entry->m_strName}, std::pair{"store_root", &entry->m_strStoreRoot},
              std::pair{"type", &entry->m_strType}}) {
            item[key] = StoreTextToUtf8(*value);
            item[std::string(key) + "_raw"] = RawJsonText(*value);
        }
        item["read_only"] = entry->m_bReadOnly;
        entries.push_back(std::move(item));
    }
    Out(JsonText(nlohmann::json{{"mailboxes", std::move(entries)}}) + "\n");
}

int Mailboxes(Context& ctx, bool json) {
    MailboxList list;
    LoadMailboxEntries(ctx.Registry(), list);
    if (!ctx.Registry().Error().empty())
        return Fail(ctx.Registry().Error());
    if (json)
        PrintEntriesAsJson(list);
    else
        PrintEntries(list, true);
    return kExitOk;
}

void PrintWarnings(const discovery::Warnings& warnings) {
    for (const std::string& warning : warnings)
        ErrLine(warning);
}

int Discover(Context& ctx) {
    MailboxList list;
    discovery::Warnings warnings;
    DiscoverMailboxes(ctx.Registry(), list, &warnings);
    if (!ctx.Registry().Error().empty())
        return Fail(ctx.Registry().Error());
    PrintEntries(list, false);
    PrintWarnings(warnings);
    return kExitOk;
}

int FirstRun(Context& ctx) {
    discovery::Warnings warnings;
    if (!RegisterDefaultMailboxes(ctx.Registry(), &warnings))
        return Fail(RegistryReason(ctx, kTextCannotWriteRegistry));
    PrintWarnings(warnings);
    return kExitOk;
}

int NewMailbox(Context& ctx, const Args& args) {
    Session session(ctx);
    // The dialog's duplicate checks look at the mailboxes the program has open: all registered.
    session.doc.ReloadMailboxes();
    const std::string& damage = ctx.Registry().Error();
    if (!damage.empty()) // the document has shown it unless it kept quiet
        return session.port.LastMessage() == damage ? kExitFailed : Fail(damage);
    NewMailboxInput input{args.name, args.dir};
    const NewMailboxLookups lookups{[&session](const std::string& name) {
                                        return session.doc.FindMailboxByName(name) != nullptr;
                                    },
                                    [&session](const std::string& dir) {
                                        return session.doc.FindMailboxByStoreRoot(dir) != nullptr;
                                    }};
    NewMailboxCheck check = CheckNewMailbox(input, lookups);
    if (check.step == NewMailboxStep::AskCreateDirectory) {
        const std::string question = check.message;
        check = AnswerCreateDirectory(input, args.createDir);
        // Declined: the dialog would stay open on its question; here that ends the command.
        if (check.step == NewMailboxStep::Refused && check.message.empty())
            check.message = question;
    }
    if (check.step != NewMailboxStep::Accepted)
        return Fail(check.message);
    session.doc.MailboxCommands().NewMailbox(input.name, input.directory);
    // The program would only notice at its next start that the registration did not land; a
    // script must know now.
    if (!IsMailboxRegistered(ctx.Registry(), input.name))
        return Fail(RegistryReason(ctx, kTextCannotWriteRegistry));
    return kExitOk;
}

// One step of `locate`, in the order given on the command line.
struct LocateStep {
    enum Kind { Add, Remove, Assign, ReadOnly, Writable } kind;
    std::vector<std::string> values;
};

std::optional<int> AssignTypeIndex(const std::string& text) {
    if (text == "internet-mail")
        return 0;
    if (text == "navigator")
        return 1;
    if (text == "communicator")
        return 2;
    return std::nullopt;
}

int Locate(Context& ctx, const Args& args) {
    // The options' values in the order they were given.
    std::vector<LocateStep> steps;
    std::size_t adds = 0, removes = 0, assigns = 0, readOnlys = 0, writables = 0;
    for (const CLI::Option* option : args.locate->parse_order()) {
        if (option == args.readOnlyOption && readOnlys < args.readOnly.size()) {
            steps.push_back({LocateStep::ReadOnly, {args.readOnly[readOnlys++]}});
        } else if (option == args.writableOption && writables < args.writable.size()) {
            steps.push_back({LocateStep::Writable, {args.writable[writables++]}});
        } else if (option == args.addOption && adds < args.add.size()) {
            steps.push_back({LocateStep::Add, {args.add[adds++]}});
        } else if (option == args.removeOption && removes < args.remove.size()) {
            steps.push_back({LocateStep::Remove, {args.remove[removes++]}});
        } else if (option == args.assignOption && assigns + 3 <= args.assign.size()) {
            steps.push_back({LocateStep::Assign,
                             {args.assign.begin() + static_cast<std::ptrdiff_t>(assigns),
                              args.assign.begin() + static_cast<std::ptrdiff_t>(assigns + 3)}});
            assigns += 3;
        }
    }

    for (const LocateStep& step : steps) {
        if (step.kind == LocateStep::Assign && !AssignTypeIndex(step.values[2])) {
            ErrLine("quillbox-cli: --assign: TYPE must be internet-mail, navigator or "
                    "communicator: " +
                    step.values[2]);
            return kExitUsage;
        }
    }

    CLocateModel model;
    if (!model.FillLists(ctx.Registry()))
        return Fail(RegistryReason(ctx, kTextCannotReadRegistry));
    for (const LocateStep& step : steps) {
        switch (step.kind) {
        case LocateStep::Add: {
            const auto row = model.FindFound(step.values[0]);
            if (!row)
                return Fail(kTextMailboxNotFound);
            for (std::size_t i = 0; i < model.Found().size(); ++i)
                model.SelectFound(i, i == *row);
            const std::string refusal = model.Add();
            if (!refusal.empty())
                return Fail(refusal);
            break;
        }
        case LocateStep::Remove: {
            const auto row = model.FindManaged(step.values[0]);
            if (!row)
                return Fail(kTextMailboxNotFound);
            for (std::size_t i = 0; i < model.Managed().size(); ++i)
                model.SelectManaged(i, i == *row);
            model.Remove();
            break;
        }
        case LocateStep::Assign: {
            AssignInput input{step.values[0], step.values[1],
                              AssignTypeIndex(step.values[2]).value_or(-1)};
            const DialogCheck check = model.Assign(input);
            if (!check.accepted)
                return Fail(check.message);
            break;
        }
        case LocateStep::ReadOnly:
        case LocateStep::Writable: {
            const auto row = model.FindManaged(step.values[0]);
            if (!row)
                return Fail(kTextMailboxNotFound);
            for (std::size_t i = 0; i < model.Managed().size(); ++i)
                model.SelectManaged(i, i == *row);
            model.SetSelectedReadOnly(step.kind == LocateStep::ReadOnly);
            break;
        }
        }
    }
    if (!model.Confirm(ctx.Registry()))
        return Fail(RegistryReason(ctx, kTextCannotWriteRegistry));
    return kExitOk;
}

} // namespace

void AddMailboxCommands(CLI::App& app, Context& ctx) {
    auto a = std::make_shared<Args>();

    AddCommand(app, ctx, "mailboxes",
               "Lists the registered mailboxes: name, store root, type, ro (read-only) or rw",
               "quillbox-cli mailboxes", [&ctx, a] { return Mailboxes(ctx, a->json); })
        ->add_flag("--json", a->json,
                   "One JSON document: each mailbox's name, store root and type, as stored "
                   "(_raw) and as UTF-8, and whether it is read-only");
    AddCommand(
        app, ctx, "discover",
        "Lists the stores of other mail clients (their registry keys, Wine prefixes, Netscape "
        "and Mozilla-family profiles): name, store root, type",
        "quillbox-cli discover", [&ctx] { return Discover(ctx); });
    AddCommand(app, ctx, "first-run", "Registers the discovered stores, once",
               "quillbox-cli first-run", [&ctx] { return FirstRun(ctx); });

    CLI::App* command =
        AddCommand(app, ctx, "new-mailbox", "Creates and registers a new Netscape-format mailbox",
                   "quillbox-cli new-mailbox Archive $HOME/archive-mail --create-dir",
                   [&ctx, a] { return NewMailbox(ctx, *a); });
    command->add_option("NAME", a->name, "The mailbox name")->required();
    command->add_option("DIR", a->dir, "The store directory")->required();
    command->add_flag("--create-dir", a->createDir, "Create DIR when it does not exist");

    command = AddCommand(app, ctx, "locate",
                         "Changes the registered mailboxes: adds found stores, removes managed "
                         "ones, assigns stores by hand, marks them read-only or writable (the "
                         "steps run in the order given)",
                         "quillbox-cli locate --add \"Netscape Mail\" --assign Old $HOME/old "
                         "internet-mail --read-only Old",
                         [&ctx, a] { return Locate(ctx, *a); });
    a->addOption = command->add_option("--add", a->add, "Move a found store to the managed list")
                       ->type_name("NAME")
                       ->allow_extra_args(false)
                       ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
    a->removeOption =
        command->add_option("--remove", a->remove, "Move a managed store back to the found list")
            ->type_name("NAME")
            ->allow_extra_args(false)
            ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
    a->assignOption =
        command
            ->add_option("--assign", a->assign,
                         "Add a store by hand; TYPE is internet-mail, navigator or communicator")
            ->type_name("NAME DIR TYPE")
            ->type_size(3)
            ->allow_extra_args(false)
            ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
    a->readOnlyOption = command
                            ->add_option("--read-only", a->readOnly,
                                         "Mark a managed store read-only: no command may change it")
                            ->type_name("NAME")
                            ->allow_extra_args(false)
                            ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
    a->writableOption =
        command->add_option("--writable", a->writable, "Mark a managed store writable again")
            ->type_name("NAME")
            ->allow_extra_args(false)
            ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
    a->locate = command;
}

} // namespace qb::cli
