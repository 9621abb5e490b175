// Rows of a multi-column list painted across their whole width: the highlight stays visible when
// the list loses the focus, reaches the given right edge, and the focused row gets a focus
// rectangle. Shared by the message list and the lists of the Locate dialog.
#pragma once

#include <QModelIndex>
#include <QStyleOptionViewItem>

class QPainter;
class QTreeView;

namespace qb {

struct FullRowLook {
    int right = 0;                           // the row area ends before this x
    bool highlightedText = false;            // selected cells use the highlighted text colour
    Qt::TextElideMode elide = Qt::ElideNone; // how cells shorten what does not fit
};

void PaintFullRow(const QTreeView& view, QPainter* painter, const QStyleOptionViewItem& option,
                  const QModelIndex& index, const FullRowLook& look);

} // namespace qb
