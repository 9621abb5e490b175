// Many new files put on the disk together: each is written under a temporary name, and a commit
// waits until every waiting file is on the disk, then gives each its final name and syncs their
// directories. Where the platform can sync a whole file system, the files are closed as written
// and a commit syncs the destination's file system once, so a batch of thousands costs one sweep
// of the disk. Elsewhere each file's bytes start going to the disk as it is written, and a commit
// flushes every waiting file, the waits overlapping.
#pragma once

#include "platform/file_system.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qb::interchange {

class CStagedFiles {
  public:
    CStagedFiles() : m_sweep(fs::FileSystemSync::Available()) {}
    ~CStagedFiles() { Discard(); }
    CStagedFiles(const CStagedFiles&) = delete;
    CStagedFiles& operator=(const CStagedFiles&) = delete;

    // Writes `bytes` to the new file `temp`, which becomes `final` at the next commit. Commits by
    // itself once many files or bytes wait. False (the file not made) with `error` set.
    bool Add(const std::string& temp, const std::string& final, std::string_view bytes,
             std::string& error);
    // Puts the waiting files on the disk, then renames every waiting file (never over an existing
    // name) and syncs their directories. On a failure the files not yet renamed are removed.
    bool Commit(std::string& error);
    // Removes every file not yet renamed.
    void Discard();

    // A batch synced file by file keeps its files open until the commit: few enough for any
    // limit of open files.
    static constexpr std::size_t kMaxWaitingFiles = 256;
    static constexpr std::int64_t kMaxWaitingBytes = 64 << 20;
    // A batch put on the disk by one file-system sync: large, so the sweeps are few.
    static constexpr std::size_t kMaxSweptFiles = 16384;
    static constexpr std::int64_t kMaxSweptBytes = 128 << 20;

  private:
    struct Waiting {
        std::string temp;
        std::string final;
        fs::File file; // open until the commit when flushed on its own
    };
    bool m_sweep;
    fs::FileSystemSync m_fileSystem;
    std::vector<Waiting> m_waiting;
    std::int64_t m_bytes = 0;
};

} // namespace qb::interchange
