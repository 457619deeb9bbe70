// The start dialog of a program started without arguments: it remembers the
// last choices, turns them into the three arguments and says what the
// installation lacks.

#include "app/StartDialog.h"
#include "app/InstalledFiles.h"
#include "export/wizard/CurrentEdition.h"
#include "export/wizard/StartupValues.h"
#include "forms/VxFVuota.h"
#include "platform/Platform.h"
#include "tests/common/TestSupport.h"
#include "tests/common/UrlRecorder.h"
#include "tests/export/wizard/WizardTestData.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDesktopServices>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTranslator>
#include <QUrl>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

namespace {

namespace fs = std::filesystem;

// A registry file of its own for each case; the tests' usual one is put back.
class OwnRegistry {
public:
    OwnRegistry() : FSaved(std::getenv("ADOXPORT_HKLM")) {
        FPath = FDir.path().toStdString() + "/hklm.reg";
        setenv("ADOXPORT_HKLM", FPath.c_str(), 1);
    }
    ~OwnRegistry() { setenv("ADOXPORT_HKLM", FSaved.c_str(), 1); }
    const std::string& Path() const { return FPath; }
    std::string Dir() const { return FDir.path().toStdString(); }

private:
    std::string FSaved;
    QTemporaryDir FDir;
    std::string FPath;
};

// A parameter file installed long ago, as the suite leaves it.
void WriteParamFile(const std::string& Path) {
    testsupport::WriteFileBytes(Path, "x");
    fs::last_write_time(Path, fs::file_time_type::clock::now() - std::chrono::hours(24 * 400));
}

// An installation folder below Dir holding the "aie" parameter file only.
std::string InstallationWithAieParamFile(const std::string& Dir) {
    const std::string Install = Dir + "/install";
    fs::create_directories(Install + "/ETC/datrex");
    WriteParamFile(Install + "/ETC/datrex/aie.ufp");
    return Install;
}

const std::string kHead = "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\VexonMorvale]\r\n";

TEST(InstallationHint, NamesWhatTheUserMustSet) {
    struct Case {
        const char* Name;
        bool WriteFile;
        std::string Body; // after the key line; "MAINDIR" becomes the folder
        const char* Target;
        const char* Expected; // a part of the hint; nullptr: no hint
    };
    const Case Cases[] = {
        {.Name = "no registry file",
         .WriteFile = false,
         .Body = "",
         .Target = "aie",
         .Expected = "File del registro non trovato"},
        {.Name = "no MainDir",
         .WriteFile = true,
         .Body = "\"Altro\"=\"x\"\r\n",
         .Target = "aie",
         .Expected = "Manca il valore MainDir"},
        {.Name = "empty MainDir",
         .WriteFile = true,
         .Body = "\"MainDir\"=\"\"\r\n",
         .Target = "aie",
         .Expected = "Manca il valore MainDir"},
        {.Name = "MainDir not a string",
         .WriteFile = true,
         .Body = "\"MainDir\"=dword:00000001\r\n",
         .Target = "aie",
         .Expected = "Invalid data type"},
        {.Name = "no parameter file for the target",
         .WriteFile = true,
         .Body = "\"MainDir\"=\"MAINDIR\"\r\n",
         .Target = "anarpe",
         .Expected = "File dei parametri non trovato"},
        {.Name = "all there",
         .WriteFile = true,
         .Body = "\"MainDir\"=\"MAINDIR\"\r\n",
         .Target = "aie",
         .Expected = nullptr},
        {.Name = "all there, no trailing separator",
         .WriteFile = true,
         .Body = "\"MainDir\"=\"MAINDIR_BARE\"\r\n",
         .Target = "aie",
         .Expected = nullptr},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Name);
        OwnRegistry Registry;
        const std::string Install = InstallationWithAieParamFile(Registry.Dir());
        std::string Body = C.Body;
        if (auto At = Body.find("MAINDIR_BARE"); At != std::string::npos)
            Body.replace(At, 12, Install);
        else if (auto At2 = Body.find("MAINDIR"); At2 != std::string::npos)
            Body.replace(At2, 7, Install + "/");
        if (C.WriteFile) testsupport::WriteFileBytes(Registry.Path(), kHead + Body);
        const QString Hint = InstallationHint(C.Target, Registry.Dir());
        if (C.Expected == nullptr) {
            EXPECT_TRUE(Hint.isEmpty()) << Hint.toStdString();
            continue;
        }
        EXPECT_TRUE(Hint.contains(QString::fromUtf8(C.Expected))) << Hint.toStdString();
        // Every hint names the file the user has to look at.
        if (std::string(C.Expected) != "File dei parametri non trovato")
            EXPECT_TRUE(Hint.contains(QString::fromStdString(Registry.Path()))) << Hint.toStdString();
        else
            EXPECT_TRUE(Hint.contains(QString::fromStdString(Install + "/ETC/datrex/anarpe.ufp")))
                << Hint.toStdString();
    }
}

