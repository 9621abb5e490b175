// Drag and drop inside the program, driven through the tree's and the list's own events: the
// effect offered over each kind of target with the key states, the drop highlight, and one drop
// of each kind with the drag source finishing as the document decides.
#include "program_fixture.h"
#include "ui_fixtures.h"
#include "ui_test_main.h"

#include "model/mails.h"
#include "ui/folder_drag_drop.h"
#include "ui/folder_tree_model.h"
#include "ui/mail_list_view.h"
#include "ui/message_list_model.h"

#include <QDrag>
#include <QDropEvent>
#include <QMimeData>
#include <QRegularExpression>

#include <filesystem>

using namespace qb;
using namespace qb::test;

namespace {

struct Over {
    bool accepted = false;
    Qt::DropAction action = Qt::IgnoreAction;
    QModelIndex highlight;
};

// Two stores: a Netscape one (Inbox with Old below it, Sent) and an Internet Mail one (Inbox).
struct DragProgram : Program {
    FolderDragDrop* dnd = nullptr;
    CQuillboxView* tree = nullptr;
    CMailListView* list = nullptr;

    void StartWithStores() {
        Register("Mail", dir / "ns", kTypeNavigator);
        Register("Web", dir / "im", kTypeInternetMail);
        WriteNetscapeStore(dir / "ns", {{"One", "a@x", "", "", {"first"}},
                                        {"Two", "b@x", "", "", {"second"}},
                                        {"Three", "c@x", "", "", {"third"}}});
        QVERIFY(WriteInternetMailStore(dir / "im", {{"Web one", "", "", "", {"w"}}}));
        Start();
        CMainFrame* frame = app->Frame();
        frame->resize(900, 700);
        frame->show();
        tree = frame->TreeView();
        list = frame->ListView();
        tree->expandAll();
        // The program's own drag and drop, as the window was given it.
        dnd = app->DragDrop();
        QVERIFY(dnd != nullptr);
    }
    QModelIndex Item(const std::string& path) const {
        CMails* folder = nullptr;
        for (const auto& entry : app->Document()->Mailboxes()) {
            if (entry->m_pRoot->m_strPath == path)
                folder = entry->m_pRoot.get();
            else if (CMails* found = entry->m_pRoot->FindFolder(path))
                folder = found;
        }
        return folder ? tree->FindFolderItem(folder) : QModelIndex();
    }
    QPoint PointOf(const QModelIndex& index) const { return tree->visualRect(index).center(); }
    void Mouse(QWidget* viewport, QEvent::Type type, QPoint pos, Qt::MouseButtons buttons,
               Qt::KeyboardModifiers keys = Qt::NoModifier) {
        const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent event(type, pos, viewport->mapToGlobal(pos), button, buttons, keys);
        QApplication::sendEvent(viewport, &event);
    }
    // Starts a drag with the mouse at `from` in `view`; `drive` plays the part of the user
    // while it runs and returns the effect the drag ends with.
    void DragWithMouse(QAbstractItemView* view, QPoint from,
                       std::function<void(QDrag&, Qt::DropAction&)> drive) {
        bool ran = false;
        dnd->execDrag = [&](QDrag& drag) {
            ran = true;
            Qt::DropAction result = Qt::IgnoreAction;
            if (drag.mimeData()->hasFormat(kDragMimeType))
                drive(drag, result);
            return result;
        };
        QWidget* viewport = view->viewport();
        Mouse(viewport, QEvent::MouseButtonPress, from, Qt::LeftButton);
        Mouse(viewport, QEvent::MouseMove, from + QPoint(QApplication::startDragDistance() + 2, 0),
              Qt::LeftButton);
        QVERIFY(ran);
    }
    // The drag moving over the tree at `index` (invalid: empty space) with `keys` held.
    Over MoveOver(QDrag& drag, const QModelIndex& index, Qt::KeyboardModifiers keys,
                  QEvent::Type type = QEvent::DragMove) {
        const QPoint pos =
            index.isValid() ? PointOf(index) : QPoint(5, tree->viewport()->height() - 3);
        QDragMoveEvent event(pos, Qt::CopyAction | Qt::MoveAction, drag.mimeData(), Qt::LeftButton,
                             keys, type);
        event.ignore();
        QApplication::sendEvent(tree->viewport(), &event);
        return {event.isAccepted(), event.dropAction(), dnd->DropHighlight()};
    }
    Qt::DropAction DropOn(QDrag& drag, const QModelIndex& index, Qt::KeyboardModifiers keys) {
        MoveOver(drag, index, keys, QEvent::DragEnter);
        MoveOver(drag, index, keys);
        QDropEvent event(PointOf(index), Qt::CopyAction | Qt::MoveAction, drag.mimeData(),
                         Qt::LeftButton, keys);
        event.ignore();
        QApplication::sendEvent(tree->viewport(), &event);
        return event.isAccepted() ? event.dropAction() : Qt::IgnoreAction;
    }
    QStringList ListSubjects() const {
        QStringList subjects;
        for (int i = 0; i < list->model()->rowCount(); ++i)
            subjects << list->model()->index(i, 0).data().toString().trimmed();
        return subjects;
    }
    // Re-reads the folder's messages; the list is filled again, since its rows may be records
    // of that folder.
    QStringList SubjectsOf(const std::string& path) {
        QStringList subjects;
        CMails* folder = nullptr;
        for (const auto& entry : app->Document()->Mailboxes())
            if (!folder)
                folder = entry->m_pRoot->FindFolder(path);
        if (folder == nullptr)
            return {"(no folder)"};
        for (auto& m : folder->GetMessages())
            subjects << QString::fromStdString(m->GetHeaderField("Subject"))
                            .remove(QRegularExpression(QStringLiteral("^[:\\s]+")));
        app->GetPort()->FillMessageList();
        return subjects;
    }
};

} // namespace

