#include "dataset/FieldText.h"

#include "support/VxExceptions.h"
#include "support/VxGlobals.h"
#include "support/VxStrUtils.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace dataset {

namespace {

bool Digits(std::string_view S, size_t At, size_t N, int& Value) {
    if (At + N > S.size()) return false;
    Value = 0;
    for (size_t i = At; i < At + N; ++i) {
        if (S[i] < '0' || S[i] > '9') return false;
        Value = Value * 10 + (S[i] - '0');
    }
    return true;
}

int DaysInMonth(int Year, int Month) {
    static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = Year % 4 == 0 && (Year % 100 != 0 || Year % 400 == 0);
    return Month == 2 && leap ? 29 : kDays[Month - 1];
}

// "yyyymmdd" naming a day of the Gregorian calendar.
bool ParseDate(std::string_view S, TDateTimeParts& P) {
    return S.size() >= 8 && Digits(S, 0, 4, P.Year) && Digits(S, 4, 2, P.Month) && Digits(S, 6, 2, P.Day) &&
           P.Month >= 1 && P.Month <= 12 && P.Day >= 1 && P.Day <= DaysInMonth(P.Year, P.Month);
}

// "hh:nn:ss" or "hhnnss", then optional milliseconds ("zzz" or ".zzz").
bool ParseTime(std::string_view S, TDateTimeParts& P) {
    size_t i = 0;
    if (!Digits(S, i, 2, P.Hour)) return false;
    i += 2;
    if (i < S.size() && S[i] == ':') ++i;
    if (!Digits(S, i, 2, P.Minute)) return false;
    i += 2;
    if (i < S.size() && S[i] == ':') ++i;
    if (!Digits(S, i, 2, P.Second)) return false;
    i += 2;
    if (i < S.size() && S[i] == '.') ++i;
    if (i < S.size()) {
        if (S.size() - i > 3 || !Digits(S, i, S.size() - i, P.MSec)) return false;
    }
    return P.Hour < 24 && P.Minute < 60 && P.Second < 60;
}

// Decimal text that is its own canonical form (no sign but '-', no leading zero).
bool CanonicalInteger(std::string_view S) {
    size_t i = S.size() > 1 && S[0] == '-' ? 1 : 0;
    if (i == S.size() || S.size() - i > 18) return false;
    if (S[i] == '0' && (S.size() - i > 1 || i == 1)) return false;
    for (; i < S.size(); ++i)
        if (S[i] < '0' || S[i] > '9') return false;
    return true;
}

int Base64Digit(char C) {
    if (C >= 'A' && C <= 'Z') return C - 'A';
    if (C >= 'a' && C <= 'z') return C - 'a' + 26;
    if (C >= '0' && C <= '9') return C - '0' + 52;
    if (C == '+') return 62;
    if (C == '/') return 63;
    return -1;
}

bool DecodeBase64(std::string_view S, std::string& Out) {
    Out.clear();
    uint32_t acc = 0;
    int bits = 0;
    for (char c : S) {
        if (c == '=' || c == '\r' || c == '\n' || c == ' ') continue;
        const int d = Base64Digit(c);
        if (d < 0) return false;
        acc = (acc << 6) | static_cast<uint32_t>(d);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            Out += static_cast<char>((acc >> bits) & 0xFF);
        }
    }
    return true;
}

[[noreturn]] void BadValue(std::string_view Value, const char* What, const FieldDef& Def) {
    throw EVxError("'" + std::string(Value) + "' is not a valid " + What + " value for field '" + Def.Name +
                   "'");
}

} // namespace

bool IsFloatType(FieldType T) {
    return T == FieldType::Float || T == FieldType::Fixed || T == FieldType::FixedFmt;
}

bool ParseStoredInteger(std::string_view Stored, int64_t& Value) {
    if (Stored.empty()) return false;
    const auto r = std::from_chars(Stored.data(), Stored.data() + Stored.size(), Value);
    return r.ec == std::errc() && r.ptr == Stored.data() + Stored.size();
}

bool ParseStoredFloat(std::string_view Stored, double& Value) {
    if (Stored.empty()) return false;
    const auto r = std::from_chars(Stored.data(), Stored.data() + Stored.size(), Value);
    return r.ec == std::errc() && r.ptr == Stored.data() + Stored.size() && std::isfinite(Value);
}

bool ParseStoredBoolean(std::string_view Stored, bool& Value) {
    auto same = [](std::string_view A, std::string_view B) {
        if (A.size() != B.size()) return false;
        for (size_t i = 0; i < A.size(); ++i)
            if ((A[i] | 0x20) != (B[i] | 0x20)) return false;
        return true;
    };
    if (same(Stored, "true"))
        Value = true;
    else if (same(Stored, "false"))
        Value = false;
    else
        return false;
    return true;
}

