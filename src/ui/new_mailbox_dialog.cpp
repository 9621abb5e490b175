#include "ui/new_mailbox_dialog.h"

#include "app/port.h"
#include "ui/dialog_support.h"
#include "ui/text_codec.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace qb {

NewMailboxDialog::NewMailboxDialog(Port& port, NewMailboxLookups lookups, QWidget* parent)
    : QDialog(parent), m_port(port), m_lookups(std::move(lookups)) {
    setWindowTitle(QStringLiteral("New Mailbox"));
    browse = [](QWidget* owner) { return BrowseForDirectory(owner); };

    auto* nameGroup = new QGroupBox(QStringLiteral("Mail Box Name"), this);
    m_name = new QLineEdit(nameGroup);
    auto* nameLayout = new QVBoxLayout(nameGroup);
    nameLayout->addWidget(m_name);

    auto* dirGroup = new QGroupBox(QStringLiteral("Mail Box Directory"), this);
    m_directory = new QLineEdit(dirGroup);
    m_browse = new QPushButton(QStringLiteral("..."), dirGroup);
    auto* dirLayout = new QHBoxLayout(dirGroup);
    dirLayout->addWidget(m_directory);
    dirLayout->addWidget(m_browse);

    m_createDir = new QPushButton(QStringLiteral("Create Dir"), this);
    m_createDir->setEnabled(false);
    m_ok = new QPushButton(QStringLiteral("OK"), this);
    m_ok->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    m_help = new QPushButton(QStringLiteral("Help"), this);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_createDir);
    buttons->addStretch();
    buttons->addWidget(m_ok);
    buttons->addWidget(cancel);
    buttons->addWidget(m_help);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(nameGroup);
    layout->addWidget(dirGroup);
    layout->addLayout(buttons);

    // Any change of the directory, typed or chosen, may name one that does not exist yet.
    connect(m_directory, &QLineEdit::textChanged, this, [this] { m_createDir->setEnabled(true); });
    connect(m_browse, &QPushButton::clicked, this, &NewMailboxDialog::Browse);
    connect(m_createDir, &QPushButton::clicked, this, &NewMailboxDialog::CreateDir);
    connect(m_ok, &QPushButton::clicked, this, &NewMailboxDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &NewMailboxDialog::reject);
    m_name->setFocus();
}

void NewMailboxDialog::Browse() {
    if (std::optional<QString> dir = browse(this))
        m_directory->setText(*dir);
}

void NewMailboxDialog::Refuse(const std::string& message, DialogField focus) {
    if (!message.empty())
        m_port.Message(message);
    if (focus == DialogField::Name)
        m_name->setFocus();
    else if (focus == DialogField::Directory)
        m_directory->setFocus();
}

bool NewMailboxDialog::ReadControls() {
    std::optional<std::string> name = ToStoreText(m_name->text());
    if (!name) {
        Refuse(kTextUnstorableMailboxName, DialogField::Name);
        return false;
    }
    m_input.name = *name;
    m_input.directory = PathFromText(m_directory->text());
    return true;
}

void NewMailboxDialog::CreateDir() {
    DialogCheck check = CreateMailboxDirectory(PathFromText(m_directory->text()));
    if (check.accepted)
        m_createDir->setEnabled(false);
    else
        Refuse(check.message, check.focus);
}

void NewMailboxDialog::accept() {
    if (!ReadControls())
        return;
    NewMailboxCheck check = CheckNewMailbox(m_input, m_lookups);
    // The directory is shown as it is kept: trimmed, without a trailing separator.
    const QString shown = TextFromPath(m_input.directory);
    if (shown != m_directory->text())
        m_directory->setText(shown);
    if (check.step == NewMailboxStep::AskCreateDirectory) {
        const bool yes = m_port.Message(check.message, Buttons::YesNo) == Answer::Yes;
        check = AnswerCreateDirectory(m_input, yes);
    }
    if (check.step == NewMailboxStep::Accepted) {
        QDialog::accept();
        return;
    }
    Refuse(check.message, check.focus);
}

} // namespace qb
