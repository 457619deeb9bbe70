#include "platform/Platform.h"
#include "tests/common/TestSupport.h"
#include "tests/common/UrlRecorder.h"

#include <QDesktopServices>
#include <QDir>
#include <QTemporaryDir>
#include <QUrl>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <utime.h>

using namespace platform;

namespace {

// A scratch folder below the sandbox, with a trailing separator.
class Files : public ::testing::Test {
protected:
    QTemporaryDir FTmp{QString::fromStdString(testsupport::SandboxDir() + "/files-XXXXXX")};
    std::string Dir() const { return FTmp.path().toStdString() + "/"; }
};

time_t LocalTime(int Y, int M, int D, int H, int Mi) {
    std::tm Tm{};
    Tm.tm_year = Y - 1900;
    Tm.tm_mon = M - 1;
    Tm.tm_mday = D;
    Tm.tm_hour = H;
    Tm.tm_min = Mi;
    Tm.tm_isdst = -1;
    return mktime(&Tm);
}

void SetMTime(const std::string& Path, time_t T) {
    utimbuf Times{T, T};
    ASSERT_EQ(utime(Path.c_str(), &Times), 0);
}

} // namespace

TEST_F(Files, LastWriteDateIsLocal) {
    const std::string F = Dir() + "datrex.ufp";
    testsupport::WriteFileBytes(F, "x");
    // Just after local midnight: a UTC-based date would be the day before east of Greenwich.
    SetMTime(F, LocalTime(2021, 9, 1, 0, 30));
    auto D = FileLastWriteDate(F);
    ASSERT_TRUE(D.has_value());
    EXPECT_EQ(D->Year, 2021);
    EXPECT_EQ(D->Month, 9);
    EXPECT_EQ(D->Day, 1);
    EXPECT_FALSE(FileLastWriteDate(Dir() + "missing.ufp").has_value());
}

struct OpenCase {
    const char* name;
    std::string path; // below the scratch folder unless absolute
    OpenStatus status;
};

// Only a regular file opens; a FIFO (no writer) or a device is refused at
// once instead of blocking, through a symbolic link too.
TEST_F(Files, OnlyRegularFilesOpenAndNothingWaits) {
    testsupport::WriteFileBytes(Dir() + "plain.xml", "<DATAPACKET/>");
    ASSERT_EQ(mkfifo((Dir() + "fifo.xml").c_str(), 0600), 0);
    ASSERT_EQ(mkdir((Dir() + "folder.xml").c_str(), 0700), 0);
    ASSERT_EQ(symlink("fifo.xml", (Dir() + "to-fifo.xml").c_str()), 0);
    ASSERT_EQ(symlink("absent.xml", (Dir() + "dangling.xml").c_str()), 0);
    const OpenCase cases[] = {
        {"regular file", "plain.xml", OpenStatus::Opened},
        {"missing", "absent.xml", OpenStatus::Missing},
        {"below a file", "plain.xml/x.xml", OpenStatus::Missing},
        {"dangling link", "dangling.xml", OpenStatus::Missing},
        {"FIFO", "fifo.xml", OpenStatus::NotRegular},
        {"link to a FIFO", "to-fifo.xml", OpenStatus::NotRegular},
        {"folder", "folder.xml", OpenStatus::NotRegular},
        {"character device", "/dev/zero", OpenStatus::NotRegular},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = c.path.front() == '/' ? c.path : Dir() + c.path;
        const RegularFile f = OpenRegularFile(path);
        EXPECT_EQ(f.Status, c.status);
        EXPECT_EQ(f.File != nullptr, c.status == OpenStatus::Opened);
        // The date of a parameter file is read from regular files alone.
        EXPECT_EQ(FileLastWriteDate(path).has_value(), c.status == OpenStatus::Opened);
    }
    const RegularFile f = OpenRegularFile(Dir() + "plain.xml");
    ASSERT_TRUE(f.File);
    EXPECT_EQ(f.Size, 13u);
    char text[32] = {};
    EXPECT_EQ(std::fread(text, 1, sizeof text, f.File.get()), 13u);
    EXPECT_STREQ(text, "<DATAPACKET/>");
}

