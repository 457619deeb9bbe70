#pragma once
// Writes complete output files as their rows of the file-set table say: a
// file that reloads is written from its packet, the registry file from the
// working dataset as edited; header, body and trailer. A file whose writing
// fails is deleted; the files written before it stay complete. WriteOutputFile
// writes one file through the working dataset, WriteAll the whole set, each
// reloaded file from a dataset of its own.

#include <functional>
#include <optional>
#include <string>

#include "dataset/ClientDataSet.h"
#include "export/records/ExportRecordSet.h"
#include "export/records/RecordFrame.h"
#include "export/records/RecordLayout.h"
#include "export/run/ExportSettings.h"

namespace txad {

class OutputFileWriter {
public:
    OutputFileWriter(const ExportRecordSet& RecordSet, const ExportSettings& Settings, TClientDataSet& Main);
    OutputFileWriter(const OutputFileWriter&) = delete;
    OutputFileWriter& operator=(const OutputFileWriter&) = delete;

    // "Error reading file <packet>" when the packet cannot be loaded, "Cannot
    // create file <output>" when the output file cannot be created, each with
    // the system's error number as its code; a count that does not fit its
    // field stops before the file is touched; write and data errors pass
    // through.
    void WriteOutputFile(int Index);

    // Writes every file of the set as WriteOutputFile does, and checks each
    // against its layout as it is written, so no file is read back. A file
    // whose packet is loaded is written on a thread of its own while the
    // next one is prepared; the outcome is told in file order all the same:
    // Written(I) comes on this thread once file I is complete under its
    // name and every file before it is. The first failure in file order
    // stops the run: the files before it are complete, the failing one is
    // deleted and those after it are left as they were. Once every file is
    // written, the first layout fault in file order is returned.
    struct FileFault {
        int Index;
        RecordFault Fault;
    };
    std::optional<FileFault> WriteAll(const std::function<void(int)>& Written);

    // The full name of the packet of file Index (empty when it has none).
    std::string PacketPath(int Index) const;
    std::string OutputPath(int Index) const;
    const RecordFrame& Frame() const { return FFrame; }

private:
    struct Job;
    const FileLayout& File(int Index) const;
    // Loads file Index's packet into Data (when the file reloads) and creates
    // its sink, raising what WriteOutputFile raises for these steps.
    void Prepare(int Index, TClientDataSet& Data, Job& Into);

    const ExportRecordSet& FRecordSet;
    const ExportSettings& FSettings;
    TClientDataSet& FMain;
    RecordFrame FFrame;
};

} // namespace txad
