#pragma once
// Start-up pieces of the export form without widgets: the argument check,
// the school count and the two header dates.

#include <string>
#include <string_view>
#include <vector>

#include "dataset/ClientDataSet.h"
#include "export/wizard/EditionPlan.h"
#include "export/wizard/WizardArguments.h"
#include "platform/Platform.h"

namespace txad {

// A start-up that could only lead to an export writing nothing, or writing
// into the file-system root, fails here: an empty data folder argument or a
// recipient other than "aie" and "anarpe". Raises EVxError with the reason.
void CheckStartupArguments(const WizardArguments& Args);

// The header's school count of the loaded registry dataset (SchoolRuns.h);
// leaves the first row current.
int CountSchools(TClientDataSet& Registry);
// Loads the registry packet into Registry, then counts as above.
int CountSchools(TClientDataSet& Registry, const std::string& PacketPath);

// MainDir + "ETC/datrex/" + target + ".ufp" (MainDir ends in the separator).
std::string ParamFilePath(std::string_view MainDir, std::string_view Target);
// Why the parameter file at Path cannot date the header records, one line in
// the program's language naming the file: missing, not a regular file, or a
// last-write year outside 1 to 9999 (the header's four digits). Empty when
// its date can be used.
std::string ParamFileProblem(const std::string& Path);
// The file's last-write date as DDMMYYYY; EVxError "Invalid argument to date
// encode" when ParamFileProblem finds one.
std::string ReadParamFileDate(const std::string& Path);
// Why the header's parameter-file date cannot be read for Target, in the
// program's language (CP1252), one fact a line: the registry file, key or
// value that is missing (MainDirProblem), or the parameter file's full path;
// "Invalid argument to date encode" is the last line. Empty when the date can
// be read. The start-up error, the start dialog and the manual say the same.
std::string InstallationProblem(std::string_view Target);

// The way to set up what InstallationProblem names, without its last line:
// the start dialog shows it while the user can still act on it.
std::string InstallationAdvice(std::string_view Target);
// The same, told for the given registry source (see MainDirProblem).
std::string InstallationAdvice(std::string_view Target, const platform::HklmSource& Source);

// A warning, not an error, for a parameter file whose date looks like the
// date of a copy that did not keep it: Today, or later than the newest of the
// packets at PacketPaths (those that exist). Both dates DDMMYYYY, as in the
// header. Empty when the date looks right or is not known. CP1252.
std::string ParamFileDateNotice(std::string_view ParamFileDate, std::string_view Today,
                                const std::vector<std::string>& PacketPaths);

// The most body records a record file holds (its trailer's five digits).
inline constexpr long long MaxRecordRows = 99999;
// The line that says the packet named Packet has more rows than a record file
// holds; empty when Rows fit. CP1252.
std::string RecordLimitProblem(std::string_view Packet, long long Rows);

// What stands in the way of an export of the plan for Target from DataDir,
// one line each (CP1252): the installation folder (registry file, key or
// value), the parameter file, every packet missing or not readable as a
// packet, every packet with more rows than a record file holds. Empty when
// the export can start. Reads every packet.
std::vector<std::string> StartupProblems(const EditionPlan& Plan, const std::string& Target,
                                         const std::string& DataDir);

// Field datacat of the first row of the adoption packet in DataDir, loaded into Tmp;
// empty for a packet without rows.
std::string ReadCatalogueDate(TClientDataSet& Tmp, const std::string& DataDir);

// Both header dates, each read on its own: a failure of one leaves it empty
// and its message in Errors, in reading order. A null MainDir (the
// installation folder could not be read) skips the parameter file; a null
// Tmp skips the catalogue date (the edition that has none).
struct HeaderDates {
    std::string ParamFileDate;
    std::string CatalogueDate;
    std::vector<std::string> Errors;
};
HeaderDates ReadHeaderValues(const std::string* MainDir, std::string_view Target, const std::string& DataDir,
                             TClientDataSet* Tmp);

} // namespace txad
