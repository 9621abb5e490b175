// Edit > Find...: the search fields, the hits as they are found, and a way to stop. The search
// runs on a thread of its own over stores it opens afresh, so the window never waits for it.
#pragma once

#include "app/search.h"

#include <QDialog>

#include <atomic>
#include <functional>
#include <memory>
#include <vector>

class QLabel;
class QLineEdit;
class QPushButton;
class QThread;
class QTreeWidget;

namespace qb {

class CSearchPane : public QDialog {
    Q_OBJECT
  public:
    explicit CSearchPane(QWidget* parent = nullptr);
    ~CSearchPane() override;

    // The stores a search goes through, asked for when it starts.
    std::function<std::vector<SearchScope>()> scopes;
    // Asked to show a hit's folder and message (a double-click on a result).
    std::function<void(const SearchHit&)> onOpenHit;

    QLineEdit* FromField() const { return m_from; }
    QLineEdit* ToField() const { return m_to; }
    QLineEdit* SubjectField() const { return m_subject; }
    QLineEdit* TextField() const { return m_text; }
    QLineEdit* SinceField() const { return m_since; }
    QLineEdit* BeforeField() const { return m_before; }
    QPushButton* FindButton() const { return m_find; }
    QPushButton* StopButton() const { return m_stop; }
    QTreeWidget* Results() const { return m_results; }
    QString StatusText() const;
    bool IsRunning() const { return m_thread != nullptr; }

    // Starts a search with the fields' criteria; false (with the reason in the status line) when
    // a date cannot be read or a search is running.
    bool Start();
    // Asks a running search to stop; it ends at the next message.
    void Stop();

  signals:
    void Finished();

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void AddHit(const SearchHit& hit);
    void Done(const SearchSummary& summary);
    void OpenItem(int row);

    QLineEdit* m_from;
    QLineEdit* m_to;
    QLineEdit* m_subject;
    QLineEdit* m_text;
    QLineEdit* m_since;
    QLineEdit* m_before;
    QPushButton* m_find;
    QPushButton* m_stop;
    QTreeWidget* m_results;
    QLabel* m_status;
    QThread* m_thread = nullptr;
    std::shared_ptr<std::atomic<bool>> m_stopRequested;
    std::vector<SearchHit> m_hits;
};

} // namespace qb
