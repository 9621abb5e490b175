// The exact bytes appended for body lines that carry line breaks of their own, and the texts of
// messages copied between folders, which the copies compose from the file they were written to.
#include "support/stores.h"

#include <gtest/gtest.h>

namespace qb::test {
namespace {

TEST(NetscapeAppendBytes, BreaksInsideBodyLinesBecomeLineEndsAndSeparatorsAreQuoted) {
    NetscapeStore store;
    store.Write("F", "");
    CNetscapeMails* f = store.Folder("F");
    const std::string longLine(70, 'q');
    auto m = MakeMessage("Subject: s\r\n",
                         {"plain", "a\rb", "c\nd", "e\r\nf", "g\n\rh", "x\r", "\n", "",
                          "From - inside", "y\nFrom - after a break", "z\rfrom - lower case",
                          longLine + "\r" + longLine, "end\r\n"});
    ASSERT_TRUE(f->AddMessage(*m));
    const std::string expected = "From - \r\nX-Mozilla-Status: 8000\r\nSubject: s\r\n\r\n"
                                 "plain\r\n"
                                 "a\r\nb\r\n"
                                 "c\r\nd\r\n"
                                 "e\r\nf\r\n"
                                 "g\r\n\r\nh\r\n"
                                 "x\r\n\r\n"
                                 "\r\n\r\n"
                                 "\r\n"
                                 ">From - inside\r\n"
                                 "y\r\n>From - after a break\r\n"
                                 "z\r\n>from - lower case\r\n" +
                                 longLine + "\r\n" + longLine +
                                 "\r\n"
                                 "end\r\n\r\n";
    EXPECT_EQ(store.Read("F"), expected);
    // The folder reads back what was written, counted line by line.
    ASSERT_TRUE(f->LoadMessages());
    ASSERT_EQ(f->m_pMessages.size(), 1u);
    EXPECT_EQ(f->m_pMessages[0]->m_nBodyLines, 24);
    EXPECT_EQ(f->m_pMessages[0]->m_nBodySize,
              static_cast<std::int64_t>(expected.size() -
                                        std::string("From - \r\nX-Mozilla-Status: 8000\r\n"
                                                    "Subject: s\r\n\r\n")
                                            .size()));
}

TEST(NetscapeAppendBytes, CopiedMessagesShowTheTextsOfTheirSources) {
    NetscapeStore store;
    const std::string multipart =
        "From - \r\nX-Mozilla-Status: 0001\r\nSubject: m\r\n"
        "Content-Type: multipart/mixed; boundary=\"b\"\r\n\r\n"
        "--b\r\nContent-Type: text/plain\r\n\r\nhello there\r\n"
        "--b\r\nContent-Type: application/octet-stream; name=\"a.bin\"\r\n"
        "Content-Transfer-Encoding: base64\r\n\r\nAAAA\r\n--b--\r\n\r\n";
    store.Write("Src", NsMessage("p", {"first", "second"}) + multipart);
    store.Write("Dst", "");
    std::vector<std::string> texts, attachments;
    std::vector<CMessage*> sources;
    for (auto& m : store.Folder("Src")->GetMessages()) {
        texts.push_back(m->GetText());
        attachments.push_back(m->GetAttachText());
        sources.push_back(m.get());
    }
    ASSERT_EQ(texts.size(), 2u);
    ASSERT_FALSE(attachments[1].empty());
    // Fresh sources whose bodies the batch reads and lets go of again.
    ASSERT_TRUE(store.Folder("Src")->LoadMessages());
    sources.clear();
    for (auto& m : store.Folder("Src")->m_pMessages)
        sources.push_back(m.get());
    CNetscapeMails* dst = store.Folder("Dst");
    ASSERT_TRUE(dst->LoadMessages());
    std::vector<bool> added;
    ASSERT_TRUE(dst->AddMessages(sources, added));
    ASSERT_EQ(dst->m_pMessages.size(), 2u);
    for (std::size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(dst->m_pMessages[i]->GetText(), texts[i]) << i;
        EXPECT_EQ(dst->m_pMessages[i]->GetAttachText(), attachments[i]) << i;
        EXPECT_EQ(sources[i]->GetText(), texts[i]) << i;
        EXPECT_EQ(sources[i]->GetAttachText(), attachments[i]) << i;
    }
}

TEST(NetscapeAppendBytes, BodiesOfEverySizeReadBackAsWritten) {
    NetscapeStore store;
    // Bodies from empty to longer than a read buffer, with a CR LF falling at many offsets.
    std::vector<std::vector<std::string>> bodies = {{}, {""}, {"a"}, {"ab", "c"}};
    for (std::size_t n : {13u, 14u, 15u, 16u, 17u, 31u, 32u, 33u, 70000u})
        bodies.push_back({std::string(n, 'x'), std::string(n / 2, 'y'), "z"});
    std::string file;
    for (std::size_t i = 0; i < bodies.size(); ++i)
        file += NsMessage("m" + std::to_string(i), bodies[i]);
    store.Write("F", file);
    CNetscapeMails* f = store.Folder("F");
    ASSERT_EQ(f->GetMessages().size(), bodies.size());
    for (std::size_t i = 0; i < bodies.size(); ++i) {
        CMessage& m = *f->m_pMessages[i];
        ASSERT_TRUE(f->ReadMessage(m)) << i;
        EXPECT_EQ(m.m_aBody, bodies[i]) << i;
    }
}

} // namespace
} // namespace qb::test
