#include "zip/Zip.h"

#include "platform/Platform.h"
#include "support/VxMsgDlg.h"
#include "support/VxStrUtils.h"
#include "zip/ProgressForm.h"

#include <QCoreApplication>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <exception>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string_view>

namespace {

const char* const MsgNoArchive =
    "A Zip file must be openned or created before\nAdding, Deleting or Extracting files.";
const char* const MsgNoFiles = "No files have been selected.";
const char* const MsgMultiDisk =
    "Cannot Add, Delete or Extract from a multiple disk Zip file...\nMerge this Zip file "
    "onto the hard disk before retrying.";
const char* const MsgNoDrive = "Unable to access the selected drive!";
const char* const MsgBadCentral = "Error reading CentralFileHeader.";
const char* const MsgNoPassword =
    "No password was entered so the file will not be extracted...\nDo you wish to "
    "continue extracting other files?";

constexpr int32_t ParamsVersion = 160;
constexpr uint8_t EmptyArchive[zipdir::EndRecordSize] = {0x50, 0x4B, 0x05, 0x06};

std::string NotValidMessage(const std::string& Path) {
    return "\"" + PathText(Path) + "\"\nis not a valid Zip file.";
}
std::string CannotCreateMessage(const std::string& Path) {
    return "Unable to create \n\"" + PathText(Path) + "\"";
}

// Questions of the component carry the application's title, not a kind's caption.
int32_t AskBox(const std::string& Text, uint32_t Style) {
    return CurrentPresenter().ShowBox(MessageBoxRequest{ApplicationTitle(), Text, Style});
}

// Dir as the start of the paths inside it; an empty Dir (none given) stays
// empty.
std::string FolderPrefix(const std::string& Dir) {
    return Dir.empty() ? Dir : platform::IncludePathDelimiter(Dir);
}

// The folder part of Path, with its separator; "" for a bare name.
std::string FolderOf(const std::string& Path) {
    const std::size_t Slash = Path.find_last_of("/\\");
    return Slash == std::string::npos ? std::string() : Path.substr(0, Slash + 1);
}

// Counters are the plugin's 32-bit integers: they wrap instead of overflowing.
int32_t Add32(int32_t A, int32_t B) {
    return static_cast<int32_t>(static_cast<uint32_t>(A) + static_cast<uint32_t>(B));
}

// The one plugin of the process, shared by every TZip.
struct ZipDllState {
    std::unique_ptr<platform::Library> Lib;
    ZipDllExecFunc Exec = nullptr;
    GetZipDllVersionFunc Version = nullptr;
};

ZipDllState& Dll() {
    static ZipDllState State;
    return State;
}

} // namespace

// The trace stream of one Add.
struct TZip::TraceFile {
    std::ofstream Out;
};

// A copy of the archive taken before Add, removed when Add ends unless it
// is the only intact copy left. An archive that is only the empty end record
// (as naming a new archive makes it) is kept in memory instead: nothing to
// copy, and no folder needed for it.
struct TZip::Backup {
    std::string Path;
    bool EmptyArchive = false;
    bool Keep = false;
    ~Backup() {
        if (!Path.empty() && !Keep) {
            std::error_code Ec;
            std::filesystem::remove(platform::FsPath(Path), Ec);
        }
    }
};

namespace {

std::string_view EmptyArchiveBytes() {
    return {reinterpret_cast<const char*>(EmptyArchive), sizeof EmptyArchive};
}

bool IsEmptyArchive(const std::string& Path) {
    if (platform::FileSize(Path) != sizeof EmptyArchive) return false;
    std::ifstream In(Path, std::ios::binary);
    std::string Bytes(sizeof EmptyArchive, '\0');
    return In.read(Bytes.data(), static_cast<std::streamsize>(Bytes.size())) && Bytes == EmptyArchiveBytes();
}

bool WriteInto(const std::string& Path, std::string_view Bytes) {
    std::ofstream Out(Path, std::ios::binary | std::ios::trunc);
    return Out.write(Bytes.data(), static_cast<std::streamsize>(Bytes.size())) && Out.flush();
}

} // namespace

