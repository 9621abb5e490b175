#include "platform/file_system.h"

#include "platform/paths.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <thread>
#include <unistd.h>

namespace qb::fs {

namespace {

FaultPlan g_plan;
std::int64_t g_count = 0;
std::function<void(Op, const std::string&)> g_observer;
bool g_diskWaits = true;

enum class Verdict { Go, Fail, Short };

// Counts one operation and tells whether it is the one the plan makes fail.
// errno of this thread's last failed operation (0: none since ClearLastError) and its file.
thread_local int g_lastErrno = 0;
thread_local std::string g_lastPath;

// Keeps errno as the reason of a failure of `path`; returns false for the caller to return.
bool Failure(const std::string& path) {
    g_lastErrno = errno != 0 ? errno : EIO;
    g_lastPath = path;
    return false;
}

// An injected failure of an operation on `path`.
bool Injected(const std::string& path) {
    g_lastErrno = EIO;
    g_lastPath = path;
    return false;
}

Verdict Tick(Op op, const std::string& what = {}) {
    const std::int64_t index = g_count++;
    if (g_observer)
        g_observer(op, what);
    if (g_plan.kind == FaultKind::None || g_plan.failAt < 0)
        return Verdict::Go;
    const bool hit = g_plan.failFromThenOn ? index >= g_plan.failAt : index == g_plan.failAt;
    if (!hit)
        return Verdict::Go;
    g_lastErrno = EIO;
    g_lastPath = what;
    switch (g_plan.kind) {
    case FaultKind::Crash:
        _exit(77);
    case FaultKind::ShortWrite:
        return op == Op::Write ? Verdict::Short : Verdict::Fail;
    default:
        return Verdict::Fail;
    }
}

bool WriteAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

} // namespace

std::string LastErrorText() {
    if (g_lastErrno == 0)
        return {};
    const std::string error = std::strerror(g_lastErrno);
    return g_lastPath.empty() ? error : g_lastPath + ": " + error;
}

void ClearLastError() {
    g_lastErrno = 0;
    g_lastPath.clear();
}

void SetFaultPlan(const FaultPlan& plan) {
    g_plan = plan;
    g_count = 0;
}

void ClearFaultPlan() {
    g_plan = FaultPlan{};
    g_count = 0;
}

std::int64_t OperationCount() {
    return g_count;
}

void SetDiskWaits(bool wait) {
    g_diskWaits = wait;
}

void SetOperationObserver(std::function<void(Op, const std::string&)> observer) {
    g_observer = std::move(observer);
}

// ---- File -----------------------------------------------------------------------------------

File::~File() {
    if (m_fd >= 0)
        ::close(m_fd);
}

File::File(File&& other) noexcept : m_fd(other.m_fd), m_path(std::move(other.m_path)) {
    other.m_fd = -1;
}

File& File::operator=(File&& other) noexcept {
    if (this != &other) {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = other.m_fd;
        m_path = std::move(other.m_path);
        other.m_fd = -1;
    }
    return *this;
}

bool File::Open(const std::string& path, OpenMode mode) {
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    if (Tick(Op::Open, path) != Verdict::Go)
        return false;
    int flags = O_CLOEXEC;
    switch (mode) {
    case OpenMode::Read:
        flags |= O_RDONLY;
        break;
    case OpenMode::ReadWrite:
        flags |= O_RDWR;
        break;
    case OpenMode::Create:
        flags |= O_WRONLY | O_CREAT | O_TRUNC;
        break;
    case OpenMode::CreateNew:
        flags |= O_WRONLY | O_CREAT | O_EXCL;
        break;
    }
    int fd;
    do {
        fd = ::open(path.c_str(), flags, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return Failure(path);
    struct stat st {};
    if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
        ::close(fd);
        return false;
    }
    m_fd = fd;
    m_path = path;
    return true;
}

std::int64_t File::Read(void* buffer, std::size_t size) {
    if (m_fd < 0)
        return -1;
    if (Tick(Op::Read) != Verdict::Go) {
        Injected(m_path);
        return -1;
    }
    for (;;) {
        const ssize_t n = ::read(m_fd, buffer, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            Failure(m_path);
        return n;
    }
}

bool File::ReadExact(void* buffer, std::size_t size) {
    auto* p = static_cast<char*>(buffer);
    while (size > 0) {
        const std::int64_t n = Read(p, size);
        if (n <= 0)
            return false;
        p += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

bool File::Write(const void* buffer, std::size_t size) {
    if (m_fd < 0)
        return false;
    const Verdict v = Tick(Op::Write);
    const char* data = static_cast<const char*>(buffer);
    if (v == Verdict::Fail)
        return Injected(m_path);
    if (v == Verdict::Short) {
        WriteAll(m_fd, data, size / 2);
        return Injected(m_path);
    }
    return WriteAll(m_fd, data, size) || Failure(m_path);
}

bool File::Seek(std::int64_t position) {
    if (m_fd < 0 || position < 0)
        return false;
    if (Tick(Op::Seek) != Verdict::Go)
        return false;
    return ::lseek(m_fd, static_cast<off_t>(position), SEEK_SET) == static_cast<off_t>(position);
}

bool File::SeekEnd() {
    if (m_fd < 0)
        return false;
    if (Tick(Op::Seek) != Verdict::Go)
        return false;
    return ::lseek(m_fd, 0, SEEK_END) >= 0;
}

bool File::Truncate(std::int64_t size) {
    if (m_fd < 0 || size < 0)
        return false;
    if (Tick(Op::Truncate) != Verdict::Go)
        return false;
    int rc;
    do {
        rc = ::ftruncate(m_fd, static_cast<off_t>(size));
    } while (rc != 0 && errno == EINTR);
    return rc == 0;
}

std::int64_t File::Size() {
    if (m_fd < 0)
        return -1;
    if (Tick(Op::Stat) != Verdict::Go)
        return -1;
    struct stat st {};
    if (::fstat(m_fd, &st) != 0)
        return -1;
    return static_cast<std::int64_t>(st.st_size);
}

bool File::Flush() {
    if (m_fd < 0)
        return false;
    if (Tick(Op::Flush) != Verdict::Go)
        return Injected(m_path);
    return !g_diskWaits || ::fsync(m_fd) == 0 || Failure(m_path);
}

bool File::Close() {
    if (m_fd < 0)
        return true;
    const int fd = m_fd;
    m_fd = -1;
    const bool injected = Tick(Op::Close) != Verdict::Go;
    if (injected)
        Injected(m_path);
    const bool closed = ::close(fd) == 0 || Failure(m_path);
    return closed && !injected;
}

// ---- FileLock -------------------------------------------------------------------------------

FileLock::~FileLock() {
    Release();
}

bool FileLock::Acquire(const std::string& path, int timeoutMs, LockMode mode) {
    Release();
    m_busy = false;
    if (Tick(Op::Open, path) != Verdict::Go)
        return false;
    int fd;
    do {
        fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return false;
    if (Tick(Op::Lock, path) != Verdict::Go) {
        ::close(fd);
        return false;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        if (::flock(fd, (mode == LockMode::Shared ? LOCK_SH : LOCK_EX) | LOCK_NB) == 0)
            break;
        if (errno != EWOULDBLOCK && errno != EINTR) {
            ::close(fd);
            return false;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            ::close(fd);
            m_busy = true;
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    m_fd = fd;
    return true;
}

void FileLock::Release() {
    if (m_fd >= 0) {
        ::flock(m_fd, LOCK_UN);
        ::close(m_fd);
        m_fd = -1;
    }
}

bool ReadWholeFile(const std::string& path, std::int64_t limit, std::string& text) {
    text.clear();
    File file;
    if (!file.Open(path, OpenMode::Read))
        return false;
    const std::int64_t size = file.Size();
    if (size < 0 || size > limit)
        return false;
    text.reserve(static_cast<std::size_t>(size));
    char buffer[65536];
    for (;;) {
        const std::int64_t n = file.Read(buffer, sizeof buffer);
        if (n < 0 || static_cast<std::int64_t>(text.size()) + n > limit) {
            text.clear();
            return false;
        }
        if (n == 0)
            return true;
        text.append(buffer, static_cast<std::size_t>(n));
    }
}

// ---- names ----------------------------------------------------------------------------------

bool Exists(const std::string& path) {
    if (Tick(Op::Stat, path) != Verdict::Go)
        return false;
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

bool IsDirectory(const std::string& path) {
    if (Tick(Op::Stat, path) != Verdict::Go)
        return false;
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool IsRegularFile(const std::string& path) {
    if (Tick(Op::Stat, path) != Verdict::Go)
        return false;
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::int64_t FileSize(const std::string& path) {
    if (Tick(Op::Stat, path) != Verdict::Go)
        return -1;
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return -1;
    return static_cast<std::int64_t>(st.st_size);
}

FileStamp StampFile(const std::string& path) {
    // No fault is injected here: a stamp that cannot be taken only makes a folder be read again.
    FileStamp stamp;
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return stamp;
    stamp.size = static_cast<std::int64_t>(st.st_size);
    stamp.changed = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    stamp.node = static_cast<std::int64_t>(st.st_ino);
    return stamp;
}

bool CreateDirectory(const std::string& path) {
    if (Tick(Op::CreateDirectory, path) != Verdict::Go)
        return false;
    return ::mkdir(path.c_str(), 0777) == 0 || Failure(path);
}

bool RemoveFile(const std::string& path) {
    if (Tick(Op::Remove, path) != Verdict::Go)
        return false;
    return ::unlink(path.c_str()) == 0;
}

bool RemoveDirectory(const std::string& path) {
    if (Tick(Op::RemoveDirectory, path) != Verdict::Go)
        return false;
    return ::rmdir(path.c_str()) == 0;
}

bool MoveFile(const std::string& from, const std::string& to) {
    if (Tick(Op::Rename, from) != Verdict::Go)
        return false;
#ifdef SYS_renameat2
    // RENAME_NOREPLACE = 1: the kernel refuses atomically when `to` exists.
    if (::syscall(SYS_renameat2, AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), 1u) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS)
        return false;
#endif
    // File systems without the no-replace flag: a hard link cannot replace either.
    struct stat st {};
    if (::lstat(from.c_str(), &st) != 0)
        return false;
    if (!S_ISDIR(st.st_mode)) {
        if (::link(from.c_str(), to.c_str()) != 0)
            return false;
        if (::unlink(from.c_str()) != 0) {
            ::unlink(to.c_str());
            return false;
        }
        return true;
    }
    struct stat target {};
    if (::lstat(to.c_str(), &target) == 0)
        return false;
    return ::rename(from.c_str(), to.c_str()) == 0;
}

namespace {

// Runs `sync` on a read-only descriptor of `path` (a file or a directory).
bool SyncPath(const std::string& path, int (*sync)(int)) {
    if (Tick(Op::Flush, path) != Verdict::Go)
        return false;
    if (!g_diskWaits)
        return true;
    int fd;
    do {
        fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return false;
    const bool ok = sync(fd) == 0;
    ::close(fd);
    return ok;
}

// Appends the components of `tail` to `base`, dropping "." and taking ".." back lexically (the
// tail does not exist, so no link can make ".." mean anything else).
std::string AppendLexically(std::string base, std::string_view tail) {
    std::size_t start = 0;
    while (start <= tail.size()) {
        const std::size_t end = std::min(tail.find(kPathSeparator, start), tail.size());
        const std::string_view part = tail.substr(start, end - start);
        start = end + 1;
        if (part.empty() || part == ".")
            continue;
        if (part == "..") {
            base = DirectoryOf(base);
            if (base.empty())
                base = std::string(1, kPathSeparator);
            continue;
        }
        base = JoinPath(base, part);
    }
    return base;
}

} // namespace

bool SyncDirectory(const std::string& path) {
    return SyncPath(path, ::fsync);
}

bool SyncFileSystem(const std::string& path) {
    return SyncPath(path, ::syncfs);
}

std::string ResolvePath(const std::string& path) {
    if (path.empty())
        return {};
    if (Tick(Op::Stat, path) != Verdict::Go)
        return path;
    std::string absolute = path;
    if (path.front() != kPathSeparator) {
        char cwd[4096];
        if (::getcwd(cwd, sizeof cwd) == nullptr)
            return path;
        absolute = JoinPath(cwd, path);
    }
    // The longest existing leading part is resolved by the kernel; the rest is appended.
    std::string head = StripTrailingSeparators(absolute);
    std::string tail;
    for (;;) {
        if (char* real = ::realpath(head.c_str(), nullptr)) {
            std::string result = real;
            std::free(real);
            return AppendLexically(std::move(result), tail);
        }
        if (head.size() <= 1)
            return AppendLexically(std::string(1, kPathSeparator), absolute);
        const std::size_t cut = head.rfind(kPathSeparator);
        tail = head.substr(cut + 1) + (tail.empty() ? "" : kPathSeparator + tail);
        head = cut == 0 ? std::string(1, kPathSeparator) : head.substr(0, cut);
    }
}

bool ListDirectory(const std::string& path, std::vector<DirEntry>& entries) {
    entries.clear();
    if (Tick(Op::ListDirectory, path) != Verdict::Go)
        return false;
    DIR* dir = ::opendir(path.c_str());
    if (dir == nullptr)
        return false;
    while (const dirent* e = ::readdir(dir)) {
        const std::string name = e->d_name;
        if (name == "." || name == "..")
            continue;
        DirEntry entry;
        entry.name = name;
        if (e->d_type == DT_DIR) {
            entry.isDirectory = true;
        } else if (e->d_type == DT_UNKNOWN || e->d_type == DT_LNK) {
            struct stat st {};
            const std::string full = JoinPath(path, name);
            entry.isDirectory = ::stat(full.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
        }
        entries.push_back(std::move(entry));
    }
    ::closedir(dir);
    return true;
}

std::string TemporaryNameFor(const std::string& target) {
    static std::atomic<unsigned> counter{0};
    const std::string name = ".qbtmp-" + std::to_string(::getpid()) + "-" +
                             std::to_string(counter.fetch_add(1)) + ".dat";
    return JoinPath(DirectoryOf(target), name);
}

bool IsTemporaryName(const std::string& name) {
    return name.rfind(".qbtmp-", 0) == 0;
}

bool RemoveStaleTemporaryFiles(const std::string& directory) {
    std::vector<DirEntry> entries;
    if (!ListDirectory(directory, entries))
        return false;
    for (const DirEntry& entry : entries) {
        if (entry.isDirectory || !IsTemporaryName(entry.name))
            continue;
        // ".qbtmp-<pid>-<n>.dat": only a process that is gone cannot still be writing it.
        const std::string rest = entry.name.substr(7);
        const std::size_t dash = rest.find('-');
        if (dash == std::string::npos || dash == 0 || dash > 9)
            continue;
        long pid = 0;
        for (std::size_t i = 0; i < dash; ++i) {
            if (rest[i] < '0' || rest[i] > '9') {
                pid = 0;
                break;
            }
            pid = pid * 10 + (rest[i] - '0');
        }
        if (pid <= 0 || pid == ::getpid())
            continue;
        if (::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH)
            RemoveFile(JoinPath(directory, entry.name));
    }
    return true;
}

bool ReplaceFile(const std::string& target, const std::function<bool(File&)>& write) {
    return ReplaceFile(target, write, [] { return true; });
}

bool ReplaceFile(const std::string& target, const std::function<bool(File&)>& write,
                 const std::function<bool()>& stillValid) {
    const std::string temp = TemporaryNameFor(target);
    // A failure of the temporary file is told as one of the file it stands in for.
    const auto failed = [&temp, &target] {
        if (g_lastPath == temp)
            g_lastPath = target;
        return false;
    };
    File file;
    if (!file.Open(temp, OpenMode::CreateNew))
        return failed();
    bool ok = write(file) && file.Flush();
    ok = file.Close() && ok;
    ok = ok && stillValid();
    if (ok && Tick(Op::Rename, temp) == Verdict::Go &&
        (::rename(temp.c_str(), target.c_str()) == 0 || Failure(temp))) {
        return true;
    }
    ::unlink(temp.c_str());
    return failed();
}

} // namespace qb::fs
