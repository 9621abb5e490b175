#include "app/assign.h"

#include "platform/file_system.h"
#include "platform/paths.h"

#include <cctype>

namespace qb {

std::string AssignTypeString(int typeIndex) {
    switch (typeIndex) {
    case 0:
        return kTypeInternetMail;
    case 1:
        return kTypeNavigator;
    case 2:
        return kTypeCommunicator;
    default:
        return {};
    }
}

std::string NormalizeDirectoryInput(const std::string& directory) {
    const auto isSpace = [](char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; };
    std::size_t begin = 0;
    std::size_t end = directory.size();
    while (begin < end && isSpace(directory[begin]))
        ++begin;
    while (end > begin && isSpace(directory[end - 1]))
        --end;
    std::string result = directory.substr(begin, end - begin);
    if (!result.empty() && result.back() == kPathSeparator)
        result.pop_back();
    return result;
}

DialogCheck CheckAssign(AssignInput& input, const std::vector<MailboxRow>& managed) {
    if (input.name.empty())
        return DialogCheck::Refuse(kMsgInputName, DialogField::Name);
    for (const MailboxRow& row : managed) {
        if (EqualsNoCase(row.name, input.name))
            return DialogCheck::Refuse(kMsgSameName, DialogField::Name);
    }
    input.directory = NormalizeDirectoryInput(input.directory);
    if (input.directory.empty())
        return DialogCheck::Refuse(kMsgInputDirectory, DialogField::Directory);
    for (const MailboxRow& row : managed) {
        if (EqualsNoCase(row.storeRoot, input.directory))
            return DialogCheck::Refuse(kMsgAssignSameDirectory, DialogField::Directory);
    }
    if (!fs::Exists(input.directory))
        return DialogCheck::Refuse(kTextDirectoryNotFound, DialogField::Directory);
    if (!fs::IsDirectory(input.directory))
        return DialogCheck::Refuse(kMsgNotDirectory, DialogField::Directory);
    if (input.typeIndex < 0 || input.typeIndex >= kAssignTypeCount)
        return DialogCheck::Refuse(kMsgSelectType, DialogField::None);
    return DialogCheck::Accept();
}

} // namespace qb
