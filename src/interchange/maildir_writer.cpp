// Maildir++: the top folder in DEST/{cur,new,tmp}, a folder A/B in DEST/.A.B/{cur,new,tmp}.
// Each message is written into tmp/ and moved into cur/ with its flags once on the disk.
#include "interchange/format_writers.h"
#include "interchange/line_ends.h"
#include "interchange/maildir_names.h"
#include "interchange/staged_writer.h"

#include "platform/file_system.h"
#include "platform/paths.h"

#include <atomic>
#include <chrono>
#include <cstdio>

namespace qb::interchange {

namespace {

// "<seconds>.M<microseconds>P<pid>Q<n>.<host>": unique among the writers of this host. The
// microseconds and the counter have fixed widths, so that name order is the order of writing.
std::string UniqueName() {
    static std::atomic<unsigned long long> counter{0};
    static const std::string host = [] {
        const std::string name = fs::HostName();
        if (name.empty())
            return std::string("localhost");
        std::string safe;
        for (const char c : name) {
            if (c == '/')
                safe += "\\057";
            else if (c == ':')
                safe += "\\072";
            else
                safe += c;
        }
        return safe;
    }();
    static const long pid = fs::ProcessId();
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    const auto micros = std::chrono::duration_cast<std::chrono::microseconds>(now).count();
    char name[96];
    std::snprintf(name, sizeof name, "%lld.M%06lldP%ldQ%08llu.",
                  static_cast<long long>(micros / 1000000),
                  static_cast<long long>(micros % 1000000), pid, ++counter);
    return name + host;
}

class CMaildirWriter : public CStagedWriter {
  public:
    explicit CMaildirWriter(std::string dest) : CStagedWriter(std::move(dest)) {}

    bool BeginFolder(const std::vector<std::string>& folder) override {
        Abort();
        for (const std::string& name : folder) {
            if (!IsUsableMaildirFolderName(name))
                return Fail("Folder name not usable as a file name: " + name);
        }
        if (!EnsureDirectory(m_dest))
            return false;
        const std::string directory = MaildirFolderDirectory(m_dest, folder);
        if (!EnsureDirectory(directory))
            return false;
        for (const char* sub : {"cur", "new", "tmp"}) {
            if (!EnsureDirectory(JoinPath(directory, sub)))
                return false;
        }
        for (const char* sub : {"cur", "new"}) {
            std::vector<fs::DirEntry> entries;
            if (!fs::ListDirectory(JoinPath(directory, sub), entries))
                return Fail("Cannot read " + JoinPath(directory, sub));
            for (const fs::DirEntry& entry : entries) {
                if (entry.name[0] != '.')
                    return Fail(directory + " already holds messages");
            }
        }
        if (!folder.empty()) {
            // The mark of a Maildir++ sub-folder.
            const std::string mark = JoinPath(directory, "maildirfolder");
            fs::File file;
            if (!fs::Exists(mark) && !(file.Open(mark, fs::OpenMode::CreateNew) && file.Close()))
                return Fail("Cannot create " + mark);
        }
        Open(folder, directory);
        return true;
    }

    bool Write(const Message& message) override {
        m_buffer.clear();
        AppendWithLineEnds(m_buffer, WithoutEnvelope(message.text), "\n");
        const std::string name = UniqueName();
        std::string info = std::string(1, kMaildirInfoSeparator) + "2,";
        if (message.status & kStatusMarked)
            info += 'F';
        if (message.status & kStatusReplied)
            info += 'R';
        if (message.status & kStatusRead)
            info += 'S';
        if (message.status & kStatusDeleted)
            info += 'T';
        return Stage(JoinPath(JoinPath(m_current.output, "tmp"), name),
                     JoinPath(JoinPath(m_current.output, "cur"), name + info));
    }
};

} // namespace

std::unique_ptr<CWriter> MakeMaildirWriter(const std::string& dest) {
    return std::make_unique<CMaildirWriter>(dest);
}

} // namespace qb::interchange
