// The program's own date and number formatting, independent of the C locale.

#include "support/VxGlobals.h"
#include "support/VxStrUtils.h"

#include <cctype>
#include <charconv>
#include <cmath>

TFormatSettings& FormatSettings() {
    static TFormatSettings FS;
    return FS;
}

namespace {

// Day of the week, 0 = Sunday (proleptic Gregorian calendar).
int DayOfWeek(int Y, int M, int D) {
    if (M < 1 || M > 12) return 0;
    Y -= M <= 2;
    const long Era = (Y >= 0 ? Y : Y - 399) / 400;
    const long Yoe = Y - Era * 400;
    const long Doy = (153L * (M + (M > 2 ? -3 : 9)) + 2) / 5 + D - 1;
    const long Doe = Yoe * 365 + Yoe / 4 - Yoe / 100 + Doy;
    const long Days = Era * 146097 + Doe - 719468; // days since 1970-01-01, a Thursday
    return static_cast<int>(((Days % 7) + 11) % 7);
}

void AppendNum(std::string& Out, int V, int MinDigits) {
    char Buf[16];
    auto [End, Ec] = std::to_chars(Buf, Buf + sizeof Buf, V < 0 ? -V : V);
    (void)Ec;
    if (V < 0) Out.push_back('-');
    for (auto Len = End - Buf; Len < MinDigits; ++Len) Out.push_back('0');
    Out.append(Buf, End);
}

bool StartsNoCase(std::string_view S, std::size_t Pos, std::string_view What) {
    return SameText(S.substr(Pos, What.size()), What);
}

bool HasAmPm(std::string_view F) {
    char Quote = 0;
    for (std::size_t i = 0; i < F.size(); ++i) {
        if (Quote) {
            if (F[i] == Quote) Quote = 0;
        } else if (F[i] == '"' || F[i] == '\'') {
            Quote = F[i];
        } else if (StartsNoCase(F, i, "am/pm") || StartsNoCase(F, i, "a/p")) {
            return true;
        }
    }
    return false;
}

void Format(std::string& Out, std::string_view F, const TDateTimeParts& DT, const TFormatSettings& FS,
            int Depth) {
    if (Depth > 2) return; // a format naming itself through ddddd / t ends here
    const bool Clock12 = HasAmPm(F);
    bool LastWasHour = false;
    std::size_t i = 0;
    while (i < F.size()) {
        const char C = F[i];
        const char L = static_cast<char>(std::tolower(static_cast<unsigned char>(C)));
        std::size_t Run = 1;
        while (i + Run < F.size() && std::tolower(static_cast<unsigned char>(F[i + Run])) == L) ++Run;
        switch (L) {
        case '"':
        case '\'': {
            std::size_t End = F.find(C, i + 1);
            if (End == std::string_view::npos) End = F.size();
            Out.append(F.substr(i + 1, End - i - 1));
            i = End + 1;
            continue;
        }
        case 'd':
            if (Run == 1)
                AppendNum(Out, DT.Day, 1);
            else if (Run == 2)
                AppendNum(Out, DT.Day, 2);
            else if (Run == 3)
                Out += FS.ShortDayNames[DayOfWeek(DT.Year, DT.Month, DT.Day)];
            else if (Run == 4)
                Out += FS.LongDayNames[DayOfWeek(DT.Year, DT.Month, DT.Day)];
            else if (Run == 5)
                Format(Out, FS.ShortDateFormat, DT, FS, Depth + 1);
            else
                Format(Out, FS.LongDateFormat, DT, FS, Depth + 1);
            break;
        case 'm':
            if (LastWasHour) {
                Run = std::min<std::size_t>(Run, 2);
                AppendNum(Out, DT.Minute, static_cast<int>(Run));
            } else if (Run <= 2) {
                AppendNum(Out, DT.Month, static_cast<int>(Run));
            } else if (DT.Month >= 1 && DT.Month <= 12) {
                Out += (Run == 3 ? FS.ShortMonthNames : FS.LongMonthNames)[DT.Month - 1];
            }
            break;
        case 'y':
            if (Run <= 2)
                AppendNum(Out, DT.Year % 100, 2);
            else
                AppendNum(Out, DT.Year, 4);
            break;
        case 'h': {
            int H = DT.Hour;
            if (Clock12) H = H % 12 == 0 ? 12 : H % 12;
            Run = std::min<std::size_t>(Run, 2);
            AppendNum(Out, H, static_cast<int>(Run));
            break;
        }
        case 'n':
            Run = std::min<std::size_t>(Run, 2);
            AppendNum(Out, DT.Minute, static_cast<int>(Run));
            break;
        case 's':
            Run = std::min<std::size_t>(Run, 2);
            AppendNum(Out, DT.Second, static_cast<int>(Run));
            break;
        case 'z': AppendNum(Out, DT.MSec, Run >= 3 ? 3 : 1); break;
        case 't': Format(Out, Run == 1 ? FS.ShortTimeFormat : FS.LongTimeFormat, DT, FS, Depth + 1); break;
        case 'c':
            Format(Out, FS.ShortDateFormat, DT, FS, Depth + 1);
            Out.push_back(' ');
            Format(Out, FS.LongTimeFormat, DT, FS, Depth + 1);
            break;
        case 'a':
            if (StartsNoCase(F, i, "am/pm")) {
                const bool Pm = DT.Hour >= 12;
                Out.append(F.substr(i + (Pm ? 3 : 0), 2)); // keeps the pattern's own case
                Run = 5;
            } else if (StartsNoCase(F, i, "a/p")) {
                Out.push_back(F[i + (DT.Hour >= 12 ? 2 : 0)]);
                Run = 3;
            } else {
                Out.append(F.substr(i, Run));
            }
            break;
        case '/': Out.append(Run, FS.DateSeparator); break;
        case ':': Out.append(Run, FS.TimeSeparator); break;
        default: Out.append(F.substr(i, Run)); break;
        }
        if (L == 'h')
            LastWasHour = true;
        else if (L != ' ' && L != ':' && !std::isdigit(static_cast<unsigned char>(L)))
            LastWasHour = false;
        i += Run;
    }
}

} // namespace

