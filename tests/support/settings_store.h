// Settings kept in memory, for the window-layout rules and the main window's tests.
#pragma once

#include "app/window_settings.h"

#include <map>
#include <string>

namespace qb::test {

class MapSettingsStore : public SettingsStore {
  public:
    int GetInt(const std::string& name, int fallback) override {
        auto it = ints.find(name);
        return it == ints.end() ? fallback : it->second;
    }
    std::string GetString(const std::string& name, const std::string& fallback) override {
        auto it = strings.find(name);
        return it == strings.end() ? fallback : it->second;
    }
    bool SetInt(const std::string& name, int value) override {
        ints[name] = value;
        return true;
    }
    bool SetString(const std::string& name, const std::string& value) override {
        strings[name] = value;
        return true;
    }
    std::map<std::string, int> ints;
    std::map<std::string, std::string> strings;
};

} // namespace qb::test
