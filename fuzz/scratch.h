// What the fuzz targets share: a scratch directory of their own and a check that stops the run.
#pragma once

#include <cstdlib>
#include <string>
#include <unistd.h>

namespace qb::fuzz {

// A directory made once per process under /tmp, named after the target.
inline const std::string& ScratchDirectory(const char* target) {
    static const std::string dir = [target] {
        std::string pattern = std::string("/tmp/qbfuzz-") + target + "-XXXXXX";
        if (mkdtemp(pattern.data()) == nullptr)
            std::abort();
        return pattern;
    }();
    return dir;
}

inline void Check(bool condition) {
    if (!condition)
        std::abort();
}

} // namespace qb::fuzz
