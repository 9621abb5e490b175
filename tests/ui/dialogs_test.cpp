// The dialogs of New MailBox, Assign, Locate, Compact, Backup and Restore: their texts, the
// refusals with the field that takes the focus, the button rules, and each command's whole flow
// through the real widgets on stores written to disk.
#include "program_fixture.h"
#include "ui_fixtures.h"
#include "ui_test_main.h"

#include "app/document.h"
#include "app/long_operation.h"
#include "model/mails.h"
#include "platform/registry_file.h"
#include "support/bytes.h"
#include "support/temp_dir.h"
#include "ui/assign_dialog.h"
#include "ui/backup_dialogs.h"
#include "ui/compact_dialog.h"
#include "ui/dialog_commands.h"
#include "ui/dialog_support.h"
#include "ui/folder_tree_model.h"
#include "ui/folder_tree_view.h"
#include "ui/help_window.h"
#include "ui/locate_dialog.h"
#include "ui/mail_list_view.h"
#include "ui/main_frame.h"
#include "ui/new_mailbox_dialog.h"
#include "ui/qt_port.h"
#include "ui/quillbox_app.h"
#include "ui/transfer_dialogs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QProgressBar>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardItemModel>
#include <QStatusBar>
#include <QTimer>
#include <QTreeView>
#include <QTreeWidget>
#include <QUrl>

#include <deque>
#include <filesystem>
#include <memory>

using namespace qb;
using namespace qb::test;

namespace {

QStringList Texts(const QList<QPushButton*>& buttons) {
    QStringList texts;
    for (QPushButton* b : buttons)
        texts << b->text();
    return texts;
}

// Button texts of a dialog in the order the layouts place them (top to bottom, left to right).
QStringList ButtonOrder(QWidget& dialog) {
    QList<QPushButton*> buttons = dialog.findChildren<QPushButton*>();
    dialog.adjustSize();
    dialog.layout()->activate();
    std::sort(buttons.begin(), buttons.end(), [&](QPushButton* a, QPushButton* b) {
        QPoint pa = a->mapTo(&dialog, QPoint(0, 0));
        QPoint pb = b->mapTo(&dialog, QPoint(0, 0));
        return pa.y() != pb.y() ? pa.y() < pb.y() : pa.x() < pb.x();
    });
    return Texts(buttons);
}

QStringList GroupTitles(QWidget& dialog) {
    QStringList titles;
    for (QGroupBox* box : dialog.findChildren<QGroupBox*>())
        titles << box->title();
    return titles;
}

QStringList Column(CFullRowListCtrl* list, int column) {
    QStringList texts;
    for (int i = 0; i < list->Model()->rowCount(); ++i)
        texts << list->Model()->index(i, column).data().toString();
    return texts;
}

void SelectRows(CFullRowListCtrl* list, const std::vector<int>& rows) {
    list->selectionModel()->clearSelection();
    for (int r : rows)
        list->selectionModel()->select(list->Model()->index(r, 0),
                                       QItemSelectionModel::Select | QItemSelectionModel::Rows);
}

} // namespace

class DialogsTest : public QObject {
    Q_OBJECT
  private slots:
    void NewMailboxLayoutAndCreateDir() {
        Program p;
        p.Start();
        NewMailboxDialog dialog(p.GetPort(), {});
        QCOMPARE(dialog.windowTitle(), QStringLiteral("New Mailbox"));
        QCOMPARE(GroupTitles(dialog), QStringList({"Mail Box Name", "Mail Box Directory"}));
        QCOMPARE(ButtonOrder(dialog), QStringList({"...", "Create Dir", "OK", "Cancel", "Help"}));
        QVERIFY(!dialog.CreateDirButton()->isEnabled());
        // A chosen directory is a change like a typed one.
        dialog.browse = [&](QWidget*) {
            return std::optional<QString>(QString::fromStdString(p.dir / "made"));
        };
        dialog.BrowseButton()->click();
        QCOMPARE(dialog.DirectoryEdit()->text(), QString::fromStdString(p.dir / "made"));
        QVERIFY(dialog.CreateDirButton()->isEnabled());
        dialog.CreateDirButton()->click();
        QVERIFY(std::filesystem::is_directory(p.dir / "made"));
        QVERIFY(!dialog.CreateDirButton()->isEnabled());
        QVERIFY(p.messages.empty());
        // One level only: a missing parent is refused.
        dialog.DirectoryEdit()->setText(QString::fromStdString(p.dir / "no/such"));
        QVERIFY(dialog.CreateDirButton()->isEnabled());
        dialog.CreateDirButton()->click();
        QCOMPARE(p.messages, std::vector<std::string>{"Cannot create directory"});
        QCOMPARE(dialog.focusWidget(), static_cast<QWidget*>(dialog.DirectoryEdit()));
        QVERIFY(!std::filesystem::exists(p.dir / "no"));
        QVERIFY(dialog.CreateDirButton()->isEnabled());
    }

