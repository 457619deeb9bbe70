#include "export/OutputFileWriter.h"

#include <exception>
#include <memory>

#include "export/FileSink.h"
#include "export/RecordFields.h"
#include "support/VxExceptions.h"

namespace txad {

HeaderValues MakeHeaderValues(const ExportSettings& Settings) {
    HeaderValues Values;
    Values.RunDate = FormatDateDMY(Settings.RunDate);
    Values.SchoolCount = Settings.SchoolCount;
    Values.ParamFileDate = Settings.ParamFileDate;
    Values.CatalogueDate = Settings.CatalogueDate;
    Values.ProtocolNumber = Settings.ProtocolNumber;
    Values.FileCount = static_cast<int>(Settings.OutFiles.size());
    return Values;
}

OutputFileWriter::OutputFileWriter(const ExportRecordSet& RecordSet, const ExportSettings& Settings,
                                   TClientDataSet& Main)
    : FRecordSet(RecordSet), FSettings(Settings), FMain(Main),
      FFrame(RecordSet.MakeRecordFrame(MakeHeaderValues(Settings))) {}

std::string OutputFileWriter::PacketPath(int Index) const {
    if (Index < 0 || static_cast<std::size_t>(Index) >= FSettings.BodyFiles.size()) return {};
    return FSettings.DataDir + FSettings.BodyFiles[static_cast<std::size_t>(Index)];
}

std::string OutputFileWriter::OutputPath(int Index) const {
    return FSettings.DataDir + FSettings.OutFiles.at(static_cast<std::size_t>(Index));
}

void OutputFileWriter::WriteOutputFile(int Index) {
    const int FileCount = static_cast<int>(FSettings.OutFiles.size());
    // A file without a packet (the earlier edition's last AIE file) names itself.
    const std::string Packet = PacketPath(Index);
    const std::string ReadError =
        FormatMsg("Error reading file %s", PathText(Packet.empty() ? OutputPath(Index) : Packet));
    if (FRecordSet.LoadsPacket(Index, FileCount)) {
        try {
            FMain.LoadFromFile(PacketPath(Index));
        } catch (const std::exception&) {
            throw EVxError(ReadError);
        }
    }
    // Counts that do not fit stop the run before the file is touched.
    const std::string Header = FFrame->BuildHeaderRecord(Index);
    FFrame->BuildTrailerRecord(FRecordSet.TrailerCount(Index, FileCount, FMain, FSettings.SchoolCount));

    const std::unique_ptr<FileSink> Out = FileSink::Create(OutputPath(Index));
    if (!Out) throw EVxError(ReadError);
    // Leaving this scope by an exception deletes the file (FileSink).
    Out->Write(Header);
    if (std::unique_ptr<BodyWriter> Writer = FRecordSet.MakeBodyWriter(Index)) Writer->Write(FMain, *Out);
    Out->Write(
        FFrame->BuildTrailerRecord(FRecordSet.TrailerCount(Index, FileCount, FMain, FSettings.SchoolCount)));
    Out->Close();
}

} // namespace txad
