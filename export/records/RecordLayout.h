#pragma once
// The record layouts of the output files as data. Each record type of each
// edition and recipient is declared once, as a table of fields; the writers
// build their lines from these tables, the export checks a written set
// against them before delivering it, record-check prints and checks any set
// with them, and the window shows a set's records by their field names.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace txad {

// How a field's value fills its columns.
enum class FieldPad {
    Right,    // left-justified, blanks on the right, cut to the width
    Left,     // right-justified, blanks on the left
    Variable, // written as it is: its width is what the line leaves; at most one per layout
};

// What a field may hold, as the checker sees it.
enum class FieldContent {
    Text,     // any bytes
    Constant, // exactly the field's Source text (the record code, the end mark, blank filler)
    Number,   // digits, blanks allowed only before them (or only blanks when the value may be empty)
    Date,     // DDMMYYYY, or blanks/empty where the format allows an empty date
};

// What fills a field that is not a constant: a plain copy of a packet field,
// or a value the header and trailer or a body writer supplies by this name.
enum class FieldValue : std::uint8_t {
    Packet, // the packet field named by Source, copied as it is
    // The run's values, in headers and trailers.
    RunDate,
    SchoolCount,
    ParamFileDate,
    CatalogueDate,
    ProtocolNumber,
    LineCount,
    // Values the body writers compute from a row or a group of rows.
    FormerCode,        // ExCodScuola without the "." that stands for none
    SpecialNeeds,      // the list of the three special-needs counts
    Recommendation,    // 'A', 'M', 'C' or blank
    Owned,             // 'S', 'N' or blank
    InUse,             // 'S', 'N' or blank
    FirstAdoptionYear, // four digits or four blanks
    TrimmedSchoolCode, // CodScuola without blanks around it
    ClassesYear1,      // classes of each year, then their average pupils
    ClassesYear2,
    ClassesYear3,
    ClassesYear4,
    ClassesYear5,
    AveragePupilsYear1,
    AveragePupilsYear2,
    AveragePupilsYear3,
    AveragePupilsYear4,
    AveragePupilsYear5,
};
inline constexpr std::size_t FieldValueCount = static_cast<std::size_t>(FieldValue::AveragePupilsYear5) + 1;

struct LayoutField {
    std::string_view Name; // the field's caption, shown by record-check and the window
    int Start = 0;         // first column, from 1; after a variable field, as when it is empty
    int Width = 0;         // 0 for a variable field
    FieldPad Pad = FieldPad::Right;
    FieldContent Content = FieldContent::Text;
    // The packet field copied into it; what a computed value is made of; the
    // text of a constant.
    std::string_view Source;
    FieldValue Value = FieldValue::Packet; // not read for a constant
};

struct RecordLayout {
    std::string_view Name;               // "Testata", "Coda", "Scuola", "Classe", ...
    std::span<const LayoutField> Fields; // in column order, the record code first
    // The line's length without its line end when the variable field is empty.
    std::size_t FixedLength() const;
    // The index of the variable field, or -1.
    int VariableField() const;
    // The record code the line begins with.
    std::string_view Code() const { return Fields.front().Source; }
    // The index of the non-constant field filled by Value, or -1.
    int FieldOf(FieldValue Value) const;
};

enum class Edition { Current, Classic };

// How a file's trailer count relates to its lines.
enum class TrailerRule {
    Lines,          // the number of lines, header and trailer included
    AtLeastLines,   // the registry file: the dataset's rows plus 2, at least the lines
    SchoolsPlusTwo, // the statistics file: the run's school count plus 2
};

// The writer of a file's body records.
enum class BodyWriterKind : std::uint8_t {
    None,            // header and trailer only
    SchoolPerCode,   // one school record per run of equal school codes
    SchoolPerRow,    // one school record per registry row
    Class,           // one class record per row, with the special-needs list
    ClassWithScan,   // one class record per row, closed by the scan mark
    ClassStatistics, // one record per school: classes and average pupils by year
    Adoption,        // one adoption record per row, with the year and the adoption flags
    AdoptionOneFlag, // one adoption record per row, a single recommendation flag
};

// One output file of an edition and recipient: where it comes from, how its
// records are laid out and written, and what its trailer counts.
struct FileLayout {
    std::string_view FileName; // "File014.txt", "Adoz001.txt", ...
    std::string_view Packet;   // the input packet; empty when the file has none
    const RecordLayout* Header = nullptr;
    const RecordLayout* Body = nullptr; // nullptr: the file has no body records
    const RecordLayout* Trailer = nullptr;
    TrailerRule Count = TrailerRule::Lines;
    // Whether writing the file loads its packet into the working dataset; the
    // registry file is written from that dataset as the user edited it.
    bool Reloads = false;
    BodyWriterKind Writer = BodyWriterKind::None;
};

// The files of one edition and target ("aie" or "anarpe") in file-index
// order; empty for any other target.
std::span<const FileLayout> FileLayouts(Edition Ed, std::string_view Target);

// The count the trailer of File carries when its body is written from Rows
// dataset rows, the run counting SchoolCount schools.
long long TrailerCount(const FileLayout& File, long long Rows, long long SchoolCount);

// Where one field sits in a line.
struct FieldSpan {
    std::size_t Offset = 0;
    std::size_t Length = 0;
};

// Splits a line (line end removed) into its fields, one span per layout
// field. False when the line is shorter than the layout's fixed length or,
// without a variable field, not exactly that long; Out then holds the spans
// of the fields the line reaches, cut at its end.
bool SplitRecord(const RecordLayout& Layout, std::string_view Line, std::vector<FieldSpan>& Out);

// One fault of a record file.
struct RecordFault {
    long long Line = 0;   // from 1
    long long Column = 0; // from 1, the first byte that is wrong
    std::string Field;    // the field's name, or empty for a fault of the line itself
    std::string What;     // in the program's language
};

// Checks a whole file (its bytes as read) against its layout: line ends,
// record codes, lengths, header and trailer and the trailer count, the
// content of every field.
std::vector<RecordFault> CheckRecordFile(const FileLayout& Layout, std::string_view Bytes);
// The same check handing each fault to Each as it is found, so that memory
// does not grow with the faults of a hostile file.
void CheckRecordFile(const FileLayout& Layout, std::string_view Bytes,
                     const std::function<void(RecordFault)>& Each);

// The check of CheckRecordFile on a file that comes a piece at a time (read
// a block after another), so that no file is held whole: the same faults in
// the same order, whatever the pieces.
class RecordFileCheck {
public:
    RecordFileCheck(const FileLayout& Layout, std::function<void(RecordFault)> Each);
    ~RecordFileCheck();
    RecordFileCheck(const RecordFileCheck&) = delete;
    RecordFileCheck& operator=(const RecordFileCheck&) = delete;

    // The file's next bytes.
    void Add(std::string_view Bytes);
    // The file ends: what is left is checked.
    void Finish();

private:
    struct State;
    std::unique_ptr<State> FState;
};

// The layout of a file of the given edition, recognised by its record codes
// (by its name when its codes do not tell); nullptr when nothing matches.
const FileLayout* RecogniseFile(Edition Ed, std::string_view Bytes, std::string_view FileName);

} // namespace txad
