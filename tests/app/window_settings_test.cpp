// The "Settings" values of the main window: defaults, the rules for reading and writing them,
// and how they are kept in the registry file.
#include "app/registry_fixture.h"
#include "app/window_settings.h"
#include "support/settings_store.h"

#include <gtest/gtest.h>

#include <string>

namespace qb {
namespace {

using test::MapSettingsStore;

TEST(WindowSettings, EmptySettingsGiveTheDefaults) {
    MapSettingsStore store;
    const WindowPlacement p = ReadWindowPlacement(store);
    EXPECT_FALSE(p.HasRect());
    EXPECT_FALSE(p.zoomed);
    const PaneSizes panes = ReadPaneSizes(store);
    EXPECT_EQ(panes.treeWidth, 150);
    EXPECT_EQ(panes.treeHeight, 150);
    EXPECT_EQ(ReadColumnWidths(store), (ColumnWidths{200, 100, 100, 100}));
    EXPECT_EQ(ReadCurrentFolder(store), "");
    EXPECT_EQ(ColumnWidthName(3), "Column3 Width");
}

TEST(WindowSettings, StoredRectangleNeedsBothFarEdges) {
    MapSettingsStore store;
    store.ints = {{"Top", 10}, {"Left", 20}, {"Bottom", 400}, {"Right", 0}};
    EXPECT_FALSE(ReadWindowPlacement(store).HasRect());
    store.ints = {{"Top", 10}, {"Left", 20}, {"Bottom", 0}, {"Right", 500}};
    EXPECT_FALSE(ReadWindowPlacement(store).HasRect());
    store.ints = {{"Top", 10}, {"Left", 20}, {"Bottom", 400}, {"Right", 500}};
    const WindowPlacement p = ReadWindowPlacement(store);
    EXPECT_TRUE(p.HasRect());
    EXPECT_EQ(p.Width(), 480);
    EXPECT_EQ(p.Height(), 390);
}

TEST(WindowSettings, ZoomedIgnoresCase) {
    MapSettingsStore store;
    for (const char* yes : {"Yes", "yes", "YES"}) {
        store.strings["Zoomed"] = yes;
        EXPECT_TRUE(ReadWindowPlacement(store).zoomed) << yes;
    }
    for (const char* no : {"No", "Y", "true", ""}) {
        store.strings["Zoomed"] = no;
        EXPECT_FALSE(ReadWindowPlacement(store).zoomed) << no;
    }
}

TEST(WindowSettings, NegativeTopAndLeftAreStoredAsZero) {
    MapSettingsStore store;
    WindowPlacement p;
    p.top = -30;
    p.left = -8;
    p.bottom = -2;
    p.right = 700;
    p.zoomed = true;
    WriteWindowPlacement(store, p);
    EXPECT_EQ(store.ints["Top"], 0);
    EXPECT_EQ(store.ints["Left"], 0);
    EXPECT_EQ(store.ints["Bottom"], -2);
    EXPECT_EQ(store.ints["Right"], 700);
    EXPECT_EQ(store.strings["Zoomed"], "Yes");
}

class RegistrySettings : public test::RegistryTest {};

TEST_F(RegistrySettings, DwordsAndStringsOfTheSettingsKeyWithDefaultsForTheRest) {
    RegistryFile reg = Registry();
    RegistrySettingsStore store(reg);
    EXPECT_EQ(ReadPaneSizes(store).treeWidth, 150);
    EXPECT_EQ(ReadColumnWidths(store)[3], 100);

    WritePaneSizes(store, {321, 150});
    WriteWindowPlacement(store, {0, -7, 0, 0, true});
    ColumnWidths widths = ReadColumnWidths(store);
    widths[2] = 55;
    WriteColumnWidths(store, widths);
    WriteCurrentFolder(store, "/m/Inbox");
    EXPECT_EQ(ReadPaneSizes(store).treeWidth, 321);
    EXPECT_EQ(ReadColumnWidths(store), (ColumnWidths{200, 100, 55, 100}));
    EXPECT_TRUE(ReadWindowPlacement(store).zoomed);
    EXPECT_EQ(ReadCurrentFolder(store), "/m/Inbox");
    // Names are matched without regard to case.
    EXPECT_EQ(store.GetInt("tree width", 0), 321);

    // Integers are dwords, texts strings, under the application's key.
    const std::string text = test::ReadFile(RegistryPath());
    EXPECT_NE(text.find("[HKEY_CURRENT_USER\\Software\\Velmora\\Quillbox\\Settings]\n"),
              std::string::npos);
    EXPECT_NE(text.find("\"Tree Width\"=dword:00000141\n"), std::string::npos);
    EXPECT_NE(text.find("\"Left\"=dword:00000000\n"), std::string::npos);
    EXPECT_NE(text.find("\"Column2 Width\"=dword:00000037\n"), std::string::npos);
    EXPECT_NE(text.find("\"Zoomed\"=\"Yes\"\n"), std::string::npos);

    // A value of the other kind reads as the fallback; so does everything of a damaged file,
    // which is not written over.
    EXPECT_EQ(store.GetString("Tree Width", "dflt"), "dflt");
    EXPECT_EQ(store.GetInt("Zoomed", 9), 9);
    Seed("[broken");
    EXPECT_EQ(ReadPaneSizes(store).treeWidth, 150);
    EXPECT_EQ(ReadCurrentFolder(store), "");
    EXPECT_FALSE(store.SetInt("Top", 1));
}

} // namespace
} // namespace qb
