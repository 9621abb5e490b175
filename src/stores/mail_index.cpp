// What holds after any failure or crash: the index file on disk is the old one or the new one,
// whole (Save writes a temporary file and renames it over the old one only once complete).
// Reading never trusts the file: a damaged index is read up to its last complete record,
// nothing is allocated beyond the file's size, and an index that could not be read is never
// saved over the file it came from.

#include "stores/mail_index.h"

#include "mime/content.h"
#include "model/message.h"
#include "platform/binary.h"
#include "platform/file_system.h"
#include "platform/paths.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace qb {

namespace {

constexpr std::uint32_t kTypeMultipart = 2;
// Six 32-bit words of one descriptor in the file.
constexpr std::size_t kEntryBytes = 24;
constexpr int kTextItems = 6;
// Index bytes gathered before a write: a large index is never held whole as bytes.
constexpr std::size_t kWriteBlock = 256 << 10;

// Reads little-endian fields from a byte buffer, remembering whether it ran out.
class Cursor {
  public:
    Cursor(const std::string& bytes, std::size_t position)
        : Cursor(bytes.data(), bytes.size(), position) {}
    Cursor(const char* data, std::size_t size, std::size_t position)
        : m_data(reinterpret_cast<const unsigned char*>(data)), m_size(size), m_pos(position) {}

    std::size_t Left() const { return m_size - m_pos; }
    std::size_t Position() const { return m_pos; }
    bool U32(std::uint32_t& value) {
        if (Left() < 4)
            return false;
        value = GetLE32(m_data + m_pos);
        m_pos += 4;
        return true;
    }
    bool U16(std::uint16_t& value) {
        if (Left() < 2)
            return false;
        value = GetLE16(m_data + m_pos);
        m_pos += 2;
        return true;
    }
    bool Bytes(void* out, std::size_t n) {
        if (Left() < n)
            return false;
        std::memcpy(out, m_data + m_pos, n);
        m_pos += n;
        return true;
    }
    bool Skip(std::size_t n) {
        if (Left() < n)
            return false;
        m_pos += n;
        return true;
    }
    bool Text(std::string& out, std::size_t n) {
        if (Left() < n)
            return false;
        out.assign(reinterpret_cast<const char*>(m_data + m_pos), n);
        m_pos += n;
        return true;
    }

