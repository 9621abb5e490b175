// Running programs that nobody here wrote, as oracles and peers of the tests.
#pragma once

#include <cstdio>
#include <string>
#ifdef _WIN32
#include "platform/windows_api.h"
#else
#include <sys/wait.h>
#endif

namespace qb::test {

// Runs `command` with the shell; its exit status (-1 when it did not run to an end) and, when
// asked, what it printed on standard output.
inline int RunCommand(const std::string& command, std::string* output = nullptr) {
#ifdef _WIN32
    FILE* pipe = ::_popen(command.c_str(), "rb"); // through cmd.exe
#else
    FILE* pipe = ::popen(command.c_str(), "r");
#endif
    if (pipe == nullptr)
        return -1;
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) {
        if (output != nullptr)
            output->append(buffer, n);
    }
#ifdef _WIN32
    return ::_pclose(pipe); // the program's own exit code
#else
    const int status = ::pclose(pipe);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
}

inline bool HaveTool(const std::string& name) {
#ifdef _WIN32
    // Along PATH as the command interpreter looks (wine's "where" finds whatever it is asked).
    wchar_t found[MAX_PATH];
    const std::wstring wide(name.begin(), name.end());
    return ::SearchPathW(nullptr, wide.c_str(), L".exe", MAX_PATH, found, nullptr) > 0;
#else
    return RunCommand("command -v " + name + " >/dev/null 2>&1") == 0;
#endif
}

// The text quoted for a POSIX shell.
inline std::string ShellQuote(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) {
        if (c == '\'')
            quoted += "'\\''";
        else
            quoted += c;
    }
    return quoted + "'";
}

} // namespace qb::test