// Puts the backup back through a new file beside the archive and a rename, so
// that the archive is never left half copied; when that fails the backup is
// kept (an empty archive written out for the purpose) and named.
void TZip::RestoreArchive(Backup& Saved) {
    const std::string& Archive = FZipFileName;
    std::string Temp;
    bool Done = false;
    if (std::optional<std::string> Made = platform::CreateTempFile(Archive + ".")) {
        Temp = *Made;
        std::error_code Ec;
        Done = Saved.EmptyArchive
                   ? WriteInto(Temp, EmptyArchiveBytes())
                   : std::filesystem::copy_file(platform::FsPath(Saved.Path), platform::FsPath(Temp),
                                                std::filesystem::copy_options::overwrite_existing, Ec) &&
                         !Ec;
        if (Done) {
            std::filesystem::rename(platform::FsPath(Temp), platform::FsPath(Archive), Ec);
            Done = !Ec;
        }
    }
    if (Done) return;
    if (!Temp.empty()) {
        std::error_code Ec;
        std::filesystem::remove(platform::FsPath(Temp), Ec);
    }
    if (Saved.EmptyArchive) {
        std::optional<std::string> Kept = platform::CreateTempFile(FolderPrefix(TempDir) + "zzz");
        if (Kept && !WriteInto(*Kept, EmptyArchiveBytes())) {
            std::error_code Ec;
            std::filesystem::remove(platform::FsPath(*Kept), Ec);
            Kept.reset();
        }
        if (!Kept) throw ZipException("Unable to restore \n\"" + PathText(Archive) + "\"");
        Saved.Path = *Kept;
    }
    Saved.Keep = true;
    throw ZipException("Unable to restore \n\"" + PathText(Archive) +
                       "\"\nIts previous contents are kept in \n\"" + PathText(Saved.Path) + "\"");
}

TZip::TZip() {
    TempDir = platform::TempDir();
    if (TempDir.empty()) TempDir = platform::ProgramDir();
}

TZip::~TZip() {
    UnloadZipDll();
}

void TZip::UnloadZipDll() {
    ZipDllState& S = Dll();
    S.Exec = nullptr;
    S.Version = nullptr;
    S.Lib.reset();
}

void TZip::SetZipFileName(const std::string& Path) {
    Password.clear();
    FOemNames = false;
    FEnd = zipdir::EndRecord{};
    FZipComment.clear();
    FEndPosition = -1;
    FContents.clear();
    FZipFileName = Path;
    if (!Path.empty()) {
        if (!platform::ArchiveDriveAccessible(Path)) throw ZipException(MsgNoDrive);
        if (!platform::FileExists(Path) &&
            !platform::WriteNewFile(
                Path, std::string_view(reinterpret_cast<const char*>(EmptyArchive), sizeof EmptyArchive)))
            throw ZipException(CannotCreateMessage(Path));
        ReadZipDirectory();
    }
    if (OnContentsChanged) OnContentsChanged(this);
}

