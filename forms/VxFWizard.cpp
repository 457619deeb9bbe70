#include "forms/VxFWizard.h"

#include "support/VxExceptions.h"

#include <QEvent>
#include <QMouseEvent>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>
#include <charconv>
#include <utility>

TfmVxWizard::TfmVxWizard(QWidget* Parent) : TfmVxOkCancDlg(Parent) {
    setObjectName("fmVxWizard");
    SetClientSize(440, 221);

    pcMain = new QTabWidget(ClientArea());
    pcMain->setObjectName("pcMain");
    auto* Layout = new QVBoxLayout(ClientArea());
    Layout->setContentsMargins(0, 0, 0, 0);
    Layout->addWidget(pcMain);
    // Tabs change pages only through GoToPage, so a page can refuse to be left.
    pcMain->tabBar()->setFocusPolicy(Qt::NoFocus);
    pcMain->tabBar()->installEventFilter(this);
    pcMain->installEventFilter(this);

    buOk->setText("Fine");
    PlaceOnBar(buOk, 360);
    PlaceOnBar(buCancel, 120);

    buNext = new QPushButton("Avanti >", Panel1);
    buNext->setObjectName("buNext");
    PlaceOnBar(buNext, 280);
    buPrior = new QPushButton("< Indietro", Panel1);
    buPrior->setObjectName("buPrior");
    PlaceOnBar(buPrior, 200);
    setTabOrder(buCancel, buNext);
    setTabOrder(buNext, buPrior);
    connect(buNext, &QPushButton::clicked, this, [this] { NavigatorClick(buNext); });
    connect(buPrior, &QPushButton::clicked, this, [this] { NavigatorClick(buPrior); });
}

QWidget* TfmVxWizard::AddPage(const QString& ObjectName) {
    auto* Page = new QWidget(pcMain);
    Page->setObjectName(ObjectName);
    pcMain->addTab(Page, ObjectName);
    return Page;
}

int TfmVxWizard::PageCount() const {
    return pcMain->count();
}

bool TfmVxWizard::GoToPage(int Index) {
    if (Index == FActivePage) return false;
    if (Index < 0 || Index >= PageCount())
        throw EVxInternalError(FormatMsg("Wizard: La pagina specificata (%d) non esiste", Index));
    bool AllowChange = true;
    pcMainChanging(AllowChange);
    if (!AllowChange) return false;
    FActivePage = Index;
    if (FPendingStep >= 0) FStep = std::exchange(FPendingStep, -1);
    pcMain->setCurrentIndex(Index);
    PageShow(Index);
    pcMainChange();
    return true;
}

int TfmVxWizard::StepPage(int Position) const {
    const std::string& Text = FSteps.at(static_cast<size_t>(Position));
    // The framework's StrToInt: leading blanks allowed, nothing after the digits.
    const char* First = Text.data();
    const char* Last = Text.data() + Text.size();
    while (First != Last && *First == ' ') ++First;
    if (First != Last && *First == '+') ++First;
    int Value = 0;
    const auto [End, Ec] = std::from_chars(First, Last, Value);
    if (Ec != std::errc() || End != Last || First == Last)
        throw EVxInternalError("'" + Text + "' is not a valid integer value");
    return Value;
}

void TfmVxWizard::SetPath(const std::string& Name) {
    if (UpperCaseAscii(Name) == FPathName) return;
    const std::string Steps = FPaths.GetPath(Name);
    // An unknown name leaves the current path as it is.
    if (Steps.empty())
        throw EVxInternalError(FormatMsg("Wizard: Il percorso specificato (%s) non esiste", Name));
    FPaths.SplitPath(Steps, FSteps);
    FStep = 0;
    FPathName = UpperCaseAscii(Name);
    GoToPage(StepPage(0));
}

void TfmVxWizard::NavigatorClick(QObject* Sender) {
    const int Step = Sender == buNext ? 1 : Sender == buPrior ? -1 : 0;
    try {
        if (!FPathName.empty()) {
            const int Target = FStep + Step;
            // Beyond either end of the path there is nowhere to go.
            if (Target >= 0 && Target < static_cast<int>(FSteps.size())) {
                const int Page = StepPage(Target);
                // The step follows the page as soon as it is active, even when
                // its show handler then fails.
                FPendingStep = Target;
                GoToPage(Page);
            }
        } else if (Step != 0) {
            GoToPage(FActivePage + Step);
        }
    } catch (const std::exception&) {
        // The error goes on to the error box; the buttons follow the page shown.
        FPendingStep = -1;
        UpdateButtons();
        throw;
    }
    FPendingStep = -1;
    UpdateButtons();
}

void TfmVxWizard::UpdateButtons() {
    if (PageCount() == 0) {
        buOk->setEnabled(false);
        buNext->setEnabled(false);
        buPrior->setEnabled(false);
        return;
    }
    if (!FPathName.empty()) {
        const int Last = static_cast<int>(FSteps.size()) - 1;
        buOk->setEnabled(FStep == Last);
        buPrior->setEnabled(FStep > 0);
        buNext->setEnabled(FStep < Last);
    } else {
        const int Last = PageCount() - 1;
        buOk->setEnabled(FActivePage == Last);
        buPrior->setEnabled(FActivePage > 0);
        buNext->setEnabled(FActivePage < Last);
    }
}

void TfmVxWizard::pcMainChanging(bool&) {}
void TfmVxWizard::PageShow(int) {}
void TfmVxWizard::pcMainChange() {}
void TfmVxWizard::FormActivate() {
    UpdateButtons();
}

void TfmVxWizard::FormShow() {
    TfmVxOkCancDlg::FormShow();
    if (PageCount() > 0 && FPathName.empty()) GoToPage(0);
    UpdateButtons();
}

void TfmVxWizard::changeEvent(QEvent* Event) {
    TfmVxOkCancDlg::changeEvent(Event);
    if (Event->type() == QEvent::ActivationChange && isActiveWindow()) FormActivate();
}

bool TfmVxWizard::eventFilter(QObject* Watched, QEvent* Event) {
    if (Watched == pcMain->tabBar()) {
        switch (Event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick: {
            // With a path current, pages are reached by step only.
            const auto* Mouse = static_cast<QMouseEvent*>(Event);
            const int Index = pcMain->tabBar()->tabAt(Mouse->position().toPoint());
            if (Mouse->button() == Qt::LeftButton && Index >= 0 && FPathName.empty()) {
                GoToPage(Index);
                UpdateButtons();
            }
            return true;
        }
        case QEvent::MouseButtonRelease:
        case QEvent::Wheel:
        case QEvent::KeyPress: return true;
        default: break;
        }
    } else if (Watched == pcMain && Event->type() == QEvent::KeyPress) {
        // Ctrl+Tab and Ctrl+PgUp/PgDn would switch pages behind GoToPage's back.
        const auto* Key = static_cast<QKeyEvent*>(Event);
        if (Key->modifiers() & Qt::ControlModifier) {
            switch (Key->key()) {
            case Qt::Key_Tab:
            case Qt::Key_Backtab:
            case Qt::Key_PageUp:
            case Qt::Key_PageDown: return true;
            default: break;
            }
        }
    }
    return TfmVxOkCancDlg::eventFilter(Watched, Event);
}
