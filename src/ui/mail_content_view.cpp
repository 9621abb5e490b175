#include "ui/mail_content_view.h"

#include <QEvent>
#include <QFontDatabase>
#include <QTextCursor>

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

} // namespace qb
