// The command ids of the menus and the toolbar, and the ranges of the Move and Copy submenus'
// folder entries: the document fills those submenus, the desktop program binds every id.
#pragma once

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
    ID_UNDELETE = 32793,
    ID_VIEW_SHOW_DELETED = 32794,
    ID_EXPORT = 32800,
    ID_IMPORT = 32801,
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
    // One entry per folder, in the order of the document's folder table.
    ID_MOVE_FIRST = 8000,
    ID_MOVE_LAST = 8999,
    ID_COPY_FIRST = 9000,
    ID_COPY_LAST = 9999,
};

// The number of folders the Move and Copy submenus can name.
inline constexpr int kMaxMenuFolders = ID_MOVE_LAST - ID_MOVE_FIRST + 1;

// True when `id` belongs to the Move (respectively Copy) folder entries.
inline bool IsMoveMenuId(int id) {
    return id >= ID_MOVE_FIRST && id <= ID_MOVE_LAST;
}
inline bool IsCopyMenuId(int id) {
    return id >= ID_COPY_FIRST && id <= ID_COPY_LAST;
}

} // namespace qb
