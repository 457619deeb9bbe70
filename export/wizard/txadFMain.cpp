#include "export/wizard/txadFMain.h"

#include "export/wizard/StartupValues.h"
#include "export/wizard/WizardPage.h"
#include "forms/Accessibility.h"
#include "forms/QtText.h"
#include "platform/Platform.h"
#include "support/UserText.h"
#include "support/VxExceptions.h"
#include "support/VxMsgDlg.h"
#include "support/VxParam.h"
#include "support/VxStrUtils.h"

#include <QApplication>
#include <QBoxLayout>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <QWindow>

#include <optional>

using namespace txad;

namespace {

constexpr int DesignWidth = 678;
constexpr int DesignHeight = 467;
// The least size fits a 1024 x 600 screen at scale 1.5 (682 x 400) with the
// window manager's frame; below the design size the pages scroll.
constexpr int LeastWidth = 640;
constexpr int LeastHeight = 360;

// The first line of a message, for a one-line notice.
std::string FirstLine(const std::string& Text) {
    return Text.substr(0, Text.find_first_of("\r\n"));
}

// The steps text of a path of page indexes.
std::string StepsText(const std::vector<int>& Pages) {
    std::string Steps;
    for (int Page : Pages) Steps += (Steps.empty() ? "" : ";") + std::to_string(Page);
    return Steps;
}

// A window never exposed (started minimised, say) still gets its start-up.
constexpr int UnexposedWaitMs = 500;
// How often the start-up behind the window looks at the packets' parse.
constexpr int LoadingPollMs = 5;

} // namespace

TfmTxadMain::TfmTxadMain(TdmTxadMain& DataModule, const EditionPlan& Plan, WizardArguments Args,
                         QWidget* Parent)
    : TfmVxWizard(Parent), FSession(DataModule, Plan, std::move(Args)) {
    setObjectName("fmTxadMain");
    setWindowTitle("Esportazione dei dati adozionali");
    DataModule.Share(cdsTmp);
    LayOutFrame();
}

// The pages go before the session they refer to.
TfmTxadMain::~TfmTxadMain() {
    for (WizardPage* Page : FPages) delete Page;
}

