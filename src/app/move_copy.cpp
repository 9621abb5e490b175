#include "app/move_copy.h"

#include "app/document.h"
#include "app/long_operation.h"
#include "model/mails.h"
#include "model/message.h"
#include "platform/paths.h"

#include <algorithm>

namespace qb {

namespace {

constexpr char kSubFoldersNotCopied[] = "Warning : Sub Folders not copied\n";
constexpr char kCannotMoveRoot[] = "Cannot move a root folder";

bool HasSubFolders(CMails* folder) {
    return !folder->GetSubFolders().empty();
}

// Whether `copy` holds at least every message that `source` holds now (and, with
// `withSubFolders`, likewise for each sub-folder, matched by name). A move removes its source only
// after this check: a store reports a copy as made even when the source's messages could not be
// read for it, and removing the source then would lose them.
bool CopyHoldsSource(CMails* source, CMails* copy, bool withSubFolders) {
    if (!source->LoadMessages() || !copy->LoadMessages() ||
        copy->m_pMessages.size() < source->m_pMessages.size())
        return false;
    if (!withSubFolders)
        return true;
    const std::vector<CMails*> copies = copy->GetSubFolders();
    for (CMails* sub : source->GetSubFolders()) {
        const auto match = std::find_if(copies.begin(), copies.end(), [&](CMails* candidate) {
            return EqualsNoCase(candidate->m_strName, sub->m_strName);
        });
        if (match == copies.end() || !CopyHoldsSource(sub, *match, true))
            return false;
    }
    return true;
}

} // namespace

DropEffect DragOverEffect(CMails* dragFolder, CMails* target, CMails* selected, bool ctrl,
                          bool shift) {
    if (target == nullptr)
        return DropEffect::None;
    CMails* source = dragFolder;
    if (dragFolder != nullptr) {
        if (target == dragFolder || target == dragFolder->GetParentFolder() ||
            dragFolder->Contains(target))
            return DropEffect::None;
    } else {
        if (selected == nullptr || target->IsRoot() || target == selected)
            return DropEffect::None;
        source = selected;
    }
    if (shift)
        return DropEffect::Move;
    if (target->GetRoot() != source->GetRoot())
        return DropEffect::Copy;
    return ctrl ? DropEffect::Copy : DropEffect::Move;
}

CMoveCopyCommands::CMoveCopyCommands(CQuillboxDoc& doc) : m_doc(doc), m_port(doc.GetPort()) {}

std::string FreeFolderName(const std::string& name, const std::vector<CMails*>& siblings) {
    std::string candidate = name;
    for (int counter = 1;; ++counter) {
        const bool taken = std::any_of(siblings.begin(), siblings.end(), [&](CMails* sibling) {
            return EqualsNoCase(sibling->m_strName, candidate);
        });
        if (!taken)
            return candidate;
        candidate = name + "(" + std::to_string(counter) + ")";
    }
}

CMails* CMoveCopyCommands::CopyFolderResolvingName(CMails* source, CMails* dest,
                                                   const char* question, NameAnswer& answer) {
    answer = NameAnswer::None;
    std::string freeName = source->m_strName;
    const std::vector<CMails*> subFolders = dest->GetSubFolders();
    if (!subFolders.empty()) {
        for (CMails* sub : subFolders) {
            if (EqualsNoCase(sub->m_strName, source->m_strName)) {
                switch (m_port.Message(question, Buttons::YesNoCancel)) {
                case Answer::Yes:
                    answer = NameAnswer::Yes;
                    break;
                case Answer::No:
                    answer = NameAnswer::No;
                    break;
                default:
                    answer = NameAnswer::Cancel;
                    break;
                }
                break;
            }
        }
        freeName = FreeFolderName(source->m_strName, subFolders);
    }
    if (answer == NameAnswer::Cancel)
        return nullptr;

    CMails* copy = nullptr;
    LongOperation operation(m_port, "Copying folder '" + source->m_strName + "'",
                            MessagesBelow(*source));
    if (answer == NameAnswer::No) {
        // The copy takes its name from the source, which bears the free name meanwhile.
        const std::string name = source->m_strName;
        source->m_strName = freeName;
        copy = dest->CopyFolder(*source);
        source->m_strName = name;
    } else {
        copy = dest->CopyFolder(*source);
    }
    if (copy == nullptr && operation.Stopped()) {
        // The copy was taken back whole; like a cancelled question, nothing else happens.
        answer = NameAnswer::Cancel;
        m_port.FillMessageList();
        m_port.Message(kTextStoppedNothingCopied);
        return nullptr;
    }
    if (copy == nullptr) {
        m_port.Message("Cannot create folder in destination folder");
        return nullptr;
    }
    // Yes merged the source into the folder of that name, which has its item already; the
    // sub-folders the merge added still need theirs.
    m_doc.ShowFolderTree(dest, copy);
    return copy;
}

Outcome CMoveCopyCommands::OnMoveTo(int id, const Selection& selection) {
    return MoveOrCopy(m_doc.MenuFolder(id), selection, true);
}

Outcome CMoveCopyCommands::OnCopyTo(int id, const Selection& selection) {
    return MoveOrCopy(m_doc.MenuFolder(id), selection, false);
}

Outcome CMoveCopyCommands::MoveTo(CMails* dest, const Selection& selection) {
    return MoveOrCopy(dest, selection, true);
}

Outcome CMoveCopyCommands::CopyTo(CMails* dest, const Selection& selection) {
    return MoveOrCopy(dest, selection, false);
}

Outcome CMoveCopyCommands::MoveOrCopy(CMails* dest, const Selection& selection, bool move) {
    if (selection.folder == nullptr || dest == nullptr)
        return Outcome::Cancelled;
    if (selection.pane == ActivePane::Tree)
        return MoveOrCopyFolder(selection.folder, dest, move);
    if (selection.pane == ActivePane::List)
        return MoveOrCopyMessages(selection.folder, dest, selection.messages, move);
    m_port.Message(move ? "Please select folder or message(s) to move"
                        : "Please select folder or message(s) to copy");
    m_doc.RebuildFolderMenus();
    return Outcome::Failed;
}

Outcome CMoveCopyCommands::MoveOrCopyFolder(CMails* source, CMails* dest, bool move) {
    if (move && source->IsRoot()) {
        m_port.Message(kCannotMoveRoot);
        return Outcome::Failed;
    }
    Outcome outcome = Outcome::Done;
    if (dest == source) {
        m_port.Message(move ? "Cannot move a folder to itself" : "Cannot copy a folder to itself");
        outcome = Outcome::Failed;
    } else if (source->Contains(dest)) {
        m_port.Message(move ? "Cannot move a folder to its subfolder"
                            : "Cannot copy a folder to its subfolder");
        outcome = Outcome::Failed;
    } else if (dest == source->GetParentFolder()) {
        m_port.Message(move ? "Cannot move a folder to its parent folder"
                            : "Cannot copy a folder to its parent folder");
        outcome = Outcome::Failed;
    } else if (m_doc.RefuseIfReadOnly({dest, move ? source : nullptr})) {
        outcome = Outcome::Failed;
    } else if (const StoreLocks locks = m_doc.LockForChange({dest, move ? source : nullptr});
               !locks) {
        outcome = Outcome::Failed;
    } else {
        NameAnswer answer = NameAnswer::None;
        CMails* copy = CopyFolderResolvingName(
            source, dest, move ? kSameNameMoveQuestion : kSameNameCopyQuestion, answer);
        if (answer == NameAnswer::Cancel) {
            outcome = Outcome::Cancelled;
        } else if (copy == nullptr) {
            // Copying may have re-read the source's messages, which the list shows.
            m_port.FillMessageList();
            return Outcome::Failed;
        } else if (move) {
            // A store whose folders do not nest took the messages only: the source stays so
            // that its sub-folders are not lost.
            if (!dest->HoldsSubFolders()) {
                if (HasSubFolders(source))
                    m_port.Message(kSubFoldersNotCopied);
            } else if (!CopyHoldsSource(source, copy, true)) {
                m_port.Message(kTextCannotRemoveFolder);
                outcome = Outcome::Failed;
            } else if (!m_doc.DeleteFolderAndItem(source, true)) {
                outcome = Outcome::Failed;
            }
            m_port.FillMessageList();
        } else {
            if (!dest->HoldsSubFolders() && HasSubFolders(source))
                m_port.Message(kSubFoldersNotCopied);
            m_port.FillMessageList();
        }
    }
    m_doc.RebuildFolderMenus();
    return outcome;
}

Outcome CMoveCopyCommands::MoveOrCopyMessages(CMails* source, CMails* dest,
                                              std::vector<CMessage*> messages, bool move) {
    Outcome outcome = Outcome::Done;
    if (dest->IsRoot()) {
        m_port.Message(move ? "Cannot move into a root folder" : "Cannot copy into a root folder");
        outcome = Outcome::Failed;
    } else if (dest != source && m_doc.RefuseIfReadOnly({dest, move ? source : nullptr})) {
        outcome = Outcome::Failed;
    } else if (const StoreLocks locks = m_doc.LockForChange({dest, move ? source : nullptr});
               !locks) {
        outcome = Outcome::Failed;
    } else if (dest != source && !m_doc.RelistIfChanged(*source, messages)) {
        outcome = Outcome::Failed;
    } else if (dest != source) {
        std::vector<bool> added;
        bool stopped = false;
        {
            LongOperation operation(m_port, move ? "Moving messages" : "Copying messages",
                                    messages.size());
            dest->AddMessages(messages, added);
            stopped = operation.Stopped();
        }
        std::vector<CMessage*> moved;
        std::uint64_t done = 0;
        for (std::size_t i = 0; i < messages.size(); ++i) {
            if (added[i])
                ++done;
            if (!added[i] && stopped) {
                // Not reached before the user stopped: it stays where it is.
            } else if (!added[i]) {
                // That message stays where it is; the others go on.
                m_port.Message(kTextCannotAddMessage);
                outcome = Outcome::Failed;
            } else if (move) {
                m_port.DeleteMessageRow(messages[i]);
                moved.push_back(messages[i]);
            }
        }
        // A message the source keeps is then in both folders: nothing is lost, but the move
        // did not happen as asked.
        if (!m_doc.RemoveMessagesShown(*source, moved))
            outcome = Outcome::Failed;
        if (stopped && done < messages.size()) {
            m_port.Message(StoppedMessagesText(done, messages.size(), move));
            outcome = Outcome::Cancelled;
        }
    }
    m_doc.RebuildFolderMenus();
    return outcome;
}

// ---- drag and drop ----

void CMoveCopyCommands::ForgetDrag() {
    m_pDragFolder = nullptr;
    m_pDropFolder = nullptr;
    m_pDropCopy = nullptr;
    m_bMessageDrag = false;
    m_droppedMessages.clear();
}

void CMoveCopyCommands::BeginFolderDrag(CMails* folder) {
    m_pDropCopy = nullptr;
    m_pDragFolder = folder;
    m_pDropFolder = nullptr;
    m_bDropCancelled = false;
    m_bMessageDrag = false;
    m_droppedMessages.clear();
}

void CMoveCopyCommands::BeginMessageDrag() {
    m_pDropCopy = nullptr;
    m_pDragFolder = nullptr;
    m_pDropFolder = nullptr;
    m_bDropCancelled = false;
    m_bMessageDrag = true;
    m_droppedMessages.clear();
}

DropEffect CMoveCopyCommands::DragOver(CMails* target, const Selection& selection, bool ctrl,
                                       bool shift) {
    m_pDropFolder = target;
    if (m_pDragFolder == nullptr && !m_bMessageDrag)
        return DropEffect::None;
    return DragOverEffect(m_pDragFolder, target, selection.folder, ctrl, shift);
}

bool CMoveCopyCommands::Drop(DropEffect effect, const Selection& selection) {
    CMails* target = m_pDropFolder;
    if (target == nullptr || effect == DropEffect::None ||
        (m_pDragFolder == nullptr && !m_bMessageDrag))
        return false;
    // The drag-over rule already refused these targets; a drop that arrives anyway is refused.
    if (DragOverEffect(m_pDragFolder, target, selection.folder, false, false) == DropEffect::None)
        return false;
    // A read-only store takes no drop, and gives nothing up to a move.
    CMails* source = m_pDragFolder != nullptr ? m_pDragFolder : selection.folder;
    if (m_doc.RefuseIfReadOnly({target, effect == DropEffect::Move ? source : nullptr}))
        return false;
    const StoreLocks locks = m_doc.LockForChange({target});
    if (!locks)
        return false;
    WaitCursor wait(m_port);
    if (CMails* folder = m_pDragFolder) {
        if (effect == DropEffect::Move && folder->IsRoot()) {
            m_port.Message(kCannotMoveRoot);
            return false;
        }
        NameAnswer answer = NameAnswer::None;
        CMails* copy = CopyFolderResolvingName(folder, target, kSameNameCopyQuestion, answer);
        m_pDropCopy = copy;
        if (answer == NameAnswer::Cancel) {
            m_bDropCancelled = true;
        } else if (copy == nullptr) {
            m_port.FillMessageList();
            return false;
        } else {
            m_port.FillMessageList();
            if (!target->HoldsSubFolders() && HasSubFolders(folder))
                m_port.Message(kSubFoldersNotCopied);
        }
    } else {
        m_droppedMessages.clear();
        std::vector<bool> added;
        bool stopped = false;
        {
            LongOperation operation(m_port, "Copying messages", selection.messages.size());
            target->AddMessages(selection.messages, added);
            stopped = operation.Stopped();
        }
        for (std::size_t i = 0; i < selection.messages.size(); ++i) {
            if (added[i])
                m_droppedMessages.push_back(selection.messages[i]);
            else if (!stopped)
                m_port.Message("Cannot add message to target folder");
        }
        if (stopped && m_droppedMessages.size() < selection.messages.size())
            m_port.Message(
                StoppedMessagesText(m_droppedMessages.size(), selection.messages.size(), false));
    }
    m_doc.RebuildFolderMenus();
    return true;
}

Outcome CMoveCopyCommands::EndDrag(DropEffect effect, const Selection& selection) {
    Outcome outcome = Outcome::Done;
    if (CMails* folder = m_pDragFolder) {
        if (effect == DropEffect::Move && !m_bDropCancelled) {
            // A copy into a store whose folders do not nest left the sub-folders out: keep the
            // source.
            const bool keep = m_pDropFolder != nullptr && !m_pDropFolder->HoldsSubFolders() &&
                              folder->HasChildren();
            // A source another process holds stays where it is, beside its copy.
            const StoreLocks locks = keep ? StoreLocks() : m_doc.LockForChange({folder});
            if (!locks) {
                outcome = Outcome::Failed;
            } else if (!keep) {
                if (m_pDropCopy == nullptr ||
                    !CopyHoldsSource(folder, m_pDropCopy, m_pDropFolder->HoldsSubFolders())) {
                    // The source stays where it is, in the tree as well.
                    m_port.Message(kTextCannotRemoveFolder);
                    m_port.FillMessageList();
                    outcome = Outcome::Failed;
                } else if (!m_doc.DeleteFolderAndItem(folder, false)) {
                    outcome = Outcome::Failed;
                }
            }
            m_doc.RebuildFolderMenus();
        }
    } else if (m_bMessageDrag && effect == DropEffect::Move && selection.folder != nullptr) {
        // Only messages the drop really added, and that are still the selected folder's rows.
        const StoreLocks locks = m_doc.LockForChange({selection.folder});
        std::vector<CMessage*> moved;
        for (CMessage* message : m_droppedMessages) {
            if (std::find(selection.messages.begin(), selection.messages.end(), message) ==
                selection.messages.end())
                continue;
            if (!locks)
                break;
            m_port.DeleteMessageRow(message);
            moved.push_back(message);
        }
        if (!locks)
            outcome = Outcome::Failed;
        if (!m_doc.RemoveMessagesShown(*selection.folder, moved))
            outcome = Outcome::Failed;
    }
    m_pDragFolder = nullptr;
    m_pDropCopy = nullptr;
    m_bMessageDrag = false;
    m_droppedMessages.clear();
    return outcome;
}

} // namespace qb
