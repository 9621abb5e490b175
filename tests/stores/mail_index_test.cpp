#include "stores/mail_index.h"

#include "internet_fixtures.h"
#include "platform/file_system.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace qb::test {
namespace {

std::string NewIndexHeader(std::uint32_t count = 0, std::uint32_t length = 80) {
    std::string out = std::string("JMF9", 4) + Le32(0x00010004) + Le32(count) + Le32(length) +
                      Le32(1) + Le32(0x00010007);
    out.append(56, '\0');
    return out;
}

// A hand-made index record: `parts` are the body-part words as they stand in the file.
std::string IndexRecord(std::uint32_t state, std::uint32_t id, std::uint32_t offset,
                        const std::vector<std::uint32_t>& parts,
                        const std::vector<std::string>& items, const std::string& trailing) {
    std::string tail;
    for (std::uint32_t w : parts)
        tail += Le32(w);
    std::string itemBytes;
    for (const std::string& item : items)
        itemBytes += Le32(static_cast<std::uint32_t>(item.size())) + item;
    tail += Le32(0xAABBCCDD) + Le32(5) + Le32(6) + Le32(7) + Le32(8) + Le16(0x0303) + itemBytes;
    const auto length = static_cast<std::uint32_t>(50 + tail.size() + trailing.size());
    std::string head = Le32(state) + Le32(0x11111111) + Le32(id) + Le32(offset) + Le32(length) +
                       Le32(0x22222222) + Le32(0x33333333) + Le32(0x44444444) + Le16(0x5555) +
                       std::string("\x66\x01\x02\x03\x04\x05\x06\x07", 8) + Le32(0x77777777) +
                       Le32(static_cast<std::uint32_t>(parts.size() * 4));
    return head + tail + trailing;
}

const std::vector<std::string> kItems = {std::string("ab\0", 3), std::string("\0", 1),
                                         std::string("xyz", 3),  "",
                                         std::string("\0", 1),   std::string("\0", 1)};

// An index of three records with unknown values everywhere the format allows them: a type-2 entry
// whose empty nested list's count is carried by the next entry, a record ending in such a list
// (a trailing count 0), nested lists, trailing bytes, and a removed record.
std::string OddIndex() {
    std::string r1 =
        IndexRecord(2, 7, 80, {2, 0, 2, 9, 9, 10, 11, 0, 1, 1, 2, 3, 12, 13}, kItems, "TRAIL");
    std::string r2 = IndexRecord(1, 70000, static_cast<std::uint32_t>(80 + r1.size()),
                                 {1, 0, 2, 0, 0, 0, 0, 1, 0, 2, 0, 0, 0, 0, 0}, kItems, "");
    std::string r3 = IndexRecord(5, 7, static_cast<std::uint32_t>(80 + r1.size() + r2.size()),
                                 {3, 0, 2, 1, 1, 0, 99, 2, 1, 2, 1, 1, 1, 1, 1, 0, 1, 1, 1, 1,
                                  1, 1, 4, 1, 1, 1, 1,  1, 5, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1},
                                 kItems, std::string("\0\0", 2));
    std::string header = std::string("JMF9", 4) + Le32(0x00020009) + Le32(3) + Le32(12345);
    for (std::uint32_t i = 0; i < 16; ++i)
        header += Le32(0x01010101u * (i + 1));
    return header + r1 + r2 + r3;
}

TEST(MailIndexFormat, NewIndexIsTheEightyByteHeader) {
    EXPECT_EQ(CMailIndex().Serialize(), NewIndexHeader());
    TempDir dir;
    CMailIndex index;
    EXPECT_FALSE(index.Load(dir / "missing.idx"));
    EXPECT_EQ(index.Serialize(), NewIndexHeader());
    ASSERT_TRUE(index.Save(dir / "a.idx"));
    EXPECT_EQ(ReadFile(dir / "a.idx"), NewIndexHeader());
}

TEST(MailIndexFormat, SavedAndStreamedIndexesAreTheSerializedBytes) {
    // Both write a block at a time: the large index spans several blocks, the small one fits
    // in the first.
    const auto plain = MakeMessage("Subject: s\r\nFrom: a@b\r\nTo: c@d\r\n", {"x"});
    const auto multipart =
        MakeMessage("Subject: m\r\nContent-Type: multipart/mixed; boundary=\"B\"\r\n",
                    {"--B", "", "one", "--B", "Content-Type: text/html", "", "<p>", "--B--"});
    multipart->ComposeText();
    TempDir dir;
    for (std::uint32_t count : {3u, 10000u}) {
        CMailIndex index;
        const std::string streamed = dir / ("s" + std::to_string(count) + ".idx");
        fs::FileReplacement file(streamed);
        ASSERT_TRUE(file.Open());
        CMailIndexWriter writer(file.Out());
        for (std::uint32_t id = 1; id <= count; ++id) {
            const CMessage& m = id % 3 == 0 ? *multipart : *plain;
            index.AddRecord(m, id, 84 * id, 40 + id);
            ASSERT_TRUE(writer.Add(m, id, 84 * id, 40 + id));
        }
        ASSERT_TRUE(writer.Finish() && file.Commit());
        ASSERT_TRUE(index.Save(dir / "a.idx"));
        const std::string saved = ReadFile(dir / "a.idx");
        EXPECT_EQ(saved, index.Serialize());
        EXPECT_EQ(ReadFile(streamed), saved) << count;
        if (count > 3) {
            EXPECT_GT(saved.size(), std::size_t{1} << 19);
        }
    }
    EXPECT_FALSE(HasTemporary(dir.path()));
}

TEST(MailIndexFormat, LoadSaveKeepsEveryByte) {
    TempDir dir;
    const std::string bytes = OddIndex();
    WriteFile(dir / "a.idx", bytes);
    CMailIndex index;
    ASSERT_TRUE(index.Load(dir / "a.idx"));
    ASSERT_EQ(index.m_aRecords.size(), 3u);
    EXPECT_EQ(index.m_aRecords[0]->m_nTrailing, 5u);
    EXPECT_EQ(index.m_aRecords[0]->m_pTrailing, "TRAIL");
    EXPECT_EQ(index.m_aRecords[1]->m_aBodyParts.size(), 2u);
    // The count 0 of the first record's empty nested list rides on the entry after it.
    ASSERT_EQ(index.m_aRecords[0]->m_aBodyParts.size(), 2u);
    EXPECT_EQ(index.m_aRecords[0]->m_aBodyParts[0]->m_nListCount, 2u);
    EXPECT_EQ(index.m_aRecords[0]->m_aBodyParts[1]->m_nListCount, 0u);
    ASSERT_EQ(index.m_aRecords[2]->m_aBodyParts.size(), 6u);
    EXPECT_EQ(index.m_aRecords[2]->m_aBodyParts[1]->m_nListCount, 2u);
    EXPECT_EQ(index.m_aRecords[2]->m_aBodyParts[2]->m_nListCount, 1u);
    EXPECT_EQ(index.m_aRecords[2]->m_aBodyParts[3]->m_nListCount, CIndexBodyPartOne::kNoCount);
    EXPECT_EQ(index.Serialize(), bytes);
    ASSERT_TRUE(index.Save(dir / "b.idx"));
    EXPECT_EQ(ReadFile(dir / "b.idx"), bytes);
    EXPECT_FALSE(HasTemporary(dir.path()));
}

TEST(MailIndexFormat, RemovedStateFollowsTheFirstRecordOfAnIdOnly) {
    TempDir dir;
    WriteFile(dir / "a.idx", OddIndex());
    CMailIndex index;
    ASSERT_TRUE(index.Load(dir / "a.idx"));
    EXPECT_TRUE(index.IsRemoved(70000));
    EXPECT_FALSE(index.IsRemoved(70000 - 65536)); // no aliasing of wide ids
    EXPECT_FALSE(index.IsRemoved(7));
    EXPECT_TRUE(index.MarkRemoved(7));
    EXPECT_EQ(index.m_aRecords[0]->m_nState, 1u);
    EXPECT_EQ(index.m_aRecords[2]->m_nState, 5u);
    EXPECT_FALSE(index.MarkRemoved(70000 + 65536));
    CMessage message(70000, 0, nullptr, "", "");
    EXPECT_TRUE(index.IsRemoved(message));
    message.m_nIndex = 70000 - 65536;
    EXPECT_FALSE(index.IsRemoved(message));
}

TEST(MailIndexFormat, DamagedFilesAreReadUpToTheLastCompleteRecord) {
    TempDir dir;
    const std::string bytes = OddIndex();
    CMailIndex whole;
    WriteFile(dir / "a.idx", bytes);
    ASSERT_TRUE(whole.Load(dir / "a.idx"));
    std::vector<std::size_t> ends;
    std::size_t end = 80;
    for (const auto& r : whole.m_aRecords)
        ends.push_back(end += r->m_nRecordLength);

    for (std::size_t cut = 0; cut < bytes.size(); ++cut) {
        SCOPED_TRACE("cut at " + std::to_string(cut));
        // A fresh name each time: rewriting one file in place is slow on some file systems.
        const std::string path = dir / ("cut" + std::to_string(cut) + ".idx");
        WriteFile(path, bytes.substr(0, cut));
        CMailIndex index;
        EXPECT_FALSE(index.Load(path));
        std::size_t complete = 0;
        while (complete < ends.size() && ends[complete] <= cut)
            ++complete;
        if (cut < 80)
            complete = 0;
        ASSERT_EQ(index.m_aRecords.size(), complete);
        EXPECT_EQ(index.m_nRecordCount, complete);
        // What was kept saves as a consistent index that loads whole.
        WriteFile(path + ".saved", index.Serialize());
        CMailIndex again;
        EXPECT_TRUE(again.Load(path + ".saved"));
        EXPECT_EQ(again.m_aRecords.size(), complete);
        EXPECT_EQ(again.Serialize(), index.Serialize());
    }
}

TEST(MailIndexFormat, HostileCountsAndLengthsEndTheLoad) {
    TempDir dir;
    // A body-part count far beyond the file, an item length beyond it, a trailing run past it.
    const std::vector<std::string> records = {
        IndexRecord(2, 1, 80, {0x40000000, 0, 1, 1, 1, 1, 1}, kItems, ""),
        IndexRecord(2, 1, 80, {1, 0, 1, 1, 1, 1, 1}, {std::string(Le32(0xFFFFFFF0))}, ""),
        IndexRecord(2, 1, 0xFFFFFF00, {1, 0, 1, 1, 1, 1, 1}, kItems, ""),
    };
    for (const std::string& record : records) {
        WriteFile(dir / "a.idx", NewIndexHeader(1, 80) + record);
        CMailIndex index;
        EXPECT_FALSE(index.Load(dir / "a.idx"));
        EXPECT_TRUE(index.m_aRecords.empty());
    }
    // Deep nesting is read without recursion.
    std::vector<std::uint32_t> deep = {1};
    for (int i = 0; i < 100000; ++i) {
        for (std::uint32_t w : {0u, 2u, 0u, 0u, 0u, 0u})
            deep.push_back(w);
        deep.push_back(i + 1 < 100000 ? 1 : 0);
    }
    WriteFile(dir / "a.idx", NewIndexHeader(1, 80) + IndexRecord(2, 1, 80, deep, kItems, ""));
    CMailIndex index;
    ASSERT_TRUE(index.Load(dir / "a.idx"));
    EXPECT_EQ(index.m_aRecords.at(0)->m_aBodyParts.size(), 100000u);
}

// ---- records this system creates ----

TEST(MailIndexRecord, SinglePartMessageGivesTheClassicRecord) {
    auto m = MakeMessage("Subject:ab\r\nTo:t\r\nFrom:f\r\n", {"hello", "wo"});
    ASSERT_TRUE(m->ComposeText());
    const std::uint32_t textSize = static_cast<std::uint32_t>(m->m_strHeader.size() + 2 + 7 + 4);
    CMailIndex index;
    CIndexRecord& r = index.AddRecord(*m, 9, 84, textSize + 16);
    EXPECT_EQ(index.m_nRecordCount, 1u);
    EXPECT_EQ(index.m_nFileLength, 80u + 134u);

    const std::string bytes = index.Serialize();
    ASSERT_EQ(bytes.size(), 80u + 134u);
    const std::string rec = bytes.substr(80);
    EXPECT_EQ(r.m_nRecordLength, 134u);
    std::string expected = Le32(2) + Le32(0) + Le32(9) + Le32(80) + Le32(134) + Le32(84) +
                           Le32(textSize + 16) + Le32(102) + Le16(1) + std::string(1, '\x28') +
                           std::string(7, '\0') + Le32(textSize) + Le32(28);
    const std::uint32_t bodyStart = static_cast<std::uint32_t>(m->m_strHeader.size() + 2);
    expected += Le32(1) + Le32(0) + Le32(1) + Le32(2) + Le32(1) + Le32(bodyStart) + Le32(11);
    expected += Le32(52) + std::string(16, '\0') + Le16(3);
    expected += Le32(3) + std::string("ab\0", 3) + Le32(2) + std::string("t\0", 2) + Le32(2) +
                std::string("f\0", 2);
    for (int i = 0; i < 3; ++i)
        expected += Le32(1) + std::string(1, '\0');
    EXPECT_EQ(rec, expected);

    // A second record follows the first, and the padding keeps Q a multiple of 4.
    auto m2 = MakeMessage("Subject:abc\r\n", {"x"});
    ASSERT_TRUE(m2->ComposeText());
    CIndexRecord& r2 = index.AddRecord(*m2, 10, 300, 40);
    EXPECT_EQ(r2.m_nRecordOffset, 80u + 134u);
    const std::uint32_t q = r2.m_nItemBlock + r2.m_nBodyPartSize;
    EXPECT_EQ((q + r2.m_nTrailing) % 4, 0u);
    EXPECT_EQ(r2.m_nRecordLength, q + r2.m_nTrailing + 54);
    EXPECT_EQ(r2.m_nRecordLength % 4, 2u);
    EXPECT_EQ(index.Serialize().size(), index.m_nFileLength);
}

std::vector<std::uint32_t> Words(const std::string& bytes, std::size_t from, std::size_t count) {
    std::vector<std::uint32_t> out;
    for (std::size_t i = 0; i < count; ++i)
        out.push_back(WordAt(bytes, from + 4 * i));
    return out;
}

TEST(MailIndexRecord, MultipartListsItsPartsWithDelimiterRanges) {
    const std::vector<std::string> body = {"--XX",  "Content-Type: text/plain",
                                           "",      "hi",
                                           "--XX",  "Content-Type: image/gif; name=a.gif",
                                           "",      "R0lG",
                                           "--XX--"};
    auto m = MakeMessage("Subject:s\r\nContent-Type: multipart/mixed; boundary=\"XX\"\r\n", body);
    ASSERT_TRUE(m->ComposeText());
    CMailIndex index;
    CIndexRecord& r = index.AddRecord(*m, 1, 84, 500);
    EXPECT_EQ(r.m_nBodyPartSize, 80u); // 20 words
    EXPECT_EQ(r.m_byReserved34, 15);
    const std::string rec = index.Serialize().substr(80);
    const auto w = Words(rec, 50, 20);
    const std::uint32_t gif =
        static_cast<std::uint32_t>(m->m_pContent->m_pFirstPart->m_pNextPart->GetTypeCode());
    EXPECT_EQ(w[0], 3u);  // head list: the entity and its two parts
    EXPECT_EQ(w[1], 0u);  // head entry: not a later part
    EXPECT_EQ(w[2], 2u);  // multipart
    EXPECT_EQ(w[7], 0u);  // the head's empty nested list
    EXPECT_EQ(w[8], 0u);  // first part
    EXPECT_EQ(w[9], 1u);  // text
    EXPECT_EQ(w[14], 1u); // second part is a later part
    EXPECT_EQ(w[15], gif);
    // Ranges: the head from its first delimiter to the end of the line before the closing one,
    // each part from the delimiter line that opens it.
    auto offset = [&](int line) { return static_cast<std::uint32_t>(m->GetLineOffset(line)); };
    EXPECT_EQ(w[5], offset(0));
    EXPECT_EQ(w[6], offset(8) - offset(0));
    EXPECT_EQ(w[12], offset(0));
    EXPECT_EQ(w[18], offset(4));
    EXPECT_EQ(w[18] + w[19], offset(8));
    EXPECT_EQ(rec.size(), r.m_nRecordLength);
}

TEST(MailIndexRecord, NestedMultipartAddsItsOwnList) {
    const std::vector<std::string> body = {"--A",
                                           "Content-Type: text/plain",
                                           "",
                                           "t",
                                           "--A",
                                           "Content-Type: multipart/alternative; boundary=\"B\"",
                                           "",
                                           "--B",
                                           "Content-Type: text/plain",
                                           "",
                                           "p",
                                           "--B",
                                           "Content-Type: text/html",
                                           "",
                                           "<p>",
                                           "--B--",
                                           "--A--"};
    auto m = MakeMessage("Content-Type: multipart/mixed; boundary=\"A\"\r\n", body);
    ASSERT_TRUE(m->ComposeText());
    CMailIndex index;
    CIndexRecord& r = index.AddRecord(*m, 1, 84, 700);
    EXPECT_EQ(r.m_nBodyPartSize, 160u);
    const auto w = Words(index.Serialize().substr(80), 50, 40);
    EXPECT_EQ(w[0], 3u);
    EXPECT_EQ(w[7], 0u);
    EXPECT_EQ(w[8], 0u);
    EXPECT_EQ(w[14], 1u); // the nested multipart is the second part of the top entity
    EXPECT_EQ(w[15], 2u);
    EXPECT_EQ(w[20], 3u); // its own list: head and two parts
    EXPECT_EQ(w[21], 0u);
    EXPECT_EQ(w[22], 2u);
    EXPECT_EQ(w[27], 0u);
    EXPECT_EQ(w[28], 0u);
    EXPECT_EQ(w[34], 0u); // parts of a nested entity are never later parts
    EXPECT_EQ(w[26], static_cast<std::uint32_t>(m->GetLineOffset(15) - m->GetLineOffset(7)));

    // The record reads back as the same structure.
    TempDir dir;
    ASSERT_TRUE(index.Save(dir / "a.idx"));
    CMailIndex back;
    ASSERT_TRUE(back.Load(dir / "a.idx"));
    EXPECT_EQ(back.Serialize(), index.Serialize());
    EXPECT_EQ(back.m_aRecords[0]->m_aBodyParts.size(), 6u);
}

TEST(MailIndexRecord, EmptyMultipartsStayReadable) {
    TempDir dir;
    // A multipart without parts on its own, and one nested before a further part.
    auto alone = MakeMessage("Content-Type: multipart/mixed; boundary=\"Q\"\r\n", {"no parts"});
    const std::vector<std::string> body = {"--A",  "Content-Type: multipart/mixed; boundary=\"E\"",
                                           "",     "nothing",
                                           "--A",  "Content-Type: text/plain",
                                           "",     "x",
                                           "--A--"};
    auto nested = MakeMessage("Content-Type: multipart/mixed; boundary=\"A\"\r\n", body);
    CMailIndex index;
    for (auto* m : {alone.get(), nested.get()}) {
        m->ComposeText();
        index.AddRecord(*m, 1, 84, 300);
    }
    EXPECT_EQ(index.m_aRecords[0]->m_nBodyPartSize, 32u); // head entry and its count 0
    const std::string bytes = index.Serialize();
    EXPECT_EQ(bytes.size(), index.m_nFileLength);
    EXPECT_EQ(WordAt(bytes, 80 + 50 + 28), 0u);
    ASSERT_TRUE(index.Save(dir / "a.idx"));
    CMailIndex back;
    ASSERT_TRUE(back.Load(dir / "a.idx"));
    ASSERT_EQ(back.m_aRecords.size(), 2u);
    EXPECT_EQ(back.m_aRecords[1]->m_aBodyParts.size(), index.m_aRecords[1]->m_aBodyParts.size());
    EXPECT_EQ(back.Serialize(), bytes);
}

TEST(MailIndexRecord, MessageWithoutTreeIsDescribedAsOnePlainPart) {
    auto m = MakeMessage("Subject:q\r\n", {"a", "b"});
    CMailIndex index;
    CIndexRecord& r = index.AddRecord(*m, 4, 84, 50);
    ASSERT_EQ(r.m_aBodyParts.size(), 1u);
    EXPECT_EQ(r.m_aBodyParts[0]->m_nTypeCode, 1u);
    EXPECT_EQ(r.m_aBodyParts[0]->m_nPartLength, 6u);
}

} // namespace
} // namespace qb::test
