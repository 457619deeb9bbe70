// Windows implementation of the platform layer. Compiled only on Windows.

#ifdef _WIN32

#include "platform/win/WinApi.h"
// shlobj.h needs windows.h before it.
#include <shlobj.h>

#include "platform/Platform.h"
#include "platform/win/WideText.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <filesystem>
#include <io.h>

namespace platform {

namespace {

class WinLibrary final : public Library {
public:
    explicit WinLibrary(HMODULE H) : FHandle(H) {}
    ~WinLibrary() override { FreeLibrary(FHandle); }
    WinLibrary(const WinLibrary&) = delete;
    WinLibrary& operator=(const WinLibrary&) = delete;
    void* Symbol(const char* Name) override { return reinterpret_cast<void*>(GetProcAddress(FHandle, Name)); }

private:
    HMODULE FHandle;
};

} // namespace

std::string HklmFilePath() {
    return {};
}

std::string SystemHklmFilePath() {
    return {};
}

std::string UserHklmFilePath() {
    return {};
}

HklmSource CurrentHklmSource() {
    return {HklmSourceKind::SystemRegistry, {}};
}

std::optional<std::string> ReadHklmString(std::string_view Key, std::string_view Value,
                                          HklmMissing* Missing) {
    std::wstring K = Wide(Utf8FromCp1252(Key));
    std::wstring V = Wide(Utf8FromCp1252(Value));
    HKEY H = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, K.c_str(), 0, KEY_READ, &H) != ERROR_SUCCESS) {
        if (Missing) *Missing = HklmMissing::Key;
        return std::nullopt;
    }
    DWORD Type = 0, Size = 0;
    LONG Rc = RegQueryValueExW(H, V.c_str(), nullptr, &Type, nullptr, &Size);
    if (Rc != ERROR_SUCCESS) {
        RegCloseKey(H);
        if (Missing) *Missing = HklmMissing::Value;
        return std::nullopt;
    }
    if (Type != REG_SZ && Type != REG_EXPAND_SZ) {
        RegCloseKey(H);
        throw PlatformError("Invalid data type for '" + std::string(Value) + "'");
    }
    std::wstring Buf(Size / sizeof(wchar_t) + 1, L'\0');
    Rc = RegQueryValueExW(H, V.c_str(), nullptr, &Type, reinterpret_cast<BYTE*>(Buf.data()), &Size);
    RegCloseKey(H);
    if (Rc != ERROR_SUCCESS) {
        if (Missing) *Missing = HklmMissing::Value;
        return std::nullopt;
    }
    Buf.resize(wcsnlen(Buf.c_str(), Buf.size())); // the text ends at its first NUL
    return Utf8(Buf);                             // paths are UTF-8 on every platform of this layer
}

char PathDelimiter() {
    return '\\';
}

// Either slash ends a folder here.
std::string IncludePathDelimiter(std::string_view Dir) {
    std::string S(Dir);
    if (S.empty() || (S.back() != '\\' && S.back() != '/')) S.push_back('\\');
    return S;
}

std::string ProgramPath() {
    std::wstring Buf(32768, L'\0');
    DWORD N = GetModuleFileNameW(nullptr, Buf.data(), static_cast<DWORD>(Buf.size()));
    Buf.resize(N);
    return Utf8(Buf);
}

std::string ProgramDir() {
    std::string P = ProgramPath();
    auto Slash = P.find_last_of("\\/");
    return Slash == std::string::npos ? std::string(".\\") : P.substr(0, Slash + 1);
}

std::string HomeDir() {
    wchar_t Buf[MAX_PATH];
    if (SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_PROFILE, nullptr, 0, Buf)))
        return IncludePathDelimiter(Utf8(Buf));
    return "\\";
}

std::string DeliveryBase() {
    std::string P = ProgramPath();
    return P.size() >= 2 && P[1] == ':' ? P.substr(0, 2) + "\\" : std::string("\\");
}

std::string TempDir() {
    wchar_t Buf[MAX_PATH + 1];
    DWORD N = GetTempPathW(MAX_PATH + 1, Buf);
    return IncludePathDelimiter(Utf8(std::wstring(Buf, N)));
}

std::string TempDirVariable() {
    return "TMP";
}

