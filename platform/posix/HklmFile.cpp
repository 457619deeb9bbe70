#include "HklmFile.h"

#include "Platform.h"

#include <QString>
#include <cstdio>
#include <vector>

namespace platform::detail {

namespace {

const std::u16string_view kHklmPrefix = u"HKEY_LOCAL_MACHINE\\";

enum class Format { Regedit4, Regedit5Utf16, Regedit5Utf8 };

struct Found {
    bool IsString = false;     // "..." data
    bool IsExpandable = false; // hex(2): data
    std::u16string Text;
    std::vector<unsigned char> Bytes;
};

class Malformed {
public:
    Malformed(int ALine, const char* AWhat) : Line(ALine), What(AWhat) {}
    int Line;
    const char* What;
};

bool EqualsNoCase(std::u16string_view A, std::u16string_view B) {
    return QStringView(A.data(), static_cast<qsizetype>(A.size()))
               .compare(QStringView(B.data(), static_cast<qsizetype>(B.size())), Qt::CaseInsensitive) == 0;
}

std::u16string_view TrimRight(std::u16string_view S) {
    while (!S.empty() && (S.back() == u' ' || S.back() == u'\t' || S.back() == u'\r')) S.remove_suffix(1);
    return S;
}

std::u16string_view TrimLeft(std::u16string_view S) {
    while (!S.empty() && (S.front() == u' ' || S.front() == u'\t')) S.remove_prefix(1);
    return S;
}

std::u16string_view StripTrailingBackslashes(std::u16string_view S) {
    while (!S.empty() && S.back() == u'\\') S.remove_suffix(1);
    return S;
}

// Reads a quoted text starting after its opening quote; \" and \\ are the
// escapes. Returns the position after the closing quote.
std::size_t ReadQuoted(std::u16string_view L, std::size_t Pos, int LineNo, std::u16string& Out) {
    Out.clear();
    while (Pos < L.size()) {
        char16_t C = L[Pos];
        if (C == u'"') return Pos + 1;
        if (C == u'\\' && Pos + 1 < L.size() && (L[Pos + 1] == u'"' || L[Pos + 1] == u'\\')) {
            Out.push_back(L[Pos + 1]);
            Pos += 2;
            continue;
        }
        Out.push_back(C);
        ++Pos;
    }
    throw Malformed(LineNo, "unterminated string");
}

int HexDigit(char16_t C) {
    if (C >= u'0' && C <= u'9') return C - u'0';
    if (C >= u'a' && C <= u'f') return C - u'a' + 10;
    if (C >= u'A' && C <= u'F') return C - u'A' + 10;
    return -1;
}

// A comma-separated byte list; a trailing backslash continues it on the next line.
std::vector<unsigned char> ReadHexList(const std::vector<std::u16string_view>& Lines, std::size_t& Index,
                                       std::u16string_view Data) {
    std::vector<unsigned char> Bytes;
    const int FirstLine = static_cast<int>(Index) + 1;
    for (;;) {
        Data = TrimRight(TrimLeft(Data));
        bool Continues = !Data.empty() && Data.back() == u'\\';
        if (Continues) Data = TrimRight(Data.substr(0, Data.size() - 1));
        std::size_t P = 0;
        while (P < Data.size()) {
            std::size_t Comma = Data.find(u',', P);
            std::u16string_view Item = TrimRight(
                TrimLeft(Data.substr(P, Comma == std::u16string_view::npos ? Data.npos : Comma - P)));
            if (Item.empty() && Comma == std::u16string_view::npos) break; // list ending in a comma
            if (Item.size() != 2 || HexDigit(Item[0]) < 0 || HexDigit(Item[1]) < 0)
                throw Malformed(static_cast<int>(Index) + 1, "broken line");
            Bytes.push_back(static_cast<unsigned char>(HexDigit(Item[0]) * 16 + HexDigit(Item[1])));
            if (Comma == std::u16string_view::npos) break;
            P = Comma + 1;
        }
        if (!Continues) return Bytes;
        if (++Index >= Lines.size()) throw Malformed(FirstLine, "unterminated value");
        Data = Lines[Index];
    }
}

std::u16string DecodeFile(const std::string& Bytes, Format& Fmt) {
    if (Bytes.size() >= 2 && static_cast<unsigned char>(Bytes[0]) == 0xFF &&
        static_cast<unsigned char>(Bytes[1]) == 0xFE) {
        Fmt = Format::Regedit5Utf16;
        std::u16string R;
        R.reserve(Bytes.size() / 2);
        for (std::size_t i = 2; i + 1 < Bytes.size(); i += 2)
            R.push_back(static_cast<char16_t>(static_cast<unsigned char>(Bytes[i]) |
                                              (static_cast<unsigned char>(Bytes[i + 1]) << 8)));
        return R;
    }
    std::string_view V(Bytes);
    bool Bom = V.size() >= 3 && V.substr(0, 3) == "\xEF\xBB\xBF";
    if (Bom) V.remove_prefix(3);
    if (!Bom && V.substr(0, 8) == "REGEDIT4") {
        Fmt = Format::Regedit4;
        return Utf16FromCp1252(V);
    }
    Fmt = Format::Regedit5Utf8;
    QString Q = QString::fromUtf8(V.data(), static_cast<qsizetype>(V.size()));
    return std::u16string(reinterpret_cast<const char16_t*>(Q.utf16()), static_cast<std::size_t>(Q.size()));
}

std::string ValueText(const Found& F, Format Fmt) {
    std::u16string Text;
    if (F.IsString) {
        Text = F.Text;
    } else if (Fmt == Format::Regedit4) {
        std::string Ansi(F.Bytes.begin(), F.Bytes.end());
        Text = Utf16FromCp1252(Ansi);
    } else {
        for (std::size_t i = 0; i + 1 < F.Bytes.size(); i += 2)
            Text.push_back(static_cast<char16_t>(F.Bytes[i] | (F.Bytes[i + 1] << 8)));
    }
    // The stored text ends at its first NUL, as the registry API reads it.
    if (auto Nul = Text.find(u'\0'); Nul != std::u16string::npos) Text.resize(Nul);
    return QString::fromUtf16(Text.data(), static_cast<qsizetype>(Text.size())).toStdString();
}

std::optional<Found> Parse(std::u16string_view Content, std::u16string_view Key, std::u16string_view Value,
                           bool& KeySeen) {
    std::vector<std::u16string_view> Lines;
    for (std::size_t Start = 0;;) {
        std::size_t End = Content.find(u'\n', Start);
        if (End == Content.npos && Start == Content.size() && Start > 0) break; // after the last line end
        Lines.push_back(TrimRight(Content.substr(Start, End == Content.npos ? Content.npos : End - Start)));
        if (End == Content.npos) break;
        Start = End + 1;
    }
    if (Lines[0] != u"REGEDIT4" && Lines[0] != u"Windows Registry Editor Version 5.00")
        throw Malformed(1, "unknown header");

    std::optional<Found> Result;
    bool InSection = false, InKey = false;
    std::u16string Name, Text;
    for (std::size_t i = 1; i < Lines.size(); ++i) {
        const int LineNo = static_cast<int>(i) + 1;
        std::u16string_view L = TrimLeft(Lines[i]);
        if (L.empty() || L.front() == u';') continue;
        if (L.front() == u'[') {
            if (L.back() != u']') throw Malformed(LineNo, "broken line");
            std::u16string_view S = L.substr(1, L.size() - 2);
            InSection = true;
            InKey = S.size() > kHklmPrefix.size() &&
                    EqualsNoCase(S.substr(0, kHklmPrefix.size()), kHklmPrefix) &&
                    EqualsNoCase(StripTrailingBackslashes(S.substr(kHklmPrefix.size())), Key);
            KeySeen |= InKey;
            continue;
        }
        if (L.front() != u'"' && L.front() != u'@') throw Malformed(LineNo, "broken line");
        if (!InSection) throw Malformed(LineNo, "value outside a key");
        std::size_t P = 1;
        if (L.front() == u'"')
            P = ReadQuoted(L, 1, LineNo, Name);
        else
            Name.clear();
        std::u16string_view Rest = TrimLeft(L.substr(P));
        if (Rest.empty() || Rest.front() != u'=') throw Malformed(LineNo, "broken line");
        Rest = TrimLeft(Rest.substr(1));
        Found F;
        bool Deleted = false;
        if (!Rest.empty() && Rest.front() == u'"') {
            std::size_t After = ReadQuoted(Rest, 1, LineNo, Text);
            if (!TrimLeft(Rest.substr(After)).empty()) throw Malformed(LineNo, "broken line");
            F.IsString = true;
            F.Text = Text;
        } else if (Rest == u"-") {
            Deleted = true;
        } else {
            std::size_t Colon = Rest.find(u':');
            if (Colon == Rest.npos || Colon == 0) throw Malformed(LineNo, "broken line");
            std::u16string_view Type = Rest.substr(0, Colon);
            std::u16string_view Data = Rest.substr(Colon + 1);
            if (EqualsNoCase(Type, u"dword")) {
                Data = TrimLeft(Data);
                if (Data.size() != 8) throw Malformed(LineNo, "broken line");
                for (char16_t C : Data)
                    if (HexDigit(C) < 0) throw Malformed(LineNo, "broken line");
            } else if (EqualsNoCase(Type.substr(0, 3), u"hex")) {
                F.Bytes = ReadHexList(Lines, i, Data);
                F.IsExpandable = EqualsNoCase(Type, u"hex(2)");
            } else {
                throw Malformed(LineNo, "broken line");
            }
        }
        if (InKey && EqualsNoCase(Name, Value)) {
            // The last definition wins, as on import.
            if (Deleted)
                Result.reset();
            else
                Result = std::move(F);
        }
    }
    return Result;
}

} // namespace

std::optional<std::string> ReadHklmFileString(const std::string& File, std::string_view Key,
                                              std::string_view Value, HklmMissing* Missing) {
    const std::string Unreadable = "Cannot read registry file '" + Cp1252FromUtf8(File) + "'";
    RegularFile In = OpenRegularFile(File);
    if (In.Status == OpenStatus::Missing) {
        if (Missing) *Missing = HklmMissing::Source;
        return std::nullopt;
    }
    if (In.Status != OpenStatus::Opened) throw PlatformError(Unreadable);
    std::string Bytes;
    char Buffer[65536];
    for (;;) {
        const std::size_t N = std::fread(Buffer, 1, sizeof Buffer, In.File.get());
        Bytes.append(Buffer, N);
        if (N < sizeof Buffer) break;
    }
    if (std::ferror(In.File.get())) throw PlatformError(Unreadable);
    return ReadHklmBytes(Bytes, File, Key, Value, Missing);
}

std::optional<std::string> ReadHklmBytes(const std::string& Bytes, const std::string& File,
                                         std::string_view Key, std::string_view Value, HklmMissing* Missing) {
    Format Fmt = Format::Regedit4;
    std::u16string Content = DecodeFile(Bytes, Fmt);
    std::u16string KeyU = Utf16FromCp1252(Key);
    std::u16string ValueU = Utf16FromCp1252(Value);
    std::optional<Found> F;
    bool KeySeen = false;
    try {
        F = Parse(Content, StripTrailingBackslashes(KeyU), ValueU, KeySeen);
    } catch (const Malformed& M) {
        throw PlatformError("Malformed registry file '" + Cp1252FromUtf8(File) + "', line " +
                            std::to_string(M.Line) + ": " + M.What);
    }
    if (!F) {
        if (Missing) *Missing = KeySeen ? HklmMissing::Value : HklmMissing::Key;
        return std::nullopt;
    }
    if (!F->IsString && !F->IsExpandable)
        throw PlatformError("Invalid data type for '" + std::string(Value) + "'");
    return ValueText(*F, Fmt);
}

} // namespace platform::detail
