#include "export/records/RecordBuilder.h"

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
    : FLayout(&Layout), FVariable(Layout.Fields.size()) {
    constexpr std::size_t NoStep = static_cast<std::size_t>(-1);
    FStepOf.fill(NoStep);
    std::size_t From = 0;
    for (const LayoutField& Field : Layout.Fields) {
        if (Field.Content == FieldContent::Constant) {
            FConstants.append(Field.Source);
            continue;
        }
        if (Field.Pad == FieldPad::Variable) FVariable = FSteps.size();
        const std::size_t Width = Field.Pad == FieldPad::Variable ? 0 : static_cast<std::size_t>(Field.Width);
        if (Field.Value == FieldValue::Packet) {
            FCopiedNames.push_back(Field.Source);
            FCopiedStep.push_back(FSteps.size());
        } else if (std::find(Computed.begin(), Computed.end(), Field.Value) == Computed.end()) {
            throw EVxInternalError(
                FormatMsg(FormatMsg("Il record %s prende il campo %s, che nessuno fornisce", Layout.Code()),
                          Field.Name));
        } else if (std::size_t& First = FStepOf[static_cast<std::size_t>(Field.Value)]; First != NoStep) {
            FRepeats.emplace_back(FSteps.size(), First);
        } else {
            First = FSteps.size();
        }
        FSteps.push_back({From, FConstants.size() - From, Field.Pad, Width});
        FFixed += Width;
        From = FConstants.size();
    }
    // Values the layout does not take land past the last step.
    for (std::size_t& First : FStepOf)
        if (First == NoStep) First = FSteps.size();
    FValues.resize(FSteps.size() + 1);
    FConstants += "\r\n";
    FTailFrom = From;
    FTailLength = FConstants.size() - From;
    FFixed += FConstants.size();
    FLine.resize(FFixed + 64);
    if (FVariable < FSteps.size()) return;
    // Every field in its place: a line is this template with the values
    // written over their blanks.
    FTemplate.reserve(FFixed);
    for (Step& S : FSteps) {
        FTemplate.append(FConstants, S.ConstantFrom, S.ConstantLength);
        S.At = FTemplate.size();
        FTemplate.append(S.Width, ' ');
    }
    FTemplate.append(FConstants, FTailFrom, FTailLength);
}

void RecordBuilder::Bind(TClientDataSet& Data) {
    FCopied.clear();
    for (std::string_view Name : FCopiedNames) FCopied.push_back(Data.FieldByName(Name));
    FBound = &Data;
    FCopiedTexts.resize(FCopied.size());
}

std::string_view RecordBuilder::Build() {
    if (FCopied.size() != FCopiedNames.size())
        throw EVxInternalError(
            FormatMsg("Il record %s copia campi di un dataset non collegato", FLayout->Code()));
    // Locals, not members, in the loops: the bytes written through At could
    // alias any member, which the compiler would then read again per field.
    std::string_view* const Values = FValues.data();
    const std::size_t* CopiedStep = FCopiedStep.data();
    if (!FCopied.empty()) FBound->CurrentTexts(FCopied, FCopiedTexts.data());
    for (const std::string_view Text : FCopiedTexts) Values[*CopiedStep++] = Text;
    for (const auto& [To, From] : FRepeats) Values[To] = Values[From];
    const Step* const Steps = FSteps.data();
    const std::size_t StepCount = FSteps.size();
    if (!FTemplate.empty()) {
        char* const Line = FLine.data();
        std::memcpy(Line, FTemplate.data(), FTemplate.size());
        for (std::size_t I = 0; I < StepCount; ++I) {
            const Step& S = Steps[I];
            const std::string_view Value = Values[I];
            // Cut to the width keeping the first bytes, blanks on the padded side.
            const std::size_t Length = std::min(Value.size(), S.Width);
            Put(Line + S.At + (S.Pad == FieldPad::Left ? S.Width - Length : 0), Value.data(), Length);
        }
        return std::string_view(Line, FTemplate.size());
    }
    // Room for everything before any byte is written: no check per field.
    const std::size_t Variable = FVariable < StepCount ? Values[FVariable].size() : 0;
    if (FFixed + Variable > FLine.size()) FLine.resize(2 * (FFixed + Variable));

    char* At = FLine.data();
    const char* const Constants = FConstants.data();
    for (std::size_t I = 0; I < StepCount; ++I) {
        const Step& S = Steps[I];
        At = Put(At, Constants + S.ConstantFrom, S.ConstantLength);
        const std::string_view Value = Values[I];
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
