#include "app/store_address.h"

#include "platform/file_system.h"
#include "platform/paths.h"

#include <algorithm>
#include <limits>
#include <string_view>

namespace qb {

namespace {

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

bool DirectoryRow(const std::string& dir, const char* type, MailboxRow& row, std::string& error) {
    if (dir.empty()) {
        error = kTextDirectoryNotFound;
        return false;
    }
    const std::string root = StripTrailingSeparators(dir);
    row.name = BaseName(root);
    if (row.name.empty())
        row.name = root; // the file system's root directory keeps its own name
    row.storeRoot = root;
    row.type = type;
    return true;
}

} // namespace

bool ResolveStoreAddress(const std::string& text, RegistryFile& registry, MailboxRow& row,
                         std::string& error) {
    bool found = false;
    bool byPath = true;
    if (StartsWith(text, kNetscapePrefix)) {
        if (!DirectoryRow(text.substr(sizeof(kNetscapePrefix) - 1), kTypeNavigator, row, error))
            return false;
        found = true;
    } else if (StartsWith(text, kInternetMailPrefix)) {
        if (!DirectoryRow(text.substr(sizeof(kInternetMailPrefix) - 1), kTypeInternetMail, row,
                          error))
            return false;
        found = true;
    } else {
        byPath = false;
        MailboxList entries;
        LoadMailboxEntries(registry, entries);
        if (!registry.Error().empty()) {
            error = registry.Error();
            return false;
        }
        for (const auto& entry : entries) {
            if (EqualsNoCase(entry->m_strName, text)) {
                row = {entry->m_strName, entry->m_strStoreRoot, entry->m_strType,
                       entry->m_bReadOnly};
                found = true;
                break;
            }
        }
        if (!found) {
            error = kTextMailboxNotFound;
            return false;
        }
    }
    // A store whose directory is gone would read as empty and take writes into nowhere; name it
    // instead of pretending it holds nothing.
    if (!fs::IsDirectory(row.storeRoot)) {
        error = kTextDirectoryNotFound;
        return false;
    }
    if (byPath) {
        // A registry that cannot be read marks nothing; the commands that need it say why.
        MailboxList entries;
        LoadMailboxEntries(registry, entries);
        const std::string dir = fs::ResolvePath(row.storeRoot);
        for (const auto& entry : entries) {
            if (entry->m_bReadOnly && fs::ResolvePath(entry->m_strStoreRoot) == dir)
                row.readOnly = true;
        }
    }
    return true;
}

bool SameStore(const MailboxRow& a, const MailboxRow& b) {
    return IsNetscapeType(a.type) == IsNetscapeType(b.type) &&
           StripTrailingSeparators(AbsolutePath(a.storeRoot)) ==
               StripTrailingSeparators(AbsolutePath(b.storeRoot));
}

std::unique_ptr<MailboxEntry> OpenStore(const MailboxRow& row) {
    auto entry = std::make_unique<MailboxEntry>(row.name, row.storeRoot, row.type);
    entry->m_bReadOnly = row.readOnly;
    entry->m_pRoot = MakeRootFolder(*entry);
    return entry;
}

CMails* FindFolderByPath(CMails& root, const std::string& path) {
    std::string_view rest = path;
    if (!rest.empty() && rest.front() == '/')
        rest.remove_prefix(1);
    if (!rest.empty() && rest.back() == '/')
        rest.remove_suffix(1);
    CMails* folder = &root;
    if (rest.empty())
        return path.size() <= 1 ? folder : nullptr; // "" and "/" only; "//" names nothing
    while (true) {
        const std::size_t slash = rest.find('/');
        const std::string_view name = rest.substr(0, slash);
        CMails* next = nullptr;
        for (CMails* child : folder->GetSubFolders()) {
            if (child->m_strName == name) {
                next = child;
                break;
            }
        }
        if (next == nullptr)
            return nullptr;
        folder = next;
        if (slash == std::string_view::npos)
            return folder;
        rest.remove_prefix(slash + 1);
    }
}

namespace {

void CollectFolders(CMails& folder, const std::string& prefix, std::vector<FolderPath>& out) {
    for (CMails* child : folder.GetSubFolders()) {
        std::string path = prefix.empty() ? child->m_strName : prefix + "/" + child->m_strName;
        out.push_back({path, child});
        CollectFolders(*child, path, out);
    }
}

} // namespace

std::vector<FolderPath> ListFolderPaths(CMails& root) {
    std::vector<FolderPath> out;
    CollectFolders(root, "", out);
    return out;
}

std::optional<std::size_t> ParseRow(const std::string& text) {
    if (text.empty())
        return std::nullopt;
    std::size_t value = 0;
    constexpr std::size_t kMax = std::numeric_limits<std::size_t>::max();
    for (const char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        const auto digit = static_cast<std::size_t>(c - '0');
        value = value > (kMax - digit) / 10 ? kMax : value * 10 + digit;
    }
    return value;
}

bool SelectRows(const MessageList& listing, const std::vector<std::size_t>& rows,
                std::vector<CMessage*>& selected) {
    selected.clear();
    std::vector<bool> chosen(listing.size(), false);
    for (const std::size_t row : rows) {
        if (row >= listing.size())
            return false;
        chosen[row] = true;
    }
    for (std::size_t i = 0; i < listing.size(); ++i) {
        if (chosen[i])
            selected.push_back(listing[i].get());
    }
    return true;
}

} // namespace qb
