// The folder tree: items over the folders, images, finding items, and how selecting, deleting
// and clearing items keep the message list and the text pane in step with the records.
#include "ui_fixtures.h"
#include "ui_test_main.h"

#include "ui/folder_tree_model.h"
#include "ui/folder_tree_view.h"
#include "ui/mail_content_view.h"
#include "ui/mail_list_view.h"
#include "ui/message_list_model.h"

#include <QLineEdit>

using namespace qb;
using namespace qb::test;

namespace {

struct Stores {
    Stores() {
        first = std::make_unique<MemoryFolder>("First", "/s1");
        inbox = first->Add("Inbox");
        sub = inbox->Add("Sub");
        sent = first->Add("Sent");
        second = std::make_unique<MemoryFolder>("Second", "/s2");
        other = second->Add("Other");
        inbox->specs = {{"in 1", "", "", "", {"body"}}, {"in 2", "", "", "", {}}};
        sent->specs = {{"sent 1", "", "", "", {}}};
    }
    std::unique_ptr<MemoryFolder> first;
    std::unique_ptr<MemoryFolder> second;
    MemoryFolder* inbox;
    MemoryFolder* sub;
    MemoryFolder* sent;
    MemoryFolder* other;
};

struct Panes {
    Panes() {
        tree.SetPanes(&list, &content);
        tree.resize(300, 300);
        tree.show();
    }
    CQuillboxView tree;
    CMailListView list;
    CMailContentView content;
};

} // namespace

class FolderTreeTest : public QObject {
    Q_OBJECT
  private slots:
    void ItemsImagesAndDepthFirstSearch() {
        Stores s;
        FolderTreeModel model;
        QModelIndex first = model.InsertFolderTree({}, s.first.get());
        model.InsertFolderTree({}, s.second.get());
        QCOMPARE(model.rowCount(), 2);
        QCOMPARE(model.rowCount(first), 2);
        QCOMPARE(model.index(0, 0, first).data().toString(), QStringLiteral("Inbox"));
        QCOMPARE(model.index(1, 0, first).data().toString(), QStringLiteral("Sent"));
        QModelIndex sub = model.FindFolderItem(s.sub);
        QVERIFY(sub.isValid());
        QCOMPARE(sub.parent(), model.FindFolderItem(s.inbox));
        QCOMPARE(FolderTreeModel::FolderOf(sub), static_cast<CMails*>(s.sub));
        QCOMPARE(model.FindFolderItem(s.other).parent().row(), 1);
        // Roots: image 2 both ways; other folders 0, and 1 while selected.
        QCOMPARE(first.data(FolderTreeModel::ImageRole).toInt(), 2);
        QCOMPARE(first.data(FolderTreeModel::SelectedImageRole).toInt(), 2);
        QCOMPARE(sub.data(FolderTreeModel::ImageRole).toInt(), 0);
        QCOMPARE(sub.data(FolderTreeModel::SelectedImageRole).toInt(), 1);
        QVERIFY(!first.data(Qt::DecorationRole).value<QIcon>().isNull());

        MemoryFolder stranger("x", "/x");
        QVERIFY(!model.FindFolderItem(&stranger).isValid());
        QVERIFY(!model.FindFolderItem(nullptr).isValid());

        model.SetItemText(sub, QStringLiteral("Renamed"));
        QCOMPARE(model.FindFolderItem(s.sub).data().toString(), QStringLiteral("Renamed"));
        // A folder that cannot be read whole: a warning icon, the reason as its tooltip.
        const qint64 own = sub.data(Qt::DecorationRole).value<QIcon>().cacheKey();
        const QString reason = QStringLiteral("damaged at byte 9: 1 messages read");
        model.SetItemWarning(sub, reason);
        QCOMPARE(sub.data(Qt::ToolTipRole).toString(), reason);
        QVERIFY(sub.data(Qt::DecorationRole).value<QIcon>().cacheKey() != own);
        model.SetItemWarning(sub, {});
        QVERIFY(!sub.data(Qt::ToolTipRole).isValid());
        QCOMPARE(sub.data(Qt::DecorationRole).value<QIcon>().cacheKey(), own);
        model.DeleteItem(model.FindFolderItem(s.inbox));
        QVERIFY(!model.FindFolderItem(s.sub).isValid());
        QCOMPARE(model.rowCount(model.FindFolderItem(s.first.get())), 1);
    }

