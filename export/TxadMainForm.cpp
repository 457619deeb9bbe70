#include "export/TxadMainForm.h"

#include "export/ExportRun.h"
#include "export/StartupValues.h"
#include "export/TypedLengthLimit.h"
#include "forms/DataSetModel.h"
#include "forms/QtText.h"
#include "platform/Platform.h"
#include "support/VxExceptions.h"
#include "support/VxMsgDlg.h"
#include "support/VxParam.h"
#include "support/VxStrUtils.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QElapsedTimer>
#include <QFontDatabase>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QHelpEvent>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <QToolTip>
#include <QVBoxLayout>
#include <QWindow>

#include <optional>

namespace {

constexpr int NameLimit = 30;
constexpr int DesignWidth = 678;
constexpr int DesignHeight = 467;

const char* const NotExportedTip =
    "Il file delle scuole riporta una sola sede per codice meccanografico, la prima:\n"
    "le correzioni vanno fatte su quella riga.";

// The step each page stands for in the window title.
const char* StepName(const QString& Page) {
    if (Page == "tsSelSedi") return "Selezione sedi";
    if (Page == "tsAnomalie") return "Anomalie";
    if (Page == "tsAnagrafica") return "Anagrafica";
    if (Page == "tsInfo") return "Esportazione";
    return nullptr;
}

// Runs an action each time the watched widget is resized.
class ResizeWatcher : public QObject {
public:
    ResizeWatcher(QWidget* Watched, std::function<void()> Action)
        : QObject(Watched), FAction(std::move(Action)) {
        Watched->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject*, QEvent* Event) override {
        if (Event->type() == QEvent::Resize) FAction();
        return false;
    }

private:
    std::function<void()> FAction;
};

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

// The zip component as the export run sees it.
class ZipComponentPacker : public txad::ZipPacker {
public:
    explicit ZipComponentPacker(TZip& Zip) : FZip(Zip) {}
    void SetZipFileName(const std::string& Name) override { FZip.SetZipFileName(Name); }
    void SetFileSpecs(const std::vector<std::string>& FileEntries) override {
        FZip.SetFileSpecs(FileEntries);
    }
    int Add() override { return FZip.Add(); }

private:
    TZip& FZip;
};

QLabel* NavyLabel(const char* Name, const std::string& Text, QWidget* Parent) {
    auto* Label = new QLabel(ToQString(Text), Parent);
    Label->setObjectName(Name);
    Label->setStyleSheet("color: navy;");
    return Label;
}

QFrame* Bevel(const char* Name, QWidget* Parent) {
    auto* Frame = new QFrame(Parent);
    Frame->setObjectName(Name);
    Frame->setFrameShape(QFrame::StyledPanel);
    Frame->setFrameShadow(QFrame::Sunken);
    return Frame;
}

// While the highlighting is on, every cell is drawn on light yellow when its
// row's name is over 30 characters and on the window colour otherwise, in the
// window-text colour: the selection colour would hide the yellow of the row
// being corrected, whose place the row indicator and the focus frame show.
// The form decides, the grid only asks.
class LongNameDelegate : public QStyledItemDelegate {
public:
    LongNameDelegate(TfmTxadMainBase& Form, QObject* Parent) : QStyledItemDelegate(Parent), FForm(Form) {}

protected:
    void initStyleOption(QStyleOptionViewItem* Option, const QModelIndex& Index) const override {
        QStyledItemDelegate::initStyleOption(Option, Index);
        if (!FForm.HighlightNames()) return;
        Option->state &= ~QStyle::State_Selected;
        Option->backgroundBrush = FForm.RowHighlighted(Index.row()) ? QBrush(QColor(255, 255, 132))
                                                                    : Option->palette.brush(QPalette::Base);
        Option->palette.setBrush(QPalette::Text, Option->palette.brush(QPalette::WindowText));
        // Grey, whatever the style's disabled colours.
        if (!FForm.RowExported(Index.row())) Option->palette.setColor(QPalette::Text, QColor(128, 128, 128));
    }