std::string FormatDateTime(const std::string& Fmt, const TDateTimeParts& DT, const TFormatSettings& FS) {
    std::string Out;
    Out.reserve(Fmt.size() + 8);
    Format(Out, Fmt.empty() ? std::string_view("c") : std::string_view(Fmt), DT, FS, 0);
    return Out;
}

std::string FloatToStr(double Value, const TFormatSettings& FS) {
    if (std::isnan(Value)) return "NAN";
    if (std::isinf(Value)) return Value < 0 ? "-INF" : "INF";
    if (Value == 0) return "0";
    // 15 significant digits; scientific below 1E-4 or from 1E15, as "1,5E20" or "1E-5".
    char Buf[64];
    auto [End, Ec] = std::to_chars(Buf, Buf + sizeof Buf, Value, std::chars_format::general, 15);
    (void)Ec;
    std::string_view Raw(Buf, static_cast<std::size_t>(End - Buf));
    std::string R;
    std::size_t E = Raw.find('e');
    std::string_view Mant = Raw.substr(0, E);
    for (char C : Mant) R.push_back(C == '.' ? FS.DecimalSeparator : C);
    if (E != std::string_view::npos) {
        std::string_view Exp = Raw.substr(E + 1);
        R.push_back('E');
        if (!Exp.empty() && (Exp[0] == '-' || Exp[0] == '+')) {
            if (Exp[0] == '-') R.push_back('-');
            Exp.remove_prefix(1);
        }
        while (Exp.size() > 1 && Exp[0] == '0') Exp.remove_prefix(1);
        R.append(Exp);
    }
    return R;
}
