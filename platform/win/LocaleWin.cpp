// The user's locale formats from Windows' own locale settings.

#ifdef _WIN32

#include "platform/win/WinApi.h"

#include "platform/Platform.h"

namespace platform {

namespace {

std::u16string Info(LCTYPE Type) {
    wchar_t Buf[256] = {};
    const int N = GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, Type, Buf, 256);
    if (N <= 1) return {};
    return std::u16string(reinterpret_cast<const char16_t*>(Buf), static_cast<std::size_t>(N - 1));
}

std::string Text(LCTYPE Type) {
    return Cp1252FromUtf16(Info(Type));
}

char Cp1252Char(std::u16string_view S, char Fallback) {
    if (S.empty()) return Fallback;
    // Narrow and other no-break spaces (French grouping) have no CP1252 byte but 0xA0.
    if (S[0] == 0x202F || S[0] == 0x2009) return '\xA0';
    const int B = UnicodeToCp1252(S[0]);
    return B < 0 ? Fallback : static_cast<char>(B);
}

bool IsPictureLetter(char16_t C) {
    return (C >= u'a' && C <= u'z') || (C >= u'A' && C <= u'Z');
}

// The first character between the picture's fields, outside quoted text.
char SeparatorIn(std::u16string_view Picture, char Fallback) {
    bool InLit = false;
    for (char16_t C : Picture) {
        if (C == u'\'') InLit = !InLit;
        if (InLit || IsPictureLetter(C) || C == u'\'') continue;
        return Cp1252Char(std::u16string_view(&C, 1), Fallback);
    }
    return Fallback;
}

// Windows writes the AM/PM marker as t or tt, which the shared converter
// would read as a time zone; the era (g, gg) has no counterpart.
std::u16string QtLetters(std::u16string_view Picture) {
    std::u16string R;
    bool InLit = false;
    for (std::size_t i = 0; i < Picture.size(); ++i) {
        const char16_t C = Picture[i];
        if (C == u'\'') InLit = !InLit;
        if (InLit) {
            R.push_back(C);
            continue;
        }
        if (C == u't') {
            while (i + 1 < Picture.size() && Picture[i + 1] == u't') ++i;
            R += u"AP";
        } else if (C != u'g') {
            R.push_back(C);
        }
    }
    return R;
}

} // namespace

LocaleFormats UserLocaleFormats() {
    LocaleFormats F;
    const std::u16string SD = QtLetters(Info(LOCALE_SSHORTDATE));
    const std::u16string LD = QtLetters(Info(LOCALE_SLONGDATE));
    const std::u16string ST = QtLetters(Info(LOCALE_SSHORTTIME));
    const std::u16string LT = QtLetters(Info(LOCALE_STIMEFORMAT));
    F.DateSeparator = SeparatorIn(SD, '/');
    F.TimeSeparator = SeparatorIn(ST.empty() ? LT : ST, ':');
    // Only the short date's separator turns into '/'; long dates keep their text.
    if (!SD.empty()) F.ShortDateFormat = FrameworkPattern(SD, F.DateSeparator, '\0');
    if (!LD.empty()) F.LongDateFormat = FrameworkPattern(LD, '\0', '\0');
    if (!ST.empty()) F.ShortTimeFormat = FrameworkPattern(ST, '\0', F.TimeSeparator);
    if (!LT.empty()) F.LongTimeFormat = FrameworkPattern(LT, '\0', F.TimeSeparator);
    F.DecimalSeparator = Cp1252Char(Info(LOCALE_SDECIMAL), '.');
    F.ThousandSeparator = Cp1252Char(Info(LOCALE_STHOUSAND), ',');
    if (const std::string C = Text(LOCALE_SCURRENCY); !C.empty()) F.CurrencyString = C;
    for (int M = 0; M < 12; ++M) {
        if (std::string S = Text(static_cast<LCTYPE>(LOCALE_SABBREVMONTHNAME1 + M)); !S.empty())
            F.ShortMonthNames[static_cast<std::size_t>(M)] = S;
        if (std::string S = Text(static_cast<LCTYPE>(LOCALE_SMONTHNAME1 + M)); !S.empty())
            F.LongMonthNames[static_cast<std::size_t>(M)] = S;
    }
    for (int D = 0; D < 7; ++D) {
        // Windows counts Monday as the first day; the framework's lists start on Sunday.
        const auto Slot = static_cast<std::size_t>((D + 1) % 7);
        if (std::string S = Text(static_cast<LCTYPE>(LOCALE_SABBREVDAYNAME1 + D)); !S.empty())
            F.ShortDayNames[Slot] = S;
        if (std::string S = Text(static_cast<LCTYPE>(LOCALE_SDAYNAME1 + D)); !S.empty())
            F.LongDayNames[Slot] = S;
    }
    return F;
}

} // namespace platform

#endif // _WIN32
