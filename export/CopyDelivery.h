#pragma once
// All-or-nothing delivery by copy: the files are copied under temporary names
// into the delivery folder and put in place only when every copy is there.
// After a failure the folder holds the complete previous set or the complete
// new set, never a mix.

#include <string>

#include "platform/Platform.h"
#include "support/VxStrUtils.h"

namespace txad {

// The file operations the delivery uses; tests derive to provoke failures.
class DeliveryFileOps {
public:
    virtual ~DeliveryFileOps() = default;
    virtual bool ForceDirectories(const std::string& Dir);
    virtual bool IsFile(const std::string& Path);
    virtual bool Exists(const std::string& Path); // a file, a folder or anything else
    virtual bool Delete(const std::string& Path);
    virtual bool Copy(const std::string& Source, const std::string& Target); // refuses to overwrite
    virtual bool Rename(const std::string& From, const std::string& To);     // replaces To
    virtual bool SameFolder(const std::string& A, const std::string& B);
    virtual platform::FolderLockAttempt TryLockFolder(const std::string& Dir);
};

// Copies SourceDir + name to DestDir + name for every name, replacing the
// files there. When both folders are the same folder nothing is deleted or
// copied. Raises EVxError "Error writing file <DestDir + name>" naming the
// file that failed; when a previous file cannot be put back, a line per such
// file follows, naming it and the name it is left under. Both folders end in
// the separator. Runs under the delivery folder's lock (ExportRun), so the
// temporary names are this run's own.
void CopyOutputFiles(const std::string& SourceDir, const std::string& DestDir, const TStringList& Names,
                     DeliveryFileOps& Ops);

// Suffixes of the names used while the set is replaced.
inline constexpr const char* NewCopySuffix = ".adoxnew";
inline constexpr const char* PreviousCopySuffix = ".adoxold";

} // namespace txad
