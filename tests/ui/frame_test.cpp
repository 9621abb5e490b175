// The main window without a document: its panes, menus, toolbar, status bar, About box, help
// and the pane and edit commands.
#include "ui_fixtures.h"
#include "ui_test_main.h"

#include "ui/commands.h"
#include "ui/folder_tree_view.h"
#include "ui/help_window.h"
#include "ui/mail_content_view.h"
#include "ui/mail_list_view.h"
#include "ui/main_frame.h"

#include <QClipboard>
#include <QFile>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QSplitter>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTextBrowser>
#include <QToolBar>
#include <QUrl>

using namespace qb;
using namespace qb::test;

namespace {

// "text" for an action, "-" for a separator, "text>" for a submenu.
QStringList Describe(const QList<QAction*>& actions) {
    QStringList out;
    for (QAction* a : actions) {
        if (a->isSeparator())
            out << QStringLiteral("-");
        else if (a->menu() != nullptr)
            out << a->text() + QStringLiteral(">");
        else
            out << a->text();
    }
    return out;
}

QMenu* TopMenu(CMainFrame& frame, int i) {
    return frame.menuBar()->actions().at(i)->menu();
}

} // namespace

class FrameTest : public QObject {
    Q_OBJECT
  private slots:
    void CaptionAndPanesInOrder() {
        MapSettingsStore settings;
        CMainFrame frame(settings);
        QCOMPARE(frame.windowTitle(), QStringLiteral("Velmora - Quillbox"));
        QSplitter* outer = frame.OuterSplitter();
        QCOMPARE(frame.centralWidget(), outer);
        QCOMPARE(outer->orientation(), Qt::Vertical);
        QCOMPARE(outer->count(), 2);
        QCOMPARE(outer->widget(0), frame.InnerSplitter());
        QCOMPARE(outer->widget(1), static_cast<QWidget*>(frame.ContentView()));
        QSplitter* inner = frame.InnerSplitter();
        QCOMPARE(inner->orientation(), Qt::Horizontal);
        QCOMPARE(inner->widget(0), static_cast<QWidget*>(frame.TreeView()));
        QCOMPARE(inner->widget(1), static_cast<QWidget*>(frame.ListView()));
    }

    void MenuBarItemsTextsAndKeys() {
        MapSettingsStore settings;
        CMainFrame frame(settings);
        QCOMPARE(Describe(frame.menuBar()->actions()),
                 QStringList({"&File>", "&Edit>", "&View>", "&Tools>", "&Help>"}));
        QCOMPARE(
            Describe(TopMenu(frame, 0)->actions()),
            QStringList({"&New Folder...", "Rename Folder...", "-", "&Move>", "&Copy>", "-",
                         "&Delete...", "-", "Compact Mailbox...", "-", "&Export...", "&Import...",
                         "-", "New MailBox...", "&Locate Exist Mailbox...", "-", "E&xit"}));
        QCOMPARE(Describe(TopMenu(frame, 1)->actions()),
                 QStringList({"&Copy", "-", "&Select All", "-", "&Undelete", "&Find..."}));
        QCOMPARE(TopMenu(frame, 1)->actions().at(5)->shortcut(), QKeySequence(QKeySequence::Find));
        QCOMPARE(Describe(TopMenu(frame, 2)->actions()),
                 QStringList({"&Toolbar", "&Status Bar", "-", "Show &Deleted Messages",
                              "Message &Source"}));
        QVERIFY(frame.MessageSourceAction()->isCheckable());
        QCOMPARE(Describe(TopMenu(frame, 3)->actions()), QStringList({"&Backup...", "Restore..."}));
        QCOMPARE(Describe(TopMenu(frame, 4)->actions()),
                 QStringList({"&Help Topics", "-", "&About Quillbox..."}));

        QCOMPARE(frame.Action(ID_DELETE)->shortcut().toString(QKeySequence::NativeText),
                 QStringLiteral("Del"));
        QCOMPARE(frame.Action(ID_EDIT_COPY)->shortcuts(),
                 QList<QKeySequence>({QKeySequence(Qt::CTRL | Qt::Key_C),
                                      QKeySequence(Qt::CTRL | Qt::Key_Insert)}));
        QCOMPARE(frame.Action(ID_EDIT_COPY)->shortcut().toString(QKeySequence::NativeText),
                 QStringLiteral("Ctrl+C"));
        QCOMPARE(frame.Action(ID_HELP)->shortcut(), QKeySequence(Qt::Key_F1));
        QCOMPARE(frame.Action(ID_CONTEXT_HELP)->shortcut(), QKeySequence(Qt::SHIFT | Qt::Key_F1));
        QCOMPARE(frame.Action(ID_NEXT_PANE)->shortcut(), QKeySequence(Qt::Key_F6));
        QCOMPARE(frame.Action(ID_PREV_PANE)->shortcut(), QKeySequence(Qt::SHIFT | Qt::Key_F6));
        // Key-only commands must belong to the window so that their keys work.
        for (int id : {ID_HELP, ID_CONTEXT_HELP, ID_NEXT_PANE, ID_PREV_PANE})
            QVERIFY(frame.actions().contains(frame.Action(id)));

        for (QMenu* popup : {frame.MoveMenu(), frame.CopyMenu()}) {
            QCOMPARE(Describe(popup->actions()), QStringList({"MailBox List", "-"}));
            QVERIFY(!popup->actions().at(0)->isEnabled());
        }
        QCOMPARE(frame.Action(ID_COMPACT)->statusTip(),
                 QStringLiteral("Remove all messages which has been marked \"Removed\" "));
        QCOMPARE(frame.Action(ID_LOCATE_MAILBOX)->statusTip(),
                 QStringLiteral("Locate exsit mailbox root directory in local disk(s)"));
        QCOMPARE(frame.Action(ID_HELP_FINDER)->statusTip(), QStringLiteral("List Help topics"));
    }