    // A cut cell shows its whole text; a row the school file does not take
    // says why.
    bool helpEvent(QHelpEvent* Event, QAbstractItemView* View, const QStyleOptionViewItem& Option,
                   const QModelIndex& Index) override {
        if (Event->type() != QEvent::ToolTip || !Index.isValid())
            return QStyledItemDelegate::helpEvent(Event, View, Option, Index);
        const QString Text = Index.data().toString();
        const int Margin = 2 * (View->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, View) + 1);
        QStringList Tip;
        if (Option.fontMetrics.horizontalAdvance(Text) + Margin > Option.rect.width()) Tip << Text;
        if (!FForm.RowExported(Index.row())) Tip << ToQString(NotExportedTip);
        if (Tip.isEmpty()) {
            QToolTip::hideText();
            return true;
        }
        QToolTip::showText(Event->globalPos(), Tip.join('\n'), View, Option.rect);
        return true;
    }

private:
    TfmTxadMainBase& FForm;
};

} // namespace

// Disables the form for the duration of the export run, whatever way it ends.
class TfmTxadMainBase::RunningGuard {
public:
    explicit RunningGuard(TfmTxadMainBase& Form) : FForm(Form) {
        FForm.FRunning = true;
        FForm.setEnabled(false);
    }
    ~RunningGuard() {
        FForm.FRunning = false;
        FForm.setEnabled(true);
    }
    RunningGuard(const RunningGuard&) = delete;
    RunningGuard& operator=(const RunningGuard&) = delete;

private:
    TfmTxadMainBase& FForm;
};

