// A message kept in a file of its own (Maildir, .eml).
#pragma once

#include "interchange/reader.h"

namespace qb::interchange {

// Reads the file at `path` into `item.message` (a leading envelope line left out). Skipped with
// `item.problem` set when it cannot be read or is larger than `maxBytes`.
ReadStatus ReadMessageFile(const std::string& path, std::int64_t maxBytes, ReadItem& item);

} // namespace qb::interchange
