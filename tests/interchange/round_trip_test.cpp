// Random folders written in each format, then read back by our readers and by Python's mailbox
// module: the same messages, in the same number, with the same bytes and flags.
#include "generated_mail.h"
#include "interchange/eml_names.h"
#include "interchange/reader.h"
#include "interchange/writer.h"

#include "support/run_tool.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>

namespace qb {
namespace {

using interchange::Format;
using interchange::Message;
using Path = std::vector<std::string>;

struct Folder {
    Path path;
    std::vector<Message> messages;
};

// Dumps what Python's mailbox reads: "F name" per Maildir folder, then "M bytes" (and for a
// Maildir "S flags") per message, each as "TAG LENGTH\n" followed by the bytes.
constexpr char kPythonReader[] = R"(
import mailbox, sys
kind, path, out = sys.argv[1:]
f = open(out, 'wb')
def put(tag, data):
    f.write(b'%s %d\n' % (tag, len(data)))
    f.write(data)
if kind == 'mbox':
    box = mailbox.mbox(path, create=False)
    for key in box.iterkeys():
        put(b'M', box.get_bytes(key))
else:
    root = mailbox.Maildir(path, factory=None, create=False)
    def dump(name, box):
        put(b'F', name.encode('utf-8', 'surrogateescape'))
        for key in box.iterkeys():
            put(b'M', box.get_bytes(key))
            put(b'S', box.get_message(key).get_flags().encode())
    dump('', root)
    for name in sorted(root.list_folders()):
        dump(name, root.get_folder(name))
f.close()
)";

std::vector<std::pair<std::string, std::string>> PythonRead(const std::string& kind,
                                                            const std::string& path) {
    test::TempDir dir;
    test::WriteFile(dir / "reader.py", kPythonReader);
    const int status =
        test::RunCommand("python3 " + test::ShellQuote(dir / "reader.py") + " " + kind + " " +
                         test::ShellQuote(path) + " " + test::ShellQuote(dir / "out"));
    EXPECT_EQ(status, 0) << "python3 mailbox could not read " << path;
    const std::string dump = test::ReadFile(dir / "out");
    std::vector<std::pair<std::string, std::string>> items;
    for (std::size_t pos = 0; pos < dump.size();) {
        const std::size_t blank = dump.find(' ', pos);
        const std::size_t lf = dump.find('\n', blank);
        const std::size_t length = std::stoul(dump.substr(blank + 1, lf - blank - 1));
        items.emplace_back(dump.substr(pos, blank - pos), dump.substr(lf + 1, length));
        pos = lf + 1 + length;
    }
    return items;
}

std::vector<Folder> RandomFolders(std::mt19937& rng, bool withTop) {
    std::vector<Folder> folders;
    if (withTop)
        folders.push_back({{}, {}});
    for (Path path : {Path{"Inbox"}, Path{"Inbox", "Work"}, Path{"Inbox", "Work", "v1.2 & more"},
                      Path{"Sent"}, Path{"Empty"}})
        folders.push_back({path, {}});
    int serial = 0;
    for (Folder& folder : folders) {
        const int count = folder.path == Path{"Empty"} ? 0 : 1 + static_cast<int>(rng() % 40);
        for (int i = 0; i < count; ++i) {
            Message message;
            message.text = test::RandomMessageText(rng, ++serial, {});
            message.status = static_cast<std::uint32_t>(rng() % 16);
            folder.messages.push_back(std::move(message));
        }
    }
    return folders;
}

void WriteAll(Format format, const std::string& dest, const std::vector<Folder>& folders) {
    auto writer = interchange::MakeWriter(format, dest, 1000000000);
    for (const Folder& folder : folders) {
        ASSERT_TRUE(writer->BeginFolder(folder.path)) << writer->Error();
        for (const Message& message : folder.messages)
            ASSERT_TRUE(writer->Write(message)) << writer->Error();
        ASSERT_TRUE(writer->EndFolder()) << writer->Error();
    }
    std::string error;
    EXPECT_TRUE(interchange::VerifyWritten(format, writer->Written(), error)) << error;
    EXPECT_EQ(writer->Written().size(), folders.size());
}

// Every message our reader yields from `source`, by folder path.
std::map<Path, std::vector<Message>> ReadBack(const std::string& source, bool unquote) {
    interchange::ReadOptions options;
    options.unquoteMboxrd = unquote;
    std::string error;
    auto reader = interchange::OpenReader(source, options, error);
    EXPECT_NE(reader, nullptr) << error;
    std::map<Path, std::vector<Message>> found;
    interchange::ReadItem item;
    for (interchange::ReadStatus status;
         reader && (status = reader->Next(item)) != interchange::ReadStatus::End;) {
        EXPECT_EQ(status, interchange::ReadStatus::Message) << item.problem;
        if (status == interchange::ReadStatus::Failed)
            break;
        found[item.folder].push_back(item.message);
    }
    return found;
}

std::vector<Message> MessagesOf(const std::map<Path, std::vector<Message>>& found,
                                const Path& path) {
    const auto it = found.find(path);
    return it == found.end() ? std::vector<Message>{} : it->second;
}

std::string JoinedPath(const Path& path, char separator) {
    std::string joined;
    for (const std::string& part : path)
        joined += (joined.empty() ? "" : std::string(1, separator)) + part;
    return joined;
}

class RoundTrip : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!test::HaveTool("python3"))
            GTEST_SKIP() << "python3 is not installed: the peer reader is missing";
        m_seed = test::TestSeed();
        m_rng.seed(m_seed);
    }
    unsigned m_seed = 0;
    std::mt19937 m_rng;
};

