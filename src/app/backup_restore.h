// Backup of one folder tree into an archive file, and restore of such a file into a mailbox.
#pragma once

#include "app/command.h"

#include <string>

namespace qb {

class CMails;
class CQuillboxDoc;

class CBackupRestoreCommands {
  public:
    explicit CBackupRestoreCommands(CQuillboxDoc& doc) : m_doc(doc) {}

    // The Backup dialog's button: `folder` (the dialog tree's caret folder, null for none) with
    // its messages and sub-folders into `file`. The archive replaces an earlier `file` only once
    // it is complete; a file of a registered store is never written over.
    DialogResult Backup(CMails* folder, const std::string& file);
    // The Restore dialog's OK: the archive `file` into the root folder `root` of the selected
    // mailbox (null when no row is selected). The whole archive is read, and its folder names
    // checked against the store, before anything is copied.
    DialogResult Restore(const std::string& file, CMails* root);

  private:
    CQuillboxDoc& m_doc;
};

} // namespace qb
