#pragma once
// The body record writers: each walks a dataset from its first row to its
// last and writes complete record lines ("*" and CR LF included) to a sink,
// one Write per line. Fields are looked up once per file and every line is
// built in one reused buffer.

#include <string>
#include <string_view>

#include "dataset/ClientDataSet.h"
#include "export/ByteSink.h"
#include "export/RecordFields.h"

namespace txad {

class BodyWriter {
public:
    explicit BodyWriter(std::string RecordCode) : FRecordCode(std::move(RecordCode)) {}
    virtual ~BodyWriter() = default;
    BodyWriter(const BodyWriter&) = delete;
    BodyWriter& operator=(const BodyWriter&) = delete;

    // A field missing from Data or a value that is not an integer raises the
    // data layer's error; the lines written before stay in the sink.
    virtual void Write(TClientDataSet& Data, ByteSink& Sink) = 0;

    const std::string& RecordCode() const { return FRecordCode; }

protected:
    // Starts Line with the record code.
    void StartLine() { FLine.assign(FRecordCode); }
    // Ends Line with the end mark and the line end, and writes it.
    void EndLine(ByteSink& Sink) {
        FLine += "*\r\n";
        Sink.Write(FLine);
    }

    std::string FRecordCode;
    std::string FLine;
};

// One school record (345 characters) per run of consecutive rows with the
// same CodScuola, from the first row of the run.
class SchoolRecordWriter : public BodyWriter {
public:
    using BodyWriter::BodyWriter;
    void Write(TClientDataSet& Data, ByteSink& Sink) override;

protected:
    virtual void LookUpFields(TClientDataSet& Data);
    // Whether the row with this code gives a record, given the last code written.
    virtual bool StartsRecord(std::string_view Code, std::string_view LastCode) const {
        return Code != LastCode;
    }
    // Appends the record's fields after the record code.
    virtual void AppendFields();
    // The fields both editions' layouts open with, from the school code to
    // the fax; only the name's width differs.
    void AppendSchoolAndAddress(std::size_t NameWidth);

    TField FCodScuola, FExCodScuola, FNome, FIndirizzo, FFrazione, FComune, FCap, FTelefono, FFax,
        FCodSedeMain, FEmail, FSito;
};

// One class record (71 characters) per row, with the special-needs list.
class ClassRecordWriter : public BodyWriter {
public:
    using BodyWriter::BodyWriter;
    void Write(TClientDataSet& Data, ByteSink& Sink) override;

private:
    TField FCodScuola, FSezione, FTipoScuola, FAnnoCorso, FNrAlunni, FCodSpc, FCodSpr, FSpesa, FNrAluIpo,
        FNrAluNonVed, FNrAluDisl;
    std::string FNeeds;
};

// Fields and flags common to the adoption and the extension records.
class AdoptionWriterBase : public BodyWriter {
public:
    using BodyWriter::BodyWriter;

protected:
    void LookUpAdoptionFields(TClientDataSet& Data);
    // Reads the integer fields and the year of the current row into FFlags.
    void ComputeFlags();
    // Record code, CodScuola, AnnoCorso, Sezione, TipoScuola, CodSpc, CodSpr.
    void AppendClassFields();

    TField FCodScuola, FAnnoCorso, FSezione, FTipoScuola, FCodSpc, FCodSpr, FCodEditore, FIsbn,
        FAnnoPrimaAdoz, FInUso, FInPossesso, FMonografia, FApprofondimento;
    AdoptionFlags FFlags;
};

// One adoption record (66 characters) per row.
class AdoptionRecordWriter : public AdoptionWriterBase {
public:
    using AdoptionWriterBase::AdoptionWriterBase;
    void Write(TClientDataSet& Data, ByteSink& Sink) override;

private:
    TField FCodPro;
};

// One adoption extension record (202 characters) per row, with the book's data.
class AdoptionExtRecordWriter : public AdoptionWriterBase {
public:
    using AdoptionWriterBase::AdoptionWriterBase;
    void Write(TClientDataSet& Data, ByteSink& Sink) override;

private:
    TField FAutore, FTitolo, FVolume, FMateri;
};

} // namespace txad
