// Searching stores by decoded fields, text and date; reading a message decoded and saving its
// attachments, on real Netscape folders.
#include "fake_port.h"

#include "app/readable_message.h"
#include "app/search.h"
#include "stores/root_folder.h"
#include "support/bytes.h"
#include "support/stores.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace qb::test {
namespace {

const std::vector<std::string> kGermanHeader = {"Subject: =?iso-8859-1?Q?Gr=FC=DFe_aus_M=FCnchen?=",
                                                "From: =?utf-8?B?SsO8cmdlbiBNw7xsbGVy?= <j@m.de>",
                                                "Date: 1 Jan 99 10:00 EST", "MIME-Version: 1.0",
                                                "Content-Type: multipart/mixed; boundary=XX"};
const std::vector<std::string> kGermanBody = {
    "--XX",
    "Content-Type: text/plain; charset=iso-8859-1",
    "Content-Transfer-Encoding: quoted-printable",
    "",
    "Sch=F6ne Gr=FC=DFe,",
    "--XX",
    "Content-Type: application/octet-stream",
    "Content-Disposition: attachment; filename*=utf-8''%C3%BCber%2F..txt",
    "Content-Transfer-Encoding: base64",
    "",
    "aGFsbG8gd2VsdAo=",
    "--XX--"};

class Search : public ::testing::Test {
  protected:
    void SetUp() override {
        store.Write("Inbox", NsMessageText(kGermanHeader, kGermanBody) +
                                 NsMessageText({"Subject: plain", "From: ann@example.com",
                                                "Date: Tue, 2 Jan 2001 11:00 +0000"},
                                               {"hallo welt"}) +
                                 NsMessageText({"Subject: no date", "From: bob@x"}, {"welt"}));
        std::filesystem::create_directories(store.Path("Inbox.sbd"));
        store.Write(
            "Inbox.sbd/Sub",
            NsMessageText({"Subject: deep", "Date: 3 Feb 2005 01:02:03 GMT"}, {"Sch\xf6ne Welt"}));
    }
    struct Result {
        std::vector<std::string> hits; // "folder:row:subject"
        SearchSummary summary;
    };
    Result Find(const SearchQuery& query, std::uint64_t cancelAt = 0) {
        FakePort port;
        port.CancelAtStep(cancelAt);
        const auto progress = port.BeginProgress("Search");
        Result r;
        r.summary = RunSearch({{{"Mail", store.dir.path(), kTypeNavigator}, ""}}, query, *progress,
                              [&](const SearchHit& hit) {
                                  r.hits.push_back(hit.folder + ":" + std::to_string(hit.row) +
                                                   ":" + hit.subject);
                              });
        return r;
    }
    NetscapeStore store;
};

// A message marked deleted is found only when asked for, at its row in the listing that shows the
// deleted messages too.
TEST_F(Search, FindsDeletedMessagesOnlyWhenAsked) {
    store.Write("Trash", NsMessageText({"Subject: kept tax"}, {"x"}) +
                             NsMessageText({"Subject: lost tax"}, {"y"}, "0009"));
    std::vector<SearchHit> hits;
    SearchQuery q;
    q.subject = "tax";
    const auto run = [&] {
        hits.clear();
        FakePort port;
        const auto progress = port.BeginProgress("Search");
        RunSearch({{{"Mail", store.dir.path(), kTypeNavigator}, "Trash"}}, q, *progress,
                  [&](const SearchHit& hit) { hits.push_back(hit); });
    };
    run();
    ASSERT_EQ(hits.size(), 1u);
    EXPECT_FALSE(hits[0].deleted);
    q.deleted = true;
    run();
    ASSERT_EQ(hits.size(), 2u);
    EXPECT_EQ(hits[1].subject, "lost tax");
    EXPECT_EQ(hits[1].row, 1u);
    EXPECT_TRUE(hits[1].deleted);
}

TEST_F(Search, MatchesDecodedFieldsTextAndDatesAcrossSubFolders) {
    SearchQuery q;
    q.subject = "GRÜßE AUS";
    EXPECT_EQ(Find(q).hits, std::vector<std::string>{"Inbox:0:Grüße aus München"});
    q = {};
    q.from = "jürgen";
    EXPECT_EQ(Find(q).hits.size(), 1u);

    // Text parts only, decoded; the attachment's "hallo welt" is not text of the message.
    q = {};
    q.text = "schöne";
    Result r = Find(q);
    EXPECT_EQ(r.hits, (std::vector<std::string>{"Inbox:0:Grüße aus München", "Inbox/Sub:0:deep"}));
    EXPECT_EQ(r.summary.messages, 4u);
    q.text = "hallo";
    EXPECT_EQ(Find(q).hits, std::vector<std::string>{"Inbox:1:plain"});

    // 1 Jan 99 10:00 EST is 15:00 UTC; the message without a date is left out and counted.
    q = {};
    q.since = ParseSearchDate("1999-01-01");
    q.before = ParseSearchDate("2002-01-01");
    r = Find(q);
    EXPECT_EQ(r.hits, (std::vector<std::string>{"Inbox:0:Grüße aus München", "Inbox:1:plain"}));
    EXPECT_EQ(r.summary.unparseableDates, 1u);
    EXPECT_FALSE(SearchWarnings(r.summary).empty());
    q.since = ParseSearchDate("Fri, 1 Jan 1999 15:00:01 +0000");
    EXPECT_EQ(Find(q).hits, std::vector<std::string>{"Inbox:1:plain"});
    EXPECT_FALSE(ParseSearchDate("2001-13-01"));
    EXPECT_FALSE(ParseSearchDate("yesterday"));
}

TEST_F(Search, StopsWhereTheUserAskedAndLeavesTheStoreAsItWas) {
    const std::string before = store.Read("Inbox");
    SearchQuery q;
    q.text = "e";
    const Result all = Find(q);
    EXPECT_EQ(all.hits.size(), 4u);
    EXPECT_FALSE(all.summary.stopped);
    const Result part = Find(q, 2);
    EXPECT_TRUE(part.summary.stopped);
    EXPECT_EQ(part.hits, std::vector<std::string>(all.hits.begin(), all.hits.begin() + 1));
    EXPECT_EQ(store.Read("Inbox"), before);
}

TEST_F(Search, ReadableMessageDecodesTextAndSavesAttachmentsWithoutOverwriting) {
    CMails* inbox = store.Folder("Inbox");
    ASSERT_TRUE(inbox->LoadMessages());
    CMessage& message = *inbox->m_pMessages[0];
    const std::string source = MessageSource(message);
    EXPECT_NE(source.find("Sch=F6ne Gr=FC=DFe,\r\n"), std::string::npos);

    CReadableMessage readable(message);
    ASSERT_TRUE(readable.IsRead());
    EXPECT_EQ(readable.Text(), "Schöne Grüße,"); // the line end before a boundary is the boundary's
    ASSERT_EQ(readable.Attachments().size(), 1u);
    const Attachment& a = readable.Attachments()[0];
    EXPECT_EQ(a.name, "über/..txt");
    EXPECT_EQ(a.fileName.find('/'), std::string::npos);
    EXPECT_EQ(readable.AttachmentSize(0), 11u);

    TempDir out;
    std::string saved1, saved2;
    EXPECT_EQ(readable.SaveAttachmentInto(0, out.path(), saved1), "");
    EXPECT_EQ(readable.SaveAttachmentInto(0, out.path(), saved2), "");
    EXPECT_NE(saved1, saved2);
    EXPECT_EQ(ReadFile(saved2), "hallo welt\n");
    WriteFile(saved1, "mine");
    EXPECT_EQ(readable.SaveAttachment(0, saved1), kTextFileExists);
    EXPECT_EQ(ReadFile(saved1), "mine");
    EXPECT_EQ(DirNames(out.path()).size(), 2u);

    const DecodedDisplay shown = ComposeDecodedDisplay(message);
    ASSERT_EQ(shown.attachments.size(), 1u);
    EXPECT_NE(shown.text.find("Subject : Grüße aus München"), std::string::npos);
    EXPECT_NE(shown.text.find("über/..txt"), std::string::npos);
}

} // namespace
} // namespace qb::test
