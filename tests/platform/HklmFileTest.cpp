#include "platform/posix/HklmFile.h"
#include "platform/Platform.h"
#include "tests/common/ExpectThrow.h"
#include "tests/common/TestSupport.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace platform;

namespace {

const char* const kKey = "SOFTWARE\\VexonMorvale\\";

// The machine registry file of the sandbox (ADOXPORT_HKLM), rewritten per case.
class HklmFile : public ::testing::Test {
protected:
    void SetUp() override { std::filesystem::remove(HklmFilePath()); }
    void TearDown() override { std::filesystem::remove(HklmFilePath()); }
    static void Write(std::string_view Bytes) { testsupport::WriteFileBytes(HklmFilePath(), Bytes); }
};

std::string Utf16Le(std::u16string_view Text) {
    std::string R = "\xFF\xFE";
    for (char16_t C : Text) {
        R.push_back(static_cast<char>(C & 0xFF));
        R.push_back(static_cast<char>(C >> 8));
    }
    return R;
}

const std::string kV4 = "REGEDIT4\r\n\r\n";
const std::string kV5 = "Windows Registry Editor Version 5.00\r\n\r\n";
const std::string kSection = "[HKEY_LOCAL_MACHINE\\SOFTWARE\\VexonMorvale]\r\n";

} // namespace

TEST_F(HklmFile, PointsIntoTheSandbox) {
    EXPECT_EQ(HklmFilePath().rfind(testsupport::SandboxDir(), 0), 0u);
}

TEST_F(HklmFile, MissingFileReadsAsNoValue) {
    EXPECT_EQ(ReadHklmString(kKey, "MainDir"), std::nullopt);
}

TEST_F(HklmFile, StringValues) {
    struct Row {
        const char* name;
        std::string file;
        std::optional<std::string> expected; // UTF-8
    };
    const Row rows[] = {
        {"regedit4", kV4 + kSection + "\"MainDir\"=\"C:\\\\SUITE\"\r\n", "C:\\SUITE"},
        {"version 5 in UTF-8", kV5 + kSection + "\"MainDir\"=\"/opt/citt\xC3\xA0\"\n", "/opt/citt\xC3\xA0"},
        {"version 5 with UTF-8 BOM", "\xEF\xBB\xBF" + kV5 + kSection + "\"MainDir\"=\"/x\"\n", "/x"},
        {"regedit4 is CP1252", kV4 + kSection + "\"MainDir\"=\"/opt/citt\xE0\"\r\n", "/opt/citt\xC3\xA0"},
        {"LF line ends", "REGEDIT4\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\VexonMorvale]\n\"MainDir\"=\"/a\"\n",
         "/a"},
        {"key and value names ignore case",
         kV4 + "[hkey_local_machine\\software\\VEXONMORVALE]\r\n\"maindir\"=\"/b\"\r\n", "/b"},
        {"key written with trailing backslash",
         kV4 + "[HKEY_LOCAL_MACHINE\\SOFTWARE\\VexonMorvale\\]\r\n\"MainDir\"=\"/c\"\r\n", "/c"},
        {"escaped quote and backslash", kV4 + kSection + "\"MainDir\"=\"a\\\"b\\\\c\"\r\n", "a\"b\\c"},
        {"blanks around =", kV4 + kSection + "\"MainDir\" = \"/d\"\r\n", "/d"},
        {"comments and other values",
         kV4 + "; setup\r\n" + kSection + "\"Other\"=dword:00000001\r\n" +
             "\"Bin\"=hex:01,02\r\n\"MainDir\"=\"/e\"\r\n",
         "/e"},
        {"empty string", kV4 + kSection + "\"MainDir\"=\"\"\r\n", ""},
        {"last definition wins",
         kV4 + kSection + "\"MainDir\"=\"/1\"\r\n" + kSection + "\"MainDir\"=\"/2\"\r\n", "/2"},
        {"missing key", kV4 + "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Other]\r\n\"MainDir\"=\"/f\"\r\n",
         std::nullopt},
        {"subkey is another key",
         kV4 + "[HKEY_LOCAL_MACHINE\\SOFTWARE\\VexonMorvale\\Sub]\r\n\"MainDir\"=\"/g\"\r\n", std::nullopt},
        {"other hive", kV4 + "[HKEY_CURRENT_USER\\SOFTWARE\\VexonMorvale]\r\n\"MainDir\"=\"/h\"\r\n",
         std::nullopt},
        {"missing value", kV4 + kSection + "\"Version\"=\"1\"\r\n", std::nullopt},
        {"deleted value", kV4 + kSection + "\"MainDir\"=\"/i\"\r\n\"MainDir\"=-\r\n", std::nullopt},
        {"deleted key section is not the key",
         kV4 + "[-HKEY_LOCAL_MACHINE\\SOFTWARE\\VexonMorvale]\r\n\"MainDir\"=\"/j\"\r\n", std::nullopt},
        {"header only", kV4, std::nullopt},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        Write(r.file);
        std::optional<std::string> Got;
        ASSERT_NO_THROW(Got = ReadHklmString(kKey, "MainDir"));
        EXPECT_EQ(Got, r.expected);
    }
}

