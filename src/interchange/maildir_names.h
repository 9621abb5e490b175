// Maildir++ folder directory names: folder A/B is ".A.B" below the top folder. A dot or an
// ampersand inside a folder name is written the way IMAP servers write them ("&AC4-", "&-").
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qb::interchange {

std::string MaildirFolderDirectory(const std::string& root, const std::vector<std::string>& folder);
// Whether `name` can be one part of such a directory name: the directory made must be a usable
// folder name (IsUsableFolderName).
bool IsUsableMaildirFolderName(std::string_view name);

// What separates a message file's unique name from its flags ("2,FS"): ':' as everywhere, '!'
// on Windows, whose file names cannot hold ':' (the choice of other Maildir tools there; the
// reader takes ':', ';' and '!').
#ifdef _WIN32
inline constexpr char kMaildirInfoSeparator = '!';
#else
inline constexpr char kMaildirInfoSeparator = ':';
#endif
// The folder path of a directory name ".A.B" of the top folder; nothing for other names.
std::optional<std::vector<std::string>> MaildirFolderPath(std::string_view directoryName);

} // namespace qb::interchange
