// A long command's progress as the user sees it: the port's progress sink, fed by the stores
// between messages for as long as the command runs, and the user's wish to stop it.
#pragma once

#include "app/port.h"
#include "model/progress.h"

#include <cstdint>
#include <memory>
#include <string>

namespace qb {

class CMails;

// What the user is told when a long command was stopped.
inline constexpr char kTextStoppedNothingCopied[] = "Stopped: nothing was copied";
inline constexpr char kTextStoppedCompact[] =
    "Stopped: the folders compacted so far stay compacted";
inline constexpr char kTextStoppedBackup[] = "Stopped: no backup was written";
inline constexpr char kTextStoppedRestore[] = "Stopped: nothing was restored";
// The progress of reading a folder's messages.
inline constexpr char kTextReadingMessages[] = "Reading messages";
// "Stopped: 3 of 10 messages moved" (or copied).
std::string StoppedMessagesText(std::uint64_t done, std::uint64_t total, bool move);

// The messages of `folder` and its sub-folders as far as they are in memory.
std::uint64_t MessagesBelow(const CMails& folder);

class LongOperation : public CProgress {
  public:
    // Shows the progress of the operation `title` over `total` messages (0: not known yet).
    LongOperation(Port& port, const std::string& title, std::uint64_t total = 0);
    LongOperation(const LongOperation&) = delete;
    LongOperation& operator=(const LongOperation&) = delete;

    bool Advance(Work work, std::uint64_t count) override;
    void SetTotal(std::uint64_t total) { m_total = total; }
    // Whether the user asked to stop.
    bool Stopped() const { return m_stopped; }

  private:
    std::unique_ptr<ProgressSink> m_sink;
    std::uint64_t m_total;
    std::uint64_t m_done = 0;
    bool m_stopped = false;
    ProgressScope m_scope{this};
};

} // namespace qb
