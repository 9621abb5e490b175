// One file per message: DEST/A/B/NNNNN-SUBJECT.eml with CR LF line ends.
#include "interchange/eml_names.h"
#include "interchange/format_writers.h"
#include "interchange/line_ends.h"
#include "interchange/staged_files.h"

#include "platform/file_system.h"
#include "platform/paths.h"

namespace qb::interchange {

namespace {

class CEmlWriter : public CWriter {
  public:
    explicit CEmlWriter(std::string dest) : m_dest(std::move(dest)), m_staged(m_dest) {}
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
        m_directory = directory;
        m_current = {folder, directory, 0};
        m_open = true;
        return true;
    }

    bool Write(const Message& message) override {
        if (!m_open)
            return Fail("No folder open");
        const std::string_view text = WithoutEnvelope(message.text);
        m_buffer.clear();
        AppendWithCrLf(m_buffer, text);
        const std::string final =
            JoinPath(m_directory,
                     EmlFileName(m_current.count + 1, HeaderField(text, "Subject").value_or("")));
        std::string error;
        if (!m_staged.Add(fs::TemporaryNameFor(final), final, m_buffer, error)) {
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
    std::string m_directory;
    std::string m_buffer;
    WrittenFolder m_current;
    bool m_open = false;
};

} // namespace

std::unique_ptr<CWriter> MakeEmlWriter(const std::string& dest) {
    return std::make_unique<CEmlWriter>(dest);
}

} // namespace qb::interchange
