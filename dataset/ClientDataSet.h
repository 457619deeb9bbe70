#pragma once
// The client dataset: an in-memory table loaded whole from an XML data packet,
// one current row, fields looked up by name without regard to case. Text is
// CP1252 bytes. Loaded tables are immutable and may be shared between datasets
// through a PacketCache; edits and deletes live in the dataset's own overlay.

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace dataset {

enum class FieldType {
    String,
    WideString,
    Int8,
    Int16,
    Int32,
    Int64,
    UInt8,
    UInt16,
    UInt32,
    Float,
    Fixed,
    FixedFmt,
    Boolean,
    Date,
    Time,
    DateTime,
    BinHex,
    Nested,
    Unknown
};

struct FieldDef {
    std::string Name;
    FieldType Type = FieldType::String;
    int Width = 0;
    int Decimals = 0;
    std::string SubType;
};

class Table;       // a parsed packet (immutable)
class PacketCache; // parsed packets of one run, keyed by path, size and write time

} // namespace dataset

class TClientDataSet;

// A handle on one field of a dataset; reads the dataset's current row.
class TField {
public:
    TField() = default;
    TField(TClientDataSet* DataSet, int Index) : FDataSet(DataSet), FIndex(Index) {}

    // The value as text (null gives ""). The view stays valid until the row
    // changes or a value is set; reading other fields leaves it alone.
    std::string_view AsText() const;
    std::string AsString() const { return std::string(AsText()); }
    // Null gives 0; text that is not an integer raises EVxError naming value and field.
    int AsInteger() const;
    bool IsNull() const;
    // Needs the dataset in edit state. Text goes in as given for string fields;
    // numbers and booleans are checked and stored in the packet's form; dates
    // and times cannot be set as text (EVxError).
    void SetAsString(std::string_view Value) const;
    const std::string& FieldName() const;
    int Index() const { return FIndex; }
    bool Valid() const { return FDataSet != nullptr; }

private:
    TClientDataSet* FDataSet = nullptr;
    int FIndex = -1;
};

class TClientDataSet {
public:
    explicit TClientDataSet(std::string Name = {});
    ~TClientDataSet();
    TClientDataSet(const TClientDataSet&) = delete;
    TClientDataSet& operator=(const TClientDataSet&) = delete;

    const std::string& Name() const { return FName; }

    // Replaces everything with the packet's rows, first row current. Raises
    // EVxError "Cannot open file <path>" (dataset closed) when the file cannot
    // be opened, and EVxError naming file, line and reason for a broken packet.
    void LoadFromFile(const std::string& Path);
    // The same from bytes in memory (never cached); Name is the file named in errors.
    void LoadFromBuffer(std::string_view Bytes, const std::string& Name);
    void Close();
    bool Active() const;

    void First();
    void Next();
    bool Eof() const;
    int RecNo() const; // 0-based position in visiting order; -1 when empty
    void SetRecNo(int Position);

    // Case-insensitive; raises EVxError "Field '<name>' not found".
    TField FieldByName(std::string_view Name);
    TField FindField(std::string_view Name); // invalid handle when absent
    int FieldCount() const;
    const dataset::FieldDef& FieldDefAt(int Index) const;

    void Edit();
    void Post();
    void Cancel();
    // The following row becomes current; after deleting the last row the
    // dataset is at its end (Eof), on the new last row.
    void Delete();
    int RecordCount() const;

    // "F1;F2": ascending by declared type, later fields break ties, stable.
    // Nulls come first; in a numeric field, values that are not numbers come
    // next, by their bytes. Text compares byte-wise (CP1252). The current row
    // stays current; "" returns to stored order. The index stays set across
    // loads and orders each new packet (a missing field fails the load).
    void SetIndexFieldNames(const std::string& Names);
    const std::string& IndexFieldNames() const;

    // Orders visiting positions as an index on "F1;F2" would (the comparison
    // of SetIndexFieldNames, stored order breaking ties) without building one:
    // for putting a few rows of a large dataset in index order. Raises
    // EVxError "Field '<name>' not found" as SetIndexFieldNames does. Reads
    // the dataset as it is at each call.
    class IndexOrder {
    public:
        IndexOrder(TClientDataSet& DataSet, const std::string& Names);
        bool Before(int PositionA, int PositionB) const;

    private:
        TClientDataSet& FDataSet;
        std::vector<int> FFields;
    };
    // Exact, case-sensitive, whole-value match of each key field's text ("F1;F2");
    // a null field matches "". The current row stays when nothing matches.
    bool Locate(const std::string& KeyFields, const std::vector<std::string>& KeyValues);

    // AsText of each of Fields (fields of this dataset) in the current row,
    // Out[I] taking Fields[I]'s, the row found once: for writers that copy
    // many fields of every row.
    void CurrentTexts(std::span<const TField> Fields, std::string_view* Out);

    // Value of any row/field by visiting position, for the grid's model.
    std::string_view TextAt(int Position, int FieldIndex);

    // The cache that loads go through (not owned); nullptr parses every time.
    void SetPacketCache(dataset::PacketCache* Cache);
    dataset::PacketCache* Cache() const;

    // Called after a load, a close, a post or cancel, a delete, an index change
    // or a move, so a view can follow (the grid's model).
    using Listener = std::function<void()>;
    int AddListener(Listener L);
    void RemoveListener(int Id);

private:
    friend class TField;
    struct Impl;
    void Opened(std::shared_ptr<const dataset::Table> Packet);
    std::string FName;
    std::unique_ptr<Impl> FImpl;
};
