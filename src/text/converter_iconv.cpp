#include "text/converter.h"

// Windows has no iconv: converter_win.cpp stands in for this file there.
#ifndef _WIN32

#include <cerrno>
#include <iconv.h>
#include <utility>
#include <vector>

namespace qb::converter {

namespace {

const iconv_t kNone = reinterpret_cast<iconv_t>(-1);

// Opening a converter loads tables, so each thread keeps the few it used last. A descriptor holds
// shift state, so it serves one conversion at a time and is reset before each.
class Cache {
  public:
    ~Cache() {
        for (auto& [name, cd] : m_entries) {
            if (cd != kNone)
                iconv_close(cd);
        }
    }

    // The descriptor for `name`, or kNone when the converter does not know it (remembered too).
    iconv_t Get(const std::string& name) {
        for (auto& [known, cd] : m_entries) {
            if (known == name)
                return cd;
        }
        iconv_t cd = iconv_open("UTF-8", name.c_str());
        if (m_entries.size() >= kSize) {
            if (m_entries.front().second != kNone)
                iconv_close(m_entries.front().second);
            m_entries.erase(m_entries.begin());
        }
        m_entries.emplace_back(name, cd);
        return cd;
    }

  private:
    static constexpr std::size_t kSize = 12;
    std::vector<std::pair<std::string, iconv_t>> m_entries;
};

Cache& ThreadCache() {
    thread_local Cache cache;
    return cache;
}

} // namespace

bool Knows(const std::string& name) {
    return ThreadCache().Get(name) != kNone;
}

bool ToUtf8(std::string_view bytes, const std::string& name, std::string& out) {
    iconv_t cd = ThreadCache().Get(name);
    if (cd == kNone)
        return false;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char* in = const_cast<char*>(bytes.data());
    std::size_t inLeft = bytes.size();
    char buffer[16 * 1024];
    for (;;) {
        char* outPtr = buffer;
        std::size_t outLeft = sizeof buffer;
        // With no input left, the call flushes what a stateful charset still holds.
        const std::size_t done = inLeft > 0 ? iconv(cd, &in, &inLeft, &outPtr, &outLeft)
                                            : iconv(cd, nullptr, nullptr, &outPtr, &outLeft);
        out.append(buffer, static_cast<std::size_t>(outPtr - buffer));
        if (done != static_cast<std::size_t>(-1)) {
            if (inLeft == 0 && outPtr == buffer)
                return true;
            continue;
        }
        if (errno != E2BIG)
            return false; // EILSEQ: not valid in the charset; EINVAL: cut short at the end
    }
}

} // namespace qb::converter

#endif
