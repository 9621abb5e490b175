#include "discovery/found_store.h"

#include "platform/file_system.h"

namespace qb::discovery {

Places Places::FromEnvironment() {
    Places places;
    places.home = fs::HomeDirectory();
    if (auto prefix = fs::EnvironmentVariable("WINEPREFIX"))
        places.winePrefix = *prefix;
    return places;
}

std::string SkippedFileWarning(const std::string& path, const std::string& reason) {
    return "Warning : skipped " + path + ": " + reason;
}

bool ReadSettingsFile(const std::string& path, long long limit, std::string& text,
                      Warnings& warnings) {
    if (fs::ReadWholeFile(path, limit, text))
        return true;
    if (fs::IsRegularFile(path)) {
        const std::int64_t size = fs::FileSize(path);
        warnings.push_back(SkippedFileWarning(
            path, size > limit ? "larger than " + std::to_string(limit >> 20) + " MB"
                               : std::string("cannot be read")));
    }
    return false;
}

} // namespace qb::discovery
