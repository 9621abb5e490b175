// The index file of an Internet Mail folder (".idx"): one record per message ever appended to the
// folder's message file, telling whether it is removed, where its text lies, how its MIME body is
// laid out and its Subject, To and From. The file is shared with another mail client, so every
// field this program does not use is carried through byte for byte.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace qb {

class CContent;
class CMessage;
namespace fs {
class File;
}

// One body-part descriptor. In the file each list of descriptors is preceded by its count; the
// count is kept on the entry that follows it (kNoCount when none does).
class CIndexBodyPartOne {
  public:
    static constexpr std::uint32_t kNoCount = 0xFFFF;

    std::uint32_t m_nListCount = kNoCount;
    std::uint32_t m_nEncodingCode = 0;
    std::uint32_t m_nSubtypeCode = 0;
    std::uint32_t m_nLaterPart = 0;
    std::uint32_t m_nTypeCode = 0;
    std::uint32_t m_nPartOffset = 0;
    std::uint32_t m_nPartLength = 0;
};

// One text item: a length L and L bytes (the items this program writes end with a zero byte that
// L counts).
class CIndexBodyPartTwo {
  public:
    CIndexBodyPartTwo() = default;
    explicit CIndexBodyPartTwo(std::string bytes);

    std::uint32_t m_nTextLength = 0;
    std::string m_pText; // exactly m_nTextLength bytes
};

class CIndexRecord {
  public:
    static constexpr std::uint32_t kStateRemoved = 1;
    static constexpr std::uint32_t kStateNew = 2;
    // Bytes from the record's start to its body-part structure.
    static constexpr std::uint32_t kFixedSize = 50;

    // Appends the descriptors of `entity` (and its parts) to m_aBodyParts; returns the number of
    // 32-bit words they take in the file. Positions are those of the lines in `message`, whose
    // body lines the entity describes.
    std::uint32_t BuildBodyParts(const CContent& entity, const CMessage& message, int depth);

    // Fixed fields, in file order.
    std::uint32_t m_nState = kStateNew;                           // 0
    std::uint32_t m_nReserved4 = 0;                               // 4
    std::uint32_t m_nMessageId = 0;                               // 8
    std::uint32_t m_nRecordOffset = 0;                            // 12
    std::uint32_t m_nRecordLength = 0;                            // 16
    std::uint32_t m_nMessageOffset = 0;                           // 20
    std::uint32_t m_nMessageSize = 0;                             // 24
    std::uint32_t m_nItemsEnd = 0;                                // 28
    std::uint16_t m_wReserved32 = 1;                              // 32
    std::uint8_t m_byReserved34 = 40;                             // 34
    std::uint8_t m_abReserved35[7] = {};                          // 35
    std::uint32_t m_nTextLength = 0;                              // 42
    std::uint32_t m_nBodyPartSize = 0;                            // 46
    std::vector<std::unique_ptr<CIndexBodyPartOne>> m_aBodyParts; // flattened, file order
    std::uint32_t m_nItemBlock = 0;
    std::uint32_t m_anReserved[4] = {};
    std::uint16_t m_wItemCount = 3;
    std::vector<std::unique_ptr<CIndexBodyPartTwo>> m_aItems;
    std::uint32_t m_nTrailing = 0;
    std::string m_pTrailing; // m_nTrailing bytes

  private:
    void EntryRange(const CContent& entity, const CMessage& message, const std::string& delimiter,
                    CIndexBodyPartOne& entry) const;
};

class CMailIndex {
  public:
    static constexpr std::uint32_t kHeaderSize = 80;
    static constexpr std::uint32_t kVersion = 0x00010004;

    CMailIndex();
    ~CMailIndex();
    CMailIndex(const CMailIndex&) = delete;
    CMailIndex& operator=(const CMailIndex&) = delete;

    // Reads the index. A file that cannot be opened leaves a new, empty index (false). A damaged
    // file is read up to its last complete record (false); the header then counts those records.
    bool Load(const std::string& path);
    // True when the last Load found a file it could not read: such an index must not be saved
    // over the file (that would drop its records).
    bool IsUnreadable() const { return m_bUnreadable; }
    // The ids whose first record in the index file at `path` is marked removed, sorted, read as
    // Load reads the file (a damaged file up to its last complete record) without keeping the
    // records: for listing a folder, where the index itself is not needed. `unreadable`, when
    // given, tells what IsUnreadable would after Load.
    static std::vector<std::uint32_t> RemovedIds(const std::string& path,
                                                 bool* unreadable = nullptr);
    // Writes the whole index under a temporary name and puts it in place of `path`.
    bool Save(const std::string& path) const;
    // The index's bytes as Save writes them.
    std::string Serialize() const;

    // True when the first record with the message's id is marked removed.
    bool IsRemoved(const CMessage& message) const;
    bool IsRemoved(std::uint32_t messageId) const;
    // Marks the first record with this id removed; false when no record has it.
    bool MarkRemoved(std::uint32_t messageId);
    // Takes the removed mark off the first record with this id: it gets the state of a record
    // this program writes. False when no record has the id or its record is not marked removed.
    bool MarkLive(std::uint32_t messageId);
    bool HasRecord(std::uint32_t messageId) const;
    // Appends the record of a message just appended to the message file. The message's MIME tree
    // (m_pContent) gives the body-part descriptors; without one a single plain part is described.
    CIndexRecord& AddRecord(const CMessage& message, std::uint32_t messageId,
                            std::uint32_t messageOffset, std::uint32_t messageSize);

    std::string m_strPath;
    char m_szMagic[4] = {'J', 'M', 'F', '9'};
    std::uint32_t m_nVersion = kVersion;
    std::uint32_t m_nRecordCount = 0;
    std::uint32_t m_nFileLength = kHeaderSize;
    std::uint32_t m_anWords[16] = {1, 0x00010007};
    std::vector<std::unique_ptr<CIndexRecord>> m_aRecords;

  private:
    friend class CMailIndexWriter;
    // The header's bytes as the file begins with them.
    void AppendHeader(std::string& out) const;
    void Reset();
    void Reindex();

    bool m_bUnreadable = false;
    // The first record of each id.
    std::unordered_map<std::uint32_t, CIndexRecord*> m_firstById;
};

// Writes a new index into an open file a record at a time, holding one block of bytes and no
// records: a large folder's index is rebuilt without keeping it whole. The file's bytes are those
// that AddRecord for each message and Save would write.
class CMailIndexWriter {
  public:
    explicit CMailIndexWriter(fs::File& file);
    ~CMailIndexWriter();
    CMailIndexWriter(const CMailIndexWriter&) = delete;
    CMailIndexWriter& operator=(const CMailIndexWriter&) = delete;

    // The record of a message just written to the new message file, as AddRecord makes it.
    bool Add(const CMessage& message, std::uint32_t messageId, std::uint32_t messageOffset,
             std::uint32_t messageSize);
    // Writes what is left and the header, which counts the records only now that they are
    // known. The file is complete once this returns true.
    bool Finish();

  private:
    fs::File& m_file;
    // Holds no records: its header counts those written, and the file's length so far is where
    // the next one goes.
    CMailIndex m_header;
    // Bytes not yet written. The first block begins with room for the header.
    std::string m_block;
    bool m_bBlockWritten = false;
    bool m_bFailed = false;
};

} // namespace qb
