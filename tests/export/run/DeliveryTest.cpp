// Delivery: the all-or-nothing copy and the zip steps of the export run.

#include <cerrno>
#include <filesystem>
#include <set>
#include <stdexcept>

#include <gtest/gtest.h>

#include "export/run/CopyDelivery.h"
#include "export/run/ExportRun.h"
#include "support/UserText.h"
#include "support/VxExceptions.h"
#include "tests/common/ExpectThrow.h"
#include "tests/common/FakeZip.h"
#include "tests/common/TestSettings.h"
#include "tests/common/TestSupport.h"
#include "tests/export/records/WritersTestSupport.h"

namespace fs = std::filesystem;
using namespace txad;
using writerstest::TempFolder;

namespace {

const TStringList Names = {"File014.txt", "File622.txt", "File815.txt", "File815E.txt"};

void WriteSet(const std::string& Folder, const std::string& Content) {
    fs::create_directories(Folder);
    for (const std::string& Name : Names) testsupport::WriteFileBytes(Folder + Name, Content + " " + Name);
}

std::map<std::string, std::string> SetContents(const std::string& Content) {
    std::map<std::string, std::string> Set;
    for (const std::string& Name : Names) Set[Name] = Content + " " + Name;
    return Set;
}

// The real file system, failing the n-th call (1-based) of one operation.
class FailingOps : public DeliveryFileOps {
public:
    enum Op { None, CopyOp, RenameOp };
    FailingOps(Op Which, int Nth) : FWhich(Which), FNth(Nth) {}
    bool Copy(const std::string& Source, const std::string& Target) override {
        ++Copies;
        if (FWhich == CopyOp && Copies == FNth) return false;
        return DeliveryFileOps::Copy(Source, Target);
    }
    bool Rename(const std::string& From, const std::string& To) override {
        ++Renames;
        if ((FWhich == RenameOp && Renames == FNth) || FailRenames.count(Renames) != 0) return false;
        return DeliveryFileOps::Rename(From, To);
    }
    // Another process's delivery holds the folder for this many attempts (-1: always).
    platform::FolderLockAttempt TryLockFolder(const std::string& Dir) override {
        ++LockAttempts;
        if (BusyAttempts < 0 || LockAttempts <= BusyAttempts) return {nullptr, true};
        return DeliveryFileOps::TryLockFolder(Dir);
    }
    std::set<int> FailRenames; // further renames that fail, 1-based
    int BusyAttempts = 0;
    int LockAttempts = 0;
    bool Delete(const std::string& Path) override {
        ++Deletes;
        return DeliveryFileOps::Delete(Path);
    }
    int Copies = 0, Renames = 0, Deletes = 0;

private:
    Op FWhich;
    int FNth;
};

} // namespace

TEST(CopyDelivery, NewSetReplacesThePreviousOneCompletely) {
    TempFolder Source, Dest;
    WriteSet(Source.Path(), "new");
    WriteSet(Dest.Path(), "old");
    testsupport::WriteFileBytes(Dest.Path() + "File622.txt.adoxnew", "stale");
    FailingOps Ops(FailingOps::None, 0);
    CopyOutputFiles(Source.Path(), Dest.Path(), Names, Ops);
    EXPECT_EQ(writerstest::FolderContents(Dest.Path()), SetContents("new"));
}

TEST(CopyDelivery, FailureLeavesThePreviousSet) {
    struct Row {
        const char* name;
        FailingOps::Op op;
        int nth;
        int failingFile;
    } rows[] = {
        {"third copy", FailingOps::CopyOp, 3, 2},
        {"moving the second previous file aside", FailingOps::RenameOp, 2, 1},
        {"putting the first new file in place", FailingOps::RenameOp, 5, 0},
        {"putting the last new file in place", FailingOps::RenameOp, 8, 3},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        TempFolder Source, Dest;
        WriteSet(Source.Path(), "new");
        WriteSet(Dest.Path(), "old");
        FailingOps Ops(r.op, r.nth);
        EXPECT_THROW_MSG(CopyOutputFiles(Source.Path(), Dest.Path(), Names, Ops), EVxError,
                         "Error writing file " + Dest.Path() +
                             Names[static_cast<std::size_t>(r.failingFile)]);
        EXPECT_EQ(writerstest::FolderContents(Dest.Path()), SetContents("old"));
    }
}