// The start-up error names the part that is missing.
TEST_F(HklmFile, NothingFoundSaysWhatIsMissing) {
    struct Row {
        const char* name;
        std::optional<std::string> file; // none: no file at all
        HklmMissing expected;
    };
    const Row rows[] = {
        {"no file", std::nullopt, HklmMissing::Source},
        {"header only", kV4, HklmMissing::Key},
        {"other key", kV4 + "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Other]\r\n\"MainDir\"=\"/f\"\r\n",
         HklmMissing::Key},
        {"deleted key section",
         kV4 + "[-HKEY_LOCAL_MACHINE\\SOFTWARE\\VexonMorvale]\r\n\"MainDir\"=\"/j\"\r\n", HklmMissing::Key},
        {"key without the value", kV4 + kSection + "\"Version\"=\"1\"\r\n", HklmMissing::Value},
        {"empty key", kV4 + kSection, HklmMissing::Value},
        {"deleted value", kV4 + kSection + "\"MainDir\"=\"/i\"\r\n\"MainDir\"=-\r\n", HklmMissing::Value},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        std::filesystem::remove(HklmFilePath());
        if (r.file) Write(*r.file);
        HklmMissing Missing = r.expected == HklmMissing::Source ? HklmMissing::Value : HklmMissing::Source;
        EXPECT_EQ(ReadHklmString(kKey, "MainDir", &Missing), std::nullopt);
        EXPECT_EQ(Missing, r.expected);
    }
}

TEST_F(HklmFile, Utf16LittleEndianWithBom) {
    Write(Utf16Le(
        u"Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\VexonMorvale]\r\n"
        u"\"MainDir\"=\"/srv/scuola \u00E8\"\r\n"));
    EXPECT_EQ(ReadHklmString(kKey, "MainDir"), "/srv/scuola \xC3\xA8");
}

