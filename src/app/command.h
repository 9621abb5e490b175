// What a command reads of the views and how it ended: shared by every family of commands and by
// the front ends that run them.
#pragma once

#include <vector>

namespace qb {

class CMails;
class CMessage;

enum class ActivePane { None, Tree, List, Other };

// What the commands read of the views.
struct Selection {
    CMails* folder = nullptr; // folder of the tree's caret item; null when there is none
    ActivePane pane = ActivePane::None;
    std::vector<CMessage*> messages; // selected rows of the message list, in list order
};

// How a command ended: Done (warnings included), Cancelled by the user at a question, or Failed
// (a refusal or failure text was shown). The command line maps Failed to exit status 1.
enum class Outcome { Done, Cancelled, Failed };

// Result of a dialog's OK handler: whether the dialog closes, and how the command ended.
struct DialogResult {
    Outcome outcome = Outcome::Done;
    bool close = true;
};

} // namespace qb
