// The profiles of the Mozilla-family clients (Mozilla and SeaMonkey, Netscape 6 and 7,
// Thunderbird and its renamed builds) and the local mail directories their prefs.js names.
#pragma once

#include "discovery/found_store.h"
#include "discovery/prefs_js.h"

#include <string>
#include <vector>

namespace qb::discovery {

struct MozillaProfile {
    std::string name;
    std::string directory;
};

// Every profile that a profiles.ini lists under ~/.thunderbird, ~/.mozilla-thunderbird,
// ~/.icedove, ~/snap/thunderbird/common/.thunderbird, ~/.var/app/*/.thunderbird and
// ~/.mozilla/seamonkey, then the Mozilla 1.x profiles ~/.mozilla/NAME/*.slt. A damaged
// profiles.ini is skipped with a warning.
std::vector<MozillaProfile> FindMozillaProfiles(const Places& places, Warnings& warnings);

// The mail directories in a profile's preferences that hold Netscape-format folders: those of
// the servers of type none, pop3 or movemail (in the order of their ids), from directory-rel
// ("[ProfD]" + a path below the profile) or else directory. Each is named
// "PROFILE - ACCOUNT" after the server's name (its host name or id when it has none) and
// suggested read-only. Servers that keep their mail in another format are left out.
void FindProfileStores(const MozillaProfile& profile, const Prefs& prefs,
                       std::vector<FoundStore>& found);

// All of the above: each profile's prefs.js read (a damaged one skipped with a warning).
void FindMozillaStores(const Places& places, std::vector<FoundStore>& found, Warnings& warnings);

} // namespace qb::discovery
