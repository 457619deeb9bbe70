#include "export/RecordBuilder.h"

#include <algorithm>
#include <cstring>

#include "support/VxExceptions.h"
#include "support/VxStrUtils.h"

namespace txad {

namespace {

// Flags, fillers and end marks are one byte: no library call for those.
char* Put(char* At, const char* Bytes, std::size_t Length) {
    if (Length == 1)
        *At = *Bytes;
    else if (Length != 0)
        std::memcpy(At, Bytes, Length);
    return At + Length;
}

char* Blanks(char* At, std::size_t Count) {
    if (Count == 1)
        *At = ' ';
    else if (Count != 0)
        std::memset(At, ' ', Count);
    return At + Count;
}

} // namespace

RecordBuilder::RecordBuilder(const RecordLayout& Layout, std::initializer_list<FieldValue> Computed)
    : FLayout(&Layout), FSlots(FieldValueCount), FVariable(Layout.Fields.size()) {
    std::size_t From = 0;
    for (const LayoutField& Field : Layout.Fields) {
        if (Field.Content == FieldContent::Constant) {
            FConstants.append(Field.Source);
            continue;
        }
        if (Field.Pad == FieldPad::Variable) FVariable = FSteps.size();
        const std::size_t Width = Field.Pad == FieldPad::Variable ? 0 : static_cast<std::size_t>(Field.Width);
        Step S{From, FConstants.size() - From, Field.Pad, Width, static_cast<std::size_t>(Field.Value)};
        if (Field.Value == FieldValue::Packet) {
            S.Slot = FSlots.size();
            FSlots.emplace_back();
            FCopiedNames.push_back(Field.Source);
        } else if (std::find(Computed.begin(), Computed.end(), Field.Value) == Computed.end()) {
            throw EVxInternalError(
                FormatMsg(FormatMsg("Il record %s prende il campo %s, che nessuno fornisce", Layout.Code()),
                          Field.Name));
        }
        FSteps.push_back(S);
        FFixed += Width;
        From = FConstants.size();
    }
    FConstants += "\r\n";
    FTailFrom = From;
    FTailLength = FConstants.size() - From;
    FFixed += FConstants.size();
    FLine.resize(FFixed + 64);
}

void RecordBuilder::Bind(TClientDataSet& Data) {
    FCopied.clear();
    for (std::string_view Name : FCopiedNames) FCopied.push_back(Data.FieldByName(Name));
}

std::string_view RecordBuilder::Build() {
    if (FCopied.size() != FCopiedNames.size())
        throw EVxInternalError(
            FormatMsg("Il record %s copia campi di un dataset non collegato", FLayout->Code()));
    std::string_view* Copied = FSlots.data() + FieldValueCount;
    for (const TField& Field : FCopied) *Copied++ = Field.AsText();
    // Room for everything before any byte is written: no check per field.
    const std::size_t Variable = FVariable < FSteps.size() ? FSlots[FSteps[FVariable].Slot].size() : 0;
    if (FFixed + Variable > FLine.size()) FLine.resize(2 * (FFixed + Variable));

    char* At = FLine.data();
    const char* Constants = FConstants.data();
    for (const Step& S : FSteps) {
        At = Put(At, Constants + S.ConstantFrom, S.ConstantLength);
        const std::string_view Value = FSlots[S.Slot];
        // Cut to the width keeping the first bytes, blanks on the padded side.
        const std::size_t Length =
            S.Pad == FieldPad::Variable || Value.size() < S.Width ? Value.size() : S.Width;
        const std::size_t Pad = S.Pad == FieldPad::Variable ? 0 : S.Width - Length;
        if (S.Pad == FieldPad::Left) At = Blanks(At, Pad);
        At = Put(At, Value.data(), Length);
        if (S.Pad == FieldPad::Right) At = Blanks(At, Pad);
    }
    At = Put(At, Constants + FTailFrom, FTailLength);
    return std::string_view(FLine.data(), static_cast<std::size_t>(At - FLine.data()));
}

const RecordLayout& BodyLayout(Edition Ed, std::string_view RecordCode) {
    for (std::string_view Target : {"aie", "anarpe"})
        for (const FileLayout& File : FileLayouts(Ed, Target))
            if (File.Body != nullptr && File.Body->Code() == RecordCode) return *File.Body;
    throw EVxInternalError(FormatMsg("Tracciato del record %s sconosciuto", RecordCode));
}

} // namespace txad
