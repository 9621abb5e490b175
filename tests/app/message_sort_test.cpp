// The order of the message list: by date, by text, ties in folder order, and how the choice is
// kept with the window's settings.
#include "app/message_sort.h"
#include "support/messages.h"
#include "support/settings_store.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace qb {
namespace {

using test::MakeMessage;

struct Listing {
    std::vector<std::unique_ptr<CMessage>> owned;
    std::vector<const CMessage*> messages;

    void Add(const std::string& subject, const std::string& date) {
        owned.push_back(MakeMessage("Subject: " + subject + "\r\nDate: " + date + "\r\n"));
        messages.push_back(owned.back().get());
    }
    std::vector<std::string> Subjects(const MessageSort& sort) const {
        std::vector<std::string> subjects;
        for (std::size_t row : SortedRows(messages, sort))
            subjects.push_back(test::SubjectOf(*messages[row]));
        return subjects;
    }
};

TEST(MessageSort, DatesSortByTimeTiesKeepFolderOrderUnreadableDatesAtTheOldEnd) {
    Listing list;
    list.Add("b-noon", "Tue, 2 Mar 1999 12:00:00 +0000");
    list.Add("bad1", "sometime last week");
    list.Add("a-early", "Tue, 2 Mar 1999 13:00:00 +0300"); // 10:00 UTC
    list.Add("b-noon-again", "Tue, 2 Mar 1999 07:00:00 -0500");
    list.Add("y2k", "1 Jan 00 00:00 GMT");
    list.Add("bad2", "");
    list.Add("old", "Wed Jun 30 21:49:08 1993");

    EXPECT_EQ(list.Subjects({3, false}),
              (std::vector<std::string>{"bad1", "bad2", "old", "a-early", "b-noon", "b-noon-again",
                                        "y2k"}));
    EXPECT_EQ(list.Subjects({3, true}),
              (std::vector<std::string>{"y2k", "b-noon", "b-noon-again", "a-early", "old", "bad1",
                                        "bad2"}));
    EXPECT_EQ(list.Subjects({MessageSort::kFileOrder, true}),
              (std::vector<std::string>{"b-noon", "bad1", "a-early", "b-noon-again", "y2k", "bad2",
                                        "old"}));
}

TEST(MessageSort, TextColumnsIgnoreLetterCaseAndKeepFolderOrderForEqualTexts) {
    Listing list;
    list.Add("beta", "");
    list.Add("Alpha", "");
    list.Add("ALPHA", "");
    list.Add("=?UTF-8?Q?=C3=A9t=C3=A9?=", ""); // decoded, after every ASCII letter
    list.Add("alpha", "");
    EXPECT_EQ(
        list.Subjects({0, false}),
        (std::vector<std::string>{"Alpha", "ALPHA", "alpha", "beta", "=?UTF-8?Q?=C3=A9t=C3=A9?="}));
    EXPECT_EQ(
        list.Subjects({0, true}),
        (std::vector<std::string>{"=?UTF-8?Q?=C3=A9t=C3=A9?=", "beta", "Alpha", "ALPHA", "alpha"}));
    EXPECT_EQ(MessageCountText(1), "1 message");
    EXPECT_EQ(MessageCountText(0), "0 messages");
}

TEST(MessageSort, KeptInTheSettingsAndAColumnOutOfRangeMeansFolderOrder) {
    test::MapSettingsStore store;
    EXPECT_EQ(ReadMessageSort(store), MessageSort{});
    WriteMessageSort(store, {3, true});
    EXPECT_EQ(store.ints["Sort Column"], 3);
    EXPECT_EQ(ReadMessageSort(store), (MessageSort{3, true}));
    store.ints["Sort Column"] = 4;
    store.strings["Sort Descending"] = "yes";
    EXPECT_EQ(ReadMessageSort(store), (MessageSort{MessageSort::kFileOrder, true}));
}

} // namespace
} // namespace qb
