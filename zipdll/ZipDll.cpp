// The ZipDll plugin: packs the listed files into the archive named in the
// parameter record, with libzip. libzip writes a temporary file beside the
// archive and renames it into place only when everything went in, so a
// cancelled or failed batch leaves the archive exactly as it was.

#include "platform/Platform.h"
#include "zip/ZipDllRecords.h"

#include <zip.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr int32_t PluginVersion = 170;
constexpr zip_uint32_t DeflateLevel = 6;

struct BatchFile {
    std::string Path;
    std::string Name; // bare name stored in the archive
    int64_t Size = 0;
    zip_int64_t Index = -1;
    bool Begun = false;
    int64_t Sent = 0; // bytes reported so far
    int64_t LastWrite = 0;
};

// Talks to the component through its callback and turns libzip's per-entry
// progress fraction into byte counts.
class Batch {
public:
    explicit Batch(ZipParamsRecord& Params) : FParams(Params) {}

    bool Cancelled() const { return FCancelled; }

    void Send(int32_t Kind, int64_t Number = 0, const std::string& Text = std::string()) {
        if (FCancelled || !FParams.Callback) return;
        ZipCallbackRecord Rec{};
        Rec.Caller = FParams.Caller;
        Rec.Kind = Kind;
        Rec.Number = static_cast<int32_t>(std::clamp<int64_t>(Number, 0, INT32_MAX));
        const size_t Len = std::min(Text.size(), sizeof Rec.Text - 1);
        std::memcpy(Rec.Text, Text.data(), Len);
        if (FParams.Callback(&Rec) == -1) FCancelled = true;
    }

    void Trace(const std::string& Line) {
        if (FParams.Trace) Send(ZIPDLL_CB_TRACE, 0, Line);
    }

    // Fraction is libzip's progress over all entries written, each entry an
    // equal share.
    void Progress(double Fraction, zip_int64_t Entries) {
        if (Entries <= 0 || FFiles.empty()) return;
        const double Pos = std::clamp(Fraction, 0.0, 1.0) * static_cast<double>(Entries);
        const auto Entry = std::min<zip_int64_t>(static_cast<zip_int64_t>(Pos), Entries - 1);
        const double Within = Fraction >= 1.0 ? 1.0 : Pos - static_cast<double>(Entry);
        while (FCurrent < FFiles.size() && !FCancelled) {
            BatchFile& F = FFiles[FCurrent];
            if (F.Index > Entry) break;
            if (F.Index < Entry) {
                Advance(F, F.Size);
                ++FCurrent;
                continue;
            }
            Advance(F, static_cast<int64_t>(static_cast<double>(F.Size) * Within));
            break;
        }
    }

    // Reports the rest of every file once the archive is complete.
    void Finish() {
        for (; FCurrent < FFiles.size() && !FCancelled; ++FCurrent) {
            Advance(FFiles[FCurrent], FFiles[FCurrent].Size);
        }
    }

    std::vector<BatchFile>& Files() { return FFiles; }

private:
    void Advance(BatchFile& F, int64_t Done) {
        if (!F.Begun) {
            F.Begun = true;
            Send(ZIPDLL_CB_BEGIN_FILE, F.Size, F.Path);
        }
        Done = std::min(Done, F.Size);
        if (Done > F.Sent) {
            Send(ZIPDLL_CB_PROGRESS, Done - F.Sent);
            F.Sent = Done;
        }
    }

    ZipParamsRecord& FParams;
    std::vector<BatchFile> FFiles;
    size_t FCurrent = 0;
    bool FCancelled = false;
};

std::string BareName(const std::string& Path) {
    const size_t Slash = Path.find_last_of("/\\");
    return Slash == std::string::npos ? Path : Path.substr(Slash + 1);
}

std::string ErrorText(zip_t* Archive) {
    return zip_strerror(Archive);
}

