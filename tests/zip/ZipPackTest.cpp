// The component with the real ZipDll plugin: round trip, cancel, progress
// window, full disk.

#include "support/VxMsgDlg.h"
#include "tests/zip/ZipTestSupport.h"
#include "zip/ProgressForm.h"
#include "zip/Zip.h"

#include <QAccessible>
#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <zip.h>

using namespace ziptest;

namespace {

struct ReadBack {
    std::string Name, Data;
    time_t MTime;
};

// The archive's entries as libzip reads them.
std::vector<ReadBack> ReadWithLibzip(const std::string& Path) {
    std::vector<ReadBack> Out;
    int Err = 0;
    zip_t* A = zip_open(Path.c_str(), ZIP_RDONLY | ZIP_CHECKCONS, &Err);
    if (!A) return Out;
    for (zip_int64_t I = 0; I < zip_get_num_entries(A, 0); ++I) {
        zip_stat_t St;
        zip_stat_index(A, static_cast<zip_uint64_t>(I), 0, &St);
        std::string Data(St.size, '\0');
        zip_file_t* F = zip_fopen_index(A, static_cast<zip_uint64_t>(I), 0);
        const zip_int64_t N = F ? zip_fread(F, Data.data(), Data.size()) : -1;
        if (F) zip_fclose(F);
        if (N != static_cast<zip_int64_t>(Data.size())) Data = "<unreadable>";
        Out.push_back({St.name, Data, St.mtime});
    }
    zip_discard(A);
    return Out;
}

std::vector<std::string> FolderNames(const std::string& Dir) {
    std::vector<std::string> Out;
    for (const auto& E : std::filesystem::directory_iterator(Dir))
        Out.push_back(E.path().filename().string());
    std::sort(Out.begin(), Out.end());
    return Out;
}

class ZipPack : public ::testing::Test {
protected:
    void SetUp() override {
        Zip.DllDirectory = ADOX_ZIPDLL_DIR;
        Zip.ShowProgressDialog = false;
        Zip.TempDir = Tmp.Path() + "/";
    }
    void TearDown() override { TZip::UnloadZipDll(); }

    // Large incompressible files, so that packing takes many callbacks.
    std::vector<std::string> LargeFiles(int Count, size_t Size) {
        std::vector<std::string> Out;
        for (int I = 0; I < Count; ++I) {
            Out.push_back(Src.File("big" + std::to_string(I) + ".bin"));
            testsupport::WriteFileBytes(Out.back(), RandomBytes(Size, static_cast<uint32_t>(I + 1)));
        }
        return Out;
    }

    // An archive that already holds one file.
    void ArchiveWithOneFile(const std::string& Path) {
        testsupport::WriteFileBytes(Src.File("first.txt"), "first file\r\n");
        Zip.SetZipFileName(Path);
        Zip.SetFileSpecs({Src.File("first.txt")});
        ASSERT_EQ(Zip.Add(), 1);
    }

    PresenterScope Boxes;
    TempFolder Dir, Src, Tmp;
    TZip Zip;
};

} // namespace

