#include "export/RecordFrame.h"

#include "export/RecordFields.h"
#include "support/VxStrUtils.h"

namespace txad {

std::string RecordFrame::BuildHeaderRecord(int /*Index*/) const {
    return {};
}

std::string RecordFrame::BuildTrailerRecord(long long /*Count*/) const {
    return {};
}

std::string AieRecordFrame::BuildHeaderRecord(int Index) const {
    std::string Line = "R001";
    Line += FValues.RunDate;
    Line += FormatSchoolCount(FValues.SchoolCount);
    if (Index == 0) AppendFirstFileHeader(Line);
    Line += LineEnd;
    return Line;
}

void AieRecordFrame::AppendFirstFileHeader(std::string& Line) const {
    AppendPadR(Line, SoftwareId, 10);
    Line += FValues.CatalogueDate;
    AppendPadR(Line, FValues.ProtocolNumber, 30);
    Line += FValues.RunDate;
}

std::string AieRecordFrame::BuildTrailerRecord(long long Count) const {
    return "R099" + FValues.RunDate + FormatRecordCount(Count) + std::string(LineEnd);
}

std::string AnarpeRecordFrame::BuildHeaderRecord(int /*Index*/) const {
    return "F" + FValues.RunDate + FValues.ParamFileDate + std::string(LineEnd);
}

std::string AnarpeRecordFrame::BuildTrailerRecord(long long Count) const {
    return "L" + FValues.RunDate + FormatRecordCount(Count) + std::string(LineEnd);
}

} // namespace txad