// A previous file that cannot be put back is named with the name it is left
// under, instead of the run saying only that the copy failed.
TEST(CopyDelivery, RollbackThatFailsNamesTheFilesLeftAside) {
    TempFolder Source, Dest;
    WriteSet(Source.Path(), "new");
    WriteSet(Dest.Path(), "old");
    // Renames 1-4 move the previous set aside, 5 puts the first new file in
    // place, 6 fails; 7-10 put the previous files back, of which 8 and 10 fail.
    FailingOps Ops(FailingOps::RenameOp, 6);
    Ops.FailRenames = {8, 10};
    const std::string D = Dest.Path();
    EXPECT_THROW_MSG(CopyOutputFiles(Source.Path(), D, Names, Ops), EVxError,
                     "Error writing file " + D + "File622.txt\r\nImpossibile ripristinare il file " + D +
                         "File622.txt: la versione precedente \xE8 rimasta in " + D +
                         "File622.txt.adoxold\r\nImpossibile ripristinare il file " + D +
                         "File815E.txt: la versione precedente \xE8 rimasta in " + D +
                         "File815E.txt.adoxold");
    std::map<std::string, std::string> Expected = SetContents("old");
    Expected["File622.txt.adoxold"] = Expected["File622.txt"];
    Expected["File815E.txt.adoxold"] = Expected["File815E.txt"];
    Expected.erase("File622.txt");
    Expected.erase("File815E.txt");
    EXPECT_EQ(writerstest::FolderContents(D), Expected);
}

TEST(CopyDelivery, FailureWithoutPreviousSetLeavesNothing) {
    TempFolder Source, Dest;
    WriteSet(Source.Path(), "new");
    FailingOps Ops(FailingOps::RenameOp, 3);
    EXPECT_THROW_MSG(CopyOutputFiles(Source.Path(), Dest.Path(), Names, Ops), EVxError,
                     "Error writing file " + Dest.Path() + "File815.txt");
    EXPECT_TRUE(writerstest::FolderContents(Dest.Path()).empty());
}

TEST(CopyDelivery, FolderInTheWayOfATarget) {
    TempFolder Source, Dest;
    WriteSet(Source.Path(), "new");
    WriteSet(Dest.Path(), "old");
    fs::remove(Dest.Path() + "File815E.txt");
    fs::create_directory(Dest.Path() + "File815E.txt");
    FailingOps Ops(FailingOps::None, 0);
    EXPECT_THROW_MSG(CopyOutputFiles(Source.Path(), Dest.Path(), Names, Ops), EVxError,
                     "Error writing file " + Dest.Path() + "File815E.txt");
    auto Expected = SetContents("old");
    Expected.erase("File815E.txt");
    EXPECT_EQ(writerstest::FolderContents(Dest.Path()), Expected);
    EXPECT_TRUE(fs::is_directory(Dest.Path() + "File815E.txt"));
}

TEST(CopyDelivery, MissingSourceFile) {
    TempFolder Source, Dest;
    WriteSet(Source.Path(), "new");
    WriteSet(Dest.Path(), "old");
    fs::remove(Source.Path() + "File622.txt");
    FailingOps Ops(FailingOps::None, 0);
    EXPECT_THROW_MSG(CopyOutputFiles(Source.Path(), Dest.Path(), Names, Ops), EVxError,
                     "Error writing file " + Dest.Path() + "File622.txt");
    EXPECT_EQ(writerstest::FolderContents(Dest.Path()), SetContents("old"));
}

TEST(CopyDelivery, SameFolderCopiesAndDeletesNothing) {
    TempFolder Folder;
    WriteSet(Folder.Path(), "new");
    FailingOps Ops(FailingOps::None, 0);
    // The same folder under another spelling.
    CopyOutputFiles(Folder.Path(), Folder.Path() + "./", Names, Ops);
    EXPECT_EQ(Ops.Copies + Ops.Renames + Ops.Deletes, 0);
    EXPECT_EQ(writerstest::FolderContents(Folder.Path()), SetContents("new"));
}

