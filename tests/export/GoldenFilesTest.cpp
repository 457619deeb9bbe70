// Whole export runs on fixture folders, compared byte for byte with output
// files written out by hand from the record layouts.

#include <gtest/gtest.h>

#include "FakeZip.h"
#include "TestSettings.h"
#include "TestSupport.h"
#include "WritersTestSupport.h"
#include "dataset/ClientDataSet.h"
#include "export/ExportRun.h"
#include "export/StartupValues.h"

using namespace txad;
using writerstest::TempFolder;

namespace {

// Records what the run asks of the zip component and answers with the count;
// naming an archive creates it, as the component does.
using testsupport::FakeZip;

struct GoldenCase {
    const char* name;
    const char* fixture;
    const char* target;
    const char* protocol;
    const char* paramFileDate;
};

const GoldenCase Cases[] = {
    {"basic AIE", "basic", "aie", "Prot. n\xB0 42/2021", "01092021"},
    {"basic ANARPE", "basic", "anarpe", "Prot. n\xB0 42/2021", "01092021"},
    {"empty packets AIE", "empty", "aie", "", ""},
    {"empty packets ANARPE", "empty", "anarpe", "", ""},
};

void ExpectSameBytes(const std::string& ExpectedPath, const std::string& ActualPath) {
    SCOPED_TRACE(ActualPath);
    const std::string Expected = testsupport::ReadFileBytes(ExpectedPath);
    std::string Actual;
    ASSERT_NO_THROW(Actual = testsupport::ReadFileBytes(ActualPath));
    EXPECT_EQ(testsupport::FirstDifference(Expected, Actual), "");
}

} // namespace

TEST(GoldenFiles, ExportRunWritesTheExpectedBytes) {
    for (const GoldenCase& c : Cases) {
        SCOPED_TRACE(c.name);
        TempFolder Data, Home;
        writerstest::CopyFixture(c.fixture, Data.Path());
        const auto InputsBefore = writerstest::FolderContents(Data.Path());

        ExportRecordSet Set(c.target);
        TClientDataSet Main("cdsMain"), Tmp("cdsTmp");
        StartupState Startup =
            testsupport::StartupFor(Set, Data.Path(), Home.Path() + "rozadiver/datrex/" + c.target + "/");
        Startup.Header.SchoolCount = CountSchools(Main, Data.Path() + "Body014.xml");
        Startup.Header.CatalogueDate = ReadCatalogueDate(Tmp, Data.Path());
        Startup.Header.ParamFileDate = c.paramFileDate;
        const ExportSettings S = testsupport::SettingsOn(Startup, {2026, 3, 5}, c.protocol);

        std::vector<std::string> Log;
        FakeZip Zip;
        ExportRun Run(
            Set, S, Main, [&Log](const std::string& Text) { Log.push_back(Text); }, &Zip);
        EXPECT_FALSE(Run.Execute());

        const std::string Golden = writerstest::GoldenDir(c.fixture, c.target);
        for (const std::string& Name : Set.OutFiles()) ExpectSameBytes(Golden + Name, Data.Path() + Name);

        std::vector<std::string> Expected = {"Generazione files...."};
        for (const std::string& Name : Set.OutFiles()) Expected.push_back("- " + Name + " - OK");
        const std::string Dest = Home.Path() + "rozadiver/datrex/" + c.target;
        if (S.Target == "aie") {
            for (const std::string& Name : Set.OutFiles()) ExpectSameBytes(Golden + Name, S.DestDir + Name);
            EXPECT_EQ(writerstest::FolderContents(S.DestDir).size(), 4u);
            Expected.push_back("\r\nCopia files....\r\n");
            Expected.push_back("I files sono disponibili nella cartella " + Dest +
                               " \r\n\r\nInviare i files via posta elettronica all'indirizzo "
                               "da-confermare-aie@invalid");
        } else {
            EXPECT_EQ(Zip.FileName.rfind(S.DestDir, 0), 0u) << Zip.FileName;
            EXPECT_EQ(writerstest::FolderContents(S.DestDir),
                      (std::map<std::string, std::string>{{"Anarpe.zip", "new archive"}}));
            std::vector<std::string> FileEntries;
            for (const std::string& Name : Set.OutFiles()) FileEntries.push_back(Data.Path() + Name);
            EXPECT_EQ(Zip.FileSpecs, FileEntries);
            Expected.push_back("\r\nCreazione zip....\r\n");
            Expected.push_back("Il file Anarpe.zip \xE8 disponibile nella cartella " + Dest +
                               " \r\n\r\nInviare il file via posta elettronica all'indirizzo "
                               "da-confermare-anarpe@invalid");
        }
        EXPECT_EQ(Log, Expected);

        // The packets are never written.
        auto InputsAfter = writerstest::FolderContents(Data.Path());
        for (const std::string& Name : Set.OutFiles()) InputsAfter.erase(Name);
        EXPECT_EQ(InputsAfter, InputsBefore);
    }
}
