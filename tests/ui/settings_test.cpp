// When the main window reads and writes its "Settings" values (the values' own rules are tested
// with the application layer).
#include "ui_fixtures.h"
#include "ui_test_main.h"

#include "app/message_sort.h"
#include "ui/folder_tree_view.h"
#include "ui/mail_list_view.h"
#include "ui/main_frame.h"

#include <QHeaderView>
#include <QLabel>
#include <QSplitter>

using namespace qb;
using namespace qb::test;

class SettingsTest : public QObject {
    Q_OBJECT
  private slots:
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
        QVERIFY(widths == plain.ListView()->DefaultWidths());
        QVERIFY(widths[3] >= plain.ListView()->fontMetrics().horizontalAdvance(
                                 QStringLiteral("Mon, 31 Dec 2001 23:59:59 +0000")));
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

    void GeometryStaysTheSameFromRunToRunAndKeepsTheNormalSizeWhileMaximised() {
        MapSettingsStore store;
        store.ints = {{"Top", 40}, {"Left", 60}, {"Bottom", 640}, {"Right", 860}};
        // One run as the program makes it: the saved geometry, else the older rectangle.
        auto run = [&](bool maximise, QRect* normal) {
            CMainFrame frame(store);
            if (!frame.ApplyGeometry(ReadWindowGeometry(store)))
                frame.ApplyPlacement(ReadWindowPlacement(store));
            frame.ShowWindow();
            if (!QTest::qWaitForWindowExposed(&frame))
                return std::string();
            if (maximise)
                frame.showMaximized();
            QTest::qWait(20);
            if (normal != nullptr)
                *normal = frame.normalGeometry();
            frame.close();
            return ReadWindowGeometry(store);
        };
        QRect first, second, zoomed, after;
        const std::string saved = run(false, &first);
        QVERIFY(!saved.empty());
        QCOMPARE(run(false, &second), saved);
        QCOMPARE(second, first);
        run(true, &zoomed);
        QCOMPARE(store.strings["Zoomed"], std::string("Yes"));
        QCOMPARE(zoomed, first);
        {
            CMainFrame frame(store);
            QVERIFY(frame.ApplyGeometry(ReadWindowGeometry(store)));
            frame.ShowWindow();
            QVERIFY(frame.isMaximized());
            frame.showNormal();
            QTRY_COMPARE(frame.geometry(), first);
        }
        // Unreadable geometry is not applied.
        CMainFrame frame(store);
        QVERIFY(!frame.ApplyGeometry("not geometry"));
    }

    void SortOrderAndMessageCountFollowTheList() {
        MapSettingsStore store;
        {
            CMainFrame frame(store);
            QCOMPARE(frame.CountLabel()->text(), QString());
            auto folder = std::make_unique<MemoryFolder>("Inbox", "/m/Inbox");
            folder->specs = {{"b", "", "", "", {}}, {"a", "", "", "", {}}};
            frame.ListView()->Fill(folder.get());
            QCOMPARE(frame.CountLabel()->text(), QStringLiteral("2 messages"));
            frame.ListView()->DeleteMessageRow(folder->m_pMessages[0].get());
            QCOMPARE(frame.CountLabel()->text(), QStringLiteral("1 message"));
            frame.ListView()->header()->setSortIndicator(0, Qt::DescendingOrder);
            frame.ListView()->DeleteAllItems();
            QCOMPARE(frame.CountLabel()->text(), QString());
            frame.close();
        }
        QCOMPARE(ReadMessageSort(store), (MessageSort{0, true}));
    }
};

QB_TEST_CLASS(SettingsTest);
#include "settings_test.moc"
