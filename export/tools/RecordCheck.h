#pragma once
// record-check FILE... [--csv | --raw-csv] [--edition classic]: prints the records of
// record files (or of the members of a zip archive) field by field and checks
// them against their layouts. The program's whole behaviour, so that tests
// run it in-process.

#include "support/Utf8Output.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace txad {

// What one run reads at most. A file or archive member larger than File is
// not a record file (the format's limit of records stays far below it); once
// Run bytes have been read (or inflated), nothing more is. An archive that
// declares more than Members members is not opened: libzip keeps a few
// hundred bytes for each. Only one file or member is held at a time, so a
// hostile archive cannot fill memory.
struct RecordCheckLimits {
    std::size_t File = std::size_t{256} << 20;
    std::uint64_t Run = std::uint64_t{1} << 30;
    std::uint64_t Members = 65535; // what an archive without the 64-bit extension holds
};

// Exit status: 0 every file is clean, 1 a file has a fault (or is not a
// record file of the edition), 2 a usage error, a file or archive that
// cannot be read, or output that cannot be written.
int RunRecordCheck(const std::vector<std::string>& Args, Utf8Output& Out, Utf8Output& Err,
                   const RecordCheckLimits& Limits = {});

} // namespace txad
