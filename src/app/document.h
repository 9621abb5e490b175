// The program's one document: the registered mailboxes with their root folder trees, the table
// behind the Move/Copy menus, and every command that changes folders. Commands take the user's
// selection as an argument and talk to the user only through the Port, so that the desktop
// program and the command line are thin layers over the same rules.
#pragma once

#include "app/mailbox_registry.h"
#include "app/menu_model.h"
#include "app/move_copy.h"
#include "app/port.h"

#include <array>
#include <memory>
#include <string>
#include <vector>

namespace qb {

class CMails;
class CMessage;
class RegistryFile;

// Command ids of the File and Tools menus (and the toolbar).
inline constexpr int kIdNewFolder = 32774;
inline constexpr int kIdRenameFolder = 32789;
inline constexpr int kIdDelete = 32775;
inline constexpr int kIdLocate = 32772;
inline constexpr int kIdCompact = 32783;
inline constexpr int kIdBackup = 32778;
inline constexpr int kIdRestore = 32779;
inline constexpr int kIdNewMailbox = 32792;

enum class ActivePane { None, Tree, List, Other };

// What the commands read of the views.
struct Selection {
    CMails* folder = nullptr; // folder of the tree's caret item; null when there is none
    ActivePane pane = ActivePane::None;
    std::vector<CMessage*> messages; // selected rows of the message list, in list order
};

// How a command ended: Done (warnings included), Cancelled by the user at a question, or Failed
// (a refusal or failure text was shown). The command line maps Failed to exit status 1.
enum class Outcome { Done, Cancelled, Failed };

// Result of a dialog's OK handler: whether the dialog closes, and how the command ended.
struct DialogResult {
    Outcome outcome = Outcome::Done;
    bool close = true;
};

// The text the folder-name dialog shows for `name`, or "" when the name is accepted (any
// non-empty text, spaces alone included).
std::string CheckFolderName(const std::string& name);

class CQuillboxDoc {
  public:
    // `registry` may be null: then no mailbox is registered and nothing is written.
    CQuillboxDoc(Port& port, RegistryFile* registry);
    ~CQuillboxDoc();
    CQuillboxDoc(const CQuillboxDoc&) = delete;
    CQuillboxDoc& operator=(const CQuillboxDoc&) = delete;

    Port& GetPort() { return m_port; }
    RegistryFile* GetRegistry() { return m_pRegistry; }

    // ---- mailboxes and the tree (document.cpp) ----

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
    // The root of the first mailbox whose name (store root) equals the text, case ignored.
    CMails* FindMailboxByName(const std::string& name) const;
    CMails* FindMailboxByStoreRoot(const std::string& dir) const;
    // Selects the folder whose path is `path` (the saved "Current Folder"), expanding a root.
    // Returns the folder, or null when none has that path.
    CMails* RestoreCurrentFolder(const std::string& path);

    // ---- update rules ----
    bool CanNewFolder() const { return !m_mailboxes.empty(); }
    bool CanRenameFolder(const Selection& selection) const;
    bool CanDelete(const Selection& selection) const;

    // ---- folder commands (folder_commands.cpp) ----
    Outcome OnNewFolder(const Selection& selection);
    Outcome OnRenameFolder(const Selection& selection);
    Outcome OnDelete(const Selection& selection);
    // The in-place rename of the tree: the refusals before the edit begins (Done when it may
    // begin), then the rename with the typed text.
    Outcome BeginLabelEdit(const Selection& selection);
    Outcome EndLabelEdit(const Selection& selection, const std::string& text);

    // ---- Move/Copy menus (menu_model.cpp) ----

    // Refills the slot table and tells the front end to rebuild both submenus.
    bool RebuildFolderMenus();
    // The contents of the Move (base 8000) or Copy (base 9000) popup, refilling the slot table.
    std::vector<MenuItem> FillFolderMenu(int baseId);
    // The folder behind a Move or Copy entry, null for an id outside the filled slots.
    CMails* MenuFolder(int id) const;