TEST_F(ZipPack, RoundTripStoresBareNamesBytesAndTimes) {
    std::filesystem::create_directories(Src.File("deep/er"));
    struct File {
        std::string Path, Bytes;
    };
    std::string Lines;
    for (int I = 0; I < 3000; ++I) Lines += "0123456789 record " + std::to_string(I) + "\r\n";
    const std::vector<File> Files = {{Src.File("File014.txt"), Lines},
                                     {Src.File("deep/er/File622.txt"), "\xE8 single line\r\n"},
                                     {Src.File("File815.txt"), ""},
                                     {Src.File("File815E.txt"), RandomBytes(70000, 9)}};
    std::vector<std::string> FileEntries;
    for (const File& F : Files) {
        testsupport::WriteFileBytes(F.Path, F.Bytes);
        FileEntries.push_back(F.Path);
    }
    std::vector<int32_t> Sizes;
    int32_t Done = 0;
    Zip.OnZEDBeginFileEvent = [&](TZip*, const std::string&, int32_t Size, int32_t, int32_t) {
        Sizes.push_back(Size);
    };
    Zip.OnZEDProgressEvent = [&](TZip*, const std::string&, int32_t D, int32_t) { Done += D; };
    int Changed = 0;
    Zip.OnContentsChanged = [&](TZip*) { ++Changed; };

    Zip.SetZipFileName(Dir.File("Anarpe.zip"));
    Zip.SetFileSpecs(FileEntries);
    ASSERT_EQ(Zip.Add(), 4);

    const std::vector<std::string> Bare = {"File014.txt", "File622.txt", "File815.txt", "File815E.txt"};
    std::vector<std::string> Listed;
    for (const TFileInfo& F : Zip.ZipContents()) Listed.push_back(F.FileName);
    EXPECT_EQ(Listed, Bare);
    EXPECT_EQ(Changed, 2);
    EXPECT_EQ(Sizes, (std::vector<int32_t>{static_cast<int32_t>(Lines.size()), 15, 0, 70000}));
    EXPECT_EQ(Done, static_cast<int32_t>(Lines.size() + 15 + 70000));
    EXPECT_EQ(Zip.TotalBytesInBatch(), Done);

    const std::vector<ReadBack> Back = ReadWithLibzip(Dir.File("Anarpe.zip"));
    ASSERT_EQ(Back.size(), 4u);
    for (size_t I = 0; I < 4; ++I) {
        SCOPED_TRACE(Bare[I]);
        EXPECT_EQ(Back[I].Name, Bare[I]);
        EXPECT_TRUE(Back[I].Data == Files[I].Bytes);
        struct stat St {};
        ::stat(Files[I].Path.c_str(), &St);
        EXPECT_LE(std::abs(static_cast<long>(Back[I].MTime - St.st_mtime)), 2);
    }
    if (HaveProgram("python3")) {
        EXPECT_EQ(RunShell("python3 -m zipfile -t '" + Dir.File("Anarpe.zip") + "' >/dev/null"), 0);
    }
    if (HaveProgram("unzip")) {
        EXPECT_EQ(RunShell("unzip -tqq '" + Dir.File("Anarpe.zip") + "'"), 0);
    }
    EXPECT_EQ(FolderNames(Dir.Path()), std::vector<std::string>{"Anarpe.zip"});
    EXPECT_TRUE(std::filesystem::is_empty(Tmp.Path()));
}

// Members against the plugin's deflate blocks (256 KiB, read ahead and taken
// by the cores in turn), read back by libzip across the blocks: empty, cut at
// a block's end, one byte after it, and many blocks, with text that repeats
// across the cuts; an empty member between others.
TEST_F(ZipPack, MembersOfManyBlocksRoundTrip) {
    const size_t MiB = size_t{1} << 20;
    std::string Text;
    for (int I = 0; Text.size() < 9 * MiB + 17; ++I)
        Text += "R815FCPS28031L1A   LI" + std::to_string(I % 977) + "  88-08-12345-" + std::to_string(I) +
                "*\r\n";
    struct Member {
        const char* name;
        size_t size;
    } Members[] = {{"block.txt", MiB},
                   {"empty.txt", 0},
                   {"block-and-one.txt", MiB + 1},
                   {"one-block.txt", 256 * 1024},
                   {"rounds.txt", 9 * MiB + 17}};
    const size_t Count = std::size(Members);
    std::vector<std::string> Paths;
    for (const Member& M : Members) {
        Paths.push_back(Src.File(M.name));
        testsupport::WriteFileBytes(Paths.back(), Text.substr(0, M.size));
    }
    int64_t Done = 0;
    Zip.OnZEDProgressEvent = [&](TZip*, const std::string&, int32_t D, int32_t) { Done += D; };
    Zip.SetZipFileName(Dir.File("Anarpe.zip"));
    Zip.SetFileSpecs(Paths);
    ASSERT_EQ(Zip.Add(), static_cast<int32_t>(Count));
    EXPECT_EQ(Done, static_cast<int64_t>(MiB + MiB + 1 + 256 * 1024 + 9 * MiB + 17));
    const std::vector<ReadBack> Back = ReadWithLibzip(Dir.File("Anarpe.zip"));
    ASSERT_EQ(Back.size(), Count);
    for (size_t I = 0; I < Count; ++I) {
        SCOPED_TRACE(Members[I].name);
        EXPECT_EQ(Back[I].Name, Members[I].name);
        EXPECT_EQ(Back[I].Data.size(), Members[I].size);
        EXPECT_TRUE(Back[I].Data == Text.substr(0, Members[I].size));
    }
    if (HaveProgram("python3")) {
        EXPECT_EQ(RunShell("python3 -m zipfile -t '" + Dir.File("Anarpe.zip") + "' >/dev/null"), 0);
    }
    if (HaveProgram("unzip")) {
        EXPECT_EQ(RunShell("unzip -tqq '" + Dir.File("Anarpe.zip") + "'"), 0);
    }
}

