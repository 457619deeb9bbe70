// The component's side of the plugin exchange, against a fake plugin that
// records the records it is given and plays callbacks.

#include "platform/Platform.h"
#include "tests/common/ExpectThrow.h"
#include "tests/zip/FakeZipDll.h"
#include "tests/zip/ZipTestSupport.h"
#include "zip/ProgressForm.h"
#include "zip/Zip.h"

#include <QLabel>
#include <QProgressBar>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>

using namespace ziptest;

namespace {

const std::string FakeDir = ADOX_FAKE_ZIPDLL_DIR;
const std::string NoEntryDir = ADOX_NOENTRY_ZIPDLL_DIR;

// Kept loaded for the whole program, so the script and capture survive the
// component's unloading between tests.
platform::Library& FakeLib() {
    static std::unique_ptr<platform::Library> Lib = platform::LoadLibrary(FakeDir + "/ZipDll.so");
    if (!Lib) throw std::runtime_error("cannot load the fake plugin in " + FakeDir);
    return *Lib;
}

FakeScript& Script() {
    return *reinterpret_cast<FakeZipScriptFunc>(FakeLib().Symbol("FakeZipScript"))();
}

FakeCapture& Capture() {
    return *reinterpret_cast<FakeZipCaptureFunc>(FakeLib().Symbol("FakeZipCapture"))();
}

class ZipFake : public ::testing::Test {
protected:
    void SetUp() override {
        Script() = FakeScript{};
        Capture() = FakeCapture{};
        Zip = std::make_unique<TZip>();
        Zip->DllDirectory = FakeDir;
        Zip->ShowProgressDialog = false;
        Zip->TempDir = Tmp.Path() + "/";
        Zip->SetZipFileName(Archive());
        Zip->SetFileSpecs({Dir.File("one.txt"), Dir.File("two.txt")});
    }
    void TearDown() override { Zip.reset(); }

    std::string Archive() const { return Dir.File("a.zip"); }

    int32_t RunSteps(const std::vector<FakeStep>& Steps, int32_t Result = 2) {
        Script().Steps = Steps;
        Script().Result = Result;
        return Zip->Add();
    }
    const FakeOutcome& Outcome(size_t I) const { return Capture().Outcomes.at(I); }

    PresenterScope Boxes;
    TempFolder Dir, Tmp;
    std::unique_ptr<TZip> Zip;
};

} // namespace

TEST_F(ZipFake, ParameterRecordFlagFieldsFollowAddOptions) {
    struct Row {
        const char* Name;
        uint8_t Options;
        int32_t F32, F44, F72;
        int16_t F76;
        int32_t F84, F96, F100;
    };
    const Row Rows[] = {
        {"default mode", TZip::aoDefaultMode, 0, -1, -1, 0, 0, -1, 0},
        {"none", 0, 0, -1, -1, 0, 0, 0, 0},
        {"fallback mode alone", TZip::aoFallbackMode, 0, -1, -1, 0, 0, 0, -1},
        {"default mode wins over fallback", TZip::aoFallbackMode | TZip::aoDefaultMode, 0, -1, -1, 0, 0, -1,
         0},
        {"per-file option", TZip::aoPerFileOption, 0, -1, 0, -1, 0, 0, 0},
        {"relative to root folder", TZip::aoRelativeToRootDir, 0, -1, 0, 0, 0, 0, 0},
        {"inverted option", TZip::aoInvertedOption, 0, 0, -1, 0, 0, 0, 0},
        {"unsent option", TZip::aoUnsentOption, 0, -1, -1, 0, 0, 0, 0},
        {"first passed", TZip::aoPassedFirst, -1, -1, -1, 0, 0, 0, 0},
        {"second passed", TZip::aoPassedSecond, 0, -1, -1, 0, -1, 0, 0},
        {"all", 255, -1, 0, 0, -1, -1, -1, 0},
    };
    for (const Row& R : Rows) {
        SCOPED_TRACE(R.Name);
        Zip->SetFileSpecs({Dir.File("one.txt"), Dir.File("two.txt")});
        Zip->AddOptions = R.Options;
        ASSERT_EQ(RunSteps({}), 2);
        const ZipParamsRecord& P = Capture().Params;
        EXPECT_EQ(P.PassedFirst, R.F32);
        EXPECT_EQ(P.WithoutInvertedOption, R.F44);
        EXPECT_EQ(P.PlainFileSpecs, R.F72);
        EXPECT_EQ(P.PerFileOption, R.F76);
        EXPECT_EQ(P.PassedSecond, R.F84);
        EXPECT_EQ(P.DefaultMode, R.F96);
        EXPECT_EQ(P.FallbackMode, R.F100);
        for (const ZipFileEntryRecord& S : Capture().SpecRecords) EXPECT_EQ(S.PerFileOption, R.F76);
    }
}

