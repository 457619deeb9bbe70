// What interrupted runs leave in the data and delivery folders, and what the
// next run makes of it.

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "export/run/CopyDelivery.h"
#include "export/run/ExportRun.h"
#include "export/run/FileSink.h"
#include "platform/Platform.h"
#include "support/UserText.h"
#include "tests/common/FakeZip.h"
#include "tests/common/TestSettings.h"
#include "tests/common/TestSupport.h"
#include "tests/export/records/WritersTestSupport.h"

namespace fs = std::filesystem;
using namespace txad;
using writerstest::TempFolder;
using Files = std::map<std::string, std::string>;

namespace {

void Plant(const std::string& Folder, const Files& Contents) {
    fs::create_directories(Folder);
    for (const auto& [Name, Bytes] : Contents) testsupport::WriteFileBytes(Folder + Name, Bytes);
}

} // namespace

// A swap announced by its list is finished whatever rename the killed run
// had reached; without a list a file moved aside comes back only to a free
// name. Either way the folder ends with one whole set and nothing of ours.
TEST(RecoverDeliveryFolder, LeavesOneWholeSetAndNothingElseOfOurs) {
    const std::string List = "A.txt\nB.txt\n";
    struct Row {
        const char* Name;
        Files Before;
        Files After;
    } Rows[] = {
        {"list, nothing moved yet",
         {{".adoxport.swap", List},
          {"A.txt", "old A"},
          {"B.txt", "old B"},
          {"A.txt.adoxnew", "new A"},
          {"B.txt.adoxnew", "new B"}},
         {{"A.txt", "new A"}, {"B.txt", "new B"}}},
        {"list, first file moved aside",
         {{".adoxport.swap", List},
          {"A.txt.adoxold", "old A"},
          {"B.txt", "old B"},
          {"A.txt.adoxnew", "new A"},
          {"B.txt.adoxnew", "new B"}},
         {{"A.txt", "new A"}, {"B.txt", "new B"}}},
        {"list, first new file in place",
         {{".adoxport.swap", List},
          {"A.txt.adoxold", "old A"},
          {"B.txt.adoxold", "old B"},
          {"A.txt", "new A"},
          {"B.txt.adoxnew", "new B"}},
         {{"A.txt", "new A"}, {"B.txt", "new B"}}},
        {"list, first old file deleted",
         {{".adoxport.swap", List}, {"B.txt.adoxold", "old B"}, {"A.txt", "new A"}, {"B.txt", "new B"}},
         {{"A.txt", "new A"}, {"B.txt", "new B"}}},
        {"list, no previous set",
         {{".adoxport.swap", List}, {"A.txt", "new A"}, {"B.txt.adoxnew", "new B"}},
         {{"A.txt", "new A"}, {"B.txt", "new B"}}},
        {"no list, copies half made",
         {{"A.txt", "old A"}, {"B.txt", "old B"}, {"A.txt.adoxnew", "new A"}, {"B.txt.adoxnew", "ne"}},
         {{"A.txt", "old A"}, {"B.txt", "old B"}}},
        {"no list, previous file left aside",
         {{"A.txt", "old A"}, {"B.txt.adoxold", "old B"}, {"C.txt", "new C"}, {"C.txt.adoxold", "old C"}},
         {{"A.txt", "old A"}, {"B.txt", "old B"}, {"C.txt", "new C"}}},
        {"archive leftovers",
         {{"Anarpe.zip", "old"},
          {"Anarpe.zip.adoxnew", "new"},
          {"Anarpe.zip.adoxnew.Ab12Cd", "library"},
          {"zzzQ1w2E3", "backup"}},
         {{"Anarpe.zip", "old"}}},
        {"names that only look alike stay",
         {{"notes.txt", "n"},
          {"zzz.txt", "z"},
          {"zzzAb12Cd.zip", "z"},
          {"A.txt.adoxnewer", "a"},
          {"Anarpe.zip.adoxnew.Ab-2Cd", "a"},
          {"adoxnew", "b"}},
         {{"notes.txt", "n"},
          {"zzz.txt", "z"},
          {"zzzAb12Cd.zip", "z"},
          {"A.txt.adoxnewer", "a"},
          {"Anarpe.zip.adoxnew.Ab-2Cd", "a"},
          {"adoxnew", "b"}}},
    };
    for (const Row& R : Rows) {
        SCOPED_TRACE(R.Name);
        TempFolder Dest;
        Plant(Dest.Path(), R.Before);
        DeliveryFileOps Ops;
        RecoverDeliveryFolder(Dest.Path(), Ops);
        EXPECT_EQ(writerstest::FolderContents(Dest.Path()), R.After);
    }
}

