#include "app/compact_command.h"

#include "app/document.h"
#include "model/mails.h"

namespace qb {

bool CCompactCommand::CompactFolderTree(CMails* folder) {
    if (folder == nullptr)
        return true;
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
    for (const auto& entry : m_doc.Mailboxes()) {
        if (entry->m_bReadOnly) {
            port.Progress("Mailbox '" + entry->m_strName + "' is read-only, not compacted.");
            continue;
        }
        port.Progress("Compacting Mailbox '" + entry->m_strName + "', please wait.");
        if (!CompactFolderTree(entry->m_pRoot.get())) {
            port.Message(kTextCannotCompact);
            outcome = Outcome::Failed;
        }
    }
    port.Progress("Mailbox Compacted");
    // Compacting re-reads each folder, so the records behind the message list are gone.
    port.FillMessageList();
    return outcome;
}

Outcome CCompactCommand::CompactFolder(CMails* folder) {
    if (folder == nullptr)
        return Outcome::Cancelled;
    if (m_doc.RefuseIfReadOnly({folder}))
        return Outcome::Failed;
    Port& port = m_doc.GetPort();
    WaitCursor wait(port);
    port.Progress(std::string(folder->IsRoot() ? "Compacting Mailbox '" : "Compacting Folder '") +
                  folder->m_strName + "', please wait.");
    const bool ok = CompactFolderTree(folder);
    port.FillMessageList();
    if (!ok) {
        port.Message(kTextCannotCompact);
        return Outcome::Failed;
    }
    return Outcome::Done;
}

} // namespace qb
