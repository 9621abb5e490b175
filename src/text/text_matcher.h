// Case-insensitive search in decoded (UTF-8) text.
#pragma once

#include <string>
#include <string_view>

namespace qb {

// The simple lower-case fold of a code point, for the scripts old European mail is written in:
// ASCII; Latin-1 Supplement (À-Þ except ×, µ to μ); Latin Extended-A (Ā-ž, with İ to i, Ÿ to ÿ, ſ
// to s); Greek (Ά-Ω, with ς to σ); Cyrillic (Ѐ-Я). Other code points are left as they are; nothing
// is expanded (ß stays ß) and accents are not removed (é does not match e).
char32_t FoldCodePoint(char32_t cp);

// `text` with every code point folded; bytes that are not well-formed UTF-8 are kept as they are.
void AppendFolded(std::string_view text, std::string& out);
std::string FoldCase(std::string_view text);

// Finds a needle in texts without regard to case (FoldCodePoint). Matching folds the text into a
// buffer the matcher keeps, so one matcher serves one thread.
class CTextMatcher {
  public:
    explicit CTextMatcher(std::string_view needle);
    // True when the folded needle occurs in the folded text; an empty needle matches any text.
    bool Matches(std::string_view text) const;

  private:
    std::string m_needle;
    mutable std::string m_scratch;
};

} // namespace qb
