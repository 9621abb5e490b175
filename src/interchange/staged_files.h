// Many new files put on the disk together: each is written under a temporary name, and a commit
// syncs the file system once and then gives every waiting file its final name. Thousands of
// one-message files cost one disk sync per batch instead of one each.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qb::interchange {

class CStagedFiles {
  public:
    // `anyPath` names something on the file system the files go to.
    explicit CStagedFiles(std::string anyPath) : m_syncPath(std::move(anyPath)) {}
    ~CStagedFiles() { Discard(); }
    CStagedFiles(const CStagedFiles&) = delete;
    CStagedFiles& operator=(const CStagedFiles&) = delete;

    // Writes `bytes` to the new file `temp`, which becomes `final` at the next commit. Commits by
    // itself once many files or bytes wait. False (the file not made) with `error` set.
    bool Add(const std::string& temp, const std::string& final, std::string_view bytes,
             std::string& error);
    // Syncs, then renames every waiting file (never over an existing name) and syncs their
    // directories. On a failure the files not yet renamed are removed.
    bool Commit(std::string& error);
    // Removes every file not yet renamed.
    void Discard();

    static constexpr std::size_t kMaxWaitingFiles = 4096;
    static constexpr std::int64_t kMaxWaitingBytes = 64 << 20;

  private:
    struct Waiting {
        std::string temp;
        std::string final;
    };
    std::string m_syncPath;
    std::vector<Waiting> m_waiting;
    std::int64_t m_bytes = 0;
};

} // namespace qb::interchange