TfmTxadMainBase::TfmTxadMainBase(TdmTxadMain& DataModule, std::vector<std::string> Args, QWidget* Parent)
    : TfmVxWizard(Parent), Clock(platform::Now), dm(DataModule), FArgs(std::move(Args)) {
    FArgs.resize(std::max<std::size_t>(FArgs.size(), 3));
    setObjectName("fmTxadMain");
    setWindowTitle("Esportazione dei dati adozionali");
    dm.Share(cdsTmp);

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
    // The design size is the least; the window grows and can be maximised.
    setMinimumSize(DesignWidth, DesignHeight);
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    setWindowFlags(windowFlags() | Qt::WindowMinMaxButtonsHint);

    laStartupError = new QLabel(ClientArea());
    laStartupError->setObjectName("laStartupError");
    laStartupError->setStyleSheet("QLabel { color: rgb(160, 0, 0); font-weight: bold; }");
    laStartupError->setContentsMargins(8, 2, 8, 2);
    laStartupError->hide();
    ClientArea()->layout()->addWidget(laStartupError);
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
            FStartup.DataDir = IncludePathDelimiter(Arg(1));
            FStartup.DestDir =
                IncludePathDelimiter(platform::DeliveryBase() + "rozadiver" + platform::PathDelimiter() +
                                     "datrex" + platform::PathDelimiter() + Arg(2));
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
    FStartup.SchoolCount = txad::CountSchools(dm.cdsMain, FStartup.DataDir + FStartup.BodyFiles[0]);
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
    FStartup.ParamFileDate = Dates.ParamFileDate;
    FStartup.CatalogueDate = Dates.CatalogueDate;
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
    const txad::WizardButtons Buttons =
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

void TfmTxadMainBase::pcMainChanging(bool& AllowChange) {
    if (ActivePageIndex() != FPageSelSedi || FPageSelSedi < 0) return;
    dm.cdsMain.LoadFromFile(FStartup.DataDir + "Body014.xml");
    if (txad::FirstBadSiteGroup(FSiteTexts, SiteTicks())) {
        AllowChange = false;
        ShowMessageDlg("Per ogni codice meccanogafico dev'essere selezionata\r\nuna e una sola descrizione.",
                       mtError, MsgButtons({mbOK}), mbHelp);
    }
}

// ---- Site selection page ---------------------------------------------------------

QWidget* TfmTxadMainBase::BuildSitePage() {
    QWidget* Page = AddPage("tsSelSedi");
    auto* Layout = new QVBoxLayout(Page);
    Layout->setContentsMargins(1, 13, 0, 0);
    laInfo = NavyLabel("laInfo", "Per ogni codice meccanografico, selezionare la \"descrizione ufficiale\".",
                       Page);
    Layout->addWidget(laInfo);
    clSedi = new QListWidget(Page);
    clSedi->setObjectName("clSedi");
    // Descriptions of one school may differ only at their end: never elided,
    // scrolled instead (item sizes differ, so the widest one sets the width).
    clSedi->setTextElideMode(Qt::ElideNone);
    clSedi->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    Layout->addWidget(clSedi, 1);
    return Page;
}

void TfmTxadMainBase::LoadSiteList() {
    TClientDataSet& Sites = dm.cdsSelSedi;
    const TField Cod = Sites.FieldByName("CodScuola");
    const TField Nome = Sites.FieldByName("Nome");
    const TField Indirizzo = Sites.FieldByName("Indirizzo");
    for (; !Sites.Eof(); Sites.Next()) {
        std::string Text = Cod.AsString();
        Text.append(" - ").append(Nome.AsText()).append(" - ").append(Indirizzo.AsText());
        auto* Item = new QListWidgetItem(ToQString(Text), clSedi);
        Item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
        Item->setCheckState(Qt::Unchecked);
        // The whole line, also where the list cuts it.
        Item->setToolTip(Item->text());
        FSiteTexts.push_back(std::move(Text));
    }
}

void TfmTxadMainBase::tsSelSediShow() {
    SetRegistryActive(false);
}

std::vector<bool> TfmTxadMainBase::SiteTicks() const {
    std::vector<bool> Ticks;
    for (int I = 0; I < clSedi->count(); ++I) Ticks.push_back(clSedi->item(I)->checkState() == Qt::Checked);
    return Ticks;
}

void TfmTxadMainBase::ApplySiteChoice() {
    FPacketRows = txad::ApplySiteChoice(dm.cdsMain, SiteTicks());
}

// ---- School registry page ----------------------------------------------------------

QWidget* TfmTxadMainBase::BuildRegistryPage(bool ProtocolArea) {
    QWidget* Page = AddPage("tsAnagrafica");
    auto* PageLayout = new QVBoxLayout(Page);
    PageLayout->setContentsMargins(0, 0, 0, 0);
    Panel2 = new QWidget(Page);
    Panel2->setObjectName("Panel2");
    PageLayout->addWidget(Panel2);
    auto* Layout = new QVBoxLayout(Panel2);
    Layout->setContentsMargins(8, 8, 15, 8);
    Layout->setSpacing(5);

    grAnagrafica = new QTableView(Panel2);
    grAnagrafica->setObjectName("grAnagrafica");
    grAnagrafica->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grAnagrafica->setSelectionBehavior(QAbstractItemView::SelectRows);
    grAnagrafica->setSelectionMode(QAbstractItemView::SingleSelection);
    // Tab leaves the grid for the edits, as the tab order says.
    grAnagrafica->setTabKeyNavigation(false);
    grAnagrafica->verticalHeader()->setDefaultSectionSize(18);
    grAnagrafica->setMinimumHeight(ProtocolArea ? 233 : 257);
    Layout->addWidget(grAnagrafica, 1);

    auto* Legend = new QHBoxLayout;
    Legend->addStretch(1);
    shYellow = new QFrame(Panel2);
    shYellow->setObjectName("shYellow");
    shYellow->setFixedSize(15, 15);
    shYellow->setStyleSheet("background-color: rgb(255, 255, 119); border: 1px solid black;");
    Legend->addWidget(shYellow);
    laWarning = new QLabel("Lunghezza del campo 'Nome' superiore a 30 caratteri", Panel2);
    laWarning->setObjectName("laWarning");
    Legend->addWidget(laWarning);
    Layout->addLayout(Legend);

    Bevel2 = Bevel("Bevel2", Panel2);
    auto* Correction = new QGridLayout(Bevel2);
    Correction->setContentsMargins(8, 8, 8, 8);
    laTodoNome =
        NavyLabel("laTodoNome", "Modificare il nome della sede se superiore a 30 caratteri.", Bevel2);
    laNome = new QLabel("&Nome", Bevel2);
    laNome->setObjectName("laNome");
    edNome = new QLineEdit(Bevel2);
    edNome->setObjectName("edNome");
    edNome->setMinimumWidth(201);
    laNome->setBuddy(edNome);
    laTodoExCod =
        NavyLabel("laTodoExCod",
                  "Se il codice meccanografico \xE8 variato rispetto allo scorso\r\nanno, indicare il "
                  "vecchio codice.",
                  Bevel2);
    laTodoExCod->setText(laTodoExCod->text().replace("\r\n", "\n"));
    laExCod = new QLabel("E&x codice", Bevel2);
    laExCod->setObjectName("laExCod");
    edExCod = new QLineEdit(Bevel2);
    edExCod->setObjectName("edExCod");
    edExCod->setFixedWidth(121);
    // "." in the packet means no former code: shown as an empty box.
    edExCod->setPlaceholderText("nessuno");
    laExCod->setBuddy(edExCod);
    buEdit = new QPushButton("&Modifica", Bevel2);
    buEdit->setObjectName("buEdit");
    buEdit->setFixedSize(75, 25);
    buEdit->setAutoDefault(false);
    acEdit = new QAction("&Modifica", this);
    acEdit->setObjectName("acEdit");
    connect(acEdit, &QAction::triggered, this, [this] { acEditExecute(); });
    connect(buEdit, &QPushButton::clicked, acEdit, &QAction::trigger);
    Correction->addWidget(laTodoNome, 0, 0);
    Correction->addWidget(laNome, 0, 1);
    Correction->addWidget(edNome, 0, 2, 1, 2);
    Correction->addWidget(laTodoExCod, 1, 0);
    Correction->addWidget(laExCod, 1, 1);
    Correction->addWidget(edExCod, 1, 2);
    Correction->addWidget(buEdit, 1, 3, Qt::AlignRight);
    Correction->setColumnStretch(0, 1);
    Layout->addWidget(Bevel2);

    setTabOrder(grAnagrafica, edNome);
    setTabOrder(edNome, edExCod);
    setTabOrder(edExCod, buEdit);

    // The edits follow every change of the grid's current row (keys, pages,
    // wheel, click), so Modifica never stores one school's edits in another.
    dm.dsMain->SetColumns({{"CodScuola", "Codice mecc."},
                           {"ExCodScuola", "Ex codice"},
                           {"Nome", "Nome "},
                           {"Indirizzo", "Indirizzo "},
                           {"Comune", "Comune "}});
    BindDataSetView(grAnagrafica, dm.dsMain);
    grAnagrafica->setItemDelegate(new LongNameDelegate(*this, grAnagrafica));
    const int Widths[] = {78, 78, 171, 184, 232};
    for (int C = 0; C < 5; ++C) grAnagrafica->setColumnWidth(C, Widths[C]);
    new ResizeWatcher(grAnagrafica->viewport(), [this] { FitNameColumn(); });
    // The edits follow every change of the current row (keys, pages, wheel,
    // click, the program), so Modifica never stores one school's edits in
    // another school's row.
    // Only while the registry page is on: the export reloads cdsMain with
    // packets that have no names.
    connect(dm.dsMain, &DataSetModel::CurrentRowChanged, this, [this](int) {
        if (FEditsFollowRow) CopyRecordToEdits();
    });
    if (ProtocolArea) {
        Bevel1 = Bevel("Bevel1", Panel2);
        auto* Protocol = new QHBoxLayout(Bevel1);
        Protocol->setContentsMargins(8, 8, 8, 8);
        Label1 = new QLabel("Numero di &protocollo", Bevel1);
        Label1->setObjectName("Label1");
        edNProto = new QLineEdit(Bevel1);
        edNProto->setObjectName("edNProto");
        edNProto->setFixedWidth(153);
        new TypedLengthLimit(edNProto, NameLimit);
        Label1->setBuddy(edNProto);
        cbCor = new QCheckBox("&Correzione o secondo tentavivo", Bevel1);
        cbCor->setObjectName("cbCor");
        Protocol->addWidget(Label1);
        Protocol->addWidget(edNProto);
        Protocol->addSpacing(20);
        Protocol->addWidget(cbCor);
        Protocol->addStretch(1);
        Layout->addWidget(Bevel1);
        setTabOrder(buEdit, edNProto);
        setTabOrder(edNProto, cbCor);
    }
    return Page;
}

bool TfmTxadMainBase::RowExported(int Position) {
    if (!FRegistryActive || !FRecordSet || !FRecordSet->OneSchoolRecordPerCode() || !dm.cdsMain.Active())
        return true;
    const TField Code = dm.cdsMain.FindField("CodScuola");
    if (!Code.Valid() || Position < 0 || Position >= dm.cdsMain.RecordCount()) return true;
    // The school writer starts from an empty last code.
    const std::string Current(dm.cdsMain.TextAt(Position, Code.Index()));
    return Position == 0 ? !Current.empty() : Current != dm.cdsMain.TextAt(Position - 1, Code.Index());
}

bool TfmTxadMainBase::RowHighlighted(int Position) {
    if (!FHighlightOn || !dm.cdsMain.Active()) return false;
    const TField Nome = dm.cdsMain.FindField("Nome");
    if (!Nome.Valid()) return false;
    return dm.cdsMain.TextAt(Position, Nome.Index()).size() > NameLimit;
}

void TfmTxadMainBase::SetRegistryActive(bool Active) {
    FHighlightOn = Active;
    FRegistryActive = Active;
    FEditsFollowRow = Active;
}

void TfmTxadMainBase::tsAnagraficaShow() {
    SetRegistryActive(true);
    try {
        if (RegistryShowReloads()) dm.cdsMain.LoadFromFile(FStartup.DataDir + "Body014.xml");
        FPacketRows.clear();
        for (int Row = 0; Row < dm.cdsMain.RecordCount(); ++Row) FPacketRows.push_back(Row);
        if (Arg(3) == "2") ApplySiteChoice();
        ApplyCorrections();
        dm.cdsMain.First();
        FitCodeColumns();
        FitNameColumn();
        grAnagrafica->setFocus();
        CopyRecordToEdits();
    } catch (const std::exception& E) {
        ShowApplicationError(E);
    }
}

void TfmTxadMainBase::ApplyCorrections() {
    TClientDataSet& Main = dm.cdsMain;
    if (FCorrections.empty() || !Main.Active()) return;
    const int Rows = std::min(Main.RecordCount(), static_cast<int>(FPacketRows.size()));
    for (int Row = 0; Row < Rows; ++Row) {
        const auto It = FCorrections.find(FPacketRows[static_cast<std::size_t>(Row)]);
        if (It == FCorrections.end()) continue;
        Main.SetRecNo(Row);
        Main.Edit();
        Main.FieldByName("Nome").SetAsString(It->second.Nome);
        Main.FieldByName("ExCodScuola").SetAsString(It->second.ExCodScuola);
        Main.Post();
    }
}

void TfmTxadMainBase::CopyRecordToEdits() {
    TClientDataSet& Main = dm.cdsMain;
    if (!Main.Active() || Main.Eof()) return;
    const TField Nome = Main.FindField("Nome");
    const TField ExCod = Main.FindField("ExCodScuola");
    // The start of a long name is what the user reads first; the whole name
    // is in the tooltip.
    if (Nome.Valid()) {
        edNome->setText(ToQString(Nome.AsText()));
        edNome->setCursorPosition(0);
        edNome->setToolTip(edNome->text());
    }
    if (ExCod.Valid()) {
        const std::string Code = AllTrim(ExCod.AsText());
        edExCod->setText(Code == "." ? QString() : ToQString(Code));
    }
    // A row the school file does not take cannot be corrected.
    const bool Exported = RowExported(Main.RecNo());
    const QString Tip = Exported ? QString() : ToQString(NotExportedTip);
    for (QWidget* Edit :
         {static_cast<QWidget*>(edNome), static_cast<QWidget*>(edExCod), static_cast<QWidget*>(buEdit)}) {
        Edit->setEnabled(Exported);
        if (Edit != edNome) Edit->setToolTip(Tip);
    }
    if (!Exported) edNome->setToolTip(edNome->text() + "\n" + Tip);
    acEdit->setEnabled(Exported);
}

// The two code columns show a whole code and their title whatever the font;
// the design widths are their least.
void TfmTxadMainBase::FitCodeColumns() {
    constexpr int DesignWidth = 78;
    const QAbstractItemModel* Model = grAnagrafica->model();
    for (int Column = 0; Column < 2; ++Column) {
        int Needed = grAnagrafica->horizontalHeader()->sectionSizeHint(Column);
        for (int Row = 0; Row < Model->rowCount(); ++Row)
            Needed = std::max(Needed, grAnagrafica->sizeHintForIndex(Model->index(Row, Column)).width());
        grAnagrafica->setColumnWidth(Column, std::max(DesignWidth, Needed));
    }
}

// A window wider than designed gives the names the room the other columns
// leave; the design width is their least.
void TfmTxadMainBase::FitNameColumn() {
    constexpr int NameColumn = 2;
    constexpr int NameWidth = 171;
    const QHeaderView* Header = grAnagrafica->horizontalHeader();
    int Others = 0;
    for (int Column = 0; Column < Header->count(); ++Column)
        if (Column != NameColumn) Others += Header->sectionSize(Column);
    grAnagrafica->setColumnWidth(NameColumn, std::max(NameWidth, grAnagrafica->viewport()->width() - Others));
}

void TfmTxadMainBase::acEditExecute() {
    const txad::FormerCodeEntry ExCod = txad::CheckFormerCode(FromQString(edExCod->text()));
    if (!ExCod.Accepted) {
        ShowMessageDlg(ExCod.Error, mtError, MsgButtons({mbOK}), mbHelp);
        edExCod->setFocus();
        return;
    }
    TClientDataSet& Main = dm.cdsMain;
    if (!Main.Active() || Main.Eof()) return;
    const int Row = Main.RecNo();
    if (!RowExported(Row)) return;
    const TRegistryCorrection Correction{FromQString(edNome->text()), ExCod.Stored};
    Main.Edit();
    Main.FieldByName("Nome").SetAsString(Correction.Nome);
    Main.FieldByName("ExCodScuola").SetAsString(Correction.ExCodScuola);
    Main.Post();
    // Kept for the fresh load of the next visit.
    if (Row >= 0 && Row < static_cast<int>(FPacketRows.size()))
        FCorrections[FPacketRows[static_cast<std::size_t>(Row)]] = Correction;
    grAnagrafica->setFocus();
}

// ---- Export page -------------------------------------------------------------------

void TfmTxadMainBase::SetMemoFont(QPlainTextEdit* Memo) {
    QFont Font("Lucida Console", 8);
    if (!QFontDatabase::families().contains("Lucida Console")) {
        Font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
        Font.setPointSize(8);
    }
    Memo->setFont(Font);
}

QWidget* TfmTxadMainBase::BuildInfoPage() {
    QWidget* Page = AddPage("tsInfo");
    auto* Layout = new QVBoxLayout(Page);
    Layout->setContentsMargins(18, 24, 21, 24);
    meInfo = new QPlainTextEdit(Page);
    meInfo->setObjectName("meInfo");
    meInfo->setReadOnly(true);
    meInfo->setStyleSheet("QPlainTextEdit { background-color: rgb(187, 255, 255); color: navy; }");
    SetMemoFont(meInfo);
    Layout->addWidget(meInfo);
    return Page;
}

void TfmTxadMainBase::AppendInfo(const std::string& Text) {
    FLogTexts.push_back(Text);
    QString Shown = ToQString(Text);
    Shown.replace("\r\n", "\n");
    meInfo->appendPlainText(Shown);
}

void TfmTxadMainBase::tsInfoShow() {
    SetRegistryActive(false);
    buNext->setEnabled(false);
    buPrior->setEnabled(false);
    meInfo->clear();
    FLogTexts.clear();
    if (!FStartupComplete || FRunFinished) return;

    ZipComponentPacker Packer(dm.zpOut);
    txad::ExportRun Run(
        *FRecordSet, txad::MakeExportSettings(FStartup, ProtocolNumber(), Clock()), dm.cdsMain,
        [this](const std::string& Text) { AppendInfo(Text); }, &Packer);
    // The run walks every packet through cdsMain; the registry grid, out of
    // reach from this page, lets go of it instead of following each row.
    dm.dsMain->SetDataSet(nullptr);
    {
        // Only the zip component's progress window takes input while the run works.
        RunningGuard Guard(*this);
        FRunStopped = Run.Execute();
    }
    FRunFinished = true;
    UpdateButtons();
}
