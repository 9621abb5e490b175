// The texts that go with the desktop program's commands (app/command_ids.h): the status-bar
// prompt shown while a menu item or toolbar button is under the mouse, and the tooltip.
#pragma once

#include "app/command_ids.h"

#include <QString>

namespace qb {

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
