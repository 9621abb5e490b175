// Commands on the registered mailboxes: mailboxes, discover, first-run, new-mailbox, locate.
#include "cli/cli.h"

#include <string>
#include <vector>

namespace qb::cli {

namespace {

struct Args {
    std::string name;
    std::string dir;
    bool createDir = false;
    std::vector<std::string> add;
    std::vector<std::string> remove;
    std::vector<std::string> assign;
    CLI::App* locate = nullptr;
};

int Mailboxes(Context&) {
    return Fail("not yet");
}
int Discover(Context&) {
    return Fail("not yet");
}
int FirstRun(Context&) {
    return Fail("not yet");
}
int NewMailbox(Context&, const Args&) {
    return Fail("not yet");
}
int Locate(Context&, const Args&) {
    return Fail("not yet");
}

} // namespace

void AddMailboxCommands(CLI::App& app, Context& ctx) {
    auto a = std::make_shared<Args>();

    AddCommand(app, ctx, "mailboxes", "Lists the registered mailboxes: name, store root, type",
               "quillbox-cli mailboxes", [&ctx] { return Mailboxes(ctx); });
    AddCommand(app, ctx, "discover",
               "Lists the stores other mail clients registered: name, store root, type",
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
                         "ones, assigns stores by hand",
                         "quillbox-cli locate --add \"Netscape Mail\" --assign Old $HOME/old "
                         "internet-mail",
                         [&ctx, a] { return Locate(ctx, *a); });
    command->add_option("--add", a->add, "Move a found store to the managed list")
        ->type_name("NAME")
        ->expected(1);
    command->add_option("--remove", a->remove, "Move a managed store back to the found list")
        ->type_name("NAME")
        ->expected(1);
    command
        ->add_option("--assign", a->assign,
                     "Add a store by hand; TYPE is internet-mail, navigator or communicator")
        ->type_name("NAME DIR TYPE")
        ->expected(3);
    a->locate = command;
}

} // namespace qb::cli
