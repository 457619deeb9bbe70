#pragma once
// A record file seen record by record, as record-check prints it and the
// window shows it: its lines, the layout each line is read with, and the
// columns that name the fields of all the layouts of a set.

#include "export/records/RecordLayout.h"

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace txad {

// The lines of a file's bytes: split at LF, without the CR before it; bytes
// after the last LF are a last line of their own. The bytes must outlive it.
class RecordLines {
public:
    explicit RecordLines(std::string_view Bytes);
    std::size_t Count() const { return FStarts.size(); }
    std::string_view Line(std::size_t Index) const;

private:
    std::string_view FBytes;
    std::vector<std::size_t> FStarts;
};

// The layout line Index (from 0) of a file of Count lines is read with: the
// one whose record code the line begins with (the longest), else the header
// for the first line, the trailer for the last and the body between.
const RecordLayout& LayoutOfLine(const FileLayout& File, std::string_view Line, std::size_t Index,
                                 std::size_t Count);
// The same for a line known only as the first or the last one, or neither.
const RecordLayout& LayoutOfLine(const FileLayout& File, std::string_view Line, bool First, bool Last);

// The columns records are shown in: the record's name first, then each field
// of the layouts added, once per name (the n-th field of a name within one
// layout shares the column of the n-th of that name in the others), in the
// order first met.
class RecordColumns {
public:
    RecordColumns();
    void Add(const FileLayout& File);
    std::size_t Count() const { return FNames.size(); }
    std::string_view Name(std::size_t Column) const { return FNames[Column]; }
    // The field of Layout shown in Column; -1 when it has none there.
    int FieldAt(const RecordLayout& Layout, std::size_t Column) const;
    // The column of each field of Layout, in field order; empty when Layout
    // was not added.
    const std::vector<std::size_t>& ColumnsOf(const RecordLayout& Layout) const;

private:
    void AddLayout(const RecordLayout* Layout);
    std::vector<std::string_view> FNames;
    std::vector<std::pair<const RecordLayout*, std::vector<std::size_t>>> FLayouts;
};

// Reads a whole regular file into Bytes; false with the reason in Why for
// anything else (a FIFO or a device is refused, never waited on).
bool ReadWholeFile(const std::string& Path, std::string& Bytes, std::string& Why);

// Reads a regular file a block at a time, handing each block to Each until
// it answers false; false with the reason in Why when the file cannot be
// read (a FIFO or a device is refused as by ReadWholeFile).
bool ReadFileBlocks(const std::string& Path, const std::function<bool(std::string_view)>& Each,
                    std::string& Why);

// The caption of the first column, the record's name.
inline constexpr std::string_view RecordNameColumn = "Tipo record";

} // namespace txad
