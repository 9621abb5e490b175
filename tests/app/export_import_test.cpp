// Export and import over the two real store formats: what goes out in each format comes back in
// through the other store the same (header fields and body bytes); refusals, Cancel and failures
// leave no half file and no half-imported message.
#include "doc_fixture.h"
#include "interchange/message.h"
#include "support/stores.h"
#include "support/temp_dir.h"

#include <gmock/gmock.h>

#include <filesystem>

namespace qb::test {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

CMails* Child(CMails* parent, const std::string& name) {
    for (CMails* child : parent->GetSubFolders()) {
        if (child->m_strName == name)
            return child;
    }
    return nullptr;
}

// A message as a reader sees it: its header fields (the store's own separator and status lines
// left out) and its body lines.
struct Seen {
    std::vector<std::string> fields;
    std::vector<std::string> body;
    bool operator==(const Seen&) const = default;
};

std::vector<Seen> SeenIn(CMails* folder, bool quoteFrom = false) {
    std::vector<Seen> seen;
    EXPECT_TRUE(folder->ForEachMessage(false, [&](CMessage& message, bool) {
        Seen s;
        std::string_view header = interchange::WithoutEnvelope(message.m_strHeader);
        for (std::size_t end; (end = header.find("\r\n")) != std::string_view::npos;
             header.remove_prefix(end + 2)) {
            const std::string_view line = header.substr(0, end);
            if (!line.starts_with("X-Mozilla-Status"))
                s.fields.emplace_back(line);
        }
        for (const std::string& line : message.m_aBody)
            s.body.push_back(quoteFrom && line.starts_with("From ") ? ">" + line : line);
        seen.push_back(std::move(s));
        return true;
    }));
    return seen;
}

class ExportImportTest : public ::testing::Test {
  protected:
    void SetUp() override {
        for (const char* store : {"ns", "imn", "ns2", "imn2"})
            std::filesystem::create_directories(dir / store);
        registry = std::make_unique<RegistryFile>(dir / "q.reg");
        ASSERT_TRUE(WriteMailboxEntry(*registry, "ns", dir / "ns", kTypeNavigator));
        ASSERT_TRUE(WriteMailboxEntry(*registry, "imn", dir / "imn", kTypeInternetMail));
        ASSERT_TRUE(WriteMailboxEntry(*registry, "ns2", dir / "ns2", kTypeNavigator));
        ASSERT_TRUE(WriteMailboxEntry(*registry, "imn2", dir / "imn2", kTypeInternetMail));
        doc = std::make_unique<CQuillboxDoc>(port, registry.get());
        doc->ReloadMailboxes();
        for (const char* store : {"ns", "imn"}) {
            CMails* inbox = doc->FindMailboxByName(store)->CreateFolder("Inbox");
            ASSERT_NE(inbox, nullptr);
            Fill(inbox, store);
        }
        port.ClearLog();
    }
    // Three messages with the lines the formats treat specially, the second one deleted.
    void Fill(CMails* folder, const std::string& tag) {
        for (int i = 1; i <= 3; ++i) {
            const std::string n = tag + std::to_string(i);
            auto message = MakeMessage(
                "From: Someone <a@b.example>\r\nSubject: " + n +
                    "\r\nDate: Tue, 3 Feb 2004 05:06:07 +0100\r\nX-Folded: one\r\n\ttwo\r\n\r\n",
                {"From here", ">From quoted", "", ". dot", "trailing blank ", "end of " + n});
            ASSERT_TRUE(folder->AddMessage(*message));
        }
        folder->LoadMessages();
        ASSERT_TRUE(folder->RemoveMessage(folder->GetMessages()[1].get()));
    }
    CMails* Inbox(const std::string& store) {
        return Child(doc->FindMailboxByName(store), "Inbox");
    }