TEST_F(ZipFake, ParameterRecordCarriesArchiveSpecsAndFixedValues) {
    ASSERT_EQ(RunSteps({}), 2);
    const FakeCapture& C = Capture();
    const ZipParamsRecord& P = C.Params;
    EXPECT_EQ(P.Caller, Zip.get());
    EXPECT_EQ(P.Version, 160);
    EXPECT_NE(P.Callback, nullptr);
    EXPECT_EQ(P.Trace, 0);
    EXPECT_EQ(P.ConstantTrue, -1);
    EXPECT_EQ(P.ConstantNine, 9);
    EXPECT_EQ(P.ConstantTrueToo, -1);
    EXPECT_EQ(P.Marker, 7);
    EXPECT_EQ(P.FileEntryCount, 2);
    EXPECT_FALSE(C.HasPassword);
    EXPECT_EQ(P.Encrypt, 0);
    EXPECT_FALSE(C.HasComment);
    EXPECT_EQ(C.ArchiveName, Archive());
    EXPECT_EQ(C.TempDir, Tmp.Path() + "/");
    EXPECT_EQ(C.FileEntries, (std::vector<std::string>{Dir.File("one.txt"), Dir.File("two.txt")}));
    EXPECT_EQ(C.SpecRoots, (std::vector<std::string>{"", ""}));
    for (const ZipFileEntryRecord& S : C.SpecRecords) {
        EXPECT_EQ(S.Password, nullptr);
        EXPECT_EQ(S.Encrypt, 0);
    }
    // Every field the component does not fill stays zero.
    const auto Zero = [](const int32_t* F, size_t N) {
        return std::all_of(F, F + N, [](int32_t V) { return V == 0; });
    };
    EXPECT_EQ(P.Unused0, 0);
    EXPECT_EQ(P.Unused24, 0);
    EXPECT_TRUE(Zero(P.Unused36, 2) && Zero(P.Unused48, 2) && Zero(P.Unused64, 2) && Zero(P.Unused88, 2));
    EXPECT_TRUE(Zero(P.Unused104, 4) && Zero(P.Unused144, 17));
    EXPECT_EQ(P.Unused136, 0);
    EXPECT_TRUE(Zip->FileSpecs().empty());
}

TEST_F(ZipFake, PasswordAndCommentReachTheRecords) {
    testsupport::WriteFileBytes(Archive(), MakeArchive({{"x.txt", "x"}}, "note"));
    Zip->SetZipFileName(Archive());
    Zip->Password = "pw";
    Zip->SetFileSpecs({Dir.File("one.txt")});
    ASSERT_EQ(RunSteps({}, 1), 1);
    const FakeCapture& C = Capture();
    EXPECT_EQ(C.Password, "pw");
    EXPECT_EQ(C.Params.Encrypt, -1);
    EXPECT_EQ(C.SpecPasswords, std::vector<std::string>{"pw"});
    EXPECT_EQ(C.SpecRecords.at(0).Encrypt, -1);
    ASSERT_TRUE(C.HasComment);
    EXPECT_EQ(C.Comment, "note");
}

// The root folder goes to the plugin in the records; the process's working
// folder stays where it was.
TEST_F(ZipFake, RelativeSpecsAreBasedOnRootDirAndRootDirIsCleared) {
    const auto Cwd = std::filesystem::current_path();
    Zip->RootDir = Dir.Path();
    Zip->AddOptions = TZip::aoDefaultMode | TZip::aoRelativeToRootDir;
    Zip->SetFileSpecs({"rel.txt", Dir.File("abs.txt")});
    ASSERT_EQ(RunSteps({}), 2);
    const auto Cur = std::filesystem::current_path();
    std::filesystem::current_path(Cwd);
    EXPECT_EQ(Capture().FileEntries,
              (std::vector<std::string>{Dir.Path() + "/rel.txt", Dir.File("abs.txt")}));
    EXPECT_EQ(Capture().SpecRoots, (std::vector<std::string>{Dir.Path() + "/", Dir.Path() + "/"}));
    EXPECT_EQ(Cur, Cwd);
    EXPECT_TRUE(Zip->RootDir.empty());
}

