// What holds after any failure or crash of an operation of this file (tests/faults makes each
// file operation fail, and stops the process at each one, in turn):
//  - No live message is lost or corrupted: each one is where it was or where the whole operation
//    would have put it, and every folder still loads.
//  - An append writes and flushes the records before the message file's header counts them, so
//    an interruption leaves at worst unreferenced bytes after the recorded end, which the next
//    append writes over. The index is saved after that: a message without an index record is
//    still listed.
//  - A folder copy is all or nothing: one that fails leaves no message of it behind.
//  - Removing or undeleting a message changes only the index, which is replaced whole.
//  - Compact builds the new message and index files under temporary names and replaces the index
//    first: a crash between the two replacements can show removed messages again, never hide a
//    live one.
//  - Nothing is moved or created over an existing file; a rename moves both files or neither,
//    and a folder that cannot be made whole is taken away again.
//  - A failure leaves no temporary file behind.

#include "stores/internet_mails.h"

#include "model/progress.h"
#include "platform/binary.h"
#include "platform/file_system.h"
#include "platform/paths.h"
#include "platform/portable_names.h"
#include "stores/mail_index.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include "platform/cpu_features.h"
#if defined(QB_HAVE_AVX2_LOOPS)
#include <immintrin.h>
#endif

namespace qb {

namespace {

constexpr char kMarker[4] = {'\0', '\x7f', '\0', '\x7f'};
constexpr std::size_t kRecordHead = 16;
// The reader looks for the first record from here on.
constexpr std::int64_t kFirstRecordSearch = 32;
// Reading and writing in blocks of this size keeps the buffers in the processor's cache.
constexpr std::size_t kChunk = 256 << 10;
// Records are handed to the disk in blocks of about this size.
constexpr std::size_t kWriteBlock = 256 << 10;
// A listing reports its progress once per this many messages.
constexpr std::uint64_t kListingStep = 256;

// Reads a file through one buffer, so that a listing reads each byte once, in order.
class WindowReader {
  public:
    WindowReader(fs::File& file, std::int64_t size) : m_file(file), m_size(size) {}

    // The bytes [pos, pos + len), or null when the file cannot give them. `available` receives
    // how many bytes from pos on are at hand (at least len), without reading more.
    const char* Get(std::int64_t pos, std::size_t len, std::size_t* available = nullptr) {
        if (pos < 0 || pos > m_size || static_cast<std::uint64_t>(m_size - pos) < len)
            return nullptr;
        if (pos >= m_start && pos + static_cast<std::int64_t>(len) <= m_start + HaveBytes()) {
            if (available != nullptr)
                *available = static_cast<std::size_t>(m_start + HaveBytes() - pos);
            return m_buffer.data() + (pos - m_start);
        }
        const std::size_t want =
            static_cast<std::size_t>(std::min<std::int64_t>(std::max(len, kChunk), m_size - pos));
        std::size_t keep = 0;
        if (pos >= m_start && pos < m_start + HaveBytes()) {
            keep = static_cast<std::size_t>(m_start + HaveBytes() - pos);
            std::memmove(m_buffer.data(), m_buffer.data() + (pos - m_start), keep);
        } else if (!m_file.Seek(pos)) {
            m_have = 0;
            return nullptr;
        }
        if (m_buffer.size() < want)
            m_buffer.resize(want);
        m_start = pos;
        m_have = keep;
        if (!m_file.ReadExact(m_buffer.data() + keep, want - keep)) {
            m_have = 0;
            m_start = -1;
            return nullptr;
        }
        m_have = want;
        if (available != nullptr)
            *available = want;
        return m_buffer.data();
    }

  private:
    std::int64_t HaveBytes() const { return static_cast<std::int64_t>(m_have); }

    fs::File& m_file;
    std::int64_t m_size;
    std::vector<char> m_buffer;
    std::int64_t m_start = -1;
    std::size_t m_have = 0;
};

// Calls `line(begin, length)` for each line of the bytes: a line ends at CR LF, at a lone LF or
// at a lone CR; a last line without an end counts as well. Returns the number of lines.
template <typename F> std::int64_t ForEachLine(const char* data, std::size_t size, F&& line) {
    std::int64_t count = 0;
    std::size_t i = 0;
    while (i < size) {
        const char* nl = static_cast<const char*>(std::memchr(data + i, '\n', size - i));
        const std::size_t lineEnd = nl ? static_cast<std::size_t>(nl - data) : size;
        // A CR before the LF belongs to it; any other CR ends a line by itself.
        std::size_t scan = lineEnd;
        if (nl && lineEnd > i && data[lineEnd - 1] == '\r')
            --scan;
        const char* cr = static_cast<const char*>(std::memchr(data + i, '\r', scan - i));
        if (cr != nullptr) {
            const std::size_t at = static_cast<std::size_t>(cr - data);
            line(data + i, at - i);
            i = at + 1;
        } else if (nl != nullptr) {
            line(data + i, scan - i);
            i = lineEnd + 1;
        } else {
            line(data + i, size - i);
            i = size;
        }
        ++count;
    }
    return count;
}

struct LineEnds {
    std::uint64_t lf = 0;   // LF bytes
    std::uint64_t cr = 0;   // CR bytes
    std::uint64_t crlf = 0; // CR LF pairs
};

#if defined(__SSE2__)
std::uint64_t LaneSum(__m128i counts) {
    const __m128i sums = _mm_sad_epu8(counts, _mm_setzero_si128());
    return static_cast<std::uint64_t>(_mm_cvtsi128_si64(sums)) +
           static_cast<std::uint64_t>(_mm_cvtsi128_si64(_mm_unpackhi_epi64(sums, sums)));
}
#endif

#if defined(QB_HAVE_AVX2_LOOPS)
__attribute__((target("avx2,popcnt"))) std::uint64_t LaneSumAvx2(__m256i counts) {
    const __m256i sums = _mm256_sad_epu8(counts, _mm256_setzero_si256());
    return static_cast<std::uint64_t>(_mm256_extract_epi64(sums, 0)) +
           static_cast<std::uint64_t>(_mm256_extract_epi64(sums, 1)) +
           static_cast<std::uint64_t>(_mm256_extract_epi64(sums, 2)) +
           static_cast<std::uint64_t>(_mm256_extract_epi64(sums, 3));
}

// The first part of CountLineEnds, 32 bytes at a time: counts into `e` and moves `i` on, leaving
// fewer than 33 bytes.
__attribute__((target("avx2,popcnt"))) void CountLineEndsAvx2(const char* data, std::size_t size,
                                                              std::size_t& i, LineEnds& e) {
    const __m256i lfByte = _mm256_set1_epi8('\n');
    const __m256i crByte = _mm256_set1_epi8('\r');
    while (i + 33 <= size) {
        __m256i lf = _mm256_setzero_si256();
        __m256i cr = _mm256_setzero_si256();
        __m256i pairs = _mm256_setzero_si256();
        const std::size_t blocks = std::min<std::size_t>(255, (size - i - 1) / 32);
        for (std::size_t b = 0; b < blocks; ++b, i += 32) {
            const __m256i here = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(data + i));
            const __m256i next = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(data + i + 1));
            const __m256i isLf = _mm256_cmpeq_epi8(here, lfByte);
            const __m256i isCr = _mm256_cmpeq_epi8(here, crByte);
            lf = _mm256_sub_epi8(lf, isLf);
            cr = _mm256_sub_epi8(cr, isCr);
            pairs = _mm256_sub_epi8(pairs, _mm256_and_si256(isCr, _mm256_cmpeq_epi8(next, lfByte)));
        }
        e.lf += LaneSumAvx2(lf);
        e.cr += LaneSumAvx2(cr);
        e.crlf += LaneSumAvx2(pairs);
    }
}
#endif

