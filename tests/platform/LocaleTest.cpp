#include "platform/Platform.h"

#include <gtest/gtest.h>

using namespace platform;

TEST(Locale, QtPatternsInTheFrameworksLanguage) {
    struct Row {
        const char* name;
        std::u16string qt;
        char dateSep, timeSep;
        std::string expected;
    };
    const Row rows[] = {
        {"italian short date", u"dd/MM/yyyy", '/', '\0', "dd/mm/yyyy"},
        {"dotted date", u"dd.MM.yy", '.', '\0', "dd/mm/yy"},
        {"dashed date", u"yyyy-MM-dd", '-', '\0', "yyyy/mm/dd"},
        {"long time", u"HH:mm:ss", '\0', ':', "hh:nn:ss"},
        {"dotted time", u"HH.mm", '\0', '.', "hh:nn"},
        {"twelve-hour", u"h:mm AP", '\0', ':', "h:nn am/pm"},
        {"time zone dropped", u"HH:mm:ss t", '\0', ':', "hh:nn:ss"},
        {"long date", u"dddd d MMMM yyyy", '\0', '\0', "dddd d mmmm yyyy"},
        {"literal kept", u"d 'de' MMMM", '\0', '\0', "d 'de' mmmm"},
        {"milliseconds", u"HH:mm:ss.zzz", '\0', ':', "hh:nn:ss.zzz"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        EXPECT_EQ(FrameworkPattern(r.qt, r.dateSep, r.timeSep), r.expected);
    }
}

TEST(Locale, UserFormatsAreUsable) {
    LocaleFormats F = UserLocaleFormats();
    EXPECT_NE(F.ShortDateFormat.find('d'), std::string::npos);
    EXPECT_NE(F.ShortDateFormat.find('m'), std::string::npos);
    std::string Time = F.ShortTimeFormat;
    if (const auto AmPm = Time.find("am/pm"); AmPm != std::string::npos) Time.erase(AmPm, 5);
    EXPECT_EQ(Time.find('m'), std::string::npos) << "minutes are 'n' in the framework: " << F.ShortTimeFormat;
    EXPECT_NE(F.DecimalSeparator, '\0');
    for (const auto& N : F.LongMonthNames) EXPECT_FALSE(N.empty());
    for (const auto& N : F.ShortDayNames) EXPECT_FALSE(N.empty());
}
