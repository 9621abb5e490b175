// The New Mailbox dialog without its widgets: the checks of its OK button in order, the question
// it may ask (returned to the caller, who asks it and hands back the answer), and "Create Dir".
#pragma once

#include "app/assign.h"

#include <functional>
#include <string>

namespace qb {

inline constexpr char kMsgNewSameDirectory[] = "There has been a mailbox which use same directory";
inline constexpr char kMsgAskCreateDirectory[] = "Specified directory not exsit, create it?";
inline constexpr char kMsgCannotCreateDirectory[] = "Cannot create directory";

struct NewMailboxInput {
    std::string name;
    std::string directory;
};

// Lookups into the open document's mailboxes (both without regard to case).
struct NewMailboxLookups {
    std::function<bool(const std::string& name)> nameInUse;
    std::function<bool(const std::string& directory)> directoryInUse;
};

enum class NewMailboxStep {
    Refused,            // show `message` (when not empty), focus `focus`, stay open
    Accepted,           // close with OK; register input.name / input.directory
    AskCreateDirectory, // ask `message` with Yes and No, then call AnswerCreateDirectory
};

struct NewMailboxCheck {
    NewMailboxStep step = NewMailboxStep::Refused;
    std::string message;
    DialogField focus = DialogField::None;
};

// OK, in order: name given, name not in use, directory normalised (input.directory updated for
// the dialog to show) and given, directory not in use, then the directory on disk: an existing
// directory is accepted unless its files contradict a Netscape store (StoreTypeRefusal); anything
// else asks whether to create it.
NewMailboxCheck CheckNewMailbox(NewMailboxInput& input, const NewMailboxLookups& lookups);
// The answer to "Specified directory not exsit, create it?". Yes creates the directory (one
// level): accepted when that worked, else "Cannot create directory". No keeps the dialog open
// with the focus in the directory field.
NewMailboxCheck AnswerCreateDirectory(const NewMailboxInput& input, bool yes);

// The "Create Dir" button: creates the typed directory (one level). Accepted on success (the
// button is then disabled); else "Cannot create directory" with the focus in the directory field.
DialogCheck CreateMailboxDirectory(const std::string& directory);

} // namespace qb
