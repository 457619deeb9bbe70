#pragma once
// Writes one complete output file as its row of the file-set table says:
// loads its packet into the working dataset when it reloads (the registry
// file is written from the dataset as edited), then header, body and
// trailer. A file whose writing fails is deleted; the files written before it
// stay complete.

#include <string>

#include "dataset/ClientDataSet.h"
#include "export/records/ExportRecordSet.h"
#include "export/records/RecordFrame.h"
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

    // The full name of the packet of file Index (empty when it has none).
    std::string PacketPath(int Index) const;
    std::string OutputPath(int Index) const;
    const RecordFrame& Frame() const { return FFrame; }

private:
    const FileLayout& File(int Index) const;

    const ExportRecordSet& FRecordSet;
    const ExportSettings& FSettings;
    TClientDataSet& FMain;
    RecordFrame FFrame;
};

} // namespace txad
