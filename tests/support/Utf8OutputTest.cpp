// What the tools print of a value or a name: CSV cells a spreadsheet opens
// as text, never as a formula, and names kept on their own line.

#include "support/Utf8Output.h"

#include <gtest/gtest.h>
#include <string>

namespace {

std::string Cell(std::string_view Text, CsvCells How, bool Name = false) {
    std::string Out;
    Utf8Output Output(Out);
    if (Name)
        Output.PutCsvName(Text, How);
    else
        Output.PutCsvField(Text, How);
    Output.Flush();
    return Out;
}

TEST(Utf8Output, SpreadsheetCellsNeverStartAFormula) {
    struct Row {
        const char* Name;
        std::string Text;
        std::string Spreadsheet;
        std::string Raw;
    };
    const Row Rows[] = {
        {"plain text", "Liceo Dante", "Liceo Dante", "Liceo Dante"},
        {"empty", "", "", ""},
        {"CP1252 letter", "Forl\xEC", "Forl\xC3\xAC", "Forl\xC3\xAC"},
        {"link formula", "=HYPERLINK(\"http://x\",\"Apri\")",
         "\"'=HYPERLINK(\"\"http://x\"\",\"\"Apri\"\")\"", "\"=HYPERLINK(\"\"http://x\"\",\"\"Apri\"\")\""},
        {"at sign", "@SUM(A1:A9)", "\"'@SUM(A1:A9)\"", "@SUM(A1:A9)"},
        {"plus", "+39 055 123", "\"'+39 055 123\"", "+39 055 123"},
        {"minus alone", "-", "\"'-\"", "-"},
        {"minus and a command", "-2+3+cmd|' /C calc'!A0", "\"'-2+3+cmd|' /C calc'!A0\"",
         "-2+3+cmd|' /C calc'!A0"},
        {"sum of numbers", "-1-1", "\"'-1-1\"", "-1-1"},
        {"negative integer", "-12", "-12", "-12"},
        {"signed integer", "+7", "+7", "+7"},
        {"negative decimal", "-0.25", "-0.25", "-0.25"},
        {"negative decimal comma", "-1,5E-20", "\"-1,5E-20\"", "\"-1,5E-20\""},
        {"formula sign inside", "a=b", "a=b", "a=b"},
        {"blank before the sign", " =1+1", " =1+1", " =1+1"},
        {"leading TAB", "\t=1+1", "\xE2\x90\x89=1+1", "\t=1+1"},
        {"leading CR", "\r=1+1", "\xE2\x90\x8D=1+1", "\"\r=1+1\""},
        {"escape sequence", "a\x1B[31mb\x01", "a\xE2\x90\x9B[31mb\xE2\x90\x81", "a\x1B[31mb\x01"},
        {"line break", "riga 1\r\nriga 2", "riga 1\xE2\x90\x8D\xE2\x90\x8Ariga 2", "\"riga 1\r\nriga 2\""},
        {"NUL", std::string("a\0b", 3),
         "a\xE2\x90\x80"
         "b",
         std::string("a\0b", 3)},
        {"semicolon", "a;=1+1", "\"a;=1+1\"", "a;=1+1"},
    };
    for (const Row& R : Rows) {
        SCOPED_TRACE(R.Name);
        EXPECT_EQ(Cell(R.Text, CsvCells::Spreadsheet), R.Spreadsheet);
        EXPECT_EQ(Cell(R.Text, CsvCells::Raw), R.Raw);
    }
}

// A name is already UTF-8: its bytes are not converted again.
TEST(Utf8Output, NamesKeepTheirBytesAndLoseTheirControls) {
    EXPECT_EQ(Cell("citt\xC3\xA0/=x.zip:a\x1B.txt", CsvCells::Spreadsheet, true),
              "citt\xC3\xA0/=x.zip:a\xE2\x90\x9B.txt");
    EXPECT_EQ(Cell("=cmd|' /C calc'!A0", CsvCells::Spreadsheet, true), "\"'=cmd|' /C calc'!A0\"");
    EXPECT_EQ(Cell("a,\"b\"\n", CsvCells::Raw, true), "\"a,\"\"b\"\"\n\"");

    std::string Out;
    Utf8Output Output(Out);
    Output.PutEscapedName("Anarpe.zip:x\r\nA.zip:1:1: \x1B[2Jfalso\\n citt\xC3\xA0");
    Output.Flush();
    EXPECT_EQ(Out, "Anarpe.zip:x\\r\\nA.zip:1:1: \\x1B[2Jfalso\\n citt\xC3\xA0");
}

} // namespace