void TZip::ReadZipDirectory() {
    FContents.clear();
    if (FZipFileName.empty()) return;

    zipdir::Directory Dir;
    zipdir::EndStatus Status;
    std::unique_ptr<zipdir::FileSource> Source;
    for (;;) {
        Source = std::make_unique<zipdir::FileSource>(FZipFileName);
        Dir = zipdir::Directory{};
        Status = zipdir::ReadEndRecord(*Source, Dir);
        if (Status != zipdir::EndStatus::NotFound) break;
        Source.reset();
        const int Disk = platform::ZipDiskNumber(FZipFileName);
        if (Disk == 0) throw ZipException(NotValidMessage(FZipFileName));
        const std::string Text =
            "This is [ Disk " + std::to_string(Disk) +
            " ] of a multiple disk Zip file.\nInsert the last disk of the Zip file before "
            "pressing [ OK ] to continue ...";
        if (AskBox(Text, MB_OKCANCEL_ | MB_ICONINFORMATION_) != idOK) return;
    }

    FEndPosition = static_cast<int32_t>(Dir.EndPosition);
    FEnd = Dir.End;
    if (Status == zipdir::EndStatus::BadDiskNumbers) throw ZipException(NotValidMessage(FZipFileName));
    FZipComment = FOemNames ? platform::Cp1252FromOem(Dir.Comment) : Dir.Comment;
    // Without the Zip64 record that its locator names the directory cannot be found.
    if (Status == zipdir::EndStatus::BadZip64) throw ZipException(MsgBadCentral);
    if (Dir.TotalEntries == 0 && Dir.EntriesOnDisk == 0 && Dir.CentralDirSize == 0) return;

    if (FEnd.CentralDirDisk() != FEnd.ThisDisk()) {
        // Only a spanned medium can be swapped; elsewhere the directory is unreachable.
        if (platform::ZipDiskNumber(FZipFileName) == 0) throw ZipException(MsgBadCentral);
        Source.reset();
        if (!AskForDisk(FEnd.CentralDirDisk())) return;
        Source = std::make_unique<zipdir::FileSource>(FZipFileName);
    }
    if (!zipdir::ReadCentralDirectory(*Source, Dir)) {
        FContents.clear();
        throw ZipException(MsgBadCentral);
    }
    // The comment follows the code page the entries declare for this archive.
    FOemNames = Dir.OemNames;
    FZipComment = FOemNames ? platform::Cp1252FromOem(Dir.Comment) : Dir.Comment;
    FContents.reserve(Dir.Entries.size());
    for (zipdir::CentralEntry& E : Dir.Entries) {
        TFileInfo Info;
        Info.Header = E.Header;
        Info.Encrypted = E.Encrypted();
        Info.FileName = FOemNames ? platform::Cp1252FromOem(E.FileName) : std::move(E.FileName);
        std::replace(Info.FileName.begin(), Info.FileName.end(), '/', '\\');
        Info.ExtraField = std::move(E.ExtraField);
        Info.FileComment = FOemNames ? platform::Cp1252FromOem(E.FileComment) : std::move(E.FileComment);
        FContents.push_back(std::move(Info));
    }
}

bool TZip::AskForDisk(int Disk) {
    for (;;) {
        const int Medium = platform::ZipDiskNumber(FZipFileName);
        if (Medium == Disk) return true;
        if (Medium == 0) return false;
        const std::string Text =
            "Insert [ Disk " + std::to_string(Disk) +
            " ] of the Zip file into the floppy drive\nbefore pressing [ OK ] to continue ...";
        if (AskBox(Text, MB_OKCANCEL_ | MB_ICONINFORMATION_) != idOK) return false;
    }
}

void TZip::LoadZipDll() {
    ZipDllState& S = Dll();
    if (S.Lib) return;
    const std::string Name = platform::PluginFileName(ADOX_ZIPDLL_NAME);
    const std::string File =
        FolderPrefix(DllDirectory.empty() ? platform::ProgramDir() : DllDirectory) + Name;
    std::unique_ptr<platform::Library> Lib = platform::LoadLibrary(File);
    if (!Lib) throw ZipException("Unable to load \"" + File + "\".");
    auto Exec = reinterpret_cast<ZipDllExecFunc>(Lib->Symbol("ZipDllExec"));
    auto Version = reinterpret_cast<GetZipDllVersionFunc>(Lib->Symbol("GetZipDllVersion"));
    if (!Exec || !Version) throw ZipException("Unable to load \"" + File + "\".");
    if (Version() < ZIPDLL_MIN_VERSION) throw ZipException("Error - invalid version of " + File);
    S.Lib = std::move(Lib);
    S.Exec = Exec;
    S.Version = Version;
}

