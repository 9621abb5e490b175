// Maildir++: the top folder in DEST/{cur,new,tmp}, a folder A/B in DEST/.A.B/{cur,new,tmp}.
// Each message is written into tmp/ and moved into cur/ with its flags once on the disk.
#include "interchange/format_writers.h"
#include "interchange/line_ends.h"
#include "interchange/maildir_names.h"
#include "interchange/staged_files.h"

#include "platform/file_system.h"
#include "platform/paths.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <unistd.h>

namespace qb::interchange {

namespace {

// "<seconds>.M<microseconds>P<pid>Q<n>.<host>": unique among the writers of this host. The
// microseconds and the counter have fixed widths, so that name order is the order of writing.
std::string UniqueName() {
    static std::atomic<unsigned long long> counter{0};
    static const std::string host = [] {
        char name[256] = {};
        if (::gethostname(name, sizeof name - 1) != 0 || name[0] == '\0')
            return std::string("localhost");
        std::string safe;
        for (const char* p = name; *p != '\0'; ++p) {
            if (*p == '/')
                safe += "\\057";
            else if (*p == ':')
                safe += "\\072";
            else
                safe += *p;
        }
        return safe;
    }();
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    const auto micros = std::chrono::duration_cast<std::chrono::microseconds>(now).count();
    char name[96];
    std::snprintf(
        name, sizeof name, "%lld.M%06lldP%ldQ%08llu.", static_cast<long long>(micros / 1000000),
        static_cast<long long>(micros % 1000000), static_cast<long>(::getpid()), ++counter);
    return name + host;
}

class CMaildirWriter : public CWriter {
  public:
    explicit CMaildirWriter(std::string dest) : m_dest(std::move(dest)), m_staged(m_dest) {}
    ~CMaildirWriter() override { Abort(); }

    bool BeginFolder(const std::vector<std::string>& folder) override {
        Abort();
        for (const std::string& name : folder) {
            if (!IsUsableFolderName(name))
                return Fail("Folder name not usable as a file name: " + name);
        }
        if (!EnsureDirectory(m_dest))
            return false;
        m_folderDir = MaildirFolderDirectory(m_dest, folder);
        if (!EnsureDirectory(m_folderDir))
            return false;
        for (const char* sub : {"cur", "new", "tmp"}) {
            if (!EnsureDirectory(JoinPath(m_folderDir, sub)))
                return false;
        }
        for (const char* sub : {"cur", "new"}) {
            std::vector<fs::DirEntry> entries;
            if (!fs::ListDirectory(JoinPath(m_folderDir, sub), entries))
                return Fail("Cannot read " + JoinPath(m_folderDir, sub));
            for (const fs::DirEntry& entry : entries) {
                if (entry.name[0] != '.')
                    return Fail(m_folderDir + " already holds messages");
            }
        }
        if (!folder.empty()) {
            // The mark of a Maildir++ sub-folder.
            const std::string mark = JoinPath(m_folderDir, "maildirfolder");
            fs::File file;
            if (!fs::Exists(mark) && !(file.Open(mark, fs::OpenMode::CreateNew) && file.Close()))
                return Fail("Cannot create " + mark);
        }
        m_current = {folder, m_folderDir, 0};
        m_open = true;
        return true;
    }

    bool Write(const Message& message) override {
        if (!m_open)
            return Fail("No folder open");
        m_buffer.clear();
        AppendWithLf(m_buffer, WithoutEnvelope(message.text));
        const std::string name = UniqueName();
        std::string info = ":2,";
        if (message.status & kStatusMarked)
            info += 'F';
        if (message.status & kStatusReplied)
            info += 'R';
        if (message.status & kStatusRead)
            info += 'S';
        if (message.status & kStatusDeleted)
            info += 'T';
        std::string error;
        if (!m_staged.Add(JoinPath(JoinPath(m_folderDir, "tmp"), name),
                          JoinPath(JoinPath(m_folderDir, "cur"), name + info), m_buffer, error)) {
            Abort();
            return Fail(error);
        }
        ++m_current.count;
        return true;
    }

    bool EndFolder() override {
        if (!m_open)
            return Fail("No folder open");
        std::string error;
        if (!m_staged.Commit(error)) {
            Abort();
            return Fail(error);
        }
        m_open = false;
        m_written.push_back(std::move(m_current));
        m_current = {};
        return true;
    }

    void Abort() override {
        m_staged.Discard();
        m_open = false;
    }

  private:
    bool EnsureDirectory(const std::string& directory) {
        if (fs::IsDirectory(directory) || fs::CreateDirectory(directory))
            return true;
        return Fail("Cannot create the directory " + directory);
    }

    std::string m_dest;
    CStagedFiles m_staged;
    std::string m_folderDir;
    std::string m_buffer;
    WrittenFolder m_current;
    bool m_open = false;
};

} // namespace

std::unique_ptr<CWriter> MakeMaildirWriter(const std::string& dest) {
    return std::make_unique<CMaildirWriter>(dest);
}

} // namespace qb::interchange
