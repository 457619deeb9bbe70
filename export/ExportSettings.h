#pragma once
// What an export run needs from start-up and the registry page.

#include <string>

#include "export/RecordFrame.h"

namespace txad {

struct ExportSettings {
    std::string DataDir; // packets and output files, ending in the separator
    std::string DestDir; // the delivery folder, ending in the separator
    std::string Target;  // "aie" or "anarpe"
    HeaderValues Header;
};

} // namespace txad
