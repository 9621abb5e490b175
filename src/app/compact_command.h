// The Compact command: every folder of every mailbox gives the space of its removed messages back.
#pragma once

#include "app/command.h"

namespace qb {

class CMails;
class CQuillboxDoc;

inline constexpr char kTextCannotCompact[] = "Cannot compact folders";

class CCompactCommand {
  public:
    explicit CCompactCommand(CQuillboxDoc& doc) : m_doc(doc) {}

    // Compacts every folder of the subtree except a root, depth first; false when any failed
    // (the others are compacted all the same).
    static bool CompactFolderTree(CMails* folder);
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
