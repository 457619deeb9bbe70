#include "export/CopyDelivery.h"

#include <filesystem>
#include <system_error>
#include <vector>

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
    std::string NewCopy(std::size_t I) const { return Target(I) + NewCopySuffix; }
    std::string Previous(std::size_t I) const { return Target(I) + PreviousCopySuffix; }

    [[noreturn]] void Fail(std::size_t I) { throw EVxError(FormatMsg("Error writing file %s", Target(I))); }

    // Puts the previous set back and drops the new copies; a previous file
    // that cannot go back is named with the name it stays under.
    [[noreturn]] void RollBackAndFail(std::size_t I) {
        std::string Message = FormatMsg("Error writing file %s", Target(I));
        for (std::size_t J = 0; J < FNames.size(); ++J) {
            if (FMoved[J] && !FOps.Rename(Previous(J), Target(J)))
                Message += "\r\n" + FormatMsg("Impossibile ripristinare il file %s", Target(J)) +
                           FormatMsg(": la versione precedente \xE8 rimasta in %s", Previous(J));
        }
        DropNewCopies(FNames.size());
        throw EVxError(Message);
    }

    void CopyAll(const std::string& SourceDir) {
        for (std::size_t I = 0; I < FNames.size(); ++I) {
            if (FOps.Exists(NewCopy(I))) FOps.Delete(NewCopy(I));
            if (!FOps.Copy(SourceDir + FNames[I], NewCopy(I))) {
                DropNewCopies(I + 1);
                Fail(I);
            }
        }
    }

    // Moves the previous files aside; anything that is not a file under a
    // target name stops the delivery, as it could not be replaced.
    void MovePreviousAside() {
        for (std::size_t I = 0; I < FNames.size(); ++I) {
            if (!FOps.Exists(Target(I))) continue;
            if (FOps.Exists(Previous(I))) FOps.Delete(Previous(I));
            if (!FOps.IsFile(Target(I)) || !FOps.Rename(Target(I), Previous(I))) RollBackAndFail(I);
            FMoved[I] = true;
        }
    }

    void PutNewInPlace() {
        for (std::size_t I = 0; I < FNames.size(); ++I) {
            if (!FOps.Rename(NewCopy(I), Target(I))) {
                for (std::size_t J = 0; J < I; ++J)
                    if (!FMoved[J]) FOps.Delete(Target(J));
                RollBackAndFail(I);
            }
        }
        for (std::size_t I = 0; I < FNames.size(); ++I)
            if (FMoved[I]) FOps.Delete(Previous(I));
    }

private:
    void DropNewCopies(std::size_t Count) {
        for (std::size_t I = 0; I < Count; ++I)
            if (FOps.Exists(NewCopy(I))) FOps.Delete(NewCopy(I));
    }

    const std::string& FDestDir;
    const TStringList& FNames;
    DeliveryFileOps& FOps;
    std::vector<bool> FMoved;
};

} // namespace

void CopyOutputFiles(const std::string& SourceDir, const std::string& DestDir, const TStringList& Names,
                     DeliveryFileOps& Ops) {
    if (Ops.SameFolder(SourceDir, DestDir)) return;
    CopyTransaction Transaction(DestDir, Names, Ops);
    Transaction.CopyAll(SourceDir);
    Transaction.MovePreviousAside();
    Transaction.PutNewInPlace();
}

} // namespace txad
