// The written set is checked against its layouts before delivery: a writer
// that drops a byte or shifts a field stops the run, and nothing is delivered.

#include <gtest/gtest.h>

#include "EditingWriter.h"
#include "FakeZip.h"
#include "TestSupport.h"
#include "WritersTestSupport.h"
#include "dataset/ClientDataSet.h"
#include "export/ExportRun.h"
#include "export/StartupValues.h"

using namespace txad;
using writerstest::TempFolder;

namespace {

using testsupport::LineEdit;

} // namespace

TEST(SetCheck, AFaultyFileStopsTheRunBeforeDelivery) {
    struct Row {
        const char* name;
        const char* target;
        LineEdit edit;
        std::string cause;
    } rows[] = {
        {"a dropped byte",
         "aie",
         {2, 2, 30, 1, ""},
         "Il file File815.txt non rispetta il tracciato: riga 3, colonna 65, campo Anno prima adozione: "
         "non numerico"},
        {"a field one column wider",
         "anarpe",
         {1, 1, 15, 0, " "},
         "Il file Adoz002.txt non rispetta il tracciato: riga 2, colonna 71, campo Fine record: atteso "
         "\"*\""},
        {"a line without its CR",
         "anarpe",
         {0, 3, 346, 1, ""},
         "Il file Adoz001.txt non rispetta il tracciato: riga 4, colonna 346: manca il ritorno a capo (CR) "
         "prima di LF"},
        {"a short last record",
         "aie",
         {3, 4, 150, 53, ""},
         "Il file File815E.txt non rispetta il tracciato: riga 5, colonna 150: riga troppo corta: 149 "
         "caratteri invece di 202"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        TempFolder Data, Home;
        writerstest::CopyFixture("basic", Data.Path());
        const std::string Dest = Home.Path() + "rozadiver/datrex/" + r.target + "/";
        // An earlier delivery, which a stopped run leaves as it was.
        std::filesystem::create_directories(Dest);
        const std::string Earlier = std::string(r.target) == "aie" ? "File014.txt" : "Anarpe.zip";
        testsupport::WriteFileBytes(Dest + Earlier, "earlier delivery");

        const ExportRecordSet Set = testsupport::FaultyRecordSet(r.target, r.edit);
        TClientDataSet Main("cdsMain"), Tmp("cdsTmp");
        ExportSettings S;
        S.DataDir = Data.Path();
        S.DestDir = Dest;
        S.Target = r.target;
        S.Header.SchoolCount = CountSchools(Main, Data.Path() + "Body014.xml");
        S.Header.CatalogueDate = ReadCatalogueDate(Tmp, Data.Path());
        S.Header.ParamFileDate = "01092021";
        S.Header.RunDate = "05032026";

        std::vector<std::string> Log;
        testsupport::FakeZip Zip;
        ExportRun Run(
            Set, S, Main, [&Log](const std::string& Text) { Log.push_back(Text); }, &Zip);
        EXPECT_TRUE(Run.Execute());

        std::vector<std::string> Expected = {"Generazione files...."};
        for (const std::string& Name : Set.OutFiles()) Expected.push_back("- " + Name + " - OK");
        Expected.push_back(StopText(r.cause));
        EXPECT_EQ(Log, Expected);
        EXPECT_TRUE(Zip.Calls.empty());
        EXPECT_EQ(writerstest::FolderContents(Dest),
                  (std::map<std::string, std::string>{{Earlier, "earlier delivery"}}));
    }
}
