// The message list's rows: one per message of the selected folder, in the folder's order or
// sorted by one column (message_sort.h). A row refers to its message record (owned by the folder);
// the cells are read from the record's header when they are shown, so filling the rows costs one
// pointer each.
#pragma once

#include "app/message_columns.h"
#include "app/message_sort.h"

#include <QAbstractTableModel>
#include <QIcon>

#include <functional>
#include <memory>
#include <vector>

namespace qb {

class CMessage;
class CMails;
using MessageList = std::vector<std::unique_ptr<CMessage>>;

class MessageListModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    enum Role { MessageRole = Qt::UserRole + 1, ImageRole };
    // The image every row shows.
    static constexpr int kRowImage = 2;

    explicit MessageListModel(QObject* parent = nullptr);

    // Replaces the rows by the folder's current message list (no rows for null): `list` gives
    // it, the folder's live messages when it is not set.
    // The window waits only briefly for another process's change to end: the list is read all
    // the same after that, and shows the rest when the folder is selected again.
    static constexpr int kListWaitMs = 250;

    void Fill(CMails* folder, const std::function<MessageList&(CMails&)>& list = {});
    // True from Fill with a folder until Clear.
    bool Filled() const { return m_filled; }
    // The deleted marks changed: every row is drawn again.
    void RowsChanged();
    // While a long operation runs, the records the rows refer to may be freed and read again:
    // a frozen model shows empty cells and reads no record (the view still lays its rows out).
    // Thawed, every row is drawn again.
    void SetFrozen(bool frozen);
    bool Frozen() const { return m_frozen; }
    void Clear();
    void RemoveRow(int row);
    CMessage* MessageAt(int row) const;
    int RowOf(const CMessage* message) const;
    // The rows in the folder's order, whatever the shown order.
    int FolderPosition(int row) const;

    // Shows the rows in `order`; kept for the next Fill.
    void SetOrder(const MessageSort& order);
    const MessageSort& Order() const { return m_order; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // A click on a column heading: the view's sort indicator (a column of -1: folder order).
    void sort(int column, Qt::SortOrder order) override;

  private:
    void ApplyOrder();

    // The folder's messages in its order, and the position in it of each shown row.
    std::vector<CMessage*> m_messages;
    std::vector<std::size_t> m_rows;
    MessageSort m_order;
    bool m_filled = false;
    bool m_frozen = false;
    QIcon m_rowIcon;
    QIcon m_deletedIcon;
};

} // namespace qb
