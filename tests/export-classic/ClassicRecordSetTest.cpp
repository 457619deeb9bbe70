// The earlier edition's files, compared byte for byte with golden files whose
// bytes were worked out from the record layouts.

#include "ExpectThrow.h"
#include "TestPacket.h"
#include "TestSettings.h"
#include "TestSupport.h"

#include "dataset/ClientDataSet.h"
#include "export/ExportRecordSet.h"
#include "export/OutputFileWriter.h"
#include "export/StartupValues.h"
#include "export/records/ClassicBodyWriters.h"
#include "support/VxExceptions.h"

#include <array>
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
void WriteAll(const ExportRecordSet& Set, const std::string& DataDir) {
    TClientDataSet Main("cdsMain");
    StartupState Startup = testsupport::StartupFor(Set, DataDir);
    Startup.Header.SchoolCount = CountSchools(Main, DataDir + "Body014.xml");
    Startup.Header.ParamFileDate = "01092021";
    const ExportSettings Settings = testsupport::SettingsOn(Startup, {2021, 10, 15});
    OutputFileWriter Writer(Set, Settings, Main);
    for (int I = 0; I < static_cast<int>(Set.FileLayouts().size()); ++I) Writer.WriteOutputFile(I);
}

ExportRecordSet ClassicSet(const char* Target) {
    return ExportRecordSet(Target, Edition::Classic);
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
        const ExportRecordSet Set = ClassicSet(Row.Target);
        ASSERT_EQ(Set.OutFiles(), Row.Files);
        WriteAll(Set, DataDir);
        for (const auto& File : Row.Files) {
            SCOPED_TRACE(File);
            const std::string Expected = testsupport::ReadFileBytes(std::string(ADOX_CLASSIC_GOLDEN) +
                                                                    "/basic/" + Row.Target + "/" + File);
            const std::string Actual = testsupport::ReadFileBytes(DataDir + File);
            EXPECT_TRUE(Expected == Actual) << testsupport::FirstDifference(Expected, Actual);
        }
        // The class writer's pre-pass changes the rows in memory only.
        EXPECT_EQ(testsupport::ReadFileBytes(DataDir + "Body622.xml"),
                  testsupport::ReadFileBytes(std::string(ADOX_CLASSIC_FIXTURES) + "/basic/Body622.xml"));
    }
}

