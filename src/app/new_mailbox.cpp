#include "app/new_mailbox.h"

#include "platform/file_system.h"

namespace qb {

namespace {

NewMailboxCheck Refuse(std::string message, DialogField focus) {
    return {NewMailboxStep::Refused, std::move(message), focus};
}

} // namespace

NewMailboxCheck CheckNewMailbox(NewMailboxInput& input, const NewMailboxLookups& lookups) {
    if (input.name.empty())
        return Refuse(kMsgInputName, DialogField::Name);
    if (lookups.nameInUse && lookups.nameInUse(input.name))
        return Refuse(kMsgSameName, DialogField::Name);
    input.directory = NormalizeDirectoryInput(input.directory);
    if (input.directory.empty())
        return Refuse(kMsgInputDirectory, DialogField::Directory);
    if (lookups.directoryInUse && lookups.directoryInUse(input.directory))
        return Refuse(kMsgNewSameDirectory, DialogField::Directory);
    if (fs::IsDirectory(input.directory)) {
        // Every new mailbox is a Netscape store: an existing directory must not say otherwise.
        std::string refusal = StoreTypeRefusal(input.directory, kTypeNavigator);
        if (!refusal.empty())
            return Refuse(std::move(refusal), DialogField::Directory);
        return {NewMailboxStep::Accepted, {}, DialogField::None};
    }
    // Nothing there, or something that is not a directory: offer to create it.
    return {NewMailboxStep::AskCreateDirectory, kMsgAskCreateDirectory, DialogField::None};
}

NewMailboxCheck AnswerCreateDirectory(const NewMailboxInput& input, bool yes) {
    // Declining never accepts the path: a mailbox is only made over a real directory.
    if (!yes)
        return Refuse({}, DialogField::Directory);
    if (!fs::CreateDirectory(input.directory))
        return Refuse(kMsgCannotCreateDirectory, DialogField::Directory);
    return {NewMailboxStep::Accepted, {}, DialogField::None};
}

DialogCheck CreateMailboxDirectory(const std::string& directory) {
    if (!fs::CreateDirectory(directory))
        return DialogCheck::Refuse(kMsgCannotCreateDirectory, DialogField::Directory);
    return DialogCheck::Accept();
}

} // namespace qb
