#include "ui/commands.h"

namespace qb {

namespace {

// Each command's string: the prompt, then after the line break the tooltip.
struct CommandString {
    int id;
    const char* text;
};

constexpr CommandString kStrings[] = {
    {ID_NEW_FOLDER, "Create a new message folder\nNew Folder"},
    {ID_RENAME_FOLDER, "Rename selected folder \nRename"},
    {ID_DELETE, "Delete current folder or message(s)\nDelete"},
    {ID_UNDELETE, "Take the deleted mark off the selected message(s)\nUndelete"},
    {ID_VIEW_SHOW_DELETED, "Show or hide the messages marked deleted"},
    {ID_EDIT_COPY, "Copy the selection and put it on the Clipboard\nCopy"},
    {ID_BACKUP, "Backup selected folder to a file\nBackup"},
    {ID_RESTORE, "Restore messages from a file\nRestore"},
    {ID_EXPORT, "Export the selected folder as mbox files, a Maildir or .eml files\nExport"},
    {ID_IMPORT, "Import an mbox file, a Maildir or .eml files into the selected folder\nImport"},
    {ID_APP_ABOUT, "Display program information, version number and copyright\nAbout"},
    {ID_CONTEXT_HELP, "Display help for clicked on buttons, menus and windows\nHelp"},
    {ID_LOCATE_MAILBOX, "Locate exsit mailbox root directory in local disk(s)"},
    {ID_MOVE_HEADING, "Move messages or folders"},
    {ID_COPY_HEADING, "Duplicate messages or entire folder"},
    {ID_COMPACT, "Remove all messages which has been marked \"Removed\" "},
    {ID_NEW_MAILBOX, "Create a new mail box"},
    {ID_EDIT_SELECT_ALL, "Select the entire document"},
    {ID_APP_EXIT, "Quit the application; prompts to save documents"},
    {ID_VIEW_TOOLBAR, "Show or hide the toolbar"},
    {ID_VIEW_STATUS_BAR, "Show or hide the status bar"},
    {ID_HELP_FINDER, "List Help topics"},
};

QString Part(int id, bool tooltip) {
    for (const CommandString& s : kStrings) {
        if (s.id != id)
            continue;
        QString text = QString::fromLatin1(s.text);
        qsizetype cut = text.indexOf(QLatin1Char('\n'));
        if (cut < 0)
            return tooltip ? QString() : text;
        return tooltip ? text.mid(cut + 1) : text.left(cut);
    }
    return QString();
}

} // namespace

QString CommandPrompt(int id) {
    return Part(id, false);
}

QString CommandTooltip(int id) {
    return Part(id, true);
}

} // namespace qb