    // The refusals themselves, and their order, are the application layer's (tested there);
    // here, that the dialog shows them, puts the focus in the field to correct and stays open.
    void NewMailboxShowsRefusalsAndStaysOpen() {
        Program p;
        p.Start();
        std::filesystem::create_directories(p.dir / "used");
        NewMailboxLookups lookups;
        lookups.directoryInUse = [&](const std::string& d) { return d == p.dir / "used"; };
        NewMailboxDialog dialog(p.GetPort(), lookups);
        dialog.show();
        auto ok = [&] {
            p.messages.clear();
            dialog.OkButton()->click();
        };
        dialog.DirectoryEdit()->setFocus();
        ok();
        QCOMPARE(p.messages, std::vector<std::string>{"Please input a name"});
        QCOMPARE(dialog.focusWidget(), static_cast<QWidget*>(dialog.NameEdit()));
        dialog.NameEdit()->setText("New");
        // Trimmed and without its trailing separator, as shown back in the edit.
        dialog.DirectoryEdit()->setText(QString::fromStdString(" " + p.dir / "used/ "));
        dialog.NameEdit()->setFocus();
        ok();
        QCOMPARE(p.messages,
                 std::vector<std::string>{"There has been a mailbox which use same directory"});
        QCOMPARE(dialog.focusWidget(), static_cast<QWidget*>(dialog.DirectoryEdit()));
        QCOMPARE(dialog.DirectoryEdit()->text(), QString::fromStdString(p.dir / "used"));
        QVERIFY(dialog.isVisible());
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
    }

    void NewMailboxAsksToCreateAMissingDirectory() {
        Program p;
        p.Start();
        NewMailboxDialog dialog(p.GetPort(), {});
        dialog.show();
        dialog.NameEdit()->setText("New");
        dialog.DirectoryEdit()->setText(QString::fromStdString(p.dir / "fresh"));
        p.answers = {Answer::No};
        dialog.OkButton()->click();
        QCOMPARE(p.messages, std::vector<std::string>{"Specified directory not exsit, create it?"});
        QVERIFY(!std::filesystem::exists(p.dir / "fresh"));
        QVERIFY(dialog.isVisible());
        QCOMPARE(dialog.focusWidget(), static_cast<QWidget*>(dialog.DirectoryEdit()));
        // A file in the way: Yes cannot create it, and No does not take the file as a store.
        WriteFile(p.dir / "file", "x");
        dialog.DirectoryEdit()->setText(QString::fromStdString(p.dir / "file"));
        p.messages.clear();
        p.answers = {Answer::Yes};
        dialog.OkButton()->click();
        QCOMPARE(p.messages, std::vector<std::string>({"Specified directory not exsit, create it?",
                                                       "Cannot create directory"}));
        QVERIFY(dialog.isVisible());
        p.answers = {Answer::No};
        dialog.OkButton()->click();
        QVERIFY(dialog.isVisible());
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        dialog.DirectoryEdit()->setText(QString::fromStdString(p.dir / "fresh"));
        p.answers = {Answer::Yes};
        dialog.OkButton()->click();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QVERIFY(std::filesystem::is_directory(p.dir / "fresh"));
        QCOMPARE(dialog.Name(), std::string("New"));
        QCOMPARE(dialog.Directory(), p.dir / "fresh");
    }

