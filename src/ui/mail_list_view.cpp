#include "ui/mail_list_view.h"

#include "model/message.h"
#include "ui/full_row_painter.h"
#include "ui/message_list_model.h"
#include "ui/shorten_text.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QPainter>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QTimer>

namespace qb {

namespace {

// Draws one cell: the icon of the first column and the text, shortened with "..." when it does
// not fit, never beyond the column.
class RowDelegate : public QStyledItemDelegate {
  public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        const bool highlighted = option.state & QStyle::State_Selected;
        QRect span = option.rect;
        int inset = CMailListView::kCellInset;
        if (index.column() == 0) {
            inset = CMailListView::kLabelInset;
            QIcon icon = index.data(Qt::DecorationRole).value<QIcon>();
            if (!icon.isNull() && span.width() >= 2) {
                QRect iconRect(span.left() + 1, span.top() + (span.height() - 16) / 2, 16, 16);
                icon.paint(painter, iconRect, Qt::AlignCenter,
                           highlighted ? QIcon::Selected : QIcon::Normal);
                span.setLeft(iconRect.right() + 2);
            }
        }
        QString text = index.data(Qt::DisplayRole).toString();
        if (text.isEmpty())
            return;
        const QFontMetrics metrics = option.fontMetrics;
        QString shown = ShortenText(text, span.width(), inset,
                                    [&](const QString& s) { return metrics.horizontalAdvance(s); });
        Qt::Alignment align = Qt::AlignLeft;
        if (shown == text) {
            QVariant a = index.data(Qt::TextAlignmentRole);
            if (a.isValid())
                align = Qt::Alignment(a.toInt()) & Qt::AlignHorizontal_Mask;
        }
        painter->save();
        // A message marked deleted is drawn greyed.
        const QVariant foreground = index.data(Qt::ForegroundRole);
        painter->setPen(!highlighted && foreground.isValid()
                            ? foreground.value<QColor>()
                            : option.palette.color(QPalette::Normal, highlighted
                                                                         ? QPalette::HighlightedText
                                                                         : QPalette::Text));
        painter->setClipRect(option.rect);
        painter->drawText(span.adjusted(inset, 0, -inset, 0),
                          int(align | Qt::AlignVCenter | Qt::TextSingleLine), shown);
        painter->restore();
    }
};

} // namespace

CMailListView::CMailListView(QWidget* parent)
    : QTreeView(parent), m_model(new MessageListModel(this)) {
    setModel(m_model);
    setItemDelegate(new RowDelegate(this));
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setDragEnabled(false);
    setTextElideMode(Qt::ElideNone);
    setIconSize(QSize(16, 16));
    // A click on a heading sorts by that column, a second click the other way round.
    header()->setSectionsClickable(true);
    header()->setSortIndicatorShown(true);
    header()->setSortIndicator(-1, Qt::AscendingOrder);
    setSortingEnabled(true);
    connect(m_model, &QAbstractItemModel::layoutAboutToBeChanged, this,
            [this] { m_pShownBeforeSort = m_model->MessageAt(m_nShownItem); });
    connect(m_model, &QAbstractItemModel::layoutChanged, this, [this] {
        if (m_pShownBeforeSort != nullptr)
            m_nShownItem = m_model->RowOf(m_pShownBeforeSort);
        m_pShownBeforeSort = nullptr;
        if (currentIndex().isValid())
            scrollTo(currentIndex());
    });
    header()->setSectionsMovable(false);
    header()->setStretchLastSection(false);
    header()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    SetColumnWidths(DefaultWidths());
}

qb::ColumnWidths CMailListView::DefaultWidths() const {
    qb::ColumnWidths widths = DefaultColumnWidths();
    constexpr std::size_t kDate = 3;
    // A wide form of the usual date: '+' is wider than '-' in most fonts.
    const int whole =
        fontMetrics().horizontalAdvance(QStringLiteral("Wed, 30 Mar 2026 23:59:59 +0000")) +
        2 * kCellInset + 8;
    widths[kDate] = std::max(widths[kDate], whole);
    return widths;
}

void CMailListView::SetColumnWidths(const qb::ColumnWidths& widths) {
    for (int i = 0; i < kMessageColumnCount; ++i)
        header()->resizeSection(i, std::max(widths[static_cast<size_t>(i)], 0));
}

qb::ColumnWidths CMailListView::ColumnWidths() const {
    qb::ColumnWidths widths{};
    for (int i = 0; i < kMessageColumnCount; ++i)
        widths[static_cast<size_t>(i)] = header()->sectionSize(i);
    return widths;
}