TEST_F(HklmFile, ExpandableStringsAreTakenAsStored) {
    struct Row {
        const char* name;
        std::string file;
        std::string expected;
    };
    const Row rows[] = {
        // "%ROOT%\x" in UTF-16LE with its NUL, spread over a continuation line.
        {"version 5",
         kV5 + kSection +
             "\"MainDir\"=hex(2):25,00,52,00,4f,00,4f,00,54,00,25,00,\\\r\n  5c,00,78,00,00,00\r\n",
         "%ROOT%\\x"},
        {"regedit4 bytes are CP1252", kV4 + kSection + "\"MainDir\"=hex(2):25,41,25,e0,00\r\n",
         "%A%\xC3\xA0"},
        {"text ends at the first NUL", kV4 + kSection + "\"MainDir\"=hex(2):61,00,62,00\r\n", "a"},
        {"without terminating NUL", kV4 + kSection + "\"MainDir\"=hex(2):61,62\r\n", "ab"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        Write(r.file);
        EXPECT_EQ(ReadHklmString(kKey, "MainDir"), r.expected);
    }
}

TEST_F(HklmFile, OtherTypesAreInvalidDataType) {
    const std::string values[] = {"dword:00000001", "hex:41,42,00", "hex(7):41,00,00,00",
                                  "hex(b):01,00,00,00,00,00,00,00"};
    for (const auto& v : values) {
        SCOPED_TRACE(v);
        Write(kV4 + kSection + "\"MainDir\"=" + v + "\r\n");
        EXPECT_THROW_MSG(ReadHklmString(kKey, "MainDir"), PlatformError, "Invalid data type for 'MainDir'");
    }
}

TEST_F(HklmFile, MalformedFileNamesFileAndLine) {
    struct Row {
        const char* name;
        std::string file;
        int line;
        std::string what;
    };
    const Row rows[] = {
        {"empty file", "", 1, "unknown header"},
        {"unknown header", "REGEDIT5\r\n" + kSection, 1, "unknown header"},
        {"UTF-16 without BOM", std::string("W\0i\0n\0", 6), 1, "unknown header"},
        {"unterminated value string", kV4 + kSection + "\"MainDir\"=\"/opt\r\n", 4, "unterminated string"},
        {"unterminated name", kV4 + kSection + "\"MainDir=\"/opt\"\r\n", 4, "broken line"},
        {"unterminated name alone", kV4 + kSection + "\"MainDir\r\n", 4, "unterminated string"},
        {"text after the string", kV4 + kSection + "\"MainDir\"=\"/opt\"x\r\n", 4, "broken line"},
        {"no equals sign", kV4 + kSection + "\"MainDir\" \"/opt\"\r\n", 4, "broken line"},
        {"garbage line", kV4 + kSection + "MainDir=/opt\r\n", 4, "broken line"},
        {"unclosed key", kV4 + "[HKEY_LOCAL_MACHINE\\SOFTWARE\r\n", 3, "broken line"},
        {"value before any key", kV4 + "\"MainDir\"=\"/opt\"\r\n", 3, "value outside a key"},
        {"bad hex byte", kV4 + kSection + "\"X\"=hex:4g\r\n", 4, "broken line"},
        {"short dword", kV4 + kSection + "\"X\"=dword:1\r\n", 4, "broken line"},
        {"continuation at end of file", kV4 + kSection + "\"X\"=hex:41,\\\r\n", 4, "unterminated value"},
        {"unknown type", kV4 + kSection + "\"X\"=qword:1\r\n", 4, "broken line"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        Write(r.file);
        const std::string Before = testsupport::ReadFileBytes(HklmFilePath());
        EXPECT_THROW_MSG(ReadHklmString(kKey, "MainDir"), PlatformError,
                         "Malformed registry file '" + HklmFilePath() + "', line " + std::to_string(r.line) +
                             ": " + r.what);
        EXPECT_EQ(testsupport::ReadFileBytes(HklmFilePath()), Before) << "the registry file is never written";
    }
}

// A folder or a FIFO (which would wait for a writer for ever) is refused at once.
TEST_F(HklmFile, UnreadableFileIsAnError) {
    std::filesystem::create_directories(HklmFilePath());
    EXPECT_THROW_MSG(ReadHklmString(kKey, "MainDir"), PlatformError,
                     "Cannot read registry file '" + HklmFilePath() + "'");
    std::filesystem::remove(HklmFilePath());
    ASSERT_EQ(mkfifo(HklmFilePath().c_str(), 0600), 0);
    EXPECT_THROW_MSG(ReadHklmString(kKey, "MainDir"), PlatformError,
                     "Cannot read registry file '" + HklmFilePath() + "'");
}

// The example shipped with the package is read as it stands, comments and all.
TEST_F(HklmFile, ShippedExampleGivesItsMainDirAndNoAddresses) {
    Write(testsupport::ReadFileBytes(ADOX_EXAMPLE_REGISTRY));
    EXPECT_EQ(ReadHklmString(kKey, "MainDir"), std::optional<std::string>("/srv/scuola/suite/"));
    EXPECT_EQ(ReadHklmString(kKey, "IndirizzoAIE"), std::nullopt);
    EXPECT_EQ(ReadHklmString(kKey, "IndirizzoANARPE"), std::nullopt);
}

// The registry file in use: ADOXPORT_HKLM alone when set, else the system's
// file, else the user's own; the system's file is the one named as missing.
TEST(HklmSource, EnvironmentThenSystemFileThenUserFile) {
    const std::string Dir = testsupport::SandboxDir() + "/source";
    std::filesystem::create_directories(Dir);
    const std::string System = Dir + "/system.reg", User = Dir + "/user.reg", Env = Dir + "/env.reg";
    struct Row {
        const char* name;
        const char* env; // nullptr: unset
        bool system, user;
        HklmSourceKind kind;
        std::string file;
    };
    const Row rows[] = {
        {"nothing there", nullptr, false, false, HklmSourceKind::NotFound, System},
        {"user file only", nullptr, false, true, HklmSourceKind::UserFile, User},
        {"system file wins over the user's", nullptr, true, true, HklmSourceKind::SystemFile, System},
        {"variable wins over both", Env.c_str(), true, true, HklmSourceKind::Environment, Env},
        {"variable naming a missing file", Env.c_str(), false, true, HklmSourceKind::Environment, Env},
        {"empty variable counts as unset", "", false, true, HklmSourceKind::UserFile, User},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        std::filesystem::remove(System);
        std::filesystem::remove(User);
        if (r.system) testsupport::WriteFileBytes(System, "REGEDIT4\r\n");
        if (r.user) testsupport::WriteFileBytes(User, "REGEDIT4\r\n");
        const HklmSource Source = detail::ChooseHklmSource(r.env, System, User);
        EXPECT_EQ(Source.Kind, r.kind);
        EXPECT_EQ(Source.File, r.file);
    }
}

TEST(HklmSource, UserFileFollowsTheXdgConfigFolder) {
    const char* Saved = std::getenv("XDG_CONFIG_HOME");
    const std::string Keep = Saved ? Saved : "";
    struct Row {
        const char* name;
        const char* config; // nullptr: unset
        std::string expected;
    };
    const Row rows[] = {
        {"unset", nullptr, HomeDir() + ".config/adoxport/hklm.reg"},
        {"absolute", "/srv/conf", "/srv/conf/adoxport/hklm.reg"},
        {"relative is ignored", "conf", HomeDir() + ".config/adoxport/hklm.reg"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        if (r.config)
            setenv("XDG_CONFIG_HOME", r.config, 1);
        else
            unsetenv("XDG_CONFIG_HOME");
        EXPECT_EQ(UserHklmFilePath(), r.expected);
    }
    if (Saved)
        setenv("XDG_CONFIG_HOME", Keep.c_str(), 1);
    else
        unsetenv("XDG_CONFIG_HOME");
}
