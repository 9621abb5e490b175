// What holds after any failure or crash of an operation of this file (tests/faults makes each
// file operation fail, and stops the process at each one, in turn):
//  - No message is lost or corrupted: each one is where it was or where the whole operation
//    would have put it, and every folder still loads.
//  - An append that fails is cut back to the file's old length; the next append closes off a
//    message an earlier one left unfinished, so its separator always starts a new message.
//  - RemoveMessage and UndeleteMessages write only into the status field of the header they
//    find, unchanged, at the listed offset, and write back what they changed when they cannot
//    finish.
//  - A folder copy that fails takes back, in reverse order, every file, directory, appended byte
//    and node it made, so the store is as it was.
//  - Compact builds the new file beside the old one and renames it over the old one only once
//    complete and flushed, and only if nobody changed the file meanwhile.
//  - Nothing is moved over an existing file; a rename moves the folder file, its summary and its
//    sub-folder directory all or none.
//  - A failure leaves no temporary file behind; one left by a crash is never listed as a folder
//    and goes with the next compaction in its directory.

#include "stores/netscape_mails.h"

#include "model/progress.h"
#include "platform/file_system.h"
#include "platform/line_reader.h"
#include "platform/paths.h"
#include "platform/portable_names.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <unordered_set>
#include <utility>

