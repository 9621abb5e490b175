// Export to the standard formats and import from them: arguments, exit statuses and what is
// printed.
#include "cli_harness.h"

#include <gmock/gmock.h>

#include <algorithm>

namespace qb::test {
namespace {

class CliInterchange : public CliTest {
  protected:
    std::string mail;

    void SetUp() override {
        mail = MakeDir("Mail");
        WriteFile(mail + "/Inbox", NetscapeMessage("Subject: One", "From me\n") +
                                       NetscapeMessage("Subject: Two", "2\n", "0009"));
        MakeDir("Mail/Inbox.sbd");
        WriteFile(mail + "/Inbox.sbd/Work", NetscapeMessage("Subject: Wk", "w\n"));
    }
    std::string Ns() const { return "netscape:" + mail; }
};

TEST_F(CliInterchange, ExportWritesOnceAndImportReportsSkips) {
    CliResult r = Run({"export", Ns(), "Inbox", "out", "--format", "mboxrd", "--recursive"});
    EXPECT_EQ(r.status, 0) << r;
    EXPECT_EQ(r.out, "Exported 2 messages from 2 folders to out (1 deleted messages left out)\n");
    EXPECT_TRUE(std::filesystem::exists(dir / "out/Inbox.mbox"));
    EXPECT_TRUE(std::filesystem::exists(dir / "out/Inbox/Work.mbox"));
    r = Run({"export", Ns(), "Inbox", "out", "--format", "mboxrd", "--include-deleted"});
    EXPECT_EQ(r.status, 1) << r;
    EXPECT_THAT(r.err, testing::HasSubstr("exists"));
    EXPECT_EQ(Run({"export", Ns(), "Inbox", "x", "--format", "mbox"}).status, 2);
    EXPECT_EQ(Run({"export", Ns(), "Inbox", "x"}).status, 2);

    const std::string good = ReadFile(dir / "out/Inbox.mbox");
    WriteFile(dir / "in.mbox", good + "From x Mon Jan  1 00:00:00 2001\n\tbad\n\nb\n");
    r = Run({"import", "in.mbox", Ns(), "Inbox/Work", "--mboxrd"});
    EXPECT_EQ(r.status, 0) << r;
    EXPECT_EQ(r.out, "Imported 1 messages into 1 folders from in.mbox, skipped 1\n");
    EXPECT_THAT(r.err, testing::StartsWith("Skipped Message 2 at byte " +
                                           std::to_string(good.size()) + " of in.mbox: "));
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    r = Run({"list", Ns(), "Inbox/Work"});
    EXPECT_EQ(r.out, "0\t0\t Wk\t\t\t\n1\t1\t One\t\t\t\n");
    EXPECT_EQ(Run({"import", "missing", Ns(), "Inbox"}).status, 1);
}

TEST_F(CliInterchange, InterruptStopsAtTheNextMessage) {
    // Ctrl+C during an export is its Cancel: nothing under a final name, a line saying so, and a
    // status that is not success.
    std::string many;
    for (int i = 0; i < 50; ++i)
        many += NetscapeMessage("Subject: M" + std::to_string(i), "m\n");
    WriteFile(mail + "/Many", many);
    WriteFile(dir / "summary", "");
    const CliResult r =
        RunInterrupted(dir / "summary", {"export", Ns(), "Many", "out", "--format", "maildir"});
    EXPECT_EQ(r.status, 130) << r;
    EXPECT_EQ(ReadFile(dir / "summary"),
              "Export cancelled: Exported 0 messages from 0 folders to out\n");
    EXPECT_TRUE(std::filesystem::is_empty(dir / "out/cur"));
    EXPECT_TRUE(std::filesystem::is_empty(dir / "out/tmp"));
    // Without an interrupt the same export runs to the end.
    EXPECT_CLI_OK(Run({"export", Ns(), "Many", "out2", "--format", "maildir"}));
}

} // namespace
} // namespace qb::test
