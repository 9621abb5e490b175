#include "ui/folder_name_dialog.h"

#include "app/document.h"
#include "ui/text_codec.h"

#include <QDialogButtonBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QVBoxLayout>

namespace qb {

namespace {
constexpr char kUnstorableName[] =
    "The folder name holds a character that mail folders cannot store";
} // namespace

FolderNameDialog::FolderNameDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Input Folder Name"));
    auto* group = new QGroupBox(QStringLiteral("Folder Name"), this);
    m_edit = new QLineEdit(group);
    auto* groupLayout = new QVBoxLayout(group);
    groupLayout->addWidget(m_edit);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &FolderNameDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &FolderNameDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addWidget(buttons);
    m_edit->setFocus();
}

void FolderNameDialog::accept() {
    std::optional<std::string> name = ToFileNameText(m_edit->text());
    // A name that no file name can hold is refused rather than written as something else.
    std::string refusal = name ? CheckFolderName(*name) : std::string(kUnstorableName);
    if (!refusal.empty()) {
        if (onRefusal)
            onRefusal(refusal);
        m_edit->setFocus();
        return;
    }
    m_name = *name;
    QDialog::accept();
}

} // namespace qb
