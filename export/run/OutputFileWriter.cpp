#include "export/run/OutputFileWriter.h"

#include <atomic>
#include <cerrno>
#include <exception>
#include <memory>
#include <thread>
#include <vector>

#include "export/records/RecordLayout.h"
#include "export/run/FileSink.h"
#include "export/run/RunControl.h"
#include "platform/Platform.h"
#include "support/VxExceptions.h"

namespace txad {

namespace {

// Hands the writer's bytes to the file and to the layout check in blocks:
// the check sees exactly the bytes the file gets, and neither is called per line.
class CheckedSink : public ByteSink {
public:
    CheckedSink(FileSink& Out, RecordFileCheck& Check) : FOut(Out), FCheck(Check) { FBlock.reserve(Size); }
    void Write(std::string_view Bytes) override {
        FBlock.append(Bytes);
        if (FBlock.size() >= Size) Flush();
    }
    void Flush() {
        FOut.Write(FBlock);
        FCheck.Add(FBlock);
        FBlock.clear();
    }

private:
    static constexpr std::size_t Size = std::size_t(256) << 10;
    FileSink& FOut;
    RecordFileCheck& FCheck;
    std::string FBlock;
};

} // namespace

// One file of WriteAll: what the main thread prepared, and what its writer left.
struct OutputFileWriter::Job {
    std::unique_ptr<TClientDataSet> Own; // the file's packet, unless it is written from the working dataset
    TClientDataSet* Data = nullptr;
    std::unique_ptr<FileSink> Out;
    std::string Header, Trailer;
    std::optional<RecordFault> Fault; // the first layout fault
    std::exception_ptr Error;
    std::atomic<bool> Done{false}; // the writer is through, either way
    std::thread Thread;
};

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

void OutputFileWriter::Prepare(int Index, TClientDataSet& Data, Job& Into) {
    const FileLayout& Row = File(Index);
    // A file without a packet (the earlier edition's last AIE file) names itself.
    const std::string Packet = PacketPath(Index);
    const std::string ReadError =
        FormatMsg("Error reading file %s", PathText(Packet.empty() ? OutputPath(Index) : Packet));
    if (Row.Reloads) {
        try {
            Data.LoadFromFile(Packet);
        } catch (const EVxException& E) {
            throw EVxError(ReadError, E.Code());
        } catch (const std::exception&) {
            throw EVxError(ReadError);
        }
    }
    // Counts that do not fit stop the run before the file is touched.
    Into.Header = FFrame.HeaderRecord(Row);
    Into.Trailer =
        FFrame.TrailerRecord(Row, TrailerCount(Row, Data.RecordCount(), FSettings.Header.SchoolCount));

    errno = 0;
    Into.Out = FileSink::Create(OutputPath(Index));
    if (!Into.Out) {
        const int Reason = errno != 0 ? errno : EIO;
        throw EVxError(FormatMsg("Cannot create file %s", PathText(OutputPath(Index))), Reason);
    }
}

void OutputFileWriter::WriteOutputFile(int Index) {
    Job File;
    Prepare(Index, FMain, File);
    // Leaving this scope by an exception deletes the file (FileSink).
    File.Out->Write(File.Header);
    if (std::unique_ptr<BodyWriter> Writer = FRecordSet.MakeBodyWriter(this->File(Index)))
        Writer->Write(FMain, *File.Out);
    File.Out->Write(File.Trailer);
    File.Out->Close();
}

std::optional<OutputFileWriter::FileFault>
OutputFileWriter::WriteAll(const std::function<void(int)>& Written) {
    const int Count = static_cast<int>(FRecordSet.FileLayouts().size());
    std::vector<Job> Jobs(static_cast<std::size_t>(Count));
    const auto Write = [this](int Index, Job& J) {
        try {
            RecordFileCheck Check(File(Index), [&J](RecordFault Fault) {
                if (!J.Fault) J.Fault = std::move(Fault);
            });
            CheckedSink Out(*J.Out, Check);
            Out.Write(J.Header);
            if (std::unique_ptr<BodyWriter> Writer = FRecordSet.MakeBodyWriter(File(Index)))
                Writer->Write(*J.Data, Out);
            Out.Write(J.Trailer);
            Out.Flush();
            J.Out->Finish();
            if (!J.Fault) Check.Finish();
        } catch (...) {
            J.Error = std::current_exception();
        }
        J.Done = true;
    };
    const auto Join = [&Jobs](int Index) {
        if (Jobs[static_cast<std::size_t>(Index)].Thread.joinable())
            Jobs[static_cast<std::size_t>(Index)].Thread.join();
    };
    // Whatever happens, no writer outlives the jobs, and a file not complete
    // under its name keeps the name as it was, but for the failing one.
    struct JoinAll {
        std::vector<Job>& Jobs;
        ~JoinAll() {
            for (Job& J : Jobs)
                if (J.Thread.joinable()) J.Thread.join();
            for (Job& J : Jobs)
                if (J.Out) J.Out->Discard();
        }
    } Guard{Jobs};

    int Next = 0; // the next file to tell
    std::exception_ptr Stop;
    // Tells the files from Next up to Upto (excluded) in order, as each is
    // complete; false at the first failure, with its error in Stop.
    const auto Tell = [&](int Upto) {
        for (; Next < Upto; ++Next) {
            Job& J = Jobs[static_cast<std::size_t>(Next)];
            Join(Next);
            // The failure told is the first in file order: that file is
            // deleted, as WriteOutputFile leaves it; later ones keep theirs.
            const auto Fails = [&](std::exception_ptr Error) {
                Stop = std::move(Error);
                J.Out.reset();
                platform::DeleteFile(OutputPath(Next));
                return false;
            };
            if (J.Error) return Fails(J.Error);
            try {
                J.Out->Commit();
            } catch (...) {
                return Fails(std::current_exception());
            }
            J.Out.reset();
            Written(Next);
        }
        return true;
    };
    for (int I = 0; I < Count; ++I) {
        Job& J = Jobs[static_cast<std::size_t>(I)];
        try {
            ThrowIfTerminationRequested();
            if (File(I).Reloads) {
                J.Own = std::make_unique<TClientDataSet>(FMain.Name());
                J.Own->SetPacketCache(FMain.Cache());
                J.Data = J.Own.get();
            } else {
                J.Data = &FMain;
            }
            Prepare(I, *J.Data, J);
            J.Out->KeepNameOnFailure();
        } catch (...) {
            // The files before this one are told first, as when they were written one by one.
            J.Out.reset();
            if (Tell(I)) Stop = std::current_exception();
            std::rethrow_exception(Stop);
        }
        // The working dataset (the registry as edited, a small file) is
        // walked on this thread, where those who watch it live.
        if (J.Own) {
            try {
                J.Thread = std::thread(Write, I, std::ref(J));
            } catch (const std::system_error&) {
                Write(I, J); // no thread to be had: written here
            }
        } else {
            Write(I, J);
        }
        // What is complete already is told without waiting for the rest.
        while (Next <= I && Jobs[static_cast<std::size_t>(Next)].Done)
            if (!Tell(Next + 1)) std::rethrow_exception(Stop);
    }
    if (!Tell(Count)) std::rethrow_exception(Stop);
    for (int I = 0; I < Count; ++I)
        if (std::optional<RecordFault>& Fault = Jobs[static_cast<std::size_t>(I)].Fault)
            return FileFault{I, std::move(*Fault)};
    return std::nullopt;
}

} // namespace txad
