#include "export/run/ExportRun.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <exception>
#include <memory>
#include <optional>
#include <thread>

#include "export/records/RecordLines.h"
#include "export/run/FileSink.h"
#include "export/run/RunControl.h"
#include "export/run/SubmissionAddresses.h"
#include "export/wizard/StartupValues.h"
#include "support/UserText.h"
#include "support/VxExceptions.h"

namespace txad {

namespace {

// Takes a folder's lock, waiting while another holder has it: through Wait
// when there is one (no deadline, the user may give up), else as long as
// WaitMs; the log is told once, with WaitText naming the folder.
std::unique_ptr<platform::FolderLock>
WaitForFolderLock(const std::function<platform::FolderLockAttempt()>& Try, const std::string& Folder,
                  const char* WaitText, const char* Step, int WaitMs, FolderWait* Wait,
                  const std::function<void(const std::string&)>& Log) {
    platform::FolderLockAttempt Attempt = Try();
    if (!Attempt.Busy) return std::move(Attempt.Lock);
    const std::string Text = FormatMsg(WaitText, Folder);
    Log(Text);
    TestPausePoint(Step);
    struct Shown {
        FolderWait* Wait;
        ~Shown() {
            if (Wait) Wait->End();
        }
    } Window{Wait};
    if (Wait) Wait->Begin(Text);
    const auto Deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(WaitMs);
    for (;;) {
        ThrowIfTerminationRequested();
        if (Wait) {
            if (!Wait->KeepWaiting()) throw ExportCancelled();
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        Attempt = Try();
        if (!Attempt.Busy) return std::move(Attempt.Lock);
        if (!Wait && std::chrono::steady_clock::now() >= Deadline)
            throw EVxError(FormatMsg("La cartella %s \xE8 occupata da un'altra esportazione", Folder));
    }
}

// The names of every file set of Target, both editions', in set order.
std::vector<std::string> AllSetFiles(std::string_view Target) {
    std::vector<std::string> Names;
    for (const Edition Ed : {Edition::Current, Edition::Classic})
        for (const FileLayout& File : FileLayouts(Ed, Target))
            if (std::find(Names.begin(), Names.end(), File.FileName) == Names.end())
                Names.emplace_back(File.FileName);
    return Names;
}

// "Precedenti_YYYY-MM-DD" from the run's DDMMYYYY date.
std::string AsideFolderName(const std::string& RunDate) {
    if (RunDate.size() != 8) return "Precedenti";
    return "Precedenti_" + RunDate.substr(4, 4) + "-" + RunDate.substr(2, 2) + "-" + RunDate.substr(0, 2);
}

std::string Joined(const std::vector<std::string>& Names) {
    std::string Text;
    for (const std::string& Name : Names) Text += (Text.empty() ? "" : ", ") + Name;
    return Text;
}

} // namespace

std::string StopText(std::string_view Cause) {
    return FormatMsg(
        "Procedura interrotta con il seguente errore: %s\r\n\r\nI DATI ESPORTATI NON SONO DISPONIBILI",
        Cause);
}

std::string CancelText(std::string_view DestDir) {
    return FormatMsg("Esportazione annullata dall'utente.\r\n\r\nLa cartella di consegna %s non \xE8 stata "
                     "modificata: contiene ancora i file dell'ultima esportazione completata.",
                     DestDir);
}

std::string LayoutFaultText(std::string_view FileName, const RecordFault& Fault) {
    std::string Text = FormatMsg("Il file %s non rispetta il tracciato: ", FileName);
    Text += "riga " + std::to_string(Fault.Line) + ", colonna " + std::to_string(Fault.Column);
    if (!Fault.Field.empty()) Text += ", campo " + Fault.Field;
    return Text + ": " + Fault.What;
}

ExportRun::ExportRun(const ExportRecordSet& RecordSet, ExportSettings Settings, TClientDataSet& Main,
                     LogFn Log, ZipPacker* Zip, DeliveryFileOps* Ops)
    : FRecordSet(RecordSet), FSettings(std::move(Settings)), FMain(Main), FLog(std::move(Log)), FZip(Zip),
      FOps(Ops != nullptr ? Ops : &FDefaultOps), FOutFiles(RecordSet.OutFiles()),
      FWriter(FRecordSet, FSettings, FMain) {}

ExportRun::~ExportRun() = default;

bool ExportRun::Execute() {
    FCancelled = false;
    FStopCause.clear();
    std::vector<std::string> Packets;
    for (const std::string& Name : FRecordSet.BodyFiles()) Packets.push_back(FSettings.DataDir + Name);
    // The header carries the date as it is; a copy that lost it is only told.
    if (const std::string Notice =
            ParamFileDateNotice(FSettings.Header.ParamFileDate, FSettings.Header.RunDate, Packets);
        !Notice.empty())
        Log(Notice + "\r\n");
    Log("Generazione files....");
    try {
        const bool Delivers = FRecordSet.IsAie() || FRecordSet.IsAnarpe();
        std::unique_ptr<platform::FolderLock> DataLock;
        if (Delivers) {
            DataLock = LockDataFolder();
            FDataFolderLocked = DataLock != nullptr;
            RemoveLeftovers();
        }
        WriteOutputFiles();
        if (FFilesWritten) FFilesWritten();
        TestPausePoint("deliver");
        ThrowIfTerminationRequested();
        if (FRecordSet.IsAie()) {
            Log("\r\nCopia files....\r\n");
            DeliverByCopy();
        } else if (FRecordSet.IsAnarpe()) {
            Log("\r\nCreazione zip....\r\n");
            DeliverByZip();
        }
    } catch (const ExportCancelled&) {
        FCancelled = true;
        Log(CancelText(PathText(ExcludePathDelimiter(FSettings.DestDir))));
        return true;
    } catch (const std::exception& E) {
        FStopCause = E.what();
        Log(StopText(UserText(E)));
        return true;
    }
    return false;
}

void ExportRun::WriteOutputFiles() {
    const auto Fault =
        FWriter.WriteAll([this](int I) { Log("- " + FOutFiles[static_cast<std::size_t>(I)] + " - OK"); });
    if (Fault)
        throw EVxError(LayoutFaultText(
            FRecordSet.FileLayouts()[static_cast<std::size_t>(Fault->Index)].FileName, Fault->Fault));
}

std::unique_ptr<platform::FolderLock> ExportRun::LockDeliveryFolder() {
    if (DeliveryFolderIsDataFolder()) return nullptr;
    return WaitForFolderLock([this] { return FOps->TryLockFolder(FSettings.DestDir); },
                             PathText(ExcludePathDelimiter(FSettings.DestDir)),
                             "Un'altra esportazione sta consegnando i file nella cartella %s: attesa...",
                             "wait-delivery", FDeliveryLockWaitMs, FFolderWait, FLog);
}

std::unique_ptr<platform::FolderLock> ExportRun::LockDataFolder() {
    return WaitForFolderLock([this] { return platform::TryLockFolder(FSettings.DataDir); },
                             PathText(ExcludePathDelimiter(FSettings.DataDir)),
                             "Un'altra esportazione sta scrivendo i file nella cartella %s: attesa...",
                             "wait-data", FDeliveryLockWaitMs, FFolderWait, FLog);
}

bool ExportRun::DeliveryFolderIsDataFolder() {
    return FDataFolderLocked && FOps->SameFolder(FSettings.DataDir, FSettings.DestDir);
}

void ExportRun::RemoveLeftovers() {
    if (FDataFolderLocked) FileSink::RemoveLeftovers(FSettings.DataDir);
    // A delivery folder that another run holds is put in order by that run.
    if (!platform::DirectoryExists(FSettings.DestDir)) return;
    if (DeliveryFolderIsDataFolder()) {
        RecoverDeliveryFolder(FSettings.DestDir, *FOps);
        return;
    }
    if (const platform::FolderLockAttempt Attempt = platform::TryLockFolder(FSettings.DestDir); Attempt.Lock)
        RecoverDeliveryFolder(FSettings.DestDir, *FOps);
}

void ExportRun::DeliverByCopy() {
    // A folder that cannot be made shows up as a copy failure.
    FOps->ForceDirectories(FSettings.DestDir);
    const auto Lock = LockDeliveryFolder();
    if (Lock || DeliveryFolderIsDataFolder()) RecoverDeliveryFolder(FSettings.DestDir, *FOps);
    CopyOutputFiles(FSettings.DataDir, FSettings.DestDir);
}

void ExportRun::CopyOutputFiles(const std::string& SourceDir, const std::string& DestDir) {
    txad::CopyOutputFiles(SourceDir, DestDir, FOutFiles, *FOps);
    // What an earlier run of the other edition delivered here and this set
    // does not have goes aside, so the folder holds the set to send.
    if (!FOps->SameFolder(SourceDir, DestDir)) {
        const MovedAside Aside = MoveAsideOtherFiles(DestDir, FOutFiles, AllSetFiles(FSettings.Target),
                                                     AsideFolderName(FSettings.Header.RunDate), *FOps);
        if (!Aside.Names.empty())
            Log("I file di un'esportazione precedente che non fanno parte di questa fornitura sono stati "
                "spostati nella cartella " +
                PathText(DestDir + Aside.Folder) + ": " + Joined(Aside.Names) + "\r\n");
        if (!Aside.NotMoved.empty())
            Log("Non \xE8 stato possibile spostare i file di un'esportazione precedente che non fanno parte "
                "di "
                "questa fornitura: " +
                Joined(Aside.NotMoved) + ". Toglierli dalla cartella prima dell'invio.\r\n");
    }
    Log(FormatMsg("I files sono disponibili nella cartella %s ", PathText(ExcludePathDelimiter(DestDir))) +
        "\r\n\r\n" +
        FormatMsg("Inviare i files via posta elettronica all'indirizzo %s", AieSubmissionAddress()));
}

void ExportRun::DeliverByZip() {
    FOps->ForceDirectories(FSettings.DestDir);
    const auto Lock = LockDeliveryFolder();
    if (Lock || DeliveryFolderIsDataFolder()) RecoverDeliveryFolder(FSettings.DestDir, *FOps);
    std::vector<std::string> Files;
    Files.reserve(FOutFiles.size());
    for (const std::string& Name : FOutFiles) Files.push_back(FSettings.DataDir + Name);
    BuildZip(FSettings.DestDir + ArchiveName, Files);
    Log("Il file " + std::string(ArchiveName) + " \xE8 disponibile nella cartella " +
        PathText(ExcludePathDelimiter(FSettings.DestDir)) + " \r\n\r\n" +
        FormatMsg("Inviare il file via posta elettronica all'indirizzo %s", AnarpeSubmissionAddress()));
}

void ExportRun::BuildZip(const std::string& ArchivePath, const std::vector<std::string>& Files) {
    if (FZip == nullptr) throw EVxInternalError("Componente zip non disponibile");
    // Every run builds a new archive, under a name of its own beside the old
    // one, which it replaces only once the new one holds every file: a failed
    // run leaves the old archive as it was.
    const std::string NewArchive = ArchivePath + NewCopySuffix;
    if (FOps->Exists(NewArchive) && !FOps->Delete(NewArchive)) {
        const int Reason = errno;
        throw EVxError(FormatMsg("Error writing file %s", PathText(ArchivePath)), Reason);
    }
    struct RemoveUnlessKept {
        DeliveryFileOps& Ops;
        const std::string& Path;
        bool Keep = false;
        ~RemoveUnlessKept() {
            if (!Keep && Ops.IsFile(Path)) Ops.Delete(Path);
        }
    } Archive{*FOps, NewArchive};
    // The component's copy of the archive goes beside it, where the next run
    // finds it should this one be killed, and no temporary folder is needed.
    FZip->SetTempDir(FSettings.DestDir);
    FZip->SetZipFileName(NewArchive);
    FZip->SetFileSpecs(Files);
    if (FZip->Add() != static_cast<int>(Files.size())) {
        // A signal stops the component as its Annulla does; it is told as a signal.
        ThrowIfTerminationRequested();
        if (FZip->Cancelled()) throw ExportCancelled();
        throw EVxError("Errore nella generazione del file zip.");
    }
    TestPausePoint("zip-rename");
    ThrowIfTerminationRequested();
    if (!FOps->Rename(NewArchive, ArchivePath)) {
        const int Reason = errno;
        throw EVxError(FormatMsg("Error writing file %s", PathText(ArchivePath)), Reason);
    }
    Archive.Keep = true;
}

} // namespace txad
