// Reading a record file record by record: its lines, the layout of each line
// and the columns shared by the layouts of a set.

#include "export/RecordFileView.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using namespace txad;

constexpr LayoutField kHeaderFields[] = {
    {"Codice record", 1, 1, FieldPad::Right, FieldContent::Constant, "F"},
    {"Data", 2, 8, FieldPad::Right, FieldContent::Date, "oggi"},
    {"Numero", 10, 3, FieldPad::Left, FieldContent::Number, "n"}};
constexpr LayoutField kBodyFields[] = {
    {"Codice record", 1, 4, FieldPad::Right, FieldContent::Constant, "FA01"},
    {"Nome", 5, 5, FieldPad::Right, FieldContent::Text, "Nome"},
    {"Data", 10, 8, FieldPad::Right, FieldContent::Date, "Dal"},
    {"Data", 18, 8, FieldPad::Right, FieldContent::Date, "Al"},
    {"Fine record", 26, 1, FieldPad::Right, FieldContent::Constant, "*"}};
constexpr LayoutField kTrailerFields[] = {
    {"Codice record", 1, 1, FieldPad::Right, FieldContent::Constant, "L"},
    {"Data", 2, 8, FieldPad::Right, FieldContent::Date, "oggi"},
    {"Conteggio", 10, 5, FieldPad::Left, FieldContent::Number, "righe"}};
constexpr RecordLayout kHeader{"Testata", kHeaderFields};
constexpr RecordLayout kBody{"Periodo", kBodyFields};
constexpr RecordLayout kTrailer{"Coda", kTrailerFields};
constexpr FileLayout kFile{"Prova.txt",         "", &kHeader, &kBody, &kTrailer, TrailerRule::Lines, false,
                           BodyWriterKind::None};
constexpr FileLayout kNoBody{"Vuoto.txt",         "", &kHeader, nullptr, &kTrailer, TrailerRule::Lines, false,
                             BodyWriterKind::None};

TEST(RecordLines, SplitAtLineFeedsWithoutTheirCarriageReturn) {
    struct Case {
        const char* Name;
        std::string Bytes;
        std::vector<std::string> Lines;
    };
    const Case Cases[] = {
        {"empty file", "", {}},
        {"CR LF lines", "ab\r\ncd\r\n", {"ab", "cd"}},
        {"LF alone ends a line too", "ab\ncd\r\n", {"ab", "cd"}},
        {"bytes after the last line end", "ab\r\ncd", {"ab", "cd"}},
        {"a CR before a CR LF stays", "ab\r\r\n", {"ab\r"}},
        {"a lone CR is no line end", "ab\rcd\r\n", {"ab\rcd"}},
        {"only a CR", "\r", {"\r"}},
        {"empty lines", "\r\n\n", {"", ""}},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Name);
        const RecordLines Lines(C.Bytes);
        std::vector<std::string> Got;
        for (std::size_t I = 0; I < Lines.Count(); ++I) Got.emplace_back(Lines.Line(I));
        EXPECT_EQ(Got, C.Lines);
    }
}

TEST(LayoutOfLine, TheLongestRecordCodeElseThePosition) {
    struct Case {
        const char* Name;
        const FileLayout* File;
        std::string Line;
        std::size_t Index;
        std::size_t Count;
        const RecordLayout* Expected;
    };
    const Case Cases[] = {
        // "FA01" begins with the header's "F": the longer code wins.
        {"body code over a header code it begins with", &kFile, "FA01abcde", 0, 3, &kBody},
        {"header code", &kFile, "F01012026", 2, 3, &kHeader},
        {"trailer code", &kFile, "L0101", 0, 3, &kTrailer},
        {"foreign code, first line", &kFile, "X", 0, 3, &kHeader},
        {"foreign code, between", &kFile, "X", 1, 3, &kBody},
        {"foreign code, last line", &kFile, "X", 2, 3, &kTrailer},
        {"empty line between, no body layout", &kNoBody, "", 1, 3, &kTrailer},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Name);
        EXPECT_EQ(&LayoutOfLine(*C.File, C.Line, C.Index, C.Count), C.Expected);
    }
}

TEST(RecordColumns, OneColumnPerNameAndRepeatedNamesKeepTheirOrder) {
    RecordColumns Columns;
    Columns.Add(kFile);
    Columns.Add(kFile); // a second file of the same layouts adds nothing
    std::vector<std::string> Names;
    for (std::size_t C = 0; C < Columns.Count(); ++C) Names.emplace_back(Columns.Name(C));
    EXPECT_EQ(Names, (std::vector<std::string>{"Tipo record", "Codice record", "Data", "Numero", "Nome",
                                               "Data", "Fine record", "Conteggio"}));
    EXPECT_EQ(Columns.ColumnsOf(kHeader), (std::vector<std::size_t>{1, 2, 3}));
    EXPECT_EQ(Columns.ColumnsOf(kBody), (std::vector<std::size_t>{1, 4, 2, 5, 6}));
    EXPECT_EQ(Columns.ColumnsOf(kTrailer), (std::vector<std::size_t>{1, 2, 7}));
    EXPECT_EQ(Columns.FieldAt(kBody, 5), 3);
    EXPECT_EQ(Columns.FieldAt(kBody, 3), -1);
    EXPECT_EQ(Columns.FieldAt(kTrailer, 0), -1);
    const RecordColumns Empty;
    EXPECT_TRUE(Empty.ColumnsOf(kBody).empty());
}

} // namespace
