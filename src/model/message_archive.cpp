// The backup record of one message.
#include "model/archive.h"
#include "model/archived_mails.h"
#include "model/mails.h"
#include "model/message.h"

namespace qb {

bool CMessage::Serialize(CArchive& archive) {
    if (archive.IsStoring()) {
        // A message whose texts are not composed may not hold its body yet. When the folder
        // cannot read it, the message is written with the lines it has.
        const bool readHere =
            m_pContent == nullptr && m_pFolder != nullptr && m_pFolder->ReadMessage(*this);
        // Body lines read from a store's file only for writing go again afterwards, so that
        // backing up a large folder holds one message's body at a time; the store reads them
        // again when asked. An in-memory folder's lines are the only copy and stay.
        const bool fromFile = readHere && m_pFolder->GetType() != CMails::kPlain;
        struct ReleaseBody {
            CMessage& message;
            bool release;
            ~ReleaseBody() {
                if (release)
                    std::vector<std::string>().swap(message.m_aBody);
            }
        } releaseBody{*this, fromFile};
        if (!archive.WriteDword(static_cast<std::uint32_t>(m_nSize)) ||
            !archive.WriteDword(static_cast<std::uint32_t>(m_nBodySize)) ||
            !archive.WriteDword(static_cast<std::uint32_t>(m_nLines)) ||
            !archive.WriteDword(static_cast<std::uint32_t>(m_nBodyLines)) ||
            !archive.WriteString(m_strHeader))
            return false;
        if (m_aBody.size() > 0x7FFFFFFFu) // not representable as a count
            return false;
        if (!archive.WriteDword(static_cast<std::uint32_t>(m_aBody.size())))
            return false;
        for (const std::string& line : m_aBody) {
            if (!archive.WriteString(line))
                return false;
        }
        return true;
    }

    std::vector<std::string> spare;
    return ReadMessageRecord(archive, *this, spare);
}

bool ReadMessageRecord(CArchive& archive, CMessage& message, std::vector<std::string>& spare) {
    std::uint32_t size = 0, bodySize = 0, lines = 0, bodyLines = 0;
    if (!archive.ReadDword(size) || !archive.ReadDword(bodySize) || !archive.ReadDword(lines) ||
        !archive.ReadDword(bodyLines) || !archive.ReadString(message.m_strHeader))
        return false;
    message.m_nSize = size;
    message.m_nBodySize = bodySize;
    message.m_nLines = static_cast<std::int32_t>(lines);
    message.m_nBodyLines = static_cast<std::int32_t>(bodyLines);

    std::int32_t count = 0;
    if (!archive.ReadCount(count, 1)) // every line takes at least its length byte
        return false;
    // A message read again into the same object keeps its line strings, and those of longer
    // messages before it wait in `spare`: reading many messages one after another allocates
    // little.
    message.m_pContent.reset();
    message.m_strText.clear();
    message.m_strAttach.clear();
    std::vector<std::string>& body = message.m_aBody;
    const auto wanted = static_cast<std::size_t>(count);
    ReuseLines(body, wanted, spare);
    for (std::string& line : body) {
        if (!archive.ReadString(line))
            return false;
    }

    // The texts are composed by whoever shows or indexes the message (a store that writes the
    // lines as they are needs none). Only a stored line count beyond the lines present is
    // composed here: the parser walks that many lines, so it is held to the lines there are
    // while composing; the stored figure is kept.
    if (message.m_nBodyLines > count) {
        const std::int32_t stored = message.m_nBodyLines;
        message.m_nBodyLines = count;
        message.ComposeText();
        message.m_nBodyLines = stored;
    }
    return true;
}

} // namespace qb
