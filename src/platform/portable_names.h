// The folder-name rule every file system the stores live on can follow.
#pragma once

#include <string_view>

namespace qb {

// Whether `name` can be made as one directory entry on every file system a store may live on,
// including the case-insensitive ones of Windows and FAT/exFAT/NTFS disks mounted elsewhere:
// a single entry name (IsSingleEntryName) without the characters those file systems refuse
// (< > : " | ? * and control characters), not ending in a dot or a space (they would be
// dropped, so the file made would bear another folder's name), and not a device name (CON,
// PRN, AUX, NUL, COM1-COM9, LPT1-LPT9 in any letter case, also with an extension: "nul.txt").
// Names already on disk are read whatever they are; this rule is for names being created.
bool IsPortableEntryName(std::string_view name);

} // namespace qb
