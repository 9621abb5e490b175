// Other processes for the tests. A test that needs a second process (a worker, another Quillbox
// process writing at the same time, an operation stopped dead at a crash point) starts the test
// program itself again for the same test, telling it through the environment which part to play
// (`Role`, `RoleArgs`); the temporary directories the test made are handed down, so that the
// child works in the same directories (support/temp_dir.h).
#pragma once

#include "support/environment.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#ifdef _WIN32
#include "platform/windows_api.h"
#else
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>
extern char** environ;
#endif

namespace qb::test {

namespace detail {

inline std::string CurrentTestName() {
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    return info != nullptr ? std::string(info->test_suite_name()) + "." + info->name() : "";
}

// Values of a list in one environment variable.
constexpr char kListSeparator = '\x1f';

inline std::string JoinList(const std::vector<std::string>& items) {
    std::string joined;
    for (std::size_t i = 0; i < items.size(); ++i)
        joined += (i > 0 ? std::string(1, kListSeparator) : std::string()) + items[i];
    return joined;
}

inline std::vector<std::string> SplitList(const std::optional<std::string>& text) {
    std::vector<std::string> items;
    if (!text)
        return items;
    std::size_t at = 0;
    for (;;) {
        const std::size_t end = text->find(kListSeparator, at);
        items.push_back(text->substr(at, end - at));
        if (end == std::string::npos)
            return items;
        at = end + 1;
    }
}

// Ties the temporary directories to the running test, and takes those handed down.
inline const bool kTestDirsHooked = [] {
    Dirs().currentTest = CurrentTestName;
    Dirs().handedDown = SplitList(GetEnv("QB_TEST_DIRS"));
    return true;
}();

#ifdef _WIN32
inline std::wstring Wide(const std::string& utf8) {
    const int n =
        ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(n), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), n);
    return wide;
}

// One argument of a command line as the C runtime splits it.
inline std::wstring QuoteArgument(const std::wstring& arg) {
    std::wstring quoted = L"\"";
    std::size_t backslashes = 0;
    for (wchar_t c : arg) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        quoted.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        quoted += c;
    }
    quoted.append(backslashes * 2, L'\\');
    return quoted + L"\"";
}

// The command line of `program` with `args`.
inline std::wstring CommandLine(const std::string& program, const std::vector<std::string>& args) {
    std::wstring line = QuoteArgument(Wide(program));
    for (const std::string& arg : args)
        line += L" " + QuoteArgument(Wide(arg));
    return line;
}
#endif

} // namespace detail

// A program started with arguments and environment variables added to this process's; its
// standard output is thrown away, its standard error is this process's.
class Process {
  public:
    Process() = default;
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;
    Process(Process&& other) noexcept { *this = std::move(other); }
    Process& operator=(Process&& other) noexcept {
        std::swap(m_running, other.m_running);
#ifdef _WIN32
        std::swap(m_handle, other.m_handle);
#else
        std::swap(m_pid, other.m_pid);
#endif
        return *this;
    }
    // One still running is stopped.
    ~Process() {
        if (m_running)
            Wait(std::chrono::milliseconds(0));
    }

