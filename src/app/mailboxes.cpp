// New MailBox and Locate, after their dialogs were confirmed.
#include "app/document.h"

#include "model/mails.h"

namespace qb {

Outcome CQuillboxDoc::NewMailbox(const std::string& name, const std::string& dir) {
    // Every mailbox made here is a Netscape-format store.
    AddMailbox(std::make_unique<MailboxEntry>(name, dir, kTypeNavigator));
    Outcome outcome = Outcome::Done;
    if (m_pRegistry != nullptr && !WriteMailboxEntry(*m_pRegistry, name, dir, kTypeNavigator)) {
        m_port.Message("Cannot register the mailbox; it will not be shown at the next start");
        outcome = Outcome::Failed;
    }
    RebuildFolderMenus();
    return outcome;
}

void CQuillboxDoc::LocateAccepted() {
    ReloadMailboxes();
    RebuildFolderMenus();
}

} // namespace qb
