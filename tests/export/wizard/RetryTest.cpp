// When something goes wrong the user is never at a dead end: after a stop
// Back leads to the pages with every correction kept, and the export runs
// again; a cancel is told as a cancel; a busy delivery folder is waited for
// in a window; a failed start-up leads back to the start dialog; a packet
// too large for its record file is said on the first page.

#include "tests/export/wizard/WizardFormFixture.h"

#include "export/wizard/CurrentEdition.h"
#include "export/wizard/FolderWaitWindow.h"
#include "forms/QtText.h"
#include "platform/Platform.h"
#include "zip/ProgressForm.h"

#include <QLabel>
#include <QTableView>
#include <QTimer>
#include <filesystem>
#include <functional>
#include <memory>

namespace fs = std::filesystem;

using namespace wizardtest;

namespace {

std::string DeliveryDir(const char* Target) {
    return testsupport::SandboxDir() + "/home/rozadiver/datrex/" + Target + "/";
}

std::string Log(const WizardForm& F) {
    std::string All;
    for (const std::string& Text : F.Export()->LogTexts()) All += Text + "\n";
    return All;
}

// Corrects the second school's name on the registry page, as a user does.
void CorrectSecondName(WizardForm& F) {
    QTest::keyClick(F.Registry()->grAnagrafica, Qt::Key_Down);
    F.Type("edNome", "Seconda corretta");
    QTest::mouseClick(F.Button("buEdit"), Qt::LeftButton);
}

// Presses the zip progress window's Annulla at its first progress report.
void CancelInProgressWindow(WizardForm& F) {
    F.Dm.zpOut.OnZEDProgressEvent = [](TZip* Zip, const std::string&, int32_t, int32_t) {
        TProgressForm* Window = Zip->ProgressForm();
        if (!Window || Zip->Cancelled()) return;
        QTimer::singleShot(0, Window,
                           [Window] { QTest::mouseClick(Window->CancelButton(), Qt::LeftButton); });
    };
}

TEST(Retry, AfterAStopBackKeepsTheCorrectionsAndTheExportRunsAgain) {
    struct Case {
        const char* Name;
        const char* Target;
        std::function<void(WizardForm&)> Obstacle;
        std::function<void(WizardForm&)> Remove;
    };
    const Case Cases[] = {
        {"an output file cannot be written", "aie",
         [](WizardForm& F) { fs::create_directories(F.Dir + "File815.txt/held"); },
         [](WizardForm& F) { fs::remove_all(F.Dir + "File815.txt"); }},
        {"the delivery folder cannot be made", "aie",
         [](WizardForm&) {
             fs::remove_all(DeliveryDir("aie"));
             fs::create_directories(DeliveryDir(""));
             testsupport::WriteFileBytes(DeliveryDir("") + "aie", "a file where the folder goes");
         },
         [](WizardForm&) { fs::remove(DeliveryDir("") + "aie"); }},
        {"the user cancelled the zip", "anarpe", CancelInProgressWindow,
         [](WizardForm& F) { F.Dm.zpOut.OnZEDProgressEvent = nullptr; }},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Name);
        WizardForm F(C.Target, "1", &ThreeSchools);
        F.Dm.zpOut.DllDirectory = ADOX_ZIPDLL_DIR;
        ToRegistry(F);
        CorrectSecondName(F);
        C.Obstacle(F);
        F.Next();
        ASSERT_EQ(F.Page(), 3);
        ASSERT_TRUE(F.Form->RunStopped()) << Log(F);
        EXPECT_TRUE(F.Button("buPrior")->isEnabled());
        EXPECT_FALSE(F.Button("buMostraFile")->isVisible());
        EXPECT_TRUE(F.Find<QLabel>("laRiprova")->isVisible());

        F.Back();
        ASSERT_EQ(F.Page(), 2);
        EXPECT_EQ(F.Registry()->grAnagrafica->model()->index(1, 2).data().toString(), "Seconda corretta");
        C.Remove(F);
        F.Next();
        ASSERT_EQ(F.Page(), 3);
        ASSERT_TRUE(F.Form->RunFinished());
        EXPECT_FALSE(F.Form->RunStopped()) << Log(F);
        EXPECT_FALSE(F.Button("buPrior")->isEnabled());
        EXPECT_TRUE(F.Button("buMostraFile")->isVisible());
        EXPECT_FALSE(F.Find<QLabel>("laRiprova")->isVisible());
        if (std::string(C.Target) == "aie") {
            const std::vector<SchoolRecord> Schools = SchoolRecords(F.Output("File014.txt"));
            ASSERT_EQ(Schools.size(), 3u);
            EXPECT_EQ(Schools[1].Name, "Seconda corretta");
            EXPECT_EQ(testsupport::ReadFileBytes(DeliveryDir("aie") + "File014.txt"),
                      testsupport::ReadFileBytes(F.Dir + "File014.txt"));
        } else {
            EXPECT_TRUE(fs::exists(DeliveryDir("anarpe") + "Anarpe.zip"));
        }
    }
}

// The user's cancel is no error: the log says the export was cancelled and
// that the archive delivered before is there as it was.
TEST(Retry, ACancelIsToldAsACancelAndLeavesThePreviousDelivery) {
    WizardForm F("anarpe", "1", &TwoSchools);
    F.Dm.zpOut.DllDirectory = ADOX_ZIPDLL_DIR;
    fs::create_directories(DeliveryDir("anarpe"));
    testsupport::WriteFileBytes(DeliveryDir("anarpe") + "Anarpe.zip", "previous delivery");
    CancelInProgressWindow(F);
    F.Next();
    F.Next();
    ASSERT_TRUE(F.Form->RunStopped());
    EXPECT_TRUE(F.Form->RunCancelled());
    const std::string Text = Log(F);
    EXPECT_NE(Text.find("Esportazione annullata dall'utente."), std::string::npos) << Text;
    EXPECT_NE(Text.find("non \xE8 stata modificata"), std::string::npos) << Text;
    EXPECT_EQ(Text.find("Procedura interrotta"), std::string::npos) << Text;
    EXPECT_EQ(Text.find("NON SONO DISPONIBILI"), std::string::npos) << Text;
    EXPECT_TRUE(F.Boxes.Boxes.empty());
    EXPECT_EQ(testsupport::ReadFileBytes(DeliveryDir("anarpe") + "Anarpe.zip"), "previous delivery");
}