class DragDropTest : public QObject {
    Q_OBJECT
  private slots:
    void FolderDragOfferedEffectsAndHighlight() {
        DragProgram p;
        p.StartWithStores();
        const QModelIndex sent = p.Item(p.dir / "ns/Sent");
        const QModelIndex inbox = p.Item(p.dir / "ns/Inbox");
        const QModelIndex old = p.Item(p.dir / "ns/Inbox.sbd/Old");
        const QModelIndex mailRoot = p.Item(p.dir / "ns");
        const QModelIndex webInbox = p.Item(p.dir / "im/Inbox");
        QVERIFY(sent.isValid() && inbox.isValid() && old.isValid() && webInbox.isValid());
        const std::string inboxBytes = ReadFile(p.dir / "ns/Inbox");
        p.DragWithMouse(p.tree, p.PointOf(inbox), [&](QDrag& drag, Qt::DropAction& result) {
            // The dragged folder is the selected one.
            QCOMPARE(p.tree->GetSelectedFolder()->m_strName, std::string("Inbox"));
            const Over enter = p.MoveOver(drag, sent, Qt::NoModifier, QEvent::DragEnter);
            QVERIFY(enter.accepted);
            QCOMPARE(enter.action, Qt::MoveAction);
            QCOMPARE(enter.highlight, sent);
            QCOMPARE(p.MoveOver(drag, sent, Qt::ControlModifier).action, Qt::CopyAction);
            // Itself, its own parent and its sub-folders take nothing; the highlight follows.
            for (const QModelIndex& refused : {inbox, mailRoot, old}) {
                const Over over = p.MoveOver(drag, refused, Qt::NoModifier);
                QVERIFY(!over.accepted);
                QCOMPARE(over.highlight, refused);
            }
            // Another store: copy, unless Shift asks for a move.
            QCOMPARE(p.MoveOver(drag, webInbox, Qt::NoModifier).action, Qt::CopyAction);
            QCOMPARE(p.MoveOver(drag, webInbox, Qt::ShiftModifier).action, Qt::MoveAction);
            const Over empty = p.MoveOver(drag, QModelIndex(), Qt::NoModifier);
            QVERIFY(!empty.accepted);
            QVERIFY(!empty.highlight.isValid());
            // The highlight is drawn over the item, and goes with the drag.
            p.MoveOver(drag, sent, Qt::NoModifier);
            const QRect rect = p.tree->visualRect(sent);
            const QPoint spot(rect.right() - 2, rect.center().y());
            const QColor lit = p.tree->viewport()->grab().toImage().pixelColor(spot);
            QDragLeaveEvent leave;
            QApplication::sendEvent(p.tree->viewport(), &leave);
            QVERIFY(!p.dnd->DropHighlight().isValid());
            const QColor plain = p.tree->viewport()->grab().toImage().pixelColor(spot);
            QVERIFY(lit != plain);
            result = Qt::IgnoreAction; // let go outside the tree
        });
        QVERIFY(p.messages.empty());
        QCOMPARE(ReadFile(p.dir / "ns/Inbox"), inboxBytes);
        QCOMPARE(ChildItems(p.tree->model(), mailRoot), QStringList({"Inbox", "Sent"}));
    }

