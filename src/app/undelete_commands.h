// Messages marked deleted but not yet compacted away: View > Show Deleted Messages, which lists
// them with the live ones, and Edit > Undelete, which takes the mark off the selected ones.
#pragma once

#include "app/command.h"
#include "app/store_lock.h"
#include "model/mails.h"

#include <cstddef>
#include <string>
#include <vector>

namespace qb {

class CQuillboxDoc;

inline constexpr char kTextCannotUndelete[] = "Cannot undelete message(s)";
// A row given to undelete names a message that is not marked deleted.
inline constexpr char kTextNotDeleted[] = "Message is not deleted";

class CUndeleteCommands {
  public:
    explicit CUndeleteCommands(CQuillboxDoc& doc) : m_doc(doc) {}

    // Whether the message list shows the messages marked deleted; off at first. Changing it
    // fills the list again.
    bool ShowsDeleted() const { return m_bShowDeleted; }
    void SetShowDeleted(bool show);
    // The folder's messages as the list shows them, re-read from the store: the live ones, and
    // the deleted ones too while they are shown. The status line counts the deleted ones shown;
    // once they are no longer shown, an earlier count is taken off it.
    MessageList& ListMessages(CMails& folder, int timeoutMs = kStoreLockWaitMs);
    // How many of the listed messages are marked deleted.
    static std::size_t CountDeleted(const MessageList& messages);
    // The status bar's text for a list showing that many: "3 deleted messages shown".
    static std::string ShownText(std::size_t deleted);

    // Enabled with the list active and a message marked deleted among the selected ones.
    bool CanUndelete(const Selection& selection) const;
    // Takes the mark off the selected messages that carry it; their rows stay and show them live.
    // kTextCannotUndelete (and nothing changed) when the store cannot.
    Outcome OnUndelete(const Selection& selection);

    // Undelete by rows of the folder's listing with the deleted messages (as the command line
    // names them). All or nothing: a row past the end (kTextMessageNotFound) or naming a live
    // message (kTextNotDeleted) is refused before anything is written.
    Outcome UndeleteRows(CMails& folder, const std::vector<std::size_t>& rows);

    // After messages were deleted or moved away from the listed folder: they are in the store
    // still, marked deleted, so a list that shows those is filled again to show them so.
    void MessagesRemoved();

  private:
    // Says on the status line how many of the listed messages are deleted while they are shown,
    // and clears the line it said that on when they are not.
    void ShowDeletedCount(const MessageList& listed);

    CQuillboxDoc& m_doc;
    bool m_bShowDeleted = false;
    bool m_bCountShown = false;
};

} // namespace qb