// The list names files of the folder itself; anything else in it is not
// followed, and a folder under one of our names is left alone.
TEST(RecoverDeliveryFolder, ListNamesOutsideTheFolderAreNotFollowed) {
    TempFolder Root;
    const std::string Dest = Root.Path() + "dest/";
    Plant(Root.Path(), {{"victim", "kept"}, {"victim.adoxnew", "planted"}});
    Plant(Dest, {{".adoxport.swap", "../victim\n/etc/passwd\n\nA.txt\n"}, {"A.txt.adoxnew", "new A"}});
    fs::create_directories(Dest + "folder.adoxnew");
    DeliveryFileOps Ops;
    RecoverDeliveryFolder(Dest, Ops);
    EXPECT_EQ(writerstest::FolderContents(Dest), (Files{{"A.txt", "new A"}}));
    EXPECT_EQ(writerstest::FolderContents(Root.Path()),
              (Files{{"victim", "kept"}, {"victim.adoxnew", "planted"}}));
    EXPECT_TRUE(fs::is_directory(Dest + "folder.adoxnew"));
}

TEST(FileSinkLeftovers, OnlyTheSinksOwnTemporaryNamesGo) {
    TempFolder Data;
    Plant(Data.Path(), {{"File014.txt", "record file"},
                        {"File014.txt.0123456789abcdef.adoxnew", "left by a killed run"},
                        {"Body014.xml", "packet"},
                        {"File014.txt.0123456789ABCDEF.adoxnew", "not ours: upper case"},
                        {"File014.txt.0123456789abcde.adoxnew", "not ours: 15 digits"},
                        {"File014.txt.adoxnew", "not ours here"}});
    fs::create_directories(Data.Path() + "x.0123456789abcdef.adoxnew");
    FileSink::RemoveLeftovers(Data.Path());
    EXPECT_EQ(writerstest::FolderContents(Data.Path()),
              (Files{{"File014.txt", "record file"},
                     {"Body014.xml", "packet"},
                     {"File014.txt.0123456789ABCDEF.adoxnew", "not ours: upper case"},
                     {"File014.txt.0123456789abcde.adoxnew", "not ours: 15 digits"},
                     {"File014.txt.adoxnew", "not ours here"}}));
    EXPECT_TRUE(fs::is_directory(Data.Path() + "x.0123456789abcdef.adoxnew"));
}

namespace {

class DeliveryOnlyRun : public ExportRun {
public:
    using ExportRun::ExportRun;
    void SetLockWait(int Ms) { FDeliveryLockWaitMs = Ms; }
    int Written = 0;

protected:
    void WriteOutputFiles() override { ++Written; }
};

ExportSettings Settings(const std::string& Data, const std::string& Dest, const std::string& Target) {
    return MakeExportSettings(testsupport::StartupFor(ExportRecordSet(Target), Data, Dest), "", {});
}

} // namespace

