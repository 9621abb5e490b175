// Exports one Netscape folder file the way the export command does: each message read from the
// store one at a time and handed to the writer of the format, then the output verified.
//
//   quillbox-export mboxrd|maildir|eml FOLDER_FILE DEST
#include "interchange/writer.h"
#include "stores/netscape_mails.h"

#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    using namespace qb;
    const auto format = argc == 4 ? interchange::ParseFormat(argv[1]) : std::nullopt;
    if (!format) {
        std::fprintf(stderr, "usage: quillbox-export mboxrd|maildir|eml FOLDER_FILE DEST\n");
        return 2;
    }
    CNetscapeMails folder("Inbox", argv[2]);
    if (!folder.LoadMessages()) {
        std::fprintf(stderr, "cannot read %s\n", argv[2]);
        return 1;
    }
    auto writer = interchange::MakeWriter(*format, argv[3], std::time(nullptr));
    const std::vector<std::string> path = *format == interchange::Format::Maildir
                                              ? std::vector<std::string>{}
                                              : std::vector<std::string>{"Inbox"};
    bool ok = writer->BeginFolder(path);
    for (auto& message : folder.m_pMessages) {
        if (!ok)
            break;
        if (!folder.ReadMessage(*message)) {
            std::fprintf(stderr, "cannot read a message of %s\n", argv[2]);
            return 1;
        }
        const interchange::Message out =
            interchange::FromStoreRecord(message->m_strHeader, message->m_aBody,
                                         interchange::StatusFromHeader(message->m_strHeader));
        std::vector<std::string>().swap(message->m_aBody);
        ok = writer->Write(out);
    }
    ok = ok && writer->EndFolder();
    std::string error;
    if (!ok || !interchange::VerifyWritten(*format, writer->Written(), error)) {
        std::fprintf(stderr, "%s\n", ok ? error.c_str() : writer->Error().c_str());
        return 1;
    }
    std::printf("%lld\n", static_cast<long long>(writer->Written().front().count));
    return 0;
}
