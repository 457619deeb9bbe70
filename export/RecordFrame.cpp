#include "export/RecordFrame.h"

#include "export/RecordBuilder.h"
#include "export/RecordFields.h"

namespace txad {

namespace {

// Fills a header or trailer layout with the run's values; Count is the
// trailer's. A count is formatted, and checked, only where the layout has it.
std::string BuildFrameLine(const RecordLayout& Layout, const HeaderValues& Values, long long Count) {
    RecordBuilder Line(Layout,
                       {FieldValue::RunDate, FieldValue::SchoolCount, FieldValue::ParamFileDate,
                        FieldValue::CatalogueDate, FieldValue::ProtocolNumber, FieldValue::LineCount});
    std::string SchoolCount, LineCount;
    if (Layout.FieldOf(FieldValue::SchoolCount) >= 0) SchoolCount = FormatSchoolCount(Values.SchoolCount);
    if (Layout.FieldOf(FieldValue::LineCount) >= 0) LineCount = FormatRecordCount(Count);
    Line.Set(FieldValue::RunDate, Values.RunDate);
    Line.Set(FieldValue::SchoolCount, SchoolCount);
    Line.Set(FieldValue::ParamFileDate, Values.ParamFileDate);
    Line.Set(FieldValue::CatalogueDate, Values.CatalogueDate);
    Line.Set(FieldValue::ProtocolNumber, Values.ProtocolNumber);
    Line.Set(FieldValue::LineCount, LineCount);
    return std::string(Line.Build());
}

} // namespace

std::string RecordFrame::HeaderRecord(const FileLayout& File) const {
    return BuildFrameLine(*File.Header, FValues, 0);
}

std::string RecordFrame::TrailerRecord(const FileLayout& File, long long Count) const {
    return BuildFrameLine(*File.Trailer, FValues, Count);
}

} // namespace txad