void TfmTxadMain::LayOutFrame() {
    // Every button has an Alt shortcut; Enter is dealt with in keyPressEvent,
    // so a focused button never takes it for itself (Annulla least of all).
    buOk->setText("&Esci");
    buCancel->setText("Ann&ulla");
    buPrior->setText("< &Indietro");
    buNext->setText("&Avanti >");
    for (QPushButton* Button : {buCancel, buPrior, buNext}) Button->setAutoDefault(false);
    PlaceOnBar(buCancel, 358, DesignWidth);
    PlaceOnBar(buPrior, 438, DesignWidth);
    PlaceOnBar(buNext, 518, DesignWidth);
    PlaceOnBar(buOk, 598, DesignWidth);
    SetClientSize(DesignWidth, DesignHeight);
    // The window opens at the design size where the screen has room for it,
    // grows and can be maximised.
    setMinimumSize(LeastWidth, LeastHeight);
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    setWindowFlags(windowFlags() | Qt::WindowMinMaxButtonsHint);

    // A page taller or wider than a small screen leaves scroll bars, not
    // buttons out of reach.
    auto* Pages = new QScrollArea(ClientArea());
    Pages->setObjectName("sbPages");
    Pages->setFrameShape(QFrame::NoFrame);
    Pages->setFocusPolicy(Qt::NoFocus);
    Pages->setWidgetResizable(true);
    ClientArea()->layout()->removeWidget(pcMain);
    Pages->setWidget(pcMain);
    ClientArea()->layout()->addWidget(Pages);

    buGuida = new QPushButton("&Guida", Panel1);
    buGuida->setObjectName("buGuida");
    buGuida->setAutoDefault(false);
    buGuida->setGeometry(8, 4, 75, 25);
    connect(buGuida, &QPushButton::clicked, this, [this] { ShowHelp(); });
    setTabOrder(buGuida, buCancel);

    laStartupError = new QLabel(ClientArea());
    laStartupError->setObjectName("laStartupError");
    laStartupError->setStyleSheet("QLabel { color: rgb(160, 0, 0); font-weight: bold; }");
    laStartupError->setContentsMargins(8, 2, 8, 2);
    // The reason names a file: the whole of it, beside the way back.
    laStartupError->setWordWrap(true);
    laStartupError->hide();
    buAvvio = new QPushButton("&Torna alla finestra di avvio", ClientArea());
    buAvvio->setObjectName("buAvvio");
    buAvvio->setAutoDefault(false);
    buAvvio->hide();
    connect(buAvvio, &QPushButton::clicked, this, [this] {
        if (BackToStart) BackToStart();
        close();
    });
    auto* StartupRow = new QHBoxLayout;
    StartupRow->addWidget(laStartupError, 1);
    StartupRow->addWidget(buAvvio);
    StartupRow->setContentsMargins(0, 0, 8, 0);
    laRecordLimit = new QLabel(ClientArea());
    laRecordLimit->setObjectName("laRecordLimit");
    laRecordLimit->setStyleSheet("QLabel { color: rgb(160, 0, 0); }");
    laRecordLimit->setContentsMargins(8, 2, 8, 2);
    laRecordLimit->setWordWrap(true);
    laRecordLimit->hide();
    paStartupBusy = new QWidget(ClientArea());
    paStartupBusy->setObjectName("paStartupBusy");
    auto* BusyRow = new QHBoxLayout(paStartupBusy);
    BusyRow->setContentsMargins(8, 2, 8, 2);
    laStartupBusy = new QLabel(ToQString("Lettura dei dati della scuola in corso..."), paStartupBusy);
    laStartupBusy->setObjectName("laStartupBusy");
    StartupBusyBar = new QProgressBar(paStartupBusy);
    StartupBusyBar->setObjectName("pbStartupBusy");
    // No steps to count: the bar only moves.
    StartupBusyBar->setRange(0, 0);
    StartupBusyBar->setTextVisible(false);
    StartupBusyBar->setMaximumWidth(160);
    StartupBusyBar->setAccessibleName(ToQString("Lettura dei dati della scuola"));
    BusyRow->addWidget(laStartupBusy, 1);
    BusyRow->addWidget(StartupBusyBar);
    paStartupBusy->hide();
    auto* Column = qobject_cast<QBoxLayout*>(ClientArea()->layout());
    if (Column) {
        Column->addWidget(paStartupBusy);
        Column->addWidget(laRecordLimit);
        Column->addLayout(StartupRow);
    } else {
        ClientArea()->layout()->addWidget(paStartupBusy);
        ClientArea()->layout()->addWidget(laRecordLimit);
        ClientArea()->layout()->addWidget(laStartupError);
        ClientArea()->layout()->addWidget(buAvvio);
    }
    FLoadingTimer = new QTimer(this);
    FLoadingTimer->setInterval(LoadingPollMs);
    connect(FLoadingTimer, &QTimer::timeout, this, [this] { LoadingTick(); });
}

WizardPage* TfmTxadMain::ActivePage() const {
    const int Index = ActivePageIndex();
    return Index >= 0 && Index < static_cast<int>(FPages.size()) ? FPages[static_cast<std::size_t>(Index)]
                                                                 : nullptr;
}

bool TfmTxadMain::RunFinished() const {
    return FSession.Run == RunState::Finished || FSession.Run == RunState::Stopped;
}

// ---- Start-up ----------------------------------------------------------------

void TfmTxadMain::FormCreate() {
    for (const PlanPage& Entry : FSession.Plan.Pages) FPages.push_back(Entry.Make(FSession, pcMain));
    for (WizardPage* Page : FPages) {
        AddPage(Page);
        Page->setAccessibleName(ToQString(Page->StepName()));
    }
    // Pages are switched only by the wizard's buttons, also through the
    // accessibility tree.
    pcMain->tabBar()->hide();
    ExposeActivePageOnly(pcMain);
    TfmVxWizard::FormCreate();
    FArgumentsRead = StartArguments();
    if (StartsBehindWindow)
        ShowLoading(true);
    else
        FinishStartup();
}

