// Start-up pieces: the argument check, the school count and the header dates.

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include "dataset/ClientDataSet.h"
#include "export/wizard/StartupValues.h"
#include "support/VxExceptions.h"
#include "tests/common/ExpectThrow.h"
#include "tests/common/TestPacket.h"
#include "tests/common/TestSupport.h"
#include "tests/export/records/WritersTestSupport.h"

namespace fs = std::filesystem;
using namespace txad;
using writerstest::TempFolder;

namespace {

std::string RegistryPacket(const std::vector<std::string>& Codes) {
    std::vector<std::string> Rows;
    for (const std::string& Code : Codes)
        Rows.push_back("CodScuola=\"" + Code + "\" Nome=\"n" + std::to_string(Rows.size() + 1) + "\"");
    return testsupport::Packet({"CodScuola:string:10", "Nome:string:50"}, Rows);
}

// Sets the file's last-write time to noon, local time, of the given day.
void SetLocalDate(const std::string& Path, int Year, int Month, int Day) {
    std::tm Tm{};
    Tm.tm_year = Year - 1900;
    Tm.tm_mon = Month - 1;
    Tm.tm_mday = Day;
    Tm.tm_hour = 12;
    Tm.tm_isdst = -1;
    const auto Sys = std::chrono::system_clock::from_time_t(std::mktime(&Tm));
    fs::last_write_time(Path, std::chrono::file_clock::from_sys(Sys));
}

} // namespace

TEST(StartupValues, CountSchoolsCountsRunsOfEqualCodes) {
    struct Row {
        const char* name;
        std::vector<std::string> codes;
        int expected;
    } rows[] = {
        {"no rows", {}, 1},
        {"one row", {"A"}, 1},
        {"A,A,B,A", {"A", "A", "B", "A"}, 3},
        {"case and blanks count", {"A", "a", "a ", "a "}, 3},
        {"empty codes", {"", "", "B"}, 2},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        TClientDataSet Registry;
        Registry.LoadFromBuffer(RegistryPacket(r.codes), "Body014.xml");
        Registry.Next();
        EXPECT_EQ(CountSchools(Registry), r.expected);
        if (!r.codes.empty()) {
            EXPECT_EQ(Registry.FieldByName("Nome").AsString(), "n1");
        }
    }
}

TEST(StartupValues, CountSchoolsOfAMissingPacket) {
    TempFolder Data;
    TClientDataSet Registry;
    EXPECT_THROW_MSG(CountSchools(Registry, Data.Path() + "Body014.xml"), EVxError,
                     "Cannot open file " + Data.Path() + "Body014.xml");
}

TEST(StartupValues, ArgumentsThatAllowNoExport) {
    struct Row {
        const char* name;
        const char* dataDir;
        const char* target;
        const char* message; // empty: accepted
    } rows[] = {
        {"aie", "/data", "aie", ""},
        {"anarpe", "/data", "anarpe", ""},
        {"empty data folder", "", "aie", "Cartella dei dati non indicata: l'esportazione non \xE8 possibile"},
        {"upper case target", "/data", "AIE", "Destinatario non riconosciuto: AIE"},
        {"empty target", "/data", "", "Destinatario non riconosciuto: "},
        {"target with a blank", "/data", "aie ", "Destinatario non riconosciuto: aie "},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        if (*r.message) {
            EXPECT_THROW_MSG(CheckStartupArguments(ParseWizardArguments({r.dataDir, r.target})), EVxError,
                             r.message);
        } else {
            EXPECT_NO_THROW(CheckStartupArguments(ParseWizardArguments({r.dataDir, r.target})));
        }
    }
}

