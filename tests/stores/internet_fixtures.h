// What an Internet Mail folder holds, as its tests compare it; the byte builders and store
// fixtures they use are shared with the other tests (support/).
#pragma once

#include "support/bytes.h"
#include "support/messages.h"
#include "support/stores.h"

#include <set>
#include <string>

namespace qb::test {

// The subjects of the messages a folder lists, with their bodies, read afresh.
inline std::multiset<std::string> Live(CInternetMails& folder) {
    std::multiset<std::string> out;
    for (auto& m : folder.GetMessages()) {
        std::string item = m->GetHeaderField("Subject: ");
        if (folder.ReadMessage(*m)) {
            for (const std::string& line : m->m_aBody)
                item += "|" + line;
        } else {
            item += "|<unreadable>";
        }
        out.insert(item);
    }
    return out;
}

// Whether a temporary file is left in the directory.
inline bool HasTemporary(const std::string& dir) {
    return !TemporaryFiles(dir).empty();
}

} // namespace qb::test