TEST_F(ZipFake, ProgressKindsRaiseEventsAndCount) {
    std::vector<std::string> Events;
    Zip->OnZEDBeginFileEvent = [&](TZip* S, const std::string& F, int32_t Size, int32_t Count,
                                   int32_t Total) {
        EXPECT_EQ(S, Zip.get());
        Events.push_back("begin " + F + " " + std::to_string(Size) + " " + std::to_string(Count) + " " +
                         std::to_string(Total));
    };
    Zip->OnZEDProgressEvent = [&](TZip*, const std::string& F, int32_t Done, int32_t Total) {
        Events.push_back("progress " + F + " " + std::to_string(Done) + " " + std::to_string(Total));
    };
    Zip->OnZEDEndBatchEvent = [&](TZip*, int32_t Skipped, int32_t Count, int32_t Total) {
        Events.push_back("end " + std::to_string(Skipped) + " " + std::to_string(Count) + " " +
                         std::to_string(Total));
    };
    ASSERT_EQ(
        RunSteps({{5, 0, 3}, {6, 0, 1000}, {11}, {1, 0, 400, "a.txt"}, {2, 0, 150}, {2, 0, 250}, {11}, {3}}),
        2);
    EXPECT_EQ(Events, (std::vector<std::string>{"begin a.txt 400 3 1000", "progress a.txt 150 1000",
                                                "progress a.txt 250 1000", "end 2 3 1000"}));
    EXPECT_EQ(Zip->BytesDone(), 400);
    EXPECT_FLOAT_EQ(Zip->ProgressScale(), 65.535f);
    for (const FakeOutcome& O : Capture().Outcomes) EXPECT_EQ(O.Returned, 0);
}

TEST_F(ZipFake, ProgressWindowFollowsTheBatch) {
    Zip->ShowProgressDialog = true;
    struct Seen {
        bool Visible;
        int Value, Maximum;
        QString Label;
    };
    std::vector<Seen> Seen;
    Zip->OnZEDBeginFileEvent = [&](TZip* S, const std::string&, int32_t, int32_t, int32_t) {
        TProgressForm* F = S->ProgressForm();
        ASSERT_NE(F, nullptr);
        Seen.push_back({F->isVisible(), F->Bar()->value(), F->Bar()->maximum(), F->Label()->text()});
    };
    ASSERT_EQ(RunSteps({{5, 0, 2},
                        {6, 0, 1000},
                        {1, 0, 400, "first.txt"},
                        {2, 0, 400},
                        {1, 0, 600, "second.txt"},
                        {6, 0, 0},
                        {2, 0, 70000},
                        {1, 0, 1, "third.txt"},
                        {3},
                        {1, 0, 1, "fourth.txt"}}),
              2);
    ASSERT_EQ(Seen.size(), 4u);
    EXPECT_TRUE(Seen[0].Visible);
    EXPECT_EQ(Seen[0].Maximum, 65535);
    EXPECT_EQ(Seen[0].Label, "Attendere...");
    EXPECT_EQ(Seen[1].Value, 26214); // trunc(400 * 65535 / 1000)
    EXPECT_EQ(Seen[1].Label, "first.txt");
    // A batch of 0 bytes scales by 1 and the bar stays within its range.
    EXPECT_EQ(Seen[2].Value, 65535);
    EXPECT_FLOAT_EQ(Zip->ProgressScale(), 1.0f);
    EXPECT_FALSE(Seen[3].Visible); // hidden by the end of the batch
    EXPECT_EQ(Zip->ProgressForm(), nullptr);
}

