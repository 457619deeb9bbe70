#include "export/BodyWriters.h"

#include <array>

#include "export/records/ClassicBodyWriters.h"
#include "export/records/SchoolRuns.h"

namespace txad {

void SchoolRecordWriter::Write(TClientDataSet& Data, ByteSink& Sink) {
    FRecord.Bind(Data);
    const TField CodScuola = Data.FieldByName("CodScuola");
    const TField ExCodScuola = Data.FieldByName("ExCodScuola");
    std::string Previous(CodeBeforeFirstRow);
    for (Data.First(); !Data.Eof(); Data.Next()) {
        const std::string_view Code = CodScuola.AsText();
        if (FOnePerCode) {
            const bool Starts = StartsSchoolRecord(Code, Previous);
            Previous.assign(Code);
            if (!Starts) continue;
        }
        FRecord.Set(FieldValue::FormerCode, ExCodeValue(ExCodScuola.AsText()));
        Sink.Write(FRecord.Build());
    }
}

void ClassRecordWriter::Write(TClientDataSet& Data, ByteSink& Sink) {
    FRecord.Bind(Data);
    const std::array<TField, 3> Needs = {Data.FieldByName("NrAluIpo"), Data.FieldByName("NrAluNonVed"),
                                         Data.FieldByName("NrAluDisl")};
    for (Data.First(); !Data.Eof(); Data.Next()) {
        // A null reads as empty text, which is "none" like "0".
        BuildSpecialNeeds(FNeeds, Needs[0].AsText(), Needs[1].AsText(), Needs[2].AsText());
        FRecord.Set(FieldValue::SpecialNeeds, FNeeds);
        Sink.Write(FRecord.Build());
    }
}

void AdoptionRecordWriter::Write(TClientDataSet& Data, ByteSink& Sink) {
    FRecord.Bind(Data);
    const TField AnnoPrimaAdoz = Data.FieldByName("AnnoPrimaAdoz");
    const TField InUso = Data.FieldByName("InUso");
    const TField InPossesso = Data.FieldByName("InPossesso");
    const TField Monografia = Data.FieldByName("ConsigliatoMonografia");
    const TField Approfondimento = Data.FieldByName("ConsigliatoApprofondimento");
    // The flags live in FFlags, so the values set once stay valid.
    FRecord.Set(FieldValue::Recommendation, CharValue(FFlags.Consigliato));
    FRecord.Set(FieldValue::Owned, CharValue(FFlags.InPossesso));
    FRecord.Set(FieldValue::InUse, CharValue(FFlags.InUso));
    for (Data.First(); !Data.Eof(); Data.Next()) {
        const int InUse = InUso.AsInteger();
        const int Owned = InPossesso.AsInteger();
        const int FurtherStudy = Approfondimento.AsInteger();
        const int Monograph = Monografia.AsInteger();
        ComputeAdoptionFlags(AnnoPrimaAdoz.AsText(), InUse, Owned, FurtherStudy, Monograph, FFlags);
        FRecord.Set(FieldValue::FirstAdoptionYear, FFlags.Year);
        Sink.Write(FRecord.Build());
    }
}

std::unique_ptr<BodyWriter> MakeBodyWriter(const FileLayout& File) {
    if (File.Body == nullptr) return nullptr;
    const RecordLayout& Layout = *File.Body;
    switch (File.Writer) {
    case BodyWriterKind::None: return nullptr;
    case BodyWriterKind::SchoolPerCode: return std::make_unique<SchoolRecordWriter>(Layout, true);
    case BodyWriterKind::SchoolPerRow: return std::make_unique<SchoolRecordWriter>(Layout, false);
    case BodyWriterKind::Class: return std::make_unique<ClassRecordWriter>(Layout);
    case BodyWriterKind::ClassWithScan: return std::make_unique<ClassicClassRecordWriter>(Layout);
    case BodyWriterKind::ClassStatistics: return std::make_unique<ClassStatRecordWriter>(Layout);
    case BodyWriterKind::Adoption: return std::make_unique<AdoptionRecordWriter>(Layout);
    case BodyWriterKind::AdoptionOneFlag: return std::make_unique<ClassicAdoptionRecordWriter>(Layout);
    }
    return nullptr;
}

} // namespace txad
