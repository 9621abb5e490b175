#include "interchange/file_message.h"
#include "interchange/maildir_names.h"
#include "interchange/reader.h"

#include "platform/file_system.h"
#include "platform/paths.h"

#include <algorithm>

namespace qb::interchange {

namespace {

// Status bits of the flags after ":2," (or ";2," / "!2," where ":" cannot be in a name).
std::uint32_t StatusOfName(std::string_view name) {
    std::size_t info = std::string_view::npos;
    for (const char* mark : {":2,", ";2,", "!2,"}) {
        const std::size_t at = name.rfind(mark);
        if (at != std::string_view::npos && (info == std::string_view::npos || at > info))
            info = at;
    }
    if (info == std::string_view::npos)
        return 0;
    std::uint32_t status = 0;
    for (char c : name.substr(info + 3)) {
        if (c == 'S')
            status |= kStatusRead;
        else if (c == 'R')
            status |= kStatusReplied;
        else if (c == 'F')
            status |= kStatusMarked;
        else if (c == 'T')
            status |= kStatusDeleted;
    }
    return status;
}

class CMaildirReader : public CReader {
  public:
    CMaildirReader(std::string root, const ReadOptions& options)
        : m_root(std::move(root)), m_options(options) {}

    ReadStatus Next(ReadItem& item) override {
        item = ReadItem{};
        if (!m_started) {
            m_started = true;
            if (!ListFolders(item))
                return ReadStatus::Failed;
        }
        while (m_file == m_files.size()) {
            if (m_folder == m_folders.size())
                return ReadStatus::End;
            if (!ListFiles(m_folders[m_folder++], item))
                return ReadStatus::Failed;
        }
        const std::string& path = m_files[m_file++];
        item.folder = m_current;
        item.number = static_cast<std::int64_t>(m_file);
        const ReadStatus status = ReadMessageFile(path, m_options.maxMessageBytes, item);
        if (status == ReadStatus::Message)
            item.message.status = StatusOfName(BaseName(path));
        return status;
    }

  private:
    struct Folder {
        std::vector<std::string> path;
        std::string directory;
    };

    bool IsMaildir(const std::string& directory) {
        return fs::IsDirectory(JoinPath(directory, "cur")) ||
               fs::IsDirectory(JoinPath(directory, "new"));
    }

    bool ListFolders(ReadItem& item) {
        if (!IsMaildir(m_root)) {
            item.problem = m_root + " is not a Maildir (it has neither cur/ nor new/)";
            return false;
        }
        m_folders.push_back({{}, m_root});
        if (!m_options.subFolders)
            return true;
        std::vector<fs::DirEntry> entries;
        if (!fs::ListDirectory(m_root, entries)) {
            item.problem = "Cannot read " + m_root;
            return false;
        }
        std::vector<std::string> names;
        for (const fs::DirEntry& entry : entries) {
            if (entry.isDirectory && MaildirFolderPath(entry.name))
                names.push_back(entry.name);
        }
        std::sort(names.begin(), names.end());
        for (const std::string& name : names) {
            const std::string directory = JoinPath(m_root, name);
            if (IsMaildir(directory))
                m_folders.push_back({*MaildirFolderPath(name), directory});
        }
        return true;
    }

    bool ListFiles(const Folder& folder, ReadItem& item) {
        m_files.clear();
        m_file = 0;
        m_current = folder.path;
        for (const char* sub : {"cur", "new"}) {
            const std::string directory = JoinPath(folder.directory, sub);
            if (!fs::IsDirectory(directory))
                continue;
            std::vector<fs::DirEntry> entries;
            if (!fs::ListDirectory(directory, entries)) {
                item.problem = "Cannot read " + directory;
                return false;
            }
            for (const fs::DirEntry& entry : entries) {
                if (!entry.isDirectory && entry.name[0] != '.')
                    m_files.push_back(JoinPath(directory, entry.name));
            }
        }
        // Unique names begin with their delivery time: name order is arrival order.
        std::sort(m_files.begin(), m_files.end(), [](const std::string& a, const std::string& b) {
            return BaseName(a) < BaseName(b);
        });
        return true;
    }

    std::string m_root;
    ReadOptions m_options;
    bool m_started = false;
    std::vector<Folder> m_folders;
    std::size_t m_folder = 0;
    std::vector<std::string> m_current;
    std::vector<std::string> m_files;
    std::size_t m_file = 0;
};

} // namespace

std::unique_ptr<CReader> MakeMaildirReader(const std::string& root, const ReadOptions& options) {
    return std::make_unique<CMaildirReader>(root, options);
}

} // namespace qb::interchange