TEST_F(Files, CopyRefusesToOverwriteAndKeepsTheTime) {
    const std::string Src = Dir() + "File014.txt", Dst = Dir() + "copy.txt";
    testsupport::WriteFileBytes(Src, std::string("A\r\n\xE8\0B", 6));
    SetMTime(Src, LocalTime(2021, 9, 1, 12, 0));
    ASSERT_TRUE(CopyFileNoOverwrite(Src, Dst));
    EXPECT_EQ(testsupport::ReadFileBytes(Dst), testsupport::ReadFileBytes(Src));
    struct stat St {};
    ASSERT_EQ(stat(Dst.c_str(), &St), 0);
    EXPECT_EQ(St.st_mtime, LocalTime(2021, 9, 1, 12, 0));

    testsupport::WriteFileBytes(Src, "changed");
    EXPECT_FALSE(CopyFileNoOverwrite(Src, Dst));
    EXPECT_EQ(testsupport::ReadFileBytes(Dst), std::string("A\r\n\xE8\0B", 6));

    EXPECT_FALSE(CopyFileNoOverwrite(Dir() + "missing", Dir() + "never"));
    EXPECT_FALSE(FileExists(Dir() + "never"));
    EXPECT_FALSE(CopyFileNoOverwrite(Src, Dir() + "no/such/folder/x"));
}

TEST_F(Files, FoldersAndFileOperations) {
    const std::string Deep = Dir() + "rozadiver/datrex/aie";
    EXPECT_FALSE(DirectoryExists(Deep));
    EXPECT_TRUE(ForceDirectories(Deep));
    EXPECT_TRUE(DirectoryExists(Deep));
    EXPECT_TRUE(ForceDirectories(Deep)) << "an existing folder is fine";
    EXPECT_FALSE(FileExists(Deep)) << "a folder is not a file";

    const std::string A = Deep + "/a.txt", B = Deep + "/b.txt";
    testsupport::WriteFileBytes(A, "12345");
    EXPECT_TRUE(FileExists(A));
    EXPECT_EQ(FileSize(A), 5u);
    EXPECT_FALSE(FileSize(Deep).has_value());
    EXPECT_FALSE(ForceDirectories(A + "/sub")) << "a file is in the way";

    testsupport::WriteFileBytes(B, "old");
    EXPECT_TRUE(RenameFile(A, B));
    EXPECT_EQ(testsupport::ReadFileBytes(B), "12345");
    EXPECT_FALSE(FileExists(A));

    EXPECT_TRUE(DeleteFile(B));
    EXPECT_FALSE(DeleteFile(B));
}

TEST_F(Files, ProgramHomeAndDeliveryFolders) {
    EXPECT_EQ(ProgramPath().substr(ProgramPath().rfind('/') + 1), "platform_tests");
    EXPECT_EQ(ProgramDir() + "platform_tests", ProgramPath());
    EXPECT_EQ(HomeDir(), std::string(std::getenv("HOME")) + "/");
    EXPECT_EQ(DeliveryBase(), HomeDir());
    EXPECT_EQ(TempDir().back(), '/');
    EXPECT_EQ(PathDelimiter(), '/');
}

TEST_F(Files, ArchiveDriveCheck) {
    EXPECT_TRUE(ArchiveDriveAccessible(Dir() + "Anarpe.zip"));
    EXPECT_FALSE(ArchiveDriveAccessible(Dir() + "missing/Anarpe.zip"));
    EXPECT_EQ(ZipDiskNumber(Dir() + "Anarpe.zip"), 0);
}

TEST(Library, LoadsByNameAndFindsSymbols) {
    EXPECT_EQ(PluginFileName("ZipDll"), "ZipDll.so");
    EXPECT_EQ(LoadLibrary("/nonexistent/ZipDll.so"), nullptr);
    auto Lib = LoadLibrary("libc.so.6");
    ASSERT_NE(Lib, nullptr);
    EXPECT_NE(Lib->Symbol("strlen"), nullptr);
    EXPECT_EQ(Lib->Symbol("NoSuchSymbol_adox"), nullptr);
}

TEST(Desktop, OpensTheFileAsOneLocalPath) {
    testsupport::UrlRecorder R;
    const std::string Path = testsupport::SandboxDir() + "/dati scuola/Log \xC3\xA8#1.txt";
    EXPECT_TRUE(OpenWithDesktop(Path));
    ASSERT_EQ(R.Urls.size(), 1);
    EXPECT_EQ(R.Urls[0].toLocalFile().toStdString(), Path);
}

