#include "ui/backup_dialogs.h"

#include "model/mails.h"
#include "ui/dialog_support.h"
#include "ui/folder_tree_model.h"
#include "ui/text_codec.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeView>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace qb {

namespace {

// A file name edit with its "..." chooser, in a group box.
QGroupBox* FileGroup(const QString& title, QWidget* parent, QLineEdit*& edit,
                     QPushButton*& browse) {
    auto* group = new QGroupBox(title, parent);
    edit = new QLineEdit(group);
    browse = new QPushButton(QStringLiteral("..."), group);
    auto* layout = new QHBoxLayout(group);
    layout->addWidget(edit);
    layout->addWidget(browse);
    return group;
}

} // namespace

BackupDialog::BackupDialog(const MailboxList& mailboxes,
                           std::function<DialogResult(CMails*, const std::string&)> run,
                           QWidget* parent)
    : QDialog(parent), m_run(std::move(run)) {
    setWindowTitle(QStringLiteral("Backup"));
    chooseFile = [](QWidget* owner) { return ChooseBackupFile(owner, true); };

    auto* treeGroup = new QGroupBox(QStringLiteral("Select Folder to Backup"), this);
    m_model = new FolderTreeModel(this);
    m_tree = new QTreeView(treeGroup);
    m_tree->setModel(m_model);
    m_tree->setHeaderHidden(true);
    m_tree->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_tree->setSelectionMode(QAbstractItemView::SingleSelection);
    auto* treeLayout = new QVBoxLayout(treeGroup);
    treeLayout->addWidget(m_tree);
    // Every folder of every mailbox, with the images of the main tree; none is selected.
    for (const auto& entry : mailboxes) {
        if (entry->m_pRoot != nullptr)
            m_model->InsertFolderTree(QModelIndex(), entry->m_pRoot.get());
    }

    QGroupBox* fileGroup = FileGroup(QStringLiteral("Backup File"), this, m_file, m_browse);

    m_backup = new QPushButton(QStringLiteral("Backup"), this);
    m_backup->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    m_help = new QPushButton(QStringLiteral("Help"), this);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_backup);
    buttons->addWidget(cancel);
    buttons->addWidget(m_help);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(treeGroup, 1);
    layout->addWidget(fileGroup);
    layout->addLayout(buttons);

    connect(m_browse, &QPushButton::clicked, this, [this] {
        if (std::optional<QString> file = chooseFile(this))
            m_file->setText(*file);
    });
    connect(m_backup, &QPushButton::clicked, this, &BackupDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &BackupDialog::reject);
    resize(sizeHint().expandedTo(QSize(360, 420)));
}

CMails* BackupDialog::SelectedFolder() const {
    // The caret item counts only when it is selected: the dialog selects none by itself.
    const QModelIndex current = m_tree->currentIndex();
    if (!current.isValid() || !m_tree->selectionModel()->isSelected(current))
        return nullptr;
    return FolderTreeModel::FolderOf(current);
}

void BackupDialog::accept() {
    const std::string file = PathFromText(m_file->text());
    const DialogResult result = m_run(SelectedFolder(), file);
    if (result.close) {
        QDialog::accept();
        return;
    }
    if (file.empty())
        m_file->setFocus();
}

RestoreDialog::RestoreDialog(const MailboxList& mailboxes,
                             std::function<DialogResult(const std::string&, CMails*)> run,
                             QWidget* parent)
    : QDialog(parent), m_run(std::move(run)) {
    setWindowTitle(QStringLiteral("Restore"));
    chooseFile = [](QWidget* owner) { return ChooseBackupFile(owner, false); };

    QGroupBox* fileGroup =
        FileGroup(QStringLiteral("Backup File To Restore"), this, m_file, m_browse);

    auto* listGroup = new QGroupBox(QStringLiteral("Select Mailbox Restore To"), this);
    m_list = new QTreeWidget(listGroup);
    m_list->setRootIsDecorated(false);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setColumnCount(1);
    m_list->setHeaderLabels({QStringLiteral("MailBox Name")});
    m_list->headerItem()->setTextAlignment(0, Qt::AlignLeft | Qt::AlignVCenter);
    m_list->header()->setStretchLastSection(false);
    m_list->setColumnWidth(0, 250);
    const QIcon storeIcon(QStringLiteral(":/icons/store.svg"));
    for (const auto& entry : mailboxes) {
        auto* item = new QTreeWidgetItem(m_list, {FromStoreText(entry->m_strName)});
        item->setIcon(0, storeIcon);
        item->setData(0, Qt::UserRole,
                      QVariant::fromValue(static_cast<void*>(entry->m_pRoot.get())));
    }
    auto* listLayout = new QVBoxLayout(listGroup);
    listLayout->addWidget(m_list);

    m_ok = new QPushButton(QStringLiteral("OK"), this);
    m_ok->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    m_help = new QPushButton(QStringLiteral("Help"), this);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_ok);
    buttons->addWidget(cancel);
    buttons->addWidget(m_help);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(fileGroup);
    layout->addWidget(listGroup, 1);
    layout->addLayout(buttons);

    connect(m_browse, &QPushButton::clicked, this, [this] {
        if (std::optional<QString> file = chooseFile(this))
            m_file->setText(*file);
    });
    connect(m_ok, &QPushButton::clicked, this, &RestoreDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &RestoreDialog::reject);
    resize(sizeHint().expandedTo(QSize(320, 360)));
}

CMails* RestoreDialog::SelectedRoot() const {
    const QList<QTreeWidgetItem*> selected = m_list->selectedItems();
    if (selected.isEmpty())
        return nullptr;
    return static_cast<CMails*>(selected.first()->data(0, Qt::UserRole).value<void*>());
}

void RestoreDialog::accept() {
    const std::string file = PathFromText(m_file->text());
    const DialogResult result = m_run(file, SelectedRoot());
    if (result.close) {
        QDialog::accept();
        return;
    }
    if (file.empty())
        m_file->setFocus();
}

} // namespace qb