namespace {

// Naming an archive creates it, as the component does; Add fills it.
using testsupport::FakeZip;

// An export run whose output files are already written; their records are
// not what these tests look at.
class DeliveryOnlyRun : public ExportRun {
public:
    using ExportRun::ExportRun;
    void SetLockWait(int Ms) { FDeliveryLockWaitMs = Ms; }

protected:
    void WriteOutputFiles() override {}
};

ExportSettings DeliverySettings(const std::string& Data, const std::string& Dest, const std::string& Target) {
    return MakeExportSettings(testsupport::StartupFor(ExportRecordSet(Target), Data, Dest), "", {});
}

} // namespace

// The new archive is built beside the old one, which stays until the new one
// holds every file; a leftover of an earlier run under the new one's name
// does not stop the run.
TEST(ZipDelivery, OldArchiveStaysUntilTheNewOneIsComplete) {
    TempFolder Data, Home;
    const std::string Dest = Home.Path() + "a/b/anarpe/";
    fs::create_directories(Dest);
    testsupport::WriteFileBytes(Dest + "Anarpe.zip", "old archive");
    testsupport::WriteFileBytes(Dest + "Anarpe.zip" + NewCopySuffix, "left by a killed run");
    ExportRecordSet Set("anarpe");
    TClientDataSet Main;
    std::vector<std::string> Log;
    FakeZip Zip(Dest + "Anarpe.zip");
    DeliveryOnlyRun Run(
        Set, DeliverySettings(Data.Path(), Dest, "anarpe"), Main,
        [&Log](const std::string& T) { Log.push_back(T); }, &Zip);
    EXPECT_FALSE(Run.Execute());
    EXPECT_EQ(Zip.OldArchiveWhileBuilding, "old archive");
    EXPECT_EQ(fs::path(Zip.FileName).parent_path(), fs::path(Dest + "Anarpe.zip").parent_path());
    EXPECT_NE(Zip.FileName, Dest + "Anarpe.zip");
    EXPECT_EQ(Zip.Calls, (std::vector<std::string>{"SetZipFileName", "SetFileSpecs 4", "Add"}));
    EXPECT_EQ(writerstest::FolderContents(Dest),
              (std::map<std::string, std::string>{{"Anarpe.zip", "new archive"}}));
    EXPECT_EQ(Log.back(), "Il file Anarpe.zip \xE8 disponibile nella cartella " + Home.Path() +
                              "a/b/anarpe \r\n\r\nInviare il file via posta elettronica all'indirizzo "
                              "da-confermare-anarpe@invalid");
}

namespace {

// A run that notes when its files are checked; the check fails on demand.
class CheckedRun : public DeliveryOnlyRun {
public:
    using DeliveryOnlyRun::DeliveryOnlyRun;
    std::vector<std::string>* Events = nullptr;
    bool CheckFails = false;

protected:
    void WriteOutputFiles() override {
        Events->push_back("checked");
        if (CheckFails) throw EVxError("layout fault");
    }
};

} // namespace

// The packets may be let go once the files are written and checked: the
// hook comes once, before the archive is started, and not when the check
// stops the run.
TEST(ZipDelivery, FilesWrittenComesAfterTheCheckAndBeforeTheArchive) {
    for (const bool CheckFails : {false, true}) {
        SCOPED_TRACE(CheckFails ? "check fails" : "check passes");
        TempFolder Data, Home;
        const std::string Dest = Home.Path() + "anarpe/";
        fs::create_directories(Dest);
        ExportRecordSet Set("anarpe");
        TClientDataSet Main;
        FakeZip Zip(Dest + "Anarpe.zip");
        std::vector<std::string> Events;
        CheckedRun Run(
            Set, DeliverySettings(Data.Path(), Dest, "anarpe"), Main, [](const std::string&) {}, &Zip);
        Run.Events = &Events;
        Run.CheckFails = CheckFails;
        Run.SetFilesWritten(
            [&] { Events.push_back("written, zip calls " + std::to_string(Zip.Calls.size())); });
        EXPECT_EQ(Run.Execute(), CheckFails);
        const std::vector<std::string> Expected =
            CheckFails ? std::vector<std::string>{"checked"}
                       : std::vector<std::string>{"checked", "written, zip calls 0"};
        EXPECT_EQ(Events, Expected);
        EXPECT_EQ(Zip.Calls.empty(), CheckFails);
    }
}

