// Header values decoded here and by Python's email.header for the same bytes.
#include "python_oracle.h"
#include "text/header_decoder.h"

#include <gtest/gtest.h>

namespace qb {
namespace {

std::string Trimmed(const std::string& s) {
    const auto first = s.find_first_not_of(' ');
    return first == std::string::npos ? std::string()
                                      : s.substr(first, s.find_last_not_of(' ') - first + 1);
}

// Each case of the readable-mail list, as a header value (the part after "Subject:").
const std::vector<test::OracleCase> kHeaders = {
    {"q-latin1", "=?iso-8859-1?Q?Gr=FC=DFe_aus_M=FCnchen?="},
    {"b-utf8-address", " =?utf-8?B?SsO8cmdlbiBNw7xsbGVy?= <j@m.de>"},
    {"adjacent-words", "=?utf-8?Q?Gr=C3=BC=C3=9Fe?= =?utf-8?Q?_aus?=\t=?utf-8?Q?_M=C3=BCnchen?="},
    {"words-and-text", "Re: =?iso-8859-15?Q?Preis_=A4_10?= und =?UTF-8?q?caf=C3=A9?= Ende"},
    {"word-after-colon", "Re:=?utf-8?Q?caf=C3=A9?="},
    {"split-utf8-in-b", "=?UTF-8?B?R3LD?= =?UTF-8?B?vMOfZQ==?="},
    {"split-sjis-in-q", "=?shift_jis?Q?=93=FA=96?= =?shift_jis?Q?=7B=8C=EA?="},
    {"q-escapes", "=?utf-8?Q?Is_it_=3F_100=25?="},
    {"not-words", "=?utf-8?X?abc?= and =?broken"},
    {"windows-1252", "=?windows-1252?Q?=93Hallo=94_=80_5?="},
    {"iso-8859-2", "=?iso-8859-2?Q?Za=BF=F3=B3=E6_g=EA=B6l=B1_ja=BC=F1?="},
    {"iso-8859-7", "=?iso-8859-7?B?yuHr5+zd8eEg6vzz7OU=?="},
    {"koi8-r", "=?koi8-r?B?8NLJ18XULCDNydI=?="},
    {"shift_jis", "=?shift_jis?B?k/qWe4zqgsyMj5a8?="},
    {"x-sjis", "=?x-sjis?B?k/qWe4zqgsyMj5a8?=", "python", "shift_jis"},
    {"iso-2022-jp", "=?iso-2022-jp?B?GyRCMnE1RCROJCpDTiRpJDsbKEI=?="},
    {"big5", "=?big5?B?pKSk5bT6uNU=?="},
    {"ks_c_5601-1987", "=?ks_c_5601-1987?B?vsiz58fPvLy/5A==?="},
    // Outlook's ks_c_5601-1987 is CP949: a syllable outside EUC-KR.
    {"ks_c_5601-1987-cp949", "=?ks_c_5601-1987?B?jGO55rCix88=?=", "python", "cp949"},
    {"gb2312", "=?gb2312?B?1tDOxNPKvP4=?="},
    {"utf-7", "=?unicode-1-1-utf-7?Q?Gr+APwA3w-e?="},
    {"language-suffix", "=?utf-8*de?Q?Gr=C3=BC=C3=9Fe?=", "python", "utf-8"},
    {"undeclared-utf8",
     "Gr\xc3\xbc\xc3\x9f"
     "e aus M\xc3\xbcnchen",
     "issue"},
    {"undeclared-latin1",
     "Gr\xfc\xdf"
     "e aus M\xfcnchen",
     "issue"},
    {"undeclared-1252", "\x93quoted\x94 \x80 5", "issue"},
    {"mislabelled-utf8-as-latin1", "=?iso-8859-1?Q?Gr=C3=BC=C3=9Fe?=", "issue"},
    {"mislabelled-latin1-as-ascii", "=?us-ascii?Q?Caf=E9?=", "issue"},
    {"mislabelled-latin1-as-utf8", "=?utf-8?Q?M=FCller?=", "issue"},
    {"unknown-charset", "=?x-unknown?Q?Caf=C3=A9?=", "issue", "x-unknown"},
};

const char* kScript = R"(
import email.header
for name, mode, override, data in cases():
    out = []
    for chunk, cs in email.header.decode_header(data.decode('latin-1')):
        if isinstance(chunk, str):
            chunk = chunk.encode('latin-1')
        if cs is not None and override:
            cs = override
        if cs is None or mode == 'issue':
            out.append(issue_order(chunk, cs))
        else:
            out.append(chunk.decode(cs))
    emit(name, 'value', ''.join(out).strip(' '))
)";

TEST(HeaderCorpus, DecodesAsPythonDoes) {
    std::string why;
    const auto answers = test::AskPython(kScript, kHeaders, why);
    if (!answers)
        GTEST_SKIP() << why;
    for (const test::OracleCase& c : kHeaders) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(answers->count(c.name));
        EXPECT_EQ(Trimmed(DecodeHeader(c.bytes)), answers->at(c.name).at("value"));
    }
}

} // namespace
} // namespace qb
