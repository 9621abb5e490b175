#include "interchange/reader.h"

#include "platform/file_system.h"
#include "platform/paths.h"

namespace qb::interchange {

std::unique_ptr<CReader> OpenReader(const std::string& source, const ReadOptions& options,
                                    std::string& error) {
    if (fs::IsRegularFile(source))
        return MakeMboxReader(source, options);
    if (!fs::IsDirectory(source)) {
        error = source + " is neither a mailbox file nor a directory";
        return nullptr;
    }
    if (fs::IsDirectory(JoinPath(source, "cur")) || fs::IsDirectory(JoinPath(source, "new")))
        return MakeMaildirReader(source, options);
    return MakeEmlReader(source, options);
}

} // namespace qb::interchange
