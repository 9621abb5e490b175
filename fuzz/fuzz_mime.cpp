// Arbitrary bytes as a message: the first part up to a NUL (or all of it) is the header text,
// the rest is split into body lines; then every header reading and composing path runs.
#include "model/message.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view input(reinterpret_cast<const char*>(data), size);
    const auto split = input.find('\0');
    qb::CMessage message(0, 0, nullptr, std::string(input.substr(0, split)), "");
    if (split != std::string_view::npos) {
        std::string_view body = input.substr(split + 1);
        std::size_t start = 0;
        while (start <= body.size()) {
            const auto nl = body.find('\n', start);
            const auto end = nl == std::string_view::npos ? body.size() : nl;
            message.m_aBody.emplace_back(body.substr(start, end - start));
            if (nl == std::string_view::npos)
                break;
            start = nl + 1;
        }
        message.m_nBodyLines = static_cast<std::int32_t>(message.m_aBody.size());
    }
    for (const char* name :
         {"Subject:", "From:", "To:", "Date:", "Content-Type:", "X-Mozilla-Status: ", "From - "})
        (void)message.GetHeaderField(name);
    (void)message.GetLineOffset(message.m_nBodyLines);
    if (message.ComposeText()) {
        (void)message.m_strText.size();
    }
    for (const qb::CContent* part = message.m_pContent ? message.m_pContent.get() : nullptr; part;
         part = part->m_pFirstPart.get()) {
        (void)part->GetTypeCode();
        (void)part->GetSubtypeCode();
        (void)part->GetEncodingCode();
        for (const qb::CContent* p = part->m_pNextPart.get(); p; p = p->m_pNextPart.get())
            (void)p->GetBodyText();
    }
    return 0;
}