// A batch that cannot take every listed file packs nothing: a missing file,
// or a second file under a bare name already listed (it would replace the first).
TEST_F(ZipPack, FileThatCannotGoInLeavesTheArchiveAndIsNotCounted) {
    std::filesystem::create_directories(Src.File("other"));
    testsupport::WriteFileBytes(Src.File("a.txt"), "a");
    testsupport::WriteFileBytes(Src.File("other/a.txt"), "another a");
    struct Row {
        const char* Name;
        std::vector<std::string> Files;
    } Rows[] = {
        {"missing file", {Src.File("a.txt"), Src.File("missing.txt")}},
        {"same bare name", {Src.File("a.txt"), Src.File("other/a.txt")}},
        {"same file twice", {Src.File("a.txt"), Src.File("a.txt")}},
    };
    for (const Row& R : Rows) {
        SCOPED_TRACE(R.Name);
        Zip.SetZipFileName(Dir.File("a.zip"));
        const std::string Before = testsupport::ReadFileBytes(Dir.File("a.zip"));
        int32_t Skipped = -1;
        Zip.OnZEDEndBatchEvent = [&](TZip*, int32_t S, int32_t, int32_t) { Skipped = S; };
        Zip.SetFileSpecs(R.Files);
        EXPECT_EQ(Zip.Add(), 0);
        EXPECT_EQ(Skipped, 1);
        EXPECT_EQ(testsupport::ReadFileBytes(Dir.File("a.zip")), Before);
    }
}

TEST_F(ZipPack, CancelLeavesTheArchiveByteIdentical) {
    ArchiveWithOneFile(Dir.File("a.zip"));
    const std::string Before = testsupport::ReadFileBytes(Dir.File("a.zip"));
    int Progress = 0;
    Zip.OnZEDProgressEvent = [&](TZip* S, const std::string&, int32_t, int32_t) {
        if (++Progress == 3) S->Cancel();
    };
    Zip.SetFileSpecs(LargeFiles(3, 2'000'000));
    EXPECT_EQ(Zip.Add(), 0);
    EXPECT_EQ(Progress, 3);
    EXPECT_EQ(testsupport::ReadFileBytes(Dir.File("a.zip")), Before);
    EXPECT_EQ(FolderNames(Dir.Path()), std::vector<std::string>{"a.zip"});
    EXPECT_TRUE(std::filesystem::is_empty(Tmp.Path()));
    ASSERT_EQ(Zip.ZipContents().size(), 1u);
}

