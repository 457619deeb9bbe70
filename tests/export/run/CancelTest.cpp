// A run the user gives up (the zip's Annulla, the wait window's Annulla) is
// no failure: the log says it was cancelled and the delivery folder is as
// it was; a run that waits for a busy folder through a wait window goes on
// by itself once the folder is free.

#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "export/run/ExportRun.h"
#include "platform/Platform.h"
#include "tests/common/FakeZip.h"
#include "tests/common/TestSettings.h"
#include "tests/common/TestSupport.h"
#include "tests/export/records/WritersTestSupport.h"

namespace fs = std::filesystem;
using namespace txad;
using writerstest::TempFolder;

namespace {

// A run whose output files are already written.
class DeliveryOnlyRun : public ExportRun {
public:
    using ExportRun::ExportRun;

protected:
    void WriteOutputFiles() override {}
};

// A wait window without a window: OnTick answers whether to go on.
class ScriptedWait : public FolderWait {
public:
    void Begin(const std::string& Text) override { Texts.push_back(Text); }
    bool KeepWaiting() override { return OnTick(++Ticks); }
    void End() noexcept override { ++Ends; }
    std::function<bool(int)> OnTick;
    std::vector<std::string> Texts;
    int Ticks = 0;
    int Ends = 0;
};

struct Folders {
    TempFolder Data, Home;
    std::string Dest(const std::string& Target) const { return Home.Path() + "datrex/" + Target + "/"; }
};

void WriteFiles(const std::string& Folder, const std::vector<std::string>& Names,
                const std::string& Content) {
    fs::create_directories(Folder);
    for (const std::string& Name : Names) testsupport::WriteFileBytes(Folder + Name, Content);
}

TEST(Cancel, TheUsersCancelIsToldAsSuchAndLeavesTheDelivery) {
    struct Case {
        const char* Name;
        const char* Target;
        bool ZipCancels;      // else the wait window's Annulla, at the busy delivery folder
        const char* Previous; // the delivered file that stays as it is
    };
    const Case Cases[] = {
        {"the zip's Annulla", "anarpe", true, "Anarpe.zip"},
        {"the wait window's Annulla", "aie", false, "File014.txt"},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Name);
        Folders F;
        const std::string Dest = F.Dest(C.Target);
        ExportRecordSet Set(C.Target);
        WriteFiles(F.Data.Path(), Set.OutFiles(), "new");
        WriteFiles(Dest, {C.Previous}, "previous");
        testsupport::FakeZip Zip(Dest + "Anarpe.zip");
        Zip.Answer = 0;
        Zip.CancelledByUser = C.ZipCancels;
        ScriptedWait Wait;
        Wait.OnTick = [](int) { return false; };
        std::unique_ptr<platform::FolderLock> Held;
        if (!C.ZipCancels) Held = platform::TryLockFolder(Dest).Lock;
        TClientDataSet Main;
        std::vector<std::string> Log;
        DeliveryOnlyRun Run(
            Set, MakeExportSettings(testsupport::StartupFor(Set, F.Data.Path(), Dest), "", {}), Main,
            [&Log](const std::string& T) { Log.push_back(T); }, &Zip);
        Run.SetFolderWait(&Wait);
        EXPECT_TRUE(Run.Execute());
        EXPECT_TRUE(Run.Cancelled());
        EXPECT_TRUE(Run.StopCause().empty()) << Run.StopCause();
        ASSERT_FALSE(Log.empty());
        EXPECT_EQ(Log.back(), CancelText(ExcludePathDelimiter(Dest)));
        for (const std::string& Text : Log) EXPECT_EQ(Text.find("Procedura interrotta"), std::string::npos);
        EXPECT_EQ(writerstest::FolderContents(Dest),
                  (std::map<std::string, std::string>{{C.Previous, "previous"}}));
        EXPECT_EQ(Wait.Ends, C.ZipCancels ? 0 : 1);
    }
}

TEST(FolderWait, TheRunGoesOnOnceTheFolderIsFree) {
    Folders F;
    const std::string Dest = F.Dest("aie");
    ExportRecordSet Set("aie");
    WriteFiles(F.Data.Path(), Set.OutFiles(), "new");
    fs::create_directories(Dest);
    std::unique_ptr<platform::FolderLock> Held = platform::TryLockFolder(Dest).Lock;
    ASSERT_TRUE(Held);
    ScriptedWait Wait;
    Wait.OnTick = [&Held](int Tick) {
        if (Tick == 3) Held.reset();
        return true;
    };
    TClientDataSet Main;
    std::vector<std::string> Log;
    DeliveryOnlyRun Run(Set, MakeExportSettings(testsupport::StartupFor(Set, F.Data.Path(), Dest), "", {}),
                        Main, [&Log](const std::string& T) { Log.push_back(T); });
    Run.SetFolderWait(&Wait);
    EXPECT_FALSE(Run.Execute()) << Log.back();
    EXPECT_FALSE(Run.Cancelled());
    ASSERT_EQ(Wait.Texts.size(), 1u);
    EXPECT_NE(Wait.Texts[0].find(ExcludePathDelimiter(Dest)), std::string::npos) << Wait.Texts[0];
    EXPECT_GE(Wait.Ticks, 3);
    EXPECT_EQ(Wait.Ends, 1);
    for (const std::string& Name : Set.OutFiles()) EXPECT_EQ(testsupport::ReadFileBytes(Dest + Name), "new");
}

} // namespace