// Counts the line-end bytes, sixteen or thirty-two at a time where the processor allows: listing
// a large folder is mostly this.
LineEnds CountLineEnds(const char* data, std::size_t size) {
    LineEnds e;
    std::size_t i = 0;
#if defined(QB_HAVE_AVX2_LOOPS)
    if (HasAvx2())
        CountLineEndsAvx2(data, size, i, e);
#endif
#if defined(__SSE2__)
    const __m128i lfByte = _mm_set1_epi8('\n');
    const __m128i crByte = _mm_set1_epi8('\r');
    // Each block also looks at the byte after it (for CR LF pairs), hence the 17.
    while (i + 17 <= size) {
        __m128i lf = _mm_setzero_si128();
        __m128i cr = _mm_setzero_si128();
        __m128i pairs = _mm_setzero_si128();
        // Byte counters hold at most 255 blocks.
        const std::size_t blocks = std::min<std::size_t>(255, (size - i - 1) / 16);
        for (std::size_t b = 0; b < blocks; ++b, i += 16) {
            const __m128i here = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i));
            const __m128i next = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i + 1));
            const __m128i isLf = _mm_cmpeq_epi8(here, lfByte);
            const __m128i isCr = _mm_cmpeq_epi8(here, crByte);
            lf = _mm_sub_epi8(lf, isLf);
            cr = _mm_sub_epi8(cr, isCr);
            pairs = _mm_sub_epi8(pairs, _mm_and_si128(isCr, _mm_cmpeq_epi8(next, lfByte)));
        }
        e.lf += LaneSum(lf);
        e.cr += LaneSum(cr);
        e.crlf += LaneSum(pairs);
    }
#endif
    for (; i < size; ++i) {
        if (data[i] == '\n') {
            ++e.lf;
        } else if (data[i] == '\r') {
            ++e.cr;
            if (i + 1 < size && data[i + 1] == '\n')
                ++e.crlf;
        }
    }
    return e;
}

// The number of lines ForEachLine finds, without visiting them.
std::int64_t CountLines(const char* data, std::size_t size) {
    if (size == 0)
        return 0;
    const LineEnds e = CountLineEnds(data, size);
    const char last = data[size - 1];
    return static_cast<std::int64_t>(e.lf + e.cr - e.crlf) + (last != '\n' && last != '\r');
}

// Where "\r\n\r\n" starts in the bytes [from, to) of the message file: -1 when it is not there,
// -2 when the file cannot give the bytes. Read a window at a time, so a large record is never
// held whole.
// The first occurrence of `needle` in the `size` bytes at `data`, or null (memmem, which not
// every C library has).
const char* FindBytes(const char* data, std::size_t size, std::string_view needle) {
    const std::size_t at = std::string_view(data, size).find(needle);
    return at == std::string_view::npos ? nullptr : data + at;
}

std::int64_t FindHeaderEnd(WindowReader& reader, std::int64_t from, std::int64_t to) {
    for (std::int64_t p = from; to - p >= 4;) {
        const std::size_t want = static_cast<std::size_t>(
            std::min<std::int64_t>(static_cast<std::int64_t>(kChunk), to - p));
        std::size_t n = 0;
        const char* data = reader.Get(p, want, &n);
        if (data == nullptr)
            return -2;
        n = static_cast<std::size_t>(std::min<std::int64_t>(static_cast<std::int64_t>(n), to - p));
        if (const char* hit = FindBytes(data, n, "\r\n\r\n"))
            return p + (hit - data);
        if (static_cast<std::int64_t>(n) == to - p)
            break;
        p += static_cast<std::int64_t>(n) - 3; // a match may straddle the windows
    }
    return -1;
}

// The line count of the bytes [from, to) of the message file, as CountLines gives it, read a
// window at a time. False when the file cannot give the bytes.
bool CountLinesIn(WindowReader& reader, std::int64_t from, std::int64_t to, std::int64_t& lines) {
    LineEnds total;
    char previous = 0;
    for (std::int64_t p = from; p < to;) {
        const std::size_t want = static_cast<std::size_t>(
            std::min<std::int64_t>(static_cast<std::int64_t>(kChunk), to - p));
        std::size_t n = 0;
        const char* data = reader.Get(p, want, &n);
        if (data == nullptr)
            return false;
        n = static_cast<std::size_t>(std::min<std::int64_t>(static_cast<std::int64_t>(n), to - p));
        const LineEnds e = CountLineEnds(data, n);
        total.lf += e.lf;
        total.cr += e.cr;
        total.crlf += e.crlf + (previous == '\r' && data[0] == '\n' ? 1 : 0);
        previous = data[n - 1];
        p += static_cast<std::int64_t>(n);
    }
    lines = to > from ? static_cast<std::int64_t>(total.lf + total.cr - total.crlf) +
                            (previous != '\n' && previous != '\r')
                      : 0;
    return true;
}

