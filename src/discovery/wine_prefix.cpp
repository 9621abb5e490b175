#include "discovery/wine_prefix.h"

#include "discovery/wine_registry.h"
#include "platform/file_system.h"
#include "platform/paths.h"

#include <algorithm>
#include <cctype>
#include <set>

namespace qb::discovery {

namespace {

constexpr char kMachineHive[] = "system.reg";
constexpr char kUserHive[] = "user.reg";
constexpr std::string_view kSoftware = "Software\\";
constexpr std::string_view kWow64Software = "Software\\Wow6432Node\\";

bool IsPrefix(const std::string& dir) {
    return fs::IsRegularFile(JoinPath(dir, kMachineHive)) ||
           fs::IsRegularFile(JoinPath(dir, kUserHive));
}

// The sub-directories of `dir`, in name order.
std::vector<std::string> SubDirectories(const std::string& dir) {
    std::vector<fs::DirEntry> entries;
    std::vector<std::string> dirs;
    if (!fs::ListDirectory(dir, entries))
        return dirs;
    for (const fs::DirEntry& entry : entries) {
        if (entry.isDirectory)
            dirs.push_back(JoinPath(dir, entry.name));
    }
    std::sort(dirs.begin(), dirs.end());
    return dirs;
}

bool IsAtOrBelow(std::string_view path, std::string_view key) {
    return StartsWithNoCase(path, key) && (path.size() == key.size() || path[key.size()] == '\\');
}

bool IsWanted(std::string_view path, const std::vector<std::string>& keys) {
    return std::any_of(keys.begin(), keys.end(),
                       [&](const std::string& key) { return IsAtOrBelow(path, key); });
}

// "Software\X" for "Software\Wow6432Node\X", else "".
std::string NativeOfWow64(std::string_view path) {
    if (!StartsWithNoCase(path, kWow64Software))
        return {};
    return std::string(kSoftware) + std::string(path.substr(kWow64Software.size()));
}

std::string Folded(std::string_view text) {
    std::string folded(text);
    std::transform(folded.begin(), folded.end(), folded.begin(), ToLowerAscii);
    return folded;
}

void LoadHive(const std::string& path, Hive hive, const std::vector<std::string>& wanted,
              RegistryData& data, Warnings& warnings) {
    std::string text;
    if (!ReadSettingsFile(path, kMaxRegistryFileBytes, text, warnings))
        return;
    const bool machine = hive == Hive::LocalMachine;
    std::vector<WineKey> keys;
    std::string error;
    const bool parsed = ParseWineRegistry(text, keys, error, [&](std::string_view key) {
        return IsWanted(key, wanted) || (machine && IsWanted(NativeOfWow64(key), wanted));
    });
    if (!parsed) {
        warnings.push_back(SkippedFileWarning(path, error));
        return;
    }
    if (machine) {
        std::set<std::string> native;
        for (const WineKey& key : keys) {
            if (NativeOfWow64(key.path).empty())
                native.insert(Folded(key.path));
        }
        std::vector<WineKey> redirected;
        for (const WineKey& key : keys) {
            std::string path = NativeOfWow64(key.path);
            if (!path.empty() && !native.count(Folded(path)))
                redirected.push_back(WineKey{std::move(path), key.values});
        }
        AddWineKeys(redirected, hive, data);
    }
    AddWineKeys(keys, hive, data);
}

// The entry of `dir` named `name` without regard to case, "" when there is none.
std::string FindNoCase(const std::string& dir, const std::string& name) {
    std::vector<fs::DirEntry> entries;
    if (!fs::ListDirectory(dir, entries))
        return {};
    for (const fs::DirEntry& entry : entries) {
        if (EqualsNoCase(entry.name, name))
            return entry.name;
    }
    return {};
}

} // namespace

std::vector<std::string> FindWinePrefixes(const Places& places) {
    std::vector<std::string> candidates;
    if (!places.winePrefix.empty())
        candidates.push_back(places.winePrefix);
    if (!places.home.empty()) {
        candidates.push_back(JoinPath(places.home, ".wine"));
        for (const char* frontEnd : {".PlayOnLinux/wineprefix", ".local/share/bottles/bottles",
                                     ".local/share/lutris/prefixes", "Games", ".cxoffice"}) {
            for (std::string& dir : SubDirectories(JoinPath(places.home, frontEnd)))
                candidates.push_back(std::move(dir));
        }
    }
    std::vector<std::string> prefixes;
    std::set<std::string> seen;
    for (const std::string& dir : candidates) {
        if (IsPrefix(dir) && seen.insert(fs::ResolvePath(dir)).second)
            prefixes.push_back(dir);
    }
    return prefixes;
}

void LoadWinePrefixRegistry(const std::string& prefix, const std::vector<std::string>& keys,
                            RegistryData& data, Warnings& warnings) {
    LoadHive(JoinPath(prefix, kMachineHive), Hive::LocalMachine, keys, data, warnings);
    LoadHive(JoinPath(prefix, kUserHive), Hive::CurrentUser, keys, data, warnings);
}

std::string MapWindowsPath(const std::string& prefix, const std::string& windowsPath) {
    auto isSeparator = [](char c) { return c == '\\' || c == '/'; };
    const std::string_view path = windowsPath;
    if (path.size() < 2 || path[1] != ':' || !std::isalpha(static_cast<unsigned char>(path[0])) ||
        (path.size() > 2 && !isSeparator(path[2])))
        return {};
    const std::string drive = std::string(1, ToLowerAscii(path[0])) + ":";
    std::string result = fs::ResolvePath(JoinPath(JoinPath(prefix, "dosdevices"), drive));
    if (!fs::IsDirectory(result))
        return {};

    // The names below the drive, with "." dropped and ".." taken back (never above the drive).
    std::vector<std::string> names;
    std::size_t start = 2;
    while (start < path.size()) {
        std::size_t end = start;
        while (end < path.size() && !isSeparator(path[end]))
            ++end;
        const std::string name(path.substr(start, end - start));
        start = end + 1;
        if (name.empty() || name == ".")
            continue;
        if (name == "..") {
            if (!names.empty())
                names.pop_back();
            continue;
        }
        names.push_back(name);
    }
    bool looking = true;
    for (const std::string& name : names) {
        if (looking && !fs::Exists(JoinPath(result, name))) {
            const std::string found = FindNoCase(result, name);
            looking = !found.empty();
            result = JoinPath(result, looking ? found : name);
            continue;
        }
        result = JoinPath(result, name);
    }
    return result;
}

} // namespace qb::discovery
