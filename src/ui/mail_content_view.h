// The message text pane: read-only, lines wrapped at a fixed width whatever the pane's size,
// the header block and attachment summary in dark green and the body in black.
#pragma once

#include <QColor>
#include <QTextEdit>

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

  protected:
    void changeEvent(QEvent* event) override;

  private:
    void UpdateWrapWidth();
    void Append(QTextCursor& cursor, const QString& text, const QColor& colour);
};

} // namespace qb
