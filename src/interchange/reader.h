// Readers of the standard mailbox formats. Each yields one message at a time, so memory stays
// bounded by the largest message, whatever the size of the source. A message that cannot be read
// is yielded as Skipped with where it lies and why, and reading goes on with the next one.
#pragma once

#include "interchange/message.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace qb::interchange {

struct ReadOptions {
    // mbox: take one ">" off lines matching "^>+From " (only right for mboxrd files).
    bool unquoteMboxrd = false;
    // Maildir and .eml directories: also read the sub-folders (Maildir++ ".A.B", directories).
    bool subFolders = true;
    // A message larger than this is skipped, not held in memory.
    std::int64_t maxMessageBytes = std::int64_t{256} << 20;
    // mbox: keep only each message's header, reading past its body (enough to count messages).
    bool headersOnly = false;
};

enum class ReadStatus {
    Message, // `message` holds the next message
    Skipped, // a message (or text) that cannot be read: `problem` says why
    End,     // nothing more
    Failed,  // the source cannot be read on: `problem` says why; nothing follows
};

struct ReadItem {
    Message message;
    std::vector<std::string> folder; // folder path below the source's top folder
    std::string file;                // the file the message came from
    std::int64_t position = 0;       // mbox: byte offset of its envelope line; otherwise 0
    std::int64_t number = 0;         // 1-based among the items of its mbox file or folder
    std::string problem;
};

class CReader {
  public:
    virtual ~CReader() = default;
    virtual ReadStatus Next(ReadItem& item) = 0;
};

// An mbox file (mboxo, mboxrd, mboxcl, mboxcl2): messages begin at "From " lines that start the
// file or follow an empty line; a Content-Length field is honoured when it ends the message
// exactly where a next envelope line or the end of the file is.
std::unique_ptr<CReader> MakeMboxReader(const std::string& path, const ReadOptions& options);
// A Maildir (cur/ and new/), with its Maildir++ sub-folders.
std::unique_ptr<CReader> MakeMaildirReader(const std::string& root, const ReadOptions& options);
// A directory of .eml files, its sub-directories as sub-folders.
std::unique_ptr<CReader> MakeEmlReader(const std::string& directory, const ReadOptions& options);

// The reader for `source` by its kind: a file is an mbox, a directory with cur/ or new/ a
// Maildir, any other directory a directory of .eml files. Null with `error` set when `source`
// is none of these.
std::unique_ptr<CReader> OpenReader(const std::string& source, const ReadOptions& options,
                                    std::string& error);

} // namespace qb::interchange
