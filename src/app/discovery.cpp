#include "app/discovery.h"

#include "app/profile.h"
#include "platform/paths.h"

namespace qb {

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

void DiscoverMailboxes(RegistryFile& registry, MailboxList& list) {
    RegistryData data;
    if (registry.Load(data))
        DiscoverMailboxes(data, list);
}

bool RegisterDefaultMailboxes(RegistryFile& registry) {
    bool alreadyDone = false;
    // Marker and mailboxes go in one write under the lock: two programs starting together
    // register once, and a crash never leaves the marker set without the mailboxes.
    const bool written = registry.Update([&](RegistryData& data) {
        const std::optional<std::uint32_t> marker =
            data.GetDword(Hive::CurrentUser, kAppKey, kFirstRunMarkerValue);
        if (marker && *marker != 0) {
            alreadyDone = true;
            return false;
        }
        if (!data.SetDword(Hive::CurrentUser, kAppKey, kFirstRunMarkerValue, 1))
            return false;
        MailboxList found;
        DiscoverMailboxes(data, found);
        for (const auto& entry : found)
            WriteMailboxEntry(data, entry->m_strName, entry->m_strStoreRoot, entry->m_strType);
        return true;
    });
    return written || alreadyDone;
}

} // namespace qb
