// Arbitrary bytes as the message file of an Internet Mail folder: listing, then reading and
// composing every listed message.
#include "stores/internet_mails.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const std::string& Dir() {
    static const std::string dir = [] {
        // Memory-backed when there is such a place: every input is written to a file.
        std::string d = std::string(::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp") +
                        "/fuzz_mbx-" + std::to_string(::getpid());
        ::mkdir(d.c_str(), 0700);
        return d;
    }();
    return dir;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string base = Dir() + "/Inbox";
    if (FILE* f = std::fopen((base + ".mbx").c_str(), "wb")) {
        std::fwrite(data, 1, size, f);
        std::fclose(f);
    } else {
        return 0;
    }
    qb::CInternetMails root("Mail", Dir());
    auto* folder = new qb::CInternetMails("Inbox", base);
    root.AddChild(folder);
    folder->LoadMessages();
    for (auto& message : folder->m_pMessages) {
        if (message->m_nOffset + message->m_nSize > static_cast<std::int64_t>(size) ||
            message->m_nBodySize > message->m_nSize)
            __builtin_trap(); // a listed message always lies inside the file
        if (folder->ReadMessage(*message)) {
            if (message->m_aBody.size() != static_cast<std::size_t>(message->m_nBodyLines))
                __builtin_trap();
            (void)message->ComposeText();
        }
    }
    root.FreeSubFolders();
    return 0;
}