    // ---- move and copy (move_copy.cpp) ----
    Outcome OnMoveTo(int id, const Selection& selection);
    Outcome OnCopyTo(int id, const Selection& selection);
    Outcome MoveTo(CMails* dest, const Selection& selection);
    Outcome CopyTo(CMails* dest, const Selection& selection);

    // Drag and drop onto the folder tree. A drag begins with one of the Begin calls; DragOver
    // runs on every move over the tree (target null over empty space); Drop runs when the user
    // drops (returns whether the drop is accepted); EndDrag runs at the drag source with the
    // resulting effect and removes the source of a move.
    void BeginFolderDrag(CMails* folder);
    void BeginMessageDrag();
    DropEffect DragOver(CMails* target, const Selection& selection, bool ctrl, bool shift);
    bool Drop(DropEffect effect, const Selection& selection);
    Outcome EndDrag(DropEffect effect, const Selection& selection);
    CMails* DragFolder() const { return m_pDragFolder; }
    CMails* DropFolder() const { return m_pDropFolder; }
    bool DropCancelled() const { return m_bDropCancelled; }

    // ---- compact (compact_command.cpp) ----

    // Compacts every folder of the subtree except a root, depth first; false when any failed.
    static bool CompactFolderTree(CMails* folder);
    // The Compact dialog's button: every mailbox in order, with status texts.
    Outcome RunCompact();

    // ---- backup and restore (backup_restore.cpp) ----

    // The Backup dialog's button: `folder` (the dialog tree's caret folder, null for none) with
    // its messages and sub-folders into `file`.
    DialogResult Backup(CMails* folder, const std::string& file);
    // The Restore dialog's OK: the archive `file` into the root folder `root` of the selected
    // mailbox (null when no row is selected).
    DialogResult Restore(const std::string& file, CMails* root);

    // ---- mailboxes (mailboxes.cpp) ----

    // After the New Mailbox dialog's OK: a Netscape store `name` at `dir`, appended, shown and
    // registered. Failed (and said so) when the registry could not be written: the mailbox is
    // then usable until the program ends but not found again at the next start.
    Outcome NewMailbox(const std::string& name, const std::string& dir);
    // After the Locate dialog's OK (which has written the registry): reload and rebuild menus.
    void LocateAccepted();

    MailboxList m_mailboxes;
    std::array<CMails*, kMaxMenuFolders> m_menuFolders{};
    int m_nMenuFolders = 0;

  private:
    bool AddFolderMenuItem(std::vector<MenuItem>& menu, CMails* folder, int baseId);
    Outcome MoveOrCopy(CMails* dest, const Selection& selection, bool move);
    Outcome MoveOrCopyFolder(CMails* source, CMails* dest, bool move);
    Outcome MoveOrCopyMessages(CMails* source, CMails* dest, const std::vector<CMessage*>& messages,
                               bool move);
    // Name resolution and copy step. Returns the copy (null when cancelled or failed) and sets
    // `answer`; a failure has been reported.
    CMails* CopyFolderResolvingName(CMails* source, CMails* dest, const char* question,
                                    NameAnswer& answer);
    // DeleteFolder with the tree items kept in step: on success the item goes and the node is
    // destroyed; on failure "Cannot remove folder" is shown and the item is either kept (showing
    // the sub-folders that are left) or deleted.
    bool DeleteFolderAndItem(CMails* folder, bool keepItemOnFailure);

    Port& m_port;
    RegistryFile* m_pRegistry;

    // Drag state of the folder tree.
    CMails* m_pDragFolder = nullptr;
    CMails* m_pDropFolder = nullptr;
    bool m_bDropCancelled = false;
    bool m_bMessageDrag = false;
    // The copy the last folder drop made (or merged into), checked before the source goes.
    CMails* m_pDropCopy = nullptr;
    // Messages the last message drop added to its target, for the move completion.
    std::vector<CMessage*> m_droppedMessages;
};

} // namespace qb
