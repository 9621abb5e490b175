// Exports checked by mail programs nobody here wrote: notmuch indexes a written Maildir, mutt
// opens a written mbox and Maildir, and each counts the messages written.
#include "generated_mail.h"
#include "interchange/writer.h"

#include "support/run_tool.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <thread>
#include <unistd.h>

namespace qb {
namespace {

using interchange::Format;

constexpr int kMessages = 120;

// One folder of random messages written in `format`.
void WriteFolder(Format format, const std::string& dest, const std::vector<std::string>& folder,
                 const test::MailShape& shape, unsigned seed) {
    std::mt19937 rng(seed);
    auto writer = interchange::MakeWriter(format, dest, 1000000000);
    ASSERT_TRUE(writer->BeginFolder(folder)) << writer->Error();
    for (int i = 0; i < kMessages; ++i) {
        const interchange::Message message{test::RandomMessageText(rng, i, shape),
                                           static_cast<std::uint32_t>(rng() % 16)};
        ASSERT_TRUE(writer->Write(message)) << writer->Error();
    }
    ASSERT_TRUE(writer->EndFolder()) << writer->Error();
}

TEST(Peers, NotmuchIndexesTheWrittenMaildir) {
    if (!test::HaveTool("notmuch"))
        GTEST_SKIP() << "notmuch is not installed (scripts/bootstrap installs it)";
    const unsigned seed = test::TestSeed();
    SCOPED_TRACE("seed " + std::to_string(seed));
    test::TempDir dir;
    // notmuch takes an empty file for no mail at all: well-formed messages only.
    WriteFolder(Format::Maildir, dir / "mail", {}, {false}, seed);
    // A scratch configuration: nothing of the user's own is read or changed.
    test::WriteFile(dir / "config", "[database]\npath=" + dir / "mail" +
                                        "\n[user]\nname=Test\nprimary_email=t@example.org\n"
                                        "[new]\ntags=new;\n[search]\nexclude_tags=\n"
                                        "[maildir]\nsynchronize_flags=true\n");
    const std::string env = "NOTMUCH_CONFIG=" + test::ShellQuote(dir / "config") +
                            " HOME=" + test::ShellQuote(dir.path()) + " ";
    ASSERT_EQ(test::RunCommand(env + "notmuch new --quiet 2>&1"), 0);
    std::string messages, files, flagged;
    ASSERT_EQ(test::RunCommand(env + "notmuch count --exclude=false '*'", &messages), 0);
    ASSERT_EQ(test::RunCommand(env + "notmuch count --exclude=false --output=files '*'", &files),
              0);
    EXPECT_EQ(std::stoi(messages), kMessages);
    EXPECT_EQ(std::stoi(files), kMessages);

    // The flags: notmuch reads F as "flagged".
    std::mt19937 rng(seed);
    int marked = 0;
    for (int i = 0; i < kMessages; ++i) {
        test::RandomMessageText(rng, i, {false});
        marked += (rng() % 16) & interchange::kStatusMarked ? 1 : 0;
    }
    ASSERT_EQ(test::RunCommand(env + "notmuch count --exclude=false tag:flagged", &flagged), 0);
    EXPECT_EQ(std::stoi(flagged), marked);
}

// The number of messages mutt shows for `mailbox`, opened read-only in a terminal of its own:
// `expected` once the screen shows it, else the count last seen (-1 for none). The status line,
// which holds the count, is drawn only once the mailbox has been read; on a loaded machine mutt
// may take long to get there, so the wait is generous and ends as soon as the count is right.
int MuttCount(const std::string& home, const std::string& mailbox, int expected) {
    // A tmux server of its own for each run: one being shut down may still hold the last name.
    static int runs = 0;
    const std::string server =
        "qbtest-" + std::to_string(::getpid()) + "-" + std::to_string(++runs);
    const std::string tmux = "tmux -L " + server + " ";
    const std::string mutt = "HOME=" + test::ShellQuote(home) +
                             " TERM=xterm mutt -n -F /dev/null -R " + "-e 'set folder=" + home +
                             " status_format=\"QBCOUNT=%m=\"' -f " + test::ShellQuote(mailbox);
    std::string error;
    if (test::RunCommand(tmux + "new-session -d -x 160 -y 40 " + test::ShellQuote(mutt) + " 2>&1",
                         &error) != 0) {
        ADD_FAILURE() << "tmux: " << error;
        return -1;
    }
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + std::chrono::seconds(120);
    std::optional<Clock::time_point> settled; // a wrong count is looked at a little longer
    int count = -1;
    while (count != expected && Clock::now() < deadline && (!settled || Clock::now() < *settled)) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        std::string screen;
        test::RunCommand(tmux + "capture-pane -p 2>/dev/null", &screen);
        const std::size_t at = screen.find("QBCOUNT=");
        const std::size_t end = at == std::string::npos ? at : screen.find('=', at + 8);
        const std::string digits =
            end == std::string::npos ? "" : screen.substr(at + 8, end - at - 8);
        if (digits.empty() || digits.find_first_not_of("0123456789") != std::string::npos)
            continue;
        count = std::stoi(digits);
        if (!settled)
            settled = Clock::now() + std::chrono::seconds(3);
    }
    test::RunCommand(tmux + "kill-server 2>/dev/null");
    return count;
}

TEST(Peers, MuttOpensTheWrittenMboxAndMaildir) {
    if (!test::HaveTool("mutt") || !test::HaveTool("tmux"))
        GTEST_SKIP() << "mutt or tmux is not installed (scripts/bootstrap installs them)";
    const unsigned seed = test::TestSeed();
    SCOPED_TRACE("seed " + std::to_string(seed));
    test::TempDir dir;
    WriteFolder(Format::Mboxrd, dir / "out", {"Inbox"}, {}, seed);
    WriteFolder(Format::Maildir, dir / "md", {}, {}, seed);
    EXPECT_EQ(MuttCount(dir.path(), dir / "out/Inbox.mbox", kMessages), kMessages) << "mbox";
    EXPECT_EQ(MuttCount(dir.path(), dir / "md", kMessages), kMessages) << "maildir";
}

} // namespace
} // namespace qb