// Another run writing in the same data folder is waited for before the first
// file; a folder that stays busy stops the run before anything is written.
TEST(ExportRun, WaitsForAnotherRunWritingInTheSameDataFolder) {
    for (const char* Target : {"aie", "anarpe"}) {
        SCOPED_TRACE(Target);
        TempFolder Data, Home;
        const std::string Dest = Home.Path() + "dest/";
        const platform::FolderLockAttempt Other = platform::TryLockFolder(Data.Path());
        ASSERT_TRUE(Other.Lock) << "the file system has no locks";
        ExportRecordSet Set(Target);
        TClientDataSet Main;
        std::vector<std::string> Log;
        testsupport::FakeZip Zip(Dest + "Anarpe.zip");
        DeliveryOnlyRun Run(
            Set, Settings(Data.Path(), Dest, Target), Main,
            [&Log](const std::string& T) { Log.push_back(T); }, &Zip);
        Run.SetLockWait(200);
        EXPECT_TRUE(Run.Execute());
        const std::string Folder = ExcludePathDelimiter(Data.Path());
        EXPECT_EQ(Log,
                  (std::vector<std::string>{
                      "Generazione files....",
                      "Un'altra esportazione sta scrivendo i file nella cartella " + Folder + ": attesa...",
                      StopText("La cartella " + Folder + " \xE8 occupata da un'altra esportazione")}));
        EXPECT_EQ(Run.Written, 0);
        EXPECT_FALSE(fs::exists(Dest));
    }
}

// Delivering into the data folder itself takes its lock once: the run neither
// waits for itself nor deletes the set it has just written.
TEST(ExportRun, DeliveryIntoTheDataFolderDoesNotWaitForItself) {
    TempFolder Data;
    Plant(Data.Path(),
          {{"Adoz001.txt", "1"}, {"Adoz002.txt", "2"}, {"Adoz003.txt", "3"}, {"Adoz004.txt", "4"}});
    ExportRecordSet Set("anarpe");
    TClientDataSet Main;
    std::vector<std::string> Log;
    testsupport::FakeZip Zip(Data.Path() + "Anarpe.zip");
    DeliveryOnlyRun Run(
        Set, Settings(Data.Path(), Data.Path(), "anarpe"), Main,
        [&Log](const std::string& T) { Log.push_back(T); }, &Zip);
    Run.SetLockWait(200);
    EXPECT_FALSE(Run.Execute()) << Log.back();
    for (const std::string& Line : Log) EXPECT_EQ(Line.find("attesa"), std::string::npos) << Line;
    EXPECT_EQ(writerstest::FolderContents(Data.Path()).size(), 5u);
}

// A FIFO or a folder in place of a record file stops the run with the usual
// message naming the file, at once and before any delivery: the writer
// never opens what it would wait on or could not replace.
TEST(ExportRun, RecordFileThatIsNotAFileStopsTheRun) {
    const struct {
        const char* what;
        const char* reason;
    } rows[] = {{"FIFO", "non \xE8 un file regolare"}, {"folder", "al suo posto c'\xE8 una cartella"}};
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        TempFolder Data, Home;
        const std::string Dest = Home.Path() + "dest/";
        writerstest::CopyFixture("basic", Data.Path());
        ExportRecordSet Set("aie");
        if (std::string(r.what) == "FIFO")
            ASSERT_EQ(mkfifo((Data.Path() + "File014.txt").c_str(), 0600), 0);
        else
            fs::create_directory(Data.Path() + "File014.txt");
        TClientDataSet Main;
        std::vector<std::string> Log;
        ExportRun Run(Set, Settings(Data.Path(), Dest, "aie"), Main,
                      [&Log](const std::string& T) { Log.push_back(T); });
        EXPECT_TRUE(Run.Execute());
        EXPECT_EQ(Run.StopCause(), "Cannot create file " + Data.Path() + "File014.txt");
        EXPECT_EQ(Log.size(), 2u);
        EXPECT_NE(Log.back().find("Impossibile creare il file " + Data.Path() + "File014.txt: " + r.reason),
                  std::string::npos)
            << Log.back();
        EXPECT_FALSE(fs::exists(Dest));
    }
}
