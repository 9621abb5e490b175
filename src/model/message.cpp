#include "model/message.h"

#include "model/mails.h"
#include "platform/paths.h"

#include <algorithm>
#include <utility>

namespace qb {

void ReuseLines(BodyLines& lines, std::size_t count, BodyLines& spare) {
    while (lines.size() > count) {
        spare.push_back(std::move(lines.back()));
        lines.pop_back();
    }
    lines.reserve(count);
    while (lines.size() < count) {
        if (spare.empty()) {
            lines.emplace_back();
        } else {
            lines.push_back(std::move(spare.back()));
            spare.pop_back();
        }
    }
}

CMessage::CMessage(std::int32_t index, std::int64_t offset, CMails* folder, std::string header,
                   std::string text)
    : m_nIndex(index), m_nOffset(offset), m_pFolder(folder), m_strHeader(std::move(header)),
      m_strText(std::move(text)) {}

CMessage::~CMessage() = default;

std::string CMessage::GetHeaderField(std::string_view name) const {
    std::string value;
    GetHeaderFields({&name, 1}, {&value, 1});
    return value;
}

void CMessage::GetHeaderFields(std::span<const std::string_view> names,
                               std::span<std::string> values) const {
    // Each name's field: not met yet, being read (its continuation lines follow), or complete.
    enum class State : unsigned char { Looking, Reading, Done };
    constexpr std::size_t kInline = 8;
    State inlineStates[kInline];
    std::vector<State> moreStates;
    State* state = inlineStates;
    if (names.size() > kInline) {
        moreStates.resize(names.size());
        state = moreStates.data();
    }
    const std::size_t count = std::min(names.size(), values.size());
    for (std::size_t i = 0; i < count; ++i) {
        state[i] = State::Looking;
        values[i].clear();
    }
    std::size_t open = count; // fields not yet complete
    const std::string_view header = m_strHeader;
    std::size_t pos = 0;
    while (pos < header.size() && open > 0) {
        const std::size_t eol = header.find("\r\n", pos);
        if (eol == std::string_view::npos)
            break; // text after the last CR LF is not a complete line
        const std::string_view line = header.substr(pos, eol - pos);
        pos = eol + 2;
        const bool continued = !line.empty() && line[0] == '\t';
        for (std::size_t i = 0; i < count; ++i) {
            if (state[i] == State::Looking) {
                // Most lines are told apart from the name by their first byte.
                const std::string_view name = names[i];
                const bool may = name.empty() ||
                                 (!line.empty() && ToLowerAscii(line[0]) == ToLowerAscii(name[0]));
                if (may && StartsWithNoCase(line, name)) {
                    state[i] = State::Reading;
                    values[i].assign(line.substr(names[i].size()));
                }
            } else if (state[i] == State::Reading) {
                if (continued) {
                    values[i].append(line.substr(1));
                } else {
                    state[i] = State::Done;
                    --open;
                }
            }
        }
    }
}

bool CMessage::Prepare() {
    if (m_pContent == nullptr && m_pFolder != nullptr) {
        if (!m_pFolder->ReadMessage(*this))
            return false;
        if (!ComposeText())
            return false;
    }
    return true;
}

std::string CMessage::GetText() {
    return Prepare() ? m_strText : std::string();
}

std::string CMessage::GetAttachText() {
    return Prepare() ? m_strAttach : std::string();
}

void CMessage::ParseStructure() {
    std::string type = GetHeaderField("Content-Type:");
    if (type.empty())
        type = "text/plain";
    std::string encoding = GetHeaderField("Content-Transfer-Encoding:");
    if (encoding.empty())
        encoding = "7bit";
    m_pContent = std::make_unique<CContent>(type, encoding, "", "", "1.0");
    m_pContent->m_pLines = &m_aBody;
    m_pContent->m_nFirstLine = 0;
    m_pContent->m_nLineCount = m_nBodyLines;
    m_pContent->Split();
}

bool CMessage::ComposeText() {
    ParseStructure();
    const CContent* top = m_pContent.get();
    const CContent* text = top;
    while (EqualsNoCase(text->GetMediaType(), "multipart")) {
        text = text->m_pFirstPart.get();
        if (text == nullptr)
            return false;
    }
    m_strText = text->GetBodyText() + "\r\n";

    std::string attach;
    if (EqualsNoCase(top->GetMediaType(), "multipart")) {
        static const char kRule[] = "-------------------- Attach ---------------------\r\n";
        attach += kRule;
        const CContent* part = top->m_pFirstPart.get();
        for (part = part ? part->m_pNextPart.get() : nullptr; part != nullptr;
             part = part->m_pNextPart.get()) {
            attach += "--------------------\r\n";
            attach += "Attach type: " + part->GetMediaType() + "/" + part->GetSubtype() + "\r\n";
            attach += "Attach name: " + CContent::GetParameter(part->GetParams(), "name") + "\r\n";
        }
        attach += kRule;
    }
    m_strAttach = std::move(attach);
    return true;
}

void CMessage::CopyRecordFrom(const CMessage& listed) {
    m_nIndex = listed.m_nIndex;
    m_nOffset = listed.m_nOffset;
    m_nSize = listed.m_nSize;
    m_nBodySize = listed.m_nBodySize;
    m_nLines = listed.m_nLines;
    m_nBodyLines = listed.m_nBodyLines;
    m_strHeader = listed.m_strHeader;
    m_pContent.reset();
    m_strText.clear();
    m_strAttach.clear();
}

void CMessage::ReleaseBody() {
    m_aBody.clear();
    m_aBody.shrink_to_fit();
    m_pContent.reset();
    std::string().swap(m_strText);
    std::string().swap(m_strAttach);
}

std::int64_t CMessage::GetLineOffset(std::int32_t n) const {
    std::int64_t offset = static_cast<std::int64_t>(m_strHeader.size()) + 2;
    for (std::int32_t i = 0; i < n && i < static_cast<std::int32_t>(m_aBody.size()); ++i)
        offset += static_cast<std::int64_t>(m_aBody[static_cast<std::size_t>(i)].size()) + 2;
    return offset;
}

} // namespace qb
