// CP1252 and CP437 conversions, shared by every platform: the system's text is
// CP1252 bytes and converts only where it meets a widget, the console or a zip.

#include "platform/Platform.h"

#include <array>

namespace platform {

namespace {

// 0x80..0x9F of CP1252; the five undefined bytes keep their C1 code points so
// that every byte survives a round trip.
constexpr char16_t kCp1252High[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                      0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                      0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                      0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

constexpr std::array<char16_t, 256> MakeCp1252Table() {
    std::array<char16_t, 256> T{};
    for (int i = 0; i < 256; ++i)
        T[i] = (i >= 0x80 && i < 0xA0) ? kCp1252High[i - 0x80] : static_cast<char16_t>(i);
    return T;
}

constexpr std::array<char16_t, 256> kCp1252 = MakeCp1252Table();

constexpr char16_t kCp437High[128] = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7, 0x00EA, 0x00EB, 0x00E8, 0x00EF, 0x00EE,
    0x00EC, 0x00C4, 0x00C5, 0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9, 0x00FF, 0x00D6,
    0x00DC, 0x00A2, 0x00A3, 0x00A5, 0x20A7, 0x0192, 0x00E1, 0x00ED, 0x00F3, 0x00FA, 0x00F1, 0x00D1, 0x00AA,
    0x00BA, 0x00BF, 0x2310, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB, 0x2591, 0x2592, 0x2593, 0x2502,
    0x2524, 0x2561, 0x2562, 0x2556, 0x2555, 0x2563, 0x2551, 0x2557, 0x255D, 0x255C, 0x255B, 0x2510, 0x2514,
    0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F, 0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550,
    0x256C, 0x2567, 0x2568, 0x2564, 0x2565, 0x2559, 0x2558, 0x2552, 0x2553, 0x256B, 0x256A, 0x2518, 0x250C,
    0x2588, 0x2584, 0x258C, 0x2590, 0x2580, 0x03B1, 0x00DF, 0x0393, 0x03C0, 0x03A3, 0x03C3, 0x00B5, 0x03C4,
    0x03A6, 0x0398, 0x03A9, 0x03B4, 0x221E, 0x03C6, 0x03B5, 0x2229, 0x2261, 0x00B1, 0x2265, 0x2264, 0x2320,
    0x2321, 0x00F7, 0x2248, 0x00B0, 0x2219, 0x00B7, 0x221A, 0x207F, 0x00B2, 0x25A0, 0x00A0};

// Byte-to-byte maps between CP437 and CP1252, built once; '?' where the other
// code page lacks the character.
struct OemMaps {
    std::array<char, 256> ToAnsi{};
    std::array<char, 256> ToOem{};
    OemMaps() {
        ToOem.fill('?');
        for (int b = 0; b < 256; ++b) {
            int A = UnicodeToCp1252(Cp437ToUnicode(static_cast<unsigned char>(b)));
            ToAnsi[b] = A < 0 ? '?' : static_cast<char>(A);
        }
        // Walk downwards so that the lowest OEM byte wins for a shared character.
        for (int b = 255; b >= 0; --b) {
            int A = UnicodeToCp1252(Cp437ToUnicode(static_cast<unsigned char>(b)));
            if (A >= 0) ToOem[A] = static_cast<char>(b);
        }
    }
};

const OemMaps& Oem() {
    static const OemMaps M;
    return M;
}

void AppendCp1252(std::string& Out, char32_t Cp) {
    int B = UnicodeToCp1252(Cp);
    Out.push_back(B < 0 ? '?' : static_cast<char>(B));
}

void AppendUtf8(std::string& Out, char32_t Cp) {
    if (Cp < 0x80) {
        Out.push_back(static_cast<char>(Cp));
    } else if (Cp < 0x800) {
        Out.push_back(static_cast<char>(0xC0 | (Cp >> 6)));
        Out.push_back(static_cast<char>(0x80 | (Cp & 0x3F)));
    } else {
        Out.push_back(static_cast<char>(0xE0 | (Cp >> 12)));
        Out.push_back(static_cast<char>(0x80 | ((Cp >> 6) & 0x3F)));
        Out.push_back(static_cast<char>(0x80 | (Cp & 0x3F)));
    }
}

} // namespace

char16_t Cp1252ToUnicode(unsigned char Byte) {
    return kCp1252[Byte];
}

int UnicodeToCp1252(char32_t CodePoint) {
    if (CodePoint < 0x80 || (CodePoint >= 0xA0 && CodePoint <= 0xFF)) return static_cast<int>(CodePoint);
    if (CodePoint > 0xFFFF) return -1;
    for (int i = 0; i < 32; ++i)
        if (kCp1252High[i] == CodePoint) return 0x80 + i;
    return -1;
}

std::u16string Utf16FromCp1252(std::string_view Text) {
    std::u16string R;
    R.reserve(Text.size());
    for (char C : Text) R.push_back(kCp1252[static_cast<unsigned char>(C)]);
    return R;
}

std::string Cp1252FromUtf16(std::u16string_view Text) {
    std::string R;
    R.reserve(Text.size());
    for (std::size_t i = 0; i < Text.size(); ++i) {
        char32_t C = Text[i];
        if (C >= 0xD800 && C <= 0xDBFF && i + 1 < Text.size() && Text[i + 1] >= 0xDC00 &&
            Text[i + 1] <= 0xDFFF) {
            ++i; // a surrogate pair is one character, and never in CP1252
            R.push_back('?');
            continue;
        }
        AppendCp1252(R, C); // a lone surrogate has no CP1252 byte either
    }
    return R;
}

std::string Utf8FromCp1252(std::string_view Text) {
    std::string R;
    R.reserve(Text.size() + Text.size() / 4);
    for (char C : Text) AppendUtf8(R, kCp1252[static_cast<unsigned char>(C)]);
    return R;
}

std::string Cp1252FromUtf8(std::string_view Text) {
    std::string R;
    R.reserve(Text.size());
    const auto* P = reinterpret_cast<const unsigned char*>(Text.data());
    const std::size_t N = Text.size();
    std::size_t i = 0;
    while (i < N) {
        unsigned char B = P[i];
        if (B < 0x80) {
            R.push_back(static_cast<char>(B));
            ++i;
            continue;
        }
        int Len = 0;
        char32_t Cp = 0, Min = 0;
        if ((B & 0xE0) == 0xC0) {
            Len = 2, Cp = B & 0x1F, Min = 0x80;
        } else if ((B & 0xF0) == 0xE0) {
            Len = 3, Cp = B & 0x0F, Min = 0x800;
        } else if ((B & 0xF8) == 0xF0) {
            Len = 4, Cp = B & 0x07, Min = 0x10000;
        }
        int Got = 1;
        if (Len > 0) {
            while (Got < Len && i + Got < N && (P[i + Got] & 0xC0) == 0x80) {
                Cp = (Cp << 6) | (P[i + Got] & 0x3F);
                ++Got;
            }
        }
        // A malformed sequence, an overlong form or a surrogate gives one '?'
        // and decoding resumes after the bytes that were consumed.
        if (Len == 0 || Got < Len || Cp < Min || Cp > 0x10FFFF || (Cp >= 0xD800 && Cp <= 0xDFFF))
            R.push_back('?');
        else
            AppendCp1252(R, Cp);
        i += static_cast<std::size_t>(Got);
    }
    return R;
}

char16_t Cp437ToUnicode(unsigned char Byte) {
    return Byte < 0x80 ? static_cast<char16_t>(Byte) : kCp437High[Byte - 0x80];
}

std::string Cp1252FromOem(std::string_view Text) {
    const auto& M = Oem();
    std::string R(Text.size(), '\0');
    for (std::size_t i = 0; i < Text.size(); ++i) R[i] = M.ToAnsi[static_cast<unsigned char>(Text[i])];
    return R;
}

std::string OemFromCp1252(std::string_view Text) {
    const auto& M = Oem();
    std::string R(Text.size(), '\0');
    for (std::size_t i = 0; i < Text.size(); ++i) R[i] = M.ToOem[static_cast<unsigned char>(Text[i])];
    return R;
}

} // namespace platform
