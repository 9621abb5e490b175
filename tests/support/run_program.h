// Runs a program to its end and captures what it printed, the same way on every system: the
// command-line tests run the built quillbox-cli through it.
#pragma once

#include "support/process.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#ifdef _WIN32
#include <cstring>
#include <thread>
#else
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace qb::test {

struct ProgramRun {
    int status = -1; // exit status; -1 when the process did not exit normally
    std::string out;
    std::string err;
};

inline std::ostream& operator<<(std::ostream& os, const ProgramRun& r) {
    return os << "status " << r.status << "\n--- stdout ---\n"
              << r.out << "\n--- stderr ---\n"
              << r.err;
}

struct RunOptions {
    // The whole environment of the program ("NAME=value"). On Windows the variables the system
    // needs to start a program (SystemRoot and the like) are added from this process's.
    std::vector<std::string> env;
    std::string directory; // where it runs
    // Standard output goes to this existing file instead of being captured.
    std::string outputFile;
    // Every write to standard output fails (/dev/full; a pipe nobody reads on Windows).
    bool refusedOutput = false;
    // Standard error on a pseudo-terminal, standard output discarded (POSIX only).
    bool terminal = false;
    // The terminal's output is held (Ctrl+S) from the start, so that the first progress line
    // blocks the program; once it has taken over the interrupt, it gets one (Ctrl+C) and the
    // terminal is released (POSIX only).
    bool interrupt = false;
};

#ifdef _WIN32

inline ProgramRun RunProgram(const std::string& program, const std::vector<std::string>& args,
                             const RunOptions& options) {
    ProgramRun result;
    if (options.terminal || options.interrupt) {
        ADD_FAILURE() << "Windows has no pseudo-terminal to run " << program << " on";
        return result;
    }
    std::wstring block;
    for (const std::string& entry : options.env)
        block += detail::Wide(entry) + L'\0';
    for (const std::string name :
         {"SystemRoot", "SystemDrive", "windir", "ComSpec", "PATH", "PATHEXT", "TEMP", "TMP"}) {
        // Names of variables are the same whatever their letter case there.
        bool given = false;
        for (const std::string& entry : options.env)
            given = given || ::_strnicmp(entry.c_str(), (name + "=").c_str(), name.size() + 1) == 0;
        if (const auto value = GetEnv(name); value && !given)
            block += detail::Wide(std::string(name) + "=" + *value) + L'\0';
    }
    block += L'\0';

    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE pipes[2][2] = {{nullptr, nullptr}, {nullptr, nullptr}}; // [stdout, stderr][read, write]
    auto close = [](HANDLE& handle) {
        if (handle != nullptr && handle != INVALID_HANDLE_VALUE)
            ::CloseHandle(handle);
        handle = nullptr;
    };
    HANDLE input = ::CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                                 OPEN_EXISTING, 0, nullptr);
    HANDLE output = nullptr;
    bool opened =
        input != INVALID_HANDLE_VALUE && ::CreatePipe(&pipes[1][0], &pipes[1][1], &inherit, 0);
    if (opened && !options.outputFile.empty()) {
        output =
            ::CreateFileW(detail::Wide(options.outputFile).c_str(), GENERIC_WRITE,
                          FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0, nullptr);
        opened = output != INVALID_HANDLE_VALUE;
    } else if (opened) {
        opened = ::CreatePipe(&pipes[0][0], &pipes[0][1], &inherit, 0);
        output = pipes[0][1];
        // Nobody reads a pipe whose reading end is closed: every write to it fails.
        if (options.refusedOutput)
            close(pipes[0][0]);
    }
    if (!opened) {
        ADD_FAILURE() << "cannot make the channels of " << program << ": " << ::GetLastError();
        close(input);
        for (auto& pipe : pipes)
            close(pipe[0]), close(pipe[1]);
        return result;
    }
    for (auto& pipe : pipes) {
        if (pipe[0] != nullptr)
            ::SetHandleInformation(pipe[0], HANDLE_FLAG_INHERIT, 0);
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = input;
    startup.hStdOutput = output;
    startup.hStdError = pipes[1][1];
    std::wstring line = detail::CommandLine(program, args);
    const std::wstring directory = detail::Wide(options.directory);
    PROCESS_INFORMATION info{};
    const BOOL made = ::CreateProcessW(
        nullptr, line.data(), nullptr, nullptr, TRUE, CREATE_UNICODE_ENVIRONMENT | CREATE_NO_WINDOW,
        block.data(), directory.empty() ? nullptr : directory.c_str(), &startup, &info);
    const DWORD error = ::GetLastError();
    close(input);
    if (output != pipes[0][1])
        close(output);
    close(pipes[0][1]);
    close(pipes[1][1]);
    if (!made) {
        ADD_FAILURE() << "cannot start " << program << ": " << error;
        close(pipes[0][0]);
        close(pipes[1][0]);
        return result;
    }
    ::CloseHandle(info.hThread);
    auto drain = [](HANDLE from, std::string& to) {
        char buffer[65536];
        DWORD n = 0;
        while (from != nullptr && ::ReadFile(from, buffer, sizeof buffer, &n, nullptr) && n > 0)
            to.append(buffer, n);
    };
    std::thread errors(drain, pipes[1][0], std::ref(result.err));
    drain(pipes[0][0], result.out);
    errors.join();
    close(pipes[0][0]);
    close(pipes[1][0]);
    ::WaitForSingleObject(info.hProcess, INFINITE);
    DWORD code = 0;
    if (::GetExitCodeProcess(info.hProcess, &code))
        result.status = static_cast<int>(code);
    ::CloseHandle(info.hProcess);
    return result;
}

#else

namespace detail {

// Waits (up to a minute) until the child catches SIGINT, then interrupts it and releases its
// held terminal.
inline void InterruptWhenCaught(pid_t pid, int terminal) {
    const std::string status = "/proc/" + std::to_string(pid) + "/status";
    for (int tries = 0; tries < 6000; ++tries) {
        const std::string text = ReadFile(status);
        const std::size_t at = text.find("SigCgt:\t");
        if (at != std::string::npos &&
            (std::stoull(text.substr(at + 8, 16), nullptr, 16) & (1ull << (SIGINT - 1)))) {
            ::kill(pid, SIGINT);
            break;
        }
        if (text.empty() || text.find("State:\tZ") != std::string::npos)
            break; // gone before it caught the interrupt: the test sees it finish
        ::usleep(10000);
    }
    if (::write(terminal, "\x11", 1) != 1)
        ADD_FAILURE() << "cannot release the terminal";
}

} // namespace detail

inline ProgramRun RunProgram(const std::string& program, const std::vector<std::string>& args,
                             const RunOptions& options) {
    ProgramRun result;
    const bool terminal = options.terminal || options.interrupt;
    const std::string outputFile = options.refusedOutput ? "/dev/full" : options.outputFile;
    // [0]: standard output, [1]: standard error; read end first.
    int fds[2][2] = {{-1, -1}, {-1, -1}};
    const bool opened = terminal
                            ? ::openpty(&fds[1][0], &fds[1][1], nullptr, nullptr, nullptr) == 0
                            : (!outputFile.empty() || ::pipe(fds[0]) == 0) && ::pipe(fds[1]) == 0;
    if (!opened) {
        ADD_FAILURE() << "cannot make the channels of " << program << ": " << std::strerror(errno);
        return result;
    }
    if (options.interrupt && ::write(fds[1][0], "\x13", 1) != 1)
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
    if (!options.directory.empty())
        posix_spawn_file_actions_addchdir_np(&actions, options.directory.c_str());

    std::vector<std::string> argv = {program};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char*> argp;
    for (auto& a : argv)
        argp.push_back(a.data());
    argp.push_back(nullptr);
    std::vector<std::string> env = options.env;
    std::vector<char*> envp;
    for (auto& e : env)
        envp.push_back(e.data());
    envp.push_back(nullptr);

    pid_t pid = -1;
    const int rc =
        ::posix_spawn(&pid, program.c_str(), &actions, nullptr, argp.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    for (auto& fd : fds) {
        if (fd[1] >= 0)
            ::close(fd[1]);
    }
    if (rc != 0) {
        ADD_FAILURE() << "cannot start " << program << ": " << std::strerror(rc);
        for (auto& fd : fds) {
            if (fd[0] >= 0)
                ::close(fd[0]);
        }
        return result;
    }
    if (options.interrupt)
        detail::InterruptWhenCaught(pid, fds[1][0]);
    pollfd polls[2] = {{fds[0][0], POLLIN, 0}, {fds[1][0], POLLIN, 0}};
    std::string* sinks[2] = {&result.out, &result.err};
    int open = fds[0][0] >= 0 ? 2 : 1;
    while (open > 0) {
        if (::poll(polls, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        for (int i = 0; i < 2; ++i) {
            if (polls[i].fd < 0 || polls[i].revents == 0)
                continue;
            char buffer[65536];
            const ssize_t n = ::read(polls[i].fd, buffer, sizeof buffer);
            if (n > 0) {
                sinks[i]->append(buffer, static_cast<std::size_t>(n));
            } else if (n == 0 || errno != EINTR) {
                // End of a pipe; a terminal reports EIO once the child has closed it.
                ::close(polls[i].fd);
                polls[i].fd = -1;
                --open;
            }
        }
    }
    int wstatus = 0;
    ::waitpid(pid, &wstatus, 0);
    result.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : -1;
    return result;
}

#endif

} // namespace qb::test
