// Runs an operation once per file operation it performs, with that operation failing, and hands
// each outcome to a checker. Used to prove that no failure of the disk loses or corrupts mail.
#pragma once

#include "platform/file_system.h"
#include "support/process.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <functional>
#include <optional>
#include <string>

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
    if (!Role().empty())
        return count; // a child taken through the test to a crash point: the disk is as here
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

// A child started to stop at a crash point leaves its writes to the page cache, as a process
// that ends keeps them there: waiting for the disk would only slow the runs down (the operations
// are counted all the same).
inline const bool kCrashChildWaitsForNoDisk = [] {
    if (Role() == "crash")
        fs::SetDiskWaits(false);
    return true;
}();

// The same with the process stopping dead at each operation: this test program runs the test
// again in a child process, in the same temporary directories, up to this call, where it stops
// at that operation; `check` inspects what it left on disk.
inline std::int64_t EnumerateCrashes(const std::function<void()>& setup,
                                     const std::function<bool()>& operation,
                                     const std::function<void(const FaultCase&)>& check) {
    constexpr int kCrashed = 77;    // how the file seam ends a process at a crash fault
    constexpr int kRanThrough = 79; // the child's operation ended before its crash point
    // Which call of the running test this is: the child stops at the same one.
    static std::string test;
    static int calls = 0;
    if (test != detail::CurrentTestName()) {
        test = detail::CurrentTestName();
        calls = 0;
    }
    const int call = ++calls;
    if (Role() == "crash") {
        const std::vector<std::string> args = RoleArgs();
        if (args.size() == 2 && std::stoi(args[0]) == call) {
            setup();
            fs::SetFaultPlan({std::stoll(args[1]), fs::FaultKind::Crash});
            operation();
            std::_Exit(kRanThrough);
        }
    }
    setup();
    fs::SetFaultPlan({});
    operation();
    const std::int64_t count = fs::OperationCount();
    fs::ClearFaultPlan();
    if (!Role().empty())
        return count; // an earlier call of the test the child is taken through
    for (std::int64_t n = 0; n < count; ++n) {
        setup();
        const std::optional<int> status =
            RunRole("crash", {std::to_string(call), std::to_string(n)});
        SCOPED_TRACE("crash at operation " + std::to_string(n));
        EXPECT_TRUE(status == kCrashed || status == kRanThrough)
            << "the child did not reach its crash point: "
            << (status ? std::to_string(*status) : "no exit status");
        check({n, fs::FaultKind::Crash, status == kRanThrough});
    }
    return count;
}

} // namespace qb::test
