// Temporary directories and whole-file reads and writes for the tests.
#pragma once

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace qb::test {

// A fresh temporary directory for one test, removed with everything in it afterwards.
class TempDir {
  public:
    enum Where {
        kDisk,
        // In memory where the system has such a file system: the failure enumerations flush
        // thousands of files, which costs nothing there.
        kMemory,
    };

    explicit TempDir(Where where = kDisk) {
        const bool memory = where == kMemory && std::filesystem::is_directory("/dev/shm");
        std::string pattern =
            memory ? std::string("/dev/shm/qbtest-XXXXXX")
                   : (std::filesystem::temp_directory_path() / "qbtest-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr)
            throw std::runtime_error("cannot make a temporary directory");
        m_path = pattern;
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(m_path, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return m_path; }
    std::string operator/(const std::string& name) const { return m_path + "/" + name; }

  private:
    std::string m_path;
};

inline void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path);
}

inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The names in a directory, sorted.
inline std::vector<std::string> DirNames(const std::string& dir) {
    std::vector<std::string> out;
    for (const auto& e : std::filesystem::directory_iterator(dir))
        out.push_back(e.path().filename().string());
    std::sort(out.begin(), out.end());
    return out;
}

// Every entry below `dir` with its bytes ("" for a directory), to show that a command changed
// nothing. A registry's lock file ("*.lock"), which reading the registry may leave, is left out.
inline std::map<std::string, std::string> Snapshot(const std::string& dir) {
    std::map<std::string, std::string> files;
    for (const auto& e : std::filesystem::recursive_directory_iterator(dir)) {
        if (e.path().extension() == ".lock")
            continue;
        files[e.path().string()] = e.is_directory() ? "" : ReadFile(e.path().string());
    }
    return files;
}

} // namespace qb::test
