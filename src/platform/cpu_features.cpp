#include "platform/cpu_features.h"

namespace qb {

namespace {

bool g_allowAvx2 = true;

} // namespace

bool HasAvx2() {
#if defined(QB_HAVE_AVX2_LOOPS)
    static const bool has = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("popcnt");
    }();
    return has && g_allowAvx2;
#else
    return false;
#endif
}

void AllowAvx2(bool allow) {
    g_allowAvx2 = allow;
}

} // namespace qb
