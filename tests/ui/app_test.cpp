// The whole program over a registry file and stores generated in a temporary directory:
// start-up, browsing, reading, renaming in place, the command update rules, and the settings
// written at close and read at the next start.
#include "ui_fixtures.h"
#include "ui_test_main.h"

#include "app/document.h"
#include "app/mailbox_registry.h"
#include "app/message_text.h"
#include "app/readable_message.h"
#include "app/window_settings.h"
#include "support/bytes.h"
#include "support/temp_dir.h"
#include "ui/commands.h"
#include "ui/folder_tree_model.h"
#include "ui/folder_tree_view.h"
#include "ui/mail_content_view.h"
#include "ui/mail_list_view.h"
#include "ui/main_frame.h"
#include "ui/message_list_model.h"
#include "ui/qt_port.h"
#include "ui/quillbox_app.h"
#include "ui/search_pane.h"

#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QProgressDialog>
#include <QTextBlock>
#include <QTreeWidget>

#include <filesystem>
#include <fstream>

using namespace qb;
using namespace qb::test;

namespace {

const std::vector<MessageSpec> kInbox = {
    {"First",
     "ann@example.com",
     "bob@example.com",
     "Mon, 1 Jan 2001 10:00:00",
     {"Hello Bob,", "bye"}},
    {"Second", "carl@example.com", "", "Tue, 2 Jan 2001 11:00:00", {"Second body"}},
    {"Third", "dora@example.com", "eve@example.com", "Wed, 3 Jan 2001", {"3"}},
};

// A temporary home for one test: the registry file named by QUILLBOX_REGISTRY and the stores.
class Workspace {
  public:
    Workspace() { qputenv("QUILLBOX_REGISTRY", QByteArray::fromStdString(m_dir / "quillbox.reg")); }
    ~Workspace() { qunsetenv("QUILLBOX_REGISTRY"); }
    std::string operator/(const std::string& name) const { return m_dir / name; }
    std::string ReadBack(const std::string& name) const { return ReadFile(m_dir / name); }
    void RegisterBothStores() {
        WriteNetscapeStore(m_dir / "ns", kInbox);
        QVERIFY(WriteInternetMailStore(m_dir / "im", {{"Imported", "x@y", "z@w", "d", {"b"}}}));
        RegistryFile registry(RegistryFile::DefaultPath());
        QVERIFY(WriteMailboxEntry(registry, "Netscape", m_dir / "ns", kTypeNavigator));
        QVERIFY(WriteMailboxEntry(registry, "Internet", m_dir / "im", kTypeInternetMail));
    }

  private:
    TempDir m_dir;
};

// Records every message box and answers with `answer`.
struct Script {
    explicit Script(CQuillboxApp& app) {
        app.GetPort()->answerMessage = [this](const std::string& text, Buttons, Icon) {
            messages.push_back(text);
            return answer;
        };
    }
    std::vector<std::string> messages;
    Answer answer = Answer::Ok;
};

QStringList TopLevel(CQuillboxView* tree) {
    QStringList names;
    for (int i = 0; i < tree->model()->rowCount(); ++i)
        names << tree->model()->index(i, 0).data().toString();
    return names;
}

CMails* FolderByPath(CQuillboxApp& app, const std::string& path) {
    for (const auto& entry : app.Document()->Mailboxes()) {
        if (CMails* f = entry->m_pRoot ? entry->m_pRoot->FindFolder(path) : nullptr)
            return f;
    }
    return nullptr;
}

int Setting(const char* name) {
    RegistryFile registry(RegistryFile::DefaultPath());
    return RegistrySettingsStore(registry).GetInt(name, -12345);
}

std::string StringSetting(const char* name) {
    RegistryFile registry(RegistryFile::DefaultPath());
    return RegistrySettingsStore(registry).GetString(name, "<none>");
}

} // namespace