TEST_F(ZipFake, CallbackAfterCancelOnlyAnswersStop) {
    Boxes.P.BoxAnswers = {idNo};
    Script().AppendToArchive = "partial bytes";
    const std::string Before = testsupport::ReadFileBytes(Archive());
    EXPECT_EQ(RunSteps({{5, 0, 4}, {8, 0, 3, "f.txt"}, {5, 0, 9}, {11}}), 0);
    ASSERT_EQ(Capture().Outcomes.size(), 4u);
    EXPECT_EQ(Outcome(0).Returned, 0);
    EXPECT_EQ(Outcome(1).Returned, -1);
    EXPECT_EQ(Outcome(1).AnswerFlag, 0);
    EXPECT_EQ(Outcome(1).Number, 0);
    EXPECT_EQ(Outcome(2).Returned, -1);
    EXPECT_EQ(Outcome(3).Returned, -1);
    EXPECT_EQ(Zip->BatchCount(), 4);
    EXPECT_EQ(Zip->SkippedCount(), 0);
    ASSERT_EQ(Boxes.P.Boxes.size(), 1u);
    EXPECT_EQ(Boxes.P.Boxes[0].Text,
              "No password was entered so the file will not be extracted...\nDo you wish to "
              "continue extracting other files?");
    EXPECT_EQ(Boxes.P.Boxes[0].Style, MB_YESNO_ | MB_ICONQUESTION_);
    // A cancelled Add never reports files and puts the archive back as it was.
    EXPECT_EQ(testsupport::ReadFileBytes(Archive()), Before);
    EXPECT_TRUE(Zip->Cancelled());
    EXPECT_TRUE(std::filesystem::is_empty(Tmp.Path())); // backup removed
}

TEST_F(ZipFake, PasswordRequestWritesTheAnswerWithinTheTextField) {
    struct Row {
        const char* Name;
        int32_t Number;
        std::optional<std::string> Answer;
        int32_t BoxAnswer;
        std::string Prompt;
        std::string Text;
        int32_t Flag, NumberAfter, Returned;
    };
    const std::string Long(600, 'p');
    const Row Rows[] = {
        {"new password", 3, "secret", idOK, "A new password is required for \"f.txt\"", "secret", 1, 2, 0},
        {"retry", 1, "secret", idOK, "Password is invalid, please retry ...", "secret", 1, 0, 0},
        {"retry at zero", 0, "secret", idOK, "Password is invalid, please retry ...", "secret", 1, 0, 0},
        {"long answer is cut", 3, Long, idOK, "A new password is required for \"f.txt\"", Long.substr(0, 511),
         1, 2, 0},
        {"no answer, go on", 3, std::nullopt, idYes, "A new password is required for \"f.txt\"", "f.txt", 0,
         0, 0},
    };
    for (const Row& R : Rows) {
        SCOPED_TRACE(R.Name);
        Boxes.P.Queries.clear();
        Boxes.P.Answers = {R.Answer};
        Boxes.P.BoxAnswers = {R.BoxAnswer};
        Zip->SetFileSpecs({Dir.File("one.txt")});
        ASSERT_EQ(RunSteps({{8, 7, R.Number, "f.txt"}}), 2);
        ASSERT_EQ(Boxes.P.Queries.size(), 1u);
        EXPECT_EQ(Boxes.P.Queries[0].Caption, "adoxport");
        EXPECT_EQ(Boxes.P.Queries[0].Prompt, R.Prompt);
        EXPECT_EQ(Outcome(0).Text, R.Text);
        EXPECT_TRUE(Outcome(0).TextTerminated);
        EXPECT_TRUE(Outcome(0).GuardIntact);
        EXPECT_EQ(Outcome(0).AnswerFlag, R.Flag);
        EXPECT_EQ(Outcome(0).Number, R.NumberAfter);
        EXPECT_EQ(Outcome(0).Returned, R.Returned);
    }
}

TEST_F(ZipFake, TextIsReadWithinItsFieldWhenUnterminated) {
    const std::string Full(600, 'n');
    Boxes.P.BoxAnswers = {idNo};
    ASSERT_EQ(RunSteps({{1, 0, 5, Full}, {4, 0, 0, Full}, {9, 0, 0, Full}}), 2);
    EXPECT_EQ(Zip->CurrentFile(), std::string(512, 'n'));
    ASSERT_EQ(Boxes.P.Boxes.size(), 1u);
    EXPECT_EQ(Boxes.P.Boxes[0].Text, "\"" + std::string(512, 'n') +
                                         "\" may be corrupted (CRC error).\nExtract this file anyway? ...");
}

