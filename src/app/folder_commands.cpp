// New Folder, Rename Folder and Delete.
#include "app/document.h"

#include "model/mails.h"
#include "model/message.h"

namespace qb {

std::string CheckFolderName(const std::string& name) {
    return name.empty() ? "Please input a folder name" : "";
}

Outcome CQuillboxDoc::OnNewFolder(const Selection& selection) {
    // Without a selected folder there is nowhere to create one, so the dialog is not shown.
    if (selection.folder == nullptr)
        return Outcome::Cancelled;
    const std::optional<std::string> name = m_port.AskFolderName();
    if (!name)
        return Outcome::Cancelled;
    if (const std::string refusal = CheckFolderName(*name); !refusal.empty()) {
        m_port.Message(refusal);
        return Outcome::Failed;
    }
    Outcome outcome = Outcome::Done;
    if (CMails* created = selection.folder->CreateFolder(*name)) {
        InsertFolderTree(selection.folder, created);
        m_port.SelectFolderItem(created, false);
    } else {
        m_port.Message("Cannot create new folder");
        outcome = Outcome::Failed;
    }
    RebuildFolderMenus();
    return outcome;
}

Outcome CQuillboxDoc::OnRenameFolder(const Selection& selection) {
    if (selection.pane != ActivePane::Tree || selection.folder == nullptr) {
        m_port.Message("Please select a folder to rename");
        return Outcome::Failed;
    }
    if (selection.folder->IsRoot()) {
        m_port.Message("Cannot rename root folder");
        return Outcome::Failed;
    }
    const std::optional<std::string> name = m_port.AskFolderName();
    if (!name)
        return Outcome::Cancelled;
    Outcome outcome = Outcome::Done;
    if (!name->empty() && selection.folder->Rename(*name, false)) {
        m_port.SetFolderItemText(selection.folder, *name);
    } else {
        m_port.Message("Cannot rename folder");
        outcome = Outcome::Failed;
    }
    RebuildFolderMenus();
    return outcome;
}

Outcome CQuillboxDoc::BeginLabelEdit(const Selection& selection) {
    if (selection.folder == nullptr) {
        m_port.Message("Please select a folder to rename");
        return Outcome::Failed;
    }
    if (selection.folder->IsRoot()) {
        m_port.Message("Cannot rename root folder");
        return Outcome::Failed;
    }
    return Outcome::Done;
}

Outcome CQuillboxDoc::EndLabelEdit(const Selection& selection, const std::string& text) {
    if (text.empty())
        return Outcome::Cancelled; // the edit was abandoned
    if (selection.folder == nullptr) {
        m_port.Message("Please select a folder to rename");
        return Outcome::Failed;
    }
    if (selection.folder->IsRoot() || !selection.folder->Rename(text, false)) {
        m_port.Message(selection.folder->IsRoot() ? "Cannot rename root folder"
                                                  : "Cannot rename folder");
        return Outcome::Failed;
    }
    m_port.SetFolderItemText(selection.folder, text);
    RebuildFolderMenus();
    return Outcome::Done;
}

bool CQuillboxDoc::DeleteFolderAndItem(CMails* folder, bool keepItemOnFailure) {
    // The items of the sub-folders go first, while their folders still exist: deleting a folder
    // destroys the sub-folder nodes it deleted even when it fails part way.
    for (CMails* child : folder->Children())
        m_port.DeleteFolderItem(child);
    CMails* parent = folder->GetParentFolder();
    if (const std::unique_ptr<CMails> gone = parent ? parent->DeleteSubFolder(folder) : nullptr) {
        m_port.DeleteFolderItem(gone.get());
        return true;
    }
    m_port.Message("Cannot remove folder");
    if (keepItemOnFailure) {
        for (CMails* child : folder->Children())
            InsertFolderTree(folder, child);
    } else {
        m_port.DeleteFolderItem(folder);
    }
    return false;
}

Outcome CQuillboxDoc::OnDelete(const Selection& selection) {
    if (selection.folder == nullptr)
        return Outcome::Cancelled;
    Outcome outcome = Outcome::Done;
    if (selection.pane == ActivePane::Tree) {
        CMails* folder = selection.folder;
        if (folder->IsRoot()) {
            m_port.Message("Cannot delete a root folder");
            return Outcome::Failed;
        }
        if (m_port.Message("Delete Folder \"" + folder->m_strName + "\"?", Buttons::OkCancel) ==
            Answer::Ok) {
            // A folder that could not be removed leaves the tree all the same; the next reload
            // shows what is left of it.
            if (!DeleteFolderAndItem(folder, false))
                outcome = Outcome::Failed;
        } else {
            outcome = Outcome::Cancelled;
        }
    } else if (selection.pane == ActivePane::List) {
        if (m_port.Message("Delete Selected Message(s)?", Buttons::OkCancel) == Answer::Ok) {
            for (CMessage* message : selection.messages)
                m_port.DeleteMessageRow(message);
            selection.folder->RemoveMessages(selection.messages);
        } else {
            outcome = Outcome::Cancelled;
        }
    } else {
        outcome = Outcome::Cancelled;
    }
    RebuildFolderMenus();
    return outcome;
}

} // namespace qb
