#include "export/run/FileSink.h"

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <filesystem>
#include <random>
#include <string_view>

#include "export/run/RunControl.h"
#include "platform/Platform.h"
#include "support/VxExceptions.h"
#include "support/VxStrUtils.h"

namespace txad {

namespace {

constexpr std::size_t BufferSize = 1 << 16;
constexpr std::string_view TempSuffix = ".adoxnew";
constexpr std::size_t TokenLength = 16;

bool IsTempName(std::string_view Name) {
    if (Name.size() < TokenLength + 2 + TempSuffix.size() || !Name.ends_with(TempSuffix)) return false;
    Name.remove_suffix(TempSuffix.size());
    const std::string_view Token = Name.substr(Name.size() - TokenLength);
    return Name[Name.size() - TokenLength - 1] == '.' &&
           Token.find_first_not_of("0123456789abcdef") == std::string_view::npos;
}

// A name part no other sink, in this process or another, picks.
std::string UniqueToken() {
    static std::atomic<uint32_t> Counter{0};
    std::random_device Random;
    const uint64_t Value = (static_cast<uint64_t>(Random()) << 32) ^ Random() ^ ++Counter;
    static const char Hex[] = "0123456789abcdef";
    std::string Token(TokenLength, '0');
    for (int I = 0; I < static_cast<int>(TokenLength); ++I)
        Token[static_cast<std::size_t>(I)] = Hex[(Value >> (4 * I)) & 0xF];
    return Token;
}

} // namespace

std::unique_ptr<FileSink> FileSink::Create(std::string Path, std::string FailureFormat) {
    // A folder (or anything but a file) under the name could not be replaced.
    std::error_code Ec;
    const auto Type = std::filesystem::symlink_status(platform::FsPath(Path), Ec).type();
    const bool Replaceable = Type == std::filesystem::file_type::not_found ||
                             Type == std::filesystem::file_type::regular ||
                             Type == std::filesystem::file_type::symlink;
    if (!Replaceable) {
        errno = Type == std::filesystem::file_type::directory ? EISDIR : EINVAL;
        return nullptr;
    }
    std::string TempPath = Path + "." + UniqueToken() + std::string(TempSuffix);
    std::FILE* File = platform::OpenFile(TempPath, "wbx");
    if (File == nullptr) return nullptr;
    return std::unique_ptr<FileSink>(
        new FileSink(std::move(Path), std::move(TempPath), std::move(FailureFormat), File));
}

FileSink::FileSink(std::string Path, std::string TempPath, std::string FailureFormat, std::FILE* File)
    : FPath(std::move(Path)), FTempPath(std::move(TempPath)), FFailureFormat(std::move(FailureFormat)),
      FFile(File) {
    std::setvbuf(FFile, nullptr, _IOFBF, BufferSize);
}

FileSink::~FileSink() {
    if (!FComplete) Abandon();
}

void FileSink::RemoveLeftovers(const std::string& Dir) {
    std::error_code Ec;
    for (auto It = std::filesystem::directory_iterator(Dir, Ec);
         !Ec && It != std::filesystem::directory_iterator(); It.increment(Ec)) {
        std::error_code TypeEc;
        if (IsTempName(It->path().filename().string()) &&
            std::filesystem::is_regular_file(It->symlink_status(TypeEc)))
            platform::DeleteFile(It->path().string());
    }
}

void FileSink::Write(std::string_view Bytes) {
    if (platform::TerminationRequested() != 0) {
        Abandon();
        ThrowIfTerminationRequested();
    }
    if (FFile == nullptr) Fail();
    if (std::fwrite(Bytes.data(), 1, Bytes.size(), FFile) != Bytes.size()) Fail();
}

void FileSink::Finish() {
    if (FFile == nullptr) Fail();
    std::FILE* File = FFile;
    FFile = nullptr;
    const bool Flushed = std::fflush(File) == 0 && std::ferror(File) == 0;
    if (std::fclose(File) != 0 || !Flushed) Fail();
    FFinished = true;
}

void FileSink::Commit() {
    if (!FFinished || FPath.empty()) Fail();
    if (!platform::RenameFile(FTempPath, FPath)) Fail();
    FComplete = true;
}

void FileSink::Discard() noexcept {
    if (FFile != nullptr) {
        std::fclose(FFile);
        FFile = nullptr;
    }
    if (!FComplete && !FTempPath.empty()) platform::DeleteFile(FTempPath);
    FPath.clear();
    FComplete = true;
}

void FileSink::Fail() {
    const int Reason = errno != 0 ? errno : EIO;
    std::string Message = FormatMsg(FFailureFormat, PathText(FPath));
    Abandon();
    throw EVxError(Message, Reason);
}

void FileSink::Abandon() noexcept {
    if (FFile != nullptr) {
        std::fclose(FFile);
        FFile = nullptr;
    }
    if (!FComplete && !FPath.empty()) {
        platform::DeleteFile(FTempPath);
        if (!FKeepName) platform::DeleteFile(FPath);
    }
    FPath.clear();
}

} // namespace txad