TEST_F(ZipPack, ProgressWindowAppearsAndItsCancelStopsPacking) {
    ArchiveWithOneFile(Dir.File("a.zip"));
    const std::string Before = testsupport::ReadFileBytes(Dir.File("a.zip"));
    Zip.ShowProgressDialog = true;
    bool Clicked = false, SeenVisible = false, OnTop = false;
    QString Label;
    int AfterClick = 0;
    Zip.OnZEDProgressEvent = [&](TZip* S, const std::string&, int32_t, int32_t) {
        if (Clicked) {
            ++AfterClick;
            return;
        }
        TProgressForm* F = nullptr;
        for (QWidget* W : QApplication::topLevelWidgets()) {
            if (W->objectName() == "ProgressForm" && W->isVisible()) F = qobject_cast<TProgressForm*>(W);
        }
        if (!F || F != S->ProgressForm()) return;
        SeenVisible = true;
        OnTop = F->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
        Label = F->FileName();
        // The click arrives through the event loop the callback runs.
        QTimer::singleShot(0, F, [F, &Clicked] {
            Clicked = true;
            QTest::mouseClick(F->CancelButton(), Qt::LeftButton);
        });
    };
    Zip.SetFileSpecs(LargeFiles(3, 2'000'000));
    EXPECT_EQ(Zip.Add(), 0);
    EXPECT_TRUE(SeenVisible);
    EXPECT_TRUE(OnTop);
    EXPECT_EQ(Label, QString::fromStdString(Src.File("big0.bin")));
    EXPECT_TRUE(Clicked);
    EXPECT_EQ(AfterClick, 0);
    EXPECT_TRUE(Zip.Cancelled());
    EXPECT_EQ(Zip.ProgressForm(), nullptr);
    EXPECT_EQ(testsupport::ReadFileBytes(Dir.File("a.zip")), Before);
    EXPECT_EQ(FolderNames(Dir.Path()), std::vector<std::string>{"a.zip"});
}

// Esc and the title bar's close button are the window's Cancel too: neither
// leaves the batch running without its window.
TEST_F(ZipPack, ProgressWindowEscAndCloseCancelPacking) {
    struct Case {
        const char* Name;
        std::function<void(TProgressForm&)> Press;
    };
    const Case Cases[] = {
        {"Esc", [](TProgressForm& F) { QTest::keyClick(&F, Qt::Key_Escape); }},
        {"close box", [](TProgressForm& F) { F.close(); }},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Name);
        TZip Packer;
        Packer.DllDirectory = ADOX_ZIPDLL_DIR;
        Packer.TempDir = Tmp.Path() + "/";
        ArchiveWithOneFile(Dir.File("b.zip"));
        const std::string Before = testsupport::ReadFileBytes(Dir.File("b.zip"));
        Packer.SetZipFileName(Dir.File("b.zip"));
        Packer.ShowProgressDialog = true;
        bool Pressed = false, HiddenAfter = false;
        int AfterPress = 0;
        QString Button;
        Packer.OnZEDProgressEvent = [&](TZip* S, const std::string&, int32_t, int32_t) {
            if (Pressed) {
                ++AfterPress;
                return;
            }
            TProgressForm* F = S->ProgressForm();
            if (!F || !F->isVisible()) return;
            Button = F->CancelButton()->text();
            Pressed = true;
            C.Press(*F);
            HiddenAfter = !F->isVisible();
        };
        Packer.SetFileSpecs(LargeFiles(3, 2'000'000));
        EXPECT_EQ(Packer.Add(), 0);
        EXPECT_TRUE(Pressed);
        EXPECT_TRUE(HiddenAfter);
        EXPECT_EQ(AfterPress, 0);
        EXPECT_TRUE(Packer.Cancelled());
        EXPECT_EQ(Button, "Ann&ulla");
        EXPECT_EQ(testsupport::ReadFileBytes(Dir.File("b.zip")), Before);
    }
}

// A long path is cut in the middle, so the file's own name stays in view.
TEST_F(ZipPack, ProgressLabelKeepsTheFileNameOfALongPath) {
    TProgressForm F(Zip);
    const std::string Long = "/home/segreteria/" + std::string(120, 'x') + "/Adoz003.txt";
    F.SetFileName(Long);
    const QString Shown = F.Label()->text();
    EXPECT_EQ(F.FileName(), QString::fromStdString(Long));
    EXPECT_TRUE(Shown.startsWith("/home/")) << Shown.toStdString();
    EXPECT_TRUE(Shown.endsWith("/Adoz003.txt")) << Shown.toStdString();
    EXPECT_LE(F.Label()->fontMetrics().horizontalAdvance(Shown), F.Label()->width());
    EXPECT_EQ(F.Label()->toolTip(), QString::fromStdString(Long));
    // A short one is shown whole.
    F.SetFileName("Adoz001.txt");
    EXPECT_EQ(F.Label()->text(), "Adoz001.txt");
}

