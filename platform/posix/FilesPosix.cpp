// File names and the environment on POSIX: names are bytes, passed as they are.

#include "platform/Platform.h"

#include <cstdlib>
#include <sys/stat.h>

namespace platform {

std::filesystem::path FsPath(const std::string& Path) {
    return std::filesystem::path(Path);
}

std::FILE* OpenFile(const std::string& Path, const char* Mode) {
    return std::fopen(Path.c_str(), Mode);
}

std::optional<FileStatus> StatFile(const std::string& Path) {
    struct stat St {};
    if (stat(Path.c_str(), &St) != 0) return std::nullopt;
    return FileStatus{S_ISREG(St.st_mode), static_cast<uint64_t>(St.st_size),
                      static_cast<int64_t>(St.st_mtime)};
}

bool SetEnvironment(const std::string& Name, const std::string& Value) {
    return setenv(Name.c_str(), Value.c_str(), 1) == 0;
}

} // namespace platform
