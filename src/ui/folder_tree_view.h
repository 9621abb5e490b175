// The folder tree pane: one top-level item per registered store with its folders below.
// Selecting a folder refills the message list; a label edited in place renames the folder.
#pragma once

#include <QTreeView>

#include <functional>
#include <string>
#include <vector>

namespace qb {

class CMails;
class CMailListView;
class CMailContentView;
class FolderTreeModel;
class FolderWatch;

class CQuillboxView : public QTreeView {
    Q_OBJECT
  public:
    explicit CQuillboxView(QWidget* parent = nullptr);

    FolderTreeModel* Model() const { return m_model; }
    void SetPanes(CMailListView* list, CMailContentView* content);

    CMails* GetSelectedFolder() const;
    QModelIndex FindFolderItem(const CMails* folder) const;
    // Appends an item for `folder` below the item of `parent` (null: top level, where a store
    // the document holds read-only shows a lock).
    QModelIndex InsertFolderItem(CMails* parent, CMails* folder);
    // Removes the folder's item (and its sub-items). The list is emptied first when it shows
    // a folder inside, so nothing touches records of a folder that may be gone already.
    void DeleteFolderItem(const CMails* folder);
    void DeleteAllItems();
    void SetFolderText(const CMails* folder, const std::string& name);
    void SetFolderWarning(const CMails* folder, const std::string& warning);
    // Which items are expanded and which is current, by folder path, to be found again in a
    // tree built anew over the same stores.
    struct TreeState {
        std::vector<std::string> expanded;
        std::string current;
    };
    TreeState SaveState() const;
    void RestoreState(const TreeState& state);
    // Scrolls the folder's item into view and selects it, expanding it when asked.
    bool SelectFolder(CMails* folder, bool expand);
    // Refills the message list from the selected folder.
    void FillMessageList();
    // Lists the shown folder again after another program changed it, keeping the selected
    // messages that are still there selected. Told by the watch on the shown folder's files.
    void ReloadChangedFolder();
    FolderWatch* Watch() const { return m_watch; }

    // Starts editing the selected folder's label, if the document lets the edit begin.
    bool BeginLabelEdit();
    bool IsEditingLabel() const { return state() == QAbstractItemView::EditingState; }

    // Asked before a label edit begins; false refuses it.
    std::function<bool()> onBeginLabelEdit;
    // The edited label in store text; the document renames and updates the item.
    std::function<void(const std::string&)> onEndLabelEdit;
    // A label that cannot be written as store text.
    std::function<void()> onBadLabel;
    std::function<void(const QPoint&)> onContextMenu;
    // Whether a top-level store is read-only.
    std::function<bool(CMails*)> isReadOnly;
    // Shown in the empty pane while there is no store at all.
    QString emptyText;

  protected:
    bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

  private:
    // Visits every item below the root, depth first; `visit` says whether to go below an item.
    void VisitItems(const std::function<bool(const QModelIndex&)>& visit) const;
    void ShowSelection(bool show);
    void LabelEdited(const QModelIndex& index, const QString& text);
    void ForgetLoadedFolder();

    FolderTreeModel* m_model;
    CMailListView* m_list = nullptr;
    CMailContentView* m_content = nullptr;
    // The folder whose message records the list refers to.
    CMails* m_pLoadedFolder = nullptr;
    FolderWatch* m_watch;
};

} // namespace qb
