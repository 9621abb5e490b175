#include "doc_fixture.h"

#include <gmock/gmock.h>

namespace qb::test {
namespace {

using ::testing::ElementsAre;

// One line per entry: "label:id", "sep", "cmd name:id", "[popup" ... "]".
void Flatten(const std::vector<MenuItem>& items, std::vector<std::string>& out) {
    for (const MenuItem& item : items) {
        switch (item.kind) {
        case MenuItem::Kind::Label:
            out.push_back("label " + item.text + ":" + std::to_string(item.id));
            break;
        case MenuItem::Kind::Separator:
            out.push_back("sep");
            break;
        case MenuItem::Kind::Command:
            out.push_back(item.text + ":" + std::to_string(item.id));
            break;
        case MenuItem::Kind::Popup:
            out.push_back("[" + item.text);
            Flatten(item.items, out);
            out.push_back("]");
            break;
        }
    }
}

std::vector<std::string> Flat(const std::vector<MenuItem>& items) {
    std::vector<std::string> out;
    Flatten(items, out);
    return out;
}

class MenuModelTest : public DocTest {};

TEST_F(MenuModelTest, NoMailboxLeavesLabelAndSeparator) {
    Open();
    EXPECT_THAT(Flat(doc.FillFolderMenu(ID_MOVE_FIRST)),
                ElementsAre("label MailBox List:32776", "sep"));
    EXPECT_THAT(Flat(doc.FillFolderMenu(ID_COPY_FIRST)),
                ElementsAre("label MailBox List:32777", "sep"));
    EXPECT_EQ(doc.MenuFolderCount(), 0);
    EXPECT_EQ(doc.MenuFolder(8000), nullptr);
}

TEST_F(MenuModelTest, DepthFirstPopupsAndThisFolderEntries) {
    TestFolder* local = AddMailbox("Local");
    TestFolder* inbox = Sub(local, "Inbox");
    Sub(inbox, "Work");
    TestFolder* sent = Sub(local, "Sent");
    AddMailbox("Empty");
    Open();
    // Children come in child order: a folder added later is listed first.
    EXPECT_THAT(Flat(doc.FillFolderMenu(ID_MOVE_FIRST)),
                ElementsAre("label MailBox List:32776", "sep", "[Local", "This Folder:8000", "sep",
                            "Sent:8001", "[Inbox", "This Folder:8002", "sep", "Work:8003", "]", "]",
                            "[Empty", "This Folder:8004", "]"));
    EXPECT_THAT(Flat(doc.FillFolderMenu(ID_COPY_FIRST)),
                ElementsAre("label MailBox List:32777", "sep", "[Local", "This Folder:9000", "sep",
                            "Sent:9001", "[Inbox", "This Folder:9002", "sep", "Work:9003", "]", "]",
                            "[Empty", "This Folder:9004", "]"));
    EXPECT_EQ(doc.MenuFolder(8000), local);
    EXPECT_EQ(doc.MenuFolder(9001), sent);
    EXPECT_EQ(doc.MenuFolder(8002), inbox);
    EXPECT_EQ(doc.MenuFolder(8001), doc.MenuFolder(9001));
    EXPECT_EQ(doc.MenuFolder(8005), nullptr);
    EXPECT_EQ(doc.MenuFolder(7999), nullptr);
    EXPECT_EQ(doc.MenuFolder(10000), nullptr);
}

TEST_F(MenuModelTest, MenusEndAfterTheThousandthFolder) {
    TestFolder* first = AddMailbox("First");
    for (int i = 0; i < 1200; ++i)
        Sub(first, "f" + std::to_string(i));
    AddMailbox("Second");
    Open();
    for (int base : {ID_MOVE_FIRST, ID_COPY_FIRST}) {
        const std::vector<MenuItem> menu = doc.FillFolderMenu(base);
        EXPECT_EQ(doc.MenuFolderCount(), kMaxMenuFolders);
        ASSERT_EQ(menu.size(), 3u); // the second mailbox is cut off
        const MenuItem& popup = menu[2];
        // "This Folder", a separator and 999 sub-folders.
        ASSERT_EQ(popup.items.size(), 1001u);
        EXPECT_EQ(popup.items.back().id, base + 999);
        EXPECT_EQ(popup.items.back().text, "f201"); // children in reverse order of creation
    }
    EXPECT_EQ(doc.MenuFolder(8999)->m_strName, "f201");
}

} // namespace
} // namespace qb::test
