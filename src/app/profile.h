// The program's own settings below HKEY_CURRENT_USER\Software\Velmora\Quillbox, read and written
// by section and entry name. Integers are dword values, texts string values; a missing value (or
// one of the other kind) reads as the given default.
#pragma once

#include "platform/registry_file.h"

#include <string>

namespace qb {

// The window layout the desktop program keeps between runs, with the defaults a first run uses.
inline constexpr char kSettingsSection[] = "Settings";
inline constexpr char kSettingTop[] = "Top";
inline constexpr char kSettingLeft[] = "Left";
inline constexpr char kSettingBottom[] = "Bottom";
inline constexpr char kSettingRight[] = "Right";
inline constexpr char kSettingZoomed[] = "Zoomed";
inline constexpr char kSettingTreeWidth[] = "Tree Width";
inline constexpr char kSettingTreeHeight[] = "Tree Height";
inline constexpr char kSettingCurrentFolder[] = "Current Folder";
inline constexpr int kDefaultTop = 0;
inline constexpr int kDefaultLeft = 0;
inline constexpr int kDefaultBottom = 0;
inline constexpr int kDefaultRight = 0;
inline constexpr char kDefaultZoomed[] = "No";
inline constexpr int kDefaultTreeWidth = 150;
inline constexpr int kDefaultTreeHeight = 150;
inline constexpr char kDefaultCurrentFolder[] = "";
inline constexpr int kListColumnCount = 4;
// "Column0 Width" .. "Column3 Width": Subject, From, To, Date.
std::string ColumnWidthSetting(int column);
int DefaultColumnWidth(int column); // 200, 100, 100, 100

// The stored value, or `defaultValue` when it is missing, not a dword or cannot be read.
int GetProfileInt(RegistryFile& registry, const std::string& section, const std::string& entry,
                  int defaultValue);
// Stores the value as a 32-bit number (negative numbers in two's complement).
bool WriteProfileInt(RegistryFile& registry, const std::string& section, const std::string& entry,
                     int value);
std::string GetProfileString(RegistryFile& registry, const std::string& section,
                             const std::string& entry, const std::string& defaultValue = "");
bool WriteProfileString(RegistryFile& registry, const std::string& section,
                        const std::string& entry, const std::string& value);

// The key of a section: the application key, '\', the section (which may name a sub-key path).
std::string ProfileSectionKey(const std::string& section);

// The whole "Settings" section at once: read once at start, written once at close.
struct WindowSettings {
    int top = kDefaultTop;
    int left = kDefaultLeft;
    int bottom = kDefaultBottom;
    int right = kDefaultRight;
    std::string zoomed = kDefaultZoomed;
    int treeWidth = kDefaultTreeWidth;
    int treeHeight = kDefaultTreeHeight;
    int columnWidth[kListColumnCount] = {200, 100, 100, 100};
    std::string currentFolder = kDefaultCurrentFolder;
};
// Reads every setting, defaults for what is missing; false (defaults throughout) when the file
// cannot be read.
bool ReadWindowSettings(RegistryFile& registry, WindowSettings& settings);

} // namespace qb
