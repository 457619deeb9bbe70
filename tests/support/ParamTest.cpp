#include "platform/Platform.h"
#include "support/VxExceptions.h"
#include "support/VxGlobals.h"
#include "support/VxParam.h"
#include "tests/common/ExpectThrow.h"
#include "tests/common/TestSupport.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace {

// MainDir from the sandbox's machine registry file (ADOXPORT_HKLM).
class MainDir : public ::testing::Test {
protected:
    void SetUp() override { std::filesystem::remove(platform::HklmFilePath()); }
    void TearDown() override { std::filesystem::remove(platform::HklmFilePath()); }
    static void WriteMainDir(const std::string& Data) {
        testsupport::WriteFileBytes(
            platform::HklmFilePath(),
            "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\VexonMorvale]\r\n\"MainDir\"=" + Data + "\r\n");
    }
};

} // namespace

TEST_F(MainDir, FolderAndDerivedFolders) {
    struct Row {
        const char* name;
        std::string data;
        std::string mainDir;
    };
    const Row rows[] = {
        {"no trailing separator", "\"/opt/suite\"", "/opt/suite/"},
        {"trailing separator kept", "\"/opt/suite/\"", "/opt/suite/"},
        {"empty value", "\"\"", "/"},
        {"expandable taken as stored", "hex(2):25,48,25,2f,73,00", "%H%/s/"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        WriteMainDir(r.data);
        TVxParam P;
        EXPECT_EQ(P.MainDir(), r.mainDir);
        EXPECT_EQ(P.EtcDir(), r.mainDir + "ETC/");
        EXPECT_EQ(P.LibDir(), r.mainDir + "LIB/");
    }
}

TEST_F(MainDir, EveryFileFormat) {
    auto Utf16Le = [](std::u16string_view Text) {
        std::string R = "\xFF\xFE";
        for (char16_t C : Text) R += {static_cast<char>(C & 0xFF), static_cast<char>(C >> 8)};
        return R;
    };
    struct Row {
        const char* name;
        std::string file;
    };
    const Row rows[] = {
        {"regedit4 in CP1252",
         "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\VexonMorvale]\r\n\"MainDir\"=\"/srv/citt\xE0\"\r\n"},
        {"version 5 in UTF-8",
         "Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\VexonMorvale]\n"
         "\"MainDir\"=\"/srv/citt\xC3\xA0\"\n"},
        {"version 5 in UTF-16LE with BOM",
         Utf16Le(
             u"Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\VexonMorvale]\r\n"
             u"\"MainDir\"=\"/srv/citt\u00E0\"\r\n")},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        testsupport::WriteFileBytes(platform::HklmFilePath(), r.file);
        EXPECT_EQ(TVxParam().MainDir(), "/srv/citt\xC3\xA0/");
    }
}

TEST_F(MainDir, MissingFileKeyOrValueGivesTheRoot) {
    {
        TVxParam P;
        EXPECT_EQ(P.MainDir(), "/") << "missing file";
        EXPECT_EQ(P.EtcDir(), "/ETC/");
    }
    testsupport::WriteFileBytes(platform::HklmFilePath(),
                                "REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Other]\r\n");
    EXPECT_EQ(TVxParam().MainDir(), "/") << "missing key";
    WriteMainDir("\"x\"\r\n\"MainDir\"=-");
    EXPECT_EQ(TVxParam().MainDir(), "/") << "missing value";
}

TEST_F(MainDir, ReadOncePerRun) {
    WriteMainDir("\"/opt/first\"");
    TVxParam P;
    EXPECT_EQ(P.MainDir(), "/opt/first/");
    WriteMainDir("\"/opt/second\"");
    EXPECT_EQ(P.MainDir(), "/opt/first/");
    std::filesystem::remove(platform::HklmFilePath());
    EXPECT_EQ(P.EtcDir(), "/opt/first/ETC/");
}

TEST_F(MainDir, NonStringTypeIsAnErrorAndLeavesItUnread) {
    WriteMainDir("dword:00000001");
    TVxParam P;
    EXPECT_THROW_MSG(P.MainDir(), EVxError, "Invalid data type for 'MainDir'");
    WriteMainDir("\"/opt/fixed\"");
    EXPECT_EQ(P.MainDir(), "/opt/fixed/") << "the next call reads the registry again";
}

TEST_F(MainDir, MalformedFileIsAnErrorNamingFileAndLine) {
    testsupport::WriteFileBytes(
        platform::HklmFilePath(),
        "REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\VexonMorvale]\r\n\"MainDir\"=\"/opt\r\n");
    TVxParam P;
    EXPECT_THROW_MSG(P.MainDir(), EVxError,
                     "Malformed registry file '" + platform::HklmFilePath() +
                         "', line 3: unterminated string");
}

TEST_F(MainDir, StartupCreatesAFreshGlobalInstance) {
    WriteMainDir("\"/opt/one\"");
    VxFrameworkStartup(false);
    EXPECT_EQ(VxParam().MainDir(), "/opt/one/");
    WriteMainDir("\"/opt/two\"");
    EXPECT_EQ(VxParam().MainDir(), "/opt/one/");
    VxFrameworkStartup(false);
    EXPECT_EQ(VxParam().MainDir(), "/opt/two/");
}
