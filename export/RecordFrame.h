#pragma once
// Header and trailer records of the output files, one variant per recipient,
// built from the layout tables.

#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "export/RecordLayout.h"

namespace txad {

// What the header records carry, fixed once per export run.
struct HeaderValues {
    std::string RunDate;        // DDMMYYYY, taken once when the run starts
    long long SchoolCount = 0;  // FSchoolCount
    std::string ParamFileDate;  // FParamFileDate, DDMMYYYY or empty
    std::string CatalogueDate;  // FCatalogueDate, written unpadded
    std::string ProtocolNumber; // the registry page's protocol number
    int FileCount = 0;          // entries of FOutFiles
};

// Builds the header and trailer lines, line end included, from the header
// and trailer layouts of the recipient's files. The base class is the
// unknown recipient's: it has no files, and both lines are empty.
class RecordFrame {
public:
    explicit RecordFrame(HeaderValues Values) : FValues(std::move(Values)) {}
    virtual ~RecordFrame() = default;

    // Raises when a count does not fit its field.
    std::string BuildHeaderRecord(int Index) const;
    std::string BuildTrailerRecord(long long Count) const;

    const HeaderValues& Values() const { return FValues; }

protected:
    // The recipient's files, whose headers and trailers this frame builds.
    virtual std::span<const FileLayout> Layouts() const { return {}; }

    HeaderValues FValues;
};

// "R001" headers (the first file's carries the software identifier, the
// catalogue date and the protocol number) and "R099" trailers.
class AieRecordFrame : public RecordFrame {
public:
    using RecordFrame::RecordFrame;

protected:
    std::span<const FileLayout> Layouts() const override { return FileLayouts(Edition::Current, "aie"); }
};

// "F" headers with the parameter file's date and "L" trailers.
class AnarpeRecordFrame : public RecordFrame {
public:
    using RecordFrame::RecordFrame;

protected:
    std::span<const FileLayout> Layouts() const override { return FileLayouts(Edition::Current, "anarpe"); }
};

// The software identifier of the first AIE header.
inline constexpr std::string_view SoftwareId = "ZURO_3.1.0";
inline constexpr std::string_view LineEnd = "\r\n";

} // namespace txad
