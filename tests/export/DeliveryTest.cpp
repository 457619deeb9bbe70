// Delivery: the all-or-nothing copy and the zip steps of the export run.

#include <filesystem>

#include <gtest/gtest.h>

#include "TestSupport.h"
#include "WritersTestSupport.h"
#include "export/CopyDelivery.h"
#include "export/ExportRun.h"
#include "support/VxExceptions.h"

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
        if (FWhich == RenameOp && Renames == FNth) return false;
        return DeliveryFileOps::Rename(From, To);
    }
    bool Delete(const std::string& Path) override {
        ++Deletes;
        return DeliveryFileOps::Delete(Path);
    }
    int Copies = 0, Renames = 0, Deletes = 0;

private:
    Op FWhich;
    int FNth;
};

void ExpectWriteError(const std::function<void()>& F, const std::string& Path) {
    try {
        F();
        ADD_FAILURE() << "no error";
    } catch (const EVxError& E) {
        EXPECT_EQ(std::string(E.what()), "Error writing file " + Path);
    }
}

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
        ExpectWriteError([&] { CopyOutputFiles(Source.Path(), Dest.Path(), Names, Ops); },
                         Dest.Path() + Names[static_cast<std::size_t>(r.failingFile)]);
        EXPECT_EQ(writerstest::FolderContents(Dest.Path()), SetContents("old"));
    }
}

TEST(CopyDelivery, FailureWithoutPreviousSetLeavesNothing) {
    TempFolder Source, Dest;
    WriteSet(Source.Path(), "new");
    FailingOps Ops(FailingOps::RenameOp, 3);
    ExpectWriteError([&] { CopyOutputFiles(Source.Path(), Dest.Path(), Names, Ops); },
                     Dest.Path() + "File815.txt");
    EXPECT_TRUE(writerstest::FolderContents(Dest.Path()).empty());
}

TEST(CopyDelivery, FolderInTheWayOfATarget) {
    TempFolder Source, Dest;
    WriteSet(Source.Path(), "new");
    WriteSet(Dest.Path(), "old");
    fs::remove(Dest.Path() + "File815E.txt");
    fs::create_directory(Dest.Path() + "File815E.txt");
    FailingOps Ops(FailingOps::None, 0);
    ExpectWriteError([&] { CopyOutputFiles(Source.Path(), Dest.Path(), Names, Ops); },
                     Dest.Path() + "File815E.txt");
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
    ExpectWriteError([&] { CopyOutputFiles(Source.Path(), Dest.Path(), Names, Ops); },
                     Dest.Path() + "File622.txt");
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

class FakeZip : public ZipPacker {
public:
    explicit FakeZip(std::string Archive) : FArchive(std::move(Archive)) {}
    void SetZipFileName(const std::string& Name) override {
        OldArchiveGone = !fs::exists(FArchive);
        Calls.push_back("SetZipFileName " + Name);
        testsupport::WriteFileBytes(Name, "empty archive");
    }
    void SetFileSpecs(const std::vector<std::string>& FileEntries) override {
        Calls.push_back("SetFileSpecs " + std::to_string(FileEntries.size()));
    }
    int Add() override {
        Calls.push_back("Add");
        return Answer;
    }
    std::vector<std::string> Calls;
    bool OldArchiveGone = false;
    int Answer = 4;

private:
    std::string FArchive;
};

// An export run whose output files are already written.
class DeliveryOnlyRun : public ExportRun {
public:
    using ExportRun::ExportRun;

protected:
    void WriteOutputFile(int) override {}
};

ExportSettings DeliverySettings(const std::string& Data, const std::string& Dest, const std::string& Target) {
    ExportRecordSet Set(Target);
    ExportSettings S;
    S.DataDir = Data;
    S.DestDir = Dest;
    S.Target = Target;
    S.BodyFiles = Set.BodyFiles();
    S.OutFiles = Set.OutFiles();
    return S;
}

} // namespace

TEST(ZipDelivery, OldArchiveIsReplaced) {
    TempFolder Data, Home;
    const std::string Dest = Home.Path() + "a/b/anarpe/";
    fs::create_directories(Dest);
    testsupport::WriteFileBytes(Dest + "Anarpe.zip", "old archive");
    ExportRecordSet Set("anarpe");
    TClientDataSet Main;
    std::vector<std::string> Log;
    FakeZip Zip(Dest + "Anarpe.zip");
    DeliveryOnlyRun Run(
        Set, DeliverySettings(Data.Path(), Dest, "anarpe"), Main,
        [&Log](const std::string& T) { Log.push_back(T); }, &Zip);
    EXPECT_FALSE(Run.Execute());
    EXPECT_TRUE(Zip.OldArchiveGone);
    EXPECT_EQ(testsupport::ReadFileBytes(Dest + "Anarpe.zip"), "empty archive");
    EXPECT_EQ(Zip.Calls,
              (std::vector<std::string>{"SetZipFileName " + Dest + "Anarpe.zip", "SetFileSpecs 4", "Add"}));
    EXPECT_EQ(Log.back(), "Il file Anarpe.zip \xE8 disponibile nella cartella " + Home.Path() +
                              "a/b/anarpe \r\n\r\nInviare il file via posta elettronica all'indirizzo "
                              "da-confermare-anarpe@invalid");
}

TEST(ZipDelivery, Failures) {
    struct Row {
        const char* name;
        bool folderInTheWay;
        int answer;
        const char* cause; // empty: "Error writing file" with the archive path
        std::size_t zipCalls;
    } rows[] = {
        {"fewer files went in", false, 3, "Errore nella generazione del file zip.", 3},
        {"more files went in", false, 5, "Errore nella generazione del file zip.", 3},
        {"old archive cannot be deleted", true, 4, "", 0},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        TempFolder Data, Home;
        const std::string Dest = Home.Path() + "anarpe/";
        if (r.folderInTheWay) fs::create_directories(Dest + "Anarpe.zip/inside");
        ExportRecordSet Set("anarpe");
        TClientDataSet Main;
        std::vector<std::string> Log;
        FakeZip Zip(Dest + "Anarpe.zip");
        Zip.Answer = r.answer;
        DeliveryOnlyRun Run(
            Set, DeliverySettings(Data.Path(), Dest, "anarpe"), Main,
            [&Log](const std::string& T) { Log.push_back(T); }, &Zip);
        EXPECT_TRUE(Run.Execute());
        const std::string Cause =
            *r.cause ? std::string(r.cause) : "Error writing file " + Dest + "Anarpe.zip";
        EXPECT_EQ(Log.back(), StopText(Cause));
        EXPECT_EQ(StopText(Cause), "Procedura interrotta con il seguente errore: " + Cause +
                                       "\r\n\r\nI DATI ESPORTATI NON SONO DISPONIBILI");
        EXPECT_EQ(Zip.Calls.size(), r.zipCalls);
        // No archive that looks deliverable stays; a folder in the way is not touched.
        EXPECT_EQ(fs::exists(Dest + "Anarpe.zip"), r.folderInTheWay);
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
    EXPECT_EQ(Log.back(), StopText("Error writing file " + Dest + "File014.txt"));
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
