#include "support/VxStrUtils.h"

#include "platform/Platform.h"

#include <gtest/gtest.h>

TEST(StrUtils, TryStrToIntReadsTheFrameworksIntegerText) {
    struct Row {
        const char* name;
        const char* text;
        bool ok;
        long long value;
    } rows[] = {
        {"digits", "42", true, 42},
        {"leading blanks", "  42", true, 42},
        {"plus sign", "+42", true, 42},
        {"minus sign", "-42", true, -42},
        {"leading zeros", "007", true, 7},
        {"plus then minus", "+-5", false, 0},
        {"minus then plus", "-+5", false, 0},
        {"two plus signs", "++5", false, 0},
        {"trailing blank", "42 ", false, 0},
        {"blank after the sign", "+ 5", false, 0},
        {"empty", "", false, 0},
        {"blanks only", "   ", false, 0},
        {"sign only", "+", false, 0},
        {"decimal point", "4.2", false, 0},
        {"largest int", "2147483647", true, 2147483647LL},
        {"beyond int", "2147483648", true, 2147483648LL},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        std::int64_t Wide = 0;
        EXPECT_EQ(TryStrToInt(r.text, Wide), r.ok);
        if (r.ok) {
            EXPECT_EQ(Wide, r.value);
        }
        int Narrow = 0;
        const bool Fits = r.ok && r.value <= 2147483647LL && r.value >= -2147483648LL;
        EXPECT_EQ(TryStrToInt(r.text, Narrow), Fits);
        if (Fits) {
            EXPECT_EQ(Narrow, r.value);
        }
    }
}