    void ToolbarButtonsGapsTooltipsAndPrompts() {
        MapSettingsStore settings;
        CMainFrame frame(settings);
        QToolBar* bar = frame.ToolBar();
        QVERIFY(bar->isMovable());
        QVERIFY(bar->isFloatable());
        QCOMPARE(bar->iconSize(), QSize(24, 24));
        QCOMPARE(frame.toolBarArea(bar), Qt::TopToolBarArea);
        struct Button {
            int id;
            const char* tip;
            const char* prompt;
        };
        const Button expected[] = {
            {ID_NEW_FOLDER, "New Folder", "Create a new message folder"},
            {ID_RENAME_FOLDER, "Rename", "Rename selected folder "},
            {ID_DELETE, "Delete", "Delete current folder or message(s)"},
            {0, nullptr, nullptr},
            {ID_EDIT_COPY, "Copy", "Copy the selection and put it on the Clipboard"},
            {0, nullptr, nullptr},
            {ID_BACKUP, "Backup", "Backup selected folder to a file"},
            {ID_RESTORE, "Restore", "Restore messages from a file"},
            {0, nullptr, nullptr},
            {ID_APP_ABOUT, "About", nullptr},
            {ID_CONTEXT_HELP, "Help", "Display help for clicked on buttons, menus and windows"},
        };
        QList<QAction*> actions = bar->actions();
        QCOMPARE(actions.size(), qsizetype(std::size(expected)));
        for (size_t i = 0; i < std::size(expected); ++i) {
            QAction* a = actions[qsizetype(i)];
            if (expected[i].id == 0) {
                QVERIFY(a->isSeparator());
                continue;
            }
            QCOMPARE(a->data().toInt(), expected[i].id);
            QCOMPARE(a->toolTip(), QString::fromLatin1(expected[i].tip));
            QVERIFY(!a->icon().isNull());
            if (expected[i].prompt)
                QCOMPARE(a->statusTip(), QString::fromLatin1(expected[i].prompt));
            else
                QVERIFY(!a->statusTip().isEmpty());
        }
    }

    void StatusBarPromptsAndIndicators() {
        MapSettingsStore settings;
        CMainFrame frame(settings);
        QCOMPARE(frame.StatusText(), QStringLiteral("For Help, press F1"));
        QStatusTipEvent hover(frame.Action(ID_BACKUP)->statusTip());
        QApplication::sendEvent(&frame, &hover);
        QCOMPARE(frame.StatusText(), QStringLiteral("Backup selected folder to a file"));
        QStatusTipEvent leave{QString()};
        QApplication::sendEvent(&frame, &leave);
        QCOMPARE(frame.StatusText(), QStringLiteral("For Help, press F1"));
        const char* names[] = {"CAP", "NUM", "SCRL"};
        for (int i = 0; i < 3; ++i) {
            QVERIFY(frame.Indicator(i) != nullptr);
            QCOMPARE(frame.Indicator(i)->text(), QString::fromLatin1(names[i]));
            QCOMPARE(frame.Indicator(i)->parentWidget(), static_cast<QWidget*>(frame.statusBar()));
        }
    }