// Every folder written as mboxrd reads back, by us (unquoting) and by Python (not), as the
// messages written.
void CheckMboxrd(std::mt19937& rng) {
    test::TempDir dir;
    const std::vector<Folder> folders = RandomFolders(rng, false);
    WriteAll(Format::Mboxrd, dir / "out", folders);
    for (const Folder& folder : folders) {
        const std::string file = dir / "out/" + JoinedPath(folder.path, '/') + ".mbox";
        SCOPED_TRACE(file);
        const std::vector<Message> read = MessagesOf(ReadBack(file, true), {});
        const auto python = PythonRead("mbox", file);
        ASSERT_EQ(read.size(), folder.messages.size());
        ASSERT_EQ(python.size(), folder.messages.size());
        for (std::size_t i = 0; i < read.size(); ++i) {
            const std::string& text = folder.messages[i].text;
            EXPECT_EQ(read[i].text, test::MboxStored(test::Content(text), false))
                << "message " << i;
            EXPECT_EQ(python[i].second, test::MboxStored(test::Content(text), true))
                << "message " << i;
        }
    }
}

TEST_F(RoundTrip, Mboxrd) {
    SCOPED_TRACE("seed " + std::to_string(m_seed));
    CheckMboxrd(m_rng);
}

// This seed gave a message a Content-Length that, left as it was, ended it exactly at the
// envelope line after the next message: readers that trust the length took two messages for one.
TEST_F(RoundTrip, MboxrdSeed2655326955) {
    std::mt19937 rng(2655326955u);
    CheckMboxrd(rng);
}

TEST_F(RoundTrip, Maildir) {
    SCOPED_TRACE("seed " + std::to_string(m_seed));
    test::TempDir dir;
    const std::vector<Folder> folders = RandomFolders(m_rng, true);
    WriteAll(Format::Maildir, dir / "out", folders);
    const auto ours = ReadBack(dir / "out", false);
    const auto python = PythonRead("maildir", dir / "out");

    std::map<std::string, std::vector<std::pair<std::string, std::string>>> pythonFolders;
    std::string current;
    for (const auto& [tag, data] : python) {
        if (tag == "F")
            current = data, pythonFolders[current];
        else if (tag == "M")
            pythonFolders[current].push_back({data, ""});
        else
            pythonFolders[current].back().second = data;
    }
    EXPECT_EQ(pythonFolders.size(), folders.size());
    for (const Folder& folder : folders) {
        std::string name;
        for (std::string part : folder.path) { // Python names Maildir++ folders as stored
            for (std::size_t at; (at = part.find('&')) != std::string::npos && part[at + 1] != '-';)
                part.replace(at, 1, "&-");
            for (std::size_t at; (at = part.find('.')) != std::string::npos;)
                part.replace(at, 1, "&AC4-");
            name += (name.empty() ? "" : ".") + part;
        }
        SCOPED_TRACE("folder " + name);
        std::vector<std::pair<std::string, std::string>> expected;
        for (const Message& message : folder.messages)
            expected.push_back(
                {test::WithLf(test::Content(message.text)), test::MaildirFlags(message.status)});
        // Ours: in the order written, with the status of the flags.
        const std::vector<Message> read = MessagesOf(ours, folder.path);
        ASSERT_EQ(read.size(), expected.size());
        for (std::size_t i = 0; i < read.size(); ++i) {
            EXPECT_EQ(read[i].text, expected[i].first) << "message " << i;
            EXPECT_EQ(read[i].status, folder.messages[i].status) << "message " << i;
        }
        // Python's: in no particular order.
        auto theirs = pythonFolders[name];
        std::sort(expected.begin(), expected.end());
        std::sort(theirs.begin(), theirs.end());
        EXPECT_EQ(theirs, expected);
    }
}

TEST_F(RoundTrip, Eml) {
    SCOPED_TRACE("seed " + std::to_string(m_seed));
    test::TempDir dir;
    const std::vector<Folder> folders = RandomFolders(m_rng, false);
    WriteAll(Format::Eml, dir / "out", folders);
    const auto ours = ReadBack(dir / "out", false);
    for (const Folder& folder : folders) {
        SCOPED_TRACE(JoinedPath(folder.path, '/'));
        const std::vector<Message> read = MessagesOf(ours, folder.path);
        ASSERT_EQ(read.size(), folder.messages.size());
        for (std::size_t i = 0; i < read.size(); ++i)
            EXPECT_EQ(read[i].text, test::WithCrLf(test::Content(folder.messages[i].text)));
        // Names every platform takes, unique, numbered in order.
        std::vector<std::string> names;
        for (const auto& entry :
             std::filesystem::directory_iterator(dir / "out/" + JoinedPath(folder.path, '/'))) {
            if (entry.is_regular_file())
                names.push_back(entry.path().filename().string());
        }
        ASSERT_EQ(names.size(), folder.messages.size());
        for (const std::string& name : names) {
            EXPECT_LE(name.size(), interchange::kMaxEmlFileName) << name;
            EXPECT_EQ(name.find_first_of("/\\:*?\"<>|"), std::string::npos) << name;
            for (char c : name)
                EXPECT_TRUE(c >= 0x20 && c < 0x7f) << name;
            EXPECT_NE(name.back(), ' ');
            EXPECT_EQ(name.substr(name.size() - 4), ".eml");
        }
    }
}

} // namespace
} // namespace qb
