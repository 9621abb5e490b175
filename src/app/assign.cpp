#include "app/assign.h"

#include "platform/file_system.h"
#include "platform/paths.h"

#include <algorithm>
#include <array>
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

namespace {

// Names of each kind kept for the refusal text.
constexpr std::size_t kNamesShown = 3;

bool EndsWithNoCase(const std::string& name, std::string_view suffix) {
    return name.size() > suffix.size() &&
           EqualsNoCase(std::string_view(name).substr(name.size() - suffix.size()), suffix);
}

// A Netscape folder file begins with an mbox separator line.
bool StartsLikeMbox(const std::string& path) {
    fs::File file;
    std::array<char, 5> head{};
    return file.Open(path, fs::OpenMode::Read) && file.ReadExact(head.data(), head.size()) &&
           std::string_view(head.data(), head.size()) == "From ";
}

// In name order (the file system's order varies), one more than shown to say "..." after them.
void Trim(std::vector<std::string>& names) {
    std::sort(names.begin(), names.end());
    if (names.size() > kNamesShown + 1)
        names.resize(kNamesShown + 1);
}

std::string NameList(const std::vector<std::string>& names) {
    std::string text;
    for (std::size_t i = 0; i < names.size() && i < kNamesShown; ++i)
        text += (i == 0 ? "" : ", ") + names[i];
    if (names.size() > kNamesShown)
        text += ", ...";
    return text;
}

} // namespace

StoreFormatFound DetectStoreFormat(const std::string& directory) {
    StoreFormatFound found;
    std::vector<fs::DirEntry> entries;
    if (!fs::ListDirectory(directory, entries)) {
        found.readable = false;
        return found;
    }
    for (const fs::DirEntry& entry : entries) {
        if (fs::IsTemporaryName(entry.name))
            continue;
        const std::string path = JoinPath(directory, entry.name);
        if (entry.isDirectory) {
            if (EndsWithNoCase(entry.name, ".sbd"))
                found.netscape.push_back(entry.name);
        } else if (EndsWithNoCase(entry.name, ".mbx") || EndsWithNoCase(entry.name, ".idx")) {
            found.internetMail.push_back(entry.name);
        } else if (EndsWithNoCase(entry.name, ".snm") ||
                   (fs::IsRegularFile(path) && StartsLikeMbox(path))) {
            found.netscape.push_back(entry.name);
        }
    }
    Trim(found.internetMail);
    Trim(found.netscape);
    return found;
}

std::string StoreTypeRefusal(const std::string& directory, const std::string& type) {
    if (!fs::Exists(directory))
        return {};
    const StoreFormatFound found = DetectStoreFormat(directory);
    if (!found.readable)
        return "Cannot read the directory " + directory +
               "; a store whose files cannot be seen is not registered";
    const std::string im = "Internet Mail files (" + NameList(found.internetMail) + ")";
    const std::string ns = "Netscape mail folders (" + NameList(found.netscape) + ")";
    if (!found.internetMail.empty() && !found.netscape.empty())
        return "The directory holds both " + im + " and " + ns +
               "; it is not registered as either type";
    if (IsNetscapeType(type) && !found.internetMail.empty())
        return "The directory holds " + im + "; it cannot be registered as a Netscape store";
    if (!IsNetscapeType(type) && !found.netscape.empty())
        return "The directory holds " + ns + "; it cannot be registered as Internet Mail";
    return {};
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
    std::string refusal = StoreTypeRefusal(input.directory, AssignTypeString(input.typeIndex));
    if (!refusal.empty())
        return DialogCheck::Refuse(std::move(refusal), DialogField::Directory);
    return DialogCheck::Accept();
}

} // namespace qb
