// The message list: rows in folder order or sorted by a heading, the four columns, the shortening
// rule, the shown row, and whole-row highlighting.
#include "ui_fixtures.h"
#include "ui_test_main.h"

#include "ui/mail_list_view.h"
#include "ui/message_list_model.h"
#include "ui/shorten_text.h"

#include <QHeaderView>
#include <QImage>

using namespace qb;
using namespace qb::test;

namespace {

// Every character 10 pixels wide.
int TenEach(const QString& s) {
    return static_cast<int>(s.size()) * 10;
}

// Colours equal but for rounding in the paint engine.
bool Near(const QColor& a, const QColor& b) {
    return std::abs(a.red() - b.red()) <= 2 && std::abs(a.green() - b.green()) <= 2 &&
           std::abs(a.blue() - b.blue()) <= 2;
}

std::unique_ptr<MemoryFolder> FolderWith(std::vector<MessageSpec> specs) {
    auto folder = std::make_unique<MemoryFolder>("Inbox", "/m/Inbox");
    folder->specs = std::move(specs);
    return folder;
}

} // namespace

class MessageListTest : public QObject {
    Q_OBJECT
  private slots:
    void RowsFollowTheFolderOrderWithTheFourColumns() {
        std::unique_ptr<MemoryFolder> folder(FolderWith({
            {"Zebra", "z@x", "me@y", "Tue, 2 Jan 2001", {}},
            {"", "a@x", "", "", {}},
            {"Apple", "b@x", "you@y", "Mon, 1 Jan 2001", {}},
        }));
        MessageListModel model;
        model.Fill(folder.get());
        QCOMPARE(model.rowCount(), 3);
        QCOMPARE(model.columnCount(), 4);
        QStringList headings;
        for (int c = 0; c < 4; ++c)
            headings << model.headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
        QCOMPARE(headings, QStringList({"Subject", "From", "To", "Date"}));
        // Values decoded, without the blanks around them.
        QCOMPARE(model.index(0, 0).data().toString(), QStringLiteral("Zebra"));
        QCOMPARE(model.index(0, 1).data().toString(), QStringLiteral("z@x"));
        QCOMPARE(model.index(0, 2).data().toString(), QStringLiteral("me@y"));
        QCOMPARE(model.index(0, 3).data().toString(), QStringLiteral("Tue, 2 Jan 2001"));
        QCOMPARE(model.index(1, 0).data().toString(), QString());
        QCOMPARE(model.index(1, 3).data().toString(), QString());
        QCOMPARE(model.index(2, 0).data().toString(), QStringLiteral("Apple"));
        QCOMPARE(model.index(2, 0).data(MessageListModel::ImageRole).toInt(), 2);
        QCOMPARE(model.MessageAt(2), folder->m_pMessages[2].get());
        QCOMPARE(model.index(1, 1).data(Qt::TextAlignmentRole).toInt() & Qt::AlignHorizontal_Mask,
                 int(Qt::AlignLeft));
    }

    void WindowsCodePageTextIsDecoded() {
        std::unique_ptr<MemoryFolder> folder(
            FolderWith({{"Caf\xe9 \x80 \x96 \x93", "", "", "", {}}}));
        MessageListModel model;
        model.Fill(folder.get());
        QCOMPARE(model.index(0, 0).data().toString(),
                 QString::fromUtf8("Caf\u00e9 \u20ac \u2013 \u201c"));
    }

