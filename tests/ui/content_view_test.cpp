// The message text pane: its layout, colours, read-only state and fixed wrapping.
#include "ui_fixtures.h"
#include "ui_test_main.h"

#include "ui/mail_content_view.h"

#include <QScrollBar>
#include <QTextBlock>

using namespace qb;
using namespace qb::test;

namespace {

// The colour of the character at `position`.
QColor ColourAt(CMailContentView& view, int position) {
    QTextCursor cursor(view.document());
    cursor.setPosition(position);
    cursor.movePosition(QTextCursor::NextCharacter, QTextCursor::KeepAnchor);
    return cursor.charFormat().foreground().color();
}

} // namespace

class ContentViewTest : public QObject {
    Q_OBJECT
  private slots:
    void HeaderAndAttachmentsGreenBodyBlack() {
        CMailContentView view;
        const QString header = QStringLiteral("Subject : Hi\nDate : \nFrom : a@b\nTo : \n\n");
        const QString body = QStringLiteral("line one\r\nline two\r\n\n");
        const QString attach = QStringLiteral("image/png: a.png\r\n");
        view.ShowSections(header, body, attach);
        QCOMPARE(view.toPlainText(),
                 QStringLiteral("Subject : Hi\nDate : \nFrom : a@b\nTo : \n\nline one\nline two\n"
                                "\nimage/png: a.png\n"));
        const QColor green(0, 127, 0);
        QCOMPARE(ColourAt(view, 0), green);
        QCOMPARE(ColourAt(view, int(header.size()) - 2), green);
        const int bodyStart = int(header.size());
        QCOMPARE(ColourAt(view, bodyStart), QColor(Qt::black));
        QCOMPARE(ColourAt(view, bodyStart + 10), QColor(Qt::black));
        const int attachStart = view.toPlainText().indexOf(QStringLiteral("image/png"));
        QCOMPARE(ColourAt(view, attachStart), green);
        QCOMPARE(ColourAt(view, attachStart + 12), green);
        // The caret starts at the top with nothing selected.
        QCOMPARE(view.textCursor().position(), 0);
        QVERIFY(!view.textCursor().hasSelection());
    }

    void ClearLeavesAnEmptyBlackPane() {
        CMailContentView view;
        view.ShowSections(QStringLiteral("Subject : x\n\n"), QStringLiteral("b\n"), QString());
        view.ClearText();
        QVERIFY(view.toPlainText().isEmpty());
        QCOMPARE(view.currentCharFormat().foreground().color(), QColor(Qt::black));
        QCOMPARE(view.textCursor().position(), 0);
    }

    void TypingChangesNothing() {
        CMailContentView view;
        view.show();
        view.ShowSections(QStringLiteral("Subject : x\n\n"), QStringLiteral("body\n"), QString());
        view.setFocus();
        QTest::keyClicks(&view, QStringLiteral("typed"));
        QTest::keyClick(&view, Qt::Key_Backspace);
        QTest::keyClick(&view, Qt::Key_Delete);
        QVERIFY(view.isReadOnly());
        QCOMPARE(view.toPlainText(), QStringLiteral("Subject : x\n\nbody\n"));
    }

    void LinesWrapAtAFixedWidthAndThePaneScrollsSideways() {
        CMailContentView view;
        view.ShowSections(QStringLiteral("Subject : x\n\n"), QString(300, QLatin1Char('w')) + "\n",
                          QString());
        QCOMPARE(view.lineWrapMode(), QTextEdit::FixedPixelWidth);
        view.resize(900, 300);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QTextBlock body = view.document()->findBlockByNumber(2);
        const int wideLines = body.layout()->lineCount();
        QVERIFY(wideLines > 1);
        view.resize(200, 300);
        QApplication::processEvents();
        QCOMPARE(view.document()->findBlockByNumber(2).layout()->lineCount(), wideLines);
        QVERIFY(view.horizontalScrollBar()->maximum() > 0);
    }
};

QB_TEST_CLASS(ContentViewTest);
#include "content_view_test.moc"
