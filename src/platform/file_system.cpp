#include "platform/file_system.h"

#include "platform/paths.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <utility>

#ifdef _WIN32
#include "platform/windows_api.h"
// After windows.h, which they need.
#include <fcntl.h>
#include <io.h>
#include <shellapi.h>
#else
#include <csignal>
#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif

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
        // The process stops dead: no destructor, no flush, no handler of its own runs.
#ifdef _WIN32
        ::TerminateProcess(::GetCurrentProcess(), 77);
#endif
        _exit(77);
    case FaultKind::ShortWrite:
        return op == Op::Write ? Verdict::Short : Verdict::Fail;
    default:
        return Verdict::Fail;
    }
}

#ifdef _WIN32

// Files are Win32 handles wrapped in C runtime descriptors (so that a File holds an int on every
// platform); all reading and writing goes to the handle itself, in binary.
HANDLE HandleOf(int fd) {
    return reinterpret_cast<HANDLE>(::_get_osfhandle(fd));
}

void CloseDescriptor(int fd) {
    ::_close(fd);
}

std::wstring Widen(std::string_view text, bool& ok) {
    ok = true;
    if (text.empty())
        return {};
    const int size = static_cast<int>(text.size());
    const int n =
        ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), size, nullptr, 0);
    if (n <= 0) {
        ok = false;
        return {};
    }
    std::wstring wide(static_cast<std::size_t>(n), L'\0');
    ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), size, wide.data(), n);
    return wide;
}

std::string Narrow(std::wstring_view wide) {
    if (wide.empty())
        return {};
    const int size = static_cast<int>(wide.size());
    const int n =
        ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
    if (n > 0)
        ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, text.data(), n, nullptr, nullptr);
    return text;
}

// Whether a path of '\\' separators names its file directly: a drive-absolute path with no
// "." or ".." component and no doubled separator.
bool IsPlainAbsolute(std::wstring_view path) {
    if (path.size() < 3 || path[1] != L':' || path[2] != L'\\')
        return false;
    std::size_t start = 3;
    while (start < path.size()) {
        const std::size_t end = std::min(path.find(L'\\', start), path.size());
        const std::wstring_view part = path.substr(start, end - start);
        if ((part.empty() && end < path.size()) || part == L"." || part == L"..")
            return false;
        start = end + 1;
    }
    return true;
}

// The form of a UTF-8 path that the wide file API takes: '\\' separators, absolute, with the
// long-path prefix so that no 260-character limit applies. Empty for a path that is not UTF-8.
std::wstring WidePath(const std::string& path) {
    bool ok = true;
    std::wstring wide = Widen(path, ok);
    if (!ok || wide.empty() || wide.rfind(L"\\\\?\\", 0) == 0)
        return wide;
    std::replace(wide.begin(), wide.end(), L'/', L'\\');
    if (!IsPlainAbsolute(wide)) {
        const DWORD n = ::GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
        if (n == 0)
            return {};
        std::wstring full(n, L'\0');
        const DWORD written = ::GetFullPathNameW(wide.c_str(), n, full.data(), nullptr);
        if (written == 0 || written >= n)
            return {};
        full.resize(written);
        wide = std::move(full);
    }
    if (wide.rfind(L"\\\\", 0) == 0)
        return L"\\\\?\\UNC\\" + wide.substr(2);
    return L"\\\\?\\" + wide;
}

// The attributes of a name (links are not followed); false when it does not exist.
bool Attributes(const std::string& path, WIN32_FILE_ATTRIBUTE_DATA& data) {
    const std::wstring wide = WidePath(path);
    return !wide.empty() && ::GetFileAttributesExW(wide.c_str(), GetFileExInfoStandard, &data);
}

