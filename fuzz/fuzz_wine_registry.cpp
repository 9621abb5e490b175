// Arbitrary bytes as a Wine registry file. Damage must be reported with its line and leave
// nothing behind; what parses must load into a registry that writes back to itself, and a key
// filter must only leave keys out.
#include "discovery/wine_registry.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(bytes), size);
    std::vector<qb::discovery::WineKey> keys;
    std::string error;
    if (!qb::discovery::ParseWineRegistry(text, keys, error)) {
        if (error.rfind("line ", 0) != 0 || !keys.empty())
            std::abort();
        return 0;
    }
    std::vector<qb::discovery::WineKey> kept;
    auto odd = [](std::string_view path) { return path.size() % 2 == 1; };
    if (!qb::discovery::ParseWineRegistry(text, kept, error, odd))
        std::abort();
    std::size_t expected = 0;
    for (const auto& key : keys) {
        if (key.path.size() > text.size())
            std::abort();
        expected += odd(key.path) ? 1 : 0;
    }
    if (kept.size() != expected)
        std::abort();

    qb::RegistryData data;
    qb::discovery::AddWineKeys(keys, qb::Hive::LocalMachine, data);
    const std::string written = data.Serialize();
    qb::RegistryData again;
    if (!again.Parse(written) || again.Serialize() != written)
        std::abort();
    return 0;
}
