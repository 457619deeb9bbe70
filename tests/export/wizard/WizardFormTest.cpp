// The main form as coordinator: the button rule along each path, closing,
// start-up failures and incomplete installations, the keyboard and the
// window's title and size.

#include "tests/common/UrlRecorder.h"
#include "tests/export/wizard/WizardFormFixture.h"

#include "export/wizard/FolderWaitWindow.h"
#include "forms/QMessageBoxPresenter.h"
#include "forms/QtText.h"
#include "forms/ScreenFit.h"
#include "platform/Platform.h"

#include <QAction>
#include <QCheckBox>
#include <QDesktopServices>
#include <QElapsedTimer>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTableView>
#include <QUrl>
#include <filesystem>
#include <functional>
#include <memory>

namespace fs = std::filesystem;
using testsupport::ReadFileBytes;

using namespace wizardtest;

namespace {

// ---- Button rule, closing, start-up failures ----------------------------------------------

struct Buttons {
    bool Prior, Next, Ok;
    bool operator==(const Buttons&) const = default;
};

std::ostream& operator<<(std::ostream& Out, const Buttons& B) {
    return Out << "{Indietro " << B.Prior << ", Avanti " << B.Next << ", Esci " << B.Ok << "}";
}

Buttons ButtonsOf(const WizardForm& F) {
    return {F.Button("buPrior")->isEnabled(), F.Button("buNext")->isEnabled(), F.Button("buOk")->isEnabled()};
}

TEST(ButtonRule, FollowsPathAndPage) {
    struct Step {
        int Page;
        Buttons Expected;
    };
    struct Case {
        const char* Path;
        std::vector<Step> Steps;
    };
    const Case Cases[] = {
        {"1", {{1, {false, true, false}}, {2, {true, true, false}}, {3, {false, false, true}}}},
        {"2",
         {{0, {false, true, false}},
          {1, {true, true, false}},
          {2, {true, true, false}},
          {3, {false, false, true}}}},
        {"",
         {{0, {false, true, false}},
          {1, {false, true, false}},
          {2, {false, true, false}},
          {3, {false, false, true}}}},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(std::string("path \"") + C.Path + "\"");
        WizardForm F("aie", C.Path, &TwoSchools);
        QListWidget* Sites = F.Find<QListWidget>("clSedi");
        for (int I = 0; I < Sites->count(); ++I) Sites->item(I)->setCheckState(Qt::Checked);
        for (std::size_t S = 0; S < C.Steps.size(); ++S) {
            SCOPED_TRACE(S);
            if (S > 0) F.Next();
            ASSERT_EQ(F.Page(), C.Steps[S].Page);
            EXPECT_EQ(ButtonsOf(F), C.Steps[S].Expected);
            EXPECT_TRUE(F.Button("buCancel")->isEnabled());
        }
        EXPECT_TRUE(F.Form->RunFinished());
        EXPECT_FALSE(F.Form->RunStopped());
        EXPECT_TRUE(F.Boxes.Boxes.empty()) << F.Boxes.Boxes[0].Text;
    }
}

TEST(Closing, EsciAndAnnullaCloseTheWindow) {
    struct Case {
        const char* Name;
        bool ToExportPage;
        std::function<void(WizardForm&)> Close;
    };
    const Case Cases[] = {
        {"Annulla", false, [](WizardForm& F) { QTest::mouseClick(F.Button("buCancel"), Qt::LeftButton); }},
        {"Esc", false, [](WizardForm& F) { QTest::keyClick(F.Form.data(), Qt::Key_Escape); }},
        {"Esci", true, [](WizardForm& F) { QTest::mouseClick(F.Button("buOk"), Qt::LeftButton); }},
        {"Enter on the export page", true,
         [](WizardForm& F) { QTest::keyClick(F.Form.data(), Qt::Key_Return); }},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Name);
        WizardForm F("aie", "1", &TwoSchools);
        if (C.ToExportPage) {
            F.Next();
            F.Next();
            ASSERT_EQ(F.Page(), 3);
        }
        C.Close(F);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(F.Form.isNull() || !F.Form->isVisible());
    }
}

TEST(Closing, RunningExportKeepsTheWindow) {
    WizardForm F("aie", "1", &TwoSchools);
    F.Form->Session().Run = txad::RunState::Running;
    EXPECT_FALSE(F.Form->close());
    F.Form->reject();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_FALSE(F.Form.isNull());
    EXPECT_TRUE(F.Form->isVisible());
    F.Form->Session().Run = txad::RunState::NotRun;
    EXPECT_TRUE(F.Form->close());
}

// While the archive is packed the zip component's progress window takes
// input: a close request reaching the main window then is refused.
TEST(Closing, ExportRunRefusesToClose) {
    WizardForm F("anarpe", "1", &TwoSchools);
    F.Dm.zpOut.DllDirectory = ADOX_ZIPDLL_DIR;
    int Attempts = 0;
    bool Closed = false;
    F.Dm.zpOut.OnZEDProgressEvent = [&](TZip*, const std::string&, int32_t, int32_t) {
        ++Attempts;
        Closed |= F.Form->close();
        F.Form->reject();
        QTest::keyClick(F.Form.data(), Qt::Key_Escape);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    };
    F.Next();
    F.Next();
    ASSERT_FALSE(F.Form.isNull());
    EXPECT_GT(Attempts, 0);
    EXPECT_FALSE(Closed);
    EXPECT_TRUE(F.Form->isVisible());
    ASSERT_TRUE(F.Form->RunFinished());
    EXPECT_FALSE(F.Form->RunStopped()) << F.Export()->LogTexts().back();
    EXPECT_TRUE(fs::exists(testsupport::SandboxDir() + "/home/rozadiver/datrex/anarpe/Anarpe.zip"));
    // Once the run is over, Esci works.
    EXPECT_TRUE(F.Form->close());
}