struct MessageFileHeader {
    std::uint32_t count = 0;
    std::uint32_t lastId = 0;
    std::uint32_t length = 0;
    bool magicOk = false;
};

bool ReadMessageFileHeader(fs::File& file, MessageFileHeader& header) {
    unsigned char bytes[20];
    if (!file.Seek(0) || !file.ReadExact(bytes, sizeof bytes))
        return false;
    header.magicOk = std::memcmp(bytes, "JMF6", 4) == 0;
    header.count = GetLE32(bytes + 8);
    header.lastId = GetLE32(bytes + 12);
    header.length = GetLE32(bytes + 16);
    return true;
}

// The first byte after the message file's records: its recorded length when that lies within
// the file. Bytes past it (left by an append that did not complete) belong to no record.
std::int64_t RecordsEnd(const MessageFileHeader& header, std::int64_t fileSize) {
    if (header.length >= kFirstRecordSearch && header.length <= fileSize)
        return header.length;
    return fileSize;
}

// Whether the message's figures describe a record at all.
bool FitsARecord(const CMessage& message) {
    return message.m_nOffset >= 0 && message.m_nBodySize >= 0 &&
           message.m_nSize >= static_cast<std::int64_t>(kRecordHead) &&
           message.m_nBodySize <= message.m_nSize - static_cast<std::int64_t>(kRecordHead);
}

// Whether the record at the message's offset is still the one that was listed: its marker, id
// and size.
bool IsListedRecord(fs::File& file, const CMessage& message) {
    if (!FitsARecord(message))
        return false;
    unsigned char head[kRecordHead];
    if (!file.Seek(message.m_nOffset) || !file.ReadExact(head, sizeof head))
        return false;
    return std::memcmp(head, kMarker, 4) == 0 &&
           GetLE32(head + 4) == static_cast<std::uint32_t>(message.m_nIndex) &&
           GetLE32(head + 8) == static_cast<std::uint64_t>(message.m_nSize);
}

// Reads the body lines of a listed message from its record into `lines` (whose strings, and those
// kept in `spare`, are used again); false when the record at the message's offset is no longer
// the one that was listed or cannot be read.
bool ReadBody(WindowReader& reader, const CMessage& message, BodyLines& lines, BodyLines& spare) {
    if (!FitsARecord(message))
        return false;
    const auto* head =
        reinterpret_cast<const unsigned char*>(reader.Get(message.m_nOffset, kRecordHead));
    if (head == nullptr || std::memcmp(head, kMarker, 4) != 0 ||
        GetLE32(head + 4) != static_cast<std::uint32_t>(message.m_nIndex) ||
        GetLE32(head + 8) != static_cast<std::uint64_t>(message.m_nSize))
        return false;
    const std::int64_t start = message.m_nOffset + message.m_nSize - message.m_nBodySize;
    const auto size = static_cast<std::size_t>(message.m_nBodySize);
    const char* bytes = reader.Get(start, size);
    if (bytes == nullptr)
        return false;
    ReuseLines(lines, static_cast<std::size_t>(std::max(message.m_nBodyLines, 0)), spare);
    std::size_t count = 0;
    const LineEnds ends = CountLineEnds(bytes, size);
    if (ends.cr == ends.crlf) {
        // Every CR belongs to a CR LF: lines end at each LF.
        const char* p = bytes;
        const char* end = p + size;
        while (p < end && count < lines.size()) {
            const char* nl = static_cast<const char*>(std::memchr(p, '\n', end - p));
            const char* stop = nl ? nl : end;
            const char* cut = nl && stop > p && stop[-1] == '\r' ? stop - 1 : stop;
            lines[count++].assign(p, cut);
            p = nl ? nl + 1 : end;
        }
    } else {
        ForEachLine(bytes, size, [&](const char* p, std::size_t n) {
            if (count < lines.size())
                lines[count++].assign(p, n);
        });
    }
    for (; count < lines.size(); ++count)
        lines[count].clear();
    return true;
}

// The size of the message's record as this store writes it.
std::size_t RecordSize(const CMessage& message) {
    std::size_t size = kRecordHead + message.m_strHeader.size() + 2;
    for (const std::string& line : message.m_aBody)
        size += line.size() + 2;
    return size;
}

// Appends the bytes of one message record, `size` long, to `out`.
void AppendRecord(std::string& out, const CMessage& message, std::uint32_t id, std::size_t size) {
    out.append(kMarker, 4);
    AppendLE32(out, id);
    AppendLE32(out, static_cast<std::uint32_t>(size));
    AppendLE32(out, static_cast<std::uint32_t>(size - kRecordHead));
    out += message.m_strHeader;
    out += "\r\n";
    for (const std::string& line : message.m_aBody) {
        out += line;
        out += "\r\n";
    }
}

// Makes the message's body lines and MIME structure available for its index record, decoding
// nothing. Letting go of it lets go again of what this call read or parsed.
class PreparedSource {
  public:
    explicit PreparedSource(CMessage& message) : m_message(message) {
        if (message.m_pContent != nullptr)
            return;
        if (message.m_pFolder != nullptr) {
            if (!message.m_pFolder->ReadMessage(message)) {
                m_ok = false;
                return;
            }
            m_loaded = true;
        }
        message.ParseStructure(); // a tree that fails to build still leaves its root
        m_parsed = true;
    }
    ~PreparedSource() {
        if (m_loaded)
            m_message.ReleaseBody();
        else if (m_parsed)
            m_message.m_pContent.reset(); // its texts were not composed: composed when asked for
    }
    PreparedSource(const PreparedSource&) = delete;
    PreparedSource& operator=(const PreparedSource&) = delete;
    // False when the body cannot be read.
    bool Ok() const { return m_ok; }

  private:
    CMessage& m_message;
    bool m_ok = true;
    bool m_loaded = false;
    bool m_parsed = false;
};

