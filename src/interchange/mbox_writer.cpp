// mboxrd: each folder one file NAME.mbox, its sub-folders in the directory NAME/ beside it.
#include "interchange/format_writers.h"

#include "platform/file_system.h"
#include "platform/paths.h"
#include "text/mail_date.h"

#include <cstring>

namespace qb::interchange {

namespace {

constexpr std::size_t kFlushAt = 1 << 20;

// True for a line that reads as an envelope line once its leading ">" are taken away.
bool NeedsQuote(std::string_view line) {
    std::size_t i = 0;
    while (i < line.size() && line[i] == '>')
        ++i;
    return line.compare(i, 5, "From ") == 0;
}

class CMboxWriter : public CWriter {
  public:
    CMboxWriter(std::string dest, std::int64_t exportTime)
        : m_dest(std::move(dest)), m_exportTime(exportTime) {}
    ~CMboxWriter() override { Abort(); }

    bool BeginFolder(const std::vector<std::string>& folder) override {
        Abort();
        if (folder.empty())
            return Fail("An mbox export needs a folder name");
        std::string directory = m_dest;
        if (!EnsureDirectory(directory))
            return false;
        for (std::size_t i = 0; i < folder.size(); ++i) {
            if (!IsUsableFolderName(folder[i]))
                return Fail("Folder name not usable as a file name: " + folder[i]);
            if (i + 1 < folder.size()) {
                directory = JoinPath(directory, folder[i]);
                if (!EnsureDirectory(directory))
                    return false;
            }
        }
        m_target = JoinPath(directory, folder.back() + ".mbox");
        if (fs::Exists(m_target))
            return Fail(m_target + " exists");
        m_temp = fs::TemporaryNameFor(m_target);
        if (!m_file.Open(m_temp, fs::OpenMode::CreateNew)) {
            m_temp.clear();
            return Fail("Cannot create " + m_target);
        }
        m_current = {folder, m_target, 0};
        m_buffer.clear();
        return true;
    }

    bool Write(const Message& message) override {
        if (!m_file.IsOpen())
            return Fail("No folder open");
        const std::string_view text = WithoutEnvelope(message.text);
        const std::optional<std::string> date = HeaderField(text, "Date");
        const std::optional<std::int64_t> when = date ? ParseMailDate(*date) : std::nullopt;
        m_buffer += "From ";
        m_buffer += EnvelopeSender(text);
        m_buffer += ' ';
        m_buffer += FormatAsctime(when.value_or(m_exportTime));
        m_buffer += '\n';
        std::size_t pos = 0;
        while (pos < text.size()) {
            const void* hit = std::memchr(text.data() + pos, '\n', text.size() - pos);
            const std::size_t lf =
                hit == nullptr
                    ? text.size()
                    : static_cast<std::size_t>(static_cast<const char*>(hit) - text.data());
            std::string_view line = text.substr(pos, lf - pos);
            if (hit != nullptr && !line.empty() && line.back() == '\r')
                line.remove_suffix(1);
            if (NeedsQuote(line))
                m_buffer += '>';
            m_buffer += line;
            m_buffer += '\n';
            pos = lf + 1;
        }
        m_buffer += '\n';
        ++m_current.count;
        if (m_buffer.size() >= kFlushAt)
            return FlushBuffer();
        return true;
    }

    bool EndFolder() override {
        if (!m_file.IsOpen())
            return Fail("No folder open");
        bool ok = FlushBuffer() && m_file.Flush();
        ok = m_file.Close() && ok;
        if (!ok) {
            Abort();
            return Fail("Cannot write " + m_target);
        }
        if (!fs::MoveFile(m_temp, m_target)) {
            Abort();
            return Fail(fs::Exists(m_target) ? m_target + " exists" : "Cannot write " + m_target);
        }
        m_temp.clear();
        if (!fs::SyncDirectory(DirectoryOf(m_target)))
            return Fail("Cannot sync " + DirectoryOf(m_target));
        m_written.push_back(std::move(m_current));
        m_current = {};
        return true;
    }

    void Abort() override {
        m_file.Close();
        if (!m_temp.empty())
            fs::RemoveFile(m_temp);
        m_temp.clear();
        m_buffer.clear();
    }

  private:
    bool FlushBuffer() {
        const bool ok = m_file.Write(m_buffer);
        m_buffer.clear();
        if (!ok) {
            Abort();
            return Fail("Cannot write " + m_target);
        }
        return true;
    }

    std::string m_dest;
    std::int64_t m_exportTime;
    fs::File m_file;
    std::string m_target;
    std::string m_temp;
    std::string m_buffer;
    WrittenFolder m_current;
};

} // namespace

std::unique_ptr<CWriter> MakeMboxWriter(const std::string& dest, std::int64_t exportTime) {
    return std::make_unique<CMboxWriter>(dest, exportTime);
}

} // namespace qb::interchange
