#pragma once
// The start-up data check: applies the class and adoption rules to the data
// folder's packets and lists the anomalies as report lines (CP1252 text), and
// the writer of that report to "Log.txt".

#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "platform/Platform.h"

class TClientDataSet;

namespace txad {

// The four datasets the check loads; owned by the caller (the main form),
// left open after the check with the walked ones at their end.
struct DataCheckDataSets {
    TClientDataSet& File622;     // "Body622.xml", walked in stored order
    TClientDataSet& CodSpecSper; // "COD_SPECSPER.xml", the valid code pairs
    TClientDataSet& File815;     // "Body815.xml", reported by ANNOCORSO;SEZIONE;ISBN
    TClientDataSet& File815E;    // "Body815E.xml", reported by ANNOCORSO;SEZIONE;ISBN
};

// One run of the check over one data folder. The check only reports: it
// catches nothing, so a packet that cannot be loaded, a field a rule reads
// that the packet lacks, or an integer field holding something else stops it
// with the dataset's error, and the lines appended so far stay (without the
// closing line).
//
// The CODSPC / CODSPR pairs compare as text, exactly and case-sensitively; a null
// value reads as "", so an empty CODSPC or CODSPR equals an absent
// SSPZSPECIAL or SSPZSPERIM, and the other way round.
class DataCheck {
public:
    // dataDir ends with the path separator; versionText is the text of
    // GetProcedureVersion(); now is the local time shown in the heading.
    DataCheck(std::string dataDir, DataCheckDataSets dataSets, std::string versionText,
              const platform::LocalDateTime& now);

    // Appends the report to lines.
    void Run(std::vector<std::string>& lines);
    // The packets Run() loads, in its order.
    static const std::vector<std::string>& Packets();

private:
    void AppendHeader(std::vector<std::string>& lines) const;
    void CheckClasses(std::vector<std::string>& lines);
    void CheckAdoptions(TClientDataSet& ds, bool outOfCatalogueRule, std::vector<std::string>& lines);
    void LoadValidPairs();

    std::string FDataDir;
    DataCheckDataSets FSets;
    std::string FVersionText;
    platform::LocalDateTime FNow;
    bool FPairsLoaded = false;
    int FFound = 0;                              // anomalies listed by the current run
    std::unordered_set<std::string> FValidPairs; // encoded by PairKey
    std::string FKey;                            // reused lookup key
};

// "Versione: " + major.minor.release of the program's own version; empty when
// the program has no version.
std::string GetProcedureVersion();
// The same text for a version "a.b.c[.d]": the build number is not shown and
// numbers lose their leading zeros.
std::string ProcedureVersionText(std::string_view version);

// Writes the report to dataDir + "Log.txt", each line ended by CR LF, bytes
// unchanged, replacing an earlier file; returns the path. Raises EVxError
// "Cannot create file <path>" when the file cannot be created and "Error
// writing file <path>" (the file removed) when writing it fails.
std::string WriteAnomalyLog(const std::string& dataDir, const std::vector<std::string>& lines);

} // namespace txad
