#include "platform/Platform.h"
#include "support/VxExceptions.h"
#include "support/VxGlobals.h"
#include "tests/common/ExpectThrow.h"

#include <clocale>
#include <functional>
#include <gtest/gtest.h>

namespace {

// Every case starts from the framework's start-up with default settings.
class Globals : public ::testing::Test {
protected:
    void SetUp() override {
        FormatSettings() = TFormatSettings{};
        VxFrameworkStartup(false);
    }
    void TearDown() override { FormatSettings() = TFormatSettings{}; }
};

std::string Str(const TVxValue& V) {
    return std::holds_alternative<int>(V) ? "int " + std::to_string(std::get<int>(V))
                                          : std::get<std::string>(V);
}

} // namespace

TEST_F(Globals, StartupValues) {
    struct Row {
        const char* name;
        TVxValue value;
    };
    const Row rows[] = {
        {"VXP_TransTry", 0},
        {"VXP_TransTryTime", 0},
        {"VXP_WaitForSearch", 0},
        {"VXP_LoginTry", 3},
        {"ImageDLLName", std::string("VxLCommon.dll")},
        {"UserParamVer", std::string("1.0.0")},
    };
    ASSERT_EQ(VxGlobalValues().Count(), 6);
    for (int i = 0; i < 6; ++i) {
        SCOPED_TRACE(rows[i].name);
        EXPECT_EQ(VxGlobalValues().IndexOfValue(rows[i].name), i);
        EXPECT_EQ(Str(VxGlobalValues().GetValue(rows[i].name)), Str(rows[i].value));
    }
    EXPECT_EQ(VxFrameworkSettings().ImageDLLName, "VxLCommon.dll");
    EXPECT_EQ(VxFrameworkSettings().UserParamVer, "1.0.0");
    EXPECT_EQ(VxFrameworkSettings().TransTry, 0);
}

TEST_F(Globals, LookupIgnoresCaseAndMissingNameIsARangeError) {
    EXPECT_EQ(Str(VxGlobalValues().GetValue("vxp_logintry")), "int 3");
    EXPECT_EQ(VxGlobalValues().IndexOfValue("NoSuchValue"), -1);
    EXPECT_THROW_MSG(VxGlobalValues().GetValue("Vxp_Nothing"), ERangeError,
                     "Variabile inesistente (Vxp_Nothing)");
}

TEST_F(Globals, SetValueReplacesOrAppends) {
    VxGlobalValues().SetValue("vxp_LOGINTRY", 5);
    EXPECT_EQ(VxGlobalValues().Count(), 6);
    EXPECT_EQ(Str(VxGlobalValues().GetValue("VXP_LoginTry")), "int 5");
    VxGlobalValues().SetValue("MyValue", std::string("x"));
    EXPECT_EQ(VxGlobalValues().Count(), 7);
    EXPECT_EQ(VxGlobalValues().IndexOfValue("MYVALUE"), 6);
}

