// POSIX implementation of the platform layer.

#include "platform/Platform.h"
#include "platform/posix/HklmFile.h"

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dlfcn.h>
#include <fcntl.h>
#include <filesystem>
#include <iterator>
#include <new>
#include <pwd.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

LocalDate DateOf(time_t T) {
    std::tm Tm{};
    localtime_r(&T, &Tm);
    return {Tm.tm_year + 1900, Tm.tm_mon + 1, Tm.tm_mday};
}

class PosixLibrary final : public Library {
public:
    explicit PosixLibrary(void* H) : FHandle(H) {}
    ~PosixLibrary() override { dlclose(FHandle); }
    PosixLibrary(const PosixLibrary&) = delete;
    PosixLibrary& operator=(const PosixLibrary&) = delete;
    void* Symbol(const char* Name) override { return dlsym(FHandle, Name); }

private:
    void* FHandle;
};

} // namespace

namespace detail {

HklmSource ChooseHklmSource(const char* Env, const std::string& System, const std::string& User) {
    if (Env && *Env) return {HklmSourceKind::Environment, Env};
    if (FileExists(System)) return {HklmSourceKind::SystemFile, System};
    if (!User.empty() && FileExists(User)) return {HklmSourceKind::UserFile, User};
    return {HklmSourceKind::NotFound, System};
}

} // namespace detail

std::string SystemHklmFilePath() {
    return "/etc/adoxport/hklm.reg";
}

std::string UserHklmFilePath() {
    // A relative XDG_CONFIG_HOME is invalid and ignored, as the XDG rules say.
    const char* Config = std::getenv("XDG_CONFIG_HOME");
    const std::string Base = Config && *Config == '/' ? IncludePathDelimiter(Config) : HomeDir() + ".config/";
    return Base + "adoxport/hklm.reg";
}

HklmSource CurrentHklmSource() {
    return detail::ChooseHklmSource(std::getenv("ADOXPORT_HKLM"), SystemHklmFilePath(), UserHklmFilePath());
}

std::string HklmFilePath() {
    return CurrentHklmSource().File;
}

std::optional<std::string> ReadHklmString(std::string_view Key, std::string_view Value,
                                          HklmMissing* Missing) {
    return detail::ReadHklmFileString(HklmFilePath(), Key, Value, Missing);
}

char PathDelimiter() {
    return '/';
}

std::string IncludePathDelimiter(std::string_view Dir) {
    std::string S(Dir);
    if (S.empty() || S.back() != '/') S.push_back('/');
    return S;
}

std::string ProgramPath() {
    std::string Buf(PATH_MAX, '\0');
    ssize_t N = readlink("/proc/self/exe", Buf.data(), Buf.size());
    if (N <= 0) return {};
    Buf.resize(static_cast<std::size_t>(N));
    return Buf;
}

std::string ProgramDir() {
    std::string P = ProgramPath();
    auto Slash = P.rfind('/');
    return Slash == std::string::npos ? std::string("./") : P.substr(0, Slash + 1);
}

std::string HomeDir() {
    if (const char* H = std::getenv("HOME"); H && *H) return IncludePathDelimiter(H);
    if (const passwd* Pw = getpwuid(getuid()); Pw && Pw->pw_dir) return IncludePathDelimiter(Pw->pw_dir);
    return "/";
}

std::string DeliveryBase() {
    return HomeDir();
}

std::string TempDir() {
    // A relative TMPDIR would follow the working folder; one that names no
    // folder could hold no file.
    if (const char* T = std::getenv("TMPDIR"); T && *T == '/' && DirectoryExists(T))
        return IncludePathDelimiter(T);
    return "/tmp/";
}

std::string TempDirVariable() {
    return "TMPDIR";
}

bool FileExists(const std::string& Path) {
    struct stat St {};
    return stat(Path.c_str(), &St) == 0 && S_ISREG(St.st_mode);
}

bool DirectoryExists(const std::string& Path) {
    struct stat St {};
    return stat(Path.c_str(), &St) == 0 && S_ISDIR(St.st_mode);
}

