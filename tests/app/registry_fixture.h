// A registry file of its own for each test: QUILLBOX_REGISTRY points into a fresh temporary
// directory for the test's duration, so no test ever touches the user's registry; HOME points
// there too and WINEPREFIX is unset, so discovery never finds the user's own stores.
#pragma once

#include "platform/file_system.h"
#include "platform/registry_file.h"
#include "support/environment.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <string>

namespace qb::test {

class RegistryTest : public ::testing::Test {
  protected:
    void SetUp() override {
        m_env.Set("QUILLBOX_REGISTRY", dir / "Quillbox.reg");
        m_env.Set("HOME", dir.path());
        m_env.Unset("WINEPREFIX");
    }
    void TearDown() override { fs::ClearFaultPlan(); }
    // Writes the registry file from REGEDIT4 text.
    void Seed(const std::string& body) { WriteFile(RegistryPath(), "REGEDIT4\n\n" + body); }
    std::string RegistryPath() const { return dir / "Quillbox.reg"; }
    RegistryFile Registry() const { return RegistryFile(RegistryFile::DefaultPath()); }

    TempDir dir;

  private:
    ScopedEnv m_env; // put back when the test ends
};

} // namespace qb::test
