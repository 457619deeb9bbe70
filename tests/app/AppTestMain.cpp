// The program's application class around the tests, and an installation
// folder in the sandbox whose parameter files have a known date.

#include "AppTestSupport.h"
#include "TestSupport.h"
#include "forms/VxApplication.h"
#include "support/VxGlobals.h"

#include <clocale>
#include <filesystem>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    testsupport::PinEnvironment();
    apptest::PrepareInstallation(testsupport::SandboxDir());
    TVxApplication App(argc, argv, "adoxport");
    std::setlocale(LC_NUMERIC, "C");
    VxFrameworkStartup(false);
    ::testing::InitGoogleTest(&argc, argv);
    const int Rc = RUN_ALL_TESTS();
    std::error_code Ec;
    std::filesystem::remove_all(testsupport::SandboxDir(), Ec);
    return Rc;
}
