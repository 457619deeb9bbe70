#include "export/run/CopyDelivery.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <string_view>
#include <system_error>
#include <vector>

#include "export/run/RunControl.h"
#include "platform/Platform.h"
#include "support/VxExceptions.h"

namespace txad {

bool DeliveryFileOps::ForceDirectories(const std::string& Dir) {
    return platform::ForceDirectories(Dir);
}
bool DeliveryFileOps::IsFile(const std::string& Path) {
    return platform::FileExists(Path);
}
bool DeliveryFileOps::Exists(const std::string& Path) {
    std::error_code Ec;
    return std::filesystem::symlink_status(platform::FsPath(Path), Ec).type() !=
               std::filesystem::file_type::not_found &&
           !Ec;
}
bool DeliveryFileOps::Delete(const std::string& Path) {
    return platform::DeleteFile(Path);
}
bool DeliveryFileOps::Copy(const std::string& Source, const std::string& Target) {
    return platform::CopyFileNoOverwrite(Source, Target);
}
bool DeliveryFileOps::Rename(const std::string& From, const std::string& To) {
    return platform::RenameFile(From, To);
}
platform::FolderLockAttempt DeliveryFileOps::TryLockFolder(const std::string& Dir) {
    return platform::TryLockFolder(Dir);
}
bool DeliveryFileOps::SameFolder(const std::string& A, const std::string& B) {
    std::error_code Ec;
    const bool Same = std::filesystem::equivalent(platform::FsPath(A), platform::FsPath(B), Ec);
    return Same && !Ec;
}

namespace {

class CopyTransaction {
public:
    CopyTransaction(const std::string& DestDir, const TStringList& Names, DeliveryFileOps& Ops)
        : FDestDir(DestDir), FNames(Names), FOps(Ops), FMoved(Names.size(), false) {}

    std::string Target(std::size_t I) const { return FDestDir + FNames[I]; }
    std::string SwapList() const { return FDestDir + SwapListName; }
    std::string NewCopy(std::size_t I) const { return Target(I) + NewCopySuffix; }
    std::string Previous(std::size_t I) const { return Target(I) + PreviousCopySuffix; }

    // Reason is the system's error number of the failed step.
    [[noreturn]] static void Fail(const std::string& Path, int Reason) {
        throw EVxError(FormatMsg("Error writing file %s", PathText(Path)), Reason);
    }

    // Puts the previous set back and drops the new copies; a previous file
    // that cannot go back is named with the name it stays under.
    [[noreturn]] void RollBackAndFail(std::size_t I, int Reason) {
        std::string Message = FormatMsg("Error writing file %s", PathText(Target(I)));
        for (std::size_t J = 0; J < FNames.size(); ++J) {
            if (FMoved[J] && !FOps.Rename(Previous(J), Target(J)))
                Message += "\r\n" + FormatMsg("Impossibile ripristinare il file %s", PathText(Target(J))) +
                           FormatMsg(": la versione precedente \xE8 rimasta in %s", PathText(Previous(J)));
        }
        DropNewCopies(FNames.size());
        FOps.Delete(SwapList());
        throw EVxError(Message, Reason);
    }

    void CopyAll(const std::string& SourceDir) {
        for (std::size_t I = 0; I < FNames.size(); ++I) {
            if (FOps.Exists(NewCopy(I))) FOps.Delete(NewCopy(I));
            if (!FOps.Copy(SourceDir + FNames[I], NewCopy(I))) {
                const int Reason = errno;
                DropNewCopies(I + 1);
                Fail(Target(I), Reason);
            }
        }
    }

    // Up to here a termination signal drops the new copies; from the swap
    // list on, the few renames of the swap run to their end.
    void AnnounceSwap() {
        if (platform::TerminationRequested() != 0) {
            DropNewCopies(FNames.size());
            ThrowIfTerminationRequested();
        }
        std::string List;
        for (const std::string& Name : FNames) List += Name + "\n";
        if (FOps.Exists(SwapList())) FOps.Delete(SwapList());
        if (!platform::WriteNewFile(SwapList(), List)) {
            const int Reason = errno;
            DropNewCopies(FNames.size());
            Fail(SwapList(), Reason);
        }
        TestPausePoint("swap-list");
    }

    // Moves the previous files aside; anything that is not a file under a
    // target name stops the delivery, as it could not be replaced.
    void MovePreviousAside() {
        for (std::size_t I = 0; I < FNames.size(); ++I) {
            if (!FOps.Exists(Target(I))) continue;
            if (FOps.Exists(Previous(I))) FOps.Delete(Previous(I));
            if (!FOps.IsFile(Target(I))) RollBackAndFail(I, EINVAL);
            if (!FOps.Rename(Target(I), Previous(I))) RollBackAndFail(I, errno);
            FMoved[I] = true;
            Renamed();
        }
    }

    void PutNewInPlace() {
        for (std::size_t I = 0; I < FNames.size(); ++I) {
            if (!FOps.Rename(NewCopy(I), Target(I))) {
                const int Reason = errno;
                for (std::size_t J = 0; J < I; ++J)
                    if (!FMoved[J]) FOps.Delete(Target(J));
                RollBackAndFail(I, Reason);
            }
            Renamed();
        }
        for (std::size_t I = 0; I < FNames.size(); ++I)
            if (FMoved[I]) FOps.Delete(Previous(I));
        FOps.Delete(SwapList());
    }

private:
    void Renamed() {
        ++FRenames;
        TestPausePoint(("rename-" + std::to_string(FRenames)).c_str());
    }

