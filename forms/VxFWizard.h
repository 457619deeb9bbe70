#pragma once
// TfmVxWizard: a page control stepped through with Next and Back, along a
// named path of page indexes or, with no path current, in index order; the
// position and the buttons it enables come from TVxWizardPaths. Page
// changes go through pcMainChanging (a page can refuse to be left), the page's
// show handler PageShow and pcMainChange, all called by GoToPage, so a run
// without a window walks the same path.

#include "forms/VxFDlgOkCancel.h"
#include "forms/VxWizardPaths.h"

#include <string>

class QTabWidget;

class TfmVxWizard : public TfmVxOkCancDlg {
    Q_OBJECT
public:
    explicit TfmVxWizard(QWidget* Parent = nullptr);

    QTabWidget* pcMain = nullptr;
    QPushButton* buNext = nullptr;
    QPushButton* buPrior = nullptr;

    // Appends an empty page named ObjectName (also its tab text).
    QWidget* AddPage(const QString& ObjectName);
    // Appends Page, its object name also its tab text.
    QWidget* AddPage(QWidget* Page);
    int PageCount() const;
    // The page made active by GoToPage; -1 before the first one.
    int ActivePageIndex() const { return FActivePage; }

    // Switches to page Index: false when it is already active or
    // pcMainChanging refuses. An error from pcMainChanging propagates and the
    // page stays; an index without a page raises EVxInternalError.
    bool GoToPage(int Index);
    // Makes a registered path current and shows its first page; the same name
    // again (any case) changes nothing. EVxInternalError for an unknown name.
    void SetPath(const std::string& Name);
    TVxWizardPaths& Paths() { return FPaths; }

    // Enables Fine, Next and Back for the current position (Cancel untouched).
    virtual void UpdateButtons();
    // Next (buNext), Back (buPrior); any other sender only refreshes the buttons.
    void NavigatorClick(QObject* Sender);

protected:
    // The page control's OnChanging: clear AllowChange to keep the page.
    virtual void pcMainChanging(bool& AllowChange);
    // The show handler of page Index, run as it becomes the active page.
    virtual void PageShow(int Index);
    // The page control's OnChange, after the page has changed.
    virtual void pcMainChange();
    virtual void FormActivate();
    // Puts the keyboard on the page's first control unless its show handler
    // placed it there: otherwise it stays on a navigator button (Annulla
    // first), where a Space meant for the page ends the wizard.
    void FocusPage(QWidget* Page);

    void FormShow() override;
    // Whether the first show makes page 0 active when no path is current; a
    // wizard whose pages are not prepared yet shows its first page itself.
    virtual bool ShowsFirstPage() const { return true; }
    void changeEvent(QEvent* Event) override;
    bool eventFilter(QObject* Watched, QEvent* Event) override;

    const TVxWizardPaths& Paths() const { return FPaths; }

private:
    // GoToPage, and the move's step taken once its page is active.
    bool Go(const WizardMove& Move);

    TVxWizardPaths FPaths;
    int FActivePage = -1;
};
