// The few POSIX calls that the shared test helpers make, for the Windows build of the tests only
// (forced in before every test source there). Other processes are started through
// tests/support/process.h, which has a Windows side of its own.
#pragma once

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <direct.h>
#include <random>
#include <string>
#include <sys/types.h>

inline char* mkdtemp(char* pattern) {
    const std::size_t size = std::char_traits<char>::length(pattern);
    if (size < 6 || std::string(pattern + size - 6) != "XXXXXX") {
        errno = EINVAL;
        return nullptr;
    }
    static std::mt19937 random{std::random_device{}()};
    static const char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    for (int attempt = 0; attempt < 100; ++attempt) {
        for (std::size_t i = size - 6; i < size; ++i)
            pattern[i] = kLetters[random() % (sizeof kLetters - 1)];
        if (::_mkdir(pattern) == 0)
            return pattern;
        if (errno != EEXIST)
            return nullptr;
    }
    return nullptr;
}

inline int setenv(const char* name, const char* value, int overwrite) {
    if (!overwrite && std::getenv(name) != nullptr)
        return 0;
    return ::_putenv_s(name, value) == 0 ? 0 : -1;
}

inline int unsetenv(const char* name) {
    return ::_putenv_s(name, "") == 0 ? 0 : -1;
}