TEST_F(ZipFake, CrcQuestionSetsAnswerOrCancels) {
    struct Row {
        const char* Name;
        int32_t Answer;
        int32_t Flag, Returned;
    };
    const Row Rows[] = {{"yes", idYes, 1, 0}, {"no", idNo, 0, 0}, {"cancel", idCancel, 7, -1}};
    for (const Row& R : Rows) {
        SCOPED_TRACE(R.Name);
        Boxes.P.Boxes.clear();
        Boxes.P.BoxAnswers = {R.Answer};
        Zip->SetFileSpecs({Dir.File("one.txt")});
        RunSteps({{9, 7, 0, "e.txt"}});
        ASSERT_EQ(Boxes.P.Boxes.size(), 1u);
        EXPECT_EQ(Boxes.P.Boxes[0].Caption, "adoxport");
        EXPECT_EQ(Boxes.P.Boxes[0].Text,
                  "\"e.txt\" may be corrupted (CRC error).\nExtract this file anyway? ...");
        EXPECT_EQ(Boxes.P.Boxes[0].Style, MB_YESNOCANCEL_ | MB_ICONQUESTION_ | MB_DEFBUTTON2_);
        EXPECT_EQ(Outcome(0).AnswerFlag, R.Flag);
        EXPECT_EQ(Outcome(0).Returned, R.Returned);
    }
}

TEST_F(ZipFake, OverwriteQuestionFollowsExtrOptions) {
    const std::string Older = "\"o.txt\" is older than the zipped file.\nOverwrite this file? ...";
    const std::string Newer = "\"o.txt\" is the same age or newer than the zipped file.\nDo you really want "
                              "to overwrite this file? ...";
    struct Row {
        const char* Name;
        uint8_t Options;
        int32_t AnswerFlag;
        int32_t BoxAnswer; // idNone: no box expected
        std::string Text;
        uint32_t Style;
        int32_t Number, Returned;
    };
    const Row Rows[] = {
        {"no option: overwrite", 0, 0, idNone, "", 0, 1, 0},
        {"overwrite older, older", TZip::eoOverwriteOlder, 1, idNone, "", 0, 1, 0},
        {"replace older, newer", TZip::eoReplaceOlder, 0, idNone, "", 0, 0, 0},
        {"overwrite older wins over asking", TZip::eoOverwriteOlder | TZip::eoAskBeforeOverwrite, 3, idNone,
         "", 0, 1, 0},
        {"ask, older, yes", TZip::eoAskBeforeOverwrite, 1, idYes, Older,
         MB_YESNOCANCEL_ | MB_ICONINFORMATION_, 1, 0},
        {"ask, newer, no", TZip::eoAskBeforeOverwrite, 0, idNo, Newer,
         MB_YESNOCANCEL_ | MB_ICONSTOP_ | MB_DEFBUTTON2_, 0, 0},
        {"ask, newer, cancel", TZip::eoAskBeforeOverwrite, 0, idCancel, Newer,
         MB_YESNOCANCEL_ | MB_ICONSTOP_ | MB_DEFBUTTON2_, 0, -1},
    };
    for (const Row& R : Rows) {
        SCOPED_TRACE(R.Name);
        Boxes.P.Boxes.clear();
        Boxes.P.BoxAnswers = {R.BoxAnswer};
        Zip->ExtrOptions = R.Options;
        Zip->SetFileSpecs({Dir.File("one.txt")});
        RunSteps({{10, R.AnswerFlag, 5, "o.txt"}});
        if (R.BoxAnswer == idNone) {
            EXPECT_TRUE(Boxes.P.Boxes.empty());
        } else {
            ASSERT_EQ(Boxes.P.Boxes.size(), 1u);
            EXPECT_EQ(Boxes.P.Boxes[0].Text, R.Text);
            EXPECT_EQ(Boxes.P.Boxes[0].Style, R.Style);
        }
        EXPECT_EQ(Outcome(0).Number, R.Number);
        EXPECT_EQ(Outcome(0).Returned, R.Returned);
    }
}

TEST_F(ZipFake, UnknownKindsChangeNothing) {
    ASSERT_EQ(
        RunSteps({{5, 0, 3}, {6, 0, 300}, {0, 1, 9, "x"}, {7, 1, 9, "x"}, {12, 1, 9, "x"}, {-1, 1, 9, "x"}}),
        2);
    for (size_t I = 2; I < 6; ++I) {
        EXPECT_EQ(Outcome(I).Returned, 0);
        EXPECT_EQ(Outcome(I).AnswerFlag, 1);
        EXPECT_EQ(Outcome(I).Number, 9);
    }
    EXPECT_EQ(Zip->BatchCount(), 3);
    EXPECT_EQ(Zip->TotalBytesInBatch(), 300);
    EXPECT_TRUE(Boxes.P.Boxes.empty());
}

