// Saves a picture of the main window showing a generated sample of both store formats, with a
// folder and a message (one in encoded German) selected. Usage: quillbox_screenshot OUT.png (run
// with a display).
#include "../ui_fixtures.h"

#include "app/mailbox_registry.h"
#include "support/bytes.h"
#include "support/temp_dir.h"
#include "ui/folder_tree_view.h"
#include "ui/mail_list_view.h"
#include "ui/main_frame.h"
#include "ui/quillbox_app.h"

#include <QApplication>
#include <QIcon>
#include <QTimer>

#include <cstdio>
#include <filesystem>

using namespace qb;
using namespace qb::test;

namespace {

const std::vector<MessageSpec> kInbox = {
    {"Minutes of the June meeting",
     "Anna Berg <anna@example.org>",
     "team@example.org",
     "Mon, 14 Jun 1999 09:12:44 +0200",
     {"Hello all,", "", "attached are the minutes of Monday's meeting. The main points:", "",
      "  1. The archive server moves to the new building in July.",
      "  2. Old mail folders are to be copied before the move.",
      "  3. Next meeting: Monday 12 July, same room.", "", "Regards,", "Anna"}},
    {"Re: Archive of the 1998 correspondence",
     "Carl Dahl <carl@example.net>",
     "Anna Berg <anna@example.org>",
     "Tue, 15 Jun 1999 16:03:10 +0200",
     {"Anna,", "", "> Could you check whether the 1998 folders are complete?", "",
      "They are: 412 messages in Projects, 96 in Suppliers. I have compacted both,",
      "so the files are a good deal smaller now.", "", "Carl"}},
    {"Price list for the third quarter",
     "sales@supplier.example.com",
     "orders@example.org",
     "Wed, 16 Jun 1999 08:30:00 -0400",
     {"Dear customer,", "", "please find our new price list below.", "",
      "Paper, A4, 80 g/m2 ........ 4.20 per ream", "Toner cartridge, black ..... 61.00 each"}},
    {"Lunch on Friday?",
     "Eva Fors <eva@example.org>",
     "Anna Berg <anna@example.org>",
     "Thu, 17 Jun 1999 11:47:21 +0200",
     {"Shall we try the new place by the river?", "", "Eva"}},
    {"Your order 55-1207 has been shipped",
     "orders@books.example.com",
     "anna@example.org",
     "Fri, 18 Jun 1999 07:05:33 +0000",
     {"Your order has left our warehouse today."}},
};

// A message as European mail often has it: encoded words, quoted-printable Latin-1 text and an
// attachment whose name is encoded too. The window shows it decoded.
std::string GermanMessage() {
    return NsMessageText(
        {"Subject: =?iso-8859-1?Q?Gr=FC=DFe_aus_M=FCnchen?=",
         "From: =?utf-8?B?SsO8cmdlbiBNw7xsbGVy?= <j@m.de>", "To: anna@example.org",
         "Date: Sat, 19 Jun 1999 10:21:07 +0200", "MIME-Version: 1.0",
         "Content-Type: multipart/mixed; boundary=\"XX\""},
        {"--XX", "Content-Type: text/plain; charset=iso-8859-1",
         "Content-Transfer-Encoding: quoted-printable", "", "Sch=F6ne Gr=FC=DFe,", "",
         "anbei die Fotos vom Ausflug an den Tegernsee.", "", "J=FCrgen", "--XX",
         "Content-Type: image/jpeg; name=\"=?iso-8859-1?Q?Ausflug_Tegernsee_=FCber_Gmund.jpg?=\"",
         "Content-Transfer-Encoding: base64", "",
         "/9j/4AAQSkZJRgABAQAAAQABAAD/2wBDAA==", "--XX--"});
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: quillbox_screenshot OUT.png\n");
        return 2;
    }
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Velmora"));
    QApplication::setApplicationName(QStringLiteral("Quillbox"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/quillbox.svg")));
    TempDir dir;
    WriteNetscapeStore(dir / "netscape", kInbox);
    WriteFile(dir / "netscape/Inbox", NetscapeFolderBytes(kInbox) + GermanMessage());
    std::filesystem::create_directories(dir / "netscape/Inbox.sbd");
    WriteFile(dir / "netscape/Inbox.sbd/Projects", NetscapeFolderBytes({kInbox[1]}));
    WriteFile(dir / "netscape/Drafts", "");
    if (!WriteInternetMailStore(dir / "imail", {kInbox[3], kInbox[4]})) {
        std::fprintf(stderr, "cannot write the sample Internet Mail store\n");
        return 1;
    }
    const std::string registryPath = dir / "quillbox.reg";
    {
        RegistryFile registry(registryPath);
        WriteMailboxEntry(registry, "Netscape Mail", dir / "netscape", kTypeCommunicator);
        WriteMailboxEntry(registry, "Internet Mail", dir / "imail", kTypeInternetMail);
    }
    CQuillboxApp quillbox(registryPath);
    if (!quillbox.InitInstance(false))
        return 1;
    CMainFrame* frame = quillbox.Frame();
    frame->resize(1000, 680);
    frame->ShowWindow();
    CQuillboxView* tree = frame->TreeView();
    tree->expandAll();
    for (const auto& entry : quillbox.Document()->Mailboxes()) {
        if (CMails* inbox = entry->m_pRoot->FindFolder(dir / "netscape/Inbox"))
            tree->SelectFolder(inbox, false);
    }
    CMailListView* list = frame->ListView();
    list->setCurrentIndex(list->model()->index(static_cast<int>(kInbox.size()), 0));
    list->setFocus();
    const QString out = QString::fromLocal8Bit(argv[1]);
    int status = 1;
    QTimer::singleShot(800, [&] {
        status = frame->grab().save(out) ? 0 : 1;
        frame->close();
        QApplication::quit();
    });
    QApplication::exec();
    if (status != 0)
        std::fprintf(stderr, "cannot save %s\n", argv[1]);
    return status;
}
