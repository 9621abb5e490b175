// The program's one document. It owns the registered mailboxes with their folder trees, the
// folder table behind the Move/Copy menus and the port to its front end, keeps the front end's
// folder tree in step with the folders, and holds one unit per family of commands: folder
// commands, move and copy, compact, backup and restore, mailbox management, deleted messages,
// export and import.
// Commands take the user's selection as an argument and talk to the user only through the port,
// so that the desktop program and the command line are thin layers over the same rules.
#pragma once

#include "app/backup_restore.h"
#include "app/command.h"
#include "app/compact_command.h"
#include "app/export_command.h"
#include "app/folder_commands.h"
#include "app/import_command.h"
#include "app/mailbox_commands.h"
#include "app/mailbox_registry.h"
#include "app/menu_model.h"
#include "app/move_copy.h"
#include "app/port.h"
#include "app/store_lock.h"
#include "app/undelete_commands.h"

#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

namespace qb {

class CMails;
class RegistryFile;

// Shown when a folder (and the sub-folders left in it) could not be deleted.
inline constexpr char kTextCannotRemoveFolder[] = "Cannot remove folder";
inline constexpr char kTextCannotRemoveMessage[] = "Cannot remove message";
// Shown when a command would change the store of a mailbox registered read-only.
inline constexpr char kTextReadOnlyMailbox[] = "This mailbox is read-only";
// Shown in the empty folder tree when no store is registered and none was found.
inline constexpr char kTextHowToBegin[] =
    "No mailbox yet. Make a new one with File > New MailBox, or register the mail you already "
    "have with File > Locate Exist Mailbox.";

// Said of a store whose directory does not exist (or is no directory).
inline constexpr char kTextStoreDirectoryMissing[] = "directory not found";

// What keeps `folder` from being shown whole, "" when nothing does: kTextStoreDirectoryMissing
// for a store root without its directory, else what its last listing could not read
// (CMails::m_strDamage).
std::string FolderWarning(CMails& folder);

class CQuillboxDoc {
  public:
    // `registry` may be null: then no mailbox is registered and nothing is written.
    CQuillboxDoc(Port& port, RegistryFile* registry);
    ~CQuillboxDoc();
    CQuillboxDoc(const CQuillboxDoc&) = delete;
    CQuillboxDoc& operator=(const CQuillboxDoc&) = delete;

    Port& GetPort() { return m_port; }
    RegistryFile* GetRegistry() { return m_pRegistry; }

    // ---- the command families ----
    CFolderCommands& FolderCommands() { return m_folderCommands; }
    CMoveCopyCommands& MoveCopy() { return m_moveCopy; }
    CCompactCommand& Compact() { return m_compact; }
    CBackupRestoreCommands& BackupRestore() { return m_backupRestore; }
    CMailboxCommands& MailboxCommands() { return m_mailboxCommands; }
    CUndeleteCommands& Undelete() { return m_undelete; }
    CExportCommand& Export() { return m_export; }
    CImportCommand& Import() { return m_import; }

    // ---- mailboxes and the tree ----

