#include "ui/folder_tree_model.h"

#include "model/mails.h"
#include "ui/text_codec.h"

#include <QApplication>
#include <QStyle>

namespace qb {

struct FolderTreeModel::Item {
    Item* parent = nullptr;
    CMails* folder = nullptr;
    QString label;
    bool root = false;
    bool readOnly = false;
    QString warning; // what keeps the folder from being shown whole
    std::vector<std::unique_ptr<Item>> children;

    int Row() const {
        if (parent == nullptr)
            return 0;
        for (size_t i = 0; i < parent->children.size(); ++i) {
            if (parent->children[i].get() == this)
                return static_cast<int>(i);
        }
        return 0;
    }
};

FolderTreeModel::FolderTreeModel(QObject* parent)
    : QAbstractItemModel(parent), m_root(std::make_unique<Item>()) {
    m_folderIcon.addFile(QStringLiteral(":/icons/folder.svg"), QSize(), QIcon::Normal);
    m_folderIcon.addFile(QStringLiteral(":/icons/folder_open.svg"), QSize(), QIcon::Selected);
    m_storeIcon.addFile(QStringLiteral(":/icons/store.svg"));
    m_lockedStoreIcon.addFile(QStringLiteral(":/icons/store_locked.svg"));
    m_warningIcon = QApplication::style()->standardIcon(QStyle::SP_MessageBoxWarning);
}

FolderTreeModel::~FolderTreeModel() = default;

FolderTreeModel::Item* FolderTreeModel::ItemOf(const QModelIndex& index) const {
    return index.isValid() ? static_cast<Item*>(index.internalPointer()) : m_root.get();
}

QModelIndex FolderTreeModel::IndexOf(const Item* item) const {
    if (item == nullptr || item == m_root.get())
        return {};
    return createIndex(item->Row(), 0, const_cast<Item*>(item));
}

CMails* FolderTreeModel::FolderOf(const QModelIndex& index) {
    return index.isValid() ? static_cast<Item*>(index.internalPointer())->folder : nullptr;
}

QModelIndex FolderTreeModel::InsertFolderTree(const QModelIndex& parent, CMails* folder) {
    QModelIndex index = InsertItem(parent, folder);
    if (index.isValid()) {
        for (CMails* sub : folder->GetSubFolders())
            InsertFolderTree(index, sub);
    }
    return index;
}

QModelIndex FolderTreeModel::InsertItem(const QModelIndex& parent, CMails* folder, bool readOnly) {
    if (folder == nullptr)
        return {};
    Item* parentItem = ItemOf(parent);
    int row = static_cast<int>(parentItem->children.size());
    beginInsertRows(parent, row, row);
    auto item = std::make_unique<Item>();
    item->parent = parentItem;
    item->folder = folder;
    item->label = FromStoreText(folder->m_strName);
    item->root = folder->IsRoot();
    item->readOnly = readOnly;
    Item* added = item.get();
    parentItem->children.push_back(std::move(item));
    endInsertRows();
    return IndexOf(added);
}

void FolderTreeModel::DeleteItem(const QModelIndex& index) {
    if (!index.isValid())
        return;
    Item* item = ItemOf(index);
    Item* parentItem = item->parent;
    int row = item->Row();
    beginRemoveRows(parent(index), row, row);
    parentItem->children.erase(parentItem->children.begin() + row);
    endRemoveRows();
}

void FolderTreeModel::DeleteAllItems() {
    beginResetModel();
    m_root->children.clear();
    endResetModel();
}

void FolderTreeModel::SetItemText(const QModelIndex& index, const QString& text) {
    if (!index.isValid())
        return;
    ItemOf(index)->label = text;
    emit dataChanged(index, index, {Qt::DisplayRole, Qt::EditRole});
}

void FolderTreeModel::SetItemWarning(const QModelIndex& index, const QString& text) {
    if (!index.isValid() || ItemOf(index)->warning == text)
        return;
    ItemOf(index)->warning = text;
    emit dataChanged(index, index, {Qt::DecorationRole, Qt::ToolTipRole});
}

QModelIndex FolderTreeModel::Find(const Item* item, const CMails* folder) const {
    for (const auto& child : item->children) {
        if (child->folder == folder)
            return IndexOf(child.get());
        QModelIndex found = Find(child.get(), folder);
        if (found.isValid())
            return found;
    }
    return {};
}

QModelIndex FolderTreeModel::FindFolderItem(const CMails* folder) const {
    if (folder == nullptr)
        return {};
    return Find(m_root.get(), folder);
}

QModelIndex FolderTreeModel::index(int row, int column, const QModelIndex& parent) const {
    Item* parentItem = ItemOf(parent);
    if (column != 0 || row < 0 || row >= static_cast<int>(parentItem->children.size()))
        return {};
    return createIndex(row, 0, parentItem->children[static_cast<size_t>(row)].get());
}

QModelIndex FolderTreeModel::parent(const QModelIndex& child) const {
    if (!child.isValid())
        return {};
    return IndexOf(ItemOf(child)->parent);
}

int FolderTreeModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid() && parent.column() != 0)
        return 0;
    return static_cast<int>(ItemOf(parent)->children.size());
}

int FolderTreeModel::columnCount(const QModelIndex&) const {
    return 1;
}

QVariant FolderTreeModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid())
        return {};
    const Item* item = ItemOf(index);
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return item->label;
    case Qt::DecorationRole:
        if (!item->warning.isEmpty())
            return m_warningIcon;
        if (!item->root)
            return m_folderIcon;
        return item->readOnly ? m_lockedStoreIcon : m_storeIcon;
    case Qt::ToolTipRole:
        return item->warning.isEmpty() ? QVariant() : QVariant(item->warning);
    case ImageRole:
        return item->root ? kImageStore : kImageFolder;
    case SelectedImageRole:
        return item->root ? kImageStore : kImageFolderSelected;
    case ReadOnlyRole:
        return item->readOnly;
    case FolderRole:
        return QVariant::fromValue(static_cast<void*>(item->folder));
    default:
        return {};
    }
}

bool FolderTreeModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid() || role != Qt::EditRole)
        return false;
    emit labelEdited(index, value.toString());
    return true;
}

Qt::ItemFlags FolderTreeModel::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    // A store's name is the registered mailbox's, changed only by Locate: its item has no
    // editor, so a second click on it neither asks to rename it nor swallows a drag.
    const Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    return ItemOf(index)->root ? flags : flags | Qt::ItemIsEditable;
}

} // namespace qb