// Where the values come from the system's registry (Windows) there is no file
// to miss or to name; the values themselves are still checked. Here the
// reading goes to the test's registry file, told as the system's registry.
TEST(InstallationHint, SystemRegistryNamesNoFile) {
    struct Case {
        const char* Name;
        std::string Body;
        const char* Target;
        const char* Expected; // nullptr: no hint
    };
    const Case Cases[] = {
        {"no MainDir", "\"Altro\"=\"x\"\r\n", "aie", "Manca il valore MainDir sotto la chiave"},
        {"MainDir not a string", "\"MainDir\"=dword:00000001\r\n", "aie", "Invalid data type"},
        {"no parameter file", "\"MainDir\"=\"MAINDIR\"\r\n", "anarpe", "File dei parametri non trovato"},
        {"all there", "\"MainDir\"=\"MAINDIR\"\r\n", "aie", nullptr},
    };
    const platform::HklmSource System{platform::HklmSourceKind::SystemRegistry, {}};
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Name);
        OwnRegistry Registry;
        const std::string Install = InstallationWithAieParamFile(Registry.Dir());
        std::string Body = C.Body;
        if (auto At = Body.find("MAINDIR"); At != std::string::npos) Body.replace(At, 7, Install);
        testsupport::WriteFileBytes(Registry.Path(), kHead + Body);
        const std::string Hint = txad::InstallationAdvice(C.Target, System);
        if (C.Expected == nullptr) {
            EXPECT_TRUE(Hint.empty()) << Hint;
            continue;
        }
        EXPECT_NE(Hint.find(C.Expected), std::string::npos) << Hint;
        if (std::string(C.Name) == "no MainDir") {
            EXPECT_NE(Hint.find("nel registro di sistema"), std::string::npos) << Hint;
        }
        EXPECT_EQ(Hint.find("file del registro"), std::string::npos) << Hint;
        EXPECT_EQ(Hint.find(Registry.Path()), std::string::npos) << Hint;
    }
}

class StartDialogFixture : public ::testing::Test {
protected:
    QTemporaryDir Dir;
    std::string SettingsFile() const { return Dir.path().toStdString() + "/avvio.conf"; }
    std::string DataDir() const { return Dir.path().toStdString() + "/dati scuola"; }
    void SetUp() override { fs::create_directories(DataDir()); }
};

TEST_F(StartDialogFixture, FirstStartOffersHomeAndAieOnPathOne) {
    QSettings Settings(QString::fromStdString(SettingsFile()), QSettings::IniFormat);
    StartDialog Dialog(Settings);
    EXPECT_EQ(Dialog.edCartella->text(), QDir::homePath());
    EXPECT_EQ(Dialog.Arguments(), (std::vector<std::string>{QDir::homePath().toStdString(), "aie", "1"}));
}

