// Real runs that meet other runs, kill -9 and termination signals at chosen
// steps. The programs stop at a step through their test pause points
// (export/RunControl.h), which only builds with tests have.

#include "tests/common/FileDates.h"
#include "tests/common/TestSupport.h"
#include "tests/e2e/RecordFileNames.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QStringList>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <thread>
#include <vector>

namespace fs = std::filesystem;
using testsupport::PacketColumn;
using testsupport::ReadFileBytes;

namespace {

using FileSet = std::map<std::string, std::string>;

// Every regular file of a folder by name; empty when there is no folder.
FileSet FolderFiles(const fs::path& Dir) {
    FileSet Files;
    std::error_code Ec;
    for (const auto& Entry : fs::directory_iterator(Dir, Ec))
        Files[Entry.path().filename().string()] =
            Entry.is_regular_file() ? ReadFileBytes(Entry.path().string()) : std::string("<not a file>");
    return Files;
}

FileSet Pick(const fs::path& Dir, const std::vector<std::string>& Names) {
    FileSet Files;
    for (const auto& Name : Names) Files[Name] = ReadFileBytes((Dir / Name).string());
    return Files;
}

bool WaitFor(const std::function<bool()>& Condition, int Ms = 60000) {
    const auto Deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(Ms);
    while (!Condition()) {
        if (std::chrono::steady_clock::now() >= Deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

struct Ended {
    bool Signalled = false;
    int Code = -1; // the exit status, or the signal
    std::string Out, Err;
};

// A copy of the demo school; each run gets its own HOME, so its delivery
// folder is its own.
class InterruptedRun : public ::testing::Test {
protected:
    void SetUp() override {
#ifndef ADOX_TEST_HOOKS
        GTEST_SKIP() << "the programs of this build have no test pause points (ADOX_TEST_HOOKS)";
#endif
        std::string Template = testsupport::SandboxDir() + "/stop-XXXXXX";
        ASSERT_NE(mkdtemp(Template.data()), nullptr);
        Root = Template;
        Data = Root / "data";
        fs::copy(fs::path(ADOX_DEMO_DIR) / "data", Data, fs::copy_options::recursive);
        fs::copy(fs::path(ADOX_DEMO_DIR) / "install", Root / "install", fs::copy_options::recursive);
        for (const auto& Entry : fs::directory_iterator(Root / "install" / "ETC" / "datrex"))
            ASSERT_TRUE(testsupport::DateOnFirstSeptember2021(Entry.path(), 12));
        testsupport::WriteFileBytes((Root / "hklm.reg").string(),
                                    "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\VexonMorvale]\r\n"
                                    "\"MainDir\"=\"" +
                                        (Root / "install").string() + "/\"\r\n");
    }

    void TearDown() override {
        for (auto& Child : Children)
            if (Child->state() != QProcess::NotRunning) {
                Child->kill();
                Child->waitForFinished();
            }
        std::error_code Ec;
        if (!HasFailure() && !Root.empty()) fs::remove_all(Root, Ec);
    }

    fs::path Home(const std::string& Who) const {
        return Root / ("home-" + Who);
    }
    fs::path Delivery(const std::string& Who, const std::string& Target) const {
        return Home(Who) / "rozadiver" / "datrex" / Target;
    }
    fs::path PauseDir(const std::string& Who) const {
        return Root / ("pause-" + Who);
    }
    bool Paused(const std::string& Who, const std::string& Step) const {
        return fs::exists(PauseDir(Who) / Step);
    }
    void Release(const std::string& Who, const std::string& Step) const {
        fs::remove(PauseDir(Who) / Step);
    }

    // Starts an unattended export as the automation does, stopping at the
    // listed steps.
    QProcess& Start(const std::string& Who, const char* Program, const fs::path& DataDir,
                    const std::string& Target, const QStringList& Extra, const std::string& PauseAt = {}) {
        fs::create_directories(Home(Who));
        fs::create_directories(PauseDir(Who));
        auto Child = std::make_unique<QProcess>();
        QProcessEnvironment Env = QProcessEnvironment::systemEnvironment();
        Env.insert("HOME", QString::fromStdString(Home(Who).string()));
        Env.insert("ADOXPORT_HKLM", QString::fromStdString((Root / "hklm.reg").string()));
        Env.insert("QT_QPA_PLATFORM", "offscreen");
        Env.insert("XDG_RUNTIME_DIR", QString::fromStdString(Root.string()));
        Env.insert("ADOXPORT_TEST_PAUSE_AT", QString::fromStdString(PauseAt));
        Env.insert("ADOXPORT_TEST_PAUSE_DIR", QString::fromStdString(PauseDir(Who).string()));
        Child->setProcessEnvironment(Env);
        Child->setWorkingDirectory(QString::fromStdString(Root.string()));
        Child->start(QString::fromUtf8(Program),
                     QStringList{QString::fromStdString(DataDir.string()), QString::fromStdString(Target),
                                 "2", "--unattended"} +
                         Extra);
        EXPECT_TRUE(Child->waitForStarted(10000));
        Children.push_back(std::move(Child));
        return *Children.back();
    }

    // Waits for the end, letting the run past any pause point it meets.
    Ended Finish(QProcess& Child, const std::string& Who) const {
        Ended Result;
        const bool Done = WaitFor([&] {
            std::error_code Ec;
            for (const auto& Entry : fs::directory_iterator(PauseDir(Who), Ec)) fs::remove(Entry.path(), Ec);
            return Child.waitForFinished(20);
        });
        if (!Done) {
            ADD_FAILURE() << Who << " did not finish";
            return Result;
        }
        Result.Signalled = Child.exitStatus() == QProcess::CrashExit;
        Result.Code = Child.exitCode();
        Result.Out = Child.readAllStandardOutput().toStdString();
        Result.Err = Child.readAllStandardError().toStdString();
        return Result;
    }

    Ended Run(const std::string& Who, const char* Program, const std::string& Target,
              const QStringList& Extra) {
        return Finish(Start(Who, Program, Data, Target, Extra), Who);
    }

    // One site ticked per school code, the first or the last of each: two
    // choices that give different registry files.
    QStringList Sites(bool Last) const {
        const std::vector<std::string> Codes = PacketColumn(Data / "Body014.xml", "CodScuola");
        std::map<std::string, std::size_t> Chosen;
        for (std::size_t I = 0; I < Codes.size(); ++I)
            if (Last || !Chosen.count(Codes[I])) Chosen[Codes[I]] = I;
        QStringList Positions;
        for (const auto& [Code, Row] : Chosen) Positions << QString::number(Row + 1);
        return {"--sites", Positions.join(',')};
    }

    // The record files delivered: the copies, or the archive's members.
    FileSet Delivered(const std::string& Who, const std::string& Target,
                      const std::vector<std::string>& Names) {
        if (Target == "aie") return FolderFiles(Delivery(Who, Target));
        FileSet Members;
        const QString Zip = QString::fromStdString((Delivery(Who, Target) / "Anarpe.zip").string());
        for (const auto& Name : Names) {
            QProcess Unzip;
            Unzip.start("unzip", {"-p", Zip, QString::fromStdString(Name)});
            if (!Unzip.waitForFinished(30000) || Unzip.exitCode() != 0) continue;
            Members[Name] = Unzip.readAllStandardOutput().toStdString();
        }
        return Members;
    }

    fs::path Root, Data;
    std::vector<std::unique_ptr<QProcess>> Children;
};

bool HaveUnzip() {
    return !QStandardPaths::findExecutable("unzip").isEmpty();
}

// Two exports on one data folder, the first held between its check and its
// delivery while the second starts: the second waits for the folder, and
// each run delivers exactly the set it wrote.
TEST_F(InterruptedRun, TwoRunsOnOneDataFolderEachDeliverTheSetTheyWrote) {
    if (!HaveUnzip()) GTEST_SKIP() << "unzip is not installed";
    struct Case {
        const char* Program;
        const char* Target;
        const std::vector<std::string>* Files;
    };
    const Case Cases[] = {
        {ADOX_PROGRAM, "aie", &e2e::AieFiles},
        {ADOX_PROGRAM, "anarpe", &e2e::AnarpeFiles},
        {ADOX_PROGRAM_CLASSIC, "aie", &e2e::ClassicAieFiles},
        {ADOX_PROGRAM_CLASSIC, "anarpe", &e2e::AnarpeFiles},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(std::string(C.Program) + " " + C.Target);
        const std::string A = std::string("a-") + C.Target + (C.Files->size() == 5 ? "-classic" : "");
        const std::string B = std::string("b-") + C.Target + (C.Files->size() == 5 ? "-classic" : "");
        QProcess& First = Start(A, C.Program, Data, C.Target,
                                Sites(false) + QStringList{"--protocol", "PRIMA/1"}, "deliver");
        ASSERT_TRUE(WaitFor([&] { return Paused(A, "deliver"); }))
            << "the first run never reached its delivery";
        const FileSet Checked = Pick(Data, *C.Files);
        QProcess& Second = Start(B, C.Program, Data, C.Target,
                                 Sites(true) + QStringList{"--protocol", "SECONDA/2"}, "wait-data,deliver");
        EXPECT_TRUE(WaitFor([&] { return Paused(B, "wait-data") || Paused(B, "deliver"); }));
        EXPECT_FALSE(Paused(B, "deliver")) << "the second run wrote while the first one delivered";
        Release(B, "wait-data");
        Release(A, "deliver");
        const Ended Ra = Finish(First, A);
        const Ended Rb = Finish(Second, B);
        ASSERT_EQ(Ra.Code, 0) << Ra.Out << Ra.Err;
        ASSERT_EQ(Rb.Code, 0) << Rb.Out << Rb.Err;
        EXPECT_NE(Rb.Out.find("Un'altra esportazione sta scrivendo i file nella cartella "),
                  std::string::npos)
            << Rb.Out;
        EXPECT_TRUE(Delivered(A, C.Target, *C.Files) == Checked) << "the first run delivered other bytes";
        EXPECT_TRUE(Delivered(B, C.Target, *C.Files) == Pick(Data, *C.Files));
        EXPECT_FALSE(Checked == Pick(Data, *C.Files)) << "the two runs' sets do not differ";
        if (HasFailure()) return;
    }
}

// kill -9 at each step of the AIE swap: the next run finds one whole set in
// the delivery folder, the previous one or the killed run's, before it
// delivers its own, and leaves nothing of the killed run behind.
TEST_F(InterruptedRun, KilledDuringTheCopySwapLeavesOneWholeSet) {
    const QStringList Previous = Sites(false) + QStringList{"--protocol", "PRIMA/1"};
    ASSERT_EQ(Run("user", ADOX_PROGRAM, "aie", Previous).Code, 0);
    const FileSet PreviousSet = FolderFiles(Delivery("user", "aie"));
    ASSERT_EQ(PreviousSet.size(), e2e::AieFiles.size());
    // The swap list, then four files moved aside and four put in place.
    for (const char* Step :
         {"swap-list", "rename-1", "rename-3", "rename-4", "rename-5", "rename-7", "rename-8"}) {
        SCOPED_TRACE(Step);
        fs::remove_all(Delivery("user", "aie"));
        fs::create_directories(Delivery("user", "aie"));
        for (const auto& [Name, Bytes] : PreviousSet)
            testsupport::WriteFileBytes((Delivery("user", "aie") / Name).string(), Bytes);

        QProcess& Killed = Start("user", ADOX_PROGRAM, Data, "aie",
                                 Sites(true) + QStringList{"--protocol", "UCCISA/2"}, Step);
        ASSERT_TRUE(WaitFor([&] { return Paused("user", Step); })) << "the run never reached the step";
        ::kill(static_cast<pid_t>(Killed.processId()), SIGKILL);
        ASSERT_TRUE(Killed.waitForFinished(30000));
        Release("user", Step);
        const FileSet KilledSet = Pick(Data, e2e::AieFiles);

        QProcess& Next = Start("user", ADOX_PROGRAM, Data, "aie", Previous, "deliver");
        ASSERT_TRUE(WaitFor([&] { return Paused("user", "deliver"); }));
        const FileSet Found = FolderFiles(Delivery("user", "aie"));
        EXPECT_TRUE(Found == PreviousSet || Found == KilledSet) << "a mix of two sets, or leftovers";
        const Ended R = Finish(Next, "user");
        EXPECT_EQ(R.Code, 0) << R.Out << R.Err;
        EXPECT_TRUE(FolderFiles(Delivery("user", "aie")) == Pick(Data, e2e::AieFiles));
        if (HasFailure()) return;
    }
}

// What a killed run leaves (a new archive half made, the zip library's and
// the component's temporary files, a record file being written) goes at the
// start of the next run; files that are not the program's own stay.
TEST_F(InterruptedRun, NextRunRemovesWhatAKilledRunLeft) {
    if (!HaveUnzip()) GTEST_SKIP() << "unzip is not installed";
    const QStringList Args = Sites(false);
    ASSERT_EQ(Run("user", ADOX_PROGRAM, "anarpe", Args).Code, 0);
    const fs::path Dest = Delivery("user", "anarpe");
    const std::string Archive = ReadFileBytes((Dest / "Anarpe.zip").string());
    QProcess& Killed = Start("user", ADOX_PROGRAM, Data, "anarpe", Args, "zip-rename");
    ASSERT_TRUE(WaitFor([&] { return Paused("user", "zip-rename"); }));
    ::kill(static_cast<pid_t>(Killed.processId()), SIGKILL);
    ASSERT_TRUE(Killed.waitForFinished(30000));
    Release("user", "zip-rename");
    EXPECT_EQ(ReadFileBytes((Dest / "Anarpe.zip").string()), Archive);
    EXPECT_TRUE(fs::exists(Dest / "Anarpe.zip.adoxnew"));
    // What runs killed at other moments leave, and names that are not ours.
    const FileSet Planted = {{"Anarpe.zip.adoxnew.Xy12Zw", "library"}, {"zzzAb12Cd", "component"}};
    const FileSet Foreign = {{"zzz-notes.txt", "mine"}, {"Anarpe.zip.bak", "mine"}};
    for (const FileSet* Set : {&Planted, &Foreign})
        for (const auto& [Name, Bytes] : *Set) testsupport::WriteFileBytes((Dest / Name).string(), Bytes);
    testsupport::WriteFileBytes((Data / "Adoz001.txt.0123456789abcdef.adoxnew").string(), "half written");

    QProcess& Next = Start("user", ADOX_PROGRAM, Data, "anarpe", Args, "deliver");
    ASSERT_TRUE(WaitFor([&] { return Paused("user", "deliver"); }));
    FileSet Expected = Foreign;
    Expected["Anarpe.zip"] = Archive;
    EXPECT_TRUE(FolderFiles(Dest) == Expected);
    EXPECT_FALSE(fs::exists(Data / "Adoz001.txt.0123456789abcdef.adoxnew"));
    const Ended R = Finish(Next, "user");
    EXPECT_EQ(R.Code, 0) << R.Out << R.Err;
}

// SIGTERM, SIGINT or SIGHUP during a run: the run's temporary files go, the
// previous delivery stays as it was, and the process ends by that signal
// (status 128 + signal in a shell).
TEST_F(InterruptedRun, TerminationSignalsEndTheRunCleanly) {
    struct Case {
        const char* Target;
        const char* Step;
        int Signal;
    };
    const Case Cases[] = {
        {"aie", "deliver", SIGTERM},
        {"aie", "wait-delivery", SIGINT},
        {"anarpe", "deliver", SIGHUP},
        {"anarpe", "zip-rename", SIGTERM},
    };
    const QStringList Args = Sites(false);
    for (const Case& C : Cases) {
        SCOPED_TRACE(std::string(C.Target) + " at " + C.Step + ", signal " + std::to_string(C.Signal));
        const std::string Who = std::string("user-") + C.Target;
        if (!fs::exists(Delivery(Who, C.Target))) {
            ASSERT_EQ(Run(Who, ADOX_PROGRAM, C.Target, Args).Code, 0);
        }
        const FileSet Before = FolderFiles(Delivery(Who, C.Target));
        const FileSet DataBefore = FolderFiles(Data);
        // A delivery folder held by another run makes this one wait for it.
        std::unique_ptr<QProcess> Holder;
        if (std::string(C.Step) == "wait-delivery") {
            Holder = std::make_unique<QProcess>();
            Holder->start("flock", {QString::fromStdString(Delivery(Who, C.Target).string()), "sleep", "60"});
            ASSERT_TRUE(Holder->waitForStarted());
            ASSERT_TRUE(WaitFor([&] {
                QProcess Probe;
                Probe.start("flock",
                            {"-n", QString::fromStdString(Delivery(Who, C.Target).string()), "true"});
                Probe.waitForFinished();
                return Probe.exitCode() != 0;
            }));
        }
        QProcess& Child = Start(Who, ADOX_PROGRAM, Data, C.Target, Args, C.Step);
        ASSERT_TRUE(WaitFor([&] { return Paused(Who, C.Step); }));
        ::kill(static_cast<pid_t>(Child.processId()), C.Signal);
        const Ended R = Finish(Child, Who);
        if (Holder) {
            Holder->kill();
            Holder->waitForFinished();
        }
        EXPECT_TRUE(R.Signalled) << R.Out << R.Err;
        EXPECT_EQ(R.Code, C.Signal);
        EXPECT_TRUE(FolderFiles(Delivery(Who, C.Target)) == Before);
        for (const auto& [Name, Bytes] : FolderFiles(Data))
            EXPECT_EQ(Name.find(".adox"), std::string::npos) << Name;
        // The record files written stay complete (the data folder holds
        // nothing else new).
        for (const auto& [Name, Bytes] : DataBefore) EXPECT_TRUE(FolderFiles(Data).count(Name)) << Name;
        if (HasFailure()) return;
    }
}

} // namespace

namespace {

// Runs a program through the shell, so that the environment can hold bytes
// that are not UTF-8; the exit status, or -1.
int Shell(const std::string& Command) {
    const int Status = std::system(Command.c_str());
    return WIFEXITED(Status) ? WEXITSTATUS(Status) : -1;
}

// An ANARPE export whose HOME or TMPDIR is odd: a folder name in Latin-1
// bytes, a TMPDIR that is missing, a file or relative. The archive is made
// all the same, and nothing is left in the delivery folder but the archive.
TEST_F(InterruptedRun, OddHomeAndTemporaryFolders) {
    if (!HaveUnzip()) GTEST_SKIP() << "unzip is not installed";
    testsupport::WriteFileBytes((Root / "plain").string(), "a file");
    struct Case {
        const char* Name;
        std::string Home;
        std::string TmpDir;
    };
    const std::string Latin1 = (Root / "home-caff\xE8").string();
    const Case Cases[] = {
        {"Latin-1 HOME", Latin1, ""},
        {"Latin-1 TMPDIR", (Root / "home-t").string(), Latin1 + "-tmp"},
        {"TMPDIR missing", (Root / "home-m").string(), "/no/such/folder"},
        {"TMPDIR a file", (Root / "home-f").string(), (Root / "plain").string()},
        {"TMPDIR relative", (Root / "home-r").string(), "relative/tmp"},
    };
    fs::create_directories(Latin1 + "-tmp");
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Name);
        fs::create_directories(C.Home);
        const std::string Command = "cd '" + Root.string() + "' && HOME='" + C.Home + "' TMPDIR='" +
                                    C.TmpDir + "' ADOXPORT_HKLM='" + (Root / "hklm.reg").string() +
                                    "' QT_QPA_PLATFORM=offscreen '" ADOX_PROGRAM "' '" + Data.string() +
                                    "' anarpe 1 --unattended >'" + (Root / "out.txt").string() + "' 2>&1";
        EXPECT_EQ(Shell(Command), 0) << ReadFileBytes((Root / "out.txt").string());
        const fs::path Dest = fs::path(C.Home) / "rozadiver" / "datrex" / "anarpe";
        EXPECT_EQ(FolderFiles(Dest).size(), 1u);
        EXPECT_EQ(Shell("unzip -tqq '" + (Dest / "Anarpe.zip").string() + "' >/dev/null"), 0);
    }
}

} // namespace