// What the user entered is not lost by a close: Esc in a correction edit
// undoes the typing; Esc, Annulla and the title bar's X ask first after a
// correction or a typed protocol number, and close only on "Sì".
TEST(Closing, AsksBeforeLosingWhatWasEntered) {
    const QString Question = ToQString("Chiudere senza esportare?");
    using Action = std::function<void(WizardForm&)>;
    const Action Esc = [](WizardForm&) { QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape); };
    const Action Annulla = [](WizardForm& F) { QTest::mouseClick(F.Button("buCancel"), Qt::LeftButton); };
    const Action TitleBarX = [](WizardForm& F) { F.Form->close(); };
    const Action Correction = [](WizardForm& F) {
        F.Type("edNome", "Nome corretto");
        QTest::mouseClick(F.Button("buEdit"), Qt::LeftButton);
    };
    const Action Protocol = [](WizardForm& F) { F.Type("edNProto", "77"); };
    const Action Nothing = [](WizardForm&) {};
    struct Case {
        const char* Name;
        Action Enter;
        Action Close;
        bool Asks;
        bool ClosesUnasked; // when it does not ask
    };
    const Case Cases[] = {
        {"correction, Esc", Correction, Esc, true, false},
        {"correction, Annulla", Correction, Annulla, true, false},
        {"correction, title bar", Correction, TitleBarX, true, false},
        // Esc undoes the typing in the edit and goes no further.
        {"protocol number, Esc in it", Protocol, Esc, false, false},
        {"protocol number, Annulla", Protocol, Annulla, true, false},
        {"nothing entered, Annulla", Nothing, Annulla, false, true},
    };
    for (const Case& C : Cases) {
        for (const int32_t Answer : {idNo, idYes}) {
            SCOPED_TRACE(std::string(C.Name) + (Answer == idYes ? ", yes" : ", no"));
            WizardForm F("aie", "1", &ThreeSchools);
            Activate(F);
            ToRegistry(F);
            C.Enter(F);
            F.Boxes.Boxes.clear();
            F.Boxes.Answer = Answer;
            C.Close(F);
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            ASSERT_EQ(F.Boxes.Boxes.size(), C.Asks ? 1u : 0u);
            const bool Closed = F.Form.isNull() || !F.Form->isVisible();
            if (C.Asks) {
                EXPECT_TRUE(ToQString(F.Boxes.Boxes[0].Text).startsWith(Question));
                EXPECT_EQ(Closed, Answer == idYes);
            } else {
                EXPECT_EQ(Closed, C.ClosesUnasked);
                if (!Closed) {
                    EXPECT_EQ(F.Find<QLineEdit>("edNProto")->text(), "");
                }
            }
        }
    }
}

// Once the export has finished, the set is delivered: closing asks nothing.
TEST(Closing, AfterAFinishedExportNothingIsAsked) {
    WizardForm F("aie", "1", &ThreeSchools);
    ToRegistry(F);
    F.Type("edNome", "Nome corretto");
    QTest::mouseClick(F.Button("buEdit"), Qt::LeftButton);
    F.Type("edNProto", "77");
    F.Next();
    ASSERT_TRUE(F.Form->RunFinished());
    ASSERT_FALSE(F.Form->RunStopped());
    F.Boxes.Boxes.clear();
    QTest::mouseClick(F.Button("buCancel"), Qt::LeftButton);
    EXPECT_TRUE(F.Boxes.Boxes.empty());
    EXPECT_TRUE(F.Form.isNull() || !F.Form->isVisible());
}

