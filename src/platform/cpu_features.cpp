#include "platform/cpu_features.h"

namespace qb {

bool HasAvx2() {
#if defined(QB_HAVE_AVX2_LOOPS)
    static const bool has = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("popcnt");
    }();
    return has;
#else
    return false;
#endif
}

} // namespace qb
