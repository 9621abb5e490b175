// Shared helpers for the Netscape store tests: a mail directory in a temporary directory, message
// text builders and views of what a folder holds.
#pragma once

#include "stores/netscape_mails.h"
#include "support/temp_dir.h"

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace qb::test {

// One message as a Netscape folder holds it, every line ending in `eol`.
inline std::string NsMessage(const std::string& subject, const std::vector<std::string>& body,
                             const std::string& status = "0001", const std::string& eol = "\r\n") {
    std::string text = "From - Mon Jan 01 10:00:00 2001" + eol;
    if (!status.empty())
        text += "X-Mozilla-Status: " + status + eol;
    text += "Subject: " + subject + eol + eol;
    for (const std::string& line : body)
        text += line + eol;
    return text;
}

class NetscapeStore {
  public:
    NetscapeStore() { Reset(); }
    // Empties the mail directory and makes a fresh root node.
    void Reset() {
        root.reset();
        for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
            std::filesystem::remove_all(entry.path());
        root = std::make_unique<CNetscapeMails>("Mail", dir.path());
    }

    std::string Path(const std::string& relative) const { return dir / relative; }
    void Write(const std::string& relative, const std::string& bytes) const {
        WriteFile(Path(relative), bytes);
    }
    std::string Read(const std::string& relative) const { return ReadFile(Path(relative)); }

    // The folder of that path below the root ("Inbox", "Inbox/Sub"), loading nodes as needed.
    CNetscapeMails* Folder(const std::string& relative) {
        CMails* node = root.get();
        std::size_t at = 0;
        while (node != nullptr && at <= relative.size()) {
            const std::size_t slash = std::min(relative.find('/', at), relative.size());
            const std::string name = relative.substr(at, slash - at);
            CMails* next = nullptr;
            for (CMails* child : node->GetSubFolders())
                if (child->m_strName == name)
                    next = child;
            if (next == nullptr) {
                // Written after the parent was listed: add its node without listing again (which
                // would free the nodes a test already holds).
                auto* parent = static_cast<CNetscapeMails*>(node);
                const std::string path = parent->SubFolderDirectory() + "/" + name;
                if (std::filesystem::exists(path))
                    next = parent->AddSubFolder(std::make_unique<CNetscapeMails>(name, path));
            }
            node = next;
            at = slash + 1;
        }
        return static_cast<CNetscapeMails*>(node);
    }

    // Whether any temporary file is left anywhere in the mail directory.
    bool HasTemporaryFiles() const {
        for (const auto& entry : std::filesystem::recursive_directory_iterator(dir.path()))
            if (entry.path().filename().string().rfind(".qbtmp-", 0) == 0)
                return true;
        return false;
    }

    TempDir dir;
    std::unique_ptr<CNetscapeMails> root;
};

inline std::vector<std::string> Subjects(CMails& folder) {
    std::vector<std::string> subjects;
    for (auto& m : folder.GetMessages())
        subjects.push_back(m->GetHeaderField("Subject: "));
    return subjects;
}

// Every listed message as "subject:body line|body line|".
inline std::vector<std::string> Contents(CMails& folder) {
    std::vector<std::string> result;
    for (auto& m : folder.GetMessages()) {
        std::string text = m->GetHeaderField("Subject: ") + ":";
        if (!folder.ReadMessage(*m))
            text += "<unreadable>";
        for (const std::string& line : m->m_aBody)
            text += line + "|";
        result.push_back(text);
    }
    return result;
}

inline std::vector<std::string> ChildNames(CMails& folder) {
    std::vector<std::string> names;
    for (CMails* child : folder.GetSubFolders())
        names.push_back(child->m_strName);
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace qb::test
