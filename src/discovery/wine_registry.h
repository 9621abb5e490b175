// Reader of the text files in which Wine keeps a prefix's registry hives ("WINE REGISTRY
// Version 2": system.reg, user.reg, userdef.reg).
#pragma once

#include "platform/registry_file.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace qb::discovery {

// Registry value types as the file numbers them.
inline constexpr std::uint32_t kRegString = 1;
inline constexpr std::uint32_t kRegExpandString = 2;
inline constexpr std::uint32_t kRegBinary = 3;
inline constexpr std::uint32_t kRegDword = 4;
inline constexpr std::uint32_t kRegMultiString = 7;

struct WineValue {
    std::string name;       // "" is the key's default value, written @
    std::uint32_t type = 0; // one of the kReg* numbers, or any other the file names
    // The text of a string value (types 1, 2 and 7, whether written as text or as hex bytes):
    // UTF-8, up to its first NUL. The bytes of any other hex value.
    std::string data;
    std::uint32_t number = 0; // a dword value
};

struct WineKey {
    std::string path; // below the hive, names separated by one '\'
    std::vector<WineValue> values;
};

// Tells which keys to keep, by path; the others are checked and dropped.
using WineKeyFilter = std::function<bool(std::string_view path)>;

// Reads a whole file's text. False on damage, with `error` saying where ("line N: why") and
// `keys` empty. Every key the filter keeps (all without one) is appended in file order.
bool ParseWineRegistry(std::string_view text, std::vector<WineKey>& keys, std::string& error,
                       const WineKeyFilter& keep = {});

// Copies the keys into one hive of a registry: string values as strings, dwords as dwords; other
// types, and names or texts a registry cannot hold, are left out.
void AddWineKeys(const std::vector<WineKey>& keys, Hive hive, RegistryData& data);

} // namespace qb::discovery
