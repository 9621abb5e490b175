// The port carried out with widgets: message boxes, the folder-name dialog, the wait cursor,
// and the menus rebuilt when the window is activated.
#include "ui_fixtures.h"
#include "ui_test_main.h"

#include "app/document.h"
#include "support/temp_dir.h"
#include "ui/folder_name_dialog.h"
#include "ui/mail_list_view.h"
#include "ui/main_frame.h"
#include "ui/qt_port.h"
#include "ui/quillbox_app.h"
#include "ui/text_codec.h"

#include <QAbstractButton>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QTest>

using namespace qb;
using namespace qb::test;

namespace {

struct SeenBox {
    QString title;
    QString text;
    QString detail;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QList<QMessageBox::StandardButton> buttons;
};

// Looks at the next message box and presses `press` in it.
void PressInNextBox(SeenBox& seen, QMessageBox::StandardButton press) {
    QTimer::singleShot(0, [&seen, press] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr)
            return;
        seen.title = box->windowTitle();
        seen.text = box->text();
        seen.detail = box->informativeText();
        seen.icon = box->icon();
        for (QAbstractButton* b : box->buttons())
            seen.buttons << box->standardButton(b);
        box->button(press)->click();
    });
}

} // namespace

class PortTest : public QObject {
    Q_OBJECT
  private slots:
    void MessageBoxesCarryTheCaptionTextButtonsAndIcon() {
        MapSettingsStore settings;
        CMainFrame frame(settings);
        QtPort port(frame);
        SeenBox seen;
        PressInNextBox(seen, QMessageBox::Cancel);
        Answer answer =
            port.Message("Delete Folder \"Caf\xe9\"?", Buttons::OkCancel, Icon::Question);
        QCOMPARE(answer, Answer::Cancel);
        QCOMPARE(seen.title, QStringLiteral("Quillbox"));
        QCOMPARE(seen.text, QString::fromUtf8("Delete Folder \"Caf\u00e9\"?"));
        QCOMPARE(seen.icon, QMessageBox::Question);
        QCOMPARE(seen.buttons.size(), 2);
        QVERIFY(seen.buttons.contains(QMessageBox::Ok));

        SeenBox three;
        PressInNextBox(three, QMessageBox::No);
        QCOMPARE(port.Message("Same name?", Buttons::YesNoCancel, Icon::Warning), Answer::No);
        QCOMPARE(three.buttons.size(), 3);
        QCOMPARE(three.icon, QMessageBox::Warning);

        SeenBox plain;
        PressInNextBox(plain, QMessageBox::Ok);
        QCOMPARE(port.Message("Cannot remove folder"), Answer::Ok);
        QCOMPARE(plain.buttons, QList<QMessageBox::StandardButton>{QMessageBox::Ok});
        QCOMPARE(plain.icon, QMessageBox::NoIcon);
        QVERIFY(plain.detail.isEmpty());

        // The reason shows below the text without a click.
        SeenBox reason;
        PressInNextBox(reason, QMessageBox::Ok);
        port.Message("Cannot compact folders", Buttons::Ok, Icon::None, "Not compacted: A/One");
        QCOMPARE(reason.text, QStringLiteral("Cannot compact folders"));
        QCOMPARE(reason.detail, QStringLiteral("Not compacted: A/One"));
    }

