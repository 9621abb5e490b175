#include "ui/folder_drag_drop.h"

#include "app/document.h"
#include "ui/folder_tree_model.h"
#include "ui/folder_tree_view.h"
#include "ui/mail_list_view.h"
#include "ui/main_frame.h"

#include <QApplication>
#include <QDrag>
#include <QDropEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>

namespace qb {

namespace {

Qt::DropAction ActionOf(DropEffect effect) {
    switch (effect) {
    case DropEffect::Copy:
        return Qt::CopyAction;
    case DropEffect::Move:
        return Qt::MoveAction;
    case DropEffect::None:
        break;
    }
    return Qt::IgnoreAction;
}

DropEffect EffectOf(Qt::DropAction action) {
    switch (action) {
    case Qt::CopyAction:
        return DropEffect::Copy;
    case Qt::MoveAction:
        return DropEffect::Move;
    default:
        return DropEffect::None;
    }
}

} // namespace

FolderDragDrop::FolderDragDrop(CMainFrame& frame, CQuillboxDoc& document)
    : m_frame(frame), m_doc(document) {
    execDrag = [](QDrag& drag) { return drag.exec(Qt::CopyAction | Qt::MoveAction); };
    CQuillboxView* tree = m_frame.TreeView();
    tree->setAcceptDrops(true);
    tree->viewport()->setAcceptDrops(true);
    tree->viewport()->installEventFilter(this);
    m_frame.ListView()->viewport()->installEventFilter(this);
}

// Qt forgets an event filter when the filter object goes.
FolderDragDrop::~FolderDragDrop() = default;

bool FolderDragDrop::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_frame.TreeView()->viewport())
        return TreeEvent(event);
    if (watched == m_frame.ListView()->viewport())
        return ListEvent(event);
    return false;
}

bool FolderDragDrop::PastDragDistance(QMouseEvent* event) const {
    return (event->buttons() & Qt::LeftButton) && m_pressIndex.isValid() &&
           (event->position().toPoint() - m_pressPos).manhattanLength() >=
               QApplication::startDragDistance();
}

bool FolderDragDrop::TreeEvent(QEvent* event) {
    CQuillboxView* tree = m_frame.TreeView();
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        m_pressIndex = mouse->button() == Qt::LeftButton
                           ? QPersistentModelIndex(tree->indexAt(mouse->position().toPoint()))
                           : QPersistentModelIndex();
        m_pressPos = mouse->position().toPoint();
        return false;
    }
    case QEvent::MouseMove: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (!PastDragDistance(mouse) || tree->IsEditingLabel())
            return false;
        const QModelIndex index = m_pressIndex;
        m_pressIndex = QPersistentModelIndex();
        DragFolder(index);
        return true;
    }
    case QEvent::MouseButtonRelease:
        m_pressIndex = QPersistentModelIndex();
        return false;
    case QEvent::Paint:
        if (m_painting || !m_highlight.isValid())
            return false;
        PaintHighlight(event);
        return true;
    default:
        return DragEvent(event);
    }
}

bool FolderDragDrop::ListEvent(QEvent* event) {
    CMailListView* list = m_frame.ListView();
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        m_pendingClick = QPersistentModelIndex();
        m_pressIndex = QPersistentModelIndex();
        if (mouse->button() != Qt::LeftButton)
            return false;
        const QModelIndex index = list->indexAt(mouse->position().toPoint());
        m_pressIndex = index;
        m_pressPos = mouse->position().toPoint();
        if (!index.isValid() || mouse->modifiers() != Qt::NoModifier ||
            !list->selectionModel()->isSelected(index))
            return false;
        // Keep the other selected rows: they may be about to be dragged with this one.
        list->setFocus(Qt::MouseFocusReason);
        list->selectionModel()->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
        m_pendingClick = index;
        return true;
    }
    case QEvent::MouseMove: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (!PastDragDistance(mouse))
            return false;
        m_pressIndex = QPersistentModelIndex();
        m_pendingClick = QPersistentModelIndex();
        DragMessages();
        return true;
    }
    case QEvent::MouseButtonRelease: {
        m_pressIndex = QPersistentModelIndex();
        if (!m_pendingClick.isValid())
            return false;
        // A plain click on a selected row without a drag selects that row alone.
        const QModelIndex index = m_pendingClick;
        m_pendingClick = QPersistentModelIndex();
        list->selectionModel()->select(index, QItemSelectionModel::ClearAndSelect |
                                                  QItemSelectionModel::Rows);
        return true;
    }
    default:
        return false;
    }
}