TEST(ClassicRecordSet, ListsAndCodesByTarget) {
    const ExportRecordSet Aie = ClassicSet("aie");
    EXPECT_EQ(Aie.BodyFiles(), (TStringList{"Body014.xml", "Body622.xml", "Body698.xml", "Body815.xml"}));
    const std::span<const FileLayout> AieFiles = Aie.FileLayouts();
    ASSERT_EQ(AieFiles.size(), 5u);
    EXPECT_EQ(AieFiles[3].Body->Code(), "R815");
    EXPECT_EQ(AieFiles[4].Body, nullptr);
    EXPECT_EQ(Aie.MakeBodyWriter(AieFiles[4]), nullptr);
    EXPECT_FALSE(AieFiles[4].Reloads);
    EXPECT_TRUE(AieFiles[3].Reloads);
    EXPECT_FALSE(AieFiles[0].Reloads);
    EXPECT_FALSE(Aie.OneSchoolRecordPerCode());
    const ExportRecordSet Anarpe = ClassicSet("anarpe");
    EXPECT_TRUE(Anarpe.FileLayouts()[3].Reloads);
    EXPECT_EQ(Anarpe.FileLayouts()[2].Body->Code(), "A003");
    EXPECT_EQ(Anarpe.MakeBodyWriter(Anarpe.FileLayouts()[2])->RecordCode(), "A003");
    EXPECT_TRUE(ClassicSet("AIE").OutFiles().empty());
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

// Body698.xml holding the given rows (CodScuola, AnnoCorso, NrAlunni).
std::string StatisticsPacket(std::initializer_list<std::array<const char*, 3>> Rows) {
    const std::vector<std::string> Fields = {"CodScuola:string:10", "AnnoCorso:i4", "NrAlunni:i4"};
    std::vector<std::string> RowTexts;
    for (const auto& Row : Rows)
        RowTexts.push_back(testsupport::Row(testsupport::FieldNames(Fields), {Row[0], Row[1], Row[2]}));
    return testsupport::Packet(Fields, RowTexts);
}

std::string WriteStatistics(const std::string& Packet) {
    const std::string Path = (fs::path(testsupport::SandboxDir()) / "classic-Body698.xml").string();
    testsupport::WriteFileBytes(Path, Packet);
    TClientDataSet Data("cdsMain");
    Data.LoadFromFile(Path);
    StringSink Sink;
    ClassStatRecordWriter(BodyLayout(Edition::Classic, "R698")).Write(Data, Sink);
    return Sink.Data();
}

// A statistics row whose year of course is outside 1 to 5 is passed over
// inside its group: the walk ends, the group's other rows still count, and
// a group of such rows alone gives no record.
TEST(ClassicRecordSet, StatisticsWalkEndsOnYearsOutsideTheColumns) {
    const std::string Z = "  0  0";
    EXPECT_EQ(WriteStatistics(
                  StatisticsPacket({{"A", "0", "9"}, {"A", "2", "20"}, {"A", "9", "9"}, {"B", "6", "9"}})),
              "R698       A         " + Z + "  1 20" + Z + Z + Z + "*\r\n");
}

// Class counts and averages fill three columns; one that needs more stops the
// writer rather than lose its last digits.
TEST(ClassicRecordSet, StatisticsValuesBeyondThreeColumnsStop) {
    const std::string Z = "  0  0";
    EXPECT_EQ(WriteStatistics(StatisticsPacket({{"A", "1", "999"}, {"A", "1", "999"}})),
              "R698       A           2999" + Z + Z + Z + Z + "*\r\n");
    EXPECT_EQ(WriteStatistics(StatisticsPacket({{"A", "1", "-99"}})),
              "R698       A           1-99" + Z + Z + Z + Z + "*\r\n");
    for (const char* Pupils : {"1000", "-100"}) {
        SCOPED_TRACE(Pupils);
        EXPECT_THROW_MSG(WriteStatistics(StatisticsPacket({{"A", "1", Pupils}})), EVxError,
                         std::string("Valore ") + Pupils +
                             " della scuola A superiore alle 3 cifre consentite dal tracciato");
    }
}

// The pre-pass reads IdAnnoCorso only on rows of "PC" schools: a value that
// is not an integer stops the writer there and nowhere else.
TEST(ClassicRecordSet, PrePassReadsYearIdentifierOnlyOnPcSchools) {
    const struct {
        const char* Row;
        const char* From;
        const char* To;
        bool Throws;
    } Rows[] = {
        {"PC school", "IdAnnoCorso=\"6\"", "IdAnnoCorso=\"6x\"", true},
        {"other school", "IdAnnoCorso=\"1\"", "IdAnnoCorso=\"1x\"", false},
    };
    for (const auto& Row : Rows) {
        SCOPED_TRACE(Row.Row);
        const std::string Dir = CopyFixture("basic");
        std::string Packet = testsupport::ReadFileBytes(Dir + "Body622.xml");
        const std::string From = Row.From;
        Packet.replace(Packet.find(From), From.size(), Row.To);
        testsupport::WriteFileBytes(Dir + "Body622.xml", Packet);
        TClientDataSet Data("cdsMain");
        Data.LoadFromFile(Dir + "Body622.xml");
        StringSink Sink;
        if (Row.Throws) {
            EXPECT_THROW_MSG(ClassicClassRecordWriter(BodyLayout(Edition::Classic, "R622")).Write(Data, Sink),
                             EVxError, "'6x' is not a valid integer value for field 'IdAnnoCorso'");
        } else {
            ClassicClassRecordWriter(BodyLayout(Edition::Classic, "R622")).Write(Data, Sink);
            EXPECT_EQ(Sink.Data().substr(0, 48), "R622      AAIC00100AANO     1  7LI0200000000 *\r\n");
        }
    }
}

TEST(ClassicRecordSet, AieHeaders) {
    HeaderValues Values;
    Values.RunDate = "15102021";
    Values.SchoolCount = 7;
    Values.ParamFileDate = "01092021";
    const struct {
        const char* Case;
        int Index;
        const char* ParamFileDate;
        const char* Expected;
    } Rows[] = {
        {"first file", 0, "01092021", "R00115102021  71.0.2     01092021\r\n"},
        {"first file, no parameter file", 0, "", "R00115102021  71.0.2     \r\n"},
        {"middle file", 2, "01092021", "R00115102021  7\r\n"},
        {"last file counts no school", 4, "01092021", "R00115102021  0\r\n"},
    };
    for (const auto& Row : Rows) {
        SCOPED_TRACE(Row.Case);
        Values.ParamFileDate = Row.ParamFileDate;
        const FileLayout& File = FileLayouts(Edition::Classic, "aie")[static_cast<std::size_t>(Row.Index)];
        EXPECT_EQ(RecordFrame(Values).HeaderRecord(File), Row.Expected);
    }
}

// Packets without rows give header and trailer only; the statistics file
// still counts the registry's schools.
TEST(ClassicRecordSet, PacketsWithoutRowsGiveTwoLines) {
    const std::string Dir = CopyFixture("basic");
    for (const char* Packet : {"Body622.xml", "Body698.xml", "Body815.xml"}) {
        std::string Bytes = testsupport::ReadFileBytes(Dir + Packet);
        const std::size_t From = Bytes.find("<ROWDATA>") + 9;
        Bytes.erase(From, Bytes.find("</ROWDATA>") - From);
        testsupport::WriteFileBytes(Dir + Packet, Bytes);
    }
    WriteAll(ClassicSet("aie"), Dir);
    const std::string Header = "R00115102021  2\r\n";
    const struct {
        const char* File;
        const char* Trailer;
    } Rows[] = {
        {"File622.txt", "R09915102021    2\r\n"},
        {"File698.txt", "R09915102021    4\r\n"},
        {"File815.txt", "R09915102021    2\r\n"},
    };
    for (const auto& Row : Rows) {
        SCOPED_TRACE(Row.File);
        EXPECT_EQ(testsupport::ReadFileBytes(Dir + Row.File), Header + Row.Trailer);
    }
}

TEST(ClassicRecordSet, MissingStatisticsPacketFailsTheThirdFile) {
    for (const char* Target : {"aie", "anarpe"}) {
        SCOPED_TRACE(Target);
        const std::string Dir = CopyFixture("basic");
        fs::remove(Dir + "Body698.xml");
        const ExportRecordSet Set = ClassicSet(Target);
        TClientDataSet Main("cdsMain");
        StartupState Startup = testsupport::StartupFor(Set, Dir);
        Startup.Header.SchoolCount = CountSchools(Main, Dir + "Body014.xml");
        const ExportSettings Settings = testsupport::SettingsOn(Startup, {2021, 10, 15});
        OutputFileWriter Writer(Set, Settings, Main);
        Writer.WriteOutputFile(0);
        Writer.WriteOutputFile(1);
        EXPECT_THROW_MSG(Writer.WriteOutputFile(2), EVxError, "Error reading file " + Dir + "Body698.xml");
        EXPECT_FALSE(fs::exists(Dir + Set.OutFiles()[2]));
    }
}
