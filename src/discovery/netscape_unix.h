// Netscape Communicator for Unix: one user's mail directory.
#pragma once

#include "discovery/found_store.h"

#include <vector>

namespace qb::discovery {

inline constexpr char kNetscapeUnixName[] = "Netscape Mail";

// The mail directory that ~/.netscape/preferences.js names (mail.directory), ~/nsmail when it
// names none; found when either that file or ~/nsmail exists. A damaged file is skipped with a
// warning (and ~/nsmail taken).
void FindNetscapeUnixStore(const Places& places, std::vector<FoundStore>& found,
                           Warnings& warnings);

} // namespace qb::discovery
