// File names and the environment on Windows: UTF-8 names reach the C
// library's and the system's wide-character calls.

#ifdef _WIN32

#include "platform/win/WinApi.h"

#include "platform/Platform.h"
#include "platform/win/WideText.h"

#include <cstdlib>
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

namespace platform {

std::filesystem::path FsPath(const std::string& Path) {
    return std::filesystem::path(Wide(Path));
}

// The C library behind MinGW knows no "x" mode: the exclusive create is
// asked of the system and the descriptor handed to a stream.
std::FILE* OpenFile(const std::string& Path, const char* Mode) {
    std::string M(Mode);
    const auto X = M.find('x');
    if (X == std::string::npos) return _wfopen(Wide(Path).c_str(), Wide(M).c_str());
    M.erase(X, 1);
    int Flags = _O_CREAT | _O_EXCL | _O_NOINHERIT;
    Flags |= M.find('+') != std::string::npos ? _O_RDWR : _O_WRONLY;
    Flags |= M.find('b') != std::string::npos ? _O_BINARY : _O_TEXT;
    if (M.find('a') != std::string::npos) Flags |= _O_APPEND;
    const int Fd = _wopen(Wide(Path).c_str(), Flags, _S_IREAD | _S_IWRITE);
    if (Fd < 0) return nullptr;
    std::FILE* F = _wfdopen(Fd, Wide(M).c_str());
    if (!F) _close(Fd);
    return F;
}

std::optional<FileStatus> StatFile(const std::string& Path) {
    // The C library finds no folder named with a trailing separator, except
    // a drive's root.
    std::wstring Name = Wide(Path);
    while (Name.size() > 1 && (Name.back() == L'\\' || Name.back() == L'/') && Name[Name.size() - 2] != L':')
        Name.pop_back();
    struct _stat64 St {};
    if (_wstat64(Name.c_str(), &St) != 0) return std::nullopt;
    return FileStatus{(St.st_mode & _S_IFMT) == _S_IFREG, static_cast<uint64_t>(St.st_size),
                      static_cast<int64_t>(St.st_mtime)};
}

bool SetEnvironment(const std::string& Name, const std::string& Value) {
    return _wputenv_s(Wide(Name).c_str(), Wide(Value).c_str()) == 0;
}

} // namespace platform

#endif // _WIN32
