// The loaded table's lookups that need no parser.

#include "dataset/PacketTable.h"

#include "support/VxStrUtils.h"

namespace dataset {

int Table::FindField(std::string_view Name) const {
    for (size_t i = 0; i < FFields.size(); ++i)
        if (SameText(FFields[i].Name, Name)) return static_cast<int>(i);
    return -1;
}

} // namespace dataset
