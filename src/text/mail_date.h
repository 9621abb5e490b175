// Dates of mail headers and of mailbox envelope lines.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qb {

// Reads a header date in the forms that mail of any age carries: with or without the weekday
// and seconds, two-, three- or four-digit years, numeric zones, the old zone names (UT, GMT, EST,
// PDT, ...) and military letters, a missing zone, comments, "05-Jan-99" dates and the envelope
// order "Wed Jun 30 21:49:08 1993". Zones that name no known offset, military letters and a missing
// zone count as UTC. Returns the time in seconds since 1970-01-01 00:00:00 UTC, or nothing when
// the text holds no complete, valid date and time.
std::optional<std::int64_t> ParseMailDate(std::string_view text);

// Days from 1970-01-01 to the given date of the proleptic Gregorian calendar.
std::int64_t DaysFromCivil(std::int64_t y, int m, int d);

// The envelope-line form of a UTC time: "Thu Jan  1 00:00:00 1970" (day padded with a blank).
std::string FormatAsctime(std::int64_t utcSeconds);

} // namespace qb
