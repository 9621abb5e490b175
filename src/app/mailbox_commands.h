// New MailBox and Locate, after their dialogs were confirmed: the registered mailboxes change and
// the tree and menus follow.
#pragma once

#include "app/command.h"

#include <string>

namespace qb {

class CQuillboxDoc;

class CMailboxCommands {
  public:
    explicit CMailboxCommands(CQuillboxDoc& doc) : m_doc(doc) {}

    // After the New Mailbox dialog's OK: a Netscape store `name` at `dir`, appended, shown and
    // registered. Failed (and said so) when the registry could not be written: the mailbox is
    // then usable until the program ends but not found again at the next start.
    Outcome NewMailbox(const std::string& name, const std::string& dir);
    // After the Locate dialog's OK (which has written the registry): reload and rebuild menus.
    void LocateAccepted();

  private:
    CQuillboxDoc& m_doc;
};

} // namespace qb
