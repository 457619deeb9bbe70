// The ZipDll plugin: packs the listed files into the archive named in the
// parameter record, with libzip. libzip writes a temporary file beside the
// archive and renames it into place only when everything went in, so a
// cancelled or failed batch leaves the archive exactly as it was.
//
// The members are deflated here before libzip writes them, in blocks that
// every core takes in turn (see DeflateMembers); libzip takes the deflated data as it
// is, since it is already in the entry's method.

#include "platform/Platform.h"
#include "zip/ZipDllRecords.h"

#include <zip.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

namespace {

constexpr int32_t PluginVersion = 170;
// Record files repeat a line's layout from line to line: lazy matching at its
// fullest with a short hash chain makes archives a little smaller than
// Info-ZIP's default (zip -6) does of them (0.8% at 10,000 and 100,000
// adoptions, 0.2 to 0.4% for the earlier edition's files), with less work
// than either level 6 or 7. A shorter chain costs size fast: at 44 the
// earlier edition's archive at the limit is already larger than zip -6's.
constexpr int DeflateLevel = 9;
constexpr int DeflateMemLevel = 8;
constexpr int GoodLength = 32, MaxLazy = 258, NiceLength = 258, MaxChain = 48;
// A member is deflated in blocks of this size, each on its own core; each
// block is primed with the Window bytes before it, so that matches reach as
// far back as in one stream.
constexpr size_t BlockSize = size_t{1} << 18;
constexpr size_t Window = 32768;

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

