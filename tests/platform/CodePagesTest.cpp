#include "platform/Platform.h"

#include <gtest/gtest.h>

using namespace platform;

namespace {

std::string AllBytes() {
    std::string S;
    for (int b = 0; b < 256; ++b) S.push_back(static_cast<char>(b));
    return S;
}

} // namespace

TEST(CodePages, EveryCp1252ByteSurvivesUtf16AndUtf8) {
    const std::string All = AllBytes();
    EXPECT_EQ(Cp1252FromUtf16(Utf16FromCp1252(All)), All);
    EXPECT_EQ(Cp1252FromUtf8(Utf8FromCp1252(All)), All);
}

TEST(CodePages, KnownAndUndefinedBytes) {
    struct Row {
        const char* name;
        unsigned char byte;
        char16_t unicode;
    };
    const Row rows[] = {
        {"euro", 0x80, 0x20AC},         {"undefined 81", 0x81, 0x0081}, {"low quote", 0x82, 0x201A},
        {"undefined 8D", 0x8D, 0x008D}, {"Z caron", 0x8E, 0x017D},      {"undefined 8F", 0x8F, 0x008F},
        {"undefined 90", 0x90, 0x0090}, {"trade mark", 0x99, 0x2122},   {"undefined 9D", 0x9D, 0x009D},
        {"Y diaeresis", 0x9F, 0x0178},  {"nbsp", 0xA0, 0x00A0},         {"e grave", 0xE8, 0x00E8},
        {"y diaeresis", 0xFF, 0x00FF},  {"ascii", 'A', u'A'},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        EXPECT_EQ(Cp1252ToUnicode(r.byte), r.unicode);
        EXPECT_EQ(UnicodeToCp1252(r.unicode), r.byte);
    }
}

TEST(CodePages, UnmappableCharactersBecomeQuestionMarks) {
    struct Row {
        const char* name;
        std::u16string utf16;
        std::string utf8;
        std::string expected;
    };
    const Row rows[] = {
        {"C1 control that CP1252 replaces", u"\u0080", "\xC2\x80", "?"},
        {"latin extended", u"a\u0101b",
         "a\xC4\x81"
         "b",
         "a?b"},
        {"cyrillic", u"\u0416", "\xD0\x96", "?"},
        {"astral character is one ?", u"x\U0001F600y", "x\xF0\x9F\x98\x80y", "x?y"},
        {"euro sign maps", u"\u20AC5",
         "\xE2\x82\xAC"
         "5",
         "\x80"
         "5"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        EXPECT_EQ(Cp1252FromUtf16(r.utf16), r.expected);
        EXPECT_EQ(Cp1252FromUtf8(r.utf8), r.expected);
    }
    EXPECT_EQ(UnicodeToCp1252(0x0100), -1);
    EXPECT_EQ(UnicodeToCp1252(0x1F600), -1);
}

TEST(CodePages, MalformedInputNeverCrashesAndGivesQuestionMarks) {
    struct Row {
        const char* name;
        std::string utf8;
        std::string expected;
    };
    const Row rows[] = {
        {"truncated at end", "ab\xC3", "ab?"},
        {"truncated before ascii", "\xE2\x82z", "?z"},
        {"stray continuation", "\x80\x80", "??"},
        {"overlong slash", "\xC0\xAF", "?"},
        {"encoded surrogate", "\xED\xA0\x80", "?"},
        {"beyond U+10FFFF", "\xF4\x90\x80\x80", "?"},
        {"invalid lead", "\xFFx", "?x"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        EXPECT_EQ(Cp1252FromUtf8(r.utf8), r.expected);
    }
    EXPECT_EQ(Cp1252FromUtf16(std::u16string(u"a") + char16_t(0xD800) + u"b"), "a?b");
    EXPECT_EQ(Cp1252FromUtf16(std::u16string(1, char16_t(0xDC00))), "?");
}

TEST(CodePages, Cp437ForZipNames) {
    EXPECT_EQ(Cp437ToUnicode(0x82), 0x00E9);
    EXPECT_EQ(Cp437ToUnicode(0xB3), 0x2502);
    EXPECT_EQ(Cp437ToUnicode('Z'), u'Z');
    // Italian letters go to OEM and back unchanged.
    const std::string Ansi = "Perch\xE9 citt\xE0 pi\xF9 cos\xEC \xE8 cos\xF2 \xC9";
    const std::string Oem = OemFromCp1252(Ansi);
    EXPECT_EQ(Oem, "Perch\x82 citt\x85 pi\x97 cos\x8D \x8A cos\x95 \x90");
    EXPECT_EQ(Cp1252FromOem(Oem), Ansi);
    // Box drawing has no CP1252 character; the euro sign has no OEM one.
    EXPECT_EQ(Cp1252FromOem("\xB3\xC4"), "??");
    EXPECT_EQ(OemFromCp1252("\x80"), "?");
}