    void FolderMoveWithinAStoreAndIntoInternetMail() {
        DragProgram p;
        p.StartWithStores();
        // Sent onto Inbox: moved, on disk and in the tree.
        p.DragWithMouse(p.tree, p.PointOf(p.Item(p.dir / "ns/Sent")),
                        [&](QDrag& drag, Qt::DropAction& result) {
                            result = p.DropOn(drag, p.Item(p.dir / "ns/Inbox"), Qt::NoModifier);
                        });
        const QModelIndex inbox = p.Item(p.dir / "ns/Inbox");
        QCOMPARE(ChildItems(p.tree->model(), inbox), QStringList({"Old", "Sent"}));
        QCOMPARE(ChildItems(p.tree->model(), p.Item(p.dir / "ns")), QStringList({"Inbox"}));
        QVERIFY(!std::filesystem::exists(p.dir / "ns/Sent"));
        QVERIFY(std::filesystem::exists(p.dir / "ns/Inbox.sbd/Sent"));

        // Inbox (with sub-folders) moved with Shift into the one-level store: its messages are
        // copied, the sub-folders are not, so the source stays.
        p.messages.clear();
        p.DragWithMouse(p.tree, p.PointOf(inbox), [&](QDrag& drag, Qt::DropAction& result) {
            result = p.DropOn(drag, p.Item(p.dir / "im"), Qt::ShiftModifier);
        });
        // The store has an Inbox already: Yes to the question merges into it.
        QCOMPARE(p.messages.size(), size_t(2));
        QCOMPARE(p.messages[1], std::string("Warning : Sub Folders not copied\n"));
        QCOMPARE(p.SubjectsOf(p.dir / "im/Inbox"), QStringList({"Web one", "One", "Two", "Three"}));
        QCOMPARE(ChildItems(p.tree->model(), p.Item(p.dir / "ns")), QStringList({"Inbox"}));
        QVERIFY(std::filesystem::exists(p.dir / "ns/Inbox"));
        QCOMPARE(p.SubjectsOf(p.dir / "ns/Inbox"), QStringList({"One", "Two", "Three"}));
    }

    void CancelledSameNameQuestionRemovesNothing() {
        DragProgram p;
        p.StartWithStores();
        // The Internet Mail store has an Inbox already: the question is cancelled.
        p.answers = {Answer::Cancel};
        const std::string inboxBytes = ReadFile(p.dir / "ns/Inbox");
        p.DragWithMouse(p.tree, p.PointOf(p.Item(p.dir / "ns/Inbox")),
                        [&](QDrag& drag, Qt::DropAction& result) {
                            result = p.DropOn(drag, p.Item(p.dir / "im"), Qt::ShiftModifier);
                        });
        QCOMPARE(ReadFile(p.dir / "ns/Inbox"), inboxBytes);
        QCOMPARE(p.SubjectsOf(p.dir / "im/Inbox"), QStringList({"Web one"}));
        QCOMPARE(p.messages.size(), size_t(1));
        QVERIFY(!p.messages[0].empty());
        QVERIFY(std::filesystem::exists(p.dir / "ns/Inbox.sbd/Old"));
        QCOMPARE(ChildItems(p.tree->model(), p.Item(p.dir / "ns/Inbox")), QStringList({"Old"}));
        QCOMPARE(ChildItems(p.tree->model(), p.Item(p.dir / "im")), QStringList({"Inbox"}));
    }

