// Grabs the start dialog and every page of the main window on a copy of the
// demo: the site list,
// the anomaly report, the school registry and the export log of both
// recipients with the window of the output files' records, and the window
// after a start-up without parameter file, and the states of a run that
// goes wrong (a stop, a cancel, a busy delivery folder, a packet too large,
// the start dialog's checks), as PNG
// files in the folder given as the first argument; with --maximised the
// window is maximised first. Run it where a display server is (e.g. under
// Xvfb with a window manager), so that the platform's real fonts and style
// are used.

#include "app/InstalledFiles.h"
#include "app/StartDialog.h"
#include "export/viewer/RecordFilesDialog.h"
#include "export/wizard/AnomalyPage.h"
#include "export/wizard/CurrentEdition.h"
#include "export/wizard/ExportPage.h"
#include "export/wizard/RegistryPage.h"
#include "export/wizard/SitePage.h"
#include "export/wizard/txadFMain.h"
#include "export/wizard/txadMMain.h"
#include "forms/QMessageBoxPresenter.h"
#include "forms/VxApplication.h"
#include "platform/Platform.h"
#include "support/VxGlobals.h"
#include "support/VxMsgDlg.h"
#include "tests/common/TestSupport.h"
#include "tests/export/wizard/WizardTestData.h"

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