  private:
    const unsigned char* m_data;
    std::size_t m_size;
    std::size_t m_pos;
};

// How a record is read: whole, or only its fixed fields, the rest passed over exactly as a whole
// read takes it (for a listing, which needs only ids and states).
enum class Keep { All, FixedFields };

// Reads the body-part structure: a counted list whose type-2 entries are each followed by a
// nested list. Iterative, so that a hostile nesting depth cannot exhaust the stack.
template <Keep keep> bool ReadBodyParts(Cursor& in, CIndexRecord& record) {
    std::vector<std::uint32_t> open; // entries still due in each open list
    std::uint32_t count = 0;
    if (!in.U32(count) || count > in.Left() / kEntryBytes)
        return false;
    open.push_back(count);
    std::uint32_t carry = count; // the count word that precedes the next entry
    for (;;) {
        while (!open.empty() && open.back() == 0)
            open.pop_back();
        if (open.empty())
            return true;
        std::uint32_t w[6];
        for (auto& word : w) {
            if (!in.U32(word))
                return false;
        }
        --open.back();
        if (w[1] == kTypeMultipart) {
            if (!in.U32(count) || count > in.Left() / kEntryBytes)
                return false;
            open.push_back(count);
        }
        if constexpr (keep == Keep::FixedFields)
            continue;
        auto entry = std::make_unique<CIndexBodyPartOne>();
        entry->m_nListCount = carry;
        carry = CIndexBodyPartOne::kNoCount;
        entry->m_nLaterPart = w[0];
        entry->m_nTypeCode = w[1];
        entry->m_nSubtypeCode = w[2];
        entry->m_nEncodingCode = w[3];
        entry->m_nPartOffset = w[4];
        entry->m_nPartLength = w[5];
        if (entry->m_nTypeCode == kTypeMultipart)
            carry = count;
        record.m_aBodyParts.push_back(std::move(entry));
    }
}

// Writes the flattened descriptors back in the file's grammar. A count held by an entry is
// written before it; where the grammar needs a count that no entry holds (after a type-2 entry
// whose nested list is empty), a count 0 is written.
void WriteBodyParts(std::string& out, const CIndexRecord& record) {
    std::vector<std::uint32_t> open;
    auto settle = [&open] {
        while (!open.empty() && open.back() == 0)
            open.pop_back();
    };
    bool needCount = true;
    for (const auto& entry : record.m_aBodyParts) {
        if (needCount) {
            const std::uint32_t count =
                entry->m_nListCount == CIndexBodyPartOne::kNoCount ? 0 : entry->m_nListCount;
            AppendLE32(out, count);
            open.push_back(count);
            settle();
            needCount = false;
        }
        AppendLE32(out, entry->m_nLaterPart);
        AppendLE32(out, entry->m_nTypeCode);
        AppendLE32(out, entry->m_nSubtypeCode);
        AppendLE32(out, entry->m_nEncodingCode);
        AppendLE32(out, entry->m_nPartOffset);
        AppendLE32(out, entry->m_nPartLength);
        if (!open.empty())
            --open.back();
        if (entry->m_nTypeCode == kTypeMultipart)
            needCount = true;
        else
            settle();
    }
    if (needCount)
        AppendLE32(out, 0);
}

// Reads one record starting at the cursor; false when the file ends before it does.
template <Keep keep = Keep::All> bool ReadRecord(Cursor& in, CIndexRecord& r) {
    if (!in.U32(r.m_nState) || !in.U32(r.m_nReserved4) || !in.U32(r.m_nMessageId) ||
        !in.U32(r.m_nRecordOffset) || !in.U32(r.m_nRecordLength) || !in.U32(r.m_nMessageOffset) ||
        !in.U32(r.m_nMessageSize) || !in.U32(r.m_nItemsEnd) || !in.U16(r.m_wReserved32) ||
        !in.Bytes(&r.m_byReserved34, 1) || !in.Bytes(r.m_abReserved35, sizeof r.m_abReserved35) ||
        !in.U32(r.m_nTextLength) || !in.U32(r.m_nBodyPartSize))
        return false;
    if (!ReadBodyParts<keep>(in, r))
        return false;
    if (!in.U32(r.m_nItemBlock))
        return false;
    for (auto& word : r.m_anReserved) {
        if (!in.U32(word))
            return false;
    }
    if (!in.U16(r.m_wItemCount))
        return false;
    for (int i = 0; i < kTextItems; ++i) {
        if constexpr (keep == Keep::FixedFields) {
            std::uint32_t length = 0;
            if (!in.U32(length) || !in.Skip(length))
                return false;
            continue;
        }
        auto item = std::make_unique<CIndexBodyPartTwo>();
        if (!in.U32(item->m_nTextLength) || !in.Text(item->m_pText, item->m_nTextLength))
            return false;
        r.m_aItems.push_back(std::move(item));
    }
    const std::uint64_t end = static_cast<std::uint64_t>(r.m_nRecordOffset) + r.m_nRecordLength;
    if (in.Position() < end) {
        const std::uint64_t trailing = end - in.Position();
        if (trailing > in.Left())
            return false;
        r.m_nTrailing = static_cast<std::uint32_t>(trailing);
        if (keep == Keep::FixedFields ? !in.Skip(r.m_nTrailing)
                                      : !in.Text(r.m_pTrailing, r.m_nTrailing))
            return false;
    }
    return true;
}

void WriteRecord(std::string& out, const CIndexRecord& r) {
    AppendLE32(out, r.m_nState);
    AppendLE32(out, r.m_nReserved4);
    AppendLE32(out, r.m_nMessageId);
    AppendLE32(out, r.m_nRecordOffset);
    AppendLE32(out, r.m_nRecordLength);
    AppendLE32(out, r.m_nMessageOffset);
    AppendLE32(out, r.m_nMessageSize);
    AppendLE32(out, r.m_nItemsEnd);
    AppendLE16(out, r.m_wReserved32);
    out += static_cast<char>(r.m_byReserved34);
    out.append(reinterpret_cast<const char*>(r.m_abReserved35), sizeof r.m_abReserved35);
    AppendLE32(out, r.m_nTextLength);
    AppendLE32(out, r.m_nBodyPartSize);
    WriteBodyParts(out, r);
    AppendLE32(out, r.m_nItemBlock);
    for (std::uint32_t word : r.m_anReserved)
        AppendLE32(out, word);
    AppendLE16(out, r.m_wItemCount);
    for (const auto& item : r.m_aItems) {
        AppendLE32(out, item->m_nTextLength);
        out += item->m_pText;
    }
    out += r.m_pTrailing;
}

} // namespace