namespace {
// Copies Text into Scratch's own buffer (a move would free the buffer a view
// taken at an earlier read of the same value points into).
std::string_view Keep(std::string& Scratch, const std::string& Text) {
    Scratch.assign(Text.data(), Text.size());
    return Scratch;
}
} // namespace

std::string_view StoredToText(const FieldDef& Def, std::string_view Stored, std::string& Scratch) {
    const FieldType t = Def.Type;
    if (IsTextType(t)) return Stored;
    if (IsIntegerType(t)) {
        if (CanonicalInteger(Stored)) return Stored;
        int64_t v = 0;
        if (!ParseStoredInteger(Stored, v)) return Stored;
        return Keep(Scratch, std::to_string(v));
    }
    if (IsFloatType(t)) {
        double v = 0;
        if (!ParseStoredFloat(Stored, v)) return Stored;
        return Keep(Scratch, FloatToStr(v));
    }
    switch (t) {
    case FieldType::Boolean: {
        bool b = false;
        if (!ParseStoredBoolean(Stored, b)) return Stored;
        return b ? "True" : "False";
    }
    case FieldType::Date: {
        TDateTimeParts p;
        if (Stored.size() != 8 || !ParseDate(Stored, p)) return Stored;
        return Keep(Scratch, FormatDateTime(FormatSettings().ShortDateFormat, p));
    }
    case FieldType::Time: {
        TDateTimeParts p;
        if (!ParseTime(Stored, p)) return Stored;
        return Keep(Scratch, FormatDateTime(FormatSettings().LongTimeFormat, p));
    }
    case FieldType::DateTime: {
        TDateTimeParts p;
        if (!ParseDate(Stored, p)) return Stored;
        if (Stored.size() > 8) {
            if (Stored[8] != 'T' || !ParseTime(Stored.substr(9), p)) return Stored;
        }
        // Midnight shows the date alone, as the framework's date-time text does.
        Keep(Scratch, FormatDateTime(FormatSettings().ShortDateFormat, p));
        if (p.Hour || p.Minute || p.Second || p.MSec)
            Scratch += ' ' + FormatDateTime(FormatSettings().LongTimeFormat, p);
        return Scratch;
    }
    case FieldType::BinHex: {
        if (Def.SubType == "Text") return Stored;
        if (!DecodeBase64(Stored, Scratch)) return Stored;
        return Scratch;
    }
    case FieldType::Nested: return {};
    default: return Stored;
    }
}

int StoredToInteger(const FieldDef& Def, std::string_view Stored) {
    const FieldType t = Def.Type;
    int64_t v = 0;
    if (IsIntegerType(t)) {
        if (!ParseStoredInteger(Stored, v)) BadValue(Stored, "integer", Def);
    } else if (IsFloatType(t)) {
        double d = 0;
        if (!ParseStoredFloat(Stored, d) || std::fabs(d) > 9.3e18) BadValue(Stored, "integer", Def);
        v = static_cast<int64_t>(std::nearbyint(d));
    } else if (IsTextType(t) || (t == FieldType::BinHex && Def.SubType == "Text")) {
        if (!TryStrToInt(Stored, v)) BadValue(Stored, "integer", Def);
    } else {
        std::string scratch;
        BadValue(StoredToText(Def, Stored, scratch), "integer", Def);
    }
    if (v < std::numeric_limits<int>::min() || v > std::numeric_limits<int>::max())
        BadValue(Stored, "integer", Def);
    return static_cast<int>(v);
}

std::string TextToStored(const FieldDef& Def, std::string_view Text) {
    const FieldType t = Def.Type;
    if (IsTextType(t) || (t == FieldType::BinHex && Def.SubType == "Text")) return std::string(Text);
    if (IsIntegerType(t)) {
        int64_t v = 0;
        if (!TryStrToInt(Text, v)) BadValue(Text, "integer", Def);
        return std::to_string(v);
    }
    if (IsFloatType(t)) {
        std::string s(Text);
        while (!s.empty() && s.front() == ' ') s.erase(s.begin());
        while (!s.empty() && s.back() == ' ') s.pop_back();
        for (char& c : s)
            if (c == FormatSettings().DecimalSeparator) c = '.';
        double d = 0;
        if (!ParseStoredFloat(s, d)) BadValue(Text, "floating point", Def);
        return s;
    }
    if (t == FieldType::Boolean) {
        bool b = false;
        if (!ParseStoredBoolean(Text, b)) BadValue(Text, "boolean", Def);
        return b ? "TRUE" : "FALSE";
    }
    throw EVxError("Field '" + Def.Name + "' cannot be set as text");
}

} // namespace dataset
