// Runs the real programs on a copy of the demo school, as the secretariat's
// automation does: unattended, with a private HOME (the delivery folder) and a
// registry file pointing at the copied installation folder.

#include "export/records/RecordLayout.h"
#include "tests/common/FileDates.h"
#include "tests/common/TestSupport.h"
#include "tests/e2e/RecordFileNames.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QStringList>

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <ostream>
#include <set>
#include <string>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/time.h>
#include <vector>

namespace fs = std::filesystem;
using testsupport::PacketColumn;
using testsupport::ReadFileBytes;

namespace {

const std::string kStopPrefix = "Procedura interrotta con il seguente errore: ";
const std::string kStopTail = "\n\nI DATI ESPORTATI NON SONO DISPONIBILI\n";

struct RunResult {
    int Status = -1;
    std::string Out;
    std::string Err;
};

std::vector<std::string> SplitLines(const std::string& Text) {
    std::vector<std::string> Lines;
    std::size_t Start = 0;
    while (Start < Text.size()) {
        std::size_t End = Text.find('\n', Start);
        if (End == std::string::npos) End = Text.size();
        Lines.push_back(Text.substr(Start, End - Start));
        Start = End + 1;
    }
    return Lines;
}

// The file names of a folder, sorted; empty when the folder does not exist.
std::vector<std::string> FolderNames(const fs::path& Dir) {
    std::vector<std::string> Names;
    std::error_code Ec;
    for (const auto& Entry : fs::directory_iterator(Dir, Ec))
        Names.push_back(Entry.path().filename().string());
    std::sort(Names.begin(), Names.end());
    return Names;
}

std::vector<std::string> Sorted(std::vector<std::string> Names) {
    std::sort(Names.begin(), Names.end());
    return Names;
}

// Bytes and modification time of every file below a folder, by relative path.
std::map<std::string, std::pair<std::string, fs::file_time_type>> Snapshot(const fs::path& Dir) {
    std::map<std::string, std::pair<std::string, fs::file_time_type>> Files;
    for (const auto& Entry : fs::recursive_directory_iterator(Dir))
        if (Entry.is_regular_file())
            Files[fs::relative(Entry.path(), Dir).string()] = {ReadFileBytes(Entry.path().string()),
                                                               Entry.last_write_time()};
    return Files;
}

// Counts the rows of a packet (one line of XML, one <ROW element per record).
int PacketRows(const fs::path& Packet) {
    const std::string Bytes = ReadFileBytes(Packet.string());
    int Rows = 0;
    for (std::size_t At = Bytes.find("<ROW "); At != std::string::npos; At = Bytes.find("<ROW ", At + 1))
        ++Rows;
    return Rows;
}

bool HaveTool(const char* Name) {
    return !QStandardPaths::findExecutable(QString::fromLatin1(Name)).isEmpty();
}

// A copy of the demo school with its own HOME and registry file.
class DemoRun : public ::testing::Test {
protected:
    void SetUp() override {
        std::string Template = testsupport::SandboxDir() + "/e2e-XXXXXX";
        ASSERT_NE(mkdtemp(Template.data()), nullptr);
        Root = Template;
        Data = Root / "data";
        Install = Root / "install";
        Home = Root / "home";
        fs::copy(fs::path(ADOX_DEMO_DIR) / "data", Data, fs::copy_options::recursive);
        fs::copy(fs::path(ADOX_DEMO_DIR) / "install", Install, fs::copy_options::recursive);
        fs::create_directories(Home);
        for (const auto& Entry : fs::directory_iterator(Install / "ETC" / "datrex"))
            if (Entry.path().extension() == ".ufp") {
                ASSERT_TRUE(testsupport::DateOnFirstSeptember2021(Entry.path(), 12));
            }
        testsupport::WriteFileBytes((Root / "hklm.reg").string(),
                                    "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\VexonMorvale]\r\n"
                                    "\"MainDir\"=\"" +
                                        Install.string() + "/\"\r\n");
    }

    void TearDown() override {
        std::error_code Ec;
        if (!HasFailure()) fs::remove_all(Root, Ec);
    }

    fs::path Delivery(const std::string& Target) const { return Home / "rozadiver" / "datrex" / Target; }

    // Starts a program as the automation does, without waiting for it.
    std::unique_ptr<QProcess> Start(const char* Program, const QStringList& Args) const {
        auto Child = std::make_unique<QProcess>();
        QProcessEnvironment Env = QProcessEnvironment::systemEnvironment();
        Env.insert("HOME", QString::fromStdString(Home.string()));
        Env.insert("ADOXPORT_HKLM", QString::fromStdString((Root / "hklm.reg").string()));
        Env.insert("QT_QPA_PLATFORM", "offscreen");
        Env.insert("XDG_RUNTIME_DIR", QString::fromStdString(Root.string()));
        Child->setProcessEnvironment(Env);
        Child->setWorkingDirectory(QString::fromStdString(Root.string()));
        Child->start(QString::fromUtf8(Program), Args);
        return Child;
    }