TEST_F(StartDialogFixture, ChoicesBecomeTheArgumentsAndAreRememberedForTheNextStart) {
    {
        QSettings Settings(QString::fromStdString(SettingsFile()), QSettings::IniFormat);
        StartDialog Dialog(Settings);
        Dialog.edCartella->setText(QString::fromStdString(DataDir() + "/"));
        Dialog.cbDestinatario->setCurrentIndex(Dialog.cbDestinatario->findData("anarpe"));
        Dialog.cbSelSedi->setChecked(true);
        EXPECT_EQ(Dialog.Arguments(), (std::vector<std::string>{DataDir(), "anarpe", "2"}));
        Dialog.SaveChoices();
    }
    QSettings Settings(QString::fromStdString(SettingsFile()), QSettings::IniFormat);
    StartDialog Again(Settings);
    EXPECT_EQ(Again.Arguments(), (std::vector<std::string>{DataDir(), "anarpe", "2"}));
    EXPECT_TRUE(Again.cbSelSedi->isChecked());
}

TEST_F(StartDialogFixture, StartNeedsAnExistingFolder) {
    QSettings Settings(QString::fromStdString(SettingsFile()), QSettings::IniFormat);
    StartDialog Dialog(Settings);
    struct Case {
        const char* Name;
        std::string Folder;
        bool Enabled;
    };
    const Case Cases[] = {
        {"existing folder", DataDir(), true},
        {"missing folder", DataDir() + "/manca", false},
        {"empty", "", false},
        {"only blanks", "   ", false},
        {"a file, not a folder", SettingsFile(), false},
    };
    testsupport::WriteFileBytes(SettingsFile(), "");
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Name);
        Dialog.edCartella->setText(QString::fromStdString(C.Folder));
        EXPECT_EQ(Dialog.buAvvia->isEnabled(), C.Enabled);
        EXPECT_EQ(Dialog.lbAvviso->text().contains("La cartella dei dati non esiste."), !C.Enabled);
    }
}

TEST_F(StartDialogFixture, RegistryHintFollowsTheRecipient) {
    OwnRegistry Registry;
    const std::string Install = Registry.Dir() + "/install/";
    fs::create_directories(Install + "ETC/datrex");
    WriteParamFile(Install + "ETC/datrex/aie.ufp");
    testsupport::WriteFileBytes(Registry.Path(), kHead + "\"MainDir\"=\"" + Install + "\"\r\n");
    QSettings Settings(QString::fromStdString(SettingsFile()), QSettings::IniFormat);
    StartDialog Dialog(Settings);
    Dialog.edCartella->setText(QString::fromStdString(DataDir()));
    Dialog.cbDestinatario->setCurrentIndex(Dialog.cbDestinatario->findData("aie"));
    EXPECT_TRUE(Dialog.lbAvviso->text().isEmpty());
    Dialog.cbDestinatario->setCurrentIndex(Dialog.cbDestinatario->findData("anarpe"));
    EXPECT_TRUE(Dialog.lbAvviso->text().contains("anarpe.ufp")) << Dialog.lbAvviso->text().toStdString();
    // A missing parameter file is a warning, not a refusal: the header date stays empty.
    EXPECT_TRUE(Dialog.buAvvia->isEnabled());
}

// Every control of the dialog answers its Alt key.
TEST_F(StartDialogFixture, EveryControlHasAWorkingAltShortcut) {
    struct Case {
        const char* Name;
        Qt::Key Key;
        std::function<bool(StartDialog&)> Done;
    };
    const Case Cases[] = {
        {"Cartella dei dati", Qt::Key_R, [](StartDialog& D) { return D.edCartella->hasFocus(); }},
        {"Destinatario", Qt::Key_D, [](StartDialog& D) { return D.cbDestinatario->hasFocus(); }},
        {"sedi", Qt::Key_S, [](StartDialog& D) { return D.cbSelSedi->isChecked(); }},
        {"Avvia", Qt::Key_A,
         [](StartDialog& D) { return D.result() == QDialog::Accepted && !D.isVisible(); }},
        {"Annulla", Qt::Key_U,
         [](StartDialog& D) { return D.result() == QDialog::Rejected && !D.isVisible(); }},
    };
    {
        // No two controls share a letter.
        QSettings Settings(QString::fromStdString(SettingsFile()), QSettings::IniFormat);
        StartDialog Dialog(Settings);
        QStringList Texts, Letters;
        for (const QAbstractButton* Button : Dialog.findChildren<QAbstractButton*>()) Texts << Button->text();
        for (const QLabel* Label : Dialog.findChildren<QLabel*>())
            if (Label->buddy()) Texts << Label->text();
        for (const QString& Text : Texts) {
            const qsizetype At = Text.indexOf('&');
            if (At >= 0 && At + 1 < Text.size()) Letters << Text.mid(At + 1, 1).toLower();
        }
        EXPECT_EQ(Letters.size(), Texts.size()) << Texts.join(" | ").toStdString();
        EXPECT_EQ(Letters.removeDuplicates(), 0) << Texts.join(" | ").toStdString();
    }
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Name);
        QSettings Settings(QString::fromStdString(SettingsFile()), QSettings::IniFormat);
        StartDialog Dialog(Settings);
        Dialog.edCartella->setText(QString::fromStdString(DataDir()));
        Dialog.setResult(-1);
        Dialog.show();
        Dialog.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&Dialog));
        Dialog.buGuida->setFocus();
        QTest::keyClick(&Dialog, C.Key, Qt::AltModifier);
        for (int Wait = 0; Wait < 50 && !C.Done(Dialog); ++Wait) QTest::qWait(20);
        EXPECT_TRUE(C.Done(Dialog));
    }
}

