#include "app/profile.h"

#include "app/mailbox_registry.h"

namespace qb {

std::string ProfileSectionKey(const std::string& section) {
    return std::string(kAppKey) + '\\' + section;
}

std::string ColumnWidthSetting(int column) {
    return "Column" + std::to_string(column) + " Width";
}

int DefaultColumnWidth(int column) {
    return column == 0 ? 200 : 100;
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

bool ReadWindowSettings(RegistryFile& registry, WindowSettings& settings) {
    settings = WindowSettings{};
    RegistryData data;
    if (!registry.Load(data))
        return false;
    const std::string s = kSettingsSection;
    settings.top = ReadInt(data, s, kSettingTop, kDefaultTop);
    settings.left = ReadInt(data, s, kSettingLeft, kDefaultLeft);
    settings.bottom = ReadInt(data, s, kSettingBottom, kDefaultBottom);
    settings.right = ReadInt(data, s, kSettingRight, kDefaultRight);
    settings.zoomed = ReadString(data, s, kSettingZoomed, kDefaultZoomed);
    settings.treeWidth = ReadInt(data, s, kSettingTreeWidth, kDefaultTreeWidth);
    settings.treeHeight = ReadInt(data, s, kSettingTreeHeight, kDefaultTreeHeight);
    for (int i = 0; i < kListColumnCount; ++i)
        settings.columnWidth[i] = ReadInt(data, s, ColumnWidthSetting(i), DefaultColumnWidth(i));
    settings.currentFolder = ReadString(data, s, kSettingCurrentFolder, kDefaultCurrentFolder);
    return true;
}

} // namespace qb