TEST(Startup, FailuresKeepTheWindowOpenAndTheExportOutOfReach) {
    const std::string Data = wizardtest::CopyDemoData(testsupport::SandboxDir());
    const std::string NoClasses = wizardtest::CopyDemoData(testsupport::SandboxDir());
    fs::remove(NoClasses + "Body622.xml");
    // Packets are parsed ahead, side by side: the one reported is still the
    // first that the start-up reads (the check's, then the registry).
    auto Broken = [](const std::vector<std::string>& Names, const std::vector<std::string>& Missing = {}) {
        const std::string Dir = wizardtest::CopyDemoData(testsupport::SandboxDir());
        for (const std::string& Name : Names)
            testsupport::WriteFileBytes(Dir + Name, "<DATAPACKET><METADATA>");
        for (const std::string& Name : Missing) fs::remove(Dir + Name);
        return Dir;
    };
    const std::string ClassesAndExtensions = Broken({"Body622.xml", "Body815E.xml"});
    const std::string AdoptionsAndExtensions = Broken({"Body815E.xml", "Body815.xml"});
    const std::string ExtensionsNoRegistry = Broken({"Body815E.xml"}, {"Body014.xml"});
    const std::string Registry = Broken({"Body014.xml"});
    struct Case {
        const char* Name;
        std::vector<std::string> Args;
        std::string Message;
    };
    const Case Cases[] = {
        {"unknown target", {Data, "AIE", "1"}, "Destinatario non riconosciuto: AIE"},
        {"empty data folder", {"", "aie", "1"}, "Cartella dei dati non indicata"},
        {"missing class packet",
         {NoClasses, "aie", "1"},
         "Impossibile aprire il file " + NoClasses + "Body622.xml: il file o la cartella non esiste."},
        {"broken class and extension packets",
         {ClassesAndExtensions, "aie", "1"},
         "Il file " + ClassesAndExtensions + "Body622.xml non \xE8 un pacchetto di dati leggibile (riga "},
        {"broken adoption and extension packets",
         {AdoptionsAndExtensions, "aie", "2"},
         "Il file " + AdoptionsAndExtensions + "Body815.xml non \xE8 un pacchetto di dati leggibile (riga "},
        {"broken extension packet, no registry",
         {ExtensionsNoRegistry, "aie", "1"},
         "Il file " + ExtensionsNoRegistry + "Body815E.xml non \xE8 un pacchetto di dati leggibile (riga "},
        {"broken registry",
         {Registry, "anarpe", "1"},
         "Il file " + Registry + "Body014.xml non \xE8 un pacchetto di dati leggibile (riga "},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Name);
        WizardForm F(C.Args);
        ASSERT_EQ(F.Boxes.Boxes.size(), 1u);
        EXPECT_EQ(F.Boxes.Boxes[0].Caption, "adoxport");
        EXPECT_NE(F.Boxes.Boxes[0].Text.find(C.Message), std::string::npos) << F.Boxes.Boxes[0].Text;
        EXPECT_TRUE(F.Form->isVisible());
        EXPECT_FALSE(F.Form->StartupComplete());
        EXPECT_EQ(ButtonsOf(F), (Buttons{false, false, false}));
        EXPECT_TRUE(F.Button("buCancel")->isEnabled());
        F.Next();
        QTest::keyClick(F.Form.data(), Qt::Key_Return);
        EXPECT_NE(F.Form->ActivePage(), F.Export());
        EXPECT_FALSE(F.Form->RunFinished());
    }
    EXPECT_FALSE(fs::exists(Data + "File014.txt"));
}

// ---- Start-up set-up that is not complete -----------------------------------------------

// Changes the installation for one case (the registry file or the parameter
// file) and puts it back afterwards.
class BrokenSetup {
public:
    enum Kind { NoRegistryFile, NoKey, NoValue, NoParamFile };
    explicit BrokenSetup(Kind What) : FHklm(platform::HklmFilePath()), FSaved(ReadFileBytes(FHklm)) {
        const std::string Head = "REGEDIT4\r\n\r\n";
        switch (What) {
        case NoRegistryFile: fs::remove(FHklm); break;
        case NoKey:
            testsupport::WriteFileBytes(
                FHklm, Head + "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Altro]\r\n\"MainDir\"=\"/x/\"\r\n");
            break;
        case NoValue:
            testsupport::WriteFileBytes(
                FHklm, Head + "[HKEY_LOCAL_MACHINE\\SOFTWARE\\VexonMorvale]\r\n\"Lib\"=\"/x/\"\r\n");
            break;
        case NoParamFile: fs::rename(ParamFile(), ParamFile() + ".away"); break;
        }
    }
    ~BrokenSetup() {
        testsupport::WriteFileBytes(FHklm, FSaved);
        std::error_code Ec;
        if (fs::exists(ParamFile() + ".away")) fs::rename(ParamFile() + ".away", ParamFile(), Ec);
    }
    BrokenSetup(const BrokenSetup&) = delete;
    BrokenSetup& operator=(const BrokenSetup&) = delete;

    static std::string ParamFile() { return testsupport::SandboxDir() + "/install/ETC/datrex/aie.ufp"; }

private:
    std::string FHklm;
    std::string FSaved;
};

