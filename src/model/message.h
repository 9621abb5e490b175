// One message of one folder as held in memory: its place in the store file, its header text,
// and, once asked for, its body lines, MIME structure and display texts.
#pragma once

#include "mime/content.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace qb {

class CArchive;
class CMails;

// Sets `lines` to `count` lines for a reader to assign, moving strings between it and `spare`
// instead of destroying and making them: a reader that goes through many messages keeps the
// strings' buffers from one message to the next. The lines' old contents remain until assigned.
void ReuseLines(BodyLines& lines, std::size_t count, BodyLines& spare);

class CMessage {
  public:
    CMessage() = default;
    CMessage(std::int32_t index, std::int64_t offset, CMails* folder, std::string header,
             std::string text);
    ~CMessage();
    CMessage(const CMessage&) = delete;
    CMessage& operator=(const CMessage&) = delete;

    std::string GetHeader() const { return m_strHeader; }
    // Value of the first complete header line beginning with `name` (ASCII case ignored), with
    // TAB continuation lines joined; nothing trimmed. Empty when absent.
    std::string GetHeaderField(std::string_view name) const;
    // GetHeaderField of every one of `names` in one pass over the header: values[i] receives the
    // value of names[i]. For a listing, which shows several fields of every message.
    void GetHeaderFields(std::span<const std::string_view> names,
                         std::span<std::string> values) const;
    // The display text, reading and composing the message on first use; empty on failure.
    std::string GetText();
    std::string GetAttachText();
    // Parses the body into m_pContent and builds m_strText and m_strAttach.
    bool ComposeText();
    // Parses the body's MIME structure into m_pContent only, decoding nothing: for writers that
    // need where the parts lie but not their text. The composed texts are left as they were, so
    // whoever calls this resets m_pContent afterwards unless the texts were composed already.
    void ParseStructure();
    // Takes the listed record's place, sizes and header text from `listed`, and forgets composed
    // texts; the folder and the body lines stay as they are. For in-memory copies of listed
    // messages that carry a body read in advance.
    void CopyRecordFrom(const CMessage& listed);
    // Lets go of the body lines, the MIME tree and the composed texts (read and composed again
    // when next asked for), so that a long batch does not hold every body.
    void ReleaseBody();
    // Offset of body line n from the start of the message as the stores write it.
    std::int64_t GetLineOffset(std::int32_t n) const;
    // Backup record: sizes, line counts, header text and body lines. Writing reads the body from
    // the owning folder first unless the texts are composed; reading leaves them to be composed
    // when asked for.
    bool Serialize(CArchive& archive);

    std::int32_t m_nIndex = 0;
    std::int64_t m_nOffset = 0;
    std::int64_t m_nSize = 0;
    std::int64_t m_nBodySize = 0;
    std::int32_t m_nLines = 0;
    std::int32_t m_nBodyLines = 0;
    CMails* m_pFolder = nullptr;
    // Marked deleted in its store (listed only when the folder is asked for those too).
    bool m_bDeleted = false;
    std::string m_strHeader;
    std::string m_strText;
    std::vector<std::string> m_aBody;
    std::unique_ptr<CContent> m_pContent;
    std::string m_strAttach;

  private:
    bool Prepare();
};

} // namespace qb
