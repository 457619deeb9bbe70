#include "export/records/ClassicBodyWriters.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "support/VxExceptions.h"
#include "support/VxStrUtils.h"

namespace txad {

namespace {

constexpr int Years = 5;
constexpr std::array<FieldValue, Years> ClassesOfYear = {FieldValue::ClassesYear1, FieldValue::ClassesYear2,
                                                         FieldValue::ClassesYear3, FieldValue::ClassesYear4,
                                                         FieldValue::ClassesYear5};
constexpr std::array<FieldValue, Years> AverageOfYear = {
    FieldValue::AveragePupilsYear1, FieldValue::AveragePupilsYear2, FieldValue::AveragePupilsYear3,
    FieldValue::AveragePupilsYear4, FieldValue::AveragePupilsYear5};

// AllTrim as a view: the statistics walk compares every row's code.
std::string_view TrimmedView(std::string_view S) {
    auto Blank = [](char C) { return static_cast<unsigned char>(C) <= 32; };
    while (!S.empty() && Blank(S.front())) S.remove_prefix(1);
    while (!S.empty() && Blank(S.back())) S.remove_suffix(1);
    return S;
}

// A class count or average for its 3 columns. A value that does not fit stops
// the writer: cut to its first digits it would pass for another number.
std::string StatValue(long long Value, const std::string& School) {
    std::string Text = std::to_string(Value);
    if (Text.size() > 3)
        throw EVxError(FormatMsg(
            FormatMsg("Valore %s della scuola %s superiore alle 3 cifre consentite dal tracciato", Text),
            School));
    return Text;
}

} // namespace

void ClassicClassRecordWriter::Write(TClientDataSet& Data, ByteSink& Sink) {
    const TField CodScuola = Data.FieldByName("CodScuola");
    const TField IdAnnoCorso = Data.FieldByName("IdAnnoCorso");
    const TField Scansione = Data.FieldByName("Scansione");
    for (Data.First(); !Data.Eof(); Data.Next()) {
        const std::string_view Code = CodScuola.AsText();
        const bool Pc =
            Code.size() >= 4 && (Code[2] == 'P' || Code[2] == 'p') && (Code[3] == 'C' || Code[3] == 'c');
        if (Pc && IdAnnoCorso.AsInteger() > 5) {
            Data.Edit();
            Scansione.SetAsString("C");
            Data.Post();
        }
    }
    // The scan mark closes the record as it is, whatever its length.
    FRecord.Bind(Data);
    for (Data.First(); !Data.Eof(); Data.Next()) Sink.Write(FRecord.Build());
}

ClassStatRecordWriter::ClassStatRecordWriter(const RecordLayout& Layout)
    : TableBodyWriter(Layout, {FieldValue::TrimmedSchoolCode, FieldValue::ClassesYear1,
                               FieldValue::ClassesYear2, FieldValue::ClassesYear3, FieldValue::ClassesYear4,
                               FieldValue::ClassesYear5, FieldValue::AveragePupilsYear1,
                               FieldValue::AveragePupilsYear2, FieldValue::AveragePupilsYear3,
                               FieldValue::AveragePupilsYear4, FieldValue::AveragePupilsYear5}) {}

void ClassStatRecordWriter::Write(TClientDataSet& Data, ByteSink& Sink) {
    const TField CodScuola = Data.FieldByName("CodScuola");
    const TField AnnoCorso = Data.FieldByName("AnnoCorso");
    const TField NrAlunni = Data.FieldByName("NrAlunni");
    std::string School;
    std::array<std::string, std::size_t{2} * Years> Texts;
    Data.First();
    while (!Data.Eof()) {
        std::array<long long, Years> Classes{};
        std::array<long long, Years> Pupils{};
        School.assign(TrimmedView(CodScuola.AsText()));
        int Year = 1;
        // Rows of one school come together in ascending year; a lower year
        // ends the group. A year outside 1 to 5 belongs to no column and is
        // passed over inside its group, so the walk always ends.
        while (!Data.Eof() && Year <= Years && TrimmedView(CodScuola.AsText()) == School) {
            const int RowYear = AnnoCorso.AsInteger();
            if (RowYear < 1 || RowYear > Years) {
                Data.Next();
            } else if (RowYear == Year) {
                ++Classes[static_cast<std::size_t>(Year - 1)];
                Pupils[static_cast<std::size_t>(Year - 1)] += NrAlunni.AsInteger();
                Data.Next();
            } else {
                ++Year;
            }
        }
        // A group made only of such rows gives no record.
        if (std::all_of(Classes.begin(), Classes.end(), [](long long N) { return N == 0; })) continue;
        FRecord.Set(FieldValue::TrimmedSchoolCode, School);
        for (std::size_t Y = 0; Y < Years; ++Y) {
            const long long Average =
                Classes[Y] == 0
                    ? 0
                    : RoundHalfUp(static_cast<double>(Pupils[Y]) / static_cast<double>(Classes[Y]));
            Texts[2 * Y] = StatValue(Classes[Y], School);
            Texts[2 * Y + 1] = StatValue(Average, School);
            FRecord.Set(ClassesOfYear[Y], Texts[2 * Y]);
            FRecord.Set(AverageOfYear[Y], Texts[2 * Y + 1]);
        }
        Sink.Write(FRecord.Build());
    }
}

void ClassicAdoptionRecordWriter::Write(TClientDataSet& Data, ByteSink& Sink) {
    FRecord.Bind(Data);
    const TField Consigliato = Data.FieldByName("Consigliato");
    const TField InPossesso = Data.FieldByName("InPossesso");
    char Recommended = ' ', Owned = ' ';
    FRecord.Set(FieldValue::Recommendation, CharValue(Recommended));
    FRecord.Set(FieldValue::Owned, CharValue(Owned));
    for (Data.First(); !Data.Eof(); Data.Next()) {
        Recommended = ConsigliatoChar(Consigliato.AsInteger());
        Owned = InPossessoChar(InPossesso.AsInteger());
        // The ISBN closes the record as it is, whatever its length.
        Sink.Write(FRecord.Build());
    }
}

int RoundHalfUp(double Value) {
    const double Floor = std::floor(Value);
    return static_cast<int>(Value - Floor >= 0.5 ? std::ceil(Value) : Floor);
}

char ConsigliatoChar(int Consigliato) {
    return Consigliato == 1 ? 'C' : ' ';
}

char InPossessoChar(int InPossesso) {
    if (InPossesso == 1) return 'S';
    if (InPossesso == 0) return 'N';
    return ' ';
}

} // namespace txad
