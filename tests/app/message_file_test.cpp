// Reading a message file for `add`: line ends, header/body split, sizes the stores rely on.
#include "app/message_file.h"

#include "platform/file_system.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>

#ifdef _WIN32
#include "platform/windows_api.h"
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace qb {
namespace {

using test::TempDir;
using test::WriteFile;

class MessageFileTest : public ::testing::Test {
  protected:
    TempDir dir;
    CMails holder{"", "", CMails::kPlain};

    std::string error;

    std::unique_ptr<CMessage> Read(const std::string& bytes) {
        const std::string path = dir / "m.eml";
        WriteFile(path, bytes);
        return ReadMessageFile(path, holder, error);
    }
};

TEST_F(MessageFileTest, CrLfAndLfFilesGiveTheSameMessage) {
    const std::string lf = "Subject: Hi\nFrom: a@b\n\nline one\n\nline three\n";
    std::string crlf;
    for (char c : lf)
        crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    for (const std::string& bytes : {lf, crlf}) {
        auto m = Read(bytes);
        ASSERT_NE(m, nullptr);
        EXPECT_EQ(m->m_strHeader, "Subject: Hi\r\nFrom: a@b\r\n");
        EXPECT_EQ(m->m_aBody, (std::vector<std::string>{"line one", "", "line three"}));
        EXPECT_EQ(m->m_nBodyLines, 3);
        EXPECT_EQ(m->m_nLines, 2 + 1 + 3);
        // Sizes as the stores write the message: every line end two bytes.
        EXPECT_EQ(m->m_nBodySize, 10 + 2 + 12);
        EXPECT_EQ(m->m_nSize, static_cast<std::int64_t>(m->m_strHeader.size()) + 2 + 24);
        EXPECT_EQ(m->m_pFolder, &holder);
        EXPECT_EQ(m->GetHeaderField("Subject:"), " Hi");
    }
}

TEST_F(MessageFileTest, TextIsComposedFromTheBodyOnFirstUse) {
    auto m = Read("Subject: x\n\nhello\nworld");
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->m_aBody, (std::vector<std::string>{"hello", "world"}));
    // A plain text body, as the message pane shows it: its lines after one line break.
    EXPECT_EQ(m->GetText(), "\r\nhello\r\nworld\r\n\r\n");
}

TEST_F(MessageFileTest, EdgeShapes) {
    // Header only, no separating empty line: everything is header, the body is empty.
    auto m = Read("Subject: only\nX-A: 1\n");
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->m_strHeader, "Subject: only\r\nX-A: 1\r\n");
    EXPECT_TRUE(m->m_aBody.empty());
    EXPECT_EQ(m->m_nBodySize, 0);

    // An empty file is an empty message.
    m = Read("");
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->m_strHeader, "");
    EXPECT_TRUE(m->m_aBody.empty());

    // A lone CR ends a line without swallowing the next byte; continuation lines are kept.
    m = Read("Subject: a\r\tb\rX: y\r\rbody\r");
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->m_strHeader, "Subject: a\r\n\tb\r\nX: y\r\n");
    EXPECT_EQ(m->GetHeaderField("Subject:"), " ab");
    EXPECT_EQ(m->m_aBody, std::vector<std::string>{"body"});

    // Bytes are kept as they are, NUL and 8-bit included.
    m = Read(std::string("Subject: \xe9t\xe9\n\na\0b\n", 18));
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->m_strHeader, "Subject: \xe9t\xe9\r\n");
    EXPECT_EQ(m->m_aBody, std::vector<std::string>{std::string("a\0b", 3)});
}

TEST_F(MessageFileTest, MailboxEnvelopeLineIsNotPartOfTheMessage) {
    auto m = Read("From someone@example.com Mon Jan  1 00:00:00 2001\nSubject: s\n\nFrom me\n");
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->m_strHeader, "Subject: s\r\n");
    // Only the very first line is an envelope; a body line starting so stays.
    EXPECT_EQ(m->m_aBody, std::vector<std::string>{"From me"});
    // A "From:" header field is a header field.
    m = Read("From: a@b\n\nx\n");
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->m_strHeader, "From: a@b\r\n");
    // A Netscape separator line is kept with its date: a Netscape folder writes it as it is.
    m = Read("From - Tue Feb  2 10:00:00 1999\nSubject: s\n\nx\n");
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->m_strHeader, "From - Tue Feb  2 10:00:00 1999\r\nSubject: s\r\n");
}

TEST_F(MessageFileTest, HeaderOpeningWithAContinuationIsRefused) {
    // The continuation would join a status line a store puts first ("8000" + "x" reads as
    // deleted) and the message would vanish.
    EXPECT_EQ(Read("\tx\nSubject: s\n\nb\n"), nullptr);
    EXPECT_EQ(error, kTextNotAMessageFile);
    EXPECT_EQ(Read("From a@b Mon\n\tx\n\nb\n"), nullptr);
    EXPECT_EQ(error, kTextNotAMessageFile);
    // Later continuation lines, a leading blank and a TAB in the body are fine.
    for (const char* bytes : {"Subject: s\n\tmore\n\nb\n", " x\n\nb\n", "\n\tbody\n"}) {
        EXPECT_NE(Read(bytes), nullptr) << bytes;
        EXPECT_EQ(error, "");
    }
}

TEST_F(MessageFileTest, UnreadableFilesAreRefused) {
    EXPECT_EQ(ReadMessageFile(dir / "missing.eml", holder, error), nullptr);
    EXPECT_EQ(error, kTextCannotReadMessageFile);
    EXPECT_FALSE(CanReadMessageFile(dir / "missing.eml"));
    EXPECT_EQ(ReadMessageFile(dir.path(), holder, error), nullptr);
    EXPECT_FALSE(CanReadMessageFile(dir.path()));
    const std::string path = dir / "m.eml";
    WriteFile(path, "Subject: x\n\nbody\n");
    EXPECT_TRUE(CanReadMessageFile(path));
#ifdef _WIN32
    // Held open by another without sharing, it cannot be opened.
    const HANDLE held = ::CreateFileW(std::filesystem::path(path).c_str(), GENERIC_READ, 0, nullptr,
                                      OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(CanReadMessageFile(path));
    EXPECT_EQ(ReadMessageFile(path, holder, error), nullptr);
    ::CloseHandle(held);
#else
    if (geteuid() != 0) { // root reads whatever the mode says
        ASSERT_EQ(chmod(path.c_str(), 0), 0);
        EXPECT_FALSE(CanReadMessageFile(path));
        EXPECT_EQ(ReadMessageFile(path, holder, error), nullptr);
    }
#endif
}

TEST_F(MessageFileTest, ReadFailureMidwayGivesNoMessage) {
    const std::string path = dir / "m.eml";
    WriteFile(path, "Subject: x\n\n" + std::string(200000, 'a') + "\n");
    fs::SetFaultPlan({2, fs::FaultKind::Error, true}); // every read after the open fails
    auto m = ReadMessageFile(path, holder, error);
    fs::ClearFaultPlan();
    EXPECT_EQ(m, nullptr);
}

} // namespace
} // namespace qb
