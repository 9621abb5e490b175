// What a command reads of the views and how it ended: shared by every family of commands and by
// the front ends that run them.
#pragma once

#include <cstdint>
#include <string>
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

// How a command that carries mail out of or into the stores (export, import) ended, and what it
// did. Refusals and failures have been shown through the port; the summary and the problems are
// for the front end to show.
struct TransferReport {
    Outcome outcome = Outcome::Done;
    bool close = true;         // whether the dialog that ran it closes
    std::int64_t messages = 0; // exported or imported
    std::int64_t folders = 0;
    std::int64_t deletedLeftOut = 0; // export: messages marked deleted, not exported
    std::int64_t skipped = 0;        // import: messages that could not be read or added
    // One line per message skipped, the first kMaxProblems of them.
    std::vector<std::string> problems;
    // What was done, in one line ("Exported 3 messages from 1 folders to out"); empty after a
    // refusal.
    std::string summary;

    static constexpr std::size_t kMaxProblems = 1000;

    // A refusal: nothing done, the dialog stays open.
    static TransferReport Refused() {
        TransferReport report;
        report.outcome = Outcome::Failed;
        report.close = false;
        return report;
    }
};

// A folder path as the user reads it: "Inbox/Work".
inline std::string JoinedPath(const std::vector<std::string>& path) {
    std::string text;
    for (const std::string& name : path)
        text += (text.empty() ? "" : "/") + name;
    return text;
}

} // namespace qb