// Appends records to a message file through one buffer.
class RecordWriter {
  public:
    explicit RecordWriter(fs::File& file) : m_file(file) {}
    bool Add(const std::string& bytes) {
        m_pending += bytes;
        return m_pending.size() < kWriteBlock || Drain();
    }
    // Adds the record of `message` without building it apart first.
    bool Add(const CMessage& message, std::uint32_t id, std::size_t size) {
        AppendRecord(m_pending, message, id, size);
        return m_pending.size() < kWriteBlock || Drain();
    }
    bool Drain() {
        const bool ok = m_pending.empty() || m_file.Write(m_pending);
        m_pending.clear();
        return ok;
    }
    void Discard() { m_pending.clear(); }

  private:
    fs::File& m_file;
    std::string m_pending;
};

bool WriteHeaderWords(fs::File& file, std::uint32_t count, std::uint32_t lastId,
                      std::uint32_t length) {
    unsigned char words[12];
    PutLE32(words, count);
    PutLE32(words + 4, lastId);
    PutLE32(words + 8, length);
    return file.Seek(8) && file.Write(words, sizeof words);
}

bool WriteNewFile(const std::string& path, const std::string& bytes) {
    fs::File file;
    if (!file.Open(path, fs::OpenMode::Create))
        return false;
    const bool ok = file.Write(bytes) && file.Flush();
    return file.Close() && ok;
}

enum class Made { Created, Existed, Failed };

// Creates a file that does not exist yet with the given bytes; an existing file is never touched,
// and a file this call began is removed again when it cannot be completed.
Made CreateExclusive(const std::string& path, const std::string& bytes) {
    fs::File file;
    if (!file.Open(path, fs::OpenMode::CreateNew))
        return fs::Exists(path) ? Made::Existed : Made::Failed;
    bool ok = file.Write(bytes) && file.Flush();
    ok = file.Close() && ok;
    if (ok)
        return Made::Created;
    fs::RemoveFile(path);
    return Made::Failed;
}

} // namespace

CInternetMails::CInternetMails(std::string name, std::string path)
    : CMails(std::move(name), std::move(path), kInternetMail) {}

CInternetMails::~CInternetMails() = default;

bool CInternetMails::IsStoreDirectory() const {
    return IsStoreRoot() && fs::IsDirectory(m_strPath);
}

bool CInternetMails::IsValidFolderName(const std::string& name) {
    return IsPortableEntryName(name);
}

bool CInternetMails::CanHoldFolderName(const std::string& name) const {
    return IsValidFolderName(name) && name.size() + 4 <= kMaxEntryNameBytes;
}

bool CInternetMails::OwnsFile(const std::string& file) const {
    // The store root stands for the directory and keeps no messages of its own.
    if (IsStoreRoot())
        return false;
    const std::string path = AbsolutePath(m_strPath);
    return file == path + ".mbx" || file == path + ".idx";
}

std::vector<std::string> CInternetMails::MessageFiles() const {
    if (IsStoreRoot())
        return {};
    return {MessageFilePath(), IndexFilePath()};
}

std::string CInternetMails::NewMessageFileHeader() {
    std::string out("JMF6", 4);
    AppendLE32(out, kMessageVersion);
    AppendLE32(out, 0);
    AppendLE32(out, 0);
    AppendLE32(out, kMessageHeaderSize);
    AppendLE32(out, 1);
    out.append(60, '\0');
    return out;
}

std::string CInternetMails::NewIndexFileHeader() {
    return CMailIndex().Serialize();
}

bool CInternetMails::CreateMessageFile(const std::string& path) {
    return WriteNewFile(path, NewMessageFileHeader());
}

bool CInternetMails::CreateIndexFile(const std::string& path) {
    return WriteNewFile(path, NewIndexFileHeader());
}

std::string CInternetMails::FindEntryNoCase(const std::string& name,
                                            const std::string& extension) const {
    std::vector<fs::DirEntry> entries;
    if (!fs::ListDirectory(m_strPath, entries))
        return {};
    const std::string wanted = name + extension;
    std::string found;
    for (const fs::DirEntry& entry : entries) {
        if (entry.isDirectory || !EqualsNoCase(entry.name, wanted))
            continue;
        if (entry.name == wanted)
            return name;
        if (found.empty())
            found = entry.name.substr(0, entry.name.size() - extension.size());
    }
    return found;
}

// ---- reading -----------------------------------------------------------------------------------

bool CInternetMails::LoadFolders() {
    if (!IsStoreRoot())
        return true; // folders do not nest
    std::vector<fs::DirEntry> entries;
    if (!fs::ListDirectory(m_strPath, entries))
        return true;
    for (const fs::DirEntry& entry : entries) {
        if (entry.isDirectory || fs::IsTemporaryName(entry.name) ||
            entry.name.find(".mbx") == std::string::npos)
            continue;
        const std::string name = entry.name.substr(0, entry.name.rfind('.'));
        AddSubFolder(std::make_unique<CInternetMails>(name, JoinPath(m_strPath, name)));
    }
    return true;
}

bool CInternetMails::LoadMessages() {
    return Load(false);
}

bool CInternetMails::LoadMessagesWithDeleted() {
    return Load(true);
}

bool CInternetMails::Load(bool withDeleted) {
    FreeMessages();
    return LoadMessagesFrom(RemovedInIndex(), withDeleted) == LoadResult::Ok;
}

void CInternetMails::VisitListing(bool withDeleted, const ListingVisitor& visit) {
    ScanRecords(RemovedInIndex(), [&](std::unique_ptr<CMessage> message, bool removed) {
        return (removed && !withDeleted) || visit(*message);
    });
}

std::function<bool(std::uint32_t)> CInternetMails::RemovedInIndex() const {
    // Listing needs only the ids marked removed, not the index itself (several times their
    // size in memory).
    auto removed =
        std::make_shared<const std::vector<std::uint32_t>>(CMailIndex::RemovedIds(IndexFilePath()));
    return [removed](std::uint32_t id) {
        return std::binary_search(removed->begin(), removed->end(), id);
    };
}

