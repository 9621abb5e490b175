#include "app/store_lock.h"

#include "app/disk_changes.h"

#include "platform/paths.h"

#include <algorithm>
#include <map>
#include <mutex>

namespace qb {

struct StoreLocks::Entry {
    fs::FileLock lock;
    fs::LockMode mode = fs::LockMode::Exclusive;
};

namespace {

// The locks this process holds, by lock path; an entry lives as long as a StoreLocks holds it.
struct HeldTable {
    std::mutex mutex;
    std::map<std::string, std::weak_ptr<StoreLocks::Entry>> entries;
};

HeldTable& Held() {
    static HeldTable table;
    return table;
}

} // namespace

std::string StoreLockPath(CMails* folder) {
    if (folder == nullptr)
        return {};
    CMails* root = folder->GetRoot();
    if (root == nullptr || root->GetType() == CMails::kPlain || root->m_strPath.empty())
        return {};
    // A root that is no directory holds nothing to guard; its commands fail on their own.
    if (!fs::IsDirectory(root->m_strPath))
        return {};
    const std::string resolved = fs::ResolvePath(root->m_strPath);
    if (resolved.empty() || resolved == "/")
        return {};
    return StripTrailingSeparators(resolved) + ".lock";
}

StoreLocks::~StoreLocks() = default;

StoreLocks StoreLocks::Acquire(const std::vector<CMails*>& folders, fs::LockMode mode,
                               int timeoutMs) {
    std::vector<std::string> paths;
    for (CMails* folder : folders) {
        std::string path = StoreLockPath(folder);
        if (!path.empty())
            paths.push_back(std::move(path));
    }
    std::sort(paths.begin(), paths.end());
    paths.erase(std::unique(paths.begin(), paths.end()), paths.end());

    StoreLocks locks;
    HeldTable& table = Held();
    for (const std::string& path : paths) {
        {
            std::lock_guard<std::mutex> guard(table.mutex);
            const auto it = table.entries.find(path);
            std::shared_ptr<Entry> held = it != table.entries.end() ? it->second.lock() : nullptr;
            // An exclusive lock covers every use; a shared one only reading.
            if (held && (held->mode == fs::LockMode::Exclusive || mode == fs::LockMode::Shared)) {
                locks.m_held.push_back(std::move(held));
                continue;
            }
        }
        auto entry = std::make_shared<Entry>();
        entry->mode = mode;
        if (!entry->lock.Acquire(path, timeoutMs, mode)) {
            const Result result = entry->lock.WasBusy() ? Result::Busy : Result::Failed;
            locks.m_held.clear();
            locks.m_result = result;
            return locks;
        }
        std::lock_guard<std::mutex> guard(table.mutex);
        table.entries[path] = entry;
        locks.m_held.push_back(std::move(entry));
    }
    return locks;
}

const char* StoreLocks::FailureText() const {
    return m_result == Result::Busy ? kTextMailboxInUse : kTextCannotLockMailbox;
}

void VisitMessageList(CMails& folder, const ListingVisitor& visit, int timeoutMs,
                      bool withDeleted) {
    const StoreLocks locks = StoreLocks::Acquire({&folder}, fs::LockMode::Shared, timeoutMs);
    folder.VisitListing(withDeleted, visit);
}

MessageList& ListMessages(CMails& folder, int timeoutMs, bool withDeleted) {
    const StoreLocks locks = StoreLocks::Acquire({&folder}, fs::LockMode::Shared, timeoutMs);
    // Taken before reading: a change made while the list is read shows as a change later.
    std::vector<std::int64_t> stamp = StampFolder(folder);
    MessageList& listed = withDeleted ? folder.GetMessagesWithDeleted() : folder.GetMessages();
    folder.m_listedStamp = std::move(stamp);
    return listed;
}

} // namespace qb