CIndexBodyPartTwo::CIndexBodyPartTwo(std::string bytes)
    : m_nTextLength(static_cast<std::uint32_t>(bytes.size())), m_pText(std::move(bytes)) {}

// ---- body-part descriptors --------------------------------------------------------------------

void CIndexRecord::EntryRange(const CContent& entity, const CMessage& message,
                              const std::string& delimiter, CIndexBodyPartOne& entry) const {
    auto line = [&](std::int64_t k) -> std::string_view {
        return k < 0 ? std::string_view() : entity.Line(static_cast<std::uint32_t>(k));
    };
    std::int64_t i = entity.m_nFirstLine;
    std::int64_t j = i + entity.m_nLineCount - 1;
    if (!delimiter.empty()) {
        bool found = false;
        for (std::int64_t k = i; k <= j - 1; ++k) {
            if (EqualsNoCase(line(k), delimiter)) {
                i = k;
                found = true;
                break;
            }
        }
        if (!found && i <= j) {
            for (std::int64_t k = i; k >= 0; --k) {
                if (EqualsNoCase(line(k), delimiter)) {
                    i = k;
                    break;
                }
            }
        }
        if (j > i) {
            const std::string closing = delimiter + "--";
            for (std::int64_t k = j; k > i; --k) {
                if (EqualsNoCase(line(k), closing)) {
                    j = k - 1;
                    break;
                }
            }
        }
    }
    const std::int64_t offset = message.GetLineOffset(static_cast<std::int32_t>(i));
    const std::int64_t end = message.GetLineOffset(static_cast<std::int32_t>(j + 1));
    entry.m_nPartOffset = static_cast<std::uint32_t>(offset);
    entry.m_nPartLength = static_cast<std::uint32_t>(end - offset);
}

std::uint32_t CIndexRecord::BuildBodyParts(const CContent& entity, const CMessage& message,
                                           int depth) {
    std::string delimiter;
    std::string boundary = CContent::GetParameter(entity.GetParams(), "boundary");
    if (!boundary.empty())
        delimiter =
            "--" + (boundary.size() >= 2 ? boundary.substr(1, boundary.size() - 2) : std::string());

    auto describe = [&](const CContent& part, std::uint32_t listCount, std::uint32_t laterPart) {
        auto entry = std::make_unique<CIndexBodyPartOne>();
        entry->m_nListCount = listCount;
        entry->m_nLaterPart = laterPart;
        entry->m_nTypeCode = static_cast<std::uint32_t>(part.GetTypeCode());
        entry->m_nSubtypeCode = static_cast<std::uint32_t>(part.GetSubtypeCode());
        entry->m_nEncodingCode = static_cast<std::uint32_t>(part.GetEncodingCode());
        EntryRange(part, message, delimiter, *entry);
        const std::uint32_t type = entry->m_nTypeCode;
        m_aBodyParts.push_back(std::move(entry));
        return type;
    };

    const bool multipart = EqualsNoCase(entity.GetMediaType(), "multipart");
    const std::uint32_t headCount = multipart ? entity.GetPartCount() + 1u : 1u;
    std::uint32_t words = 7;
    if (describe(entity, headCount, 0) != kTypeMultipart)
        return words;
    if (entity.m_pFirstPart == nullptr)
        return words + 1; // the empty nested list's count
    bool first = true;
    for (const CContent* part = entity.m_pFirstPart.get(); part != nullptr;
         part = part->m_pNextPart.get()) {
        const std::uint32_t later = first ? 0u : (depth == 0 ? 1u : 0u);
        const std::uint32_t type = describe(*part, first ? 0u : CIndexBodyPartOne::kNoCount, later);
        words += first ? 7 : 6;
        first = false;
        if (type == kTypeMultipart)
            words += BuildBodyParts(*part, message, depth + 1);
    }
    return words;
}

