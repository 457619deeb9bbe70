// The loaded table's lookups that need no parser.

#include "dataset/PacketTable.h"

#include "support/VxStrUtils.h"

namespace dataset {

int Table::FindField(std::string_view Name) const {
    for (size_t i = 0; i < FFields.size(); ++i)
        if (SameText(FFields[i].Name, Name)) return static_cast<int>(i);
    return -1;
}

const uint32_t* Table::PieceCells(uint32_t Row) const {
    const Piece* In = nullptr; // the last piece that starts at Row or before
    for (const auto& P : FPieceCells) {
        if (Row < P->FirstRow) break;
        In = P.get();
    }
    if (!In)
        return reinterpret_cast<const uint32_t*>(FCells.Data()) + static_cast<size_t>(Row) * FFields.size();
    return reinterpret_cast<const uint32_t*>(In->Cells.Data()) +
           static_cast<size_t>(Row - In->FirstRow) * FFields.size();
}

} // namespace dataset
