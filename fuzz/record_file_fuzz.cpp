// Feeds arbitrary bytes to the record file reader as record-check and the
// window use it: recognition, the check against every layout of both
// editions, and the split of each line. No read may leave the input and
// every field span must lie inside its line.

#include "export/records/RecordLayout.h"
#include "export/records/RecordLines.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

namespace {

void ReadAs(const txad::FileLayout& File, std::string_view Bytes, std::vector<txad::FieldSpan>& Spans) {
    for (const txad::RecordFault& Fault : txad::CheckRecordFile(File, Bytes))
        if (Fault.Line < 1 || Fault.Column < 1) std::abort();
    const txad::RecordLines Lines(Bytes);
    for (std::size_t I = 0; I < Lines.Count(); ++I) {
        const std::string_view Line = Lines.Line(I);
        txad::SplitRecord(txad::LayoutOfLine(File, Line, I, Lines.Count()), Line, Spans);
        for (const txad::FieldSpan& Span : Spans)
            if (Span.Offset > Line.size() || Span.Length > Line.size() - Span.Offset) std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    const std::string_view Bytes(reinterpret_cast<const char*>(Data), Size);
    std::vector<txad::FieldSpan> Spans;
    for (const txad::Edition Ed : {txad::Edition::Current, txad::Edition::Classic}) {
        if (const txad::FileLayout* File = txad::RecogniseFile(Ed, Bytes, "File815.txt"))
            ReadAs(*File, Bytes, Spans);
        for (const std::string_view Target : {"aie", "anarpe"})
            for (const txad::FileLayout& File : txad::FileLayouts(Ed, Target)) ReadAs(File, Bytes, Spans);
    }
    return 0;
}
