#pragma once
// The earlier edition's body writers that the current edition has no
// counterpart for: the class record closed by the scan mark, the class
// statistics and the adoption record with a single recommendation flag.

#include "export/BodyWriters.h"

namespace txad {

// One class record per row, closed by the scan mark; a pre-pass marks the
// rows of "PC" schools beyond the fifth year with "C" (in memory only).
class ClassicClassRecordWriter : public TableBodyWriter {
public:
    explicit ClassicClassRecordWriter(const RecordLayout& Layout) : TableBodyWriter(Layout, {}) {}
    void Write(TClientDataSet& Data, ByteSink& Sink) override;
};

// One class-statistics record (52 characters) per school group of
// "Body698.xml": classes and average pupils of the years 1 to 5. A value
// over three digits stops the writer instead of being cut.
class ClassStatRecordWriter : public TableBodyWriter {
public:
    explicit ClassStatRecordWriter(const RecordLayout& Layout);
    void Write(TClientDataSet& Data, ByteSink& Sink) override;
};

// One adoption record per row: a single recommendation flag from
// Consigliato and the ownership flag; the ISBN closes the record unpadded.
class ClassicAdoptionRecordWriter : public TableBodyWriter {
public:
    explicit ClassicAdoptionRecordWriter(const RecordLayout& Layout)
        : TableBodyWriter(Layout, {FieldValue::Recommendation, FieldValue::Owned}) {}
    void Write(TClientDataSet& Data, ByteSink& Sink) override;
};

// Half up for the non-negative averages: 20.5 gives 21, 20.49 gives 20.
int RoundHalfUp(double Value);
// 1 gives 'C', 0 and any other value a blank.
char ConsigliatoChar(int Consigliato);
// 1 gives 'S', 0 gives 'N', any other value a blank.
char InPossessoChar(int InPossesso);

} // namespace txad
