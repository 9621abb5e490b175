// The header date reader against Python's email.utils.parsedate_tz, and the envelope date form
// against Python's time.asctime, on real-world forms and on many random ones.
#include "text/mail_date.h"

#include "support/run_tool.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace qb {
namespace {

// Answers one request per line: "D <date text>" gives the UTC seconds parsedate_tz implies
// (a missing zone taken as UTC) or "None"; "A <seconds>" gives the asctime form of that UTC time.
constexpr char kOracle[] = R"(
import calendar, sys, time
from email.utils import parsedate_tz
out = []
for line in open(sys.argv[1], encoding='latin-1').read().split('\n'):
    if line.startswith('D '):
        t = parsedate_tz(line[2:])
        out.append('None' if t is None else str(calendar.timegm(t[:6]) - (t[9] or 0)))
    elif line.startswith('A '):
        out.append(time.asctime(time.gmtime(int(line[2:]))))
print('\n'.join(out))
)";

std::vector<std::string> AskPython(const std::vector<std::string>& requests) {
    test::TempDir dir;
    std::string input;
    for (const std::string& request : requests)
        input += request + "\n";
    test::WriteFile(dir / "oracle.py", kOracle);
    test::WriteFile(dir / "in.txt", input);
    std::string output;
    const int status = test::RunCommand("python3 " + test::ShellQuote(dir / "oracle.py") + " " +
                                            test::ShellQuote(dir / "in.txt"),
                                        &output);
    EXPECT_EQ(status, 0);
    std::vector<std::string> answers;
    std::istringstream lines(output);
    for (std::string line; std::getline(lines, line);)
        answers.push_back(line);
    EXPECT_EQ(answers.size(), requests.size());
    answers.resize(requests.size());
    return answers;
}

std::string Ours(const std::string& date) {
    const std::optional<std::int64_t> t = ParseMailDate(date);
    return t ? std::to_string(*t) : "None";
}

// Forms found in real mailboxes, old and new.
const std::vector<std::string> kRealWorld = {
    "Wed, 30 Jun 1993 21:49:08 -0700",
    "Wed, 30 Jun 93 21:49:08 -0700",
    "30 Jun 1993 21:49 -0700",
    "Wed, 30 Jun 1993 21:49:08 PDT",
    "Wed, 30 Jun 1993 21:49:08 -0700 (PDT)",
    "Tue, 1 Jun 1999 10:00:00 -0700 PDT",
    "Mon, 1 Jan 2001 10:00:00 +0100 (MET)",
    "Fri, 13 Feb 2009 23:31:30 -0000",
    "Sat, 1 Jan 2000 00:00:00 GMT",
    "1 Jan 2000 00:00:00 UT",
    "Thu, 31 Dec 1998 23:59:59 EST",
    "Thu, 31 Dec 1998 23:59:59 EDT",
    "Thu, 31 Dec 1998 23:59:59 CST",
    "Thu, 31 Dec 1998 23:59:59 MDT",
    "Thu, 31 Dec 1998 23:59:59 PST",
    "5 Jan 2004 12:00:00 Z",
    "Tue, 05 Jan 1999 12:00:00 A",
    "Tue, 05 Jan 1999 12:00:00 N",
    "Tue, 05 Jan 1999 12:00:00 Y",
    "Mon, 05 Jan 1998 12:00:00",
    "Monday, 05-Jan-98 12:00:00 GMT",
    "05-Jan-1998 12:00:00 -0500",
    "Mon,5 Jan 1998 12:00:00 +0000",
    "Wed Jun 30 21:49:08 1993",
    "Thu Jan  1 00:00:00 1970",
    "Wed Jun 30 21:49:08 1993 PDT",
    "Wed Jun 30 21:49:08 PDT 1993",
    "Wed, Jun 30 1993 21:49:08 -0700",
    "30 June 1993 21:49:08 +0000",
    "30 Jun 1993 9:5:7 +0530",
    "29 Feb 1996 12:00:00 +1245",
    "Sat, 1 Jan 2000 23:59:60 GMT",
    "Sun, 16 Nov 2003 05:09:27 +0100 (CET)",
    "  Tue, 2 Mar 1999 08:15:00 -0800  ",
    "Thu, 01 Jan 70 00:00:00 +0000",
    "Fri, 31 Dec 99 23:59:59 +0000",
    "Sat, 01 Jan 00 00:00:00 +0000",
    "Tue, 19 Jan 2038 03:14:08 +0000",
};

TEST(MailDate, RealWorldFormsAgreeWithPython) {
    std::vector<std::string> requests;
    for (const std::string& date : kRealWorld)
        requests.push_back("D " + date);
    const std::vector<std::string> expected = AskPython(requests);
    for (std::size_t i = 0; i < kRealWorld.size(); ++i) {
        EXPECT_NE(expected[i], "None") << kRealWorld[i];
        EXPECT_EQ(Ours(kRealWorld[i]), expected[i]) << kRealWorld[i];
    }
}