    void MessagesDraggedFromTheList() {
        DragProgram p;
        p.StartWithStores();
        p.app->GetPort()->SelectFolderItem(FolderTreeModel::FolderOf(p.Item(p.dir / "ns/Inbox")),
                                           false);
        QCOMPARE(p.ListSubjects(), QStringList({"One", "Two", "Three"}));
        QItemSelectionModel* selection = p.list->selectionModel();
        const auto row = [&](int r) { return p.list->model()->index(r, 0); };
        selection->select(row(0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        selection->select(row(2), QItemSelectionModel::Select | QItemSelectionModel::Rows);
        const QPoint onThree = p.list->visualRect(row(2)).center();

        // Ctrl over a folder of the same store copies; the rows stay.
        p.DragWithMouse(p.list, onThree, [&](QDrag& drag, Qt::DropAction& result) {
            // Pressing on a selected row kept the other selected row.
            QCOMPARE(p.list->SelectedMessages().size(), size_t(2));
            const Over overRoot = p.MoveOver(drag, p.Item(p.dir / "ns"), Qt::NoModifier);
            QVERIFY(!overRoot.accepted); // a store's root holds no messages
            QVERIFY(!p.MoveOver(drag, p.Item(p.dir / "ns/Inbox"), Qt::NoModifier).accepted);
            result = p.DropOn(drag, p.Item(p.dir / "ns/Sent"), Qt::ControlModifier);
        });
        QCOMPARE(p.ListSubjects(), QStringList({"One", "Two", "Three"}));
        QCOMPARE(p.SubjectsOf(p.dir / "ns/Sent"), QStringList({"One", "Three"}));

        // A plain drag onto the other store's folder: across stores that is a copy as well.
        selection->select(row(1), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        p.DragWithMouse(p.list, p.list->visualRect(row(1)).center(),
                        [&](QDrag& drag, Qt::DropAction& result) {
                            result = p.DropOn(drag, p.Item(p.dir / "im/Inbox"), Qt::NoModifier);
                        });
        QCOMPARE(p.ListSubjects(), QStringList({"One", "Two", "Three"}));
        QCOMPARE(p.SubjectsOf(p.dir / "im/Inbox"), QStringList({"Web one", "Two"}));

        // Shift moves: the rows and the messages leave the source folder.
        selection->select(row(0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        selection->select(row(1), QItemSelectionModel::Select | QItemSelectionModel::Rows);
        p.DragWithMouse(p.list, p.list->visualRect(row(0)).center(),
                        [&](QDrag& drag, Qt::DropAction& result) {
                            result = p.DropOn(drag, p.Item(p.dir / "im/Inbox"), Qt::ShiftModifier);
                        });
        QCOMPARE(p.ListSubjects(), QStringList({"Three"}));
        QCOMPARE(p.SubjectsOf(p.dir / "im/Inbox"), QStringList({"Web one", "Two", "One", "Two"}));
        QCOMPARE(p.SubjectsOf(p.dir / "ns/Inbox"), QStringList({"Three"}));
        QVERIFY(p.messages.empty());
    }

    void ClickOnASelectedRowWithoutDragSelectsItAlone() {
        DragProgram p;
        p.StartWithStores();
        p.app->GetPort()->SelectFolderItem(FolderTreeModel::FolderOf(p.Item(p.dir / "ns/Inbox")),
                                           false);
        QItemSelectionModel* selection = p.list->selectionModel();
        const auto row = [&](int r) { return p.list->model()->index(r, 0); };
        selection->select(row(0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        selection->select(row(1), QItemSelectionModel::Select | QItemSelectionModel::Rows);
        const QPoint at = p.list->visualRect(row(1)).center();
        p.Mouse(p.list->viewport(), QEvent::MouseButtonPress, at, Qt::LeftButton);
        QCOMPARE(selection->selectedRows().size(), 2);
        p.Mouse(p.list->viewport(), QEvent::MouseButtonRelease, at, Qt::NoButton);
        QCOMPARE(selection->selectedRows().size(), 1);
        QCOMPARE(selection->selectedRows().first().row(), 1);
    }

    void ForeignDragsAreRefused() {
        DragProgram p;
        p.StartWithStores();
        QMimeData text;
        text.setText("hello");
        QDragMoveEvent enter(p.PointOf(p.Item(p.dir / "ns/Sent")), Qt::CopyAction, &text,
                             Qt::LeftButton, Qt::NoModifier, QEvent::DragEnter);
        enter.accept();
        QApplication::sendEvent(p.tree->viewport(), &enter);
        QVERIFY(!enter.isAccepted());
        QVERIFY(!p.dnd->DropHighlight().isValid());
    }
};

QB_TEST_CLASS(DragDropTest);
#include "drag_drop_test.moc"
