// The message list's rows: one per message of the selected folder, in the folder's order and
// never sorted. A row refers to its message record (owned by the folder); the cells are read
// from the record's header when they are shown, so filling the rows costs one pointer each.
#pragma once

#include "app/message_columns.h"

#include <QAbstractTableModel>
#include <QIcon>

#include <vector>

namespace qb {

class CMessage;
class CMails;

class MessageListModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    enum Role { MessageRole = Qt::UserRole + 1, ImageRole };
    // The image every row shows.
    static constexpr int kRowImage = 2;

    explicit MessageListModel(QObject* parent = nullptr);

    // Replaces the rows by the folder's current message list (no rows for null).
    void Fill(CMails* folder);
    void Clear();
    void RemoveRow(int row);
    CMessage* MessageAt(int row) const;
    int RowOf(const CMessage* message) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

  private:
    std::vector<CMessage*> m_rows;
    QIcon m_rowIcon;
};

} // namespace qb