namespace qb {

namespace {

constexpr std::string_view kSeparator = "From - ";
constexpr std::string_view kStatusField = "X-Mozilla-Status: ";
constexpr std::uint32_t kDeletedBit = 0x0008;
constexpr std::size_t kCopyChunk = 64 * 1024;
// Reading and writing through blocks of this size keeps the buffers in the processor's cache.
constexpr std::size_t kReadBlock = 256 * 1024;
constexpr std::size_t kWriteBlock = 256 * 1024;
// A listing reports its progress once per this many messages.
constexpr std::uint64_t kListingStep = 256;
// Above this size a scanned header is moved into its message instead of copied.
constexpr std::size_t kLargeHeader = 1 << 20;

bool IsSeparatorLine(std::string_view line) {
    // Every line is tested: most are told apart by their first byte.
    return !line.empty() && (line[0] == 'F' || line[0] == 'f') &&
           StartsWithNoCase(line, kSeparator);
}

// Whether the message's status field carries the deleted bit.
bool IsMarkedDeleted(const CMessage& message) {
    return (ParseHexPrefix(message.GetHeaderField(kStatusField)) & kDeletedBit) != 0;
}

std::int32_t Clamp32(std::int64_t value) {
    return static_cast<std::int32_t>(
        std::min<std::int64_t>(value, std::numeric_limits<std::int32_t>::max()));
}

// Where the header text carries the deleted mark: the last hex digit of the number its status
// field starts with (after blanks), as IsMarkedDeleted reads it, when that digit has the deleted
// bit. npos when there is none, and when the number may go on in a folded line.
std::size_t DeletedMarkAt(const std::string& header) {
    for (std::size_t at = 0; at < header.size();) {
        const std::size_t eol = header.find("\r\n", at);
        if (eol == std::string::npos)
            break;
        if (StartsWithNoCase(std::string_view(header).substr(at, eol - at), kStatusField)) {
            std::size_t begin = at + kStatusField.size();
            while (begin < eol && header[begin] == ' ')
                ++begin;
            std::size_t end = begin;
            while (end < eol && HexDigit(header[end]) >= 0)
                ++end;
            if (end == begin || (end == eol && header.compare(eol + 2, 1, "\t") == 0))
                return std::string::npos;
            return (HexDigit(header[end - 1]) & static_cast<int>(kDeletedBit)) != 0
                       ? end - 1
                       : std::string::npos;
        }
        at = eol + 2;
    }
    return std::string::npos;
}

// The digit at DeletedMarkAt without the deleted bit: 0 to 7, so the field keeps its length and
// every other bit.
char ClearedDigit(char digit) {
    return static_cast<char>('0' + (HexDigit(digit) & ~static_cast<int>(kDeletedBit)));
}

// One message as the folder file lays it out.
struct ScannedMessage {
    std::int64_t index = 0;
    std::int64_t offset = 0;    // where the message's bytes begin (0 for the first message)
    std::int64_t separator = 0; // where its "From - " line begins
    std::int64_t size = 0;
    std::int64_t headerBytes = 0;
    std::int64_t lines = 0;
    std::int64_t bodyLines = 0;
    std::string header;
    BodyLines body; // only when asked for
};

// Reads the folder file and hands every message to `sink` as soon as it ends; `sink` returns
// false to stop the reading. With `withBodies` the message holds its body lines too; without,
// body lines are only counted, a block at a time, up to the next line that may be a separator.
// Lines before the first separator belong to the first message's bytes but to no header. A
// separator line inside a header does not start a message but still counts in the indices.
// False when the file could not be read to its end or `sink` stopped it. The line strings a sink
// leaves in the message's body are used again for the next message.
template <typename Sink> bool ScanFolder(LineReader& reader, bool withBodies, Sink&& sink) {
    std::string_view line;
    LineEnd end;
    std::int64_t position = 0;
    std::int64_t separators = 0;
    ScannedMessage current;
    BodyLines spare;
    // The header grows here, a line at a time, in a buffer kept from message to message; the
    // message gets a copy of just its size.
    std::string header;
    bool inHeader = false;
    bool inBody = false;
    bool headerEnded = false;

    auto finish = [&](std::int64_t endPosition, std::int64_t index) {
        current.index = index;
        current.size = endPosition - current.offset;
        if (!headerEnded)
            current.headerBytes = 0;
        current.bodyLines = headerEnded ? current.bodyLines - 1 : 0;
        // A header of megabytes (a folder damaged so that no blank line ends one) is handed
        // over rather than copied.
        if (header.size() > kLargeHeader)
            current.header = std::move(header);
        else
            current.header.assign(header);
        header.clear();
        return sink(std::move(current));
    };

    for (;;) {
        if (inBody && !withBodies) {
            const std::int64_t before = reader.Position();
            const std::int64_t passed = reader.SkipLinesUntilPrefix(kSeparator);
            current.lines += passed;
            current.bodyLines += passed;
            position += reader.Position() - before;
        }
        if (!reader.ReadLineView(line, end))
            break;
        const std::int64_t lineBytes = static_cast<std::int64_t>(line.size()) + LineEndBytes(end);
        bool complete = false;
        bool headerEnd = false;
        if (IsSeparatorLine(line)) {
            ++separators;
            if (!inHeader && !inBody)
                current.separator = position;
            inHeader = true;
            if (inBody) {
                complete = true;
                inBody = false;
            }
        } else if (inHeader && line.empty()) {
            current.headerBytes = position + lineBytes - current.offset;
            inHeader = false;
            inBody = true;
            headerEnded = true;
            headerEnd = true;
        }
        if (complete) {
            if (!finish(position, separators - 2))
                return false;
            ReuseLines(current.body, 0, spare);
            BodyLines lines = std::move(current.body);
            current = ScannedMessage{};
            current.body = std::move(lines);
            current.offset = position;
            current.separator = position;
            headerEnded = false;
        }
        if (inHeader) {
            ++current.lines;
            header.append(line);
            header.append("\r\n");
        } else if (inBody) {
            ++current.lines;
            ++current.bodyLines;
            if (withBodies && !headerEnd) {
                if (spare.empty()) {
                    current.body.emplace_back(line);
                } else {
                    current.body.push_back(std::move(spare.back()));
                    spare.pop_back();
                    current.body.back().assign(line);
                }
            }
        }
        position += lineBytes;
    }
    if (reader.Failed())
        return false;
    return separators == 0 || finish(position, separators - 1);
}

std::unique_ptr<CMessage> MakeMessage(ScannedMessage&& scanned, CMails* folder) {
    auto message = std::make_unique<CMessage>(Clamp32(scanned.index), scanned.offset, folder,
                                              std::move(scanned.header), std::string());
    message->m_nSize = scanned.size;
    message->m_nBodySize = scanned.size - scanned.headerBytes;
    message->m_nLines = Clamp32(scanned.lines);
    message->m_nBodyLines = Clamp32(scanned.bodyLines);
    return message;
}

// Opens the folder file to change listed messages' headers in place, the messages ordered by
// their offsets so that the file is walked front to back.
bool OpenForPatching(const std::string& path, fs::File& file, std::int64_t& size,
                     std::vector<CMessage*>& messages) {
    if (!file.Open(path, fs::OpenMode::ReadWrite))
        return false;
    size = file.Size();
    std::sort(messages.begin(), messages.end(),
              [](const CMessage* a, const CMessage* b) { return a->m_nOffset < b->m_nOffset; });
    return size >= 0;
}

// Headers are short: a small buffer keeps each look at one from reading far beyond it.
constexpr std::size_t kHeaderBuffer = 4096;

bool NeedsQuote(std::string_view line);

// The header text to write for a message: it must begin with a separator line (or its first
// lines would end up in the previous message) and carry a status line. A later header line that
// could pass for a separator (a damaged or hand-made message file can hold one) is written with
// '>' in front, as a body line would be, or the message would be read back as two.
std::string HeaderToWrite(const CMessage& source) {
    std::string header = source.m_strHeader;
    if (!header.empty() && !header.ends_with("\r\n"))
        header.append("\r\n");
    if (!IsSeparatorLine(header))
        header.insert(0, "From - \r\n");
    for (std::size_t pos = header.find("\r\n") + 2; pos < header.size();) {
        if (NeedsQuote(std::string_view(header).substr(pos)))
            header.insert(pos, 1, '>');
        const std::size_t eol = header.find("\r\n", pos);
        pos = eol == std::string::npos ? header.size() : eol + 2;
    }
    if (source.GetHeaderField("X-Mozilla-Status:").empty()) {
        // After the separator and any continuation lines that follow it: put before one, the
        // status line would take it as its own and read a different value.
        std::size_t at = header.find("\r\n") + 2;
        while (at < header.size() && (header[at] == ' ' || header[at] == '\t')) {
            const std::size_t eol = header.find("\r\n", at);
            at = eol == std::string::npos ? header.size() : eol + 2;
        }
        header.insert(at, "X-Mozilla-Status: 8000\r\n");
    }
    return header;
}

// Looks at the end of a folder file before something is appended: whether its last line lacks a
// line end, and whether the file ends inside a header (a message whose writing was cut off). A
// separator written after either would not start a new message. The lines are walked backwards
// until an empty line (the last header was closed) or a separator line (it never was).
bool InspectTail(fs::File& file, std::int64_t size, bool& needLineEnd, bool& openHeader) {
    needLineEnd = false;
    openHeader = false;
    std::vector<char> chunk(kCopyChunk);
    std::int64_t chunkStart = size;
    char prefix[kSeparator.size()]; // the first bytes of the line being walked
    std::size_t lineLength = 0;
    bool afterLf = false;  // the byte after the current one is a LF ending a line
    bool finalEnd = false; // the next line end met is the one ending the file
    // Whether the line just walked decides the question.
    auto decided = [&] {
        if (lineLength == 0)
            return true;
        if (lineLength >= kSeparator.size() &&
            StartsWithNoCase(std::string_view(prefix, kSeparator.size()), kSeparator)) {
            openHeader = true;
            return true;
        }
        return false;
    };
    for (std::int64_t position = size - 1; position >= 0; --position) {
        if (position < chunkStart) {
            chunkStart = std::max<std::int64_t>(0, position + 1 - kCopyChunk);
            const std::size_t n = static_cast<std::size_t>(position + 1 - chunkStart);
            if (!file.Seek(chunkStart) || !file.ReadExact(chunk.data(), n))
                return false;
        }
        const char c = chunk[static_cast<std::size_t>(position - chunkStart)];
        const bool lineEnd = c == '\n' || c == '\r';
        if (position == size - 1) {
            needLineEnd = !lineEnd;
            finalEnd = lineEnd;
        }
        if (!lineEnd) {
            afterLf = false;
            std::memmove(prefix + 1, prefix, sizeof prefix - 1);
            prefix[0] = c;
            ++lineLength;
            continue;
        }
        if (c == '\r' && afterLf) {
            afterLf = false; // the CR of a CR LF pair
            continue;
        }
        afterLf = c == '\n';
        if (finalEnd)
            finalEnd = false;
        else if (decided())
            return true;
        lineLength = 0;
    }
    if (size > 0)
        decided(); // the file's first line
    return true;
}

// Whether a body line must be written with a '>' in front: one that looks like a separator
// would start a new message here, and one beginning "From " would start one for every other mbox
// reader.
bool NeedsQuote(std::string_view line) {
    return IsSeparatorLine(line) || line.starts_with("From ");
}

// Adds one body line and its CR LF, quoted when it needs it. Line breaks inside a line (a message
// from an archive can hold anything) are written as the line ends they are, each piece quoted
// likewise.
void AppendBodyLine(std::string& bytes, std::string_view line, std::int64_t& bodySize,
                    std::int64_t& lines) {
    for (;;) {
        // Two memchr scans: find_first_of with a set runs a library search per byte.
        const void* cr = line.empty() ? nullptr : std::memchr(line.data(), '\r', line.size());
        const void* lf = line.empty() ? nullptr : std::memchr(line.data(), '\n', line.size());
        const char* stop =
            static_cast<const char*>(cr != nullptr && lf != nullptr ? std::min(cr, lf)
                                     : cr != nullptr                ? cr
                                                                    : lf);
        const std::size_t brk =
            stop == nullptr ? std::string_view::npos : static_cast<std::size_t>(stop - line.data());
        const std::string_view piece = line.substr(0, brk);
        const std::size_t before = bytes.size();
        if (NeedsQuote(piece))
            bytes += '>';
        bytes += piece;
        bytes += "\r\n";
        bodySize += static_cast<std::int64_t>(bytes.size() - before);
        ++lines;
        if (brk == std::string_view::npos)
            return;
        const bool pair = line[brk] == '\r' && brk + 1 < line.size() && line[brk + 1] == '\n';
        line.remove_prefix(brk + (pair ? 2 : 1));
    }
}

// Makes the source's body lines available. `readHere` tells whether they were read by this call.
// Nothing is composed: this store writes the lines as they are.
bool EnsureBody(CMessage& source, bool& readHere) {
    readHere = false;
    if (source.m_pContent != nullptr || source.m_pFolder == nullptr)
        return true;
    if (!source.m_pFolder->ReadMessage(source))
        return false;
    readHere = true;
    return true;
}

// Looks for a directory entry named `name` without regard to letter case; its spelling on disk
// goes to `found`. `listed` tells whether the directory could be read at all.
bool FindNoCase(const std::string& directory, const std::string& name, std::string& found,
                bool& listed) {
    std::vector<fs::DirEntry> entries;
    listed = fs::ListDirectory(directory, entries);
    for (const fs::DirEntry& entry : entries) {
        if (EqualsNoCase(entry.name, name)) {
            found = entry.name;
            return true;
        }
    }
    return false;
}

struct Patch {
    std::int64_t position;
    std::string original;
};

// Reads the listed message's header back from the file, line by line, handing each line and the
// position it starts at to `onLine`. False when the file no longer holds that header exactly at
// the recorded offset (another program may have compacted or rewritten the file since the folder
// was listed).
// With `inOrder` the reader only moves forward through the file (it alone moves it) and may keep
// what it has buffered.
template <typename OnLine>
bool ReadListedHeader(LineReader& reader, const CMessage& message, std::int64_t fileSize,
                      OnLine&& onLine, bool inOrder = false) {
    const std::string& header = message.m_strHeader;
    if (message.m_nOffset < 0 || message.m_nOffset >= fileSize || !IsSeparatorLine(header))
        return false;
    if (!(inOrder ? reader.SkipTo(message.m_nOffset) : reader.Seek(message.m_nOffset)))
        return false;
    std::string line;
    std::int64_t lineStart = reader.Position();
    if (!reader.ReadLine(line))
        return false;
    // The first message's bytes may begin with text that belongs to no header.
    while (message.m_nOffset == 0 && !IsSeparatorLine(line)) {
        lineStart = reader.Position();
        if (!reader.ReadLine(line))
            return false;
    }
    bool first = true;
    for (std::size_t at = 0; at < header.size();) {
        const std::size_t eol = header.find("\r\n", at);
        if (eol == std::string::npos)
            return false;
        if (!first) {
            lineStart = reader.Position();
            if (!reader.ReadLine(line))
                return false;
        }
        first = false;
        if (std::string_view(line) != std::string_view(header).substr(at, eol - at))
            return false;
        onLine(line, lineStart);
        at = eol + 2;
    }
    return true;
}

bool HeaderStillThere(LineReader& reader, const CMessage& message, std::int64_t fileSize,
                      bool inOrder = false) {
    return ReadListedHeader(
        reader, message, fileSize, [](const std::string&, std::int64_t) {}, inOrder);
}

// Reads the listed message's body lines into `body` (whose strings, and those kept in `spare`, are
// used again), after making sure the file still holds its header where it was listed: body lines
// read from a file that changed since the listing would be another message's. Lines missing at
// the end of the file stay empty.
bool ReadBodyLines(LineReader& reader, std::int64_t fileSize, const CMessage& message,
                   BodyLines& body, BodyLines& spare, bool inOrder) {
    const std::int64_t bodyStart = message.m_nOffset + message.m_nSize - message.m_nBodySize;
    // Every line but a last one takes at least one byte: more lines than that cannot be this
    // file's message.
    if (fileSize < 0 || message.m_nBodyLines < 0 || bodyStart < 0 ||
        message.m_nBodyLines > std::max<std::int64_t>(fileSize - bodyStart, 0) + 1)
        return false;
    if (!HeaderStillThere(reader, message, fileSize, inOrder) ||
        !(inOrder ? reader.SkipTo(bodyStart) : reader.Seek(bodyStart)))
        return false;
    ReuseLines(body, static_cast<std::size_t>(message.m_nBodyLines), spare);
    for (std::size_t i = 0; i < body.size(); ++i) {
        if (!reader.ReadLine(body[i])) {
            if (reader.Failed())
                return false;
            for (; i < body.size(); ++i)
                body[i].clear();
        }
    }
    return true;
}

// Finds the status field of `message` in the file, making sure first that the file still holds
// the message's header exactly where it was listed, and works out the bytes that mark it deleted.
bool LocateStatus(LineReader& reader, const CMessage& message, std::int64_t fileSize, Patch& patch,
                  std::string& replacement) {
    std::int64_t statusPosition = -1;
    std::string field;
    const bool there = ReadListedHeader(
        reader, message, fileSize, [&](const std::string& line, std::int64_t lineStart) {
            if (statusPosition < 0 && StartsWithNoCase(line, kStatusField)) {
                statusPosition = lineStart + static_cast<std::int64_t>(kStatusField.size());
                field = line.substr(kStatusField.size());
            }
        });
    if (!there)
        return false;
    if (statusPosition < 0 || field.size() < 4)
        return false;
    const std::uint32_t value = (ParseHexPrefix(field.substr(0, 4)) | kDeletedBit) & 0xFFFF;
    static const char kDigits[] = "0123456789abcdef";
    replacement.assign(field.size(), ' ');
    for (int i = 0; i < 4; ++i)
        replacement[static_cast<std::size_t>(i)] = kDigits[(value >> (12 - 4 * i)) & 0xF];
    patch.position = statusPosition;
    patch.original = std::move(field);
    return true;
}

// Finds the byte of the message's status field that carries the deleted mark (DeletedMarkAt),
// making sure first that the file still holds the message's header exactly where it was listed.
// `patch` is that byte in the file, `headerAt` its place in the header text.
bool LocateDeletedMark(LineReader& reader, const CMessage& message, std::int64_t fileSize,
                       Patch& patch, std::size_t& headerAt) {
    headerAt = DeletedMarkAt(message.m_strHeader);
    if (headerAt == std::string::npos)
        return false;
    std::int64_t filePosition = -1;
    std::size_t headerPosition = 0;
    const bool there = ReadListedHeader(
        reader, message, fileSize, [&](const std::string& line, std::int64_t lineStart) {
            if (headerAt >= headerPosition && headerAt < headerPosition + line.size())
                filePosition = lineStart + static_cast<std::int64_t>(headerAt - headerPosition);
            headerPosition += line.size() + 2;
        });
    if (!there || filePosition < 0)
        return false;
    patch.position = filePosition;
    patch.original = message.m_strHeader.substr(headerAt, 1);
    return true;
}

void RestorePatches(const std::string& path, const std::vector<Patch>& patches) {
    fs::File file;
    if (!file.Open(path, fs::OpenMode::ReadWrite))
        return;
    for (const Patch& patch : patches) {
        if (file.Seek(patch.position))
            file.Write(patch.original);
    }
    file.Flush();
    file.Close();
}

// Copies byte ranges of one file, taken in increasing order, to the end of another through one
// block each way, so that a file of many small messages costs few reads and writes.
class RangeCopier {
  public:
    RangeCopier(fs::File& in, fs::File& out) : m_in(in), m_out(out), m_block(kReadBlock) {}

