#include "app/long_operation.h"

#include "model/mails.h"

namespace qb {

std::string StoppedMessagesText(std::uint64_t done, std::uint64_t total, bool move) {
    return "Stopped: " + std::to_string(done) + " of " + std::to_string(total) + " messages " +
           (move ? "moved" : "copied");
}

std::uint64_t MessagesBelow(const CMails& folder) {
    std::uint64_t count = folder.MessageCount();
    for (const CMails* child : folder.Children())
        count += MessagesBelow(*child);
    return count;
}

LongOperation::LongOperation(Port& port, const std::string& title, std::uint64_t total)
    : m_sink(port.BeginProgress(title)), m_total(total) {}

bool LongOperation::Advance(Work work, std::uint64_t count) {
    if (m_stopped)
        return false;
    std::string text;
    if (work == Work::Message)
        m_done += count;
    else
        text = kTextReadingMessages;
    // A total counted before the work began may fall short of it: then it is not known.
    m_stopped = !m_sink->Step(m_done, m_done > m_total ? 0 : m_total, text);
    return !m_stopped;
}

} // namespace qb
