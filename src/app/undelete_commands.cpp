#include "app/undelete_commands.h"

#include "app/document.h"
#include "app/store_address.h"
#include "model/message.h"

#include <algorithm>

namespace qb {

void CUndeleteCommands::SetShowDeleted(bool show) {
    if (show == m_bShowDeleted)
        return;
    m_bShowDeleted = show;
    m_doc.GetPort().FillMessageList();
}

MessageList& CUndeleteCommands::ListMessages(CMails& folder, int timeoutMs) {
    MessageList& listed = qb::ListMessages(folder, timeoutMs, m_bShowDeleted);
    ShowDeletedCount(listed);
    return listed;
}

void CUndeleteCommands::ShowDeletedCount(const MessageList& listed) {
    if (m_bShowDeleted) {
        m_doc.GetPort().Progress(ShownText(CountDeleted(listed)));
        m_bCountShown = true;
    } else if (m_bCountShown) {
        m_doc.GetPort().Progress("");
        m_bCountShown = false;
    }
}

std::size_t CUndeleteCommands::CountDeleted(const MessageList& messages) {
    return static_cast<std::size_t>(
        std::count_if(messages.begin(), messages.end(),
                      [](const std::unique_ptr<CMessage>& m) { return m->m_bDeleted; }));
}

std::string CUndeleteCommands::ShownText(std::size_t deleted) {
    return std::to_string(deleted) +
           (deleted == 1 ? " deleted message shown" : " deleted messages shown");
}

bool CUndeleteCommands::CanUndelete(const Selection& selection) const {
    return selection.pane == ActivePane::List && selection.folder != nullptr &&
           std::any_of(selection.messages.begin(), selection.messages.end(),
                       [](const CMessage* m) { return m != nullptr && m->m_bDeleted; });
}

Outcome CUndeleteCommands::OnUndelete(const Selection& selection) {
    if (!CanUndelete(selection))
        return Outcome::Cancelled;
    if (m_doc.RefuseIfReadOnly({selection.folder}))
        return Outcome::Failed;
    const StoreLocks locks = m_doc.LockForChange({selection.folder});
    if (!locks)
        return Outcome::Failed;
    Port& port = m_doc.GetPort();
    WaitCursor wait(port);
    std::vector<CMessage*> marked;
    for (CMessage* message : selection.messages) {
        if (message != nullptr && message->m_bDeleted)
            marked.push_back(message);
    }
    Outcome outcome = Outcome::Done;
    if (!selection.folder->UndeleteMessages(marked)) {
        port.Message(kTextCannotUndelete);
        outcome = Outcome::Failed;
    }
    port.MessageRowsChanged();
    ShowDeletedCount(selection.folder->m_pMessages);
    return outcome;
}

Outcome CUndeleteCommands::UndeleteRows(CMails& folder, const std::vector<std::size_t>& rows) {
    if (m_doc.RefuseIfReadOnly({&folder}))
        return Outcome::Failed;
    // Held from the listing the rows refer to until the marks are off.
    const StoreLocks locks = m_doc.LockForChange({&folder});
    if (!locks)
        return Outcome::Failed;
    Selection selection{&folder, ActivePane::List, {}};
    const char* refusal = nullptr;
    if (!SelectRows(folder.GetMessagesWithDeleted(), rows, selection.messages))
        refusal = kTextMessageNotFound;
    else if (!std::all_of(selection.messages.begin(), selection.messages.end(),
                          [](const CMessage* m) { return m->m_bDeleted; }))
        refusal = kTextNotDeleted;
    if (refusal != nullptr) {
        m_doc.GetPort().Message(refusal);
        return Outcome::Failed;
    }
    return OnUndelete(selection);
}

void CUndeleteCommands::MessagesRemoved() {
    if (m_bShowDeleted)
        m_doc.GetPort().FillMessageList();
}

} // namespace qb
