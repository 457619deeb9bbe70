#pragma once
// Header and trailer records of the output files, built from the header and
// trailer layouts of each file's row in the file-set table.

#include <string>
#include <string_view>

#include "export/RecordLayout.h"

namespace txad {

// What the header records carry: start-up reads the school count and the two
// dates, the run adds the protocol number and its date.
struct HeaderValues {
    long long SchoolCount = 0;
    std::string ParamFileDate;  // DDMMYYYY or empty
    std::string CatalogueDate;  // written unpadded
    std::string ProtocolNumber; // the registry page's protocol number
    std::string RunDate;        // DDMMYYYY, taken once when the run starts
};

class RecordFrame {
public:
    explicit RecordFrame(HeaderValues Values) : FValues(std::move(Values)) {}

    // The lines, line end included, of File's header and of its trailer
    // counting Count; raise when a count does not fit its field.
    std::string HeaderRecord(const FileLayout& File) const;
    std::string TrailerRecord(const FileLayout& File, long long Count) const;

    const HeaderValues& Values() const { return FValues; }

private:
    HeaderValues FValues;
};

// The software identifier of the first AIE header.
inline constexpr std::string_view SoftwareId = "ZURO_3.1.0";
inline constexpr std::string_view LineEnd = "\r\n";

} // namespace txad
