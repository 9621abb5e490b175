// Backup and restore through archive files, into both store formats, and damaged archives.
#include "cli_harness.h"

#include <cstdint>

namespace qb::test {
namespace {

// Builds archive bytes field by field.
class ArchiveBytes {
  public:
    ArchiveBytes& Dword(std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            m_bytes += static_cast<char>((v >> (8 * i)) & 0xff);
        return *this;
    }
    ArchiveBytes& Word(std::uint16_t v) {
        m_bytes += static_cast<char>(v & 0xff);
        m_bytes += static_cast<char>(v >> 8);
        return *this;
    }
    ArchiveBytes& Text(const std::string& s) {
        m_bytes += static_cast<char>(s.size()); // short texts only
        m_bytes += s;
        return *this;
    }
    ArchiveBytes& Raw(const std::string& s) {
        m_bytes += s;
        return *this;
    }
    // A folder's name, header values and flags (all zero) and its message count.
    ArchiveBytes& FolderStart(const std::string& name, std::uint32_t messages) {
        return Text(name).Dword(0).Dword(0).Word(0).Word(0).Dword(messages);
    }
    // One message object; `first` writes the class description.
    ArchiveBytes& Message(const std::string& header, const std::vector<std::string>& body,
                          bool first, std::uint16_t schema = 1,
                          const std::string& className = "CMessage") {
        if (first)
            Word(0xffff)
                .Word(schema)
                .Word(static_cast<std::uint16_t>(className.size()))
                .Raw(className);
        else
            Word(0x8001);
        std::uint32_t bodySize = 0;
        for (const auto& line : body)
            bodySize += static_cast<std::uint32_t>(line.size() + 2);
        const auto headerLines =
            static_cast<std::uint32_t>(std::count(header.begin(), header.end(), '\n'));
        Dword(static_cast<std::uint32_t>(header.size()) + 2 + bodySize)
            .Dword(bodySize)
            .Dword(headerLines + 1 + static_cast<std::uint32_t>(body.size()))
            .Dword(static_cast<std::uint32_t>(body.size()));
        Text(header).Dword(static_cast<std::uint32_t>(body.size()));
        for (const auto& line : body)
            Text(line);
        return *this;
    }
    const std::string& Bytes() const { return m_bytes; }

  private:
    std::string m_bytes;
};

class CliArchive : public CliTest {
  protected:
    std::string mail;
    std::string imn;

