// The port through which the document meets its front ends: message boxes and questions, the
// folder-name dialog, updates of the folder tree and the message list, the Move/Copy menus, the
// status line of long operations and the wait cursor. The desktop program implements it with
// widgets, the command line with standard error and options, the tests with a scripted fake.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace qb {

class CMails;
class CMessage;

// Every message box of the program carries this caption.
inline constexpr char kMessageCaption[] = "Quillbox";

enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel };
enum class Icon { None, Information, Warning, Stop, Question };
enum class Answer { Ok, Cancel, Yes, No };

// The progress of one long operation (copying or moving many messages or a folder, compact, backup,
// restore, export, import, search, loading a very large folder). The operation calls Step between
// messages; when Step returns false the user asked to stop: the operation stops at that message
// boundary, leaves the stores as a failure at that point would, and tells the user what was done.
class ProgressSink {
  public:
    virtual ~ProgressSink() = default;
    // `done` of `total` units (`total` 0 when not known), with a short status text (may be empty).
    // False once the user has asked to stop; it stays false.
    virtual bool Step(std::uint64_t done, std::uint64_t total, const std::string& text) = 0;
};

// A sink that shows nothing and never stops: for callers without a front end.
class SilentProgress : public ProgressSink {
  public:
    bool Step(std::uint64_t, std::uint64_t, const std::string&) override { return true; }
};

class Port {
  public:
    virtual ~Port() = default;

    // ---- the user ----

    // A modal message box captioned kMessageCaption with `text` and the given buttons; returns the
    // button pressed (Ok for a plain message). `detail`, when not empty, is the reason behind the
    // text (the character a name may not hold, the folder or file that failed and the system's
    // error), shown below the text without another click.
    virtual Answer Message(const std::string& text, Buttons buttons = Buttons::Ok,
                           Icon icon = Icon::None, const std::string& detail = {}) = 0;
    // The folder-name dialog ("Input Folder Name", opening empty). nullopt when cancelled; a
    // returned name is never empty (the dialog refuses that itself, see CheckFolderName).
    virtual std::optional<std::string> AskFolderName() = 0;

    // ---- the folder tree ----

    // Every item of the tree goes, and the message list and text pane empty: the folders and
    // message records behind them are about to be freed.
    virtual void ClearFolderTree() = 0;
    // Appends an item for `folder` as the last child of the item of `parent` (a top-level item
    // when `parent` is null). Called once per folder, parents before their sub-folders.
    virtual void InsertFolderItem(CMails* parent, CMails* folder) = 0;
    virtual bool HasFolderItem(const CMails* folder) = 0;
    // Deletes the item of `folder` with the items below it. The folder object is alive during
    // the call and may be destroyed right after; the front end must not keep any pointer to it.
    virtual void DeleteFolderItem(CMails* folder) = 0;
    virtual void SetFolderItemText(CMails* folder, const std::string& text) = 0;
    // Makes the item of `folder` visible and the caret item (the selected folder), expanding it
    // when asked.
    virtual void SelectFolderItem(CMails* folder, bool expand) = 0;
    // `folder` cannot be shown whole: `warning` says why ("directory not found" for a store whose
    // directory is gone, "damaged at byte N: M messages read" for a folder file read only up to
    // its damage); "" when it now reads whole. The desktop program marks the folder's item with
    // a warning icon and the text as its tooltip, and shows the text in the status bar.
    virtual void FolderWarning(CMails* folder, const std::string& warning) {
        (void)folder;
        (void)warning;
    }

    // ---- the message list ----

    // Refills the message list from the selected folder (its records are re-read from the store).
    virtual void FillMessageList() = 0;
    // Deletes the row of `message`; the message record is removed from its folder right after.
    virtual void DeleteMessageRow(const CMessage* message) = 0;
    // Listed messages changed their deleted mark (the records stay): their rows are to be drawn
    // again.
    virtual void MessageRowsChanged() {}

    // ---- menus, progress, cursor ----

    // The folders changed: the Move and Copy submenus are to be built again
    // (CQuillboxDoc::FillFolderMenu).
    virtual void FolderMenusChanged() = 0;
    // Status text of a long operation (the Compact dialog's status line).
    virtual void Progress(const std::string& status) = 0;
    virtual void SetWaitCursor(bool on) = 0;
    // Starts showing the progress of a long operation named `title` (the desktop program: a
    // progress dialog with Cancel after half a second; the command line: a one-line meter on a
    // terminal). The sink lives as long as the operation. The default shows nothing and never
    // stops.
    virtual std::unique_ptr<ProgressSink> BeginProgress(const std::string& title) {
        (void)title;
        return std::make_unique<SilentProgress>();
    }
};

// Shows the wait cursor for the lifetime of the object.
class WaitCursor {
  public:
    explicit WaitCursor(Port& port) : m_port(port) { m_port.SetWaitCursor(true); }
    ~WaitCursor() { m_port.SetWaitCursor(false); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

  private:
    Port& m_port;
};

} // namespace qb
