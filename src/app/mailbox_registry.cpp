#include "app/mailbox_registry.h"

#include "app/profile.h"

#include <algorithm>

namespace qb {

namespace {

// The key of one mailbox as written through the profile ("Software\...\Managed Mails\NAME").
std::string MailboxKey(const std::string& name) {
    return ProfileSectionKey(std::string(kManagedMailsSection) + '\\' + name);
}

// A mailbox name must be exactly one key name.
bool IsValidMailboxName(const std::string& name) {
    return !name.empty() && name.find('\\') == std::string::npos &&
           RegistryData::IsValidKeyPath(name);
}

} // namespace

MailboxEntry::~MailboxEntry() = default;

std::string UniqueMailboxName(const std::string& name,
                              const std::function<bool(const std::string&)>& taken) {
    std::string unique = name;
    for (int n = 2; taken(unique); ++n) {
        const std::string suffix = " (" + std::to_string(n) + ")";
        std::size_t cut = std::min(name.size(), kMaxKeyNameLength - suffix.size());
        while (cut > 0 && cut < name.size() &&
               (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80)
            --cut;
        unique = name.substr(0, cut) + suffix;
    }
    return unique;
}

std::unique_ptr<CMails> MakeRootFolder(const MailboxEntry& entry) {
    return MakeRootFolder(entry.m_strName, entry.m_strStoreRoot, entry.m_strType);
}

std::string ReadRegString(const RegistryData& data, Hive hive, std::string_view subkey,
                          std::string_view value) {
    const std::optional<std::string> text = data.GetString(hive, subkey, value);
    if (!text || text->size() >= kRegStringBuffer)
        return {};
    return *text;
}

std::string ReadRegString(RegistryFile& registry, Hive hive, const std::string& subkey,
                          const std::string& value) {
    RegistryData data;
    if (!registry.Load(data))
        return {};
    return ReadRegString(data, hive, subkey, value);
}

std::optional<std::vector<std::string>> EnumKeyNames(const RegistryData& data, Hive hive,
                                                     std::string_view key) {
    std::optional<std::vector<std::string>> names = data.EnumSubKeys(hive, key);
    if (!names)
        return names;
    // The first name that does not fit the buffer ends the enumeration.
    for (std::size_t i = 0; i < names->size(); ++i) {
        if ((*names)[i].size() >= kKeyNameBuffer) {
            names->resize(i);
            break;
        }
    }
    return names;
}

bool LoadMailboxEntries(const RegistryData& data, MailboxList& list) {
    const std::optional<std::vector<std::string>> names =
        EnumKeyNames(data, Hive::CurrentUser, kManagedMailsKey);
    if (!names)
        return false;
    for (const std::string& name : *names) {
        const std::string key = std::string(kManagedMailsKey) + '\\' + name;
        std::string storeRoot = ReadRegString(data, Hive::CurrentUser, key, kStoreRootValue);
        std::string type = ReadRegString(data, Hive::CurrentUser, key, kTypeValue);
        if (storeRoot.empty())
            continue;
        list.push_back(std::make_unique<MailboxEntry>(name, std::move(storeRoot), std::move(type)));
        const std::optional<std::uint32_t> readOnly =
            data.GetDword(Hive::CurrentUser, key, kReadOnlyValue);
        list.back()->m_bReadOnly = readOnly && *readOnly != 0;
    }
    return true;
}

bool LoadMailboxEntries(RegistryFile& registry, MailboxList& list) {
    RegistryData data;
    if (!registry.Load(data))
        return false;
    return LoadMailboxEntries(data, list);
}

bool WriteMailboxEntry(RegistryData& data, const std::string& name, const std::string& storeRoot,
                       const std::string& type, bool readOnly) {
    if (!IsValidMailboxName(name))
        return false;
    const std::string key = MailboxKey(name);
    // Check both texts first so that a refused type never leaves a half-written entry.
    RegistryData probe;
    if (!probe.SetString(Hive::CurrentUser, key, kStoreRootValue, storeRoot) ||
        !probe.SetString(Hive::CurrentUser, key, kTypeValue, type))
        return false;
    if (!data.SetString(Hive::CurrentUser, key, kStoreRootValue, storeRoot) ||
        !data.SetString(Hive::CurrentUser, key, kTypeValue, type))
        return false;
    if (readOnly)
        return data.SetDword(Hive::CurrentUser, key, kReadOnlyValue, 1);
    // The mark goes with an entry written writable, so an overwrite never keeps a stale one.
    data.DeleteValue(Hive::CurrentUser, key, kReadOnlyValue);
    return true;
}

bool WriteMailboxEntry(RegistryFile& registry, const std::string& name,
                       const std::string& storeRoot, const std::string& type, bool readOnly) {
    return registry.Update([&](RegistryData& data) {
        return WriteMailboxEntry(data, name, storeRoot, type, readOnly);
    });
}

bool IsMailboxRegistered(const RegistryData& data, const std::string& name) {
    // A backslash would reach into another mailbox's sub-keys.
    if (name.empty() || name.find('\\') != std::string::npos)
        return false;
    const std::optional<std::string> root =
        data.GetString(Hive::CurrentUser, MailboxKey(name), kStoreRootValue);
    return root && !root->empty();
}

bool IsMailboxRegistered(RegistryFile& registry, const std::string& name) {
    RegistryData data;
    return registry.Load(data) && IsMailboxRegistered(data, name);
}

bool ReplaceMailboxEntries(RegistryData& data, const std::vector<MailboxRow>& rows) {
    // Removing the key removes every mailbox below it, also those an enumeration would not reach.
    data.DeleteKey(Hive::CurrentUser, kManagedMailsKey);
    bool all = true;
    for (const MailboxRow& row : rows)
        all = WriteMailboxEntry(data, row.name, row.storeRoot, row.type, row.readOnly) && all;
    return all;
}

bool ReplaceMailboxEntries(RegistryFile& registry, const std::vector<MailboxRow>& rows) {
    bool all = true;
    const bool written = registry.Update([&](RegistryData& data) {
        all = ReplaceMailboxEntries(data, rows);
        return true;
    });
    return written && all;
}

} // namespace qb
