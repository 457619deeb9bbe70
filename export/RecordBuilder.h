#pragma once
// Builds record lines from a layout table: the writer gives the values of the
// fields that are not constant, in column order, and the builder pads or cuts
// each to its width and writes the constants itself. The line lives in one
// reused buffer, so building a record allocates nothing once it has grown.

#include <initializer_list>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "export/RecordLayout.h"

namespace txad {

class RecordBuilder {
public:
    explicit RecordBuilder(const RecordLayout& Layout);

    // The line, line end included, of these values; valid until the next
    // Build. Raises EVxInternalError when their number is not the layout's
    // number of fields that take a value.
    std::string_view Build(std::span<const std::string_view> Values);
    std::string_view Build(std::initializer_list<std::string_view> Values) {
        return Build(std::span<const std::string_view>(Values.begin(), Values.size()));
    }

    // How many values a line takes.
    std::size_t ValueCount() const { return FSteps.size(); }
    const RecordLayout& Layout() const { return *FLayout; }

private:
    // A field that takes a value, with the constant text written before it.
    struct Step {
        std::size_t ConstantFrom = 0, ConstantLength = 0; // in FConstants
        FieldPad Pad = FieldPad::Right;
        std::size_t Width = 0;
    };

    const RecordLayout* FLayout;
    std::vector<Step> FSteps;
    std::string FConstants;                     // every constant, in column order, and the line end
    std::size_t FTailFrom = 0, FTailLength = 0; // the constants after the last value, and the line end
    std::size_t FFixed = 0;                     // the bytes of a line but its variable value
    std::size_t FVariable;                      // the step of the variable field, or past the last
    std::string FLine;
};

// A one-byte value (a flag) as a field value.
inline std::string_view CharValue(const char& C) {
    return std::string_view(&C, 1);
}

// The body record layout with this record code in the edition's tables;
// raises EVxInternalError when there is none.
const RecordLayout& BodyLayout(Edition Ed, std::string_view RecordCode);

} // namespace txad
