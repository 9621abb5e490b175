// Arbitrary bytes as the message file of an Internet Mail folder: listing, then reading and
// composing every listed message.
#include "stores/internet_mails.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

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

// CR LF, a lone LF or a lone CR ends a line; a last line without an end is a line too.
std::vector<std::string> SplitLines(const char* body, std::size_t size) {
    std::vector<std::string> lines;
    std::string current;
    bool open = false;
    for (std::size_t i = 0; i < size; ++i) {
        const char c = body[i];
        if (c == '\r' || c == '\n') {
            lines.push_back(current);
            current.clear();
            open = false;
            if (c == '\r' && i + 1 < size && body[i + 1] == '\n')
                ++i;
        } else {
            current += c;
            open = true;
        }
    }
    if (open)
        lines.push_back(current);
    return lines;
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
    auto* folder = root.AddSubFolder(std::make_unique<qb::CInternetMails>("Inbox", base));
    folder->LoadMessages();
    for (auto& message : folder->m_pMessages) {
        if (message->m_nOffset + message->m_nSize > static_cast<std::int64_t>(size) ||
            message->m_nBodySize > message->m_nSize)
            __builtin_trap(); // a listed message always lies inside the file
        if (folder->ReadMessage(*message)) {
            const auto start = static_cast<std::size_t>(message->m_nOffset + message->m_nSize -
                                                        message->m_nBodySize);
            if (message->m_aBody != SplitLines(reinterpret_cast<const char*>(data) + start,
                                               static_cast<std::size_t>(message->m_nBodySize)))
                __builtin_trap(); // the lines read are exactly the lines counted
            (void)message->ComposeText();
        }
    }
    return 0;
}