class AppTest : public QObject {
    Q_OBJECT
  private slots:
    void StartsWithAnEmptyRegistry() {
        Workspace ws;
        CQuillboxApp app;
        QVERIFY(app.InitInstance());
        CMainFrame* frame = app.Frame();
        QVERIFY(QTest::qWaitForWindowExposed(frame));
        QCOMPARE(frame->TreeView()->model()->rowCount(), 0);
        QCOMPARE(frame->TreeView()->emptyText, QString::fromUtf8(kTextHowToBegin));
        QCOMPARE(frame->ListView()->model()->rowCount(), 0);
        QCOMPARE(frame->GetActivePane(), ActivePane::Tree);
        frame->UpdateCommandStates();
        QVERIFY(!frame->Action(ID_NEW_FOLDER)->isEnabled());
        QVERIFY(!frame->Action(ID_RENAME_FOLDER)->isEnabled());
        QVERIFY(!frame->Action(ID_DELETE)->isEnabled());
        QVERIFY(frame->Action(ID_LOCATE_MAILBOX)->isEnabled());
        QCOMPARE(frame->MoveMenu()->actions().size(), qsizetype(2));
        QCOMPARE(frame->CopyMenu()->actions().size(), qsizetype(2));
        QCOMPARE(frame->TreeView()->width(), 150);
        frame->close();
        QCOMPARE(Setting("Tree Width"), 150);
        QCOMPARE(Setting("Column0 Width"), 200);
        // The first run's date column holds a whole date.
        QCOMPARE(Setting("Column3 Width"), frame->ListView()->DefaultWidths()[3]);
        QVERIFY(Setting("Column3 Width") > 100);
        QCOMPARE(StringSetting("Current Folder"), std::string("<none>"));
    }

    void BrowsesBothStoresAndShowsTheFocusedMessage() {
        Workspace ws;
        ws.RegisterBothStores();
        CQuillboxApp app;
        QVERIFY(app.InitInstance());
        CMainFrame* frame = app.Frame();
        CQuillboxView* tree = frame->TreeView();
        // Registry order: the keys enumerate alphabetically.
        QCOMPARE(TopLevel(tree), QStringList({"Internet", "Netscape"}));
        QModelIndex ns = tree->model()->index(1, 0);
        QCOMPARE(ns.data(FolderTreeModel::ImageRole).toInt(), 2);
        CMails* inbox = FolderByPath(app, ws / "ns/Inbox");
        QVERIFY(inbox != nullptr);
        QModelIndex inboxItem = tree->FindFolderItem(inbox);
        QCOMPARE(inboxItem.parent(), ns);
        QVERIFY(tree->FindFolderItem(FolderByPath(app, ws / "ns/Inbox.sbd/Old")).isValid());

        tree->setCurrentIndex(inboxItem);
        CMailListView* list = frame->ListView();
        QCOMPARE(list->model()->rowCount(), 3);
        QCOMPARE(list->model()->index(0, 0).data().toString(), QStringLiteral("First"));
        QCOMPARE(list->model()->index(1, 0).data().toString(), QStringLiteral("Second"));
        QCOMPARE(list->model()->index(2, 1).data().toString(), QStringLiteral("dora@example.com"));
        QCOMPARE(list->model()->index(1, 2).data().toString(), QString());

        list->setCurrentIndex(list->model()->index(1, 0));
        QTRY_COMPARE(list->ShownItem(), 1);
        const QString shown = frame->ContentView()->toPlainText();
        QVERIFY(shown.startsWith(QStringLiteral("Subject : Second\nDate : Tue, 2 Jan 2001 "
                                                "11:00:00\nFrom : carl@example.com\nTo : \n\n")));
        QString composed =
            QString::fromStdString(ComposeDecodedDisplay(*list->Model()->MessageAt(1)).text);
        composed.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        QCOMPARE(shown, composed);
        QVERIFY(shown.contains(QStringLiteral("\nSecond body\n")));

        // The Internet Mail store's folder lists what the store wrote.
        tree->setCurrentIndex(tree->FindFolderItem(FolderByPath(app, ws / "im/Inbox")));
        QCOMPARE(list->model()->rowCount(), 1);
        QCOMPARE(list->model()->index(0, 0).data().toString(), QStringLiteral("Imported"));
        QVERIFY(frame->ContentView()->toPlainText().isEmpty());
        // Move and Copy list every folder of both stores.
        frame->RebuildFolderMenus();
        QCOMPARE(frame->MoveMenu()->actions().size(), qsizetype(4));
        QCOMPARE(frame->MoveMenu()->actions().at(3)->text(), QStringLiteral("Netscape"));
        frame->close();
    }