void TfmTxadMain::FinishStartup() {
    if (FArgumentsRead) StartPages();
    ShowLoading(false);
    // Shown once the busy line is gone, in the order they happened.
    for (const std::exception_ptr& Error : FStartupErrors) {
        try {
            std::rethrow_exception(Error);
        } catch (const std::exception& E) {
            ShowApplicationError(E);
        }
    }
    FStartupErrors.clear();
    if (!StartupComplete()) {
        laStartupError->setText(ToQString("Esportazione non possibile: " + FStartupFailure));
        laStartupError->setToolTip(laStartupError->text());
        laStartupError->show();
        buAvvio->setVisible(static_cast<bool>(BackToStart));
        // Read out with the window's title when the window opens.
        setAccessibleDescription(laStartupError->text());
    }
    CheckRecordLimits();
    // Without a path the wizard shows the first page when the window is first
    // shown, or at once when it is already open.
    Paths().AddPath("Tracciato1", StepsText(PathPages(FSession.Plan, WizardPath::WithoutSites)));
    Paths().AddPath("Tracciato2", StepsText(PathPages(FSession.Plan, WizardPath::WithSites)));
    if (FSession.Args.Path == WizardPath::WithoutSites)
        SetPath("Tracciato1");
    else if (FSession.Args.Path == WizardPath::WithSites)
        SetPath("Tracciato2");
    else if (isVisible() && PageCount() > 0)
        GoToPage(0);
    UpdateButtons();
    emit StartupFinished();
}

void TfmTxadMain::ShowLoading(bool On) {
    const bool Was = FLoading;
    FLoading = On;
    paStartupBusy->setVisible(On);
    pcMain->setEnabled(!On);
    if (On) {
        // The path's first page stands there, unprepared, until the start-up
        // shows it; its show handler runs then.
        const std::vector<int> Route =
            PathPages(FSession.Plan, FSession.Args.Path == WizardPath::WithSites ? WizardPath::WithSites
                                                                                 : WizardPath::WithoutSites);
        if (FSession.Args.Path != WizardPath::None && !Route.empty()) pcMain->setCurrentIndex(Route.front());
        setWindowTitle(ToQString(ApplicationTitle()));
        setAccessibleDescription(laStartupBusy->text());
        setCursor(Qt::BusyCursor);
        UpdateButtons();
    } else if (Was) {
        FLoadingTimer->stop();
        setAccessibleDescription(QString());
        unsetCursor();
    }
}

void TfmTxadMain::showEvent(QShowEvent* Event) {
    TfmVxWizard::showEvent(Event);
    if (!FLoading || FLoadingTimer->isActive()) return;
    FExposed = false;
    FShownFor.start();
    if (QWindow* Window = windowHandle()) Window->installEventFilter(this);
    FLoadingTimer->start();
}

bool TfmTxadMain::eventFilter(QObject* Watched, QEvent* Event) {
    // The expose paints the window before the next timer tick.
    if (Event->type() == QEvent::Expose && Watched == windowHandle() && windowHandle()->isExposed())
        FExposed = true;
    return TfmVxWizard::eventFilter(Watched, Event);
}

void TfmTxadMain::LoadingTick() {
    if (!FLoading) return;
    if (!isVisible()) {
        ShowLoading(false);
        return;
    }
    if (!(FExposed || FShownFor.elapsed() >= UnexposedWaitMs)) return;
    // While the worker parses, the window keeps answering: it repaints, and
    // Annulla, Esc and the title bar's X close it.
    if (FSession.Dm.Prefetching()) return;
    FLoadingTimer->stop();
    FinishStartup();
}

bool TfmTxadMain::StartArguments() {
    const WizardArguments& Args = FSession.Args;
    StartupState& Startup = FSession.Startup;
    try {
        // An export into the file-system root, or one that writes nothing,
        // must not start: the argument check comes first.
        CheckStartupArguments(Args);
        const std::string Target(RecipientName(Args.Target));
        FSession.RecordSet = FSession.Plan.MakeRecordSet(Target);
        Startup.Target = Target;
        Startup.DataDir = platform::IncludePathDelimiter(Args.DataDir);
        Startup.DestDir = platform::IncludePathDelimiter(platform::DeliveryBase() + "rozadiver" +
                                                         platform::PathDelimiter() + "datrex" +
                                                         platform::PathDelimiter() + Target);
        Startup.BodyFiles = FSession.RecordSet->BodyFiles();
        PrefetchPackets();
        return true;
    } catch (const std::exception&) {
        StartupError(std::current_exception());
        return false;
    }
}

