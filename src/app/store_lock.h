// One writer per store among Quillbox processes. Each store has a lock file beside its root
// directory (ROOT.lock): a command that changes a store holds it exclusively from before its
// first write until it ends, and reading a folder's list holds it shared while it reads, so
// that two processes never interleave their writes to one folder file or index and a reader
// never lists a message half written. Nothing is held between commands.
//
// The locks held are counted per process, so a command that locks a store which an enclosing
// command holds already goes on under the enclosing lock rather than waiting for itself.
#pragma once

#include "platform/file_system.h"

#include "model/mails.h"

#include <memory>
#include <string>
#include <vector>

namespace qb {

// Shown when another process kept a store's lock for all the time a command waits for it.
inline constexpr char kTextMailboxInUse[] = "The mailbox is in use by another Quillbox process";
// Shown when a store's lock file cannot be made (the directory holding the store is not
// writable, say): the command writes nothing rather than write unguarded.
inline constexpr char kTextCannotLockMailbox[] = "Cannot lock the mailbox";

// How long a command waits for a store another process holds, in milliseconds.
inline constexpr int kStoreLockWaitMs = 5000;

// The lock file of the store `folder` lies in: ROOT.lock beside the store's root directory,
// named after the root with every link resolved (so two spellings of one store share it). ""
// for a folder of no store on disk (an in-memory folder, a root that is no directory).
std::string StoreLockPath(CMails* folder);

// The locks one command holds, released when it goes.
class StoreLocks {
  public:
    enum class Result { Held, Busy, Failed };
    // One lock file held, shared by the StoreLocks of nested commands.
    struct Entry;

    StoreLocks() = default;
    StoreLocks(StoreLocks&&) = default;
    StoreLocks& operator=(StoreLocks&&) = default;
    ~StoreLocks();

    // Locks the stores of `folders` (null folders and folders of no store are passed over),
    // each once, in the order of their lock paths, so that two processes locking the same
    // stores never wait for each other in a circle. On failure nothing stays held.
    static StoreLocks Acquire(const std::vector<CMails*>& folders, fs::LockMode mode,
                              int timeoutMs);

    Result GetResult() const { return m_result; }
    explicit operator bool() const { return m_result == Result::Held; }
    // The text to show for a failed Acquire.
    const char* FailureText() const;

  private:
    std::vector<std::shared_ptr<Entry>> m_held;
    Result m_result = Result::Held;
};

// The folder's list re-read from its store (CMails::GetMessages, or GetMessagesWithDeleted when
// `withDeleted`) under a shared lock. When another process keeps the store locked past the wait,
// the list is read all the same: the stores check what they read, and reading changes nothing.
MessageList& ListMessages(CMails& folder, int timeoutMs = kStoreLockWaitMs,
                          bool withDeleted = false);
// The same messages handed to `visit` one at a time as they are read, none kept (a folder of any
// size is listed in the memory of one message).
void VisitMessageList(CMails& folder, const ListingVisitor& visit, int timeoutMs = kStoreLockWaitMs,
                      bool withDeleted = false);

} // namespace qb