// ---- the index --------------------------------------------------------------------------------

CMailIndex::CMailIndex() = default;
CMailIndex::~CMailIndex() = default;

void CMailIndex::Reset() {
    std::memcpy(m_szMagic, "JMF9", 4);
    m_nVersion = kVersion;
    m_nRecordCount = 0;
    m_nFileLength = kHeaderSize;
    std::memset(m_anWords, 0, sizeof m_anWords);
    m_anWords[0] = 1;
    m_anWords[1] = 0x00010007;
    m_aRecords.clear();
    m_firstById.clear();
}

void CMailIndex::Reindex() {
    m_firstById.clear();
    for (const auto& record : m_aRecords)
        m_firstById.emplace(record->m_nMessageId, record.get());
}

bool CMailIndex::Load(const std::string& path) {
    Reset();
    m_strPath = path;
    m_bUnreadable = false;
    fs::File file;
    if (!file.Open(path, fs::OpenMode::Read)) {
        m_bUnreadable = fs::Exists(path);
        return false;
    }
    const std::int64_t size = file.Size();
    std::string bytes(static_cast<std::size_t>(std::max<std::int64_t>(size, 0)), '\0');
    if (size < 0 || (size > 0 && !file.ReadExact(bytes.data(), bytes.size()))) {
        m_bUnreadable = true;
        return false;
    }
    file.Close();

    Cursor in(bytes, 0);
    char magic[4] = {};
    std::uint32_t version = 0, count = 0, length = 0, words[16] = {};
    bool ok = in.Bytes(magic, 4) && in.U32(version) && in.U32(count) && in.U32(length);
    for (auto& word : words)
        ok = ok && in.U32(word);
    if (!ok)
        return false; // too short to be an index: treated as a new one
    std::memcpy(m_szMagic, magic, 4);
    m_nVersion = version;
    m_nRecordCount = count;
    m_nFileLength = length;
    std::memcpy(m_anWords, words, sizeof words);

    std::size_t end = in.Position();
    for (std::uint32_t n = 0; n < count; ++n) {
        auto record = std::make_unique<CIndexRecord>();
        if (!ReadRecord(in, *record)) {
            // Damaged: keep the complete records and make the header describe exactly them.
            m_nRecordCount = static_cast<std::uint32_t>(m_aRecords.size());
            m_nFileLength = static_cast<std::uint32_t>(end);
            Reindex();
            return false;
        }
        end = in.Position();
        m_aRecords.push_back(std::move(record));
    }
    Reindex();
    return true;
}