void TfmTxadMain::StartPages() {
    const WizardArguments& Args = FSession.Args;
    StartupState& Startup = FSession.Startup;
    try {
        for (WizardPage* Page : FPages) Page->Prepare();
        Startup.OutFiles = FSession.RecordSet->OutFiles();
        Startup.Header.SchoolCount = CountSchools(FSession.Dm.cdsMain, FSession.PacketPath(Packet::Registry));
        // With a path and the registry counted the pages before the export
        // can be walked; the header dates are part of every file, so without
        // them no export.
        if (Args.Path != WizardPath::None) FSession.Outcome = StartupOutcome::PagesOnly;
        if (ReadHeaderValues()) FSession.Outcome = StartupOutcome::Complete;
    } catch (const std::exception&) {
        StartupError(std::current_exception());
    }
}

// The packets of the pages and of the export do not depend on each other:
// the second core parses them while the first reads the ones needed first.
void TfmTxadMain::PrefetchPackets() {
    std::vector<std::string> Paths;
    for (const WizardPage* Page : FPages)
        for (const std::string& Name : Page->StartupPackets())
            Paths.push_back(FSession.Startup.DataDir + Name);
    for (const std::string& Name : FSession.Startup.BodyFiles)
        Paths.push_back(FSession.Startup.DataDir + Name);
    FSession.Dm.Prefetch(Paths);
}

void TfmTxadMain::StartupError(std::exception_ptr Error) {
    if (FStartupFailure.empty()) {
        try {
            std::rethrow_exception(Error);
        } catch (const std::exception& E) {
            FStartupFailure = FirstLine(UserText(E));
        }
    }
    FStartupErrors.push_back(std::move(Error));
}

bool TfmTxadMain::ReadHeaderValues() {
    const std::string& Target = FSession.Startup.Target;
    // Without the installation folder there is no parameter file to date;
    // the error names what is missing.
    const std::string Problem = InstallationProblem(Target);
    std::optional<std::string> MainDir;
    if (Problem.empty())
        MainDir = VxParam().MainDir();
    else
        StartupError(std::make_exception_ptr(EVxError(Problem)));
    const HeaderDates Dates =
        txad::ReadHeaderValues(MainDir ? &*MainDir : nullptr, Target, FSession.Startup.DataDir,
                               FSession.Plan.ReadsCatalogueDate ? &cdsTmp : nullptr);
    for (const std::string& Message : Dates.Errors) StartupError(std::make_exception_ptr(EVxError(Message)));
    FSession.Startup.Header.ParamFileDate = Dates.ParamFileDate;
    FSession.Startup.Header.CatalogueDate = Dates.CatalogueDate;
    return Problem.empty() && Dates.Errors.empty();
}

// Said from the first page on, not only when the export stops on the count.
void TfmTxadMain::CheckRecordLimits() {
    QStringList Lines;
    for (const std::string& Name : FSession.Startup.BodyFiles) {
        try {
            cdsTmp.LoadFromFile(FSession.Startup.DataDir + Name);
            if (const std::string Line = RecordLimitProblem(Name, cdsTmp.RecordCount()); !Line.empty())
                Lines << ToQString(Line);
        } catch (const std::exception&) {
            // A packet that cannot be read is a start-up error of its own.
        }
    }
    cdsTmp.Close();
    if (Lines.isEmpty()) return;
    Lines << ToQString("L'esportazione si fermer\xE0 su quel file: ridurre i dati nel programma di gestione "
                       "della scuola prima di procedere.");
    laRecordLimit->setText(Lines.join('\n'));
    laRecordLimit->show();
}

void TfmTxadMain::FormClose(TCloseAction& Action) {
    TfmVxWizard::FormClose(Action);
    FSession.Startup.BodyFiles.clear();
    FSession.Startup.OutFiles.clear();
}

// ---- Buttons and keys ----------------------------------------------------------

std::string TfmTxadMain::HelpTopic() const {
    const QWidget* Focus = focusWidget();
    if (Focus && pcMain->isAncestorOf(Focus)) return HelpTopicAt(Focus);
    return ActivePage() ? HelpTopicAt(ActivePage()) : std::string();
}

