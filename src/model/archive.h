// The object archive that backup files are written in and read from: little-endian fields,
// length-prefixed strings and the class references of serialised objects, passed through a
// fixed buffer over one file.
//
// Reading never trusts the file: every length and count is checked against the bytes that are
// left before anything is allocated, and the first problem is kept as a typed error that names
// the text the user is shown. After an error every further read fails and changes nothing.
#pragma once

#include "platform/file_system.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace qb {

enum class ArchiveCause {
    None,
    EndOfData,        // the data ends before a record is complete
    UnexpectedObject, // a class description of a class other than the one expected
    IncorrectSchema,  // the expected class with another schema number
    BadFormat,        // every other damaged or hostile form
    ReadFailed,       // the file itself could not be read
};

// Where a loading archive stands: the byte position and how far the map of class numbers had
// come there, so that reading can go back to it and go on exactly as it did from there.
struct ArchiveMark {
    std::int64_t position = 0;
    std::uint32_t mapCount = 0;
    std::size_t classes = 0;
};

struct ArchiveError {
    ArchiveCause cause = ArchiveCause::None;
    // Loading: the bytes of the archive read when the damage was found (-1: not known).
    std::int64_t offset = -1;

    explicit operator bool() const { return cause != ArchiveCause::None; }
    // The message text with %1 standing for the archive file's full path.
    const char* Template() const;
    // The message text with %1 replaced by `fileName`.
    std::string Text(std::string_view fileName) const;
};

class CArchive {
  public:
    enum Mode { kLoad, kStore };
    static constexpr std::size_t kBufferSize = 4096;
    // Folder records nested deeper than this are refused as a bad format, so that a hostile file
    // cannot exhaust the stack of the recursive readers and copiers.
    static constexpr int kMaxFolderDepth = 256;

    // An archive over an open file, from its current position (which is taken to be its start).
    CArchive(fs::File& file, Mode mode, std::size_t bufferSize = kBufferSize);
    // A loading archive over bytes in memory, which must outlive it.
    explicit CArchive(std::string_view bytes);
    // A storing archive still holding buffered bytes writes them out; call Flush to learn
    // whether that worked.
    ~CArchive();
    CArchive(const CArchive&) = delete;
    CArchive& operator=(const CArchive&) = delete;

    bool IsLoading() const { return m_mode == kLoad; }
    bool IsStoring() const { return m_mode == kStore; }

    // ---- storing: each returns false once any write has failed ----
    bool WriteByte(std::uint8_t value);
    bool WriteWord(std::uint16_t value);
    bool WriteDword(std::uint32_t value);
    bool WriteBytes(const void* data, std::size_t size);
    // Length prefix (one byte below 255, 0xFF + word below 0xFFFE, else 0xFF 0xFFFF + dword).
    bool WriteString(std::string_view text);
    // The class reference in front of a new object: the class description the first time the
    // class is written, its number afterwards.
    bool WriteObjectClass(std::string_view className, std::uint16_t schema);
    // Writes the buffered bytes to the file.
    bool Flush();
    bool WriteFailed() const { return m_bWriteFailed; }

    // ---- loading: each returns false on error, with the error kept ----
    bool ReadByte(std::uint8_t& value);
    bool ReadWord(std::uint16_t& value);
    bool ReadDword(std::uint32_t& value);
    bool ReadBytes(void* data, std::size_t size);
    // Any of the 8-bit forms, or the wide form converted to 8-bit text. `text` is left
    // unspecified when reading fails.
    bool ReadString(std::string& text);
    // A count (a signed dword) of items that each take at least `minBytesEach` bytes: negative is
    // a bad format, more than the bytes left can hold is past the end.
    bool ReadCount(std::int32_t& count, std::int64_t minBytesEach);
    // The class reference in front of an object: it must be a new object of `className` with
    // `schema`, either described here or referring to an earlier description of that class.
    bool ReadObjectClass(std::string_view className, std::uint16_t schema);
    // Passes over `size` bytes, or over one string of any form, without keeping them.
    bool SkipBytes(std::uint64_t size);
    bool SkipString();
    // The current place, and a return to one taken from this archive earlier (a file archive's
    // file must have been at its start when the archive was made). Classes described after the
    // mark are taken as not described yet, until they are read again.
    ArchiveMark Mark() const { return {m_nConsumed, m_nMapCount, m_nKnownClasses}; }
    bool Seek(const ArchiveMark& mark);
    // Bytes of the file not read yet (an upper bound when the file did not start at position 0).
    std::int64_t BytesLeft() const { return m_nTotal - m_nConsumed; }

    // Records `cause` unless an error is already kept; returns false.
    bool Fail(ArchiveCause cause);
    const ArchiveError& GetError() const { return m_error; }

  private:
    bool Refill();
    bool ReadLength(std::uint64_t& length, bool& wide);
    bool ReadClassName(std::string& name);

    Mode m_mode;
    fs::File* m_pFile = nullptr;
    std::vector<unsigned char> m_buffer;
    const unsigned char* m_pBase = nullptr; // loading from memory: the first byte
    const unsigned char* m_pData = nullptr; // loading: unread bytes start here
    std::size_t m_nAvailable = 0;           // loading: unread bytes in the buffer
    std::size_t m_nUsed = 0;                // storing: bytes waiting in the buffer
    std::int64_t m_nTotal = 0;              // loading: size of the file
    std::int64_t m_nConsumed = 0;           // loading: bytes handed out so far
    bool m_bWriteFailed = false;
    ArchiveError m_error;

    // Map of numbers given to classes and objects, in one sequence from 1.
    std::uint32_t m_nMapCount = 0;
    std::vector<std::pair<std::uint32_t, std::string>> m_classes; // number, class name
    // Of m_classes, the ones described before the current place (after a Seek back, the later
    // ones are described again in the same order when they are read).
    std::size_t m_nKnownClasses = 0;
};

} // namespace qb