// Whatever stops the run, the old archive keeps its bytes and nothing else
// stays in the delivery folder.
TEST(ZipDelivery, FailureKeepsTheOldArchive) {
    struct Row {
        const char* name;
        bool folderInTheWay; // a folder named Anarpe.zip instead of an old archive
        int answer;
        const char* error; // raised by the component
        const char* cause; // empty: "Error writing file" with the archive path
    } rows[] = {
        {"fewer files went in", false, 3, "", "Errore nella generazione del file zip."},
        {"more files went in", false, 5, "", "Errore nella generazione del file zip."},
        {"the component fails", false, 4, "disk full", "disk full"},
        {"old archive cannot be replaced", true, 4, "", ""},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        TempFolder Data, Home;
        const std::string Dest = Home.Path() + "anarpe/";
        fs::create_directories(Dest);
        if (r.folderInTheWay)
            fs::create_directories(Dest + "Anarpe.zip/inside");
        else
            testsupport::WriteFileBytes(Dest + "Anarpe.zip", "old archive");
        const auto Before = writerstest::FolderContents(Dest);
        ExportRecordSet Set("anarpe");
        TClientDataSet Main;
        std::vector<std::string> Log;
        FakeZip Zip(Dest + "Anarpe.zip");
        Zip.Answer = r.answer;
        Zip.Error = r.error;
        DeliveryOnlyRun Run(
            Set, DeliverySettings(Data.Path(), Dest, "anarpe"), Main,
            [&Log](const std::string& T) { Log.push_back(T); }, &Zip);
        EXPECT_TRUE(Run.Execute());
        const std::string Cause =
            *r.cause ? std::string(r.cause) : "Error writing file " + Dest + "Anarpe.zip";
        EXPECT_EQ(Run.StopCause(), Cause);
        // The archive's name is held by a folder.
        EXPECT_EQ(Log.back(), StopText(UserText(Cause, *r.cause ? 0 : EISDIR)));
        EXPECT_EQ(StopText(Cause), "Procedura interrotta con il seguente errore: " + Cause +
                                       "\r\n\r\nI DATI ESPORTATI NON SONO DISPONIBILI");
        EXPECT_EQ(Zip.Calls.size(), 3u);
        EXPECT_EQ(writerstest::FolderContents(Dest), Before);
        EXPECT_EQ(fs::is_directory(Dest + "Anarpe.zip"), r.folderInTheWay);
    }
}

// Another run delivering into the same folder is waited for, and the log says
// so; a folder that stays busy stops the run, which then changes nothing there.
TEST(ExportRun, DeliveryWaitsForAnotherRunInTheSameFolder) {
    const std::string Waiting = "Un'altra esportazione sta consegnando i file nella cartella ";
    struct Row {
        const char* name;
        const char* target;
        int busyAttempts;
        bool stops;
    } rows[] = {
        {"AIE, folder freed", "aie", 3, false},
        {"ANARPE, folder freed", "anarpe", 2, false},
        {"AIE, folder stays busy", "aie", -1, true},
        {"ANARPE, folder stays busy", "anarpe", -1, true},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        TempFolder Data, Home;
        const std::string Dest = Home.Path() + r.target + "/";
        for (const std::string& Name : ExportRecordSet(r.target).OutFiles())
            testsupport::WriteFileBytes(Data.Path() + Name, "new " + Name);
        WriteSet(Dest, "old");
        const auto Before = writerstest::FolderContents(Dest);
        ExportRecordSet Set(r.target);
        TClientDataSet Main;
        std::vector<std::string> Log;
        FakeZip Zip(Dest + "Anarpe.zip");
        FailingOps Ops(FailingOps::None, 0);
        Ops.BusyAttempts = r.busyAttempts;
        DeliveryOnlyRun Run(
            Set, DeliverySettings(Data.Path(), Dest, r.target), Main,
            [&Log](const std::string& T) { Log.push_back(T); }, &Zip, &Ops);
        Run.SetLockWait(300);
        EXPECT_EQ(Run.Execute(), r.stops);
        const std::string Folder = Home.Path() + r.target;
        ASSERT_GE(Log.size(), 3u);
        EXPECT_EQ(Log[Log.size() - 2], Waiting + Folder + ": attesa...");
        if (r.stops) {
            EXPECT_EQ(Log.back(),
                      StopText("La cartella " + Folder + " \xE8 occupata da un'altra esportazione"));
            EXPECT_EQ(writerstest::FolderContents(Dest), Before);
            EXPECT_TRUE(Zip.Calls.empty());
        } else {
            EXPECT_EQ(Ops.LockAttempts, r.busyAttempts + 1);
            EXPECT_EQ(Log.back().rfind("I", 0), 0u) << Log.back();
        }
    }
}