TEST_F(ZipPack, FullDiskKeepsTheOldArchive) {
    const std::string Mount = Dir.File("small");
    std::filesystem::create_directories(Mount);
    if (RunShell("mount -t tmpfs -o size=256k tmpfs '" + Mount + "' 2>/dev/null") != 0) {
        GTEST_SKIP() << "mounting a small tmpfs is not allowed here (needs root): full-disk case not run";
    }
    struct Unmount {
        std::string M;
        ~Unmount() { RunShell("umount '" + M + "'"); }
    } Guard{Mount};
    ArchiveWithOneFile(Mount + "/a.zip");
    const std::string Before = testsupport::ReadFileBytes(Mount + "/a.zip");
    Zip.SetFileSpecs(LargeFiles(2, 400'000));
    EXPECT_EQ(Zip.Add(), 0);
    EXPECT_EQ(testsupport::ReadFileBytes(Mount + "/a.zip"), Before);
    EXPECT_EQ(FolderNames(Mount), std::vector<std::string>{"a.zip"});
    EXPECT_EQ(ReadWithLibzip(Mount + "/a.zip").size(), 1u);
}

// A relative file name is found in RootDir, and the process stays in its folder.
TEST_F(ZipPack, RelativeFileNameIsTakenFromRootDir) {
    testsupport::WriteFileBytes(Src.File("rel.txt"), "relative");
    const auto Cwd = std::filesystem::current_path();
    Zip.SetZipFileName(Dir.File("a.zip"));
    Zip.RootDir = Src.Path();
    Zip.SetFileSpecs({"rel.txt"});
    EXPECT_EQ(Zip.Add(), 1);
    EXPECT_EQ(std::filesystem::current_path(), Cwd);
    const std::vector<ReadBack> Back = ReadWithLibzip(Dir.File("a.zip"));
    ASSERT_EQ(Back.size(), 1u);
    EXPECT_EQ(Back[0].Name, "rel.txt");
    EXPECT_EQ(Back[0].Data, "relative");
}

// A screen reader finds a dialog titled as the program's menu entry, a bar
// that says its percentage and the file being packed, and the wizard's key
// for Annulla.
TEST_F(ZipPack, ProgressWindowIsAnAccessibleDialog) {
    struct Case {
        const char* Name;
        std::string Title;
        QString Shown;
    };
    const Case Cases[] = {
        {"menu name", "Esportazione adozioni", "Esportazione adozioni"},
        {"none given", "", QString::fromStdString(ApplicationTitle())},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Name);
        Zip.ProgressTitle = C.Title;
        TProgressForm F(Zip);
        EXPECT_EQ(F.windowTitle(), C.Shown);
        QAccessibleInterface* Window = QAccessible::queryAccessibleInterface(&F);
        ASSERT_NE(Window, nullptr);
        EXPECT_EQ(Window->role(), QAccessible::Dialog);
        F.SetMaximum(200);
        F.SetPosition(50);
        F.SetFileName("/dati/Adoz003.txt");
        EXPECT_TRUE(F.Bar()->isTextVisible());
        EXPECT_EQ(F.Bar()->text(), "25%");
        QAccessibleInterface* Bar = QAccessible::queryAccessibleInterface(F.Bar());
        EXPECT_EQ(Bar->role(), QAccessible::ProgressBar);
        EXPECT_FALSE(Bar->text(QAccessible::Name).isEmpty());
        EXPECT_TRUE(Bar->text(QAccessible::Description).contains("/dati/Adoz003.txt"));
        ASSERT_NE(Bar->valueInterface(), nullptr);
        EXPECT_EQ(Bar->valueInterface()->currentValue().toInt(), 50);
        EXPECT_EQ(F.CancelButton()->text(), "Ann&ulla");
    }
}
