// The loaded table's lookups that need no parser.

#include "PacketTable.h"

#include "support/VxStrUtils.h"

namespace dataset {

int Table::FindField(std::string_view Name) const {
    for (size_t i = 0; i < m_fields.size(); ++i)
        if (SameText(m_fields[i].Name, Name)) return static_cast<int>(i);
    return -1;
}

} // namespace dataset