    TempDir dir;
    FakePort port;
    std::unique_ptr<RegistryFile> registry;
    std::unique_ptr<CQuillboxDoc> doc;
};

// Each format out of each store and into an empty store of the other format: the live messages
// come back with the same header fields and body lines (a Netscape target quotes "From " lines
// as it does for every added message).
TEST_F(ExportImportTest, RoundTripThroughEachFormatIntoTheOtherStore) {
    for (const char* from : {"ns", "imn"}) {
        const bool toNetscape = std::string(from) == "imn";
        CMails* target = doc->FindMailboxByName(toNetscape ? "ns2" : "imn2");
        for (ExportFormat format :
             {ExportFormat::Mboxrd, ExportFormat::Maildir, ExportFormat::Eml}) {
            SCOPED_TRACE(std::string(from) + " " + ExportFormatName(format));
            const std::string out = dir / (std::string(from) + "-" + ExportFormatName(format));
            const TransferReport exported = doc->Export().Export(Inbox(from), out, {format});
            ASSERT_EQ(exported.outcome, Outcome::Done) << testing::PrintToString(port.Texts());
            EXPECT_EQ(exported.summary, "Exported 2 messages from 1 folders to " + out +
                                            " (1 deleted messages left out)");

            CMails* into = target->CreateFolder(ExportFormatName(format));
            ASSERT_NE(into, nullptr);
            // The folder is DEST/Inbox.mbox, DEST itself or the directory DEST/Inbox.
            const std::string source = format == ExportFormat::Mboxrd ? out + "/Inbox.mbox"
                                       : format == ExportFormat::Eml  ? out + "/Inbox"
                                                                      : out;
            ImportOptions options;
            options.unquoteMboxrd = format == ExportFormat::Mboxrd;
            const TransferReport imported = doc->Import().Import(source, into, options);
            ASSERT_EQ(imported.outcome, Outcome::Done) << testing::PrintToString(port.Texts());
            EXPECT_EQ(imported.messages, 2);
            EXPECT_EQ(imported.skipped, 0);
            EXPECT_EQ(SeenIn(into), SeenIn(Inbox(from), toNetscape));
        }
    }
    EXPECT_THAT(port.Texts(), IsEmpty());
}

// A file of the destination is never replaced, a Cancel leaves no file at all, and nothing is
// ever written into a store's directory.
TEST_F(ExportImportTest, ExportNeverOverwritesAndLeavesNoHalfFile) {
    const std::string out = dir / "out";
    std::filesystem::create_directories(out);
    WriteFile(out + "/Inbox.mbox", "mine\n");
    EXPECT_EQ(doc->Export().Export(Inbox("ns"), out, {}).outcome, Outcome::Failed);
    EXPECT_EQ(ReadFile(out + "/Inbox.mbox"), "mine\n");
    EXPECT_THAT(port.Texts(), ElementsAre(HasSubstr("exists")));

    for (ExportFormat format : {ExportFormat::Mboxrd, ExportFormat::Maildir, ExportFormat::Eml}) {
        const std::string cancelled = dir / (std::string("c-") + ExportFormatName(format));
        port.CancelAtStep(2);
        const TransferReport report = doc->Export().Export(Inbox("ns"), cancelled, {format});
        EXPECT_EQ(report.outcome, Outcome::Cancelled);
        for (const auto& e : std::filesystem::recursive_directory_iterator(cancelled))
            EXPECT_TRUE(e.is_directory()) << e.path();
    }

    port.ClearLog();
    EXPECT_EQ(doc->Export().Export(Inbox("ns"), dir / "imn/x", {}).outcome, Outcome::Failed);
    EXPECT_THAT(port.Texts(), ElementsAre(kTextExportIntoStore));
    EXPECT_FALSE(std::filesystem::exists(dir / "imn/x"));
    EXPECT_THAT(TemporaryFiles(dir.path()), IsEmpty());
}

// A message that cannot be read is skipped with where it lies; the others are imported. A Cancel
// keeps what was imported before it, each message whole.
TEST_F(ExportImportTest, ImportSkipsUnreadableMessagesAndStopsWhole) {
    const std::string mbox = dir / "in.mbox";
    WriteFile(mbox, "From a@b Mon Jan  1 00:00:00 2001\nSubject: one\n\nbody\n\n"
                    "From a@b Mon Jan  1 00:00:00 2001\n\tcontinued first\n\nbad\n\n"
                    "From a@b Mon Jan  1 00:00:00 2001\nSubject: three\n\nbody\n");
    CMails* into = doc->FindMailboxByName("ns2")->CreateFolder("In");
    TransferReport report = doc->Import().Import(mbox, into, {});
    EXPECT_EQ(report.outcome, Outcome::Done);
    EXPECT_EQ(report.messages, 2);
    EXPECT_EQ(report.skipped, 1);
    EXPECT_THAT(report.problems, ElementsAre(HasSubstr("Message 2 at byte 54 of " + mbox)));
    EXPECT_EQ(report.summary, "Imported 2 messages into 1 folders from " + mbox + ", skipped 1");
    EXPECT_EQ(SeenIn(into).size(), 2u);

    CMails* cancelled = doc->FindMailboxByName("ns2")->CreateFolder("Cancelled");
    port.CancelAtStep(1);
    report = doc->Import().Import(mbox, cancelled, {});
    EXPECT_EQ(report.outcome, Outcome::Cancelled);
    EXPECT_EQ(report.messages, 1);
    const std::vector<Seen> kept = SeenIn(cancelled);
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_THAT(kept[0].body, ElementsAre("body"));

    // Importing a folder's own file into it would read its own appends without end.
    port.ClearLog();
    EXPECT_EQ(doc->Import().Import(into->m_strPath, into, {}).outcome, Outcome::Failed);
    EXPECT_THAT(port.Texts(), ElementsAre(kTextCannotImportIntoItself));
}

} // namespace
} // namespace qb::test
