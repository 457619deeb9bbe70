#pragma once
// Builds record lines from a layout table. The table drives the plain
// copies: each field that copies a packet field is looked up once per file
// and copied from the current row; the caller supplies only the computed
// values, by name. The builder pads or cuts each value to its width and
// writes the constants itself. The line lives in one reused buffer, so
// building a record allocates nothing once it has grown.

#include <array>
#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "dataset/ClientDataSet.h"
#include "export/records/RecordLayout.h"

namespace txad {

class RecordBuilder {
public:
    // Computed: the values the caller supplies. Raises EVxInternalError when
    // the layout takes a computed value that is not among them.
    RecordBuilder(const RecordLayout& Layout, std::initializer_list<FieldValue> Computed);

    // Looks up the packet fields the layout copies; a missing one raises the
    // data layer's error. Needed once per dataset before Build, when the
    // layout copies any.
    void Bind(TClientDataSet& Data);
    // A computed value of the lines built next; the bytes must stay valid
    // until then.
    void Set(FieldValue Value, std::string_view Text) {
        FValues[FStepOf[static_cast<std::size_t>(Value)]] = Text;
    }

    // The line, line end included, of the bound dataset's current row and the
    // values set; valid until the next Build.
    std::string_view Build();

    const RecordLayout& Layout() const { return *FLayout; }

private:
    // A field that takes a value, with the constant text written before it.
    struct Step {
        std::size_t ConstantFrom = 0, ConstantLength = 0; // in FConstants
        FieldPad Pad = FieldPad::Right;
        std::size_t Width = 0;
        std::size_t At = 0; // where the field starts in FTemplate
    };

    const RecordLayout* FLayout;
    std::vector<Step> FSteps;
    std::vector<std::string_view> FCopiedNames; // the packet fields copied, in column order
    std::vector<std::size_t> FCopiedStep;       // the step each of them fills
    std::vector<TField> FCopied;                // their handles in the bound dataset
    TClientDataSet* FBound = nullptr;
    std::vector<std::string_view> FCopiedTexts; // their texts in the current row
    // The value of each step for the next line, and one more that takes the
    // values the layout does not use.
    std::vector<std::string_view> FValues;
    std::array<std::size_t, FieldValueCount> FStepOf{};        // the step each computed value fills first
    std::vector<std::pair<std::size_t, std::size_t>> FRepeats; // a later step of a value, and its first
    std::string FConstants;                     // every constant, in column order, and the line end
    std::size_t FTailFrom = 0, FTailLength = 0; // the constants after the last value, and the line end
    std::size_t FFixed = 0;                     // the bytes of a line but its variable value
    std::size_t FVariable;                      // the step of the variable field, or past the last
    std::string FLine;
    // A layout without a variable field: the line with its constants and every
    // field blank; empty otherwise.
    std::string FTemplate;
};

// A one-byte value (a flag) as a field value.
inline std::string_view CharValue(const char& C) {
    return std::string_view(&C, 1);
}

// The body record layout with this record code in the edition's tables;
// raises EVxInternalError when there is none.
const RecordLayout& BodyLayout(Edition Ed, std::string_view RecordCode);

} // namespace txad
