// The code-page tables checked against Qt's own conversions.

#include "platform/Platform.h"

#include <QString>
#include <gtest/gtest.h>

using namespace platform;

TEST(CodePages, Utf8AgreesWithQtsConversionOfTheTable) {
    std::string All;
    for (int b = 0; b < 256; ++b) All.push_back(static_cast<char>(b));
    const std::u16string U = Utf16FromCp1252(All);
    EXPECT_EQ(Utf8FromCp1252(All),
              QString::fromUtf16(U.data(), static_cast<qsizetype>(U.size())).toUtf8().toStdString());
}
