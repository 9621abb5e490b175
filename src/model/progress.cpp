#include "model/progress.h"

namespace qb {

namespace {

struct Current {
    CProgress* progress = nullptr;
    bool stopped = false;
};

thread_local Current g_current;

bool Report(CProgress::Work work, std::uint64_t count) {
    if (g_current.progress == nullptr)
        return true;
    if (g_current.stopped)
        return false;
    if (!g_current.progress->Advance(work, count))
        g_current.stopped = true;
    return !g_current.stopped;
}

} // namespace

ProgressScope::ProgressScope(CProgress* progress) : m_previous(g_current.progress) {
    g_current.progress = progress;
    g_current.stopped = false;
}

ProgressScope::~ProgressScope() {
    g_current.progress = m_previous;
    // A scope ends only after the operation inside it has come back, stopped or not; the one
    // outside goes on unless it was asked to stop itself (which its next report learns again).
    g_current.stopped = false;
}

bool ContinueAfterMessages(std::uint64_t count) {
    return Report(CProgress::Work::Message, count);
}

bool ContinueListing(std::uint64_t count) {
    return Report(CProgress::Work::Listed, count);
}

bool StopRequested() {
    return g_current.progress != nullptr && g_current.stopped;
}

} // namespace qb
