// A user without an administrator sets up the installation folder from the
// start dialog, in a registry file of their own, and the export then carries
// the parameter file's date.

#include "app/StartDialog.h"
#include "app/UserRegistry.h"
#include "platform/Platform.h"
#include "support/VxExceptions.h"
#include "support/VxParam.h"
#include "tests/common/ExpectThrow.h"
#include "tests/common/RecordingPresenter.h"
#include "tests/common/TestSupport.h"
#include "tests/export/wizard/WizardTestData.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <gtest/gtest.h>

namespace {

namespace fs = std::filesystem;

const std::string kV5 = "Windows Registry Editor Version 5.00\r\n\r\n";
const std::string kV4 = "REGEDIT4\r\n\r\n";
const std::string kKey = "[HKEY_LOCAL_MACHINE\\SOFTWARE\\VexonMorvale]\r\n";

TEST(UserRegistryText, SetsMainDirAndKeepsTheRest) {
    struct Row {
        const char* Name;
        std::string Base;
        std::string MainDir;
        std::string Expected;
    };
    const Row Rows[] = {
        {"example's value replaced, comments kept",
         kV5 + "; commento\r\n" + kKey + "\"MainDir\"=\"/srv/x/\"\r\n;\"IndirizzoAIE\"=\"a@b\"\r\n",
         "/opt/s/",
         kV5 + "; commento\r\n" + kKey + "\"MainDir\"=\"/opt/s/\"\r\n;\"IndirizzoAIE\"=\"a@b\"\r\n"},
        {"other values of the user's file kept, name case ignored",
         kV5 + kKey + "\"IndirizzoAIE\"=\"a@b\"\r\n\"maindir\"=\"/old/\"\r\n", "/opt/s/",
         kV5 + kKey + "\"IndirizzoAIE\"=\"a@b\"\r\n\"MainDir\"=\"/opt/s/\"\r\n"},
        {"value added at the end of the key",
         kV5 + kKey + "\"IndirizzoAIE\"=\"a@b\"\r\n[HKEY_CURRENT_USER\\X]\r\n", "/opt/s/",
         kV5 + kKey + "\"IndirizzoAIE\"=\"a@b\"\r\n\"MainDir\"=\"/opt/s/\"\r\n[HKEY_CURRENT_USER\\X]\r\n"},
        {"key added when missing", "Windows Registry Editor Version 5.00\n", "/opt/s/",
         "Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\VexonMorvale]\n"
         "\"MainDir\"=\"/opt/s/\"\n"},
        {"same value name under another key untouched",
         kV5 + "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Altro]\r\n\"MainDir\"=\"/a/\"\r\n", "/opt/s/",
         kV5 + "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Altro]\r\n\"MainDir\"=\"/a/\"\r\n\r\n" + kKey +
             "\"MainDir\"=\"/opt/s/\"\r\n"},
        {"quote and backslash escaped, UTF-8 kept", kV5 + kKey, "/opt/a\"b\\c citt\xC3\xA0/",
         kV5 + kKey + "\"MainDir\"=\"/opt/a\\\"b\\\\c citt\xC3\xA0/\"\r\n"},
        {"UTF-8 BOM kept", "\xEF\xBB\xBF" + kV5 + kKey + "\"MainDir\"=\"/a/\"\r\n", "/b/",
         "\xEF\xBB\xBF" + kV5 + kKey + "\"MainDir\"=\"/b/\"\r\n"},
        {"REGEDIT4 gets CP1252", kV4 + kKey + "\"MainDir\"=\"/a/\"\r\n", "/citt\xC3\xA0/",
         kV4 + kKey + "\"MainDir\"=\"/citt\xE0/\"\r\n"},
    };
    for (const Row& R : Rows) {
        SCOPED_TRACE(R.Name);
        EXPECT_EQ(UserRegistryText(R.Base, R.MainDir), R.Expected);
    }
}

TEST(UserRegistryText, RefusesWhatItCannotWriteFaithfully) {
    EXPECT_THROW_MSG(
        UserRegistryText(kV4 + kKey, "/\xE2\x82\xAC\xE4\xB8\xAD/"), EVxError,
        "Il nome della cartella /\x80?/ non si pu\xF2 scrivere nel file REGEDIT4 (Windows-1252): "
        "riscrivere il file come \"Windows Registry Editor Version 5.00\" in UTF-8");
    EXPECT_THROW_MSG(
        UserRegistryText(std::string("\xFF\xFE", 2) + "W\0i\0", "/a/"), EVxError,
        "Il file del registro non \xE8 un file di testo \"Windows Registry Editor Version 5.00\" "
        "(UTF-8) o REGEDIT4: va corretto a mano");
}

// Sets a file's last-write time to 10:00 local time of the given day.
void SetLocalDate(const std::string& Path, int Year, int Month, int Day) {
    std::tm Tm{};
    Tm.tm_year = Year - 1900;
    Tm.tm_mon = Month - 1;
    Tm.tm_mday = Day;
    Tm.tm_hour = 10;
    Tm.tm_isdst = -1;
    fs::last_write_time(
        Path, std::chrono::file_clock::from_sys(std::chrono::system_clock::from_time_t(std::mktime(&Tm))));
}

// A machine where nobody set up a registry file: no ADOXPORT_HKLM, and the
// user's configuration folder in a folder of the test's own. The installation
// folder holds both parameter files dated 1 September 2021.
class NoRegistryFile : public ::testing::Test {
protected:
    void SetUp() override {
        if (platform::FileExists(platform::SystemHklmFilePath()))
            GTEST_SKIP() << "this machine has " << platform::SystemHklmFilePath();
        FSavedHklm = std::getenv("ADOXPORT_HKLM");
        unsetenv("ADOXPORT_HKLM");
        setenv("XDG_CONFIG_HOME", (Root() + "/config").c_str(), 1);
        fs::create_directories(Install() + "ETC/datrex");
        for (const char* Target : {"aie", "anarpe"}) {
            const std::string Param = Install() + "ETC/datrex/" + Target + ".ufp";
            testsupport::WriteFileBytes(Param, "");
            SetLocalDate(Param, 2021, 9, 1);
        }
    }
    void TearDown() override {
        if (!FSavedHklm.empty()) setenv("ADOXPORT_HKLM", FSavedHklm.c_str(), 1);
        unsetenv("XDG_CONFIG_HOME");
    }
    std::string Root() const { return FDir.path().toStdString(); }
    std::string Install() const { return Root() + "/suite scuola/"; }
    std::string UserFile() const { return Root() + "/config/adoxport/hklm.reg"; }