CInternetMails::LoadResult CInternetMails::LoadMessagesFrom(const CMailIndex& index) {
    return LoadMessagesFrom([&index](std::uint32_t id) { return index.IsRemoved(id); });
}

CInternetMails::LoadResult
CInternetMails::LoadMessagesFrom(const std::function<bool(std::uint32_t)>& isRemoved,
                                 bool withDeleted) {
    FreeMessages();
    const LoadResult result = ScanRecords(
        isRemoved, [this, withDeleted](std::unique_ptr<CMessage> message, bool removed) {
            if (!removed || withDeleted)
                m_pMessages.push_back(std::move(message));
            return true;
        });
    // A listing the user stopped is not kept in part.
    if (result == LoadResult::Failed)
        FreeMessages();
    return result;
}

bool CInternetMails::ForEachMessage(bool withDeleted, const MessageVisitor& visit) {
    if (IsStoreDirectory())
        return true;
    // The bodies are read through a handle of their own, behind the scan: both move through the
    // file front to back.
    fs::File bodies;
    if (!bodies.Open(MessageFilePath(), fs::OpenMode::Read))
        return false;
    WindowReader reader(bodies, bodies.Size());
    BodyLines spare;
    bool unreadable = false;
    const LoadResult result =
        ScanRecords(RemovedInIndex(), [&](std::unique_ptr<CMessage> message, bool removed) {
            if (removed && !withDeleted)
                return true;
            if (!ReadBody(reader, *message, message->m_aBody, spare)) {
                unreadable = true;
                return false;
            }
            return visit(*message, removed);
        });
    return !unreadable && (result == LoadResult::Ok || result == LoadResult::Short);
}

std::int64_t CInternetMails::StoreBytes() const {
    if (IsStoreDirectory())
        return 0;
    return std::max<std::int64_t>(fs::FileSize(MessageFilePath()), 0);
}

CInternetMails::LoadResult
CInternetMails::ScanRecords(const std::function<bool(std::uint32_t)>& isRemoved,
                            const std::function<bool(std::unique_ptr<CMessage>, bool)>& sink) {
    m_bDamaged = false;
    m_strDamage.clear();
    if (IsStoreDirectory())
        return LoadResult::Ok; // the store directory itself holds no messages
    fs::File file;
    if (!file.Open(MessageFilePath(), fs::OpenMode::Read))
        return LoadResult::Failed;
    MessageFileHeader header;
    const std::int64_t fileSize = file.Size();
    if (fileSize < 0 || !ReadMessageFileHeader(file, header))
        return LoadResult::Failed;
    m_wHeader1 = header.count;
    m_wHeader2 = header.lastId;
    m_nHeader3 = header.length;

    const std::int64_t end = RecordsEnd(header, fileSize);
    WindowReader reader(file, end);
    std::int64_t p = kFirstRecordSearch;
    std::uint64_t found = 0;
    // The records before `at` were read; the one there, or what should be one, was not.
    const auto damagedAt = [this, &found](std::int64_t at) {
        m_bDamaged = true;
        m_strDamage = "damaged at byte " + std::to_string(at) + ": " + std::to_string(found) +
                      " messages read";
        return LoadResult::Damaged;
    };
    // Every record up to the end is examined, whatever the count says.
    while (end - p >= 4) {
        // The next record marker at or after p.
        std::int64_t r = -1;
        while (end - p >= 4) {
            std::size_t len = 0;
            const char* data = reader.Get(p, 4, &len);
            if (data == nullptr)
                return damagedAt(p);
            len = static_cast<std::size_t>(
                std::min<std::int64_t>(static_cast<std::int64_t>(len), end - p));
            const char* hit = FindBytes(data, len, std::string_view(kMarker, 4));
            if (hit != nullptr) {
                r = p + (hit - data);
                break;
            }
            p += static_cast<std::int64_t>(len) - 3;
        }
        if (r < 0)
            break;
        const char* head = reader.Get(r, kRecordHead);
        if (head == nullptr)
            return damagedAt(r);
        const std::uint32_t id = GetLE32(reinterpret_cast<const unsigned char*>(head) + 4);
        const std::uint32_t size = GetLE32(reinterpret_cast<const unsigned char*>(head) + 8);
        if (size < kRecordHead || size > end - r)
            return damagedAt(r);
        // Only the header is held; the body's lines are counted window by window.
        const std::int64_t textAt = r + static_cast<std::int64_t>(kRecordHead);
        const std::int64_t recordEnd = r + size;
        const std::int64_t h = FindHeaderEnd(reader, textAt, recordEnd);
        if (h < 0)
            return damagedAt(r);
        const std::size_t bodyAt = static_cast<std::size_t>(h - textAt) + 4;
        const char* headerBytes = reader.Get(textAt, bodyAt);
        if (headerBytes == nullptr)
            return damagedAt(r);
        const std::int64_t headLines = CountLines(headerBytes, bodyAt);
        std::string headerText(headerBytes, bodyAt - 2);
        std::int64_t bodyLines = 0;
        if (!CountLinesIn(reader, textAt + static_cast<std::int64_t>(bodyAt), recordEnd, bodyLines))
            return damagedAt(r);
        ++found;
        // A very large folder takes a while: the user may stop the listing.
        if (found % kListingStep == 0 && !ContinueListing(kListingStep))
            return LoadResult::Failed;
        auto message = std::make_unique<CMessage>(static_cast<std::int32_t>(id), r, this,
                                                  std::move(headerText), "");
        const bool removed = isRemoved(id);
        message->m_bDeleted = removed;
        message->m_nSize = size;
        message->m_nBodySize = recordEnd - textAt - static_cast<std::int64_t>(bodyAt);
        message->m_nLines = static_cast<std::int32_t>(headLines + bodyLines);
        message->m_nBodyLines = static_cast<std::int32_t>(bodyLines);
        if (!sink(std::move(message), removed))
            return LoadResult::Ok;
        p = r + size;
    }
    if (found >= header.count)
        return LoadResult::Ok;
    // The file ends before the records its header counts: cut at a record's boundary.
    m_strDamage =
        "damaged at byte " + std::to_string(end) + ": " + std::to_string(found) + " messages read";
    return LoadResult::Short;
}

