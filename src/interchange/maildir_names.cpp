#include "interchange/maildir_names.h"

#include "interchange/writer.h"
#include "platform/paths.h"

namespace qb::interchange {

namespace {

constexpr std::string_view kDot = "&AC4-";
constexpr std::string_view kAmpersand = "&-";

void AppendPart(std::string& name, std::string_view part) {
    name += '.';
    for (char c : part) {
        if (c == '.')
            name += kDot;
        else if (c == '&')
            name += kAmpersand;
        else
            name += c;
    }
}

} // namespace

std::string MaildirFolderDirectory(const std::string& root,
                                   const std::vector<std::string>& folder) {
    if (folder.empty())
        return root;
    std::string name;
    for (const std::string& part : folder)
        AppendPart(name, part);
    return JoinPath(root, name);
}

bool IsUsableMaildirFolderName(std::string_view name) {
    // A device name such as "CON" is harmless after the leading dot; what a part adds at the
    // end of the directory name is not.
    std::string entry;
    AppendPart(entry, name);
    return IsUsableFolderName(entry);
}

std::optional<std::vector<std::string>> MaildirFolderPath(std::string_view directoryName) {
    if (directoryName.size() < 2 || directoryName[0] != '.' || directoryName == "..")
        return std::nullopt;
    std::vector<std::string> folder;
    std::string part;
    for (std::size_t i = 1; i <= directoryName.size(); ++i) {
        if (i == directoryName.size() || directoryName[i] == '.') {
            if (part.empty())
                return std::nullopt;
            folder.push_back(std::move(part));
            part.clear();
        } else if (directoryName.compare(i, kDot.size(), kDot) == 0) {
            part += '.';
            i += kDot.size() - 1;
        } else if (directoryName.compare(i, kAmpersand.size(), kAmpersand) == 0) {
            part += '&';
            i += kAmpersand.size() - 1;
        } else {
            part += directoryName[i];
        }
    }
    return folder;
}

} // namespace qb::interchange
