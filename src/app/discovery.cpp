#include "app/discovery.h"

#include "app/assign.h"
#include "app/profile.h"
#include "discovery/mozilla_profiles.h"
#include "discovery/netscape_unix.h"
#include "discovery/wine_prefix.h"
#include "platform/file_system.h"
#include "platform/paths.h"

#include <set>

namespace qb {

namespace {

const char* TypeOf(discovery::StoreKind kind) {
    return kind == discovery::StoreKind::CommunicatorProfile ? kTypeCommunicator : kTypeNavigator;
}

// The stores the other clients' keys name in each Wine prefix, at their places on this machine.
void FindWineStores(const discovery::Places& places, MailboxList& list,
                    discovery::Warnings& warnings) {
    const std::vector<std::string> keys = {kCommunicatorUsersKey, kInternetMailKey,
                                           kNavigatorMailKey};
    for (const std::string& prefix : discovery::FindWinePrefixes(places)) {
        RegistryData data;
        discovery::LoadWinePrefixRegistry(prefix, keys, data, warnings);
        MailboxList found;
        DiscoverMailboxes(data, found);
        for (auto& entry : found) {
            // A store whose path names no drive of the prefix is nowhere on this machine.
            entry->m_strStoreRoot = discovery::MapWindowsPath(prefix, entry->m_strStoreRoot);
            if (!entry->m_strStoreRoot.empty())
                list.push_back(std::move(entry));
        }
    }
}

void Append(const std::vector<discovery::FoundStore>& stores, MailboxList& list) {
    for (const discovery::FoundStore& store : stores) {
        list.push_back(std::make_unique<MailboxEntry>(store.name, store.root, TypeOf(store.kind)));
        list.back()->m_bReadOnly = store.readOnlySuggested;
    }
}

// The name as one registry key name: no backslash, no control character, at most
// kMaxKeyNameLength bytes (cut before a UTF-8 sequence, never inside one).
std::string KeyNameOf(std::string name) {
    for (char& c : name) {
        if (c == '\\')
            c = '/';
        else if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            c = ' ';
    }
    if (name.size() > kMaxKeyNameLength) {
        std::size_t cut = kMaxKeyNameLength;
        while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80)
            --cut;
        name.resize(cut);
    }
    return name.empty() ? std::string("Mail") : name;
}

bool NameTaken(const MailboxList& list, const std::string& name) {
    for (const auto& entry : list) {
        if (EqualsNoCase(entry->m_strName, name))
            return true;
    }
    return false;
}

} // namespace

std::string AppendMailDirectory(const std::string& directory) {
    std::string result = directory;
    if (result.empty() || result.back() != kPathSeparator)
        result += kPathSeparator;
    return result + "Mail";
}

bool FindCommunicatorProfiles(const RegistryData& data, MailboxList& list) {
    const std::optional<std::vector<std::string>> names =
        EnumKeyNames(data, Hive::LocalMachine, kCommunicatorUsersKey);
    if (!names)
        return false;
    for (const std::string& name : *names) {
        // A profile without "DirRoot" is still listed, below the file system's root.
        const std::string dirRoot = ReadRegString(data, Hive::LocalMachine,
                                                  std::string(kCommunicatorUsersKey) + '\\' + name,
                                                  kCommunicatorDirRootValue);
        list.push_back(
            std::make_unique<MailboxEntry>(name, AppendMailDirectory(dirRoot), kTypeCommunicator));
    }
    return true;
}

std::string GetInternetMailRoot(const RegistryData& data) {
    const std::string root =
        ReadRegString(data, Hive::CurrentUser, kInternetMailKey, kInternetMailRootValue);
    return root.empty() ? std::string() : AppendMailDirectory(root);
}

std::string GetNavigatorMailDir(const RegistryData& data) {
    return ReadRegString(data, Hive::CurrentUser, kNavigatorMailKey, kNavigatorMailDirValue);
}