    void SetUp() override {
        mail = MakeDir("Mail");
        WriteFile(mail + "/Inbox", NetscapeMessage("Subject: One\nFrom: a@x", "1a\n1b\n") +
                                       NetscapeMessage("Subject: Two", "2\n", "0009") +
                                       NetscapeMessage("Subject: Three", "3\n"));
        MakeDir("Mail/Inbox.sbd");
        WriteFile(mail + "/Inbox.sbd/Work", NetscapeMessage("Subject: Wk", "w\n"));
        imn = MakeDir("imn");
    }
    std::string Ns() const { return "netscape:" + mail; }
    std::string Imn() const { return "imn:" + imn; }
    std::string Out(const std::vector<std::string>& args) {
        CliResult r = Run(args);
        EXPECT_CLI_OK(r);
        return r.out;
    }
};

TEST_F(CliArchive, BackupAndRestoreIntoBothFormats) {
    EXPECT_EQ(Run({"backup", Ns(), "Inbox", "inbox.qbf"}).status, 0);
    ASSERT_TRUE(std::filesystem::exists(dir / "inbox.qbf"));
    const std::string shown = Out({"show", Ns(), "Inbox", "1"});

    // Into another Netscape store: the folder with its sub-folders, live messages only.
    const std::string other = MakeDir("Other");
    EXPECT_CLI_OK(Run({"restore", "inbox.qbf", "netscape:" + other}));
    EXPECT_EQ(Out({"folders", "netscape:" + other}), "Inbox\nInbox/Work\n");
    EXPECT_EQ(Out({"list", "netscape:" + other, "Inbox"}),
              "0\t0\t One\t a@x\t\t\n1\t1\t Three\t\t\t\n");
    EXPECT_EQ(Out({"show", "netscape:" + other, "Inbox", "1"}), shown);
    EXPECT_EQ(Out({"list", "netscape:" + other, "Inbox/Work"}), "0\t0\t Wk\t\t\t\n");
    // A second restore merges into the folder the first one made.
    EXPECT_CLI_OK(Run({"restore", "inbox.qbf", "netscape:" + other}));
    EXPECT_EQ(Out({"folders", "netscape:" + other}), "Inbox\nInbox/Work\n");
    EXPECT_EQ(Out({"list", "netscape:" + other, "Inbox/Work"}),
              "0\t0\t Wk\t\t\t\n1\t1\t Wk\t\t\t\n");

    // Into an Internet Mail store: the messages, and a warning for the sub-folders.
    CliResult r = Run({"restore", dir / "inbox.qbf", Imn()});
    EXPECT_EQ(r.status, 0) << r;
    EXPECT_EQ(r.err, "Warning : Sub Folders not restored\n");
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(Out({"folders", Imn()}), "Inbox\n");
    EXPECT_EQ(Out({"list", Imn(), "Inbox"}), "0\t1\t One\t a@x\t\t\n1\t2\t Three\t\t\t\n");
    EXPECT_EQ(Out({"show", Imn(), "Inbox", "1"}), shown);
}

TEST_F(CliArchive, BackupOfARootHoldsTheWholeStore) {
    EXPECT_CLI_OK(Run({"backup", Ns(), "/", "all.qbf"}));
    const std::string other = MakeDir("Other");
    EXPECT_CLI_OK(Run({"restore", "all.qbf", "netscape:" + other}));
    // The archived root is named after the store directory.
    EXPECT_EQ(Out({"folders", "netscape:" + other}), "Mail\nMail/Inbox\nMail/Inbox/Work\n");
    EXPECT_EQ(Out({"list", "netscape:" + other, "Mail/Inbox/Work"}), "0\t0\t Wk\t\t\t\n");
}

TEST_F(CliArchive, FilesThatCannotBeOpened) {
    EXPECT_CLI_FAILS(Run({"backup", Ns(), "Inbox", ""}), "Please input file name");
    EXPECT_CLI_FAILS(Run({"restore", "", Ns()}), "Please input file name");
    EXPECT_CLI_FAILS(Run({"backup", Ns(), "Inbox", dir.path()}), "Cannot open file");
    EXPECT_CLI_FAILS(Run({"restore", mail, Ns()}), "Cannot open file");
    EXPECT_CLI_FAILS(Run({"backup", Ns(), "Inbox", dir / "no/such/dir/x.qbf"}), "Cannot open file");
    EXPECT_CLI_FAILS(Run({"restore", dir / "missing.qbf", Ns()}), "Cannot open file");
    EXPECT_EQ(Out({"folders", Ns()}), "Inbox\nInbox/Work\n");
}

TEST_F(CliArchive, ABackupReplacesAnEarlierFileWhole) {
    WriteFile(dir / "x.qbf", std::string(100000, 'x'));
    EXPECT_CLI_OK(Run({"backup", Ns(), "Inbox/Work", "x.qbf"}));
    const std::string written = ReadFile(dir / "x.qbf");
    EXPECT_LT(written.size(), 1000u);
    EXPECT_EQ(written.substr(0, 5), std::string("\x04Work"));
}

TEST_F(CliArchive, DamagedArchivesNameTheirCauseAndChangeNothing) {
    const std::string full = dir / "bad.qbf";
    ArchiveBytes good;
    good.FolderStart("Box", 2)
        .Message("Subject: A\r\n", {"a"}, true)
        .Message("Subject: B\r\n", {"b"}, false)
        .Dword(0);
    ArchiveBytes otherClass;
    otherClass.FolderStart("Box", 1).Message("Subject: A\r\n", {"a"}, true, 1, "CMessagX").Dword(0);
    ArchiveBytes schema;
    schema.FolderStart("Box", 1).Message("Subject: A\r\n", {"a"}, true, 2).Dword(0);
    ArchiveBytes nullObject;
    nullObject.FolderStart("Box", 1).Word(0).Raw(std::string(64, '\0')).Dword(0);

    struct Case {
        std::string bytes;
        std::string text;
    };
    const std::vector<Case> cases = {
        {good.Bytes().substr(0, good.Bytes().size() - 7),
         "An attempt was made to access " + full + " past its end."},
        {otherClass.Bytes(), full + " contained an unexpected object."},
        {schema.Bytes(), full + " contains an incorrect schema."},
        {nullObject.Bytes(), full + " has a bad format."},
        {"", "An attempt was made to access " + full + " past its end."},
    };
    for (const std::string& store : {Ns(), Imn()}) {
        for (const Case& c : cases) {
            WriteFile(full, c.bytes);
            EXPECT_CLI_FAILS(Run({"restore", "bad.qbf", store}), c.text);
        }
    }
    EXPECT_EQ(Out({"folders", Ns()}), "Inbox\nInbox/Work\n");
    EXPECT_EQ(Out({"folders", Imn()}), "");

    // The well-formed archive restores.
    WriteFile(full, good.Bytes());
    EXPECT_CLI_OK(Run({"restore", "bad.qbf", Imn()}));
    EXPECT_EQ(Out({"list", Imn(), "Box"}), "0\t1\t A\t\t\t\n1\t2\t B\t\t\t\n");
}

TEST_F(CliArchive, RestoreFailureWhenTheFolderCannotBeMade) {
    // A folder name no store accepts.
    ArchiveBytes bad;
    bad.FolderStart("../out", 1).Message("Subject: A\r\n", {"a"}, true).Dword(0);
    WriteFile(dir / "x.qbf", bad.Bytes());
    EXPECT_CLI_FAILS(Run({"restore", "x.qbf", Ns()}), "Restore failure");
    EXPECT_CLI_FAILS(Run({"restore", "x.qbf", Imn()}), "Restore failure");
    EXPECT_FALSE(std::filesystem::exists(dir / "out"));
    EXPECT_EQ(Out({"folders", Ns()}), "Inbox\nInbox/Work\n");
    EXPECT_EQ(Out({"folders", Imn()}), "");
}

} // namespace
} // namespace qb::test
