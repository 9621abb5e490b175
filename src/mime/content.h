// One MIME entity of a message: its content header values and the range of the message's body
// lines that form its body. A multipart entity splits into a chain of parts, recursively. The
// entity reads the lines it describes through a read-only view of the body lines and never
// copies or changes them.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace qb {

// The body lines an entity tree describes, without their line ends.
using BodyLines = std::vector<std::string>;

class CContent {
  public:
    // Multipart entities nested deeper than this are kept whole rather than split, so that a
    // hostile message cannot exhaust the stack.
    static constexpr int kMaxDepth = 64;

    CContent() = default;
    CContent(std::string contentType, std::string encoding, std::string disposition,
             std::string contentId, std::string mimeVersion);
    ~CContent();
    CContent(const CContent&) = delete;
    CContent& operator=(const CContent&) = delete;

    std::string GetMediaType() const { return m_strType; }
    std::string GetSubtype() const { return m_strSubtype; }
    std::string GetParams() const { return m_strParams; }
    std::string GetEncoding() const { return m_strEncoding; }
    std::uint16_t GetPartCount() const { return m_nParts; }
    bool IsText() const;

    // Appends `part` to the end of the part chain and gives it this entity's body lines.
    void AddPart(std::unique_ptr<CContent> part);
    // Splits a multipart entity into its parts, recursively; nothing for other types.
    void Split();
    // The value of a parameter: plain case-sensitive substring search, one character after the
    // name skipped, cut at the first ";". No trimming, no unquoting.
    static std::string GetParameter(std::string_view params, std::string_view name);
    // CR LF, then each body line followed by CR LF; empty unless the type is text or message.
    std::string GetBodyText() const;

    int GetTypeCode() const;
    int GetSubtypeCode() const;
    int GetEncodingCode() const;

    // The body line `k`, or an empty line when the body holds none there.
    std::string_view Line(std::uint32_t k) const;

    std::string m_strMimeVersion;
    std::string m_strContentType;
    std::string m_strType;
    std::string m_strSubtype;
    std::string m_strParams;
    std::string m_strEncoding;
    std::string m_strDisposition;
    std::string m_strContentId;
    std::unique_ptr<CContent> m_pNextPart;
    std::uint16_t m_nParts = 0;
    std::unique_ptr<CContent> m_pFirstPart;
    // The lines the ranges index: the same for every entity of one tree, not owned.
    const BodyLines* m_pLines = nullptr;
    std::uint32_t m_nFirstLine = 0;
    std::int32_t m_nLineCount = 0;

  private:
    void Derive();
    void SplitAt(int depth);

    CContent* m_pLastPart = nullptr;
};

} // namespace qb
