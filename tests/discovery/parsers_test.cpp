// The three readers of other programs' settings files, on text written here.
#include "discovery/prefs_js.h"
#include "discovery/profiles_ini.h"
#include "discovery/wine_registry.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qb::discovery {
namespace {

constexpr char kHeader[] = "WINE REGISTRY Version 2\n";

struct ValueCase {
    const char* lines; // the value's line(s) inside one key
    std::uint32_t type;
    std::string data;
    std::uint32_t number;
};

TEST(WineRegistry, EveryValueFormReadsToItsTypeAndData) {
    const ValueCase cases[] = {
        {R"("v"="C:\\Program Files\\\"x\"")", kRegString, R"(C:\Program Files\"x")", 0},
        // \x takes up to four digits; a pair of surrogates is one character.
        {R"("v"="Jos\x00e9e \xd83d\xde00 \x41!")", kRegString,
         "Jos\xC3\xA9"
         "e \xF0\x9F\x98\x80 A!",
         0},
        {R"("v"="lone \xd800.")", kRegString, "lone \xEF\xBF\xBD.", 0},
        {R"("v"="\101\tb\x")", kRegString, "A\tbx", 0},
        {R"("v"=str(2):"%USERPROFILE%\\Mail")", kRegExpandString, R"(%USERPROFILE%\Mail)", 0},
        {R"("v"=str(7):"first\0second\0")", kRegMultiString, "first", 0},
        {R"("v"=dword:0000001e)", kRegDword, "", 30},
        {"\"v\"=hex:01,02,\\\n  ff", kRegBinary, "\x01\x02\xff", 0},
        {"\"v\"=hex(2):43,00,3a,00,\\\n  5c,00,00,00,41,00", kRegExpandString, "C:\\", 0},
        {"\"v\"=hex(7):61,00,00,00,62,00,00,00,00,00", kRegMultiString, "a", 0},
        {"\"v\"=hex(1):", kRegString, "", 0},
        {R"("v"=hex(b):00,01)", 0xb, std::string("\0\1", 2), 0},
    };
    for (const ValueCase& c : cases) {
        std::vector<WineKey> keys;
        std::string error;
        ASSERT_TRUE(ParseWineRegistry(std::string(kHeader) + "[K]\n" + c.lines + "\n", keys, error))
            << c.lines << ": " << error;
        ASSERT_EQ(keys.size(), 1u);
        ASSERT_EQ(keys[0].values.size(), 1u) << c.lines;
        const WineValue& v = keys[0].values[0];
        EXPECT_EQ(v.name, "v");
        EXPECT_EQ(v.type, c.type) << c.lines;
        EXPECT_EQ(v.data, c.data) << c.lines;
        EXPECT_EQ(v.number, c.number) << c.lines;
    }
}

TEST(WineRegistry, KeysOptionsCommentsAndTheFilter) {
    const std::string text = std::string(kHeader) +
                             ";; All keys relative to \\\\Machine\r\n"
                             "\r\n#arch=win32\r\n"
                             "[Software\\\\Netscape\\\\Users\\\\a\\]b] 1600000000\r\n"
                             "#time=1d6b5f3c2a8e4f0\r\n#class=\"x\"\r\n"
                             "@=\"default\"\r\n\"DirRoot\"=\"C:\\\\a\"\r\n"
                             "\r\n[Software\\\\Other] 1\r\n\"x\"=dword:1\r\n";
    std::vector<WineKey> keys;
    std::string error;
    ASSERT_TRUE(ParseWineRegistry(text, keys, error)) << error;
    ASSERT_EQ(keys.size(), 2u);
    EXPECT_EQ(keys[0].path, "Software\\Netscape\\Users\\a]b");
    ASSERT_EQ(keys[0].values.size(), 2u);
    EXPECT_EQ(keys[0].values[0].name, "");
    EXPECT_EQ(keys[0].values[1].data, "C:\\a");

    keys.clear();
    ASSERT_TRUE(ParseWineRegistry(text, keys, error,
                                  [](std::string_view path) { return path == "Software\\Other"; }));
    ASSERT_EQ(keys.size(), 1u);
    EXPECT_EQ(keys[0].values.at(0).number, 1u);

    // Into a registry: strings and dwords, the binary value left out.
    keys.clear();
    ASSERT_TRUE(ParseWineRegistry(std::string(kHeader) + "[A\\\\B]\n\"s\"=str(2):\"t\"\n"
                                                         "\"d\"=dword:2\n\"b\"=hex:01\n",
                                  keys, error));
    RegistryData data;
    AddWineKeys(keys, Hive::LocalMachine, data);
    EXPECT_EQ(data.GetString(Hive::LocalMachine, "a\\b", "S"), "t");
    EXPECT_EQ(data.GetDword(Hive::LocalMachine, "A\\B", "d"), 2u);
    EXPECT_EQ(data.GetValues(Hive::LocalMachine, "A\\B")->size(), 2u);
}

TEST(WineRegistry, DamageIsReportedWithItsLineAndKeepsNothing) {
    const std::pair<std::string, std::string> cases[] = {
        {"REGEDIT4\n[K]\n", "line 1: not a Wine registry file"},
        {"", "line 1: not a Wine registry file"},
        {std::string(kHeader) + "\"v\"=\"x\"\n", "line 2: value outside any key"},
        {std::string(kHeader) + "[K\n", "line 2: unterminated key name"},
        {std::string(kHeader) + "[K]\n\"v\"=\"open\n", "line 3: unterminated string"},
        {std::string(kHeader) + "[K]\n\"v=\"x\"\n", "line 3: '=' expected"},
        {std::string(kHeader) + "[K]\n\"v\"=dword:xyz\n", "line 3: bad dword value"},
        {std::string(kHeader) + "[K]\n\"v\"=dword:1 2\n", "line 3: bad dword value"},
        {std::string(kHeader) + "[K]\n\"v\"=qword:1\n", "line 3: unknown value type"},
        {std::string(kHeader) + "[K]\n\"v\"=hex:01,zz\n", "line 3: bad hex data"},
        {std::string(kHeader) + "[K]\n\"v\"=hex(2:01\n", "line 3: bad hex value"},
        {std::string(kHeader) + "[K]\n\"v\"=hex:01,\\\n", "line 3: hex data cut off"},
        {std::string(kHeader) + "[K]\n\"a\"=hex:01,\\\n 02,\\\n 0g\n", "line 5: bad hex data"},
        {std::string(kHeader) + "[K]\nstray\n", "line 3: not a key, value or comment"},
    };
    for (const auto& [text, expected] : cases) {
        std::vector<WineKey> keys;
        std::string error;
        EXPECT_FALSE(ParseWineRegistry(text, keys, error)) << text;
        EXPECT_EQ(error, expected) << text;
        EXPECT_TRUE(keys.empty()) << text;
    }
}

TEST(Prefs, ValuesCommentsAndTheLastSettingWins) {
    const std::string text = "# Mozilla User Preferences\n"
                             "/* a comment\n over lines */\n"
                             "user_pref(\"mail.directory\", \"/home/me/nsmail\");\n"
                             "// a line comment\n"
                             "user_pref('single', 'it\\'s \\\"q\\\" \\\\ \\u00e9\\x41');\n"
                             "pref(\"n\",-42);sticky_pref ( \"b\" , true , locked ) ;\n"
                             "user_pref(\"mail.directory\", \"/last\");\n";
    Prefs prefs;
    std::string error;
    ASSERT_TRUE(ParsePrefs(text, prefs, error)) << error;
    EXPECT_EQ(PrefString(prefs, "mail.directory"), "/last");
    EXPECT_EQ(PrefString(prefs, "single"), "it's \"q\" \\ \xC3\xA9"
                                           "A");
    EXPECT_EQ(prefs.at("n").kind, PrefValue::Kind::Integer);
    EXPECT_EQ(prefs.at("n").text, "-42");
    EXPECT_EQ(prefs.at("b").kind, PrefValue::Kind::Boolean);
    EXPECT_EQ(PrefString(prefs, "b"), std::nullopt);
    EXPECT_EQ(PrefString(prefs, "absent"), std::nullopt);
}

TEST(Prefs, DamageIsReportedWithItsLineAndKeepsNothing) {
    const std::pair<std::string, std::string> cases[] = {
        {"user_pref(\"a\", 1);\n/* open", "line 2: comment never ends"},
        {"user_pref(\"a\", 1)\nuser_pref(\"b\", 2);", "line 2: ';' expected"},
        {"user_pref(\"a\", yes);", "line 1: a string, number, true or false expected"},
        {"user_pref(\"a\", -true);", "line 1: a string, number, true or false expected"},
        {"\n\nset(\"a\", 1);", "line 3: a pref call expected"},
        {"user_pref(a, 1);", "line 1: a pref name expected"},
        {"user_pref(\"a\", \"open);", "line 1: string never ends"},
        {"user_pref(\"a\", \"\\u12\");", "line 1: bad escape in a string"},
        {"user_pref(\"a\", 1, );", "line 1: an attribute expected"},
    };
    for (const auto& [text, expected] : cases) {
        Prefs prefs{{"stale", {}}};
        std::string error;
        EXPECT_FALSE(ParsePrefs(text, prefs, error)) << text;
        EXPECT_EQ(error, expected) << text;
        EXPECT_TRUE(prefs.empty()) << text;
    }
}

TEST(Ini, SectionsEntriesAndDamage) {
    std::vector<IniSection> sections;
    std::string error;
    ASSERT_TRUE(ParseIni("\xEF\xBB\xBF[General]\r\nStartWithLastProfile=1\r\n\r\n; note\n"
                         "[Profile0]\n Name = default \nPath=abc.default\nPath=later\n# x\n",
                         sections, error))
        << error;
    ASSERT_EQ(sections.size(), 2u);
    EXPECT_EQ(sections[0].name, "General");
    EXPECT_EQ(*sections[1].Find("Name"), "default");
    EXPECT_EQ(*sections[1].Find("Path"), "later");
    EXPECT_EQ(sections[1].Find("name"), nullptr);

    for (const auto& [text, expected] :
         {std::pair<std::string, std::string>{"Path=x\n", "line 1: entry before any section"},
          {"[A]\nx=1\njunk\n", "line 3: neither a section nor an entry"},
          {"[]\n", "line 1: bad section name"},
          {"[A\n", "line 1: bad section name"}}) {
        EXPECT_FALSE(ParseIni(text, sections, error)) << text;
        EXPECT_EQ(error, expected);
        EXPECT_TRUE(sections.empty());
    }
}

} // namespace
} // namespace qb::discovery
