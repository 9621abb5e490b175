// Every file operation of the program passes through this layer. It reports failure by its
// result (never by exception) and counts each operation, so that a test can make the n-th one
// fail, write short or stop the process dead, and prove that no failure loses mail.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace qb::fs {

// ---- fault-injection seam -------------------------------------------------------------------

enum class Op {
    Open,
    Read,
    Write,
    Seek,
    Flush,
    Close,
    Rename,
    Remove,
    RemoveDirectory,
    CreateDirectory,
    ListDirectory,
    Stat,
    Lock,
    Truncate,
};

enum class FaultKind {
    None,
    Error,      // the operation fails and does nothing
    ShortWrite, // a write stores part of its bytes and then fails; other operations fail
    Crash,      // the process ends at once, as if the power went
};

struct FaultPlan {
    std::int64_t failAt = -1; // 0-based index of the operation to fail; -1: none
    FaultKind kind = FaultKind::None;
    bool failFromThenOn = false; // every operation from failAt on fails (a dead disk)
};

// Installs a plan and resets the operation counter.
void SetFaultPlan(const FaultPlan& plan);
void ClearFaultPlan();
// Number of operations counted since the last SetFaultPlan/ClearFaultPlan.
std::int64_t OperationCount();
// Whether Flush and the syncs wait for the disk (the default). Tests that run an operation once
// per file operation it makes may turn the waits off: the operations are still counted and can
// still be made to fail.
void SetDiskWaits(bool wait);
// Optional observer of every counted operation (for tests that log what happens).
void SetOperationObserver(std::function<void(Op, const std::string&)> observer);

// The file and the system's text for the error of this thread's last file operation that failed
// ("/mail/Inbox: No space left on device"; an injected fault reads as an input/output error), ""
// when none failed since ClearLastError. Callers clear it before an operation and read it after
// it failed.
std::string LastErrorText();
void ClearLastError();

// ---- files ----------------------------------------------------------------------------------

enum class OpenMode {
    Read,      // existing file, read only
    ReadWrite, // existing file, read and write, not truncated
    Create,    // create or truncate, write only
    CreateNew, // create, failing when the name exists; write only
};

class File {
  public:
    File() = default;
    ~File();
    File(const File&) = delete;
    File& operator=(const File&) = delete;
    File(File&& other) noexcept;
    File& operator=(File&& other) noexcept;

    bool Open(const std::string& path, OpenMode mode);
    bool IsOpen() const { return m_fd >= 0; }
    // Bytes read (0 at the end of the file), or -1 on error.
    std::int64_t Read(void* buffer, std::size_t size);
    // Reads exactly size bytes; false on error or when the file ends first.
    bool ReadExact(void* buffer, std::size_t size);
    // Writes all bytes; false when any could not be written.
    bool Write(const void* buffer, std::size_t size);
    bool Write(const std::string& text) { return Write(text.data(), text.size()); }
    bool Seek(std::int64_t position);
    bool SeekEnd();
    // Cuts the file to `size` bytes (used to take back a partly written append).
    bool Truncate(std::int64_t size);
    // Current size of the file, or -1 on error.
    std::int64_t Size();
    // Forces written bytes to the disk.
    bool Flush();
    // Starts writing the file's bytes to the disk without waiting, so that a later Flush finds
    // them written.
    void StartFlush();
    // Flushes every one of `files`; false when any could not be flushed. The waits overlap, so
    // that the disk takes the many small commits of as many new files together instead of one
    // after the other.
    static bool FlushAll(const std::vector<File*>& files);
    // Closes the file; false when the close reported an error (written data may be lost).
    bool Close();

  private:
    int m_fd = -1;
    std::string m_path; // named in the reason of a failure (LastErrorText)
};

// Puts everything written to the file system that holds a directory on the disk in one sweep
// (syncfs): for thousands of new files far less work than a flush of each. A failure to write
// back any file there since Open (or the last Sync) makes Sync fail, so a file written after
// Open and closed unflushed is on the disk once Sync succeeds. Where Available() is false (no
// such call on the platform) each file must be flushed on its own.
class FileSystemSync {
  public:
    FileSystemSync() = default;
    ~FileSystemSync() { Close(); }
    FileSystemSync(const FileSystemSync&) = delete;
    FileSystemSync& operator=(const FileSystemSync&) = delete;

    static bool Available();
    bool Open(const std::string& directory);
    bool IsOpen() const { return m_fd >= 0; }
    bool Sync();
    void Close();

  private:
    int m_fd = -1;
    std::string m_path;
};

// Exclusive: one holder at a time. Shared: any number of holders, while nobody holds it
// exclusively.
enum class LockMode { Exclusive, Shared };