    void WaitCursorNestsAndGivesWayToQuestions() {
        MapSettingsStore settings;
        CMainFrame frame(settings);
        {
            QtPort port(frame);
            port.SetWaitCursor(true);
            port.SetWaitCursor(true);
            QVERIFY(QApplication::overrideCursor() != nullptr);
            QCOMPARE(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
            bool ordinaryDuringQuestion = false;
            QTimer::singleShot(0, [&] {
                ordinaryDuringQuestion = QApplication::overrideCursor() == nullptr;
                if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
                    box->button(QMessageBox::Yes)->click();
            });
            QCOMPARE(port.Message("Go on?", Buttons::YesNo), Answer::Yes);
            QVERIFY(ordinaryDuringQuestion);
            QCOMPARE(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
            port.SetWaitCursor(false);
            QVERIFY(QApplication::overrideCursor() != nullptr);
            port.SetWaitCursor(false);
            QVERIFY(QApplication::overrideCursor() == nullptr);
            // One too many is ignored rather than taking someone else's cursor away.
            port.SetWaitCursor(false);
            port.SetWaitCursor(true);
        }
        // The port gives back what it still holds when it goes.
        QVERIFY(QApplication::overrideCursor() == nullptr);
    }

    void ProgressDialogShowsAfterItsDelayAndCancelStopsTheOperation() {
        MapSettingsStore settings;
        CMainFrame frame(settings);
        frame.show();
        QtPort port(frame);
        port.progressShowAfter = 200;
        auto* list = frame.ListView();
        {
            std::unique_ptr<ProgressSink> sink = port.BeginProgress("Copying folder 'Inbox'");
            // The list's rows may name messages the operation frees: it is not drawn meanwhile.
            QVERIFY(!list->updatesEnabled());
            QVERIFY(sink->Step(1, 10, ""));
            auto* dialog = frame.findChild<QProgressDialog*>();
            QVERIFY(dialog != nullptr);
            QVERIFY(!dialog->isVisible()); // a short operation shows no dialog
            QTest::qWait(250);
            QVERIFY(sink->Step(2, 10, ""));
            QVERIFY(dialog->isVisible());
            QCOMPARE(dialog->labelText(), QStringLiteral("Copying folder 'Inbox'"));
            QCOMPARE(dialog->value(), 2);
            QCOMPARE(dialog->maximum(), 10);
            QTest::qWait(60);
            QTimer::singleShot(0, [dialog] {
                for (auto* button : dialog->findChildren<QPushButton*>())
                    button->click();
            });
            QTest::qWait(20);
            QVERIFY(!sink->Step(3, 10, ""));
            QVERIFY(!sink->Step(4, 10, "")); // it stays stopped
        }
        QVERIFY(list->updatesEnabled());
        QVERIFY(frame.findChild<QProgressDialog*>() == nullptr);
    }

    void FolderNameDialogRefusesAnEmptyName() {
        FolderNameDialog dialog;
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Input Folder Name"));
        std::vector<std::string> refusals;
        dialog.onRefusal = [&](const std::string& text) { refusals.push_back(text); };
        dialog.show();
        dialog.accept();
        QCOMPARE(refusals, std::vector<std::string>{"Please input a folder name"});
        QVERIFY(dialog.isVisible());
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        dialog.Edit()->setText(QString(QChar(0xD800)));
        dialog.accept();
        QCOMPARE(refusals.size(), size_t(2));
        QVERIFY(dialog.isVisible());
        dialog.Edit()->setText(QString::fromUtf8("  R\u00e9sum\u00e9s \u4e2d"));
        dialog.accept();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        // Written in the file system's encoding, and shown back as typed.
        QCOMPARE(dialog.Name(), std::string("  R\xc3\xa9sum\xc3\xa9s \xe4\xb8\xad"));
        QCOMPARE(FromStoreText(dialog.Name()), dialog.Edit()->text());
    }

    void ActivationRebuildsTheFolderMenus() {
        TempDir dir;
        qputenv("QUILLBOX_REGISTRY", QByteArray::fromStdString(dir / "q.reg"));
        WriteNetscapeStore(dir / "ns", {{"One", "", "", "", {"x"}}});
        {
            RegistryFile registry(RegistryFile::DefaultPath());
            QVERIFY(WriteMailboxEntry(registry, "Mail", dir / "ns", kTypeNavigator));
        }
        CQuillboxApp app;
        QVERIFY(app.InitInstance(false));
        CMainFrame* frame = app.Frame();
        auto entries = [&] {
            QStringList texts;
            for (QAction* a : frame->MoveMenu()->actions().at(2)->menu()->actions())
                texts << a->text();
            return texts;
        };
        QCOMPARE(entries(), QStringList({"This Folder", "", "Inbox", "Sent"}));
        // A folder appears behind the menus' back; activating the window brings them up to date.
        CMails* root = app.Document()->Mailboxes().front()->m_pRoot.get();
        root->FindFolder(dir / "ns/Sent")->m_strName = "Sent Items";
        QEvent activation(QEvent::ActivationChange);
        QApplication::sendEvent(frame, &activation);
        QCOMPARE(entries(), QStringList({"This Folder", "", "Inbox", "Sent Items"}));
        frame->close();
        qunsetenv("QUILLBOX_REGISTRY");
    }

    void DamagedRegistryIsReportedAndLeftAlone() {
        TempDir dir;
        const std::string path = dir / "q.reg";
        const std::string damaged = "this is not a registry file\r\n[HKEY_CURRENT_USER\\x\r\n";
        WriteFile(path, damaged);
        CQuillboxApp app(path);
        std::vector<std::string> messages;
        QTimer answer;
        connect(&answer, &QTimer::timeout, [&] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                messages.push_back(box->text().toStdString());
                box->button(QMessageBox::Ok)->click();
            }
        });
        answer.start(5);
        QVERIFY(app.InitInstance(true));
        answer.stop();
        QVERIFY(!messages.empty());
        QVERIFY(messages[0].find("damaged") != std::string::npos);
        app.Frame()->close();
        QCOMPARE(ReadFile(path), damaged);
    }
};

QB_TEST_CLASS(PortTest);
#include "port_test.moc"