bool CInternetMails::ReadMessage(CMessage& message) {
    fs::File file;
    if (!file.Open(MessageFilePath(), fs::OpenMode::Read))
        return false;
    WindowReader reader(file, file.Size());
    BodyLines lines;
    BodyLines spare;
    if (!ReadBody(reader, message, lines, spare))
        return false;
    message.m_aBody = std::move(lines);
    return true;
}

bool CInternetMails::ForEachListed(const std::function<bool(CMessage&)>& take) {
    if (m_pMessages.empty())
        return true;
    // One open file, read front to back through one window: the listing is in file order.
    fs::File file;
    const bool opened = file.Open(MessageFilePath(), fs::OpenMode::Read);
    WindowReader reader(file, opened ? file.Size() : -1);
    // Each message is handed over as an in-memory copy with its body, so that whoever takes it
    // reads nothing again; the copy's line strings are used again for the next message.
    CMessage copy;
    BodyLines spare;
    for (const auto& listed : m_pMessages) {
        CMessage* given = listed.get();
        if (listed->m_pContent == nullptr && opened &&
            ReadBody(reader, *listed, copy.m_aBody, spare)) {
            copy.CopyRecordFrom(*listed);
            given = &copy;
        }
        // A message that could not be read here goes over as it is listed: the taker reads it
        // itself and meets the failure as it would its own.
        if (!take(*given))
            return false;
    }
    return true;
}

// ---- appending ---------------------------------------------------------------------------------

bool CInternetMails::AddMessage(CMessage& source) {
    std::vector<bool> added;
    return AddMessages({&source}, added);
}

bool CInternetMails::AddMessages(const std::vector<CMessage*>& messages, std::vector<bool>& added) {
    return Append(messages, added, false);
}

// Appends records to the message file and their index records to the index, with one open of
// each file however many messages go in.
class CInternetMails::Appender {
  public:
    enum class Result { Added, Left, Failed };

    explicit Appender(CInternetMails& folder) : m_folder(folder), m_writer(m_file) {}
    ~Appender() {
        if (m_file.IsOpen())
            Abandon();
    }

    bool Open() {
        if (m_folder.IsStoreRoot() ||
            !m_file.Open(m_folder.MessageFilePath(), fs::OpenMode::ReadWrite))
            return false;
        MessageFileHeader header;
        m_fileSize = m_file.Size();
        if (m_fileSize < kMessageHeaderSize || !ReadMessageFileHeader(m_file, header) ||
            !header.magicOk) {
            m_file.Close();
            return false;
        }
        // Append after the last recorded record, over anything an interrupted append left behind
        // (but never into the file's header).
        m_start = RecordsEnd(header, m_fileSize);
        if (m_start < kMessageHeaderSize)
            m_start = m_fileSize;
        if (!m_file.Seek(m_start)) {
            m_file.Close();
            return false;
        }
        m_position = static_cast<std::uint64_t>(m_start);
        m_count = header.count;
        m_lastId = header.lastId;
        m_index.Load(m_folder.IndexFilePath());
        return true;
    }

    // Left: the message's body cannot be read or it would not fit, and nothing of it is written.
    // Failed: the file could not take it; nothing more can be added.
    Result Add(CMessage& message) {
        if (!m_file.IsOpen())
            return Result::Failed;
        const PreparedSource prepared(message);
        if (!prepared.Ok())
            return Result::Left;
        const std::uint32_t id = m_lastId + 1;
        const std::size_t size = RecordSize(message);
        Result result = Result::Added;
        // The record's offset and the file's length are 32-bit words.
        if (id == 0 || m_position + size > kMaxMessageFileSize) {
            result = Result::Left;
        } else if (!m_writer.Add(message, id, size)) {
            result = Result::Failed;
        } else {
            m_index.AddRecord(message, id, static_cast<std::uint32_t>(m_position),
                              static_cast<std::uint32_t>(size));
            m_position += size;
            m_lastId = id;
            ++m_count;
            ++m_added;
        }
        if (result == Result::Failed)
            Abandon();
        return result;
    }

    std::size_t Added() const { return m_added; }

    // Makes the records part of the folder. False when the message file could not be completed
    // (its header then counts none of them). The index is saved after that: a message without an
    // index record is still listed, so the result does not depend on it.
    bool Commit() {
        // The records are on the disk before the header counts them, so that an interruption
        // leaves at worst unreferenced bytes after the recorded end.
        if (!m_writer.Drain() || !m_file.Flush() ||
            !WriteHeaderWords(m_file, m_count, m_lastId, static_cast<std::uint32_t>(m_position)) ||
            !m_file.Flush() || !m_file.Close()) {
            m_file.Close();
            return false;
        }
        if (!m_index.IsUnreadable())
            m_index.Save(m_folder.IndexFilePath());
        return true;
    }

    // Takes the records written back off the file; its header never counted them.
    void Abandon() {
        if (!m_file.IsOpen())
            return;
        m_writer.Discard();
        if (m_file.Size() > m_fileSize)
            m_file.Truncate(m_fileSize);
        m_file.Close();
    }

  private:
    CInternetMails& m_folder;
    fs::File m_file;
    RecordWriter m_writer;
    CMailIndex m_index;
    std::int64_t m_fileSize = 0;
    std::int64_t m_start = 0;
    std::uint64_t m_position = 0;
    std::uint32_t m_count = 0;
    std::uint32_t m_lastId = 0;
    std::size_t m_added = 0;
};

bool CInternetMails::Append(const std::vector<CMessage*>& messages, std::vector<bool>& added,
                            bool allOrNothing) {
    added.assign(messages.size(), false);
    Appender appender(*this);
    if (!appender.Open())
        return false;
    bool all = true;
    for (std::size_t i = 0; i < messages.size(); ++i) {
        const Appender::Result result = appender.Add(*messages[i]);
        if (result == Appender::Result::Failed) {
            added.assign(messages.size(), false);
            return false;
        }
        if (result == Appender::Result::Left) {
            all = false;
            if (allOrNothing)
                break;
            continue;
        }
        added[i] = true;
        // Stopping keeps what was appended so far, as a failure of the next message would.
        if (!ContinueAfterMessages()) {
            all = all && i + 1 == messages.size();
            break;
        }
    }
    if ((!all && allOrNothing) || appender.Added() == 0) {
        added.assign(messages.size(), false);
        appender.Abandon();
        return false;
    }
    if (!appender.Commit()) {
        added.assign(messages.size(), false);
        return false;
    }
    return all;
}