    void HeaderClicksSortTheRowsAndTheShownRowFollowsItsMessage() {
        std::unique_ptr<MemoryFolder> folder(FolderWith({
            {"b", "", "", "Tue, 2 Jan 2001 10:00:00 +0000", {}},
            {"a", "", "", "not a date", {}},
            {"c", "", "", "Mon, 1 Jan 2001 10:00:00 +0000", {}},
        }));
        CMailListView view;
        view.resize(600, 300);
        view.show();
        std::vector<CMessage*> shown;
        view.onShowMessage = [&](CMessage& m) { shown.push_back(&m); };
        view.Fill(folder.get());
        auto subjects = [&] {
            QStringList list;
            for (int row = 0; row < view.model()->rowCount(); ++row)
                list << view.model()->index(row, 0).data().toString();
            return list;
        };
        QCOMPARE(subjects(), QStringList({"b", "a", "c"}));
        view.setCurrentIndex(view.model()->index(0, 0));
        QTRY_COMPARE(view.ShownItem(), 0);
        auto clickHeading = [&](int column) {
            QTest::mouseClick(view.header()->viewport(), Qt::LeftButton, {},
                              QPoint(view.header()->sectionViewportPosition(column) + 5, 5));
        };
        clickHeading(3);
        QCOMPARE(subjects(), QStringList({"a", "c", "b"}));
        QCOMPARE(view.Order(), (MessageSort{3, false}));
        clickHeading(3);
        QCOMPARE(subjects(), QStringList({"b", "c", "a"}));
        QCOMPARE(view.Order(), (MessageSort{3, true}));
        // The shown message keeps its row and stays the current one; nothing is shown again.
        QCOMPARE(view.ShownItem(), 0);
        QCOMPARE(view.currentIndex().row(), 0);
        QCOMPARE(shown.size(), size_t(1));
        // Commands get the selection in the folder's order.
        view.selectAll();
        const auto selected = view.SelectedMessages();
        QCOMPARE(selected.size(), size_t(3));
        QCOMPARE(selected.front(), folder->m_pMessages[0].get());
        QCOMPARE(selected.back(), folder->m_pMessages[2].get());
        // The order holds for the next folder filled; a removed row keeps the others in order.
        view.Fill(folder.get());
        QCOMPARE(subjects(), QStringList({"b", "c", "a"}));
        view.DeleteMessageRow(folder->m_pMessages[2].get());
        QCOMPARE(subjects(), QStringList({"b", "a"}));
        clickHeading(0);
        QCOMPARE(subjects(), QStringList({"a", "b"}));
        view.SetOrder({});
        QCOMPARE(subjects(), QStringList({"b", "a"}));
        QCOMPARE(view.header()->sortIndicatorSection(), -1);
    }

    void ShorteningKeepsTheLongestPrefixThatFits() {
        // Fits: unchanged.
        QCOMPARE(ShortenText("abcde", 50 + 12, 6, TenEach), QStringLiteral("abcde"));
        // 10 characters, span 90, inset 6: room for the prefix is 90 - 30 - 12 = 48 -> 4.
        QCOMPARE(ShortenText("abcdefghij", 90, 6, TenEach), QStringLiteral("abcd..."));
        // Exactly at the edge of fitting.
        QCOMPARE(ShortenText("abcdefghij", 112, 6, TenEach), QStringLiteral("abcdefghij"));
        QCOMPARE(ShortenText("abcdefghij", 111, 6, TenEach), QStringLiteral("abcdef..."));
        // Never fewer than one character, however narrow the column.
        QCOMPARE(ShortenText("abcdefghij", 5, 2, TenEach), QStringLiteral("a..."));
        QCOMPARE(ShortenText("x", 5, 2, TenEach), QStringLiteral("x..."));
        // Three full stops, not the ellipsis character.
        QString shortened = ShortenText("abcdefghij", 60, 2, TenEach);
        QVERIFY(shortened.endsWith(QStringLiteral("...")));
        QVERIFY(!shortened.contains(QChar(0x2026)));
    }

    void ShorteningMatchesDroppingOneCharacterAtATime() {
        // Uneven widths: compare with the plain one-at-a-time rule.
        auto width = [](const QString& s) {
            int w = 0;
            for (QChar c : s)
                w += c == QLatin1Char('W') ? 17 : c == QLatin1Char('i') ? 4 : 9;
            return w;
        };
        const QString text = QStringLiteral("WiWiiWWiabcWiiiWWWabciWi");
        for (int span = 0; span < 260; span += 7) {
            QString slow = text;
            if (width(slow) + 4 > span) {
                while (slow.size() > 1 && width(slow) + width("...") + 4 > span)
                    slow.chop(1);
                slow += QStringLiteral("...");
            }
            QCOMPARE(ShortenText(text, span, 2, width), slow);
        }
    }

    void AHundredThousandMessagesFill() {
        std::unique_ptr<MemoryFolder> folder(FolderWith({}));
        folder->specs.resize(100000);
        for (size_t i = 0; i < folder->specs.size(); ++i)
            folder->specs[i].subject = "Message " + std::to_string(i);
        CMailListView view;
        view.resize(600, 300);
        view.show();
        view.Fill(folder.get());
        QCOMPARE(view.model()->rowCount(), 100000);
        QCOMPARE(view.model()->index(99999, 0).data().toString(), QStringLiteral("Message 99999"));
        QModelIndex last = view.model()->index(99999, 0);
        view.scrollTo(last);
        QVERIFY(view.visualRect(last).intersects(view.viewport()->rect()));
    }

