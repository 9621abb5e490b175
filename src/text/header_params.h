// A structured header value such as Content-Type or Content-Disposition: the value before the
// first ';' and its parameters, with RFC 2231 extended values and continuations.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace qb {

class CHeaderParams {
  public:
    // Parses leniently: ';' inside quoted strings does not split, a quoted string may lack its
    // closing quote, a parameter without '=' is skipped, and a name given twice keeps its first
    // value. RFC 2231 sections (name*0, name*1*, ...) are joined in order of their numbers and
    // percent-decoded where marked; an RFC 2231 value wins over a plain one of the same name.
    explicit CHeaderParams(std::string_view fieldValue);

    // The value before the parameters, trimmed, in ASCII lower case ("text/plain").
    const std::string& Value() const { return m_value; }

    bool Has(std::string_view name) const { return Find(name) != nullptr; }

    // A parameter's value decoded to UTF-8: an RFC 2231 value in its declared charset (else
    // `fallbackCharset`), a plain value as DecodeHeader decodes it (RFC 2047 words inside quoted
    // strings are common). Empty when absent. Names are matched ignoring ASCII case.
    std::string Get(std::string_view name, std::string_view fallbackCharset = {}) const;

    // A parameter's value as written, unquoted but not decoded (a multipart boundary).
    std::string GetRaw(std::string_view name) const;

  private:
    struct Param {
        std::string name;    // lower case, without the RFC 2231 marks
        std::string value;   // unquoted; for an RFC 2231 value the percent-decoded bytes
        std::string charset; // RFC 2231 charset
        bool extended = false;
    };
    const Param* Find(std::string_view name) const;

    std::string m_value;
    std::vector<Param> m_params;
};

} // namespace qb