int32_t TZip::Add() {
    struct ClearRoot {
        std::string& Root;
        ~ClearRoot() { Root.clear(); }
    } Guard{RootDir};
    return RunAdd();
}

int32_t TZip::RunAdd() {
    if (FZipFileName.empty()) {
        AskBox(MsgNoArchive, MB_OK_ | MB_ICONINFORMATION_);
        return 0;
    }
    if (FFileSpecs.empty()) {
        AskBox(MsgNoFiles, MB_OK_ | MB_ICONINFORMATION_);
        return 0;
    }
    if (FEnd.ThisDisk() > 0) {
        AskBox(MsgMultiDisk, MB_OK_ | MB_ICONINFORMATION_);
        return 0;
    }
    LoadZipDll();

    // Without a backup a cancelled Add could not restore the archive, so the
    // plugin is not called at all.
    Backup Saved;
    Saved.EmptyArchive = IsEmptyArchive(FZipFileName);
    if (!Saved.EmptyArchive) {
        // A temporary folder that cannot take the copy (gone, a file, not
        // writable) gives way to the archive's own folder.
        std::optional<std::string> Made = platform::CreateTempFile(FolderPrefix(TempDir) + "zzz");
        if (!Made) Made = platform::CreateTempFile(FolderOf(FZipFileName) + "zzz");
        if (!Made)
            throw ZipException(CannotCreateMessage(FolderPrefix(TempDir) + "zzz") +
                               "\nThe temporary folder (" + platform::TempDirVariable() +
                               ") cannot take a new file.");
        Saved.Path = *Made;
        std::error_code Ec;
        std::filesystem::copy_file(platform::FsPath(FZipFileName), platform::FsPath(Saved.Path),
                                   std::filesystem::copy_options::overwrite_existing, Ec);
        if (Ec) throw ZipException(CannotCreateMessage(Saved.Path));
    }

    const std::string RootText = FolderPrefix(RootDir);
    FCancel = false;

    ZipParamsRecord Params{};
    Params.Caller = this;
    Params.Version = ParamsVersion;
    Params.Callback = &TZip::ZipCallback;
    Params.Trace = Trace ? -1 : 0;
    Params.Password = Password.empty() ? nullptr : Password.c_str();
    Params.Encrypt = Password.empty() ? 0 : -1;
    Params.PassedFirst = (AddOptions & aoPassedFirst) ? -1 : 0;
    Params.WithoutInvertedOption = (AddOptions & aoInvertedOption) ? 0 : -1;
    Params.ConstantTrue = -1;
    Params.ConstantNine = 9;
    Params.PlainFileSpecs = (AddOptions & (aoPerFileOption | aoRelativeToRootDir)) ? 0 : -1;
    Params.PerFileOption = (AddOptions & aoPerFileOption) ? -1 : 0;
    Params.ConstantTrueToo = -1;
    Params.PassedSecond = (AddOptions & aoPassedSecond) ? -1 : 0;
    Params.DefaultMode = (AddOptions & aoDefaultMode) ? -1 : 0;
    Params.FallbackMode = !(AddOptions & aoDefaultMode) && (AddOptions & aoFallbackMode) ? -1 : 0;
    Params.FileEntryCount = static_cast<int32_t>(FFileSpecs.size());
    Params.ArchiveName = FZipFileName.c_str();
    Params.TempDir = TempDir.c_str();
    const std::string Comment = FOemNames ? platform::OemFromCp1252(FZipComment) : FZipComment;
    Params.Comment = Comment.empty() ? nullptr : Comment.c_str();
    // The root folder reaches the plugin in every file entry record; the
    // process's working folder is left alone.
    Params.Marker = 7;

    std::vector<ZipFileEntryRecord> FileEntries(FFileSpecs.size());
    for (size_t I = 0; I < FFileSpecs.size(); ++I) {
        std::string& FileName = FFileSpecs[I];
        const bool Relative =
            FileName.size() < 3 || (FileName[0] != '\\' && FileName[0] != '/' && FileName[1] != ':');
        if ((AddOptions & aoRelativeToRootDir) && Relative) FileName.insert(0, RootText);
        FileEntries[I].FileName = FileName.c_str();
        FileEntries[I].Password = Params.Password;
        FileEntries[I].Encrypt = Params.Encrypt;
        FileEntries[I].PerFileOption = Params.PerFileOption;
        FileEntries[I].RootDir = RootText.c_str();
    }
    Params.FileEntries = FileEntries.data();

    int32_t Result = 0;
    std::exception_ptr Failure;
    {
        struct EndOfCall {
            TZip& Z;
            ~EndOfCall() {
                Z.FProgress.reset();
                Z.FTrace.reset();
            }
        } Ending{*this};
        if (Trace) {
            FTrace = std::make_unique<TraceFile>();
            const std::filesystem::path TracePath =
                platform::FsPath(platform::ProgramPath()).replace_extension(".trace");
            FTrace->Out.open(TracePath, std::ios::binary | std::ios::trunc);
        }
        if (ShowProgressDialog) {
            FProgress = std::make_unique<TProgressForm>(*this);
            FProgress->show();
        }
        FPendingError = nullptr;
        Result = Dll().Exec(&Params);
        Failure = std::exchange(FPendingError, nullptr);
    }
    if (FCancel) {
        // A batch cancelled by the user or stopped by a failing event handler
        // never counts as delivered: the archive goes back to its state
        // before Add, and a restore that fails is said, not ignored.
        RestoreArchive(Saved);
    }
    if (Failure) std::rethrow_exception(Failure);
    FFileSpecs.clear();
    if (FCancel) return 0;
    if (Result > 0) {
        ReadZipDirectory();
        if (OnContentsChanged) OnContentsChanged(this);
    }
    return Result;
}

