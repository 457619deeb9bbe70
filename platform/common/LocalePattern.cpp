// Date and time patterns of the system's locale in the framework's pattern
// language, shared by every platform: Qt's patterns and Windows' pictures use
// the same letters for all but the AM/PM marker and the time zone.

#include "platform/Platform.h"

namespace platform {

std::string FrameworkPattern(std::u16string_view Pattern, char DateSep, char TimeSep) {
    // Qt: d M y for dates, h H m s z, AP/ap, t (time zone), '...' literals.
    // Framework: d m y, h n s zzz, am/pm, '/' and ':' for the separators.
    std::string R;
    const std::size_t N = Pattern.size();
    for (std::size_t i = 0; i < N; ++i) {
        const char16_t C = Pattern[i];
        if (C == u'\'') {
            std::size_t End = Pattern.find(u'\'', i + 1);
            if (End == std::u16string_view::npos) End = N;
            const std::u16string_view Lit = Pattern.substr(i + 1, End - i - 1);
            if (!Lit.empty()) R += "'" + Cp1252FromUtf16(Lit) + "'";
            i = End;
            continue;
        }
        switch (C) {
        case u'M': R.push_back('m'); break;
        case u'm': R.push_back('n'); break;
        case u'H': R.push_back('h'); break;
        case u'd':
        case u'y':
        case u'h':
        case u's':
        case u'z': R.push_back(static_cast<char>(C)); break;
        case u'A':
        case u'a':
            if (i + 1 < N && (Pattern[i + 1] == u'P' || Pattern[i + 1] == u'p')) ++i;
            R += "am/pm";
            break;
        case u't':
            // No time-zone token in the framework; drop it with the blank before it.
            if (!R.empty() && R.back() == ' ') R.pop_back();
            break;
        default: {
            const int B = UnicodeToCp1252(C);
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

} // namespace platform