// ---- removing ----------------------------------------------------------------------------------

bool CInternetMails::LoadIndexToChange(CMailIndex& index) const {
    if (IsStoreRoot())
        return false;
    index.Load(IndexFilePath());
    return !index.IsUnreadable();
}

bool CInternetMails::RemoveMessage(CMessage* message) {
    if (message == nullptr)
        return false;
    return RemoveMessages({message});
}

bool CInternetMails::RemoveMessages(const std::vector<CMessage*>& messages) {
    if (messages.empty())
        return true;
    CMailIndex index;
    if (!LoadIndexToChange(index))
        return false;
    bool all = true;
    bool changed = false;
    for (CMessage* message : messages) {
        // A message listed from another folder carries an id of that folder: marking it here
        // would remove a different message.
        if (message == nullptr || message->m_pFolder == nullptr ||
            message->m_pFolder->m_strPath != m_strPath) {
            all = false;
            continue;
        }
        const auto id = static_cast<std::uint32_t>(message->m_nIndex);
        if (!index.HasRecord(id)) {
            // Listed without an index record (its index was never written): give it one so
            // that the mark has somewhere to go.
            const PreparedSource prepared(*message);
            if (!prepared.Ok()) {
                all = false;
                continue;
            }
            index.AddRecord(*message, id, static_cast<std::uint32_t>(message->m_nOffset),
                            static_cast<std::uint32_t>(message->m_nSize));
        }
        index.MarkRemoved(id);
        changed = true;
    }
    if (!changed)
        return false;
    return index.Save(IndexFilePath()) && all;
}

// ---- undeleting --------------------------------------------------------------------------------

bool CInternetMails::UndeleteMessages(const std::vector<CMessage*>& messages) {
    if (messages.empty())
        return true;
    CMailIndex index;
    if (!LoadIndexToChange(index))
        return false;
    fs::File file;
    if (!file.Open(MessageFilePath(), fs::OpenMode::Read))
        return false;
    std::vector<CMessage*> cleared;
    for (CMessage* message : messages) {
        // An id is this folder's only: a message of another folder would take the mark off a
        // different message.
        if (message == nullptr || message->m_pFolder == nullptr ||
            message->m_pFolder->m_strPath != m_strPath)
            return false;
        const auto id = static_cast<std::uint32_t>(message->m_nIndex);
        if (!index.IsRemoved(id))
            continue; // live already, or a repeat
        // After another program compacted the folder the id may stand for another message.
        if (!IsListedRecord(file, *message) || !index.MarkLive(id))
            return false;
        cleared.push_back(message);
    }
    file.Close();
    if (!cleared.empty() && !index.Save(IndexFilePath()))
        return false;
    for (CMessage* message : messages)
        message->m_bDeleted = false;
    return true;
}

// ---- folders -----------------------------------------------------------------------------------

CMails* CInternetMails::CreateFolder(const std::string& name) {
    if (!IsStoreRoot() || !IsValidFolderName(name))
        return nullptr;
    const std::string base = JoinPath(m_strPath, name);
    if (!FindEntryNoCase(name, ".mbx").empty() || !FindEntryNoCase(name, ".idx").empty())
        return nullptr;
    if (CreateExclusive(base + ".mbx", NewMessageFileHeader()) != Made::Created)
        return nullptr;
    if (CreateExclusive(base + ".idx", NewIndexFileHeader()) != Made::Created) {
        fs::RemoveFile(base + ".mbx");
        return nullptr;
    }
    return AddSubFolder(std::make_unique<CInternetMails>(name, base));
}

CMails* CInternetMails::CopyFolder(CMails& source) {
    if (!IsStoreRoot() || !IsValidFolderName(source.m_strName))
        return nullptr;
    // The source is read whole before anything is created: one that cannot be read (or whose
    // removed marks cannot be), or that is damaged part way, is not copied at all, so that a
    // refused copy leaves this store as it was. A store root holds no messages of its own.
    if (auto* internet = dynamic_cast<CInternetMails*>(&source)) {
        CMailIndex index;
        if (!internet->IsStoreDirectory()) {
            index.Load(internet->IndexFilePath());
            if (index.IsUnreadable())
                return nullptr;
        }
        const LoadResult loaded = internet->LoadMessagesFrom(index);
        if (loaded != LoadResult::Ok && loaded != LoadResult::Short)
            return nullptr;
    } else if (!source.ReadsOnceToCopy() && !source.LoadMessages()) {
        return nullptr;
    }
    // An existing folder whose name differs only in letter case takes the copy.
    std::string name = FindEntryNoCase(source.m_strName, ".mbx");
    if (name.empty())
        name = source.m_strName;
    const std::string base = JoinPath(m_strPath, name);
    // Existing files stay as they are: the copy is appended to them.
    const Made messageFile = CreateExclusive(base + ".mbx", NewMessageFileHeader());
    const Made indexFile = messageFile == Made::Failed
                               ? Made::Failed
                               : CreateExclusive(base + ".idx", NewIndexFileHeader());
    auto undo = [&] {
        if (indexFile == Made::Created)
            fs::RemoveFile(base + ".idx");
        if (messageFile == Made::Created)
            fs::RemoveFile(base + ".mbx");
    };
    if (indexFile == Made::Failed) {
        undo();
        return nullptr;
    }
    auto* target = dynamic_cast<CInternetMails*>(FindFolder(base));
    const bool newNode = target == nullptr;
    if (newNode)
        target = AddSubFolder(std::make_unique<CInternetMails>(name, base));

    // All or nothing: a copy that fails, or is stopped, leaves no message of it behind. The
    // messages stream through one at a time, whatever the folder's size; a source read only
    // now may turn out unreadable, and is then taken back like a failed write. The files are
    // opened for the first message: an empty folder's copy changes nothing more.
    Appender appender(*target);
    bool opened = false;
    std::size_t given = 0;
    bool ok = source.ForEachToCopy(
        [&](CMessage& message) {
            if (!opened && !(opened = appender.Open()))
                return false;
            return appender.Add(message) == Appender::Result::Added && ContinueAfterMessages();
        },
        given);
    if (ok && given == 0)
        return target;
    ok = ok && opened && appender.Added() == given && appender.Commit();
    if (ok)
        return target;
    appender.Abandon();
    undo();
    if (newNode)
        target->Unlink();
    return nullptr;
}

