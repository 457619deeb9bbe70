#include "export/records/FieldWidths.h"

namespace txad {

namespace {

constexpr int WidthWithoutField = 30;

} // namespace

int SchoolNameWidth(std::span<const FileLayout> Files) {
    for (const FileLayout& File : Files) {
        if (File.Writer != BodyWriterKind::SchoolPerCode && File.Writer != BodyWriterKind::SchoolPerRow)
            continue;
        for (const LayoutField& Field : File.Body->Fields)
            if (Field.Content != FieldContent::Constant && Field.Value == FieldValue::Packet &&
                Field.Source == "Nome")
                return Field.Width;
    }
    return WidthWithoutField;
}

const FileLayout* ProtocolNumberFile(std::span<const FileLayout> Files) {
    for (const FileLayout& File : Files)
        if (File.Header && File.Header->FieldOf(FieldValue::ProtocolNumber) >= 0) return &File;
    return nullptr;
}

int ProtocolNumberWidth(std::span<const FileLayout> Files) {
    const FileLayout* File = ProtocolNumberFile(Files);
    if (!File) return WidthWithoutField;
    return File->Header->Fields[static_cast<std::size_t>(File->Header->FieldOf(FieldValue::ProtocolNumber))]
        .Width;
}

} // namespace txad
