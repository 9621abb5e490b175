// How far a long store operation has come, and the user's wish to stop it. A command that may run
// long makes its progress the current one for the time it runs (ProgressScope); the stores report
// to whichever is current between messages, so that no store operation needs to know who watches.
// Everything runs on one thread.
//
// A store that is told to stop stops at that message boundary and leaves its files exactly as a
// failure at that point would: a folder copy is taken back whole, a compaction leaves the old
// file, an append keeps the messages written before and nothing after.
#pragma once

#include <cstdint>

namespace qb {

class CProgress {
  public:
    enum class Work {
        Message, // a message copied, appended, removed, compacted, backed up or restored
        Listed,  // messages read while listing a folder
    };
    virtual ~CProgress() = default;
    // `count` more units of `work` done. False once the operation is to stop; it stays false.
    virtual bool Advance(Work work, std::uint64_t count) = 0;
};

// Makes `progress` the current one for the lifetime of the object; scopes nest, the innermost
// counts, and the one outside it is current again afterwards.
class ProgressScope {
  public:
    explicit ProgressScope(CProgress* progress);
    ~ProgressScope();
    ProgressScope(const ProgressScope&) = delete;
    ProgressScope& operator=(const ProgressScope&) = delete;

  private:
    CProgress* m_previous;
};

// One more message handled (`count` more): false when the operation is to stop. True without a
// current progress.
bool ContinueAfterMessages(std::uint64_t count = 1);
// `count` more messages listed: false when the operation is to stop.
bool ContinueListing(std::uint64_t count);
// Whether the current progress has asked to stop (it did at an earlier Continue call).
bool StopRequested();

} // namespace qb
