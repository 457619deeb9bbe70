#include "support/Utf8Output.h"

#include "platform/Platform.h"

#include <charconv>

namespace {

// The length of Text's start that goes out unchanged: ASCII other than
// control characters and the Special ones. The test is written out, since
// it runs for every byte printed.
template <char... Special>
std::size_t PlainRun(std::string_view Text) {
    std::size_t I = 0;
    for (; I < Text.size(); ++I) {
        const auto C = static_cast<unsigned char>(Text[I]);
        if (C < 0x20 || C >= 0x80 || ((C == static_cast<unsigned char>(Special)) || ...)) break;
    }
    return I;
}

bool IsControl(char C) {
    return static_cast<unsigned char>(C) < 0x20;
}

// A cell a spreadsheet reads as a number: an optional sign, digits, one
// decimal separator and an exponent at most; a leading minus there is the
// number's own and stays.
bool IsPlainNumber(std::string_view Text) {
    std::size_t I = 0;
    const auto Sign = [&] {
        if (I < Text.size() && (Text[I] == '-' || Text[I] == '+')) ++I;
    };
    const auto Digits = [&] {
        const std::size_t From = I;
        while (I < Text.size() && Text[I] >= '0' && Text[I] <= '9') ++I;
        return I > From;
    };
    Sign();
    if (!Digits()) return false;
    if (I < Text.size() && (Text[I] == '.' || Text[I] == ',')) {
        ++I;
        if (!Digits()) return false;
    }
    if (I < Text.size() && (Text[I] == 'E' || Text[I] == 'e')) {
        ++I;
        Sign();
        if (!Digits()) return false;
    }
    return I == Text.size();
}

// Whether a spreadsheet would take the cell for a formula. TAB and CR, which
// start one too, never begin a spreadsheet cell: they show as symbols.
bool StartsFormula(std::string_view Text) {
    return !Text.empty() && std::string_view("=+-@").find(Text.front()) != std::string_view::npos &&
           !IsPlainNumber(Text);
}

} // namespace

void Utf8Output::Put(std::string_view S) {
    if (FBuffer.size() + S.size() > BufferSize) {
        Flush();
        if (S.size() >= BufferSize) {
            Write(S);
            return;
        }
    }
    FBuffer += S;
}

void Utf8Output::PutNumber(long long N) {
    char Digits[24];
    const auto Result = std::to_chars(Digits, Digits + sizeof Digits, N);
    Put(std::string_view(Digits, static_cast<std::size_t>(Result.ptr - Digits)));
}

void Utf8Output::PutCp1252(char C) {
    const char16_t U = platform::Cp1252ToUnicode(static_cast<unsigned char>(C));
    if (U < 0x80) {
        Put(static_cast<char>(U));
    } else if (U < 0x800) {
        Put(static_cast<char>(0xC0 | (U >> 6)));
        Put(static_cast<char>(0x80 | (U & 0x3F)));
    } else {
        Put(static_cast<char>(0xE0 | (U >> 12)));
        Put(static_cast<char>(0x80 | ((U >> 6) & 0x3F)));
        Put(static_cast<char>(0x80 | (U & 0x3F)));
    }
}

void Utf8Output::PutUtf8(std::string_view Text, std::string_view Doubled) {
    while (!Text.empty()) {
        // Control characters other than the doubled ones go out as they are.
        std::size_t Plain = 0;
        if (Doubled.empty())
            while (Plain < Text.size() && static_cast<unsigned char>(Text[Plain]) < 0x80) ++Plain;
        else
            while (Plain < Text.size() && static_cast<unsigned char>(Text[Plain]) < 0x80 &&
                   Doubled.find(Text[Plain]) == std::string_view::npos)
                ++Plain;
        Put(Text.substr(0, Plain));
        if (Plain == Text.size()) return;
        const char C = Text[Plain];
        Text.remove_prefix(Plain + 1);
        if (static_cast<unsigned char>(C) < 0x80) Put(C);
        PutCp1252(C);
    }
}

void Utf8Output::PutControl(char C) {
    switch (C) {
    case '\r': Put("\\r"); break;
    case '\n': Put("\\n"); break;
    case '\t': Put("\\t"); break;
    default: {
        char Hex[8];
        std::snprintf(Hex, sizeof Hex, "\\x%02X", static_cast<unsigned char>(C));
        Put(Hex);
    }
    }
}

void Utf8Output::PutEscaped(std::string_view Text) {
    while (!Text.empty()) {
        const std::size_t Plain = PlainRun<'\\', '"'>(Text);
        Put(Text.substr(0, Plain));
        if (Plain == Text.size()) return;
        const char C = Text[Plain];
        Text.remove_prefix(Plain + 1);
        if (C == '\\' || C == '"') {
            Put('\\');
            Put(C);
        } else if (IsControl(C)) {
            PutControl(C);
        } else {
            PutCp1252(C);
        }
    }
}

void Utf8Output::PutEscapedName(std::string_view Name) {
    for (const char C : Name) {
        if (IsControl(C))
            PutControl(C);
        else
            Put(C);
    }
}

void Utf8Output::PutCsvField(std::string_view Text, CsvCells How) {
    PutCsvCell(Text, true, How);
}

void Utf8Output::PutCsvName(std::string_view Name, CsvCells How) {
    PutCsvCell(Name, false, How);
}

void Utf8Output::PutCsvCell(std::string_view Text, bool Cp1252, CsvCells How) {
    const bool Spreadsheet = How == CsvCells::Spreadsheet;
    const bool Formula = Spreadsheet && StartsFormula(Text);
    const bool Quoted =
        Formula || Text.find_first_of(Spreadsheet ? ",\";" : ",\"\r\n") != std::string_view::npos;
    if (Quoted) Put('"');
    if (Formula) Put('\'');
    while (!Text.empty()) {
        const std::size_t Plain = PlainRun<'"'>(Text);
        Put(Text.substr(0, Plain));
        if (Plain == Text.size()) break;
        const char C = Text[Plain];
        Text.remove_prefix(Plain + 1);
        if (C == '"') {
            Put("\"\"");
        } else if (Spreadsheet && IsControl(C)) {
            // U+2400 + C, the symbol of the control character.
            Put("\xE2\x90");
            Put(static_cast<char>(0x80 + C));
        } else if (Cp1252) {
            PutCp1252(C);
        } else {
            Put(C);
        }
    }
    if (Quoted) Put('"');
}

bool Utf8Output::Flush() {
    Write(FBuffer);
    FBuffer.clear();
    return !FFailed;
}

bool Utf8Output::Finish() {
    Flush();
    if (FFile && std::fflush(FFile) != 0) FFailed = true;
    return !FFailed;
}

void Utf8Output::Write(std::string_view S) {
    if (S.empty()) return;
    if (FText) {
        FText->append(S);
    } else if (std::fwrite(S.data(), 1, S.size(), FFile) != S.size()) {
        FFailed = true;
    }
}
