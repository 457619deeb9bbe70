// The main form's start-up, buttons, keys and page changes; the frame's
// layout is in TxadFrameLayout.cpp, each page's layout and handlers in the
// TxadSite*, TxadRegistry* and TxadExport* files.
#include "export/TxadMainForm.h"

#include "export/StartupValues.h"
#include "export/TxadMainFormParts.h"
#include "export/TypedLengthLimit.h"
#include "forms/QtText.h"
#include "platform/Platform.h"
#include "support/VxExceptions.h"
#include "support/VxMsgDlg.h"
#include "support/VxParam.h"
#include "support/VxStrUtils.h"

#include <QApplication>
#include <QCloseEvent>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QWindow>

#include <optional>

using txadform::NameLimit;

namespace {

// The step each page stands for in the window title.
const char* StepName(const QString& Page) {
    if (Page == "tsSelSedi") return "Selezione sedi";
    if (Page == "tsAnomalie") return "Anomalie";
    if (Page == "tsAnagrafica") return "Anagrafica";
    if (Page == "tsInfo") return "Esportazione";
    return nullptr;
}

// The first line of a message, for a one-line notice.
std::string FirstLine(const std::string& Text) {
    return Text.substr(0, Text.find_first_of("\r\n"));
}

// While the packets load at start-up: a busy cursor and a small window that
// says so, unless nothing is drawn (the offscreen platform).
class StartupBusy {
public:
    StartupBusy() {
        if (QGuiApplication::platformName() == "offscreen") return;
        QApplication::setOverrideCursor(Qt::WaitCursor);
        FWindow = std::make_unique<QLabel>("Lettura dei dati della scuola in corso...");
        FWindow->setObjectName("laStartupBusy");
        FWindow->setWindowFlags(Qt::SplashScreen | Qt::WindowStaysOnTopHint);
        FWindow->setWindowTitle(ToQString(ApplicationTitle()));
        FWindow->setStyleSheet("QLabel { border: 1px solid gray; padding: 16px 24px; }");
        FWindow->show();
        // The window must be on screen and drawn before the loading blocks
        // the event loop.
        QElapsedTimer Waited;
        Waited.start();
        while (Waited.elapsed() < 500 && !(FWindow->windowHandle() && FWindow->windowHandle()->isExposed()))
            QApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 20);
        FWindow->repaint();
        QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    }
    ~StartupBusy() {
        if (!FWindow) return;
        FWindow.reset();
        QApplication::restoreOverrideCursor();
    }
    StartupBusy(const StartupBusy&) = delete;
    StartupBusy& operator=(const StartupBusy&) = delete;

private:
    std::unique_ptr<QLabel> FWindow;
};

} // namespace

TfmTxadMainBase::TfmTxadMainBase(TdmTxadMain& DataModule, std::vector<std::string> Args, QWidget* Parent)
    : TfmVxWizard(Parent), Clock(platform::Now), dm(DataModule), FArgs(std::move(Args)) {
    FArgs.resize(std::max<std::size_t>(FArgs.size(), 3));
    setObjectName("fmTxadMain");
    setWindowTitle("Esportazione dei dati adozionali");
    dm.Share(cdsTmp);
    LayOutFrame();
}

TfmTxadMainBase::~TfmTxadMainBase() = default;

const std::vector<std::string>& TfmTxadMainBase::ReportLines() const {
    static const std::vector<std::string> None;
    return None;
}

void TfmTxadMainBase::SetProtocolNumber(const std::string&) {}

void TfmTxadMainBase::VerifyExportedData(const std::string&) {}

// ---- Start-up ----------------------------------------------------------------

void TfmTxadMainBase::FormCreate() {
    BuildPages();
    // Pages are switched only by the wizard's buttons.
    pcMain->tabBar()->hide();
    TfmVxWizard::FormCreate();
    {
        StartupBusy Busy;
        try {
            new TypedLengthLimit(edNome, NameLimit);
            new TypedLengthLimit(edExCod, static_cast<int>(txad::SchoolCodeLength));
            // An export into the file-system root, or one that writes nothing,
            // must not start: the argument check comes first.
            txad::CheckStartupArguments(Arg(1), Arg(2));
            FRecordSet = MakeRecordSet(Arg(2));
            FStartup.Target = Arg(2);
            FStartup.DataDir = platform::IncludePathDelimiter(Arg(1));
            FStartup.DestDir = platform::IncludePathDelimiter(platform::DeliveryBase() + "rozadiver" +
                                                              platform::PathDelimiter() + "datrex" +
                                                              platform::PathDelimiter() + Arg(2));
            FStartup.BodyFiles = FRecordSet->BodyFiles();
            PrefetchPackets();
            VerifyExportedData(FStartup.DataDir);
            FStartup.OutFiles = FRecordSet->OutFiles();
            Paths().AddPath("Tracciato1", PathSteps(1));
            Paths().AddPath("Tracciato2", PathSteps(2));
            if (Arg(3) == "1") {
                SetPath("Tracciato1");
            } else if (Arg(3) == "2") {
                SetPath("Tracciato2");
                dm.cdsSelSedi.LoadFromFile(FStartup.DataDir + FStartup.BodyFiles[0]);
                LoadSiteList();
            }
            CountSchools();
            FPagesReady = Paths().HasPath();
            // The header dates are part of every file: without them no export.
            FStartupComplete = ReadHeaderValues();
        } catch (const std::exception&) {
            StartupError(std::current_exception());
        }
    }
    // Shown once the busy indicator is gone, in the order they happened.
    for (const std::exception_ptr& Error : FStartupErrors) {
        try {
            std::rethrow_exception(Error);
        } catch (const std::exception& E) {
            ShowApplicationError(E);
        }
    }
    FStartupErrors.clear();
    if (!FStartupComplete) {
        laStartupError->setText(ToQString("Esportazione non possibile: " + FStartupFailure));
        laStartupError->setToolTip(laStartupError->text());
        laStartupError->show();
    }
    UpdateButtons();
}

