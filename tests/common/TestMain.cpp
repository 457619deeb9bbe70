#include "TestSupport.h"

#include <QCoreApplication>
#include <clocale>
#include <filesystem>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    testsupport::PinEnvironment();
    QCoreApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C"); // QCoreApplication switched to the environment's locale
    ::testing::InitGoogleTest(&argc, argv);
    int rc = RUN_ALL_TESTS();
    std::error_code ec;
    std::filesystem::remove_all(testsupport::SandboxDir(), ec);
    return rc;
}
