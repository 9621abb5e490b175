#include "ui/assign_dialog.h"

#include "app/port.h"
#include "ui/dialog_support.h"
#include "ui/text_codec.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace qb {

AssignDialog::AssignDialog(Port& port, std::function<DialogCheck(AssignInput&)> check,
                           QWidget* parent)
    : QDialog(parent), m_port(port), m_check(std::move(check)) {
    setWindowTitle(QStringLiteral("Assign"));
    browse = [](QWidget* owner) { return BrowseForDirectory(owner); };

    m_name = new QLineEdit(this);
    m_name->setMaxLength(static_cast<int>(kAssignFieldLimit));
    m_directory = new QLineEdit(this);
    m_directory->setMaxLength(static_cast<int>(kAssignFieldLimit));
    m_browse = new QPushButton(QStringLiteral("..."), this);
    auto* fields = new QGridLayout;
    fields->addWidget(new QLabel(QStringLiteral("  Name"), this), 0, 0);
    fields->addWidget(m_name, 0, 1);
    fields->addWidget(new QLabel(QStringLiteral("  Store Root Directory"), this), 1, 0);
    fields->addWidget(m_directory, 1, 1);
    fields->addWidget(m_browse, 1, 2);

    auto* typeBox = new QGroupBox(QStringLiteral("Type"), this);
    auto* typeLayout = new QVBoxLayout(typeBox);
    m_types = new QButtonGroup(this);
    for (int i = 0; i < kAssignTypeCount; ++i) {
        auto* radio = new QRadioButton(QString::fromLatin1(kAssignTypeLabels[i]), typeBox);
        m_types->addButton(radio, i);
        typeLayout->addWidget(radio);
    }

    m_readOnly = new QCheckBox(QStringLiteral("Read only: never change this store"), this);

    m_add = new QPushButton(QStringLiteral("Add"), this);
    m_add->setDefault(true);
    auto* close = new QPushButton(QStringLiteral("Close"), this);
    m_help = new QPushButton(QStringLiteral("Help"), this);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_add);
    buttons->addWidget(close);
    buttons->addWidget(m_help);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addWidget(typeBox);
    layout->addWidget(m_readOnly);
    layout->addLayout(buttons);

    connect(m_browse, &QPushButton::clicked, this, [this] {
        if (std::optional<QString> dir = browse(this))
            m_directory->setText(dir->left(static_cast<int>(kAssignFieldLimit)));
    });
    connect(m_add, &QPushButton::clicked, this, &AssignDialog::accept);
    connect(close, &QPushButton::clicked, this, &AssignDialog::reject);
    m_name->setFocus();
}

QRadioButton* AssignDialog::TypeButton(int index) const {
    return qobject_cast<QRadioButton*>(m_types->button(index));
}

void AssignDialog::accept() {
    std::optional<std::string> name = ToStoreText(m_name->text());
    if (!name) {
        m_port.Message(kTextUnstorableMailboxName);
        m_name->setFocus();
        return;
    }
    m_input.name = *name;
    m_input.directory = PathFromText(m_directory->text());
    m_input.typeIndex = m_types->checkedId(); // -1 while none is chosen
    m_input.readOnly = m_readOnly->isChecked();
    DialogCheck check = m_check(m_input);
    const QString shown = TextFromPath(m_input.directory);
    if (shown != m_directory->text())
        m_directory->setText(shown);
    if (check.accepted) {
        QDialog::accept();
        return;
    }
    if (!check.message.empty())
        m_port.Message(check.message);
    if (check.focus == DialogField::Name)
        m_name->setFocus();
    else if (check.focus == DialogField::Directory)
        m_directory->setFocus();
}

} // namespace qb
