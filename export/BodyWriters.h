#pragma once
// The body record writers: each walks a dataset from its first row to its
// last and writes complete record lines ("*" and CR LF included) to a sink,
// one Write per line. The layout table copies the plain fields; a writer
// supplies only the values it computes, by name.

#include <memory>
#include <string>
#include <string_view>

#include "dataset/ClientDataSet.h"
#include "export/ByteSink.h"
#include "export/RecordBuilder.h"
#include "export/RecordFields.h"

namespace txad {

class BodyWriter {
public:
    BodyWriter() = default;
    virtual ~BodyWriter() = default;
    BodyWriter(const BodyWriter&) = delete;
    BodyWriter& operator=(const BodyWriter&) = delete;

    // A field missing from Data or a value that is not an integer raises the
    // data layer's error; the lines written before stay in the sink.
    virtual void Write(TClientDataSet& Data, ByteSink& Sink) = 0;
    // The record code of the lines it writes.
    virtual std::string_view RecordCode() const = 0;
};

// A writer whose lines follow one body layout.
class TableBodyWriter : public BodyWriter {
public:
    std::string_view RecordCode() const override { return FRecord.Layout().Code(); }

protected:
    TableBodyWriter(const RecordLayout& Layout, std::initializer_list<FieldValue> Computed)
        : FRecord(Layout, Computed) {}

    RecordBuilder FRecord;
};

// One school record per run of consecutive rows with the same CodScuola, from
// the first row of the run (see SchoolRuns.h), or one per row.
class SchoolRecordWriter : public TableBodyWriter {
public:
    SchoolRecordWriter(const RecordLayout& Layout, bool OnePerCode)
        : TableBodyWriter(Layout, {FieldValue::FormerCode}), FOnePerCode(OnePerCode) {}
    void Write(TClientDataSet& Data, ByteSink& Sink) override;

private:
    bool FOnePerCode;
};

// One class record per row, with the special-needs list.
class ClassRecordWriter : public TableBodyWriter {
public:
    explicit ClassRecordWriter(const RecordLayout& Layout)
        : TableBodyWriter(Layout, {FieldValue::SpecialNeeds}) {}
    void Write(TClientDataSet& Data, ByteSink& Sink) override;

private:
    std::string FNeeds;
};

// One adoption record per row, with the year and the three flags; the
// records with the book's data differ only in their layout.
class AdoptionRecordWriter : public TableBodyWriter {
public:
    explicit AdoptionRecordWriter(const RecordLayout& Layout)
        : TableBodyWriter(Layout, {FieldValue::Recommendation, FieldValue::Owned, FieldValue::InUse,
                                   FieldValue::FirstAdoptionYear}) {}
    void Write(TClientDataSet& Data, ByteSink& Sink) override;

private:
    AdoptionFlags FFlags;
};

// The writer of File's body, or nullptr when the file has none.
std::unique_ptr<BodyWriter> MakeBodyWriter(const FileLayout& File);

} // namespace txad
