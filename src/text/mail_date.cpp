#include "text/mail_date.h"

#include <array>
#include <cstdio>
#include <vector>

namespace qb {

namespace {

constexpr std::array<const char*, 12> kMonths = {"january",   "february", "march",    "april",
                                                 "may",       "june",     "july",     "august",
                                                 "september", "october",  "november", "december"};
constexpr std::array<const char*, 7> kDays = {"sunday",   "monday", "tuesday", "wednesday",
                                              "thursday", "friday", "saturday"};

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c;
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}
bool IsAlpha(char c) {
    c = Lower(c);
    return c >= 'a' && c <= 'z';
}
bool AllDigits(std::string_view s) {
    if (s.empty())
        return false;
    for (char c : s)
        if (!IsDigit(c))
            return false;
    return true;
}
bool AllAlpha(std::string_view s) {
    if (s.empty())
        return false;
    for (char c : s)
        if (!IsAlpha(c))
            return false;
    return true;
}

// True when `word` (a trailing dot ignored) is at least three letters long and begins `name`.
bool Abbreviates(std::string_view word, std::string_view name) {
    if (!word.empty() && word.back() == '.')
        word.remove_suffix(1);
    if (word.size() < 3 || word.size() > name.size() || !AllAlpha(word))
        return false;
    for (std::size_t i = 0; i < word.size(); ++i)
        if (Lower(word[i]) != name[i])
            return false;
    return true;
}

int MonthOf(std::string_view word) {
    for (std::size_t i = 0; i < kMonths.size(); ++i)
        if (Abbreviates(word, kMonths[i]))
            return static_cast<int>(i) + 1;
    return 0;
}

bool IsWeekday(std::string_view word) {
    for (const char* day : kDays)
        if (Abbreviates(word, day))
            return true;
    return false;
}

// Offset in minutes of a zone name; military letters and unknown names are treated as UTC, as
// their meaning (or sign) was never reliable.
int NamedZoneMinutes(std::string_view word) {
    struct Zone {
        const char* name;
        int hours;
    };
    static constexpr Zone kZones[] = {
        {"ut", 0},   {"utc", 0},  {"gmt", 0},  {"z", 0},    {"ast", -4}, {"adt", -3}, {"est", -5},
        {"edt", -4}, {"cst", -6}, {"cdt", -5}, {"mst", -7}, {"mdt", -6}, {"pst", -8}, {"pdt", -7}};
    for (const Zone& zone : kZones) {
        const std::string_view name = zone.name;
        if (name.size() != word.size())
            continue;
        bool same = true;
        for (std::size_t i = 0; i < name.size() && same; ++i)
            same = Lower(word[i]) == name[i];
        if (same)
            return zone.hours * 60;
    }
    return 0;
}

int Number(std::string_view digits) {
    int value = 0;
    for (char c : digits)
        value = value * 10 + (c - '0');
    return value;
}

// "h:m" or "h:m:s", each part one or two digits.
bool ParseTime(std::string_view token, int& h, int& m, int& s) {
    int parts[3] = {0, 0, 0};
    int count = 0;
    std::size_t start = 0;
    for (;;) {
        const std::size_t colon = token.find(':', start);
        const std::string_view part = token.substr(start, colon - start);
        if (count == 3 || part.empty() || part.size() > 2 || !AllDigits(part))
            return false;
        parts[count++] = Number(part);
        if (colon == std::string_view::npos)
            break;
        start = colon + 1;
    }
    if (count < 2)
        return false;
    h = parts[0];
    m = parts[1];
    s = parts[2];
    return h <= 23 && m <= 59 && s <= 60;
}

bool IsLeap(std::int64_t y) {
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

int DaysInMonth(std::int64_t year, int month) {
    static constexpr int kLengths[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeap(year) ? 29 : kLengths[month - 1];
}

void CivilFromDays(std::int64_t z, std::int64_t& y, int& m, int& d) {
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const std::int64_t doe = z - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = yoe + era * 400 + (m <= 2);
}

// Splits the text into words: comments in parentheses (nested) dropped, blanks and commas
// separate, and "05-Jan-99" gives three words. A leading sign stays with its zone digits.
std::vector<std::string_view> Words(std::string_view text) {
    std::vector<std::string_view> words;
    int depth = 0;
    std::size_t start = std::string_view::npos;
    auto close = [&](std::size_t end) {
        if (start != std::string_view::npos)
            words.push_back(text.substr(start, end - start));
        start = std::string_view::npos;
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '(') {
            close(i);
            ++depth;
        } else if (c == ')' && depth > 0) {
            --depth;
        } else if (depth > 0) {
            continue;
        } else if (c == ' ' || c == '\t' || c == ',' || c == '\r' || c == '\n') {
            close(i);
        } else if (c == '-' && start != std::string_view::npos) {
            close(i); // "05-Jan-99"
        } else if (start == std::string_view::npos) {
            start = i;
        }
    }
    close(text.size());
    return words;
}

} // namespace

std::optional<std::int64_t> ParseMailDate(std::string_view text) {
    std::vector<std::string_view> words = Words(text);
    if (!words.empty() && IsWeekday(words.front()))
        words.erase(words.begin());

    int month = 0;
    std::vector<std::string_view> numbers;
    bool haveTime = false;
    int hour = 0, minute = 0, second = 0;
    bool haveZone = false;
    int zoneMinutes = 0;
    for (std::string_view word : words) {
        if (month == 0 && MonthOf(word) != 0) {
            month = MonthOf(word);
        } else if (!haveTime && word.find(':') != std::string_view::npos) {
            if (!ParseTime(word, hour, minute, second))
                return std::nullopt;
            haveTime = true;
        } else if (AllDigits(word)) {
            numbers.push_back(word);
        } else if (!haveZone && haveTime && (word[0] == '+' || word[0] == '-') &&
                   word.size() == 5 && AllDigits(word.substr(1))) {
            const int hhmm = Number(word.substr(1));
            if (hhmm % 100 > 59)
                return std::nullopt;
            zoneMinutes = (hhmm / 100 * 60 + hhmm % 100) * (word[0] == '-' ? -1 : 1);
            haveZone = true;
        } else if (!haveZone && haveTime && AllAlpha(word)) {
            zoneMinutes = NamedZoneMinutes(word);
            haveZone = true;
        } else if (haveZone && AllAlpha(word)) {
            continue; // "-0700 PDT", "+0100 MET DST": the number decides
        } else {
            return std::nullopt;
        }
    }
    if (month == 0 || !haveTime || numbers.size() != 2)
        return std::nullopt;

    // Day then year, or a four-digit year before the day.
    std::string_view dayText = numbers[0];
    std::string_view yearText = numbers[1];
    if (dayText.size() > 2 && yearText.size() <= 2)
        std::swap(dayText, yearText);
    if (dayText.size() > 2 || yearText.size() > 4)
        return std::nullopt;
    const int day = Number(dayText);
    std::int64_t year = Number(yearText);
    if (yearText.size() == 2)
        year += year < 50 ? 2000 : 1900;
    else if (yearText.size() == 3)
        year += 1900;
    if (day < 1 || day > DaysInMonth(year, month))
        return std::nullopt;

    return DaysFromCivil(year, month, day) * 86400 + hour * 3600 + minute * 60 + second -
           static_cast<std::int64_t>(zoneMinutes) * 60;
}

std::string FormatAsctime(std::int64_t utcSeconds) {
    static constexpr const char* kDayNames[] = {"Thu", "Fri", "Sat", "Sun", "Mon", "Tue", "Wed"};
    static constexpr const char* kMonthNames[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                  "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    std::int64_t days = utcSeconds / 86400;
    std::int64_t rest = utcSeconds % 86400;
    if (rest < 0) {
        rest += 86400;
        --days;
    }
    std::int64_t year = 0;
    int month = 0, day = 0;
    CivilFromDays(days, year, month, day);
    const int weekday = static_cast<int>(((days % 7) + 7) % 7);
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%s %s %2d %02d:%02d:%02d %lld", kDayNames[weekday],
                  kMonthNames[month - 1], day, static_cast<int>(rest / 3600),
                  static_cast<int>(rest / 60 % 60), static_cast<int>(rest % 60),
                  static_cast<long long>(year));
    return buffer;
}

std::int64_t DaysFromCivil(std::int64_t y, int m, int d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const std::int64_t yoe = y - era * 400;
    const std::int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

} // namespace qb
