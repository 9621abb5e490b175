// Reading commands on both store formats: folders, list, records, header, show.
#include "cli_harness.h"

#include <sstream>

namespace qb::test {
namespace {

class CliReading : public CliTest {
  protected:
    std::string mail;
    std::string first;  // header lines of the first Inbox message
    std::string second; // of the third (the second is marked deleted)

    void SetUp() override {
        mail = MakeDir("Mail");
        first = "Subject: Lunch\nFrom: Ann <ann@example.com>\nTo: bob@example.com\n"
                "Date: Mon, 1 Jan 2001 10:00:00 +0000";
        second = "Subject: Pictures\nFrom: carl@example.com\nTo: bob@example.com\n"
                 "Date: Tue, 2 Jan 2001 11:00:00 +0000\nMIME-Version: 1.0\n"
                 "Content-Type: multipart/mixed; boundary=\"XX\"";
        const std::string multipartBody = "preamble\n--XX\nContent-Type: text/plain\n\n"
                                          "See attached.\n--XX\n"
                                          "Content-Type: image/gif; name=\"a.gif\"\n"
                                          "Content-Transfer-Encoding: base64\n\nR0lGOD==\n--XX--\n";
        WriteFile(mail + "/Inbox", NetscapeMessage(first, "Noon?\n\nAnn\n") +
                                       NetscapeMessage("Subject: Gone\n", "x\n", "0009") +
                                       NetscapeMessage(second, multipartBody));
        WriteFile(mail + "/Inbox.snm", "summary");
        std::filesystem::create_directories(mail + "/Inbox.sbd/Work.sbd");
        WriteFile(mail + "/Inbox.sbd/Work", "");
        WriteFile(mail + "/Inbox.sbd/Work.sbd/Deep",
                  NetscapeMessage("Subject: \xe9t\xe9\nX-Folded: a\n\tb", "caf\xe9\n"));
        WriteFile(mail + "/popstate.dat", "x");
    }
};

TEST_F(CliReading, FoldersAreListedDepthFirstWithTheirPaths) {
    CliResult r = Run({"folders", "netscape:" + mail});
    EXPECT_CLI_OK(r);
    EXPECT_EQ(r.out, "Inbox\nInbox/Work\nInbox/Work/Deep\n");
    r = Run({"folders", "netscape:" + MakeDir("Empty")});
    EXPECT_CLI_OK(r);
    EXPECT_EQ(r.out, "");
}

TEST_F(CliReading, ListPrintsRowIndexAndTheFourFieldsAsStored) {
    CliResult r = Run({"list", "netscape:" + mail, "Inbox"});
    EXPECT_CLI_OK(r);
    // The deleted message is not listed but keeps its place in the index numbering.
    EXPECT_EQ(r.out, "0\t0\t Lunch\t Ann <ann@example.com>\t bob@example.com\t"
                     " Mon, 1 Jan 2001 10:00:00 +0000\n"
                     "1\t2\t Pictures\t carl@example.com\t bob@example.com\t"
                     " Tue, 2 Jan 2001 11:00:00 +0000\n");
    // 8-bit text is printed as it is, folded lines joined.
    r = Run({"list", "netscape:" + mail, "Inbox/Work/Deep"});
    EXPECT_EQ(r.out, "0\t0\t \xe9t\xe9\t\t\t\n");
    // An empty folder file, and a folder whose file cannot be read, list nothing.
    r = Run({"list", "netscape:" + mail, "Inbox/Work"});
    EXPECT_CLI_OK(r);
    EXPECT_EQ(r.out, "");
    MakeDir("Mail/Broken"); // a directory taken for a folder: its messages cannot be read
    r = Run({"list", "netscape:" + mail, "Broken"});
    EXPECT_CLI_OK(r);
    EXPECT_EQ(r.out, "");
}

TEST_F(CliReading, RecordsGiveTruePositionsAndSizes) {
    CliResult r = Run({"records", "netscape:" + mail, "Inbox"});
    EXPECT_CLI_OK(r);
    const std::string m1 = NetscapeMessage(first, "Noon?\n\nAnn\n");
    const std::string m2 = NetscapeMessage("Subject: Gone\n", "x\n", "0009");
    const std::string file = ReadFile(mail + "/Inbox");
    const std::size_t thirdAt = m1.size() + m2.size();
    const std::size_t headerBytes = file.find("\r\n\r\n", thirdAt) + 4 - thirdAt;
    const std::size_t thirdSize = file.size() - thirdAt;
    const std::string firstRecord = "0\t0\t0\t" + std::to_string(m1.size()) + "\t" +
                                    std::to_string(std::string("Noon?\r\n\r\nAnn\r\n").size()) +
                                    "\t10\t3\n";
    EXPECT_EQ(r.out, firstRecord + "1\t2\t" + std::to_string(thirdAt) + "\t" +
                         std::to_string(thirdSize) + "\t" +
                         std::to_string(thirdSize - headerBytes) + "\t20\t11\n");
    // The recorded body offset points at the body's first byte.
    EXPECT_EQ(file.substr(m1.size() - 14, 7), "Noon?\r\n");
}

TEST_F(CliReading, OutputThatCannotBeWrittenIsAFailure) {
    CliResult r = RunWithRefusedOutput({"list", "netscape:" + mail, "Inbox"});
    EXPECT_EQ(r.status, 1) << r;
    EXPECT_EQ(r.err, "Cannot write to standard output\n");
}

TEST_F(CliReading, HeaderIsPrintedByteForByte) {
    CliResult r = Run({"header", "netscape:" + mail, "Inbox", "0"});
    EXPECT_CLI_OK(r);
    EXPECT_EQ(r.out,
              Crlf("From - Mon Jan 01 10:00:00 2001\nX-Mozilla-Status: 0001\n" + first + "\n"));
}

TEST_F(CliReading, ShowPrintsTheMessagePaneText) {
    CliResult r = Run({"show", "netscape:" + mail, "Inbox", "0"});
    EXPECT_CLI_OK(r);
    EXPECT_EQ(r.out, "Subject :  Lunch\nDate :  Mon, 1 Jan 2001 10:00:00 +0000\n"
                     "From :  Ann <ann@example.com>\nTo :  bob@example.com\n\n"
                     "\r\nNoon?\r\n\r\nAnn\r\n\r\n\n");
    // A multipart message: the first text part, then the attachment summary.
    r = Run({"show", "netscape:" + mail, "Inbox", "1"});
    EXPECT_CLI_OK(r);
    EXPECT_EQ(r.out, "Subject :  Pictures\nDate :  Tue, 2 Jan 2001 11:00:00 +0000\n"
                     "From :  carl@example.com\nTo :  bob@example.com\n\n"
                     "\r\nSee attached.\r\n\r\n\n"
                     "-------------------- Attach ---------------------\r\n"
                     "--------------------\r\nAttach type: image/gif\r\nAttach name: \"a.gif\"\r\n"
                     "-------------------- Attach ---------------------\r\n");
}

TEST_F(CliReading, ListingsSayWhatTheyCouldNotRead) {
    const std::string imn = MakeDir("imn");
    EXPECT_CLI_OK(Run({"mkdir", "imn:" + imn, "/", "Inbox"}));
    const std::string a = MessageFile("a.eml", "Subject: First\n\nhello\n");
    const std::string b = MessageFile("b.eml", "Subject: Second\n\nbye\n");
    EXPECT_CLI_OK(Run({"add", "imn:" + imn, "Inbox", a, b}));
    // The second record's offset: the third field of its `records` line.
    std::istringstream second(Lines(Run({"records", "imn:" + imn, "Inbox"}).out).at(1));
    std::string offset;
    for (int field = 0; field < 3; ++field)
        std::getline(second, offset, '\t');
    std::filesystem::resize_file(imn + "/Inbox.mbx", std::stoull(offset) + 9);
    // What was read is listed, the damage is a warning, and the listing still succeeds.
    CliResult r = Run({"list", "imn:" + imn, "Inbox"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(Lines(r.out).size(), 1u) << r;
    EXPECT_EQ(r.err,
              "quillbox-cli: warning: Inbox: damaged at byte " + offset + ": 1 messages read\n");
}

TEST_F(CliReading, InternetMailStoreReadsWhatWasAdded) {
    const std::string imn = MakeDir("imn");
    EXPECT_CLI_OK(Run({"mkdir", "imn:" + imn, "/", "Inbox"}));
    const std::string a = MessageFile("a.eml", "Subject: First\nFrom: a@x\nTo: b@x\nDate: d1\n"
                                               "\nhello\n");
    const std::string b = MessageFile("b.eml", Crlf("Subject: Second\nFrom: c@x\n\nbye\n"));
    EXPECT_CLI_OK(Run({"add", "imn:" + imn, "Inbox", a, b}));

    CliResult r = Run({"folders", "imn:" + imn});
    EXPECT_EQ(r.out, "Inbox\n");
    r = Run({"list", "imn:" + imn, "Inbox"});
    EXPECT_CLI_OK(r);
    // Internet Mail numbers its messages from 1.
    EXPECT_EQ(r.out, "0\t1\t First\t a@x\t b@x\t d1\n1\t2\t Second\t c@x\t\t\n");
    r = Run({"header", "imn:" + imn, "Inbox", "1"});
    EXPECT_EQ(r.out, "Subject: Second\r\nFrom: c@x\r\n");
    r = Run({"show", "imn:" + imn, "Inbox", "0"});
    EXPECT_EQ(r.out, "Subject :  First\nDate :  d1\nFrom :  a@x\nTo :  b@x\n\n\r\nhello\r\n\r\n\n");
    r = Run({"records", "imn:" + imn, "Inbox"});
    EXPECT_CLI_OK(r);
    // Two records, each with the header/body split of its message.
    const auto lines = std::count(r.out.begin(), r.out.end(), '\n');
    EXPECT_EQ(lines, 2) << r.out;
    EXPECT_NE(r.out.find("\t4\t1\n"), std::string::npos) << r.out; // Second: 2 header + 1 + 1
    EXPECT_NE(r.out.find("\t6\t1\n"), std::string::npos) << r.out; // First: 4 header + 1 + 1
}

} // namespace
} // namespace qb::test