// Each argument is matched exactly: anything else is no recipient or no path.
TEST(StartupValues, ArgumentsAreReadOnceIntoRecipientAndPath) {
    struct Row {
        const char* name;
        std::vector<std::string> args;
        Recipient target;
        WizardPath path;
    } rows[] = {
        {"aie on path 1", {"/data", "aie", "1"}, Recipient::Aie, WizardPath::WithoutSites},
        {"anarpe on path 2", {"/data", "anarpe", "2"}, Recipient::Anarpe, WizardPath::WithSites},
        {"upper case recipient", {"/data", "Anarpe", "2"}, Recipient::Unknown, WizardPath::WithSites},
        {"path 3", {"/data", "aie", "3"}, Recipient::Aie, WizardPath::None},
        {"path with a blank", {"/data", "aie", " 1"}, Recipient::Aie, WizardPath::None},
        {"empty path", {"/data", "aie", ""}, Recipient::Aie, WizardPath::None},
        {"nothing", {}, Recipient::Unknown, WizardPath::None},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        const WizardArguments Args = ParseWizardArguments(r.args);
        EXPECT_EQ(Args.DataDir, r.args.empty() ? "" : r.args[0]);
        EXPECT_EQ(Args.TargetArgument, r.args.size() > 1 ? r.args[1] : "");
        EXPECT_EQ(Args.Target, r.target);
        EXPECT_EQ(Args.Path, r.path);
    }
}

TEST(StartupValues, HeaderDatesAreReadIndependently) {
    TempFolder Install, Data;
    writerstest::CopyFixture("basic", Data.Path());
    EXPECT_EQ(ParamFilePath(Install.Path(), "aie"), Install.Path() + "ETC/datrex/aie.ufp");

    // No parameter file: the catalogue date is still read.
    TClientDataSet Tmp;
    const std::string MainDir = Install.Path();
    HeaderDates Dates = ReadHeaderValues(&MainDir, "aie", Data.Path(), &Tmp);
    EXPECT_EQ(Dates.ParamFileDate, "");
    EXPECT_EQ(Dates.CatalogueDate, "15/03/2021");
    EXPECT_EQ(Dates.Errors, std::vector<std::string>{"Invalid argument to date encode"});

    // No adoption packet: the parameter file date is still read.
    fs::create_directories(Install.Path() + "ETC/datrex");
    testsupport::WriteFileBytes(Install.Path() + "ETC/datrex/aie.ufp", "not read");
    SetLocalDate(Install.Path() + "ETC/datrex/aie.ufp", 2021, 9, 1);
    fs::remove(Data.Path() + "Body815.xml");
    Dates = ReadHeaderValues(&MainDir, "aie", Data.Path(), &Tmp);
    EXPECT_EQ(Dates.ParamFileDate, "01092021");
    EXPECT_EQ(Dates.CatalogueDate, "");
    EXPECT_EQ(Dates.Errors, std::vector<std::string>{"Cannot open file " + Data.Path() + "Body815.xml"});

    // No installation folder, no catalogue date asked for: nothing is read, nothing fails.
    Dates = ReadHeaderValues(nullptr, "aie", Data.Path(), nullptr);
    EXPECT_EQ(Dates.ParamFileDate, "");
    EXPECT_EQ(Dates.CatalogueDate, "");
    EXPECT_TRUE(Dates.Errors.empty());
}

TEST(StartupValues, CatalogueDateOfAnEmptyPacket) {
    TempFolder Data;
    writerstest::CopyFixture("empty", Data.Path());
    TClientDataSet Tmp;
    EXPECT_EQ(ReadCatalogueDate(Tmp, Data.Path()), "");
}

// A parameter file dated today, or after the newest packet, is most likely a
// copy that lost its date: the header would carry the day of the copy.
TEST(StartupValues, ParamFileDateThatLooksLikeACopyIsTold) {
    TempFolder Dir;
    const std::string Older = Dir.Path() + "Body014.xml", Newer = Dir.Path() + "Body622.xml";
    testsupport::WriteFileBytes(Older, "x");
    testsupport::WriteFileBytes(Newer, "x");
    SetLocalDate(Older, 2021, 9, 1);
    SetLocalDate(Newer, 2021, 9, 10);
    const std::string Today = "15102021";
    const std::vector<std::string> Packets = {Older, Newer, Dir.Path() + "Body815.xml"};
    const std::string CopyToday = "La data del file dei parametri \xE8 quella di oggi: se il file \xE8 stato "
                                  "copiato, va copiato conservandone la data";
    const std::string AfterPackets =
        "La data del file dei parametri (11/09/2021) \xE8 successiva a quella dei pacchetti dei dati: se il "
        "file \xE8 stato copiato, va copiato conservandone la data";
    struct Row {
        const char* Name;
        std::string Date;
        std::vector<std::string> Packets;
        std::string Expected;
    };
    const Row Rows[] = {
        {"installed long before", "01092019", Packets, ""},
        {"same day as the newest packet", "10092021", Packets, ""},
        {"today", "15102021", Packets, CopyToday},
        {"today, no packets", "15102021", {}, CopyToday},
        {"after the newest packet", "11092021", Packets, AfterPackets},
        {"after an older packet only", "05092021", Packets, ""},
        {"no packets to compare", "11092021", {}, ""},
        {"unknown date", "", Packets, ""},
        {"not a date", "1510202x", Packets, ""},
    };
    for (const Row& R : Rows) {
        SCOPED_TRACE(R.Name);
        EXPECT_EQ(ParamFileDateNotice(R.Date, Today, R.Packets), R.Expected);
    }
}

