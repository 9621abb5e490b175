// Arbitrary bytes as a preferences.js or prefs.js. Damage must be reported with its line and
// leave nothing behind; what parses must read back the same when written out again.
#include "discovery/prefs_js.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

std::string Quoted(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\')
            out += '\\';
        out += c;
    }
    return out + '"';
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    using qb::discovery::PrefValue;
    const std::string_view text(reinterpret_cast<const char*>(bytes), size);
    qb::discovery::Prefs prefs;
    std::string error;
    if (!qb::discovery::ParsePrefs(text, prefs, error)) {
        if (error.rfind("line ", 0) != 0 || !prefs.empty())
            std::abort();
        return 0;
    }
    std::string written;
    for (const auto& [name, value] : prefs) {
        if (value.kind == PrefValue::Kind::Boolean && value.text != "true" && value.text != "false")
            std::abort();
        if (value.kind == PrefValue::Kind::Integer && value.text.empty())
            std::abort();
        written += "user_pref(" + Quoted(name) + ", " +
                   (value.kind == PrefValue::Kind::String ? Quoted(value.text) : value.text) +
                   ");\n";
    }
    qb::discovery::Prefs again;
    if (!qb::discovery::ParsePrefs(written, again, error) || again.size() != prefs.size())
        std::abort();
    for (const auto& [name, value] : prefs) {
        const auto it = again.find(name);
        if (it == again.end() || it->second.kind != value.kind || it->second.text != value.text)
            std::abort();
    }
    return 0;
}