    // Copies [from, to) of the input; `last` receives the last byte copied (unchanged when the
    // range is empty). False when the input ends before `to` or a write fails.
    bool Copy(std::int64_t from, std::int64_t to, char& last) {
        while (from < to) {
            if (from < m_start || from >= m_start + static_cast<std::int64_t>(m_have)) {
                if ((m_have == 0 || from != m_start + static_cast<std::int64_t>(m_have)) &&
                    !m_in.Seek(from))
                    return false;
                const std::int64_t n = m_in.Read(m_block.data(), m_block.size());
                if (n <= 0)
                    return false;
                m_start = from;
                m_have = static_cast<std::size_t>(n);
            }
            const std::size_t at = static_cast<std::size_t>(from - m_start);
            const std::size_t n = static_cast<std::size_t>(
                std::min<std::int64_t>(to - from, static_cast<std::int64_t>(m_have - at)));
            if (!Write(m_block.data() + at, n))
                return false;
            last = m_block[at + n - 1];
            from += static_cast<std::int64_t>(n);
        }
        return true;
    }

    bool Write(const char* data, std::size_t size) {
        m_pending.append(data, size);
        return m_pending.size() < kWriteBlock || Finish();
    }

    // Writes what is still buffered.
    bool Finish() {
        const bool ok = m_pending.empty() || m_out.Write(m_pending);
        m_pending.clear();
        return ok;
    }