    void DropNewCopies(std::size_t Count) {
        for (std::size_t I = 0; I < Count; ++I)
            if (FOps.Exists(NewCopy(I))) FOps.Delete(NewCopy(I));
    }

    const std::string& FDestDir;
    const TStringList& FNames;
    DeliveryFileOps& FOps;
    std::vector<bool> FMoved;
    int FRenames = 0;
};

// A name the swap list may hold: a file of the folder itself.
bool PlainName(std::string_view Name) {
    return !Name.empty() && Name != "." && Name != ".." &&
           Name.find_first_of(std::string_view("/\\\0", 3)) == std::string_view::npos;
}

bool EndsWith(std::string_view Name, std::string_view Suffix) {
    return Name.size() > Suffix.size() && Name.ends_with(Suffix);
}

bool Alphanumeric(std::string_view Text) {
    return std::all_of(Text.begin(), Text.end(), [](char C) {
        return (C >= '0' && C <= '9') || (C >= 'a' && C <= 'z') || (C >= 'A' && C <= 'Z');
    });
}

// Finishes a swap that a killed run left announced; false when a new copy
// could not be put in place (everything is then left for the next delivery,
// which replaces the whole set).
bool FinishSwap(const std::string& DestDir, DeliveryFileOps& Ops) {
    std::ifstream In(DestDir + SwapListName, std::ios::binary);
    std::vector<std::string> Names;
    for (std::string Line; Names.size() < 64 && std::getline(In, Line);)
        if (PlainName(Line)) Names.push_back(Line);
    for (const std::string& Name : Names) {
        const std::string New = DestDir + Name + NewCopySuffix;
        if (Ops.IsFile(New) && !Ops.Rename(New, DestDir + Name)) return false;
    }
    for (const std::string& Name : Names)
        if (Ops.IsFile(DestDir + Name + PreviousCopySuffix)) Ops.Delete(DestDir + Name + PreviousCopySuffix);
    Ops.Delete(DestDir + SwapListName);
    return true;
}

} // namespace

void RecoverDeliveryFolder(const std::string& DestDir, DeliveryFileOps& Ops) {
    if (Ops.IsFile(DestDir + SwapListName) && !FinishSwap(DestDir, Ops)) return;
    std::vector<std::string> Names;
    std::error_code Ec;
    for (auto It = std::filesystem::directory_iterator(DestDir, Ec);
         !Ec && It != std::filesystem::directory_iterator(); It.increment(Ec)) {
        std::error_code TypeEc;
        if (std::filesystem::is_regular_file(It->symlink_status(TypeEc)))
            Names.push_back(It->path().filename().string());
    }
    const std::string_view New = NewCopySuffix;
    const std::string_view Old = PreviousCopySuffix;
    for (const std::string& Name : Names) {
        const std::string Path = DestDir + Name;
        const std::string_view View = Name;
        // The zip library's temporary archive and the component's restore copy
        // carry six characters after the archive's name.
        const bool TempBesideNew = View.size() > 7 && EndsWith(View.substr(0, View.size() - 7), New) &&
                                   View[View.size() - 7] == '.' && Alphanumeric(View.substr(View.size() - 6));
        const bool ComponentBackup =
            View.size() == 9 && View.starts_with("zzz") && Alphanumeric(View.substr(3));
        if (EndsWith(View, Old)) {
            const std::string Original = DestDir + Name.substr(0, Name.size() - Old.size());
            if (!Ops.Exists(Original))
                Ops.Rename(Path, Original);
            else
                Ops.Delete(Path);
        } else if (EndsWith(View, New) || TempBesideNew || ComponentBackup) {
            Ops.Delete(Path);
        }
    }
}

void CopyOutputFiles(const std::string& SourceDir, const std::string& DestDir, const TStringList& Names,
                     DeliveryFileOps& Ops) {
    if (Ops.SameFolder(SourceDir, DestDir)) return;
    CopyTransaction Transaction(DestDir, Names, Ops);
    Transaction.CopyAll(SourceDir);
    Transaction.AnnounceSwap();
    Transaction.MovePreviousAside();
    Transaction.PutNewInPlace();
}

MovedAside MoveAsideOtherFiles(const std::string& DestDir, const TStringList& Keep,
                               const std::vector<std::string>& Others, const std::string& FolderName,
                               DeliveryFileOps& Ops) {
    MovedAside Moved;
    bool FolderMade = false;
    for (const std::string& Name : Others) {
        if (std::find(Keep.begin(), Keep.end(), Name) != Keep.end() || !Ops.IsFile(DestDir + Name)) continue;
        if (Moved.Folder.empty()) {
            Moved.Folder = FolderName;
            for (int Suffix = 2; Ops.Exists(DestDir + Moved.Folder); ++Suffix)
                Moved.Folder = FolderName + "_" + std::to_string(Suffix);
            FolderMade = Ops.ForceDirectories(DestDir + Moved.Folder);
        }
        std::string Target = DestDir;
        Target.append(Moved.Folder).append(1, platform::PathDelimiter()).append(Name);
        if (FolderMade && !Ops.Exists(Target) && Ops.Rename(DestDir + Name, Target))
            Moved.Names.push_back(Name);
        else
            Moved.NotMoved.push_back(Name);
    }
    return Moved;
}

} // namespace txad
