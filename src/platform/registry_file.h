// The per-user registry stand-in: a REGEDIT4 text file with the hives HKEY_CURRENT_USER and
// HKEY_LOCAL_MACHINE, string and dword values, key and value names compared without regard to
// case, sub-keys enumerated alphabetically without regard to case. Every change rewrites the
// whole file atomically under an exclusive lock.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace qb {

enum class Hive { CurrentUser, LocalMachine };

class RegistryFile {
  public:
    explicit RegistryFile(std::string path);
    // QUILLBOX_REGISTRY, else $XDG_CONFIG_HOME/Velmora/Quillbox.reg, else
    // ~/.config/Velmora/Quillbox.reg.
    static std::string DefaultPath();

    const std::string& Path() const { return m_path; }
    // Describes why the last operation failed ("" when none did); a damaged file is reported
    // here and never replaced by an empty registry.
    const std::string& Error() const { return m_error; }

    bool KeyExists(Hive hive, const std::string& key);
    std::optional<std::string> GetString(Hive hive, const std::string& key,
                                         const std::string& value);
    std::optional<std::uint32_t> GetDword(Hive hive, const std::string& key,
                                          const std::string& value);
    // Names of the direct sub-keys, alphabetical without regard to case. nullopt when the key
    // does not exist or the file cannot be read.
    std::optional<std::vector<std::string>> EnumSubKeys(Hive hive, const std::string& key);

    // Writes create the key and its parents when missing.
    bool SetString(Hive hive, const std::string& key, const std::string& value,
                   const std::string& text);
    bool SetDword(Hive hive, const std::string& key, const std::string& value,
                  std::uint32_t number);
    // Deletes a key with everything below it; false when it does not exist or cannot be written.
    bool DeleteKey(Hive hive, const std::string& key);

  private:
    std::string m_path;
    std::string m_error;
};

} // namespace qb