    static RunResult Finish(QProcess& Child) {
        RunResult Result;
        if (!Child.waitForStarted(10000) || !Child.waitForFinished(120000)) {
            Child.kill();
            Child.waitForFinished();
            ADD_FAILURE() << Child.program().toStdString() << " did not start or did not finish";
            return Result;
        }
        Result.Status = Child.exitStatus() == QProcess::NormalExit ? Child.exitCode() : -1;
        Result.Out = Child.readAllStandardOutput().toStdString();
        Result.Err = Child.readAllStandardError().toStdString();
        return Result;
    }

    RunResult Run(const char* Program, const QStringList& Args) const {
        return Finish(*Start(Program, Args));
    }

    RunResult Export(const char* Program, const std::string& Target, const std::string& Path,
                     const QStringList& Extra = {}) const {
        QStringList Args{QString::fromStdString(Data.string()), QString::fromStdString(Target),
                         QString::fromStdString(Path), "--unattended"};
        return Run(Program, Args + Extra);
    }

    // Every named output file exists in the data folder and the delivery
    // folder holds exactly identical copies of them.
    void ExpectCopiesDelivered(const std::vector<std::string>& Files) const {
        EXPECT_EQ(FolderNames(Delivery("aie")), Sorted(Files));
        for (const auto& Name : Files) {
            SCOPED_TRACE(Name);
            ASSERT_TRUE(fs::is_regular_file(Data / Name));
            ASSERT_TRUE(fs::is_regular_file(Delivery("aie") / Name));
            const std::string Made = ReadFileBytes((Data / Name).string());
            EXPECT_FALSE(Made.empty());
            EXPECT_EQ(testsupport::FirstDifference(Made, ReadFileBytes((Delivery("aie") / Name).string())),
                      "");
        }
    }

    // "Anarpe.zip" is the only file of the delivery folder, passes the zip
    // tools' tests and holds exactly the output files, bytes and bare names.
    void ExpectArchiveDelivered(const std::vector<std::string>& Files) const {
        const fs::path Archive = Delivery("anarpe") / "Anarpe.zip";
        EXPECT_EQ(FolderNames(Delivery("anarpe")), std::vector<std::string>{"Anarpe.zip"});
        ASSERT_TRUE(fs::is_regular_file(Archive));
        const QString Zip = QString::fromStdString(Archive.string());
        const RunResult Unzip = Run("/usr/bin/env", {"unzip", "-t", Zip});
        EXPECT_EQ(Unzip.Status, 0) << Unzip.Out << Unzip.Err;
        const RunResult Python = Run("/usr/bin/env", {"python3", "-m", "zipfile", "-t", Zip});
        EXPECT_EQ(Python.Status, 0) << Python.Out << Python.Err;
        const bool Have7z = HaveTool("7z");
        if (Have7z) {
            const RunResult SevenZip = Run("/usr/bin/env", {"7z", "t", Zip});
            EXPECT_EQ(SevenZip.Status, 0) << SevenZip.Out << SevenZip.Err;
        }
        const RunResult Names = Run("/usr/bin/env", {"unzip", "-Z1", Zip});
        ASSERT_EQ(Names.Status, 0) << Names.Err;
        EXPECT_EQ(SplitLines(Names.Out), Files);
        for (const auto& Name : Files) {
            SCOPED_TRACE(Name);
            const RunResult Member = Run("/usr/bin/env", {"unzip", "-p", Zip, QString::fromStdString(Name)});
            ASSERT_EQ(Member.Status, 0) << Member.Err;
            EXPECT_EQ(testsupport::FirstDifference(ReadFileBytes((Data / Name).string()), Member.Out), "");
        }
        // The other tools' checks above still count.
        if (!Have7z) GTEST_SKIP() << "7z is not installed: the archive was not tested with 7z";
    }

