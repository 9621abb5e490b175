// Drag and drop inside the program: folders dragged out of the folder tree and messages out of
// the message list, dropped onto a folder of the tree. The drag carries nothing but its private
// type; what is dragged and what the drop does are the document's to decide.
#pragma once

#include "app/move_copy.h"

#include <QObject>
#include <QPersistentModelIndex>
#include <QPoint>

#include <functional>

class QDrag;
class QDropEvent;
class QMouseEvent;

namespace qb {

class CMainFrame;
class CQuillboxDoc;

inline constexpr char kDragMimeType[] = "application/x-quillbox-drag";

class FolderDragDrop : public QObject {
    Q_OBJECT
  public:
    // Watches the frame's tree and list; the frame and the document must outlive this object.
    FolderDragDrop(CMainFrame& frame, CQuillboxDoc& document);
    ~FolderDragDrop() override;

    // Starts a drag of the folder at `index` of the tree, or of the list's selected messages,
    // and finishes it as the document says once it ends.
    void DragFolder(const QModelIndex& index);
    void DragMessages();

    // The tree item that has the drop highlight (invalid when none).
    QModelIndex DropHighlight() const { return m_highlight; }

    // Runs the drag until it ends and returns the effect; tests replace it.
    std::function<Qt::DropAction(QDrag&)> execDrag;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    bool TreeEvent(QEvent* event);
    bool ListEvent(QEvent* event);
    // Drag-over and drop on the tree; false when the event is not one of ours.
    bool DragEvent(QEvent* event);
    void PaintHighlight(QEvent* event);
    void SetHighlight(const QModelIndex& index);
    Qt::DropAction RunDrag(QObject* source);
    bool PastDragDistance(QMouseEvent* event) const;

    CMainFrame& m_frame;
    CQuillboxDoc& m_doc;
    QPersistentModelIndex m_highlight;
    // Where the left button went down in the tree or the list, while it is held.
    QPersistentModelIndex m_pressIndex;
    QPoint m_pressPos;
    // A press on a row that was already selected: the selection changes only when the button
    // comes up without a drag, so that all selected rows can be dragged.
    QPersistentModelIndex m_pendingClick;
    bool m_painting = false;
    bool m_dragging = false;
};

} // namespace qb
