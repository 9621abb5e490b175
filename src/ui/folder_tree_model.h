// The folder tree's items. Like a tree control, the model keeps items of its own, each holding
// a label and the folder it stands for (not owned), so that an item stays valid while its folder
// changes and the document decides when items come and go.
#pragma once

#include <QAbstractItemModel>
#include <QIcon>

#include <memory>
#include <vector>

namespace qb {

class CMails;

class FolderTreeModel : public QAbstractItemModel {
    Q_OBJECT
  public:
    enum Image { kImageFolder = 0, kImageFolderSelected = 1, kImageStore = 2 };
    enum Role { FolderRole = Qt::UserRole + 1, ImageRole, SelectedImageRole, ReadOnlyRole };

    explicit FolderTreeModel(QObject* parent = nullptr);
    ~FolderTreeModel() override;

    // Appends an item for `folder` (and, recursively, for every sub-folder in GetSubFolders
    // order, which loads them) as the last child of `parent` (invalid: top level). Returns the
    // folder's item.
    QModelIndex InsertFolderTree(const QModelIndex& parent, CMails* folder);
    // Appends one item for `folder` as the last child of `parent`, nothing below it. A store
    // `readOnly` shows a lock over its icon.
    QModelIndex InsertItem(const QModelIndex& parent, CMails* folder, bool readOnly = false);
    // Removes the item with everything below it.
    void DeleteItem(const QModelIndex& index);
    void DeleteAllItems();
    void SetItemText(const QModelIndex& index, const QString& text);
    // A folder that cannot be shown whole: a warning icon instead of its own, `text` as its
    // tooltip; an empty text gives the item its own icon back.
    void SetItemWarning(const QModelIndex& index, const QString& text);
    // Depth-first in display order; invalid when no item stands for `folder`.
    QModelIndex FindFolderItem(const CMails* folder) const;
    static CMails* FolderOf(const QModelIndex& index);

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

  signals:
    // The user finished editing a label; the model does not change it by itself.
    void labelEdited(const QModelIndex& index, const QString& text);

  private:
    struct Item;
    Item* ItemOf(const QModelIndex& index) const;
    QModelIndex IndexOf(const Item* item) const;
    QModelIndex Find(const Item* item, const CMails* folder) const;

    std::unique_ptr<Item> m_root;
    QIcon m_folderIcon;
    QIcon m_storeIcon;
    QIcon m_lockedStoreIcon;
    QIcon m_warningIcon;
};

} // namespace qb
