#include "export/RecordBuilder.h"

#include "support/VxExceptions.h"
#include "support/VxStrUtils.h"

namespace txad {

RecordBuilder::RecordBuilder(const RecordLayout& Layout) : FLayout(&Layout) {
    FLine.reserve(Layout.FixedLength() + 64);
}

void RecordBuilder::AppendConstants() {
    const std::span<const LayoutField> Fields = FLayout->Fields;
    while (FNext < Fields.size() && Fields[FNext].Content == FieldContent::Constant)
        FLine.append(Fields[FNext++].Source);
}

RecordBuilder& RecordBuilder::Add(std::string_view Value) {
    AppendConstants();
    if (FNext >= FLayout->Fields.size())
        throw EVxInternalError(FormatMsg("Troppi valori per il record %s", FLayout->Code()));
    const LayoutField& Field = FLayout->Fields[FNext++];
    switch (Field.Pad) {
    case FieldPad::Right: AppendPadR(FLine, Value, static_cast<std::size_t>(Field.Width)); break;
    case FieldPad::Left: AppendPadL(FLine, Value, static_cast<std::size_t>(Field.Width)); break;
    case FieldPad::Variable: FLine.append(Value); break;
    }
    return *this;
}

std::string_view RecordBuilder::End() {
    AppendConstants();
    if (FNext != FLayout->Fields.size())
        throw EVxInternalError(FormatMsg("Valori mancanti per il record %s", FLayout->Code()));
    FLine += "\r\n";
    return FLine;
}

const RecordLayout& BodyLayout(Edition Ed, std::string_view RecordCode) {
    for (std::string_view Target : {"aie", "anarpe"})
        for (const FileLayout& File : FileLayouts(Ed, Target))
            if (File.Body != nullptr && File.Body->Code() == RecordCode) return *File.Body;
    throw EVxInternalError(FormatMsg("Tracciato del record %s sconosciuto", RecordCode));
}

} // namespace txad
