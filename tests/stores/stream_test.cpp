// ForEachMessage, the one-pass reading of a folder, against the listing and the per-message
// reading it stands for, on random folders of both stores.
#include "support/bytes.h"
#include "support/messages.h"
#include "support/stores.h"

#include <gtest/gtest.h>

#include <random>

namespace qb::test {
namespace {

struct Seen {
    std::string header;
    std::vector<std::string> body;
    bool deleted = false;
    bool operator==(const Seen&) const = default;
};

// What the listing and ReadMessage give of the live messages, in list order.
std::vector<Seen> Listed(CMails& folder) {
    std::vector<Seen> seen;
    for (auto& m : folder.GetMessages()) {
        EXPECT_TRUE(folder.ReadMessage(*m));
        seen.push_back({m->m_strHeader, m->m_aBody, false});
    }
    return seen;
}

std::vector<Seen> Streamed(CMails& folder, bool withDeleted, std::size_t stopAfter = 0) {
    std::vector<Seen> seen;
    EXPECT_TRUE(folder.ForEachMessage(withDeleted, [&](CMessage& m, bool deleted) {
        // (A last line without its line end counts two bytes.)
        EXPECT_LE(m.m_nOffset + m.m_nSize, folder.StoreBytes() + 2);
        seen.push_back({m.m_strHeader, m.m_aBody, deleted});
        return seen.size() != stopAfter;
    }));
    return seen;
}

// The live messages of a stream, without their deleted mark.
std::vector<Seen> LiveOf(std::vector<Seen> all) {
    std::erase_if(all, [](const Seen& s) { return s.deleted; });
    return all;
}

std::vector<std::string> RandomBody(std::mt19937& rng) {
    static const char* const kLines[] = {"text", "", ">From - inside", "  x", "last"};
    std::vector<std::string> body;
    for (unsigned n = rng() % 5; n > 0; --n)
        body.push_back(kLines[rng() % 5]);
    return body;
}

TEST(ForEachMessage, NetscapeFolderOnePassAsListedAndRead) {
    for (unsigned seed = 1; seed <= 30; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        std::mt19937 rng(seed);
        NetscapeStore store;
        const std::string eol = rng() % 2 ? "\n" : "\r\n";
        std::string bytes = rng() % 4 == 0 ? "stray text" + eol : "";
        int deleted = 0;
        const unsigned count = rng() % 6;
        for (unsigned i = 0; i < count; ++i) {
            const bool gone = rng() % 4 == 0;
            deleted += gone;
            bytes +=
                NsMessage("m" + std::to_string(i), RandomBody(rng), gone ? "0009" : "0001", eol);
        }
        if (rng() % 4 == 0 && !bytes.empty())
            bytes.resize(bytes.size() - eol.size()); // a last line without its end
        store.Write("Inbox", bytes);
        CNetscapeMails& inbox = *store.Folder("Inbox");
        const std::vector<Seen> all = Streamed(inbox, true);
        EXPECT_EQ(all.size(), count);
        EXPECT_EQ(static_cast<int>(all.size() - LiveOf(all).size()), deleted);
        EXPECT_EQ(LiveOf(all), Listed(inbox));
        EXPECT_EQ(Streamed(inbox, false), Listed(inbox));
        if (count > 1) {
            EXPECT_EQ(Streamed(inbox, true, 1).size(), 1u);
        }
    }
    NetscapeStore store;
    EXPECT_TRUE(Streamed(*store.root, true).empty()); // the mail directory holds none
    CNetscapeMails missing("Gone", store.Path("Gone"));
    EXPECT_FALSE(missing.ForEachMessage(true, [](CMessage&, bool) { return true; }));
}

TEST(ForEachMessage, InternetMailFolderOnePassAsListedAndRead) {
    for (unsigned seed = 1; seed <= 10; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        std::mt19937 rng(seed);
        TempDir dir;
        InternetStore store(dir.path());
        CMails& inbox = *store.root.CreateFolder("Inbox");
        const unsigned count = rng() % 6;
        for (unsigned i = 0; i < count; ++i)
            ASSERT_TRUE(inbox.AddMessage(*SimpleMessage("m" + std::to_string(i), RandomBody(rng))));
        std::vector<CMessage*> gone;
        for (auto& m : inbox.GetMessages()) {
            if (rng() % 3 == 0)
                gone.push_back(m.get());
        }
        ASSERT_TRUE(inbox.RemoveMessages(gone));
        const std::vector<Seen> all = Streamed(inbox, true);
        EXPECT_EQ(all.size(), count);
        EXPECT_EQ(all.size() - LiveOf(all).size(), gone.size());
        EXPECT_EQ(LiveOf(all), Listed(inbox));
        EXPECT_EQ(Streamed(inbox, false), Listed(inbox));
    }
}

} // namespace
} // namespace qb::test
