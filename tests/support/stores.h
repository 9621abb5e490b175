// Stores of both formats in temporary directories, with their root folders, for the tests of the
// stores and of what is built on them.
#pragma once

#include "platform/file_system.h"
#include "stores/internet_mails.h"
#include "stores/netscape_mails.h"
#include "support/bytes.h"
#include "support/messages.h"
#include "support/temp_dir.h"

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace qb::test {

// Every temporary file left anywhere below `dir`.
inline std::vector<std::string> TemporaryFiles(const std::string& dir) {
    std::vector<std::string> found;
    for (const auto& e : std::filesystem::recursive_directory_iterator(dir)) {
        if (fs::IsTemporaryName(e.path().filename().string()))
            found.push_back(e.path().string());
    }
    return found;
}

// A Netscape mail directory and its root folder.
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

    bool HasTemporaryFiles() const { return !TemporaryFiles(dir.path()).empty(); }

    TempDir dir;
    std::unique_ptr<CNetscapeMails> root;
};

// The root of an Internet Mail store over a directory, and its folder nodes.
struct InternetStore {
    explicit InternetStore(const std::string& dir) : root("Mail", dir) {}
    // The node of folder `name`, whether or not its files exist yet.
    CInternetMails* Folder(const std::string& name) {
        return root.AddSubFolder(
            std::make_unique<CInternetMails>(name, root.m_strPath + "/" + name));
    }
    CInternetMails root;
};

} // namespace qb::test
