#include "ui/compact_dialog.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace qb {

CompactDialog::CompactDialog(std::function<void()> run, QWidget* parent)
    : QDialog(parent), m_run(std::move(run)) {
    setWindowTitle(QStringLiteral("Compact"));
    auto* group = new QGroupBox(QStringLiteral("Status"), this);
    m_status = new QLabel(group);
    m_status->setMinimumWidth(320);
    auto* groupLayout = new QVBoxLayout(group);
    groupLayout->addWidget(m_status);

    m_compact = new QPushButton(QStringLiteral("Compact"), this);
    m_compact->setDefault(true);
    m_close = new QPushButton(QStringLiteral("Close"), this);
    m_help = new QPushButton(QStringLiteral("Help"), this);
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(m_compact);
    buttons->addWidget(m_close);
    buttons->addWidget(m_help);
    buttons->addStretch();

    auto* layout = new QHBoxLayout(this);
    layout->addWidget(group, 1);
    layout->addLayout(buttons);

    connect(m_compact, &QPushButton::clicked, this, &CompactDialog::accept);
    connect(m_close, &QPushButton::clicked, this, &CompactDialog::reject);
}

QString CompactDialog::Status() const {
    return m_status->text();
}

void CompactDialog::SetStatus(const QString& text) {
    m_status->setText(text);
    m_status->repaint();
}

void CompactDialog::accept() {
    // The buttons stay inert while the mailboxes are rewritten.
    if (m_running)
        return;
    m_running = true;
    m_compact->setEnabled(false);
    m_close->setEnabled(false);
    if (m_run)
        m_run();
    m_running = false;
    QDialog::accept();
}

} // namespace qb
