// The earlier edition's files, compared byte for byte with golden files whose
// bytes were worked out from the record layouts.

#include "TestSupport.h"

#include "dataset/ClientDataSet.h"
#include "export-classic/ClassicRecordSet.h"
#include "export/OutputFileWriter.h"
#include "export/StartupValues.h"
#include "support/VxExceptions.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace fs = std::filesystem;
using namespace txad;

namespace {

std::string CopyFixture(const std::string& Name) {
    const fs::path Dir = fs::path(testsupport::SandboxDir()) / ("classic-" + Name);
    fs::remove_all(Dir);
    fs::create_directories(Dir);
    for (const auto& Entry : fs::directory_iterator(fs::path(ADOX_CLASSIC_FIXTURES) / Name))
        fs::copy_file(Entry.path(), Dir / Entry.path().filename());
    return Dir.string() + "/";
}

// Writes every file of the record set for Target from the fixture's packets.
void WriteAll(const ClassicRecordSet& Set, const std::string& DataDir) {
    TClientDataSet Main("cdsMain");
    ExportSettings Settings;
    Settings.DataDir = DataDir;
    Settings.Target = Set.Target();
    Settings.BodyFiles = Set.BodyFiles();
    Settings.OutFiles = Set.OutFiles();
    Settings.RecordTypes = Set.RecordTypes();
    Settings.SchoolCount = CountSchools(Main, DataDir + "Body014.xml");
    Settings.ParamFileDate = "01092021";
    Settings.RunDate = {2021, 10, 15};
    OutputFileWriter Writer(Set, Settings, Main);
    for (int I = 0; I < static_cast<int>(Settings.OutFiles.size()); ++I) Writer.WriteOutputFile(I);
}

} // namespace

TEST(ClassicRecordSet, FilesMatchGoldenForBothRecipients) {
    const struct {
        const char* Target;
        std::vector<std::string> Files;
    } Rows[] = {
        {"aie", {"File014.txt", "File622.txt", "File698.txt", "File815.txt", "File815E.txt"}},
        {"anarpe", {"Adoz001.txt", "Adoz002.txt", "Adoz003.txt", "Adoz004.txt"}},
    };
    for (const auto& Row : Rows) {
        SCOPED_TRACE(Row.Target);
        const std::string DataDir = CopyFixture("basic");
        ClassicRecordSet Set(Row.Target);
        ASSERT_EQ(Set.OutFiles(), Row.Files);
        WriteAll(Set, DataDir);
        for (const auto& File : Row.Files) {
            SCOPED_TRACE(File);
            const std::string Expected = testsupport::ReadFileBytes(std::string(ADOX_CLASSIC_GOLDEN) +
                                                                    "/basic/" + Row.Target + "/" + File);
            const std::string Actual = testsupport::ReadFileBytes(DataDir + File);
            EXPECT_TRUE(Expected == Actual) << testsupport::FirstDifference(Expected, Actual);
        }
    }
}

TEST(ClassicRecordSet, ListsAndCodesByTarget) {
    ClassicRecordSet Aie("aie");
    EXPECT_EQ(Aie.BodyFiles(), (TStringList{"Body014.xml", "Body622.xml", "Body698.xml", "Body815.xml"}));
    EXPECT_EQ(Aie.RecordTypes(), (TStringList{"R014", "R622", "R698", "R815", "R81E"}));
    EXPECT_EQ(Aie.RecordCode(3), "R815");
    EXPECT_EQ(Aie.RecordCode(4), "");
    EXPECT_FALSE(Aie.LoadsPacket(4, 5));
    EXPECT_TRUE(Aie.LoadsPacket(3, 5));
    ClassicRecordSet Anarpe("anarpe");
    EXPECT_TRUE(Anarpe.LoadsPacket(3, 4));
    EXPECT_EQ(Anarpe.RecordCode(2), "A003");
    EXPECT_TRUE(ClassicRecordSet("AIE").OutFiles().empty());
}

TEST(ClassicRecordSet, RoundHalfUp) {
    const struct {
        double Value;
        int Expected;
    } Rows[] = {{20.5, 21}, {20.49, 20}, {20.0, 20}, {62.0 / 3.0, 21}, {0.0, 0}, {0.5, 1}};
    for (const auto& Row : Rows) {
        SCOPED_TRACE(Row.Value);
        EXPECT_EQ(RoundHalfUp(Row.Value), Row.Expected);
    }
}

TEST(ClassicRecordSet, FlagCharacters) {
    const struct {
        int Value;
        char Consigliato;
        char InPossesso;
    } Rows[] = {{1, 'C', 'S'}, {0, ' ', 'N'}, {2, ' ', ' '}, {-1, ' ', ' '}};
    for (const auto& Row : Rows) {
        SCOPED_TRACE(Row.Value);
        EXPECT_EQ(ConsigliatoChar(Row.Value), Row.Consigliato);
        EXPECT_EQ(InPossessoChar(Row.Value), Row.InPossesso);
    }
}

// A statistics row whose year of course is outside 1 to 5 is passed over
// inside its group: the walk ends, the group's other rows still count, and
// a group of such rows alone gives no record.
TEST(ClassicRecordSet, StatisticsWalkEndsOnYearsOutsideTheColumns) {
    const std::string Dir = CopyFixture("basic");
    testsupport::WriteFileBytes(
        Dir + "Body698.xml",
        "<?xml version=\"1.0\" standalone=\"yes\"?><DATAPACKET Version=\"2.0\"><METADATA><FIELDS>"
        "<FIELD attrname=\"CodScuola\" fieldtype=\"string\" WIDTH=\"10\"/><FIELD attrname=\"AnnoCorso\" "
        "fieldtype=\"i4\"/><FIELD attrname=\"NrAlunni\" "
        "fieldtype=\"i4\"/></FIELDS><PARAMS/></METADATA><ROWDATA>"
        "<ROW CodScuola=\"A\" AnnoCorso=\"0\" NrAlunni=\"9\"/><ROW CodScuola=\"A\" AnnoCorso=\"2\" "
        "NrAlunni=\"20\"/>"
        "<ROW CodScuola=\"A\" AnnoCorso=\"9\" NrAlunni=\"9\"/><ROW CodScuola=\"B\" AnnoCorso=\"6\" "
        "NrAlunni=\"9\"/></ROWDATA></DATAPACKET>");
    TClientDataSet Data("cdsMain");
    Data.LoadFromFile(Dir + "Body698.xml");
    StringSink Sink;
    ClassStatRecordWriter("R698").Write(Data, Sink);
    const std::string Z = "  0  0";
    EXPECT_EQ(Sink.Data(), "R698       A         " + Z + "  1 20" + Z + Z + Z + "*\r\n");
}

TEST(ClassicRecordSet, ClassWriterStopsOnNonIntegerYearIdentifier) {
    const std::string Dir = CopyFixture("basic");
    std::string Packet = testsupport::ReadFileBytes(Dir + "Body622.xml");
    const std::string From = "IdAnnoCorso=\"6\"";
    Packet.replace(Packet.find(From), From.size(), "IdAnnoCorso=\"6x\"");
    testsupport::WriteFileBytes(Dir + "Body622.xml", Packet);
    TClientDataSet Data("cdsMain");
    Data.LoadFromFile(Dir + "Body622.xml");
    StringSink Sink;
    EXPECT_THROW(ClassicClassRecordWriter("R622").Write(Data, Sink), EVxError);
}
