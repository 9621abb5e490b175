// The main window's layout values in the "Settings" section of the program's settings root:
// names, defaults, and the rules for reading and writing them.
#pragma once

#include "app/message_columns.h"

#include <string>

namespace qb {

class RegistryFile;

// Where the values live; the registry file in the program, anything in tests.
class SettingsStore {
  public:
    virtual ~SettingsStore() = default;
    virtual int GetInt(const std::string& name, int fallback) = 0;
    virtual std::string GetString(const std::string& name, const std::string& fallback) = 0;
    virtual bool SetInt(const std::string& name, int value) = 0;
    virtual bool SetString(const std::string& name, const std::string& value) = 0;
};

// The section below HKEY_CURRENT_USER\Software\Velmora\Quillbox. Integers are dword values,
// texts string values; a missing value, one of the other kind or an unreadable file reads as
// the fallback.
class RegistrySettingsStore : public SettingsStore {
  public:
    explicit RegistrySettingsStore(RegistryFile& registry) : m_registry(registry) {}
    int GetInt(const std::string& name, int fallback) override;
    std::string GetString(const std::string& name, const std::string& fallback) override;
    bool SetInt(const std::string& name, int value) override;
    bool SetString(const std::string& name, const std::string& value) override;

  private:
    RegistryFile& m_registry;
};

struct WindowPlacement {
    int top = 0;
    int left = 0;
    int bottom = 0;
    int right = 0;
    bool zoomed = false;

    // A stored rectangle counts only when both its right and bottom edges are non-zero;
    // otherwise the platform places the window.
    bool HasRect() const { return bottom != 0 && right != 0; }
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
};

struct PaneSizes {
    int treeWidth = 150;
    int treeHeight = 150;
};

WindowPlacement ReadWindowPlacement(SettingsStore& store);
// Writes the outer rectangle of a window that is not minimised; a negative top or left edge is
// stored as 0, the right and bottom edges as they are.
void WriteWindowPlacement(SettingsStore& store, const WindowPlacement& placement);
// The window's geometry as the toolkit saves it (frame left out, normal size kept while
// maximised), base64-encoded in "Window Geometry"; empty when not stored. When present it takes
// the place of the rectangle above, which is still written for older versions.
std::string ReadWindowGeometry(SettingsStore& store);
void WriteWindowGeometry(SettingsStore& store, const std::string& base64);
PaneSizes ReadPaneSizes(SettingsStore& store);
void WritePaneSizes(SettingsStore& store, const PaneSizes& sizes);
// The message list's columns (message_columns.h), `defaults` for those not stored.
ColumnWidths ReadColumnWidths(SettingsStore& store,
                              const ColumnWidths& defaults = DefaultColumnWidths());
void WriteColumnWidths(SettingsStore& store, const ColumnWidths& widths);
std::string ReadCurrentFolder(SettingsStore& store);
void WriteCurrentFolder(SettingsStore& store, const std::string& path);
// "Column0 Width" .. "Column3 Width".
std::string ColumnWidthName(int column);

} // namespace qb
