// The written set is checked against its edition's layouts before delivery:
// a clean set is delivered; a writer that drops a byte or shifts a field
// stops the run, and nothing is delivered.

#include <gtest/gtest.h>

#include <filesystem>

#include "EditingWriter.h"
#include "FakeZip.h"
#include "TestSupport.h"
#include "WritersTestSupport.h"
#include "dataset/ClientDataSet.h"
#include "export/ExportRun.h"
#include "export/StartupValues.h"

namespace fs = std::filesystem;
using namespace txad;
using testsupport::LineEdit;
using writerstest::TempFolder;

TEST(SetCheck, CleanSetsAreDeliveredFaultyOnesStopBeforeDelivery) {
    struct Row {
        const char* name;
        Edition edition;
        const char* target;
        LineEdit edit;
        std::string cause; // empty: the set is delivered
    } rows[] = {
        {"a dropped byte",
         Edition::Current,
         "aie",
         {2, 2, 30, 1, ""},
         "Il file File815.txt non rispetta il tracciato: riga 3, colonna 65, campo Anno prima adozione: "
         "non numerico"},
        {"a field one column wider",
         Edition::Current,
         "anarpe",
         {1, 1, 15, 0, " "},
         "Il file Adoz002.txt non rispetta il tracciato: riga 2, colonna 71, campo Fine record: atteso "
         "\"*\""},
        {"a line without its CR",
         Edition::Current,
         "anarpe",
         {0, 3, 346, 1, ""},
         "Il file Adoz001.txt non rispetta il tracciato: riga 4, colonna 346: manca il ritorno a capo (CR) "
         "prima di LF"},
        {"a short last record",
         Edition::Current,
         "aie",
         {3, 4, 150, 53, ""},
         "Il file File815E.txt non rispetta il tracciato: riga 5, colonna 150: riga troppo corta: 149 "
         "caratteri invece di 202"},
        {"earlier edition, clean AIE set of five files", Edition::Classic, "aie", {}, ""},
        {"earlier edition, clean ANARPE set", Edition::Classic, "anarpe", {}, ""},
        {"earlier edition, dropped digit in a statistics record",
         Edition::Classic,
         "aie",
         {2, 1, 24, 1, ""},
         "Il file File698.txt non rispetta il tracciato: riga 2, colonna 22, campo Classi anno 1: vuoto"},
        {"earlier edition, shifted flags before the unpadded ISBN",
         Edition::Classic,
         "anarpe",
         {3, 1, 43, 0, "X"},
         "Il file Adoz004.txt non rispetta il tracciato: riga 2, colonna 45, campo Riempimento: atteso solo "
         "spazi"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        const bool Current = r.edition == Edition::Current;
        TempFolder Data, Home;
        if (Current) {
            writerstest::CopyFixture("basic", Data.Path());
        } else {
            for (const auto& Entry : fs::directory_iterator(fs::path(ADOX_CLASSIC_FIXTURES) / "basic"))
                fs::copy_file(Entry.path(), Data.Path() + Entry.path().filename().string());
        }
        const std::string Dest = Home.Path() + "rozadiver/datrex/" + r.target + "/";
        // An earlier delivery, which a stopped run leaves as it was.
        fs::create_directories(Dest);
        const bool Aie = std::string(r.target) == "aie";
        const std::string Earlier = Aie ? "File014.txt" : "Anarpe.zip";
        testsupport::WriteFileBytes(Dest + Earlier, "earlier delivery");

        const ExportRecordSet Set = testsupport::FaultyRecordSet(r.target, r.edit, r.edition);
        TClientDataSet Main("cdsMain"), Tmp("cdsTmp");
        ExportSettings S;
        S.DataDir = Data.Path();
        S.DestDir = Dest;
        S.Target = r.target;
        S.Header.SchoolCount = CountSchools(Main, Data.Path() + "Body014.xml");
        // The earlier edition's headers carry no catalogue date.
        if (Current) S.Header.CatalogueDate = ReadCatalogueDate(Tmp, Data.Path());
        S.Header.ParamFileDate = "01092021";
        S.Header.RunDate = "05032026";

        std::vector<std::string> Log;
        testsupport::FakeZip Zip;
        ExportRun Run(
            Set, S, Main, [&Log](const std::string& Text) { Log.push_back(Text); }, &Zip);
        const bool Stopped = Run.Execute();
        EXPECT_EQ(Stopped, !r.cause.empty());

        std::vector<std::string> Expected = {"Generazione files...."};
        for (const std::string& Name : Set.OutFiles()) Expected.push_back("- " + Name + " - OK");
        if (Stopped) {
            Expected.push_back(StopText(r.cause));
            EXPECT_EQ(Log, Expected);
            EXPECT_TRUE(Zip.Calls.empty());
            EXPECT_EQ(writerstest::FolderContents(Dest),
                      (std::map<std::string, std::string>{{Earlier, "earlier delivery"}}));
        } else if (Aie) {
            EXPECT_EQ(writerstest::FolderContents(Dest).size(), Set.OutFiles().size());
            for (const std::string& Name : Set.OutFiles())
                EXPECT_EQ(testsupport::ReadFileBytes(Dest + Name),
                          testsupport::ReadFileBytes(Data.Path() + Name));
        } else {
            EXPECT_EQ(Zip.Calls.size(), 3u);
        }
    }
}