    // Done bytes of the file at Index are deflated; the files before it are complete.
    void Deflated(size_t Index, int64_t Done) {
        for (; FCurrent < Index && FCurrent < FFiles.size() && !FCancelled; ++FCurrent)
            Advance(FFiles[FCurrent], FFiles[FCurrent].Size);
        if (FCurrent == Index && Index < FFiles.size() && !FCancelled) Advance(FFiles[Index], Done);
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

// A member's data deflated before libzip writes the archive, with what the
// entry records of it.
struct DeflatedMember {
    // The deflated blocks in order, each held at its own size: one buffer
    // grown by doubling would hold up to twice the data.
    std::vector<std::vector<unsigned char>> Blocks;
    uint64_t CompSize = 0;
    uLong Crc = 0;
    uint64_t Size = 0;
    time_t LastWrite = 0;
};

// Deflates blocks of a member as parts of the member's deflate stream: each
// primed with the bytes before it, and ended on a byte boundary (a sync
// flush), or with the end of the stream for the last block; the blocks laid
// end to end are one valid stream. One per thread: the stream's memory is
// kept from block to block.
class BlockDeflater {
public:
    BlockDeflater() {
        FReady = deflateInit2(&FZ, DeflateLevel, Z_DEFLATED, -MAX_WBITS, DeflateMemLevel,
                              Z_DEFAULT_STRATEGY) == Z_OK;
    }
    ~BlockDeflater() {
        if (FReady) deflateEnd(&FZ);
    }
    BlockDeflater(const BlockDeflater&) = delete;
    BlockDeflater& operator=(const BlockDeflater&) = delete;

    // Out takes the deflated bytes at their own size.
    bool Deflate(const unsigned char* Before, size_t BeforeLen, const unsigned char* Data, size_t Len,
                 bool Last, std::vector<unsigned char>& Out) {
        // A reset stream is a new one, but for its memory; the tuning is reset with it.
        if (!FReady || deflateReset(&FZ) != Z_OK ||
            deflateTune(&FZ, GoodLength, MaxLazy, NiceLength, MaxChain) != Z_OK)
            return false;
        if (BeforeLen > 0 && deflateSetDictionary(&FZ, Before, static_cast<uInt>(BeforeLen)) != Z_OK)
            return false;
        FOut.resize(std::max<size_t>(FOut.size(), deflateBound(&FZ, static_cast<uLong>(Len)) + 64));
        FZ.next_in = const_cast<Bytef*>(Data);
        FZ.avail_in = static_cast<uInt>(Len);
        size_t Written = 0;
        for (;;) {
            FZ.next_out = FOut.data() + Written;
            FZ.avail_out = static_cast<uInt>(FOut.size() - Written);
            const int Rc = deflate(&FZ, Last ? Z_FINISH : Z_SYNC_FLUSH);
            Written = FOut.size() - FZ.avail_out;
            if (Rc == Z_STREAM_ERROR) return false;
            if (Last ? Rc == Z_STREAM_END : FZ.avail_in == 0 && FZ.avail_out > 0) break;
            FOut.resize(FOut.size() * 2);
        }
        Out.assign(FOut.begin(), FOut.begin() + static_cast<std::ptrdiff_t>(Written));
        return true;
    }

private:
    z_stream FZ{};
    bool FReady = false;
    std::vector<unsigned char> FOut; // room for the largest block's output
};

// A block of a member, and what deflating it gave.
struct DeflateJob {
    size_t Member = 0;
    std::vector<unsigned char> Bytes; // the Window bytes before the block, then the block
    size_t Before = 0;
    bool Last = false;
    std::vector<unsigned char> Out;
    uLong Crc = 0;
    bool Done = false;
    bool Failed = false;

    size_t Length() const { return Bytes.size() - Before; }
    // Deflates the block; false when zlib or memory fails.
    bool Run(BlockDeflater& Deflater) noexcept {
        try {
            Crc = crc32(0, Bytes.data() + Before, static_cast<uInt>(Length()));
            return Deflater.Deflate(Bytes.data(), Before, Bytes.data() + Before, Length(), Last, Out);
        } catch (const std::exception&) {
            return false; // out of memory: nothing may leave the thread
        }
    }
};

// A thread per core deflating the blocks handed over, in turn and across the
// ends of members, so that no core waits for a member to end; the finished
// blocks are taken on the handing thread, in the order they were handed over.
class DeflatePool {
public:
    // Takes a finished block, in order; false stops the batch.
    using Taker = std::function<bool(DeflateJob&)>;

    explicit DeflatePool(Taker Take)
        : FTake(std::move(Take)), FCores(std::clamp(std::thread::hardware_concurrency(), 1u, 16u)) {
        for (unsigned T = 0; T < FCores; ++T) {
            try {
                FThreads.emplace_back([this] { Work(); });
            } catch (const std::exception&) {
                break; // fewer threads
            }
        }
        if (FThreads.empty()) FAlone.emplace(); // no thread at all: the handing thread deflates
    }
    ~DeflatePool() {
        {
            const std::lock_guard<std::mutex> Held(FLock);
            FClosing = true;
            FWaiting.clear(); // a failure or a cancel: the blocks not begun stay so
        }
        FWorkReady.notify_all();
        for (std::thread& T : FThreads) T.join();
    }
    DeflatePool(const DeflatePool&) = delete;
    DeflatePool& operator=(const DeflatePool&) = delete;

    // Hands a block over, then takes the finished ones at the front, waiting
    // while a few are ahead: reading never runs far ahead of deflating.
    bool Submit(std::unique_ptr<DeflateJob> J) {
        if (FAlone) {
            J->Failed = !J->Run(*FAlone);
            J->Done = true;
            FInFlight.push_back(std::move(J));
            return Collect(false);
        }
        {
            const std::lock_guard<std::mutex> Held(FLock);
            FWaiting.push_back(J.get());
            FInFlight.push_back(std::move(J));
        }
        FWorkReady.notify_one();
        while (FInFlight.size() >= size_t{4} * FCores)
            if (!Collect(true)) return false;
        return Collect(false);
    }
    // Takes every block still in flight.
    bool Drain() {
        while (!FInFlight.empty())
            if (!Collect(true)) return false;
        return true;
    }

private:
    void Work() {
        BlockDeflater Deflater;
        std::unique_lock<std::mutex> Held(FLock);
        for (;;) {
            FWorkReady.wait(Held, [this] { return FClosing || !FWaiting.empty(); });
            if (FWaiting.empty()) return;
            DeflateJob* J = FWaiting.front();
            FWaiting.pop_front();
            Held.unlock();
            const bool Ok = J->Run(Deflater);
            Held.lock();
            J->Failed = !Ok;
            J->Done = true;
            FJobDone.notify_all();
        }
    }
    // Takes the finished blocks at the front; with Wait, first waits for the
    // oldest one.
    bool Collect(bool Wait) {
        std::unique_lock<std::mutex> Held(FLock);
        if (Wait && !FInFlight.empty()) FJobDone.wait(Held, [this] { return FInFlight.front()->Done; });
        while (!FInFlight.empty() && FInFlight.front()->Done) {
            const std::unique_ptr<DeflateJob> J = std::move(FInFlight.front());
            FInFlight.pop_front();
            Held.unlock();
            if (!FTake(*J)) return false;
            Held.lock();
        }
        return true;
    }

    Taker FTake;
    unsigned FCores;
    std::mutex FLock;
    std::condition_variable FWorkReady, FJobDone;
    std::deque<std::unique_ptr<DeflateJob>> FInFlight; // in stream order, the oldest first
    std::deque<DeflateJob*> FWaiting;                  // not yet taken by a core
    bool FClosing = false;
    std::vector<std::thread> FThreads;
    std::optional<BlockDeflater> FAlone;
};

// Reads File, the member at Member, block after block into Pool. A block goes
// out once the next read has told whether it is the last; an empty file is
// one empty last block. False when the file cannot be read or the pool stops.
bool SubmitMember(std::FILE* File, size_t Member, DeflatePool& Pool) {
    std::unique_ptr<DeflateJob> Pending;
    for (;;) {
        auto J = std::make_unique<DeflateJob>();
        J->Member = Member;
        if (Pending) {
            const size_t Keep = std::min(Window, Pending->Length());
            J->Bytes.assign(Pending->Bytes.end() - static_cast<std::ptrdiff_t>(Keep), Pending->Bytes.end());
            J->Before = Keep;
        }
        J->Bytes.resize(J->Before + BlockSize);
        const size_t Got = std::fread(J->Bytes.data() + J->Before, 1, BlockSize, File);
        if (std::ferror(File)) return false;
        J->Bytes.resize(J->Before + Got);
        if (Got == 0 && Pending) {
            Pending->Last = true;
            return Pool.Submit(std::move(Pending));
        }
        if (Pending && !Pool.Submit(std::move(Pending))) return false;
        Pending = std::move(J);
        if (Got == 0) { // an empty file
            Pending->Last = true;
            return Pool.Submit(std::move(Pending));
        }
    }
}

// Deflates every file of the batch into Members: this thread reads the files
// a few blocks ahead of the pool's cores and reports the progress to the
// component in file order. False when a file cannot be read, the batch is
// cancelled or memory runs out; Failing then names the member.
bool DeflateMembers(Batch& B, std::vector<DeflatedMember>& Members, size_t& Failing) {
    DeflatePool Pool([&](DeflateJob& J) {
        if (J.Failed) {
            Failing = J.Member;
            return false;
        }
        DeflatedMember& M = Members[J.Member];
        M.Crc = crc32_combine(M.Crc, J.Crc, static_cast<z_off_t>(J.Length()));
        M.CompSize += J.Out.size();
        M.Size += J.Length();
        M.Blocks.push_back(std::move(J.Out));
        B.Deflated(J.Member, static_cast<int64_t>(M.Size));
        return !B.Cancelled();
    });
    try {
        for (size_t I = 0; I < B.Files().size(); ++I) {
            const BatchFile& F = B.Files()[I];
            Failing = I;
            Members[I].LastWrite = static_cast<time_t>(F.LastWrite);
            const std::unique_ptr<std::FILE, platform::FileCloser> File(platform::OpenFile(F.Path, "rb"));
            if (!File || !SubmitMember(File.get(), I, Pool)) return false;
        }
        return Pool.Drain();
    } catch (const std::exception&) {
        return false; // out of memory
    }
}

// A libzip source handing over a member deflated beforehand, as deflated data.
struct MemberSource {
    const DeflatedMember* Member;
    size_t Block = 0; // where the next read starts
    size_t Pos = 0;
    zip_error_t Error;
};

zip_int64_t MemberCallback(void* State, void* Data, zip_uint64_t Len, zip_source_cmd_t Command) {
    auto* S = static_cast<MemberSource*>(State);
    const DeflatedMember& M = *S->Member;
    switch (Command) {
    case ZIP_SOURCE_OPEN:
        S->Block = 0;
        S->Pos = 0;
        return 0;
    case ZIP_SOURCE_READ: {
        auto* Out = static_cast<unsigned char*>(Data);
        size_t Done = 0;
        while (Done < Len && S->Block < M.Blocks.size()) {
            const std::vector<unsigned char>& Bl = M.Blocks[S->Block];
            const size_t N = static_cast<size_t>(std::min<zip_uint64_t>(Len - Done, Bl.size() - S->Pos));
            if (N > 0) std::memcpy(Out + Done, Bl.data() + S->Pos, N);
            Done += N;
            S->Pos += N;
            if (S->Pos == Bl.size()) {
                ++S->Block;
                S->Pos = 0;
            }
        }
        return static_cast<zip_int64_t>(Done);
    }
    case ZIP_SOURCE_CLOSE: return 0;
    case ZIP_SOURCE_STAT: {
        if (Len < sizeof(zip_stat_t)) {
            zip_error_set(&S->Error, ZIP_ER_INVAL, 0);
            return -1;
        }
        auto* St = static_cast<zip_stat_t*>(Data);
        zip_stat_init(St);
        St->valid = ZIP_STAT_SIZE | ZIP_STAT_COMP_SIZE | ZIP_STAT_COMP_METHOD | ZIP_STAT_CRC | ZIP_STAT_MTIME;
        St->size = M.Size;
        St->comp_size = M.CompSize;
        St->comp_method = ZIP_CM_DEFLATE;
        St->crc = static_cast<zip_uint32_t>(M.Crc);
        St->mtime = M.LastWrite;
        return sizeof(zip_stat_t);
    }
    case ZIP_SOURCE_ERROR: return zip_error_to_data(&S->Error, Data, Len);
    case ZIP_SOURCE_FREE:
        zip_error_fini(&S->Error);
        delete S;
        return 0;
    case ZIP_SOURCE_SUPPORTS:
        return zip_source_make_command_bitmap(ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE,
                                              ZIP_SOURCE_STAT, ZIP_SOURCE_ERROR, ZIP_SOURCE_FREE, -1);
    default: zip_error_set(&S->Error, ZIP_ER_OPNOTSUPP, 0); return -1;
    }
}

zip_source_t* MemberSourceOf(zip_t* Archive, const DeflatedMember& Member) {
    auto* State = new MemberSource{&Member, 0, 0, {}};
    zip_error_init(&State->Error);
    zip_source_t* Source = zip_source_function(Archive, MemberCallback, State);
    if (!Source) {
        zip_error_fini(&State->Error);
        delete State;
    }
    return Source;
}

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
    // Filled before the archive is written; the sources read them then.
    std::vector<DeflatedMember> Members(B.Files().size());
    for (size_t I = 0; I < B.Files().size(); ++I) {
        BatchFile& F = B.Files()[I];
        zip_source_t* Src = MemberSourceOf(Archive, Members[I]);
        if (Src) F.Index = zip_file_add(Archive, F.Name.c_str(), Src, ZIP_FL_OVERWRITE);
        if (!Src || F.Index < 0) {
            if (Src) zip_source_free(Src);
            B.Trace("Cannot add " + F.Path + ": " + ErrorText(Archive));
            Failed = true;
            break;
        }
        const auto Index = static_cast<zip_uint64_t>(F.Index);
        bool Set = zip_set_file_compression(Archive, Index, ZIP_CM_DEFLATE,
                                            static_cast<zip_uint32_t>(DeflateLevel)) == 0;
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
    if (size_t Failing = 0; !DeflateMembers(B, Members, Failing)) {
        if (!B.Cancelled()) B.Trace("Cannot read " + B.Files()[Failing].Path);
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