  private:
    fs::File& m_in;
    fs::File& m_out;
    std::vector<char> m_block;
    std::int64_t m_start = 0;
    std::size_t m_have = 0;
    std::string m_pending;
};

} // namespace

CNetscapeMails::CNetscapeMails(std::string name, std::string path)
    : CMails(std::move(name), std::move(path), kNetscape) {}

CNetscapeMails::~CNetscapeMails() = default;

std::string CNetscapeMails::SubFolderDirectory() const {
    return IsRoot() ? m_strPath : m_strPath + ".sbd";
}

namespace {

// Whether `name` may be read as a folder of this store: one entry name that no folder's
// summary, sub-folder directory or other data file could also bear.
bool IsStoreFolderName(const std::string& name) {
    return IsSingleEntryName(name) && name.find(".sbd") == std::string::npos &&
           name.find(".snm") == std::string::npos && name.find(".dat") == std::string::npos;
}

} // namespace

bool CNetscapeMails::IsValidFolderName(const std::string& name) {
    return IsStoreFolderName(name) && IsPortableEntryName(name);
}

bool CNetscapeMails::CanHoldFolderName(const std::string& name) const {
    return IsValidFolderName(name) && name.size() + 4 <= kMaxEntryNameBytes;
}

bool CNetscapeMails::OwnsFile(const std::string& file) const {
    // A root stands for the mail directory and keeps no messages of its own.
    if (IsRoot())
        return false;
    const std::string path = AbsolutePath(m_strPath);
    return file == path || file == path + ".snm";
}

std::vector<std::string> CNetscapeMails::MessageFiles() const {
    if (IsRoot())
        return {};
    return {m_strPath};
}

// ---- reading ---------------------------------------------------------------------------------

bool CNetscapeMails::LoadFolders() {
    DeleteChildren();
    const std::string directory = SubFolderDirectory();
    std::vector<fs::DirEntry> entries;
    if (!fs::ListDirectory(directory, entries)) {
        // No sub-folder directory means no children; one that exists but cannot be listed is
        // tried again on the next request.
        return !fs::Exists(directory);
    }
    for (const fs::DirEntry& entry : entries) {
        const std::string& name = entry.name;
        if (name == "." || name == ".." || name.find(".sbd") != std::string::npos ||
            name.find(".snm") != std::string::npos || name.find(".dat") != std::string::npos ||
            fs::IsTemporaryName(name))
            continue;
        AddSubFolder(std::make_unique<CNetscapeMails>(name, JoinPath(directory, name)));
    }
    // A sub-folder directory whose folder file is missing (a rename or delete cut short) still
    // shows its folders, under a folder of its own name that holds no messages.
    std::unordered_set<std::string> names;
    for (const fs::DirEntry& entry : entries)
        names.insert(entry.name);
    for (const fs::DirEntry& entry : entries) {
        const std::string& name = entry.name;
        if (!entry.isDirectory || name.size() <= 4 || !name.ends_with(".sbd"))
            continue;
        const std::string base = name.substr(0, name.size() - 4);
        if (!IsStoreFolderName(base) || names.count(base) != 0)
            continue;
        // Where letter case does not count, the folder file spelled otherwise ("Inbox" beside
        // "inbox.sbd") opens under this name too: the directory is that folder's, and a folder
        // of its own here would delete or rename that folder's file as if it were its own.
        const std::string path = JoinPath(directory, base);
        if (!fs::Exists(path))
            AddSubFolder(std::make_unique<CNetscapeMails>(base, path));
    }
    return true;
}

bool CNetscapeMails::LoadMessages() {
    return Load(false);
}

bool CNetscapeMails::LoadMessagesWithDeleted() {
    return Load(true);
}

bool CNetscapeMails::Load(bool withDeleted) {
    FreeMessages();
    const ListOutcome outcome = ReadListing(withDeleted, [this](std::unique_ptr<CMessage> message) {
        m_pMessages.push_back(std::move(message));
        return true;
    });
    if (outcome == ListOutcome::Stopped)
        FreeMessages();
    return outcome == ListOutcome::Read;
}

void CNetscapeMails::VisitListing(bool withDeleted, const ListingVisitor& visit) {
    ReadListing(withDeleted,
                [&visit](std::unique_ptr<CMessage> message) { return visit(*message); });
}

CNetscapeMails::ListOutcome
CNetscapeMails::ReadListing(bool withDeleted,
                            const std::function<bool(std::unique_ptr<CMessage>)>& take) {
    m_strDamage.clear();
    // The mail directory itself holds no messages; it is an empty folder, not an unreadable one.
    if (IsRoot() && fs::IsDirectory(m_strPath))
        return ListOutcome::Read;
    fs::File file;
    if (!file.Open(m_strPath, fs::OpenMode::Read))
        return ListOutcome::Unreadable;
    LineReader reader(file, kReadBlock);
    std::uint64_t listed = 0;
    const bool ok = ScanFolder(reader, false, [&](ScannedMessage&& scanned) {
        std::unique_ptr<CMessage> message = MakeMessage(std::move(scanned), this);
        message->m_bDeleted = IsMarkedDeleted(*message);
        if ((withDeleted || !message->m_bDeleted) && !take(std::move(message)))
            return false;
        // A very large folder takes a while: the user may stop the listing.
        return ++listed % kListingStep != 0 || ContinueListing(kListingStep);
    });
    if (!ok && reader.Failed()) {
        // The messages before the bytes that could not be read stay listed, and say so.
        m_strDamage = "unreadable from byte " + std::to_string(reader.Position()) + ": " +
                      std::to_string(listed) + " messages read";
        return ListOutcome::Unreadable;
    }
    return ok ? ListOutcome::Read : ListOutcome::Stopped;
}

bool CNetscapeMails::ForEachMessage(bool withDeleted, const MessageVisitor& visit) {
    return VisitMessages(withDeleted, this, visit);
}

bool CNetscapeMails::VisitMessages(bool withDeleted, CMails* owner, const MessageVisitor& visit) {
    if (IsRoot() && fs::IsDirectory(m_strPath))
        return true;
    fs::File file;
    if (!file.Open(m_strPath, fs::OpenMode::Read))
        return false;
    LineReader reader(file, kReadBlock);
    bool stopped = false; // by `visit`, which is not a failure to read
    const bool read = ScanFolder(reader, true, [&](ScannedMessage&& scanned) {
        const std::unique_ptr<CMessage> message = MakeMessage(std::move(scanned), owner);
        const bool deleted = IsMarkedDeleted(*message);
        message->m_bDeleted = deleted;
        if (deleted && !withDeleted)
            return true;
        message->m_aBody = std::move(scanned.body);
        stopped = !visit(*message, deleted);
        scanned.body = std::move(message->m_aBody); // its strings serve the next message
        return !stopped;
    });
    return read || stopped;
}

bool CNetscapeMails::ForEachToCopy(const std::function<bool(CMessage&)>& take, std::size_t& given) {
    given = 0;
    bool stopped = false;
    const bool read = VisitMessages(false, nullptr, [&](CMessage& message, bool) {
        ++given;
        stopped = !take(message);
        return !stopped;
    });
    return read && !stopped;
}

std::int64_t CNetscapeMails::StoreBytes() const {
    if (IsRoot() && fs::IsDirectory(m_strPath))
        return 0;
    return std::max<std::int64_t>(fs::FileSize(m_strPath), 0);
}

bool CNetscapeMails::ReadBodies(const std::vector<CMessage*>& messages, const BodyVisitor& each) {
    fs::File file;
    const bool opened = file.Open(m_strPath, fs::OpenMode::Read);
    const std::int64_t size = opened ? file.Size() : -1;
    std::string bytes;
    for (CMessage* message : messages) {
        const std::int64_t bodyStart = message->m_nOffset + message->m_nSize - message->m_nBodySize;
        bool read = size >= 0 && bodyStart >= 0 && message->m_nBodySize >= 0 && bodyStart <= size;
        if (read) {
            // The header check reads little: a buffer about the header's size.
            const std::int64_t bufferSize = std::clamp<std::int64_t>(
                static_cast<std::int64_t>(message->m_strHeader.size()) + 16, 16,
                LineReader::kDefaultBuffer);
            LineReader reader(file, static_cast<std::size_t>(bufferSize));
            // A last line without a line end was counted with two bytes that are not there.
            const auto count =
                static_cast<std::size_t>(std::min(message->m_nBodySize, size - bodyStart));
            bytes.resize(count);
            read = HeaderStillThere(reader, *message, size) && file.Seek(bodyStart) &&
                   file.ReadExact(bytes.data(), count);
        }
        if (!each(*message, read ? &bytes : nullptr))
            return false;
    }
    return true;
}

bool CNetscapeMails::ReadMessage(CMessage& message) {
    fs::File file;
    if (!file.Open(m_strPath, fs::OpenMode::Read))
        return false;
    // A buffer about the message's size: reading many messages one by one then reads (and
    // clears) no more than their bytes. Longer lines grow it.
    const std::int64_t bufferSize = std::clamp<std::int64_t>(
        std::max(message.m_nSize, message.m_nBodySize) + 16, 16, LineReader::kDefaultBuffer);
    LineReader reader(file, static_cast<std::size_t>(bufferSize));
    BodyLines body;
    BodyLines spare;
    if (!ReadBodyLines(reader, file.Size(), message, body, spare, false))
        return false;
    message.m_aBody = std::move(body);
    return true;
}

bool CNetscapeMails::ForEachListed(const std::function<bool(CMessage&)>& take) {
    if (m_pMessages.empty())
        return true;
    // One open file and one buffer for all, read front to back: the listing is in file order.
    fs::File file;
    const bool opened = file.Open(m_strPath, fs::OpenMode::Read);
    const std::int64_t size = opened ? file.Size() : -1;
    LineReader reader(file, kReadBlock);
    // Each message is handed over as an in-memory copy with its body, so that whoever takes it
    // reads nothing again; the copy's line strings are used again for the next message.
    CMessage copy;
    BodyLines spare;
    for (const auto& listed : m_pMessages) {
        CMessage* given = listed.get();
        if (listed->m_pContent == nullptr && opened &&
            ReadBodyLines(reader, size, *listed, copy.m_aBody, spare, true)) {
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

// ---- appending -------------------------------------------------------------------------------

bool CNetscapeMails::AddMessage(CMessage& source) {
    return Append({&source}, false) == 1;
}

bool CNetscapeMails::AddMessages(const std::vector<CMessage*>& messages, std::vector<bool>& added) {
    added.assign(messages.size(), false);
    // A batch stops at the first message it cannot append; that one is left out and the rest go
    // on in a new batch, unless the user asked to stop.
    std::size_t next = 0;
    while (next < messages.size() && !StopRequested()) {
        const std::vector<CMessage*> rest(messages.begin() + static_cast<std::ptrdiff_t>(next),
                                          messages.end());
        const std::size_t count = Append(rest, true);
        for (std::size_t i = 0; i < count; ++i)
            added[next + i] = true;
        next += count + 1;
    }
    return std::find(added.begin(), added.end(), false) == added.end();
}

// Appends messages at the end of the folder file through one open file and one buffer, leaving
// the bytes that AddMessage of each in turn would leave.
class CNetscapeMails::Appender {
  public:
    // With `keepEntries` each message appended is added to the folder's list (and its source's
    // header text becomes the one written); a folder copy keeps no list of what it wrote.
    Appender(CNetscapeMails& folder, bool keepEntries)
        : m_folder(folder), m_keepEntries(keepEntries) {}
    ~Appender() {
        if (m_file.IsOpen())
            Abandon();
    }

    bool Open() {
        if (!m_file.Open(m_folder.m_strPath, fs::OpenMode::ReadWrite))
            return false;
        m_originalSize = m_file.Size();
        bool needLineEnd = false;
        bool openHeader = false;
        if (m_originalSize < 0 || !InspectTail(m_file, m_originalSize, needLineEnd, openHeader) ||
            !m_file.Seek(m_originalSize)) {
            m_file.Close();
            return false;
        }
        if (needLineEnd)
            m_lead += "\r\n";
        if (openHeader)
            m_lead += "\r\n"; // closes the cut-off header, so that the next separator counts
        m_written = m_position = m_originalSize;
        return true;
    }

    // Appends one message. False, with nothing of it written, when its body cannot be read or
    // the file cannot take its bytes (then the messages still in the buffer are not appended
    // either, and nothing more is).
    bool Add(CMessage& source, bool releaseBody) {
        bool readHere = false;
        if (m_failed || !EnsureBody(source, readHere))
            return false;
        std::string sourceHeader = HeaderToWrite(source);
        // A message is appended live: a deleted mark it brings along (a message listed with the
        // deleted ones, or one that another store kept with its status line) would hide it here.
        std::string header = sourceHeader;
        if (const std::size_t mark = DeletedMarkAt(header); mark != std::string::npos)
            header[mark] = ClearedDigit(header[mark]);
        const std::size_t start = m_buffer.size();
        m_buffer += m_lead;
        const std::int64_t at = m_position + static_cast<std::int64_t>(m_lead.size());
        m_lead.clear();
        m_buffer += header;
        m_buffer += "\r\n";
        std::int64_t bodySize = 0;
        std::int64_t bodyLines = 0;
        for (const std::string& line : source.m_aBody)
            AppendBodyLine(m_buffer, line, bodySize, bodyLines);
        m_position += static_cast<std::int64_t>(m_buffer.size() - start);
        if (readHere && releaseBody && source.m_pFolder->GetType() != kPlain)
            source.ReleaseBody(); // keeps a long batch from holding every body
        if (m_keepEntries) {
            const std::int64_t headerLines =
                static_cast<std::int64_t>(std::count(header.begin(), header.end(), '\n'));
            // The entry composes its texts from this file when they are asked for.
            auto entry = std::make_unique<CMessage>(0, at, &m_folder, header, std::string());
            entry->m_nBodySize = bodySize;
            entry->m_nSize = static_cast<std::int64_t>(header.size()) + 2 + bodySize;
            entry->m_nBodyLines = Clamp32(bodyLines);
            entry->m_nLines = Clamp32(headerLines + 1 + bodyLines);
            m_entries.push_back({&source, std::move(sourceHeader), std::move(entry)});
        }
        ++m_added;
        return m_buffer.size() < kWriteBlock || Drain();
    }

    // Puts the messages on the disk and returns how many were appended (the first ones given).
    // When that cannot be made sure of, the file goes back to its old length and none was.
    std::size_t Finish() {
        Drain(); // a failure keeps the messages written before it
        if (m_committed == 0) {
            Abandon();
            return 0;
        }
        // Reported only once the bytes are on the disk: a caller that moves mail removes the
        // source next.
        if (!m_file.Flush() || !m_file.Close()) {
            Abandon();
            return 0;
        }
        if (m_keepEntries) {
            m_entries.resize(m_committed);
            for (Entry& e : m_entries) {
                e.source->m_strHeader = std::move(e.sourceHeader);
                e.entry->m_nIndex = static_cast<std::int32_t>(m_folder.m_pMessages.size());
                m_folder.m_pMessages.push_back(std::move(e.entry));
            }
        }
        return m_committed;
    }

    // Takes every byte written back off the file.
    void Abandon() {
        fs::File again;
        if (m_file.IsOpen() || again.Open(m_folder.m_strPath, fs::OpenMode::ReadWrite)) {
            fs::File& target = m_file.IsOpen() ? m_file : again;
            if (target.Size() != m_originalSize && target.Truncate(m_originalSize))
                target.Flush();
            target.Close();
        }
        m_file.Close();
        m_failed = true;
    }

  private:
    // Writes the buffered messages; one that fails cuts the file back to the messages before.
    bool Drain() {
        if (m_failed)
            return false;
        if (!m_buffer.empty() && !m_file.Write(m_buffer)) {
            m_file.Truncate(m_written);
            m_failed = true;
            return false;
        }
        m_written = m_position;
        m_committed = m_added;
        m_buffer.clear();
        return true;
    }

    struct Entry {
        CMessage* source;
        std::string sourceHeader;
        std::unique_ptr<CMessage> entry;
    };
    CNetscapeMails& m_folder;
    bool m_keepEntries;
    fs::File m_file;
    std::int64_t m_originalSize = -1;
    std::string m_lead;
    std::string m_buffer;
    std::int64_t m_position = 0; // the end of what was given so far
    std::int64_t m_written = 0;  // the end of what was written
    std::size_t m_added = 0;
    std::size_t m_committed = 0; // messages written
    bool m_failed = false;
    std::vector<Entry> m_entries;
};

std::size_t CNetscapeMails::Append(const std::vector<CMessage*>& sources, bool releaseBodies) {
    if (sources.empty())
        return 0;
    Appender appender(*this, true);
    if (!appender.Open())
        return 0;
    for (CMessage* source : sources) {
        if (source == nullptr || !appender.Add(*source, releaseBodies) || !ContinueAfterMessages())
            break;
    }
    return appender.Finish();
}

// ---- removing --------------------------------------------------------------------------------

bool CNetscapeMails::RemoveMessage(CMessage* message) {
    return RemoveMessages({message});
}

bool CNetscapeMails::RemoveMessages(const std::vector<CMessage*>& messages) {
    std::unordered_set<const CMessage*> listed;
    for (const auto& m : m_pMessages)
        listed.insert(m.get());
    std::vector<CMessage*> wanted;
    for (CMessage* m : messages) {
        if (m != nullptr && listed.erase(m) == 1)
            wanted.push_back(m);
    }
    if (wanted.empty())
        return messages.empty();

    fs::File file;
    std::int64_t fileSize = -1;
    if (!OpenForPatching(m_strPath, file, fileSize, wanted))
        return false;
    LineReader reader(file, kHeaderBuffer);
    std::vector<Patch> patches;
    std::unordered_set<const CMessage*> removed;
    for (CMessage* message : wanted) {
        Patch patch;
        std::string replacement;
        if (!LocateStatus(reader, *message, fileSize, patch, replacement))
            continue;
        if (replacement != patch.original) {
            if (!file.Seek(patch.position) || !file.Write(replacement)) {
                // Put back what a cut-off write may have changed.
                if (file.Seek(patch.position))
                    file.Write(patch.original);
                continue;
            }
            patches.push_back(std::move(patch));
        }
        removed.insert(message);
    }
    if (!patches.empty() && (!file.Flush() || !file.Close())) {
        file.Close();
        RestorePatches(m_strPath, patches);
        return false;
    }
    if (removed.empty())
        return false;
    std::erase_if(m_pMessages,
                  [&](const std::unique_ptr<CMessage>& m) { return removed.count(m.get()) != 0; });
    std::int32_t index = 0;
    for (auto& m : m_pMessages)
        m->m_nIndex = index++;
    return removed.size() == messages.size();
}

// ---- undeleting ------------------------------------------------------------------------------

bool CNetscapeMails::UndeleteMessages(const std::vector<CMessage*>& messages) {
    std::unordered_set<const CMessage*> listed;
    for (const auto& m : m_pMessages)
        listed.insert(m.get());
    std::unordered_set<const CMessage*> seen;
    std::vector<CMessage*> wanted;
    for (CMessage* m : messages) {
        if (m == nullptr || listed.count(m) == 0)
            return false; // not this folder's
        if (IsMarkedDeleted(*m) && seen.insert(m).second)
            wanted.push_back(m);
    }
    if (wanted.empty())
        return true;

    fs::File file;
    std::int64_t fileSize = -1;
    if (!OpenForPatching(m_strPath, file, fileSize, wanted))
        return false;
    LineReader reader(file, kHeaderBuffer);
    std::vector<Patch> patches;
    std::vector<std::size_t> headerAt;
    // All or nothing: at the first message that cannot be undeleted, what was written goes back.
    for (CMessage* message : wanted) {
        Patch patch;
        std::size_t at = 0;
        const bool found = LocateDeletedMark(reader, *message, fileSize, patch, at);
        const char digit = found ? ClearedDigit(patch.original[0]) : '0';
        if (found)
            patches.push_back(patch); // a cut-off write may have changed it
        if (!found || !file.Seek(patch.position) || !file.Write(&digit, 1)) {
            file.Close();
            RestorePatches(m_strPath, patches);
            return false;
        }
        headerAt.push_back(at);
    }
    if (!file.Flush() || !file.Close()) {
        file.Close();
        RestorePatches(m_strPath, patches);
        return false;
    }
    // The listed headers follow the file, so that the messages can be deleted or read again.
    for (std::size_t i = 0; i < wanted.size(); ++i) {
        std::string& header = wanted[i]->m_strHeader;
        header[headerAt[i]] = ClearedDigit(header[headerAt[i]]);
        wanted[i]->m_bDeleted = false;
    }
    return true;
}

// ---- folders ---------------------------------------------------------------------------------

bool CNetscapeMails::PrepareSubFolderDirectory(std::string& directory, bool* created) {
    GetSubFolders();
    if (m_bFoldersPending)
        return false;
    directory = SubFolderDirectory();
    if (fs::IsDirectory(directory))
        return true;
    if (!fs::CreateDirectory(directory))
        return false;
    if (created != nullptr)
        *created = true;
    return true;
}

CMails* CNetscapeMails::CreateFolder(const std::string& name) {
    if (!IsValidFolderName(name))
        return nullptr;
    std::string directory;
    if (!PrepareSubFolderDirectory(directory))
        return nullptr;
    std::string existing;
    bool listed = false;
    if (FindNoCase(directory, name, existing, listed) || !listed)
        return nullptr;
    const std::string path = JoinPath(directory, name);
    fs::File file;
    if (!file.Open(path, fs::OpenMode::CreateNew))
        return nullptr;
    if (!file.Close()) {
        fs::RemoveFile(path);
        return nullptr;
    }
    return AddSubFolder(std::make_unique<CNetscapeMails>(name, path));
}

// What a folder copy changed on disk and in the tree, in order, so that a copy that fails can be
// taken back whole and leave the store as it was.
struct CNetscapeMails::CopyJournal {
    struct Step {
        enum Kind { File, Directory, Node, Append } kind;
        std::string path;
        CMails* node = nullptr;
        std::int64_t size = 0;  // Append: the file's length before
        std::size_t listed = 0; // Append: the folder's list length before
    };
    std::vector<Step> steps;
    CMails* source = nullptr; // the folder whose copy this is

    void Undo() {
        for (auto it = steps.rbegin(); it != steps.rend(); ++it) {
            switch (it->kind) {
            case Step::Append: {
                fs::File file;
                if (file.Open(it->path, fs::OpenMode::ReadWrite) && file.Size() > it->size &&
                    file.Truncate(it->size))
                    file.Flush();
                if (it->node->m_pMessages.size() > it->listed)
                    it->node->m_pMessages.resize(it->listed);
                break;
            }
            case Step::Node:
                it->node->Unlink(); // freed with the sub-folder nodes the copy made below it
                break;
            case Step::File:
                fs::RemoveFile(it->path);
                break;
            case Step::Directory:
                fs::RemoveDirectory(it->path);
                break;
            }
        }
        steps.clear();
    }
};

CMails* CNetscapeMails::CopyFolder(CMails& source) {
    CopyJournal journal;
    journal.source = &source;
    CMails* copy = CopyInto(source, journal);
    if (copy == nullptr)
        journal.Undo();
    return copy;
}

CMails* CNetscapeMails::CopyInto(CMails& source, CopyJournal& journal) {
    if (!IsValidFolderName(source.m_strName))
        return nullptr;
    // Copying a folder into itself or below itself would never end.
    const std::string below = source.IsRoot() ? source.m_strPath + "/" : source.m_strPath + ".sbd/";
    if (&source == this || source.Contains(this) || m_strPath == source.m_strPath ||
        (source.GetType() == kNetscape && m_strPath.rfind(below, 0) == 0))
        return nullptr;
    // The source is read before anything is made (or, by a store that reads once to copy, as the
    // copy is made, which a failure takes back): one that cannot be read is not copied as an
    // empty folder, and its sub-folders are listed before the copy could appear among them.
    if (!source.ReadsOnceToCopy() && !source.LoadMessages())
        return nullptr;
    const std::vector<CMails*> children = source.GetSubFolders();
    if (source.m_bFoldersPending)
        return nullptr;

    std::string directory;
    bool madeDirectory = false;
    const bool prepared = PrepareSubFolderDirectory(directory, &madeDirectory);
    if (madeDirectory)
        journal.steps.push_back({CopyJournal::Step::Directory, directory});
    if (!prepared)
        return nullptr;
    std::string name = source.m_strName;
    std::string existing;
    bool listed = false;
    if (FindNoCase(directory, name, existing, listed))
        name = existing; // merge into the folder already there, spelled as it is on disk
    else if (!listed)
        return nullptr;
    const std::string path = JoinPath(directory, name);
    if (!fs::Exists(path)) {
        fs::File file;
        const bool made = file.Open(path, fs::OpenMode::CreateNew);
        if (made)
            journal.steps.push_back({CopyJournal::Step::File, path});
        if (!made || !file.Close())
            return nullptr;
    }
    CMails* found = FindFolder(path);
    // A merge into a folder of the copied tree itself (a sub-folder named like a folder it is
    // merged into) would change the source while it is copied, and a move would then remove what
    // the copy put there.
    if (found == &source || found == this || journal.source->Contains(found))
        return nullptr;
    CNetscapeMails* target = dynamic_cast<CNetscapeMails*>(found);
    if (found != nullptr && target == nullptr)
        return nullptr;
    if (target == nullptr) {
        target = AddSubFolder(std::make_unique<CNetscapeMails>(name, path));
        journal.steps.push_back({CopyJournal::Step::Node, {}, target});
    }

    if (source.ReadsOnceToCopy() || source.MessageCount() > 0) {
        // The messages stream through: neither their bodies nor a list of what was written
        // stays in memory, whatever the folder's size. The file is opened for the first message.
        Appender appender(*target, false);
        bool opened = false;
        std::size_t given = 0;
        const bool all = source.ForEachToCopy(
            [&](CMessage& message) {
                if (!opened) {
                    const std::int64_t size = fs::FileSize(path);
                    if (size < 0)
                        return false;
                    journal.steps.push_back({CopyJournal::Step::Append, path, target, size,
                                             target->m_pMessages.size()});
                    if (!appender.Open())
                        return false;
                    opened = true;
                }
                return appender.Add(message, true) && ContinueAfterMessages();
            },
            given);
        if (!all || (given > 0 && appender.Finish() != given))
            return nullptr;
    }
    for (CMails* child : children) {
        if (target->CopyInto(*child, journal) == nullptr)
            return nullptr;
    }
    return target;
}

bool CNetscapeMails::DeleteFolder() {
    const std::vector<CMails*> children = GetSubFolders();
    if (m_bFoldersPending)
        return false; // sub-folders that cannot be listed must not be orphaned
    const bool hadChildren = !children.empty();
    for (CMails* child : children) {
        if (DeleteSubFolder(child) == nullptr)
            return false;
    }
    if (IsRoot())
        return true;
    if (!fs::RemoveFile(m_strPath) && fs::Exists(m_strPath))
        return false;
    const std::string summary = SummaryPath();
    if (!fs::RemoveFile(summary) && fs::Exists(summary))
        return false;
    // An empty sub-folder directory is removed too; one that still holds other files stays,
    // which is a failure only when it held sub-folders.
    const std::string directory = m_strPath + ".sbd";
    if (!fs::RemoveDirectory(directory) && hadChildren && fs::Exists(directory))
        return false;
    return true;
}

bool CNetscapeMails::Rename(const std::string& text, bool parentMoved) {
    if (parentMoved) {
        m_strPath = JoinPath(text, m_strName);
    } else {
        if (IsRoot() || !IsValidFolderName(text))
            return false;
        if (text == m_strName)
            return true;
        const std::string directory = DirectoryOf(m_strPath);
        const std::string oldPath = m_strPath;
        const std::string newPath = JoinPath(directory, text);
        // Never over an existing sibling, also one whose name differs only in letter case.
        std::vector<fs::DirEntry> entries;
        if (!fs::ListDirectory(directory, entries))
            return false;
        for (const fs::DirEntry& entry : entries) {
            for (const char* suffix : {"", ".snm", ".sbd"}) {
                if (entry.name != m_strName + suffix && EqualsNoCase(entry.name, text + suffix))
                    return false;
            }
        }
        // A summary or sub-folder directory that cannot be moved (and is still there) takes the
        // folder file back to its old name.
        if (!fs::MoveFile(oldPath, newPath))
            return false;
        const bool summaryStayed = !fs::MoveFile(oldPath + ".snm", newPath + ".snm");
        if (summaryStayed && fs::Exists(oldPath + ".snm")) {
            fs::MoveFile(newPath, oldPath);
            return false;
        }
        if (!fs::MoveFile(oldPath + ".sbd", newPath + ".sbd") && fs::Exists(oldPath + ".sbd")) {
            if (!summaryStayed)
                fs::MoveFile(newPath + ".snm", oldPath + ".snm");
            fs::MoveFile(newPath, oldPath);
            return false;
        }
        m_strPath = newPath;
        m_strName = text;
    }
    for (CMails* child : GetSubFolders())
        child->Rename(m_strPath + ".sbd", true);
    return true;
}

// ---- compacting ------------------------------------------------------------------------------

bool CNetscapeMails::Compact() {
    // What an earlier compaction cut off by a crash left beside the file goes first.
    fs::RemoveStaleTemporaryFiles(DirectoryOf(m_strPath));
    FreeMessages();
    std::vector<std::int64_t> separators; // where each listed message's own bytes begin
    std::size_t found = 0;
    std::int64_t scannedSize = -1;
    {
        fs::File file;
        if (!file.Open(m_strPath, fs::OpenMode::Read))
            return false;
        scannedSize = file.Size();
        LineReader reader(file, kReadBlock);
        const bool ok = ScanFolder(reader, false, [&](ScannedMessage&& scanned) {
            ++found;
            const std::int64_t separator = scanned.separator;
            std::unique_ptr<CMessage> message = MakeMessage(std::move(scanned), this);
            if (!IsMarkedDeleted(*message)) {
                separators.push_back(separator);
                m_pMessages.push_back(std::move(message));
            }
            return found % kListingStep != 0 || ContinueListing(kListingStep);
        });
        if (!ok || scannedSize < 0 || file.Size() != scannedSize) {
            FreeMessages();
            return false;
        }
    }

    fs::File source;
    if (!source.Open(m_strPath, fs::OpenMode::Read))
        return false;
    const std::int64_t fileSize = source.Size();
    // Another program wrote to the file while it was being read: what was listed may not be
    // what is there now, and copying by the listing would drop or mix up messages.
    if (fileSize < 0 || fileSize != scannedSize) {
        FreeMessages();
        return false;
    }
    std::int64_t kept = 0;
    for (std::size_t i = 0; i < m_pMessages.size(); ++i) {
        const CMessage& m = *m_pMessages[i];
        kept += std::min(m.m_nOffset + m.m_nSize, fileSize) - separators[i];
    }
    // Nothing deleted and nothing before the first message: nothing to drop. A file without a
    // single message is not taken for a folder's leftovers either and stays as it is.
    if (kept == fileSize || found == 0)
        return true;

    // The kept messages are copied byte for byte into a new file that replaces the old one only
    // when it is complete and on the disk.
    std::vector<std::int64_t> newOffsets;
    const bool ok = fs::ReplaceFile(
        m_strPath,
        [&](fs::File& out) {
            RangeCopier copier(source, out);
            std::int64_t written = 0;
            for (std::size_t i = 0; i < m_pMessages.size(); ++i) {
                // Stopping leaves the old file as it is.
                if (i > 0 && !ContinueAfterMessages())
                    return false;
                const CMessage& m = *m_pMessages[i];
                const std::int64_t end = std::min(m.m_nOffset + m.m_nSize, fileSize);
                newOffsets.push_back(written);
                char last = '\n';
                if (!copier.Copy(separators[i], end, last))
                    return false;
                written += end - separators[i];
                if (last != '\n' && last != '\r') {
                    // The file's last line had no line end; the next message must not join it.
                    if (!copier.Write("\r\n", 2))
                        return false;
                    written += 2;
                }
            }
            if (!copier.Finish())
                return false;
            // Windows renames nothing over a file that is still open.
            return source.Close();
        },
        // Another program that appended to or rewrote the folder meanwhile would lose its
        // change to the rename: give up instead, the folder stays as it is.
        [&] { return fs::FileSize(m_strPath) == fileSize; });
    if (!ok)
        return false;
    for (std::size_t i = 0; i < m_pMessages.size(); ++i) {
        CMessage& m = *m_pMessages[i];
        m.m_nSize -= separators[i] - m.m_nOffset;
        m.m_nOffset = newOffsets[i];
    }
    return true;
}

} // namespace qb
