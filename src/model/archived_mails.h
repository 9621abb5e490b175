// A folder tree read from a backup archive by its structure only. Each folder holds its record's
// name and header values, how many messages it has and where they start in the archive; it reads
// them from there one at a time when they are handed over for copying (ForEachListed), so that a
// restore holds one message in memory at a time, whatever the archive's size.
#pragma once

#include "model/archive.h"
#include "model/mails.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace qb {

class CArchivedMails : public CMails {
  public:
    // Reads the folder record at the archive's place with all its sub-folders (in the archive's
    // order), checking every message record whole without keeping any. Null when a record is
    // damaged (the archive's error says how) or the current progress asked to stop (no error).
    // The archive then stands just past the record. It must stay open, and be read by nothing
    // else, for as long as the tree hands over messages.
    static std::unique_ptr<CArchivedMails> ReadTree(CArchive& archive);

    // Reads the messages from the archive, each with its body, and hands them over in order.
    // False when `take` returned false or the archive could not be read again as it was.
    bool ForEachListed(const std::function<bool(CMessage&)>& take) override;
    std::size_t MessageCount() const override { return m_nMessages; }

    // The place just past the whole tree's record.
    const ArchiveMark& End() const { return m_end; }

  private:
    explicit CArchivedMails(CArchive& archive) : CMails("", "", kPlain), m_archive(archive) {}
    static std::unique_ptr<CArchivedMails> ReadFolder(CArchive& archive, int depth);

    CArchive& m_archive;
    ArchiveMark m_messages; // where the first message record starts
    std::size_t m_nMessages = 0;
    ArchiveMark m_end;
};

// Reads one message record (after its class reference) into `message` as CMessage::Serialize
// does, reusing the message's line strings and those kept in `spare`, where the ones it no longer
// needs are left for the next record.
bool ReadMessageRecord(CArchive& archive, CMessage& message, std::vector<std::string>& spare);

} // namespace qb
