#include "interchange/eml_names.h"
#include "interchange/file_message.h"
#include "interchange/reader.h"

#include "platform/file_system.h"
#include "platform/paths.h"

#include <algorithm>

namespace qb::interchange {

namespace {

// Names in order of their leading number ("99999-x" before "100000-y"), then byte order.
bool NameBefore(const std::string& a, const std::string& b) {
    const std::size_t da = std::min(a.find_first_not_of("0123456789"), a.size());
    const std::size_t db = std::min(b.find_first_not_of("0123456789"), b.size());
    const std::string_view na = std::string_view(a).substr(0, da);
    const std::string_view nb = std::string_view(b).substr(0, db);
    const std::string_view ta = na.substr(std::min(na.find_first_not_of('0'), na.size()));
    const std::string_view tb = nb.substr(std::min(nb.find_first_not_of('0'), nb.size()));
    if (ta.size() != tb.size())
        return ta.size() < tb.size();
    if (ta != tb)
        return ta < tb;
    return a < b;
}

// Folders in depth-first order, each folder's own messages before its sub-folders, names in
// byte order.
class CEmlReader : public CReader {
  public:
    CEmlReader(std::string root, const ReadOptions& options)
        : m_options(options), m_pending{{{}, std::move(root)}} {}

    ReadStatus Next(ReadItem& item) override {
        item = ReadItem{};
        while (m_file == m_files.size()) {
            if (m_pending.empty())
                return ReadStatus::End;
            Folder folder = std::move(m_pending.back());
            m_pending.pop_back();
            if (!Enter(folder, item))
                return ReadStatus::Failed;
        }
        item.folder = m_current;
        item.number = static_cast<std::int64_t>(m_file + 1);
        return ReadMessageFile(m_files[m_file++], m_options.maxMessageBytes, item);
    }

  private:
    struct Folder {
        std::vector<std::string> path;
        std::string directory;
    };

    bool Enter(const Folder& folder, ReadItem& item) {
        std::vector<fs::DirEntry> entries;
        if (!fs::ListDirectory(folder.directory, entries)) {
            m_pending.clear();
            item.problem = "Cannot read " + folder.directory;
            return false;
        }
        std::sort(entries.begin(), entries.end(), [](const fs::DirEntry& a, const fs::DirEntry& b) {
            return NameBefore(a.name, b.name);
        });
        m_files.clear();
        m_file = 0;
        m_current = folder.path;
        std::vector<Folder> subFolders;
        for (const fs::DirEntry& entry : entries) {
            const std::string path = JoinPath(folder.directory, entry.name);
            if (entry.isDirectory) {
                if (m_options.subFolders && entry.name[0] != '.') {
                    Folder sub{folder.path, path};
                    sub.path.push_back(entry.name);
                    subFolders.push_back(std::move(sub));
                }
            } else if (IsEmlFileName(entry.name)) {
                m_files.push_back(path);
            }
        }
        // Pushed last to first, so the first sub-folder is read next.
        for (auto it = subFolders.rbegin(); it != subFolders.rend(); ++it)
            m_pending.push_back(std::move(*it));
        return true;
    }

    ReadOptions m_options;
    std::vector<Folder> m_pending;
    std::vector<std::string> m_current;
    std::vector<std::string> m_files;
    std::size_t m_file = 0;
};

} // namespace

std::unique_ptr<CReader> MakeEmlReader(const std::string& directory, const ReadOptions& options) {
    return std::make_unique<CEmlReader>(directory, options);
}

} // namespace qb::interchange
