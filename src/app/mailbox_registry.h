// The registered mailboxes: one key per mailbox below "Managed Mails" in the per-user registry.
#pragma once

#include "model/mails.h"
#include "platform/registry_file.h"
#include "stores/root_folder.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qb {

// The application's own key and the key of the registered mailboxes (below HKEY_CURRENT_USER).
inline constexpr char kAppKey[] = "Software\\Velmora\\Quillbox";
inline constexpr char kManagedMailsKey[] = "SOFTWARE\\Velmora\\Quillbox\\Managed Mails";
// Profile section of the mailbox keys (below kAppKey) and the two values of each.
inline constexpr char kManagedMailsSection[] = "Managed Mails";
inline constexpr char kStoreRootValue[] = "Store Root";
inline constexpr char kTypeValue[] = "Type";
// A dword below a mailbox's key: any value but 0 registers the mailbox read-only (every command
// that would change its store is refused, see CQuillboxDoc::RefuseIfReadOnly).
inline constexpr char kReadOnlyValue[] = "Read Only";
// No registered mailbox has the name asked for.
inline constexpr char kTextMailboxNotFound[] = "Mailbox not found";
// A store root that is not an existing directory.
inline constexpr char kTextDirectoryNotFound[] = "Specified directory not found";
// A string value is read into a buffer of this many bytes, its terminating NUL included; longer
// values read as "".
inline constexpr std::size_t kRegStringBuffer = 512;
// Sub-key names are enumerated into a buffer of this many characters, NUL included; the first
// name that does not fit ends the enumeration.
inline constexpr std::size_t kKeyNameBuffer = 260;

// One registered store while the program runs. The entry owns its root folder tree.
struct MailboxEntry {
    MailboxEntry() = default;
    MailboxEntry(std::string name, std::string storeRoot, std::string type)
        : m_strName(std::move(name)), m_strStoreRoot(std::move(storeRoot)),
          m_strType(std::move(type)) {}
    ~MailboxEntry();
    MailboxEntry(const MailboxEntry&) = delete;
    MailboxEntry& operator=(const MailboxEntry&) = delete;

    std::string m_strName;
    std::string m_strStoreRoot;
    std::string m_strType;
    // Read-only: nothing may change the store (another client may still keep it; discovery
    // suggests it for such stores). Loaded from and written as kReadOnlyValue.
    bool m_bReadOnly = false;
    std::unique_ptr<CMails> m_pRoot; // freed with its whole tree
};

using MailboxList = std::vector<std::unique_ptr<MailboxEntry>>;

// One row to register: name, store root, type, and whether it is registered read-only.
struct MailboxRow {
    std::string name;
    std::string storeRoot;
    std::string type;
    bool readOnly = false;
};

// Builds the root folder of the store class that the entry's type selects (not yet loaded).
std::unique_ptr<CMails> MakeRootFolder(const MailboxEntry& entry);

// Registered names stay unique: `name` when `taken` says no to it, else the first of
// "name (2)", "name (3)", ... that it says no to, the name cut (never inside a UTF-8 sequence)
// so that the whole fits kMaxKeyNameLength. `taken` compares as its caller's lists do (the
// program's lists without regard to case).
std::string UniqueMailboxName(const std::string& name,
                              const std::function<bool(const std::string&)>& taken);

// The text of one string value, "" on any failure (missing key or value, a dword, a text that
// does not fit kRegStringBuffer, an unreadable registry file).
std::string ReadRegString(RegistryFile& registry, Hive hive, const std::string& subkey,
                          const std::string& value);
// Appends one entry (m_pRoot null) per mailbox with a non-empty store root, in enumeration order,
// read-only when its kReadOnlyValue is a dword other than 0.
// False, list unchanged, when the "Managed Mails" key does not exist or the file cannot be read
// (then registry.Error() says why; it is empty for a missing key).
bool LoadMailboxEntries(RegistryFile& registry, MailboxList& list);
// Creates or overwrites the mailbox's "Store Root", "Type" and read-only mark (kReadOnlyValue 1,
// or no such value) in one write. False, nothing written, when the registry cannot be written or
// the name cannot be a key name (empty, holding a backslash or a line break, longer than
// kMaxKeyNameLength).
bool WriteMailboxEntry(RegistryFile& registry, const std::string& name,
                       const std::string& storeRoot, const std::string& type,
                       bool readOnly = false);
// True when the mailbox's key has a non-empty "Store Root".
bool IsMailboxRegistered(RegistryFile& registry, const std::string& name);
// Removes every registered mailbox and writes the rows (read-only marks included) in order, all
// as one atomic write; a
// later row of a name already written overwrites it. Rows whose name cannot be a key name are
// left out and make the result false; so does a failed write, which leaves the file as it was.
bool ReplaceMailboxEntries(RegistryFile& registry, const std::vector<MailboxRow>& rows);

// The same over a registry already in memory (for callers that combine several steps in one
// RegistryFile::Update or read a consistent snapshot).
std::string ReadRegString(const RegistryData& data, Hive hive, std::string_view subkey,
                          std::string_view value);
// Sub-key names as a native enumeration with a kKeyNameBuffer buffer yields them; nullopt when
// the key does not exist.
std::optional<std::vector<std::string>> EnumKeyNames(const RegistryData& data, Hive hive,
                                                     std::string_view key);
bool LoadMailboxEntries(const RegistryData& data, MailboxList& list);
bool WriteMailboxEntry(RegistryData& data, const std::string& name, const std::string& storeRoot,
                       const std::string& type, bool readOnly = false);
bool IsMailboxRegistered(const RegistryData& data, const std::string& name);
bool ReplaceMailboxEntries(RegistryData& data, const std::vector<MailboxRow>& rows);

} // namespace qb