namespace {

bool Save(QWidget& Window, const std::string& Path) {
    QApplication::processEvents();
    QTest::qWait(200);
    // The whole screen, so the window manager's frame and title are in it.
    const bool Saved = Window.screen()->grabWindow(0).save(QString::fromStdString(Path));
    std::printf("%s %s\n", Saved ? "wrote" : "FAILED", Path.c_str());
    return Saved;
}

// Ticks the first site of every code, so the site page can be left.
void TickFirstOfEachCode(QListWidget& Sites) {
    QString Previous;
    for (int I = 0; I < Sites.count(); ++I) {
        const QString Key = Sites.item(I)->text().left(10);
        if (I == 0 || Key != Previous) Sites.item(I)->setCheckState(Qt::Checked);
        Previous = Key;
    }
}

void ShowForm(QWidget& Form, bool Maximised) {
    if (Maximised)
        Form.showMaximized();
    else
        Form.show();
}

// The window "Mostra file" opens, on the adoptions' tab, an ISBN found and
// the fields scrolled to it while the keys stay on the left.
bool ShootShowFiles(TfmTxadMain& Form, const std::string& Path) {
    Form.FindPage<txad::ExportPage>()->buMostraFile->click();
    auto* Window = Form.findChild<RecordFilesDialog*>();
    if (!Window || !QTest::qWaitForWindowExposed(Window)) return false;
    Window->tcFiles->setCurrentIndex(2);
    Window->edTrova->setText("978");
    Window->FindNext();
    const bool Ok = Save(*Window, Path);
    Window->reject();
    return Ok;
}

bool Shoot(const std::string& Target, const std::string& Out, bool AllPages, bool Maximised) {
    const std::string Dir = wizardtest::CopyDemoData(testsupport::SandboxDir());
    TdmTxadMain Dm;
    auto* Form =
        new TfmTxadMain(Dm, txad::CurrentEditionPlan(), txad::ParseWizardArguments({Dir, Target, "2"}));
    Form->Create();
    Form->FindPage<txad::AnomalyPage>()->OpenDocument = [](const std::string&) { return true; };
    ShowForm(*Form, Maximised);
    if (!QTest::qWaitForWindowExposed(Form)) return false;
    bool Ok = true;
    TickFirstOfEachCode(*Form->FindPage<txad::SitePage>()->clSedi);
    if (AllPages) Ok &= Save(*Form, Out + "/sites.png");
    Form->buNext->click();
    if (AllPages) Ok &= Save(*Form, Out + "/anomalies.png");
    Form->buNext->click();
    if (AllPages) {
        // A school with a long name is current, so the edits show it.
        QTest::keyClick(Form->FindPage<txad::RegistryPage>()->grAnagrafica, Qt::Key_Down);
        Ok &= Save(*Form, Out + "/registry.png");
    }
    Form->buNext->click();
    Ok &= Save(*Form, Out + "/export-" + Target + ".png");
    if (AllPages) Ok &= ShootShowFiles(*Form, Out + "/mostra-file.png");
    delete Form;
    return Ok;
}

// The start dialog as the menu entry opens it, a data folder chosen.
bool ShootStart(const std::string& Out) {
    const std::string Dir = wizardtest::CopyDemoData(testsupport::SandboxDir());
    QSettings Settings(QString::fromStdString(testsupport::SandboxDir() + "/avvio.conf"),
                       QSettings::IniFormat);
    StartDialog Start(Settings, &txad::CurrentEditionPlan());
    Start.setWindowTitle(MenuName());
    Start.edCartella->setText(QString::fromStdString(Dir));
    Start.show();
    if (!QTest::qWaitForWindowExposed(&Start)) return false;
    return Save(Start, Out + "/start.png");
}

// The start dialog on a machine where nobody set up a registry file: the
// advice, and the button that lets the user set it up.
bool ShootStartSetup(const std::string& Out) {
    const std::string Dir = wizardtest::CopyDemoData(testsupport::SandboxDir());
    const std::string Hklm = platform::HklmFilePath();
    unsetenv("ADOXPORT_HKLM");
    setenv("XDG_CONFIG_HOME", (testsupport::SandboxDir() + "/config").c_str(), 1);
    QSettings Settings(QString::fromStdString(testsupport::SandboxDir() + "/avvio-setup.conf"),
                       QSettings::IniFormat);
    bool Ok = false;
    {
        StartDialog Start(Settings);
        Start.setWindowTitle(MenuName());
        Start.edCartella->setText(QString::fromStdString(Dir));
        Start.show();
        Ok = QTest::qWaitForWindowExposed(&Start) && Save(Start, Out + "/start-setup.png");
    }
    setenv("ADOXPORT_HKLM", Hklm.c_str(), 1);
    unsetenv("XDG_CONFIG_HOME");
    return Ok;
}

// The window after a start-up that cannot lead to an export.
bool ShootStartupError(const std::string& Out, bool Maximised) {
    const std::string Dir = wizardtest::CopyDemoData(testsupport::SandboxDir());
    const std::string Param = testsupport::SandboxDir() + "/install/ETC/datrex/aie.ufp";
    std::filesystem::rename(Param, Param + ".away");
    TdmTxadMain Dm;
    auto* Form =
        new TfmTxadMain(Dm, txad::CurrentEditionPlan(), txad::ParseWizardArguments({Dir, "aie", "1"}));
    // The error box would wait for a click: only the window is wanted.
    struct Quiet : MessagePresenter {
        int32_t ShowBox(const MessageBoxRequest&) override { return idOK; }
        std::optional<std::string> InputQuery(const std::string&, const std::string&) override { return {}; }
    } Boxes;
    SetMessagePresenter(&Boxes);
    // As started from the start dialog, which it offers to go back to.
    Form->BackToStart = [] {};
    Form->Create();
    SetMessagePresenter(nullptr);
    std::filesystem::rename(Param + ".away", Param);
    ShowForm(*Form, Maximised);
    const bool Ok = QTest::qWaitForWindowExposed(Form) && Save(*Form, Out + "/startup-error.png");
    delete Form;
    return Ok;
}

// The start dialog when a packet is missing: the line that says so and
// "Controlla di nuovo" in place of Avvia as the default.
bool ShootStartChecks(const std::string& Out) {
    const std::string Dir = wizardtest::CopyDemoData(testsupport::SandboxDir());
    std::filesystem::remove(Dir + "Body622.xml");
    QSettings Settings(QString::fromStdString(testsupport::SandboxDir() + "/avvio-checks.conf"),
                       QSettings::IniFormat);
    StartDialog Start(Settings, &txad::CurrentEditionPlan());
    Start.setWindowTitle(MenuName());
    Start.edCartella->setText(QString::fromStdString(Dir));
    Start.show();
    return QTest::qWaitForWindowExposed(&Start) && Save(Start, Out + "/start-checks.png");
}

// The delivery folder of Target under the tool's home.
std::string DeliveryDir(const std::string& Target) {
    return testsupport::SandboxDir() + "/home/rozadiver/datrex/" + Target + "/";
}

// Path 1 up to the export page, with Prepare run just before the export.
bool ShootRun(const std::string& Target, const std::string& Shot, bool Maximised,
              const std::function<void(TdmTxadMain&, const std::string&)>& Prepare,
              const std::function<void()>& After = {}) {
    const std::string Dir = wizardtest::CopyDemoData(testsupport::SandboxDir());
    TdmTxadMain Dm;
    Dm.zpOut.DllDirectory = PluginDirectory();
    auto* Form =
        new TfmTxadMain(Dm, txad::CurrentEditionPlan(), txad::ParseWizardArguments({Dir, Target, "1"}));
    Form->Create();
    ShowForm(*Form, Maximised);
    bool Ok = QTest::qWaitForWindowExposed(Form);
    Form->buNext->click();
    Prepare(Dm, Dir);
    Form->buNext->click();
    if (After) After();
    Ok = Ok && Save(*Form, Shot);
    delete Form;
    return Ok;
}

bool ShootRecovery(const std::string& Out, bool Maximised) {
    bool Ok = ShootStartChecks(Out);
    // A record file that cannot be created: the stop, and the way back.
    Ok &= ShootRun("aie", Out + "/export-stopped.png", Maximised, [](TdmTxadMain&, const std::string& Dir) {
        std::filesystem::create_directories(Dir + "File815.txt/held");
    });
    // Annulla in the zip's progress window.
    Ok &=
        ShootRun("anarpe", Out + "/export-cancelled.png", Maximised, [](TdmTxadMain& Dm, const std::string&) {
            Dm.zpOut.OnZEDProgressEvent = [](TZip* Zip, const std::string&, int32_t, int32_t) {
                if (!Zip->Cancelled()) Zip->Cancel();
            };
        });
    // Another export holds the delivery folder: the wait window, grabbed
    // while it waits, then the folder is freed.
    std::filesystem::create_directories(DeliveryDir("aie"));
    std::unique_ptr<platform::FolderLock> Held = platform::TryLockFolder(DeliveryDir("aie")).Lock;
    QTimer Watch;
    Watch.setInterval(100);
    bool Shot = false;
    QObject::connect(&Watch, &QTimer::timeout, [&] {
        for (QWidget* W : QApplication::topLevelWidgets()) {
            if (W->objectName() != "fmAttesaCartella" || !W->isVisible() || Shot) continue;
            Shot = true;
            Ok &= Save(*W, Out + "/folder-busy.png");
            Held.reset();
        }
    });
    Ok &= ShootRun(
        "aie", Out + "/folder-busy-done.png", Maximised,
        [&](TdmTxadMain&, const std::string&) { Watch.start(); }, [&] { Watch.stop(); });
    Ok &= Shot;
    std::filesystem::remove(Out + "/folder-busy-done.png");
    return Ok;
}

// A registry packet with more rows than a record file holds: said on the first page.
bool ShootRecordLimit(const std::string& Out, bool Maximised) {
    const std::string Dir = wizardtest::CopyDemoData(testsupport::SandboxDir());
    wizardtest::WriteRegistryPacket(
        Dir, std::vector<wizardtest::SchoolRow>(100000, {"AAAA000001", ".", "Prima scuola", "Via Uno"}));
    TdmTxadMain Dm;
    auto* Form =
        new TfmTxadMain(Dm, txad::CurrentEditionPlan(), txad::ParseWizardArguments({Dir, "aie", "1"}));
    Form->Create();
    ShowForm(*Form, Maximised);
    const bool Ok = QTest::qWaitForWindowExposed(Form) && Save(*Form, Out + "/record-limit.png");
    delete Form;
    return Ok;
}

// The registry page's inputs: ANARPE, where the protocol number goes into no
// file, with a name typed to its limit; then the question about a correction
// typed and not stored, as the user moves to another row.
bool ShootInputs(const std::string& Out, bool Maximised) {
    const std::string Dir = wizardtest::CopyDemoData(testsupport::SandboxDir());
    TdmTxadMain Dm;
    auto* Form =
        new TfmTxadMain(Dm, txad::CurrentEditionPlan(), txad::ParseWizardArguments({Dir, "anarpe", "1"}));
    Form->Create();
    ShowForm(*Form, Maximised);
    bool Ok = QTest::qWaitForWindowExposed(Form);
    Form->buNext->click();
    auto* Registry = Form->FindPage<txad::RegistryPage>();
    Registry->edNome->setFocus();
    Registry->edNome->selectAll();
    QTest::keyClicks(Registry->edNome, QString(52, 'x'));
    Ok &= Save(*Form, Out + "/registry-anarpe.png");
    // The question is a real message box: grabbed, then answered "No".
    InstallQtPresenter();
    Registry->edNome->selectAll();
    QTest::keyClicks(Registry->edNome, "Nome corretto");
    QTimer::singleShot(300, [&] {
        Ok &= Save(*Form, Out + "/correction-question.png");
        if (QWidget* Box = QApplication::activeModalWidget()) Box->close();
    });
    QTest::keyClick(Registry->grAnagrafica, Qt::Key_Down);
    SetMessagePresenter(nullptr);
    delete Form;
    return Ok;
}

} // namespace

