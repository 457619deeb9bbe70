#pragma once
// An output file as a byte sink. Writes are buffered and checked, and go to a
// file of this sink's own beside the real one, which takes the real name only
// after Close() succeeds: a killed or crashed run never leaves a partial file
// that looks complete. A sink that goes away without a successful Close() (a
// failed write, an error in the caller) deletes its file, and the real name
// is absent afterwards.

#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

#include "export/run/ByteSink.h"

namespace txad {

class FileSink : public ByteSink {
public:
    // The sink of a new file at Path; nothing when it cannot be created, or
    // when something other than a file holds the name (the caller says which
    // file failed in its own words; errno says why). FailureFormat is the text of a failed
    // write, %s standing for the path.
    static std::unique_ptr<FileSink> Create(std::string Path,
                                            std::string FailureFormat = "Errore di scrittura del file %s");
    ~FileSink() override;
    FileSink(const FileSink&) = delete;
    FileSink& operator=(const FileSink&) = delete;

    // Raises EVxError with the failure text ("Errore di scrittura del file
    // <path>") on failure, and stops as a failure does when the process is
    // asked to end.
    void Write(std::string_view Bytes) override;
    // Flushes, closes and puts the file under its name; raises like Write.
    // After a failure the file is deleted.
    void Close() {
        Finish();
        Commit();
    }
    // Close in two steps, so a file written on another thread takes its name
    // only once the files before it have: Finish flushes and closes the
    // bytes, Commit puts them under the name.
    void Finish();
    void Commit();
    // Deletes this sink's bytes and leaves the name as it was: for a file
    // that a failure before it means is not to be written.
    void Discard() noexcept;
    // A failure deletes only this sink's bytes, and the name keeps its file:
    // for a file written beside others, whose failure may not be the one told.
    void KeepNameOnFailure() { FKeepName = true; }

    const std::string& Path() const { return FPath; }

    // Deletes the files that sinks of interrupted runs left in Dir (regular
    // files named <name>.<16 hex digits>.adoxnew) and nothing else. Only for
    // a folder whose writers are known to be gone (its lock is held).
    static void RemoveLeftovers(const std::string& Dir);

private:
    FileSink(std::string Path, std::string TempPath, std::string FailureFormat, std::FILE* File);
    [[noreturn]] void Fail();
    void Abandon() noexcept;

    std::string FPath;
    std::string FTempPath; // where the bytes go until Close()
    std::string FFailureFormat;
    std::FILE* FFile = nullptr;
    bool FFinished = false; // the bytes are all in the file
    bool FKeepName = false;
    bool FComplete = false;
};

} // namespace txad
