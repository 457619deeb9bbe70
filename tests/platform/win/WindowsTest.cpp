// What only Windows has: the system's registry read through the real API, the
// program's own folder and drive, the folder lock's file, the system's own
// code-page tables and plugins loaded under the build's module name.

#define NOMINMAX
#include <windows.h>
#undef CopyFile
#undef DeleteFile
#undef LoadLibrary

#include "platform/Platform.h"
#include "support/VxParam.h"
#include "tests/common/ExpectThrow.h"
#include "tests/common/TestSupport.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace platform;

namespace {

// A key of its own under HKEY_LOCAL_MACHINE, removed afterwards; the
// program's key is never touched.
class Registry : public ::testing::Test {
protected:
    const std::wstring Key = L"SOFTWARE\\AdoxportTest\\Sc\u00F2la";
    const std::string KeyCp1252 = "SOFTWARE\\AdoxportTest\\Sc\xF2la"; // keys are the system's text
    HKEY H = nullptr;

    void SetUp() override {
        if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, Key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &H,
                            nullptr) != ERROR_SUCCESS)
            GTEST_SKIP() << "HKEY_LOCAL_MACHINE cannot be written by this user";
    }
    void TearDown() override {
        if (H) RegCloseKey(H);
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\AdoxportTest");
    }
    void Set(const wchar_t* Name, DWORD Type, const void* Data, DWORD Size) {
        ASSERT_EQ(RegSetValueExW(H, Name, 0, Type, static_cast<const BYTE*>(Data), Size), ERROR_SUCCESS);
    }
    void SetText(const wchar_t* Name, DWORD Type, const std::wstring& Text) {
        Set(Name, Type, Text.c_str(), static_cast<DWORD>((Text.size() + 1) * sizeof(wchar_t)));
    }
};

TEST_F(Registry, StringValuesComeAsUtf8) {
    SetText(L"MainDir", REG_SZ, L"C:\\Programmi\\Niccol\u00F2\\");
    SetText(L"Espandibile", REG_EXPAND_SZ, L"%SystemRoot%\\x");
    // A value stored without its closing NUL, and one with text after a NUL.
    const std::wstring Bare = L"senza fine";
    Set(L"Bare", REG_SZ, Bare.data(), static_cast<DWORD>(Bare.size() * sizeof(wchar_t)));
    const wchar_t Cut[] = L"prima\0dopo";
    Set(L"Cut", REG_SZ, Cut, sizeof Cut);
    struct Row {
        const char* Name;
        const char* Value;
        std::string Expected;
    };
    const Row Rows[] = {
        {"string", "MainDir", "C:\\Programmi\\Niccol\xC3\xB2\\"},
        {"value names ignore case", "maindir", "C:\\Programmi\\Niccol\xC3\xB2\\"},
        {"expandable taken as stored", "Espandibile", "%SystemRoot%\\x"},
        {"no closing NUL", "Bare", "senza fine"},
        {"text ends at its first NUL", "Cut", "prima"},
    };
    for (const Row& R : Rows) {
        SCOPED_TRACE(R.Name);
        HklmMissing Missing = HklmMissing::Source;
        EXPECT_EQ(ReadHklmString(KeyCp1252, R.Value, &Missing), R.Expected);
    }
}

TEST_F(Registry, MissingKeyOrValueAndOtherTypes) {
    const DWORD Number = 1;
    Set(L"Numero", REG_DWORD, &Number, sizeof Number);
    HklmMissing Missing = HklmMissing::Source;
    EXPECT_EQ(ReadHklmString(KeyCp1252 + "\\Assente", "MainDir", &Missing), std::nullopt);
    EXPECT_EQ(Missing, HklmMissing::Key);
    EXPECT_EQ(ReadHklmString(KeyCp1252, "Assente", &Missing), std::nullopt);
    EXPECT_EQ(Missing, HklmMissing::Value);
    EXPECT_THROW_MSG(ReadHklmString(KeyCp1252, "Numero"), PlatformError, "Invalid data type for 'Numero'");
}

// No file stands for the registry here, so the texts name the system's one.
TEST(SystemRegistry, MissingMainDirIsToldWithoutAFile) {
    EXPECT_EQ(HklmFilePath(), "");
    HKEY H = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\VexonMorvale", 0, KEY_READ, &H) == ERROR_SUCCESS) {
        RegCloseKey(H);
        GTEST_SKIP() << "the program is installed on this machine";
    }
    EXPECT_EQ(MainDirProblem(),
              "Manca la chiave HKEY_LOCAL_MACHINE\\SOFTWARE\\VexonMorvale nel registro di sistema.");
}

