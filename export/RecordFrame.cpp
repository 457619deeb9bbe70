#include "export/RecordFrame.h"

#include <vector>

#include "export/RecordBuilder.h"
#include "export/RecordFields.h"
#include "support/VxExceptions.h"
#include "support/VxStrUtils.h"

namespace txad {

namespace {

// Fills a header or trailer layout with the run's values, found by each
// field's source; Count is the trailer's.
std::string BuildFrameLine(const RecordLayout& Layout, const HeaderValues& Values, long long Count) {
    std::string SchoolCount, LineCount;
    std::vector<std::string_view> Line;
    for (const LayoutField& Field : Layout.Fields) {
        if (Field.Content == FieldContent::Constant) continue;
        if (Field.Source == SourceRunDate) {
            Line.push_back(Values.RunDate);
        } else if (Field.Source == SourceSchoolCount) {
            SchoolCount = FormatSchoolCount(Values.SchoolCount);
            Line.push_back(SchoolCount);
        } else if (Field.Source == SourceParamFileDate) {
            Line.push_back(Values.ParamFileDate);
        } else if (Field.Source == SourceCatalogueDate) {
            Line.push_back(Values.CatalogueDate);
        } else if (Field.Source == SourceProtocolNumber) {
            Line.push_back(Values.ProtocolNumber);
        } else if (Field.Source == SourceLineCount) {
            LineCount = FormatRecordCount(Count);
            Line.push_back(LineCount);
        } else {
            throw EVxInternalError(FormatMsg("Valore di testata sconosciuto: %s", Field.Source));
        }
    }
    return std::string(RecordBuilder(Layout).Build(Line));
}

} // namespace

std::string RecordFrame::BuildHeaderRecord(int Index) const {
    const std::span<const FileLayout> Files = Layouts();
    if (Files.empty()) return {};
    if (Index < 0 || static_cast<std::size_t>(Index) >= Files.size())
        throw EVxInternalError(FormatMsg("Indice di file %d fuori dal tracciato", Index));
    return BuildFrameLine(*Files[static_cast<std::size_t>(Index)].Header, FValues, 0);
}

std::string RecordFrame::BuildTrailerRecord(long long Count) const {
    const std::span<const FileLayout> Files = Layouts();
    if (Files.empty()) return {};
    return BuildFrameLine(*Files.front().Trailer, FValues, Count);
}

} // namespace txad
