#include "interchange/staged_files.h"

#include "platform/file_system.h"
#include "platform/paths.h"

#include <algorithm>

namespace qb::interchange {

bool CStagedFiles::Add(const std::string& temp, const std::string& final, std::string_view bytes,
                       std::string& error) {
    fs::File file;
    if (!file.Open(temp, fs::OpenMode::CreateNew)) {
        error = "Cannot create " + temp;
        return false;
    }
    bool ok = file.Write(bytes.data(), bytes.size());
    ok = file.Close() && ok;
    if (!ok) {
        fs::RemoveFile(temp);
        error = "Cannot write " + temp;
        return false;
    }
    m_waiting.push_back({temp, final});
    m_bytes += static_cast<std::int64_t>(bytes.size());
    if (m_waiting.size() >= kMaxWaitingFiles || m_bytes >= kMaxWaitingBytes)
        return Commit(error);
    return true;
}

bool CStagedFiles::Commit(std::string& error) {
    if (m_waiting.empty())
        return true;
    if (!fs::SyncFileSystem(m_syncPath)) {
        error = "Cannot sync the files written to " + m_syncPath;
        Discard();
        return false;
    }
    std::vector<std::string> directories;
    for (std::size_t i = 0; i < m_waiting.size(); ++i) {
        if (!fs::MoveFile(m_waiting[i].temp, m_waiting[i].final)) {
            error = fs::Exists(m_waiting[i].final) ? m_waiting[i].final + " exists"
                                                   : "Cannot rename " + m_waiting[i].temp;
            m_waiting.erase(m_waiting.begin(), m_waiting.begin() + static_cast<std::ptrdiff_t>(i));
            Discard();
            return false;
        }
        std::string directory = DirectoryOf(m_waiting[i].final);
        if (std::find(directories.begin(), directories.end(), directory) == directories.end())
            directories.push_back(std::move(directory));
    }
    m_waiting.clear();
    m_bytes = 0;
    for (const std::string& directory : directories) {
        if (!fs::SyncDirectory(directory)) {
            error = "Cannot sync " + directory;
            return false;
        }
    }
    return true;
}

void CStagedFiles::Discard() {
    for (const Waiting& waiting : m_waiting)
        fs::RemoveFile(waiting.temp);
    m_waiting.clear();
    m_bytes = 0;
}

} // namespace qb::interchange
