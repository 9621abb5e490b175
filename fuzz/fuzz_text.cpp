// Arbitrary bytes through every decoder of the text layer: as a header value, a parameter list,
// a whole message whose every part is decoded, a file name, text in a charset chosen by the
// first byte, and search text. Whatever comes in, what comes out must be well-formed UTF-8,
// header values must hold no control characters and file names must stay names.
#include "platform/utf8.h"
#include "text/charset.h"
#include "text/file_name.h"
#include "text/header_decoder.h"
#include "text/header_params.h"
#include "text/html_text.h"
#include "text/line_source.h"
#include "text/mime_parts.h"
#include "text/text_matcher.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

void Require(bool condition) {
    if (!condition)
        std::abort();
}

void RequireHeaderValue(const std::string& value) {
    Require(qb::IsValidUtf8(value));
    for (const char c : value)
        Require(static_cast<unsigned char>(c) >= 0x20 && c != 0x7F);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    static constexpr const char* kCharsets[] = {
        "", "koi8-r", "shift_jis", "utf-7", "iso-2022-jp", "big5", "utf-16", "x-bogus"};
    const char* charset = kCharsets[size > 0 ? data[0] % 8 : 0];

    RequireHeaderValue(qb::DecodeHeader(std::string(input), charset));
    Require(qb::IsValidUtf8(qb::DecodeText(input, charset)));

    const qb::CHeaderParams params(input);
    RequireHeaderValue(params.Get("filename", charset));
    (void)params.GetRaw("boundary");

    const qb::RawMessage raw = qb::SplitRawMessage(input);
    const qb::CMimeParts parts(raw.header, qb::LineSource(raw.body));
    const std::string text = parts.Text();
    Require(qb::IsValidUtf8(text));
    for (std::size_t i = 0; i < parts.Parts().size(); ++i) {
        const int index = static_cast<int>(i);
        const qb::MimePart& part = parts.Parts()[i];
        Require(qb::IsValidUtf8(parts.PartText(index)));
        Require(parts.DecodedSize(index) == parts.PartBytes(index).size());
        const std::string name = qb::SafeFileName(part.fileName, part.type);
        Require(!name.empty() && name.size() <= qb::kMaxFileNameBytes && qb::IsValidUtf8(name));
        Require(name.find('/') == std::string::npos && name.find('\\') == std::string::npos &&
                name != "." && name != "..");
    }
    (void)parts.Attachments();

    (void)qb::HtmlToText(input);
    const qb::CTextMatcher matcher(input.substr(0, 4));
    (void)matcher.Matches(text);
    return 0;
}