TEST(CopyDelivery, DeliveryFolderThatCannotBeMade) {
    TempFolder Data, Home;
    WriteSet(Data.Path(), "new");
    testsupport::WriteFileBytes(Home.Path() + "rozadiver", "a file where a folder should be");
    const std::string Dest = Home.Path() + "rozadiver/datrex/aie/";
    ExportRecordSet Set("aie");
    TClientDataSet Main;
    std::vector<std::string> Log;
    DeliveryOnlyRun Run(Set, DeliverySettings(Data.Path(), Dest, "aie"), Main,
                        [&Log](const std::string& T) { Log.push_back(T); });
    EXPECT_TRUE(Run.Execute());
    EXPECT_EQ(Run.StopCause(), "Error writing file " + Dest + "File014.txt");
    EXPECT_EQ(Log.back(), StopText(UserText(Run.StopCause(), ENOTDIR)));
}

TEST(CopyDelivery, RunIntoTheDataFolderItself) {
    TempFolder Data;
    WriteSet(Data.Path(), "new");
    ExportRecordSet Set("aie");
    TClientDataSet Main;
    std::vector<std::string> Log;
    DeliveryOnlyRun Run(Set, DeliverySettings(Data.Path(), Data.Path(), "aie"), Main,
                        [&Log](const std::string& T) { Log.push_back(T); });
    EXPECT_FALSE(Run.Execute());
    EXPECT_EQ(writerstest::FolderContents(Data.Path()), SetContents("new"));
    EXPECT_EQ(Log.back().rfind("I files sono disponibili nella cartella ", 0), 0u);
}

TEST(ExportRun, UnknownRecipientWritesAndDeliversNothing) {
    TempFolder Data, Home;
    writerstest::CopyFixture("basic", Data.Path());
    const auto Before = writerstest::FolderContents(Data.Path());
    ExportRecordSet Set("Aie");
    TClientDataSet Main;
    std::vector<std::string> Log;
    ExportRun Run(Set, DeliverySettings(Data.Path(), Home.Path() + "dest/", "Aie"), Main,
                  [&Log](const std::string& T) { Log.push_back(T); });
    EXPECT_FALSE(Run.Execute());
    EXPECT_EQ(Log, std::vector<std::string>{"Generazione files...."});
    EXPECT_EQ(writerstest::FolderContents(Data.Path()), Before);
    EXPECT_FALSE(fs::exists(Home.Path() + "dest"));
}

// A parameter file dated on the day of the run is told at the top of the log
// and the run goes on: the date is a warning, not a refusal.
TEST(ExportRun, ParamFileDatedTodayIsToldAndTheRunGoesOn) {
    TempFolder Data, Home;
    writerstest::CopyFixture("basic", Data.Path());
    ExportRecordSet Set("Aie");
    TClientDataSet Main;
    ExportSettings S = DeliverySettings(Data.Path(), Home.Path() + "dest/", "Aie");
    S.Header.RunDate = "15102021";
    S.Header.ParamFileDate = "15102021";
    std::vector<std::string> Log;
    ExportRun Run(Set, S, Main, [&Log](const std::string& T) { Log.push_back(T); });
    EXPECT_FALSE(Run.Execute());
    EXPECT_EQ(Log,
              (std::vector<std::string>{"La data del file dei parametri \xE8 quella di oggi: se il file \xE8 "
                                        "stato copiato, va copiato conservandone la data\r\n",
                                        "Generazione files...."}));
}

