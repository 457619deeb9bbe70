#include "export/ExportRun.h"

#include <exception>

#include "export/SubmissionAddresses.h"
#include "support/VxExceptions.h"

namespace txad {

std::string StopText(std::string_view Cause) {
    return FormatMsg(
        "Procedura interrotta con il seguente errore: %s\r\n\r\nI DATI ESPORTATI NON SONO DISPONIBILI",
        Cause);
}

ExportRun::ExportRun(const ExportRecordSet& RecordSet, ExportSettings Settings, TClientDataSet& Main,
                     LogFn Log, ZipPacker* Zip, DeliveryFileOps* Ops)
    : FRecordSet(RecordSet), FSettings(std::move(Settings)), FMain(Main), FLog(std::move(Log)), FZip(Zip),
      FOps(Ops != nullptr ? Ops : &FDefaultOps), FWriter(FRecordSet, FSettings, FMain) {}

ExportRun::~ExportRun() = default;

bool ExportRun::Execute() {
    Log("Generazione files....");
    try {
        for (std::size_t I = 0; I < FSettings.OutFiles.size(); ++I) {
            WriteOutputFile(static_cast<int>(I));
            Log("- " + FSettings.OutFiles[I] + " - OK");
        }
        if (FRecordSet.IsAie()) {
            Log("\r\nCopia files....\r\n");
            DeliverByCopy();
        } else if (FRecordSet.IsAnarpe()) {
            Log("\r\nCreazione zip....\r\n");
            DeliverByZip();
        }
    } catch (const std::exception& E) {
        Log(StopText(E.what()));
        return true;
    }
    return false;
}

void ExportRun::WriteOutputFile(int Index) {
    FWriter.WriteOutputFile(Index);
}

void ExportRun::DeliverByCopy() {
    // A folder that cannot be made shows up as a copy failure.
    FOps->ForceDirectories(FSettings.DestDir);
    CopyOutputFiles(FSettings.DataDir, FSettings.DestDir);
}

void ExportRun::CopyOutputFiles(const std::string& SourceDir, const std::string& DestDir) {
    txad::CopyOutputFiles(SourceDir, DestDir, FSettings.OutFiles, *FOps);
    Log(FormatMsg("I files sono disponibili nella cartella %s ", ExcludePathDelimiter(DestDir)) + "\r\n\r\n" +
        FormatMsg("Inviare i files via posta elettronica all'indirizzo %s", AieSubmissionAddress()));
}

void ExportRun::DeliverByZip() {
    FOps->ForceDirectories(FSettings.DestDir);
    std::vector<std::string> Files;
    Files.reserve(FSettings.OutFiles.size());
    for (const std::string& Name : FSettings.OutFiles) Files.push_back(FSettings.DataDir + Name);
    BuildZip(FSettings.DestDir + ArchiveName, Files);
    Log("Il file " + std::string(ArchiveName) + " \xE8 disponibile nella cartella " +
        ExcludePathDelimiter(FSettings.DestDir) + " \r\n\r\n" +
        FormatMsg("Inviare il file via posta elettronica all'indirizzo %s", AnarpeSubmissionAddress()));
}

void ExportRun::BuildZip(const std::string& ArchivePath, const std::vector<std::string>& Files) {
    // Every run builds a new archive; an old one that cannot go is never reused.
    if (FOps->Exists(ArchivePath) && !FOps->Delete(ArchivePath))
        throw EVxError(FormatMsg("Error writing file %s", ArchivePath));
    if (FZip == nullptr) throw EVxInternalError("Componente zip non disponibile");
    // An archive that did not take every file goes: an empty or partial
    // "Anarpe.zip" in the delivery folder would look ready to send.
    struct RemoveUnlessKept {
        DeliveryFileOps& Ops;
        const std::string& Path;
        bool Keep = false;
        ~RemoveUnlessKept() {
            if (!Keep && Ops.IsFile(Path)) Ops.Delete(Path);
        }
    } Archive{*FOps, ArchivePath};
    FZip->SetZipFileName(ArchivePath);
    FZip->SetFileSpecs(Files);
    if (FZip->Add() != static_cast<int>(Files.size()))
        throw EVxError("Errore nella generazione del file zip.");
    Archive.Keep = true;
}

} // namespace txad
