// The "Settings" values: defaults, the rules for reading and writing them, and when the main
// window reads and writes them.
#include "ui_fixtures.h"
#include "ui_test_main.h"

#include "ui/folder_tree_view.h"
#include "ui/mail_list_view.h"
#include "ui/main_frame.h"

#include <QHeaderView>
#include <QSplitter>

using namespace qb;
using namespace qb::test;

class SettingsTest : public QObject {
    Q_OBJECT
  private slots:
    void EmptySettingsGiveTheDefaults() {
        MapSettingsStore store;
        WindowPlacement p = ReadWindowPlacement(store);
        QVERIFY(!p.HasRect());
        QVERIFY(!p.zoomed);
        PaneSizes panes = ReadPaneSizes(store);
        QCOMPARE(panes.treeWidth, 150);
        QCOMPARE(panes.treeHeight, 150);
        QVERIFY(ReadColumnWidths(store) == (ColumnWidths{200, 100, 100, 100}));
        QCOMPARE(ReadCurrentFolder(store), std::string());
        QCOMPARE(ColumnWidthName(3), std::string("Column3 Width"));
    }

    void StoredRectangleNeedsBothFarEdges() {
        MapSettingsStore store;
        store.ints = {{"Top", 10}, {"Left", 20}, {"Bottom", 400}, {"Right", 0}};
        QVERIFY(!ReadWindowPlacement(store).HasRect());
        store.ints = {{"Top", 10}, {"Left", 20}, {"Bottom", 0}, {"Right", 500}};
        QVERIFY(!ReadWindowPlacement(store).HasRect());
        store.ints = {{"Top", 10}, {"Left", 20}, {"Bottom", 400}, {"Right", 500}};
        WindowPlacement p = ReadWindowPlacement(store);
        QVERIFY(p.HasRect());
        QCOMPARE(p.Width(), 480);
        QCOMPARE(p.Height(), 390);
    }

    void ZoomedIgnoresCase() {
        MapSettingsStore store;
        for (const char* yes : {"Yes", "yes", "YES"}) {
            store.strings["Zoomed"] = yes;
            QVERIFY(ReadWindowPlacement(store).zoomed);
        }
        for (const char* no : {"No", "Y", "true", ""}) {
            store.strings["Zoomed"] = no;
            QVERIFY(!ReadWindowPlacement(store).zoomed);
        }
    }

    void NegativeTopAndLeftAreStoredAsZero() {
        MapSettingsStore store;
        WindowPlacement p;
        p.top = -30;
        p.left = -8;
        p.bottom = -2;
        p.right = 700;
        p.zoomed = true;
        WriteWindowPlacement(store, p);
        QCOMPARE(store.ints["Top"], 0);
        QCOMPARE(store.ints["Left"], 0);
        QCOMPARE(store.ints["Bottom"], -2);
        QCOMPARE(store.ints["Right"], 700);
        QCOMPARE(store.strings["Zoomed"], std::string("Yes"));
    }

    void PanesAndColumnsStartAtTheirStoredSizes() {
        MapSettingsStore store;
        store.ints = {{"Tree Width", 180}, {"Tree Height", 120}};
        CMainFrame frame(store);
        frame.resize(900, 700);
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        QCOMPARE(frame.TreeView()->width(), 180);
        QCOMPARE(frame.TreeView()->height(), 120);
        QVERIFY(frame.ListView()->width() > 500);

        MapSettingsStore defaults;
        CMainFrame plain(defaults);
        plain.resize(900, 700);
        plain.show();
        QVERIFY(QTest::qWaitForWindowExposed(&plain));
        QCOMPARE(plain.TreeView()->width(), 150);
        QCOMPARE(plain.TreeView()->height(), 150);
        auto widths = plain.ListView()->ColumnWidths();
        QVERIFY(widths == (std::array<int, 4>{200, 100, 100, 100}));
    }

    void CloseWritesLayoutAndKeepsFolderWithoutSelection() {
        MapSettingsStore store;
        store.strings["Current Folder"] = "/old/path";
        {
            CMainFrame frame(store);
            WindowPlacement placement;
            placement.top = 40;
            placement.left = 60;
            placement.bottom = 640;
            placement.right = 860;
            frame.ApplyPlacement(placement);
            frame.ShowWindow();
            QVERIFY(QTest::qWaitForWindowExposed(&frame));
            frame.ListView()->header()->resizeSection(2, 77);
            frame.InnerSplitter()->setSizes({210, 500});
            frame.close();
        }
        QCOMPARE(store.ints["Left"], 60);
        QCOMPARE(store.ints["Top"], 40);
        QCOMPARE(store.ints["Right"], 860);
        QCOMPARE(store.ints["Bottom"], 640);
        QCOMPARE(store.strings["Zoomed"], std::string("No"));
        QCOMPARE(store.ints["Tree Width"], 210);
        QCOMPARE(store.ints["Tree Height"], 150);
        QCOMPARE(store.ints["Column0 Width"], 200);
        QCOMPARE(store.ints["Column2 Width"], 77);
        QCOMPARE(store.strings["Current Folder"], std::string("/old/path"));
    }

    void MinimisedCloseKeepsTheRectangleButWritesThePanes() {
        MapSettingsStore store;
        store.ints = {{"Top", 1}, {"Left", 2}, {"Bottom", 300}, {"Right", 400}};
        store.strings["Zoomed"] = "yes";
        {
            CMainFrame frame(store);
            frame.resize(800, 600);
            frame.showMinimized();
            QVERIFY(frame.isMinimized());
            frame.ListView()->header()->resizeSection(0, 123);
            frame.close();
        }
        QCOMPARE(store.ints["Top"], 1);
        QCOMPARE(store.ints["Left"], 2);
        QCOMPARE(store.ints["Bottom"], 300);
        QCOMPARE(store.ints["Right"], 400);
        QCOMPARE(store.strings["Zoomed"], std::string("yes"));
        QCOMPARE(store.ints["Column0 Width"], 123);
        QVERIFY(store.ints.count("Tree Width") == 1);
    }

    void MaximisedCloseWritesZoomed() {
        MapSettingsStore store;
        {
            CMainFrame frame(store);
            WindowPlacement placement;
            placement.zoomed = true;
            frame.ApplyPlacement(placement);
            frame.ShowWindow();
            QVERIFY(frame.isMaximized());
            frame.close();
        }
        QCOMPARE(store.strings["Zoomed"], std::string("Yes"));
    }
};

QB_TEST_CLASS(SettingsTest);
#include "settings_test.moc"
