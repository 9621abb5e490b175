// Arbitrary bytes as a Netscape folder file: load it, read every body, undelete what is marked
// deleted, mark some messages deleted, compact and append, checking after each step that the folder
// still lists exactly the messages it should.
#include "stores/netscape_mails.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

const std::string& Directory() {
    static const std::string dir = [] {
        char pattern[] = "/tmp/qbfuzz-netscape-XXXXXX";
        if (mkdtemp(pattern) == nullptr)
            std::abort();
        return std::string(pattern);
    }();
    return dir;
}

std::vector<std::string> Headers(qb::CNetscapeMails& folder) {
    std::vector<std::string> headers;
    if (!folder.LoadMessages())
        std::abort();
    for (auto& m : folder.m_pMessages)
        headers.push_back(m->m_strHeader);
    return headers;
}

void Check(bool condition) {
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string path = Directory() + "/Inbox";
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    qb::CNetscapeMails folder("Inbox", path);
    Check(folder.LoadMessages());
    std::int64_t previous = -1;
    for (auto& m : folder.m_pMessages) {
        Check(m->m_nOffset > previous);
        previous = m->m_nOffset;
        Check(m->m_nSize >= m->m_nBodySize && m->m_nBodySize >= 0);
        Check(m->m_nOffset + m->m_nSize <= static_cast<std::int64_t>(size) + 2);
        Check(folder.ReadMessage(*m));
        Check(m->m_aBody.size() == static_cast<std::size_t>(m->m_nBodyLines));
    }

    // Listed with the deleted ones, the live ones come in the same order; undeleting them all
    // either lists every message afterwards (headers as the undelete left them) or changes no
    // byte of the file.
    {
        qb::CNetscapeMails all("Inbox", path);
        Check(all.LoadMessagesWithDeleted());
        std::vector<std::string> live, every;
        std::vector<qb::CMessage*> deleted;
        for (auto& m : all.m_pMessages) {
            if (m->m_bDeleted)
                deleted.push_back(m.get());
            else
                live.push_back(m->m_strHeader);
        }
        std::vector<std::string> listed;
        for (auto& m : folder.m_pMessages)
            listed.push_back(m->m_strHeader);
        Check(live == listed);
        if (all.UndeleteMessages(deleted)) {
            for (auto& m : all.m_pMessages) {
                Check(!m->m_bDeleted);
                every.push_back(m->m_strHeader);
            }
            Check(Headers(folder) == every);
        } else {
            std::ifstream in(path, std::ios::binary);
            const std::string now((std::istreambuf_iterator<char>(in)), {});
            Check(now == std::string(reinterpret_cast<const char*>(data), size));
            Check(folder.LoadMessages());
        }
    }

    // Mark every other message deleted (alternating the single and the batch form); exactly
    // those that report success must vanish.
    std::vector<qb::CMessage*> doomed;
    for (std::size_t i = 0; i < folder.m_pMessages.size(); i += 2)
        doomed.push_back(folder.m_pMessages[i].get());
    if (size % 2 == 0) {
        for (qb::CMessage* m : doomed)
            folder.RemoveMessage(m);
    } else {
        folder.RemoveMessages(doomed);
    }
    std::vector<std::string> expected;
    for (auto& m : folder.m_pMessages)
        expected.push_back(m->m_strHeader);
    Check(Headers(folder) == expected);

    Check(folder.Compact());
    Check(Headers(folder) == expected);

    qb::CMessage extra(0, 0, nullptr, "Subject: appended\r\n", "");
    extra.m_aBody = {"From - body", "From here", "", "x"};
    Check(folder.AddMessage(extra));
    expected.push_back(extra.m_strHeader);
    const std::vector<std::string> after = Headers(folder);
    Check(after == expected);
    Check(folder.ReadMessage(*folder.m_pMessages.back()));
    Check(folder.m_pMessages.back()->m_aBody ==
          (std::vector<std::string>{">From - body", ">From here", "", "x"}));
    return 0;
}
