// The output-file step: packet and output failures, deletion of a file whose
// writing failed, counts that do not fit.

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "dataset/ClientDataSet.h"
#include "export/run/ExportRun.h"
#include "export/run/FileSink.h"
#include "export/run/OutputFileWriter.h"
#include "export/wizard/StartupValues.h"
#include "support/VxExceptions.h"
#include "tests/common/ExpectThrow.h"
#include "tests/common/FileSizeLimit.h"
#include "tests/common/TestPacket.h"
#include "tests/common/TestSettings.h"
#include "tests/common/TestSupport.h"
#include "tests/export/records/WritersTestSupport.h"

namespace fs = std::filesystem;
using namespace txad;
using writerstest::TempFolder;

namespace {

struct Fixture {
    explicit Fixture(const char* Target, const char* Case = "basic") : Set(Target) {
        writerstest::CopyFixture(Case, Data.Path());
        txad::StartupState Startup = testsupport::StartupFor(Set, Data.Path(), Home.Path() + "dest/");
        Startup.Header.SchoolCount = CountSchools(Main, Data.Path() + "Body014.xml");
        Startup.Header.CatalogueDate = "15/03/2021";
        Startup.Header.ParamFileDate = "01092021";
        S = testsupport::SettingsOn(Startup, {2026, 3, 5}, "Prot. n\xB0 42/2021");
    }
    // Runs the export; the log's lines.
    std::vector<std::string> Run(bool ExpectStop) {
        std::vector<std::string> Log;
        ExportRun R(Set, S, Main, [&Log](const std::string& T) { Log.push_back(T); });
        EXPECT_EQ(R.Execute(), ExpectStop);
        return Log;
    }
    std::string Golden(const std::string& Name) const {
        return testsupport::ReadFileBytes(writerstest::GoldenDir("basic", S.Target) + Name);
    }

    TempFolder Data, Home;
    ExportRecordSet Set;
    TClientDataSet Main{"cdsMain"};
    ExportSettings S;
};

// A packet of Rows classes, all alike.
std::string ClassPacket(int Rows) {
    std::vector<std::string> Fields;
    for (const char* F : {"CodScuola", "Sezione", "TipoScuola", "AnnoCorso", "NrAlunni", "CodSpc", "CodSpr",
                          "Spesa", "NrAluIpo", "NrAluNonVed", "NrAluDisl"})
        Fields.push_back(std::string(F) + ":string:10");
    const std::vector<std::string> Row(
        static_cast<std::size_t>(Rows),
        "CodScuola=\"RMIC81500A\" Sezione=\"A\" TipoScuola=\"MM\" AnnoCorso=\"1\" "
        "NrAlunni=\"20\" NrAluIpo=\"0\" NrAluNonVed=\"0\" NrAluDisl=\"0\"");
    return testsupport::Packet(Fields, Row);
}

} // namespace

TEST(OutputFile, MissingPacketNamesThePacketAndLeavesTheOutputFileAlone) {
    Fixture F("aie");
    fs::remove(F.Data.Path() + "Body815.xml");
    testsupport::WriteFileBytes(F.Data.Path() + "File815.txt", "earlier run");
    OutputFileWriter W(F.Set, F.S, F.Main);
    EXPECT_THROW_MSG(W.WriteOutputFile(2), EVxError, "Error reading file " + F.Data.Path() + "Body815.xml");
    EXPECT_EQ(testsupport::ReadFileBytes(F.Data.Path() + "File815.txt"), "earlier run");
}

