// Field rules of the record writers: date text, former code, adoption flags,
// special-needs list and the counts of fixed fields.

#include <gtest/gtest.h>

#include "ExpectThrow.h"
#include "export/RecordFields.h"
#include "support/VxExceptions.h"

using namespace txad;

TEST(RecordFields, FormatDateDMY) {
    struct Row {
        const char* name;
        platform::LocalDate date;
        const char* expected;
    } rows[] = {
        {"single digits get a leading zero", {2021, 3, 5}, "05032021"},
        {"two digits stay", {2021, 12, 31}, "31122021"},
        {"ten is not padded", {2010, 10, 10}, "10102010"},
        {"a year before 1000 takes four digits", {999, 1, 2}, "02010999"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        EXPECT_EQ(FormatDateDMY(r.date), r.expected);
    }
}

TEST(RecordFields, FormatExCodeKeepsTheFieldWidth) {
    struct Row {
        const char* name;
        std::string value;
        std::string expected;
    } rows[] = {
        {"dot means no former code", ".", std::string(10, ' ')},
        {"ten characters unchanged", "RMIC81500A", "RMIC81500A"},
        {"empty", "", std::string(10, ' ')},
        {"short value padded", "ABC", "ABC       "},
        {"long value cut", "RMIC8150000X", "RMIC815000"},
        {"two dots are a value", "..", "..        "},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        EXPECT_EQ(FormatExCode(r.value), r.expected);
    }
}

TEST(RecordFields, AdoptionFlags) {
    struct Row {
        const char* name;
        const char* anno;
        int inUso, inPossesso, approfondimento, monografia;
        const char* year;
        char expInUso, expPossesso, expConsigliato;
    } rows[] = {
        {"not in use takes the campaign year", "2015", 0, 1, 0, 1, "2021", 'N', 'S', 'M'},
        {"in use since an accepted year, A wins", "2015", 1, 1, 1, 1, "2015", 'S', 'S', 'A'},
        {"in use since the campaign year", "2021", 1, 1, 0, 1, "2021", 'S', ' ', ' '},
        {"in use, empty year", "", 1, 1, 0, 1, "    ", 'S', 'S', 'M'},
        {"in use, year below the range", "2008", 1, 0, 1, 1, "    ", 'S', 'N', ' '},
        {"in use, year above the range", "2022", 1, 1, 1, 0, "    ", 'S', 'S', 'A'},
        {"lowest accepted year", "2009", 1, 1, 0, 0, "2009", 'S', 'S', ' '},
        {"unknown in-use value", "2009", 2, 1, 1, 1, "2009", ' ', ' ', ' '},
        {"negative in-use value", "2015", -1, 1, 1, 1, "2015", ' ', ' ', ' '},
        {"not in use and not owned", "2015", 0, 0, 1, 1, "2021", 'N', 'N', ' '},
        {"not in use, year outside the range", "1999", 0, 1, 1, 0, "2021", 'N', 'S', 'A'},
        {"unknown ownership", "2015", 1, 2, 1, 1, "2015", 'S', ' ', ' '},
        {"recommendations count only at 1", "2015", 1, 1, 2, 2, "2015", 'S', 'S', ' '},
        {"further study 2 leaves monograph", "2015", 1, 1, 2, 1, "2015", 'S', 'S', 'M'},
        {"five characters keep the first four", "20150", 1, 1, 0, 0, "2015", 'S', 'S', ' '},
        {"three characters padded on the left", "215", 1, 1, 0, 0, "    ", 'S', 'S', ' '},
        {"leading blank shifts the year out", " 2015", 1, 1, 0, 0, "    ", 'S', 'S', ' '},
        {"zero year", "0", 1, 1, 1, 0, "    ", 'S', 'S', 'A'},
        {"not all digits, inside the range as text", "201:", 1, 1, 1, 0, "    ", 'S', 'S', 'A'},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        AdoptionFlags Flags;
        ComputeAdoptionFlags(r.anno, r.inUso, r.inPossesso, r.approfondimento, r.monografia, Flags);
        EXPECT_EQ(Flags.Year, r.year);
        EXPECT_EQ(Flags.InUso, r.expInUso);
        EXPECT_EQ(Flags.InPossesso, r.expPossesso);
        EXPECT_EQ(Flags.Consigliato, r.expConsigliato);
    }
}

TEST(RecordFields, SpecialNeedsList) {
    struct Row {
        const char* name;
        const char *ipo, *nonVed, *disl;
        const char* expected;
    } rows[] = {
        {"all zero", "0", "0", "0", ""},
        {"all in their zero forms", "I0", "N0", "D0", ""},
        {"all null", "", "", "", ""},
        {"no leading comma", "I0", "N2", "D1", "N2,D1"},
        {"last only", "0", "", "D4", "D4"},
        {"all three", "I3", "N1", "D2", "I3,N1,D2"},
        {"other zero forms are values", "I00", " 0", "D0", "I00, 0"},
        {"zero forms are per field", "N0", "I0", "0", "N0,I0"},
        {"case matters", "i0", "N0", "d0", "i0,d0"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        std::string List = "left over";
        BuildSpecialNeeds(List, r.ipo, r.nonVed, r.disl);
        EXPECT_EQ(List, r.expected);
    }
}

TEST(RecordFields, CountsFitTheirFieldsOrStopTheRun) {
    EXPECT_EQ(FormatSchoolCount(0), "  0");
    EXPECT_EQ(FormatSchoolCount(7), "  7");
    EXPECT_EQ(FormatSchoolCount(999), "999");
    EXPECT_EQ(FormatRecordCount(2), "    2");
    EXPECT_EQ(FormatRecordCount(99999), "99999");
    EXPECT_THROW_MSG(FormatSchoolCount(1000), EVxError,
                     "Numero di scuole (1000) superiore al massimo consentito dal tracciato (999)");
    EXPECT_THROW_MSG(FormatRecordCount(100000), EVxError,
                     "Numero di record (100000) superiore al massimo consentito dal tracciato (99999)");
}
