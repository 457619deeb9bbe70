#include "support/VxGlobals.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

namespace {

TFormatSettings ItalianLike() {
    TFormatSettings FS;
    FS.DateSeparator = '-';
    FS.TimeSeparator = '.';
    FS.DecimalSeparator = ',';
    FS.ThousandSeparator = '.';
    FS.ShortDateFormat = "dd/mm/yyyy";
    FS.LongDateFormat = "dddd d mmmm yyyy";
    FS.ShortTimeFormat = "hh:nn";
    FS.LongTimeFormat = "hh:nn:ss";
    return FS;
}

} // namespace

TEST(FormatDateTime, Patterns) {
    const TFormatSettings FS = ItalianLike();
    const TDateTimeParts DT{2021, 9, 1, 14, 5, 9, 7}; // a Wednesday
    struct Row {
        const char* format;
        std::string expected;
    };
    const Row rows[] = {
        {"dd/mm/yyyy", "01-09-2021"},
        {"d/m/yy", "1-9-21"},
        {"ddmmyyyy", "01092021"},
        {"DDMMYYYY", "01092021"},
        {"hh:nn:ss", "14.05.09"},
        {"h:n:s", "14.5.9"},
        {"hh:mm", "14.05"},
        {"zzz z", "007 7"},
        {"h:nn am/pm", "2.05 pm"},
        {"hh AM/PM", "02 PM"},
        {"h a/p", "2 p"},
        {"ddd dddd", "Wed Wednesday"},
        {"mmm mmmm", "Sep September"},
        {"'dd' \"mm\" dd", "dd mm 01"},
        {"ddddd", "01-09-2021"},
        {"dddddd", "Wednesday 1 September 2021"},
        {"t", "14.05"},
        {"tt", "14.05.09"},
        {"c", "01-09-2021 14.05.09"},
        {"yyyy-", "2021-"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.format);
        EXPECT_EQ(FormatDateTime(r.format, DT, FS), r.expected);
    }
}

TEST(FormatDateTime, MidnightAndNoonOnTheTwelveHourClock) {
    const TFormatSettings FS;
    EXPECT_EQ(FormatDateTime("h am/pm", {2021, 1, 3, 0, 0, 0, 0}, FS), "12 am");
    EXPECT_EQ(FormatDateTime("h am/pm", {2021, 1, 3, 12, 0, 0, 0}, FS), "12 pm");
    EXPECT_EQ(FormatDateTime("dddd", {2021, 1, 3, 0, 0, 0, 0}, FS), "Sunday");
    EXPECT_EQ(FormatDateTime("dddd", {2000, 2, 29, 0, 0, 0, 0}, FS), "Tuesday");
}

TEST(FormatDateTime, SelfReferringFormatEnds) {
    TFormatSettings FS;
    FS.ShortDateFormat = "ddddd";
    FS.ShortTimeFormat = "t";
    EXPECT_NO_THROW(FormatDateTime("ddddd t", {2021, 9, 1, 0, 0, 0, 0}, FS));
}

TEST(FloatToStr, GeneralFormat) {
    TFormatSettings Comma;
    Comma.DecimalSeparator = ',';
    struct Row {
        double value;
        std::string expected;
    };
    const Row rows[] = {
        {0.0, "0"},
        {-0.0, "0"},
        {1.5, "1,5"},
        {-2.25, "-2,25"},
        {100.0, "100"},
        {0.1, "0,1"},
        {1.0 / 3.0, "0,333333333333333"},
        {123456789012345.0, "123456789012345"},
        {1e15, "1E15"},
        {1.5e20, "1,5E20"},
        {0.0001, "0,0001"},
        {0.00001, "1E-5"},
        {1.23e-7, "1,23E-7"},
        {12.30, "12,3"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.expected);
        EXPECT_EQ(FloatToStr(r.value, Comma), r.expected);
    }
    EXPECT_EQ(FloatToStr(2.5, TFormatSettings{}), "2.5");
    EXPECT_EQ(FloatToStr(std::numeric_limits<double>::infinity()), "INF");
    EXPECT_EQ(FloatToStr(std::nan("")), "NAN");
}
