#include "app/compact_command.h"

#include "app/document.h"
#include "app/long_operation.h"
#include "model/mails.h"
#include "model/progress.h"

namespace qb {

namespace {

void FreeListedMessages(CMails* folder) {
    if (folder == nullptr)
        return;
    folder->FreeMessages();
    for (CMails* child : folder->Children())
        FreeListedMessages(child);
}

} // namespace

bool CCompactCommand::CompactFolderTree(CMails* folder) {
    if (folder == nullptr)
        return true;
    // The user asked to stop: the folders not reached stay as they are.
    if (StopRequested())
        return false;
    bool ok = true;
    // A root stands for the store directory, not for a message file. Compacting lists the folder;
    // the list is let go of again, so that compacting a whole store holds one folder's records at
    // a time (the message list is filled again when the compaction ends).
    if (!folder->IsRoot()) {
        ok = folder->Compact();
        folder->FreeMessages();
    }
    for (CMails* sub : folder->GetSubFolders()) {
        if (!CompactFolderTree(sub))
            ok = false; // the other folders are still compacted
    }
    return ok;
}

std::uint64_t CCompactCommand::CountDeletedInTree(CMails* folder) {
    if (folder == nullptr)
        return 0;
    std::uint64_t count = 0;
    if (!folder->IsRoot())
        folder->CountDeletedMessages(count);
    for (CMails* sub : folder->GetSubFolders())
        count += CountDeletedInTree(sub);
    return count;
}

DeletedTally CCompactCommand::CountDeleted() const {
    DeletedTally tally;
    for (const auto& entry : m_doc.Mailboxes()) {
        // Compacting leaves a read-only mailbox as it is.
        if (entry->m_bReadOnly)
            continue;
        const std::uint64_t count = CountDeletedInTree(entry->m_pRoot.get());
        tally.messages += count;
        tally.mailboxes += count > 0 ? 1 : 0;
    }
    return tally;
}

std::string CCompactCommand::DeletedNotice(const DeletedTally& tally) {
    if (tally.messages == 0)
        return "No deleted messages to remove.";
    return std::to_string(tally.messages) +
           (tally.messages == 1 ? " deleted message in " : " deleted messages in ") +
           std::to_string(tally.mailboxes) + (tally.mailboxes == 1 ? " mailbox" : " mailboxes") +
           " will be removed for good.";
}

Outcome CCompactCommand::RunCompact() {
    Port& port = m_doc.GetPort();
    WaitCursor wait(port);
    Outcome outcome = Outcome::Done;
    port.Progress("Compacting, please wait...");
    LongOperation operation(port, "Compacting");
    // The list is not drawn while the operation runs and is filled again when it ends: the
    // records it shows need not be held meanwhile.
    for (const auto& entry : m_doc.Mailboxes())
        FreeListedMessages(entry->m_pRoot.get());
    for (const auto& entry : m_doc.Mailboxes()) {
        if (entry->m_bReadOnly) {
            port.Progress("Mailbox '" + entry->m_strName + "' is read-only, not compacted.");
            continue;
        }
        port.Progress("Compacting Mailbox '" + entry->m_strName + "', please wait.");
        const StoreLocks locks = m_doc.LockForChange({entry->m_pRoot.get()});
        if (!locks) {
            outcome = Outcome::Failed;
            continue;
        }
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

Outcome CCompactCommand::CompactFolder(CMails* folder) {
    if (folder == nullptr)
        return Outcome::Cancelled;
    if (m_doc.RefuseIfReadOnly({folder}))
        return Outcome::Failed;
    const StoreLocks locks = m_doc.LockForChange({folder});
    if (!locks)
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
