#include "platform/file_system.h"
#include "platform/registry_file.h"
#include "support/environment.h"
#include "support/fault_harness.h"
#include "support/process.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

namespace qb {
namespace {

using Names = std::vector<std::string>;
constexpr Hive kCU = Hive::CurrentUser;
constexpr Hive kLM = Hive::LocalMachine;

RegistryData Parsed(const std::string& text) {
    RegistryData data;
    std::string error;
    EXPECT_TRUE(data.Parse(text, &error)) << error;
    return data;
}

// ---- the text form ----------------------------------------------------------------------------

TEST(RegistryText, WritesTheRegedit4FormWithEscapesAndDwords) {
    RegistryData data;
    ASSERT_TRUE(data.SetString(kCU, "Software\\Velmora\\Quillbox\\Settings", "Current Folder",
                               "C:\\Mail\\\"Quoted\""));
    ASSERT_TRUE(data.SetDword(kCU, "Software\\Velmora\\Quillbox\\Settings", "Tree Width", 30));
    ASSERT_TRUE(data.SetString(kLM, "SOFTWARE\\X", "", "default"));
    EXPECT_EQ(data.Serialize(), "REGEDIT4\n\n"
                                "[HKEY_CURRENT_USER\\Software]\n\n"
                                "[HKEY_CURRENT_USER\\Software\\Velmora]\n\n"
                                "[HKEY_CURRENT_USER\\Software\\Velmora\\Quillbox]\n\n"
                                "[HKEY_CURRENT_USER\\Software\\Velmora\\Quillbox\\Settings]\n"
                                "\"Current Folder\"=\"C:\\\\Mail\\\\\\\"Quoted\\\"\"\n"
                                "\"Tree Width\"=dword:0000001e\n\n"
                                "[HKEY_LOCAL_MACHINE\\SOFTWARE]\n\n"
                                "[HKEY_LOCAL_MACHINE\\SOFTWARE\\X]\n"
                                "@=\"default\"\n\n");

    // Whatever a value holds comes back byte for byte.
    const std::string odd = "tab\there \"q\" \\\\share\\ 8-bit \xE9\xFF ] [";
    ASSERT_TRUE(data.SetString(kCU, "A\\B ]x", "na\"me\\", odd));
    ASSERT_TRUE(data.SetDword(kCU, "A", "n", 0xFFFFFFFFu));
    const RegistryData back = Parsed(data.Serialize());
    EXPECT_EQ(back.GetString(kCU, "A\\B ]x", "na\"me\\"), odd);
    EXPECT_EQ(back.GetDword(kCU, "A", "n"), 0xFFFFFFFFu);
    EXPECT_EQ(back.GetString(kLM, "SOFTWARE\\X", ""), "default");
    EXPECT_EQ(back.Serialize(), data.Serialize());
}

TEST(RegistryText, AcceptsWhatHandWrittenAndExportedFilesContain) {
    const RegistryData data = Parsed("\xEF\xBB\xBF"
                                     "REGEDIT4\r\n"
                                     "\r\n"
                                     "; a comment\r\n"
                                     "[hkey_current_user\\Software\\One]\r\n"
                                     "  \"Text\" = \"x\"  \r\n"
                                     "\"Num\"=DWORD:1F\r\n"
                                     "@=\"def\"\r\n"
                                     "[HKEY_CURRENT_USER\\SOFTWARE\\ONE]\r\n"
                                     "\"text\"=\"later wins\"");
    EXPECT_EQ(data.GetString(kCU, "Software\\One", "TEXT"), "later wins");
    EXPECT_EQ(data.GetDword(kCU, "software\\one", "num"), 0x1Fu);
    EXPECT_EQ(data.GetString(kCU, "Software\\One", ""), "def");
    EXPECT_EQ(data.EnumSubKeys(kCU, "Software"), Names{"One"});
    // Both blocks named one key: it keeps the first spelling.
    EXPECT_NE(data.Serialize().find("[HKEY_CURRENT_USER\\Software\\One]"), std::string::npos);
    // No content at all is an empty registry.
    EXPECT_EQ(Parsed("").EnumSubKeys(kCU, ""), Names{});
    EXPECT_EQ(Parsed(" \n\r\n").EnumSubKeys(kLM, ""), Names{});
}

TEST(RegistryText, DamageIsReportedWithItsLine) {
    const std::pair<const char*, const char*> cases[] = {
        {"Windows Registry Editor Version 5.00\n", "line 1"},
        {"REGEDIT4\n\"a\"=\"b\"\n", "line 2"},
        {"REGEDIT4\n[HKEY_CLASSES_ROOT\\x]\n", "line 2"},
        {"REGEDIT4\n[HKEY_CURRENT_USER\\a\\\\b]\n", "line 2"},
        {"REGEDIT4\n[HKEY_CURRENT_USER\\a\n", "line 2"},
        {"REGEDIT4\n[-HKEY_CURRENT_USER\\a]\n", "line 2"},
        {"REGEDIT4\n[HKEY_CURRENT_USER\\a]\n\"x\"=\"unterminated\n", "line 3"},
        {"REGEDIT4\n[HKEY_CURRENT_USER\\a]\n\"x\"=\"bad \\n escape\"\n", "line 3"},
        {"REGEDIT4\n[HKEY_CURRENT_USER\\a]\n\"x\"=\"v\" trailing\n", "line 3"},
        {"REGEDIT4\n[HKEY_CURRENT_USER\\a]\n\"x\"=dword:123456789\n", "line 3"},
        {"REGEDIT4\n[HKEY_CURRENT_USER\\a]\n\"x\"=hex:01,02\n", "line 3"},
        {"REGEDIT4\n[HKEY_CURRENT_USER\\a]\nx=\"v\"\n", "line 3"},
    };
    for (const auto& [text, where] : cases) {
        SCOPED_TRACE(text);
        RegistryData data;
        ASSERT_TRUE(data.SetString(kCU, "Left", "over", "x"));
        std::string error;
        EXPECT_FALSE(data.Parse(text, &error));
        EXPECT_NE(error.find(where), std::string::npos) << error;
        EXPECT_FALSE(data.KeyExists(kCU, "Left")) << "a failed parse leaves nothing behind";
    }
    // A NUL byte has no place in the text form.
    static const char kWithNul[] = "REGEDIT4\n[HKEY_CURRENT_USER\\a]\n\"x\"=\"a\0b\"\n";
    const std::string withNul(kWithNul, sizeof kWithNul - 1);
    RegistryData data;
    std::string error;
    EXPECT_FALSE(data.Parse(withNul, &error));
    EXPECT_NE(error.find("line 3"), std::string::npos) << error;
}

// ---- names, keys, enumeration ---------------------------------------------------------------

TEST(RegistryKeys, NamesCompareWithoutRegardToCaseAndKeepTheirFirstSpelling) {
    RegistryData data;
    ASSERT_TRUE(data.SetString(kCU, "Software\\Velmora\\Quillbox\\Managed Mails\\Inbox",
                               "Store Root", "/a"));
    ASSERT_TRUE(data.SetString(kCU, "SOFTWARE\\velmora\\QUILLBOX\\managed mails\\INBOX",
                               "store root", "/b"));
    EXPECT_EQ(
        data.GetString(kCU, "software\\VELMORA\\quillbox\\Managed Mails\\inbox", "STORE ROOT"),
        "/b");
    EXPECT_EQ(data.EnumSubKeys(kCU, "Software\\Velmora\\Quillbox\\Managed Mails"), Names{"Inbox"});
    auto values = data.GetValues(kCU, "software\\velmora\\quillbox\\managed mails\\inbox");
    ASSERT_TRUE(values);
    ASSERT_EQ(values->size(), 1u);
    EXPECT_EQ(values->front().name, "Store Root");
    // A text is no number and a number no text.
    ASSERT_TRUE(data.SetDword(kCU, "K", "v", 7));
    EXPECT_FALSE(data.GetString(kCU, "K", "v"));
    ASSERT_TRUE(data.SetString(kCU, "K", "V", "7"));
    EXPECT_FALSE(data.GetDword(kCU, "K", "v"));
    // The hives are separate.
    EXPECT_FALSE(data.KeyExists(kLM, "Software"));
    EXPECT_FALSE(
        data.GetString(kLM, "Software\\Velmora\\Quillbox\\Managed Mails\\Inbox", "Store Root"));
}

TEST(RegistryKeys, SubKeysEnumerateAlphabeticallyWithoutRegardToCase) {
    RegistryData data;
    for (const char* name : {"beta", "Alpha", "charlie", "alpha2", "Alpha Two", "b_x", "BA"})
        ASSERT_TRUE(data.CreateKey(kCU, std::string("Root\\") + name));
    ASSERT_TRUE(data.CreateKey(kCU, "Root\\Alpha\\Deep\\Deeper"));
    ASSERT_TRUE(data.CreateKey(kCU, "Rootless"));
    // Letters compare as capitals, so '_' sorts after every letter.
    EXPECT_EQ(data.EnumSubKeys(kCU, "root"),
              (Names{"Alpha", "Alpha Two", "alpha2", "BA", "beta", "b_x", "charlie"}));
    EXPECT_EQ(data.EnumSubKeys(kCU, "Root\\ALPHA"), Names{"Deep"});
    EXPECT_EQ(data.EnumSubKeys(kCU, "Root\\beta"), Names{});
    EXPECT_FALSE(data.EnumSubKeys(kCU, "Root\\gamma"));
    EXPECT_EQ(data.EnumSubKeys(kCU, ""), (Names{"Root", "Rootless"}));
    // A deep key brings its parents into being.
    EXPECT_TRUE(data.KeyExists(kCU, "root\\alpha\\deep"));
}

TEST(RegistryKeys, DeleteRemovesTheSubtreeOnly) {
    RegistryData data;
    for (const char* key : {"A", "A\\x", "A\\x\\y", "A B", "AB", "A0\\z", "B"})
        ASSERT_TRUE(data.SetString(kCU, key, "v", key));
    EXPECT_TRUE(data.DeleteKey(kCU, "a"));
    EXPECT_FALSE(data.KeyExists(kCU, "A"));
    EXPECT_FALSE(data.KeyExists(kCU, "A\\x\\y"));
    for (const char* key : {"A B", "AB", "A0\\z", "B"})
        EXPECT_EQ(data.GetString(kCU, key, "v"), key);
    EXPECT_FALSE(data.DeleteKey(kCU, "A"));
    EXPECT_FALSE(data.DeleteKey(kCU, ""));
    EXPECT_TRUE(data.DeleteValue(kCU, "AB", "V"));
    EXPECT_FALSE(data.GetString(kCU, "AB", "v"));
}

TEST(RegistryKeys, RefusesWhatTheFileCannotCarry) {
    RegistryData data;
    EXPECT_FALSE(data.SetString(kCU, "A\\\\B", "v", "x"));
    EXPECT_FALSE(data.SetString(kCU, "A\\", "v", "x"));
    EXPECT_FALSE(data.SetString(kCU, "A\nB", "v", "x"));
    EXPECT_FALSE(data.SetString(kCU, "A", "v\r", "x"));
    EXPECT_FALSE(data.SetString(kCU, "A", "v", "two\nlines"));
    EXPECT_FALSE(data.SetString(kCU, "A", "v", std::string("nul\0", 4)));
    EXPECT_FALSE(data.SetDword(kCU, std::string(256, 'k'), "v", 1));
    EXPECT_TRUE(data.SetDword(kCU, std::string(255, 'k'), "v", 1));
    EXPECT_EQ(data.EnumSubKeys(kCU, ""), Names{std::string(255, 'k')});
}

// ---- the file ------------------------------------------------------------------------------

class RegistryFileTest : public ::testing::Test {
  protected:
    void TearDown() override { fs::ClearFaultPlan(); }
    test::TempDir dir;
    std::string path = dir / "cfg/Velmora/Quillbox.reg";
};

TEST_F(RegistryFileTest, MissingFileReadsEmptyAndTheFirstWriteCreatesIt) {
    RegistryFile reg(path);
    RegistryData data;
    EXPECT_TRUE(reg.Load(data));
    EXPECT_EQ(reg.EnumSubKeys(kCU, ""), Names{});
    EXPECT_FALSE(reg.GetString(kCU, "Software", "x"));
    EXPECT_FALSE(fs::Exists(path));

    ASSERT_TRUE(reg.SetString(kCU, "Software\\Velmora\\Quillbox", "x", "1")) << reg.Error();
    EXPECT_EQ(reg.GetString(kCU, "software\\velmora\\quillbox", "X"), "1");
    EXPECT_EQ(test::ReadFile(path).substr(0, 10), "REGEDIT4\n\n");
    RegistryFile again(path);
    EXPECT_EQ(again.GetString(kCU, "Software\\Velmora\\Quillbox", "x"), "1");
}

TEST_F(RegistryFileTest, DamagedOrUnreadableFileIsReportedAndNeverReplaced) {
    ASSERT_TRUE(RegistryFile(path).SetString(kCU, "K", "v", "x"));
    const std::string damaged = "REGEDIT4\n[HKEY_CURRENT_USER\\K]\n\"v\"=\"x\"\ngarbage\n";
    test::WriteFile(path, damaged);
    RegistryFile reg(path);
    RegistryData data;
    EXPECT_FALSE(reg.Load(data));
    EXPECT_NE(reg.Error().find("damaged"), std::string::npos) << reg.Error();
    EXPECT_NE(reg.Error().find("line 4"), std::string::npos) << reg.Error();
    EXPECT_FALSE(reg.SetString(kCU, "K", "w", "y"));
    EXPECT_FALSE(reg.DeleteKey(kCU, "K"));
    EXPECT_FALSE(reg.GetString(kCU, "K", "v"));
    EXPECT_FALSE(reg.EnumSubKeys(kCU, ""));
    EXPECT_EQ(test::ReadFile(path), damaged);

    // Something that cannot be read at all is no empty registry either.
    fs::RemoveFile(path);
    ASSERT_TRUE(fs::CreateDirectory(path));
    EXPECT_FALSE(reg.Load(data));
    EXPECT_FALSE(reg.SetString(kCU, "K", "v", "x"));
    EXPECT_TRUE(fs::IsDirectory(path));
}

TEST_F(RegistryFileTest, DefaultPathFollowsTheEnvironment) {
    test::ScopedEnv env;
    env.Set("HOME", "/home/someone");
    env.Unset("XDG_CONFIG_HOME");
    env.Unset("QUILLBOX_REGISTRY");
    EXPECT_EQ(RegistryFile::DefaultPath(), "/home/someone/.config/Velmora/Quillbox.reg");
    env.Set("XDG_CONFIG_HOME", "relative/ignored");
    EXPECT_EQ(RegistryFile::DefaultPath(), "/home/someone/.config/Velmora/Quillbox.reg");
    env.Set("XDG_CONFIG_HOME", "/xdg/");
    EXPECT_EQ(RegistryFile::DefaultPath(), "/xdg/Velmora/Quillbox.reg");
    env.Set("QUILLBOX_REGISTRY", "/elsewhere/my.reg");
    EXPECT_EQ(RegistryFile::DefaultPath(), "/elsewhere/my.reg");
}

TEST_F(RegistryFileTest, AWriterGivesUpWithoutWritingWhileAnotherHoldsTheLock) {
    if (test::Role() == "writer") {
        RegistryFile other(path);
        other.SetLockTimeout(50);
        std::_Exit(other.SetString(kCU, "K", "v", "y") ? 1 : 0);
    }
    RegistryFile(path).SetString(kCU, "K", "v", "x");
    const std::string before = test::ReadFile(path);
    fs::FileLock held;
    ASSERT_TRUE(held.Acquire(path + ".lock", 0));
    EXPECT_EQ(test::RunRole("writer"), 0);
    EXPECT_EQ(test::ReadFile(path), before);
    held.Release();
    EXPECT_TRUE(RegistryFile(path).SetString(kCU, "K", "v", "y"));
}

TEST_F(RegistryFileTest, ConcurrentWritersLoseNoUpdate) {
    constexpr int kProcesses = 3;
    constexpr int kIncrements = 25;
    if (test::Role() == "writer") {
        const int p = std::stoi(test::RoleArgs().at(0));
        RegistryFile reg(path);
        for (int i = 0; i < kIncrements; ++i) {
            const bool ok = reg.Update([p, i](RegistryData& d) {
                const std::uint32_t n = d.GetDword(kCU, "Counter", "n").value_or(0);
                return d.SetDword(kCU, "Counter", "n", n + 1) &&
                       d.SetDword(kCU, "Counter\\" + std::to_string(p), std::to_string(i), 1);
            });
            if (!ok)
                std::_Exit(1);
        }
        std::_Exit(0);
    }
    RegistryFile(path).SetDword(kCU, "Counter", "n", 0);
    std::vector<test::Process> children;
    for (int p = 0; p < kProcesses; ++p)
        children.push_back(test::StartRole("writer", {std::to_string(p)}));
    for (test::Process& child : children)
        EXPECT_EQ(child.Wait(std::chrono::minutes(3)), 0);
    RegistryFile reg(path);
    EXPECT_EQ(reg.GetDword(kCU, "Counter", "n"), std::uint32_t{kProcesses * kIncrements});
    EXPECT_EQ(reg.EnumSubKeys(kCU, "Counter"), (Names{"0", "1", "2"}));
}

// Every failure and every crash during a write leaves the old file or the new one, whole.
TEST_F(RegistryFileTest, AWriteIsAllOrNothingUnderEveryFault) {
    RegistryData oldData;
    ASSERT_TRUE(oldData.SetString(kCU, "K", "v", "old"));
    const std::string oldText = oldData.Serialize();
    for (const bool existed : {true, false}) {
        SCOPED_TRACE(existed ? "replacing a file" : "creating the file");
        RegistryData newData = existed ? oldData : RegistryData();
        ASSERT_TRUE(newData.SetString(kCU, "K", "w", "new"));
        const std::string newText = newData.Serialize();
        const auto setup = [&] {
            fs::ClearFaultPlan();
            fs::RemoveFile(path);
            fs::RemoveFile(path + ".lock");
            if (existed) {
                ASSERT_TRUE(RegistryFile(path).SetString(kCU, "K", "v", "old"));
            }
        };
        const auto operation = [&] { return RegistryFile(path).SetString(kCU, "K", "w", "new"); };
        const auto check = [&](const test::FaultCase& c) {
            const bool exists = fs::Exists(path);
            const std::string text = exists ? test::ReadFile(path) : std::string();
            if (c.reportedSuccess) {
                EXPECT_EQ(text, newText);
            }
            if (existed) {
                EXPECT_TRUE(text == oldText || text == newText) << text;
            } else {
                EXPECT_TRUE(!exists || text == newText) << text;
            }
        };
        const std::int64_t ops = test::EnumerateFaults(setup, operation, check);
        EXPECT_GT(ops, 4);
        test::EnumerateCrashes(setup, operation, check);
    }
}

} // namespace
} // namespace qb
