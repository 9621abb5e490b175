#include "app/document.h"

#include "app/disk_changes.h"

#include "model/mails.h"
#include "platform/file_system.h"
#include "platform/paths.h"

#include <utility>

namespace qb {

std::string FolderWarning(CMails& folder) {
    if (folder.IsRoot() && !fs::IsDirectory(folder.m_strPath))
        return kTextStoreDirectoryMissing;
    return folder.m_strDamage;
}

void CQuillboxDoc::ReportFolderWarning(CMails& folder) {
    m_port.FolderWarning(&folder, FolderWarning(folder));
}

CQuillboxDoc::CQuillboxDoc(Port& port, RegistryFile* registry)
    : m_port(port), m_pRegistry(registry) {}

// The front end may already be gone here, so the port is not told anything.
CQuillboxDoc::~CQuillboxDoc() {
    m_menu.Clear();
    m_moveCopy.ForgetDrag();
    m_mailboxes.clear();
}

void CQuillboxDoc::DeleteContents() {
    m_port.ClearFolderTree();
    // Nothing may point into the trees about to be freed.
    m_menu.Clear();
    m_moveCopy.ForgetDrag();
    m_mailboxes.clear();
}

bool CQuillboxDoc::ReloadMailboxes() {
    WaitCursor wait(m_port);
    DeleteContents();
    // A damaged registry file is said so, rather than shown as a registry without mailboxes.
    if (m_pRegistry != nullptr && !LoadMailboxEntries(*m_pRegistry, m_mailboxes) &&
        !m_pRegistry->Error().empty())
        m_port.Message(m_pRegistry->Error(), Buttons::Ok, Icon::Stop);
    for (auto& entry : m_mailboxes) {
        entry->m_pRoot = MakeRootFolder(*entry);
        InsertFolderTree(nullptr, entry->m_pRoot.get());
        // A store whose directory is gone is said so rather than shown as an empty store.
        if (!FolderWarning(*entry->m_pRoot).empty())
            ReportFolderWarning(*entry->m_pRoot);
    }
    return true;
}

void CQuillboxDoc::InsertFolderTree(CMails* parent, CMails* folder) {
    if (folder == nullptr)
        return;
    m_port.InsertFolderItem(parent, folder);
    for (CMails* sub : folder->GetSubFolders())
        InsertFolderTree(folder, sub);
}

void CQuillboxDoc::ShowFolderTree(CMails* parent, CMails* folder) {
    if (!m_port.HasFolderItem(folder)) {
        if (m_port.HasFolderItem(parent))
            InsertFolderTree(parent, folder);
        return;
    }
    for (CMails* sub : folder->GetSubFolders())
        ShowFolderTree(folder, sub);
}

MailboxEntry& CQuillboxDoc::AddMailbox(std::unique_ptr<MailboxEntry> entry) {
    if (entry->m_pRoot == nullptr)
        entry->m_pRoot = MakeRootFolder(*entry);
    m_mailboxes.push_back(std::move(entry));
    MailboxEntry& added = *m_mailboxes.back();
    InsertFolderTree(nullptr, added.m_pRoot.get());
    return added;
}

CMails* CQuillboxDoc::FindMailboxByName(const std::string& name) const {
    for (const auto& entry : m_mailboxes) {
        if (EqualsNoCase(entry->m_strName, name))
            return entry->m_pRoot.get();
    }
    return nullptr;
}

CMails* CQuillboxDoc::FindMailboxByStoreRoot(const std::string& dir) const {
    for (const auto& entry : m_mailboxes) {
        if (EqualsNoCase(entry->m_strStoreRoot, dir))
            return entry->m_pRoot.get();
    }
    return nullptr;
}

CMails* CQuillboxDoc::RestoreCurrentFolder(const std::string& path) {
    if (path.empty())
        return nullptr;
    for (const auto& entry : m_mailboxes) {
        if (entry->m_pRoot == nullptr)
            continue;
        if (CMails* folder = entry->m_pRoot->FindFolder(path)) {
            if (m_port.HasFolderItem(folder))
                m_port.SelectFolderItem(folder, folder->IsRoot());
            return folder;
        }
    }
    return nullptr;
}

bool CQuillboxDoc::RemoveMessagesShown(CMails& folder, const std::vector<CMessage*>& messages) {
    if (messages.empty())
        return true;
    const bool removed = folder.RemoveMessages(messages);
    if (!removed) {
        m_port.FillMessageList();
        m_port.Message(kTextCannotRemoveMessage);
    } else {
        m_undelete.MessagesRemoved();
    }
    return removed;
}

bool CQuillboxDoc::RelistIfChanged(CMails& folder, std::vector<CMessage*>& messages) {
    if (messages.empty() || !ChangedSinceListed(folder))
        return true;
    std::vector<MessageKey> keys;
    for (const CMessage* message : messages)
        keys.push_back(KeyOf(*message));
    // The list re-reads the folder when it shows it; otherwise it is read here.
    m_port.FillMessageList();
    if (ChangedSinceListed(folder))
        ListMessages(folder, kStoreLockWaitMs, m_undelete.ShowsDeleted());
    std::vector<CMessage*> listed;
    for (const auto& message : folder.m_pMessages)
        listed.push_back(message.get());
    const std::vector<int> rows = RowsOfMessages(keys, listed);
    if (rows.size() != keys.size()) {
        m_port.Message(kTextMessageGone);
        return false;
    }
    for (std::size_t i = 0; i < rows.size(); ++i)
        messages[i] = listed[static_cast<std::size_t>(rows[i])];
    return true;
}

bool CQuillboxDoc::DeleteFolderAndItem(CMails* folder, bool keepItemOnFailure) {
    // The items of the sub-folders go first, while their folders still exist: deleting a folder
    // destroys the sub-folder nodes it deleted even when it fails part way.
    for (CMails* child : folder->Children())
        m_port.DeleteFolderItem(child);
    CMails* parent = folder->GetParentFolder();
    if (const std::unique_ptr<CMails> gone = parent ? parent->DeleteSubFolder(folder) : nullptr) {
        m_port.DeleteFolderItem(gone.get());
        return true;
    }
    m_port.Message(kTextCannotRemoveFolder);
    if (keepItemOnFailure) {
        for (CMails* child : folder->Children())
            InsertFolderTree(folder, child);
    } else {
        m_port.DeleteFolderItem(folder);
    }
    return false;
}

bool CQuillboxDoc::IsReadOnly(CMails* folder) const {
    if (folder == nullptr)
        return false;
    const CMails* root = folder->GetRoot();
    for (const auto& entry : m_mailboxes) {
        if (entry->m_pRoot.get() == root)
            return entry->m_bReadOnly;
    }
    return false;
}

bool CQuillboxDoc::RefuseIfReadOnly(std::initializer_list<CMails*> folders) {
    for (CMails* folder : folders) {
        if (IsReadOnly(folder)) {
            m_port.Message(kTextReadOnlyMailbox, Buttons::Ok, Icon::Stop);
            return true;
        }
    }
    return false;
}

StoreLocks CQuillboxDoc::LockForChange(std::initializer_list<CMails*> folders) {
    StoreLocks locks = StoreLocks::Acquire(folders, fs::LockMode::Exclusive, m_lockWaitMs);
    if (!locks)
        m_port.Message(locks.FailureText(), Buttons::Ok, Icon::Stop);
    return locks;
}

bool CQuillboxDoc::RebuildFolderMenus() {
    m_menu.Fill(m_mailboxes, ID_MOVE_FIRST);
    m_port.FolderMenusChanged();
    return true;
}

std::vector<MenuItem> CQuillboxDoc::FillFolderMenu(int baseId) {
    return m_menu.Fill(m_mailboxes, baseId);
}

} // namespace qb
