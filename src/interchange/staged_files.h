// Many new files put on the disk together: each is written under a temporary name and its bytes
// start going to the disk at once; a commit waits until every waiting file is on the disk, then
// gives each its final name and syncs their directories. Only the files written here are synced,
// and a batch of them costs about one disk commit instead of one each.
#pragma once

#include "platform/file_system.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qb::interchange {

class CStagedFiles {
  public:
    // `anyPath` names something on the file system the files go to.
    CStagedFiles() = default;
    ~CStagedFiles() { Discard(); }
    CStagedFiles(const CStagedFiles&) = delete;
    CStagedFiles& operator=(const CStagedFiles&) = delete;

    // Writes `bytes` to the new file `temp`, which becomes `final` at the next commit. Commits by
    // itself once many files or bytes wait. False (the file not made) with `error` set.
    bool Add(const std::string& temp, const std::string& final, std::string_view bytes,
             std::string& error);
    // Syncs the waiting files, then renames every waiting file (never over an existing name) and
    // syncs their directories. On a failure the files not yet renamed are removed.
    bool Commit(std::string& error);
    // Removes every file not yet renamed.
    void Discard();

    // Waiting files stay open until the commit: few enough for any limit of open files.
    static constexpr std::size_t kMaxWaitingFiles = 256;
    static constexpr std::int64_t kMaxWaitingBytes = 64 << 20;

  private:
    struct Waiting {
        std::string temp;
        std::string final;
        fs::File file;
    };
    std::vector<Waiting> m_waiting;
    std::int64_t m_bytes = 0;
};

} // namespace qb::interchange
