#include "ui/mail_content_view.h"

#include <QContextMenuEvent>
#include <QEvent>
#include <QFontDatabase>
#include <QMenu>
#include <QMouseEvent>
#include <QTextBlock>
#include <QTextCursor>

#include <algorithm>
#include <memory>

namespace qb {

namespace {
// Line ends of the store are CR LF; the pane keeps one paragraph per line.
QString NormaliseLineEnds(QString text) {
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}
} // namespace

CMailContentView::CMailContentView(QWidget* parent) : QTextEdit(parent) {
    setReadOnly(true);
    setAcceptRichText(false);
    setUndoRedoEnabled(false);
    setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    UpdateWrapWidth();
    setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
}

void CMailContentView::UpdateWrapWidth() {
    // A fixed pixel width, so that the lines do not follow the pane's width.
    const int margins = 2 * static_cast<int>(document()->documentMargin()) + 4;
    setLineWrapMode(QTextEdit::FixedPixelWidth);
    setLineWrapColumnOrWidth(kWrapColumns * fontMetrics().horizontalAdvance(QLatin1Char('M')) +
                             margins);
}

void CMailContentView::changeEvent(QEvent* event) {
    QTextEdit::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        UpdateWrapWidth();
}

void CMailContentView::ClearText() {
    m_attachmentLines.clear();
    clear();
    QTextCharFormat format;
    format.setForeground(kBodyColour);
    setCurrentCharFormat(format);
    moveCursor(QTextCursor::Start);
}

void CMailContentView::Append(QTextCursor& cursor, const QString& text, const QColor& colour) {
    QTextCharFormat format;
    format.setForeground(colour);
    cursor.insertText(NormaliseLineEnds(text), format);
}

void CMailContentView::ShowSections(const QString& header, const QString& body,
                                    const QString& attachments) {
    ClearText();
    QTextCursor cursor(document());
    cursor.beginEditBlock();
    Append(cursor, header, kHeaderColour);
    Append(cursor, body, kBodyColour);
    Append(cursor, attachments, kHeaderColour);
    cursor.endEditBlock();
    moveCursor(QTextCursor::Start);
}

void CMailContentView::SetAttachmentLines(std::vector<int> lines) {
    m_attachmentLines = std::move(lines);
}

int CMailContentView::AttachmentAtLine(int line) const {
    const auto after = std::upper_bound(m_attachmentLines.begin(), m_attachmentLines.end(), line);
    if (after == m_attachmentLines.begin() || line >= document()->blockCount())
        return -1;
    return static_cast<int>(after - m_attachmentLines.begin()) - 1;
}

int CMailContentView::AttachmentAt(const QPoint& viewportPos) const {
    return AttachmentAtLine(cursorForPosition(viewportPos).block().blockNumber());
}

void CMailContentView::mouseDoubleClickEvent(QMouseEvent* event) {
    const int attachment = AttachmentAt(event->position().toPoint());
    if (attachment >= 0 && onSaveAttachment) {
        onSaveAttachment(attachment);
        return;
    }
    QTextEdit::mouseDoubleClickEvent(event);
}

void CMailContentView::contextMenuEvent(QContextMenuEvent* event) {
    std::unique_ptr<QMenu> menu(createStandardContextMenu(event->pos()));
    const int attachment = AttachmentAt(event->pos());
    if (attachment >= 0 && onSaveAttachment) {
        QAction* save = new QAction(QStringLiteral("Save Attachment As..."), menu.get());
        connect(save, &QAction::triggered, this, [this, attachment] {
            if (onSaveAttachment)
                onSaveAttachment(attachment);
        });
        menu->insertAction(menu->actions().value(0), save);
        menu->insertSeparator(menu->actions().value(1));
    }
    menu->exec(event->globalPos());
}

} // namespace qb