std::vector<std::uint32_t> CMailIndex::RemovedIds(const std::string& path, bool* unreadable) {
    std::vector<std::uint32_t> removed;
    bool ignored = false;
    bool& failed = unreadable != nullptr ? *unreadable : ignored;
    failed = false;
    fs::File file;
    if (!file.Open(path, fs::OpenMode::Read)) {
        failed = fs::Exists(path);
        return removed;
    }
    const std::int64_t size = file.Size();
    // Not cleared first: the read fills every byte, and a listing reads the index each time.
    const std::size_t byteCount = static_cast<std::size_t>(std::max<std::int64_t>(size, 0));
    const std::unique_ptr<char[]> bytes(new char[byteCount]);
    if (size < 0 || (size > 0 && !file.ReadExact(bytes.get(), byteCount))) {
        failed = true;
        return removed;
    }
    file.Close();

    Cursor in(bytes.get(), byteCount, 0);
    char magic[4] = {};
    std::uint32_t version = 0, count = 0, length = 0, word = 0;
    bool ok = in.Bytes(magic, 4) && in.U32(version) && in.U32(count) && in.U32(length);
    for (int i = 0; i < 16; ++i)
        ok = ok && in.U32(word);
    if (!ok)
        return removed;
    // (id, state) of every record in file order; the first record of an id decides.
    std::vector<std::pair<std::uint32_t, bool>> records;
    CIndexRecord record;
    for (std::uint32_t n = 0; n < count; ++n) {
        if (!ReadRecord<Keep::FixedFields>(in, record))
            break;
        records.emplace_back(record.m_nMessageId, record.m_nState == CIndexRecord::kStateRemoved);
    }
    std::stable_sort(records.begin(), records.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (std::size_t i = 0; i < records.size(); ++i) {
        if ((i == 0 || records[i].first != records[i - 1].first) && records[i].second)
            removed.push_back(records[i].first);
    }
    return removed;
}

void CMailIndex::AppendHeader(std::string& out) const {
    out.append(m_szMagic, 4);
    AppendLE32(out, m_nVersion);
    AppendLE32(out, m_nRecordCount);
    AppendLE32(out, m_nFileLength);
    for (std::uint32_t word : m_anWords)
        AppendLE32(out, word);
}

std::string CMailIndex::Serialize() const {
    std::string out;
    AppendHeader(out);
    for (const auto& record : m_aRecords)
        WriteRecord(out, *record);
    return out;
}

bool CMailIndex::Save(const std::string& path) const {
    return fs::ReplaceFile(path, [this](fs::File& file) {
        std::string block;
        AppendHeader(block);
        for (const auto& record : m_aRecords) {
            WriteRecord(block, *record);
            if (block.size() >= kWriteBlock) {
                if (!file.Write(block))
                    return false;
                block.clear();
            }
        }
        return block.empty() || file.Write(block);
    });
}

bool CMailIndex::IsRemoved(const CMessage& message) const {
    return IsRemoved(static_cast<std::uint32_t>(message.m_nIndex));
}

bool CMailIndex::IsRemoved(std::uint32_t messageId) const {
    auto it = m_firstById.find(messageId);
    return it != m_firstById.end() && it->second->m_nState == CIndexRecord::kStateRemoved;
}

bool CMailIndex::HasRecord(std::uint32_t messageId) const {
    return m_firstById.count(messageId) != 0;
}

bool CMailIndex::MarkRemoved(std::uint32_t messageId) {
    auto it = m_firstById.find(messageId);
    if (it == m_firstById.end())
        return false;
    it->second->m_nState = CIndexRecord::kStateRemoved;
    return true;
}

bool CMailIndex::MarkLive(std::uint32_t messageId) {
    auto it = m_firstById.find(messageId);
    if (it == m_firstById.end() || it->second->m_nState != CIndexRecord::kStateRemoved)
        return false;
    it->second->m_nState = CIndexRecord::kStateNew;
    return true;
}

namespace {

// The record of a message just appended to the message file, to be placed at `recordOffset` in
// the index file.
std::unique_ptr<CIndexRecord> NewRecord(const CMessage& message, std::uint32_t messageId,
                                        std::uint32_t messageOffset, std::uint32_t messageSize,
                                        std::uint32_t recordOffset) {
    auto record = std::make_unique<CIndexRecord>();
    CIndexRecord& r = *record;
    r.m_nMessageId = messageId;
    r.m_nRecordOffset = recordOffset;
    r.m_nMessageOffset = messageOffset;
    r.m_nMessageSize = messageSize;
    r.m_nTextLength = messageSize - 16;

    std::uint32_t words = 0;
    if (message.m_pContent != nullptr) {
        words = r.BuildBodyParts(*message.m_pContent, message, 0);
    } else {
        // No MIME tree: describe the body as one plain text part.
        CContent plain("text/plain", "7bit", "", "", "1.0");
        plain.m_pLines = &message.m_aBody;
        plain.m_nFirstLine = 0;
        plain.m_nLineCount = static_cast<std::int32_t>(message.m_aBody.size());
        words = r.BuildBodyParts(plain, message, 0);
    }
    r.m_nBodyPartSize = words * 4;
    if (!r.m_aBodyParts.empty() && r.m_aBodyParts.front()->m_nTypeCode == kTypeMultipart)
        r.m_byReserved34 = 15;

    const std::string items[kTextItems] = {message.GetHeaderField("subject:"),
                                           message.GetHeaderField("To:"),
                                           message.GetHeaderField("From:"),
                                           {},
                                           {},
                                           {}};
    std::uint32_t itemBlock = 18;
    for (const std::string& text : items) {
        auto item = std::make_unique<CIndexBodyPartTwo>(text + '\0');
        itemBlock += 4 + item->m_nTextLength;
        r.m_aItems.push_back(std::move(item));
    }
    r.m_nItemBlock = itemBlock;
    const std::uint32_t q = itemBlock + r.m_nBodyPartSize;
    const std::uint32_t padding = q % 4 == 0 ? 0 : 4 - q % 4;
    r.m_nRecordLength = q + padding + 54;
    r.m_nItemsEnd = q + 22;
    r.m_nTrailing = padding;
    r.m_pTrailing.assign(padding, '\0');
    return record;
}

} // namespace

CIndexRecord& CMailIndex::AddRecord(const CMessage& message, std::uint32_t messageId,
                                    std::uint32_t messageOffset, std::uint32_t messageSize) {
    const std::uint32_t recordOffset = m_aRecords.empty() ? kHeaderSize
                                                          : m_aRecords.back()->m_nRecordOffset +
                                                                m_aRecords.back()->m_nRecordLength;
    std::unique_ptr<CIndexRecord> record =
        NewRecord(message, messageId, messageOffset, messageSize, recordOffset);
    CIndexRecord& r = *record;
    m_nRecordCount += 1;
    m_nFileLength += r.m_nRecordLength;
    m_firstById.emplace(messageId, &r);
    m_aRecords.push_back(std::move(record));
    return r;
}

// ---- writing a new index record by record -------------------------------------------------------

CMailIndexWriter::CMailIndexWriter(fs::File& file) : m_file(file) {
    m_block.assign(CMailIndex::kHeaderSize, '\0');
}

CMailIndexWriter::~CMailIndexWriter() = default;

bool CMailIndexWriter::Add(const CMessage& message, std::uint32_t messageId,
                           std::uint32_t messageOffset, std::uint32_t messageSize) {
    if (m_bFailed)
        return false;
    const std::unique_ptr<CIndexRecord> record =
        NewRecord(message, messageId, messageOffset, messageSize, m_header.m_nFileLength);
    WriteRecord(m_block, *record);
    m_header.m_nRecordCount += 1;
    m_header.m_nFileLength += record->m_nRecordLength;
    if (m_block.size() >= kWriteBlock) {
        if (!m_file.Write(m_block)) {
            m_bFailed = true;
            return false;
        }
        m_block.clear();
        m_bBlockWritten = true;
    }
    return true;
}

bool CMailIndexWriter::Finish() {
    if (m_bFailed)
        return false;
    std::string header;
    m_header.AppendHeader(header);
    if (!m_bBlockWritten) {
        // Everything is still here: one write, header first.
        m_block.replace(0, header.size(), header);
        return m_file.Write(m_block);
    }
    return (m_block.empty() || m_file.Write(m_block)) && m_file.Seek(0) && m_file.Write(header);
}

} // namespace qb