void DiscoverMailboxes(const RegistryData& data, MailboxList& list) {
    FindCommunicatorProfiles(data, list);
    if (std::string root = GetInternetMailRoot(data); !root.empty())
        list.push_back(
            std::make_unique<MailboxEntry>(kInternetMailName, std::move(root), kTypeInternetMail));
    if (std::string dir = GetNavigatorMailDir(data); !dir.empty())
        list.push_back(
            std::make_unique<MailboxEntry>(kNetscapeMailName, std::move(dir), kTypeNavigator));
}

MailboxList DiscoverOnDisk(const discovery::Places& places, discovery::Warnings& warnings) {
    MailboxList list;
    FindWineStores(places, list, warnings);
    std::vector<discovery::FoundStore> found;
    discovery::FindNetscapeUnixStore(places, found, warnings);
    discovery::FindMozillaStores(places, found, warnings);
    Append(found, list);
    return list;
}

void MergeDiscovered(MailboxList& list, MailboxList more) {
    std::set<std::string> directories;
    for (const auto& entry : list)
        directories.insert(fs::ResolvePath(entry->m_strStoreRoot));
    for (auto& entry : more) {
        if (!directories.insert(fs::ResolvePath(entry->m_strStoreRoot)).second)
            continue;
        entry->m_strName =
            UniqueMailboxName(KeyNameOf(entry->m_strName),
                              [&list](const std::string& name) { return NameTaken(list, name); });
        list.push_back(std::move(entry));
    }
}

void DiscoverMailboxes(const RegistryData& data, const discovery::Places& places, MailboxList& list,
                       discovery::Warnings& warnings) {
    DiscoverMailboxes(data, list);
    MergeDiscovered(list, DiscoverOnDisk(places, warnings));
}

bool FindCommunicatorProfiles(RegistryFile& registry, MailboxList& list) {
    RegistryData data;
    return registry.Load(data) && FindCommunicatorProfiles(data, list);
}

std::string GetInternetMailRoot(RegistryFile& registry) {
    RegistryData data;
    return registry.Load(data) ? GetInternetMailRoot(data) : std::string();
}

std::string GetNavigatorMailDir(RegistryFile& registry) {
    RegistryData data;
    return registry.Load(data) ? GetNavigatorMailDir(data) : std::string();
}

void DiscoverMailboxes(RegistryFile& registry, MailboxList& list, discovery::Warnings* warnings) {
    RegistryData data;
    if (!registry.Load(data))
        return;
    discovery::Warnings unused;
    DiscoverMailboxes(data, discovery::Places::FromEnvironment(), list,
                      warnings ? *warnings : unused);
}

bool RegisterDefaultMailboxes(RegistryFile& registry, discovery::Warnings* warnings) {
    auto registered = [](const RegistryData& data) {
        const std::optional<std::uint32_t> marker =
            data.GetDword(Hive::CurrentUser, kAppKey, kFirstRunMarkerValue);
        return marker && *marker != 0;
    };
    // The disk is searched only on a first run, and before the registry is locked: other
    // programs wait only for the write.
    RegistryData current;
    if (!registry.Load(current))
        return false;
    if (registered(current))
        return true;
    discovery::Warnings unused;
    MailboxList onDisk =
        DiscoverOnDisk(discovery::Places::FromEnvironment(), warnings ? *warnings : unused);
    bool alreadyDone = false;
    // Marker and mailboxes go in one write under the lock: two programs starting together
    // register once, and a crash never leaves the marker set without the mailboxes.
    const bool written = registry.Update([&](RegistryData& data) {
        if (registered(data)) {
            alreadyDone = true;
            return false;
        }
        if (!data.SetDword(Hive::CurrentUser, kAppKey, kFirstRunMarkerValue, 1))
            return false;
        MailboxList found;
        DiscoverMailboxes(data, found);
        MergeDiscovered(found, std::move(onDisk));
        for (const auto& entry : found) {
            const std::string refusal = StoreTypeRefusal(entry->m_strStoreRoot, entry->m_strType);
            if (!refusal.empty()) {
                if (warnings != nullptr)
                    warnings->push_back(entry->m_strName + ": " + refusal);
                continue;
            }
            WriteMailboxEntry(data, entry->m_strName, entry->m_strStoreRoot, entry->m_strType,
                              entry->m_bReadOnly);
        }
        return true;
    });
    return written || alreadyDone;
}

} // namespace qb