// Every way the installation can be incomplete is named in the error box,
// and no way through the window reaches the export: the header records
// would otherwise go out without the parameter file's date.
TEST(Startup, IncompleteInstallationNamesWhatIsMissingAndNeverExports) {
    const std::string Hklm = platform::HklmFilePath();
    const std::string Key = "HKEY_LOCAL_MACHINE\\SOFTWARE\\VexonMorvale";
    struct Case {
        const char* Name;
        BrokenSetup::Kind What;
        std::vector<std::string> Named;
    };
    const Case Cases[] = {
        {"no registry file", BrokenSetup::NoRegistryFile, {Hklm, "ADOXPORT_HKLM"}},
        {"no key", BrokenSetup::NoKey, {"Manca la chiave " + Key, Hklm, "ADOXPORT_HKLM"}},
        {"no MainDir value", BrokenSetup::NoValue, {"Manca il valore MainDir sotto la chiave " + Key, Hklm}},
        {"no parameter file",
         BrokenSetup::NoParamFile,
         {"File dei parametri non trovato: " + BrokenSetup::ParamFile()}},
    };
    for (const Case& C : Cases) {
        for (const char* Path : {"1", "2"}) {
            SCOPED_TRACE(std::string(C.Name) + ", path " + Path);
            BrokenSetup Broken(C.What);
            WizardForm F("aie", Path, &TwoSchools);
            ASSERT_EQ(F.Boxes.Boxes.size(), 1u);
            const std::string& Text = F.Boxes.Boxes[0].Text;
            EXPECT_EQ(F.Boxes.Boxes[0].Caption, "adoxport");
            for (const std::string& Part : C.Named) EXPECT_NE(Text.find(Part), std::string::npos) << Text;
            // The English line of the date conversion adds nothing the lines above do not say.
            EXPECT_EQ(Text.find("Invalid argument"), std::string::npos) << Text;
            EXPECT_FALSE(F.Form->StartupComplete());
            // The window stays open and says in one line why there is no export.
            EXPECT_TRUE(F.Form->isVisible());
            QLabel* Notice = F.Find<QLabel>("laStartupError");
            EXPECT_TRUE(Notice->isVisible());
            EXPECT_TRUE(Notice->text().startsWith("Esportazione non possibile: "))
                << Notice->text().toStdString();
            EXPECT_FALSE(Notice->text().contains('\n'));
            // The report stays readable; the pages before the export can be walked.
            EXPECT_FALSE(F.Find<QPlainTextEdit>("meOut")->toPlainText().isEmpty());
            QListWidget* Sites = F.Find<QListWidget>("clSedi");
            for (int I = 0; I < Sites->count(); ++I) Sites->item(I)->setCheckState(Qt::Checked);
            for (int Press = 0; Press < 4; ++Press) {
                F.Next();
                QTest::keyClick(F.Form.data(), Qt::Key_Return);
            }
            EXPECT_EQ(F.Form->ActivePage(), F.Registry());
            EXPECT_FALSE(F.Button("buNext")->isEnabled());
            EXPECT_FALSE(F.Form->RunFinished());
            EXPECT_FALSE(fs::exists(F.Dir + "File014.txt"));
        }
    }
}

TEST(Startup, CompleteStartupShowsNoNotice) {
    WizardForm F("aie", "1", &TwoSchools);
    EXPECT_TRUE(F.Form->StartupComplete());
    EXPECT_FALSE(F.Find<QLabel>("laStartupError")->isVisible());
    EXPECT_TRUE(F.Boxes.Boxes.empty());
}

// ---- Start-up behind the window ------------------------------------------------------

// The window's state when its first paint reaches the screen.
class FirstPaint : public QObject {
public:
    explicit FirstPaint(TfmTxadMain* Form) : FForm(Form) { qApp->installEventFilter(this); }
    ~FirstPaint() override { qApp->removeEventFilter(this); }
    FirstPaint(const FirstPaint&) = delete;
    FirstPaint& operator=(const FirstPaint&) = delete;

    bool eventFilter(QObject* Watched, QEvent* Event) override {
        if (Event->type() != QEvent::Paint || Painted || !Watched->isWidgetType() ||
            static_cast<QWidget*>(Watched)->window() != FForm)
            return false;
        Painted = true;
        Pending = FForm->StartupPending();
        BusyLine = FForm->laStartupBusy->isVisible() && FForm->StartupBusyBar->isVisible();
        Nav = {FForm->buPrior->isEnabled(), FForm->buNext->isEnabled(), FForm->buOk->isEnabled()};
        Cancel = FForm->buCancel->isEnabled();
        PagesEnabled = FForm->pcMain->isEnabled();
        Page = FForm->ActivePageIndex();
        Standing = FForm->pcMain->currentIndex();
        Report = FForm->findChild<QPlainTextEdit*>("meOut")->toPlainText();
        Cursor = FForm->cursor().shape();
        return false;
    }

    bool Painted = false;
    bool Pending = false;
    bool BusyLine = false;
    Buttons Nav{true, true, true};
    bool Cancel = false;
    bool PagesEnabled = true;
    int Page = -2;
    int Standing = -2; // the page in view, not yet made active
    QString Report;
    Qt::CursorShape Cursor = Qt::ArrowCursor;

private:
    TfmTxadMain* FForm;
};

// Runs the event loop until Done holds, at most 10 s.
bool RunUntil(const std::function<bool()>& Done) {
    QElapsedTimer Waited;
    Waited.start();
    while (!Done() && Waited.elapsed() < 10000) QTest::qWait(5);
    return Done();
}

