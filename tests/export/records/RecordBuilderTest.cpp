// The record builder: packet fields copied and computed values placed by the
// layout, padded or cut to their widths, constants from the table, and a
// caller that does not supply what its table takes stopped.

#include <gtest/gtest.h>

#include <array>

#include "export/records/RecordBuilder.h"
#include "support/VxExceptions.h"
#include "tests/common/ExpectThrow.h"
#include "tests/common/TestPacket.h"

using namespace txad;

namespace {

constexpr std::array<LayoutField, 6> Fields = {{
    {"Codice record", 1, 4, FieldPad::Right, FieldContent::Constant, "T001"},
    {"Nome", 5, 3, FieldPad::Right, FieldContent::Text, "Nome"},
    {"Numero", 8, 3, FieldPad::Left, FieldContent::Number, "calcolato", FieldValue::LineCount},
    {"Riempimento", 11, 2, FieldPad::Right, FieldContent::Constant, "  "},
    {"Nota", 13, 0, FieldPad::Variable, FieldContent::Text, "Nota"},
    {"Fine record", 13, 1, FieldPad::Right, FieldContent::Constant, "*"},
}};
constexpr RecordLayout Layout{"Prova", Fields};
// The same without the variable field: every field has its place.
constexpr std::array<LayoutField, 5> FixedFields = {{Fields[0], Fields[1], Fields[2], Fields[3], Fields[5]}};
constexpr RecordLayout FixedLayout{"Prova", FixedFields};

// A dataset of one row with these Nome and Nota values.
void LoadRow(TClientDataSet& Data, const std::string& Nome, const std::string& Nota) {
    Data.LoadFromBuffer(testsupport::Packet({"Nota:string:2000", "Nome:string:10"},
                                            {testsupport::Row({"Nome", "Nota"}, {Nome, Nota})}),
                        "Prova.xml");
    Data.First();
}

} // namespace

TEST(RecordBuilder, PadsCutsAndWritesTheConstants) {
    struct Row {
        const char* name;
        const char* nome;
        const char* numero;
        const char* nota;
        const char* expected;      // with the variable field
        const char* expectedFixed; // without it
    } rows[] = {
        {"short values", "a", "7", "", "T001a    7  *\r\n", "T001a    7  *\r\n"},
        {"exact widths", "abc", "123", "x", "T001abc123  x*\r\n", "T001abc123  *\r\n"},
        {"long values keep their first characters", "abcd", "1234", "variable", "T001abc123  variable*\r\n",
         "T001abc123  *\r\n"},
        // After longer values: no byte of them is left.
        {"empty values", "", "", "", "T001        *\r\n", "T001        *\r\n"},
        {"short again", "b", "9", "", "T001b    9  *\r\n", "T001b    9  *\r\n"},
    };
    RecordBuilder B(Layout, {FieldValue::LineCount});
    RecordBuilder Fixed(FixedLayout, {FieldValue::LineCount});
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        TClientDataSet Data;
        LoadRow(Data, r.nome, r.nota);
        B.Bind(Data);
        B.Set(FieldValue::LineCount, r.numero);
        EXPECT_EQ(B.Build(), r.expected);
        Fixed.Bind(Data);
        Fixed.Set(FieldValue::LineCount, r.numero);
        EXPECT_EQ(Fixed.Build(), r.expectedFixed);
    }
}

TEST(RecordBuilder, WhatTheTableTakesMustBeThere) {
    EXPECT_THROW_MSG(RecordBuilder(Layout, {FieldValue::SchoolCount}), EVxInternalError,
                     "Il record T001 prende il campo Numero, che nessuno fornisce");
    RecordBuilder B(Layout, {FieldValue::LineCount});
    EXPECT_THROW_MSG(B.Build(), EVxInternalError, "Il record T001 copia campi di un dataset non collegato");
    TClientDataSet Data;
    Data.LoadFromBuffer(testsupport::Packet({"Nome:string:10"}, {}), "Prova.xml");
    EXPECT_THROW_MSG(B.Bind(Data), EVxError, "Field 'Nota' not found");
}

TEST(RecordBuilder, TheBufferGrowsForALongVariableValue) {
    RecordBuilder B(Layout, {FieldValue::LineCount});
    const std::string Long(1000, 'v');
    TClientDataSet Data;
    LoadRow(Data, "a", Long);
    B.Bind(Data);
    B.Set(FieldValue::LineCount, "1");
    EXPECT_EQ(B.Build(), "T001a    1  " + Long + "*\r\n");
    LoadRow(Data, "b", "w");
    B.Bind(Data);
    B.Set(FieldValue::LineCount, "2");
    EXPECT_EQ(B.Build(), "T001b    2  w*\r\n");
}

TEST(RecordBuilder, BodyLayoutsByEditionAndCode) {
    EXPECT_EQ(BodyLayout(Edition::Current, "R815").FixedLength(), 66u);
    EXPECT_EQ(BodyLayout(Edition::Current, "A003").FixedLength(), 66u);
    EXPECT_EQ(BodyLayout(Edition::Classic, "A003").Name, "Statistica classi");
    EXPECT_THROW_MSG(BodyLayout(Edition::Current, "R698"), EVxInternalError,
                     "Tracciato del record R698 sconosciuto");
}
