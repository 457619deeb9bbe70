// The user's locale formats through Qt, which reads the process locale
// (LANG, LC_TIME, LC_NUMERIC...) here.

#include "platform/Platform.h"

#include <QLocale>
#include <QString>

namespace platform {

namespace {

char Cp1252Char(const QString& S, char Fallback) {
    if (S.isEmpty()) return Fallback;
    // Narrow and other no-break spaces (French grouping) have no CP1252 byte but 0xA0.
    if (S.at(0).isSpace() && S.at(0) != u' ') return '\xA0';
    int B = UnicodeToCp1252(S.at(0).unicode());
    return B < 0 ? Fallback : static_cast<char>(B);
}

std::string ToCp1252(const QString& S) {
    return Cp1252FromUtf16(
        {reinterpret_cast<const char16_t*>(S.utf16()), static_cast<std::size_t>(S.size())});
}

std::u16string_view U16(const QString& S) {
    return {reinterpret_cast<const char16_t*>(S.utf16()), static_cast<std::size_t>(S.size())};
}

char SeparatorIn(const QString& Pattern, char Fallback) {
    bool InLit = false;
    for (QChar C : Pattern) {
        if (C == u'\'') InLit = !InLit;
        if (InLit || C.isLetter() || C == u'\'') continue;
        return Cp1252Char(QString(C), Fallback);
    }
    return Fallback;
}

} // namespace

LocaleFormats UserLocaleFormats() {
    QLocale L = QLocale::system();
    LocaleFormats F;
    QString SD = L.dateFormat(QLocale::ShortFormat);
    QString LD = L.dateFormat(QLocale::LongFormat);
    QString ST = L.timeFormat(QLocale::ShortFormat);
    QString LT = L.timeFormat(QLocale::LongFormat);
    F.DateSeparator = SeparatorIn(SD, '/');
    F.TimeSeparator = SeparatorIn(ST, ':');
    // Only the short date's separator turns into '/'; long dates keep their text.
    F.ShortDateFormat = FrameworkPattern(U16(SD), F.DateSeparator, '\0');
    F.LongDateFormat = FrameworkPattern(U16(LD), '\0', '\0');
    F.ShortTimeFormat = FrameworkPattern(U16(ST), '\0', F.TimeSeparator);
    F.LongTimeFormat = FrameworkPattern(U16(LT), '\0', F.TimeSeparator);
    F.DecimalSeparator = Cp1252Char(L.decimalPoint(), '.');
    F.ThousandSeparator = Cp1252Char(L.groupSeparator(), ',');
    F.CurrencyString = ToCp1252(L.currencySymbol());
    for (int M = 1; M <= 12; ++M) {
        F.ShortMonthNames[M - 1] = ToCp1252(L.monthName(M, QLocale::ShortFormat));
        F.LongMonthNames[M - 1] = ToCp1252(L.monthName(M, QLocale::LongFormat));
    }
    for (int D = 1; D <= 7; ++D) {
        // Qt counts Monday as 1; the framework's lists start on Sunday.
        F.ShortDayNames[D % 7] = ToCp1252(L.dayName(D, QLocale::ShortFormat));
        F.LongDayNames[D % 7] = ToCp1252(L.dayName(D, QLocale::LongFormat));
    }
    return F;
}

} // namespace platform
