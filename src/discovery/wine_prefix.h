// Wine prefixes in the user's home: where they are, what their registry holds, and where the
// Windows paths in it lie on this machine.
#pragma once

#include "discovery/found_store.h"
#include "platform/registry_file.h"

#include <string>
#include <vector>

namespace qb::discovery {

// The prefixes to look in: WINEPREFIX, ~/.wine, then those of the common front ends
// (PlayOnLinux, Bottles, Lutris, CrossOver), each in name order. A directory counts when it holds
// system.reg or user.reg; one reached twice (through a link) is listed once.
std::vector<std::string> FindWinePrefixes(const Places& places);

// Loads the keys at or below `keys` (paths below a hive) from a prefix's system.reg, as
// HKEY_LOCAL_MACHINE, and user.reg, as HKEY_CURRENT_USER. The machine keys a 32-bit program
// keeps below Software\Wow6432Node also answer below Software, unless the key is there itself.
// A damaged file is skipped with a warning.
void LoadWinePrefixRegistry(const std::string& prefix, const std::vector<std::string>& keys,
                            RegistryData& data, Warnings& warnings);

// The path on this machine of a Windows path in the prefix ("C:\Program Files\x", '\' or '/'
// between names): the drive through the prefix's dosdevices link (c: to drive_c, z: to /), each
// existing name found without regard to case (the names past the first missing one are kept as
// written). "" when the path has no drive letter or the prefix does not map the drive.
std::string MapWindowsPath(const std::string& prefix, const std::string& windowsPath);

} // namespace qb::discovery