bool TZip::WindowUsed() const {
    return ShowProgressDialog && FProgress;
}

void TZip::HideWindow() {
    if (WindowUsed()) FProgress->hide();
}

void TZip::ShowWindowAgain() {
    if (WindowUsed() && !FCancel) FProgress->show();
}

void TZip::WriteTrace(const std::string& Line) {
    if (!FTrace || !FTrace->Out.is_open() || Line.empty()) return;
    FTrace->Out << Line << "\r\n";
    FTrace->Out.flush();
}

int32_t TZip::ZipCallback(ZipCallbackRecord* Record) {
    if (!Record || !Record->Caller) return 0;
    TZip& Z = *static_cast<TZip*>(Record->Caller);
    // A process asked to end stops the batch as Cancel does, so the archive
    // goes back to its state before Add.
    if (platform::TerminationRequested() != 0) Z.FCancel = true;
    if (!Z.FCancel) {
        // Nothing may unwind through the plugin: an error of a handler stops the
        // batch and is raised again once the plugin has returned.
        try {
            Z.HandleCallback(*Record);
        } catch (...) {
            if (!Z.FPendingError) Z.FPendingError = std::current_exception();
            Z.FCancel = true;
        }
    }
    if (QCoreApplication::instance()) QCoreApplication::processEvents();
    return Z.FCancel ? -1 : 0;
}

