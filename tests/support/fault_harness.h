// Runs an operation once per file operation it performs, with that operation failing, and hands
// each outcome to a checker. Used to prove that no failure of the disk loses or corrupts mail.
#pragma once

#include "platform/file_system.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace qb::test {

struct FaultCase {
    std::int64_t index = -1; // operation made to fail (-1: none)
    fs::FaultKind kind = fs::FaultKind::None;
    bool reportedSuccess = false;
};

inline const char* KindName(fs::FaultKind kind) {
    switch (kind) {
    case fs::FaultKind::Error:
        return "error";
    case fs::FaultKind::ShortWrite:
        return "short write";
    case fs::FaultKind::Crash:
        return "crash";
    default:
        return "none";
    }
}

// `setup` builds a fresh fixture (called before every run), `operation` runs the operation under
// test and reports its result, `check` verifies the invariants after it. Returns the number of
// file operations of an undisturbed run.
inline std::int64_t EnumerateFaults(const std::function<void()>& setup,
                                    const std::function<bool()>& operation,
                                    const std::function<void(const FaultCase&)>& check) {
    setup();
    fs::SetFaultPlan({});
    const bool ok = operation();
    const std::int64_t count = fs::OperationCount();
    fs::ClearFaultPlan();
    check({-1, fs::FaultKind::None, ok});

    for (fs::FaultKind kind : {fs::FaultKind::Error, fs::FaultKind::ShortWrite}) {
        for (std::int64_t n = 0; n < count; ++n) {
            setup();
            fs::SetFaultPlan({n, kind});
            const bool result = operation();
            fs::ClearFaultPlan();
            SCOPED_TRACE(std::string(KindName(kind)) + " at operation " + std::to_string(n));
            check({n, kind, result});
        }
    }
    return count;
}

// The same with the process stopping dead at each operation: the operation runs in a child
// process, and `check` inspects what it left on disk.
inline std::int64_t EnumerateCrashes(const std::function<void()>& setup,
                                     const std::function<bool()>& operation,
                                     const std::function<void(const FaultCase&)>& check) {
    setup();
    fs::SetFaultPlan({});
    operation();
    const std::int64_t count = fs::OperationCount();
    fs::ClearFaultPlan();
    for (std::int64_t n = 0; n < count; ++n) {
        setup();
        const pid_t pid = fork();
        if (pid == 0) {
            fs::SetFaultPlan({n, fs::FaultKind::Crash});
            operation();
            _exit(0);
        }
        int status = 0;
        waitpid(pid, &status, 0);
        SCOPED_TRACE("crash at operation " + std::to_string(n));
        check({n, fs::FaultKind::Crash, WIFEXITED(status) && WEXITSTATUS(status) == 0});
    }
    return count;
}

} // namespace qb::test
