#include "ui/folder_tree_view.h"

#include "model/mails.h"
#include "ui/folder_tree_model.h"
#include "ui/folder_watch.h"
#include "ui/mail_content_view.h"
#include "ui/mail_list_view.h"
#include "ui/text_codec.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QPainter>

#include <algorithm>

namespace qb {

namespace {
class WaitCursor {
  public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

bool Contains(const QModelIndex& ancestor, QModelIndex index) {
    for (; index.isValid(); index = index.parent()) {
        if (index == ancestor)
            return true;
    }
    return false;
}
} // namespace

CQuillboxView::CQuillboxView(QWidget* parent)
    : QTreeView(parent), m_model(new FolderTreeModel(this)), m_watch(new FolderWatch(this)) {
    setModel(m_model);
    setHeaderHidden(true);
    // A store with sub-folders shows its expand button from the start.
    setRootIsDecorated(true);
    setExpandsOnDoubleClick(true);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::SelectedClicked | QAbstractItemView::EditKeyPressed);
    setIconSize(QSize(14, 14));
    header()->setStretchLastSection(true);
    connect(m_model, &FolderTreeModel::labelEdited, this, &CQuillboxView::LabelEdited);
    connect(m_model, &QAbstractItemModel::modelAboutToBeReset, this,
            &CQuillboxView::ForgetLoadedFolder);
    m_watch->onChanged = [this] { ReloadChangedFolder(); };
    // Not in the middle of a command, a dialog, a menu, a drag (a mouse button held) or a label
    // edit: each may hold messages of the rows.
    m_watch->isBusy = [this] {
        return QApplication::overrideCursor() != nullptr ||
               QApplication::activeModalWidget() != nullptr ||
               QApplication::activePopupWidget() != nullptr ||
               QApplication::mouseButtons() != Qt::NoButton || IsEditingLabel();
    };
    ShowSelection(false);
}

void CQuillboxView::SetPanes(CMailListView* list, CMailContentView* content) {
    m_list = list;
    m_content = content;
}

CMails* CQuillboxView::GetSelectedFolder() const {
    return FolderTreeModel::FolderOf(currentIndex());
}

QModelIndex CQuillboxView::FindFolderItem(const CMails* folder) const {
    return m_model->FindFolderItem(folder);
}

QModelIndex CQuillboxView::InsertFolderItem(CMails* parent, CMails* folder) {
    QModelIndex parentIndex = parent != nullptr ? m_model->FindFolderItem(parent) : QModelIndex();
    if (parent != nullptr && !parentIndex.isValid())
        return {};
    const bool readOnly = parent == nullptr && isReadOnly && isReadOnly(folder);
    return m_model->InsertItem(parentIndex, folder, readOnly);
}

void CQuillboxView::paintEvent(QPaintEvent* event) {
    QTreeView::paintEvent(event);
    if (m_model->rowCount() != 0 || emptyText.isEmpty())
        return;
    QPainter painter(viewport());
    painter.setPen(palette().color(QPalette::PlaceholderText));
    painter.drawText(viewport()->rect().adjusted(8, 8, -8, -8),
                     Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap, emptyText);
}

void CQuillboxView::ForgetLoadedFolder() {
    // The records behind the rows are about to go with their folder: empty both panes.
    if (m_list != nullptr)
        m_list->DeleteAllItems();
    if (m_content != nullptr)
        m_content->ClearText();
    m_pLoadedFolder = nullptr;
    m_watch->Watch(nullptr);
}

void CQuillboxView::DeleteFolderItem(const CMails* folder) {
    QModelIndex index = m_model->FindFolderItem(folder);
    if (!index.isValid())
        return;
    QModelIndex loaded = m_model->FindFolderItem(m_pLoadedFolder);
    if (loaded.isValid() && Contains(index, loaded))
        ForgetLoadedFolder();
    m_model->DeleteItem(index);
}

void CQuillboxView::DeleteAllItems() {
    m_model->DeleteAllItems();
}

void CQuillboxView::SetFolderWarning(const CMails* folder, const std::string& warning) {
    m_model->SetItemWarning(m_model->FindFolderItem(folder), FromStoreText(warning));
}

void CQuillboxView::SetFolderText(const CMails* folder, const std::string& name) {
    m_model->SetItemText(m_model->FindFolderItem(folder), FromStoreText(name));
}

void CQuillboxView::VisitItems(const std::function<bool(const QModelIndex&)>& visit) const {
    std::vector<QModelIndex> pending{QModelIndex()};
    while (!pending.empty()) {
        const QModelIndex parent = pending.back();
        pending.pop_back();
        for (int row = 0; row < m_model->rowCount(parent); ++row) {
            const QModelIndex child = m_model->index(row, 0, parent);
            if (visit(child))
                pending.push_back(child);
        }
    }
}

CQuillboxView::TreeState CQuillboxView::SaveState() const {
    TreeState state;
    if (const CMails* current = GetSelectedFolder())
        state.current = current->m_strPath;
    VisitItems([&](const QModelIndex& item) {
        if (!isExpanded(item))
            return false;
        if (const CMails* folder = FolderTreeModel::FolderOf(item))
            state.expanded.push_back(folder->m_strPath);
        return true;
    });
    return state;
}

void CQuillboxView::RestoreState(const TreeState& state) {
    QModelIndex current;
    VisitItems([&](const QModelIndex& item) {
        const CMails* folder = FolderTreeModel::FolderOf(item);
        if (folder == nullptr)
            return true;
        if (!current.isValid() && !state.current.empty() && folder->m_strPath == state.current)
            current = item;
        if (std::find(state.expanded.begin(), state.expanded.end(), folder->m_strPath) !=
            state.expanded.end())
            expand(item);
        return true;
    });
    if (current.isValid()) {
        scrollTo(current);
        setCurrentIndex(current);
    }
}

bool CQuillboxView::SelectFolder(CMails* folder, bool expandItem) {
    QModelIndex index = m_model->FindFolderItem(folder);
    if (!index.isValid())
        return false;
    scrollTo(index);
    setCurrentIndex(index);
    if (expandItem)
        expand(index);
    return true;
}

void CQuillboxView::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    QTreeView::currentChanged(current, previous);
    if (current.isValid()) {
        FillMessageList();
        return;
    }
    // No selection: the rows must not outlive the records they refer to.
    WaitCursor wait;
    ForgetLoadedFolder();
}

