#include "ui/help_window.h"

#include <QDialogButtonBox>
#include <QPushButton>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace qb {

CHelpWindow::CHelpWindow(QWidget* parent) : QDialog(parent), m_browser(new QTextBrowser(this)) {
    setWindowTitle(QStringLiteral("Quillbox Help"));
    setModal(false);
    // Links inside the manual move within it; nothing is handed to another program.
    m_browser->setOpenExternalLinks(false);
    m_browser->setOpenLinks(true);
    m_browser->setSource(QUrl(QStringLiteral("qrc:/help/manual.html")));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::hide);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_browser);
    layout->addWidget(buttons);
    resize(640, 560);
}

void CHelpWindow::Open() {
    m_browser->setSource(QUrl(QStringLiteral("qrc:/help/manual.html")));
    m_browser->scrollToAnchor(QString());
    show();
    raise();
    activateWindow();
}

} // namespace qb
