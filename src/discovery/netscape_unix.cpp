#include "discovery/netscape_unix.h"

#include "discovery/prefs_js.h"
#include "platform/file_system.h"
#include "platform/paths.h"

namespace qb::discovery {

void FindNetscapeUnixStore(const Places& places, std::vector<FoundStore>& found,
                           Warnings& warnings) {
    if (places.home.empty())
        return;
    const std::string prefsPath = JoinPath(places.home, ".netscape/preferences.js");
    std::string directory = JoinPath(places.home, "nsmail");
    const bool installed = fs::IsRegularFile(prefsPath) || fs::IsDirectory(directory);
    if (!installed)
        return;
    std::string text;
    if (ReadSettingsFile(prefsPath, kMaxSettingsFileBytes, text, warnings)) {
        Prefs prefs;
        std::string error;
        if (!ParsePrefs(text, prefs, error)) {
            warnings.push_back(SkippedFileWarning(prefsPath, error));
        } else if (std::string named = PrefString(prefs, "mail.directory").value_or("");
                   !named.empty()) {
            directory = named.rfind("~/", 0) == 0 ? JoinPath(places.home, named.substr(2))
                                                  : std::move(named);
        }
    }
    found.push_back({kNetscapeUnixName, directory, StoreKind::CommunicatorProfile, false});
}

} // namespace qb::discovery
