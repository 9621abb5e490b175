#include "app/backup_restore.h"

#include "app/document.h"
#include "app/long_operation.h"
#include "model/archive.h"
#include "model/archived_mails.h"
#include "model/mails.h"
#include "platform/file_system.h"
#include "platform/paths.h"

namespace qb {

namespace {

constexpr char kInputFileName[] = "Please input file name";
constexpr char kCannotOpenFile[] = "Cannot open file";
// Buffer of an archive being written or read: large enough that the file takes few calls.
constexpr std::size_t kArchiveBufferSize = 256 * 1024;

// Whether the store under `root` can take every folder name of the restored tree. Checked before
// anything is copied, so that a refused name deep in the archive leaves the store as it was
// instead of a partial restore. A store whose folders do not nest takes only the top folder.
bool StoreTakesNames(CMails* root, CMails& tree) {
    if (!root->CanHoldFolderName(tree.m_strName))
        return false;
    if (!root->HoldsSubFolders())
        return true;
    for (CMails* child : tree.Children()) {
        if (!StoreTakesNames(root, *child))
            return false;
    }
    return true;
}

// Whether `file` names a file of a folder of `folder`'s subtree (only the folders in memory):
// writing a backup there would replace the mail it is meant to keep.
bool IsFolderFile(CMails* folder, const std::string& file) {
    if (folder->OwnsFile(file))
        return true;
    for (CMails* child : folder->Children()) {
        if (IsFolderFile(child, file))
            return true;
    }
    return false;
}

} // namespace

DialogResult CBackupRestoreCommands::Backup(CMails* folder, const std::string& file) {
    Port& port = m_doc.GetPort();
    if (file.empty()) {
        port.Message(kInputFileName);
        return {Outcome::Failed, false};
    }
    if (folder == nullptr) {
        port.Message("Please select a folder to backup");
        return {Outcome::Failed, false};
    }
    bool storeFile = false;
    const std::string full = AbsolutePath(file);
    for (const auto& entry : m_doc.Mailboxes()) {
        if (entry->m_pRoot != nullptr && IsFolderFile(entry->m_pRoot.get(), full))
            storeFile = true;
    }
    if (storeFile || fs::IsDirectory(file)) {
        port.Message(kCannotOpenFile);
        return {Outcome::Failed, false};
    }
    WaitCursor wait(port);
    // The archive is written whole under a temporary name beside the file and only then renamed
    // over it, so a failed backup leaves an earlier file of that name as it was.
    bool opened = false;
    LongOperation operation(port, "Backing up folder '" + folder->m_strName + "'",
                            MessagesBelow(*folder));
    fs::ClearLastError();
    const bool stored = fs::ReplaceFile(file, [&](fs::File& out) {
        opened = true;
        CArchive archive(out, CArchive::kStore, kArchiveBufferSize);
        return folder->StoreTree(archive, true);
    });
    // Writing the archive re-read every folder's messages, the listed ones included.
    port.FillMessageList();
    // The file that could not be written or read and the system's reason.
    const std::string detail = fs::LastErrorText();
    if (!opened) {
        port.Message(kCannotOpenFile, Buttons::Ok, Icon::None, detail);
        return {Outcome::Failed, false};
    }
    if (!stored && operation.Stopped()) {
        port.Message(kTextStoppedBackup);
        return {Outcome::Cancelled, true};
    }
    if (!stored) {
        port.Message("Cannot Backup!", Buttons::Ok, Icon::None, detail);
        return {Outcome::Failed, true};
    }
    return {Outcome::Done, true};
}

DialogResult CBackupRestoreCommands::Restore(const std::string& file, CMails* root) {
    Port& port = m_doc.GetPort();
    if (file.empty()) {
        port.Message(kInputFileName);
        return {Outcome::Failed, false};
    }
    if (root == nullptr) {
        port.Message("Please select a mailbox to restore to");
        return {Outcome::Failed, false};
    }
    // The dialog stays open for another mailbox.
    if (m_doc.RefuseIfReadOnly({root}))
        return {Outcome::Failed, false};
    fs::File in;
    if (fs::IsDirectory(file) || !in.Open(file, fs::OpenMode::Read)) {
        port.Message(kCannotOpenFile);
        return {Outcome::Failed, false};
    }
    WaitCursor wait(port);
    const std::string full = AbsolutePath(file);
    // Two passes over the archive, so that memory stays bounded whatever its size: the first
    // reads the tree's structure and checks every record, holding no message, so that a damaged
    // file or a refused name changes no store; the second copies message by message.
    LongOperation operation(port, "Restoring '" + full + "'");
    CArchive archive(in, CArchive::kLoad, kArchiveBufferSize);
    const std::unique_ptr<CArchivedMails> tree = CArchivedMails::ReadTree(archive);
    if (tree == nullptr && operation.Stopped()) {
        port.Message(kTextStoppedRestore);
        return {Outcome::Cancelled, true};
    }
    if (tree == nullptr) {
        ArchiveError error = archive.GetError();
        if (!error)
            error.cause = ArchiveCause::BadFormat;
        // Where the damage begins, for a file that holds anything at all.
        std::string detail;
        const std::int64_t size = fs::FileSize(file);
        if (error.offset >= 0 && error.cause != ArchiveCause::ReadFailed && size > 0)
            detail =
                "Damaged at byte " + std::to_string(error.offset) + " of " + std::to_string(size);
        port.Message(error.Text(full), Buttons::Ok, Icon::Stop, detail);
        return {Outcome::Failed, false};
    }
    operation.SetTotal(MessagesBelow(*tree));

    // The dialog stays open to try again.
    const StoreLocks locks = m_doc.LockForChange({root});
    if (!locks)
        return {Outcome::Failed, false};
    Outcome outcome = Outcome::Done;
    CMails* copy = nullptr;
    if (StoreTakesNames(root, *tree))
        copy = root->CopyFolder(*tree);
    if (copy == nullptr && operation.Stopped()) {
        // The copy was taken back whole.
        port.FillMessageList();
        port.Message(kTextStoppedRestore);
        return {Outcome::Cancelled, true};
    }
    if (copy != nullptr) {
        if (!port.HasFolderItem(root)) {
            port.Message("Cannot Refresh View");
        } else {
            // A merge into a folder of that name adds no second item, only those of the
            // sub-folders it made.
            m_doc.ShowFolderTree(root, copy);
        }
        port.FillMessageList();
        m_doc.RebuildFolderMenus();
    } else {
        // The file may have changed or become unreadable since it was checked.
        if (archive.GetError())
            port.Message(archive.GetError().Text(full), Buttons::Ok, Icon::Stop);
        else
            port.Message("Restore failure");
        port.FillMessageList();
        outcome = Outcome::Failed;
    }
    if (!root->HoldsSubFolders() && tree->HasChildren())
        port.Message("Warning : Sub Folders not restored\n");
    return {outcome, true};
}

} // namespace qb