// A folder whose UTF-8 name holds an accented letter is named in the log in
// the program's code page, on success and on failure alike.
TEST(ExportRun, LogNamesUtf8FoldersInTheProgramsCodePage) {
    TempFolder Data, Home;
    WriteSet(Data.Path(), "new");
    struct Row {
        const char* name;
        bool blocked; // a file where the delivery folder should be
        std::string expected;
    } rows[] = {
        {"delivered", false, "I files sono disponibili nella cartella " + Home.Path() + "citt\xE0 "},
        {"stopped", true,
         StopText(UserText("Error writing file " + Home.Path() + "citt\xE0/File014.txt", ENOTDIR))},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        const std::string Dest = Home.Path() + "citt\xC3\xA0/";
        fs::remove_all(Dest);
        if (r.blocked) testsupport::WriteFileBytes(Home.Path() + "citt\xC3\xA0", "a file");
        ExportRecordSet Set("aie");
        TClientDataSet Main;
        std::vector<std::string> Log;
        DeliveryOnlyRun Run(Set, DeliverySettings(Data.Path(), Dest, "aie"), Main,
                            [&Log](const std::string& T) { Log.push_back(T); });
        EXPECT_EQ(Run.Execute(), r.blocked);
        ASSERT_FALSE(Log.empty());
        EXPECT_EQ(Log.back().substr(0, r.expected.size()), r.expected);
        fs::remove_all(Home.Path() + "citt\xC3\xA0");
    }
}

// A file of the other edition's AIE set that an earlier run delivered goes
// into a dated subfolder once the new set is in place, and the log says so;
// nothing is deleted or replaced, and a run with nothing to move logs as
// before.
TEST(CopyDelivery, FilesOfAnotherSetGoAsideIntoADatedFolder) {
    const std::string Aside = "Precedenti_2021-09-01";
    struct Row {
        const char* name;
        bool earlierFile;      // File698.txt of an earlier run in the folder
        bool asideTaken;       // a folder of that name is already there
        bool renameFails;      // the move aside fails
        const char* movedInto; // nullptr: nothing moved
    };
    const Row Rows[] = {
        {"nothing to move", false, false, false, nullptr},
        {"earlier edition's file", true, false, false, "Precedenti_2021-09-01"},
        {"dated folder taken", true, true, false, "Precedenti_2021-09-01_2"},
        {"the move fails", true, false, true, nullptr},
    };
    for (const Row& row : Rows) {
        SCOPED_TRACE(row.name);
        TempFolder Data, Home;
        WriteSet(Data.Path(), "new");
        const std::string Dest = Home.Path() + "aie/";
        WriteSet(Dest, "old");
        if (row.earlierFile) testsupport::WriteFileBytes(Dest + "File698.txt", "classic");
        if (row.asideTaken) {
            fs::create_directories(Dest + Aside);
            testsupport::WriteFileBytes(Dest + Aside + "/File698.txt", "older still");
        }
        FailingOps Ops(FailingOps::None, 0);
        // The set's four renames put it in place; the fifth is the move aside.
        if (row.renameFails) Ops.FailRenames = {9};
        ExportRecordSet Set("aie");
        TClientDataSet Main;
        std::vector<std::string> Log;
        DeliveryOnlyRun Run(
            Set,
            MakeExportSettings(testsupport::StartupFor(Set, Data.Path(), Dest), "",
                               platform::LocalDateTime{2021, 9, 1, 10, 0, 0, 0}),
            Main, [&Log](const std::string& T) { Log.push_back(T); }, nullptr, &Ops);
        EXPECT_FALSE(Run.Execute());
        std::map<std::string, std::string> Expected = SetContents("new");
        if (row.renameFails) Expected["File698.txt"] = "classic";
        EXPECT_EQ(writerstest::FolderContents(Dest), Expected);
        const bool Moved = row.movedInto != nullptr;
        if (Moved) {
            EXPECT_EQ(testsupport::ReadFileBytes(Dest + row.movedInto + "/File698.txt"), "classic");
        }
        if (row.asideTaken) {
            EXPECT_EQ(testsupport::ReadFileBytes(Dest + Aside + "/File698.txt"), "older still");
        }
        // The log's last text is the delivery's; what was moved, or could not
        // be, is said just before it.
        ASSERT_GE(Log.size(), 2u);
        const std::string& Before = Log[Log.size() - 2];
        EXPECT_EQ(Before.find("spostati nella cartella " + Dest + (Moved ? row.movedInto : "") +
                              ": File698.txt") != std::string::npos,
                  Moved)
            << Before;
        EXPECT_EQ(Before.find("Non \xE8 stato possibile spostare") != std::string::npos, row.renameFails)
            << Before;
        if (!row.earlierFile) {
            EXPECT_EQ(Before, "\r\nCopia files....\r\n");
        }
    }
}
