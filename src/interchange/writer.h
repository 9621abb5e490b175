// Writers of the standard mailbox formats, one folder at a time and one message at a time.
//
// Every output file is written under a temporary name and gets its final name only once it is
// complete and on the disk; no existing file is ever replaced, and an output that already holds
// messages is refused rather than mixed with a new export. A failure or Abort leaves no
// incomplete file behind (files already completed stay).
#pragma once

#include "interchange/message.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qb::interchange {

enum class Format {
    Mboxrd,  // DEST/A/B.mbox, envelope lines, ">From " quoting, LF line ends
    Maildir, // Maildir++: the top folder in DEST/{cur,new,tmp}, folder A/B in DEST/.A.B/
    Eml,     // DEST/A/B/NNNNN-SUBJECT.eml, one message per file, CR LF line ends
};

std::optional<Format> ParseFormat(std::string_view name);
const char* FormatName(Format format);

// One folder's finished output: its folder path, the file (mbox) or directory it went to, and
// how many messages were written there.
struct WrittenFolder {
    std::vector<std::string> folder;
    std::string output;
    std::int64_t count = 0;
};

class CWriter {
  public:
    virtual ~CWriter() = default;

    // Starts the output of one folder, named by its path of folder names below DEST (empty: the
    // top folder, which only a Maildir can hold). One folder is open at a time.
    virtual bool BeginFolder(const std::vector<std::string>& folder) = 0;
    virtual bool Write(const Message& message) = 0;
    // A message of a store: its header text (each line ending in CR LF, perhaps beginning with the
    // store's separator line) and its body lines (none holding a line break), written as Write
    // writes FromStoreRecord of them. A writer may spare itself joining the lines first.
    virtual bool WriteRecord(std::string_view header, const std::vector<std::string>& bodyLines,
                             std::uint32_t status) {
        return Write(FromStoreRecord(header, bodyLines, status));
    }
    // Completes the open folder: its files are on the disk under their final names.
    virtual bool EndFolder() = 0;
    // Gives up: every file not yet complete is removed. Also done by destruction.
    virtual void Abort() = 0;

    // Why the last operation failed.
    const std::string& Error() const { return m_error; }
    const std::vector<WrittenFolder>& Written() const { return m_written; }

  protected:
    bool Fail(std::string error);
    // The directory exists afterwards (made when missing), or Fail.
    bool EnsureDirectory(const std::string& directory);

    std::string m_error;
    std::vector<WrittenFolder> m_written;
};

// A writer of `format` into the directory `dest` (made when missing, its parent must exist).
// `exportTime` (seconds since 1970, UTC) dates the envelope of a message without a usable Date.
std::unique_ptr<CWriter> MakeWriter(Format format, const std::string& dest,
                                    std::int64_t exportTime);

// Reads every written output back with the matching reader and compares the number of messages
// found with the number written; false with a description of the first difference.
bool VerifyWritten(Format format, const std::vector<WrittenFolder>& written, std::string& error);

// A folder name that can become a file or directory name here: one entry name without control
// characters; on Windows also a portable entry name (IsPortableEntryName: no ':' and the like,
// no device name such as CON, no trailing dot or space).
bool IsUsableFolderName(std::string_view name);

} // namespace qb::interchange
