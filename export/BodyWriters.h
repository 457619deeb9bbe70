#pragma once
// The body record writers: each walks a dataset from its first row to its
// last and writes complete record lines ("*" and CR LF included) to a sink,
// one Write per line. Fields are looked up once per file; every line is built
// from its layout table in one reused buffer.

#include <string>
#include <string_view>

#include "dataset/ClientDataSet.h"
#include "export/ByteSink.h"
#include "export/RecordBuilder.h"
#include "export/RecordFields.h"

namespace txad {

class BodyWriter {
public:
    virtual ~BodyWriter() = default;
    BodyWriter(const BodyWriter&) = delete;
    BodyWriter& operator=(const BodyWriter&) = delete;

    // A field missing from Data or a value that is not an integer raises the
    // data layer's error; the lines written before stay in the sink.
    virtual void Write(TClientDataSet& Data, ByteSink& Sink) = 0;

    const std::string& RecordCode() const { return FRecordCode; }

protected:
    // Layout: the body record with this code in the writer's edition.
    BodyWriter(std::string RecordCode, const RecordLayout& Layout)
        : FRecordCode(std::move(RecordCode)), FRecord(Layout) {}

    std::string FRecordCode;
    RecordBuilder FRecord;
};

// One school record (345 characters) per run of consecutive rows with the
// same CodScuola, from the first row of the run.
class SchoolRecordWriter : public BodyWriter {
public:
    explicit SchoolRecordWriter(std::string RecordCode)
        : SchoolRecordWriter(RecordCode, BodyLayout(Edition::Current, RecordCode)) {}
    void Write(TClientDataSet& Data, ByteSink& Sink) override;

protected:
    // Both editions' school records take the same fields in the same order.
    SchoolRecordWriter(std::string RecordCode, const RecordLayout& Layout)
        : BodyWriter(std::move(RecordCode), Layout) {}
    virtual void LookUpFields(TClientDataSet& Data);
    // Whether the row with this code gives a record, given the last code written.
    virtual bool StartsRecord(std::string_view Code, std::string_view LastCode) const {
        return Code != LastCode;
    }

    TField FCodScuola, FExCodScuola, FNome, FIndirizzo, FFrazione, FComune, FCap, FTelefono, FFax,
        FCodSedeMain, FEmail, FSito;
};

// One class record (71 characters) per row, with the special-needs list.
class ClassRecordWriter : public BodyWriter {
public:
    explicit ClassRecordWriter(std::string RecordCode)
        : BodyWriter(RecordCode, BodyLayout(Edition::Current, RecordCode)) {}
    void Write(TClientDataSet& Data, ByteSink& Sink) override;

private:
    TField FCodScuola, FSezione, FTipoScuola, FAnnoCorso, FNrAlunni, FCodSpc, FCodSpr, FSpesa, FNrAluIpo,
        FNrAluNonVed, FNrAluDisl;
    std::string FNeeds;
};

// Fields and flags common to the adoption and the extension records.
class AdoptionWriterBase : public BodyWriter {
protected:
    explicit AdoptionWriterBase(std::string RecordCode)
        : BodyWriter(RecordCode, BodyLayout(Edition::Current, RecordCode)) {}

    void LookUpAdoptionFields(TClientDataSet& Data);
    // Reads the integer fields and the year of the current row into FFlags.
    void ComputeFlags();

    TField FCodScuola, FAnnoCorso, FSezione, FTipoScuola, FCodSpc, FCodSpr, FCodEditore, FIsbn,
        FAnnoPrimaAdoz, FInUso, FInPossesso, FMonografia, FApprofondimento;
    AdoptionFlags FFlags;
};

// One adoption record (66 characters) per row.
class AdoptionRecordWriter : public AdoptionWriterBase {
public:
    explicit AdoptionRecordWriter(std::string RecordCode) : AdoptionWriterBase(std::move(RecordCode)) {}
    void Write(TClientDataSet& Data, ByteSink& Sink) override;

private:
    TField FCodPro;
};

// One adoption extension record (202 characters) per row, with the book's data.
class AdoptionExtRecordWriter : public AdoptionWriterBase {
public:
    explicit AdoptionExtRecordWriter(std::string RecordCode) : AdoptionWriterBase(std::move(RecordCode)) {}
    void Write(TClientDataSet& Data, ByteSink& Sink) override;

private:
    TField FAutore, FTitolo, FVolume, FMateri;
};

} // namespace txad