TEST_F(ZipFake, HandlerErrorStopsThePluginAndIsRaisedAfterIt) {
    Zip->ShowProgressDialog = true;
    Zip->OnZEDBeginFileEvent = [](TZip*, const std::string&, int32_t, int32_t, int32_t) {
        throw std::runtime_error("handler failed");
    };
    Script().Steps = {{1, 0, 1, "a"}, {2, 0, 1}};
    Script().Result = 2;
    Script().AppendToArchive = "partial bytes";
    const std::string Before = testsupport::ReadFileBytes(Archive());
    EXPECT_THROW_MSG(Zip->Add(), std::runtime_error, "handler failed");
    EXPECT_EQ(Outcome(0).Returned, -1);
    EXPECT_EQ(Outcome(1).Returned, -1);
    EXPECT_EQ(Zip->ProgressForm(), nullptr);
    // What the library wrote before it stopped is undone.
    EXPECT_EQ(testsupport::ReadFileBytes(Archive()), Before);
}

TEST_F(ZipFake, PreChecksRefuseWithoutLoadingTheLibrary) {
    std::string MultiDisk = MakeArchive({});
    Put16(MultiDisk, EndRecordOffset(MultiDisk) + 4, 1);
    Put16(MultiDisk, EndRecordOffset(MultiDisk) + 6, 1);
    testsupport::WriteFileBytes(Dir.File("multi.zip"), MultiDisk);

    struct Row {
        const char* Name;
        std::string Archive;
        std::vector<std::string> FileEntries;
        std::string Message;
    };
    const Row Rows[] = {
        {"no archive",
         "",
         {"x"},
         "A Zip file must be openned or created before\nAdding, Deleting or Extracting files."},
        {"no files", Archive(), {}, "No files have been selected."},
        {"multi-disk",
         Dir.File("multi.zip"),
         {"x"},
         "Cannot Add, Delete or Extract from a multiple disk Zip file...\nMerge this Zip file onto the hard "
         "disk "
         "before retrying."},
    };
    for (const Row& R : Rows) {
        SCOPED_TRACE(R.Name);
        TZip::UnloadZipDll();
        Boxes.P.Boxes.clear();
        Zip->DllDirectory = Dir.File("nowhere");
        Zip->RootDir = "root";
        Zip->SetZipFileName(R.Archive);
        Zip->SetFileSpecs(R.FileEntries);
        EXPECT_EQ(Zip->Add(), 0);
        ASSERT_EQ(Boxes.P.Boxes.size(), 1u);
        EXPECT_EQ(Boxes.P.Boxes[0].Caption, "adoxport");
        EXPECT_EQ(Boxes.P.Boxes[0].Text, R.Message);
        EXPECT_EQ(Boxes.P.Boxes[0].Style, MB_OK_ | MB_ICONINFORMATION_);
        EXPECT_EQ(Zip->FileSpecs(), R.FileEntries);
        EXPECT_TRUE(Zip->RootDir.empty());
    }
}

TEST_F(ZipFake, LibraryThatCannotBeUsedRaises) {
    struct Row {
        const char* Name;
        std::string Dir;
        const char* Version;
        std::string Message;
    };
    const Row Rows[] = {
        {"missing", Dir.File("nowhere"), nullptr,
         "Unable to load \"" + Dir.File("nowhere") + "/ZipDll.so\"."},
        {"no ZipDllExec", NoEntryDir, nullptr, "Unable to load \"" + NoEntryDir + "/ZipDll.so\"."},
        {"too old", FakeDir, "159", "Error - invalid version of " + FakeDir + "/ZipDll.so"},
    };
    for (const Row& R : Rows) {
        SCOPED_TRACE(R.Name);
        TZip::UnloadZipDll();
        if (R.Version) setenv("ADOX_FAKE_ZIPDLL_VERSION", R.Version, 1);
        Zip->DllDirectory = R.Dir;
        Zip->RootDir = "root";
        Zip->SetFileSpecs({"x"});
        EXPECT_THROW_MSG(Zip->Add(), ZipException, R.Message);
        unsetenv("ADOX_FAKE_ZIPDLL_VERSION");
        EXPECT_EQ(Zip->FileSpecs(), std::vector<std::string>{"x"});
        EXPECT_TRUE(Zip->RootDir.empty());
        EXPECT_EQ(Capture().Calls, 0);
    }
    // The version check accepts 160 once the library is loaded afresh.
    TZip::UnloadZipDll();
    Zip->DllDirectory = FakeDir;
    EXPECT_EQ(RunSteps({}), 2);
}