    // Another program appends to the shown folder, then rewrites it without a message: the
    // window lists each change without a restart, the selected message stays selected while it
    // is there, and a very large folder being read shows the progress dialog, whose Cancel
    // leaves the list empty.
    void ShownFolderFollowsChangesMadeByAnotherProgram() {
        Workspace ws;
        ws.RegisterBothStores();
        CQuillboxApp app;
        QVERIFY(app.InitInstance());
        CMainFrame* frame = app.Frame();
        CMailListView* list = frame->ListView();
        frame->TreeView()->setCurrentIndex(
            frame->TreeView()->FindFolderItem(FolderByPath(app, ws / "ns/Inbox")));
        QCOMPARE(list->model()->rowCount(), 3);
        list->setCurrentIndex(list->model()->index(1, 0));
        QTRY_COMPARE(list->ShownItem(), 1);
        const auto selectedRows = [list] {
            QList<int> rows;
            for (const QModelIndex& row : list->selectionModel()->selectedRows())
                rows << row.row();
            return rows;
        };
        const auto subjectAt = [list](int row) {
            return list->model()->index(row, 0).data().toString();
        };

        {
            std::ofstream append(ws / "ns/Inbox", std::ios::binary | std::ios::app);
            append << NetscapeFolderBytes({{"Fourth", "f@x", "", "", {"4"}}});
        }
        QTRY_COMPARE_WITH_TIMEOUT(list->model()->rowCount(), 4, 10000);
        QCOMPARE(subjectAt(3), QStringLiteral("Fourth"));
        QCOMPARE(selectedRows(), QList<int>({1}));
        QCOMPARE(list->currentIndex().row(), 1);
        QTRY_COMPARE(list->ShownItem(), 1);
        QVERIFY(frame->ContentView()->toPlainText().contains(QStringLiteral("Second body")));

        // Rewritten as a client compacting it would: a new file renamed over the old one.
        const auto rewrite = [&ws](const std::vector<MessageSpec>& messages) {
            WriteFile(ws / "ns/Inbox.new", NetscapeFolderBytes(messages));
            std::filesystem::rename(ws / "ns/Inbox.new", ws / "ns/Inbox");
        };
        rewrite({kInbox[1], kInbox[2]});
        QTRY_COMPARE_WITH_TIMEOUT(list->model()->rowCount(), 2, 10000);
        QCOMPARE(subjectAt(0), QStringLiteral("Second"));
        QCOMPARE(selectedRows(), QList<int>({0}));
        // The file is watched again after its replacement; the selected message is gone now.
        rewrite({kInbox[2]});
        QTRY_COMPARE_WITH_TIMEOUT(list->model()->rowCount(), 1, 10000);
        QVERIFY(selectedRows().isEmpty());
        QVERIFY(frame->ContentView()->toPlainText().isEmpty());

        std::vector<MessageSpec> many(3000, kInbox[0]);
        WriteFile(ws / "ns/Inbox", NetscapeFolderBytes(many));
        app.GetPort()->progressShowAfter = 0;
        QString label;
        QTimer::singleShot(0, [&label, frame] {
            auto* dialog = frame->findChild<QProgressDialog*>();
            if (dialog == nullptr)
                return;
            label = dialog->labelText();
            dialog->cancel();
        });
        frame->TreeView()->FillMessageList();
        QCOMPARE(label, QStringLiteral("Reading messages"));
        QCOMPARE(list->model()->rowCount(), 0);
        frame->TreeView()->FillMessageList();
        QCOMPARE(list->model()->rowCount(), 3000);
        frame->close();
    }