void CMailListView::SetOrder(const MessageSort& order) {
    // The header tells the model through sortIndicatorChanged.
    if (order.column == MessageSort::kFileOrder)
        header()->setSortIndicator(-1, Qt::AscendingOrder);
    else
        header()->setSortIndicator(order.column,
                                   order.descending ? Qt::DescendingOrder : Qt::AscendingOrder);
    m_model->SetOrder(order);
}

MessageSort CMailListView::Order() const {
    return m_model->Order();
}

void CMailListView::Fill(CMails* folder) {
    m_nShownItem = -1;
    m_model->Fill(folder, listMessages);
    m_nShownItem = -1;
}

void CMailListView::RowsChanged() {
    m_model->RowsChanged();
}

void CMailListView::DeleteAllItems() {
    m_nShownItem = -1;
    m_model->Clear();
    m_nShownItem = -1;
}

void CMailListView::DeleteMessageRow(const CMessage* message) {
    int row = m_model->RowOf(message);
    if (row < 0)
        return;
    m_nShownItem = -1;
    m_model->RemoveRow(row);
    m_nShownItem = -1;
}

CMailListView::Place CMailListView::SavePlace() const {
    Place place;
    for (const CMessage* message : SelectedMessages())
        place.selected.push_back(KeyOf(*message));
    if (const CMessage* focused = m_model->MessageAt(currentIndex().row()))
        place.focused.push_back(KeyOf(*focused));
    place.scroll = verticalScrollBar()->value();
    return place;
}

void CMailListView::RestorePlace(const Place& place) {
    std::vector<CMessage*> rows;
    for (int row = 0; row < m_model->rowCount(); ++row)
        rows.push_back(m_model->MessageAt(row));
    QItemSelection selection;
    for (int row : RowsOfMessages(place.selected, rows))
        selection.select(m_model->index(row, 0), m_model->index(row, kMessageColumnCount - 1));
    const std::vector<int> focused = RowsOfMessages(place.focused, rows);
    if (!focused.empty())
        selectionModel()->setCurrentIndex(m_model->index(focused.front(), 0),
                                          QItemSelectionModel::NoUpdate);
    selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
    verticalScrollBar()->setValue(place.scroll);
}

std::vector<CMessage*> CMailListView::SelectedMessages() const {
    std::vector<CMessage*> messages;
    QModelIndexList rows = selectionModel()->selectedRows();
    // Commands take the messages in the folder's order, however the list is sorted.
    std::sort(rows.begin(), rows.end(), [this](const QModelIndex& a, const QModelIndex& b) {
        return m_model->FolderPosition(a.row()) < m_model->FolderPosition(b.row());
    });
    for (const QModelIndex& row : rows) {
        if (CMessage* m = m_model->MessageAt(row.row()))
            messages.push_back(m);
    }
    return messages;
}

CMessage* CMailListView::FirstSelectedMessage() const {
    const QItemSelection selection = selectionModel()->selection();
    int first = -1;
    for (const QItemSelectionRange& range : selection) {
        if (first < 0 || range.top() < first)
            first = range.top();
    }
    return m_model->MessageAt(first);
}

void CMailListView::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    QTreeView::currentChanged(current, previous);
    // Rows may be going away one after another; show once the change has settled.
    if (m_bShowPending)
        return;
    m_bShowPending = true;
    QTimer::singleShot(0, this, [this] {
        m_bShowPending = false;
        ShowFocusedMessage();
    });
}

void CMailListView::ShowFocusedMessage() {
    QModelIndex focused = currentIndex();
    if (!focused.isValid() || focused.row() == m_nShownItem)
        return;
    CMessage* message = m_model->MessageAt(focused.row());
    if (message == nullptr)
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    if (onShowMessage)
        onShowMessage(*message);
    QApplication::restoreOverrideCursor();
    m_nShownItem = focused.row();
}

void CMailListView::drawRow(QPainter* painter, const QStyleOptionViewItem& option,
                            const QModelIndex& index) const {
    // The row area reaches the right edge of the pane even past the last column.
    PaintFullRow(
        *this, painter, option, index,
        {std::max(viewport()->width(), option.rect.right() + 1), false, option.textElideMode});
}

void CMailListView::mousePressEvent(QMouseEvent* event) {
    // A right click opens the menu over the selection as it is.
    if (event->button() == Qt::RightButton) {
        event->accept();
        return;
    }
    QTreeView::mousePressEvent(event);
}

void CMailListView::contextMenuEvent(QContextMenuEvent* event) {
    if (onContextMenu)
        onContextMenu(event->globalPos());
    event->accept();
}

} // namespace qb
