// The message text pane: read-only, lines wrapped at a fixed width whatever the pane's size,
// the header block and attachment summary in dark green and the body in black.
#pragma once

#include <QColor>
#include <QTextEdit>

#include <functional>
#include <vector>

namespace qb {

class CMailContentView : public QTextEdit {
    Q_OBJECT
  public:
    static inline const QColor kHeaderColour{0, 127, 0};
    static inline const QColor kBodyColour{0, 0, 0};
    // Characters per line before a line wraps (about a printed page's width).
    static constexpr int kWrapColumns = 80;

    explicit CMailContentView(QWidget* parent = nullptr);

    void ClearText();
    // Shows header block, body and attachment summary, each already in display form.
    void ShowSections(const QString& header, const QString& body, const QString& attachments);
    // The 0-based lines where the entries of the shown attachment summary begin, in order; the
    // text shown last must have been given with LF line ends. ClearText forgets them.
    void SetAttachmentLines(std::vector<int> lines);
    // The attachment whose summary entry holds the 0-based line, or -1.
    int AttachmentAtLine(int line) const;
    // Asked to save attachment n: on a double-click on its entry, or its context menu's "Save
    // Attachment As...".
    std::function<void(int)> onSaveAttachment;

  protected:
    void changeEvent(QEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

  private:
    void UpdateWrapWidth();
    void Append(QTextCursor& cursor, const QString& text, const QColor& colour);
    int AttachmentAt(const QPoint& viewportPos) const;

    std::vector<int> m_attachmentLines;
};

} // namespace qb