TEST_F(ZipFake, LibraryStaysLoadedUntilAComponentIsDestroyed) {
    ASSERT_EQ(RunSteps({}), 2);
    Zip->DllDirectory = Dir.File("nowhere");
    Zip->SetFileSpecs({"x"});
    EXPECT_EQ(RunSteps({}), 2); // loaded once per process, not per Add
    Zip.reset();
    TZip Other;
    Other.SetZipFileName(Archive());
    Other.DllDirectory = Dir.File("nowhere");
    Other.SetFileSpecs({"x"});
    EXPECT_THROW_MSG(Other.Add(), ZipException, "Unable to load \"" + Dir.File("nowhere") + "/ZipDll.so\".");
}

// An archive with no entries but a comment: Add copies it before the batch,
// where a bare empty archive is kept in memory.
void WriteCommentedArchive(const std::string& Path) {
    std::string Bytes("PK\x05\x06", 4);
    Bytes += std::string(16, '\0');
    Bytes += std::string("\x07\0", 2);
    Bytes += "comment";
    testsupport::WriteFileBytes(Path, Bytes);
}

// The copy taken before Add goes beside the archive when the temporary
// folder cannot take it; when neither can, Add stops before the library and
// the message says which variable names the temporary folder.
TEST_F(ZipFake, BackupGoesBesideTheArchiveWhenTheTemporaryFolderCannotTakeIt) {
    testsupport::WriteFileBytes(Tmp.Path() + "/plain", "a file, not a folder");
    struct Row {
        const char* Name;
        std::string TempDir;
    };
    const Row Rows[] = {
        {"missing folder", Dir.File("missing") + "/"},
        {"a file", Tmp.Path() + "/plain/"},
    };
    for (const Row& R : Rows) {
        SCOPED_TRACE(R.Name);
        WriteCommentedArchive(Archive());
        Zip->SetZipFileName(Archive());
        Zip->TempDir = R.TempDir;
        Zip->SetFileSpecs({Dir.File("one.txt")});
        std::vector<std::string> Beside;
        Zip->OnZEDBeginFileEvent = [&](TZip*, const std::string&, int32_t, int32_t, int32_t) {
            for (const auto& E : std::filesystem::directory_iterator(Dir.Path()))
                if (E.path().filename().string().rfind("zzz", 0) == 0) Beside.push_back(E.path().string());
        };
        EXPECT_EQ(RunSteps({{1, 0, 1, "one.txt"}}), 2);
        EXPECT_EQ(Beside.size(), 1u);
        for (const auto& E : std::filesystem::directory_iterator(Dir.Path()))
            EXPECT_NE(E.path().filename().string().rfind("zzz", 0), 0u) << "backup left " << E.path();
    }
    // Neither the temporary folder nor the archive's own folder.
    WriteCommentedArchive(Archive());
    Zip->SetZipFileName(Archive());
    Zip->TempDir = Dir.File("missing") + "/";
    Zip->OnZEDBeginFileEvent = nullptr;
    Zip->SetFileSpecs({Dir.File("one.txt")});
    const int CallsBefore = Capture().Calls;
    std::filesystem::remove_all(Dir.Path());
    EXPECT_THROW_MSG(RunSteps({}), ZipException,
                     "Unable to create \n\"" + Dir.File("missing") +
                         "/zzz\"\nThe temporary folder (TMPDIR) cannot take a new file.");
    EXPECT_EQ(Capture().Calls, CallsBefore);
}

