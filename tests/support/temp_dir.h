// Temporary directories and whole-file reads and writes for the tests.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

namespace qb::test {

namespace detail {

// The temporary directories the running test made, in order, so that a copy of the test program
// started to play a part in the same test (support/process.h) works in the same directories:
// its n-th directory of the test is the n-th one handed down to it, and stays when it ends.
struct TestDirs {
    std::function<std::string()> currentTest; // set by support/process.h; "" outside a test
    std::string test;
    std::vector<std::string> made;
    std::vector<std::string> handedDown;
};
inline TestDirs& Dirs() {
    static TestDirs dirs;
    return dirs;
}

// A new directory of a name nobody else has below `base`.
inline std::string MakeUniqueDirectory(const std::filesystem::path& base) {
    static std::mt19937_64 random{
        std::random_device{}() ^
        static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count())};
    for (int attempt = 0; attempt < 100; ++attempt) {
        char name[32];
        std::snprintf(name, sizeof name, "qbtest-%016llx",
                      static_cast<unsigned long long>(random()));
        const std::filesystem::path path = base / name;
        std::error_code ec;
        if (std::filesystem::create_directory(path, ec))
            return path
                .generic_string(); // separated by '/' everywhere, as the program spells paths
        if (ec)
            break;
    }
    throw std::runtime_error("cannot make a temporary directory below " + base.string());
}

} // namespace detail

// Whether the tests can make symbolic links: Windows lets only a privileged user make them, and
// wine reports success without making one.
#ifdef _WIN32
inline constexpr bool kSymbolicLinks = false;
#else
inline constexpr bool kSymbolicLinks = true;
#endif

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
        detail::TestDirs& dirs = detail::Dirs();
        const std::string test = dirs.currentTest ? dirs.currentTest() : std::string();
        if (test != dirs.test) {
            dirs.test = test;
            dirs.made.clear();
        }
        const std::size_t index = dirs.made.size();
        if (!test.empty() && index < dirs.handedDown.size()) {
            m_path = dirs.handedDown[index];
            m_handedDown = true;
            std::filesystem::create_directories(m_path);
        } else {
            const bool memory = where == kMemory && std::filesystem::is_directory("/dev/shm");
            m_path = detail::MakeUniqueDirectory(memory ? std::filesystem::path("/dev/shm")
                                                        : std::filesystem::temp_directory_path());
        }
        if (!test.empty())
            dirs.made.push_back(m_path);
    }
    ~TempDir() {
        std::error_code ec;
        if (!m_handedDown)
            std::filesystem::remove_all(m_path, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return m_path; }
    std::string operator/(const std::string& name) const { return m_path + "/" + name; }

  private:
    std::string m_path;
    bool m_handedDown = false;
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

// Every entry below `dir` with its bytes ("" for a directory), leaving out the lock files (the
// registry's and the stores'), which any command may create.
inline std::map<std::string, std::string> Snapshot(const std::string& dir) {
    std::map<std::string, std::string> files;
    for (const auto& e : std::filesystem::recursive_directory_iterator(dir)) {
        const std::string name = e.path().filename().string();
        if (name.size() >= 5 && name.compare(name.size() - 5, 5, ".lock") == 0)
            continue;
        files[e.path().string()] = e.is_directory() ? "" : ReadFile(e.path().string());
    }
    return files;
}

} // namespace qb::test
