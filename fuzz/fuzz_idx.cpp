// Arbitrary bytes as an index file: loading, then saving what was loaded. What was loaded must
// save as an index that loads back to exactly the same bytes.
#include "stores/mail_index.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

const std::string& Dir() {
    static const std::string dir = [] {
        // Memory-backed when there is such a place: every input is written to a file.
        std::string d = std::string(::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp") +
                        "/fuzz_idx-" + std::to_string(::getpid());
        ::mkdir(d.c_str(), 0700);
        return d;
    }();
    return dir;
}

bool Write(const std::string& path, const void* data, std::size_t size) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr)
        return false;
    const bool ok = std::fwrite(data, 1, size, f) == size;
    return std::fclose(f) == 0 && ok;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string path = Dir() + "/a.idx";
    if (!Write(path, data, size))
        return 0;
    qb::CMailIndex index;
    const bool whole = index.Load(path);
    // A listing reads only the removed ids, passing over the rest of each record: they must be
    // those of the loaded records.
    std::vector<std::uint32_t> removed;
    for (const auto& record : index.m_aRecords) {
        if (index.IsRemoved(record->m_nMessageId))
            removed.push_back(record->m_nMessageId);
    }
    std::sort(removed.begin(), removed.end());
    removed.erase(std::unique(removed.begin(), removed.end()), removed.end());
    if (qb::CMailIndex::RemovedIds(path) != removed)
        __builtin_trap();
    const std::string saved = index.Serialize();
    if (saved.size() < qb::CMailIndex::kHeaderSize)
        __builtin_trap();
    if (whole && std::string(reinterpret_cast<const char*>(data), saved.size()) != saved &&
        saved.size() <= size)
        __builtin_trap(); // a complete index saves as the bytes it was read from
    // Taking a removed mark off and putting it back leaves the same bytes.
    for (const auto& record : index.m_aRecords) {
        const std::uint32_t id = record->m_nMessageId;
        if (index.IsRemoved(id)) {
            if (!index.MarkLive(id) || index.IsRemoved(id) || !index.MarkRemoved(id))
                __builtin_trap();
        } else if (index.MarkLive(id)) {
            __builtin_trap(); // only a removed record can be made live
        }
    }
    if (index.Serialize() != saved)
        __builtin_trap();
    if (!Write(path, saved.data(), saved.size()))
        return 0;
    qb::CMailIndex again;
    if (!again.Load(path) || again.Serialize() != saved)
        __builtin_trap();
    return 0;
}