    void EditedLabelGoesToTheViewNotIntoTheItem() {
        Stores s;
        FolderTreeModel model;
        model.InsertFolderTree({}, s.first.get());
        QModelIndex inbox = model.FindFolderItem(s.inbox);
        QString edited;
        connect(&model, &FolderTreeModel::labelEdited, this,
                [&](const QModelIndex&, const QString& text) { edited = text; });
        QVERIFY(model.setData(inbox, QStringLiteral("New"), Qt::EditRole));
        QCOMPARE(edited, QStringLiteral("New"));
        QCOMPARE(inbox.data().toString(), QStringLiteral("Inbox"));
    }

    void StoresShowTheirExpandButtonAndHaveNoLabelEditor() {
        Stores s;
        Panes p;
        p.tree.Model()->InsertFolderTree({}, s.first.get());
        auto empty = std::make_unique<MemoryFolder>("Empty", "/s3");
        p.tree.Model()->InsertFolderTree({}, empty.get());
        QVERIFY(p.tree.rootIsDecorated());
        const QModelIndex root = p.tree.FindFolderItem(s.first.get());
        QVERIFY(p.tree.Model()->hasChildren(root));
        QVERIFY(!p.tree.Model()->hasChildren(p.tree.FindFolderItem(empty.get())));
        QVERIFY(!p.tree.Model()->flags(root).testFlag(Qt::ItemIsEditable));
        QVERIFY(p.tree.Model()->flags(p.tree.FindFolderItem(s.inbox)).testFlag(Qt::ItemIsEditable));
        // A second click on the selected store arms no rename.
        int asked = 0;
        p.tree.onBeginLabelEdit = [&] {
            ++asked;
            return true;
        };
        const QPoint at = p.tree.visualRect(root).center();
        QTest::mouseClick(p.tree.viewport(), Qt::LeftButton, {}, at);
        QTest::qWait(QApplication::doubleClickInterval() + 50);
        QTest::mouseClick(p.tree.viewport(), Qt::LeftButton, {}, at);
        QTest::qWait(QApplication::doubleClickInterval() + 50);
        QCOMPARE(p.tree.currentIndex(), root);
        QCOMPARE(asked, 0);
        QVERIFY(!p.tree.IsEditingLabel());
    }

    void StateComesBackInATreeBuiltAnew() {
        Stores s;
        Panes p;
        p.tree.Model()->InsertFolderTree({}, s.first.get());
        p.tree.Model()->InsertFolderTree({}, s.second.get());
        p.tree.expand(p.tree.FindFolderItem(s.first.get()));
        p.tree.expand(p.tree.FindFolderItem(s.inbox));
        p.tree.SelectFolder(s.sub, false);
        const CQuillboxView::TreeState state = p.tree.SaveState();
        // The same stores read again: new records over the same paths.
        Stores again;
        p.tree.DeleteAllItems();
        p.tree.Model()->InsertFolderTree({}, again.first.get());
        p.tree.Model()->InsertFolderTree({}, again.second.get());
        QVERIFY(!p.tree.isExpanded(p.tree.FindFolderItem(again.first.get())));
        p.tree.RestoreState(state);
        QVERIFY(p.tree.isExpanded(p.tree.FindFolderItem(again.first.get())));
        QVERIFY(p.tree.isExpanded(p.tree.FindFolderItem(again.inbox)));
        QVERIFY(!p.tree.isExpanded(p.tree.FindFolderItem(again.second.get())));
        QCOMPARE(p.tree.GetSelectedFolder(), static_cast<CMails*>(again.sub));
    }

