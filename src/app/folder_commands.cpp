#include "app/folder_commands.h"

#include "app/document.h"
#include "app/message_file.h"
#include "model/mails.h"
#include "model/message.h"
#include "platform/file_system.h"

#include <cstdio>

namespace qb {

std::string CheckFolderName(const std::string& name) {
    return name.empty() ? "Please input a folder name" : "";
}

namespace {

std::string RenameReason(CMails& folder, const std::string& name) {
    const CMails* parent = folder.GetParentFolder();
    return parent != nullptr ? FolderNameReason(*parent, name) : std::string();
}

} // namespace

std::string FolderNameReason(const CMails& parent, const std::string& name) {
    if (name.empty() || parent.CanHoldFolderName(name))
        return {};
    if (name == "." || name == "..")
        return "A folder may not be named \"" + name + "\"";
    // Each ASCII character alone between two letters: the first the store refuses is the one
    // named (bytes of longer UTF-8 sequences are not tried apart).
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x80 || parent.CanHoldFolderName(std::string("a") + c + "a"))
            continue;
        if (byte < 0x20 || byte == 0x7F) {
            char code[8];
            std::snprintf(code, sizeof code, "U+%04X", byte);
            return std::string("A folder name may not contain the control character ") + code;
        }
        return std::string("A folder name may not contain \"") + c + "\"";
    }
    if (!parent.CanHoldFolderName(std::string(name.size(), 'a')))
        return "The name is too long for a file name (" + std::to_string(name.size()) + " bytes)";
    return "The store keeps names like this one for its own files";
}

bool CFolderCommands::CanNewFolder() const {
    return !m_doc.Mailboxes().empty();
}

bool CFolderCommands::CanRenameFolder(const Selection& selection) const {
    return selection.pane == ActivePane::Tree && selection.folder != nullptr &&
           !selection.folder->IsRoot();
}

bool CFolderCommands::CanDelete(const Selection& selection) const {
    if (selection.pane == ActivePane::Tree)
        return selection.folder != nullptr && !selection.folder->IsRoot();
    if (selection.pane == ActivePane::List)
        return !selection.messages.empty();
    return false;
}

Outcome CFolderCommands::OnNewFolder(const Selection& selection) {
    Port& port = m_doc.GetPort();
    // Without a selected folder there is nowhere to create one, so the dialog is not shown.
    if (selection.folder == nullptr)
        return Outcome::Cancelled;
    if (m_doc.RefuseIfReadOnly({selection.folder}))
        return Outcome::Failed;
    const std::optional<std::string> name = port.AskFolderName();
    if (!name)
        return Outcome::Cancelled;
    if (const std::string refusal = CheckFolderName(*name); !refusal.empty()) {
        port.Message(refusal);
        return Outcome::Failed;
    }
    const StoreLocks locks = m_doc.LockForChange({selection.folder});
    if (!locks)
        return Outcome::Failed;
    Outcome outcome = Outcome::Done;
    fs::ClearLastError();
    if (CMails* created = selection.folder->CreateFolder(*name)) {
        m_doc.InsertFolderTree(selection.folder, created);
        port.SelectFolderItem(created, false);
    } else {
        // The store's rule for names, else what the system said.
        const std::string reason = FolderNameReason(*selection.folder, *name);
        port.Message("Cannot create new folder", Buttons::Ok, Icon::None,
                     reason.empty() ? fs::LastErrorText() : reason);
        outcome = Outcome::Failed;
    }
    m_doc.RebuildFolderMenus();
    return outcome;
}

Outcome CFolderCommands::OnRenameFolder(const Selection& selection) {
    Port& port = m_doc.GetPort();
    if (selection.pane != ActivePane::Tree || selection.folder == nullptr) {
        port.Message(kTextSelectFolderToRename);
        return Outcome::Failed;
    }
    if (selection.folder->IsRoot()) {
        port.Message(kTextCannotRenameRoot);
        return Outcome::Failed;
    }
    if (m_doc.RefuseIfReadOnly({selection.folder}))
        return Outcome::Failed;
    const std::optional<std::string> name = port.AskFolderName();
    if (!name)
        return Outcome::Cancelled;
    const StoreLocks locks = m_doc.LockForChange({selection.folder});
    if (!locks)
        return Outcome::Failed;
    Outcome outcome = Outcome::Done;
    if (!name->empty() && selection.folder->Rename(*name, false)) {
        port.SetFolderItemText(selection.folder, *name);
    } else {
        port.Message(kTextCannotRenameFolder, Buttons::Ok, Icon::None,
                     RenameReason(*selection.folder, *name));
        outcome = Outcome::Failed;
    }
    m_doc.RebuildFolderMenus();
    return outcome;
}

