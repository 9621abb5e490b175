// Following what other programs (the store's own mail client, a script, a sync tool) change in
// the stores the window shows: which files to watch, what a change means for the window, and
// which rows of a folder listed again hold the messages the user had selected.
#pragma once

#include "model/mails.h"

#include <cstdint>
#include <string>
#include <vector>

namespace qb {

// What identifies a listed message across two listings of its folder.
struct MessageKey {
    std::string header;
    std::int64_t size = 0;
    std::int64_t offset = 0;
};
MessageKey KeyOf(const CMessage& message);

// The rows of `listed` that hold the messages `keys` name, in the order of `keys`: a message
// still at its old place, else the first row not taken yet with the same header and size (the
// folder was compacted or rewritten). A message no longer there has no row.
std::vector<int> RowsOfMessages(const std::vector<MessageKey>& keys,
                                const std::vector<CMessage*>& listed);

// The files to watch while `shown` is listed: its message files, as absolute paths.
std::vector<std::string> WatchedFiles(const CMails* shown);

// Whether a change to `path` (as the watch reported it) changes the list of `shown`.
bool ChangesList(const CMails* shown, const std::string& path);

// Shown when a command finds that a message it was given is no longer in its folder.
inline constexpr char kTextMessageGone[] =
    "A selected message is no longer in the folder: another program changed it";

// The stamps of the folder's message files now, flattened (see CMails::m_listedStamp).
std::vector<std::int64_t> StampFolder(const CMails& folder);
// Whether another program changed the folder's files since ListMessages last read it.
bool ChangedSinceListed(const CMails& folder);

} // namespace qb