    void SelectingAFolderRefillsTheListAndFreesTheOldRecords() {
        Stores s;
        Panes p;
        p.tree.Model()->InsertFolderTree({}, s.first.get());
        p.content.ShowSections(QStringLiteral("old"), QString(), QString());
        QVERIFY(p.tree.SelectFolder(s.inbox, false));
        QCOMPARE(p.tree.GetSelectedFolder(), static_cast<CMails*>(s.inbox));
        QCOMPARE(p.list.model()->rowCount(), 2);
        QCOMPARE(p.list.model()->index(1, 0).data().toString(), QStringLiteral("in 2"));
        QVERIFY(p.content.toPlainText().isEmpty());
        QCOMPARE(s.inbox->loads, 1);

        p.tree.SelectFolder(s.sent, false);
        QCOMPARE(p.list.model()->rowCount(), 1);
        QVERIFY(s.inbox->m_pMessages.empty());
        QCOMPARE(p.list.Model()->MessageAt(0), s.sent->m_pMessages[0].get());

        // A root lists its own messages, like any folder, and can be expanded on selection.
        p.tree.SelectFolder(s.first.get(), true);
        QVERIFY(p.tree.isExpanded(p.tree.FindFolderItem(s.first.get())));
        QCOMPARE(p.list.model()->rowCount(), 0);
        QVERIFY(s.sent->m_pMessages.empty());
    }

    void DeletingTheShownFolderEmptiesTheListFirst() {
        Stores s;
        Panes p;
        p.tree.Model()->InsertFolderTree({}, s.first.get());
        p.tree.SelectFolder(s.sub, false);
        s.sub->specs = {{"x", "", "", "", {}}};
        p.tree.FillMessageList();
        QCOMPARE(p.list.model()->rowCount(), 1);
        p.content.ShowSections(QStringLiteral("shown"), QString(), QString());
        // Deleting an ancestor's item takes the shown folder's rows with it; the records are
        // not touched, since the folder may be destroyed right after.
        p.tree.DeleteFolderItem(s.inbox);
        QVERIFY(!p.tree.FindFolderItem(s.sub).isValid());
        QVERIFY(p.content.toPlainText().isEmpty());
        CMails* now = p.tree.GetSelectedFolder();
        QVERIFY(now != s.sub && now != s.inbox);
        QCOMPARE(s.sub->m_pMessages.size(), size_t(1));
        for (int row = 0; row < p.list.model()->rowCount(); ++row)
            QVERIFY(p.list.Model()->MessageAt(row)->m_pFolder != s.sub);
    }

    void ClearingTheTreeEmptiesListAndText() {
        Stores s;
        Panes p;
        p.tree.Model()->InsertFolderTree({}, s.first.get());
        p.tree.SelectFolder(s.inbox, false);
        p.content.ShowSections(QStringLiteral("shown"), QString(), QString());
        QCOMPARE(p.list.model()->rowCount(), 2);
        p.tree.DeleteAllItems();
        QCOMPARE(p.tree.model()->rowCount(), 0);
        QCOMPARE(p.list.model()->rowCount(), 0);
        QVERIFY(p.content.toPlainText().isEmpty());
        QCOMPARE(p.tree.GetSelectedFolder(), static_cast<CMails*>(nullptr));
    }

    void RightClickSelectsTheItemAndEmptySpaceDoesNothing() {
        Stores s;
        Panes p;
        p.tree.Model()->InsertFolderTree({}, s.first.get());
        p.tree.expandAll();
        int menus = 0;
        p.tree.onContextMenu = [&](const QPoint&) { ++menus; };
        QRect sent = p.tree.visualRect(p.tree.FindFolderItem(s.sent));
        QContextMenuEvent onItem(QContextMenuEvent::Mouse, sent.center(),
                                 p.tree.viewport()->mapToGlobal(sent.center()));
        QApplication::sendEvent(p.tree.viewport(), &onItem);
        QCOMPARE(menus, 1);
        QCOMPARE(p.tree.GetSelectedFolder(), static_cast<CMails*>(s.sent));
        QPoint below(5, p.tree.viewport()->height() - 3);
        QContextMenuEvent onNothing(QContextMenuEvent::Mouse, below,
                                    p.tree.viewport()->mapToGlobal(below));
        QApplication::sendEvent(p.tree.viewport(), &onNothing);
        QCOMPARE(menus, 1);
        QCOMPARE(p.tree.GetSelectedFolder(), static_cast<CMails*>(s.sent));
    }

