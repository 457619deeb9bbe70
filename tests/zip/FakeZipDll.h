#pragma once
// A stand-in for the ZipDll plugin: it records the records it is given and
// plays a script of callbacks, so the component's side of the exchange can be
// checked call by call. Built as its own ZipDll.so in a separate folder.

#include "zip/ZipDllRecords.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

struct FakeStep {
    FakeStep(int32_t K, int32_t Flag = 0, int32_t N = 0, std::string T = std::string())
        : Kind(K), AnswerFlag(Flag), Number(N), Text(std::move(T)) {}
    int32_t Kind = 0;
    int32_t AnswerFlag = 0;
    int32_t Number = 0;
    std::string Text; // longer than the field: its first 512 bytes, unterminated
};

struct FakeOutcome {
    int32_t Returned = 0;
    int32_t AnswerFlag = 0;
    int32_t Number = 0;
    std::string Text; // up to the first NUL within the field
    bool TextTerminated = false;
    bool GuardIntact = false; // nothing written past the record's text field
};

struct FakeScript {
    std::vector<FakeStep> Steps;
    int32_t Result = 0;
    std::string AppendToArchive; // written to the archive before the callbacks
};

struct FakeCapture {
    int Calls = 0;
    ZipParamsRecord Params{};
    std::vector<ZipFileEntryRecord> SpecRecords;
    std::string ArchiveName, TempDir, Comment, Password;
    bool HasComment = false, HasPassword = false;
    std::vector<std::string> FileEntries, SpecRoots, SpecPasswords;
    std::vector<FakeOutcome> Outcomes;
};

// Entry points the tests reach by symbol lookup; the version answered is
// ADOX_FAKE_ZIPDLL_VERSION when set, else 160.
using FakeZipScriptFunc = FakeScript* (*)();
using FakeZipCaptureFunc = FakeCapture* (*)();
