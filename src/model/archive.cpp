#include "model/archive.h"

#include "platform/binary.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace qb {

namespace {

// Windows-1252 bytes 0x80 to 0x9F and the characters they stand for; the five bytes the code
// page leaves undefined stand for the control characters of the same value.
constexpr std::uint16_t kHighControls[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

char ToAnsi(std::uint16_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return static_cast<char>(c);
    for (int i = 0; i < 32; ++i) {
        if (kHighControls[i] == c)
            return static_cast<char>(0x80 + i);
    }
    return '?';
}

// UTF-16LE text as 8-bit text: what the code page cannot show becomes '?', one per character
// (a surrogate pair is one character).
std::string WideToAnsi(const unsigned char* bytes, std::size_t count) {
    std::string text;
    text.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint16_t c = GetLE16(bytes + 2 * i);
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < count) {
            const std::uint16_t next = GetLE16(bytes + 2 * (i + 1));
            if (next >= 0xDC00 && next <= 0xDFFF)
                ++i;
        }
        text += ToAnsi(c);
    }
    return text;
}

} // namespace

const char* ArchiveError::Template() const {
    switch (cause) {
    case ArchiveCause::None:
        return "";
    case ArchiveCause::EndOfData:
        return "An attempt was made to access %1 past its end.";
    case ArchiveCause::UnexpectedObject:
        return "%1 contained an unexpected object.";
    case ArchiveCause::IncorrectSchema:
        return "%1 contains an incorrect schema.";
    case ArchiveCause::BadFormat:
        return "%1 has a bad format.";
    case ArchiveCause::ReadFailed:
        return "An error occurred while reading %1.";
    }
    return "";
}

std::string ArchiveError::Text(std::string_view fileName) const {
    std::string text = Template();
    const auto at = text.find("%1");
    if (at != std::string::npos)
        text.replace(at, 2, fileName);
    return text;
}

CArchive::CArchive(fs::File& file, Mode mode, std::size_t bufferSize)
    : m_mode(mode), m_pFile(&file), m_buffer(std::max<std::size_t>(bufferSize, 16)) {
    if (mode == kLoad) {
        m_nTotal = file.Size();
        if (m_nTotal < 0) {
            m_nTotal = 0;
            Fail(ArchiveCause::ReadFailed);
        }
    }
}

CArchive::CArchive(std::string_view bytes)
    : m_mode(kLoad), m_pBase(reinterpret_cast<const unsigned char*>(bytes.data())),
      m_pData(m_pBase), m_nAvailable(bytes.size()),
      m_nTotal(static_cast<std::int64_t>(bytes.size())) {}

CArchive::~CArchive() {
    if (m_mode == kStore && m_nUsed > 0 && !m_bWriteFailed)
        Flush();
}

bool CArchive::Fail(ArchiveCause cause) {
    if (!m_error) {
        m_error.cause = cause;
        if (m_mode == kLoad)
            m_error.offset = m_nConsumed;
    }
    return false;
}

// ---- storing --------------------------------------------------------------------------------

bool CArchive::WriteBytes(const void* data, std::size_t size) {
    if (m_mode != kStore || m_bWriteFailed)
        return false;
    const auto* p = static_cast<const unsigned char*>(data);
    while (size > 0) {
        if (m_nUsed == m_buffer.size() && !Flush())
            return false;
        const std::size_t n = std::min(size, m_buffer.size() - m_nUsed);
        std::memcpy(m_buffer.data() + m_nUsed, p, n);
        m_nUsed += n;
        p += n;
        size -= n;
    }
    return true;
}

bool CArchive::WriteByte(std::uint8_t value) {
    return WriteBytes(&value, 1);
}

bool CArchive::WriteWord(std::uint16_t value) {
    unsigned char bytes[2];
    PutLE16(bytes, value);
    return WriteBytes(bytes, 2);
}

