// The fuzzing corpora start from the stores and messages the tests build. The files under
// fuzz/corpus/NAME/ are made here (QB_WRITE_CORPUS=1 rewrites them) and checked to be what these
// builders make, so that they follow the formats as the code changes.
#include "app/mailbox_registry.h"
#include "platform/registry_file.h"
#include "support/bytes.h"
#include "support/stores.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace qb::test {
namespace {

using Seeds = std::map<std::string, std::string>; // file name -> bytes

Seeds NetscapeSeeds() {
    return {
        {"mixed-status", "lead line\r\n" + NsMessage("a", {"x", "From - quoted"}, "0001") +
                             NsMessage("b", {"y"}, "0009") + NsMessage("c", {}, "")},
        {"lf-subfolder-like", NsMessage("one", {"From me", ">From - y", ""}, "0001", "\n") +
                                  NsMessage("two", {"tail"}, "8000", "\n")},
        {"cr-only", NsMessage("cr", {"a", "b"}, "0001", "\r")},
        {"no-end-of-line", NsMessage("last", {"body"}) + "From - Mon Jan 01 10:00:00 2001"},
    };
}

std::string MimeSeed(const std::string& header, const std::vector<std::string>& body) {
    std::string bytes = header + std::string(1, '\0');
    for (const std::string& line : body)
        bytes += line + "\n";
    return bytes;
}

Seeds MimeSeeds() {
    return {
        {"alternative",
         MimeSeed("Content-Type: multipart/mixed; boundary=\"o\"\r\n",
                  {"--o", "Content-Type: multipart/alternative;", "\tboundary=\"i\"", "", "--i", "",
                   "x", "--i", "Content-Type: text/html", "", "<b>y</b>", "--i--", "--o--"})},
        {"encoded",
         MimeSeed("Content-Type: multipart/mixed; boundary=\"=_b\"\r\nSubject: =?iso-8859-1?Q?"
                  "caf=E9?=\r\n",
                  {"pre", "--=_b", "Content-Type: text/plain",
                   "Content-Transfer-Encoding: quoted-printable", "", "one=3D1 =", "two", "--=_b",
                   "Content-Type: image/png; name=x.png", "Content-Transfer-Encoding: base64", "",
                   "iVBORw0KGgo=", "--=_b--"})},
        {"rfc822", MimeSeed("Content-Type: multipart/mixed; boundary=b\r\n",
                            {"--b", "Content-Type: message/rfc822", "", "Subject: inner", "--b",
                             "Content-Type: text/plain", "Content-Transfer-Encoding: base64", "",
                             "aGVsbG8=", "--b--"})},
    };
}

Seeds MbxSeeds() {
    return {
        {"three",
         MbxFile({MbxRecord(1, MessageText("a", {"x"})), MbxRecord(2, MessageText("b", {})),
                  MbxRecord(5, MessageText("c", {"From - y", "", "z"}))},
                 5)},
        {"count-too-small",
         MbxFile({MbxRecord(1, MessageText("a", {"x"})), MbxRecord(2, MessageText("b", {"y"}))}, 2,
                 1)},
        {"cut-record", MbxFile({MbxRecord(1, MessageText("a", {"x"}))}, 1) +
                           std::string("\0\x7f\0\x7f\x02\0\0\0", 8)},
    };
}

Seeds RegistrySeeds() {
    TempDir dir;
    RegistryFile registry(dir / "q.reg");
    EXPECT_TRUE(
        ReplaceMailboxEntries(registry, {{"Netscape", "/home/u/.netscape/mail", kTypeNavigator},
                                         {"Imn", "/home/u/imn", kTypeInternetMail},
                                         {"Profile", "/home/u/p", kTypeCommunicator}}));
    EXPECT_TRUE(registry.Update([](RegistryData& data) {
        return data.SetDword(Hive::CurrentUser, std::string(kAppKey) + "\\Settings", "Width",
                             640) &&
               data.SetString(Hive::CurrentUser, std::string(kAppKey) + "\\Settings",
                              "Current Folder", "/home/u/imn/Inbox");
    }));
    return {{"mailboxes.reg", ReadFile(dir / "q.reg")}};
}

std::map<std::string, Seeds> AllSeeds() {
    return {{"netscape", NetscapeSeeds()},
            {"mime", MimeSeeds()},
            {"mbx", MbxSeeds()},
            {"registry", RegistrySeeds()}};
}

TEST(FuzzCorpus, SeedsAreWhatTheFixturesMake) {
    const auto corpus = std::filesystem::path(QUILLBOX_SOURCE_DIR) / "fuzz/corpus";
    const bool regenerate = std::getenv("QB_WRITE_CORPUS") != nullptr;
    if (!regenerate && !std::filesystem::is_directory(corpus))
        GTEST_SKIP() << "no source tree beside the test";
    for (const auto& [target, seeds] : AllSeeds()) {
        for (const auto& [name, bytes] : seeds) {
            SCOPED_TRACE(target + "/" + name);
            const auto path = corpus / target / ("fixture-" + name);
            if (regenerate) {
                std::filesystem::create_directories(path.parent_path());
                WriteFile(path.string(), bytes);
            }
            EXPECT_EQ(ReadFile(path.string()), bytes);
        }
    }
}

// Every parser's corpus holds something to start from.
TEST(FuzzCorpus, EveryTargetHasSeeds) {
    const auto root = std::filesystem::path(QUILLBOX_SOURCE_DIR) / "fuzz";
    if (!std::filesystem::is_directory(root / "corpus"))
        GTEST_SKIP() << "no source tree beside the test";
    int targets = 0;
    for (const auto& entry : std::filesystem::directory_iterator(root)) {
        const std::string file = entry.path().filename().string();
        if (file.rfind("fuzz_", 0) != 0 || entry.path().extension() != ".cpp")
            continue;
        ++targets;
        const std::string name = file.substr(5, file.size() - 9);
        const auto seeds = root / "corpus" / name;
        ASSERT_TRUE(std::filesystem::is_directory(seeds)) << name;
        EXPECT_FALSE(std::filesystem::is_empty(seeds)) << name;
    }
    EXPECT_GE(targets, 5);
}

} // namespace
} // namespace qb::test
