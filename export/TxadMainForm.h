#pragma once
// TfmTxadMainBase: what both editions' main forms share. The wizard frame and
// its buttons, start-up (folders, lists, paths, school count, header dates),
// the site selection page, the school registry page, the export page with its
// run and delivery, and the button rule. Each edition's TfmTxadMain states only
// its differences through the virtual hooks below.

#include "export/ExportRecordSet.h"
#include "export/MainFormRules.h"
#include "export/txadMMain.h"
#include "forms/VxFWizard.h"

#include <exception>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

class QCheckBox;
class QFrame;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QTableView;

class TfmTxadMainBase : public TfmVxWizard {
    Q_OBJECT
public:
    // Args are the program's positional arguments: data folder, target, path
    // (missing ones are empty).
    TfmTxadMainBase(TdmTxadMain& DataModule, std::vector<std::string> Args, QWidget* Parent = nullptr);
    ~TfmTxadMainBase() override;

    // Every start-up step succeeded (lists, path, school count, header
    // dates): only then can the export run.
    bool StartupComplete() const { return FStartupComplete; }
    // Why the export cannot run after a failed start-up, one line; empty
    // after a complete start-up.
    const std::string& StartupFailure() const { return FStartupFailure; }
    // The export run has ended (finished or stopped) / stopped with the stop text.
    bool RunFinished() const { return FRunFinished; }
    bool RunStopped() const { return FRunStopped; }
    // The run's log as it was added to meInfo (CP1252, CR LF inside texts).
    const std::vector<std::string>& LogTexts() const { return FLogTexts; }
    // The anomaly report (empty in the edition without data check).
    virtual const std::vector<std::string>& ReportLines() const;

    int SitePageIndex() const { return FPageSelSedi; }
    int RegistryPageIndex() const { return FPageAnagrafica; }
    int ExportPageIndex() const { return FPageInfo; }
    // The protocol number of the first AIE header; the edition without a
    // protocol area ignores it.
    virtual void SetProtocolNumber(const std::string& Text);

    // The form's clock, read when the data check and the export run start;
    // tests set a fixed one.
    std::function<platform::LocalDateTime()> Clock;

    // Site page.
    QLabel* laInfo = nullptr;
    QListWidget* clSedi = nullptr;
    // Registry page.
    QWidget* Panel2 = nullptr;
    QTableView* grAnagrafica = nullptr;
    QFrame* shYellow = nullptr;
    QLabel* laWarning = nullptr;
    QFrame* Bevel2 = nullptr;
    QLabel* laTodoNome = nullptr;
    QLabel* laNome = nullptr;
    QLineEdit* edNome = nullptr;
    QLabel* laTodoExCod = nullptr;
    QLabel* laExCod = nullptr;
    QLineEdit* edExCod = nullptr;
    QPushButton* buEdit = nullptr;
    QAction* acEdit = nullptr;
    // Protocol area of the registry page (the current edition only).
    QFrame* Bevel1 = nullptr;
    QLabel* Label1 = nullptr;
    QLineEdit* edNProto = nullptr;
    QCheckBox* cbCor = nullptr;
    // Export page.
    QPlainTextEdit* meInfo = nullptr;
    // Shown after an export that finished: opens the output files' records.
    QPushButton* buMostraFile = nullptr;
    // Below the pages: why the export is not possible after a failed start-up.
    QLabel* laStartupError = nullptr;

    // Long names (over 30 characters) of the registry grid are highlighted.
    bool HighlightNames() const { return FHighlightOn; }
    // Whether row Position of the grid is drawn highlighted.
    bool RowHighlighted(int Position);
    // Whether row Position of the grid gives a record of the school file: not
    // so for the later rows of a run of one code, when the file takes one
    // record per code. Such rows are shown grey and cannot be corrected.
    bool RowExported(int Position);

protected:
    // Edition hooks.
    virtual std::unique_ptr<txad::ExportRecordSet> MakeRecordSet(const std::string& Target) const = 0;
    // Steps of "Tracciato1" and "Tracciato2".
    virtual std::string PathSteps(int Path) const = 0;
    // Builds the pages in index order and sets the page indexes.
    virtual void BuildPages() = 0;
    // The data check of the packets at start-up; nothing by default.
    virtual void VerifyExportedData(const std::string& DataDir);
    // The packets VerifyExportedData reads, in its order; none by default.
    virtual std::vector<std::string> CheckedPackets() const { return {}; }
    // Reloads the registry packet on every show of the registry page.
    virtual bool RegistryShowReloads() const { return true; }
    // The header values start-up reads; the catalogue date only where used.
    virtual bool ReadsCatalogueDate() const { return true; }
    virtual std::string ProtocolNumber() const { return {}; }
    // Next and Esci keep the wizard's rule (the earlier edition) or follow the
    // export form's own rule.
    virtual bool OwnNextAndOkRule() const { return true; }