int main(int argc, char** argv) {
    const bool Maximised = argc == 3 && std::string(argv[2]) == "--maximised";
    if (argc != 2 && !Maximised) {
        std::fprintf(stderr, "usage: %s OUTPUT_FOLDER [--maximised]\n", argv[0]);
        return 2;
    }
    const std::string Out = std::filesystem::absolute(argv[1]).string();
    testsupport::PinEnvironment();
    wizardtest::PrepareInstallation(testsupport::SandboxDir());
    TVxApplication App(argc, argv, "adoxport");
    SetMenuName("Esportazione adozioni");
    VxFrameworkStartup(false);
    SetProgramIcon();
    std::filesystem::create_directories(Out);
    const bool Ok = ShootStart(Out) && ShootStartSetup(Out) && Shoot("aie", Out, true, Maximised) &&
                    Shoot("anarpe", Out, false, Maximised) && ShootStartupError(Out, Maximised);
    const bool RecoveryOk = ShootRecovery(Out, Maximised) && ShootRecordLimit(Out, Maximised);
    const bool InputsOk = ShootInputs(Out, Maximised);
    std::error_code Ec;
    std::filesystem::remove_all(testsupport::SandboxDir(), Ec);
    return Ok && RecoveryOk && InputsOk ? 0 : 1;
}