bool CArchive::WriteDword(std::uint32_t value) {
    unsigned char bytes[4];
    PutLE32(bytes, value);
    return WriteBytes(bytes, 4);
}

bool CArchive::WriteString(std::string_view text) {
    const std::size_t length = text.size();
    if (length < 0xFF && length < m_buffer.size() - m_nUsed && m_mode == kStore &&
        !m_bWriteFailed) {
        // The short form into the room left in the buffer, as nearly every line of a message.
        m_buffer[m_nUsed] = static_cast<unsigned char>(length);
        std::memcpy(m_buffer.data() + m_nUsed + 1, text.data(), length);
        m_nUsed += length + 1;
        return true;
    }
    bool ok;
    if (length < 0xFF) {
        ok = WriteByte(static_cast<std::uint8_t>(length));
    } else if (length < 0xFFFE) {
        ok = WriteByte(0xFF) && WriteWord(static_cast<std::uint16_t>(length));
    } else if (length <= 0xFFFFFFFFu) {
        ok = WriteByte(0xFF) && WriteWord(0xFFFF) && WriteDword(static_cast<std::uint32_t>(length));
    } else {
        // No form can state the length; a shortened string would be a damaged backup.
        m_bWriteFailed = true;
        return false;
    }
    return ok && WriteBytes(text.data(), length);
}

bool CArchive::WriteObjectClass(std::string_view className, std::uint16_t schema) {
    for (const auto& [number, name] : m_classes) {
        if (name != className)
            continue;
        ++m_nMapCount; // the object's own number
        if (number < 0x7FFF)
            return WriteWord(static_cast<std::uint16_t>(0x8000 | number));
        return WriteWord(0x7FFF) && WriteDword(0x80000000u | number);
    }
    if (className.size() > 0xFFFF) {
        m_bWriteFailed = true;
        return false;
    }
    m_classes.emplace_back(++m_nMapCount, std::string(className));
    ++m_nMapCount;
    return WriteWord(0xFFFF) && WriteWord(schema) &&
           WriteWord(static_cast<std::uint16_t>(className.size())) &&
           WriteBytes(className.data(), className.size());
}

bool CArchive::Flush() {
    if (m_mode != kStore || m_bWriteFailed)
        return false;
    if (m_nUsed > 0) {
        if (!m_pFile->Write(m_buffer.data(), m_nUsed)) {
            m_bWriteFailed = true;
            return false;
        }
        m_nUsed = 0;
    }
    return true;
}

// ---- loading --------------------------------------------------------------------------------

bool CArchive::Refill() {
    if (m_pFile == nullptr)
        return Fail(ArchiveCause::EndOfData);
    // Never past the size the file had when reading began, so that the bytes in hand are always
    // bytes the archive has left.
    const std::size_t want = static_cast<std::size_t>(
        std::min<std::int64_t>(static_cast<std::int64_t>(m_buffer.size()), BytesLeft()));
    if (want == 0)
        return Fail(ArchiveCause::EndOfData);
    const std::int64_t n = m_pFile->Read(m_buffer.data(), want);
    if (n < 0)
        return Fail(ArchiveCause::ReadFailed);
    if (n == 0)
        return Fail(ArchiveCause::EndOfData);
    m_pData = m_buffer.data();
    m_nAvailable = static_cast<std::size_t>(n);
    return true;
}

bool CArchive::ReadBytes(void* data, std::size_t size) {
    if (size <= m_nAvailable && !m_error) {
        // The common case of a field within the bytes in hand (an empty one may come with no
        // buffer at all).
        if (size > 0)
            std::memcpy(data, m_pData, size);
        m_pData += size;
        m_nAvailable -= size;
        m_nConsumed += static_cast<std::int64_t>(size);
        return true;
    }
    if (m_mode != kLoad || m_error)
        return false;
    if (static_cast<std::int64_t>(size) > BytesLeft())
        return Fail(ArchiveCause::EndOfData);
    auto* p = static_cast<unsigned char*>(data);
    while (size > 0) {
        if (m_nAvailable == 0 && !Refill())
            return false;
        const std::size_t n = std::min(size, m_nAvailable);
        std::memcpy(p, m_pData, n);
        m_pData += n;
        m_nAvailable -= n;
        m_nConsumed += static_cast<std::int64_t>(n);
        p += n;
        size -= n;
    }
    return true;
}

