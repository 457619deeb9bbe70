#pragma once
// Shared pieces of the zip tests: a presenter that records and answers, a
// private folder per test, and a builder for hand-made archives.

#include "support/VxMsgDlg.h"
#include "tests/common/RecordingPresenter.h"
#include "tests/common/TestSupport.h"

#include <cstdint>
#include <deque>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace ziptest {

// Installs a RecordingPresenter for the scope and names the application.
class PresenterScope {
public:
    PresenterScope() {
        SetApplicationTitle("adoxport");
        SetMessagePresenter(&P);
    }
    ~PresenterScope() { SetMessagePresenter(nullptr); }
    RecordingPresenter P;
};

// A fresh folder below the sandbox, removed at the end of the scope.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    const std::string& Path() const { return FPath; }
    std::string File(const std::string& Name) const { return FPath + "/" + Name; }

private:
    std::string FPath;
};

// One entry of a hand-made archive.
struct Entry {
    Entry(std::string N, std::string D, std::string C = std::string())
        : Name(std::move(N)), Data(std::move(D)), Comment(std::move(C)) {}
    std::string Name;
    std::string Data;
    std::string Comment;
    uint16_t MadeBy = 0x031E; // Unix host, version 3.0
    uint16_t Flags = 0;
};

// A stored (uncompressed) archive: local headers, central directory, end record.
std::string MakeArchive(const std::vector<Entry>& Entries, const std::string& Comment = std::string());

// The same archive closed the Zip64 way: Zip64 end record, its locator, and an
// end record whose counts, size and offset hold the escape values.
std::string MakeZip64Archive(const std::vector<Entry>& Entries, const std::string& Comment = std::string());

// Offsets inside an archive made by MakeArchive.
size_t EndRecordOffset(const std::string& Archive);
size_t CentralDirOffset(const std::string& Archive);

void Put16(std::string& Bytes, size_t Offset, uint16_t Value);
void Put32(std::string& Bytes, size_t Offset, uint32_t Value);

// Runs a shell command; its exit status.
int RunShell(const std::string& Command);
bool HaveProgram(const std::string& Name);

// Random bytes (incompressible), deterministic for a seed.
std::string RandomBytes(size_t Size, uint32_t Seed);

} // namespace ziptest
