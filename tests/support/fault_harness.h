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
#include <vector>

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
    std::vector<fs::Op> ops;
    fs::SetOperationObserver([&ops](fs::Op op, const std::string&) { ops.push_back(op); });
    fs::SetFaultPlan({});
    const bool ok = operation();
    const std::int64_t count = fs::OperationCount();
    fs::ClearFaultPlan();
    fs::SetOperationObserver(nullptr);
    if (!Role().empty())
        return count; // a child taken through the test to a crash point: the disk is as here
    check({-1, fs::FaultKind::None, ok});

    for (fs::FaultKind kind : {fs::FaultKind::Error, fs::FaultKind::ShortWrite}) {
        for (std::int64_t n = 0; n < count; ++n) {
#ifdef _WIN32
            // A short write at any other operation is that operation's failure, run just above:
            // under wine, where every run costs, it is not run twice.
            if (kind == fs::FaultKind::ShortWrite &&
                ops[static_cast<std::size_t>(n)] != fs::Op::Write)
                continue;
#endif
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

// Whether operation `op` may change what is on disk. A process that stops dead just after one
// that does not leaves the disk as it would have been left a step earlier.
inline bool ChangesTheDisk(fs::Op op) {
    switch (op) {
    case fs::Op::Open: // may make or truncate the file
    case fs::Op::Write:
    case fs::Op::Truncate:
    case fs::Op::Rename:
    case fs::Op::Remove:
    case fs::Op::RemoveDirectory:
    case fs::Op::CreateDirectory:
        return true;
    default:
        return false;
    }
}

// The crash points worth a child process, given the operations of an undisturbed run: every one
// on POSIX. A child costs a process start and its setup, which under wine is a good part of a
// second: there only the points whose disk can differ from the point before's are visited (a
// stop after a read, a look, a flush or a close leaves the disk as the stop before it).
inline std::vector<std::int64_t> CrashPoints(const std::vector<fs::Op>& ops) {
    std::vector<std::int64_t> points;
    for (std::size_t n = 0; n < ops.size(); ++n) {
#ifdef _WIN32
        if (n > 0 && !ChangesTheDisk(ops[n - 1]))
            continue;
#endif
        points.push_back(static_cast<std::int64_t>(n));
    }
    return points;
}

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
    std::vector<fs::Op> ops;
    fs::SetOperationObserver([&ops](fs::Op op, const std::string&) { ops.push_back(op); });
    fs::SetFaultPlan({});
    operation();
    const std::int64_t count = fs::OperationCount();
    fs::ClearFaultPlan();
    fs::SetOperationObserver(nullptr);
    if (!Role().empty())
        return count; // an earlier call of the test the child is taken through
    for (const std::int64_t n : CrashPoints(ops)) {
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