// A restore after a stopped batch that cannot put the archive back keeps the
// copy taken before the batch and names it; the archive is never left half
// copied.
TEST_F(ZipFake, RestoreThatFailsKeepsTheBackupAndNamesIt) {
    struct Row {
        const char* Name;
        std::function<void()> Obstacle; // what happens to the archive during the batch
    };
    const Row Rows[] = {
        {"archive folder gone", [this] { std::filesystem::remove_all(Dir.Path()); }},
        {"a folder in the archive's place",
         [this] {
             std::filesystem::remove(Archive());
             std::filesystem::create_directories(Archive() + "/inside");
         }},
    };
    for (const Row& R : Rows) {
        SCOPED_TRACE(R.Name);
        std::filesystem::create_directories(Dir.Path());
        std::filesystem::remove_all(Archive());
        Zip->SetZipFileName(Archive());
        const std::string Before = testsupport::ReadFileBytes(Archive());
        Zip->SetFileSpecs({Dir.File("one.txt")});
        Zip->OnZEDBeginFileEvent = [&R](TZip* S, const std::string&, int32_t, int32_t, int32_t) {
            R.Obstacle();
            S->Cancel();
        };
        std::string Message;
        try {
            RunSteps({{1, 0, 1, "one.txt"}});
        } catch (const ZipException& E) {
            Message = E.what();
        }
        std::vector<std::string> Kept;
        for (const auto& E : std::filesystem::directory_iterator(Tmp.Path()))
            Kept.push_back(E.path().string());
        ASSERT_EQ(Kept.size(), 1u) << Message;
        EXPECT_EQ(Message, "Unable to restore \n\"" + Archive() +
                               "\"\nIts previous contents are kept in \n\"" + Kept[0] + "\"");
        EXPECT_EQ(testsupport::ReadFileBytes(Kept[0]), Before);
        std::filesystem::remove(Kept[0]);
        // Nothing half copied is left beside the archive.
        if (std::filesystem::exists(Dir.Path())) {
            for (const auto& E : std::filesystem::directory_iterator(Dir.Path()))
                EXPECT_EQ(E.path().string(), Archive());
        }
    }
}

// Folder names are bytes: one that is not UTF-8 (a Latin-1 letter) holds the
// archive, the copy taken before Add and the restore after a Cancel.
TEST_F(ZipFake, FolderNameThatIsNotUtf8) {
    const std::string Folder = Dir.File("caff\xE8");
    std::filesystem::create_directories(Folder);
    const std::string Path = Folder + "/a.zip";
    Zip->TempDir = Folder + "/";
    WriteCommentedArchive(Path);
    Zip->SetZipFileName(Path);
    ASSERT_TRUE(platform::FileExists(Path));
    const std::string Before = testsupport::ReadFileBytes(Path);
    Zip->SetFileSpecs({Dir.File("one.txt")});
    std::size_t Backups = 0;
    Zip->OnZEDBeginFileEvent = [&](TZip* S, const std::string&, int32_t, int32_t, int32_t) {
        for (const auto& E : std::filesystem::directory_iterator(Folder))
            if (E.path().filename().string().rfind("zzz", 0) == 0) ++Backups;
        S->Cancel();
    };
    EXPECT_EQ(RunSteps({{1, 0, 1, "one.txt"}}), 0);
    EXPECT_EQ(Backups, 1u);
    EXPECT_EQ(testsupport::ReadFileBytes(Path), Before);
    std::vector<std::string> Names;
    for (const auto& E : std::filesystem::directory_iterator(Folder)) Names.push_back(E.path().filename());
    EXPECT_EQ(Names, std::vector<std::string>{"a.zip"});
}

// A new archive is only its empty end record: Add takes no copy of it, needs
// no temporary folder, and a Cancel puts the empty archive back.
TEST_F(ZipFake, NewArchiveNeedsNoTemporaryFolder) {
    Zip->TempDir = Dir.File("missing") + "/";
    const std::string Before = testsupport::ReadFileBytes(Archive());
    Zip->SetFileSpecs({Dir.File("one.txt")});
    Zip->OnZEDBeginFileEvent = [this](TZip* S, const std::string&, int32_t, int32_t, int32_t) {
        testsupport::WriteFileBytes(Archive(), "changed by the batch");
        S->Cancel();
    };
    EXPECT_EQ(RunSteps({{1, 0, 1, "one.txt"}}), 0);
    EXPECT_EQ(testsupport::ReadFileBytes(Archive()), Before);
    std::vector<std::string> Names;
    for (const auto& E : std::filesystem::directory_iterator(Dir.Path()))
        Names.push_back(E.path().filename());
    EXPECT_EQ(Names, std::vector<std::string>{"a.zip"});
}
