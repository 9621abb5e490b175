#include "ui/window_settings.h"

#include "app/profile.h"
#include "platform/paths.h"
#include "platform/registry_file.h"

#include <algorithm>
#include <cstdio>

namespace qb {

int RegistrySettingsStore::GetInt(const std::string& name, int fallback) {
    return GetProfileInt(m_registry, kSettingsSection, name, fallback);
}

std::string RegistrySettingsStore::GetString(const std::string& name, const std::string& fallback) {
    return GetProfileString(m_registry, kSettingsSection, name, fallback);
}

bool RegistrySettingsStore::SetInt(const std::string& name, int value) {
    return WriteProfileInt(m_registry, kSettingsSection, name, value);
}

bool RegistrySettingsStore::SetString(const std::string& name, const std::string& value) {
    return WriteProfileString(m_registry, kSettingsSection, name, value);
}

WindowPlacement ReadWindowPlacement(SettingsStore& store) {
    WindowPlacement p;
    p.top = store.GetInt("Top", 0);
    p.left = store.GetInt("Left", 0);
    p.bottom = store.GetInt("Bottom", 0);
    p.right = store.GetInt("Right", 0);
    p.zoomed = EqualsNoCase(store.GetString("Zoomed", "No"), "Yes");
    return p;
}

void WriteWindowPlacement(SettingsStore& store, const WindowPlacement& p) {
    store.SetInt("Top", std::max(p.top, 0));
    store.SetInt("Left", std::max(p.left, 0));
    store.SetInt("Bottom", p.bottom);
    store.SetInt("Right", p.right);
    store.SetString("Zoomed", p.zoomed ? "Yes" : "No");
}

PaneSizes ReadPaneSizes(SettingsStore& store) {
    PaneSizes s;
    s.treeWidth = store.GetInt("Tree Width", 150);
    s.treeHeight = store.GetInt("Tree Height", 150);
    return s;
}

void WritePaneSizes(SettingsStore& store, const PaneSizes& sizes) {
    store.SetInt("Tree Height", sizes.treeHeight);
    store.SetInt("Tree Width", sizes.treeWidth);
}

std::string ColumnWidthName(int column) {
    char name[32];
    std::snprintf(name, sizeof name, "Column%d Width", column);
    return name;
}

ColumnWidths ReadColumnWidths(SettingsStore& store) {
    ColumnWidths widths = kDefaultColumnWidths;
    for (int i = 0; i < kColumnCount; ++i)
        widths[i] = store.GetInt(ColumnWidthName(i), kDefaultColumnWidths[i]);
    return widths;
}

void WriteColumnWidths(SettingsStore& store, const ColumnWidths& widths) {
    for (int i = 0; i < kColumnCount; ++i)
        store.SetInt(ColumnWidthName(i), widths[i]);
}

std::string ReadCurrentFolder(SettingsStore& store) {
    return store.GetString("Current Folder", "");
}

void WriteCurrentFolder(SettingsStore& store, const std::string& path) {
    store.SetString("Current Folder", path);
}

} // namespace qb
