#pragma once
// Helpers of the dataset tests; packets come from TestPacket.h.

#include "dataset/ClientDataSet.h"
#include "tests/common/TestPacket.h"

#include <string>
#include <string_view>

namespace dstest {

using testsupport::WritePacket;
inline constexpr const char* kProlog = testsupport::kPacketProlog;

// Every current row's value of one field, "|"-separated, nulls as "~".
inline std::string Column(TClientDataSet& Ds, std::string_view Field) {
    std::string out;
    TField f = Ds.FieldByName(Field);
    for (Ds.First(); !Ds.Eof(); Ds.Next()) {
        if (Ds.RecNo() > 0) out += '|';
        out += f.IsNull() ? std::string("~") : f.AsString();
    }
    return out;
}

} // namespace dstest
