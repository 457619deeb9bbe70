// The export page: its show runs the export and shows the run's log.
#include "export/TxadMainForm.h"

#include "export/ExportRun.h"
#include "export/MainFormRules.h"
#include "export/RecordFilesDialog.h"
#include "forms/DataSetModel.h"
#include "forms/QtText.h"
#include "platform/Platform.h"

#include <QPlainTextEdit>
#include <QPushButton>

namespace {

// The zip component as the export run sees it.
class ZipComponentPacker : public txad::ZipPacker {
public:
    explicit ZipComponentPacker(TZip& Zip) : FZip(Zip) {}
    void SetTempDir(const std::string& Dir) override { FZip.TempDir = Dir; }
    void SetZipFileName(const std::string& Name) override { FZip.SetZipFileName(Name); }
    void SetFileSpecs(const std::vector<std::string>& FileEntries) override {
        FZip.SetFileSpecs(FileEntries);
    }
    int Add() override { return FZip.Add(); }

private:
    TZip& FZip;
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
    buMostraFile->hide();
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
        // SIGTERM, SIGINT or SIGHUP during the run stop it at a safe point:
        // its temporary files go, the previous delivery stays, and then the
        // signal ends the process as usual.
        platform::TerminationGuard Signals;
        FRunStopped = Run.Execute();
    }
    FRunFinished = true;
    // Only a finished run leaves a set worth showing.
    buMostraFile->setVisible(!FRunStopped && !FRecordSet->FileLayouts().empty());
    UpdateButtons();
}

void TfmTxadMainBase::buMostraFileClick() {
    // Window-modal: Esc must close the window, not reach the form, where it
    // is Annulla and ends the program.
    auto* Window = new RecordFilesDialog(FStartup.DataDir, FRecordSet->FileLayouts(), this);
    Window->setAttribute(Qt::WA_DeleteOnClose);
    Window->open();
}