void TZip::HandleCallback(ZipCallbackRecord& Rec) {
    // The text field is never trusted to be terminated.
    const std::string Text(Rec.Text, ::strnlen(Rec.Text, sizeof Rec.Text));
    switch (Rec.Kind) {
    case ZIPDLL_CB_BEGIN_FILE:
        FCurrentFile = Text;
        if (OnZEDBeginFileEvent)
            OnZEDBeginFileEvent(this, FCurrentFile, Rec.Number, FBatchCount, FTotalBytes);
        if (WindowUsed()) FProgress->SetFileName(FCurrentFile);
        break;
    case ZIPDLL_CB_PROGRESS:
        FBytesDone = Add32(FBytesDone, Rec.Number);
        if (OnZEDProgressEvent) OnZEDProgressEvent(this, FCurrentFile, Rec.Number, FTotalBytes);
        if (WindowUsed()) {
            const double Pos =
                std::trunc(static_cast<double>(FBytesDone) * static_cast<double>(FProgressScale));
            FProgress->SetPosition(static_cast<int>(std::clamp(Pos, 0.0, double{TProgressForm::BarMaximum})));
        }
        break;
    case ZIPDLL_CB_END_BATCH:
        if (OnZEDEndBatchEvent) OnZEDEndBatchEvent(this, FSkipped, FBatchCount, FTotalBytes);
        HideWindow();
        break;
    case ZIPDLL_CB_TRACE: WriteTrace(Text); break;
    case ZIPDLL_CB_BATCH_COUNT: FBatchCount = Rec.Number; break;
    case ZIPDLL_CB_BATCH_BYTES:
        FTotalBytes = Rec.Number;
        FBytesDone = 0;
        FSkipped = 0;
        FProgressScale = Rec.Number == 0 ? 1.0f : 65535.0f / static_cast<float>(Rec.Number);
        if (WindowUsed()) FProgress->SetMaximum(TProgressForm::BarMaximum);
        break;
    case ZIPDLL_CB_PASSWORD: {
        HideWindow();
        const std::string Prompt = Rec.Number == 3 ? "A new password is required for \"" + Text + "\""
                                                   : std::string("Password is invalid, please retry ...");
        const std::string Answer =
            CurrentPresenter().InputQuery(ApplicationTitle(), Prompt).value_or(std::string());
        if (!Answer.empty()) {
            const size_t Len = std::min(Answer.size(), sizeof Rec.Text - 1);
            std::memcpy(Rec.Text, Answer.data(), Len);
            Rec.Text[Len] = '\0';
            Rec.AnswerFlag = 1;
            if (Rec.Number > 0) --Rec.Number;
        } else {
            if (AskBox(MsgNoPassword, MB_YESNO_ | MB_ICONQUESTION_) != idYes) FCancel = true;
            Rec.AnswerFlag = 0;
            Rec.Number = 0;
        }
        ShowWindowAgain();
        break;
    }
    case ZIPDLL_CB_CRC_ERROR: {
        HideWindow();
        const int32_t R =
            AskBox("\"" + Text + "\" may be corrupted (CRC error).\nExtract this file anyway? ...",
                   MB_YESNOCANCEL_ | MB_ICONQUESTION_ | MB_DEFBUTTON2_);
        if (R == idCancel)
            FCancel = true;
        else
            Rec.AnswerFlag = R == idYes ? 1 : 0;
        ShowWindowAgain();
        break;
    }
    case ZIPDLL_CB_OVERWRITE:
        if (!(ExtrOptions & (eoOverwriteOlder | eoReplaceOlder | eoAskBeforeOverwrite))) {
            Rec.Number = 1;
        } else if (ExtrOptions & (eoOverwriteOlder | eoReplaceOlder)) {
            Rec.Number = Rec.AnswerFlag & 1;
        } else {
            HideWindow();
            const int32_t R =
                (Rec.AnswerFlag & 1)
                    ? AskBox("\"" + Text + "\" is older than the zipped file.\nOverwrite this file? ...",
                             MB_YESNOCANCEL_ | MB_ICONINFORMATION_)
                    : AskBox("\"" + Text +
                                 "\" is the same age or newer than the zipped file.\nDo you really want to "
                                 "overwrite this file? ...",
                             MB_YESNOCANCEL_ | MB_ICONSTOP_ | MB_DEFBUTTON2_);
            if (R == idCancel) {
                Rec.Number = 0;
                FCancel = true;
            } else {
                Rec.Number = R == idYes ? 1 : 0;
            }
            ShowWindowAgain();
        }
        break;
    case ZIPDLL_CB_SKIPPED: FSkipped = Add32(FSkipped, 1); break;
    default: break;
    }
}
