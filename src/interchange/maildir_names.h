// Maildir++ folder directory names: folder A/B is ".A.B" below the top folder. A dot or an
// ampersand inside a folder name is written the way IMAP servers write them ("&AC4-", "&-").
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qb::interchange {

std::string MaildirFolderDirectory(const std::string& root, const std::vector<std::string>& folder);
// The folder path of a directory name ".A.B" of the top folder; nothing for other names.
std::optional<std::vector<std::string>> MaildirFolderPath(std::string_view directoryName);

} // namespace qb::interchange
