#include "forms/VxFWizard.h"

#include "support/VxExceptions.h"

#include <QEvent>
#include <QMouseEvent>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>
#include <optional>

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
    // Tab follows the bar from left to right.
    setTabOrder(buCancel, buPrior);
    setTabOrder(buPrior, buNext);
    setTabOrder(buNext, buOk);
    connect(buNext, &QPushButton::clicked, this, [this] { NavigatorClick(buNext); });
    connect(buPrior, &QPushButton::clicked, this, [this] { NavigatorClick(buPrior); });
}

QWidget* TfmVxWizard::AddPage(const QString& ObjectName) {
    auto* Page = new QWidget(pcMain);
    Page->setObjectName(ObjectName);
    return AddPage(Page);
}

QWidget* TfmVxWizard::AddPage(QWidget* Page) {
    pcMain->addTab(Page, Page->objectName());
    return Page;
}

int TfmVxWizard::PageCount() const {
    return pcMain->count();
}

bool TfmVxWizard::GoToPage(int Index) {
    return Go({Index, -1});
}

bool TfmVxWizard::Go(const WizardMove& Move) {
    const int Index = Move.Page;
    if (Index == FActivePage) return false;
    if (Index < 0 || Index >= PageCount())
        throw EVxInternalError(FormatMsg("Wizard: La pagina specificata (%d) non esiste", Index));
    bool AllowChange = true;
    pcMainChanging(AllowChange);
    if (!AllowChange) return false;
    FActivePage = Index;
    FPaths.Arrived(Move);
    pcMain->setCurrentIndex(Index);
    PageShow(Index);
    FocusPage(pcMain->widget(Index));
    pcMainChange();
    return true;
}

void TfmVxWizard::FocusPage(QWidget* Page) {
    const QWidget* Focus = Page->window()->focusWidget();
    if (Focus != nullptr && Page->isAncestorOf(Focus) && Focus->isVisibleTo(Page)) return;
    for (QWidget* W = Page->nextInFocusChain(); W != Page; W = W->nextInFocusChain()) {
        if (Page->isAncestorOf(W) && W->isEnabled() && W->isVisibleTo(Page) &&
            (W->focusPolicy() & Qt::TabFocus)) {
            W->setFocus(Qt::TabFocusReason);
            return;
        }
    }
}

void TfmVxWizard::SetPath(const std::string& Name) {
    if (FPaths.SetPath(Name)) GoToPage(FPaths.StepPage(0));
}

void TfmVxWizard::NavigatorClick(QObject* Sender) {
    const int Delta = Sender == buNext ? 1 : Sender == buPrior ? -1 : 0;
    try {
        if (const std::optional<WizardMove> Move = FPaths.Move(Delta, FActivePage)) Go(*Move);
    } catch (const std::exception&) {
        // The error goes on to the error box; the buttons follow the page shown.
        UpdateButtons();
        throw;
    }
    UpdateButtons();
}

void TfmVxWizard::UpdateButtons() {
    const WizardButtons Buttons = FPaths.Buttons(FActivePage, PageCount());
    buOk->setEnabled(Buttons.Ok);
    buNext->setEnabled(Buttons.Next);
    buPrior->setEnabled(Buttons.Prior);
}

void TfmVxWizard::pcMainChanging(bool&) {}
void TfmVxWizard::PageShow(int) {}
void TfmVxWizard::pcMainChange() {}
void TfmVxWizard::FormActivate() {
    UpdateButtons();
}

void TfmVxWizard::FormShow() {
    TfmVxOkCancDlg::FormShow();
    if (PageCount() > 0 && !FPaths.HasPath() && ShowsFirstPage()) GoToPage(0);
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
            if (Mouse->button() == Qt::LeftButton && Index >= 0 && !FPaths.HasPath()) {
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
