// One file per message: DEST/A/B/NNNNN-SUBJECT.eml with CR LF line ends.
#include "interchange/eml_names.h"
#include "interchange/format_writers.h"
#include "interchange/line_ends.h"
#include "interchange/staged_writer.h"

#include "platform/file_system.h"
#include "platform/paths.h"

#include <utility>

namespace qb::interchange {

namespace {

class CEmlWriter : public CStagedWriter {
  public:
    explicit CEmlWriter(std::string dest) : CStagedWriter(std::move(dest)) {}
    ~CEmlWriter() override { Abort(); }

    bool BeginFolder(const std::vector<std::string>& folder) override {
        Abort();
        if (folder.empty())
            return Fail("An .eml export needs a folder name");
        std::string directory = m_dest;
        if (!EnsureDirectory(directory))
            return false;
        for (const std::string& name : folder) {
            if (!IsUsableFolderName(name))
                return Fail("Folder name not usable as a file name: " + name);
            directory = JoinPath(directory, name);
            if (!EnsureDirectory(directory))
                return false;
        }
        std::vector<fs::DirEntry> entries;
        if (!fs::ListDirectory(directory, entries))
            return Fail("Cannot read " + directory);
        for (const fs::DirEntry& entry : entries) {
            if (!entry.isDirectory && IsEmlFileName(entry.name))
                return Fail(directory + " already holds messages");
        }
        // The files are made in a directory of their own and then renamed into the folder's:
        // a file system makes and removes names in a small directory much faster than in one
        // that grows to thousands.
        m_staging = fs::TemporaryNameFor(JoinPath(directory, "staging"));
        if (!fs::CreateDirectory(m_staging)) {
            m_staging.clear();
            return Fail("Cannot create " + directory);
        }
        Open(folder, directory);
        return true;
    }

    bool EndFolder() override {
        const bool ended = CStagedWriter::EndFolder();
        return RemoveStaging() && ended;
    }

    void Abort() override {
        CStagedWriter::Abort();
        RemoveStaging();
    }

    bool Write(const Message& message) override {
        const std::string_view text = WithoutEnvelope(message.text);
        m_buffer.clear();
        AppendWithLineEnds(m_buffer, text, "\r\n");
        const std::string name =
            EmlFileName(m_current.count + 1, HeaderField(text, "Subject").value_or(""));
        return Stage(JoinPath(m_staging, name), JoinPath(m_current.output, name));
    }

  private:
    // Takes the staging directory away, empty once its files are renamed or removed.
    bool RemoveStaging() {
        if (m_staging.empty())
            return true;
        const std::string staging = std::exchange(m_staging, std::string());
        return fs::RemoveDirectory(staging) || Fail("Cannot remove " + staging);
    }

    std::string m_staging;
};

} // namespace

std::unique_ptr<CWriter> MakeEmlWriter(const std::string& dest) {
    return std::make_unique<CEmlWriter>(dest);
}

} // namespace qb::interchange
