// Runs the built quillbox-cli in a temporary directory of its own and captures what it prints.
// The child gets an environment that points every per-user location into that directory, so no
// test ever reads or writes the user's own registry.
#pragma once

#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <cerrno>
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

// A CR LF line-ended text from LF-ended source text.
inline std::string Crlf(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\n')
            out += '\r';
        out += c;
    }
    return out;
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

    // Runs with standard error on a pseudo-terminal; returns what appeared there (in `err`).
    CliResult RunOnTerminal(const std::vector<std::string>& args) {
        CliResult result;
        int master = -1;
        int slave = -1;
        if (openpty(&master, &slave, nullptr, nullptr, nullptr) != 0) {
            ADD_FAILURE() << "openpty: " << std::strerror(errno);
            return result;
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_adddup2(&actions, slave, 2);
        posix_spawn_file_actions_addclose(&actions, master);
        std::vector<std::string> argv = {QUILLBOX_CLI};
        argv.insert(argv.end(), args.begin(), args.end());
        std::vector<char*> argp;
        for (auto& a : argv)
            argp.push_back(a.data());
        argp.push_back(nullptr);
        std::vector<std::string> env = Environment();
        std::vector<char*> envp;
        for (auto& e : env)
            envp.push_back(e.data());
        envp.push_back(nullptr);
        pid_t pid = -1;
        const int rc = posix_spawn(&pid, QUILLBOX_CLI, &actions, nullptr, argp.data(), envp.data());
        posix_spawn_file_actions_destroy(&actions);
        close(slave);
        if (rc != 0) {
            ADD_FAILURE() << "cannot start " << QUILLBOX_CLI;
            close(master);
            return result;
        }
        char buffer[4096];
        ssize_t n;
        // The terminal reports EIO once the child has closed its side.
        while ((n = read(master, buffer, sizeof buffer)) > 0 || (n < 0 && errno == EINTR)) {
            if (n > 0)
                result.err.append(buffer, static_cast<std::size_t>(n));
        }
        close(master);
        int wstatus = 0;
        waitpid(pid, &wstatus, 0);
        result.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : -1;
        return result;
    }

    // Runs the binary with the given arguments and environment, stdin from /dev/null.
    CliResult RunWith(const std::vector<std::string>& env, const std::vector<std::string>& args) {
        CliResult result;
        int outPipe[2];
        int errPipe[2];
        if (pipe(outPipe) != 0 || pipe(errPipe) != 0) {
            ADD_FAILURE() << "pipe: " << std::strerror(errno);
            return result;
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_adddup2(&actions, outPipe[1], 1);
        posix_spawn_file_actions_adddup2(&actions, errPipe[1], 2);
        posix_spawn_file_actions_addclose(&actions, outPipe[0]);
        posix_spawn_file_actions_addclose(&actions, errPipe[0]);
        posix_spawn_file_actions_addchdir_np(&actions, dir.path().c_str());

        std::vector<std::string> argv = {QUILLBOX_CLI};
        argv.insert(argv.end(), args.begin(), args.end());
        std::vector<char*> argp;
        for (auto& a : argv)
            argp.push_back(a.data());
        argp.push_back(nullptr);
        std::vector<std::string> envCopy = env;
        std::vector<char*> envp;
        for (auto& e : envCopy)
            envp.push_back(e.data());
        envp.push_back(nullptr);

        pid_t pid = -1;
        const int rc = posix_spawn(&pid, QUILLBOX_CLI, &actions, nullptr, argp.data(), envp.data());
        posix_spawn_file_actions_destroy(&actions);
        close(outPipe[1]);
        close(errPipe[1]);
        if (rc != 0) {
            ADD_FAILURE() << "cannot start " << QUILLBOX_CLI << ": " << std::strerror(rc);
            close(outPipe[0]);
            close(errPipe[0]);
            return result;
        }
        pollfd fds[2] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}};
        std::string* sinks[2] = {&result.out, &result.err};
        int open = 2;
        while (open > 0) {
            if (poll(fds, 2, -1) < 0) {
                if (errno == EINTR)
                    continue;
                break;
            }
            for (int i = 0; i < 2; ++i) {
                if (fds[i].fd < 0 || fds[i].revents == 0)
                    continue;
                char buffer[65536];
                const ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
                if (n > 0) {
                    sinks[i]->append(buffer, static_cast<std::size_t>(n));
                } else {
                    close(fds[i].fd);
                    fds[i].fd = -1;
                    --open;
                }
            }
        }
        int wstatus = 0;
        waitpid(pid, &wstatus, 0);
        result.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : -1;
        return result;
    }

    // ---- fixtures -----------------------------------------------------------------------------

    // One Netscape-format message as stored: separator, status, the given header lines (LF in
    // `header` and `body` become CR LF), an empty line and the body.
    static std::string NetscapeMessage(std::string header, const std::string& body,
                                       const std::string& status = "0001") {
        while (!header.empty() && header.back() == '\n')
            header.pop_back();
        return Crlf("From - Mon Jan 01 00:00:00 2001\nX-Mozilla-Status: " + status + "\n" + header +
                    "\n\n" + body);
    }

    static std::string Mail(const std::string& subject, const std::string& from,
                            const std::string& to, const std::string& date,
                            const std::string& body) {
        return "Subject: " + subject + "\nFrom: " + from + "\nTo: " + to + "\nDate: " + date +
               "\n\n" + body;
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