    // Frees every folder tree and builds one root per registered mailbox again, with its items.
    bool ReloadMailboxes();
    // Frees every mailbox and folder (the tree is cleared first).
    void DeleteContents();
    // Appends an item for `folder` below `parent`'s item, then for every sub-folder, loading the
    // hierarchy from the store as it goes.
    void InsertFolderTree(CMails* parent, CMails* folder);
    // Gives `folder` (a child of `parent`) and every folder below it that has no item yet an item,
    // after a copy that may have merged into folders the tree shows already.
    void ShowFolderTree(CMails* parent, CMails* folder);
    // Appends a mailbox without writing the registry (builds its root when it has none) and
    // inserts its tree. Used by New MailBox and by the command line for stores given by path.
    MailboxEntry& AddMailbox(std::unique_ptr<MailboxEntry> entry);
    const MailboxList& Mailboxes() const { return m_mailboxes; }
    // Tells the front end FolderWarning(folder), also when it is "" (the folder reads whole
    // again). ReloadMailboxes does so for every store root; the front end after listing a folder.
    void ReportFolderWarning(CMails& folder);
    // The root of the first mailbox whose name (store root) equals the text, case ignored.
    CMails* FindMailboxByName(const std::string& name) const;
    CMails* FindMailboxByStoreRoot(const std::string& dir) const;
    // Selects the folder whose path is `path` (the saved "Current Folder"), expanding a root.
    // Returns the folder, or null when none has that path.
    CMails* RestoreCurrentFolder(const std::string& path);
    // Deletes `folder` (not a root) through its parent with the tree items kept in step: on
    // success the item goes and the node is freed; on failure kTextCannotRemoveFolder is shown
    // and the item is either kept (showing the sub-folders that are left) or deleted.
    bool DeleteFolderAndItem(CMails* folder, bool keepItemOnFailure);
    // Removes messages whose rows the list no longer shows (deleted, or moved elsewhere). When
    // the store keeps any of them (a message without a status field to mark, or a file changed
    // by another program), kTextCannotRemoveMessage is shown, the list is filled again with what
    // the folder holds, and the result is false.
    bool RemoveMessagesShown(CMails& folder, const std::vector<CMessage*>& messages);
    // Called by a command that changes `folder` for messages the user selected in its list,
    // once it holds the folder's lock and before it writes: when another program changed the
    // folder's files since they were listed, the folder is read again (the list shows it anew)
    // and `messages` become the same messages of the new listing. When one of them is gone,
    // kTextMessageGone is shown and the result is false: the command then writes nothing.
    bool RelistIfChanged(CMails& folder, std::vector<CMessage*>& messages);

    // ---- the read-only rule ----

    // Whether `folder` lies in a mailbox registered read-only (MailboxEntry::m_bReadOnly).
    bool IsReadOnly(CMails* folder) const;
    // The gate every command that changes a store passes before it writes anything: it names
    // each folder it would change (the folder it deletes from, renames, creates in, compacts,
    // restores or imports into; the destination of a copy or drop; the source of a move). When
    // any of them lies in a read-only mailbox, kTextReadOnlyMailbox is shown and the result is
    // true: the command then ends as refused (Outcome::Failed) with nothing written. Null
    // folders are ignored. Reading commands (list, show, copy out, backup, export) never call it.
    bool RefuseIfReadOnly(std::initializer_list<CMails*> folders);

    // ---- one writer per store ----

    // Taken by every command that changes a store, once it has asked its questions and before
    // it writes anything, and held until it ends: the exclusive locks of the stores of
    // `folders` (the folder it changes; the destination of a copy and the source of a move).
    // When another Quillbox process keeps one of them past the wait, kTextMailboxInUse is shown
    // (kTextCannotLockMailbox when the lock file cannot be made) and the result is false: the
    // command ends as refused with nothing written. Null folders are ignored.
    [[nodiscard]] StoreLocks LockForChange(std::initializer_list<CMails*> folders);
    void SetLockWait(int milliseconds) { m_lockWaitMs = milliseconds; }

    // ---- the Move/Copy menus ----

    // Refills the folder table and tells the front end to rebuild both submenus.
    bool RebuildFolderMenus();
    // The contents of the Move (ID_MOVE_FIRST) or Copy (ID_COPY_FIRST) popup, refilling the
    // folder table.
    std::vector<MenuItem> FillFolderMenu(int baseId);
    // The folder behind a Move or Copy entry, null for an id outside the filled table.
    CMails* MenuFolder(int id) const { return m_menu.Folder(id); }
    int MenuFolderCount() const { return m_menu.Count(); }

  private:
    Port& m_port;
    RegistryFile* m_pRegistry;
    MailboxList m_mailboxes;
    CFolderMenu m_menu;
    int m_lockWaitMs = kStoreLockWaitMs;

    CFolderCommands m_folderCommands{*this};
    CMoveCopyCommands m_moveCopy{*this};
    CCompactCommand m_compact{*this};
    CBackupRestoreCommands m_backupRestore{*this};
    CMailboxCommands m_mailboxCommands{*this};
    CUndeleteCommands m_undelete{*this};
    CExportCommand m_export{*this};
    CImportCommand m_import{*this};
};

} // namespace qb
