#include "mime/content.h"

#include "platform/paths.h"

#include <array>
#include <utility>

namespace qb {

namespace {

std::string Trim(const std::string& text) {
    static constexpr std::string_view kBlanks = " \t\n\v\f\r";
    const auto first = text.find_first_not_of(kBlanks);
    if (first == std::string::npos)
        return {};
    const auto last = text.find_last_not_of(kBlanks);
    return text.substr(first, last - first + 1);
}

template <std::size_t N>
int LookUp(const std::string& value, const std::array<std::pair<const char*, int>, N>& table,
           int otherwise) {
    for (const auto& [name, code] : table) {
        if (EqualsNoCase(value, name))
            return code;
    }
    return otherwise;
}

} // namespace

CContent::CContent(std::string contentType, std::string encoding, std::string disposition,
                   std::string contentId, std::string mimeVersion)
    : m_strMimeVersion(std::move(mimeVersion)), m_strContentType(std::move(contentType)),
      m_strEncoding(std::move(encoding)), m_strDisposition(std::move(disposition)),
      m_strContentId(std::move(contentId)) {
    Derive();
}

CContent::~CContent() {
    // Free the part chain iteratively: a message may have very many parts.
    std::unique_ptr<CContent> next = std::move(m_pNextPart);
    while (next) {
        std::unique_ptr<CContent> after = std::move(next->m_pNextPart);
        next.reset();
        next = std::move(after);
    }
}

void CContent::Derive() {
    std::string copy = m_strContentType;
    m_strParams.clear();
    m_strSubtype.clear();
    if (const auto semi = copy.find(';'); semi != std::string::npos) {
        m_strParams = copy.substr(semi + 1);
        copy.resize(semi);
    }
    if (const auto slash = copy.find('/'); slash != std::string::npos) {
        m_strType = copy.substr(0, slash);
        m_strSubtype = copy.substr(slash + 1);
    } else {
        m_strType = copy;
    }
    m_strType = Trim(m_strType);
    m_strSubtype = Trim(m_strSubtype);
    m_strEncoding = Trim(m_strEncoding);
}

bool CContent::IsText() const {
    return EqualsNoCase(m_strType, "text") || EqualsNoCase(m_strType, "message");
}

void CContent::AddPart(std::unique_ptr<CContent> part) {
    part->m_pLines = m_pLines;
    CContent* raw = part.get();
    if (m_pFirstPart == nullptr)
        m_pFirstPart = std::move(part);
    else
        m_pLastPart->m_pNextPart = std::move(part);
    m_pLastPart = raw;
    ++m_nParts;
}

std::string CContent::GetParameter(std::string_view params, std::string_view name) {
    const auto pos = params.find(name);
    if (pos == std::string_view::npos)
        return {};
    const std::size_t start = pos + name.size() + 1;
    if (start >= params.size())
        return {};
    std::string_view rest = params.substr(start);
    if (const auto semi = rest.find(';'); semi != std::string_view::npos)
        rest = rest.substr(0, semi);
    return std::string(rest);
}

std::string_view CContent::Line(std::uint32_t k) const {
    if (m_pLines == nullptr || k >= m_pLines->size())
        return {};
    return (*m_pLines)[k];
}

std::string CContent::GetBodyText() const {
    if (!IsText())
        return {};
    std::string text = "\r\n";
    for (std::int32_t i = 0; i < m_nLineCount; ++i) {
        text += Line(m_nFirstLine + static_cast<std::uint32_t>(i));
        text += "\r\n";
    }
    return text;
}

void CContent::Split() {
    SplitAt(0);
}

void CContent::SplitAt(int depth) {
    if (!EqualsNoCase(m_strType, "multipart") || depth >= kMaxDepth)
        return;
    std::string boundary = GetParameter(m_strParams, "boundary");
    // The first and last characters are the quotes of a quoted value; they go unconditionally.
    boundary = boundary.size() >= 2 ? boundary.substr(1, boundary.size() - 2) : std::string();
    const std::string delimiter = "--" + boundary;
    const std::string closing = delimiter + "--";

    struct Collected {
        std::string type, encoding, disposition, id, version;
    } values;
    static constexpr std::pair<std::string_view, std::string Collected::*> kNames[] = {
        {"MIME-Version:", &Collected::version},
        {"Content-Type:", &Collected::type},
        {"Content-Transfer-Encoding:", &Collected::encoding},
        {"Content-Disposition:", &Collected::disposition},
        {"Content-ID:", &Collected::id},
    };

    bool inHeader = false;
    bool inBody = false;
    std::uint32_t partStart = m_nFirstLine;
    std::int64_t counter = 0;
    const std::int64_t end = static_cast<std::int64_t>(m_nFirstLine) + m_nLineCount;
    for (std::int64_t k = m_nFirstLine; k < end; ++k) {
        const std::string_view line = Line(static_cast<std::uint32_t>(k));
        bool emit = false;
        bool last = false;
        if (EqualsNoCase(line, delimiter)) {
            inHeader = true;
            if (inBody) {
                emit = true;
                inBody = false;
            }
        } else if (inHeader && line.empty()) {
            inHeader = false;
            inBody = true;
            partStart = static_cast<std::uint32_t>(k + 1);
        } else if (EqualsNoCase(line, closing)) {
            emit = true;
            last = true;
        }
        if (emit) {
            auto part = std::make_unique<CContent>(values.type, values.encoding, values.disposition,
                                                   values.id, values.version);
            part->m_nFirstLine = partStart;
            // A part closed before its header ended has no body lines.
            part->m_nLineCount = static_cast<std::int32_t>(counter > 0 ? counter - 1 : 0);
            CContent* raw = part.get();
            AddPart(std::move(part));
            raw->SplitAt(depth + 1);
            values = Collected{};
            counter = 0;
        }
        if (inHeader) {
            for (const auto& [name, field] : kNames) {
                if (StartsWithNoCase(line, name)) {
                    values.*field = std::string(line.substr(name.size()));
                    break;
                }
            }
        } else if (inBody) {
            ++counter;
        }
        if (last)
            break;
    }
}

int CContent::GetTypeCode() const {
    static constexpr std::array<std::pair<const char*, int>, 7> kTypes{{
        {"text", 1},
        {"multipart", 2},
        {"message", 3},
        {"image", 4},
        {"audio", 5},
        {"video", 6},
        {"application", 7},
    }};
    return LookUp(m_strType, kTypes, 7);
}

int CContent::GetSubtypeCode() const {
    static constexpr std::array<std::pair<const char*, int>, 16> kSubtypes{{
        {"plain", 2},
        {"html", 3},
        {"mixed", 5},
        {"parallel", 6},
        {"digest", 7},
        {"alternative", 8},
        {"rfc822", 10},
        {"partial", 11},
        {"external-body", 12},
        {"octet-stream", 13},
        {"postscript", 14},
        {"gif", 15},
        {"jpeg", 16},
        {"basic", 17},
        {"mpeg", 18},
        {"msword", 19},
    }};
    return LookUp(m_strSubtype, kSubtypes, 13);
}

int CContent::GetEncodingCode() const {
    static constexpr std::array<std::pair<const char*, int>, 5> kEncodings{{
        {"7bit", 1},
        {"quoted-printable", 2},
        {"base64", 3},
        {"8bit", 4},
        {"binary", 5},
    }};
    return LookUp(m_strEncoding, kEncodings, 1);
}

} // namespace qb
