// Environment variables for the tests, the same way on every system.
#pragma once

#include <cstdlib>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace qb::test {

inline std::optional<std::string> GetEnv(const std::string& name) {
    const char* value = std::getenv(name.c_str());
    return value != nullptr ? std::optional<std::string>(value) : std::nullopt;
}

inline void SetEnv(const std::string& name, const std::string& value) {
#ifdef _WIN32
    _putenv_s(name.c_str(), value.c_str());
#else
    ::setenv(name.c_str(), value.c_str(), 1);
#endif
}

inline void UnsetEnv(const std::string& name) {
#ifdef _WIN32
    _putenv_s(name.c_str(), ""); // an empty value removes the variable there
#else
    ::unsetenv(name.c_str());
#endif
}

// Variables set or removed for a scope; each goes back to what it was when the scope ends.
class ScopedEnv {
  public:
    ScopedEnv() = default;
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;
    ~ScopedEnv() {
        for (auto it = m_saved.rbegin(); it != m_saved.rend(); ++it) {
            if (it->second)
                SetEnv(it->first, *it->second);
            else
                UnsetEnv(it->first);
        }
    }
    void Set(const std::string& name, const std::string& value) {
        Save(name);
        SetEnv(name, value);
    }
    void Unset(const std::string& name) {
        Save(name);
        UnsetEnv(name);
    }

  private:
    void Save(const std::string& name) { m_saved.emplace_back(name, GetEnv(name)); }
    std::vector<std::pair<std::string, std::optional<std::string>>> m_saved;
};

} // namespace qb::test