    QTemporaryDir FDir;
    std::string FSavedHklm;
};

TEST_F(NoRegistryFile, StartDialogSetsUpTheInstallationFolderForThisUser) {
    const std::string Data = wizardtest::CopyDemoData(Root());
    QSettings Settings(QString::fromStdString(Root() + "/avvio.conf"), QSettings::IniFormat);
    StartDialog Dialog(Settings);
    Dialog.show();
    Dialog.edCartella->setText(QString::fromStdString(Data));
    Dialog.cbDestinatario->setCurrentIndex(Dialog.cbDestinatario->findData("anarpe"));
    // The advice says the user can do it here, and where an administrator is needed.
    const QString Before = Dialog.lbAvviso->text();
    EXPECT_TRUE(Before.contains("File del registro non trovato")) << Before.toStdString();
    EXPECT_TRUE(Before.contains(QString::fromStdString(UserFile()))) << Before.toStdString();
    EXPECT_TRUE(Before.contains("serve un amministratore")) << Before.toStdString();
    EXPECT_TRUE(Before.contains(QString::fromStdString(ExampleRegistryFile()))) << Before.toStdString();
    ASSERT_TRUE(Dialog.buImposta->isVisible());

    RecordingPresenter Boxes;
    struct Step {
        const char* Name;
        std::string Chosen; // what the folder chooser answers
        bool Written;
        std::size_t Boxes;
    };
    const Step Steps[] = {
        {"cancelled", "", false, 0},
        {"a folder without the parameter files", Root(), false, 1},
        {"the installation folder", Install(), true, 1},
    };
    for (const Step& S : Steps) {
        SCOPED_TRACE(S.Name);
        Dialog.ChooseInstallFolder = [&S] { return QString::fromStdString(S.Chosen); };
        QTest::mouseClick(Dialog.buImposta, Qt::LeftButton);
        EXPECT_EQ(fs::exists(UserFile()), S.Written);
        EXPECT_EQ(Boxes.Boxes.size(), S.Boxes);
    }
    ASSERT_EQ(Boxes.Boxes.size(), 1u);
    EXPECT_NE(Boxes.Boxes[0].Text.find("non ci sono ETC/datrex/aie.ufp"), std::string::npos);

    // The user's file starts from the commented example and names the folder.
    const std::string Written = testsupport::ReadFileBytes(UserFile());
    EXPECT_NE(Written.find("\"MainDir\"=\"" + Install() + "\""), std::string::npos) << Written;
    EXPECT_NE(Written.find("IndirizzoANARPE"), std::string::npos) << Written;
    EXPECT_EQ(platform::CurrentHklmSource().Kind, platform::HklmSourceKind::UserFile);
    EXPECT_TRUE(Dialog.lbAvviso->text().isEmpty()) << Dialog.lbAvviso->text().toStdString();
    EXPECT_TRUE(Dialog.buImposta->isVisible()) << "the user may change the own file later";
    EXPECT_TRUE(Dialog.buAvvia->isEnabled());

    // A parameter file copied without its date is told, without blocking.
    SetLocalDate(Install() + "ETC/datrex/anarpe.ufp", 2030, 1, 1);
    Dialog.cbDestinatario->setCurrentIndex(Dialog.cbDestinatario->findData("aie"));
    Dialog.cbDestinatario->setCurrentIndex(Dialog.cbDestinatario->findData("anarpe"));
    EXPECT_TRUE(Dialog.lbAvviso->text().contains("(01/01/2030) \u00E8 successiva a quella dei pacchetti"))
        << Dialog.lbAvviso->text().toStdString();
    EXPECT_TRUE(Dialog.buAvvia->isEnabled());
}

// The program, started by the user with no ADOXPORT_HKLM and no system file,
// reads the user's file: the ANARPE header carries the parameter file's date.
TEST_F(NoRegistryFile, ExportAfterTheSetUpCarriesTheParameterFileDate) {
    WriteUserRegistry(Install());
    const std::string Data = wizardtest::CopyDemoData(Root());
    QProcessEnvironment Env = QProcessEnvironment::systemEnvironment();
    Env.insert("HOME", QString::fromStdString(Root()));
    QProcess Program;
    Program.setProcessEnvironment(Env);
    Program.start(ADOX_PROGRAM, {QString::fromStdString(Data), "anarpe", "1", "--unattended"});
    ASSERT_TRUE(Program.waitForFinished(60000));
    EXPECT_EQ(Program.exitCode(), 0) << Program.readAllStandardError().toStdString();
    const std::vector<std::string> Header = wizardtest::FileLines(Data + "Adoz001.txt");
    ASSERT_FALSE(Header.empty());
    EXPECT_NE(Header[0].find("01092021"), std::string::npos) << Header[0];
}

} // namespace