Outcome CFolderCommands::BeginLabelEdit(const Selection& selection) {
    Port& port = m_doc.GetPort();
    if (selection.folder == nullptr) {
        port.Message(kTextSelectFolderToRename);
        return Outcome::Failed;
    }
    if (selection.folder->IsRoot()) {
        port.Message(kTextCannotRenameRoot);
        return Outcome::Failed;
    }
    if (m_doc.RefuseIfReadOnly({selection.folder}))
        return Outcome::Failed;
    return Outcome::Done;
}

Outcome CFolderCommands::EndLabelEdit(const Selection& selection, const std::string& text) {
    Port& port = m_doc.GetPort();
    if (text.empty())
        return Outcome::Cancelled; // the edit was abandoned
    if (selection.folder == nullptr) {
        port.Message(kTextSelectFolderToRename);
        return Outcome::Failed;
    }
    if (!selection.folder->IsRoot() && m_doc.RefuseIfReadOnly({selection.folder}))
        return Outcome::Failed;
    const StoreLocks locks = m_doc.LockForChange({selection.folder});
    if (!locks)
        return Outcome::Failed;
    if (selection.folder->IsRoot() || !selection.folder->Rename(text, false)) {
        if (selection.folder->IsRoot())
            port.Message(kTextCannotRenameRoot);
        else
            port.Message(kTextCannotRenameFolder, Buttons::Ok, Icon::None,
                         RenameReason(*selection.folder, text));
        return Outcome::Failed;
    }
    port.SetFolderItemText(selection.folder, text);
    m_doc.RebuildFolderMenus();
    return Outcome::Done;
}

Outcome CFolderCommands::OnDelete(const Selection& selection) {
    Port& port = m_doc.GetPort();
    if (selection.folder == nullptr)
        return Outcome::Cancelled;
    Outcome outcome = Outcome::Done;
    if (selection.pane == ActivePane::Tree) {
        CMails* folder = selection.folder;
        if (folder->IsRoot()) {
            port.Message("Cannot delete a root folder");
            return Outcome::Failed;
        }
        if (m_doc.RefuseIfReadOnly({folder}))
            return Outcome::Failed;
        if (port.Message("Delete Folder \"" + folder->m_strName + "\"?", Buttons::OkCancel) ==
            Answer::Ok) {
            const StoreLocks locks = m_doc.LockForChange({folder});
            if (!locks)
                return Outcome::Failed;
            // A folder that could not be removed leaves the tree all the same; the next reload
            // shows what is left of it.
            if (!m_doc.DeleteFolderAndItem(folder, false))
                outcome = Outcome::Failed;
        } else {
            outcome = Outcome::Cancelled;
        }
    } else if (selection.pane == ActivePane::List) {
        if (m_doc.RefuseIfReadOnly({selection.folder}))
            return Outcome::Failed;
        if (port.Message("Delete Selected Message(s)?", Buttons::OkCancel) == Answer::Ok) {
            const StoreLocks locks = m_doc.LockForChange({selection.folder});
            if (!locks)
                return Outcome::Failed;
            std::vector<CMessage*> messages = selection.messages;
            if (!m_doc.RelistIfChanged(*selection.folder, messages))
                return Outcome::Failed;
            for (CMessage* message : messages)
                port.DeleteMessageRow(message);
            if (!m_doc.RemoveMessagesShown(*selection.folder, messages))
                outcome = Outcome::Failed;
        } else {
            outcome = Outcome::Cancelled;
        }
    } else {
        outcome = Outcome::Cancelled;
    }
    m_doc.RebuildFolderMenus();
    return outcome;
}

Outcome CFolderCommands::AddMessageFiles(CMails* folder, const std::vector<std::string>& files) {
    Port& port = m_doc.GetPort();
    if (folder == nullptr)
        return Outcome::Cancelled;
    if (m_doc.RefuseIfReadOnly({folder}))
        return Outcome::Failed;
    for (const std::string& file : files) {
        if (!CanReadMessageFile(file)) {
            port.Message(std::string(kTextCannotReadMessageFile) + ": " + file);
            return Outcome::Failed;
        }
    }
    // A root stands for the store directory, which holds no messages of its own.
    if (folder->IsRoot()) {
        port.Message(kTextCannotAddMessage);
        return Outcome::Failed;
    }
    const StoreLocks locks = m_doc.LockForChange({folder});
    if (!locks)
        return Outcome::Failed;
    Outcome outcome = Outcome::Done;
    CMails holder("", "", CMails::kPlain);
    for (const std::string& file : files) {
        std::string error;
        std::unique_ptr<CMessage> message = ReadMessageFile(file, holder, error);
        if (message == nullptr) {
            port.Message(error + ": " + file);
            outcome = Outcome::Failed;
        } else if (!folder->AddMessage(*message)) {
            port.Message(kTextCannotAddMessage);
            outcome = Outcome::Failed;
        }
    }
    port.FillMessageList();
    return outcome;
}

} // namespace qb