bool FileExists(const std::string& Path) {
    DWORD A = GetFileAttributesW(Wide(Path).c_str());
    return A != INVALID_FILE_ATTRIBUTES && !(A & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirectoryExists(const std::string& Path) {
    DWORD A = GetFileAttributesW(Wide(Path).c_str());
    return A != INVALID_FILE_ATTRIBUTES && (A & FILE_ATTRIBUTE_DIRECTORY);
}

bool ForceDirectories(const std::string& Path) {
    if (Path.empty()) return false;
    std::error_code Ec;
    std::filesystem::create_directories(std::filesystem::path(Wide(Path)), Ec);
    return DirectoryExists(Path);
}

bool DeleteFile(const std::string& Path) {
    return ::DeleteFileW(Wide(Path).c_str()) != 0;
}

bool CopyFileNoOverwrite(const std::string& Source, const std::string& Target) {
    return ::CopyFileW(Wide(Source).c_str(), Wide(Target).c_str(), TRUE) != 0;
}

std::FILE* OpenRegularFile(const std::string& Path, std::string& Why) {
    if (!FileExists(Path)) {
        Why = DirectoryExists(Path) ? "is a directory" : "not a regular file";
        return nullptr;
    }
    std::FILE* File = _wfopen(Wide(Path).c_str(), L"rb");
    if (File == nullptr) Why = std::strerror(errno);
    return File;
}

std::optional<std::string> CreateTempFile(const std::string& Prefix) {
    static const char Chars[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    for (int Attempt = 0; Attempt < 100; ++Attempt) {
        std::string Name = Prefix;
        for (int I = 0; I < 6; ++I) Name += Chars[static_cast<unsigned>(std::rand()) % 36];
        const HANDLE H = CreateFileW(Wide(Name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                     FILE_ATTRIBUTE_NORMAL, nullptr);
        if (H != INVALID_HANDLE_VALUE) {
            CloseHandle(H);
            return Name;
        }
        if (GetLastError() != ERROR_FILE_EXISTS) return std::nullopt;
    }
    return std::nullopt;
}

bool WriteNewFile(const std::string& Path, std::string_view Bytes) {
    const HANDLE H = CreateFileW(Wide(Path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
    if (H == INVALID_HANDLE_VALUE) return false;
    DWORD Written = 0;
    bool Ok = WriteFile(H, Bytes.data(), static_cast<DWORD>(Bytes.size()), &Written, nullptr) != 0 &&
              Written == Bytes.size();
    if (CloseHandle(H) == 0) Ok = false;
    if (!Ok) ::DeleteFileW(Wide(Path).c_str());
    return Ok;
}

TerminationGuard::TerminationGuard() = default;
TerminationGuard::~TerminationGuard() = default;

int TerminationRequested() {
    return 0;
}

namespace {

// A lock file opened without sharing and deleted when closed: the handle is
// the lock, released with the process however it ends.
class WinFolderLock : public FolderLock {
public:
    explicit WinFolderLock(HANDLE H) : FHandle(H) {}
    ~WinFolderLock() override { CloseHandle(FHandle); }
    WinFolderLock(const WinFolderLock&) = delete;
    WinFolderLock& operator=(const WinFolderLock&) = delete;

private:
    HANDLE FHandle;
};

} // namespace

FolderLockAttempt TryLockFolder(const std::string& Dir) {
    FolderLockAttempt Attempt;
    std::wstring Name = Wide(Dir);
    if (!Name.empty() && Name.back() != L'\\' && Name.back() != L'/') Name += L'\\';
    Name += L".adoxport.lock";
    const HANDLE H = CreateFileW(Name.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, 0, nullptr, OPEN_ALWAYS,
                                 FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (H != INVALID_HANDLE_VALUE) {
        Attempt.Lock = std::make_unique<WinFolderLock>(H);
        return Attempt;
    }
    const DWORD Err = GetLastError();
    Attempt.Busy = Err == ERROR_SHARING_VIOLATION || Err == ERROR_ACCESS_DENIED;
    return Attempt;
}

bool RenameFile(const std::string& From, const std::string& To) {
    return MoveFileExW(Wide(From).c_str(), Wide(To).c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
}

std::optional<uint64_t> FileSize(const std::string& Path) {
    WIN32_FILE_ATTRIBUTE_DATA D{};
    if (!GetFileAttributesExW(Wide(Path).c_str(), GetFileExInfoStandard, &D) ||
        (D.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return std::nullopt;
    return (static_cast<uint64_t>(D.nFileSizeHigh) << 32) | D.nFileSizeLow;
}

RegularFile OpenRegularFile(const std::string& Path) {
    RegularFile Result;
    WIN32_FILE_ATTRIBUTE_DATA D{};
    if (!GetFileAttributesExW(Wide(Path).c_str(), GetFileExInfoStandard, &D)) {
        const DWORD E = GetLastError();
        Result.Status =
            E == ERROR_FILE_NOT_FOUND || E == ERROR_PATH_NOT_FOUND ? OpenStatus::Missing : OpenStatus::Failed;
        return Result;
    }
    if (D.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        Result.Status = OpenStatus::NotRegular;
        return Result;
    }
    std::FILE* File = _wfopen(Wide(Path).c_str(), L"rb");
    if (!File) return Result;
    Result.File.reset(File);
    // Device names (CON, NUL, COM1) open as files of another type.
    if (GetFileType(reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(File)))) != FILE_TYPE_DISK) {
        Result.File.reset();
        Result.Status = OpenStatus::NotRegular;
        return Result;
    }
    Result.Size = (static_cast<uint64_t>(D.nFileSizeHigh) << 32) | D.nFileSizeLow;
    Result.Status = OpenStatus::Opened;
    return Result;
}

std::optional<LocalDate> FileLastWriteDate(const std::string& Path) {
    WIN32_FILE_ATTRIBUTE_DATA D{};
    if (!GetFileAttributesExW(Wide(Path).c_str(), GetFileExInfoStandard, &D) ||
        (D.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return std::nullopt;
    FILETIME Local{};
    SYSTEMTIME St{};
    if (!FileTimeToLocalFileTime(&D.ftLastWriteTime, &Local) || !FileTimeToSystemTime(&Local, &St))
        return std::nullopt;
    return LocalDate{St.wYear, St.wMonth, St.wDay};
}

LocalDateTime Now() {
    SYSTEMTIME St{};
    GetLocalTime(&St);
    return {St.wYear, St.wMonth, St.wDay, St.wHour, St.wMinute, St.wSecond, St.wMilliseconds};
}

std::unique_ptr<Library> LoadLibrary(const std::string& FileName) {
    HMODULE H = ::LoadLibraryW(Wide(FileName).c_str());
    if (!H) return nullptr;
    return std::make_unique<WinLibrary>(H);
}

std::string PluginFileName(std::string_view BaseName) {
    return std::string(BaseName) + ADOX_MODULE_SUFFIX;
}

int ZipDiskNumber(const std::string& Path) {
    if (Path.size() < 2 || Path[1] != ':') return 0;
    std::wstring Root = Wide(Path.substr(0, 2) + "\\");
    if (GetDriveTypeW(Root.c_str()) != DRIVE_REMOVABLE) return 0;
    wchar_t Label[MAX_PATH + 1] = {};
    if (!GetVolumeInformationW(Root.c_str(), Label, MAX_PATH + 1, nullptr, nullptr, nullptr, nullptr, 0))
        return 0;
    std::wstring L(Label);
    if (L.rfind(L"PKBACK# ", 0) != 0) return 0;
    return _wtoi(L.c_str() + 8);
}

bool ArchiveDriveAccessible(const std::string& Path) {
    auto Slash = Path.find_last_of("\\/");
    std::string Dir = Slash == std::string::npos ? std::string(".") : Path.substr(0, Slash + 1);
    return DirectoryExists(Dir);
}

// A Windows session always has its desktop.
bool DisplayAvailable() {
    return true;
}

// A write to a closed pipe fails with an error there; no signal ends the process.
void IgnoreBrokenPipe() {}

// ---- Large memory blocks ---------------------------------------------------

// Large pages need a privilege a desktop user rarely has: plain heap blocks.
std::optional<LargeBlock> AllocateLargeBlock(std::size_t) {
    return std::nullopt;
}

void FreeLargeBlock(const LargeBlock&) {}

void TrimLargeBlock(const LargeBlock&, std::size_t) {}

} // namespace platform

#endif // _WIN32
