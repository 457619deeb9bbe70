// The forms tests run under the program's own application class, so that
// exceptions leaving a handler reach TVxApplication::notify as in the program.
// Defining main here keeps the common GUI main out of the link.

#include "TestSupport.h"
#include "forms/VxApplication.h"

#include <clocale>
#include <filesystem>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    testsupport::PinEnvironment();
    TVxApplication App(argc, argv, "adoxport");
    std::setlocale(LC_NUMERIC, "C");
    ::testing::InitGoogleTest(&argc, argv);
    const int Rc = RUN_ALL_TESTS();
    std::error_code Ec;
    std::filesystem::remove_all(testsupport::SandboxDir(), Ec);
    return Rc;
}
