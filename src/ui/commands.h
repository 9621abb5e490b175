// Command identifiers of the desktop program and the texts that go with them: the status-bar
// prompt shown while a menu item or toolbar button is under the mouse, and the tooltip.
#pragma once

#include <QString>

namespace qb {

enum CommandId : int {
    ID_LOCATE_MAILBOX = 32772,
    ID_NEW_FOLDER = 32774,
    ID_DELETE = 32775,
    ID_MOVE_HEADING = 32776,
    ID_COPY_HEADING = 32777,
    ID_BACKUP = 32778,
    ID_RESTORE = 32779,
    ID_COMPACT = 32783,
    ID_RENAME_FOLDER = 32789,
    ID_NEW_MAILBOX = 32792,
    ID_EDIT_COPY = 57634,
    ID_EDIT_SELECT_ALL = 57642,
    ID_APP_ABOUT = 57664,
    ID_APP_EXIT = 57665,
    ID_HELP_FINDER = 57667,
    ID_CONTEXT_HELP = 57669,
    ID_HELP = 57670,
    ID_NEXT_PANE = 57680,
    ID_PREV_PANE = 57681,
    ID_VIEW_TOOLBAR = 59392,
    ID_VIEW_STATUS_BAR = 59393,
    ID_MOVE_FIRST = 8000,
    ID_MOVE_LAST = 8999,
    ID_COPY_FIRST = 9000,
    ID_COPY_LAST = 9999,
};

// Shown in the status bar whenever no prompt applies.
inline constexpr char kIdlePrompt[] = "For Help, press F1";
// Caption of the main window and of every message box.
inline constexpr char kAppTitle[] = "Quillbox";
inline constexpr char kDocumentName[] = "Velmora";

// Status-bar prompt of a command; empty when it has none.
QString CommandPrompt(int id);
// Tooltip of a toolbar command; empty when it has none.
QString CommandTooltip(int id);

} // namespace qb
