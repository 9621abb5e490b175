// Backup of one folder tree into an archive file, and restore of such a file into a mailbox.
#include "app/document.h"

#include "model/archive.h"
#include "model/mails.h"
#include "platform/file_system.h"
#include "platform/paths.h"
#include "stores/internet_mails.h"
#include "stores/netscape_mails.h"

#include <filesystem>
#include <system_error>

namespace qb {

namespace {

// The archive error texts name the file by its full path.
std::string FullPath(const std::string& file) {
    std::error_code ec;
    const std::filesystem::path absolute = std::filesystem::absolute(file, ec);
    return ec ? file : absolute.lexically_normal().string();
}

// Whether `file` names a file of a folder of `folder`'s subtree (only the folders in memory):
// writing a backup there would replace the mail it is meant to keep.
// Whether the store under `root` can take every folder name of the restored tree. Checked before
// anything is copied, so that a refused name deep in the archive leaves the store as it was
// instead of a partial restore. A one-level store takes only the top folder.
bool StoreTakesNames(CMails* root, CMails& tree) {
    // Each folder's files add a four-character ending to its name (".mbx", ".sbd", ...), and a
    // file name holds at most 255 bytes.
    constexpr std::size_t kLongestName = 255 - 4;
    if (tree.m_strName.size() > kLongestName)
        return false;
    if (root->GetType() == CMails::kInternetMail)
        return CInternetMails::IsValidFolderName(tree.m_strName);
    if (root->GetType() != CMails::kNetscape)
        return true;
    if (!CNetscapeMails::IsValidFolderName(tree.m_strName))
        return false;
    for (CMails* child : tree.Children()) {
        if (!StoreTakesNames(root, *child))
            return false;
    }
    return true;
}

bool IsFolderFile(CMails* folder, const std::string& file) {
    if (folder->GetType() != CMails::kPlain && !folder->m_strPath.empty()) {
        const std::string base = FullPath(folder->m_strPath);
        for (const char* suffix : {"", ".mbx", ".idx", ".snm"}) {
            if (file == base + suffix)
                return true;
        }
    }
    for (CMails* child : folder->Children()) {
        if (IsFolderFile(child, file))
            return true;
    }
    return false;
}

// Frees the folder read from an archive, with its sub-folder nodes; the store is not touched.
struct RestoredFolder {
    CMails folder{"", "", CMails::kPlain};
    ~RestoredFolder() { folder.FreeSubFolders(); }
};

} // namespace

DialogResult CQuillboxDoc::Backup(CMails* folder, const std::string& file) {
    if (file.empty()) {
        m_port.Message("Please input file name");
        return {Outcome::Failed, false};
    }
    if (folder == nullptr) {
        m_port.Message("Please select a folder to backup");
        return {Outcome::Failed, false};
    }
    bool storeFile = false;
    const std::string full = FullPath(file);
    for (const auto& entry : m_mailboxes) {
        if (entry->m_pRoot != nullptr && IsFolderFile(entry->m_pRoot, full))
            storeFile = true;
    }
    if (storeFile || fs::IsDirectory(file)) {
        m_port.Message("Cannot open file");
        return {Outcome::Failed, false};
    }
    WaitCursor wait(m_port);
    // The archive is written whole under a temporary name beside the file and only then renamed
    // over it, so a failed backup leaves an earlier file of that name as it was.
    bool opened = false;
    const bool stored = fs::ReplaceFile(file, [&](fs::File& out) {
        opened = true;
        CArchive archive(out, CArchive::kStore);
        return folder->StoreTree(archive, true);
    });
    // Writing the archive re-read every folder's messages, the listed ones included.
    m_port.FillMessageList();
    if (!opened) {
        m_port.Message("Cannot open file");
        return {Outcome::Failed, false};
    }
    if (!stored) {
        m_port.Message("Cannot Backup!");
        return {Outcome::Failed, true};
    }
    return {Outcome::Done, true};
}

DialogResult CQuillboxDoc::Restore(const std::string& file, CMails* root) {
    if (file.empty()) {
        m_port.Message("Please input file name");
        return {Outcome::Failed, false};
    }
    if (root == nullptr) {
        m_port.Message("Please select a mailbox to restore to");
        return {Outcome::Failed, false};
    }
    fs::File in;
    if (fs::IsDirectory(file) || !in.Open(file, fs::OpenMode::Read)) {
        m_port.Message("Cannot open file");
        return {Outcome::Failed, false};
    }
    WaitCursor wait(m_port);
    CArchive archive(in, CArchive::kLoad);
    RestoredFolder restored;
    CMails& tree = restored.folder;
    // The whole archive is read before anything is copied, so a damaged file changes no store.
    if (!tree.LoadTree(archive)) {
        ArchiveError error = archive.GetError();
        if (!error)
            error.cause = ArchiveCause::BadFormat;
        m_port.Message(error.Text(FullPath(file)), Buttons::Ok, Icon::Stop);
        return {Outcome::Failed, false};
    }
    in.Close();

    Outcome outcome = Outcome::Done;
    CMails* copy = StoreTakesNames(root, tree) ? root->CopyFolder(tree) : nullptr;
    if (copy != nullptr) {
        if (!m_port.HasFolderItem(root)) {
            m_port.Message("Cannot Refresh View");
        } else {
            // A merge into a folder of that name adds no second item, only those of the
            // sub-folders it made.
            ShowFolderTree(root, copy);
        }
        m_port.FillMessageList();
        RebuildFolderMenus();
    } else {
        m_port.Message("Restore failure");
        m_port.FillMessageList();
        outcome = Outcome::Failed;
    }
    if (root->GetType() == CMails::kInternetMail && tree.HasChildren())
        m_port.Message("Warning : Sub Folders not restored\n");
    return {outcome, true};
}

} // namespace qb
