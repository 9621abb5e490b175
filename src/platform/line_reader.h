// Sequential line reading of a store file through a buffer.
#pragma once

#include "platform/file_system.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qb {

// How a line ended in the file.
enum class LineEnd { CrLf, Lf, Cr, None };

// Bytes a line end counts for in offsets and sizes: the bytes really present, and 2 for a last
// line that has none (so that files using CR LF throughout get the classic figures).
inline int LineEndBytes(LineEnd end) {
    switch (end) {
    case LineEnd::CrLf:
        return 2;
    case LineEnd::Lf:
    case LineEnd::Cr:
        return 1;
    case LineEnd::None:
        return 2;
    }
    return 2;
}

// Which bytes end a line. The stores end a line at LF, CR LF or a lone CR; mailbox files of
// other programs end lines at LF only (CR LF reported as such), a lone CR being part of the line.
enum class LineBreaks { Any, LfOnly };

class LineReader {
  public:
    static constexpr std::size_t kDefaultBuffer = 64 * 1024;

    explicit LineReader(fs::File& file, std::size_t bufferSize = kDefaultBuffer,
                        LineBreaks breaks = LineBreaks::Any);

    // Reads the next line into `line` (without its line end). False at the end of the file or on
    // a read error (see Failed()). A CR not followed by LF ends the line by itself.
    bool ReadLine(std::string& line, LineEnd& end);
    bool ReadLine(std::string& line) {
        LineEnd end;
        return ReadLine(line, end);
    }
    // The same without a copy: `line` points into the reader's buffer and stays valid only until
    // the next read or seek.
    bool ReadLineView(std::string_view& line, LineEnd& end);
    // Passes over whole lines without handing them out, up to the next line that begins with the
    // byte `a` or `b` (which is left to be read); the file's last line may be left to be read
    // too. Returns the number of lines passed; Position() moves past their bytes. For walking
    // quickly over the lines of a message body (line breaks as ReadLine sees them, so a lone CR
    // passes as part of a line when only LF breaks lines).
    std::int64_t SkipLinesUntil(char a, char b);
    // SkipLinesUntil up to the next line that may begin with `prefix` (ASCII letter case
    // ignored): one that does, or one that begins with its first byte but whose further bytes
    // the buffer does not hold yet. Lines that plainly do not begin with it are passed over.
    std::int64_t SkipLinesUntilPrefix(std::string_view prefix);
    // True when reading stopped because the file could not be read.
    bool Failed() const { return m_failed; }
    // Byte position in the file of the next line to be read.
    std::int64_t Position() const { return m_position; }
    // Repositions the reader (and the file) at an absolute byte position.
    bool Seek(std::int64_t position);
    // Moves on to a position at or after the current one without reading the file again when the
    // buffer holds it already: for walking the messages of a file in order. Only for a reader that
    // alone moves its file (Seek repositions the file, SkipTo may not).
    bool SkipTo(std::int64_t position);

  private:
    bool Fill();
    // SkipLinesUntil; with a `prefix`, a line that begins with `a` or `b` stops it only when it
    // may begin with the prefix.
    std::int64_t Skip(char a, char b, std::string_view prefix);

    bool ReadLfLine(std::string_view& line, LineEnd& end);
    // At the end of the file: the bytes left as a line without a line end.
    bool TakeLastLine(std::string_view& line, LineEnd& end);

    fs::File& m_file;
    LineBreaks m_breaks;
    std::vector<char> m_buffer;
    std::size_t m_begin = 0;
    std::size_t m_end = 0;
    std::int64_t m_position = 0;
    bool m_eof = false;
    bool m_failed = false;
};

} // namespace qb