    void ShowsMailDecodedSavesAttachmentsAndShowsTheSource() {
        Workspace ws;
        ws.RegisterBothStores();
        const std::string stored = NsMessageText(
            {"Subject: =?iso-8859-1?Q?Gr=FC=DFe_aus_M=FCnchen?=",
             "From: =?utf-8?B?SsO8cmdlbiBNw7xsbGVy?= <j@m.de>", "MIME-Version: 1.0",
             "Content-Type: multipart/mixed; boundary=XX"},
            {"--XX", "Content-Type: text/plain; charset=iso-8859-1",
             "Content-Transfer-Encoding: quoted-printable", "", "Sch=F6ne Gr=FC=DFe,", "--XX",
             "Content-Disposition: attachment; filename=\"=?utf-8?Q?=C3=BCber.txt?=\"",
             "Content-Transfer-Encoding: base64", "", "aGFsbG8gd2VsdAo=", "--XX--"});
        WriteFile(ws / "ns/Inbox", stored);
        CQuillboxApp app;
        QVERIFY(app.InitInstance());
        Script script(app);
        CMainFrame* frame = app.Frame();
        frame->TreeView()->setCurrentIndex(
            frame->TreeView()->FindFolderItem(FolderByPath(app, ws / "ns/Inbox")));
        CMailListView* list = frame->ListView();
        QCOMPARE(list->model()->index(0, 0).data().toString(),
                 QString::fromUtf8("Gr\u00fc\u00dfe aus M\u00fcnchen"));
        QCOMPARE(list->model()->index(0, 1).data().toString(),
                 QString::fromUtf8("J\u00fcrgen M\u00fcller <j@m.de>"));
        list->setCurrentIndex(list->model()->index(0, 0));
        QTRY_COMPARE(list->ShownItem(), 0);
        CMailContentView* pane = frame->ContentView();
        QString shown = pane->toPlainText();
        QVERIFY(
            shown.startsWith(QString::fromUtf8("Subject : Gr\u00fc\u00dfe aus M\u00fcnchen\n")));
        QVERIFY(shown.contains(QString::fromUtf8("\n\nSch\u00f6ne Gr\u00fc\u00dfe,")));

        // A double-click on the attachment's entry saves it; a name that is taken is refused.
        const int line =
            int(shown.left(shown.indexOf(QString::fromUtf8("\u00fcber.txt"))).count('\n'));
        QCOMPARE(pane->AttachmentAtLine(line), 0);
        QCOMPARE(pane->AttachmentAtLine(0), -1);
        QString offered;
        const std::string target = ws / "saved.txt";
        frame->askSaveName = [&](const QString& suggested) {
            offered = suggested;
            return QString::fromStdString(target);
        };
        const QRect entry =
            pane->cursorRect(QTextCursor(pane->document()->findBlockByNumber(line)));
        QTest::mouseDClick(pane->viewport(), Qt::LeftButton, {}, entry.center() + QPoint(4, 0));
        QCOMPARE(offered, QString::fromUtf8("\u00fcber.txt"));
        QCOMPARE(ReadFile(target), std::string("hallo welt\n"));
        WriteFile(target, "mine");
        frame->SaveAttachment(0);
        QCOMPARE(ReadFile(target), std::string("mine"));
        QCOMPARE(script.messages, std::vector<std::string>{kTextFileExists});

        // View > Message Source: the stored bytes, and back.
        frame->MessageSourceAction()->trigger();
        shown = pane->toPlainText();
        QVERIFY(
            shown.contains(QStringLiteral("Subject: =?iso-8859-1?Q?Gr=FC=DFe_aus_M=FCnchen?=")));
        QVERIFY(shown.contains(QStringLiteral("\nSch=F6ne Gr=FC=DFe,\n")));
        QCOMPARE(pane->AttachmentAtLine(line), -1);
        frame->MessageSourceAction()->trigger();
        QVERIFY(pane->toPlainText().startsWith(QString::fromUtf8("Subject : Gr\u00fc")));
        QCOMPARE(ws.ReadBack("ns/Inbox"), stored);

        // Edit > Find...: hits across the stores; a double-click shows the hit's message.
        frame->ShowSearchPane();
        CSearchPane* search = frame->SearchPane();
        search->SinceField()->setText(QStringLiteral("the other day"));
        QVERIFY(!search->Start());
        QVERIFY(search->StatusText().contains(QStringLiteral("the other day")));
        search->SinceField()->clear();
        search->TextField()->setText(QString::fromUtf8("SCH\u00d6NE"));
        QVERIFY(search->Start());
        QTRY_VERIFY(!search->IsRunning());
        QTreeWidget* results = search->Results();
        QCOMPARE(results->topLevelItemCount(), 1);
        QCOMPARE(results->topLevelItem(0)->text(1), QStringLiteral("Inbox"));
        QCOMPARE(results->topLevelItem(0)->text(3),
                 QString::fromUtf8("J\u00fcrgen M\u00fcller <j@m.de>"));
        frame->TreeView()->setCurrentIndex(
            frame->TreeView()->FindFolderItem(FolderByPath(app, ws / "ns/Sent")));
        QCOMPARE(list->model()->rowCount(), 0);
        emit results->itemDoubleClicked(results->topLevelItem(0), 0);
        QCOMPARE(frame->TreeView()->currentIndex(),
                 frame->TreeView()->FindFolderItem(FolderByPath(app, ws / "ns/Inbox")));
        QTRY_COMPARE(list->ShownItem(), 0);
        frame->close();
    }