bool ForceDirectories(const std::string& Path) {
    if (Path.empty()) return false;
    std::error_code Ec;
    std::filesystem::create_directories(Path, Ec);
    return DirectoryExists(Path);
}

bool DeleteFile(const std::string& Path) {
    return unlink(Path.c_str()) == 0;
}

bool CopyFileNoOverwrite(const std::string& Source, const std::string& Target) {
    // Non-blocking, so that a FIFO under the name is refused instead of
    // waiting for a writer; a regular file reads the same either way.
    int In = open(Source.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (In < 0) return false;
    struct stat St {};
    if (fstat(In, &St) != 0 || !S_ISREG(St.st_mode)) {
        close(In);
        return false;
    }
    int Out = open(Target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, St.st_mode & 0777);
    if (Out < 0) {
        close(In);
        return false;
    }
    bool Ok = true;
    // The kernel copies without the bytes passing through here; where it
    // cannot (another file system on an old kernel, a file system without
    // it) the copy goes on by reading and writing from where it stopped.
    for (;;) {
        const ssize_t N = copy_file_range(In, nullptr, Out, nullptr, std::size_t(1) << 30, 0);
        if (N < 0 && errno == EINTR) continue;
        if (N <= 0) {
            if (N < 0 && errno != EXDEV && errno != ENOSYS && errno != EINVAL && errno != EOPNOTSUPP &&
                errno != EBADF)
                Ok = false;
            break;
        }
    }
    char Buf[65536];
    while (Ok) {
        ssize_t N = read(In, Buf, sizeof Buf);
        if (N < 0 && errno == EINTR) continue;
        if (N < 0) {
            Ok = false;
            break;
        }
        if (N == 0) break;
        for (ssize_t Done = 0; Done < N;) {
            ssize_t W = write(Out, Buf + Done, static_cast<std::size_t>(N - Done));
            if (W < 0 && errno == EINTR) continue;
            if (W <= 0) {
                Ok = false;
                break;
            }
            Done += W;
        }
    }
    // A copy keeps the source's last-write time, as the system's copy does.
    if (Ok) {
        timespec Times[2] = {St.st_atim, St.st_mtim};
        futimens(Out, Times);
    }
    if (close(Out) != 0) Ok = false;
    close(In);
    if (!Ok) unlink(Target.c_str()); // never leave a partial copy behind
    return Ok;
}

std::FILE* OpenRegularFile(const std::string& Path, std::string& Why) {
    const int Fd = open(Path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (Fd < 0) {
        Why = std::strerror(errno);
        return nullptr;
    }
    struct stat St {};
    if (fstat(Fd, &St) != 0 || !S_ISREG(St.st_mode)) {
        Why = S_ISDIR(St.st_mode) ? std::strerror(EISDIR) : "not a regular file";
        close(Fd);
        return nullptr;
    }
    fcntl(Fd, F_SETFL, fcntl(Fd, F_GETFL) & ~O_NONBLOCK);
    std::FILE* File = fdopen(Fd, "rb");
    if (File == nullptr) {
        Why = std::strerror(errno);
        close(Fd);
    }
    return File;
}

std::optional<std::string> CreateTempFile(const std::string& Prefix) {
    std::string Name = Prefix + "XXXXXX";
    const int Fd = mkstemp(Name.data());
    if (Fd < 0) return std::nullopt;
    close(Fd);
    return Name;
}

bool WriteNewFile(const std::string& Path, std::string_view Bytes) {
    const int Fd = open(Path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (Fd < 0) return false;
    bool Ok = true;
    for (std::size_t Done = 0; Ok && Done < Bytes.size();) {
        const ssize_t W = write(Fd, Bytes.data() + Done, Bytes.size() - Done);
        if (W < 0 && errno == EINTR) continue;
        Ok = W > 0;
        if (Ok) Done += static_cast<std::size_t>(W);
    }
    if (close(Fd) != 0) Ok = false;
    if (!Ok) unlink(Path.c_str());
    return Ok;
}

// ---- Termination signals -------------------------------------------------

namespace {

constexpr int kTerminationSignals[] = {SIGTERM, SIGINT, SIGHUP};
volatile std::sig_atomic_t g_PendingSignal = 0;
struct sigaction g_PreviousActions[std::size(kTerminationSignals)];
bool g_Installed[std::size(kTerminationSignals)] = {};

void NoteSignal(int Signal) {
    if (g_PendingSignal == 0) g_PendingSignal = Signal;
}

} // namespace

TerminationGuard::TerminationGuard() {
    g_PendingSignal = 0;
    for (std::size_t I = 0; I < std::size(kTerminationSignals); ++I) {
        struct sigaction Previous {};
        sigaction(kTerminationSignals[I], nullptr, &Previous);
        // A signal ignored by whoever started the program (nohup) stays ignored.
        g_Installed[I] = Previous.sa_handler != SIG_IGN;
        if (!g_Installed[I]) continue;
        struct sigaction Action {};
        Action.sa_handler = NoteSignal;
        sigemptyset(&Action.sa_mask);
        Action.sa_flags = SA_RESTART;
        sigaction(kTerminationSignals[I], &Action, &g_PreviousActions[I]);
    }
}

TerminationGuard::~TerminationGuard() {
    for (std::size_t I = 0; I < std::size(kTerminationSignals); ++I)
        if (g_Installed[I]) sigaction(kTerminationSignals[I], &g_PreviousActions[I], nullptr);
    const int Signal = g_PendingSignal;
    g_PendingSignal = 0;
    if (Signal != 0) raise(Signal);
}

int TerminationRequested() {
    return g_PendingSignal;
}

namespace {

// flock() on the folder itself: no lock file is left behind, and the lock
// goes with the process however it ends.
class PosixFolderLock : public FolderLock {
public:
    explicit PosixFolderLock(int Fd) : FFd(Fd) {}
    ~PosixFolderLock() override { close(FFd); }
    PosixFolderLock(const PosixFolderLock&) = delete;
    PosixFolderLock& operator=(const PosixFolderLock&) = delete;

private:
    int FFd;
};

} // namespace

FolderLockAttempt TryLockFolder(const std::string& Dir) {
    FolderLockAttempt Attempt;
    const int Fd = open(Dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (Fd < 0) return Attempt;
    int Rc;
    do {
        Rc = flock(Fd, LOCK_EX | LOCK_NB);
    } while (Rc != 0 && errno == EINTR);
    if (Rc == 0) {
        Attempt.Lock = std::make_unique<PosixFolderLock>(Fd);
        return Attempt;
    }
    Attempt.Busy = errno == EWOULDBLOCK;
    close(Fd);
    return Attempt;
}

bool RenameFile(const std::string& From, const std::string& To) {
    return rename(From.c_str(), To.c_str()) == 0;
}

std::optional<uint64_t> FileSize(const std::string& Path) {
    struct stat St {};
    if (stat(Path.c_str(), &St) != 0 || !S_ISREG(St.st_mode)) return std::nullopt;
    return static_cast<uint64_t>(St.st_size);
}

RegularFile OpenRegularFile(const std::string& Path) {
    RegularFile Result;
    auto Missing = [] {
        return errno == ENOENT || errno == ENOTDIR ? OpenStatus::Missing : OpenStatus::Failed;
    };
    struct stat St {};
    // Opening some devices has effects of its own: their type is refused first.
    if (stat(Path.c_str(), &St) != 0) {
        Result.Status = Missing();
        return Result;
    }
    if (!S_ISREG(St.st_mode)) {
        Result.Status = OpenStatus::NotRegular;
        return Result;
    }
    const int Fd = open(Path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (Fd < 0) {
        Result.Status = Missing();
        return Result;
    }
    if (fstat(Fd, &St) != 0 || !S_ISREG(St.st_mode)) {
        Result.Status = S_ISREG(St.st_mode) ? OpenStatus::Failed : OpenStatus::NotRegular;
        close(Fd);
        return Result;
    }
    // Reads of a regular file never wait; the flag goes so that none is short.
    const int Flags = fcntl(Fd, F_GETFL);
    std::FILE* File = Flags < 0 || fcntl(Fd, F_SETFL, Flags & ~O_NONBLOCK) != 0 ? nullptr : fdopen(Fd, "rb");
    if (!File) {
        close(Fd);
        return Result;
    }
    Result.File.reset(File);
    Result.Size = static_cast<uint64_t>(St.st_size);
    Result.Status = OpenStatus::Opened;
    return Result;
}

std::optional<LocalDate> FileLastWriteDate(const std::string& Path) {
    struct stat St {};
    if (stat(Path.c_str(), &St) != 0 || !S_ISREG(St.st_mode)) return std::nullopt;
    return DateOf(St.st_mtime);
}

LocalDateTime Now() {
    timespec Ts{};
    clock_gettime(CLOCK_REALTIME, &Ts);
    std::tm Tm{};
    localtime_r(&Ts.tv_sec, &Tm);
    return {Tm.tm_year + 1900,
            Tm.tm_mon + 1,
            Tm.tm_mday,
            Tm.tm_hour,
            Tm.tm_min,
            Tm.tm_sec,
            static_cast<int>(Ts.tv_nsec / 1000000)};
}

std::unique_ptr<Library> LoadLibrary(const std::string& FileName) {
    void* H = dlopen(FileName.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!H) return nullptr;
    return std::make_unique<PosixLibrary>(H);
}

std::string PluginFileName(std::string_view BaseName) {
    return std::string(BaseName) + ADOX_MODULE_SUFFIX;
}

int ZipDiskNumber(const std::string&) {
    return 0;
}

bool ArchiveDriveAccessible(const std::string& Path) {
    auto Slash = Path.rfind('/');
    std::string Dir = Slash == std::string::npos ? std::string(".") : Path.substr(0, Slash == 0 ? 1 : Slash);
    // Accessible, not necessarily writable: a folder that cannot take a new
    // file is told by the create that fails ("Unable to create ...").
    return DirectoryExists(Dir) && access(Dir.c_str(), X_OK) == 0;
}

bool DisplayAvailable() {
    for (const char* Name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        const char* Value = std::getenv(Name);
        if (Value && *Value) return true;
    }
    return false;
}

void IgnoreBrokenPipe() {
    std::signal(SIGPIPE, SIG_IGN);
}

// ---- Large memory blocks ---------------------------------------------------

std::optional<LargeBlock> AllocateLargeBlock(std::size_t Bytes) {
    constexpr std::size_t HugePage = std::size_t(2) << 20;
    // One huge page more, so the block can start on a huge-page boundary.
    const std::size_t Size = (Bytes + 2 * HugePage - 1) / HugePage * HugePage;
    void* Base = mmap(nullptr, Size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (Base == MAP_FAILED) throw std::bad_alloc();
    const auto Address = reinterpret_cast<std::uintptr_t>(Base);
    const std::uintptr_t Aligned = (Address + HugePage - 1) & ~(HugePage - 1);
    char* Data = static_cast<char*>(Base) + (Aligned - Address);
#ifdef MADV_HUGEPAGE
    madvise(Data, Size - (Aligned - Address), MADV_HUGEPAGE);
#endif
    return LargeBlock{Base, Size, Data};
}

void FreeLargeBlock(const LargeBlock& Block) {
    if (Block.Base) munmap(Block.Base, Block.Size);
}

void TrimLargeBlock(const LargeBlock& Block, std::size_t Used) {
    if (!Block.Base) return;
    constexpr std::size_t HugePage = std::size_t(2) << 20;
    const auto Page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    char* const End = static_cast<char*>(Block.Base) + Block.Size;
    const auto Address = reinterpret_cast<std::uintptr_t>(Block.Data);
    char* const From = Block.Data + ((Address + Used + Page - 1) / Page * Page - Address);
    if (From >= End) return;
#ifdef MADV_NOHUGEPAGE
    // The huge page holding the last used bytes is not merged again.
    char* const Keep = Block.Data + ((Address + Used) / HugePage * HugePage - Address);
    madvise(Keep, static_cast<std::size_t>(End - Keep), MADV_NOHUGEPAGE);
#endif
    madvise(From, static_cast<std::size_t>(End - From), MADV_DONTNEED);
}

} // namespace platform