void CQuillboxView::FillMessageList() {
    CMails* folder = GetSelectedFolder();
    if (folder == nullptr)
        return;
    WaitCursor wait;
    // Rows first, then the records they point at.
    if (m_list != nullptr)
        m_list->DeleteAllItems();
    if (m_content != nullptr)
        m_content->ClearText();
    if (m_pLoadedFolder != nullptr && m_pLoadedFolder != folder)
        m_pLoadedFolder->FreeMessages();
    m_pLoadedFolder = folder;
    if (m_list != nullptr)
        m_list->Fill(folder);
    m_watch->Watch(folder);
}

void CQuillboxView::ReloadChangedFolder() {
    if (m_list == nullptr || m_pLoadedFolder == nullptr || m_pLoadedFolder != GetSelectedFolder())
        return;
    const CMailListView::Place place = m_list->SavePlace();
    FillMessageList();
    m_list->RestorePlace(place);
}

bool CQuillboxView::BeginLabelEdit() {
    return edit(currentIndex(), QAbstractItemView::AllEditTriggers, nullptr);
}

bool CQuillboxView::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) {
    // A click on the selected item only arms a delayed edit; the checks run when it starts.
    if (trigger != QAbstractItemView::AllEditTriggers &&
        trigger != QAbstractItemView::EditKeyPressed)
        return QTreeView::edit(index, trigger, event);
    if (state() == QAbstractItemView::EditingState)
        return false;
    if (onBeginLabelEdit && !onBeginLabelEdit())
        return false;
    if (!currentIndex().isValid())
        return false;
    return QTreeView::edit(currentIndex(), QAbstractItemView::AllEditTriggers, event);
}

void CQuillboxView::LabelEdited(const QModelIndex& index, const QString& text) {
    // Unchanged text is an abandoned edit, like an empty one.
    if (text.isEmpty() || text == index.data(Qt::EditRole).toString())
        return;
    std::optional<std::string> name = ToFileNameText(text);
    if (!name) {
        if (onBadLabel)
            onBadLabel();
        return;
    }
    if (onEndLabelEdit)
        onEndLabelEdit(*name);
}

void CQuillboxView::ShowSelection(bool show) {
    // The selected folder is highlighted only while the tree has the focus.
    QPalette colours = QApplication::palette(this);
    if (!show) {
        for (auto group : {QPalette::Active, QPalette::Inactive}) {
            colours.setColor(group, QPalette::Highlight, colours.color(group, QPalette::Base));
            colours.setColor(group, QPalette::HighlightedText,
                             colours.color(group, QPalette::Text));
        }
    }
    setPalette(colours);
}

void CQuillboxView::focusInEvent(QFocusEvent* event) {
    ShowSelection(true);
    QTreeView::focusInEvent(event);
}

void CQuillboxView::focusOutEvent(QFocusEvent* event) {
    // The label editor is part of the tree: editing keeps the highlight.
    if (!isAncestorOf(QApplication::focusWidget()))
        ShowSelection(false);
    QTreeView::focusOutEvent(event);
}

void CQuillboxView::contextMenuEvent(QContextMenuEvent* event) {
    QModelIndex index = indexAt(event->pos());
    event->accept();
    if (!index.isValid())
        return;
    setCurrentIndex(index);
    if (onContextMenu)
        onContextMenu(event->globalPos());
}

} // namespace qb