TEST(StrUtils, PadRAndPadL) {
    struct Row {
        const char* name;
        std::string s, pad;
        int width;
        std::string padR, padL;
    };
    const Row rows[] = {
        {"short value", "abc", " ", 5, "abc  ", "  abc"},
        {"two characters", "ab", " ", 5, "ab   ", "   ab"},
        {"over-long keeps the first", "abcdefg", " ", 3, "abc", "abc"},
        {"exact width unchanged", "abcde", " ", 5, "abcde", "abcde"},
        {"empty value", "", " ", 3, "   ", "   "},
        {"empty pad is a blank", "a", "", 3, "a  ", "  a"},
        {"NUL pad is a blank", "a", std::string(1, '\0'), 3, "a  ", "  a"},
        {"other pad", "7", "0", 4, "7000", "0007"},
        {"multi-character pad is never cut", "a", "xy", 4, "axyxy", "xyxya"},
        {"multi-character pad that fits", "a", "xy", 5, "axyxy", "xyxya"},
        {"CP1252 bytes count one each", "perch\xE8", " ", 7, "perch\xE8 ", " perch\xE8"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        EXPECT_EQ(PadR(r.s, r.pad, r.width), r.padR);
        EXPECT_EQ(PadL(r.s, r.pad, r.width), r.padL);
    }
}

TEST(StrUtils, WidthBelowOnePadsToEighty) {
    for (int w : {0, -1, -100}) {
        SCOPED_TRACE(w);
        EXPECT_EQ(PadR("x", " ", w), "x" + std::string(79, ' '));
        EXPECT_EQ(PadL("x", " ", w), std::string(79, ' ') + "x");
        EXPECT_EQ(PadR(std::string(90, 'a'), " ", w), std::string(80, 'a'));
    }
}

TEST(StrUtils, AppendPadAgreesWithPadForBlankPads) {
    const std::string values[] = {"", "a", "abc", "abcdef", "perch\xE8"};
    for (const auto& v : values)
        for (std::size_t w : {1u, 3u, 6u, 10u}) {
            SCOPED_TRACE(v + "/" + std::to_string(w));
            std::string R = "pre", L = "pre";
            AppendPadR(R, v, w);
            AppendPadL(L, v, w);
            EXPECT_EQ(R, "pre" + PadR(v, " ", static_cast<int>(w)));
            EXPECT_EQ(L, "pre" + PadL(v, " ", static_cast<int>(w)));
        }
}

TEST(StrUtils, SubStrBounds) {
    struct Row {
        const char* name;
        int from, count;
        std::string expected;
    };
    const Row rows[] = {
        {"first three", 1, 3, "abc"},
        {"middle", 2, 2, "bc"},
        {"last", 5, 1, "e"},
        {"one past the end", 6, 1, ""},
        {"far past the end", 100, 2, ""},
        {"count 0 runs to end", 2, 0, "bcde"},
        {"negative count runs to end", 3, -5, "cde"},
        {"count beyond the end", 4, 10, "de"},
        {"from 0 counts as 1", 0, 2, "ab"},
        {"negative from", -3, 2, "ab"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        EXPECT_EQ(SubStr("abcde", r.from, r.count), r.expected);
    }
    EXPECT_EQ(SubStr("", 1, 1), "");
}

TEST(StrUtils, AllTrimAndBackslashAndDelimiter) {
    EXPECT_EQ(AllTrim(" \t\r\n "), "");
    EXPECT_EQ(AllTrim(std::string("\0 a  b\t\x1F", 8)), "a  b");
    EXPECT_EQ(AllTrim("\xA0x\xA0"), "\xA0x\xA0") << "no-break space (160) is not a blank";
    EXPECT_EQ(AllTrim("\xE8"), "\xE8") << "bytes above 127 are compared unsigned";

    EXPECT_EQ(IncludeBackslash(""), "\\");
    EXPECT_EQ(IncludeBackslash("C:\\SUITE"), "C:\\SUITE\\");
    EXPECT_EQ(IncludeBackslash("C:\\SUITE\\"), "C:\\SUITE\\");
    EXPECT_EQ(IncludeBackslash("/opt/suite/"), "/opt/suite/\\") << "always the backslash";
}

// The platform's separator: "/" here, "\\" on Windows, where either slash
// ends a folder.
TEST(StrUtils, PathDelimiterOfThePlatform) {
    struct Row {
        const char* name;
        bool include; // IncludePathDelimiter, else ExcludePathDelimiter
        std::string in, posix, windows;
    };
    const Row rows[] = {
        {"include to empty", true, "", "/", "\\"},
        {"include added", true, "/opt/suite", "/opt/suite/", "/opt/suite\\"},
        {"include kept", true, "/opt/suite/", "/opt/suite/", "/opt/suite/"},
        {"include after a backslash", true, "C:\\SUITE\\", "C:\\SUITE\\/", "C:\\SUITE\\"},
        {"exclude one", false, "/data/", "/data", "/data"},
        {"exclude only one", false, "/data//", "/data/", "/data/"},
        {"exclude none", false, "/data", "/data", "/data"},
        {"exclude a backslash", false, "C:\\dati\\", "C:\\dati\\", "C:\\dati"},
    };
    const bool Posix = platform::PathDelimiter() == '/';
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        EXPECT_EQ(r.include ? platform::IncludePathDelimiter(r.in) : ExcludePathDelimiter(r.in),
                  Posix ? r.posix : r.windows);
    }
}

TEST(StrUtils, SplitToList) {
    struct Row {
        const char* name;
        std::string s, sep;
        TStringList expected;
    };
    const Row rows[] = {
        {"three items", "1;2;3", ";", {"1", "2", "3"}},
        {"four items", "0;1;2;3", ";", {"0", "1", "2", "3"}},
        {"adjacent separators", "a;;b", ";", {"a", "", "b"}},
        {"leading separator", ";a", ";", {"", "a"}},
        {"trailing separator", "a;", ";", {"a", ""}},
        {"only a separator", ";", ";", {"", ""}},
        {"empty text", "", ";", {""}},
        {"no separator", "abc", ";", {"abc"}},
        {"two-character separator", "x;;y", ";;", {"x", "y"}},
        {"two-character separator, three items", "a<>b<>c", "<>", {"a", "b", "c"}},
        {"case-sensitive separator", "aXbxc", "x", {"aXb", "c"}},
        {"overlapping separator", "a;;;b", ";;", {"a", ";b"}},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        TStringList L{"old"};
        SplitToList(r.s, r.sep, L);
        EXPECT_EQ(L, r.expected);
    }
    TStringList Kept{"old", "items"};
    SplitToList("a;b", "", Kept);
    EXPECT_EQ(Kept, (TStringList{"old", "items"})) << "an empty separator leaves the list as it was";
}

TEST(StrUtils, RightPartAndReplicate) {
    EXPECT_EQ(RightPart("abcde", 2), "de");
    EXPECT_EQ(RightPart("abcde", 5), "abcde");
    EXPECT_EQ(RightPart("abc", 4), "");
    EXPECT_EQ(RightPart("abc", 0), "");
    EXPECT_EQ(RightPart("abc", -1), "");
    EXPECT_EQ(Replicate("ab", 3), "ababab");
    EXPECT_EQ(Replicate("ab", 0), "");
    EXPECT_EQ(Replicate("ab", -2), "");
}

TEST(StrUtils, FormatMsg) {
    EXPECT_EQ(FormatMsg("Error reading file %s", "/data/Body014.xml"),
              "Error reading file /data/Body014.xml");
    EXPECT_EQ(FormatMsg("Variabile inesistente (%s)", "X"), "Variabile inesistente (X)");
    EXPECT_EQ(FormatMsg("%d scuole", 12LL), "12 scuole");
    EXPECT_EQ(FormatMsg("100%% di %d", -3LL), "100% di -3");
    EXPECT_EQ(FormatMsg("a %s b %s", "x"), "a x b %s") << "one argument fills the first place only";
    EXPECT_EQ(FormatMsg("%s", "50%"), "50%") << "the argument is not a pattern";
    EXPECT_EQ(FormatMsg("ends with %", "x"), "ends with %");
}

TEST(StrUtils, AsciiCaseFolding) {
    struct Row {
        const char* name;
        std::string a, b;
        bool same;
    };
    const Row rows[] = {
        {"mixed case", "VXP_LongDateFormat", "vxp_longdateformat", true},
        {"empty", "", "", true},
        {"different length", "ab", "abc", false},
        {"accented letters are not folded", "\xE8", "\xC8", false},
        {"punctuation is not a letter", "@[", "`{", false},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        EXPECT_EQ(SameText(r.a, r.b), r.same);
    }
    EXPECT_EQ(UpperCaseAscii("Tracciato1 \xE8z"), "TRACCIATO1 \xE8Z");
}