// The window is on screen, busy and closed to navigation, before any page is
// prepared; the start-up then runs as at once, fills the path's first page
// and sets the buttons by the path.
TEST(StartupBehindWindow, PaintsTheBusyWindowFirstThenTheFirstPageFilled) {
    const std::string Data = CopyDemoData(testsupport::SandboxDir());
    WriteRegistryPacket(Data, TwoSchools);
    struct Case {
        const char* Name;
        std::vector<std::string> Args;
        int FirstPage;
        int Sites; // items on the site page
        bool Complete;
        Buttons Nav;
        std::size_t Boxes;
    };
    const Case Cases[] = {
        {"path 1", {Data, "aie", "1"}, 1, 0, true, {false, true, false}, 0},
        {"path 2", {Data, "aie", "2"}, 0, 2, true, {false, true, false}, 0},
        {"no path", {Data, "anarpe", ""}, 0, 0, true, {false, true, false}, 0},
        {"unknown recipient", {Data, "AIE", "1"}, 1, 0, false, {false, false, false}, 1},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Name);
        WizardForm F(WizardForm::BehindWindow{}, C.Args);
        QSignalSpy Finished(F.Form.data(), &TfmTxadMain::StartupFinished);
        EXPECT_TRUE(F.Form->StartupPending());
        FirstPaint Paint(F.Form.data());
        F.Form->show();
        ASSERT_TRUE(RunUntil([&] { return !F.Form->StartupPending(); }));

        ASSERT_TRUE(Paint.Painted);
        EXPECT_TRUE(Paint.Pending);
        EXPECT_TRUE(Paint.BusyLine);
        EXPECT_EQ(Paint.Cursor, Qt::BusyCursor);
        EXPECT_EQ(Paint.Nav, (Buttons{false, false, false}));
        EXPECT_TRUE(Paint.Cancel);
        EXPECT_FALSE(Paint.PagesEnabled);
        EXPECT_EQ(Paint.Page, -1);
        EXPECT_EQ(Paint.Standing, C.FirstPage);
        EXPECT_TRUE(Paint.Report.isEmpty());

        EXPECT_EQ(Finished.count(), 1);
        EXPECT_EQ(F.Form->StartupComplete(), C.Complete);
        EXPECT_EQ(F.Boxes.Boxes.size(), C.Boxes);
        EXPECT_FALSE(F.Find<QWidget>("paStartupBusy")->isVisible());
        EXPECT_EQ(F.Find<QLabel>("laStartupError")->isVisible(), !C.Complete);
        EXPECT_EQ(F.Form->cursor().shape(), Qt::ArrowCursor);
        EXPECT_TRUE(F.Form->pcMain->isEnabled());
        EXPECT_EQ(F.Page(), C.FirstPage);
        EXPECT_TRUE(F.Form->windowTitle().endsWith(F.Form->ActivePage()->StepName()))
            << F.Form->windowTitle().toStdString();
        EXPECT_EQ(F.Find<QListWidget>("clSedi")->count(), C.Sites);
        // The data check has run whenever the arguments allowed it.
        EXPECT_EQ(F.Find<QPlainTextEdit>("meOut")->toPlainText().isEmpty(), C.Boxes > 0);
        EXPECT_EQ(ButtonsOf(F), C.Nav);
    }
}

// Annulla, Esc and the title bar's X close the window while the start-up
// runs behind it: the pages stay unprepared, nothing is told, and the
// start-up does not count as done, complete or not.
TEST(StartupBehindWindow, ClosingBeforeItEndsStopsIt) {
    const std::string Data = CopyDemoData(testsupport::SandboxDir());
    struct Case {
        const char* Name;
        std::function<void(WizardForm&)> Close;
    };
    const Case Cases[] = {
        {"Annulla", [](WizardForm& F) { QTest::mouseClick(F.Button("buCancel"), Qt::LeftButton); }},
        {"Esc", [](WizardForm& F) { QTest::keyClick(F.Form.data(), Qt::Key_Escape); }},
        {"title bar", [](WizardForm& F) { F.Form->close(); }},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Name);
        WizardForm F(WizardForm::BehindWindow{}, {Data, "aie", "1"});
        QSignalSpy Finished(F.Form.data(), &TfmTxadMain::StartupFinished);
        F.Form->show();
        C.Close(F);
        EXPECT_FALSE(F.Form->isVisible());
        EXPECT_FALSE(F.Form->StartupPending());
        EXPECT_FALSE(F.Form->StartupComplete());
        EXPECT_EQ(F.Form->cursor().shape(), Qt::ArrowCursor);
        const auto* Report = F.Find<QPlainTextEdit>("meOut");
        // Beyond the wait for a window that is never exposed; the window
        // frees itself meanwhile, as the program's does.
        QTest::qWait(700);
        EXPECT_TRUE(F.Form.isNull() || (F.Page() == -1 && Report->toPlainText().isEmpty()));
        EXPECT_EQ(Finished.count(), 0);
        EXPECT_TRUE(F.Boxes.Boxes.empty());
    }
}