bool CInternetMails::DeleteFolder() {
    if (IsStoreRoot())
        return true;
    if (!fs::RemoveFile(MessageFilePath()))
        return false;
    // A folder may have no index file.
    if (!fs::RemoveFile(IndexFilePath()) && fs::Exists(IndexFilePath()))
        return false;
    return true;
}

bool CInternetMails::Rename(const std::string& text, bool) {
    if (IsStoreRoot() || !IsValidFolderName(text))
        return false;
    std::string newBase;
    if (m_strPath.size() >= m_strName.size() &&
        m_strPath.compare(m_strPath.size() - m_strName.size(), m_strName.size(), m_strName) == 0)
        newBase = m_strPath.substr(0, m_strPath.size() - m_strName.size()) + text;
    else
        newBase = JoinPath(DirectoryOf(m_strPath), text);
    if (newBase == m_strPath)
        return true;
    // Another folder of that name (in any letter case) is never replaced.
    auto* root = dynamic_cast<CInternetMails*>(GetParentFolder());
    if (root != nullptr) {
        for (const char* extension : {".mbx", ".idx"}) {
            const std::string existing = root->FindEntryNoCase(text, extension);
            if (!existing.empty() && existing != m_strName)
                return false;
        }
    }
    if (fs::Exists(newBase + ".idx"))
        return false;
    const std::string oldBase = m_strPath;
    if (!fs::MoveFile(oldBase + ".mbx", newBase + ".mbx"))
        return false;
    // A folder may have no index file; a move of one that is there must not fail unnoticed.
    if (!fs::MoveFile(oldBase + ".idx", newBase + ".idx") && fs::Exists(oldBase + ".idx")) {
        fs::MoveFile(newBase + ".mbx", oldBase + ".mbx"); // put the pair back together
        return false;
    }
    m_strPath = newBase;
    m_strName = text;
    return true;
}

// ---- compacting --------------------------------------------------------------------------------

bool CInternetMails::Compact() {
    if (IsStoreRoot())
        return true;
    LoadResult loaded = LoadResult::Ok;
    {
        // Of the old index only the ids marked removed are needed, not its records (several
        // times the file's size in memory).
        bool unreadable = false;
        const std::vector<std::uint32_t> removed =
            CMailIndex::RemovedIds(IndexFilePath(), &unreadable);
        if (unreadable)
            return false; // the removed marks are unknown: compacting would bring them all back
        loaded = LoadMessagesFrom([&removed](std::uint32_t id) {
            return std::binary_search(removed.begin(), removed.end(), id);
        });
    }
    // Never rebuild from a listing that may have missed messages. A header that counts more
    // records than there are (every record there read whole) misses none.
    if (loaded != LoadResult::Ok && loaded != LoadResult::Short)
        return false;

    struct Placement {
        std::uint32_t id;
        std::uint32_t offset;
        std::uint32_t size;
        std::int64_t bodySize;
    };
    std::vector<Placement> placements;
    placements.reserve(m_pMessages.size());

    const bool ok = fs::ReplaceFile(MessageFilePath(), [&](fs::File& out) {
        fs::File in;
        if (!in.Open(MessageFilePath(), fs::OpenMode::Read))
            return false;
        if (!out.Write(NewMessageFileHeader()))
            return false;
        WindowReader reader(in, in.Size());
        // The new index is written beside the new message file, a record at a time.
        fs::FileReplacement newIndex(IndexFilePath());
        if (!newIndex.Open())
            return false;
        CMailIndexWriter index(newIndex.Out());
        RecordWriter writer(out);
        std::uint64_t position = kMessageHeaderSize;
        std::uint32_t id = 0;
        // Each kept message goes through one in-memory copy whose line strings are used again.
        CMessage copy;
        BodyLines spare;
        for (auto& message : m_pMessages) {
            // Stopping leaves the old files as they are.
            if (id > 0 && !ContinueAfterMessages())
                return false;
            if (!ReadBody(reader, *message, copy.m_aBody, spare))
                return false;
            copy.CopyRecordFrom(*message);
            copy.ParseStructure();
            ++id;
            const std::size_t size = RecordSize(copy);
            if (position + size > kMaxMessageFileSize || !writer.Add(copy, id, size))
                return false;
            if (!index.Add(copy, id, static_cast<std::uint32_t>(position),
                           static_cast<std::uint32_t>(size)))
                return false;
            placements.push_back(
                {id, static_cast<std::uint32_t>(position), static_cast<std::uint32_t>(size),
                 static_cast<std::int64_t>(size - kRecordHead - copy.m_strHeader.size() - 2)});
            position += size;
        }
        if (!writer.Drain() || !WriteHeaderWords(out, id, id, static_cast<std::uint32_t>(position)))
            return false;
        in.Close();
        // The new index goes in first: should the message file's replacement not follow, the
        // old messages are read with an index that hides none of them.
        return index.Finish() && newIndex.Commit();
    });
    if (!ok)
        return false;
    for (std::size_t i = 0; i < placements.size(); ++i) {
        CMessage& message = *m_pMessages[i];
        message.m_nIndex = static_cast<std::int32_t>(placements[i].id);
        message.m_nOffset = placements[i].offset;
        message.m_nSize = placements[i].size;
        message.m_nBodySize = placements[i].bodySize;
    }
    m_wHeader1 = static_cast<std::uint32_t>(placements.size());
    m_wHeader2 = m_wHeader1;
    m_nHeader3 =
        placements.empty() ? kMessageHeaderSize : placements.back().offset + placements.back().size;
    return true;
}

} // namespace qb
