#include "export/ExportRecordSet.h"

#include <array>
#include <string_view>

namespace txad {

namespace {
// Record codes by file index.
constexpr std::array<std::string_view, 4> AieCodes = {"R014", "R622", "R815", "R81E"};
constexpr std::array<std::string_view, 4> AnarpeCodes = {"A001", "A002", "A003", "A004"};
} // namespace

TStringList ExportRecordSet::BodyFiles() const {
    return {"Body014.xml", "Body622.xml", "Body815.xml", "Body815E.xml"};
}

TStringList ExportRecordSet::OutFiles() const {
    if (IsAie()) return {"File014.txt", "File622.txt", "File815.txt", "File815E.txt"};
    if (IsAnarpe()) return {"Adoz001.txt", "Adoz002.txt", "Adoz003.txt", "Adoz004.txt"};
    return {};
}

std::string ExportRecordSet::RecordCode(int Index) const {
    if (Index < 0 || Index >= 4) return {};
    if (IsAie()) return std::string(AieCodes[static_cast<std::size_t>(Index)]);
    if (IsAnarpe()) return std::string(AnarpeCodes[static_cast<std::size_t>(Index)]);
    return {};
}

std::unique_ptr<BodyWriter> ExportRecordSet::MakeBodyWriter(int Index) const {
    switch (Index) {
    case 0: return std::make_unique<SchoolRecordWriter>(RecordCode(Index));
    case 1: return std::make_unique<ClassRecordWriter>(RecordCode(Index));
    case 2: return std::make_unique<AdoptionRecordWriter>(RecordCode(Index));
    case 3: return std::make_unique<AdoptionExtRecordWriter>(RecordCode(Index));
    default: return nullptr;
    }
}

std::unique_ptr<RecordFrame> ExportRecordSet::MakeRecordFrame(const HeaderValues& Values) const {
    if (IsAie()) return std::make_unique<AieRecordFrame>(Values);
    if (IsAnarpe()) return std::make_unique<AnarpeRecordFrame>(Values);
    return std::make_unique<RecordFrame>(Values);
}

long long ExportRecordSet::TrailerCount(int /*Index*/, int /*FileCount*/, TClientDataSet& Data,
                                        long long /*SchoolCount*/) const {
    return static_cast<long long>(Data.RecordCount()) + 2;
}

} // namespace txad
