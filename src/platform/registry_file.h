// The per-user registry stand-in: a REGEDIT4 text file with the hives HKEY_CURRENT_USER and
// HKEY_LOCAL_MACHINE, string and dword values, key and value names compared without regard to
// case, sub-keys enumerated alphabetically without regard to case. Every change rewrites the
// whole file atomically under an exclusive lock.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qb {

enum class Hive { CurrentUser, LocalMachine };

// Longest key name (one path component) that a write accepts, as the native registry.
inline constexpr std::size_t kMaxKeyNameLength = 255;

// The whole registry in memory. Key paths are given below a hive with '\' between the names
// ("Software\Velmora\Quillbox"); the empty path is the hive itself, which always exists.
class RegistryData {
  public:
    struct Value {
        std::string name; // "" is the key's default value, written as @
        bool isDword = false;
        std::string text;
        std::uint32_t number = 0;
    };

    // Reads REGEDIT4 text. On damage returns false, sets `error` (with the line number) and
    // leaves this object empty. An empty or blank text is an empty registry.
    bool Parse(std::string_view text, std::string* error = nullptr);
    // The REGEDIT4 text: keys in tree order (alphabetical without regard to case), values in the
    // order they were first written, LF line ends.
    std::string Serialize() const;
    void Clear();

    bool KeyExists(Hive hive, std::string_view key) const;
    std::optional<std::string> GetString(Hive hive, std::string_view key,
                                         std::string_view value) const;
    std::optional<std::uint32_t> GetDword(Hive hive, std::string_view key,
                                          std::string_view value) const;
    // Names of the direct sub-keys, alphabetical without regard to case; nullopt when the key
    // does not exist.
    std::optional<std::vector<std::string>> EnumSubKeys(Hive hive, std::string_view key) const;
    // The values of a key in stored order; nullopt when the key does not exist.
    std::optional<std::vector<Value>> GetValues(Hive hive, std::string_view key) const;

    // Writes create the key and its parents when missing; an existing key or value keeps the
    // spelling it was first created with. False (nothing changed) for a malformed key path (an
    // empty name, a name longer than kMaxKeyNameLength, a line break) or a text or value name
    // that holds a line break or a NUL, which the file cannot carry.
    bool CreateKey(Hive hive, std::string_view key);
    bool SetString(Hive hive, std::string_view key, std::string_view value, std::string_view text);
    bool SetDword(Hive hive, std::string_view key, std::string_view value, std::uint32_t number);
    // Deletes a key with everything below it; false when it does not exist (or is a hive).
    bool DeleteKey(Hive hive, std::string_view key);
    bool DeleteValue(Hive hive, std::string_view key, std::string_view value);

    static bool IsValidKeyPath(std::string_view key);

  private:
    struct Key {
        std::string path; // spelling as created
        std::vector<Value> values;
    };
    // Tree order: names compared without regard to case, a parent before its descendants.
    struct KeyOrder {
        bool operator()(const std::string& a, const std::string& b) const;
    };
    using KeyMap = std::map<std::string, Key, KeyOrder>; // indexed by the folded path

    const Key* FindKey(Hive hive, std::string_view key) const;
    const Value* FindValue(Hive hive, std::string_view key, std::string_view value) const;
    Key* FindOrCreateKey(Hive hive, std::string_view key);
    Value* FindOrCreateValue(Hive hive, std::string_view key, std::string_view value);

    KeyMap m_keys[2];
};

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

    // Reads the whole file; a missing file is an empty registry. False when the file cannot be
    // read or is damaged.
    bool Load(RegistryData& data);
    // Loads the file under the exclusive lock, lets `change` edit it, and writes the result back
    // as one atomic replace. Nothing is written when `change` returns false (Update then returns
    // false with an empty Error()) or when the file cannot be read or is damaged.
    bool Update(const std::function<bool(RegistryData&)>& change);

    // Single reads and writes; each write is one Update.
    bool KeyExists(Hive hive, const std::string& key);
    std::optional<std::string> GetString(Hive hive, const std::string& key,
                                         const std::string& value);
    std::optional<std::uint32_t> GetDword(Hive hive, const std::string& key,
                                          const std::string& value);
    // Names of the direct sub-keys, alphabetical without regard to case. nullopt when the key
    // does not exist or the file cannot be read.
    std::optional<std::vector<std::string>> EnumSubKeys(Hive hive, const std::string& key);

    bool SetString(Hive hive, const std::string& key, const std::string& value,
                   const std::string& text);
    bool SetDword(Hive hive, const std::string& key, const std::string& value,
                  std::uint32_t number);
    // Deletes a key with everything below it; false when it does not exist or cannot be written.
    bool DeleteKey(Hive hive, const std::string& key);

    // How long a writer waits for another process's lock before giving up.
    void SetLockTimeout(int milliseconds) { m_lockTimeoutMs = milliseconds; }

  private:
    bool EnsureDirectory(const std::string& dir);
    bool Write(const RegistryData& data, bool existed);

    std::string m_path;
    std::string m_error;
    int m_lockTimeoutMs = 10000;
};

} // namespace qb