TEST(MailDate, CenturyOfShortYearsFollowsTheMailStandard) {
    // Python puts 50..68 in the 2000s; the mail standard puts every 50..99 and every
    // three-digit year in the 1900s.
    EXPECT_EQ(ParseMailDate("1 Jan 49 00:00 +0000"), 2493072000);
    EXPECT_EQ(ParseMailDate("1 Jan 50 00:00 +0000"), -631152000);
    EXPECT_EQ(ParseMailDate("1 Jan 104 00:00 +0000"), 1072915200);
}

TEST(MailDate, IncompleteOrImpossibleDatesAreUnparseable) {
    for (const char* text :
         {"", "junk", "5 Jan 2004", "Jan 2004 10:00", "31 Feb 2000 10:00 GMT",
          "29 Feb 1900 10:00 GMT", "1 Jan 2000 24:00 GMT", "1 Jan 2000 10:60 GMT",
          "1 Jan 2000 10:00 +0160", "32 Jan 2000 10:00", "0 Jan 2000 10:00", "1 Foo 2000 10:00",
          "1 Jan 2000 10:00:00:00", "1 Jan 2000 1000:00", "1 Jan 12345 10:00",
          "Wed, 30 Jun 1993 at 21:49", "1 2 3 Jan 2000 10:00"}) {
        EXPECT_FALSE(ParseMailDate(text).has_value()) << text;
    }
}

// Random dates in every form the reader takes, checked against Python in one run.
TEST(MailDate, RandomFormsAgreeWithPython) {
    const unsigned seed = std::random_device{}();
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 rng(seed);
    auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    static const char* const kDays[] = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};
    static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    static const char* const kZones[] = {"GMT", "UT",  "UTC", "EST", "EDT", "CST", "CDT",
                                         "MST", "MDT", "PST", "PDT", "Z",   "A",   "M",
                                         "N",   "Y",   "CET", "MET", "JST"};
    std::vector<std::string> dates;
    for (int i = 0; i < 3000; ++i) {
        const int year = 1970 + pick(68);
        const int month = pick(12);
        const int day = 1 + pick(28);
        char time[16];
        if (pick(3) == 0)
            std::snprintf(time, sizeof time, "%02d:%02d", pick(24), pick(60));
        else
            std::snprintf(time, sizeof time, "%d:%02d:%02d", pick(24), pick(60), pick(60));
        std::string yearText = std::to_string(year);
        if (pick(3) == 0 && year >= 1970 && year <= 1999)
            yearText = yearText.substr(2);
        const int form = pick(4);
        const bool dashed = form == 1;
        std::string zone;
        // Python reads a dashed date only when a zone follows and no comment.
        switch (dashed ? 1 + pick(3) : pick(4)) {
        case 0:
            break;
        case 1:
            zone = kZones[pick(std::size(kZones))];
            break;
        default: {
            char numeric[8];
            std::snprintf(numeric, sizeof numeric, "%c%02d%02d", pick(2) ? '+' : '-', pick(15),
                          pick(4) * 15);
            zone = numeric;
        }
        }
        std::string date;
        const std::string weekday = pick(2) ? std::string(kDays[pick(7)]) + ", " : "";
        switch (form) {
        case 0: // envelope order
            date = std::string(kDays[pick(7)]) + " " + kMonths[month] + " " +
                   (day < 10 ? " " : "") + std::to_string(day) + " " + time + " " + yearText;
            break;
        case 1:
            date =
                weekday + std::to_string(day) + "-" + kMonths[month] + "-" + yearText + " " + time;
            break;
        default:
            date = weekday + (day < 10 && pick(2) ? "0" : "") + std::to_string(day) + " " +
                   kMonths[month] + " " + yearText + " " + time;
        }
        if (!zone.empty())
            date += " " + zone;
        if (!dashed && pick(5) == 0)
            date += " (comment)";
        dates.push_back(date);
    }
    std::vector<std::string> requests;
    for (const std::string& date : dates)
        requests.push_back("D " + date);
    const std::vector<std::string> expected = AskPython(requests);
    for (std::size_t i = 0; i < dates.size(); ++i)
        ASSERT_EQ(Ours(dates[i]), expected[i]) << dates[i];
}

TEST(MailDate, AsctimeAgreesWithPython) {
    std::mt19937_64 rng(std::random_device{}());
    std::vector<std::int64_t> times = {0, -1, 86399, 951782400, 951868800, 2147483648, -86400};
    for (int i = 0; i < 500; ++i)
        times.push_back(static_cast<std::int64_t>(rng() % 8000000000ull) - 2000000000);
    std::vector<std::string> requests;
    for (std::int64_t t : times)
        requests.push_back("A " + std::to_string(t));
    const std::vector<std::string> expected = AskPython(requests);
    for (std::size_t i = 0; i < times.size(); ++i)
        EXPECT_EQ(FormatAsctime(times[i]), expected[i]) << times[i];
}

TEST(MailDate, ParsedDatesComeBackThroughTheEnvelopeForm) {
    std::mt19937_64 rng(std::random_device{}());
    for (int i = 0; i < 1000; ++i) {
        const std::int64_t t = static_cast<std::int64_t>(rng() % 4000000000ull);
        EXPECT_EQ(ParseMailDate(FormatAsctime(t)), t);
    }
}

} // namespace
} // namespace qb