// A page opens with the keyboard in it, not on Annulla: a Space meant for
// the site list ticks a site instead of ending the wizard.
TEST(Keyboard, EachPageOpensWithTheKeyboardOnItsContent) {
    {
        WizardForm F("aie", "2", &TwoSitesOfOneCode);
        Activate(F);
        ASSERT_EQ(QApplication::focusWidget(), F.Find<QWidget>("clSedi"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
        ASSERT_FALSE(F.Form.isNull());
        EXPECT_TRUE(F.Form->isVisible());
        EXPECT_EQ(F.Find<QListWidget>("clSedi")->item(0)->checkState(), Qt::Checked);
    }
    WizardForm F("aie", "1", &ThreeSchools);
    Activate(F);
    ASSERT_NE(QApplication::focusWidget(), nullptr);
    EXPECT_TRUE(F.Form->pcMain->widget(F.Page())->isAncestorOf(QApplication::focusWidget()))
        << QApplication::focusWidget()->objectName().toStdString();
}

// Enter never cancels: with Annulla focused it presses Avanti; in the
// correction edits it stores the correction; on the export page it is Esci.
TEST(Keyboard, EnterGoesOnAndNeverCancels) {
    WizardForm F("aie", "1", &ThreeSchools);
    Activate(F);
    F.Button("buCancel")->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    ASSERT_FALSE(F.Form.isNull());
    EXPECT_TRUE(F.Form->isVisible());
    ASSERT_EQ(F.Page(), 2);
    F.Type("edNome", "Prima corretta");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(F.Page(), 2);
    EXPECT_EQ(F.Dm.cdsMain.FieldByName("Nome").AsString(), "Prima corretta");
    F.Type("edNProto", "P-1");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    ASSERT_EQ(F.Page(), 3);
    ASSERT_TRUE(F.Form->RunFinished());
    EXPECT_EQ(SchoolRecords(F.Output("File014.txt"))[0].Name, "Prima corretta");
    QTest::keyClick(F.Form.data(), Qt::Key_Return);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(F.Form.isNull() || !F.Form->isVisible());
}

TEST(Keyboard, EveryButtonHasAWorkingAltShortcut) {
    struct Case {
        const char* Name;
        Qt::Key Key;
        int StartPage; // 1 anomalies, 2 registry, 3 export
        std::function<bool(WizardForm&)> Done;
    };
    int Opened = 0;
    const Case Cases[] = {
        {"Avanti", Qt::Key_A, 1, [](WizardForm& F) { return F.Page() == 2; }},
        {"Indietro", Qt::Key_I, 2, [](WizardForm& F) { return F.Page() == 1; }},
        {"Stampa Anomalie", Qt::Key_S, 1, [&Opened](WizardForm&) { return Opened == 1; }},
        {"Modifica", Qt::Key_M, 2,
         [](WizardForm& F) { return F.Dm.cdsMain.FieldByName("ExCodScuola").AsString() == "OLDA000001"; }},
        {"Nome", Qt::Key_N, 2, [](WizardForm& F) { return F.Find<QLineEdit>("edNome")->hasFocus(); }},
        {"Ex codice", Qt::Key_X, 2, [](WizardForm& F) { return F.Find<QLineEdit>("edExCod")->hasFocus(); }},
        {"protocollo", Qt::Key_P, 2, [](WizardForm& F) { return F.Find<QLineEdit>("edNProto")->hasFocus(); }},
        {"Correzione", Qt::Key_C, 2, [](WizardForm& F) { return F.Find<QCheckBox>("cbCor")->isChecked(); }},
        {"Annulla", Qt::Key_U, 1, [](WizardForm& F) { return F.Form.isNull() || !F.Form->isVisible(); }},
        {"Esci", Qt::Key_E, 3, [](WizardForm& F) { return F.Form.isNull() || !F.Form->isVisible(); }},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Name);
        Opened = 0;
        WizardForm F("aie", "1", &ThreeSchools);
        F.Anomalies()->OpenDocument = [&Opened](const std::string&) { return ++Opened > 0; };
        Activate(F);
        while (F.Page() < C.StartPage) F.Next();
        if (C.Key == Qt::Key_M) F.Find<QLineEdit>("edExCod")->setText("OLDA000001");
        QTest::keyClick(F.Form.data(), C.Key, Qt::AltModifier);
        // A button's shortcut clicks it after a short animation.
        for (int Wait = 0; Wait < 50 && !C.Done(F); ++Wait) {
            QTest::qWait(20);
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        }
        EXPECT_TRUE(C.Done(F));
    }
}

// ---- Window ------------------------------------------------------------------------------------

TEST(Window, TitleNamesTheStepAndTheWindowGrows) {
    WizardForm F("aie", "2", &TwoSchools);
    const QSize Least = F.Form->size();
    EXPECT_EQ(Least, QSize(678, 467));
    QListWidget* Sites = F.Find<QListWidget>("clSedi");
    for (int I = 0; I < Sites->count(); ++I) Sites->item(I)->setCheckState(Qt::Checked);
    const char* const Titles[] = {"Selezione sedi", "Anomalie", "Anagrafica", "Esportazione"};
    for (int Page = 0; Page < 4; ++Page) {
        SCOPED_TRACE(Page);
        if (Page > 0) F.Next();
        EXPECT_EQ(F.Form->windowTitle(), QString::fromUtf8("adoxport \u2013 ") + Titles[Page]);
        if (Page == 2) {
            QTableView* Grid = F.Find<QTableView>("grAnagrafica");
            const QSize Before = Grid->size();
            F.Form->resize(1000, 700);
            QApplication::processEvents();
            EXPECT_EQ(F.Form->size(), QSize(1000, 700));
            EXPECT_GT(Grid->width(), Before.width());
            EXPECT_GT(Grid->height(), Before.height());
            F.Form->resize(Least);
        }
    }
}

// A 1024 x 600 screen at scale 1.5 leaves 682 x 400 to the window and its
// frame. At the least size the bar's buttons and each page's controls are
// in view, without scrolling.
TEST(Window, LeastSizeFitsASmallScaledScreen) {
    const QSize Screen(1024 * 2 / 3, 600 * 2 / 3);
    WizardForm F("aie", "2", &TwoSchools);
    const QSize Least = F.Form->minimumSize();
    EXPECT_LE(Least.width() + AssumedFrame.left() + AssumedFrame.right(), Screen.width());
    EXPECT_LE(Least.height() + AssumedFrame.top() + AssumedFrame.bottom(), Screen.height());
    F.Form->resize(Least);
    QApplication::processEvents();
    ASSERT_EQ(F.Form->size(), Least);
    QListWidget* Sites = F.Find<QListWidget>("clSedi");
    for (int I = 0; I < Sites->count(); ++I) Sites->item(I)->setCheckState(Qt::Checked);
    const std::vector<const char*> InView[] = {
        {"clSedi"},
        {"meOut", "buStampa"},
        {"grAnagrafica", "edNome", "edExCod", "buEdit", "edNProto", "cbCor"},
        {"meInfo", "buMostraFile"},
    };
    for (int Page = 0; Page < 4; ++Page) {
        SCOPED_TRACE(Page);
        if (Page > 0) F.Next();
        ASSERT_EQ(F.Page(), Page);
        QApplication::processEvents();
        for (const char* Name : {"buCancel", "buPrior", "buNext", "buOk", "buGuida"}) {
            SCOPED_TRACE(Name);
            const QWidget* Button = F.Find<QWidget>(Name);
            EXPECT_TRUE(
                F.Form->rect().contains(QRect(Button->mapTo(F.Form.data(), QPoint()), Button->size())));
        }
        const auto* Pages = F.Find<QScrollArea>("sbPages");
        EXPECT_FALSE(Pages->verticalScrollBar()->isVisible());
        EXPECT_FALSE(Pages->horizontalScrollBar()->isVisible());
        for (const char* Name : InView[Page]) {
            SCOPED_TRACE(Name);
            const QWidget* Widget = F.Find<QWidget>(Name);
            if (!Widget->isVisible()) continue;
            EXPECT_EQ(Widget->visibleRegion().boundingRect(), Widget->rect());
        }
    }
}

// While the export runs, the title already names its page.
TEST(Window, TitleNamesTheExportWhileItRuns) {
    WizardForm F("aie", "1", &TwoSchools);
    F.Next();
    ASSERT_EQ(F.Page(), 2);
    QStringList Seen;
    QObject::connect(F.Find<QPlainTextEdit>("meInfo"), &QPlainTextEdit::textChanged,
                     [&] { Seen << F.Form->windowTitle(); });
    F.Next();
    ASSERT_TRUE(F.Form->RunFinished());
    ASSERT_FALSE(Seen.isEmpty());
    for (const QString& Title : Seen) EXPECT_EQ(Title, QString::fromUtf8("adoxport \u2013 Esportazione"));
}

// The room a page needs is the page's own: at the least size, with the
// start-up line taking its share, the anomaly report needs no scrolling
// although the registry page would.
TEST(Window, AtTheLeastSizeThePageShownDecidesTheScrolling) {
    BrokenSetup Broken(BrokenSetup::NoParamFile);
    WizardForm F("aie", "1", &TwoSchools);
    ASSERT_TRUE(F.Find<QLabel>("laStartupError")->isVisible());
    F.Form->resize(F.Form->minimumSize());
    QApplication::processEvents();
    ASSERT_EQ(F.Page(), 1);
    const auto* Pages = F.Find<QScrollArea>("sbPages");
    EXPECT_FALSE(Pages->verticalScrollBar()->isVisible());
    const QWidget* Print = F.Find<QWidget>("buStampa");
    EXPECT_EQ(Print->visibleRegion().boundingRect(), Print->rect());
}

// Shown, the window lies inside its screen's free area with its frame: on a
// small screen it opens cut to it, not at its design size.
TEST(Window, OpensInsideItsScreen) {
    WizardForm F("aie", "1", &TwoSchools);
    const QRect Free = F.Form->screen()->availableGeometry();
    const QRect Client = F.Form->geometry();
    const QRect Outer =
        F.Form->frameGeometry() == Client ? Client.marginsAdded(AssumedFrame) : F.Form->frameGeometry();
    EXPECT_TRUE(Free.contains(Outer)) << Free.width() << "x" << Free.height() << " " << Outer.width() << "x"
                                      << Outer.height() << "+" << Outer.x() << "+" << Outer.y();
    if (Free.height() >= 467 + AssumedFrame.top() + AssumedFrame.bottom()) {
        EXPECT_EQ(F.Form->size(), QSize(678, 467));
    }
}

// Tab walks the bar from left to right; the button Enter presses is drawn as
// the default.
TEST(Window, BarTabOrderAndDefaultButton) {
    WizardForm F("aie", "1", &ThreeSchools);
    Activate(F);
    const QStringList Bar{"buGuida", "buCancel", "buPrior", "buNext", "buOk"};
    QWidget* const First = F.Button("buGuida");
    QStringList Order{First->objectName()};
    for (QWidget* At = First->nextInFocusChain(); At != First; At = At->nextInFocusChain())
        if (Bar.contains(At->objectName())) Order << At->objectName();
    EXPECT_EQ(Order, Bar);
    EXPECT_TRUE(F.Button("buNext")->isDefault());
    EXPECT_FALSE(F.Button("buOk")->isDefault());
    F.Next();
    F.Next();
    ASSERT_TRUE(F.Form->RunFinished());
    EXPECT_TRUE(F.Button("buOk")->isDefault());
    EXPECT_FALSE(F.Button("buNext")->isDefault());
}

// ---- Help ---------------------------------------------------------------------------------

// F1 and the bar's Guida open the program's guide at the section of the page
// shown, which the guide has; a message on a page opens the same section.
TEST(Help, F1AndGuidaOpenThePagesSectionOfTheGuide) {
    struct GuideReset {
        ~GuideReset() { SetProgramGuide(""); }
    } Reset;
    SetProgramGuide(ADOX_GUIDE_SOURCE);
    const std::string Guide = ReadFileBytes(ADOX_GUIDE_SOURCE);
    WizardForm F("aie", "2", &TwoSchools);
    Activate(F);
    QListWidget* Sites = F.Find<QListWidget>("clSedi");
    for (int I = 0; I < Sites->count(); ++I) Sites->item(I)->setCheckState(Qt::Checked);
    const char* const Sections[] = {"sedi", "anomalie", "anagrafica", "esportazione"};
    for (int Page = 0; Page < 4; ++Page) {
        SCOPED_TRACE(Sections[Page]);
        if (Page > 0) F.Next();
        ASSERT_EQ(F.Page(), Page);
        EXPECT_NE(Guide.find(std::string("id=\"") + Sections[Page] + "\""), std::string::npos);
        const std::function<void()> Asks[] = {
            [&F] { QTest::keyClick(F.Form.data(), Qt::Key_F1); },
            [&F] { QTest::mouseClick(F.Button("buGuida"), Qt::LeftButton); },
            [] {
                std::unique_ptr<QMessageBox> Box(BuildMessageBox({"Errore", "Testo", MB_ICONSTOP_ | MB_OK_}));
                Box->actions().front()->trigger();
            },
        };
        for (const auto& Ask : Asks) {
            testsupport::UrlRecorder Opener;
            Ask();
            ASSERT_EQ(Opener.Urls.size(), 1);
            EXPECT_EQ(Opener.Urls[0].toLocalFile().toStdString(), ADOX_GUIDE_SOURCE);
            EXPECT_EQ(Opener.Urls[0].fragment(), Sections[Page]);
        }
    }
    // The window that waits for a busy delivery folder has its own section.
    txad::FolderWaitWindow Wait(nullptr);
    Wait.Begin("La cartella di consegna \xE8 occupata.");
    ASSERT_TRUE(QTest::qWaitForWindowActive(&Wait));
    testsupport::UrlRecorder Opener;
    QTest::keyClick(&Wait, Qt::Key_F1);
    ASSERT_EQ(Opener.Urls.size(), 1);
    EXPECT_EQ(Opener.Urls[0].fragment(), "occupata");
    EXPECT_NE(Guide.find("id=\"occupata\""), std::string::npos);
}

} // namespace