// Another export holds the delivery folder: a window says so and keeps
// working, the run goes on by itself once the folder is free, and its
// Annulla cancels without touching the folder.
TEST(Retry, ABusyDeliveryFolderIsWaitedForInAWindow) {
    struct Case {
        const char* Name;
        bool GiveUp;
    };
    for (const Case& C : {Case{"the folder is freed", false}, Case{"the user presses Annulla", true}}) {
        SCOPED_TRACE(C.Name);
        WizardForm F("aie", "1", &TwoSchools);
        fs::create_directories(DeliveryDir("aie"));
        testsupport::WriteFileBytes(DeliveryDir("aie") + "File014.txt", "previous delivery");
        platform::FolderLockAttempt Held = platform::TryLockFolder(DeliveryDir("aie"));
        ASSERT_TRUE(Held.Lock);
        bool WindowSeen = false;
        QString Said;
        int Ticks = 0;
        // Timers fire while the run waits: the window's event loop runs.
        QTimer Watch;
        Watch.setInterval(20);
        QObject::connect(&Watch, &QTimer::timeout, [&] {
            auto* Window = dynamic_cast<txad::FolderWaitWindow*>([] {
                for (QWidget* W : QApplication::topLevelWidgets())
                    if (W->objectName() == "fmAttesaCartella" && W->isVisible()) return W;
                return static_cast<QWidget*>(nullptr);
            }());
            if (!Window || ++Ticks < 3) return;
            WindowSeen = true;
            Said = Window->laAttesa->text();
            Watch.stop();
            if (C.GiveUp)
                QTest::mouseClick(Window->buAnnulla, Qt::LeftButton);
            else
                Held.Lock.reset();
        });
        Watch.start();
        ToRegistry(F);
        F.Next();
        Watch.stop();
        Held.Lock.reset();
        EXPECT_TRUE(WindowSeen);
        EXPECT_TRUE(Said.contains(ToQString(ExcludePathDelimiter(DeliveryDir("aie"))))) << Said.toStdString();
        ASSERT_TRUE(F.Form->RunFinished());
        EXPECT_EQ(F.Form->RunStopped(), C.GiveUp) << Log(F);
        EXPECT_EQ(F.Form->RunCancelled(), C.GiveUp);
        EXPECT_EQ(testsupport::ReadFileBytes(DeliveryDir("aie") + "File014.txt") == "previous delivery",
                  C.GiveUp);
        for (QWidget* W : QApplication::topLevelWidgets())
            if (W->objectName() == "fmAttesaCartella") {
                EXPECT_FALSE(W->isVisible());
            }
    }
}

// A start-up that fails offers the way back to the start dialog, when the
// program came from one; a complete one does not.
TEST(Retry, AFailedStartupLeadsBackToTheStartDialog) {
    struct Case {
        const char* Name;
        bool Broken;
        bool FromStartDialog;
        bool Offered;
    };
    const Case Cases[] = {
        {"failed, from the start dialog", true, true, true},
        {"failed, from the command line", true, false, false},
        {"complete, from the start dialog", false, true, false},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Name);
        const std::string Dir = CopyDemoData(testsupport::SandboxDir());
        if (C.Broken) fs::remove(Dir + "Body622.xml");
        RecordingPresenter Boxes;
        TdmTxadMain Dm;
        QPointer<TfmTxadMain> Form =
            new TfmTxadMain(Dm, txad::CurrentEditionPlan(), txad::ParseWizardArguments({Dir, "aie", "1"}));
        bool Back = false;
        if (C.FromStartDialog) Form->BackToStart = [&Back] { Back = true; };
        Form->Create();
        Form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(Form.data()));
        QPushButton* Button = Form->findChild<QPushButton*>("buAvvio");
        ASSERT_NE(Button, nullptr);
        EXPECT_EQ(Button->isVisible(), C.Offered);
        if (C.Offered) {
            QTest::mouseClick(Button, Qt::LeftButton);
            EXPECT_TRUE(Back);
            EXPECT_TRUE(Form.isNull() || !Form->isVisible());
        }
        delete Form.data();
    }
}

// More rows than a record file holds are said on the first page, before the
// user's work; the export's own stop stays as it is.
TEST(Retry, APacketOverTheRecordLimitIsSaidOnTheFirstPage) {
    std::vector<SchoolRow> Rows(100000, SchoolRow{"AAAA000001", ".", "Prima scuola", "Via Uno"});
    WizardForm F("aie", "1", &Rows);
    ASSERT_EQ(F.Page(), 1);
    auto* Limit = F.Find<QLabel>("laRecordLimit");
    ASSERT_NE(Limit, nullptr);
    EXPECT_TRUE(Limit->isVisible());
    EXPECT_TRUE(Limit->text().startsWith("Il pacchetto Body014.xml ha 100000 righe: un file di record ne "
                                         "pu\u00F2 contenere al massimo 99999."))
        << Limit->text().toStdString();

    WizardForm Small("aie", "1", &TwoSchools);
    EXPECT_FALSE(Small.Find<QLabel>("laRecordLimit")->isVisible());
}

} // namespace