    fs::path Root, Data, Install, Home;
};

// The part of stdout after the "----" line, and the part before it.
std::pair<std::string, std::string> SplitReport(const std::string& Out) {
    const std::size_t At = Out.rfind("----\n", 0) == 0 ? 0 : Out.find("\n----\n");
    if (At == std::string::npos) return {Out, ""};
    if (At == 0) return {"", Out.substr(5)};
    return {Out.substr(0, At + 1), Out.substr(At + 6)};
}

std::vector<std::string> OkLines(const std::vector<std::string>& Files) {
    std::vector<std::string> Lines{"Generazione files...."};
    for (const auto& Name : Files) Lines.push_back("- " + Name + " - OK");
    return Lines;
}

bool SkipWithoutZipTools() {
    for (const char* Tool : {"unzip", "python3"})
        if (!HaveTool(Tool)) return true;
    return false;
}

TEST_F(DemoRun, AieExportWritesFourFilesAndDeliversIdenticalCopies) {
    const RunResult R = Export(ADOX_PROGRAM, "aie", "1", {"--protocol", "DEMO/2021"});
    ASSERT_EQ(R.Status, 0) << R.Out << R.Err;
    const auto [Report, Log] = SplitReport(R.Out);
    // The demo plants rows the data check reports, in both schools.
    EXPECT_NE(Report.find("FCPS28031L"), std::string::npos) << Report;
    EXPECT_NE(Report.find("LEMM38038A"), std::string::npos) << Report;

    const std::vector<std::string> Lines = SplitLines(Log);
    std::vector<std::string> Expected = OkLines(e2e::AieFiles);
    const std::string Folder = Delivery("aie").string();
    for (const std::string& Line : {std::string(), std::string("Copia files...."), std::string(),
                                    "I files sono disponibili nella cartella " + Folder + " ", std::string()})
        Expected.push_back(Line);
    ASSERT_EQ(Lines.size(), Expected.size() + 1) << Log;
    EXPECT_TRUE(std::equal(Expected.begin(), Expected.end(), Lines.begin())) << Log;
    EXPECT_EQ(Lines.back().rfind("Inviare i files via posta elettronica all'indirizzo ", 0), 0u) << Log;
    EXPECT_EQ(R.Err, "");

    ExpectCopiesDelivered(e2e::AieFiles);
    // Header, one record per row, trailer: the whole packets went through.
    struct Case {
        const char* File;
        const char* Packet;
    };
    for (const Case& C : {Case{"File622.txt", "Body622.xml"}, Case{"File815.txt", "Body815.xml"},
                          Case{"File815E.txt", "Body815E.xml"}}) {
        SCOPED_TRACE(C.File);
        const std::string Bytes = ReadFileBytes((Data / C.File).string());
        EXPECT_EQ(static_cast<int>(std::count(Bytes.begin(), Bytes.end(), '\n')),
                  PacketRows(Data / C.Packet) + 2);
    }
}

// Every entry below a folder: file bytes, or "<dir>" for a folder.
std::map<std::string, std::string> Tree(const fs::path& Dir) {
    std::map<std::string, std::string> Entries;
    std::error_code Ec;
    for (auto It = fs::recursive_directory_iterator(Dir, Ec); !Ec && It != fs::recursive_directory_iterator();
         It.increment(Ec))
        Entries[fs::relative(It->path(), Dir).string()] =
            It->is_directory() ? "<dir>" : ReadFileBytes(It->path().string());
    if (fs::is_regular_file(Dir)) Entries["."] = ReadFileBytes(Dir.string());
    return Entries;
}

// Runs that stop: the log holds the OK lines of the files written, the
// delivery step's line when it was reached, and the stop text, naming the
// file that failed and why in Italian, as its last lines; stderr keeps the
// error as raised; the delivery folder is left exactly as it was.
enum class Obstacle {
    FourthFileIsAFolder,
    DeliveryFolderIsAFile,
    ReplacedFileIsAFolder,
    OldArchiveIsAFolder
};

struct StopCase {
    const char* Name;
    const char* Target;
    Obstacle Where;
    std::size_t FilesWritten;
    std::string Cause;  // after the stop text's sentence, lines apart by LF; "@" stands for the delivery
                        // folder, "%" for the data folder
    const char* Raised; // on stderr, as raised
};

// Test names carry the case's name; gtest would print the raw bytes.
void PrintTo(const StopCase& C, std::ostream* Out) {
    *Out << C.Name;
}

class StoppedRun : public DemoRun, public ::testing::WithParamInterface<StopCase> {};

TEST_P(StoppedRun, StopsWithTheStopTextAndLeavesTheDeliveryFolderAsItWas) {
    const StopCase& C = GetParam();
    const fs::path Dest = Delivery(C.Target);
    switch (C.Where) {
    case Obstacle::FourthFileIsAFolder: fs::create_directory(Data / "File815E.txt"); break;
    case Obstacle::DeliveryFolderIsAFile:
        fs::create_directories(Dest.parent_path());
        testsupport::WriteFileBytes(Dest.string(), "not a folder");
        break;
    case Obstacle::ReplacedFileIsAFolder:
        // A previous set's first file, then a name that cannot be replaced.
        fs::create_directories(Dest / "File815.txt" / "locked");
        testsupport::WriteFileBytes((Dest / "File014.txt").string(), "previous set\r\n");
        break;
    case Obstacle::OldArchiveIsAFolder: fs::create_directories(Dest / "Anarpe.zip" / "locked"); break;
    }
    const auto DeliveryBefore = Tree(Dest);

    const RunResult R = Export(ADOX_PROGRAM, C.Target, "1");
    EXPECT_EQ(R.Status, 1) << R.Out << R.Err;
    const std::vector<std::string>& All = std::string(C.Target) == "aie" ? e2e::AieFiles : e2e::AnarpeFiles;
    std::vector<std::string> Expected =
        OkLines(std::vector<std::string>(All.begin(), All.begin() + static_cast<long>(C.FilesWritten)));
    if (C.FilesWritten == All.size())
        for (const char* Line :
             {"", std::string(C.Target) == "aie" ? "Copia files...." : "Creazione zip....", ""})
            Expected.push_back(Line);
    auto Placed = [&](std::string Text) {
        if (const std::size_t At = Text.find('@'); At != std::string::npos)
            Text.replace(At, 1, Dest.string());
        if (const std::size_t At = Text.find('%'); At != std::string::npos)
            Text.replace(At, 1, Data.string());
        return Text;
    };
    const std::vector<std::string> Cause = SplitLines(Placed(C.Cause));
    Expected.push_back(kStopPrefix + Cause.front());
    Expected.insert(Expected.end(), Cause.begin() + 1, Cause.end());
    Expected.push_back("");
    Expected.push_back("I DATI ESPORTATI NON SONO DISPONIBILI");
    const std::vector<std::string> Lines = SplitLines(SplitReport(R.Out).second);
    ASSERT_EQ(Lines.size(), Expected.size()) << R.Out;
    for (std::size_t I = 0; I < Lines.size(); ++I) EXPECT_EQ(Lines[I], Expected[I]) << R.Out;
    EXPECT_NE(R.Err.find(Placed(C.Raised)), std::string::npos) << R.Err;
    EXPECT_TRUE(Tree(Dest) == DeliveryBefore) << "the delivery folder changed";
    for (std::size_t I = 0; I < C.FilesWritten; ++I)
        EXPECT_TRUE(fs::is_regular_file(Data / All[I])) << All[I];
}

const std::string kWriteAdvice =
    "\nControllare che nella cartella si possa scrivere (permessi, spazio libero) e che "
    "il file non sia aperto in un altro programma, poi riprovare.";

const StopCase kStopCases[] = {
    // The file that cannot be created is named, not the packet it comes from.
    {"FourthFileCannotBeOpened", "aie", Obstacle::FourthFileIsAFolder, 3,
     "Impossibile creare il file %/File815E.txt: al suo posto c'\u00E8 una cartella.\nControllare che nella "
     "cartella si possa scrivere (permessi, spazio libero, supporto non protetto) e riprovare.",
     "adoxport: Cannot create file %/File815E.txt\n"},
    {"DeliveryFolderCannotBeMade", "aie", Obstacle::DeliveryFolderIsAFile, 4,
     "Errore nella scrittura del file @/File014.txt: una parte del percorso non \u00E8 una cartella." +
         kWriteAdvice,
     "adoxport: Error writing file @/File014.txt\n"},
    {"PreviousCopyCannotBeReplaced", "aie", Obstacle::ReplacedFileIsAFolder, 4,
     "Errore nella scrittura del file @/File815.txt: non \u00E8 un file regolare." + kWriteAdvice,
     "adoxport: Error writing file @/File815.txt\n"},
    {"OldArchiveCannotBeDeleted", "anarpe", Obstacle::OldArchiveIsAFolder, 4,
     "Errore nella scrittura del file @/Anarpe.zip: al suo posto c'\u00E8 una cartella." + kWriteAdvice,
     "adoxport: Error writing file @/Anarpe.zip\n"},
};

INSTANTIATE_TEST_SUITE_P(Demo, StoppedRun, ::testing::ValuesIn(kStopCases),
                         [](const auto& Info) { return std::string(Info.param.Name); });

// With no path the wizard walks every page by index; --sites belongs to
// path "2" and is ignored, so the empty site list does not refuse it.
TEST_F(DemoRun, NoPathWalksEveryPageAndIgnoresSites) {
    const RunResult R = Export(ADOX_PROGRAM, "aie", "3", {"--sites", "1"});
    ASSERT_EQ(R.Status, 0) << R.Out << R.Err;
    ExpectCopiesDelivered(e2e::AieFiles);
}

TEST_F(DemoRun, AnarpeArchivePassesTheZipToolsAndHoldsTheFourFiles) {
    if (SkipWithoutZipTools()) GTEST_SKIP() << "unzip or python3 is not installed";
    const RunResult R = Export(ADOX_PROGRAM, "anarpe", "1");
    ASSERT_EQ(R.Status, 0) << R.Out << R.Err;
    const std::vector<std::string> Lines = SplitLines(SplitReport(R.Out).second);
    const std::vector<std::string> Ok = OkLines(e2e::AnarpeFiles);
    ASSERT_GT(Lines.size(), Ok.size() + 2);
    EXPECT_TRUE(std::equal(Ok.begin(), Ok.end(), Lines.begin())) << R.Out;
    EXPECT_EQ(Lines[Ok.size() + 1], "Creazione zip....") << R.Out;
    ExpectArchiveDelivered(e2e::AnarpeFiles);
    // The header carries the parameter file's date, found through the registry file.
    const std::string Header = SplitLines(ReadFileBytes((Data / e2e::AnarpeFiles[0]).string())).front();
    EXPECT_EQ(Header.substr(Header.size() - 9), "01092021\r") << Header;
}

// Path "2": one description ticked per school code (the last of each code, so
// the choice removes a registry row of the two-site school).
TEST_F(DemoRun, SitePathExportsTheChosenDescriptions) {
    const std::vector<std::string> Codes = PacketColumn(Data / "Body014.xml", "CodScuola");
    const std::vector<std::string> Addresses = PacketColumn(Data / "Body014.xml", "Indirizzo");
    std::map<std::string, std::size_t> Last;
    for (std::size_t I = 0; I < Codes.size(); ++I) Last[Codes[I]] = I;
    ASSERT_LT(Last.size(), Codes.size()) << "the demo has a school with several sites";
    QStringList Positions;
    for (const auto& [Code, Row] : Last) Positions << QString::number(Row + 1);

    const RunResult R = Export(ADOX_PROGRAM, "aie", "2", {"--sites", Positions.join(',')});
    ASSERT_EQ(R.Status, 0) << R.Out << R.Err;
    ExpectCopiesDelivered(e2e::AieFiles);
    const std::string Schools = ReadFileBytes((Data / "File014.txt").string());
    EXPECT_EQ(static_cast<std::size_t>(std::count(Schools.begin(), Schools.end(), '\n')), Last.size() + 2);
    for (std::size_t I = 0; I < Codes.size(); ++I) {
        SCOPED_TRACE(Addresses[I]);
        const bool Chosen = Last[Codes[I]] == I;
        EXPECT_EQ(Schools.find(Addresses[I]) != std::string::npos, Chosen);
    }
}

// Runs that must not export: the exit status tells a refusal (1) from a usage
// or start-up error (2); nothing is written or delivered.
struct RefusedCase {
    const char* Name;
    QStringList Args; // "DATA" stands for the demo copy's data folder
    int Status;
    const char* Stderr;
};

void PrintTo(const RefusedCase& C, std::ostream* Out) {
    *Out << C.Name;
}

class RefusedRun : public DemoRun, public ::testing::WithParamInterface<RefusedCase> {};

TEST_P(RefusedRun, ExitsWithoutWritingOrDelivering) {
    const RefusedCase& C = GetParam();
    QStringList Args = C.Args;
    Args.replaceInStrings(QStringLiteral("DATA"), QString::fromStdString(Data.string()));
    const RunResult R = Run(ADOX_PROGRAM, Args);
    EXPECT_EQ(R.Status, C.Status) << R.Out << R.Err;
    EXPECT_NE(R.Err.find(C.Stderr), std::string::npos) << R.Err;
    EXPECT_EQ(SplitReport(R.Out).second.find("- File014.txt - OK"), std::string::npos) << R.Out;
    for (const auto& Name : e2e::AieFiles) {
        EXPECT_FALSE(fs::exists(Data / Name)) << Name;
        EXPECT_FALSE(fs::exists(Root / Name)) << Name; // the working folder
    }
    EXPECT_FALSE(fs::exists(Home / "rozadiver"));
}

const RefusedCase kRefusedCases[] = {
    {"SitesMissing",
     {"DATA", "aie", "2", "--unattended"},
     1,
     "Per ogni codice meccanografico dev'essere selezionata\n"},
    // An empty list is no usage error: nothing ticked, the site page refuses.
    {"EmptySiteList",
     {"DATA", "aie", "2", "--unattended", "--sites", ""},
     1,
     "Per ogni codice meccanografico dev'essere selezionata\n"},
    {"TwoSitesOfOneCode",
     {"DATA", "aie", "2", "--unattended", "--sites", "1,2,3"},
     1,
     "ne sono selezionate 2."},
    {"SitePositionOutOfRange", {"DATA", "aie", "2", "--unattended", "--sites", "1,99"}, 2, "99"},
    {"SitePositionZero", {"DATA", "aie", "2", "--unattended", "--sites", "0"}, 2, "--sites"},
    {"UnknownOption", {"DATA", "aie", "1", "--unattended", "--fast"}, 2, "--fast"},
    {"OptionWithoutValue", {"DATA", "aie", "1", "--unattended", "--protocol"}, 2, "--protocol"},
    {"UnknownTarget", {"DATA", "aiex", "1", "--unattended"}, 2, "Destinatario non riconosciuto: aiex"},
    {"TargetInOtherCase", {"DATA", "AIE", "1", "--unattended"}, 2, "Destinatario non riconosciuto: AIE"},
    {"EmptyDataFolder", {"", "aie", "1", "--unattended"}, 2, "Cartella dei dati non indicata"},
    {"MissingDataFolder", {"DATA/absent", "aie", "1", "--unattended"}, 2, "Cannot open file"},
};

INSTANTIATE_TEST_SUITE_P(Demo, RefusedRun, ::testing::ValuesIn(kRefusedCases),
                         [](const auto& Info) { return std::string(Info.param.Name); });

// The packets and the parameter files keep their bytes and times whatever the
// program and the recipient.
struct InputsCase {
    const char* Name;
    const char* Program;
    const char* Target;
    const char* Path;
};

void PrintTo(const InputsCase& C, std::ostream* Out) {
    *Out << C.Name;
}

class InputsUntouched : public DemoRun, public ::testing::WithParamInterface<InputsCase> {};

TEST_P(InputsUntouched, PacketsKeepTheirBytes) {
    const InputsCase& C = GetParam();
    if (std::string(C.Target) == "anarpe" && SkipWithoutZipTools())
        GTEST_SKIP() << "unzip or python3 missing";
    const auto DataBefore = Snapshot(Data);
    const auto InstallBefore = Snapshot(Install);
    const RunResult R = Export(C.Program, C.Target, C.Path, {"--sites", "2,3", "--protocol", "X"});
    ASSERT_EQ(R.Status, 0) << R.Out << R.Err;
    auto DataAfter = Snapshot(Data);
    std::set<std::string> Outputs;
    for (const auto& [Name, File] : DataAfter)
        if (!DataBefore.count(Name)) Outputs.insert(Name);
    EXPECT_FALSE(Outputs.empty());
    for (const auto& Name : Outputs) {
        EXPECT_EQ(fs::path(Name).extension(), ".txt") << Name;
        DataAfter.erase(Name);
    }
    EXPECT_TRUE(DataAfter == DataBefore);
    EXPECT_TRUE(Snapshot(Install) == InstallBefore);
}

const InputsCase kInputsCases[] = {
    {"AiePath1", ADOX_PROGRAM, "aie", "1"},
    {"AnarpePath2", ADOX_PROGRAM, "anarpe", "2"},
    {"ClassicAie", ADOX_PROGRAM_CLASSIC, "aie", "1"},
};

INSTANTIATE_TEST_SUITE_P(Demo, InputsUntouched, ::testing::ValuesIn(kInputsCases),
                         [](const auto& Info) { return std::string(Info.param.Name); });

TEST_F(DemoRun, ClassicAieDeliversFiveFilesWithAnEmptyLastOne) {
    const RunResult R = Export(ADOX_PROGRAM_CLASSIC, "aie", "1", {"--protocol", "ignored"});
    ASSERT_EQ(R.Status, 0) << R.Out << R.Err;
    ASSERT_EQ(R.Out.rfind("----\n", 0), 0u) << R.Out;
    const std::vector<std::string> Lines = SplitLines(R.Out.substr(5));
    const std::vector<std::string> Ok = OkLines(e2e::ClassicAieFiles);
    ASSERT_GT(Lines.size(), Ok.size());
    EXPECT_TRUE(std::equal(Ok.begin(), Ok.end(), Lines.begin())) << R.Out;
    ExpectCopiesDelivered(e2e::ClassicAieFiles);
    const std::string Last = ReadFileBytes((Data / "File815E.txt").string());
    EXPECT_EQ(std::count(Last.begin(), Last.end(), '\n'), 2) << Last;
    EXPECT_EQ(Last.rfind("R001", 0), 0u) << Last;
}

TEST_F(DemoRun, ClassicAnarpeArchiveHoldsFourFiles) {
    if (SkipWithoutZipTools()) GTEST_SKIP() << "unzip or python3 is not installed";
    const RunResult R = Export(ADOX_PROGRAM_CLASSIC, "anarpe", "1");
    ASSERT_EQ(R.Status, 0) << R.Out << R.Err;
    ASSERT_EQ(R.Out.rfind("----\n", 0), 0u) << R.Out;
    ExpectArchiveDelivered(e2e::AnarpeFiles);
}

// record-check on what the demo's exports deliver: clean, and each record
// printed with every field of its layout named.
TEST_F(DemoRun, RecordCheckFindsTheDeliveredSetsClean) {
    struct Case {
        const char* Program;
        const char* Target;
        txad::Edition Ed;
    };
    const Case Cases[] = {
        {ADOX_PROGRAM, "aie", txad::Edition::Current},
        {ADOX_PROGRAM, "anarpe", txad::Edition::Current},
        {ADOX_PROGRAM_CLASSIC, "aie", txad::Edition::Classic},
        {ADOX_PROGRAM_CLASSIC, "anarpe", txad::Edition::Classic},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(std::string(C.Program) + " " + C.Target);
        const RunResult R = Export(C.Program, C.Target, "1", {"--protocol", "DEMO/2021"});
        ASSERT_EQ(R.Status, 0) << R.Out << R.Err;
        QStringList Args;
        if (C.Ed == txad::Edition::Classic)
            Args << "--edition"
                 << "classic";
        const auto Files = txad::FileLayouts(C.Ed, C.Target);
        if (std::string(C.Target) == "anarpe") {
            Args << QString::fromStdString((Delivery("anarpe") / "Anarpe.zip").string());
        } else {
            for (const txad::FileLayout& File : Files)
                Args << QString::fromStdString((Delivery("aie") / std::string(File.FileName)).string());
        }
        const RunResult Check = Run(ADOX_RECORD_CHECK, Args);
        EXPECT_EQ(Check.Status, 0) << Check.Err;
        EXPECT_EQ(Check.Err, "");
        // Each file's records, each with its layout's every field.
        std::size_t Records = 0, Lines = 0;
        for (const txad::FileLayout& File : Files) {
            const std::string Bytes = ReadFileBytes((Data / std::string(File.FileName)).string());
            Lines += static_cast<std::size_t>(std::count(Bytes.begin(), Bytes.end(), '\n'));
        }
        for (const std::string& Line : SplitLines(Check.Out)) {
            if (Line.empty() || Line.rfind("==> ", 0) == 0) continue;
            ++Records;
            const std::size_t Colon = Line.find(':');
            const std::string Name = Line.substr(Line.find(' ') + 1, Colon - Line.find(' ') - 1);
            const txad::RecordLayout* Layout = nullptr;
            for (const txad::FileLayout& File : Files)
                for (const txad::RecordLayout* Each : {File.Header, File.Body, File.Trailer})
                    if (Each && Each->Name == Name) Layout = Each;
            ASSERT_NE(Layout, nullptr) << Line;
            std::size_t From = Colon;
            for (const txad::LayoutField& Field : Layout->Fields) {
                From = Line.find(" " + std::string(Field.Name) + "=\"", From);
                ASSERT_NE(From, std::string::npos) << Field.Name << " in " << Line;
            }
        }
        EXPECT_EQ(Records, Lines);
    }
}

// A full disk under the delivery folder: the run stops, the archive of the
// previous run keeps its bytes, and nothing of the failed run stays there.
TEST_F(DemoRun, FullDiskKeepsThePreviousArchive) {
    if (SkipWithoutZipTools()) GTEST_SKIP() << "unzip or python3 is not installed";
    const fs::path Dest = Delivery("anarpe");
    fs::create_directories(Dest);
    const RunResult Mount = Run("/usr/bin/env", {"mount", "-t", "tmpfs", "-o", "size=1m", "tmpfs",
                                                 QString::fromStdString(Dest.string())});
    if (Mount.Status != 0) GTEST_SKIP() << "mounting a small tmpfs is not allowed here (needs root)";
    struct Unmount {
        std::string Path;
        ~Unmount() {
            QProcess Umount;
            Umount.start("umount", {QString::fromStdString(Path)});
            Umount.waitForFinished();
        }
    } Guard{Dest.string()};

    const RunResult First = Export(ADOX_PROGRAM, "anarpe", "1");
    ASSERT_EQ(First.Status, 0) << First.Out << First.Err;
    const std::string Previous = ReadFileBytes((Dest / "Anarpe.zip").string());
    // Fill the disk but for one block, which the new archive's first bytes take.
    struct statvfs Fs {};
    ASSERT_EQ(statvfs(Dest.c_str(), &Fs), 0);
    const std::size_t Free = static_cast<std::size_t>(Fs.f_bavail) * Fs.f_frsize;
    ASSERT_GT(Free, Fs.f_frsize);
    testsupport::WriteFileBytes((Dest / "filler").string(), std::string(Free - Fs.f_frsize, 'f'));

    const RunResult Second = Export(ADOX_PROGRAM, "anarpe", "1");
    EXPECT_EQ(Second.Status, 1) << Second.Out << Second.Err;
    const std::vector<std::string> Lines = SplitLines(SplitReport(Second.Out).second);
    ASSERT_GE(Lines.size(), 3u) << Second.Out;
    EXPECT_EQ(Lines[Lines.size() - 3], kStopPrefix + "Errore nella generazione del file zip.") << Second.Out;
    EXPECT_TRUE(ReadFileBytes((Dest / "Anarpe.zip").string()) == Previous) << "the previous archive changed";
    EXPECT_EQ(FolderNames(Dest), (std::vector<std::string>{"Anarpe.zip", "filler"}));
}

// Two runs started together on one account deliver into the same folder,
// round after round, from the same data folder (a double click) or from two:
// both finish, the folder holds one complete set, and no temporary name stays
// behind in any folder.
TEST_F(DemoRun, TwoRunsAtOnceBothDeliverACompleteSet) {
    if (SkipWithoutZipTools()) GTEST_SKIP() << "unzip or python3 is not installed";
    const fs::path OtherData = Root / "data2";
    fs::copy(Data, OtherData, fs::copy_options::recursive);
    constexpr int Rounds = 8;
    for (const std::string Target : {"aie", "anarpe"}) {
        const std::vector<std::string>& Files = Target == "aie" ? e2e::AieFiles : e2e::AnarpeFiles;
        for (int Round = 0; Round < Rounds; ++Round) {
            SCOPED_TRACE(Target + " round " + std::to_string(Round));
            const fs::path SecondData = Round % 2 == 0 ? Data : OtherData;
            auto Args = [&Target](const fs::path& Folder) {
                return QStringList{QString::fromStdString(Folder.string()), QString::fromStdString(Target),
                                   "1", "--unattended"};
            };
            auto A = Start(ADOX_PROGRAM, Args(Data));
            auto B = Start(ADOX_PROGRAM, Args(SecondData));
            const RunResult Ra = Finish(*A);
            const RunResult Rb = Finish(*B);
            EXPECT_EQ(Ra.Status, 0) << Ra.Out << Ra.Err;
            EXPECT_EQ(Rb.Status, 0) << Rb.Out << Rb.Err;
            if (Target == "aie") {
                ExpectCopiesDelivered(Files);
            } else {
                // A complete archive that the zip tool reads, holding this round's files.
                const QString Zip = QString::fromStdString((Delivery("anarpe") / "Anarpe.zip").string());
                EXPECT_EQ(FolderNames(Delivery("anarpe")), std::vector<std::string>{"Anarpe.zip"});
                const RunResult Tested = Run("/usr/bin/env", {"unzip", "-tqq", Zip});
                EXPECT_EQ(Tested.Status, 0) << Tested.Out << Tested.Err;
                const RunResult Names = Run("/usr/bin/env", {"unzip", "-Z1", Zip});
                EXPECT_EQ(SplitLines(Names.Out), Files);
            }
            for (const fs::path& Folder : {Data, OtherData}) {
                const std::vector<std::string> Names = FolderNames(Folder);
                EXPECT_TRUE(std::none_of(Names.begin(), Names.end(), [](const std::string& N) {
                    return N.find(".adox") != std::string::npos;
                })) << Folder;
            }
            if (HasFailure()) return;
        }
    }
}

// What stands in the place of an input file that is not a regular file.
enum class Odd { Fifo, Folder };

struct OddInputCase {
    const char* Name;
    const char* File; // below the demo copy's root
    Odd Kind;
    const char* Stderr; // "PATH" stands for the file's full path
};

void PrintTo(const OddInputCase& C, std::ostream* Out) {
    *Out << C.Name;
}

class OddInput : public DemoRun, public ::testing::WithParamInterface<OddInputCase> {};

// A FIFO (no writer will ever come) or a folder in place of the registry
// file, a packet or the parameter file is a start-up error at once: the
// program neither waits nor exports.
TEST_P(OddInput, IsRefusedAtOnce) {
    const OddInputCase& C = GetParam();
    const fs::path Path = Root / C.File;
    fs::remove(Path);
    if (C.Kind == Odd::Fifo)
        ASSERT_EQ(mkfifo(Path.c_str(), 0600), 0);
    else
        fs::create_directory(Path);
    auto Child = Start(ADOX_PROGRAM, {QString::fromStdString(Data.string()), "aie", "1", "--unattended"});
    if (!Child->waitForFinished(30000)) {
        Child->kill();
        Child->waitForFinished();
        FAIL() << "still running after 30 s";
    }
    EXPECT_EQ(Child->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(Child->exitCode(), 2);
    std::string Expected = C.Stderr;
    Expected.replace(Expected.find("PATH"), 4, Path.string());
    const std::string Err = Child->readAllStandardError().toStdString();
    EXPECT_NE(Err.find(Expected), std::string::npos) << Err;
    EXPECT_FALSE(fs::exists(Data / "File014.txt"));
    EXPECT_FALSE(fs::exists(Home / "rozadiver"));
}

const OddInputCase kOddInputCases[] = {
    {"RegistryFifo", "hklm.reg", Odd::Fifo, "Cannot read registry file 'PATH'"},
    {"RegistryFolder", "hklm.reg", Odd::Folder, "Cannot read registry file 'PATH'"},
    {"PacketFifo", "data/Body622.xml", Odd::Fifo, "Cannot open file PATH"},
    {"PacketFolder", "data/Body815.xml", Odd::Folder, "Cannot open file PATH"},
    {"ParameterFileFifo", "install/ETC/datrex/aie.ufp", Odd::Fifo,
     "Il file dei parametri non \xC3\xA8 un file regolare: PATH"},
    {"ParameterFileFolder", "install/ETC/datrex/aie.ufp", Odd::Folder,
     "Il file dei parametri non \xC3\xA8 un file regolare: PATH"},
};

INSTANTIATE_TEST_SUITE_P(Demo, OddInput, ::testing::ValuesIn(kOddInputCases),
                         [](const auto& Info) { return std::string(Info.param.Name); });

} // namespace

namespace {

// What a packager's or a technician's first look at a program needs: help
// and version on standard output, status 0, no display and no data.
TEST(ProgramInfo, HelpAndVersionNeedNoDisplay) {
    struct Case {
        const char* Program;
        const char* Name;
        const char* Arg;
        std::string Expected; // the start of standard output
    };
    const Case Cases[] = {
        {ADOX_PROGRAM, "adoxport", "--help", "usage: adoxport DATA_DIR TARGET PATH"},
        {ADOX_PROGRAM, "adoxport", "-h", "usage: adoxport DATA_DIR TARGET PATH"},
        {ADOX_PROGRAM, "adoxport", "--version", "adoxport " ADOX_VERSION "\n"},
        {ADOX_PROGRAM, "adoxport", "-V", "adoxport " ADOX_VERSION "\n"},
        {ADOX_PROGRAM_CLASSIC, "adoxport-classic", "--help", "usage: adoxport-classic DATA_DIR TARGET PATH"},
        {ADOX_PROGRAM_CLASSIC, "adoxport-classic", "-V", "adoxport-classic " ADOX_VERSION "\n"},
        {ADOX_PACKET_DUMP, "packet-dump", "--help", "usage: packet-dump PACKET"},
        {ADOX_PACKET_DUMP, "packet-dump", "--version", "packet-dump " ADOX_VERSION "\n"},
        {ADOX_RECORD_CHECK, "record-check", "--help", "usage: record-check FILE..."},
        {ADOX_RECORD_CHECK, "record-check", "-V", "record-check " ADOX_VERSION "\n"},
    };
    QProcessEnvironment Env = QProcessEnvironment::systemEnvironment();
    for (const char* Name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) Env.remove(Name);
    for (const Case& C : Cases) {
        SCOPED_TRACE(std::string(C.Name) + " " + C.Arg);
        QProcess Program;
        Program.setProcessEnvironment(Env);
        // Whatever follows the option is not looked at.
        Program.start(C.Program, {C.Arg, "--bogus", "a", "b", "c", "d"});
        ASSERT_TRUE(Program.waitForFinished(30000));
        EXPECT_EQ(Program.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(Program.exitCode(), 0);
        const std::string Out = Program.readAllStandardOutput().toStdString();
        EXPECT_EQ(Out.substr(0, C.Expected.size()), C.Expected) << Out;
        if (std::string(C.Arg).find('h') != std::string::npos) {
            EXPECT_NE(Out.find("--version"), std::string::npos) << Out;
        }
        EXPECT_EQ(Program.readAllStandardError().toStdString(), "");
    }
}

} // namespace
