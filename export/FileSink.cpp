#include "export/FileSink.h"

#include "platform/Platform.h"
#include "support/VxExceptions.h"
#include "support/VxStrUtils.h"

namespace txad {

namespace {
constexpr std::size_t BufferSize = 1 << 16;
}

FileSink::FileSink(std::string Path) : FPath(std::move(Path)) {
    FFile = std::fopen(FPath.c_str(), "wb");
    if (FFile == nullptr) throw EVxError(FormatMsg("Impossibile creare il file %s", FPath));
    std::setvbuf(FFile, nullptr, _IOFBF, BufferSize);
}

FileSink::~FileSink() {
    if (!FComplete) Abandon();
}

void FileSink::Write(std::string_view Bytes) {
    if (FFile == nullptr) Fail();
    if (std::fwrite(Bytes.data(), 1, Bytes.size(), FFile) != Bytes.size()) Fail();
}

void FileSink::Close() {
    if (FFile == nullptr) Fail();
    std::FILE* File = FFile;
    FFile = nullptr;
    const bool Flushed = std::fflush(File) == 0 && std::ferror(File) == 0;
    if (std::fclose(File) != 0 || !Flushed) Fail();
    FComplete = true;
}

void FileSink::Fail() {
    std::string Message = FormatMsg("Errore di scrittura del file %s", FPath);
    Abandon();
    throw EVxError(Message);
}

void FileSink::Abandon() noexcept {
    if (FFile != nullptr) {
        std::fclose(FFile);
        FFile = nullptr;
    }
    if (!FComplete && !FPath.empty()) platform::DeleteFile(FPath);
    FPath.clear();
}

} // namespace txad
