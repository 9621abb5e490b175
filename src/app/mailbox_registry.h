// The registered mailboxes: one key per mailbox below "Managed Mails" in the per-user registry.
#pragma once

#include "model/mails.h"
#include "platform/registry_file.h"

#include <memory>
#include <string>
#include <vector>

namespace qb {

// Store type strings as written to the registry.
inline constexpr char kTypeInternetMail[] = "Microsoft IM";
inline constexpr char kTypeNavigator[] = "Navigator Mail";
inline constexpr char kTypeCommunicator[] = "Communicator User";

// The application's own key and the key of the registered mailboxes (below HKEY_CURRENT_USER).
inline constexpr char kAppKey[] = "Software\\Velmora\\Quillbox";
inline constexpr char kManagedMailsKey[] = "SOFTWARE\\Velmora\\Quillbox\\Managed Mails";

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
    CMails* m_pRoot = nullptr; // owned: freed with its whole tree
};

using MailboxList = std::vector<std::unique_ptr<MailboxEntry>>;

// One row to register: name, store root, type.
struct MailboxRow {
    std::string name;
    std::string storeRoot;
    std::string type;
};

// True when the type string selects the Netscape store (exact, case-sensitive); every other
// text, the empty one included, selects the Internet Mail store.
bool IsNetscapeType(const std::string& type);

// Builds the root folder of the store class that the entry's type selects (not yet loaded).
std::unique_ptr<CMails> MakeRootFolder(const MailboxEntry& entry);

std::string ReadRegString(RegistryFile& registry, Hive hive, const std::string& subkey,
                          const std::string& value);
bool LoadMailboxEntries(RegistryFile& registry, MailboxList& list);
bool WriteMailboxEntry(RegistryFile& registry, const std::string& name,
                       const std::string& storeRoot, const std::string& type);
bool IsMailboxRegistered(RegistryFile& registry, const std::string& name);
bool ReplaceMailboxEntries(RegistryFile& registry, const std::vector<MailboxRow>& rows);

} // namespace qb
