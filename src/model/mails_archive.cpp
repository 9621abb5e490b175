// Folder trees in backup archives.
#include "model/archive.h"
#include "model/archived_mails.h"
#include "model/mails.h"
#include "model/progress.h"

#include <memory>

namespace qb {

namespace {

constexpr char kMessageClass[] = "CMessage";
constexpr std::uint16_t kSchema = 1;
// The smallest message object after the first (class number, four numbers, empty header,
// line count) and the smallest folder record (empty name, header values, two counts).
constexpr std::int64_t kMinMessageBytes = 2 + 16 + 1 + 4;
constexpr std::int64_t kMinFolderBytes = 1 + 12 + 4 + 4;

bool StoreFolder(CMails& folder, CArchive& archive, bool recursive) {
    // A folder whose messages or sub-folders cannot be read fails the backup: an archive that
    // silently lacks them would be taken for a complete copy. A store's root holds no messages.
    if (!folder.LoadMessages() && !folder.IsRoot())
        return false;
    if (!folder.Serialize(archive))
        return false;
    if (!recursive) {
        // Still a complete record, so that the file reads back as a folder without sub-folders.
        return archive.WriteDword(0);
    }
    const std::vector<CMails*> children = folder.GetSubFolders();
    if (folder.m_bFoldersPending)
        return false;
    if (!archive.WriteDword(static_cast<std::uint32_t>(children.size())))
        return false;
    for (CMails* child : children) {
        if (!StoreFolder(*child, archive, true))
            return false;
    }
    return !archive.WriteFailed();
}

// Passes over one message record after its class reference, checking it is whole.
bool SkipMessage(CArchive& archive) {
    std::int32_t lines = 0;
    if (!archive.SkipBytes(16) || !archive.SkipString() || !archive.ReadCount(lines, 1))
        return false;
    for (std::int32_t i = 0; i < lines; ++i) {
        if (!archive.SkipString())
            return false;
    }
    return true;
}

// How many messages pass 1 checks between two reports of progress.
constexpr std::int32_t kCheckedStep = 256;

} // namespace

bool CMails::Serialize(CArchive& archive) {
    // An archive is read by CArchivedMails.
    if (!archive.IsStoring() || m_pMessages.size() > 0x7FFFFFFFu)
        return false;
    if (!archive.WriteString(m_strName) || !archive.WriteDword(m_nHeader3) ||
        !archive.WriteDword(static_cast<std::uint32_t>(m_nFlags)) ||
        !archive.WriteWord(static_cast<std::uint16_t>(m_wHeader2)) ||
        !archive.WriteWord(static_cast<std::uint16_t>(m_wHeader1)) ||
        !archive.WriteDword(static_cast<std::uint32_t>(m_pMessages.size())))
        return false;
    // The store hands its messages over front to back through one open file, each with its
    // body; a message it cannot read comes as it is listed and is written with the lines it has.
    std::size_t written = 0;
    const bool all = ForEachListed([&](CMessage& message) {
        ++written;
        return archive.WriteObjectClass(kMessageClass, kSchema) && message.Serialize(archive) &&
               ContinueAfterMessages();
    });
    // The count is already written: fewer records would leave a damaged archive.
    return all && written == m_pMessages.size();
}

bool CMails::StoreTree(CArchive& archive, bool recursive) {
    if (!archive.IsStoring())
        return false;
    return StoreFolder(*this, archive, recursive) && archive.Flush();
}

bool CMails::LoadTree(CArchive& archive) {
    if (!archive.IsLoading())
        return false;
    const std::unique_ptr<CArchivedMails> tree = CArchivedMails::ReadTree(archive);
    if (tree == nullptr)
        return false;
    GetMessages();
    m_strName = tree->m_strName;
    m_nHeader3 += tree->m_nHeader3;
    m_nFlags |= tree->m_nFlags;
    m_wHeader2 += tree->m_wHeader2;
    m_wHeader1 += tree->m_wHeader1;
    if (!tree->ForEachListed([this](CMessage& message) { return AddMessage(message); }))
        return false;
    for (CMails* child : tree->Children()) {
        if (CopyFolder(*child) == nullptr)
            return false;
    }
    return archive.Seek(tree->End());
}

std::unique_ptr<CArchivedMails> CArchivedMails::ReadTree(CArchive& archive) {
    if (!archive.IsLoading())
        return nullptr;
    std::unique_ptr<CArchivedMails> tree = ReadFolder(archive, 0);
    if (tree != nullptr)
        tree->m_end = archive.Mark();
    return tree;
}

std::unique_ptr<CArchivedMails> CArchivedMails::ReadFolder(CArchive& archive, int depth) {
    std::unique_ptr<CArchivedMails> folder(new CArchivedMails(archive));
    std::uint32_t header3 = 0, flags = 0;
    std::uint16_t header2 = 0, header1 = 0;
    std::int32_t count = 0;
    if (!archive.ReadString(folder->m_strName) || !archive.ReadDword(header3) ||
        !archive.ReadDword(flags) || !archive.ReadWord(header2) || !archive.ReadWord(header1) ||
        !archive.ReadCount(count, kMinMessageBytes))
        return nullptr;
    folder->m_nHeader3 = header3;
    folder->m_nFlags = static_cast<std::int32_t>(flags);
    folder->m_wHeader2 = header2;
    folder->m_wHeader1 = header1;
    folder->m_bFoldersPending = false;
    folder->m_messages = archive.Mark();
    folder->m_nMessages = static_cast<std::size_t>(count);
    for (std::int32_t i = 0; i < count; ++i) {
        if (!archive.ReadObjectClass(kMessageClass, kSchema) || !SkipMessage(archive))
            return nullptr;
        if ((i + 1) % kCheckedStep == 0 && !ContinueListing(kCheckedStep))
            return nullptr;
    }
    if (!archive.ReadCount(count, kMinFolderBytes))
        return nullptr;
    // Kept in the archive's order: each is put in front of the ones read before it, so they are
    // linked up in reverse at the end.
    std::vector<std::unique_ptr<CArchivedMails>> children;
    for (std::int32_t i = 0; i < count; ++i) {
        if (depth >= CArchive::kMaxFolderDepth) {
            archive.Fail(ArchiveCause::BadFormat);
            return nullptr;
        }
        std::unique_ptr<CArchivedMails> child = ReadFolder(archive, depth + 1);
        if (child == nullptr)
            return nullptr;
        children.push_back(std::move(child));
    }
    for (auto it = children.rbegin(); it != children.rend(); ++it)
        folder->AddSubFolder(std::move(*it));
    return folder;
}

bool CArchivedMails::ForEachListed(const std::function<bool(CMessage&)>& take) {
    if (m_nMessages == 0)
        return true;
    if (!m_archive.Seek(m_messages))
        return false;
    // One message object for all, its line strings used again from one message to the next.
    CMessage message;
    std::vector<std::string> spare;
    for (std::size_t i = 0; i < m_nMessages; ++i) {
        if (!m_archive.ReadObjectClass(kMessageClass, kSchema) ||
            !ReadMessageRecord(m_archive, message, spare) || !take(message))
            return false;
    }
    return true;
}

} // namespace qb