// A lock on a lock file, held until Release or destruction. Cooperating processes that take the
// same lock file never run their critical sections at the same time; the lock goes with the
// process if it dies. Two opens of one lock file conflict also within one process.
class FileLock {
  public:
    FileLock() = default;
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    // Opens the lock file (creating it when missing) and waits up to `timeoutMs` for the lock.
    bool Acquire(const std::string& path, int timeoutMs, LockMode mode = LockMode::Exclusive);
    void Release();
    bool IsHeld() const { return m_fd >= 0; }
    // After an Acquire that failed: whether another holder kept the lock all the time allowed
    // (rather than the lock file failing to open).
    bool WasBusy() const { return m_busy; }

  private:
    int m_fd = -1;
    bool m_busy = false;
};

// Reads a whole file into `text`. False (text empty) when it cannot be opened or read, or holds
// more than `limit` bytes: readers of other programs' files stay bounded whatever lies there.
bool ReadWholeFile(const std::string& path, std::int64_t limit, std::string& text);

// ---- names ----------------------------------------------------------------------------------

bool Exists(const std::string& path);
bool IsDirectory(const std::string& path);
bool IsRegularFile(const std::string& path);
// Size of a file, or -1 when it cannot be examined.
std::int64_t FileSize(const std::string& path);
// What tells a file changed since it was last looked at: its size, the time of its last change
// (nanoseconds) and its file number (another file renamed over it). All -1 when it cannot be
// examined.
struct FileStamp {
    std::int64_t size = -1;
    std::int64_t changed = -1;
    std::int64_t node = -1;
    bool operator==(const FileStamp&) const = default;
};
FileStamp StampFile(const std::string& path);
bool CreateDirectory(const std::string& path);
bool RemoveFile(const std::string& path);
bool RemoveDirectory(const std::string& path);
// Moves a file or directory to a new name. Never replaces: fails when `to` exists.
bool MoveFile(const std::string& from, const std::string& to);
// Puts a directory's entries (names made, renamed or removed in it) on the disk.
bool SyncDirectory(const std::string& path);

// The absolute form of a path with every symbolic link resolved and "." and ".." taken out, so
// that two names of one directory compare equal. The part of the path that does not exist is
// kept as written (below its resolved existing part); a relative path is taken from the working
// directory. "" for an empty path.
std::string ResolvePath(const std::string& path);

struct DirEntry {
    std::string name;
    bool isDirectory = false;
};
// The entries of a directory ("." and ".." left out) in the order the file system returns them.
// False when the directory cannot be read.
bool ListDirectory(const std::string& path, std::vector<DirEntry>& entries);

// Writes a whole new file under a temporary name beside `target`, flushes it and renames it over
// `target`. `write` fills the open temporary file; when it or any step fails, the temporary file
// is removed and `target` is left as it was.
bool ReplaceFile(const std::string& target, const std::function<bool(File&)>& write);
// The same, with `stillValid` asked just before the rename: false gives up (temporary file
// removed, target untouched). Used when another program may change the target meanwhile.
bool ReplaceFile(const std::string& target, const std::function<bool(File&)>& write,
                 const std::function<bool()>& stillValid);

// ReplaceFile for a writer that fills more than one new file at once: the new file is written
// through Out(), and Commit flushes it and renames it over `target`. Abandoned, or dropped before
// a Commit that succeeded, the temporary file is removed and `target` stays as it was.
class FileReplacement {
  public:
    explicit FileReplacement(std::string target);
    ~FileReplacement();
    FileReplacement(const FileReplacement&) = delete;
    FileReplacement& operator=(const FileReplacement&) = delete;

    // Creates the temporary file.
    bool Open();
    File& Out() { return m_file; }
    // `stillValid`, when given, is asked just before the rename, as ReplaceFile asks it.
    bool Commit(const std::function<bool()>& stillValid = {});
    void Abandon();

  private:
    std::string m_target;
    std::string m_temp;
    File m_file;
    bool m_bPending = false;
};

// A name beside `target` for a temporary file, unique in this process, that no store loader
// takes for a folder.
std::string TemporaryNameFor(const std::string& target);
// True for names that TemporaryNameFor makes (so loaders can skip leftovers).
bool IsTemporaryName(const std::string& name);
// Removes the temporary files in `directory` whose making process no longer runs (left behind
// by a crash). False when the directory cannot be listed.
bool RemoveStaleTemporaryFiles(const std::string& directory);

// ---- the process ----------------------------------------------------------------------------

// Readies the process for byte-exact work and returns its arguments as UTF-8. On Windows the
// arguments are taken from the wide command line (the 8-bit ones went through the ANSI code
// page) and the standard streams are switched to binary, so that no CR is added before a LF.
std::vector<std::string> ProcessArguments(int argc, char** argv);
// An environment variable as UTF-8; nullopt when it is not set.
std::optional<std::string> EnvironmentVariable(const char* name);
// The user's home directory: HOME, else the user database's entry (on Windows USERPROFILE);
// "" when neither is known.
std::string HomeDirectory();
// This process's id.
long ProcessId();
// This machine's name; "" when unknown.
std::string HostName();

} // namespace qb::fs