namespace {

// The plan's pages in order, and the paths that follow from them: path "1"
// leaves out the page only the site choice has.
TEST(EditionPlan, PagesInOrderAndThePathsFollowFromThem) {
    WizardForm F("aie", "1", &TwoSchools);
    QStringList Names;
    for (int I = 0; I < F.Form->PageCount(); ++I) Names << F.Form->pcMain->widget(I)->objectName();
    EXPECT_EQ(Names, (QStringList{"tsSelSedi", "tsAnomalie", "tsAnagrafica", "tsInfo"}));
    const struct Case {
        const char* Name;
        txad::WizardPath Path;
        std::vector<int> Pages;
    } Cases[] = {
        {"path 1", txad::WizardPath::WithoutSites, {1, 2, 3}},
        {"path 2", txad::WizardPath::WithSites, {0, 1, 2, 3}},
        {"no path", txad::WizardPath::None, {0, 1, 2, 3}},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Name);
        EXPECT_EQ(txad::PathPages(txad::CurrentEditionPlan(), C.Path), C.Pages);
    }
}

} // namespace

namespace {

// A page no edition has: one class and one entry in a plan are all the
// wizard needs to walk it, ask it whether it may be left and show it in
// the title.
class NotePage : public txad::WizardPage {
public:
    NotePage(txad::WizardSession& Session, QWidget* Parent) : WizardPage("tsNota", Session, Parent) {}
    const char* StepName() const override { return "Nota"; }
    void Prepare() override { Calls.push_back("prepare"); }
    void Shown() override { Calls.push_back("shown"); }
    bool MayLeave() override {
        Calls.push_back("may leave");
        return MayGo;
    }
    void Left() override { Calls.push_back("left"); }

