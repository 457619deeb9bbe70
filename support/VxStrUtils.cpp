#include "support/VxStrUtils.h"

#include "platform/Platform.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

namespace {

template <class Int>
bool ParseInteger(std::string_view Text, Int& Value) {
    std::size_t I = 0;
    while (I < Text.size() && Text[I] == ' ') ++I;
    if (I < Text.size() && Text[I] == '+') {
        ++I;
        if (I < Text.size() && Text[I] == '-') return false;
    }
    const char* First = Text.data() + I;
    const char* Last = Text.data() + Text.size();
    if (First == Last) return false;
    const auto [End, Ec] = std::from_chars(First, Last, Value);
    return Ec == std::errc() && End == Last;
}

char UpperAscii(char C) {
    return C >= 'a' && C <= 'z' ? static_cast<char>(C - 'a' + 'A') : C;
}

std::string_view EffectivePad(std::string_view Pad) {
    return (Pad.empty() || (Pad.size() == 1 && Pad[0] == '\0')) ? std::string_view(" ") : Pad;
}

} // namespace

bool TryStrToInt(std::string_view Text, std::int64_t& Value) {
    return ParseInteger(Text, Value);
}

bool TryStrToInt(std::string_view Text, int& Value) {
    return ParseInteger(Text, Value);
}

std::string PadR(std::string_view S, std::string_view Pad, int Width) {
    Pad = EffectivePad(Pad);
    if (Width < 1) Width = 80;
    const auto W = static_cast<std::size_t>(Width);
    if (W <= S.size()) return std::string(S.substr(0, W));
    std::string R;
    R.reserve(W + Pad.size());
    R.append(S);
    while (R.size() < W) R.append(Pad); // a multi-byte pad is never cut
    return R;
}

std::string PadL(std::string_view S, std::string_view Pad, int Width) {
    Pad = EffectivePad(Pad);
    if (Width < 1) Width = 80;
    const auto W = static_cast<std::size_t>(Width);
    if (W <= S.size()) return std::string(S.substr(0, W)); // keeps the FIRST Width bytes
    std::size_t Copies = (W - S.size() + Pad.size() - 1) / Pad.size();
    std::string R;
    R.reserve(Copies * Pad.size() + S.size());
    for (std::size_t i = 0; i < Copies; ++i) R.append(Pad);
    R.append(S);
    return R;
}

std::string SubStr(std::string_view S, int From, int Count) {
    if (From > static_cast<int>(S.size())) return {};
    if (Count < 1) Count = static_cast<int>(S.size());
    if (From < 1) From = 1;
    return std::string(S.substr(static_cast<std::size_t>(From - 1), static_cast<std::size_t>(Count)));
}

std::string AllTrim(std::string_view S) {
    auto Blank = [](char C) { return static_cast<unsigned char>(C) <= 32; };
    while (!S.empty() && Blank(S.front())) S.remove_prefix(1);
    while (!S.empty() && Blank(S.back())) S.remove_suffix(1);
    return std::string(S);
}

std::string IncludeBackslash(std::string_view S) {
    std::string R(S);
    if (R.empty() || R.back() != '\\') R.push_back('\\');
    return R;
}

std::string ExcludePathDelimiter(std::string_view S) {
    // Whatever ends a folder for IncludePathDelimiter (either slash on Windows).
    if (!S.empty() && platform::IncludePathDelimiter(S).size() == S.size()) S.remove_suffix(1);
    return std::string(S);
}

std::string PathText(std::string_view Path) {
    return platform::Cp1252FromUtf8(Path);
}

std::string UpperCaseAscii(std::string_view S) {
    std::string R(S);
    for (char& C : R) C = UpperAscii(C);
    return R;
}

bool SameText(std::string_view A, std::string_view B) {
    return A.size() == B.size() && std::equal(A.begin(), A.end(), B.begin(),
                                              [](char X, char Y) { return UpperAscii(X) == UpperAscii(Y); });
}

void SplitToList(std::string_view S, std::string_view Separator, TStringList& List) {
    if (Separator.empty()) return;
    List.clear();
    std::size_t Start = 0;
    for (;;) {
        std::size_t P = S.find(Separator, Start);
        if (P == std::string_view::npos) {
            List.emplace_back(S.substr(Start));
            return;
        }
        List.emplace_back(S.substr(Start, P - Start));
        Start = P + Separator.size();
    }
}

std::string RightPart(std::string_view S, int N) {
    if (N <= 0 || static_cast<std::size_t>(N) > S.size()) return {};
    return std::string(S.substr(S.size() - static_cast<std::size_t>(N)));
}

std::string Replicate(std::string_view S, int N) {
    std::string R;
    if (N <= 0) return R;
    R.reserve(S.size() * static_cast<std::size_t>(N));
    for (int i = 0; i < N; ++i) R.append(S);
    return R;
}

void AppendPadR(std::string& Out, std::string_view S, std::size_t Width) {
    if (S.size() >= Width) {
        Out.append(S.substr(0, Width));
    } else {
        Out.append(S);
        Out.append(Width - S.size(), ' ');
    }
}

void AppendPadL(std::string& Out, std::string_view S, std::size_t Width) {
    if (S.size() >= Width) {
        Out.append(S.substr(0, Width));
    } else {
        Out.append(Width - S.size(), ' ');
        Out.append(S);
    }
}

namespace {

// Replaces the first %<Letter> of Pattern with Arg; "%%" is a literal percent.
std::string FormatOne(std::string_view Pattern, std::string_view Arg) {
    std::string R;
    R.reserve(Pattern.size() + Arg.size());
    bool Done = false;
    for (std::size_t i = 0; i < Pattern.size(); ++i) {
        char C = Pattern[i];
        if (C == '%' && i + 1 < Pattern.size()) {
            char N = Pattern[i + 1];
            if (N == '%') {
                R.push_back('%');
                ++i;
                continue;
            }
            if (!Done && (N == 's' || N == 'd')) {
                R.append(Arg);
                Done = true;
                ++i;
                continue;
            }
        }
        R.push_back(C);
    }
    return R;
}

} // namespace

std::string FormatMsg(std::string_view Pattern, std::string_view Arg) {
    return FormatOne(Pattern, Arg);
}

std::string FormatMsg(std::string_view Pattern, long long Arg) {
    return FormatOne(Pattern, std::to_string(Arg));
}
