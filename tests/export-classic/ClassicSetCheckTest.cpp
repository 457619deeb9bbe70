// The earlier edition's written set is checked against its own layouts
// before delivery: a clean set is delivered, a faulty one stops the run.

#include "EditingWriter.h"
#include "FakeZip.h"
#include "TestSupport.h"

#include "dataset/ClientDataSet.h"
#include "export/ExportRun.h"
#include "export/StartupValues.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace fs = std::filesystem;
using namespace txad;

namespace {

using testsupport::LineEdit;

} // namespace

TEST(ClassicSetCheck, CleanSetsAreDeliveredFaultyOnesStop) {
    struct Row {
        const char* name;
        const char* target;
        LineEdit edit;
        const char* cause; // empty: the set is delivered
    } rows[] = {
        {"clean AIE set of five files", "aie", {}, ""},
        {"clean ANARPE set", "anarpe", {}, ""},
        {"dropped digit in a statistics record",
         "aie",
         {2, 1, 24, 1, ""},
         "Il file File698.txt non rispetta il tracciato: riga 2, colonna 22, campo Classi anno 1: vuoto"},
        {"shifted flags before the unpadded ISBN",
         "anarpe",
         {3, 1, 43, 0, "X"},
         "Il file Adoz004.txt non rispetta il tracciato: riga 2, colonna 45, campo Riempimento: atteso solo "
         "spazi"},
    };
    int Case = 0;
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        const fs::path Root =
            fs::path(testsupport::SandboxDir()) / ("classic-check-" + std::to_string(Case++));
        fs::remove_all(Root);
        fs::create_directories(Root / "data");
        for (const auto& Entry : fs::directory_iterator(fs::path(ADOX_CLASSIC_FIXTURES) / "basic"))
            fs::copy_file(Entry.path(), Root / "data" / Entry.path().filename());
        const std::string Data = (Root / "data").string() + "/";
        const std::string Dest = (Root / "dest").string() + "/";

        const ExportRecordSet Set = testsupport::FaultyRecordSet(r.target, r.edit, Edition::Classic);
        TClientDataSet Main("cdsMain");
        ExportSettings S;
        S.DataDir = Data;
        S.DestDir = Dest;
        S.Target = r.target;
        S.Header.SchoolCount = CountSchools(Main, Data + "Body014.xml");
        S.Header.ParamFileDate = "01092021";
        S.Header.RunDate = "15102021";

        std::vector<std::string> Log;
        testsupport::FakeZip Zip;
        ExportRun Run(
            Set, S, Main, [&Log](const std::string& Text) { Log.push_back(Text); }, &Zip);
        const bool Stopped = Run.Execute();
        EXPECT_EQ(Stopped, *r.cause != '\0');
        if (Stopped) {
            EXPECT_EQ(Log.back(), StopText(r.cause));
            EXPECT_TRUE(Zip.Calls.empty());
            EXPECT_FALSE(fs::exists(Dest) && !fs::is_empty(Dest));
        } else if (std::string(r.target) == "aie") {
            EXPECT_TRUE(fs::is_regular_file(Dest + "File815E.txt"));
        } else {
            EXPECT_EQ(Zip.Calls.size(), 3u);
        }
    }
}
