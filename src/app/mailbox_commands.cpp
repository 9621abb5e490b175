#include "app/mailbox_commands.h"

#include "app/document.h"

namespace qb {

Outcome CMailboxCommands::NewMailbox(const std::string& name, const std::string& dir) {
    // Every mailbox made here is a Netscape-format store.
    m_doc.AddMailbox(std::make_unique<MailboxEntry>(name, dir, kTypeNavigator));
    Outcome outcome = Outcome::Done;
    RegistryFile* registry = m_doc.GetRegistry();
    if (registry != nullptr && !WriteMailboxEntry(*registry, name, dir, kTypeNavigator)) {
        m_doc.GetPort().Message(
            "Cannot register the mailbox; it will not be shown at the next start");
        outcome = Outcome::Failed;
    }
    m_doc.RebuildFolderMenus();
    return outcome;
}

void CMailboxCommands::LocateAccepted() {
    m_doc.ReloadMailboxes();
    m_doc.RebuildFolderMenus();
}

} // namespace qb