TEST_F(Globals, ApplyTable) {
    const TFormatSettings D;
    const std::string LocaleShort = platform::UserLocaleFormats().ShortDateFormat;
    const std::string LocaleLong = platform::UserLocaleFormats().LongDateFormat;
    using Get = std::function<std::string()>;
    auto FS = [] { return FormatSettings(); };
    auto VS = [] { return VxFrameworkSettings(); };
    struct Row {
        const char* name;
        std::string valueName;
        TVxValue value;
        Get get;
        std::string expected;
    };
    const Row rows[] = {
        {"short date pattern", "VXP_ShortDateFormat", std::string("dd-mm-yyyy"),
         [&] { return FS().ShortDateFormat; }, "dd-mm-yyyy"},
        {"short date from locale", "VXP_ShortDateFormat", std::string("ddddd"),
         [&] { return FS().ShortDateFormat; }, LocaleShort},
        {"long date pattern", "VXP_LongDateFormat", std::string("d mmmm yyyy"),
         [&] { return FS().LongDateFormat; }, "d mmmm yyyy"},
        {"long date from locale", "VXP_LongDateFormat", std::string("dddddd"),
         [&] { return FS().LongDateFormat; }, LocaleLong},
        {"blank text changes nothing", "VXP_ShortDateFormat", std::string("   "),
         [&] { return FS().ShortDateFormat; }, D.ShortDateFormat},
        {"untrimmed text", "VXP_LongDateFormat", std::string(" d "), [&] { return FS().LongDateFormat; },
         " d "},
        {"short time", "VXP_ShortTimeFormat", std::string("hh.nn"), [&] { return FS().ShortTimeFormat; },
         "hh.nn"},
        {"short time t unchanged", "VXP_ShortTimeFormat", std::string("tt"),
         [&] { return FS().ShortTimeFormat; }, D.ShortTimeFormat},
        {"long time", "VXP_LongTimeFormat", std::string("hh nn ss"), [&] { return FS().LongTimeFormat; },
         "hh nn ss"},
        {"long time t unchanged", "VXP_LongTimeFormat", std::string("t"), [&] { return FS().LongTimeFormat; },
         D.LongTimeFormat},
        {"currency string", "VXP_CurrencyString", std::string("EUR"), [&] { return FS().CurrencyString; },
         "EUR"},
        {"currency format", "VXP_CurrencyFormat", 3, [&] { return std::to_string(FS().CurrencyFormat); },
         "3"},
        {"currency format as text", "VXP_CurrencyFormat", std::string("2"),
         [&] { return std::to_string(FS().CurrencyFormat); }, "2"},
        {"currency format not a number", "VXP_CurrencyFormat", std::string("x"),
         [&] { return std::to_string(FS().CurrencyFormat); }, "0"},
        {"negative currency format", "VXP_NegCurrFormat", 8,
         [&] { return std::to_string(FS().NegCurrFormat); }, "8"},
        {"currency decimals", "VXP_CurrencyDecimals", 0,
         [&] { return std::to_string(FS().CurrencyDecimals); }, "0"},
        {"thousand separator", "VXP_ThousandSeparator", std::string(".x"),
         [&] { return std::string(1, FS().ThousandSeparator); }, "."},
        {"decimal separator", "VXP_DecimalSeparator", std::string(","),
         [&] { return std::string(1, FS().DecimalSeparator); }, ","},
        {"date separator", "VXP_DateSeparator", std::string("-"),
         [&] { return std::string(1, FS().DateSeparator); }, "-"},
        {"time separator, name in any case", "vxp_timeSEPARATOR", std::string("."),
         [&] { return std::string(1, FS().TimeSeparator); }, "."},
        {"retry count", "VXP_TransTry", std::string("7"), [&] { return std::to_string(VS().TransTry); }, "7"},
        {"retry count not a number", "VXP_TransTry", std::string("abc"),
         [&] { return std::to_string(VS().TransTry); }, "3"},
        {"retry count with a plus", "VXP_TransTry", std::string(" +7"),
         [&] { return std::to_string(VS().TransTry); }, "7"},
        {"retry count with two signs", "VXP_TransTry", std::string("+-5"),
         [&] { return std::to_string(VS().TransTry); }, "3"},
        {"retry count trailing junk", "VXP_TransTry", std::string("7x"),
         [&] { return std::to_string(VS().TransTry); }, "3"},
        {"retry count blank", "VXP_TransTry", std::string(" "), [&] { return std::to_string(VS().TransTry); },
         "0"},
        {"retry wait", "VXP_TransTryTime", 250, [&] { return std::to_string(VS().TransTryTime); }, "250"},
        {"retry wait not a number", "VXP_TransTryTime", std::string("?"),
         [&] { return std::to_string(VS().TransTryTime); }, "500"},
        {"search delay not a number", "VXP_WaitForSearch", std::string("z"),
         [&] { return std::to_string(VS().WaitForSearch); }, "500"},
        {"image library", "ImageDLLName", std::string("Other.dll"), [&] { return VS().ImageDLLName; },
         "Other.dll"},
        {"user parameter version", "UserParamVer", std::string("2.0"), [&] { return VS().UserParamVer; },
         "2.0"},
        {"login tries change nothing", "VXP_LoginTry", std::string("9"),
         [&] { return std::to_string(VS().TransTry); }, "0"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        FormatSettings() = TFormatSettings{};
        VxFrameworkStartup(false);
        VxGlobalValues().SetValue(r.valueName, r.value);
        EXPECT_EQ(r.get(), r.expected);
    }
}

TEST_F(Globals, StartupFollowsTheUserLocaleOnlyWhenAsked) {
    FormatSettings().ShortDateFormat = "custom";
    FormatSettings().DecimalSeparator = '#';
    FormatSettings().CurrencyFormat = 3;
    VxFrameworkStartup(false);
    EXPECT_EQ(FormatSettings().ShortDateFormat, "custom");
    const std::string Numeric = std::setlocale(LC_NUMERIC, nullptr);
    VxFrameworkStartup(true);
    const platform::LocaleFormats L = platform::UserLocaleFormats();
    EXPECT_EQ(FormatSettings().ShortDateFormat, L.ShortDateFormat);
    EXPECT_EQ(FormatSettings().DecimalSeparator, L.DecimalSeparator);
    EXPECT_EQ(FormatSettings().LongMonthNames[8], L.LongMonthNames[8]);
    EXPECT_EQ(FormatSettings().CurrencyFormat, 3) << "the currency layout is not the locale's";
    EXPECT_EQ(std::setlocale(LC_NUMERIC, nullptr), Numeric) << "the C library's locale is never touched";
}
