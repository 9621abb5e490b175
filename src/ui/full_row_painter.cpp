#include "ui/full_row_painter.h"

#include <QAbstractItemDelegate>
#include <QItemSelectionModel>
#include <QPainter>
#include <QStyle>
#include <QTreeView>

namespace qb {

void PaintFullRow(const QTreeView& view, QPainter* painter, const QStyleOptionViewItem& option,
                  const QModelIndex& index, const FullRowLook& look) {
    const QRect area(0, option.rect.top(), look.right, option.rect.height());
    const bool selected = view.selectionModel()->isSelected(index);
    // The selection stays visible while the list does not have the focus.
    painter->fillRect(area, selected ? option.palette.brush(QPalette::Normal, QPalette::Highlight)
                                     : option.palette.brush(QPalette::Normal, QPalette::Base));
    QStyleOptionViewItem cell = option;
    cell.state &= ~QStyle::State_HasFocus;
    cell.palette.setBrush(QPalette::Highlight, Qt::NoBrush);
    cell.palette.setBrush(QPalette::AlternateBase, Qt::NoBrush);
    cell.textElideMode = look.elide;
    const QAbstractItemModel* model = view.model();
    const int columns = model->columnCount();
    for (int column = 0; column < columns; ++column) {
        const QModelIndex cellIndex = model->index(index.row(), column);
        cell.rect = QRect(view.columnViewportPosition(column), option.rect.top(),
                          view.columnWidth(column), option.rect.height());
        if (selected) {
            cell.state |= QStyle::State_Selected;
            if (look.highlightedText)
                cell.palette.setColor(
                    QPalette::Text,
                    option.palette.color(QPalette::Normal, QPalette::HighlightedText));
        }
        view.itemDelegateForIndex(cellIndex)->paint(painter, cell, cellIndex);
    }
    if (view.hasFocus() && view.currentIndex().row() == index.row()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(&view);
        focus.rect = area.adjusted(0, 0, -1, -1);
        focus.state |= QStyle::State_KeyboardFocusChange;
        focus.backgroundColor =
            option.palette.color(selected ? QPalette::Highlight : QPalette::Base);
        view.style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, painter, &view);
    }
}

} // namespace qb
