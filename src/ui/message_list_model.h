// The message list's rows: one per message of the selected folder, in the folder's order and
// never sorted. A row refers to its message record (owned by the folder); the cells are read
// from the record's header when they are shown, so filling the rows costs one pointer each.
#pragma once

#include "app/message_columns.h"

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
    // The rows whose message is marked deleted (drawn greyed, with their own icon).
    int DeletedCount() const;
    // The deleted marks changed: every row is drawn again.
    void RowsChanged();
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
    QIcon m_deletedIcon;
};

} // namespace qb
