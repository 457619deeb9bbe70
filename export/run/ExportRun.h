#pragma once
// The export run of the last wizard page: writes the output files into the
// data folder, then delivers them (copy for AIE, zip for ANARPE), telling the
// log what happens. Any failure stops the run with the stop text in the log.

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "dataset/ClientDataSet.h"
#include "export/records/ExportRecordSet.h"
#include "export/records/RecordLayout.h"
#include "export/run/CopyDelivery.h"
#include "export/run/ExportSettings.h"
#include "export/run/OutputFileWriter.h"
#include "export/run/ZipPacker.h"

namespace txad {

// "Procedura interrotta con il seguente errore: <Cause>..." as the log shows
// it; the cause is in the user's words (UserText).
std::string StopText(std::string_view Cause);

// What the log says after the user cancelled: the previous delivery in
// DestDir is as it was.
std::string CancelText(std::string_view DestDir);

// "Il file <name> non rispetta il tracciato: riga L, colonna C, campo F: <what>".
std::string LayoutFaultText(std::string_view FileName, const RecordFault& Fault);

// How a run waits for a folder that another export holds, where someone
// can watch: the wait is shown, the window keeps repainting, and the user may
// give up. Without one the run waits as long as ExportRun allows.
class FolderWait {
public:
    virtual ~FolderWait() = default;
    // The wait begins; Text (CP1252) names the folder.
    virtual void Begin(const std::string& Text) = 0;
    // Called between attempts, about every 50 ms; false when the user gives up.
    virtual bool KeepWaiting() = 0;
    // The wait is over, either way.
    virtual void End() noexcept = 0;
};

class ExportRun {
public:
    // Receives each text the run adds to the log; embedded CR LF pairs are line breaks.
    using LogFn = std::function<void(const std::string&)>;

    // Zip is needed for "anarpe" only; Ops defaults to the real file system.
    ExportRun(const ExportRecordSet& RecordSet, ExportSettings Settings, TClientDataSet& Main, LogFn Log,
              ZipPacker* Zip = nullptr, DeliveryFileOps* Ops = nullptr);
    virtual ~ExportRun();
    ExportRun(const ExportRun&) = delete;
    ExportRun& operator=(const ExportRun&) = delete;

    // Runs the export once; true when it stopped, with the stop text or, when
    // the user cancelled, the cancel text.
    bool Execute();
    // The last Execute stopped because the user cancelled.
    bool Cancelled() const { return FCancelled; }
    // The error that stopped the last Execute as raised, before the log put
    // it in the user's words; empty when it did not stop or was cancelled.
    const std::string& StopCause() const { return FStopCause; }
    // Waits for a busy folder through Wait, without a deadline, instead of
    // up to FDeliveryLockWaitMs.
    void SetFolderWait(FolderWait* Wait) { FFolderWait = Wait; }
    // Called once the files are written and checked, before they are
    // delivered: the packets read for them may go, so the delivery (an
    // archive packed on every core) does not add to their memory.
    void SetFilesWritten(std::function<void()> Done) { FFilesWritten = std::move(Done); }

protected:
    // Writes the output files, telling the log of each in order, and checks
    // each against its layout as it is written: the first fault stops the
    // run before anything is delivered.
    virtual void WriteOutputFiles();
    virtual void DeliverByCopy();
    virtual void CopyOutputFiles(const std::string& SourceDir, const std::string& DestDir);
    virtual void DeliverByZip();
    virtual void BuildZip(const std::string& ArchivePath, const std::vector<std::string>& Files);

    void Log(const std::string& Text) { FLog(Text); }

    // Serialises the delivery into FDestDir with other runs (other processes
    // too): waits, telling the log, for at most FDeliveryLockWaitMs, then gives
    // up with an error naming the folder. Nothing is held when the folder
    // cannot be locked; the delivery then reports its own failure. Nothing
    // is taken either when FDestDir is the data folder, already held.
    std::unique_ptr<platform::FolderLock> LockDeliveryFolder();
    int FDeliveryLockWaitMs = 60000;

    // The data folder's lock, held from the first output file written to the
    // end of the delivery, so that the set delivered is the set this run
    // wrote and checked, never files another run renamed over it meanwhile.
    // Waits as LockDeliveryFolder does; empty where the folder has no locks.
    std::unique_ptr<platform::FolderLock> LockDataFolder();
    // What interrupted runs left in the data folder and in the delivery
    // folder (when it is free now) goes, under each folder's lock.
    void RemoveLeftovers();
    // The delivery folder is the data folder, whose lock this run holds.
    bool DeliveryFolderIsDataFolder();

    const ExportRecordSet& FRecordSet;
    ExportSettings FSettings;
    TClientDataSet& FMain;
    LogFn FLog;
    ZipPacker* FZip;
    DeliveryFileOps* FOps;
    DeliveryFileOps FDefaultOps;
    TStringList FOutFiles; // the record set's, by file index
    OutputFileWriter FWriter;
    bool FDataFolderLocked = false;
    bool FCancelled = false;
    std::string FStopCause;
    FolderWait* FFolderWait = nullptr;
    std::function<void()> FFilesWritten;
};

inline constexpr const char* ArchiveName = "Anarpe.zip";

} // namespace txad
