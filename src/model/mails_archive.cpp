// Folder trees in backup archives.
#include "model/archive.h"
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

bool LoadFolder(CMails& folder, CArchive& archive, int depth) {
    folder.GetMessages();
    if (!folder.Serialize(archive))
        return false;
    std::int32_t count = 0;
    if (!archive.ReadCount(count, kMinFolderBytes))
        return false;
    for (std::int32_t i = 0; i < count; ++i) {
        if (depth >= CArchive::kMaxFolderDepth)
            return archive.Fail(ArchiveCause::BadFormat);
        // Only needed until it has been copied.
        const auto sub = std::make_unique<CMails>("", "", CMails::kPlain);
        if (!LoadFolder(*sub, archive, depth + 1))
            return false;
        if (folder.CopyFolder(*sub) == nullptr)
            return false;
    }
    return true;
}

} // namespace

bool CMails::Serialize(CArchive& archive) {
    if (archive.IsStoring()) {
        if (m_pMessages.size() > 0x7FFFFFFFu)
            return false;
        if (!archive.WriteString(m_strName) || !archive.WriteDword(m_nHeader3) ||
            !archive.WriteDword(static_cast<std::uint32_t>(m_nFlags)) ||
            !archive.WriteWord(static_cast<std::uint16_t>(m_wHeader2)) ||
            !archive.WriteWord(static_cast<std::uint16_t>(m_wHeader1)) ||
            !archive.WriteDword(static_cast<std::uint32_t>(m_pMessages.size())))
            return false;
        for (auto& message : m_pMessages) {
            if (!archive.WriteObjectClass(kMessageClass, kSchema) || !message->Serialize(archive) ||
                !ContinueAfterMessages())
                return false;
        }
        return true;
    }

    std::string name;
    std::uint32_t header3 = 0, flags = 0;
    std::uint16_t header2 = 0, header1 = 0;
    if (!archive.ReadString(name) || !archive.ReadDword(header3) || !archive.ReadDword(flags) ||
        !archive.ReadWord(header2) || !archive.ReadWord(header1))
        return false;
    m_strName = std::move(name);
    m_nHeader3 += header3;
    m_nFlags |= static_cast<std::int32_t>(flags);
    m_wHeader2 += header2;
    m_wHeader1 += header1;

    std::int32_t count = 0;
    if (!archive.ReadCount(count, kMinMessageBytes))
        return false;
    for (std::int32_t i = 0; i < count; ++i) {
        if (!archive.ReadObjectClass(kMessageClass, kSchema))
            return false;
        CMessage message;
        if (!message.Serialize(archive))
            return false;
        if (!AddMessage(message))
            return false;
    }
    return true;
}

bool CMails::StoreTree(CArchive& archive, bool recursive) {
    if (!archive.IsStoring())
        return false;
    return StoreFolder(*this, archive, recursive) && archive.Flush();
}

bool CMails::LoadTree(CArchive& archive) {
    if (!archive.IsLoading())
        return false;
    return LoadFolder(*this, archive, 0);
}

} // namespace qb
