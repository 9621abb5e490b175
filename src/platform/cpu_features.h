// What the processor offers beyond the baseline the program is built for, for the few loops that
// have a wider version.
#pragma once

#if defined(__GNUC__) && defined(__x86_64__)
// Loops may have an AVX2 version, compiled with __attribute__((target("avx2,popcnt"))) and run
// only where HasAvx2() holds.
#define QB_HAVE_AVX2_LOOPS 1
#endif

namespace qb {

// Whether the processor runs AVX2 and POPCNT instructions and the system saves the wide
// registers they use. False where the build has no such loops.
bool HasAvx2();
// Turns the AVX2 loops off, or back on where the processor has them: for tests of the loops that
// every processor runs.
void AllowAvx2(bool allow);

} // namespace qb
