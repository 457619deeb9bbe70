#pragma once
// TZip: names an archive, lists its contents and adds files to it through the
// ZipDll plugin, which it loads at run time and follows through a callback,
// showing a progress window with a Cancel button meanwhile.

#include "zip/ZipDirectory.h"
#include "zip/ZipDllRecords.h"
#include "zip/ZipException.h"

#include <array>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class TProgressForm;

// One entry of the archive's central directory.
struct TFileInfo {
    std::array<uint8_t, zipdir::CentralHeaderSize> Header{};
    bool Encrypted = false;
    std::string FileName;   // CP1252 when the archive's names are OEM; "\" separators
    std::string ExtraField; // raw bytes
    std::string FileComment;
};

class TZip {
public:
    using TNotifyEvent = std::function<void(TZip* Sender)>;
    using TZEDBeginFileEvent = std::function<void(TZip* Sender, const std::string& Filename, int32_t FileSize,
                                                  int32_t BatchCount, int32_t TotalBytesInBatch)>;
    using TProgressEvent =
        std::function<void(TZip* Sender, const std::string& Filename, int32_t BytesDone, int32_t TotalBytes)>;
    using TZEDEndBatchEvent = std::function<void(TZip* Sender, int32_t SkippedCount, int32_t BatchCount,
                                                 int32_t TotalBytesInBatch)>;

    // AddOptions: how Add fills the parameter record. aoRelativeToRootDir is
    // the component's own; the others are switches whose meaning is the
    // plugin's (the bundled plugin packs every file alike whatever they say),
    // each sent in the parameter field of the same name.
    enum AddOption : uint8_t {
        aoFallbackMode = 1,      // sent only while aoDefaultMode is clear
        aoDefaultMode = 2,       // the initial AddOptions
        aoPerFileOption = 4,     // sent in every file entry record too
        aoRelativeToRootDir = 8, // relative file names start at RootDir
        aoInvertedOption = 16,   // sent as its opposite
        aoUnsentOption = 32,     // reaches no field
        aoPassedFirst = 64,      // sent as it is
        aoPassedSecond = 128     // sent as it is
    };
    // ExtrOptions: how the plugin's overwrite question is answered. Without
    // any of them an existing file is always overwritten.
    enum ExtrOption : uint8_t {
        eoOverwriteOlder = 1,     // overwrite only a file older than the zipped one
        eoReplaceOlder = 2,       // the same answer as eoOverwriteOlder
        eoAskBeforeOverwrite = 8, // ask, unless one of the two above is set
    };

    TZip();
    ~TZip();
    TZip(const TZip&) = delete;
    TZip& operator=(const TZip&) = delete;

    const std::string& ZipFileName() const { return FZipFileName; }
    // Opens the archive at Path, creating an empty one when no file is there,
    // and reads its directory. Raises ZipException.
    void SetZipFileName(const std::string& Path);

    const std::vector<std::string>& FileSpecs() const { return FFileSpecs; }
    void SetFileSpecs(const std::vector<std::string>& FileEntries) { FFileSpecs = FileEntries; }

    // Packs FileSpecs into the archive; returns how many files went in, 0 when
    // a pre-check refused or the user cancelled. Raises ZipException.
    int32_t Add();

    // Re-reads the end record and central directory. Raises ZipException.
    void ReadZipDirectory();

    const std::vector<TFileInfo>& ZipContents() const { return FContents; }
    const std::string& ZipComment() const { return FZipComment; }
    bool OemNames() const { return FOemNames; }
    const zipdir::EndRecord& EndRecord() const { return FEnd; }
    int32_t EndRecordPosition() const { return FEndPosition; }

    // The progress window's Cancel: the plugin is asked to stop at its next callback.
    void Cancel() { FCancel = true; }
    bool Cancelled() const { return FCancel; }

    // Progress counters of the running (or last) operation.
    const std::string& CurrentFile() const { return FCurrentFile; }
    int32_t BatchCount() const { return FBatchCount; }
    int32_t TotalBytesInBatch() const { return FTotalBytes; }
    int32_t BytesDone() const { return FBytesDone; }
    int32_t SkippedCount() const { return FSkipped; }
    float ProgressScale() const { return FProgressScale; }
    TProgressForm* ProgressForm() const { return FProgress.get(); }

    // The plugin's callback (the record's Caller is the TZip).
    static int32_t ZipCallback(ZipCallbackRecord* Record);
    // Releases the process-wide plugin so that the next Add loads it again.
    static void UnloadZipDll();

    std::string Password;
    std::string DllDirectory; // empty: the program's own folder
    std::string TempDir;      // with a trailing separator
    std::string RootDir;      // cleared by every Add
    bool Trace = false;
    bool ShowProgressDialog = true;
    // The progress window's title (CP1252), the program's name as the
    // desktop's menu shows it; the application's title when empty.
    std::string ProgressTitle;
    uint8_t AddOptions = aoDefaultMode;
    uint8_t ExtrOptions = eoOverwriteOlder;

    TNotifyEvent OnContentsChanged;
    TZEDBeginFileEvent OnZEDBeginFileEvent;
    TProgressEvent OnZEDProgressEvent;
    TZEDEndBatchEvent OnZEDEndBatchEvent;

private:
    struct Backup;
    int32_t RunAdd();
    void RestoreArchive(Backup& Saved);
    void LoadZipDll();
    bool AskForDisk(int Disk);
    void HandleCallback(ZipCallbackRecord& Rec);
    bool WindowUsed() const;
    void HideWindow();
    void ShowWindowAgain();
    void WriteTrace(const std::string& Line);

    std::string FZipFileName;
    bool FOemNames = false;
    std::vector<TFileInfo> FContents;
    std::vector<std::string> FFileSpecs;
    zipdir::EndRecord FEnd;
    std::string FZipComment;
    int32_t FEndPosition = -1;
    bool FCancel = false;
    float FProgressScale = 1.0f;
    std::unique_ptr<TProgressForm> FProgress;
    struct TraceFile;
    std::unique_ptr<TraceFile> FTrace;
    std::string FCurrentFile;
    int32_t FBatchCount = 0;
    int32_t FTotalBytes = 0;
    int32_t FBytesDone = 0;
    int32_t FSkipped = 0;
    std::exception_ptr FPendingError; // raised by a handler inside a callback
};
