// A registry file of its own for each test: QUILLBOX_REGISTRY points into a fresh temporary
// directory for the test's duration, so no test ever touches the user's registry; HOME points
// there too and WINEPREFIX is unset, so discovery never finds the user's own stores.
#pragma once

#include "platform/file_system.h"
#include "platform/registry_file.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <optional>
#include <string>

namespace qb::test {

class RegistryTest : public ::testing::Test {
  protected:
    void SetUp() override {
        for (std::size_t i = 0; i < kNames.size(); ++i) {
            if (const char* old = std::getenv(kNames[i]))
                m_saved[i] = old;
        }
        setenv("QUILLBOX_REGISTRY", (dir / "Quillbox.reg").c_str(), 1);
        setenv("HOME", dir.path().c_str(), 1);
        unsetenv("WINEPREFIX");
    }
    void TearDown() override {
        fs::ClearFaultPlan();
        for (std::size_t i = 0; i < kNames.size(); ++i) {
            if (m_saved[i])
                setenv(kNames[i], m_saved[i]->c_str(), 1);
            else
                unsetenv(kNames[i]);
        }
    }
    // Writes the registry file from REGEDIT4 text.
    void Seed(const std::string& body) { WriteFile(RegistryPath(), "REGEDIT4\n\n" + body); }
    std::string RegistryPath() const { return dir / "Quillbox.reg"; }
    RegistryFile Registry() const { return RegistryFile(RegistryFile::DefaultPath()); }

    TempDir dir;

  private:
    static constexpr std::array<const char*, 3> kNames = {"QUILLBOX_REGISTRY", "HOME",
                                                          "WINEPREFIX"};
    std::array<std::optional<std::string>, 3> m_saved;
};

} // namespace qb::test