    void RenameInPlaceWithItsRefusals() {
        Workspace ws;
        ws.RegisterBothStores();
        CQuillboxApp app;
        QVERIFY(app.InitInstance());
        Script script(app);
        CMainFrame* frame = app.Frame();
        CQuillboxView* tree = frame->TreeView();
        frame->ActivateView(tree);
        tree->setCurrentIndex(tree->model()->index(1, 0));
        QVERIFY(!tree->BeginLabelEdit());
        QCOMPARE(script.messages, std::vector<std::string>{"Cannot rename root folder"});

        CMails* sent = FolderByPath(app, ws / "ns/Sent");
        tree->setCurrentIndex(tree->FindFolderItem(sent));
        QVERIFY(tree->BeginLabelEdit());
        auto* editor = tree->findChild<QLineEdit*>();
        QVERIFY(editor != nullptr);
        editor->setText(QStringLiteral("Outbox"));
        QTest::keyClick(editor, Qt::Key_Return);
        QTRY_VERIFY(!tree->IsEditingLabel());
        QCOMPARE(script.messages.size(), size_t(1));
        QCOMPARE(tree->FindFolderItem(sent).data().toString(), QStringLiteral("Outbox"));
        QVERIFY(QFile::exists(QString::fromStdString(ws / "ns/Outbox")));
        QVERIFY(!QFile::exists(QString::fromStdString(ws / "ns/Sent")));
        // The menus list the new name.
        QStringList entries;
        for (QAction* a : frame->MoveMenu()->actions().at(3)->menu()->actions())
            entries << a->text();
        QVERIFY(entries.contains(QStringLiteral("Outbox")));

        // A name the store refuses leaves the label as it was.
        CMails* inbox = FolderByPath(app, ws / "ns/Inbox");
        tree->setCurrentIndex(tree->FindFolderItem(inbox));
        QVERIFY(tree->BeginLabelEdit());
        editor = tree->findChild<QLineEdit*>();
        editor->setText(QStringLiteral("Outbox"));
        QTest::keyClick(editor, Qt::Key_Return);
        QTRY_VERIFY(!tree->IsEditingLabel());
        QCOMPARE(script.messages.back(), std::string("Cannot rename folder"));
        QCOMPARE(tree->FindFolderItem(inbox).data().toString(), QStringLiteral("Inbox"));
        frame->close();
    }

    void CommandUpdateRulesFollowThePaneAndSelection() {
        Workspace ws;
        ws.RegisterBothStores();
        CQuillboxApp app;
        QVERIFY(app.InitInstance());
        CMainFrame* frame = app.Frame();
        QVERIFY(QTest::qWaitForWindowActive(frame));
        CQuillboxView* tree = frame->TreeView();
        frame->ActivateView(tree);
        tree->setCurrentIndex(tree->model()->index(1, 0));
        frame->UpdateCommandStates();
        QVERIFY(frame->Action(ID_NEW_FOLDER)->isEnabled());
        QVERIFY(!frame->Action(ID_RENAME_FOLDER)->isEnabled());
        QVERIFY(!frame->Action(ID_DELETE)->isEnabled());
        tree->setCurrentIndex(tree->FindFolderItem(FolderByPath(app, ws / "ns/Inbox")));
        frame->UpdateCommandStates();
        QVERIFY(frame->Action(ID_RENAME_FOLDER)->isEnabled());
        QVERIFY(frame->Action(ID_DELETE)->isEnabled());
        // The list active: Delete needs selected rows; Rename is the tree's only.
        frame->ActivateView(frame->ListView());
        frame->ListView()->clearSelection();
        frame->UpdateCommandStates();
        QVERIFY(!frame->Action(ID_RENAME_FOLDER)->isEnabled());
        QVERIFY(!frame->Action(ID_DELETE)->isEnabled());
        frame->ListView()->selectAll();
        frame->UpdateCommandStates();
        QVERIFY(frame->Action(ID_DELETE)->isEnabled());
        // The text pane active: neither.
        frame->ActivateView(frame->ContentView());
        QVERIFY(!frame->Action(ID_DELETE)->isEnabled());
        frame->close();
    }

