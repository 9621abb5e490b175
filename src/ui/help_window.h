// The manual in a window of the program's own: the shipped HTML in a text browser, so that
// help opens whether or not the machine has a web browser.
#pragma once

#include <QDialog>

class QTextBrowser;

namespace qb {

class CHelpWindow : public QDialog {
    Q_OBJECT
  public:
    explicit CHelpWindow(QWidget* parent = nullptr);
    QTextBrowser* Browser() const { return m_browser; }
    // Shows the window at the manual's beginning and brings it to the front.
    void Open();

  private:
    QTextBrowser* m_browser;
};

} // namespace qb
