// The loaded table's lookups that need no parser.

#include "dataset/PacketTable.h"

#include "support/VxStrUtils.h"

namespace dataset {

int Table::FindField(std::string_view Name) const {
    for (size_t i = 0; i < FFields.size(); ++i)
        if (SameText(FFields[i].Name, Name)) return static_cast<int>(i);
    return -1;
}

const unsigned char* Table::PieceCells(uint32_t Row) const {
    const Piece* In = nullptr; // the last piece that starts at Row or before
    for (const auto& P : FPieceCells) {
        if (Row < P->FirstRow) break;
        In = P.get();
    }
    const size_t rowBytes = FFields.size() * CellBytes();
    if (!In)
        return reinterpret_cast<const unsigned char*>(FCells.Data()) + static_cast<size_t>(Row) * rowBytes;
    return reinterpret_cast<const unsigned char*>(In->Cells.Data()) +
           static_cast<size_t>(Row - In->FirstRow) * rowBytes;
}

} // namespace dataset