    bool Start(const std::string& program, const std::vector<std::string>& args,
               const std::vector<std::pair<std::string, std::string>>& env) {
#ifdef _WIN32
        // The environment block: this process's variables with those given put over them.
        std::wstring block;
        {
            ScopedEnv scoped;
            for (const auto& [name, value] : env)
                scoped.Set(name, value);
            wchar_t* current = ::GetEnvironmentStringsW();
            const wchar_t* at = current;
            while (*at != L'\0') {
                const std::wstring entry(at);
                block += entry + L'\0';
                at += entry.size() + 1;
            }
            ::FreeEnvironmentStringsW(current);
        }
        block += L'\0';
        std::wstring line = detail::CommandLine(program, args);
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
        HANDLE null = ::CreateFileW(L"NUL", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    &inherit, OPEN_EXISTING, 0, nullptr);
        startup.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
        startup.hStdOutput = null;
        startup.hStdError = ::GetStdHandle(STD_ERROR_HANDLE);
        PROCESS_INFORMATION info{};
        const BOOL made =
            ::CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE,
                             CREATE_UNICODE_ENVIRONMENT, block.data(), nullptr, &startup, &info);
        if (null != INVALID_HANDLE_VALUE)
            ::CloseHandle(null);
        if (!made)
            return false;
        ::CloseHandle(info.hThread);
        m_handle = info.hProcess;
#else
        std::vector<std::string> environment;
        for (char** at = environ; *at != nullptr; ++at) {
            const std::string entry(*at);
            bool replaced = false;
            for (const auto& [name, value] : env)
                replaced = replaced || entry.compare(0, name.size() + 1, name + "=") == 0;
            if (!replaced)
                environment.push_back(entry);
        }
        for (const auto& [name, value] : env)
            environment.push_back(name + "=" + value);
        std::vector<char*> envp;
        for (std::string& entry : environment)
            envp.push_back(entry.data());
        envp.push_back(nullptr);
        std::vector<std::string> argv{program};
        argv.insert(argv.end(), args.begin(), args.end());
        std::vector<char*> argp;
        for (std::string& arg : argv)
            argp.push_back(arg.data());
        argp.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        const int rc =
            posix_spawn(&m_pid, program.c_str(), &actions, nullptr, argp.data(), envp.data());
        posix_spawn_file_actions_destroy(&actions);
        if (rc != 0)
            return false;
#endif
        m_running = true;
        return true;
    }

    // Waits for the end, at most `timeout`: the exit status, or none when the process ended by a
    // signal or did not end in time (it is stopped then).
    std::optional<int> Wait(std::chrono::milliseconds timeout) {
        if (!m_running)
            return std::nullopt;
        m_running = false;
#ifdef _WIN32
        DWORD code = 0;
        const bool ended =
            ::WaitForSingleObject(m_handle, static_cast<DWORD>(timeout.count())) == WAIT_OBJECT_0;
        if (!ended) {
            ::TerminateProcess(m_handle, 1);
            ::WaitForSingleObject(m_handle, INFINITE);
        }
        const bool known = ended && ::GetExitCodeProcess(m_handle, &code);
        ::CloseHandle(m_handle);
        return known ? std::optional<int>(static_cast<int>(code)) : std::nullopt;
#else
        // Most children end within milliseconds: look often at first, then less often.
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        auto pause = std::chrono::microseconds(200);
        int status = 0;
        for (;;) {
            const pid_t done = ::waitpid(m_pid, &status, WNOHANG);
            if (done == m_pid)
                break;
            if (done < 0 && errno != EINTR)
                return std::nullopt;
            if (std::chrono::steady_clock::now() >= deadline) {
                ::kill(m_pid, SIGKILL);
                ::waitpid(m_pid, &status, 0);
                return std::nullopt;
            }
            std::this_thread::sleep_for(pause);
            pause = std::min(pause * 2, std::chrono::microseconds(20000));
        }
        return WIFEXITED(status) ? std::optional<int>(WEXITSTATUS(status)) : std::nullopt;
#endif
    }

  private:
#ifdef _WIN32
    HANDLE m_handle = nullptr;
#else
    pid_t m_pid = -1;
#endif
    bool m_running = false;
};

// This test program's own file.
inline std::string SelfPath() {
#ifdef _WIN32
    std::wstring path(32768, L'\0');
    path.resize(::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size())));
    return std::filesystem::path(path).string();
#else
    return std::filesystem::read_symlink("/proc/self/exe").string();
#endif
}

// The part this process was started to play in the running test, "" in the test program
// proper, and what it was given for it.
inline std::string Role() {
    return GetEnv("QB_TEST_ROLE").value_or("");
}
inline std::vector<std::string> RoleArgs() {
    return detail::SplitList(GetEnv("QB_TEST_ARGS"));
}

// Starts this test program again to run the running test in part `role` with `args`.
inline Process StartRole(const std::string& role, const std::vector<std::string>& args = {}) {
    Process child;
    const bool started = child.Start(SelfPath(), {"--gtest_filter=" + detail::CurrentTestName()},
                                     {{"QB_TEST_ROLE", role},
                                      // The one test runs once, whatever the run of the parent
                                      // asked for, and writes no report over the parent's.
                                      {"GTEST_TOTAL_SHARDS", "1"},
                                      {"GTEST_SHARD_INDEX", "0"},
                                      {"GTEST_REPEAT", "1"},
                                      {"GTEST_OUTPUT", ""},
                                      {"QB_TEST_ARGS", detail::JoinList(args)},
                                      {"QB_TEST_DIRS", detail::JoinList(detail::Dirs().made)}});
    EXPECT_TRUE(started) << "cannot start " << SelfPath() << " as " << role;
    return child;
}

// The same, waiting for its end: the exit status, none when it did not end by itself in time.
inline std::optional<int> RunRole(const std::string& role,
                                  const std::vector<std::string>& args = {},
                                  std::chrono::milliseconds timeout = std::chrono::minutes(3)) {
    return StartRole(role, args).Wait(timeout);
}

} // namespace qb::test
