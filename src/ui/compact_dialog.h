// Compacts every mailbox, showing its progress in a status line.
#pragma once

#include <QDialog>

#include <functional>

class QLabel;
class QPushButton;

namespace qb {

class CompactDialog : public QDialog {
    Q_OBJECT
  public:
    // `run` compacts the mailboxes, reporting through SetStatus as it goes.
    explicit CompactDialog(std::function<void()> run, QWidget* parent = nullptr);

    QString Status() const;
    QLabel* StatusLabel() const { return m_status; }
    QPushButton* CompactButton() const { return m_compact; }
    QPushButton* CloseButton() const { return m_close; }
    QPushButton* HelpButton() const { return m_help; }

  public slots:
    // Shows the text at once, while the compaction holds the event loop.
    void SetStatus(const QString& text);
    void accept() override;

  private:
    std::function<void()> m_run;
    QLabel* m_status;
    QPushButton* m_compact;
    QPushButton* m_close;
    QPushButton* m_help;
    bool m_running = false;
};

} // namespace qb
