// The message list pane: a report of the selected folder's messages drawn as whole rows, sorted
// by the column whose heading was clicked. Moving the focus to a row asks for that row's
// message to be shown.
#pragma once

#include "app/disk_changes.h"
#include "app/message_columns.h"
#include "app/message_sort.h"

#include <QTreeView>

#include <functional>
#include <memory>
#include <vector>

namespace qb {

class CMails;
class CMessage;
class MessageListModel;
using MessageList = std::vector<std::unique_ptr<CMessage>>;

class CMailListView : public QTreeView {
    Q_OBJECT
  public:
    static constexpr int kLabelInset = 2;
    static constexpr int kCellInset = 6;

    explicit CMailListView(QWidget* parent = nullptr);

    MessageListModel* Model() const { return m_model; }
    void SetColumnWidths(const qb::ColumnWidths& widths);
    qb::ColumnWidths ColumnWidths() const;
    // The widths of a first run: the table's, with the date column wide enough for a whole
    // date in the list's font.
    qb::ColumnWidths DefaultWidths() const;
    // The order of the rows, as the headings show it.
    void SetOrder(const MessageSort& order);
    MessageSort Order() const;

    // Rows of `folder`'s messages (reloaded from its store); none for null.
    void Fill(CMails* folder);
    void DeleteAllItems();
    // What the user sees of the rows: the selected messages, the focused one and the scroll
    // position, to be found again in the folder listed anew.
    struct Place {
        std::vector<MessageKey> selected;
        std::vector<MessageKey> focused; // none or one
        int scroll = 0;
    };
    Place SavePlace() const;
    // Selects the rows of the messages of `place` that are still listed and focuses the
    // focused one (which shows it again); the scroll position is kept.
    void RestorePlace(const Place& place);
    // Removes the row that refers to `message`, before its folder destroys the record.
    void DeleteMessageRow(const CMessage* message);
    std::vector<CMessage*> SelectedMessages() const;
    CMessage* FirstSelectedMessage() const;
    int ShownItem() const { return m_nShownItem; }

    // Asked to show a message whenever another row takes the focus.
    std::function<void(CMessage&)> onShowMessage;
    // Gives the messages the list shows of a folder (its live ones when not set).
    std::function<MessageList&(CMails&)> listMessages;
    // The deleted marks of the shown messages changed: the rows are drawn again.
    void RowsChanged();

    // Asked for the context menu at a global position.
    std::function<void(const QPoint&)> onContextMenu;

    // Shows the focused row's message unless it is the one shown already.
    void ShowFocusedMessage();

  protected:
    void drawRow(QPainter* painter, const QStyleOptionViewItem& option,
                 const QModelIndex& index) const override;
    void mousePressEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;

  private:
    MessageListModel* m_model;
    int m_nShownItem = -1;
    CMessage* m_pShownBeforeSort = nullptr;
    bool m_bShowPending = false;
};

} // namespace qb