    void AssignChecksAgainstTheManagedRows() {
        Program p;
        p.Start();
        std::filesystem::create_directories(p.dir / "store");
        WriteFile(p.dir / "file", "x");
        std::vector<MailboxRow> managed = {{"Mail", p.dir / "taken", kTypeNavigator}};
        AssignDialog dialog(p.GetPort(), [&](AssignInput& in) { return CheckAssign(in, managed); });
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Assign"));
        QCOMPARE(ButtonOrder(dialog), QStringList({"...", "Add", "Close", "Help"}));
        QCOMPARE(dialog.NameEdit()->maxLength(), 256);
        QCOMPARE(dialog.DirectoryEdit()->maxLength(), 256);
        QStringList labels;
        for (int i = 0; i < 3; ++i) {
            labels << dialog.TypeButton(i)->text();
            QVERIFY(!dialog.TypeButton(i)->isChecked());
        }
        QCOMPARE(labels, QStringList({"Internet Mail", "Netscape Navigator",
                                      "Netscape Communicator Profile"}));
        dialog.show();
        auto add = [&] {
            p.messages.clear();
            dialog.AddButton()->click();
        };
        dialog.NameEdit()->setText("mail");
        add();
        QCOMPARE(p.messages,
                 std::vector<std::string>{"There has been a mailbox which has same name"});
        QCOMPARE(dialog.focusWidget(), static_cast<QWidget*>(dialog.NameEdit()));
        dialog.NameEdit()->setText("Other");
        dialog.DirectoryEdit()->setText(QString::fromStdString(p.dir / "TAKEN/").toUpper());
        add();
        QCOMPARE(p.messages,
                 std::vector<std::string>{"There has been a mailbox use same directory"});
        dialog.DirectoryEdit()->setText(QString::fromStdString(p.dir / "missing"));
        add();
        QCOMPARE(p.messages, std::vector<std::string>{"Specified directory not found"});
        dialog.DirectoryEdit()->setText(QString::fromStdString(p.dir / "file"));
        add();
        QCOMPARE(p.messages, std::vector<std::string>{"Not a directory name"});
        QCOMPARE(dialog.focusWidget(), static_cast<QWidget*>(dialog.DirectoryEdit()));
        // No kind chosen: the focus stays where the user left it.
        dialog.DirectoryEdit()->setText(QString::fromStdString(p.dir / "store"));
        dialog.NameEdit()->setFocus();
        add();
        QCOMPARE(p.messages, std::vector<std::string>{"Please select mail type"});
        QCOMPARE(dialog.focusWidget(), static_cast<QWidget*>(dialog.NameEdit()));
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        dialog.TypeButton(0)->click();
        add();
        QVERIFY(p.messages.empty());
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.Input().typeIndex, 0);
        QCOMPARE(dialog.Input().directory, p.dir / "store");
        // A chosen directory longer than the edit holds is cut to its limit.
        dialog.browse = [](QWidget*) { return std::optional<QString>(QString(300, 'd')); };
        dialog.BrowseButton()->click();
        QCOMPARE(dialog.DirectoryEdit()->text().size(), 256);
    }

    void LocateButtonsFollowTheLists() {
        Program p;
        p.Register("Alpha", p.dir / "a", kTypeNavigator);
        p.Register("Beta", p.dir / "b", kTypeInternetMail);
        p.Start();
        LocateDialog dialog(p.GetPort(), p.app->Registry());
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Locate exist messages"));
        QCOMPARE(ButtonOrder(dialog), QStringList({"Add All", "Add", "Remove", "Remove All", "OK",
                                                   "Cancel", "Assign...", "Help"}));
        QStringList labels;
        for (QLabel* l : dialog.findChildren<QLabel*>())
            labels << l->text();
        QCOMPARE(labels, QStringList({"Exsit Mailbox", "Mailbox Managed by Quillbox"}));
        for (CFullRowListCtrl* list : {dialog.FoundList(), dialog.ManagedList()}) {
            QCOMPARE(list->Model()->columnCount(), 4);
            const QFontMetrics metrics(list->font());
            const int margins[] = {90, 140, 120, 40};
            for (int c = 0; c < 4; ++c) {
                const QString heading = list->Model()->headerData(c, Qt::Horizontal).toString();
                QCOMPARE(list->columnWidth(c), metrics.horizontalAdvance(heading) + margins[c]);
            }
            QCOMPARE(list->selectionMode(), QAbstractItemView::ExtendedSelection);
        }
        QVERIFY(dialog.FillLists());
        dialog.show();
        auto enabled = [&] {
            return QList<bool>{dialog.AddAllButton()->isEnabled(), dialog.AddButton()->isEnabled(),
                               dialog.RemoveButton()->isEnabled(),
                               dialog.RemoveAllButton()->isEnabled()};
        };
        QCOMPARE(Column(dialog.ManagedList(), 0), QStringList({"Alpha", "Beta"}));
        QCOMPARE(Column(dialog.ManagedList(), 2), QStringList({"Navigator Mail", "Microsoft IM"}));
        QCOMPARE(enabled(), QList<bool>({false, false, false, true}));
        SelectRows(dialog.ManagedList(), {1});
        QCOMPARE(enabled(), QList<bool>({false, false, true, true}));
        dialog.RemoveButton()->click();
        QCOMPARE(Column(dialog.ManagedList(), 0), QStringList({"Alpha"}));
        QCOMPARE(Column(dialog.FoundList(), 0), QStringList({"Beta"}));
        QCOMPARE(enabled(), QList<bool>({true, false, false, true}));
        dialog.RemoveAllButton()->click();
        QCOMPARE(Column(dialog.FoundList(), 0), QStringList({"Beta", "Alpha"}));
        QCOMPARE(enabled(), QList<bool>({true, false, false, false}));
        SelectRows(dialog.FoundList(), {1});
        QCOMPARE(enabled(), QList<bool>({true, true, false, false}));
        dialog.AddButton()->click();
        QCOMPARE(Column(dialog.ManagedList(), 0), QStringList({"Alpha"}));
        dialog.AddAllButton()->click();
        QCOMPARE(Column(dialog.ManagedList(), 0), QStringList({"Alpha", "Beta"}));
        QCOMPARE(Column(dialog.FoundList(), 0), QStringList());
        QCOMPARE(enabled(), QList<bool>({false, false, false, true}));
        // Nothing reaches the registry before OK.
        QCOMPARE(p.Registered().size(), size_t(2));
        QVERIFY(dialog.OkButton()->isEnabled() && dialog.AssignButton()->isEnabled());
    }

    void BackupAndRestoreFileChoosers() {
        for (bool save : {true, false}) {
            std::unique_ptr<QFileDialog> chooser = MakeBackupFileDialog(nullptr, save);
            QCOMPARE(chooser->windowTitle(),
                     save ? QStringLiteral("Backup File") : QStringLiteral("File To Restore"));
            QCOMPARE(chooser->nameFilters().first(),
                     QStringLiteral("Quillbox Backup Files (*.qbf)"));
            QCOMPARE(chooser->nameFilters().size(), 2);
            QCOMPARE(chooser->defaultSuffix(), QStringLiteral("qbf"));
            QCOMPARE(chooser->acceptMode(),
                     save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
            QCOMPARE(chooser->fileMode(), save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
            QVERIFY(!chooser->testOption(QFileDialog::DontConfirmOverwrite));
        }
    }

    void CompactRunsWithItsStatusLineAndCloseDoesNothing() {
        Program p;
        p.Register("Mail", p.dir / "ns", kTypeNavigator);
        WriteNetscapeStore(p.dir / "ns", {{"One", "", "", "", {"x"}}});
        p.Start();
        QStringList statuses;
        p.Run<CompactDialog>(ID_COMPACT, [&](CompactDialog& dialog) {
            QCOMPARE(dialog.windowTitle(), QStringLiteral("Compact"));
            QCOMPARE(GroupTitles(dialog), QStringList({"Status"}));
            QCOMPARE(Texts({dialog.CompactButton(), dialog.CloseButton(), dialog.HelpButton()}),
                     QStringList({"Compact", "Close", "Help"}));
            QObject::connect(p.app->Frame()->statusBar(), &QStatusBar::messageChanged, &dialog,
                             [&](const QString&) { statuses << dialog.Status(); });
            dialog.CompactButton()->click();
        });
        QCOMPARE(statuses,
                 QStringList({"Compacting, please wait...",
                              "Compacting Mailbox 'Mail', please wait.", "Mailbox Compacted"}));
        QVERIFY(p.messages.empty());

        const std::string before = ReadFile(p.dir / "ns/Inbox");
        bool closed = false;
        p.Run<CompactDialog>(ID_COMPACT, [&](CompactDialog& dialog) {
            dialog.CloseButton()->click();
            closed = dialog.result() == QDialog::Rejected;
        });
        QVERIFY(closed);
        QCOMPARE(ReadFile(p.dir / "ns/Inbox"), before);
    }

    // Show Deleted Messages lists the marked message greyed and counts it, Undelete takes the
    // mark off in the file, and the Compact dialog counts what it would remove before it starts.
    void DeletedMessagesAreShownCountedAndUndeleted() {
        Program p;
        p.Register("Mail", p.dir / "ns", kTypeNavigator);
        std::filesystem::create_directories(p.dir / "ns");
        WriteFile(p.dir / "ns/Inbox", NsMessage("Live", {"a"}) + NsMessage("Gone", {"b"}, "0009"));
        p.Start();
        CMainFrame* frame = p.app->Frame();
        CMailListView* list = frame->ListView();
        frame->TreeView()->setCurrentIndex(frame->TreeView()->FindFolderItem(
            p.Doc().FindMailboxByName("Mail")->GetSubFolders().at(0)));
        QCOMPARE(list->model()->rowCount(), 1);
        p.Run<CompactDialog>(ID_COMPACT, [&](CompactDialog& dialog) {
            QCOMPARE(dialog.Status(),
                     QStringLiteral("1 deleted message in 1 mailbox will be removed for good."));
            dialog.CloseButton()->click();
        });

        frame->Action(ID_VIEW_SHOW_DELETED)->trigger();
        QVERIFY(frame->Action(ID_VIEW_SHOW_DELETED)->isChecked());
        QCOMPARE(list->model()->rowCount(), 2);
        QCOMPARE(list->model()->index(1, 0).data().toString(), QStringLiteral("Gone"));
        QVERIFY(list->model()->index(1, 0).data(Qt::ForegroundRole).isValid());
        QVERIFY(!list->model()->index(0, 0).data(Qt::ForegroundRole).isValid());
        QCOMPARE(frame->StatusText(), QStringLiteral("1 deleted message shown"));

        frame->ActivateView(list);
        list->setCurrentIndex(list->model()->index(0, 0));
        frame->UpdateCommandStates();
        QVERIFY(!frame->Action(ID_UNDELETE)->isEnabled());
        list->selectAll();
        frame->UpdateCommandStates();
        QVERIFY(frame->Action(ID_UNDELETE)->isEnabled());
        frame->Action(ID_UNDELETE)->trigger();
        QCOMPARE(ReadFile(p.dir / "ns/Inbox"),
                 NsMessage("Live", {"a"}) + NsMessage("Gone", {"b"}, "0001"));
        QVERIFY(!list->model()->index(1, 0).data(Qt::ForegroundRole).isValid());
        QCOMPARE(frame->StatusText(), QStringLiteral("0 deleted messages shown"));
        QVERIFY(p.messages.empty());

        frame->Action(ID_VIEW_SHOW_DELETED)->trigger();
        QVERIFY(!frame->Action(ID_VIEW_SHOW_DELETED)->isChecked());
    }
};

QB_TEST_CLASS(DialogsTest);

class DialogFlowTest : public QObject {
    Q_OBJECT
  private slots:
    void BackupThenRestoreIntoAnotherStore() {
        Program p;
        p.Register("Mail", p.dir / "ns", kTypeNavigator);
        p.Register("Other", p.dir / "ns2", kTypeNavigator);
        WriteNetscapeStore(p.dir / "ns",
                           {{"One", "a@x", "", "", {"first"}}, {"Two", "b@x", "", "", {"second"}}});
        std::filesystem::create_directories(p.dir / "ns2");
        p.Start();
        const std::string file = p.dir / "inbox.qbf";
        p.Run<BackupDialog>(ID_BACKUP, [&](BackupDialog& dialog) {
            QCOMPARE(dialog.windowTitle(), QStringLiteral("Backup"));
            QCOMPARE(GroupTitles(dialog), QStringList({"Select Folder to Backup", "Backup File"}));
            QCOMPARE(ButtonOrder(dialog), QStringList({"...", "Backup", "Cancel", "Help"}));
            QAbstractItemModel* model = dialog.Tree()->model();
            QCOMPARE(ChildItems(model, {}), QStringList({"Mail", "Other"}));
            const QModelIndex mail = model->index(0, 0);
            QCOMPARE(ChildItems(model, mail), QStringList({"Inbox", "Sent"}));
            QCOMPARE(model->index(0, 0, mail).data(FolderTreeModel::ImageRole).toInt(),
                     int(FolderTreeModel::kImageFolder));
            QCOMPARE(mail.data(FolderTreeModel::ImageRole).toInt(),
                     int(FolderTreeModel::kImageStore));
            // Nothing chosen yet: first the file, then the folder is asked for.
            dialog.BackupButton()->click();
            QCOMPARE(p.messages.back(), std::string("Please input file name"));
            QCOMPARE(dialog.focusWidget(), static_cast<QWidget*>(dialog.FileEdit()));
            dialog.chooseFile = [&](QWidget*) {
                return std::optional<QString>(QString::fromStdString(file));
            };
            dialog.BrowseButton()->click();
            QCOMPARE(dialog.FileEdit()->text(), QString::fromStdString(file));
            QVERIFY(dialog.SelectedFolder() == nullptr);
            dialog.BackupButton()->click();
            QCOMPARE(p.messages.back(), std::string("Please select a folder to backup"));
            QVERIFY(!std::filesystem::exists(file));
            dialog.Tree()->setCurrentIndex(model->index(0, 0, mail));
            QCOMPARE(dialog.SelectedFolder()->m_strName, std::string("Inbox"));
            p.messages.clear();
            dialog.BackupButton()->click();
            QVERIFY(p.messages.empty());
            QCOMPARE(dialog.result(), int(QDialog::Accepted));
        });
        QVERIFY(std::filesystem::file_size(file) > 0);

        p.Run<RestoreDialog>(ID_RESTORE, [&](RestoreDialog& dialog) {
            QCOMPARE(dialog.windowTitle(), QStringLiteral("Restore"));
            QCOMPARE(GroupTitles(dialog),
                     QStringList({"Backup File To Restore", "Select Mailbox Restore To"}));
            QCOMPARE(ButtonOrder(dialog), QStringList({"...", "OK", "Cancel", "Help"}));
            QTreeWidget* list = dialog.List();
            QCOMPARE(list->headerItem()->text(0), QStringLiteral("MailBox Name"));
            QCOMPARE(list->columnWidth(0), 250);
            QCOMPARE(list->topLevelItemCount(), 2);
            QCOMPARE(list->topLevelItem(1)->text(0), QStringLiteral("Other"));
            QVERIFY(!list->topLevelItem(1)->icon(0).isNull());
            p.messages.clear();
            dialog.OkButton()->click();
            QCOMPARE(p.messages, std::vector<std::string>{"Please input file name"});
            QCOMPARE(dialog.focusWidget(), static_cast<QWidget*>(dialog.FileEdit()));
            dialog.FileEdit()->setText(QString::fromStdString(file));
            dialog.OkButton()->click();
            QCOMPARE(p.messages.back(), std::string("Please select a mailbox to restore to"));
            QVERIFY(dialog.isVisible());
            list->setCurrentItem(list->topLevelItem(1));
            p.messages.clear();
            dialog.OkButton()->click();
            QVERIFY(p.messages.empty());
            QCOMPARE(dialog.result(), int(QDialog::Accepted));
        });
        // The restored folder is in the second store, on disk and in the main tree.
        CQuillboxView* tree = p.app->Frame()->TreeView();
        const QModelIndex other = tree->model()->index(1, 0);
        QCOMPARE(ChildItems(tree->model(), other), QStringList({"Inbox"}));
        CMails* restored = p.Doc().Mailboxes()[1]->m_pRoot->GetSubFolders().front();
        QCOMPARE(restored->GetMessages().size(), size_t(2));
    }

    // Export of the selected folder as .eml files, a Cancel in the middle of a second export,
    // and an import of the files into another folder: the dialogs hand what the user chose to
    // the document and show its summary.
    void ExportCancelAndImportThroughTheDialogs() {
        Program p;
        p.Register("Mail", p.dir / "ns", kTypeNavigator);
        WriteNetscapeStore(p.dir / "ns",
                           {{"One", "a@x", "", "", {"first"}}, {"Two", "b@x", "", "", {"second"}}});
        p.Start();
        CMails* root = p.Doc().FindMailboxByName("Mail");
        CMails* inbox = root->FindFolder(p.dir / "ns/Inbox");
        CMails* sent = root->FindFolder(p.dir / "ns/Sent");
        QVERIFY(inbox != nullptr && sent != nullptr);
        CQuillboxView* tree = p.app->Frame()->TreeView();
        tree->setCurrentIndex(tree->FindFolderItem(inbox));
        const std::string out = p.dir / "out";
        p.Run<ExportDialog>(ID_EXPORT, [&](ExportDialog& dialog) {
            QCOMPARE(dialog.windowTitle(), QStringLiteral("Export Inbox"));
            dialog.RunButton()->click();
            QCOMPARE(p.messages.back(), std::string(kTextInputDestination));
            QCOMPARE(dialog.result(), int(QDialog::Rejected));
            dialog.PathEdit()->setText(QString::fromStdString(out));
            dialog.FormatBox()->setCurrentText(QStringLiteral("eml"));
            dialog.RunButton()->click();
            QCOMPARE(dialog.result(), int(QDialog::Accepted));
        });
        QCOMPARE(p.messages.back(), "Exported 2 messages from 1 folders to " + out);
        QVERIFY(std::filesystem::exists(out + "/Inbox/00001-One.eml"));

        const std::string stopped = p.dir / "stopped";
        p.Run<ExportDialog>(ID_EXPORT, [&](ExportDialog& dialog) {
            dialog.PathEdit()->setText(QString::fromStdString(stopped));
            dialog.SubFoldersBox()->setChecked(true);
            // Cancel is pressed while the export runs: the first step lets the click in.
            QTimer::singleShot(0, dialog.CancelButton(), &QPushButton::click);
            dialog.RunButton()->click();
        });
        QVERIFY(p.messages.back().starts_with("Export cancelled: "));
        for (const auto& e : std::filesystem::recursive_directory_iterator(stopped))
            QVERIFY2(e.is_directory(), e.path().c_str());

        tree->setCurrentIndex(tree->FindFolderItem(sent));
        p.Run<ImportDialog>(ID_IMPORT, [&](ImportDialog& dialog) {
            QCOMPARE(dialog.windowTitle(), QStringLiteral("Import into Sent"));
            // A directory of .eml files comes from the directory chooser.
            dialog.chooseDirectory = [&](QWidget*) {
                return QString::fromStdString(out + "/Inbox");
            };
            dialog.DirectoryButton()->click();
            dialog.RunButton()->click();
        });
        QCOMPARE(p.messages.back(),
                 "Imported 2 messages into 1 folders from " + out + "/Inbox, skipped 0");
        QCOMPARE(sent->GetMessages().size(), std::size_t(2));
    }

    void RestoreOfADamagedFileKeepsTheDialogOpen() {
        Program p;
        p.Register("Mail", p.dir / "ns", kTypeNavigator);
        WriteNetscapeStore(p.dir / "ns", {{"One", "", "", "", {"x"}}});
        p.Start();
        WriteFile(p.dir / "bad.qbf", "not an archive at all");
        const std::string inbox = ReadFile(p.dir / "ns/Inbox");
        p.Run<RestoreDialog>(ID_RESTORE, [&](RestoreDialog& dialog) {
            dialog.FileEdit()->setText(QString::fromStdString(p.dir / "bad.qbf"));
            dialog.List()->setCurrentItem(dialog.List()->topLevelItem(0));
            dialog.OkButton()->click();
            QVERIFY(dialog.isVisible());
            QCOMPARE(dialog.result(), int(QDialog::Rejected));
        });
        QCOMPARE(p.messages.size(), size_t(1));
        QVERIFY(p.messages[0].find("bad.qbf") != std::string::npos);
        QCOMPARE(ChildItems(p.app->Frame()->TreeView()->model(),
                            p.app->Frame()->TreeView()->model()->index(0, 0)),
                 QStringList({"Inbox", "Sent"}));
        QCOMPARE(ReadFile(p.dir / "ns/Inbox"), inbox);
    }

    void NewMailboxRegistersAndShowsTheStore() {
        Program p;
        p.Register("Mail", p.dir / "ns", kTypeNavigator);
        WriteNetscapeStore(p.dir / "ns", {{"One", "", "", "", {"x"}}});
        p.Start();
        p.Run<NewMailboxDialog>(ID_NEW_MAILBOX, [&](NewMailboxDialog& dialog) {
            // The document's mailboxes are the ones checked, without regard to case.
            dialog.NameEdit()->setText("mail");
            dialog.DirectoryEdit()->setText(QString::fromStdString(p.dir / "new"));
            dialog.OkButton()->click();
            QCOMPARE(p.messages.back(),
                     std::string("There has been a mailbox which has same name"));
            dialog.NameEdit()->setText("Archive");
            dialog.DirectoryEdit()->setText(QString::fromStdString(p.dir / "NS"));
            dialog.OkButton()->click();
            dialog.DirectoryEdit()->setText(QString::fromStdString(p.dir / "new/"));
            dialog.OkButton()->click(); // asks, and Yes creates it
            QCOMPARE(dialog.result(), int(QDialog::Accepted));
        });
        QCOMPARE(p.messages.back(), std::string("Specified directory not exsit, create it?"));
        QVERIFY(std::filesystem::is_directory(p.dir / "new"));
        QCOMPARE(TopLevelItems(p.app->Frame()->TreeView()), QStringList({"Mail", "Archive"}));
        std::vector<MailboxRow> rows = p.Registered();
        QCOMPARE(rows.size(), size_t(2));
        // The registry lists its mailboxes alphabetically.
        QCOMPARE(rows[0].name, std::string("Archive"));
        QCOMPARE(rows[0].storeRoot, p.dir / "new");
        QCOMPARE(rows[0].type, std::string(kTypeNavigator));

        // Cancel registers nothing.
        p.Run<NewMailboxDialog>(ID_NEW_MAILBOX, [&](NewMailboxDialog& dialog) {
            dialog.NameEdit()->setText("Third");
            dialog.reject();
        });
        QCOMPARE(p.Registered().size(), size_t(2));
        QCOMPARE(TopLevelItems(p.app->Frame()->TreeView()).size(), 2);
    }

    void LocateAssignRemoveAndOkRewriteTheMailboxes() {
        Program p;
        p.Register("Mail", p.dir / "ns", kTypeNavigator);
        p.Register("Old", p.dir / "old", kTypeNavigator);
        WriteNetscapeStore(p.dir / "ns", {{"One", "", "", "", {"x"}}});
        QVERIFY(WriteInternetMailStore(p.dir / "im", {{"Two", "", "", "", {"y"}}}));
        p.Start();
        QCOMPARE(TopLevelItems(p.app->Frame()->TreeView()), QStringList({"Mail", "Old"}));
        {
            CQuillboxView* view = p.app->Frame()->TreeView();
            view->expand(view->model()->index(0, 0));
            view->setCurrentIndex(view->model()->index(0, 0, view->model()->index(0, 0)));
        }
        p.Run<LocateDialog>(ID_LOCATE_MAILBOX, [&](LocateDialog& dialog) {
            QCOMPARE(Column(dialog.ManagedList(), 0), QStringList({"Mail", "Old"}));
            QVERIFY(!dialog.ReadOnlyBox()->isEnabled());
            SelectRows(dialog.ManagedList(), {0});
            QVERIFY(dialog.ReadOnlyBox()->isEnabled());
            dialog.ReadOnlyBox()->click();
            QCOMPARE(Column(dialog.ManagedList(), 3), QStringList({"read-only", ""}));
            SelectRows(dialog.ManagedList(), {0, 1});
            QCOMPARE(dialog.ReadOnlyBox()->checkState(), Qt::PartiallyChecked);
            dialog.ReadOnlyBox()->click(); // mixed: both become read-only
            QCOMPARE(Column(dialog.ManagedList(), 3), QStringList({"read-only", "read-only"}));
            SelectRows(dialog.ManagedList(), {1});
            QCOMPARE(dialog.ReadOnlyBox()->checkState(), Qt::Checked);
            dialog.RemoveButton()->click();
            int assignRuns = 0;
            dialog.runAssign = [&](AssignDialog& assign) {
                ++assignRuns;
                assign.show();
                assign.NameEdit()->setText("IM");
                assign.DirectoryEdit()->setText(QString::fromStdString(p.dir / "im"));
                assign.TypeButton(0)->click();
                assign.ReadOnlyBox()->setChecked(assignRuns == 1);
                assign.AddButton()->click();
                return assign.result();
            };
            dialog.AssignButton()->click();
            QCOMPARE(assignRuns, 1);
            QCOMPARE(Column(dialog.ManagedList(), 0), QStringList({"Mail", "IM"}));
            QCOMPARE(Column(dialog.ManagedList(), 2),
                     QStringList({"Navigator Mail", "Microsoft IM"}));
            // The same name again is refused inside Assign; the list keeps one row.
            dialog.AssignButton()->click();
            QCOMPARE(p.messages.back(),
                     std::string("There has been a mailbox which has same name"));
            QCOMPARE(Column(dialog.ManagedList(), 0), QStringList({"Mail", "IM"}));
            dialog.OkButton()->click();
            QCOMPARE(dialog.result(), int(QDialog::Accepted));
        });
        std::vector<MailboxRow> rows = p.Registered();
        QCOMPARE(rows.size(), size_t(2));
        QCOMPARE(rows[0].name, std::string("IM"));
        QCOMPARE(rows[0].storeRoot, p.dir / "im");
        QCOMPARE(rows[0].type, std::string(kTypeInternetMail));
        QVERIFY(rows[0].readOnly && rows[1].readOnly);
        // The tree is built again from the registry, the new store with its folder; both stores
        // show the lock, and the document refuses to change them.
        CQuillboxView* tree = p.app->Frame()->TreeView();
        QCOMPARE(TopLevelItems(tree), QStringList({"IM", "Mail"}));
        // Mail stays open, on the folder that was current.
        QVERIFY(tree->isExpanded(tree->model()->index(1, 0)));
        QCOMPARE(tree->currentIndex(), tree->model()->index(0, 0, tree->model()->index(1, 0)));
        QVERIFY(tree->model()->index(0, 0).data(FolderTreeModel::ReadOnlyRole).toBool());
        QVERIFY(tree->model()->index(1, 0).data(FolderTreeModel::ReadOnlyRole).toBool());
        QVERIFY(tree->SelectFolder(
            FolderTreeModel::FolderOf(tree->model()->index(0, 0, tree->model()->index(0, 0))),
            false));
        p.app->Frame()->OnCommand(ID_DELETE);
        QCOMPARE(p.messages.back(), std::string(kTextReadOnlyMailbox));
        QCOMPARE(ChildItems(tree->model(), tree->model()->index(0, 0)), QStringList({"Inbox"}));

        // Cancel writes nothing and keeps the tree.
        p.Run<LocateDialog>(ID_LOCATE_MAILBOX, [&](LocateDialog& dialog) {
            dialog.RemoveAllButton()->click();
            dialog.CancelButton()->click();
        });
        QCOMPARE(p.Registered().size(), size_t(2));
        QCOMPARE(TopLevelItems(p.app->Frame()->TreeView()), QStringList({"IM", "Mail"}));
    }

    void MainWindowRunsTheDialogCommands() {
        Program p;
        p.Register("Mail", p.dir / "ns", kTypeNavigator);
        WriteNetscapeStore(p.dir / "ns", {{"One", "", "", "", {"x"}}});
        p.Start();
        CMainFrame* frame = p.app->Frame();
        QVERIFY(p.app->Dialogs() != nullptr);
        QStringList titles;
        int helps = 0;
        p.app->Dialogs()->execDialog = [&](QDialog& dialog) {
            titles << dialog.windowTitle();
            for (QPushButton* button : dialog.findChildren<QPushButton*>()) {
                if (button->text() == QStringLiteral("Help")) {
                    button->click();
                    if (frame->HelpWindow() != nullptr && frame->HelpWindow()->isVisible())
                        ++helps;
                    if (frame->HelpWindow() != nullptr)
                        frame->HelpWindow()->hide();
                }
            }
            return int(QDialog::Rejected);
        };
        for (int id : {ID_COMPACT, ID_BACKUP, ID_RESTORE, ID_NEW_MAILBOX, ID_LOCATE_MAILBOX}) {
            QVERIFY(frame->IsCommandEnabled(id));
            frame->OnCommand(id);
        }
        QCOMPARE(titles, QStringList({"Compact", "Backup", "Restore", "New Mailbox",
                                      "Locate exist messages"}));
        QCOMPARE(helps, 5);
        // The tree takes drops once the program is up.
        QVERIFY(p.app->DragDrop() != nullptr);
        QVERIFY(frame->TreeView()->viewport()->acceptDrops());
    }

    void LocateRefusesToOpenOnAnUnreadableRegistry() {
        Program p;
        p.Register("Mail", p.dir / "ns", kTypeNavigator);
        WriteNetscapeStore(p.dir / "ns", {{"One", "", "", "", {"x"}}});
        p.Start();
        const std::string damaged = "this is not a registry file\r\n[HKEY_CURRENT_USER\\x\r\n";
        WriteFile(p.RegistryPath(), damaged);
        p.messages.clear();
        bool opened = false;
        p.commands->execDialog = [&](QDialog&) {
            opened = true;
            return int(QDialog::Accepted);
        };
        QVERIFY(p.commands->Run(ID_LOCATE_MAILBOX));
        QVERIFY(!opened);
        QCOMPARE(p.messages.size(), size_t(1));
        QVERIFY(p.messages[0].rfind("Cannot read the mailbox list", 0) == 0);
        QCOMPARE(ReadFile(p.RegistryPath()), damaged);
        QCOMPARE(TopLevelItems(p.app->Frame()->TreeView()), QStringList({"Mail"}));
    }

    // Compact started from the menu on a folder large enough to report its progress: the
    // progress dialog's Cancel stops it, the file stays as it was, the user is told, and the
    // folder lists every live message again.
    void CompactIsStoppedByTheProgressDialogsCancel() {
        Program p;
        p.Register("Mail", p.dir / "ns", kTypeNavigator);
        std::filesystem::create_directories(p.dir / "ns");
        std::string bytes;
        for (int i = 0; i < 900; ++i)
            bytes += NsMessage("m" + std::to_string(i), {"body"}, i % 3 == 0 ? "0009" : "0001");
        WriteFile(p.dir / "ns/Inbox", bytes);
        p.Start();
        CMainFrame* frame = p.app->Frame();
        frame->TreeView()->setCurrentIndex(frame->TreeView()->FindFolderItem(
            p.Doc().FindMailboxByName("Mail")->GetSubFolders().at(0)));
        QCOMPARE(frame->ListView()->model()->rowCount(), 600);
        p.app->GetPort()->progressShowAfter = 0;
        bool cancelled = false;
        QTimer::singleShot(0, [&] {
            auto* progress = frame->findChild<QProgressDialog*>();
            if (progress == nullptr || !progress->isVisible())
                return;
            progress->cancel();
            cancelled = true;
        });
        p.app->Dialogs()->execDialog = [](QDialog& dialog) {
            if (auto* compact = qobject_cast<CompactDialog*>(&dialog)) {
                compact->show();
                compact->CompactButton()->click();
                compact->hide();
            }
            return int(QDialog::Rejected);
        };
        frame->OnCommand(ID_COMPACT);
        QVERIFY(cancelled);
        QCOMPARE(p.messages, std::vector<std::string>({kTextStoppedCompact}));
        QCOMPARE(ReadFile(p.dir / "ns/Inbox"), bytes);
        QCOMPARE(frame->ListView()->model()->rowCount(), 600);
        QVERIFY(frame->findChild<QProgressDialog*>() == nullptr);
    }
};

QB_TEST_CLASS(DialogFlowTest);
#include "dialogs_test.moc"
