// Decoded output, JSON listings, attachments and search: parsing, exit statuses and output.
#include "cli_harness.h"

namespace qb::test {
namespace {

class CliDecode : public CliTest {
  protected:
    std::string store;
    void SetUp() override {
        const std::string mail = MakeDir("Mail");
        store = "netscape:" + mail;
        WriteFile(mail + "/Inbox",
                  NetscapeMessage("Subject: =?iso-8859-1?Q?Gr=FC=DFe_aus_M=FCnchen?=\n"
                                  "From: =?utf-8?B?SsO8cmdlbiBNw7xsbGVy?= <j@m.de>\n"
                                  "Date: 1 Jan 99 10:00 EST\nMIME-Version: 1.0\n"
                                  "Content-Type: multipart/mixed; boundary=XX",
                                  "--XX\nContent-Type: text/plain; charset=iso-8859-1\n"
                                  "Content-Transfer-Encoding: quoted-printable\n\n"
                                  "Sch=F6ne Gr=FC=DFe,\n--XX\n"
                                  "Content-Disposition: attachment; filename=\"a.txt\"\n"
                                  "Content-Transfer-Encoding: base64\n\naGkK\n--XX--\n") +
                      NetscapeMessage("Subject: x\x01y\nDate: never", "hi\n"));
    }
};

TEST_F(CliDecode, ListAndShowDecodeOnlyWhenAsked) {
    CliResult r = Run({"list", "--decode", store, "Inbox"});
    EXPECT_CLI_OK(r);
    EXPECT_EQ(r.out, "0\t0\tGrüße aus München\tJürgen Müller <j@m.de>\t\t1 Jan 99 10:00 EST\n"
                     "1\t1\tx y\t\t\tnever\n");
    r = Run({"list", store, "Inbox"});
    EXPECT_NE(r.out.find(" =?iso-8859-1?Q?Gr=FC=DFe_aus_M=FCnchen?=\t"), std::string::npos);
    r = Run({"show", "--decode", store, "Inbox", "0"});
    EXPECT_CLI_OK(r);
    EXPECT_NE(r.out.find("Subject : Grüße aus München\n"), std::string::npos) << r;
    EXPECT_NE(r.out.find("\n\nSchöne Grüße,\n"), std::string::npos) << r;
    EXPECT_NE(r.out.find("Attach name: a.txt"), std::string::npos) << r;
}

TEST_F(CliDecode, JsonListingsCarryDecodedAndRawFields) {
    CliResult r = Run({"list", "--json", store, "Inbox"});
    EXPECT_CLI_OK(r);
    EXPECT_NE(r.out.find("\"subject\":\"Grüße aus München\""), std::string::npos) << r;
    EXPECT_NE(r.out.find("\"time\":\"1999-01-01T15:00:00Z\""), std::string::npos) << r;
    EXPECT_NE(r.out.find("\"subject_raw\":\" x\\u0001y\""), std::string::npos) << r;
    r = Run({"folders", "--json", store});
    EXPECT_CLI_OK(r);
    EXPECT_NE(r.out.find("Inbox"), std::string::npos);
    EXPECT_EQ(r.out.substr(0, 11), "{\"folders\":");
}

TEST_F(CliDecode, AttachmentsAreListedAndSavedWithoutOverwriting) {
    CliResult r = Run({"attachments", store, "Inbox", "0"});
    EXPECT_CLI_OK(r);
    EXPECT_EQ(r.out, "0\ttext/plain\t3\ta.txt\n");
    const std::string out = MakeDir("out");
    WriteFile(out + "/a.txt", "mine");
    r = Run({"attachments", store, "Inbox", "0", "--save", out});
    EXPECT_CLI_OK(r);
    EXPECT_EQ(ReadFile(out + "/a.txt"), "mine");
    EXPECT_EQ(ReadFile(out + "/a (2).txt"), "hi\n");
    EXPECT_EQ(Run({"attachments", store, "Inbox", "7"}).status, 1);
    EXPECT_EQ(Run({"attachments", store, "Inbox", "0", "--save", dir / "none"}).status, 1);
}

TEST_F(CliDecode, SearchPrintsHitsAndWarnsAboutUnreadableDates) {
    CliResult r = Run({"search", store, "--subject", "MÜNCHEN", "--text", "schöne"});
    EXPECT_CLI_OK(r);
    EXPECT_EQ(r.out, "Mail\tInbox\t0\t1 Jan 99 10:00 EST\tJürgen Müller <j@m.de>\t"
                     "Grüße aus München\n");
    r = Run({"search", store, "Inbox", "--since", "1998-12-31"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out.substr(0, 12), "Mail\tInbox\t0");
    EXPECT_NE(r.err.find("1 message"), std::string::npos) << r;
    r = Run({"search", store, "--text", "hi", "--json"});
    EXPECT_CLI_OK(r);
    EXPECT_NE(r.out.find("\"row\":1"), std::string::npos) << r;
    EXPECT_NE(r.out.find("\"messages\":2"), std::string::npos) << r;
    EXPECT_EQ(Run({"search", store, "--since", "someday"}).status, 1);
    EXPECT_EQ(Run({"search", store, "Nowhere"}).status, 1);
    EXPECT_EQ(Run({"search", store, "--colour"}).status, 2);
}

} // namespace
} // namespace qb::test
