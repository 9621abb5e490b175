#include "app/disk_changes.h"

#include "model/message.h"
#include "platform/file_system.h"
#include "platform/paths.h"

#include <algorithm>
#include <string_view>
#include <unordered_map>

namespace qb {

MessageKey KeyOf(const CMessage& message) {
    return {message.m_strHeader, message.m_nSize, message.m_nOffset};
}

std::vector<int> RowsOfMessages(const std::vector<MessageKey>& keys,
                                const std::vector<CMessage*>& listed) {
    // The rows of each header, in order: a whole folder selected is found again in one pass.
    std::unordered_map<std::string_view, std::vector<std::size_t>> byHeader;
    for (std::size_t i = 0; i < listed.size(); ++i)
        byHeader[listed[i]->m_strHeader].push_back(i);
    std::vector<bool> taken(listed.size(), false);
    std::vector<int> rows;
    for (const MessageKey& key : keys) {
        const auto candidates = byHeader.find(key.header);
        if (candidates == byHeader.end())
            continue;
        int found = -1;
        for (int pass = 0; pass < 2 && found < 0; ++pass) {
            for (std::size_t i : candidates->second) {
                const CMessage& m = *listed[i];
                if (!taken[i] && m.m_nSize == key.size &&
                    (pass == 1 || m.m_nOffset == key.offset)) {
                    found = static_cast<int>(i);
                    break;
                }
            }
        }
        if (found >= 0) {
            taken[static_cast<std::size_t>(found)] = true;
            rows.push_back(found);
        }
    }
    return rows;
}

std::vector<std::string> WatchedFiles(const CMails* shown) {
    std::vector<std::string> files;
    if (shown != nullptr) {
        for (const std::string& file : shown->MessageFiles())
            files.push_back(AbsolutePath(file));
    }
    return files;
}

bool ChangesList(const CMails* shown, const std::string& path) {
    const std::vector<std::string> files = WatchedFiles(shown);
    return std::find(files.begin(), files.end(), AbsolutePath(path)) != files.end();
}

std::vector<std::int64_t> StampFolder(const CMails& folder) {
    std::vector<std::int64_t> stamp;
    for (const std::string& file : folder.MessageFiles()) {
        const fs::FileStamp s = fs::StampFile(file);
        stamp.insert(stamp.end(), {s.size, s.changed, s.node});
    }
    return stamp;
}

bool ChangedSinceListed(const CMails& folder) {
    return !folder.m_listedStamp.empty() && StampFolder(folder) != folder.m_listedStamp;
}

} // namespace qb
