// A registry file of its own for each test: QUILLBOX_REGISTRY points into a fresh temporary
// directory for the test's duration, so no test ever touches the user's registry.
#pragma once

#include "platform/file_system.h"
#include "platform/registry_file.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

namespace qb::test {

class RegistryTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (const char* old = std::getenv("QUILLBOX_REGISTRY"))
            m_saved = old;
        setenv("QUILLBOX_REGISTRY", (dir / "Quillbox.reg").c_str(), 1);
    }
    void TearDown() override {
        fs::ClearFaultPlan();
        if (m_saved)
            setenv("QUILLBOX_REGISTRY", m_saved->c_str(), 1);
        else
            unsetenv("QUILLBOX_REGISTRY");
    }
    // Writes the registry file from REGEDIT4 text.
    void Seed(const std::string& body) { WriteFile(RegistryPath(), "REGEDIT4\n\n" + body); }
    std::string RegistryPath() const { return dir / "Quillbox.reg"; }
    RegistryFile Registry() const { return RegistryFile(RegistryFile::DefaultPath()); }

    TempDir dir;

  private:
    std::optional<std::string> m_saved;
};

} // namespace qb::test
