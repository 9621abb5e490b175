// Runs the built quillbox-cli in a temporary directory of its own and captures what it prints.
// The child gets an environment that points every per-user location into that directory, so no
// test ever reads or writes the user's own registry.
#pragma once

#include "support/bytes.h"
#include "support/run_program.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <initializer_list>
#include <string>
#include <vector>

#ifndef QUILLBOX_CLI
#error "QUILLBOX_CLI must name the quillbox-cli binary"
#endif

namespace qb::test {

using CliResult = ProgramRun;

// The program under test; a relative path is relative to the directory of this test program.
inline std::string CliProgram() {
    const std::filesystem::path cli(QUILLBOX_CLI);
    if (cli.is_absolute())
        return cli.string();
    return (std::filesystem::path(SelfPath()).parent_path() / cli).lexically_normal().string();
}

class CliTest : public ::testing::Test {
  protected:
    TempDir dir;

    // The registry file every run uses unless a test passes --registry itself.
    std::string RegistryPath() const { return dir / "registry.reg"; }

    // Environment variables for the child; tests may change them before Run.
    std::vector<std::string> Environment(bool withRegistry = true) const {
        std::vector<std::string> env = {
            "HOME=" + dir.path(),
            "XDG_CONFIG_HOME=" + (dir / "config"),
            "LC_ALL=C",
#ifdef _WIN32
            // The home directory and the per-user settings there.
            "USERPROFILE=" + dir.path(),
            "APPDATA=" + (dir / "config"),
#else
            "PATH=/usr/bin:/bin",
#endif
        };
        if (withRegistry)
            env.push_back("QUILLBOX_REGISTRY=" + RegistryPath());
        return env;
    }

    CliResult Run(const std::vector<std::string>& args) {
        return RunWith(Environment(), args);
    }

    // Runs the binary with the given arguments and environment, standard input empty.
    CliResult RunWith(const std::vector<std::string>& env, const std::vector<std::string>& args) {
        return RunProgram(CliProgram(), args, Options(env));
    }

    // Runs with standard error on a pseudo-terminal (standard output discarded); what appeared
    // on the terminal comes back in `err`.
    CliResult RunOnTerminal(const std::vector<std::string>& args) {
        RunOptions options = Options(Environment());
        options.terminal = true;
        return RunProgram(CliProgram(), args, options);
    }

    // Runs with standard output refusing every write.
    CliResult RunWithRefusedOutput(const std::vector<std::string>& args) {
        RunOptions options = Options(Environment());
        options.refusedOutput = true;
        return RunProgram(CliProgram(), args, options);
    }

    // Runs on a terminal (standard output to `outputFile`) whose output is held from the start,
    // so the first progress line blocks the command; once it has taken over the interrupt, the
    // command gets one (Ctrl+C) and the terminal is released.
    CliResult RunInterrupted(const std::string& outputFile, const std::vector<std::string>& args) {
        RunOptions options = Options(Environment());
        options.outputFile = outputFile;
        options.interrupt = true;
        return RunProgram(CliProgram(), args, options);
    }

  private:
    RunOptions Options(const std::vector<std::string>& env) const {
        RunOptions options;
        options.env = env;
        options.directory = dir.path();
        return options;
    }

  protected:
    // ---- fixtures -----------------------------------------------------------------------------

    // One Netscape-format message as stored (NsMessageText), from LF-separated header lines and
    // LF-ended body lines.
    static std::string NetscapeMessage(const std::string& header, const std::string& body,
                                       const std::string& status = "0001") {
        return NsMessageText(Lines(header), Lines(body), status);
    }
    static std::vector<std::string> Lines(const std::string& text) {
        std::vector<std::string> lines;
        std::size_t at = 0;
        while (at < text.size()) {
            const std::size_t end = std::min(text.find('\n', at), text.size());
            lines.push_back(text.substr(at, end - at));
            at = end + 1;
        }
        return lines;
    }

    // Writes a message file for `add` and returns its path.
    std::string MessageFile(const std::string& name, const std::string& bytes) {
        const std::string path = dir / name;
        WriteFile(path, bytes);
        return path;
    }

    std::string MakeDir(const std::string& name) {
        const std::string path = dir / name;
        std::filesystem::create_directories(path);
        return path;
    }
};

// Expects a failure with exactly this one-line text on standard error and nothing on standard
// output.
#define EXPECT_CLI_FAILS(result, text)                                                             \
    do {                                                                                           \
        const ::qb::test::CliResult& r_ = (result);                                                \
        EXPECT_EQ(r_.status, 1) << r_;                                                             \
        EXPECT_EQ(r_.err, std::string(text) + "\n") << r_;                                         \
        EXPECT_EQ(r_.out, "") << r_;                                                               \
    } while (0)

#define EXPECT_CLI_OK(result)                                                                      \
    do {                                                                                           \
        const ::qb::test::CliResult& r_ = (result);                                                \
        EXPECT_EQ(r_.status, 0) << r_;                                                             \
        EXPECT_EQ(r_.err, "") << r_;                                                               \
    } while (0)

} // namespace qb::test
