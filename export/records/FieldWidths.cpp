#include "export/records/FieldWidths.h"

#include "export/RecordLayout.h"

namespace txad {

int ProtocolNumberWidth() {
    const RecordLayout& Header = *FileLayouts(Edition::Current, "aie").front().Header;
    return Header.Fields[static_cast<std::size_t>(Header.FieldOf(FieldValue::ProtocolNumber))].Width;
}

} // namespace txad
