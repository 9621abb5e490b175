// Runs the built quillbox-cli in a temporary directory of its own and captures what it prints.
// The child gets an environment that points every per-user location into that directory, so no
// test ever reads or writes the user's own registry.
#pragma once

#include "support/bytes.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <initializer_list>
#include <poll.h>
#include <pty.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#ifndef QUILLBOX_CLI
#error "QUILLBOX_CLI must name the quillbox-cli binary"
#endif

namespace qb::test {

struct CliResult {
    int status = -1; // exit status; -1 when the process did not exit normally
    std::string out;
    std::string err;
};

inline std::ostream& operator<<(std::ostream& os, const CliResult& r) {
    return os << "status " << r.status << "\n--- stdout ---\n"
              << r.out << "\n--- stderr ---\n"
              << r.err;
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
            "PATH=/usr/bin:/bin",
            "LC_ALL=C",
        };
        if (withRegistry)
            env.push_back("QUILLBOX_REGISTRY=" + RegistryPath());
        return env;
    }

    CliResult Run(const std::vector<std::string>& args) { return RunWith(Environment(), args); }

    // Runs the binary with the given arguments and environment, standard input from /dev/null.
    CliResult RunWith(const std::vector<std::string>& env, const std::vector<std::string>& args) {
        return Spawn(env, args, false);
    }

    // Runs with standard error on a pseudo-terminal (standard output discarded); what appeared
    // on the terminal comes back in `err`.
    CliResult RunOnTerminal(const std::vector<std::string>& args) {
        return Spawn(Environment(), args, true);
    }

    // Runs with standard output going to the given file (for example /dev/full).
    CliResult RunWithOutputTo(const std::string& file, const std::vector<std::string>& args) {
        return Spawn(Environment(), args, false, file);
    }

    // Runs on a terminal (standard output to `outputFile`) whose output is held (Ctrl+S) from
    // the start, so the first progress line blocks the command; once it has taken over the
    // interrupt, the command gets one (Ctrl+C) and the terminal is released.
    CliResult RunInterrupted(const std::string& outputFile, const std::vector<std::string>& args) {
        return Spawn(Environment(), args, true, outputFile, true);
    }

  private:
    CliResult Spawn(std::vector<std::string> env, const std::vector<std::string>& args,
                    bool terminal, const std::string& outputFile = "", bool interrupt = false) {
        CliResult result;
        // [0]: standard output, [1]: standard error; read end first.
        int fds[2][2] = {{-1, -1}, {-1, -1}};
        const bool opened = terminal
                                ? openpty(&fds[1][0], &fds[1][1], nullptr, nullptr, nullptr) == 0
                                : (!outputFile.empty() || pipe(fds[0]) == 0) && pipe(fds[1]) == 0;
        if (!opened) {
            ADD_FAILURE() << "cannot make the child's output channels: " << std::strerror(errno);
            return result;
        }
        if (interrupt && write(fds[1][0], "\x13", 1) != 1)
            ADD_FAILURE() << "cannot hold the terminal";
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        if (terminal || !outputFile.empty())
            posix_spawn_file_actions_addopen(
                &actions, 1, outputFile.empty() ? "/dev/null" : outputFile.c_str(), O_WRONLY, 0);
        for (int i = 0; i < 2; ++i) {
            if (fds[i][0] < 0)
                continue;
            posix_spawn_file_actions_adddup2(&actions, fds[i][1], i + 1);
            posix_spawn_file_actions_addclose(&actions, fds[i][0]);
        }
        posix_spawn_file_actions_addchdir_np(&actions, dir.path().c_str());

        std::vector<std::string> argv = {QUILLBOX_CLI};
        argv.insert(argv.end(), args.begin(), args.end());
        std::vector<char*> argp;
        for (auto& a : argv)
            argp.push_back(a.data());
        argp.push_back(nullptr);
        std::vector<char*> envp;
        for (auto& e : env)
            envp.push_back(e.data());
        envp.push_back(nullptr);

        pid_t pid = -1;
        const int rc = posix_spawn(&pid, QUILLBOX_CLI, &actions, nullptr, argp.data(), envp.data());
        posix_spawn_file_actions_destroy(&actions);
        for (auto& fd : fds) {
            if (fd[1] >= 0)
                close(fd[1]);
        }
        if (rc != 0) {
            ADD_FAILURE() << "cannot start " << QUILLBOX_CLI << ": " << std::strerror(rc);
            for (auto& fd : fds) {
                if (fd[0] >= 0)
                    close(fd[0]);
            }
            return result;
        }
        if (interrupt)
            Interrupt(pid, fds[1][0]);
        pollfd polls[2] = {{fds[0][0], POLLIN, 0}, {fds[1][0], POLLIN, 0}};
        std::string* sinks[2] = {&result.out, &result.err};
        int open = fds[0][0] >= 0 ? 2 : 1;
        while (open > 0) {
            if (poll(polls, 2, -1) < 0) {
                if (errno == EINTR)
                    continue;
                break;
            }
            for (int i = 0; i < 2; ++i) {
                if (polls[i].fd < 0 || polls[i].revents == 0)
                    continue;
                char buffer[65536];
                const ssize_t n = read(polls[i].fd, buffer, sizeof buffer);
                if (n > 0) {
                    sinks[i]->append(buffer, static_cast<std::size_t>(n));
                } else if (n == 0 || errno != EINTR) {
                    // End of a pipe; a terminal reports EIO once the child has closed it.
                    close(polls[i].fd);
                    polls[i].fd = -1;
                    --open;
                }
            }
        }
        int wstatus = 0;
        waitpid(pid, &wstatus, 0);
        result.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : -1;
        return result;
    }

    // Waits (up to a minute) until the child catches SIGINT, then interrupts it and releases its
    // held terminal.
    static void Interrupt(pid_t pid, int terminal) {
        const std::string status = "/proc/" + std::to_string(pid) + "/status";
        for (int tries = 0; tries < 6000; ++tries) {
            const std::string text = ReadFile(status);
            const std::size_t at = text.find("SigCgt:\t");
            if (at != std::string::npos &&
                (std::stoull(text.substr(at + 8, 16), nullptr, 16) & (1ull << (SIGINT - 1)))) {
                kill(pid, SIGINT);
                break;
            }
            if (text.empty() || text.find("State:\tZ") != std::string::npos)
                break; // gone before it caught the interrupt: the test sees it finish
            usleep(10000);
        }
        if (write(terminal, "\x11", 1) != 1)
            ADD_FAILURE() << "cannot release the terminal";
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