// Opens a handle as a descriptor; -1 when it cannot be opened.
int OpenDescriptor(const std::string& path, DWORD access, DWORD disposition) {
    const std::wstring wide = WidePath(path);
    if (wide.empty())
        return -1;
    // Others may read, write, rename and delete the file while it is open, as on POSIX (a
    // rename over it still waits for its close: whoever replaces a file closes it first).
    const HANDLE handle =
        ::CreateFileW(wide.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                      nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        // The system's reason as the C library would give it, for the failure's text.
        switch (::GetLastError()) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_NAME:
            errno = ENOENT;
            break;
        case ERROR_ACCESS_DENIED:
        case ERROR_SHARING_VIOLATION:
            errno = EACCES;
            break;
        case ERROR_FILE_EXISTS:
        case ERROR_ALREADY_EXISTS:
            errno = EEXIST;
            break;
        default:
            errno = EIO;
        }
        return -1;
    }
    const int fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_BINARY);
    if (fd < 0)
        ::CloseHandle(handle);
    return fd;
}

bool WriteAll(int fd, const char* data, std::size_t size) {
    const HANDLE handle = HandleOf(fd);
    while (size > 0) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(size, 1u << 30));
        DWORD written = 0;
        if (!::WriteFile(handle, data, chunk, &written, nullptr) || written == 0)
            return false;
        data += written;
        size -= written;
    }
    return true;
}

bool RenameReplacing(const std::string& from, const std::string& to) {
    const std::wstring wideFrom = WidePath(from);
    const std::wstring wideTo = WidePath(to);
    return !wideFrom.empty() && !wideTo.empty() &&
           ::MoveFileExW(wideFrom.c_str(), wideTo.c_str(),
                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
}

void RemoveQuietly(const std::string& path) {
    const std::wstring wide = WidePath(path);
    if (!wide.empty())
        ::DeleteFileW(wide.c_str());
}

bool ProcessIsGone(long pid) {
    const HANDLE process = ::OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(pid));
    if (process == nullptr)
        return ::GetLastError() == ERROR_INVALID_PARAMETER;
    const bool ended = ::WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
    ::CloseHandle(process);
    return ended;
}

#else

void CloseDescriptor(int fd) {
    ::close(fd);
}

bool RenameReplacing(const std::string& from, const std::string& to) {
    return ::rename(from.c_str(), to.c_str()) == 0;
}

void RemoveQuietly(const std::string& path) {
    ::unlink(path.c_str());
}

