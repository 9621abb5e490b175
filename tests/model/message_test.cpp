#include "model/mails.h"
#include "model/message.h"
#include "support/messages.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

namespace qb {
namespace {

using test::MakeMessage;

TEST(HeaderField, CaseFoldingAndExactLengthMatch) {
    auto m = MakeMessage("From - \r\ncontent-type: text/html\r\nSubject:x\r\n");
    EXPECT_EQ(m->GetHeaderField("Content-Type:"), " text/html");
    EXPECT_EQ(m->GetHeaderField("SUBJECT:"), "x");
    EXPECT_EQ(m->GetHeaderField("Subject: "), "");
    EXPECT_EQ(m->GetHeaderField("From - "), "");
    EXPECT_EQ(m->GetHeaderField("To:"), "");
}

TEST(HeaderField, TabContinuationsJoinedBlankLinesNot) {
    auto m = MakeMessage("Subject: a\r\n\tb\r\nX-Other: c\r\n\td\r\nTo: e\r\n f\r\n");
    EXPECT_EQ(m->GetHeaderField("Subject:"), " ab");
    EXPECT_EQ(m->GetHeaderField("X-Other:"), " cd");
    EXPECT_EQ(m->GetHeaderField("To:"), " e");
}

TEST(HeaderField, OnlyCompleteLinesCount) {
    EXPECT_EQ(MakeMessage("Subject: a")->GetHeaderField("Subject:"), "");
    EXPECT_EQ(MakeMessage("Subject: a\r\n\tb")->GetHeaderField("Subject:"), " a");
    EXPECT_EQ(MakeMessage("Subject: a\n")->GetHeaderField("Subject:"), "");
}

TEST(HeaderField, ManyNamesInOnePassAgreeWithEachNameAlone) {
    // Random headers of repeated, folded, case-varied and prefix-sharing fields; more names than
    // fit the pass's own state array, one of them twice, values left over from an earlier call.
    const std::vector<std::string> pieces = {
        "Subject: s\r\n", "SUBJECT:t\r\n", "Sub: u\r\n",  "\tfold\r\n",   " space\r\n",  "\r\n",
        "To: a\r\n",      "to:\r\n",       "From: f\r\n", "From - x\r\n", "Date: d\r\n", "X: y"};
    const std::vector<std::string_view> names = {"Subject:", "To:", "From:",  "Date:", "Sub",
                                                 "X:",       "",    "From -", "Cc:",   "To:"};
    std::mt19937 rng(7);
    for (int round = 0; round < 400; ++round) {
        std::string header;
        for (int n = static_cast<int>(rng() % 14); n > 0; --n)
            header += pieces[rng() % pieces.size()];
        auto m = MakeMessage(header);
        std::vector<std::string> values(names.size(), "stale");
        m->GetHeaderFields(names, values);
        for (std::size_t i = 0; i < names.size(); ++i) {
            std::string alone;
            m->GetHeaderFields({&names[i], 1}, {&alone, 1});
            EXPECT_EQ(values[i], alone) << header << " / " << names[i];
        }
    }
}

TEST(Message, LineOffsets) {
    auto m = MakeMessage("H: v\r\n", {"abc", "", "de"});
    EXPECT_EQ(m->GetLineOffset(0), 8);
    EXPECT_EQ(m->GetLineOffset(2), 8 + 3 + 2 + 0 + 2);
    EXPECT_EQ(m->GetLineOffset(3), 8 + 5 + 2 + 4);
}

TEST(ComposeText, SinglePartDefaultsToPlainText) {
    auto m = MakeMessage("Subject: s\r\n", {"hello", "world"});
    ASSERT_TRUE(m->ComposeText());
    EXPECT_EQ(m->m_strText, "\r\nhello\r\nworld\r\n\r\n");
    EXPECT_EQ(m->m_strAttach, "");
    ASSERT_NE(m->m_pContent, nullptr);
    EXPECT_EQ(m->m_pContent->GetMediaType(), "text");
    EXPECT_EQ(m->m_pContent->GetSubtype(), "plain");
    EXPECT_EQ(m->m_pContent->GetEncoding(), "7bit");
}

TEST(ComposeText, PartWithoutContentTypeIsNotShownAsText) {
    auto m = MakeMessage("Content-Type: multipart/mixed; boundary=\"b\"\r\n",
                         {"--b", "", "text", "--b--"});
    ASSERT_TRUE(m->ComposeText());
    EXPECT_EQ(m->m_strText, "\r\n");
}

TEST(ComposeText, NonTextSinglePartShowsNothing) {
    auto m = MakeMessage("Content-Type: image/gif\r\n", {"GIF89a"});
    ASSERT_TRUE(m->ComposeText());
    EXPECT_EQ(m->m_strText, "\r\n");
}

const char kRule[] = "-------------------- Attach ---------------------\r\n";

TEST(ComposeText, MultipartWithAttachmentSummaryBytes) {
    auto m = MakeMessage("Content-Type: multipart/mixed; boundary=\"XX\"\r\n",
                         {"preamble", "--XX", "Content-Type: text/plain", "", "body text", "--XX",
                          "Content-Type: image/gif; name=\"a.gif\"",
                          "Content-Transfer-Encoding: base64", "", "R0lGOD", "--XX--", "epilogue"});
    ASSERT_TRUE(m->ComposeText());
    EXPECT_EQ(m->m_strText, "\r\nbody text\r\n\r\n");
    EXPECT_EQ(m->m_strAttach, std::string(kRule) +
                                  "--------------------\r\n"
                                  "Attach type: image/gif\r\n"
                                  "Attach name: \"a.gif\"\r\n" +
                                  kRule);
    EXPECT_EQ(m->m_pContent->GetPartCount(), 2);
}

TEST(ComposeText, OnlyTextChildGivesTheTwoRules) {
    auto m = MakeMessage("Content-Type: multipart/mixed; boundary=\"b\"\r\n",
                         {"--b", "Content-type: TEXT/plain", "", "text", "--b--"});
    ASSERT_TRUE(m->ComposeText());
    EXPECT_EQ(m->m_strText, "\r\ntext\r\n\r\n");
    EXPECT_EQ(m->m_strAttach, std::string(kRule) + kRule);
}

TEST(ComposeText, NestedMultipartFollowsFirstPartsAndListsChildOnce) {
    auto m = MakeMessage("Content-Type: multipart/mixed;\r\n\tboundary=\"outer\"\r\n",
                         {"--outer", "Content-Type: multipart/alternative; boundary=\"inner\"", "",
                          "--inner", "Content-Type: text/plain", "", "plain one", "--inner",
                          "Content-Type: text/html", "", "<p>", "--inner--", "--outer",
                          "Content-Type: multipart/related; name=rel", "", "--outer--"});
    ASSERT_TRUE(m->ComposeText());
    EXPECT_EQ(m->m_strText, "\r\nplain one\r\n\r\n");
    EXPECT_EQ(m->m_strAttach, std::string(kRule) +
                                  "--------------------\r\nAttach type: multipart/related\r\n"
                                  "Attach name: rel\r\n" +
                                  kRule);
    const CContent* alt = m->m_pContent->m_pFirstPart.get();
    ASSERT_NE(alt, nullptr);
    EXPECT_EQ(alt->GetPartCount(), 2);
}

TEST(ComposeText, MultipartWithoutLeafFailsAndStaysComposed) {
    CMails folder("F", "/f");
    auto msg = std::make_unique<CMessage>(0, 0, &folder,
                                          "Content-Type: multipart/mixed; boundary=\"b\"\r\n", "");
    msg->m_aBody = {"no delimiters here"};
    msg->m_nBodyLines = 1;
    CMessage* m = msg.get();
    folder.m_pMessages.push_back(std::move(msg));
    EXPECT_EQ(m->GetText(), "");
    EXPECT_NE(m->m_pContent, nullptr);
    EXPECT_EQ(m->GetAttachText(), "");
}

class FailingReader : public CMails {
  public:
    using CMails::CMails;
    bool ReadMessage(CMessage& message) override {
        ++reads;
        if (fail)
            return false;
        message.m_aBody = {"read"};
        message.m_nBodyLines = 1;
        return true;
    }
    int reads = 0;
    bool fail = true;
};

TEST(Message, GetTextReadsOnceThroughTheFolderAndRetriesAfterFailure) {
    FailingReader folder("F", "/f");
    CMessage m(0, 0, &folder, "Subject: x\r\n", "");
    EXPECT_EQ(m.GetText(), "");
    EXPECT_EQ(m.m_pContent, nullptr);
    folder.fail = false;
    EXPECT_EQ(m.GetText(), "\r\nread\r\n\r\n");
    EXPECT_EQ(m.GetAttachText(), "");
    EXPECT_EQ(m.GetText(), "\r\nread\r\n\r\n");
    EXPECT_EQ(folder.reads, 2);
}

} // namespace
} // namespace qb
