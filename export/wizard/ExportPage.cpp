#include "export/wizard/ExportPage.h"

#include "export/run/ExportRun.h"
#include "export/run/RunControl.h"
#include "export/viewer/RecordFilesDialog.h"
#include "export/wizard/PageParts.h"
#include "forms/DataSetModel.h"
#include "forms/QtText.h"
#include "platform/Platform.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace txad {

namespace {

// The zip component as the export run sees it.
class ZipComponentPacker : public ZipPacker {
public:
    explicit ZipComponentPacker(TZip& Zip) : FZip(Zip) {}
    void SetTempDir(const std::string& Dir) override { FZip.TempDir = Dir; }
    void SetZipFileName(const std::string& Name) override { FZip.SetZipFileName(Name); }
    void SetFileSpecs(const std::vector<std::string>& FileEntries) override {
        FZip.SetFileSpecs(FileEntries);
    }
    int Add() override {
        // A test can hold the packing at each step of its progress, the
        // progress window up, naming the file, and answering.
        struct Hook {
            TZip& Zip;
            TZip::TProgressEvent Own;
            ~Hook() { Zip.OnZEDProgressEvent = std::move(Own); }
        } Held{FZip, FZip.OnZEDProgressEvent};
        FZip.OnZEDProgressEvent = [&Own = Held.Own](TZip* Sender, const std::string& File, int32_t Bytes,
                                                    int32_t Total) {
            if (Own) Own(Sender, File, Bytes, Total);
            TestPausePoint("zip-file", [] { QCoreApplication::processEvents(); });
        };
        return FZip.Add();
    }

private:
    TZip& FZip;
};

// The run is Running, and the window disabled, for as long as it works,
// whatever way it ends: only the zip component's progress window takes input.
class RunningGuard {
public:
    RunningGuard(WizardSession& Session, QWidget* Window) : FSession(Session), FWindow(Window) {
        FSession.Run = RunState::Running;
        FWindow->setEnabled(false);
    }
    ~RunningGuard() {
        if (FSession.Run == RunState::Running) FSession.Run = RunState::Stopped;
        FWindow->setEnabled(true);
    }
    RunningGuard(const RunningGuard&) = delete;
    RunningGuard& operator=(const RunningGuard&) = delete;

private:
    WizardSession& FSession;
    QWidget* FWindow;
};

} // namespace

ExportPage::ExportPage(WizardSession& Session, QWidget* Parent) : WizardPage("tsInfo", Session, Parent) {
    auto* Layout = PageColumn(this, {18, 24, 21, 24});
    meInfo = new QPlainTextEdit(this);
    meInfo->setObjectName("meInfo");
    meInfo->setAccessibleName("Registro dell'esportazione");
    meInfo->setReadOnly(true);
    meInfo->setStyleSheet("QPlainTextEdit { background-color: rgb(187, 255, 255); color: navy; }");
    SetMemoFont(meInfo);
    Layout->addWidget(meInfo);
    // "Mostra &file": M is Modifica's on the registry page.
    buMostraFile = new QPushButton("Mostra &file", this);
    buMostraFile->setObjectName("buMostraFile");
    buMostraFile->setAutoDefault(false);
    buMostraFile->hide();
    connect(buMostraFile, &QPushButton::clicked, this, [this] { buMostraFileClick(); });
    auto* Row = new QHBoxLayout;
    Row->addStretch();
    Row->addWidget(buMostraFile);
    Layout->addLayout(Row);
}

void ExportPage::AppendInfo(const std::string& Text) {
    FLogTexts.push_back(Text);
    QString Shown = ToQString(Text);
    Shown.replace("\r\n", "\n");
    meInfo->appendPlainText(Shown);
}

void ExportPage::Shown() {
    meInfo->clear();
    FLogTexts.clear();
    setAccessibleDescription(QString());
    buMostraFile->hide();
    if (FSession.Outcome != StartupOutcome::Complete || FSession.Run != RunState::NotRun) return;
    Execute();
    // Only a finished run leaves a set worth showing.
    buMostraFile->setVisible(FSession.Run == RunState::Finished &&
                             !FSession.RecordSet->FileLayouts().empty());
    // The outcome, read out as the page's description changes: the stop
    // text is the log's last entry.
    if (FSession.Run == RunState::Finished)
        setAccessibleDescription(QStringLiteral("Esportazione completata"));
    else if (!FLogTexts.empty())
        setAccessibleDescription(ToQString(FLogTexts.back()).simplified());
}

void ExportPage::Execute() {
    TdmTxadMain& Dm = FSession.Dm;
    ZipComponentPacker Packer(Dm.zpOut);
    ExportRun Run(
        *FSession.RecordSet, MakeExportSettings(FSession.Startup, FSession.ProtocolNumber, FSession.Clock()),
        Dm.cdsMain, [this](const std::string& Text) { AppendInfo(Text); }, &Packer);
    // The run walks every packet through cdsMain; the registry grid, out of
    // reach from this page, lets go of it instead of following each row.
    Dm.dsMain->SetDataSet(nullptr);
    RunningGuard Guard(FSession, window());
    // SIGTERM, SIGINT or SIGHUP during the run stop it at a safe point: its
    // temporary files go, the previous delivery stays, and then the signal
    // ends the process as usual.
    platform::TerminationGuard Signals;
    FSession.Run = Run.Execute() ? RunState::Stopped : RunState::Finished;
}

void ExportPage::buMostraFileClick() {
    // Window-modal: Esc must close the window, not reach the form, where it
    // is Annulla and ends the program.
    auto* Window =
        new RecordFilesDialog(FSession.Startup.DataDir, FSession.RecordSet->FileLayouts(), window());
    Window->setAttribute(Qt::WA_DeleteOnClose);
    Window->open();
}

} // namespace txad
