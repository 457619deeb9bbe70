// POSIX implementation of the platform layer.

#include "Platform.h"
#include "posix/HklmFile.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <ctime>
#include <dlfcn.h>
#include <fcntl.h>
#include <filesystem>
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
    explicit PosixLibrary(void* H) : m_handle(H) {}
    ~PosixLibrary() override { dlclose(m_handle); }
    PosixLibrary(const PosixLibrary&) = delete;
    PosixLibrary& operator=(const PosixLibrary&) = delete;
    void* Symbol(const char* Name) override { return dlsym(m_handle, Name); }

private:
    void* m_handle;
};

} // namespace

std::string HklmFilePath() {
    const char* Env = std::getenv("ADOXPORT_HKLM");
    return Env && *Env ? std::string(Env) : std::string("/etc/adoxport/hklm.reg");
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
    if (const char* T = std::getenv("TMPDIR"); T && *T) return IncludePathDelimiter(T);
    return "/tmp/";
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
    int In = open(Source.c_str(), O_RDONLY | O_CLOEXEC);
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
    char Buf[65536];
    for (;;) {
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
        if (!Ok) break;
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

std::optional<LocalDate> FileLastWriteDate(const std::string& Path) {
    struct stat St {};
    if (stat(Path.c_str(), &St) != 0) return std::nullopt;
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

// ---- Large memory blocks ---------------------------------------------------

std::optional<LargeBlock> AllocateLargeBlock(std::size_t Bytes) {
    constexpr std::size_t HugePage = std::size_t(2) << 20;
    // One huge page more, so the block can start on a huge-page boundary.
    const std::size_t Size = (Bytes + 2 * HugePage - 1) / HugePage * HugePage;
    void* Base = mmap(nullptr, Size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (Base == MAP_FAILED) throw std::bad_alloc();
    const auto Address = reinterpret_cast<std::uintptr_t>(Base);
    const std::uintptr_t Aligned = (Address + HugePage - 1) & ~(HugePage - 1);
    char* Data = reinterpret_cast<char*>(Aligned);
#ifdef MADV_HUGEPAGE
    madvise(Data, Size - (Aligned - Address), MADV_HUGEPAGE);
#endif
    return LargeBlock{Base, Size, Data};
}

void FreeLargeBlock(const LargeBlock& Block) {
    if (Block.Base) munmap(Block.Base, Block.Size);
}

} // namespace platform
