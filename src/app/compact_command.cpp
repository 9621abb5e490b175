#include "app/compact_command.h"

#include "app/document.h"
#include "app/long_operation.h"
#include "model/mails.h"
#include "model/progress.h"

namespace qb {

bool CCompactCommand::CompactFolderTree(CMails* folder) {
    if (folder == nullptr)
        return true;
    // The user asked to stop: the folders not reached stay as they are.
    if (StopRequested())
        return false;
    bool ok = true;
    // A root stands for the store directory, not for a message file.
    if (!folder->IsRoot() && !folder->Compact())
        ok = false;
    for (CMails* sub : folder->GetSubFolders()) {
        if (!CompactFolderTree(sub))
            ok = false; // the other folders are still compacted
    }
    return ok;
}

Outcome CCompactCommand::RunCompact() {
    Port& port = m_doc.GetPort();
    WaitCursor wait(port);
    Outcome outcome = Outcome::Done;
    port.Progress("Compacting, please wait...");
    LongOperation operation(port, "Compacting");
    for (const auto& entry : m_doc.Mailboxes()) {
        port.Progress("Compacting Mailbox '" + entry->m_strName + "', please wait.");
        const bool compacted = CompactFolderTree(entry->m_pRoot.get());
        if (operation.Stopped()) {
            port.Progress("");
            port.FillMessageList();
            port.Message(kTextStoppedCompact);
            return Outcome::Cancelled;
        }
        if (!compacted) {
            port.Message(kTextCannotCompact);
            outcome = Outcome::Failed;
        }
    }
    port.Progress("Mailbox Compacted");
    // Compacting re-reads each folder, so the records behind the message list are gone.
    port.FillMessageList();
    return outcome;
}

} // namespace qb
