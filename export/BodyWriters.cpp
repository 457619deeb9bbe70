#include "export/BodyWriters.h"

#include "support/VxStrUtils.h"

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
        StartLine();
        AppendFields();
        EndLine(Sink);
    }
}

void SchoolRecordWriter::AppendSchoolAndAddress(std::size_t NameWidth) {
    AppendPadR(FLine, FCodScuola.AsText(), 10);
    AppendExCode(FLine, FExCodScuola.AsText());
    AppendPadR(FLine, FNome.AsText(), NameWidth);
    AppendPadR(FLine, FIndirizzo.AsText(), 35);
    AppendPadR(FLine, FFrazione.AsText(), 30);
    AppendPadR(FLine, FComune.AsText(), 35);
    AppendPadR(FLine, FCap.AsText(), 5);
    AppendPadR(FLine, FTelefono.AsText(), 12);
    AppendPadR(FLine, FFax.AsText(), 12);
}

void SchoolRecordWriter::AppendFields() {
    AppendSchoolAndAddress(50);
    FLine += ' ';
    AppendPadR(FLine, FCodSedeMain.AsText(), 10);
    AppendPadR(FLine, FEmail.AsText(), 80);
    AppendPadR(FLine, FSito.AsText(), 50);
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
        StartLine();
        AppendPadR(FLine, FCodScuola.AsText(), 10);
        AppendPadR(FLine, FSezione.AsText(), 4);
        AppendPadR(FLine, FTipoScuola.AsText(), 2);
        AppendPadR(FLine, FAnnoCorso.AsText(), 1);
        AppendPadL(FLine, FNrAlunni.AsText(), 2);
        AppendPadR(FLine, FCodSpc.AsText(), 6);
        AppendPadR(FLine, FCodSpr.AsText(), 6);
        AppendPadR(FLine, FSpesa.AsText(), 7);
        AppendPadL(FLine, FNeeds, 19);
        FLine.append(9, ' ');
        EndLine(Sink);
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

void AdoptionWriterBase::AppendClassFields() {
    StartLine();
    AppendPadR(FLine, FCodScuola.AsText(), 10);
    AppendPadR(FLine, FAnnoCorso.AsText(), 1);
    AppendPadR(FLine, FSezione.AsText(), 4);
    AppendPadR(FLine, FTipoScuola.AsText(), 2);
    AppendPadR(FLine, FCodSpc.AsText(), 6);
    AppendPadR(FLine, FCodSpr.AsText(), 6);
}

void AdoptionRecordWriter::Write(TClientDataSet& Data, ByteSink& Sink) {
    LookUpAdoptionFields(Data);
    FCodPro = Data.FieldByName("CodPro");
    for (Data.First(); !Data.Eof(); Data.Next()) {
        ComputeFlags();
        AppendClassFields();
        AppendPadR(FLine, FCodPro.AsText(), 6);
        FLine += FFlags.Consigliato;
        FLine += FFlags.InPossesso;
        AppendPadL(FLine, FCodEditore.AsText(), 6);
        FLine += FFlags.InUso;
        AppendPadL(FLine, FIsbn.AsText(), 13);
        FLine += FFlags.Year;
        EndLine(Sink);
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
        AppendClassFields();
        FLine += FFlags.Consigliato;
        FLine += FFlags.InPossesso;
        AppendPadL(FLine, FCodEditore.AsText(), 6);
        AppendPadR(FLine, FAutore.AsText(), 30);
        AppendPadR(FLine, FTitolo.AsText(), 76);
        AppendPadR(FLine, FVolume.AsText(), 1);
        AppendPadR(FLine, FMateri.AsText(), 30);
        FLine.append(5, ' ');
        FLine += FFlags.InUso;
        AppendPadL(FLine, FIsbn.AsText(), 13);
        FLine += FFlags.Year;
        EndLine(Sink);
    }
}

} // namespace txad
