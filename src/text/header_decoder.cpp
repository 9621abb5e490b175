#include "text/header_decoder.h"

#include "platform/utf8.h"
#include "text/charset.h"
#include "text/text_support.h"
#include "text/transfer_decoder.h"

#include <cstdint>
#include <cstring>

namespace qb {

namespace {

// Removes line breaks: one followed by a blank is a fold and goes, any other becomes a blank.
std::string Unfold(std::string_view value) {
    std::string out;
    out.reserve(value.size());
    for (std::size_t i = 0; i < value.size(); ++i) {
        const char c = value[i];
        if (c != '\r' && c != '\n') {
            out += c;
            continue;
        }
        if (c == '\r' && i + 1 < value.size() && value[i + 1] == '\n')
            ++i;
        if (!(i + 1 < value.size() && IsBlank(value[i + 1])))
            out += ' ';
    }
    return out;
}

// The position of the first `needle` at or after `from`. Calls come with non-decreasing `from`,
// so the remembered answer stays valid until `from` passes it: the scan is linear overall.
class ForwardFinder {
  public:
    ForwardFinder(std::string_view text, std::string_view needle)
        : m_text(text), m_needle(needle) {}
    std::size_t From(std::size_t from) {
        if (m_found == std::string_view::npos && m_searched)
            return std::string_view::npos;
        if (!m_searched || m_found < from) {
            m_found = m_text.find(m_needle, from);
            m_searched = true;
        }
        return m_found;
    }

  private:
    std::string_view m_text;
    std::string_view m_needle;
    std::size_t m_found = std::string_view::npos;
    bool m_searched = false;
};

// Collects the output: runs of encoded-word bytes in one charset are converted together.
class Output {
  public:
    explicit Output(std::string_view fallbackCharset) : m_fallbackLabel(fallbackCharset) {}

    void Plain(std::string_view text) {
        if (text.empty())
            return;
        Flush();
        if (IsAscii(text) && text.find('\x1b') == std::string_view::npos) {
            m_out.append(text);
            return;
        }
        if (!m_fallbackLooked) {
            m_fallback = LookUpCharset(m_fallbackLabel);
            // A charset whose text looks like ASCII cannot be what raw 8-bit text is in.
            if (!m_fallback.asciiCompatible)
                m_fallback = {};
            m_fallbackLooked = true;
        }
        AppendText(text, m_fallback, m_out);
    }

    // Starts or continues the run of `charset`; returns the buffer to append decoded bytes to.
    std::string& Encoded(std::string_view label) {
        CharsetInfo charset = LookUpCharset(label);
        if (m_inRun && charset.name == m_runCharset.name &&
            charset.asciiCompatible == m_runCharset.asciiCompatible)
            return m_run;
        Flush();
        m_inRun = true;
        m_runCharset = std::move(charset);
        return m_run;
    }

    bool InRun() const { return m_inRun; }

    std::string Finish() {
        Flush();
        ReplaceControls(m_out, " ");
        return std::move(m_out);
    }

  private:
    void Flush() {
        if (!m_inRun)
            return;
        AppendText(m_run, m_runCharset, m_out);
        m_run.clear();
        m_inRun = false;
    }

    std::string m_out;
    std::string m_run;
    CharsetInfo m_runCharset;
    bool m_inRun = false;
    std::string_view m_fallbackLabel;
    CharsetInfo m_fallback;
    bool m_fallbackLooked = false;
};

} // namespace

bool IsPlainHeader(std::string_view value) {
    // Eight bytes at a time: any byte below 0x20 or above 0x7E, or any '?' (checked one by one
    // for a '=' before it), leaves the fast path.
    constexpr std::uint64_t kOnes = 0x0101010101010101ull, kHigh = 0x8080808080808080ull;
    const char* p = value.data();
    std::size_t n = value.size();
    char previous = 0;
    for (; n >= 8; p += 8, n -= 8) {
        std::uint64_t x;
        std::memcpy(&x, p, 8);
        const std::uint64_t below = (x - kOnes * 0x20) & ~x & kHigh;
        const std::uint64_t above = ((x + kOnes) | x) & kHigh;
        if (below | above)
            return false;
        const std::uint64_t q = x ^ (kOnes * '?');
        if ((q - kOnes) & ~q & kHigh) {
            for (int i = 0; i < 8; ++i) {
                if (p[i] == '?' && (i > 0 ? p[i - 1] : previous) == '=')
                    return false;
            }
        }
        previous = p[7];
    }
    for (; n > 0; ++p, --n) {
        const unsigned char b = static_cast<unsigned char>(*p);
        if (b < 0x20 || b >= 0x7F || (*p == '?' && previous == '='))
            return false;
        previous = *p;
    }
    return true;
}

std::string DecodeHeader(std::string value, std::string_view fallbackCharset) {
    if (IsPlainHeader(value))
        return value;
    if (value.find_first_of("\r\n") != std::string::npos)
        value = Unfold(value);
    const std::string_view v = value;
    Output out(fallbackCharset);
    ForwardFinder opens(v, "=?"), questions(v, "?"), closes(v, "?=");
    std::size_t pos = 0;       // where the search for the next word starts
    std::size_t textStart = 0; // start of the text not yet written
    for (;;) {
        const std::size_t open = opens.From(pos);
        if (open == std::string_view::npos)
            break;
        // =?charset?E?text?= : the charset runs to the next '?', the text to the next "?=".
        const std::size_t q = questions.From(open + 2);
        if (q == std::string_view::npos)
            break; // no later word can be complete either
        if (q + 2 >= v.size() || v[q + 2] != '?' ||
            (v[q + 1] != 'q' && v[q + 1] != 'Q' && v[q + 1] != 'b' && v[q + 1] != 'B')) {
            pos = open + 1;
            continue;
        }
        const std::size_t textBegin = q + 3;
        const std::size_t close = closes.From(textBegin);
        if (close == std::string_view::npos)
            break;
        const std::string_view between = v.substr(textStart, open - textStart);
        if (!(out.InRun() && AllBlank(between)))
            out.Plain(between);
        std::string& bytes = out.Encoded(v.substr(open + 2, q - open - 2));
        const std::string_view text = v.substr(textBegin, close - textBegin);
        if (v[q + 1] == 'q' || v[q + 1] == 'Q')
            AppendUnescaped(text, true, bytes);
        else
            CBase64Decoder().Feed(text, bytes);
        pos = textStart = close + 2;
    }
    out.Plain(v.substr(textStart));
    return out.Finish();
}

} // namespace qb