// The packets of the check and of the export do not depend on each other:
// the second core parses them while the first reads the ones needed first.
void TfmTxadMainBase::PrefetchPackets() {
    std::vector<std::string> Paths;
    for (const std::string& Name : CheckedPackets()) Paths.push_back(FStartup.DataDir + Name);
    for (const std::string& Name : FStartup.BodyFiles) Paths.push_back(FStartup.DataDir + Name);
    dm.Prefetch(Paths);
}

void TfmTxadMainBase::StartupError(std::exception_ptr Error) {
    if (FStartupFailure.empty()) {
        try {
            std::rethrow_exception(Error);
        } catch (const std::exception& E) {
            FStartupFailure = FirstLine(E.what());
        }
    }
    FStartupErrors.push_back(std::move(Error));
}

void TfmTxadMainBase::CountSchools() {
    FStartup.Header.SchoolCount = txad::CountSchools(dm.cdsMain, FStartup.DataDir + FStartup.BodyFiles[0]);
}

bool TfmTxadMainBase::ReadHeaderValues() {
    // Without the installation folder there is no parameter file to date;
    // the error names what is missing.
    const std::string Problem = txad::InstallationProblem(Arg(2));
    std::optional<std::string> MainDir;
    if (Problem.empty())
        MainDir = VxParam().MainDir();
    else
        StartupError(std::make_exception_ptr(EVxError(Problem)));
    const txad::HeaderDates Dates = txad::ReadHeaderValues(
        MainDir ? &*MainDir : nullptr, Arg(2), FStartup.DataDir, ReadsCatalogueDate() ? &cdsTmp : nullptr);
    for (const std::string& Message : Dates.Errors) StartupError(std::make_exception_ptr(EVxError(Message)));
    FStartup.Header.ParamFileDate = Dates.ParamFileDate;
    FStartup.Header.CatalogueDate = Dates.CatalogueDate;
    return Problem.empty() && Dates.Errors.empty();
}

void TfmTxadMainBase::FormClose(TCloseAction& Action) {
    TfmVxWizard::FormClose(Action);
    FStartup.BodyFiles.clear();
    FStartup.OutFiles.clear();
}

// ---- Buttons -----------------------------------------------------------------

void TfmTxadMainBase::UpdateButtons() {
    TfmVxWizard::UpdateButtons();
    txad::ExportFormPosition Position;
    Position.Path = Arg(3);
    Position.ActivePage = ActivePageIndex();
    Position.PageCount = PageCount();
    Position.OwnNextAndOkRule = OwnNextAndOkRule();
    Position.StartupComplete = FStartupComplete;
    Position.PagesReady = FPagesReady;
    Position.NextIsExportPage = NextPageIndex() == FPageInfo;
    Position.Running = FRunning;
    const WizardButtons Buttons =
        txad::ExportFormButtons({buOk->isEnabled(), buNext->isEnabled(), buPrior->isEnabled()}, Position);
    buOk->setEnabled(Buttons.Ok);
    buNext->setEnabled(Buttons.Next);
    buPrior->setEnabled(Buttons.Prior);
}

int TfmTxadMainBase::NextPageIndex() const {
    return Paths().NextPage(ActivePageIndex(), PageCount());
}

// Enter never cancels: a focused button other than Annulla takes it, in the
// correction edits it stores the correction, otherwise it presses Esci (the
// default button, on the export page) or else Avanti.
void TfmTxadMainBase::keyPressEvent(QKeyEvent* Event) {
    const bool Enter = Event->key() == Qt::Key_Return || Event->key() == Qt::Key_Enter;
    if (!Enter || (Event->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier) {
        TfmVxWizard::keyPressEvent(Event);
        return;
    }
    QWidget* Focus = focusWidget();
    QPushButton* Target = nullptr;
    if (auto* Focused = qobject_cast<QPushButton*>(Focus); Focused && Focused != buCancel)
        Target = Focused;
    else if (Focus && (Focus == edNome || Focus == edExCod))
        Target = buEdit;
    else if (buOk->isEnabled())
        Target = buOk;
    else
        Target = buNext;
    if (Target->isEnabled() && Target->isVisible()) Target->click();
    Event->accept();
}

void TfmTxadMainBase::closeEvent(QCloseEvent* Event) {
    // The running export owns the datasets and the zip component: the form
    // cannot go away under it.
    if (FRunning) {
        Event->ignore();
        return;
    }
    TfmVxWizard::closeEvent(Event);
}

void TfmTxadMainBase::done(int Result) {
    if (FRunning) return;
    TfmVxWizard::done(Result);
}

// ---- Page changes --------------------------------------------------------------

void TfmTxadMainBase::pcMainChange() {
    TfmVxWizard::pcMainChange();
    QWidget* Page = pcMain->widget(ActivePageIndex());
    if (const char* Step = Page ? StepName(Page->objectName()) : nullptr)
        setWindowTitle(ToQString(ApplicationTitle()) + QString::fromUtf8(" \u2013 ") + Step);
}

void TfmTxadMainBase::PageShow(int Index) {
    if (Index == FPageSelSedi)
        tsSelSediShow();
    else if (Index == FPageAnagrafica)
        tsAnagraficaShow();
    else if (Index == FPageInfo)
        tsInfoShow();
}