// F1 and Guida open the guide at its start section.
TEST_F(StartDialogFixture, F1AndGuidaOpenTheGuideAtTheStart) {
    const std::string Guide = Dir.path().toStdString() + "/index.html";
    testsupport::WriteFileBytes(Guide, "<html></html>");
    SetProgramGuide(Guide);
    QSettings Settings(QString::fromStdString(SettingsFile()), QSettings::IniFormat);
    StartDialog Dialog(Settings);
    Dialog.show();
    Dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&Dialog));
    Dialog.edCartella->setFocus();
    const std::function<void()> Asks[] = {
        [&Dialog] { QTest::keyClick(&Dialog, Qt::Key_F1); },
        [&Dialog] { QTest::mouseClick(Dialog.buGuida, Qt::LeftButton); },
    };
    for (const auto& Ask : Asks) {
        testsupport::UrlRecorder Opener;
        Ask();
        ASSERT_EQ(Opener.Urls.size(), 1);
        EXPECT_EQ(Opener.Urls[0].toLocalFile().toStdString(), Guide);
        EXPECT_EQ(Opener.Urls[0].fragment(), "avvio");
    }
    SetProgramGuide("");
}

TEST(ProgramIcon, EveryWindowGetsTheBuiltInIconWithoutATheme) {
    SetProgramIcon();
    const QIcon Icon = QApplication::windowIcon();
    ASSERT_FALSE(Icon.isNull());
    for (int Size : {16, 48, 256}) {
        SCOPED_TRACE(Size);
        EXPECT_EQ(Icon.pixmap(Size, Size).width(), Size);
    }
}

} // namespace

