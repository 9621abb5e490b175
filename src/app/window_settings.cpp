#include "app/window_settings.h"

#include "app/profile.h"
#include "platform/paths.h"
#include "platform/registry_file.h"

#include <algorithm>

namespace qb {

namespace {

// The section and its values.
constexpr char kSection[] = "Settings";
constexpr char kTop[] = "Top";
constexpr char kLeft[] = "Left";
constexpr char kBottom[] = "Bottom";
constexpr char kRight[] = "Right";
constexpr char kZoomed[] = "Zoomed";
constexpr char kTreeWidth[] = "Tree Width";
constexpr char kTreeHeight[] = "Tree Height";
constexpr char kCurrentFolder[] = "Current Folder";
constexpr char kGeometry[] = "Window Geometry";

} // namespace

int RegistrySettingsStore::GetInt(const std::string& name, int fallback) {
    return GetProfileInt(m_registry, kSection, name, fallback);
}

std::string RegistrySettingsStore::GetString(const std::string& name, const std::string& fallback) {
    return GetProfileString(m_registry, kSection, name, fallback);
}

bool RegistrySettingsStore::SetInt(const std::string& name, int value) {
    return WriteProfileInt(m_registry, kSection, name, value);
}

bool RegistrySettingsStore::SetString(const std::string& name, const std::string& value) {
    return WriteProfileString(m_registry, kSection, name, value);
}

WindowPlacement ReadWindowPlacement(SettingsStore& store) {
    WindowPlacement p;
    p.top = store.GetInt(kTop, 0);
    p.left = store.GetInt(kLeft, 0);
    p.bottom = store.GetInt(kBottom, 0);
    p.right = store.GetInt(kRight, 0);
    p.zoomed = EqualsNoCase(store.GetString(kZoomed, "No"), "Yes");
    return p;
}

void WriteWindowPlacement(SettingsStore& store, const WindowPlacement& p) {
    store.SetInt(kTop, std::max(p.top, 0));
    store.SetInt(kLeft, std::max(p.left, 0));
    store.SetInt(kBottom, p.bottom);
    store.SetInt(kRight, p.right);
    store.SetString(kZoomed, p.zoomed ? "Yes" : "No");
}

std::string ReadWindowGeometry(SettingsStore& store) {
    return store.GetString(kGeometry, "");
}

void WriteWindowGeometry(SettingsStore& store, const std::string& base64) {
    store.SetString(kGeometry, base64);
}

PaneSizes ReadPaneSizes(SettingsStore& store) {
    const PaneSizes defaults;
    PaneSizes s;
    s.treeWidth = store.GetInt(kTreeWidth, defaults.treeWidth);
    s.treeHeight = store.GetInt(kTreeHeight, defaults.treeHeight);
    return s;
}

void WritePaneSizes(SettingsStore& store, const PaneSizes& sizes) {
    store.SetInt(kTreeHeight, sizes.treeHeight);
    store.SetInt(kTreeWidth, sizes.treeWidth);
}

std::string ColumnWidthName(int column) {
    return "Column" + std::to_string(column) + " Width";
}

ColumnWidths ReadColumnWidths(SettingsStore& store, const ColumnWidths& defaults) {
    ColumnWidths widths = defaults;
    for (int i = 0; i < kMessageColumnCount; ++i) {
        int& width = widths[static_cast<std::size_t>(i)];
        width = store.GetInt(ColumnWidthName(i), width);
    }
    return widths;
}

void WriteColumnWidths(SettingsStore& store, const ColumnWidths& widths) {
    for (int i = 0; i < kMessageColumnCount; ++i)
        store.SetInt(ColumnWidthName(i), widths[static_cast<std::size_t>(i)]);
}

std::string ReadCurrentFolder(SettingsStore& store) {
    return store.GetString(kCurrentFolder, "");
}

void WriteCurrentFolder(SettingsStore& store, const std::string& path) {
    store.SetString(kCurrentFolder, path);
}

} // namespace qb