TEST(ProgramFolder, PathsEndWithBackslashAndKeepTheDrive) {
    const std::string Program = ProgramPath();
    ASSERT_GT(Program.size(), 3u);
    EXPECT_EQ(Program.substr(Program.size() - 15), "\\core_tests.exe");
    EXPECT_EQ(ProgramDir() + "core_tests.exe", Program);
    EXPECT_EQ(Program[1], ':');
    EXPECT_EQ(DeliveryBase(), Program.substr(0, 2) + "\\");
    EXPECT_EQ(PathDelimiter(), '\\');
    EXPECT_EQ(TempDir().back(), '\\');
    EXPECT_EQ(HomeDir().back(), '\\');
    EXPECT_EQ(IncludePathDelimiter("C:\\dati"), "C:\\dati\\");
    EXPECT_EQ(IncludePathDelimiter("C:/dati/"), "C:/dati/") << "either slash ends a folder";
    EXPECT_TRUE(DisplayAvailable());
}

// The lock is a hidden file opened without sharing and deleted on close.
TEST(FolderLock, OneHolderAtATimeAndNoFileLeft) {
    const std::string Dir = testsupport::SandboxDir() + "\\consegna \xC3\xA8\\";
    ASSERT_TRUE(ForceDirectories(Dir));
    FolderLockAttempt First = TryLockFolder(Dir);
    ASSERT_TRUE(First.Lock);
    const DWORD Attributes = GetFileAttributesW(FsPath(Dir + ".adoxport.lock").c_str());
    ASSERT_NE(Attributes, INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(Attributes & FILE_ATTRIBUTE_HIDDEN);
    const FolderLockAttempt Second = TryLockFolder(Dir);
    EXPECT_FALSE(Second.Lock);
    EXPECT_TRUE(Second.Busy);
    First.Lock.reset();
    EXPECT_FALSE(FileExists(Dir + ".adoxport.lock"));
    EXPECT_TRUE(TryLockFolder(Dir).Lock);
    const FolderLockAttempt Missing = TryLockFolder(Dir + "assente\\");
    EXPECT_FALSE(Missing.Lock);
    EXPECT_FALSE(Missing.Busy);
}

// The layer's own tables agree with the system's code pages 1252 and 437.
TEST(CodePages, AgreeWithTheSystemsTables) {
    for (int B = 0x20; B < 0x100; ++B) {
        SCOPED_TRACE(B);
        const char Byte = static_cast<char>(B);
        wchar_t W = 0;
        ASSERT_EQ(MultiByteToWideChar(1252, 0, &Byte, 1, &W, 1), 1);
        EXPECT_EQ(static_cast<char16_t>(W), Cp1252ToUnicode(Byte));
        if (B >= 0x80) {
            ASSERT_EQ(MultiByteToWideChar(437, 0, &Byte, 1, &W, 1), 1);
            EXPECT_EQ(static_cast<char16_t>(W), Cp437ToUnicode(Byte));
        }
    }
}

// The fake plugin is built as a module under the plugin's name; the name the
// program looks for must be the file the build made.
TEST(Plugin, LoadedUnderTheBuildsModuleName) {
    const std::string File = std::string(ADOX_FAKE_ZIPDLL_DIR) + "/" + PluginFileName(ADOX_ZIPDLL_NAME);
    EXPECT_EQ(PluginFileName(ADOX_ZIPDLL_NAME), std::string(ADOX_ZIPDLL_NAME) + ".dll");
    std::unique_ptr<Library> Lib = LoadLibrary(File);
    ASSERT_NE(Lib, nullptr) << File;
    EXPECT_NE(Lib->Symbol("ZipDllExec"), nullptr);
    EXPECT_NE(Lib->Symbol("GetZipDllVersion"), nullptr);
    EXPECT_EQ(Lib->Symbol("NoSuchSymbol_adox"), nullptr);
    EXPECT_EQ(LoadLibrary(std::string(ADOX_FAKE_ZIPDLL_DIR) + "/assente/" + PluginFileName("ZipDll")),
              nullptr);
}

} // namespace