// The parameter file dates every header: start-up names the file when it
// cannot, as the layout check later could not. The folder's UTF-8 name comes
// out in the program's code page.
TEST(StartupValues, ParameterFileThatCannotDateTheHeader) {
    // Years the header cannot hold need a file system that keeps such times.
    std::string Wide = "/dev/shm/adoxport-ufp-XXXXXX";
    const bool HaveWide = fs::is_directory("/dev/shm") && mkdtemp(Wide.data()) != nullptr;
    TempFolder Install;
    struct Row {
        const char* name;
        const char* kind; // "file", "folder", "fifo" or "none"
        int year;
        std::string problem; // before ": <path>"; empty when the date serves
    } rows[] = {
        {"a file dated 2021", "file", 2021, ""},
        {"the first year of four digits", "file", 1, ""},
        {"the last year of four digits", "file", 9999, ""},
        {"no file", "none", 0, "File dei parametri non trovato"},
        {"a folder", "folder", 2021, "Il file dei parametri non \xE8 un file regolare"},
        {"a FIFO, never opened", "fifo", 2021, "Il file dei parametri non \xE8 un file regolare"},
        {"year 0", "file", 0,
         "Data del file dei parametri fuori dall'intervallo dal 01/01/0001 al 31/12/9999 (anno 0)"},
        {"year 10000", "file", 10000,
         "Data del file dei parametri fuori dall'intervallo dal 01/01/0001 al 31/12/9999 (anno 10000)"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        const bool Extreme = r.year < 1901 || r.year > 2400;
        if (Extreme && !HaveWide) continue;
        const std::string Dir = (Extreme ? Wide + "/" : Install.Path()) + "citt\xC3\xA0/";
        fs::remove_all(Dir);
        fs::create_directories(Dir);
        const std::string Path = Dir + "aie.ufp";
        const std::string Kind = r.kind;
        if (Kind == "file") testsupport::WriteFileBytes(Path, "");
        if (Kind == "folder") fs::create_directory(Path);
        if (Kind == "fifo") {
            ASSERT_EQ(mkfifo(Path.c_str(), 0600), 0);
        }
        if (Kind != "none") {
            // Noon of 1 July, set with the system call: the library's file clock spans fewer years.
            std::tm Tm{};
            Tm.tm_year = r.year - 1900;
            Tm.tm_mon = 6;
            Tm.tm_mday = 1;
            Tm.tm_hour = 12;
            Tm.tm_isdst = -1;
            const timespec Times[2] = {{std::mktime(&Tm), 0}, {std::mktime(&Tm), 0}};
            ASSERT_EQ(utimensat(AT_FDCWD, Path.c_str(), Times, 0), 0);
        }
        const std::string Named = Dir.substr(0, Dir.size() - 7) + "citt\xE0/aie.ufp";
        EXPECT_EQ(ParamFileProblem(Path), r.problem.empty() ? "" : r.problem + ": " + Named);
        if (r.problem.empty()) {
            EXPECT_EQ(ReadParamFileDate(Path),
                      "0107" + std::string(4 - std::to_string(r.year).size(), '0') + std::to_string(r.year));
        } else {
            EXPECT_THROW_MSG(ReadParamFileDate(Path), EVxError, "Invalid argument to date encode");
        }
    }
    if (HaveWide) fs::remove_all(Wide);
}
