// Header and trailer records of both recipients.

#include <gtest/gtest.h>

#include "ExpectThrow.h"
#include "export/ExportRecordSet.h"
#include "export/RecordFrame.h"
#include "export/RecordLayout.h"
#include "support/VxExceptions.h"

using namespace txad;

namespace {

HeaderValues Values(const std::string& CatalogueDate, const std::string& Protocol, long long Schools = 12,
                    const std::string& ParamDate = "01092021") {
    HeaderValues V;
    V.RunDate = "05032026";
    V.SchoolCount = Schools;
    V.ParamFileDate = ParamDate;
    V.CatalogueDate = CatalogueDate;
    V.ProtocolNumber = Protocol;
    return V;
}

const std::string Blanks30(30, ' ');

} // namespace

TEST(RecordFrame, Headers) {
    struct Row {
        const char* name;
        const char* target;
        HeaderValues values;
        int index;
        std::string expected;
    } rows[] = {
        {"AIE first file", "aie", Values("20210315", "PR-7"), 0,
         "R00105032026 12ZURO_3.1.020210315PR-7" + std::string(26, ' ') + "05032026\r\n"},
        {"AIE empty catalogue date and protocol", "aie", Values("", ""), 0,
         "R00105032026 12ZURO_3.1.0" + Blanks30 + "05032026\r\n"},
        {"AIE catalogue date with time moves the fields", "aie", Values("15/03/2021 00:00:00", "X"), 0,
         "R00105032026 12ZURO_3.1.015/03/2021 00:00:00X" + std::string(29, ' ') + "05032026\r\n"},
        {"AIE protocol of 31 characters keeps 30", "aie", Values("2021", std::string(30, 'P') + "Q"), 0,
         "R00105032026 12ZURO_3.1.02021" + std::string(30, 'P') + "05032026\r\n"},
        {"AIE other files", "aie", Values("20210315", "PR-7"), 3, "R00105032026 12\r\n"},
        {"AIE one school", "aie", Values("", "", 1), 1, "R00105032026  1\r\n"},
        {"AIE 999 schools", "aie", Values("", "", 999), 2, "R00105032026999\r\n"},
        {"ANARPE", "anarpe", Values("20210315", "PR-7"), 0, "F0503202601092021\r\n"},
        {"ANARPE without parameter file date", "anarpe", Values("", "", 12, ""), 2, "F05032026\r\n"},
        {"ANARPE ignores the school count", "anarpe", Values("", "", 5000), 1, "F0503202601092021\r\n"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        const FileLayout& File = FileLayouts(Edition::Current, r.target)[static_cast<std::size_t>(r.index)];
        EXPECT_EQ(RecordFrame(r.values).HeaderRecord(File), r.expected);
    }
}

TEST(RecordFrame, Trailers) {
    struct Row {
        const char* name;
        const char* target;
        long long count;
        const char* expected;
    } rows[] = {
        {"AIE empty file", "aie", 2, "R09905032026    2\r\n"},
        {"AIE largest count", "aie", 99999, "R0990503202699999\r\n"},
        {"ANARPE", "anarpe", 1234, "L05032026 1234\r\n"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        for (const FileLayout& File : FileLayouts(Edition::Current, r.target))
            EXPECT_EQ(RecordFrame(Values("", "")).TrailerRecord(File, r.count), r.expected);
    }
}

TEST(RecordFrame, CountsThatDoNotFitRaise) {
    const std::span<const FileLayout> Aie = FileLayouts(Edition::Current, "aie");
    EXPECT_THROW_MSG(RecordFrame(Values("", "", 1000)).HeaderRecord(Aie[1]), EVxError,
                     "Numero di scuole (1000) superiore al massimo consentito dal tracciato (999)");
    EXPECT_THROW_MSG(RecordFrame(Values("", "")).TrailerRecord(Aie[0], 100000), EVxError,
                     "Numero di record (100000) superiore al massimo consentito dal tracciato (99999)");
    const std::span<const FileLayout> Anarpe = FileLayouts(Edition::Current, "anarpe");
    EXPECT_THROW_MSG(RecordFrame(Values("", "")).TrailerRecord(Anarpe[0], 100000), EVxError,
                     "Numero di record (100000) superiore al massimo consentito dal tracciato (99999)");
}

TEST(RecordFrame, RecordCodesComeFromTheFileIndex) {
    ExportRecordSet Aie("aie");
    ExportRecordSet Anarpe("anarpe");
    ExportRecordSet Other("Aie");
    const char* aie[] = {"R014", "R622", "R815", "R81E"};
    const char* anarpe[] = {"A001", "A002", "A003", "A004"};
    ASSERT_EQ(Aie.FileLayouts().size(), 4u);
    ASSERT_EQ(Anarpe.FileLayouts().size(), 4u);
    for (std::size_t I = 0; I < 4; ++I) {
        SCOPED_TRACE(I);
        EXPECT_EQ(Aie.FileLayouts()[I].Body->Code(), aie[I]);
        EXPECT_EQ(Aie.MakeBodyWriter(Aie.FileLayouts()[I])->RecordCode(), aie[I]);
        EXPECT_EQ(Anarpe.FileLayouts()[I].Body->Code(), anarpe[I]);
        EXPECT_EQ(Anarpe.MakeBodyWriter(Anarpe.FileLayouts()[I])->RecordCode(), anarpe[I]);
    }
    EXPECT_TRUE(Other.FileLayouts().empty());
    EXPECT_TRUE(Other.OutFiles().empty());
}
