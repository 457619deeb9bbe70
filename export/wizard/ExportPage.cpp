#include "export/wizard/ExportPage.h"

#include "export/run/ExportRun.h"
#include "export/run/RunControl.h"
#include "export/run/SubmissionAddresses.h"
#include "export/viewer/RecordFilesDialog.h"
#include "export/wizard/FolderWaitWindow.h"
#include "export/wizard/PageParts.h"
#include "forms/DataSetModel.h"
#include "forms/QtText.h"
#include "platform/Platform.h"
#include "support/UserText.h"
#include "support/VxMsgDlg.h"
#include "support/VxStrUtils.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <cstdio>

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
    bool Cancelled() const override { return FZip.Cancelled(); }

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
    // After a stop the way back is open: the pages keep what the user did.
    laRiprova = new QLabel(this);
    laRiprova->setText(ToQString("Per riprovare: \xAB< Indietro\xBB, correggere la causa indicata sopra, poi "
                                 "di nuovo \xAB"
                                 "Avanti >\xBB fino a questa pagina."));
    laRiprova->setObjectName("laRiprova");
    laRiprova->setWordWrap(true);
    laRiprova->hide();
    // The last step, sending, one click away.
    buApriCartella = new QPushButton("Apri &cartella", this);
    buApriCartella->setObjectName("buApriCartella");
    buApriCartella->setToolTip("Mostra la cartella con i file da inviare");
    buPreparaEmail = new QPushButton("&Prepara e-mail", this);
    buPreparaEmail->setObjectName("buPreparaEmail");
    buPreparaEmail->setToolTip("Apre il programma di posta con il messaggio per l'invio e i file allegati");
    for (QPushButton* Button : {buApriCartella, buPreparaEmail}) {
        Button->setAutoDefault(false);
        Button->hide();
    }
    connect(buApriCartella, &QPushButton::clicked, this, [this] { buApriCartellaClick(); });
    connect(buPreparaEmail, &QPushButton::clicked, this, [this] { buPreparaEmailClick(); });
    auto* Row = new QHBoxLayout;
    Row->addWidget(laRiprova, 1);
    Row->addStretch();
    Row->addWidget(buApriCartella);
    Row->addWidget(buPreparaEmail);
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
    buApriCartella->hide();
    buPreparaEmail->hide();
    laRiprova->hide();
    // A run that stopped may run again once the user has been back.
    if (FSession.Outcome != StartupOutcome::Complete ||
        (FSession.Run != RunState::NotRun && FSession.Run != RunState::Stopped))
        return;
    Execute();
    // Only a finished run leaves a set worth showing and sending.
    const bool Delivered = FSession.Run == RunState::Finished && !FSession.RecordSet->FileLayouts().empty();
    buMostraFile->setVisible(Delivered);
    buApriCartella->setVisible(Delivered);
    buPreparaEmail->setVisible(Delivered);
    laRiprova->setVisible(FSession.Run == RunState::Stopped);
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
    Run.SetFilesWritten([&Dm] { Dm.ReleasePackets(); });
    std::unique_ptr<FolderWaitWindow> Wait;
    if (AsksWhileWaiting) {
        Wait = std::make_unique<FolderWaitWindow>(window());
        Run.SetFolderWait(Wait.get());
    }
    FSession.RunCancelled = false;
    {
        RunningGuard Guard(FSession, window());
        // SIGTERM, SIGINT or SIGHUP during the run stop it at a safe point: its
        // temporary files go, the previous delivery stays, and then the signal
        // ends the process as usual.
        platform::TerminationGuard Signals;
        FSession.Run = Run.Execute() ? RunState::Stopped : RunState::Finished;
    }
    FSession.RunCancelled = Run.Cancelled();
    // The log has the cause in the user's words; as raised it stays on
    // standard error, where scripts may look for it.
    if (const std::string& Cause = Run.StopCause(); !Cause.empty() && UserText(Cause) != Cause)
        std::fprintf(stderr, "%s: %s\n", ApplicationTitle().c_str(), ConsoleLines(Cause).c_str());
    // Back on the registry page the grid shows the registry again.
    if (FSession.Run == RunState::Stopped) Dm.dsMain->SetDataSet(&Dm.cdsMain);
}

// "File per AIE (File014.txt, ...)", "Anarpe.zip per ANARPE (Adoz001.txt, ...)".
QString ExportPage::DeliveredSetName() const {
    QStringList Files;
    for (const FileLayout& File : FSession.RecordSet->FileLayouts()) Files << ToQString(File.FileName);
    const bool Archive = FSession.Args.Target == Recipient::Anarpe;
    return QString("%1 per %2 (%3)")
        .arg(Archive ? QString(ArchiveName) : QString("File"),
             QString::fromLatin1(RecipientName(FSession.Args.Target)).toUpper(), Files.join(", "));
}

void ExportPage::buMostraFileClick() {
    // Window-modal: Esc must close the window, not reach the form, where it
    // is Annulla and ends the program.
    auto* Window = new RecordFilesDialog(FSession.Startup.DataDir, FSession.RecordSet->FileLayouts(),
                                         DeliveredSetName(), window());
    Window->setAttribute(Qt::WA_DeleteOnClose);
    Window->open();
}

void ExportPage::buApriCartellaClick() {
    const std::string& Folder = FSession.Startup.DestDir;
    if (!platform::OpenFolder(Folder))
        ShowMessageDlg(
            FormatMsg("Impossibile aprire la cartella %s: nessun programma per mostrare le cartelle.",
                      PathText(ExcludePathDelimiter(Folder))),
            mtWarning, MsgButtons({mbOK}), mbOK);
}

void ExportPage::buPreparaEmailClick() {
    const platform::MailDraft Draft =
        SubmissionDraft(*FSession.RecordSet, FSession.Startup.DestDir, FSession.SchoolCode, FSession.Resend);
    const std::string Folder = PathText(ExcludePathDelimiter(FSession.Startup.DestDir));
    switch (platform::ComposeMail(Draft)) {
    case platform::MailOutcome::Composed: return;
    case platform::MailOutcome::ComposedWithoutAttachments:
        ShowMessageDlg(
            FormatMsg("Allegare al messaggio i file della cartella %s, che viene mostrata.", Folder),
            mtInformation, MsgButtons({mbOK}), mbOK);
        break;
    case platform::MailOutcome::NoMailClient:
        ShowMessageDlg(FormatMsg("Nessun programma di posta elettronica \xE8 disponibile per preparare il "
                                 "messaggio.\r\n\r\nInviare i file della cartella %s, che viene mostrata, ",
                                 Folder) +
                           FormatMsg("all'indirizzo %s.", Draft.To),
                       mtWarning, MsgButtons({mbOK}), mbOK);
        break;
    }
    buApriCartellaClick();
}

} // namespace txad
