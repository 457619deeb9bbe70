#include "export/run/OutputFileWriter.h"

#include <cerrno>
#include <exception>
#include <memory>

#include "export/run/FileSink.h"
#include "support/VxExceptions.h"

namespace txad {

OutputFileWriter::OutputFileWriter(const ExportRecordSet& RecordSet, const ExportSettings& Settings,
                                   TClientDataSet& Main)
    : FRecordSet(RecordSet), FSettings(Settings), FMain(Main), FFrame(Settings.Header) {}

const FileLayout& OutputFileWriter::File(int Index) const {
    const std::span<const FileLayout> Files = FRecordSet.FileLayouts();
    if (Index < 0 || static_cast<std::size_t>(Index) >= Files.size())
        throw EVxInternalError(FormatMsg("Indice di file %d fuori dal tracciato", Index));
    return Files[static_cast<std::size_t>(Index)];
}

std::string OutputFileWriter::PacketPath(int Index) const {
    const FileLayout& Row = File(Index);
    return Row.Packet.empty() ? std::string() : FSettings.DataDir + std::string(Row.Packet);
}

std::string OutputFileWriter::OutputPath(int Index) const {
    return FSettings.DataDir + std::string(File(Index).FileName);
}

void OutputFileWriter::WriteOutputFile(int Index) {
    const FileLayout& Row = File(Index);
    // A file without a packet (the earlier edition's last AIE file) names itself.
    const std::string Packet = PacketPath(Index);
    const std::string ReadError =
        FormatMsg("Error reading file %s", PathText(Packet.empty() ? OutputPath(Index) : Packet));
    if (Row.Reloads) {
        try {
            FMain.LoadFromFile(Packet);
        } catch (const EVxException& E) {
            throw EVxError(ReadError, E.Code());
        } catch (const std::exception&) {
            throw EVxError(ReadError);
        }
    }
    // Counts that do not fit stop the run before the file is touched.
    const std::string Header = FFrame.HeaderRecord(Row);
    const std::string Trailer =
        FFrame.TrailerRecord(Row, TrailerCount(Row, FMain.RecordCount(), FSettings.Header.SchoolCount));

    errno = 0;
    const std::unique_ptr<FileSink> Out = FileSink::Create(OutputPath(Index));
    if (!Out) {
        const int Reason = errno != 0 ? errno : EIO;
        throw EVxError(FormatMsg("Cannot create file %s", PathText(OutputPath(Index))), Reason);
    }
    // Leaving this scope by an exception deletes the file (FileSink).
    Out->Write(Header);
    if (std::unique_ptr<BodyWriter> Writer = FRecordSet.MakeBodyWriter(Row)) Writer->Write(FMain, *Out);
    Out->Write(Trailer);
    Out->Close();
}

} // namespace txad
