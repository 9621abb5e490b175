// Changing messages: add, delete, copy and move, within and across store formats.
#include "cli_harness.h"

namespace qb::test {
namespace {

class CliMessages : public CliTest {
  protected:
    std::string mail;
    std::string imn;

    void SetUp() override {
        mail = MakeDir("Mail");
        WriteFile(mail + "/Inbox", NetscapeMessage("Subject: A\nFrom: a@x", "a1\n") +
                                       NetscapeMessage("Subject: B\nFrom: b@x", "b1\nb2\n") +
                                       NetscapeMessage("Subject: C\nFrom: c@x", "c1\n"));
        WriteFile(mail + "/Saved", "");
        imn = MakeDir("imn");
        EXPECT_CLI_OK(Run({"mkdir", "imn:" + imn, "/", "Inbox"}));
    }
    std::string Ns() const { return "netscape:" + mail; }
    std::string Imn() const { return "imn:" + imn; }

    // The subjects a folder lists, in order, one per line.
    std::string Subjects(const std::string& store, const std::string& folder) {
        CliResult r = Run({"list", store, folder});
        EXPECT_CLI_OK(r);
        std::string subjects;
        std::size_t pos = 0;
        while (pos < r.out.size()) {
            const std::size_t eol = r.out.find('\n', pos);
            const std::string line = r.out.substr(pos, eol - pos);
            const std::size_t a = line.find('\t', line.find('\t') + 1) + 1;
            subjects += line.substr(a, line.find('\t', a) - a) + "\n";
            pos = eol + 1;
        }
        return subjects;
    }
    // The text `show` prints for one message.
    std::string Show(const std::string& store, const std::string& folder, const std::string& row) {
        CliResult r = Run({"show", store, folder, row});
        EXPECT_CLI_OK(r);
        return r.out;
    }
};

TEST_F(CliMessages, AddTakesLfAndCrLfFilesInOrder) {
    const std::string lf = MessageFile("lf.eml", "Subject: Lf\nFrom: l@x\n\nfirst\n\nthird\n");
    const std::string crlf = MessageFile("crlf.eml", Crlf("Subject: Crlf\nFrom: c@x\n\nbody\n"));
    for (const auto& [store, folder] :
         {std::pair{Ns(), std::string("Saved")}, std::pair{Imn(), std::string("Inbox")}}) {
        CliResult r = Run({"add", store, folder, lf, crlf});
        EXPECT_CLI_OK(r);
        EXPECT_EQ(r.out, "");
    }
    EXPECT_EQ(Subjects(Ns(), "Saved"), " Lf\n Crlf\n");
    EXPECT_EQ(Subjects(Imn(), "Inbox"), " Lf\n Crlf\n");
    // The same message text in both formats, line ends as the stores write them.
    for (const std::string& where : {Ns() + "|Saved", Imn() + "|Inbox"}) {
        const std::string store = where.substr(0, where.find('|'));
        const std::string folder = where.substr(where.find('|') + 1);
        EXPECT_EQ(Show(store, folder, "0"),
                  "Subject :  Lf\nDate : \nFrom :  l@x\nTo : \n\n\r\nfirst\r\n\r\nthird\r\n\r\n\n");
        EXPECT_EQ(Show(store, folder, "1"),
                  "Subject :  Crlf\nDate : \nFrom :  c@x\nTo : \n\n\r\nbody\r\n\r\n\n");
    }
    // The Netscape file holds CR LF lines only, the body line that looked like a separator
    // guarded.
    const std::string saved = ReadFile(mail + "/Saved");
    EXPECT_EQ(saved.find("\n\n"), std::string::npos);
    EXPECT_NE(saved.find("\r\nfirst\r\n\r\nthird\r\n"), std::string::npos);
}

TEST_F(CliMessages, AddKeepsBodyLinesThatLookLikeSeparators) {
    const std::string tricky =
        MessageFile("t.eml", "Subject: T\n\nFrom - not a new message\nfrom - nor this\nend\n");
    EXPECT_CLI_OK(Run({"add", Ns(), "Saved", tricky}));
    EXPECT_EQ(Subjects(Ns(), "Saved"), " T\n");
    CliResult r = Run({"records", Ns(), "Saved"});
    EXPECT_NE(r.out.find("\t3\n"), std::string::npos) << r.out; // all three body lines kept
}

TEST_F(CliMessages, AddRefusesBeforeChangingAnything) {
    const std::string good = MessageFile("good.eml", "Subject: G\n\nx\n");
    const std::string before = ReadFile(mail + "/Saved");
    CliResult r = Run({"add", Ns(), "Saved", good, dir / "nope.eml"});
    EXPECT_CLI_FAILS(r, "Cannot read message file: " + (dir / "nope.eml"));
    r = Run({"add", Ns(), "Saved", good, dir.path()});
    EXPECT_CLI_FAILS(r, "Cannot read message file: " + dir.path());
    EXPECT_EQ(ReadFile(mail + "/Saved"), before);
    // A header that opens with a continuation line: that file is refused, the others added.
    const std::string orphan = MessageFile("orphan.eml", "\tcont\nSubject: O\n\nx\n");
    r = Run({"add", Ns(), "Saved", orphan, good});
    EXPECT_CLI_FAILS(r, "Not a message file: " + orphan);
    EXPECT_EQ(Subjects(Ns(), "Saved"), " G\n");
    // A root holds no messages of its own.
    r = Run({"add", Ns(), "/", good});
    EXPECT_CLI_FAILS(r, "Cannot add a message in destination folder");
    r = Run({"add", Imn(), "", good});
    EXPECT_CLI_FAILS(r, "Cannot add a message in destination folder");
    EXPECT_EQ(Run({"folders", Ns()}).out.find("good"), std::string::npos);
}

TEST_F(CliMessages, AddHandlesALargeBody) {
    std::string body;
    for (int i = 0; i < 200000; ++i)
        body += "line " + std::to_string(i) + "\n";
    const std::string big = MessageFile("big.eml", "Subject: Big\n\n" + body);
    EXPECT_CLI_OK(Run({"add", Imn(), "Inbox", big}));
    CliResult r = Run({"records", Imn(), "Inbox"});
    EXPECT_NE(r.out.find("\t200002\t200000\n"), std::string::npos) << r.out;
    const std::string shown = Show(Imn(), "Inbox", "0");
    EXPECT_NE(shown.find("\r\nline 199999\r\n"), std::string::npos);
}

TEST_F(CliMessages, DeleteActsOnEachRowOnceWhateverTheOrder) {
    CliResult r = Run({"delete", Ns(), "Inbox", "2", "0", "2"});
    EXPECT_CLI_OK(r);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(Subjects(Ns(), "Inbox"), " B\n");

    EXPECT_CLI_OK(Run({"add", Imn(), "Inbox", MessageFile("1.eml", "Subject: I1\n\n1\n"),
                       MessageFile("2.eml", "Subject: I2\n\n2\n"),
                       MessageFile("3.eml", "Subject: I3\n\n3\n")}));
    EXPECT_CLI_OK(Run({"delete", Imn(), "Inbox", "1"}));
    EXPECT_EQ(Subjects(Imn(), "Inbox"), " I1\n I3\n");
    // A ROW out of range deletes nothing at all.
    r = Run({"delete", Imn(), "Inbox", "0", "2"});
    EXPECT_CLI_FAILS(r, "Message not found");
    EXPECT_EQ(Subjects(Imn(), "Inbox"), " I1\n I3\n");
}

TEST_F(CliMessages, DeletedMessagesAreListedOnRequestAndUndeleted) {
    const std::string before = Run({"list", Ns(), "Inbox"}).out;
    EXPECT_CLI_OK(Run({"delete", Ns(), "Inbox", "0", "2"}));
    EXPECT_CLI_OK(Run({"add", Imn(), "Inbox", MessageFile("1.eml", "Subject: I1\n\n1\n"),
                       MessageFile("2.eml", "Subject: I2\n\n2\n")}));
    EXPECT_CLI_OK(Run({"delete", Imn(), "Inbox", "0"}));
    CliResult r = Run({"list", "--deleted", Ns(), "Inbox"});
    EXPECT_CLI_OK(r);
    EXPECT_EQ(r.out, "0\t0\t A\t a@x\t\t\tD\n1\t1\t B\t b@x\t\t\t-\n2\t2\t C\t c@x\t\t\tD\n");
    r = Run({"list", Imn(), "Inbox", "--deleted"});
    EXPECT_EQ(r.out, "0\t1\t I1\t\t\t\tD\n1\t2\t I2\t\t\t\t-\n");
    // A live row among them: refused, and nothing is undeleted.
    EXPECT_CLI_FAILS(Run({"undelete", Ns(), "Inbox", "2", "1"}), "Message is not deleted");
    EXPECT_EQ(Subjects(Ns(), "Inbox"), " B\n");
    r = Run({"undelete", Ns(), "Inbox", "2", "0", "2"});
    EXPECT_CLI_OK(r);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(Run({"list", Ns(), "Inbox"}).out, before);
    EXPECT_CLI_OK(Run({"undelete", Imn(), "Inbox", "0"}));
    EXPECT_EQ(Subjects(Imn(), "Inbox"), " I1\n I2\n");
}

TEST_F(CliMessages, CopyAndMoveWithinAndAcrossFormats) {
    const std::string showB = Show(Ns(), "Inbox", "1");
    // Netscape to Internet Mail: copy keeps the source.
    CliResult r = Run({"copy", Ns(), "Inbox", "1", "0", "--to", Imn(), "Inbox"});
    EXPECT_CLI_OK(r);
    EXPECT_EQ(Subjects(Imn(), "Inbox"), " A\n B\n");
    EXPECT_EQ(Subjects(Ns(), "Inbox"), " A\n B\n C\n");
    EXPECT_EQ(Show(Imn(), "Inbox", "1"), showB);

    // Internet Mail back to Netscape: move removes from the source.
    r = Run({"move", Imn(), "Inbox", "1", "--to", Ns(), "Saved"});
    EXPECT_CLI_OK(r);
    EXPECT_EQ(Subjects(Imn(), "Inbox"), " A\n");
    EXPECT_EQ(Subjects(Ns(), "Saved"), " B\n");
    EXPECT_EQ(Show(Ns(), "Saved", "0"), showB);

    // Within one store, named two ways: one folder tree, the messages moved once.
    r = Run({"move", Ns(), "Inbox", "0", "2", "--to", "netscape:" + mail + "/", "Saved"});
    EXPECT_CLI_OK(r);
    EXPECT_EQ(Subjects(Ns(), "Inbox"), " B\n");
    EXPECT_EQ(Subjects(Ns(), "Saved"), " B\n A\n C\n");

    // Moving into the folder the messages are in does nothing.
    r = Run({"move", Ns(), "Saved", "0", "--to", Ns(), "Saved"});
    EXPECT_CLI_OK(r);
    EXPECT_EQ(Subjects(Ns(), "Saved"), " B\n A\n C\n");
}

TEST_F(CliMessages, CopyAndMoveRefuseRootsAndKeepTheSource) {
    const std::string before = ReadFile(mail + "/Inbox");
    CliResult r = Run({"copy", Ns(), "Inbox", "0", "--to", Imn(), "/"});
    EXPECT_CLI_FAILS(r, "Cannot copy into a root folder");
    r = Run({"move", Ns(), "Inbox", "0", "--to", Ns(), ""});
    EXPECT_CLI_FAILS(r, "Cannot move into a root folder");
    EXPECT_EQ(ReadFile(mail + "/Inbox"), before);
    EXPECT_EQ(Subjects(Imn(), "Inbox"), "");
}

TEST_F(CliMessages, MoveKeepsAMessageTheDestinationRefused) {
    // A directory standing where the destination's file would be: appending fails.
    MakeDir("Mail/Blocked");
    const std::string before = ReadFile(mail + "/Inbox");
    CliResult r = Run({"move", Ns(), "Inbox", "0", "1", "--to", Ns(), "Blocked"});
    EXPECT_EQ(r.status, 1) << r;
    EXPECT_EQ(r.err, "Cannot add a message in destination folder\n"
                     "Cannot add a message in destination folder\n");
    EXPECT_EQ(Subjects(Ns(), "Inbox"), " A\n B\n C\n");
    EXPECT_EQ(ReadFile(mail + "/Inbox"), before);
}

} // namespace
} // namespace qb::test
