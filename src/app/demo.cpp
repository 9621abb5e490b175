#include "app/demo.h"

#include "app/discovery.h"
#include "app/mailbox_registry.h"
#include "app/message_file.h"
#include "app/store_address.h"
#include "model/mails.h"
#include "model/message.h"
#include "platform/file_system.h"
#include "platform/registry_file.h"

#include <vector>

namespace qb {

namespace {

struct SampleMessage {
    const char* from;
    const char* to;
    const char* subject;
    const char* date;
    std::vector<std::string> body;
};

struct SampleFolder {
    const char* path; // sub-folders after a slash, their parent listed first
    std::vector<SampleMessage> messages;
};

const std::vector<SampleFolder> kNetscapeSample = {
    {"Inbox",
     {{"Ada Ward <ada@example.org>",
       "you@example.org",
       "Welcome to the sample store",
       "Mon, 3 Mar 1997 09:12:00 +0100",
       {"Hello,", "", "this store was written in the Netscape folder format a moment ago.",
        "Select a folder on the left to list its messages, and a message to read it.", "", "Ada"}},
      {"Ben Ortiz <ben@example.net>",
       "you@example.org",
       "Minutes of Tuesday's meeting",
       "Wed, 5 Mar 1997 17:40:10 +0100",
       {"Attendees: Ada, Ben, Cleo.", "", "1. The archive moves to the new disk.",
        "2. Old stores are registered read-only until they are copied."}},
      {"Cleo Park <cleo@example.com>",
       "you@example.org",
       "Re: Minutes of Tuesday's meeting",
       "Thu, 6 Mar 1997 08:03:55 +0100",
       {"> 2. Old stores are registered read-only until they are copied.", "",
        "Agreed; drag a folder onto the other store to copy it."}}}},
    {"Sent",
     {{"you@example.org",
       "Ben Ortiz <ben@example.net>",
       "Holiday dates",
       "Fri, 7 Mar 1997 12:00:00 +0100",
       {"I am away from the 24th to the 31st."}}}},
    {"Archive", {}},
    {"Archive/1996",
     {{"Dan Ruiz <dan@example.com>",
       "you@example.org",
       "Last year's report",
       "Tue, 17 Dec 1996 10:30:00 +0100",
       {"The report is attached to the minutes."}}}},
};

const std::vector<SampleFolder> kInternetMailSample = {
    {"Inbox",
     {{"Eve Stone <eve@example.org>",
       "you@example.org",
       "Internet Mail format",
       "Sat, 8 Mar 1997 19:21:00 +0100",
       {"This store keeps its messages in the Internet Mail format.",
        "Copy messages or folders between the two stores with the Copy menu."}},
      {"Fay Moss <fay@example.net>",
       "you@example.org",
       "Photos from the trip",
       "Sun, 9 Mar 1997 21:05:42 +0100",
       {"No photos after all, only this line."}}}},
    {"Deleted Items", {}},
};

std::vector<std::string> HeaderOf(const SampleMessage& m) {
    return {std::string("From: ") + m.from,
            std::string("To: ") + m.to,
            std::string("Subject: ") + m.subject,
            std::string("Date: ") + m.date,
            "MIME-Version: 1.0",
            "Content-Type: text/plain; charset=us-ascii"};
}

// Creates the folders of `sample` in a new store at `root` and adds their messages.
bool WriteStore(const MailboxRow& row, const std::vector<SampleFolder>& sample,
                std::string& error) {
    if (!fs::CreateDirectory(row.storeRoot)) {
        error = "Cannot create directory: " + row.storeRoot;
        return false;
    }
    std::unique_ptr<MailboxEntry> store = OpenStore(row);
    CMails holder("", "", CMails::kPlain);
    for (const SampleFolder& folder : sample) {
        const std::string path = folder.path;
        const std::size_t slash = path.rfind('/');
        CMails* parent = slash == std::string::npos
                             ? store->m_pRoot.get()
                             : FindFolderByPath(*store->m_pRoot, path.substr(0, slash));
        CMails* made = parent != nullptr ? parent->CreateFolder(path.substr(slash + 1)) : nullptr;
        if (made == nullptr) {
            error = "Cannot create folder " + path + " in " + row.storeRoot;
            return false;
        }
        for (const SampleMessage& m : folder.messages) {
            std::unique_ptr<CMessage> message = MakeMessage(holder, HeaderOf(m), m.body);
            if (!made->AddMessage(*message)) {
                error = "Cannot add a message to " + path + " in " + row.storeRoot;
                return false;
            }
        }
    }
    return true;
}

} // namespace

std::string WriteDemo(const std::string& dir, std::string& error) {
    const MailboxRow netscape{kDemoNetscapeName, dir + "/netscape", kTypeNavigator};
    const MailboxRow internetMail{kDemoInternetMailName, dir + "/internet-mail", kTypeInternetMail};
    if (!WriteStore(netscape, kNetscapeSample, error) ||
        !WriteStore(internetMail, kInternetMailSample, error))
        return "";
    RegistryFile registry(dir + "/quillbox.reg");
    const bool written = registry.Update([&](RegistryData& data) {
        return ReplaceMailboxEntries(data, {netscape, internetMail}) &&
               data.SetDword(Hive::CurrentUser, kAppKey, kFirstRunMarkerValue, 1);
    });
    if (!written) {
        error = "Cannot write the registry file " + registry.Path() + ": " + registry.Error();
        return "";
    }
    return registry.Path();
}

} // namespace qb
