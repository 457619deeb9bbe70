#pragma once
// Builds record lines from a layout table: the writer gives the values of the
// fields that are not constant, in column order, and the builder pads or cuts
// each to its width and writes the constants itself. The line lives in one
// reused buffer, so building a record allocates nothing once it has grown.

#include <string>
#include <string_view>

#include "export/RecordLayout.h"

namespace txad {

class RecordBuilder {
public:
    explicit RecordBuilder(const RecordLayout& Layout);

    // Starts a new line.
    RecordBuilder& Begin() {
        FLine.clear();
        FNext = 0;
        return *this;
    }
    // The value of the next field that is not constant.
    RecordBuilder& Add(std::string_view Value);
    RecordBuilder& Add(char Value) { return Add(std::string_view(&Value, 1)); }
    // The line with its line end; valid until the next Begin(). Raises
    // EVxInternalError when the values given do not fill the layout.
    std::string_view End();

    const RecordLayout& Layout() const { return *FLayout; }

private:
    void AppendConstants();

    const RecordLayout* FLayout;
    std::size_t FNext = 0;
    std::string FLine;
};

// The body record layout with this record code in the edition's tables;
// raises EVxInternalError when there is none.
const RecordLayout& BodyLayout(Edition Ed, std::string_view RecordCode);

} // namespace txad
