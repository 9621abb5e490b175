#include "ui/message_list_model.h"
#include "app/readable_message.h"
#include "app/store_lock.h"
#include "model/mails.h"
#include "model/message.h"

#include <QColor>

#include "ui/text_codec.h"
#include <algorithm>

namespace qb {

MessageListModel::MessageListModel(QObject* parent)
    : QAbstractTableModel(parent), m_rowIcon(QStringLiteral(":/icons/message.svg")),
      m_deletedIcon(QStringLiteral(":/icons/message_deleted.svg")) {}

void MessageListModel::Fill(CMails* folder, const std::function<MessageList&(CMails&)>& list) {
    // No row refers to a record while the folder is read: reading a large folder keeps the
    // window drawn, and the records are made anew.
    Clear();
    if (folder == nullptr)
        return;
    MessageList& messages = list ? list(*folder) : ListMessages(*folder, kListWaitMs);
    beginResetModel();
    m_messages.reserve(messages.size());
    for (auto& message : messages)
        m_messages.push_back(message.get());
    m_rows = SortedRows({m_messages.begin(), m_messages.end()}, m_order);
    m_filled = true;
    endResetModel();
}

void MessageListModel::SetOrder(const MessageSort& order) {
    m_order = order;
    ApplyOrder();
}

void MessageListModel::sort(int column, Qt::SortOrder order) {
    SetOrder({column >= 0 && column < kMessageColumnCount ? column : MessageSort::kFileOrder,
              order == Qt::DescendingOrder});
}

void MessageListModel::ApplyOrder() {
    std::vector<std::size_t> rows = SortedRows({m_messages.begin(), m_messages.end()}, m_order);
    if (rows == m_rows)
        return;
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    // Selected and current rows follow their messages.
    std::vector<int> newRowOf(m_messages.size());
    for (std::size_t row = 0; row < rows.size(); ++row)
        newRowOf[rows[row]] = static_cast<int>(row);
    const QModelIndexList before = persistentIndexList();
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex& index : before) {
        const std::size_t position = m_rows[static_cast<std::size_t>(index.row())];
        after.push_back(this->index(newRowOf[position], index.column()));
    }
    m_rows = std::move(rows);
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void MessageListModel::RowsChanged() {
    if (!m_rows.empty())
        emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
}

void MessageListModel::SetFrozen(bool frozen) {
    if (frozen == m_frozen)
        return;
    m_frozen = frozen;
    if (!frozen)
        RowsChanged();
}

void MessageListModel::Clear() {
    beginResetModel();
    m_messages.clear();
    m_rows.clear();
    m_filled = false;
    endResetModel();
}

void MessageListModel::RemoveRow(int row) {
    if (row < 0 || row >= rowCount())
        return;
    beginRemoveRows({}, row, row);
    const std::size_t position = m_rows[static_cast<std::size_t>(row)];
    m_rows.erase(m_rows.begin() + row);
    m_messages.erase(m_messages.begin() + static_cast<std::ptrdiff_t>(position));
    for (std::size_t& later : m_rows) {
        if (later > position)
            --later;
    }
    endRemoveRows();
}

CMessage* MessageListModel::MessageAt(int row) const {
    return row >= 0 && row < rowCount() ? m_messages[m_rows[static_cast<size_t>(row)]] : nullptr;
}

int MessageListModel::FolderPosition(int row) const {
    return row >= 0 && row < rowCount() ? static_cast<int>(m_rows[static_cast<size_t>(row)]) : -1;
}

int MessageListModel::RowOf(const CMessage* message) const {
    for (size_t i = 0; i < m_rows.size(); ++i) {
        if (m_messages[m_rows[i]] == message)
            return static_cast<int>(i);
    }
    return -1;
}

int MessageListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int MessageListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kMessageColumnCount;
}

QVariant MessageListModel::data(const QModelIndex& index, int role) const {
    CMessage* message = index.isValid() && !m_frozen ? MessageAt(index.row()) : nullptr;
    if (message == nullptr)
        return {};
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
        return QString::fromStdString(DecodedColumn(*message, index.column()));
    case Qt::DecorationRole:
        if (index.column() != 0)
            return {};
        return QVariant(message->m_bDeleted ? m_deletedIcon : m_rowIcon);
    case Qt::ForegroundRole:
        return message->m_bDeleted ? QVariant(QColor(Qt::gray)) : QVariant();
    case ImageRole:
        return index.column() == 0 ? QVariant(kRowImage) : QVariant();
    case MessageRole:
        return QVariant::fromValue(static_cast<void*>(message));
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
    default:
        return {};
    }
}

QVariant MessageListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= kMessageColumnCount)
        return {};
    if (role == Qt::DisplayRole)
        return QString::fromLatin1(kMessageColumns[static_cast<std::size_t>(section)].heading);
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
    return {};
}

Qt::ItemFlags MessageListModel::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled;
}

} // namespace qb