void TfmTxadMain::UpdateButtons() {
    RoutePosition At;
    if (Paths().HasPath()) {
        At.Step = Paths().Step();
        At.StepCount = Paths().StepCount();
        At.BackAlong = true;
        At.RunStopped = FSession.Run == RunState::Stopped;
    } else {
        At.Step = ActivePageIndex();
        At.StepCount = PageCount();
    }
    WizardButtons Buttons = ExportFormButtons(At, FSession.Outcome);
    // Nothing to go to before the pages are prepared.
    if (FLoading) Buttons = {};
    buOk->setEnabled(Buttons.Ok);
    buNext->setEnabled(Buttons.Next);
    buPrior->setEnabled(Buttons.Prior);
    // Drawn as the default: the button Enter presses (keyPressEvent).
    buOk->setDefault(Buttons.Ok);
    buNext->setDefault(!Buttons.Ok);
}

// Enter never cancels: a focused button other than Annulla takes it (the
// correction edits take it on their page), otherwise it presses Esci (the
// default button, on the export page) or else Avanti.
void TfmTxadMain::keyPressEvent(QKeyEvent* Event) {
    const bool Enter = Event->key() == Qt::Key_Return || Event->key() == Qt::Key_Enter;
    if (!Enter || (Event->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier) {
        TfmVxWizard::keyPressEvent(Event);
        return;
    }
    QPushButton* Target = nullptr;
    if (auto* Focused = qobject_cast<QPushButton*>(focusWidget()); Focused && Focused != buCancel)
        Target = Focused;
    else if (buOk->isEnabled())
        Target = buOk;
    else
        Target = buNext;
    if (Target->isEnabled() && Target->isVisible()) Target->click();
    Event->accept();
}

void TfmTxadMain::closeEvent(QCloseEvent* Event) {
    // The running export owns the datasets and the zip component: the form
    // cannot go away under it.
    if (FSession.Run == RunState::Running) {
        Event->ignore();
        return;
    }
    TfmVxWizard::closeEvent(Event);
}

void TfmTxadMain::done(int Result) {
    if (FSession.Run == RunState::Running) return;
    if (Result != Accepted && !MayCloseWithoutExport()) return;
    TfmVxWizard::done(Result);
    // Closed before the start-up behind it ended: nothing more to prepare or to tell.
    if (FLoading && !isVisible()) ShowLoading(false);
}

// Esc, the title bar's X and Annulla before a finished export lose what the
// user entered: they ask first.
bool TfmTxadMain::MayCloseWithoutExport() const {
    if (FSession.Run == RunState::Finished) return true;
    bool Entered = false;
    for (const WizardPage* Page : FPages) Entered = Entered || Page->HasUserInput();
    if (!Entered) return true;
    return ShowMessageDlg("Chiudere senza esportare?\r\n\r\nLe correzioni e il numero di protocollo inseriti "
                          "andranno persi.",
                          mtConfirmation, MsgButtons({mbYes, mbNo}), mbNo) == idYes;
}

// ---- Page changes --------------------------------------------------------------

void TfmTxadMain::pcMainChanging(bool& AllowChange) {
    WizardPage* Page = ActivePage();
    if (!Page) return;
    if (!Page->MayLeave()) {
        AllowChange = false;
        return;
    }
    Page->Left();
}

// The buttons follow the page as soon as it is active: the export page's run
// starts with Next and Back off.
// The title names the page before its show handler runs, so the export
// page's run is heard as part of that page.
void TfmTxadMain::PageShow(int Index) {
    UpdateButtons();
    WizardPage* Page = FPages[static_cast<std::size_t>(Index)];
    // The pages scroll only when the page shown needs more room than the
    // window has, whatever the others need.
    for (WizardPage* Each : FPages)
        Each->setSizePolicy(Each == Page ? QSizePolicy::Preferred : QSizePolicy::Ignored,
                            Each == Page ? QSizePolicy::Preferred : QSizePolicy::Ignored);
    pcMain->updateGeometry();
    setWindowTitle(ToQString(ApplicationTitle()) + QString::fromUtf8(" \u2013 ") + Page->StepName());
    AnnounceActivePage(pcMain);
    Page->Shown();
}