int32_t Pack(ZipParamsRecord& Params) {
    Batch B(Params);
    if (!Params.ArchiveName || Params.FileEntryCount <= 0 || !Params.FileEntries) return 0;

    // A listed file that cannot be read, or whose name another listed file
    // already has, fails the whole batch: an archive missing one of its files
    // must never look complete.
    struct Unreadable {
        std::string FileName, Reason;
    };
    std::vector<Unreadable> Missing;
    int64_t Total = 0;
    for (int32_t I = 0; I < Params.FileEntryCount; ++I) {
        const ZipFileEntryRecord& Entry = Params.FileEntries[I];
        std::string FileName = Entry.FileName ? Entry.FileName : "";
        // A relative file name is based on the record's root folder, never on the
        // process's working folder.
        if (!FileName.empty() && !platform::FsPath(FileName).has_root_directory() && Entry.RootDir &&
            *Entry.RootDir)
            FileName.insert(0, Entry.RootDir);
        const std::optional<platform::FileStatus> St = platform::StatFile(FileName);
        if (!St || !St->Regular) {
            Missing.push_back({FileName, std::strerror(St ? EISDIR : errno)});
            continue;
        }
        BatchFile F;
        F.Path = FileName;
        F.Name = BareName(F.Path);
        F.Size = static_cast<int64_t>(St->Size);
        F.LastWrite = St->LastWrite;
        // Files are stored under their bare names: a second file of the same
        // name would replace the first and the count would overstate the archive.
        const bool Duplicate = std::any_of(B.Files().begin(), B.Files().end(),
                                           [&F](const BatchFile& Other) { return Other.Name == F.Name; });
        if (Duplicate) {
            Missing.push_back({FileName, "another listed file has the same name"});
            continue;
        }
        Total += F.Size;
        B.Files().push_back(std::move(F));
    }
    B.Send(ZIPDLL_CB_BATCH_COUNT, static_cast<int64_t>(B.Files().size()));
    B.Send(ZIPDLL_CB_BATCH_BYTES, Total);
    for (const Unreadable& M : Missing) {
        B.Trace("Skipped " + M.FileName + ": " + M.Reason);
        B.Send(ZIPDLL_CB_SKIPPED, 0, M.FileName);
    }
    if (!Missing.empty() || B.Cancelled()) {
        B.Send(ZIPDLL_CB_END_BATCH);
        return 0;
    }

    int Err = 0;
    zip_t* Archive = zip_open(Params.ArchiveName, ZIP_CREATE, &Err);
    if (!Archive) {
        zip_error_t E;
        zip_error_init_with_code(&E, Err);
        B.Trace(std::string("Cannot open ") + Params.ArchiveName + ": " + zip_error_strerror(&E));
        zip_error_fini(&E);
        B.Send(ZIPDLL_CB_END_BATCH);
        return 0;
    }
    // Whatever way the batch ends before a successful close, the archive on
    // disk stays as it was.
    struct OpenArchive {
        zip_t* Handle;
        ~OpenArchive() {
            if (Handle) zip_discard(Handle);
        }
    } Open{Archive};
    if (Params.Comment && *Params.Comment) {
        const size_t Len = std::min<size_t>(std::strlen(Params.Comment), UINT16_MAX);
        zip_set_archive_comment(Archive, Params.Comment, static_cast<zip_uint16_t>(Len));
    }

    bool Failed = false;
    for (BatchFile& F : B.Files()) {
        zip_source_t* Src = zip_source_file(Archive, F.Path.c_str(), 0, -1);
        if (Src) F.Index = zip_file_add(Archive, F.Name.c_str(), Src, ZIP_FL_OVERWRITE);
        if (!Src || F.Index < 0) {
            if (Src) zip_source_free(Src);
            B.Trace("Cannot add " + F.Path + ": " + ErrorText(Archive));
            Failed = true;
            break;
        }
        const auto Index = static_cast<zip_uint64_t>(F.Index);
        bool Set = zip_set_file_compression(Archive, Index, ZIP_CM_DEFLATE, DeflateLevel) == 0;
        zip_file_set_mtime(Archive, Index, static_cast<time_t>(F.LastWrite), 0);
        // A password asked for and not applied must not give an open archive.
        if (Set && Params.Encrypt && Params.Password && *Params.Password)
            Set = zip_file_set_encryption(Archive, Index, ZIP_EM_AES_256, Params.Password) == 0;
        if (!Set) {
            B.Trace("Cannot add " + F.Path + ": " + ErrorText(Archive));
            Failed = true;
            break;
        }
        B.Trace("Adding " + F.Name);
    }
    if (Failed || B.Cancelled()) {
        B.Send(ZIPDLL_CB_END_BATCH);
        return 0;
    }

    // Progress counts every entry written, old ones included.
    const zip_int64_t Entries = zip_get_num_entries(Archive, 0);
    struct Hooks {
        Batch* B;
        zip_int64_t Entries;
    } H{&B, Entries};
    zip_register_progress_callback_with_state(
        Archive, 0.001,
        [](zip_t*, double Fraction, void* State) {
            auto* Hk = static_cast<Hooks*>(State);
            Hk->B->Progress(Fraction, Hk->Entries);
        },
        nullptr, &H);
    zip_register_cancel_callback_with_state(
        Archive, [](zip_t*, void* State) { return static_cast<Batch*>(State)->Cancelled() ? 1 : 0; }, nullptr,
        &B);

    if (zip_close(Archive) != 0) {
        B.Trace("Cannot write " + std::string(Params.ArchiveName) + ": " + ErrorText(Archive));
        B.Send(ZIPDLL_CB_END_BATCH);
        return 0;
    }
    Open.Handle = nullptr; // closed: libzip freed it
    B.Finish();
    B.Trace("Archive written: " + std::to_string(B.Files().size()) + " files");
    B.Send(ZIPDLL_CB_END_BATCH);
    return static_cast<int32_t>(B.Files().size());
}

} // namespace

extern "C" int32_t GetZipDllVersion() {
    return PluginVersion;
}

extern "C" int32_t ZipDllExec(ZipParamsRecord* Params) {
    if (!Params) return 0;
    try {
        return Pack(*Params);
    } catch (...) {
        // Nothing may cross the C boundary; an out-of-memory batch packs nothing.
        return 0;
    }
}