bool ProcessIsGone(long pid) {
    return ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH;
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

#endif

// Waits until what was written through `fd` is on the disk.
bool SyncDescriptor(int fd) {
#ifdef _WIN32
    return ::FlushFileBuffers(HandleOf(fd)) != 0;
#else
    return ::fsync(fd) == 0;
#endif
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
        CloseDescriptor(m_fd);
}

File::File(File&& other) noexcept : m_fd(other.m_fd), m_path(std::move(other.m_path)) {
    other.m_fd = -1;
}

File& File::operator=(File&& other) noexcept {
    if (this != &other) {
        if (m_fd >= 0)
            CloseDescriptor(m_fd);
        m_fd = other.m_fd;
        m_path = std::move(other.m_path);
        other.m_fd = -1;
    }
    return *this;
}

bool File::Open(const std::string& path, OpenMode mode) {
    if (m_fd >= 0) {
        CloseDescriptor(m_fd);
        m_fd = -1;
    }
    if (Tick(Op::Open, path) != Verdict::Go)
        return false;
#ifdef _WIN32
    // A directory cannot be opened this way, as the POSIX branch refuses it below.
    static constexpr struct {
        DWORD access;
        DWORD disposition;
    } kModes[] = {{GENERIC_READ, OPEN_EXISTING},
                  {GENERIC_READ | GENERIC_WRITE, OPEN_EXISTING},
                  {GENERIC_WRITE, CREATE_ALWAYS},
                  {GENERIC_WRITE, CREATE_NEW}};
    const auto& how = kModes[static_cast<int>(mode)];
    errno = 0;
    m_fd = OpenDescriptor(path, how.access, how.disposition);
    if (m_fd < 0)
        return Failure(path);
    m_path = path;
    return true;
#else
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
#endif
}

std::int64_t File::Read(void* buffer, std::size_t size) {
    if (m_fd < 0)
        return -1;
    if (Tick(Op::Read) != Verdict::Go) {
        Injected(m_path);
        return -1;
    }
#ifdef _WIN32
    DWORD got = 0;
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(size, 1u << 30));
    if (!::ReadFile(HandleOf(m_fd), buffer, chunk, &got, nullptr)) {
        Failure(m_path);
        return -1;
    }
    return static_cast<std::int64_t>(got);
#else
    for (;;) {
        const ssize_t n = ::read(m_fd, buffer, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            Failure(m_path);
        return n;
    }
#endif
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
#ifdef _WIN32
    LARGE_INTEGER to;
    to.QuadPart = position;
    return ::SetFilePointerEx(HandleOf(m_fd), to, nullptr, FILE_BEGIN);
#else
    return ::lseek(m_fd, static_cast<off_t>(position), SEEK_SET) == static_cast<off_t>(position);
#endif
}

bool File::SeekEnd() {
    if (m_fd < 0)
        return false;
    if (Tick(Op::Seek) != Verdict::Go)
        return false;
#ifdef _WIN32
    LARGE_INTEGER zero;
    zero.QuadPart = 0;
    return ::SetFilePointerEx(HandleOf(m_fd), zero, nullptr, FILE_END);
#else
    return ::lseek(m_fd, 0, SEEK_END) >= 0;
#endif
}

bool File::Truncate(std::int64_t size) {
    if (m_fd < 0 || size < 0)
        return false;
    if (Tick(Op::Truncate) != Verdict::Go)
        return false;
#ifdef _WIN32
    // The end is set at the file position, which is put back afterwards as ftruncate leaves it.
    const HANDLE handle = HandleOf(m_fd);
    LARGE_INTEGER zero, here, to;
    zero.QuadPart = 0;
    to.QuadPart = size;
    if (!::SetFilePointerEx(handle, zero, &here, FILE_CURRENT))
        return false;
    const bool cut = ::SetFilePointerEx(handle, to, nullptr, FILE_BEGIN) && ::SetEndOfFile(handle);
    return ::SetFilePointerEx(handle, here, nullptr, FILE_BEGIN) && cut;
#else
    int rc;
    do {
        rc = ::ftruncate(m_fd, static_cast<off_t>(size));
    } while (rc != 0 && errno == EINTR);
    return rc == 0;
#endif
}

std::int64_t File::Size() {
    if (m_fd < 0)
        return -1;
    if (Tick(Op::Stat) != Verdict::Go)
        return -1;
#ifdef _WIN32
    LARGE_INTEGER size;
    return ::GetFileSizeEx(HandleOf(m_fd), &size) ? static_cast<std::int64_t>(size.QuadPart) : -1;
#else
    struct stat st {};
    if (::fstat(m_fd, &st) != 0)
        return -1;
    return static_cast<std::int64_t>(st.st_size);
#endif
}

bool File::Flush() {
    if (m_fd < 0)
        return false;
    if (Tick(Op::Flush) != Verdict::Go)
        return Injected(m_path);
    return !g_diskWaits || SyncDescriptor(m_fd) || Failure(m_path);
}

void File::StartFlush() {
#ifdef __linux__
    // Only a hint: the Flush that follows checks every byte.
    if (m_fd >= 0 && g_diskWaits)
        ::sync_file_range(m_fd, 0, 0, SYNC_FILE_RANGE_WRITE);
#endif
}

bool File::FlushAll(const std::vector<File*>& files) {
    // The checks and their fault plan in the order of `files`; only the waits run side by side.
    for (File* file : files) {
        if (file->m_fd < 0)
            return false;
        if (Tick(Op::Flush) != Verdict::Go)
            return Injected(file->m_path);
    }
    if (!g_diskWaits || files.empty())
        return true;
    constexpr std::size_t kWaiters = 16;
    std::atomic<std::size_t> next{0};
    // The first file that failed, told on this thread once the waits are over.
    std::atomic<std::size_t> failedAt{files.size()};
    std::atomic<int> failedErrno{0};
    auto wait = [&] {
        for (std::size_t i = next++; i < files.size(); i = next++) {
            if (!SyncDescriptor(files[i]->m_fd)) {
                std::size_t none = files.size();
                if (failedAt.compare_exchange_strong(none, i))
                    failedErrno = errno;
            }
        }
    };
    std::vector<std::thread> waiters;
    for (std::size_t i = 1; i < std::min(kWaiters, files.size()); ++i)
        waiters.emplace_back(wait);
    wait();
    for (std::thread& waiter : waiters)
        waiter.join();
    if (failedAt == files.size())
        return true;
    errno = failedErrno;
    return Failure(files[failedAt]->m_path);
}

bool File::Close() {
    if (m_fd < 0)
        return true;
    const int fd = m_fd;
    m_fd = -1;
    const bool injected = Tick(Op::Close) != Verdict::Go;
    if (injected)
        Injected(m_path);
#ifdef _WIN32
    const bool closed = ::_close(fd) == 0 || Failure(m_path);
#else
    const bool closed = ::close(fd) == 0 || Failure(m_path);
#endif
    return closed && !injected;
}

// ---- FileSystemSync -------------------------------------------------------------------------

bool FileSystemSync::Available() {
#ifdef __linux__
    return true;
#else
    return false;
#endif
}

bool FileSystemSync::Open(const std::string& directory) {
    Close();
    if (Tick(Op::Open, directory) != Verdict::Go)
        return false;
    m_path = directory;
#ifdef __linux__
    do {
        m_fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    } while (m_fd < 0 && errno == EINTR);
    return m_fd >= 0 || Failure(directory);
#else
    errno = ENOSYS;
    return Failure(directory);
#endif
}

bool FileSystemSync::Sync() {
    if (m_fd < 0)
        return false;
    if (Tick(Op::Flush, m_path) != Verdict::Go)
        return Injected(m_path);
#ifdef __linux__
    return !g_diskWaits || ::syncfs(m_fd) == 0 || Failure(m_path);
#else
    return false;
#endif
}

void FileSystemSync::Close() {
    if (m_fd >= 0)
        CloseDescriptor(m_fd);
    m_fd = -1;
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
#ifdef _WIN32
    const int fd = OpenDescriptor(path, GENERIC_READ | GENERIC_WRITE, OPEN_ALWAYS);
#else
    int fd;
    do {
        fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    } while (fd < 0 && errno == EINTR);
#endif
    if (fd < 0)
        return false;
    if (Tick(Op::Lock, path) != Verdict::Go) {
        CloseDescriptor(fd);
        return false;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
#ifdef _WIN32
        // The first byte stands for the whole file; locks of two handles conflict even within
        // one process, as two open file descriptions do with flock.
        OVERLAPPED at{};
        const DWORD how =
            (mode == LockMode::Shared ? 0 : LOCKFILE_EXCLUSIVE_LOCK) | LOCKFILE_FAIL_IMMEDIATELY;
        if (::LockFileEx(HandleOf(fd), how, 0, 1, 0, &at))
            break;
        const DWORD error = ::GetLastError();
        if (error != ERROR_LOCK_VIOLATION && error != ERROR_IO_PENDING) {
#else
        if (::flock(fd, (mode == LockMode::Shared ? LOCK_SH : LOCK_EX) | LOCK_NB) == 0)
            break;
        if (errno != EWOULDBLOCK && errno != EINTR) {
#endif
            CloseDescriptor(fd);
            return false;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            CloseDescriptor(fd);
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
#ifdef _WIN32
        OVERLAPPED at{};
        ::UnlockFileEx(HandleOf(m_fd), 0, 1, 0, &at);
#else
        ::flock(m_fd, LOCK_UN);
#endif
        CloseDescriptor(m_fd);
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

#ifdef _WIN32

bool Exists(const std::string& path) {
    if (Tick(Op::Stat, path) != Verdict::Go)
        return false;
    WIN32_FILE_ATTRIBUTE_DATA data;
    return Attributes(path, data);
}

bool IsDirectory(const std::string& path) {
    if (Tick(Op::Stat, path) != Verdict::Go)
        return false;
    WIN32_FILE_ATTRIBUTE_DATA data;
    return Attributes(path, data) && (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool IsRegularFile(const std::string& path) {
    if (Tick(Op::Stat, path) != Verdict::Go)
        return false;
    WIN32_FILE_ATTRIBUTE_DATA data;
    return Attributes(path, data) &&
           (data.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) == 0;
}

std::int64_t FileSize(const std::string& path) {
    if (Tick(Op::Stat, path) != Verdict::Go)
        return -1;
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!Attributes(path, data))
        return -1;
    return static_cast<std::int64_t>((static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) |
                                     data.nFileSizeLow);
}

FileStamp StampFile(const std::string& path) {
    // No fault is injected here: a stamp that cannot be taken only makes a folder be read again.
    FileStamp stamp;
    const std::wstring wide = WidePath(path);
    if (wide.empty())
        return stamp;
    const HANDLE handle =
        ::CreateFileW(wide.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return stamp;
    BY_HANDLE_FILE_INFORMATION info;
    if (::GetFileInformationByHandle(handle, &info)) {
        const auto join = [](DWORD high, DWORD low) {
            return static_cast<std::int64_t>((static_cast<std::uint64_t>(high) << 32) | low);
        };
        stamp.size = join(info.nFileSizeHigh, info.nFileSizeLow);
        // 100-nanosecond units.
        stamp.changed =
            join(info.ftLastWriteTime.dwHighDateTime, info.ftLastWriteTime.dwLowDateTime) * 100;
        stamp.node = join(info.nFileIndexHigh, info.nFileIndexLow);
    }
    ::CloseHandle(handle);
    return stamp;
}

bool CreateDirectory(const std::string& path) {
    if (Tick(Op::CreateDirectory, path) != Verdict::Go)
        return false;
    const std::wstring wide = WidePath(path);
    return !wide.empty() && ::CreateDirectoryW(wide.c_str(), nullptr);
}

bool RemoveFile(const std::string& path) {
    if (Tick(Op::Remove, path) != Verdict::Go)
        return false;
    const std::wstring wide = WidePath(path);
    return !wide.empty() && ::DeleteFileW(wide.c_str());
}

bool RemoveDirectory(const std::string& path) {
    if (Tick(Op::RemoveDirectory, path) != Verdict::Go)
        return false;
    const std::wstring wide = WidePath(path);
    return !wide.empty() && ::RemoveDirectoryW(wide.c_str());
}

bool MoveFile(const std::string& from, const std::string& to) {
    if (Tick(Op::Rename, from) != Verdict::Go)
        return false;
    // Without MOVEFILE_REPLACE_EXISTING the rename fails when `to` exists, file or directory.
    const std::wstring wideFrom = WidePath(from);
    const std::wstring wideTo = WidePath(to);
    return !wideFrom.empty() && !wideTo.empty() &&
           ::MoveFileExW(wideFrom.c_str(), wideTo.c_str(), MOVEFILE_WRITE_THROUGH);
}

// NTFS and FAT keep directory entries in their own metadata, which a normal user cannot flush
// apart from the files: renames are written through (MOVEFILE_WRITE_THROUGH) and every file is
// flushed on its own, so these count the operation and leave the rest to the file system.
bool SyncDirectory(const std::string& path) {
    return Tick(Op::Flush, path) == Verdict::Go;
}

bool SyncFileSystem(const std::string& path) {
    return Tick(Op::Flush, path) == Verdict::Go;
}

std::string ResolvePath(const std::string& path) {
    if (path.empty())
        return {};
    if (Tick(Op::Stat, path) != Verdict::Go)
        return path;
    std::wstring full = WidePath(path);
    if (full.empty())
        return path;
    // The longest existing leading part is resolved by the system (links, letter case); the rest
    // is appended as written.
    std::wstring head = full;
    std::wstring tail;
    while (head.size() > 1 && head.back() == L'\\')
        head.pop_back();
    for (;;) {
        const HANDLE handle =
            ::CreateFileW(head.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                          nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        if (handle != INVALID_HANDLE_VALUE) {
            std::wstring real(32768, L'\0');
            const DWORD n = ::GetFinalPathNameByHandleW(handle, real.data(),
                                                        static_cast<DWORD>(real.size()), 0);
            ::CloseHandle(handle);
            if (n > 0 && n < real.size()) {
                real.resize(n);
                head = std::move(real);
                break;
            }
        }
        // "\\?\\C:\\" is the shortest head: a drive's root keeps its separator.
        const std::size_t cut = head.rfind(L'\\');
        if (cut == std::wstring::npos || cut < 6 || head.size() <= 7)
            break;
        tail = head.substr(cut + 1) + (tail.empty() ? L"" : L"\\" + tail);
        head.resize(cut == 6 ? 7 : cut);
    }
    std::wstring result = head;
    if (!tail.empty())
        result += (result.back() == L'\\' ? L"" : L"\\") + tail;
    if (result.rfind(L"\\\\?\\UNC\\", 0) == 0)
        result = L"\\\\" + result.substr(8);
    else if (result.rfind(L"\\\\?\\", 0) == 0)
        result.erase(0, 4);
    // The program joins names with '/', which every Windows file call takes too.
    std::replace(result.begin(), result.end(), L'\\', L'/');
    if (result.size() == 2 && result[1] == L':')
        result += L'/';
    return Narrow(result);
}

bool ListDirectory(const std::string& path, std::vector<DirEntry>& entries) {
    entries.clear();
    if (Tick(Op::ListDirectory, path) != Verdict::Go)
        return false;
    std::wstring pattern = WidePath(path);
    if (pattern.empty())
        return false;
    if (pattern.back() != L'\\')
        pattern += L'\\';
    pattern += L'*';
    WIN32_FIND_DATAW found;
    const HANDLE search = ::FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &found,
                                             FindExSearchNameMatch, nullptr, 0);
    if (search == INVALID_HANDLE_VALUE)
        return false;
    do {
        const std::wstring_view name = found.cFileName;
        if (name == L"." || name == L"..")
            continue;
        DirEntry entry;
        entry.name = Narrow(name);
        entry.isDirectory = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        entries.push_back(std::move(entry));
    } while (::FindNextFileW(search, &found));
    const bool complete = ::GetLastError() == ERROR_NO_MORE_FILES;
    ::FindClose(search);
    return complete;
}

#else

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
        if (::link(from.c_str(), to.c_str()) == 0) {
            if (::unlink(from.c_str()) != 0) {
                ::unlink(to.c_str());
                return false;
            }
            return true;
        }
        // A file system without hard links (FAT, exFAT through FUSE) gets the check before the
        // rename that directories get.
        if (errno != EPERM && errno != EOPNOTSUPP && errno != ENOSYS)
            return false;
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

#endif

std::string TemporaryNameFor(const std::string& target) {
    static std::atomic<unsigned> counter{0};
    const std::string name = ".qbtmp-" + std::to_string(ProcessId()) + "-" +
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
        if (pid <= 0 || pid == ProcessId())
            continue;
        if (ProcessIsGone(pid))
            RemoveFile(JoinPath(directory, entry.name));
    }
    return true;
}

bool ReplaceFile(const std::string& target, const std::function<bool(File&)>& write) {
    return ReplaceFile(target, write, [] { return true; });
}

bool ReplaceFile(const std::string& target, const std::function<bool(File&)>& write,
                 const std::function<bool()>& stillValid) {
    FileReplacement replacement(target);
    if (!replacement.Open())
        return false;
    if (!write(replacement.Out())) {
        replacement.Abandon();
        return false;
    }
    return replacement.Commit(stillValid);
}

FileReplacement::FileReplacement(std::string target) : m_target(std::move(target)) {}

FileReplacement::~FileReplacement() {
    Abandon();
}

namespace {

// A failure of a temporary file is told as one of the file it stands in for.
void TellAsTarget(const std::string& temp, const std::string& target) {
    if (g_lastPath == temp)
        g_lastPath = target;
}

} // namespace

bool FileReplacement::Open() {
    m_temp = TemporaryNameFor(m_target);
    if (!m_file.Open(m_temp, OpenMode::CreateNew)) {
        TellAsTarget(m_temp, m_target);
        return false;
    }
    m_bPending = true;
    return true;
}

bool FileReplacement::Commit(const std::function<bool()>& stillValid) {
    if (!m_bPending)
        return false;
    bool ok = m_file.Flush();
    ok = m_file.Close() && ok;
    ok = ok && (!stillValid || stillValid());
    if (ok && Tick(Op::Rename, m_temp) == Verdict::Go &&
        (RenameReplacing(m_temp, m_target) || Failure(m_temp))) {
        m_bPending = false;
        return true;
    }
    Abandon();
    return false;
}

void FileReplacement::Abandon() {
    if (!m_bPending)
        return;
    m_bPending = false;
    m_file.Close();
    RemoveQuietly(m_temp);
    TellAsTarget(m_temp, m_target);
}

// ---- the process ----------------------------------------------------------------------------

#ifdef _WIN32

std::vector<std::string> ProcessArguments(int argc, char** argv) {
    std::vector<std::string> arguments;
    int count = 0;
    if (wchar_t** wide = ::CommandLineToArgvW(::GetCommandLineW(), &count)) {
        for (int i = 0; i < count; ++i)
            arguments.push_back(Narrow(wide[i]));
        ::LocalFree(wide);
    } else {
        arguments.assign(argv, argv + argc);
    }
    ::_setmode(::_fileno(stdin), _O_BINARY);
    ::_setmode(::_fileno(stdout), _O_BINARY);
    ::_setmode(::_fileno(stderr), _O_BINARY);
    // What the program prints is UTF-8; a console shows it as such.
    ::SetConsoleOutputCP(CP_UTF8);
    return arguments;
}

std::optional<std::string> EnvironmentVariable(const char* name) {
    bool ok = true;
    const std::wstring wideName = Widen(name, ok);
    const wchar_t* value = ok ? ::_wgetenv(wideName.c_str()) : nullptr;
    if (value == nullptr)
        return std::nullopt;
    return Narrow(value);
}

std::string HomeDirectory() {
    if (auto profile = EnvironmentVariable("USERPROFILE"); profile && !profile->empty())
        return *profile;
    const auto drive = EnvironmentVariable("HOMEDRIVE");
    const auto path = EnvironmentVariable("HOMEPATH");
    return drive && path ? *drive + *path : std::string();
}

long ProcessId() {
    return static_cast<long>(::GetCurrentProcessId());
}

std::string HostName() {
    wchar_t name[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
    return ::GetComputerNameW(name, &size) ? Narrow(std::wstring_view(name, size)) : std::string();
}

#else

std::vector<std::string> ProcessArguments(int argc, char** argv) {
    return std::vector<std::string>(argv, argv + argc);
}

std::optional<std::string> EnvironmentVariable(const char* name) {
    if (const char* value = std::getenv(name))
        return std::string(value);
    return std::nullopt;
}

std::string HomeDirectory() {
    if (const char* env = std::getenv("HOME"); env != nullptr && *env != '\0')
        return env;
    if (const passwd* pw = ::getpwuid(::getuid()); pw != nullptr && pw->pw_dir)
        return pw->pw_dir;
    return {};
}

long ProcessId() {
    return static_cast<long>(::getpid());
}

std::string HostName() {
    char name[256] = {};
    if (::gethostname(name, sizeof name - 1) != 0)
        return {};
    return name;
}

#endif

} // namespace qb::fs
