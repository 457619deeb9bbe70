#pragma once
// record-check FILE... [--csv] [--edition classic]: prints the records of
// record files (or of the members of a zip archive) field by field and checks
// them against their layouts. The program's whole behaviour, so that tests
// run it in-process.

#include "support/Utf8Output.h"

#include <string>
#include <vector>

namespace txad {

// Exit status: 0 every file is clean, 1 a file has a fault (or is not a
// record file of the edition), 2 a usage error, a file or archive that
// cannot be read, or output that cannot be written.
int RunRecordCheck(const std::vector<std::string>& Args, Utf8Output& Out, Utf8Output& Err);

} // namespace txad