bool CArchive::SkipBytes(std::uint64_t size) {
    if (size <= m_nAvailable && !m_error) {
        m_pData += size;
        m_nAvailable -= static_cast<std::size_t>(size);
        m_nConsumed += static_cast<std::int64_t>(size);
        return true;
    }
    if (m_mode != kLoad || m_error)
        return false;
    if (size > static_cast<std::uint64_t>(std::max<std::int64_t>(BytesLeft(), 0)))
        return Fail(ArchiveCause::EndOfData);
    while (size > 0) {
        if (m_nAvailable == 0 && !Refill())
            return false;
        const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(size, m_nAvailable));
        m_pData += n;
        m_nAvailable -= n;
        m_nConsumed += static_cast<std::int64_t>(n);
        size -= n;
    }
    return true;
}

bool CArchive::SkipString() {
    std::uint64_t length = 0;
    bool wide = false;
    if (!ReadLength(length, wide))
        return false;
    return SkipBytes(wide ? length * 2 : length);
}

bool CArchive::Seek(const ArchiveMark& mark) {
    if (m_mode != kLoad || m_error)
        return false;
    if (mark.position < 0 || mark.position > m_nTotal || mark.classes > m_classes.size())
        return Fail(ArchiveCause::BadFormat);
    const std::int64_t ahead = mark.position - m_nConsumed;
    if (ahead >= 0 && static_cast<std::uint64_t>(ahead) <= m_nAvailable) {
        // Within the bytes in hand, as when reading goes on just past a few skipped fields.
        m_pData += ahead;
        m_nAvailable -= static_cast<std::size_t>(ahead);
    } else if (m_pFile == nullptr) {
        m_pData = m_pBase + mark.position;
        m_nAvailable = static_cast<std::size_t>(m_nTotal - mark.position);
    } else {
        if (!m_pFile->Seek(mark.position))
            return Fail(ArchiveCause::ReadFailed);
        m_nAvailable = 0;
    }
    m_nConsumed = mark.position;
    m_nMapCount = mark.mapCount;
    m_nKnownClasses = mark.classes;
    return true;
}

bool CArchive::ReadByte(std::uint8_t& value) {
    return ReadBytes(&value, 1);
}

bool CArchive::ReadWord(std::uint16_t& value) {
    unsigned char bytes[2];
    if (!ReadBytes(bytes, 2))
        return false;
    value = GetLE16(bytes);
    return true;
}

bool CArchive::ReadDword(std::uint32_t& value) {
    unsigned char bytes[4];
    if (!ReadBytes(bytes, 4))
        return false;
    value = GetLE32(bytes);
    return true;
}

bool CArchive::ReadLength(std::uint64_t& length, bool& wide) {
    wide = false;
    if (m_nAvailable > 0 && *m_pData < 0xFF && !m_error) {
        // The short form, as nearly every line of a message has.
        length = *m_pData++;
        --m_nAvailable;
        ++m_nConsumed;
        return true;
    }
    std::uint8_t byte = 0;
    if (!ReadByte(byte))
        return false;
    if (byte < 0xFF) {
        length = byte;
        return true;
    }
    std::uint16_t word = 0;
    if (!ReadWord(word))
        return false;
    if (word == 0xFFFE) {
        // Wide text; its own length prefix follows.
        wide = true;
        if (!ReadByte(byte))
            return false;
        if (byte < 0xFF) {
            length = byte;
            return true;
        }
        if (!ReadWord(word))
            return false;
        if (word == 0xFFFE)
            return Fail(ArchiveCause::BadFormat);
    }
    if (word < 0xFFFF) {
        length = word;
        return true;
    }
    std::uint32_t dword = 0;
    if (!ReadDword(dword))
        return false;
    length = dword;
    return true;
}