    void FocusedRowIsShownOnceAndRowRemovalResetsIt() {
        std::unique_ptr<MemoryFolder> folder(FolderWith(
            {{"one", "", "", "", {}}, {"two", "", "", "", {}}, {"three", "", "", "", {}}}));
        CMailListView view;
        view.resize(600, 300);
        view.show();
        std::vector<CMessage*> shown;
        view.onShowMessage = [&](CMessage& m) { shown.push_back(&m); };
        view.Fill(folder.get());
        QCOMPARE(view.ShownItem(), -1);
        view.setCurrentIndex(view.model()->index(1, 0));
        QTRY_COMPARE(shown.size(), size_t(1));
        QCOMPARE(shown[0], folder->m_pMessages[1].get());
        QCOMPARE(view.ShownItem(), 1);
        // The same row again shows nothing new.
        view.ShowFocusedMessage();
        QCOMPARE(shown.size(), size_t(1));
        // Several rows selected: the focused one is shown.
        view.selectionModel()->select(view.model()->index(0, 0),
                                      QItemSelectionModel::Select | QItemSelectionModel::Rows);
        view.selectionModel()->setCurrentIndex(
            view.model()->index(2, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
        QTRY_COMPARE(shown.size(), size_t(2));
        QCOMPARE(shown[1], folder->m_pMessages[2].get());
        auto selected = view.SelectedMessages();
        QCOMPARE(selected.size(), size_t(3));
        QCOMPARE(selected.front(), folder->m_pMessages[0].get());
        // Removing a row forgets the shown row, so the row focused next is shown again.
        view.DeleteMessageRow(folder->m_pMessages[0].get());
        QCOMPARE(view.ShownItem(), -1);
        QCOMPARE(view.model()->rowCount(), 2);
        QApplication::processEvents();
        QCOMPARE(view.ShownItem(), -1);
        view.setCurrentIndex(view.model()->index(0, 0));
        QTRY_COMPARE(view.ShownItem(), 0);
        QCOMPARE(shown.back(), folder->m_pMessages[1].get());
        view.DeleteAllItems();
        QCOMPARE(view.ShownItem(), -1);
        QCOMPARE(view.model()->rowCount(), 0);
    }

    void RightClickKeepsTheSelection() {
        std::unique_ptr<MemoryFolder> folder(
            FolderWith({{"one", "", "", "", {}}, {"two", "", "", "", {}}}));
        CMailListView view;
        view.resize(600, 300);
        view.show();
        int menus = 0;
        view.onContextMenu = [&](const QPoint&) { ++menus; };
        view.Fill(folder.get());
        view.setCurrentIndex(view.model()->index(0, 0));
        QRect second = view.visualRect(view.model()->index(1, 0));
        QTest::mousePress(view.viewport(), Qt::RightButton, {}, second.center());
        QTest::mouseRelease(view.viewport(), Qt::RightButton, {}, second.center());
        QContextMenuEvent menu(QContextMenuEvent::Mouse, second.center(),
                               view.viewport()->mapToGlobal(second.center()));
        QApplication::sendEvent(view.viewport(), &menu);
        QCOMPARE(menus, 1);
        QCOMPARE(view.SelectedMessages(), std::vector<CMessage*>{folder->m_pMessages[0].get()});
    }

    void SelectedRowIsHighlightedToTheRightEdge() {
        std::unique_ptr<MemoryFolder> folder(
            FolderWith({{"one", "", "", "", {}}, {"two", "", "", "", {}}}));
        CMailListView view;
        view.SetColumnWidths({60, 40, 40, 40});
        view.resize(700, 200);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        view.Fill(folder.get());
        view.setCurrentIndex(view.model()->index(0, 0));
        QRect row = view.visualRect(view.model()->index(0, 0));
        QImage image = view.viewport()->grab().toImage();
        const int far = view.viewport()->width() - 3;
        const QColor highlight = view.palette().color(QPalette::Normal, QPalette::Highlight);
        QVERIFY(Near(QColor(image.pixel(far, row.center().y())), highlight));
        QRect other = view.visualRect(view.model()->index(1, 0));
        QVERIFY(!Near(QColor(image.pixel(far, other.center().y())), highlight));
    }

    void LongSubjectStaysInsideItsColumn() {
        std::unique_ptr<MemoryFolder> folder(
            FolderWith({{std::string(200, 'M'), "x@y", "", "", {}}}));
        CMailListView view;
        view.SetColumnWidths({120, 100, 100, 100});
        view.resize(700, 200);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        view.Fill(folder.get());
        QRect row = view.visualRect(view.model()->index(0, 1));
        QImage image = view.viewport()->grab().toImage();
        // The From column starts with its inset: no subject ink may reach into it.
        const QColor base = view.palette().color(QPalette::Base);
        for (int x = row.left(); x < row.left() + 6; ++x) {
            for (int y = row.top() + 2; y < row.bottom() - 1; ++y)
                QCOMPARE(QColor(image.pixel(x, y)), base);
        }
    }
};

QB_TEST_CLASS(MessageListTest);
#include "message_list_test.moc"
