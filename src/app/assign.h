// The Assign dialog without its widgets: the checks of its "Add" button, in order, with their
// texts and the field that takes the focus. Shared by the New Mailbox dialog's checks.
#pragma once

#include "app/mailbox_registry.h"

#include <string>
#include <vector>

namespace qb {

// The field a refused dialog puts the focus in.
enum class DialogField { None, Name, Directory };

// Outcome of a dialog's OK: accepted, or refused with a message (possibly empty, when the dialog
// only keeps itself open) and the field to correct (None: the focus stays where it is).
struct DialogCheck {
    bool accepted = false;
    std::string message;
    DialogField focus = DialogField::None;

    static DialogCheck Accept() { return {true, {}, DialogField::None}; }
    static DialogCheck Refuse(std::string text, DialogField field) {
        return {false, std::move(text), field};
    }
};

inline constexpr char kMsgInputName[] = "Please input a name";
inline constexpr char kMsgSameName[] = "There has been a mailbox which has same name";
inline constexpr char kMsgInputDirectory[] = "Please input a directory";
inline constexpr char kMsgAssignSameDirectory[] = "There has been a mailbox use same directory";
inline constexpr char kMsgNotDirectory[] = "Not a directory name";
inline constexpr char kMsgSelectType[] = "Please select mail type";

// The Assign dialog's edits hold at most this many characters.
inline constexpr std::size_t kAssignFieldLimit = 256;
// The three kinds, in radio-button order.
inline constexpr int kAssignTypeCount = 3;
inline constexpr const char* kAssignTypeLabels[kAssignTypeCount] = {
    "Internet Mail", "Netscape Navigator", "Netscape Communicator Profile"};
// The type string written for a kind index ("Microsoft IM", "Navigator Mail",
// "Communicator User"); "" for an index out of range.
std::string AssignTypeString(int typeIndex);

// A typed directory as the dialogs keep it: white space trimmed from both ends, then one
// trailing separator removed.
std::string NormalizeDirectoryInput(const std::string& directory);

struct AssignInput {
    std::string name;
    std::string directory;
    int typeIndex = -1; // -1: no kind chosen
    bool readOnly = false;
};

// What a store directory's files say about its format.
struct StoreFormatFound {
    bool readable = true;                  // false: the directory could not be listed
    std::vector<std::string> internetMail; // "NAME.mbx" / "NAME.idx" files
    std::vector<std::string> netscape;     // ".snm" files, ".sbd" directories, "From " files
};
// Looks at the entries of `directory` (not below it): files and directories reached through
// symbolic links count as what they point to. The first few names of each kind are kept, in
// name order.
StoreFormatFound DetectStoreFormat(const std::string& directory);
// The reason `directory` may not be registered as `type`, "" when it may: its files belong to
// the other format, it holds files of both (registered as either, the first folder command would
// write one format's files among the other's), or it cannot be read. A directory that is empty,
// holds neither kind, or does not exist takes either type.
std::string StoreTypeRefusal(const std::string& directory, const std::string& type);

// The "Add" button. Checks in order: name given, name not in `managed` (column "Name", without
// regard to case), directory given once normalised (input.directory is updated, for the dialog
// to show), directory not in `managed` (without regard to case), the directory exists and is a
// directory, a kind chosen.
DialogCheck CheckAssign(AssignInput& input, const std::vector<MailboxRow>& managed);

} // namespace qb