    void SelectionShowsOnlyWhileTheTreeHasTheFocus() {
        Stores s;
        QWidget window;
        auto* tree = new CQuillboxView(&window);
        auto* other = new QLineEdit(&window);
        tree->setGeometry(0, 0, 300, 200);
        other->setGeometry(0, 210, 300, 30);
        tree->Model()->InsertFolderTree({}, s.first.get());
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        tree->SelectFolder(s.first.get(), false);
        auto colourAtItem = [&] {
            QRect item = tree->visualRect(tree->currentIndex());
            QImage image = tree->viewport()->grab().toImage();
            return QColor(image.pixel(item.right() - 2, item.center().y()));
        };
        tree->setFocus();
        QTRY_VERIFY(tree->hasFocus());
        const QColor highlight =
            QApplication::palette().color(QPalette::Active, QPalette::Highlight);
        // The style shades the highlight a little.
        auto near = [](const QColor& a, const QColor& b) {
            return std::abs(a.red() - b.red()) <= 4 && std::abs(a.green() - b.green()) <= 4 &&
                   std::abs(a.blue() - b.blue()) <= 4;
        };
        QVERIFY(near(colourAtItem(), highlight));
        other->setFocus();
        QTRY_VERIFY(other->hasFocus());
        QVERIFY(!near(colourAtItem(), highlight));
        QCOMPARE(tree->GetSelectedFolder(), static_cast<CMails*>(s.first.get()));
    }

    void LabelEditAsksBeforeAndHandsOverTheTypedName() {
        Stores s;
        Panes p;
        p.tree.Model()->InsertFolderTree({}, s.first.get());
        p.tree.SelectFolder(s.inbox, false);
        bool allow = false;
        int asked = 0;
        std::vector<std::string> names;
        int bad = 0;
        p.tree.onBeginLabelEdit = [&] {
            ++asked;
            return allow;
        };
        p.tree.onEndLabelEdit = [&](const std::string& name) { names.push_back(name); };
        p.tree.onBadLabel = [&] { ++bad; };
        QVERIFY(!p.tree.BeginLabelEdit());
        QCOMPARE(asked, 1);
        QVERIFY(!p.tree.IsEditingLabel());
        allow = true;
        QVERIFY(p.tree.BeginLabelEdit());
        QVERIFY(p.tree.IsEditingLabel());
        auto* editor = p.tree.findChild<QLineEdit*>();
        QVERIFY(editor != nullptr);
        editor->setText(QString::fromUtf8("Caf\u00e9"));
        QTest::keyClick(editor, Qt::Key_Return);
        // A new name is written in the file system's encoding, UTF-8.
        QTRY_COMPARE(names, std::vector<std::string>{"Caf\xc3\xa9"});
        // The item keeps its label until the document sets it.
        QCOMPARE(p.tree.FindFolderItem(s.inbox).data().toString(), QStringLiteral("Inbox"));
        // Unchanged text is an abandoned edit; a name the store cannot hold is refused.
        QVERIFY(p.tree.BeginLabelEdit());
        QTest::keyClick(p.tree.findChild<QLineEdit*>(), Qt::Key_Return);
        QTRY_VERIFY(!p.tree.IsEditingLabel());
        QCOMPARE(names.size(), size_t(1));
        QVERIFY(p.tree.BeginLabelEdit());
        p.tree.findChild<QLineEdit*>()->setText(QString(QChar(0xD800))); // no file name holds it
        QTest::keyClick(p.tree.findChild<QLineEdit*>(), Qt::Key_Return);
        QTRY_COMPARE(bad, 1);
        QCOMPARE(names.size(), size_t(1));
    }
};

QB_TEST_CLASS(FolderTreeTest);
#include "folder_tree_test.moc"
