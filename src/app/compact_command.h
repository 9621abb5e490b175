// The Compact command: every folder of every mailbox gives the space of its removed messages back.
#pragma once

#include "app/command.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace qb {

class CMails;
class CQuillboxDoc;

inline constexpr char kTextCannotCompact[] = "Cannot compact folders";

// The messages a compaction removes for good: those marked deleted, and in how many mailboxes.
struct DeletedTally {
    std::uint64_t messages = 0;
    std::size_t mailboxes = 0;
};

class CCompactCommand {
  public:
    explicit CCompactCommand(CQuillboxDoc& doc) : m_doc(doc) {}

    // The messages marked deleted in the subtree (a folder that cannot be read counts none). The
    // listed records stay as they are.
    static std::uint64_t CountDeletedInTree(CMails* folder);
    // Over every mailbox that compacting changes (not the read-only ones), for the Compact dialog
    // to say before it starts.
    DeletedTally CountDeleted() const;
    // The dialog's sentence for the tally: "12 deleted messages in 3 mailboxes will be removed for
    // good.", or that there are none.
    static std::string DeletedNotice(const DeletedTally& tally);

    // Compacts every folder of the subtree except a root, depth first; false when any failed
    // (the others are compacted all the same). The path of each folder that failed ("Mailbox/
    // Inbox/Sub") is appended to `failed` when given.
    static bool CompactFolderTree(CMails* folder, std::vector<std::string>* failed = nullptr);
    // The Compact dialog's button: every mailbox in order, with status texts. A read-only
    // mailbox is passed over (its status line says so).
    Outcome RunCompact();
    // Compacts one folder's subtree (a store's root: the whole store); refused for a read-only
    // mailbox, kTextCannotCompact when any folder failed.
    Outcome CompactFolder(CMails* folder);

  private:
    CQuillboxDoc& m_doc;
};

} // namespace qb
