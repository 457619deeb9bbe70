// Desktop opener and locale formats: both come from Qt on every platform.

#include "platform/Platform.h"

#include <QDesktopServices>
#include <QLocale>
#include <QString>
#include <QUrl>

namespace platform {

bool OpenWithDesktop(const std::string& Path) {
    return QDesktopServices::openUrl(
        QUrl::fromLocalFile(QString::fromUtf8(Path.data(), static_cast<qsizetype>(Path.size()))));
}

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

} // namespace

std::string FrameworkPattern(std::u16string_view Pattern, char DateSep, char TimeSep) {
    const QString QtPattern = QString::fromUtf16(Pattern.data(), static_cast<qsizetype>(Pattern.size()));
    // Qt: d M y for dates, h H m s z, AP/ap, t (time zone), '...' literals.
    // Framework: d m y, h n s zzz, am/pm, '/' and ':' for the separators.
    std::string R;
    const qsizetype N = QtPattern.size();
    for (qsizetype i = 0; i < N; ++i) {
        QChar C = QtPattern.at(i);
        if (C == u'\'') {
            qsizetype End = QtPattern.indexOf(u'\'', i + 1);
            if (End < 0) End = N;
            QString Lit = QtPattern.mid(i + 1, End - i - 1);
            if (!Lit.isEmpty()) R += "'" + ToCp1252(Lit) + "'";
            i = End;
            continue;
        }
        switch (C.unicode()) {
        case u'M': R.push_back('m'); break;
        case u'm': R.push_back('n'); break;
        case u'H': R.push_back('h'); break;
        case u'd':
        case u'y':
        case u'h':
        case u's':
        case u'z': R.push_back(static_cast<char>(C.unicode())); break;
        case u'A':
        case u'a':
            if (i + 1 < N && (QtPattern.at(i + 1) == u'P' || QtPattern.at(i + 1) == u'p')) ++i;
            R += "am/pm";
            break;
        case u't':
            // No time-zone token in the framework; drop it with the blank before it.
            if (!R.empty() && R.back() == ' ') R.pop_back();
            break;
        default: {
            int B = UnicodeToCp1252(C.unicode());
            char Ch = B < 0 ? '?' : static_cast<char>(B);
            if (DateSep != '\0' && Ch == DateSep)
                Ch = '/';
            else if (TimeSep != '\0' && Ch == TimeSep)
                Ch = ':';
            R.push_back(Ch);
        }
        }
    }
    return R;
}

namespace {

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
