#pragma once
// What an export run needs from start-up and the registry page.

#include <string>

#include "platform/Platform.h"
#include "support/VxStrUtils.h"

namespace txad {

struct ExportSettings {
    std::string DataDir;   // packets and output files, ending in the separator
    std::string DestDir;   // the delivery folder, ending in the separator
    std::string Target;    // "aie" or "anarpe"
    TStringList BodyFiles; // input packets, by file index
    TStringList OutFiles;  // output files, by file index
    long long SchoolCount = 0;
    std::string ParamFileDate;
    std::string CatalogueDate;
    std::string ProtocolNumber;
    platform::LocalDate RunDate; // taken once when the run starts
};

} // namespace txad