    void FormCreate() override;
    void FormClose(TCloseAction& Action) override;
    void UpdateButtons() override;
    void pcMainChanging(bool& AllowChange) override;
    void PageShow(int Index) override;
    void pcMainChange() override;
    void closeEvent(QCloseEvent* Event) override;
    void done(int Result) override;
    void keyPressEvent(QKeyEvent* Event) override;

    // The frame: the wizard's buttons on the bar, the window's size, the
    // start-up error line.
    void LayOutFrame();
    // Page builders shared by both editions.
    QWidget* BuildSitePage();
    // ProtocolArea places the protocol controls below the correction area.
    QWidget* BuildRegistryPage(bool ProtocolArea);
    // The registry page's widgets, without their handlers.
    QWidget* LayOutRegistryPage(bool ProtocolArea);
    QWidget* BuildInfoPage();
    // A memo in the system's fixed font ("Lucida Console" 8 when installed).
    static void SetMemoFont(QPlainTextEdit* Memo);

    void LoadSiteList();
    void PrefetchPackets();
    void CountSchools();
    // False when a header date could not be read.
    bool ReadHeaderValues();
    void ApplySiteChoice();
    // Each item's tick of clSedi.
    std::vector<bool> SiteTicks() const;
    // Registry page on or off: the highlighting, the judging of rows and the
    // edits following the row go with it.
    void SetRegistryActive(bool Active);
    // Stores again, into the rows of a fresh load, the corrections made with
    // Modifica on earlier visits.
    void ApplyCorrections();

    void tsSelSediShow();
    void tsAnagraficaShow();
    void tsInfoShow();
    void buMostraFileClick();
    void acEditExecute();
    // Copies the current record of the grid's dataset into the edits.
    void CopyRecordToEdits();
    // Widens the code columns of the grid to their contents.
    void FitCodeColumns();
    // Gives the name column the width the window has to spare.
    void FitNameColumn();

    const std::string& Arg(int Position) const { return FArgs[static_cast<std::size_t>(Position - 1)]; }

    TdmTxadMain& dm;
    std::vector<std::string> FArgs;
    std::unique_ptr<txad::ExportRecordSet> FRecordSet;
    txad::StartupState FStartup;
    // Long names of the registry grid are drawn highlighted.
    bool FHighlightOn = false;
    // The registry page is active: cdsMain holds the registry rows, so the
    // grid's rows can be judged.
    bool FRegistryActive = false;
    // The correction edits follow the grid's current row.
    bool FEditsFollowRow = false;
    bool FStartupComplete = false;
    // The path is current and the registry packet counted: the pages before
    // the export can be walked even when a later start-up step failed.
    bool FPagesReady = false;
    std::string FStartupFailure;
    // Start-up errors, shown once the busy indicator is gone.
    std::vector<std::exception_ptr> FStartupErrors;
    // A correction made with Modifica, by row of the registry packet.
    struct TRegistryCorrection {
        std::string Nome;
        std::string ExCodScuola;
    };
    std::map<int, TRegistryCorrection> FCorrections;
    // The registry packet's row of each row of cdsMain on the registry page.
    std::vector<int> FPacketRows;
    bool FRunning = false;
    bool FRunFinished = false;
    bool FRunStopped = false;
    std::vector<std::string> FLogTexts;
    // Item texts of clSedi as CP1252 bytes: the group key is their first 10 bytes.
    std::vector<std::string> FSiteTexts;
    TClientDataSet cdsTmp{"cdsTmp"};

    int FPageSelSedi = -1;
    int FPageAnagrafica = -1;
    int FPageInfo = -1;

private:
    class RunningGuard;
    void AppendInfo(const std::string& Text);
    void StartupError(std::exception_ptr Error);
    // The page Next would show; -1 when there is none.
    int NextPageIndex() const;
};
