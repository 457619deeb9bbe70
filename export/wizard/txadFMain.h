#pragma once
// TfmTxadMain: the export wizard's main form, a coordinator. It builds the
// pages of its edition's plan, runs start-up, moves along the path the
// arguments chose, sets the buttons by one rule and hands every page the one
// session: what start-up found, the run's state and the values pages leave
// for each other. What happens on a page is the page's business.

#include "export/wizard/EditionPlan.h"
#include "export/wizard/WizardArguments.h"
#include "export/wizard/WizardSession.h"
#include "forms/VxFWizard.h"

#include <QElapsedTimer>

#include <exception>
#include <functional>
#include <string>
#include <vector>

class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;

namespace txad {
class WizardPage;
}

class TfmTxadMain : public TfmVxWizard {
    Q_OBJECT
public:
    TfmTxadMain(TdmTxadMain& DataModule, const txad::EditionPlan& Plan, txad::WizardArguments Args,
                QWidget* Parent = nullptr);
    ~TfmTxadMain() override;

    txad::WizardSession& Session() { return FSession; }
    const txad::WizardSession& Session() const { return FSession; }

    txad::StartupOutcome Outcome() const { return FSession.Outcome; }
    // Only a complete start-up can lead to the export.
    bool StartupComplete() const { return FSession.Outcome == txad::StartupOutcome::Complete; }
    // Why the export cannot run after a failed start-up, one line; empty
    // after a complete start-up.
    const std::string& StartupFailure() const { return FStartupFailure; }
    // The export run has ended (finished or stopped) / stopped with the stop text.
    bool RunFinished() const;
    bool RunStopped() const { return FSession.Run == txad::RunState::Stopped; }
    // The last run stopped because the user cancelled it.
    bool RunCancelled() const { return FSession.RunCancelled; }

    // The page of class Page in the plan; nullptr when the edition has none,
    // or before Create() has built the pages.
    template <class Page>
    Page* FindPage() const {
        for (txad::WizardPage* Each : FPages)
            if (auto* Found = dynamic_cast<Page*>(Each)) return Found;
        return nullptr;
    }
    // The page shown; nullptr before the first.
    txad::WizardPage* ActivePage() const;

    // Below the pages: why the export is not possible after a failed start-up.
    QLabel* laStartupError = nullptr;
    // Beside it, when BackToStart is set: back to the start dialog.
    QPushButton* buAvvio = nullptr;
    // Below the pages from the first one: the packets with more rows than a
    // record file holds.
    QLabel* laRecordLimit = nullptr;

    // Set before Create() by a program entry with a window: Create() starts
    // only the packets' parse, and the window shows at once with the busy
    // line; the rest of the start-up runs after its first paint, once the
    // packets are parsed. Otherwise Create() runs the whole start-up.
    bool StartsBehindWindow = false;
    // The start-up behind the window has not ended yet. A window closed
    // meanwhile ends it as a start-up that is not complete.
    bool StartupPending() const { return FLoading; }
    // Below the pages while the start-up runs behind the window: a line
    // that says so and a busy bar.
    QWidget* paStartupBusy = nullptr;
    QLabel* laStartupBusy = nullptr;
    QProgressBar* StartupBusyBar = nullptr;

    // Set before Create() by a program entry that has a start dialog to go
    // back to: called, and the window closed, when the user asks for it
    // after a failed start-up.
    std::function<void()> BackToStart;
    // On the bar, left: the guide at the page's section, as F1.
    QPushButton* buGuida = nullptr;

    // The section of the control in use on the page, else of the page shown.
    std::string HelpTopic() const override;

signals:
    // The whole start-up has run, complete or not; not sent for a window
    // closed before the end of a start-up behind it.
    void StartupFinished();

protected:
    void FormCreate() override;
    // The first page is shown once the start-up behind the window has prepared it.
    bool ShowsFirstPage() const override { return !FLoading; }
    void FormClose(TCloseAction& Action) override;
    void UpdateButtons() override;
    void pcMainChanging(bool& AllowChange) override;
    void PageShow(int Index) override;
    void closeEvent(QCloseEvent* Event) override;
    void showEvent(QShowEvent* Event) override;
    bool eventFilter(QObject* Watched, QEvent* Event) override;
    void done(int Result) override;
    void keyPressEvent(QKeyEvent* Event) override;

private:
    // The frame: the wizard's buttons on the bar, the window's size, the
    // start-up error line.
    void LayOutFrame();
    // The start-up's first steps: the arguments, the record set, the
    // folders and the packets' parse started. False after an error, which
    // ends the start-up there.
    bool StartArguments();
    // The pages' start-up and the header values; the outcome says how far
    // they went.
    void StartPages();
    // The start-up after its first steps, up to the path's first page.
    void FinishStartup();
    // The busy line, the busy cursor and the pages and buttons held while
    // the start-up runs behind the window.
    void ShowLoading(bool On);
    // Runs the rest of the start-up once the window is drawn and the
    // packets are parsed; gives it up when the window has closed.
    void LoadingTick();
    // The packets start-up reads, parsed ahead.
    void PrefetchPackets();
    // False when a header date could not be read.
    bool ReadHeaderValues();
    // Fills laRecordLimit from the record set's packets.
    void CheckRecordLimits();
    void StartupError(std::exception_ptr Error);
    // Closing before the export would lose what the user entered: true when
    // nothing was entered or the user confirms.
    bool MayCloseWithoutExport() const;

    txad::WizardSession FSession;
    std::vector<txad::WizardPage*> FPages;
    std::string FStartupFailure;
    // Start-up errors, shown once the busy indicator is gone.
    std::vector<std::exception_ptr> FStartupErrors;
    TClientDataSet cdsTmp{"cdsTmp"};
    bool FArgumentsRead = false;
    bool FLoading = false;
    // The window has been exposed since the start-up behind it began.
    bool FExposed = false;
    QElapsedTimer FShownFor;
    QTimer* FLoadingTimer = nullptr;
};
