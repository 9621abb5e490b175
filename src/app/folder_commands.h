// New Folder, Rename Folder (by dialog or by editing the tree's label), Delete and adding message
// files, with the rules that enable them. Each refuses a folder of a read-only mailbox before it
// asks anything (CQuillboxDoc::RefuseIfReadOnly).
#pragma once

#include "app/command.h"

#include <string>
#include <vector>

namespace qb {

class CMails;
class CQuillboxDoc;

inline constexpr char kTextSelectFolderToRename[] = "Please select a folder to rename";
inline constexpr char kTextCannotRenameRoot[] = "Cannot rename root folder";
inline constexpr char kTextCannotRenameFolder[] = "Cannot rename folder";

// The text the folder-name dialog shows for `name`, or "" when the name is accepted (any
// non-empty text, spaces alone included).
std::string CheckFolderName(const std::string& name);
// Why `parent`'s store cannot hold a folder named `name`, "" when it can: the first character its
// names may not contain, a name taken for a directory entry of its own ("." and ".."), a name too
// long for a file name, or a part the store keeps for its own files.
std::string FolderNameReason(const CMails& parent, const std::string& name);

class CFolderCommands {
  public:
    explicit CFolderCommands(CQuillboxDoc& doc) : m_doc(doc) {}

    // ---- update rules ----
    bool CanNewFolder() const;
    bool CanRenameFolder(const Selection& selection) const;
    bool CanDelete(const Selection& selection) const;

    Outcome OnNewFolder(const Selection& selection);
    Outcome OnRenameFolder(const Selection& selection);
    // Deletes the selected folder (tree) or messages (list) after asking.
    Outcome OnDelete(const Selection& selection);
    // The in-place rename of the tree: the refusals before the edit begins (Done when it may
    // begin), then the rename with the typed text.
    Outcome BeginLabelEdit(const Selection& selection);
    Outcome EndLabelEdit(const Selection& selection, const std::string& text);
    // Adds each file (one message in Internet format, see ReadMessageFile) to `folder`, one
    // message in memory at a time. Every file is checked to be readable before the first is
    // added, so a mistyped name changes nothing; a root holds no messages of its own
    // (kTextCannotAddMessage). A file that turns out unreadable, or a message the folder
    // refuses, is reported and the others go on (Failed at the end).
    Outcome AddMessageFiles(CMails* folder, const std::vector<std::string>& files);

  private:
    CQuillboxDoc& m_doc;
};

} // namespace qb
