// Import of a mailbox in a standard format (an mbox file, a Maildir, a directory of .eml files)
// into a folder of a store.
#pragma once

#include "app/command.h"

#include <string>

namespace qb {

class CMails;
class CQuillboxDoc;

inline constexpr char kTextSelectFolderToImport[] = "Please select a folder to import into";
inline constexpr char kTextInputSource[] = "Please input a mailbox to import";
inline constexpr char kTextCannotImportIntoRoot[] = "Cannot import into a root folder";
inline constexpr char kTextCannotImportIntoItself[] = "Cannot import a folder into itself";

struct ImportOptions {
    // mbox: lines matching ">+From " lose one ">" (right for mboxrd files only).
    bool unquoteMboxrd = false;
};

class CImportCommand {
  public:
    explicit CImportCommand(CQuillboxDoc& doc) : m_doc(doc) {}

    // Appends the messages of `source` to `folder` (null when none is selected), in order, one
    // message in memory at a time (the appends go in small batches), through the folder's
    // AddMessage as `add` does. An mbox file goes into `folder`; the sub-folders of a Maildir
    // (Maildir++) or of a directory of .eml files become sub-folders of `folder` (merged into
    // one of the same name) where the store can hold them. A message that cannot be read, or
    // whose folder cannot be made, is skipped and reported with where it lies; the rest is
    // imported. Cancel stops after the messages read so far are appended.
    TransferReport Import(const std::string& source, CMails* folder, const ImportOptions& options);

  private:
    CQuillboxDoc& m_doc;
};

} // namespace qb