// The file that could not be created is named, with the system's reason;
// never the packet it is written from, which is in order.
TEST(OutputFile, OutputThatCannotBeCreatedNamesItselfAndWhy) {
    struct Row {
        const char* name;
        const char* target;
        int index;
        const char* blocked;
    } rows[] = {
        {"AIE classes", "aie", 1, "File622.txt"},
        {"ANARPE registry, not reloaded", "anarpe", 0, "Adoz001.txt"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        Fixture F(r.target);
        fs::create_directory(F.Data.Path() + r.blocked);
        OutputFileWriter W(F.Set, F.S, F.Main);
        EXPECT_THROW_MSG(W.WriteOutputFile(r.index), EVxError,
                         std::string("Cannot create file ") + F.Data.Path() + r.blocked);
        try {
            W.WriteOutputFile(r.index);
        } catch (const EVxError& E) {
            EXPECT_EQ(E.Code(), EISDIR);
        }
        EXPECT_TRUE(fs::is_directory(F.Data.Path() + r.blocked));
    }
}

// Files are written side by side, yet a failure stops the run in file order:
// the files before it are complete and told, the failing one is gone, and
// those after it, though already under way, keep what an earlier run left.
TEST(OutputFile, AFailureStopsTheRunInFileOrder) {
    struct Row {
        const char* name;
        std::vector<std::pair<const char*, const char*>> bad; // packet, flag that is not a number
        const char* missingPacket;
        int failing;
        const char* field;   // the one the stop names
        rlim_t diskRoom = 0; // a full disk beyond so many bytes a file; 0: none
    } rows[] = {
        {"adoptions", {{"Body815.xml", "InUso"}}, nullptr, 2, "InUso"},
        {"adoptions with book data", {{"Body815E.xml", "InPossesso"}}, nullptr, 3, "InPossesso"},
        {"a bad file before a missing packet", {{"Body815.xml", "InUso"}}, "Body815E.xml", 2, "InUso"},
        {"two bad files", {{"Body815.xml", "InUso"}, {"Body815E.xml", "InPossesso"}}, nullptr, 2, "InUso"},
        // The book-data file, grown past the room left, fails on its own too;
        // that failure is not the one told, and the file keeps its name.
        {"a bad file before a full disk", {{"Body815.xml", "InUso"}}, nullptr, 2, "InUso", 2500},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        Fixture F("aie");
        for (const auto& [Packet, Field] : r.bad) {
            std::string Bytes = testsupport::ReadFileBytes(F.Data.Path() + Packet);
            const std::string Attribute = std::string(" ") + Field + "=\"";
            const std::size_t At = Bytes.find(Attribute);
            ASSERT_NE(At, std::string::npos);
            Bytes.insert(At + Attribute.size(), "x");
            testsupport::WriteFileBytes(F.Data.Path() + Packet, Bytes);
        }
        if (r.missingPacket) fs::remove(F.Data.Path() + r.missingPacket);
        if (r.diskRoom) {
            std::string Bytes = testsupport::ReadFileBytes(F.Data.Path() + "Body815E.xml");
            const std::size_t From = Bytes.find("<ROWDATA>") + 9, To = Bytes.find("</ROWDATA>");
            const std::string Rows = Bytes.substr(From, To - From);
            for (int Copy = 0; Copy < 8; ++Copy) Bytes.insert(To, Rows);
            testsupport::WriteFileBytes(F.Data.Path() + "Body815E.xml", Bytes);
        }
        const std::vector<std::string> Names = F.Set.OutFiles();
        for (const std::string& Name : Names)
            testsupport::WriteFileBytes(F.Data.Path() + Name, "earlier run");

        std::vector<std::string> Log;
        {
            std::optional<testsupport::FileSizeLimit> Full;
            if (r.diskRoom) Full.emplace(r.diskRoom);
            Log = F.Run(true);
        }
        std::vector<std::string> Told = {"Generazione files...."};
        for (int I = 0; I < r.failing; ++I)
            Told.push_back("- " + Names[static_cast<std::size_t>(I)] + " - OK");
        ASSERT_EQ(Log.size(), Told.size() + 1);
        EXPECT_EQ(std::vector<std::string>(Log.begin(), Log.end() - 1), Told);
        EXPECT_NE(Log.back().find(std::string("for field '") + r.field + "'"), std::string::npos)
            << Log.back();

        const auto Files = writerstest::FolderContents(F.Data.Path());
        for (int I = 0; I < static_cast<int>(Names.size()); ++I) {
            const std::string& Name = Names[static_cast<std::size_t>(I)];
            SCOPED_TRACE(Name);
            const std::string Bytes = Files.count(Name) ? Files.at(Name) : "(absent)";
            if (I < r.failing)
                EXPECT_EQ(Bytes, F.Golden(Name));
            else if (I == r.failing)
                EXPECT_EQ(Bytes, "(absent)");
            else
                EXPECT_EQ(Bytes, "earlier run");
        }
        for (const auto& [Name, Bytes] : Files) EXPECT_FALSE(Name.ends_with(".adoxnew")) << Name;
    }
}

// The file system refuses the bytes (here the process's file size limit, as
// a full disk would): the file of an earlier run is gone too, and nothing is
// left under another name.
TEST(OutputFile, WriteFailureDeletesTheFile) {
    Fixture F("aie");
    const std::string Out = F.Data.Path() + "File815E.txt";
    testsupport::WriteFileBytes(Out, "earlier run");
    const auto Before = writerstest::FolderContents(F.Data.Path());
    OutputFileWriter W(F.Set, F.S, F.Main);
    {
        const testsupport::FileSizeLimit Limit(64);
        EXPECT_THROW_MSG(W.WriteOutputFile(3), EVxError, "Errore di scrittura del file " + Out);
    }
    auto Expected = Before;
    Expected.erase("File815E.txt");
    EXPECT_EQ(writerstest::FolderContents(F.Data.Path()), Expected);
}

// A run killed while it writes leaves the earlier file under the real name,
// never a truncated one that looks complete.
TEST(OutputFile, KilledRunLeavesNoPartialFileUnderTheRealName) {
    TempFolder Folder;
    const std::string Out = Folder.Path() + "File815.txt";
    testsupport::WriteFileBytes(Out, "earlier run\r\n");
    const pid_t Child = fork();
    ASSERT_GE(Child, 0);
    if (Child == 0) {
        try {
            if (const auto Sink = FileSink::Create(Out)) {
                Sink->Write(std::string(1 << 20, 'x')); // beyond the buffer: on disk
                ::kill(::getpid(), SIGKILL);
            }
        } catch (...) {}
        std::_Exit(3);
    }
    int Status = 0;
    ASSERT_EQ(::waitpid(Child, &Status, 0), Child);
    ASSERT_TRUE(WIFSIGNALED(Status)) << Status;
    EXPECT_EQ(testsupport::ReadFileBytes(Out), "earlier run\r\n");
}

TEST(OutputFile, DataErrorStopsTheRunAndDeletesOnlyTheFailingFile) {
    Fixture F("anarpe");
    // The fourth adoption row's InUso is not a number.
    std::string Packet = testsupport::ReadFileBytes(F.Data.Path() + "Body815.xml");
    const std::string Needle = "AnnoPrimaAdoz=\"2008\" InUso=\"1\"";
    const std::size_t At = Packet.find(Needle);
    ASSERT_NE(At, std::string::npos);
    Packet.replace(At, Needle.size(), "AnnoPrimaAdoz=\"2008\" InUso=\"1x\"");
    testsupport::WriteFileBytes(F.Data.Path() + "Body815.xml", Packet);

    const std::vector<std::string> Log = F.Run(true);
    ASSERT_EQ(Log.size(), 4u);
    EXPECT_EQ(Log[1], "- Adoz001.txt - OK");
    EXPECT_EQ(Log[2], "- Adoz002.txt - OK");
    EXPECT_EQ(Log[3].rfind("Procedura interrotta con il seguente errore: ", 0), 0u);
    EXPECT_NE(Log[3].find("1x"), std::string::npos) << Log[3];
    EXPECT_EQ(testsupport::ReadFileBytes(F.Data.Path() + "Adoz001.txt"), F.Golden("Adoz001.txt"));
    EXPECT_EQ(testsupport::ReadFileBytes(F.Data.Path() + "Adoz002.txt"), F.Golden("Adoz002.txt"));
    EXPECT_FALSE(fs::exists(F.Data.Path() + "Adoz003.txt"));
    EXPECT_FALSE(fs::exists(F.Data.Path() + "Adoz004.txt"));
    EXPECT_FALSE(fs::exists(F.S.DestDir));
}

TEST(OutputFile, CountsThatDoNotFitStopTheRunBeforeTheFileIsTouched) {
    struct Row {
        const char* name;
        const char* target;
        int classRows;
        long long schools;
        const char* untouched; // an earlier run's file that stays as it was
        const char* cause;
        int okLines;
    } rows[] = {
        {"school count in the AIE header", "aie", -1, 1000, "File014.txt",
         "Numero di scuole (1000) superiore al massimo consentito dal tracciato (999)", 0},
        {"trailer count", "anarpe", 99998, 6, "Adoz002.txt",
         "Numero di record (100000) superiore al massimo consentito dal tracciato (99999)", 1},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        Fixture F(r.target);
        if (r.classRows >= 0)
            testsupport::WriteFileBytes(F.Data.Path() + "Body622.xml", ClassPacket(r.classRows));
        F.S.Header.SchoolCount = r.schools;
        testsupport::WriteFileBytes(F.Data.Path() + r.untouched, "earlier run");
        const std::vector<std::string> Log = F.Run(true);
        ASSERT_EQ(Log.size(), static_cast<std::size_t>(r.okLines) + 2);
        EXPECT_EQ(Log.back(), std::string("Procedura interrotta con il seguente errore: ") + r.cause +
                                  "\r\n\r\nI DATI ESPORTATI NON SONO DISPONIBILI");
        EXPECT_EQ(testsupport::ReadFileBytes(F.Data.Path() + r.untouched), "earlier run");
        EXPECT_FALSE(fs::exists(F.S.DestDir));
    }
}

TEST(OutputFile, LargestFileThatFits) {
    Fixture F("anarpe");
    testsupport::WriteFileBytes(F.Data.Path() + "Body622.xml", ClassPacket(99997));
    OutputFileWriter W(F.Set, F.S, F.Main);
    W.WriteOutputFile(1);
    const std::string Out = testsupport::ReadFileBytes(F.Data.Path() + "Adoz002.txt");
    EXPECT_EQ(Out.size(), 19u + 99997u * 73u + 16u);
    EXPECT_EQ(Out.substr(Out.size() - 16), "L0503202699999\r\n");
}
