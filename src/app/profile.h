// The program's own settings below HKEY_CURRENT_USER\Software\Velmora\Quillbox, read and written
// by section and entry name. Integers are dword values, texts string values; a missing value (or
// one of the other kind) reads as the given default.
#pragma once

#include "platform/registry_file.h"

#include <string>

namespace qb {

// The stored value, or `defaultValue` when it is missing, not a dword or cannot be read.
int GetProfileInt(RegistryFile& registry, const std::string& section, const std::string& entry,
                  int defaultValue);
// Stores the value as a 32-bit number (negative numbers in two's complement).
bool WriteProfileInt(RegistryFile& registry, const std::string& section, const std::string& entry,
                     int value);
std::string GetProfileString(RegistryFile& registry, const std::string& section,
                             const std::string& entry, const std::string& defaultValue = "");
bool WriteProfileString(RegistryFile& registry, const std::string& section,
                        const std::string& entry, const std::string& value);

// The key of a section: the application key, '\', the section (which may name a sub-key path).
std::string ProfileSectionKey(const std::string& section);

} // namespace qb
