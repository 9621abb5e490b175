#include "ui/dialog_commands.h"

#include "app/document.h"
#include "ui/assign_dialog.h"
#include "ui/backup_dialogs.h"
#include "ui/compact_dialog.h"
#include "ui/folder_tree_view.h"
#include "ui/locate_dialog.h"
#include "ui/main_frame.h"
#include "ui/new_mailbox_dialog.h"
#include "ui/transfer_dialogs.h"

#include <QPushButton>
#include <QStatusBar>

namespace qb {

DialogCommands::DialogCommands(CMainFrame& frame, CQuillboxDoc& document, RegistryFile* registry)
    : m_frame(frame), m_doc(document), m_registry(registry) {
    execDialog = [](QDialog& dialog) { return dialog.exec(); };
}

bool DialogCommands::Run(int id) {
    switch (id) {
    case ID_COMPACT:
        Compact();
        return true;
    case ID_BACKUP:
        Backup();
        return true;
    case ID_RESTORE:
        Restore();
        return true;
    case ID_EXPORT:
        Export();
        return true;
    case ID_IMPORT:
        Import();
        return true;
    case ID_NEW_MAILBOX:
        NewMailbox();
        return true;
    case ID_LOCATE_MAILBOX:
        Locate();
        return true;
    default:
        return false;
    }
}

int DialogCommands::Exec(QDialog& dialog) {
    // Every dialog's Help button opens the manual.
    for (QPushButton* button : dialog.findChildren<QPushButton*>()) {
        if (button->text() == QStringLiteral("Help"))
            QObject::connect(button, &QPushButton::clicked, &m_frame,
                             [this] { m_frame.ShowHelp(); });
    }
    return execDialog(dialog);
}

void DialogCommands::Compact() {
    CompactDialog dialog([this] { m_doc.Compact().RunCompact(); }, &m_frame);
    // Before it starts, the dialog says what compacting will remove for good.
    dialog.SetStatus(
        QString::fromStdString(CCompactCommand::DeletedNotice(m_doc.Compact().CountDeleted())));
    // The document reports its progress in the status bar; the dialog's status line follows it.
    QObject::connect(m_frame.statusBar(), &QStatusBar::messageChanged, &dialog,
                     &CompactDialog::SetStatus);
    Exec(dialog);
}

void DialogCommands::Backup() {
    BackupDialog dialog(
        m_doc.Mailboxes(),
        [this](CMails* folder, const std::string& file) {
            return m_doc.BackupRestore().Backup(folder, file);
        },
        &m_frame);
    Exec(dialog);
}

void DialogCommands::Restore() {
    RestoreDialog dialog(
        m_doc.Mailboxes(),
        [this](const std::string& file, CMails* root) {
            return m_doc.BackupRestore().Restore(file, root);
        },
        &m_frame);
    Exec(dialog);
}

void DialogCommands::Export() {
    CMails* folder = m_frame.CurrentSelection().folder;
    if (folder == nullptr) {
        m_doc.GetPort().Message(kTextSelectFolderToExport);
        return;
    }
    TransferReport last;
    ExportDialog dialog(
        folder->m_strName,
        [&](const std::string& dest, const ExportOptions& options) {
            return last = m_doc.Export().Export(folder, dest, options);
        },
        &m_frame);
    RunTransfer(dialog, last);
}

void DialogCommands::Import() {
    CMails* folder = m_frame.CurrentSelection().folder;
    if (folder == nullptr) {
        m_doc.GetPort().Message(kTextSelectFolderToImport);
        return;
    }
    TransferReport last;
    ImportDialog dialog(
        folder->m_strName,
        [&](const std::string& source, const ImportOptions& options) {
            return last = m_doc.Import().Import(source, folder, options);
        },
        &m_frame);
    RunTransfer(dialog, last);
}

void DialogCommands::RunTransfer(TransferDialog& dialog, const TransferReport& last) {
    m_frame.beginProgress = [&dialog](const std::string&) { return dialog.Progress().Begin(); };
    Exec(dialog);
    m_frame.beginProgress = nullptr;
    if (last.summary.empty())
        return;
    // The summary, then the first messages skipped (all of them are counted in the summary).
    constexpr std::size_t kShown = 20;
    std::string text = last.summary;
    for (std::size_t i = 0; i < last.problems.size() && i < kShown; ++i)
        text += "\n" + last.problems[i];
    if (last.problems.size() > kShown)
        text += "\n...";
    m_doc.GetPort().Message(text, Buttons::Ok,
                            last.skipped > 0 ? Icon::Warning : Icon::Information);
}

void DialogCommands::NewMailbox() {
    NewMailboxLookups lookups;
    lookups.nameInUse = [this](const std::string& name) {
        return m_doc.FindMailboxByName(name) != nullptr;
    };
    lookups.directoryInUse = [this](const std::string& dir) {
        return m_doc.FindMailboxByStoreRoot(dir) != nullptr;
    };
    NewMailboxDialog dialog(m_doc.GetPort(), std::move(lookups), &m_frame);
    if (Exec(dialog) == QDialog::Accepted)
        m_doc.MailboxCommands().NewMailbox(dialog.Name(), dialog.Directory());
}

void DialogCommands::Locate() {
    if (m_registry == nullptr) {
        m_doc.MailboxCommands().LocateAccepted();
        return;
    }
    LocateDialog dialog(m_doc.GetPort(), *m_registry, &m_frame);
    dialog.runAssign = [this](AssignDialog& assign) { return Exec(assign); };
    // Opening on a registry that cannot be read would let OK write an empty list over it.
    if (!dialog.FillLists()) {
        std::string text = "Cannot read the mailbox list";
        if (!dialog.Model().Error().empty())
            text += ": " + dialog.Model().Error();
        m_doc.GetPort().Message(text, Buttons::Ok, Icon::Stop);
        return;
    }
    if (Exec(dialog) == QDialog::Accepted) {
        // The stores are read anew; the tree opens as it was, on the same folder.
        const CQuillboxView::TreeState state = m_frame.TreeView()->SaveState();
        m_doc.MailboxCommands().LocateAccepted();
        m_frame.TreeView()->RestoreState(state);
    }
}

} // namespace qb
