#include "interchange/staged_files.h"

#include "platform/file_system.h"
#include "platform/paths.h"

#include <algorithm>

namespace qb::interchange {

bool CStagedFiles::Add(const std::string& temp, const std::string& final, std::string_view bytes,
                       std::string& error) {
    // Opened before the batch's first file is written, so that the sync that ends the batch
    // reports a failure to write back any of its files.
    if (m_sweep && !m_fileSystem.IsOpen() && !m_fileSystem.Open(DirectoryOf(temp))) {
        error = "Cannot sync the file system of " + DirectoryOf(temp);
        return false;
    }
    fs::File file;
    if (!file.Open(temp, fs::OpenMode::CreateNew)) {
        error = "Cannot create " + temp;
        return false;
    }
    bool ok = file.Write(bytes.data(), bytes.size());
    if (m_sweep)
        ok = file.Close() && ok;
    if (!ok) {
        file.Close();
        fs::RemoveFile(temp);
        error = "Cannot write " + temp;
        return false;
    }
    if (!m_sweep)
        file.StartFlush();
    m_waiting.push_back({temp, final, std::move(file)});
    m_bytes += static_cast<std::int64_t>(bytes.size());
    const bool full = m_sweep ? m_waiting.size() >= kMaxSweptFiles || m_bytes >= kMaxSweptBytes
                              : m_waiting.size() >= kMaxWaitingFiles || m_bytes >= kMaxWaitingBytes;
    return !full || Commit(error);
}

bool CStagedFiles::Commit(std::string& error) {
    if (m_waiting.empty())
        return true;
    const std::string staged = DirectoryOf(m_waiting.front().temp);
    if (m_sweep) {
        if (!m_fileSystem.Sync()) {
            error = "Cannot write the files staged in " + staged;
            Discard();
            return false;
        }
    } else {
        std::vector<fs::File*> files;
        for (Waiting& waiting : m_waiting)
            files.push_back(&waiting.file);
        if (!fs::File::FlushAll(files)) {
            error = "Cannot write the files staged in " + staged;
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
