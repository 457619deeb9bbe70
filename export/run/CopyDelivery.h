#pragma once
// All-or-nothing delivery by copy: the files are copied under temporary names
// into the delivery folder and put in place only when every copy is there.
// After a failure the folder holds the complete previous set or the complete
// new set, never a mix. The renames that put the set in place are announced
// by a list of its names in the folder (SwapListName), written once every
// new copy is complete and removed when the swap ends: a process killed
// during the swap leaves the list, from which the next run finishes it
// (RecoverDeliveryFolder).

#include <string>
#include <vector>

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

// Puts a delivery folder left by an interrupted run back in order, under the
// folder's lock: a swap that had begun is finished from the swap list (the new
// set is complete); without a list a previous file moved aside takes its
// place again when nothing holds its name. Then deletes what delivery runs
// leave behind, and only that: new copies and archives (*.adoxnew), the zip
// library's and the zip component's temporary files beside them
// (*.adoxnew.XXXXXX, zzzXXXXXX) and previous files (*.adoxold).
void RecoverDeliveryFolder(const std::string& DestDir, DeliveryFileOps& Ops);

// Moves out of DestDir, into a new subfolder of it named FolderName (with
// "_2", "_3"... when that name is taken), every file named in Others that is
// not in Keep: files of another file set that an earlier run delivered there,
// which would otherwise be sent with this set. Nothing is deleted or
// replaced. Returns the subfolder's name, the names moved and the names that
// could not be moved, in the order of Others; no subfolder is made when
// nothing is to be moved.
struct MovedAside {
    std::string Folder;
    std::vector<std::string> Names;
    std::vector<std::string> NotMoved;
};
MovedAside MoveAsideOtherFiles(const std::string& DestDir, const TStringList& Keep,
                               const std::vector<std::string>& Others, const std::string& FolderName,
                               DeliveryFileOps& Ops);

// Suffixes of the names used while the set is replaced.
inline constexpr const char* NewCopySuffix = ".adoxnew";
inline constexpr const char* PreviousCopySuffix = ".adoxold";
// The list of the names being swapped in, one per line.
inline constexpr const char* SwapListName = ".adoxport.swap";

} // namespace txad