bool CArchive::ReadString(std::string& text) {
    std::uint64_t length = 0;
    bool wide = false;
    if (!ReadLength(length, wide))
        return false;
    const std::uint64_t bytes = wide ? length * 2 : length;
    if (bytes > static_cast<std::uint64_t>(std::max<std::int64_t>(BytesLeft(), 0)))
        return Fail(ArchiveCause::EndOfData);
    if (!wide) {
        // Into the string's own storage: reading into one string again and again allocates only
        // when it grows.
        text.resize(static_cast<std::size_t>(length));
        return ReadBytes(text.data(), text.size());
    }
    std::vector<unsigned char> raw(static_cast<std::size_t>(bytes));
    if (!ReadBytes(raw.data(), raw.size()))
        return false;
    text = WideToAnsi(raw.data(), static_cast<std::size_t>(length));
    return true;
}

bool CArchive::ReadCount(std::int32_t& count, std::int64_t minBytesEach) {
    std::uint32_t raw = 0;
    if (!ReadDword(raw))
        return false;
    const auto value = static_cast<std::int32_t>(raw);
    if (value < 0)
        return Fail(ArchiveCause::BadFormat);
    if (static_cast<std::int64_t>(value) * std::max<std::int64_t>(minBytesEach, 1) > BytesLeft())
        return Fail(ArchiveCause::EndOfData);
    count = value;
    return true;
}

bool CArchive::ReadClassName(std::string& name) {
    std::uint16_t length = 0;
    if (!ReadWord(length))
        return false;
    if (length > BytesLeft())
        return Fail(ArchiveCause::EndOfData);
    std::string result(length, '\0');
    if (!ReadBytes(result.data(), result.size()))
        return false;
    name = std::move(result);
    return true;
}

bool CArchive::ReadObjectClass(std::string_view className, std::uint16_t schema) {
    std::uint16_t tag = 0;
    if (!ReadWord(tag))
        return false;
    if (tag == 0xFFFF) {
        std::uint16_t described = 0;
        std::string name;
        if (!ReadWord(described) || !ReadClassName(name))
            return false;
        if (name != className)
            return Fail(ArchiveCause::UnexpectedObject);
        if (described != schema)
            return Fail(ArchiveCause::IncorrectSchema);
        // Read again after a Seek back, the description is the one kept at this place.
        if (m_nKnownClasses < m_classes.size())
            m_classes[m_nKnownClasses] = {++m_nMapCount, std::move(name)};
        else
            m_classes.emplace_back(++m_nMapCount, std::move(name));
        ++m_nKnownClasses;
        ++m_nMapCount;
        return true;
    }
    std::uint32_t number = 0;
    if (tag == 0x7FFF) {
        std::uint32_t big = 0;
        if (!ReadDword(big))
            return false;
        if ((big & 0x80000000u) == 0)
            return Fail(ArchiveCause::BadFormat); // a reference to an object already read
        number = big & 0x7FFFFFFFu;
    } else if ((tag & 0x8000) != 0) {
        number = tag & 0x7FFFu;
    } else {
        // 0 is a null object, anything else a reference to an object already read: a backup
        // holds every message once, so neither belongs in one.
        return Fail(ArchiveCause::BadFormat);
    }
    for (std::size_t i = 0; i < m_nKnownClasses; ++i) {
        const auto& [known, name] = m_classes[i];
        if (known != number)
            continue;
        if (name != className)
            return Fail(ArchiveCause::UnexpectedObject);
        ++m_nMapCount;
        return true;
    }
    return Fail(ArchiveCause::BadFormat); // a class that was never described
}

} // namespace qb
