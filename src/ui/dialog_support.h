// Pieces the program's own dialogs share: the folder browser, the backup file choosers, and the
// conversions between what the user types and the 8-bit texts and paths the application keeps.
#pragma once

#include <QString>

#include <memory>
#include <optional>
#include <string>

class QFileDialog;
class QWidget;

namespace qb {

// Shown when a typed mailbox name has a character the 8-bit mailbox list cannot hold.
inline constexpr char kTextUnstorableMailboxName[] =
    "The mailbox name holds a character that the mailbox list cannot store";

// Paths are kept in the file system's own encoding.
std::string PathFromText(const QString& text);
QString TextFromPath(const std::string& path);

// The folder browser behind the "..." buttons of New Mailbox and Assign.
std::optional<QString> BrowseForDirectory(QWidget* owner);

// The file choosers of Backup (save) and Restore (open), set up but not shown.
std::unique_ptr<QFileDialog> MakeBackupFileDialog(QWidget* owner, bool save);
// Shows the chooser; the chosen file's full path, or nullopt when cancelled.
std::optional<QString> ChooseBackupFile(QWidget* owner, bool save);

} // namespace qb
