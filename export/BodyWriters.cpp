#include "export/BodyWriters.h"

namespace txad {

void SchoolRecordWriter::LookUpFields(TClientDataSet& Data) {
    FCodScuola = Data.FieldByName("CodScuola");
    FExCodScuola = Data.FieldByName("ExCodScuola");
    FNome = Data.FieldByName("Nome");
    FIndirizzo = Data.FieldByName("Indirizzo");
    FFrazione = Data.FieldByName("Frazione");
    FComune = Data.FieldByName("Comune");
    FCap = Data.FieldByName("Cap");
    FTelefono = Data.FieldByName("Telefono");
    FFax = Data.FieldByName("Fax");
    FCodSedeMain = Data.FieldByName("CodSedeMain");
    FEmail = Data.FieldByName("Email");
    FSito = Data.FieldByName("Sito");
}

void SchoolRecordWriter::Write(TClientDataSet& Data, ByteSink& Sink) {
    LookUpFields(Data);
    std::string LastCode;
    for (Data.First(); !Data.Eof(); Data.Next()) {
        std::string_view Code = FCodScuola.AsText();
        if (!StartsRecord(Code, LastCode)) continue;
        LastCode.assign(Code);
        Sink.Write(
            FRecord.Build({Code, ExCodeValue(FExCodScuola.AsText()), FNome.AsText(), FIndirizzo.AsText(),
                           FFrazione.AsText(), FComune.AsText(), FCap.AsText(), FTelefono.AsText(),
                           FFax.AsText(), FCodSedeMain.AsText(), FEmail.AsText(), FSito.AsText()}));
    }
}

void ClassRecordWriter::Write(TClientDataSet& Data, ByteSink& Sink) {
    FCodScuola = Data.FieldByName("CodScuola");
    FSezione = Data.FieldByName("Sezione");
    FTipoScuola = Data.FieldByName("TipoScuola");
    FAnnoCorso = Data.FieldByName("AnnoCorso");
    FNrAlunni = Data.FieldByName("NrAlunni");
    FCodSpc = Data.FieldByName("CodSpc");
    FCodSpr = Data.FieldByName("CodSpr");
    FSpesa = Data.FieldByName("Spesa");
    FNrAluIpo = Data.FieldByName("NrAluIpo");
    FNrAluNonVed = Data.FieldByName("NrAluNonVed");
    FNrAluDisl = Data.FieldByName("NrAluDisl");
    for (Data.First(); !Data.Eof(); Data.Next()) {
        // A null reads as empty text, which is "none" like "0".
        BuildSpecialNeeds(FNeeds, FNrAluIpo.AsText(), FNrAluNonVed.AsText(), FNrAluDisl.AsText());
        Sink.Write(
            FRecord.Build({FCodScuola.AsText(), FSezione.AsText(), FTipoScuola.AsText(), FAnnoCorso.AsText(),
                           FNrAlunni.AsText(), FCodSpc.AsText(), FCodSpr.AsText(), FSpesa.AsText(), FNeeds}));
    }
}

void AdoptionWriterBase::LookUpAdoptionFields(TClientDataSet& Data) {
    FCodScuola = Data.FieldByName("CodScuola");
    FAnnoCorso = Data.FieldByName("AnnoCorso");
    FSezione = Data.FieldByName("Sezione");
    FTipoScuola = Data.FieldByName("TipoScuola");
    FCodSpc = Data.FieldByName("CodSpc");
    FCodSpr = Data.FieldByName("CodSpr");
    FCodEditore = Data.FieldByName("CodEditore");
    FIsbn = Data.FieldByName("Isbn");
    FAnnoPrimaAdoz = Data.FieldByName("AnnoPrimaAdoz");
    FInUso = Data.FieldByName("InUso");
    FInPossesso = Data.FieldByName("InPossesso");
    FMonografia = Data.FieldByName("ConsigliatoMonografia");
    FApprofondimento = Data.FieldByName("ConsigliatoApprofondimento");
}

void AdoptionWriterBase::ComputeFlags() {
    const int InUso = FInUso.AsInteger();
    const int InPossesso = FInPossesso.AsInteger();
    const int Approfondimento = FApprofondimento.AsInteger();
    const int Monografia = FMonografia.AsInteger();
    ComputeAdoptionFlags(FAnnoPrimaAdoz.AsText(), InUso, InPossesso, Approfondimento, Monografia, FFlags);
}

void AdoptionRecordWriter::Write(TClientDataSet& Data, ByteSink& Sink) {
    LookUpAdoptionFields(Data);
    FCodPro = Data.FieldByName("CodPro");
    for (Data.First(); !Data.Eof(); Data.Next()) {
        ComputeFlags();
        Sink.Write(
            FRecord.Build({FCodScuola.AsText(), FAnnoCorso.AsText(), FSezione.AsText(), FTipoScuola.AsText(),
                           FCodSpc.AsText(), FCodSpr.AsText(), FCodPro.AsText(),
                           CharValue(FFlags.Consigliato), CharValue(FFlags.InPossesso), FCodEditore.AsText(),
                           CharValue(FFlags.InUso), FIsbn.AsText(), FFlags.Year}));
    }
}

void AdoptionExtRecordWriter::Write(TClientDataSet& Data, ByteSink& Sink) {
    LookUpAdoptionFields(Data);
    FAutore = Data.FieldByName("Autore");
    FTitolo = Data.FieldByName("Titolo");
    FVolume = Data.FieldByName("Volume");
    FMateri = Data.FieldByName("Materi");
    for (Data.First(); !Data.Eof(); Data.Next()) {
        ComputeFlags();
        Sink.Write(FRecord.Build({FCodScuola.AsText(), FAnnoCorso.AsText(), FSezione.AsText(),
                                  FTipoScuola.AsText(), FCodSpc.AsText(), FCodSpr.AsText(),
                                  CharValue(FFlags.Consigliato), CharValue(FFlags.InPossesso),
                                  FCodEditore.AsText(), FAutore.AsText(), FTitolo.AsText(), FVolume.AsText(),
                                  FMateri.AsText(), CharValue(FFlags.InUso), FIsbn.AsText(), FFlags.Year}));
    }
}

} // namespace txad