    static inline std::vector<std::string> Calls;
    static inline bool MayGo = false;
};

TEST(EditionPlan, ANewPageIsOneClassAndOneEntry) {
    txad::EditionPlan Plan = txad::CurrentEditionPlan();
    Plan.Pages.insert(Plan.Pages.end() - 1, {.Make = txad::MakePage<NotePage>});
    NotePage::Calls.clear();
    NotePage::MayGo = false;
    WizardForm F("aie", "1", &TwoSchools, &Plan);
    EXPECT_EQ(NotePage::Calls, std::vector<std::string>{"prepare"});
    F.Next();
    F.Next();
    ASSERT_EQ(F.Form->ActivePage(), F.Form->FindPage<NotePage>());
    EXPECT_EQ(F.Form->windowTitle(), QString::fromUtf8("adoxport \u2013 Nota"));
    EXPECT_EQ(ButtonsOf(F), (Buttons{true, true, false}));
    // Refused: the page and the buttons stay, nothing has run.
    F.Next();
    EXPECT_EQ(F.Form->ActivePage(), F.Form->FindPage<NotePage>());
    EXPECT_EQ(ButtonsOf(F), (Buttons{true, true, false}));
    EXPECT_FALSE(F.Form->RunFinished());
    NotePage::MayGo = true;
    F.Next();
    ASSERT_EQ(F.Form->ActivePage(), F.Export());
    EXPECT_TRUE(F.Form->RunFinished());
    EXPECT_FALSE(F.Form->RunStopped());
    EXPECT_EQ(ButtonsOf(F), (Buttons{false, false, true}));
    EXPECT_EQ(NotePage::Calls,
              (std::vector<std::string>{"prepare", "shown", "may leave", "may leave", "left"}));
}

} // namespace
