// The Compact command: every folder of every mailbox gives the space of its removed messages back.
#include "app/document.h"

#include "model/mails.h"

namespace qb {

bool CQuillboxDoc::CompactFolderTree(CMails* folder) {
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

Outcome CQuillboxDoc::RunCompact() {
    WaitCursor wait(m_port);
    Outcome outcome = Outcome::Done;
    m_port.Progress("Compacting, please wait...");
    for (const auto& entry : m_mailboxes) {
        m_port.Progress("Compacting Mailbox '" + entry->m_strName + "', please wait.");
        if (!CompactFolderTree(entry->m_pRoot.get())) {
            m_port.Message("Cannot compact folders");
            outcome = Outcome::Failed;
        }
    }
    m_port.Progress("Mailbox Compacted");
    // Compacting re-reads each folder, so the records behind the message list are gone.
    m_port.FillMessageList();
    return outcome;
}

} // namespace qb
