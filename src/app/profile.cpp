#include "app/profile.h"

#include "app/mailbox_registry.h"

namespace qb {

std::string ProfileSectionKey(const std::string& section) {
    return std::string(kAppKey) + '\\' + section;
}

namespace {

int ReadInt(const RegistryData& data, const std::string& section, const std::string& entry,
            int defaultValue) {
    const std::optional<std::uint32_t> number =
        data.GetDword(Hive::CurrentUser, ProfileSectionKey(section), entry);
    return number ? static_cast<int>(*number) : defaultValue;
}

std::string ReadString(const RegistryData& data, const std::string& section,
                       const std::string& entry, const std::string& defaultValue) {
    const std::optional<std::string> text =
        data.GetString(Hive::CurrentUser, ProfileSectionKey(section), entry);
    return text ? *text : defaultValue;
}

} // namespace

int GetProfileInt(RegistryFile& registry, const std::string& section, const std::string& entry,
                  int defaultValue) {
    RegistryData data;
    if (!registry.Load(data))
        return defaultValue;
    return ReadInt(data, section, entry, defaultValue);
}

bool WriteProfileInt(RegistryFile& registry, const std::string& section, const std::string& entry,
                     int value) {
    return registry.SetDword(Hive::CurrentUser, ProfileSectionKey(section), entry,
                             static_cast<std::uint32_t>(value));
}

std::string GetProfileString(RegistryFile& registry, const std::string& section,
                             const std::string& entry, const std::string& defaultValue) {
    RegistryData data;
    if (!registry.Load(data))
        return defaultValue;
    return ReadString(data, section, entry, defaultValue);
}

bool WriteProfileString(RegistryFile& registry, const std::string& section,
                        const std::string& entry, const std::string& value) {
    return registry.SetString(Hive::CurrentUser, ProfileSectionKey(section), entry, value);
}

} // namespace qb
