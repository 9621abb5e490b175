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
    if (!file.Write(bytes.data(), bytes.size())) {
        file.Close();
        fs::RemoveFile(temp);
        error = "Cannot write " + temp;
        return false;
    }
    file.StartFlush();
    m_waiting.push_back({temp, final, std::move(file)});
    m_bytes += static_cast<std::int64_t>(bytes.size());
    if (m_waiting.size() >= kMaxWaitingFiles || m_bytes >= kMaxWaitingBytes)
        return Commit(error);
    return true;
}

bool CStagedFiles::Commit(std::string& error) {
    if (m_waiting.empty())
        return true;
    std::vector<fs::File*> files;
    for (Waiting& waiting : m_waiting)
        files.push_back(&waiting.file);
    if (!fs::File::FlushAll(files)) {
        error = "Cannot write the files staged in " + DirectoryOf(m_waiting.front().temp);
        Discard();
        return false;
    }
    for (Waiting& waiting : m_waiting) {
        if (!waiting.file.Close()) {
            error = "Cannot write " + waiting.temp;
            Discard();
            return false;
        }
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
    for (Waiting& waiting : m_waiting) {
        waiting.file.Close();
        fs::RemoveFile(waiting.temp);
    }
    m_waiting.clear();
    m_bytes = 0;
}

} // namespace qb::interchange
