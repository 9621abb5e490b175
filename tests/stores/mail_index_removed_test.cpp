// The removed ids read for listing agree with the full index, also where an id has several
// records or the file is cut short.
#include "internet_fixtures.h"
#include "stores/mail_index.h"

#include <gtest/gtest.h>

namespace qb::test {
namespace {

std::vector<std::uint32_t> RemovedByFullLoad(const std::string& path, std::uint32_t maxId) {
    CMailIndex index;
    index.Load(path);
    std::vector<std::uint32_t> ids;
    for (std::uint32_t id = 0; id <= maxId; ++id) {
        if (index.IsRemoved(id))
            ids.push_back(id);
    }
    return ids;
}

TEST(MailIndexRemovedIds, AgreeWithTheLoadedIndex) {
    TempDir dir;
    const std::string path = dir / "Inbox.idx";
    auto message = SimpleMessage("s", {"one", "two"});
    CMailIndex index;
    // Ids out of order, and ids 4 and 7 twice: only their first records decide.
    const std::uint32_t ids[] = {9, 4, 2, 7, 4, 1, 7, 3};
    for (std::uint32_t id : ids)
        index.AddRecord(*message, id, 100 * id, 80);
    index.MarkRemoved(9);
    index.MarkRemoved(7);
    index.m_aRecords[4]->m_nState = CIndexRecord::kStateRemoved; // the second record of id 4
    index.MarkRemoved(3);
    ASSERT_TRUE(index.Save(path));
    const std::string whole = ReadFile(path);

    EXPECT_EQ(CMailIndex::RemovedIds(path), (std::vector<std::uint32_t>{3, 7, 9}));
    EXPECT_EQ(CMailIndex::RemovedIds(path), RemovedByFullLoad(path, 10));
    // Cut at every length: a damaged file counts its complete records only, as Load does.
    for (std::size_t length = 0; length < whole.size(); length += 7) {
        WriteFile(path, whole.substr(0, length));
        EXPECT_EQ(CMailIndex::RemovedIds(path), RemovedByFullLoad(path, 10)) << length;
    }
    EXPECT_TRUE(CMailIndex::RemovedIds(dir / "missing.idx").empty());
}

} // namespace
} // namespace qb::test