void FolderDragDrop::SetHighlight(const QModelIndex& index) {
    if (QModelIndex(m_highlight) == index)
        return;
    m_highlight = index;
    m_frame.TreeView()->viewport()->update();
}

void FolderDragDrop::PaintHighlight(QEvent* event) {
    // The tree draws itself first; the highlight goes over the item under the cursor.
    QWidget* viewport = m_frame.TreeView()->viewport();
    m_painting = true;
    QCoreApplication::sendEvent(viewport, event);
    m_painting = false;
    QRect rect = m_frame.TreeView()->visualRect(m_highlight);
    if (!rect.isValid())
        return;
    QPainter painter(viewport);
    // The window's highlight colour: the tree keeps its own palette for its selected item.
    QColor colour = m_frame.palette().color(QPalette::Active, QPalette::Highlight);
    colour.setAlpha(110);
    painter.fillRect(rect, colour);
}

bool FolderDragDrop::DragEvent(QEvent* event) {
    const QEvent::Type type = event->type();
    if (type == QEvent::DragLeave) {
        SetHighlight({});
        return true;
    }
    if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop)
        return false;
    auto* drop = static_cast<QDropEvent*>(event);
    if (drop->mimeData() == nullptr || !drop->mimeData()->hasFormat(kDragMimeType) || !m_dragging) {
        drop->ignore();
        return true;
    }
    CQuillboxView* tree = m_frame.TreeView();
    const QModelIndex index = tree->indexAt(drop->position().toPoint());
    CMails* target = FolderTreeModel::FolderOf(index);
    const Qt::KeyboardModifiers keys = drop->modifiers();
    const Selection selection = m_frame.CurrentSelection();
    // Entering is handled as moving; the drop decides again with the keys held at that moment.
    const DropEffect effect = m_doc.MoveCopy().DragOver(
        target, selection, keys & Qt::ControlModifier, keys & Qt::ShiftModifier);
    const Qt::DropAction action = ActionOf(effect);
    if (type != QEvent::Drop) {
        SetHighlight(target != nullptr ? index : QModelIndex());
        drop->setDropAction(action);
        // An entering drag is always taken so that the moves that follow arrive here.
        if (action != Qt::IgnoreAction || type == QEvent::DragEnter)
            drop->accept();
        else
            drop->ignore();
        return true;
    }
    SetHighlight({});
    if (action == Qt::IgnoreAction || !(drop->possibleActions() & action) ||
        !m_doc.MoveCopy().Drop(effect, selection)) {
        drop->setDropAction(Qt::IgnoreAction);
        drop->ignore();
        return true;
    }
    drop->setDropAction(action);
    drop->accept();
    return true;
}

Qt::DropAction FolderDragDrop::RunDrag(QObject* source) {
    auto* drag = new QDrag(source);
    auto* data = new QMimeData;
    data->setData(QString::fromLatin1(kDragMimeType), QByteArray());
    drag->setMimeData(data);
    m_dragging = true;
    const Qt::DropAction action = execDrag(*drag);
    m_dragging = false;
    SetHighlight({});
    drag->deleteLater();
    return action;
}

void FolderDragDrop::DragFolder(const QModelIndex& index) {
    CMails* folder = FolderTreeModel::FolderOf(index);
    if (folder == nullptr || m_dragging)
        return;
    // The dragged folder becomes the selected one, its messages listed.
    m_frame.TreeView()->setCurrentIndex(index);
    m_doc.MoveCopy().BeginFolderDrag(folder);
    const Qt::DropAction action = RunDrag(m_frame.TreeView());
    m_doc.MoveCopy().EndDrag(EffectOf(action), m_frame.CurrentSelection());
}

void FolderDragDrop::DragMessages() {
    if (m_dragging || m_frame.ListView()->SelectedMessages().empty())
        return;
    m_doc.MoveCopy().BeginMessageDrag();
    const Qt::DropAction action = RunDrag(m_frame.ListView());
    m_doc.MoveCopy().EndDrag(EffectOf(action), m_frame.CurrentSelection());
}

} // namespace qb