namespace {

// A packet of Rows rows of one short field.
std::string PacketOfRows(long long Rows) {
    std::string Xml =
        "<?xml version=\"1.0\" standalone=\"yes\"?><DATAPACKET Version=\"2.0\"><METADATA><FIELDS>"
        "<FIELD attrname=\"A\" fieldtype=\"string\" WIDTH=\"1\"/></FIELDS></METADATA><ROWDATA>";
    for (long long I = 0; I < Rows; ++I) Xml += "<ROW A=\"x\"/>";
    return Xml + "</ROWDATA></DATAPACKET>";
}

// Before Avvia the dialog checks what the run needs and says what is wrong,
// a line each; Avvia is not the default then, "Controlla di nuovo" is, and
// after the cause is put right it finds everything in order.
TEST_F(StartDialogFixture, ChecksWhatTheRunNeedsAndChecksAgain) {
    OwnRegistry Registry;
    const std::string Install = InstallationWithAieParamFile(Registry.Dir());
    testsupport::WriteFileBytes(Registry.Path(), kHead + "\"MainDir\"=\"" + Install + "/\"\r\n");
    const std::string Data = wizardtest::CopyDemoData(Dir.path().toStdString());
    const std::string Param = Install + "/ETC/datrex/aie.ufp";
    struct Case {
        const char* Name;
        std::function<void()> Break;
        std::function<void()> Repair;
        std::string Line;
    };
    const std::string Saved = testsupport::ReadFileBytes(Data + "Body622.xml");
    const std::string Extensions = testsupport::ReadFileBytes(Data + "Body815E.xml");
    const std::string Codes = testsupport::ReadFileBytes(Data + "COD_SPECSPER.xml");
    const Case Cases[] = {
        {"a packet missing", [&] { fs::remove(Data + "Body622.xml"); },
         [&] { testsupport::WriteFileBytes(Data + "Body622.xml", Saved); },
         "Manca il pacchetto di dati Body622.xml."},
        {"a file that is no packet", [&] { testsupport::WriteFileBytes(Data + "COD_SPECSPER.xml", "testo"); },
         [&] { testsupport::WriteFileBytes(Data + "COD_SPECSPER.xml", Codes); },
         "Il file " + Data + "COD_SPECSPER.xml non \u00E8 un pacchetto di dati leggibile (riga 1"},
        {"a packet over the record limit",
         [&] { testsupport::WriteFileBytes(Data + "Body815E.xml", PacketOfRows(100000)); },
         [&] { testsupport::WriteFileBytes(Data + "Body815E.xml", Extensions); },
         "Il pacchetto Body815E.xml ha 100000 righe: un file di record ne pu\u00F2 contenere al massimo "
         "99999."},
        {"no parameter file", [&] { fs::remove(Param); }, [&] { WriteParamFile(Param); },
         "File dei parametri non trovato: " + Param},
    };
    QSettings Settings(QString::fromStdString(SettingsFile()), QSettings::IniFormat);
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Name);
        C.Break();
        StartDialog Dialog(Settings, &txad::CurrentEditionPlan());
        Dialog.edCartella->setText(QString::fromStdString(Data));
        Dialog.cbDestinatario->setCurrentIndex(Dialog.cbDestinatario->findData("aie"));
        const QStringList Lines = Dialog.lbControlli->text().split('\n');
        EXPECT_TRUE(Lines.contains(QString::fromStdString(C.Line)) ||
                    (!Lines.isEmpty() && Lines.front().startsWith(QString::fromStdString(C.Line))))
            << Dialog.lbControlli->text().toStdString();
        EXPECT_EQ(Lines.size(), 1) << Dialog.lbControlli->text().toStdString();
        EXPECT_FALSE(Dialog.buAvvia->isDefault());
        EXPECT_TRUE(Dialog.buControlla->isDefault());
        EXPECT_TRUE(Dialog.buAvvia->isEnabled());

        C.Repair();
        QTest::mouseClick(Dialog.buControlla, Qt::LeftButton);
        EXPECT_TRUE(Dialog.lbControlli->text().startsWith("Controlli superati"))
            << Dialog.lbControlli->text().toStdString();
        EXPECT_TRUE(Dialog.buAvvia->isDefault());
        EXPECT_FALSE(Dialog.buControlla->isDefault());
    }
}

} // namespace

namespace {

// Qt's own parts speak Italian with the program: a text field's context menu
// and the file chooser's labels.
TEST(QtTranslations, QtsOwnTextsAreItalian) {
    QTranslator* Translator = LoadQtTranslations();
    ASSERT_NE(Translator, nullptr) << "qtbase_it.qm not found: qt6-translations-l10n is a dependency";
    QLineEdit Edit;
    const std::unique_ptr<QMenu> Menu(Edit.createStandardContextMenu());
    QStringList Texts;
    for (const QAction* Action : Menu->actions())
        if (!Action->isSeparator()) Texts << Action->text().section('\t', 0, 0); // without the shortcut
    EXPECT_TRUE(Texts.contains("Ann&ulla")) << Texts.join('|').toStdString();
    EXPECT_TRUE(Texts.contains("Seleziona tutto")) << Texts.join('|').toStdString();
    EXPECT_EQ(QCoreApplication::translate("QFileDialog", "Look in:"), "Cerca in:");
    QCoreApplication::removeTranslator(Translator);
    delete Translator;
}

} // namespace
