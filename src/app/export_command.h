// Export of a folder, with its sub-folders when asked, into a standard mailbox format that every
// current mail program reads: mboxrd files, a Maildir++ tree or one .eml file per message.
#pragma once

#include "app/command.h"

#include <optional>
#include <string>
#include <string_view>

namespace qb {

class CMails;
class CQuillboxDoc;

inline constexpr char kTextSelectFolderToExport[] = "Please select a folder to export";
inline constexpr char kTextInputDestination[] = "Please input a destination directory";
inline constexpr char kTextRootNeedsSubFolders[] =
    "A store's root holds no messages: export it with its sub-folders";
inline constexpr char kTextExportIntoStore[] = "Cannot export into the directory of a mail store";

enum class ExportFormat { Mboxrd, Maildir, Eml };

// "mboxrd", "maildir", "eml"; nothing for any other text.
std::optional<ExportFormat> ParseExportFormat(std::string_view name);
const char* ExportFormatName(ExportFormat format);

struct ExportOptions {
    ExportFormat format = ExportFormat::Mboxrd;
    bool subFolders = false;     // the folder's sub-folders too, at any depth
    bool includeDeleted = false; // messages marked deleted and not yet compacted away
};

class CExportCommand {
  public:
    explicit CExportCommand(CQuillboxDoc& doc) : m_doc(doc) {}

    // Writes `folder` (null when none is selected) below the directory `dest` (made when missing;
    // its parent must exist). mboxrd: the folder becomes DEST/NAME.mbox, its sub-folders go in
    // DEST/NAME/. Maildir: the folder is the Maildir's top (DEST/{cur,new,tmp}), its sub-folder
    // A/B is DEST/.A.B/. eml: DEST/NAME/A/B/NNNNN-SUBJECT.eml. A store's root stands for its
    // folders: they go where a folder's sub-folders would.
    //
    // Each folder's messages are read from the store in one pass, one message in memory at a
    // time, with progress and Cancel through the port. The stores are never changed; no existing
    // file is replaced; every output file gets its name only once complete, so a failure or
    // Cancel leaves no incomplete file (the folders completed before stay). At the end everything
    // written is read back and counted: a difference is a failure.
    TransferReport Export(CMails* folder, const std::string& dest, const ExportOptions& options);

  private:
    CQuillboxDoc& m_doc;
};

} // namespace qb
