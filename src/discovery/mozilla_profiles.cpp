#include "discovery/mozilla_profiles.h"

#include "discovery/profiles_ini.h"
#include "platform/file_system.h"
#include "platform/paths.h"

#include <algorithm>
#include <cctype>
#include <tuple>

namespace qb::discovery {

namespace {

constexpr std::string_view kServerPrefix = "mail.server.";
constexpr std::string_view kProfileDirectory = "[ProfD]";

std::vector<fs::DirEntry> SortedEntries(const std::string& dir) {
    std::vector<fs::DirEntry> entries;
    if (!fs::ListDirectory(dir, entries))
        entries.clear();
    std::sort(entries.begin(), entries.end(),
              [](const fs::DirEntry& a, const fs::DirEntry& b) { return a.name < b.name; });
    return entries;
}

// The directories that may hold a profiles.ini, in the order they are looked at.
std::vector<std::string> ClientDirectories(const std::string& home) {
    std::vector<std::string> dirs;
    for (const char* name : {".thunderbird", ".mozilla-thunderbird", ".icedove",
                             "snap/thunderbird/common/.thunderbird"})
        dirs.push_back(JoinPath(home, name));
    const std::string flatpaks = JoinPath(home, ".var/app");
    for (const fs::DirEntry& entry : SortedEntries(flatpaks)) {
        if (entry.isDirectory)
            dirs.push_back(JoinPath(JoinPath(flatpaks, entry.name), ".thunderbird"));
    }
    dirs.push_back(JoinPath(home, ".mozilla/seamonkey"));
    return dirs;
}

bool IsProfileSection(const std::string& name) {
    constexpr std::string_view kProfile = "Profile";
    return name.size() > kProfile.size() && name.compare(0, kProfile.size(), kProfile) == 0 &&
           std::all_of(name.begin() + kProfile.size(), name.end(),
                       [](char c) { return c >= '0' && c <= '9'; });
}

void ProfilesOfIni(const std::string& clientDir, std::vector<MozillaProfile>& profiles,
                   Warnings& warnings) {
    const std::string iniPath = JoinPath(clientDir, "profiles.ini");
    std::string text;
    if (!ReadSettingsFile(iniPath, kMaxSettingsFileBytes, text, warnings))
        return;
    std::vector<IniSection> sections;
    std::string error;
    if (!ParseIni(text, sections, error)) {
        warnings.push_back(SkippedFileWarning(iniPath, error));
        return;
    }
    for (const IniSection& section : sections) {
        const std::string* path = section.Find("Path");
        if (!IsProfileSection(section.name) || path == nullptr || path->empty())
            continue;
        // Without IsRelative, only an absolute path is taken as one.
        const std::string* relative = section.Find("IsRelative");
        const bool isRelative = relative ? *relative != "0" : path->front() != kPathSeparator;
        const std::string directory = isRelative ? JoinPath(clientDir, *path) : *path;
        const std::string* name = section.Find("Name");
        profiles.push_back({name && !name->empty() ? *name : BaseName(directory), directory});
    }
}

// Mozilla 1.x and Netscape 6/7 keep each profile NAME in ~/.mozilla/NAME/SALT.slt.
void SaltedProfiles(const std::string& home, std::vector<MozillaProfile>& profiles) {
    const std::string mozilla = JoinPath(home, ".mozilla");
    for (const fs::DirEntry& profile : SortedEntries(mozilla)) {
        if (!profile.isDirectory)
            continue;
        const std::string profileDir = JoinPath(mozilla, profile.name);
        for (const fs::DirEntry& salted : SortedEntries(profileDir)) {
            const std::string& name = salted.name;
            if (salted.isDirectory && name.size() > 4 &&
                name.compare(name.size() - 4, 4, ".slt") == 0)
                profiles.push_back({profile.name, JoinPath(profileDir, name)});
        }
    }
}

// Server ids with a type preference, in id order ("server2" before "server10").
std::vector<std::string> ServerIds(const Prefs& prefs) {
    std::vector<std::string> ids;
    for (auto it = prefs.lower_bound(kServerPrefix); it != prefs.end(); ++it) {
        const std::string_view name = it->first;
        if (name.substr(0, kServerPrefix.size()) != kServerPrefix)
            break;
        const std::string_view rest = name.substr(kServerPrefix.size());
        const std::size_t dot = rest.find('.');
        if (dot != std::string_view::npos && dot > 0 && rest.substr(dot) == ".type")
            ids.emplace_back(rest.substr(0, dot));
    }
    auto split = [](const std::string& id) {
        std::size_t digits = id.size();
        while (digits > 0 && std::isdigit(static_cast<unsigned char>(id[digits - 1])))
            --digits;
        const std::string number = id.substr(digits);
        // Leading zeros aside, a longer number is the larger one.
        const std::size_t first = std::min(number.find_first_not_of('0'), number.size());
        return std::make_tuple(id.substr(0, digits), number.size() - first, number.substr(first),
                               id);
    };
    std::sort(ids.begin(), ids.end(),
              [&](const std::string& a, const std::string& b) { return split(a) < split(b); });
    return ids;
}

} // namespace

std::vector<MozillaProfile> FindMozillaProfiles(const Places& places, Warnings& warnings) {
    std::vector<MozillaProfile> profiles;
    if (places.home.empty())
        return profiles;
    for (const std::string& dir : ClientDirectories(places.home))
        ProfilesOfIni(dir, profiles, warnings);
    SaltedProfiles(places.home, profiles);
    return profiles;
}

void FindProfileStores(const MozillaProfile& profile, const Prefs& prefs,
                       std::vector<FoundStore>& found) {
    for (const std::string& id : ServerIds(prefs)) {
        const std::string server = std::string(kServerPrefix) + id + ".";
        auto pref = [&](const char* name) { return PrefString(prefs, server + name).value_or(""); };
        const std::string type = pref("type");
        if (!EqualsNoCase(type, "none") && !EqualsNoCase(type, "pop3") &&
            !EqualsNoCase(type, "movemail"))
            continue;
        // One file per message: not a folder file with its messages one after another.
        if (pref("storeContractID").find("maildir") != std::string::npos)
            continue;
        std::string directory;
        if (const std::string relative = pref("directory-rel");
            relative.compare(0, kProfileDirectory.size(), kProfileDirectory) == 0) {
            std::string_view below = std::string_view(relative).substr(kProfileDirectory.size());
            while (!below.empty() && below.front() == kPathSeparator)
                below.remove_prefix(1);
            directory = JoinPath(profile.directory, below);
        } else {
            directory = pref("directory");
        }
        if (directory.empty())
            continue;
        std::string account = pref("name");
        if (account.empty())
            account = pref("hostname");
        if (account.empty())
            account = id;
        found.push_back(
            {profile.name + " - " + account, directory, StoreKind::NavigatorMail, true});
    }
}

void FindMozillaStores(const Places& places, std::vector<FoundStore>& found, Warnings& warnings) {
    for (const MozillaProfile& profile : FindMozillaProfiles(places, warnings)) {
        const std::string prefsPath = JoinPath(profile.directory, "prefs.js");
        std::string text;
        if (!ReadSettingsFile(prefsPath, kMaxSettingsFileBytes, text, warnings))
            continue;
        Prefs prefs;
        std::string error;
        if (!ParsePrefs(text, prefs, error)) {
            warnings.push_back(SkippedFileWarning(prefsPath, error));
            continue;
        }
        FindProfileStores(profile, prefs, found);
    }
}

} // namespace qb::discovery
