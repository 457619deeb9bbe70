// The record builder: values padded or cut by the layout, constants from the
// table, and a writer that does not match its table stopped.

#include <gtest/gtest.h>

#include <array>

#include "ExpectThrow.h"
#include "export/RecordBuilder.h"
#include "support/VxExceptions.h"

using namespace txad;

namespace {

constexpr std::array<LayoutField, 6> Fields = {{
    {"Codice record", 1, 4, FieldPad::Right, FieldContent::Constant, "T001"},
    {"Nome", 5, 3, FieldPad::Right, FieldContent::Text, "Nome"},
    {"Numero", 8, 3, FieldPad::Left, FieldContent::Number, "Numero"},
    {"Riempimento", 11, 2, FieldPad::Right, FieldContent::Constant, "  "},
    {"Nota", 13, 0, FieldPad::Variable, FieldContent::Text, "Nota"},
    {"Fine record", 13, 1, FieldPad::Right, FieldContent::Constant, "*"},
}};
constexpr RecordLayout Layout{"Prova", Fields};

} // namespace

TEST(RecordBuilder, PadsCutsAndWritesTheConstants) {
    struct Row {
        const char* name;
        const char* nome;
        const char* numero;
        const char* nota;
        const char* expected;
    } rows[] = {
        {"short values", "a", "7", "", "T001a    7  *\r\n"},
        {"exact widths", "abc", "123", "x", "T001abc123  x*\r\n"},
        {"long values keep their first characters", "abcd", "1234", "variable", "T001abc123  variable*\r\n"},
        {"empty values", "", "", "", "T001        *\r\n"},
    };
    RecordBuilder B(Layout);
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        EXPECT_EQ(B.Build({r.nome, r.numero, r.nota}), r.expected);
    }
}

TEST(RecordBuilder, ValuesThatDoNotFillTheLayoutRaise) {
    RecordBuilder B(Layout);
    EXPECT_EQ(B.ValueCount(), 3u);
    EXPECT_THROW_MSG(B.Build({"a", "1", "n", "x"}), EVxInternalError,
                     "Il record T001 prende 3 valori, non 4");
    EXPECT_THROW_MSG(B.Build({"a", "1"}), EVxInternalError, "Il record T001 prende 3 valori, non 2");
}

TEST(RecordBuilder, TheBufferGrowsForALongVariableValue) {
    RecordBuilder B(Layout);
    const std::string Long(1000, 'v');
    EXPECT_EQ(B.Build({"a", "1", Long}), "T001a    1  " + Long + "*\r\n");
    EXPECT_EQ(B.Build({"b", "2", "w"}), "T001b    2  w*\r\n");
}

TEST(RecordBuilder, BodyLayoutsByEditionAndCode) {
    EXPECT_EQ(BodyLayout(Edition::Current, "R815").FixedLength(), 66u);
    EXPECT_EQ(BodyLayout(Edition::Current, "A003").FixedLength(), 66u);
    EXPECT_EQ(BodyLayout(Edition::Classic, "A003").Name, "Statistica classi");
    EXPECT_THROW_MSG(BodyLayout(Edition::Current, "R698"), EVxInternalError,
                     "Tracciato del record R698 sconosciuto");
}
