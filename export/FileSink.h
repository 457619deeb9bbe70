#pragma once
// An output file as a byte sink. Writes are buffered and checked; the file is
// complete only after Close() succeeds. A sink that goes away without a
// successful Close() (a failed write, an error in the caller) closes and
// deletes its file, so no half-written file stays under its real name.

#include <cstdio>
#include <string>
#include <string_view>

#include "export/ByteSink.h"

namespace txad {

class FileSink : public ByteSink {
public:
    // Creates or empties the file; raises EVxError naming it when it cannot.
    explicit FileSink(std::string Path);
    ~FileSink() override;
    FileSink(const FileSink&) = delete;
    FileSink& operator=(const FileSink&) = delete;

    // Raises EVxError "Errore di scrittura del file <path>" on failure.
    void Write(std::string_view Bytes) override;
    // Flushes and closes; raises like Write. After a failure the file is deleted.
    void Close();

    const std::string& Path() const { return FPath; }

private:
    [[noreturn]] void Fail();
    void Abandon() noexcept;

    std::string FPath;
    std::FILE* FFile = nullptr;
    bool FComplete = false;
};

} // namespace txad