    void DeletingMessagesFromTheListAsksAndRemovesTheirRows() {
        Workspace ws;
        ws.RegisterBothStores();
        CQuillboxApp app;
        QVERIFY(app.InitInstance());
        Script script(app);
        CMainFrame* frame = app.Frame();
        CMails* inbox = FolderByPath(app, ws / "ns/Inbox");
        frame->TreeView()->setCurrentIndex(frame->TreeView()->FindFolderItem(inbox));
        frame->ActivateView(frame->ListView());
        CMailListView* list = frame->ListView();
        list->selectionModel()->select(list->model()->index(0, 0),
                                       QItemSelectionModel::Select | QItemSelectionModel::Rows);
        list->selectionModel()->select(list->model()->index(2, 0),
                                       QItemSelectionModel::Select | QItemSelectionModel::Rows);
        script.answer = Answer::Cancel;
        frame->OnCommand(ID_DELETE);
        QCOMPARE(script.messages, std::vector<std::string>{"Delete Selected Message(s)?"});
        QCOMPARE(list->model()->rowCount(), 3);
        // The Del key, with the list active.
        script.answer = Answer::Ok;
        QVERIFY(QTest::qWaitForWindowActive(frame));
        list->setFocus();
        QTest::keyClick(list, Qt::Key_Delete);
        QCOMPARE(script.messages.size(), size_t(2));
        QCOMPARE(list->model()->rowCount(), 1);
        QCOMPARE(list->model()->index(0, 0).data().toString(), QStringLiteral("Second"));
        // The store agrees after a fresh read.
        frame->TreeView()->FillMessageList();
        QCOMPARE(list->model()->rowCount(), 1);
        frame->close();
    }

    void SettingsWrittenOnCloseAreReadAtTheNextStart() {
        Workspace ws;
        ws.RegisterBothStores();
        {
            CQuillboxApp app;
            QVERIFY(app.InitInstance());
            CMainFrame* frame = app.Frame();
            QVERIFY(QTest::qWaitForWindowExposed(frame));
            frame->ListView()->header()->resizeSection(1, 140);
            CMails* old = FolderByPath(app, ws / "ns/Inbox.sbd/Old");
            frame->TreeView()->setCurrentIndex(frame->TreeView()->FindFolderItem(old));
            frame->close();
        }
        QCOMPARE(Setting("Column1 Width"), 140);
        QCOMPARE(StringSetting("Current Folder"), ws / "ns/Inbox.sbd/Old");
        {
            CQuillboxApp app;
            QVERIFY(app.InitInstance());
            CMainFrame* frame = app.Frame();
            QCOMPARE(frame->ListView()->ColumnWidths()[1], 140);
            CMails* selected = frame->TreeView()->GetSelectedFolder();
            QVERIFY(selected != nullptr);
            QCOMPARE(selected->m_strPath, ws / "ns/Inbox.sbd/Old");
            QCOMPARE(frame->ListView()->model()->rowCount(), 1);
            // No selection at close keeps the saved folder.
            frame->TreeView()->setCurrentIndex({});
            frame->close();
        }
        QCOMPARE(StringSetting("Current Folder"), ws / "ns/Inbox.sbd/Old");
    }

    void SavedFolderInTwoStoresSelectsTheFirst() {
        Workspace ws;
        WriteNetscapeStore(ws / "ns", kInbox);
        {
            RegistryFile registry(RegistryFile::DefaultPath());
            QVERIFY(WriteMailboxEntry(registry, "A", ws / "ns", kTypeNavigator));
            QVERIFY(WriteMailboxEntry(registry, "B", ws / "ns", kTypeNavigator));
            QVERIFY(RegistrySettingsStore(registry).SetString("Current Folder", ws / "ns/Inbox"));
        }
        CQuillboxApp app;
        QVERIFY(app.InitInstance());
        QModelIndex selected = app.Frame()->TreeView()->currentIndex();
        QVERIFY(selected.isValid());
        QCOMPARE(selected.data().toString(), QStringLiteral("Inbox"));
        QCOMPARE(selected.parent().row(), 0);
        app.Frame()->close();
    }

    void ZoomedInAnyCaseOpensMaximised() {
        Workspace ws;
        {
            RegistryFile registry(RegistryFile::DefaultPath());
            QVERIFY(RegistrySettingsStore(registry).SetString("Zoomed", "YES"));
        }
        CQuillboxApp app;
        QVERIFY(app.InitInstance());
        QVERIFY(app.Frame()->isMaximized());
        app.Frame()->close();
        QCOMPARE(StringSetting("Zoomed"), std::string("Yes"));
    }
};

QB_TEST_CLASS(AppTest);
#include "app_test.moc"
