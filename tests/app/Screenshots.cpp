// Grabs the start dialog and every page of the main window on a copy of the
// demo: the site list, the anomaly report, the school registry and the export
// log of both recipients, as PNG files in the folder given as the only
// argument.
// Run it where a display server is (e.g. under xvfb-run), so that the
// platform's real fonts and style are used.

#include "AppTestSupport.h"
#include "TestSupport.h"
#include "app/InstalledFiles.h"
#include "app/StartDialog.h"
#include "export/txadFMain.h"
#include "export/txadMMain.h"
#include "forms/VxApplication.h"
#include "support/VxGlobals.h"

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSettings>
#include <QTableView>
#include <QTest>
#include <cstdio>
#include <filesystem>
#include <string>

namespace {

bool Save(QWidget& Window, const std::string& Path) {
    QApplication::processEvents();
    QTest::qWait(200);
    const bool Saved = Window.grab().save(QString::fromStdString(Path));
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

bool Shoot(const std::string& Target, const std::string& Out, bool AllPages) {
    const std::string Dir = apptest::CopyDemoData(testsupport::SandboxDir());
    TdmTxadMain Dm;
    auto* Form = new TfmTxadMain(Dm, {Dir, Target, "2"});
    Form->OpenDocument = [](const std::string&) { return true; };
    Form->Create();
    Form->show();
    if (!QTest::qWaitForWindowExposed(Form)) return false;
    bool Ok = true;
    TickFirstOfEachCode(*Form->clSedi);
    if (AllPages) Ok &= Save(*Form, Out + "/sites.png");
    Form->buNext->click();
    if (AllPages) Ok &= Save(*Form, Out + "/anomalies.png");
    Form->buNext->click();
    if (AllPages) {
        // A school with a long name is current, so the edits show it.
        QTest::keyClick(Form->grAnagrafica, Qt::Key_Down);
        Ok &= Save(*Form, Out + "/registry.png");
    }
    Form->buNext->click();
    Ok &= Save(*Form, Out + "/export-" + Target + ".png");
    delete Form;
    return Ok;
}

// The start dialog as the menu entry opens it, a data folder chosen.
bool ShootStart(const std::string& Out) {
    const std::string Dir = apptest::CopyDemoData(testsupport::SandboxDir());
    QSettings Settings(QString::fromStdString(testsupport::SandboxDir() + "/avvio.conf"),
                       QSettings::IniFormat);
    StartDialog Start(Settings);
    Start.setWindowTitle("adoxport");
    Start.edCartella->setText(QString::fromStdString(Dir));
    Start.show();
    if (!QTest::qWaitForWindowExposed(&Start)) return false;
    return Save(Start, Out + "/start.png");
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_FOLDER\n", argv[0]);
        return 2;
    }
    const std::string Out = std::filesystem::absolute(argv[1]).string();
    testsupport::PinEnvironment();
    apptest::PrepareInstallation(testsupport::SandboxDir());
    TVxApplication App(argc, argv, "adoxport");
    VxFrameworkStartup(false);
    SetProgramIcon();
    std::filesystem::create_directories(Out);
    const bool Ok = ShootStart(Out) && Shoot("aie", Out, true) && Shoot("anarpe", Out, false);
    std::error_code Ec;
    std::filesystem::remove_all(testsupport::SandboxDir(), Ec);
    return Ok ? 0 : 1;
}
