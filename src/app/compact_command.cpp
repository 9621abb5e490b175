#include "app/compact_command.h"

#include "app/document.h"
#include "app/long_operation.h"
#include "model/mails.h"
#include "model/progress.h"
#include "platform/file_system.h"

namespace qb {

namespace {

// "Mailbox/Inbox/Sub": the names from the store's root down to the folder.
std::string FolderPath(CMails* folder) {
    std::string path = folder->m_strName;
    for (CMails* up = folder->GetParentFolder(); up != nullptr; up = up->GetParentFolder())
        path = up->m_strName + "/" + path;
    return path;
}

// The detail of "Cannot compact": the folders that failed, one a line.
std::string FailedFoldersText(const std::vector<std::string>& failed) {
    std::string text;
    for (const std::string& path : failed)
        text += (text.empty() ? "Not compacted: " : "\n") + path;
    return text;
}

void FreeListedMessages(CMails* folder) {
    if (folder == nullptr)
        return;
    folder->FreeMessages();
    for (CMails* child : folder->Children())
        FreeListedMessages(child);
}

} // namespace

bool CCompactCommand::CompactFolderTree(CMails* folder, std::vector<std::string>* failed) {
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
        fs::ClearLastError();
        ok = folder->Compact();
        folder->FreeMessages();
        // The folder, and the file and the system's reason when that was the cause.
        const std::string error = fs::LastErrorText();
        if (!ok && failed != nullptr)
            failed->push_back(FolderPath(folder) + (error.empty() ? "" : " (" + error + ")"));
    }
    for (CMails* sub : folder->GetSubFolders()) {
        if (!CompactFolderTree(sub, failed))
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
        std::vector<std::string> failed;
        const bool compacted = CompactFolderTree(entry->m_pRoot.get(), &failed);
        if (operation.Stopped()) {
            port.Progress("");
            port.FillMessageList();
            port.Message(kTextStoppedCompact);
            return Outcome::Cancelled;
        }
        if (!compacted) {
            port.Message(kTextCannotCompact, Buttons::Ok, Icon::None, FailedFoldersText(failed));
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
    std::vector<std::string> failed;
    const bool ok = CompactFolderTree(folder, &failed);
    port.FillMessageList();
    if (!ok) {
        port.Message(kTextCannotCompact, Buttons::Ok, Icon::None, FailedFoldersText(failed));
        return Outcome::Failed;
    }
    return Outcome::Done;
}

} // namespace qb