    void ToolbarAndStatusBarToggleWithCheckMarks() {
        MapSettingsStore settings;
        CMainFrame frame(settings);
        frame.show();
        QVERIFY(frame.Action(ID_VIEW_TOOLBAR)->isChecked());
        frame.OnCommand(ID_VIEW_TOOLBAR);
        QVERIFY(frame.ToolBar()->isHidden());
        QVERIFY(!frame.Action(ID_VIEW_TOOLBAR)->isChecked());
        frame.OnCommand(ID_VIEW_TOOLBAR);
        QVERIFY(!frame.ToolBar()->isHidden());
        QVERIFY(frame.Action(ID_VIEW_TOOLBAR)->isChecked());
        frame.OnCommand(ID_VIEW_STATUS_BAR);
        QVERIFY(frame.statusBar()->isHidden());
        QVERIFY(!frame.Action(ID_VIEW_STATUS_BAR)->isChecked());
    }

    void AboutBox() {
        MapSettingsStore settings;
        CMainFrame frame(settings);
        QString title;
        QString text;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (box == nullptr)
                return;
            title = box->windowTitle();
            text = box->text();
            box->accept();
        });
        frame.OnCommand(ID_APP_ABOUT);
        QCOMPARE(title, QStringLiteral("About Quillbox"));
        QCOMPARE(text, QStringLiteral("Quillbox Version 1.0"));
    }

    void HelpOpensTheManualInAWindowOfItsOwn() {
        MapSettingsStore settings;
        CMainFrame frame(settings);
        std::vector<std::string> messages;
        frame.showMessage = [&](const std::string& text) { messages.push_back(text); };
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        QTest::keyClick(&frame, Qt::Key_F1);
        CHelpWindow* help = frame.HelpWindow();
        QVERIFY(help != nullptr);
        QVERIFY(help->isVisible());
        QVERIFY(help->Browser()->toPlainText().contains(QStringLiteral("Quillbox Help")));
        help->hide();
        // Every way into help opens the same window again.
        for (int id : {ID_HELP_FINDER, ID_CONTEXT_HELP}) {
            frame.OnCommand(id);
            QCOMPARE(frame.HelpWindow(), help);
            QVERIFY(help->isVisible());
            help->hide();
        }
        QVERIFY(messages.empty());
    }

    void F6CyclesThePanesBothWays() {
        MapSettingsStore settings;
        CMainFrame frame(settings);
        frame.show();
        QVERIFY(QTest::qWaitForWindowActive(&frame));
        frame.ActivateView(frame.TreeView());
        QWidget* order[] = {frame.ListView(), frame.ContentView(), frame.TreeView()};
        for (QWidget* next : order) {
            frame.OnCommand(ID_NEXT_PANE);
            QCOMPARE(frame.ActiveView(), next);
            QCOMPARE(QApplication::focusWidget(), next);
        }
        frame.OnCommand(ID_PREV_PANE);
        QCOMPARE(frame.ActiveView(), static_cast<QWidget*>(frame.ContentView()));
        QCOMPARE(frame.GetActivePane(), ActivePane::Other);
        frame.OnCommand(ID_PREV_PANE);
        QCOMPARE(frame.GetActivePane(), ActivePane::List);
    }

    void CopyAndSelectAllOnlyInTheTextPane() {
        MapSettingsStore settings;
        CMainFrame frame(settings);
        frame.show();
        QVERIFY(QTest::qWaitForWindowActive(&frame));
        frame.ContentView()->ShowSections(QStringLiteral("Subject : Hi\n\n"),
                                          QStringLiteral("Body\n"), QString());
        frame.ActivateView(frame.TreeView());
        QVERIFY(!frame.Action(ID_EDIT_COPY)->isEnabled());
        QVERIFY(!frame.Action(ID_EDIT_SELECT_ALL)->isEnabled());
        frame.ActivateView(frame.ContentView());
        QVERIFY(frame.Action(ID_EDIT_SELECT_ALL)->isEnabled());
        QVERIFY(!frame.Action(ID_EDIT_COPY)->isEnabled());
        frame.OnCommand(ID_EDIT_SELECT_ALL);
        QVERIFY(frame.Action(ID_EDIT_COPY)->isEnabled());
        QApplication::clipboard()->clear();
        frame.OnCommand(ID_EDIT_COPY);
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("Subject : Hi\n\nBody\n"));
        // With the list active the same command does nothing.
        frame.ActivateView(frame.ListView());
        QVERIFY(!frame.Action(ID_EDIT_COPY)->isEnabled());
        QApplication::clipboard()->clear();
        frame.OnCommand(ID_EDIT_COPY);
        QVERIFY(QApplication::clipboard()->text().isEmpty());
        frame.ContentView()->ClearText();
        frame.ActivateView(frame.ContentView());
        QVERIFY(!frame.Action(ID_EDIT_SELECT_ALL)->isEnabled());
    }
};

QB_TEST_CLASS(FrameTest);
#include "frame_test.moc"