// The delivery folder's lock: one holder at a time, free again once released,
// and no lock file left behind.
TEST_F(Files, FolderLockHasOneHolderAtATime) {
    FolderLockAttempt First = TryLockFolder(Dir());
    ASSERT_TRUE(First.Lock);
    EXPECT_FALSE(First.Busy);
    FolderLockAttempt Second = TryLockFolder(Dir());
    EXPECT_FALSE(Second.Lock);
    EXPECT_TRUE(Second.Busy);
    First.Lock.reset();
    EXPECT_TRUE(TryLockFolder(Dir()).Lock);
    const FolderLockAttempt Missing = TryLockFolder(Dir() + "absent/");
    EXPECT_FALSE(Missing.Lock);
    EXPECT_FALSE(Missing.Busy);
    EXPECT_TRUE(QDir(FTmp.path()).isEmpty());
}

// A FIFO, a folder or a device under a file's name is refused at once: a
// FIFO with no writer would otherwise hold the open for ever.
TEST_F(Files, OnlyRegularFilesAreReadOrCopied) {
    ASSERT_EQ(mkfifo((Dir() + "fifo").c_str(), 0600), 0);
    QDir().mkpath(QString::fromStdString(Dir() + "folder"));
    testsupport::WriteFileBytes(Dir() + "plain", "bytes");
    struct Row {
        const char* Name;
        std::string Path;
        bool Regular;
    };
    const Row Rows[] = {
        {"FIFO", Dir() + "fifo", false},
        {"folder", Dir() + "folder", false},
        {"device", "/dev/null", false},
        {"regular file", Dir() + "plain", true},
    };
    for (const Row& R : Rows) {
        SCOPED_TRACE(R.Name);
        std::string Why;
        std::FILE* File = OpenRegularFile(R.Path, Why);
        EXPECT_EQ(File != nullptr, R.Regular) << Why;
        if (File) std::fclose(File);
        EXPECT_EQ(Why.empty(), R.Regular) << Why;
        EXPECT_EQ(CopyFileNoOverwrite(R.Path, Dir() + "copy"), R.Regular);
        EXPECT_EQ(FileExists(Dir() + "copy"), R.Regular);
        std::remove((Dir() + "copy").c_str());
    }
}

// Temporary files keep the bytes of their names, whatever the encoding.
TEST_F(Files, TemporaryAndNewFilesTakeByteNames) {
    const std::string Folder = Dir() + "caff\xE8/";
    ASSERT_TRUE(ForceDirectories(Folder));
    const std::optional<std::string> Temp = CreateTempFile(Folder + "zzz");
    ASSERT_TRUE(Temp.has_value());
    EXPECT_EQ(Temp->substr(0, Folder.size() + 3), Folder + "zzz");
    EXPECT_EQ(Temp->size(), Folder.size() + 9);
    EXPECT_TRUE(FileExists(*Temp));
    EXPECT_FALSE(CreateTempFile(Dir() + "missing/zzz").has_value());

    EXPECT_TRUE(WriteNewFile(Folder + "new", "bytes"));
    EXPECT_EQ(testsupport::ReadFileBytes(Folder + "new"), "bytes");
    EXPECT_FALSE(WriteNewFile(Folder + "new", "again")); // never replaces
    EXPECT_EQ(testsupport::ReadFileBytes(Folder + "new"), "bytes");
}

// TMPDIR is taken only when it names an existing folder by an absolute path.
TEST_F(Files, TemporaryFolderFromTheEnvironment) {
    testsupport::WriteFileBytes(Dir() + "plain", "a file");
    const char* Saved = std::getenv("TMPDIR");
    const std::string Kept = Saved ? Saved : "";
    struct Row {
        const char* Name;
        std::string Value;
        std::string Expected;
    };
    const Row Rows[] = {
        {"folder", Dir() + "sub", Dir() + "sub/"},
        {"missing", Dir() + "missing", "/tmp/"},
        {"a file", Dir() + "plain", "/tmp/"},
        {"relative", "sub", "/tmp/"},
        {"empty", "", "/tmp/"},
    };
    QDir().mkpath(QString::fromStdString(Dir() + "sub"));
    for (const Row& R : Rows) {
        SCOPED_TRACE(R.Name);
        setenv("TMPDIR", R.Value.c_str(), 1);
        EXPECT_EQ(TempDir(), R.Expected);
    }
    if (Saved)
        setenv("TMPDIR", Kept.c_str(), 1);
    else
        unsetenv("TMPDIR");
}
