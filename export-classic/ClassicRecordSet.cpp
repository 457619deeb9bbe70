#include "export-classic/ClassicRecordSet.h"

#include "export/RecordFields.h"
#include "support/VxExceptions.h"
#include "support/VxStrUtils.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace txad {

namespace {
constexpr std::array<std::string_view, 4> AieCodes = {"R014", "R622", "R698", "R815"};
constexpr std::array<std::string_view, 4> AnarpeCodes = {"A001", "A002", "A003", "A004"};
constexpr int Years = 5;

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

TStringList ClassicRecordSet::BodyFiles() const {
    return {"Body014.xml", "Body622.xml", "Body698.xml", "Body815.xml"};
}

TStringList ClassicRecordSet::OutFiles() const {
    if (IsAie()) return {"File014.txt", "File622.txt", "File698.txt", "File815.txt", "File815E.txt"};
    if (IsAnarpe()) return {"Adoz001.txt", "Adoz002.txt", "Adoz003.txt", "Adoz004.txt"};
    return {};
}

std::string ClassicRecordSet::RecordCode(int Index) const {
    if (Index < 0 || Index >= 4) return {};
    if (IsAie()) return std::string(AieCodes[static_cast<std::size_t>(Index)]);
    if (IsAnarpe()) return std::string(AnarpeCodes[static_cast<std::size_t>(Index)]);
    return {};
}

bool ClassicRecordSet::LoadsPacket(int Index, int FileCount) const {
    return Index >= 1 && Index < (IsAie() ? FileCount - 1 : FileCount);
}

std::unique_ptr<BodyWriter> ClassicRecordSet::MakeBodyWriter(int Index) const {
    switch (Index) {
    case 0: return std::make_unique<ClassicSchoolRecordWriter>(RecordCode(Index));
    case 1: return std::make_unique<ClassicClassRecordWriter>(RecordCode(Index));
    case 2: return std::make_unique<ClassStatRecordWriter>(RecordCode(Index));
    case 3: return std::make_unique<ClassicAdoptionRecordWriter>(RecordCode(Index));
    default: return nullptr;
    }
}

std::unique_ptr<RecordFrame> ClassicRecordSet::MakeRecordFrame(const HeaderValues& Values) const {
    if (IsAie()) return std::make_unique<ClassicAieRecordFrame>(Values);
    return ExportRecordSet::MakeRecordFrame(Values);
}

long long ClassicRecordSet::TrailerCount(int Index, int FileCount, TClientDataSet& Data,
                                         long long SchoolCount) const {
    if (IsAie() && Index == FileCount - 1) return 2;
    if (Index == 2) return SchoolCount + 2;
    return static_cast<long long>(Data.RecordCount()) + 2;
}

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
    const TField Sezione = Data.FieldByName("Sezione");
    const TField TipoScuola = Data.FieldByName("TipoScuola");
    const TField AnnoCorso = Data.FieldByName("AnnoCorso");
    const TField NrAlunni = Data.FieldByName("NrAlunni");
    const TField CodSpc = Data.FieldByName("CodSpc");
    const TField CodSpr = Data.FieldByName("CodSpr");
    for (Data.First(); !Data.Eof(); Data.Next()) {
        // The scan mark closes the record as it is, whatever its length.
        Sink.Write(
            FRecord.Build({CodScuola.AsText(), Sezione.AsText(), TipoScuola.AsText(), AnnoCorso.AsText(),
                           NrAlunni.AsText(), CodSpc.AsText(), CodSpr.AsText(), Scansione.AsText()}));
    }
}

void ClassStatRecordWriter::Write(TClientDataSet& Data, ByteSink& Sink) {
    const TField CodScuola = Data.FieldByName("CodScuola");
    const TField AnnoCorso = Data.FieldByName("AnnoCorso");
    const TField NrAlunni = Data.FieldByName("NrAlunni");
    std::string School;
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
        // The school code, then classes and average of each year.
        std::array<std::string, std::size_t{2} * Years> Texts;
        std::array<std::string_view, 1 + std::size_t{2} * Years> Values;
        Values[0] = School;
        for (std::size_t Y = 0; Y < Years; ++Y) {
            const long long Average =
                Classes[Y] == 0
                    ? 0
                    : RoundHalfUp(static_cast<double>(Pupils[Y]) / static_cast<double>(Classes[Y]));
            Texts[2 * Y] = StatValue(Classes[Y], School);
            Texts[2 * Y + 1] = StatValue(Average, School);
            Values[1 + 2 * Y] = Texts[2 * Y];
            Values[2 + 2 * Y] = Texts[2 * Y + 1];
        }
        Sink.Write(FRecord.Build(Values));
    }
}

void ClassicAdoptionRecordWriter::Write(TClientDataSet& Data, ByteSink& Sink) {
    const TField CodScuola = Data.FieldByName("CodScuola");
    const TField AnnoCorso = Data.FieldByName("AnnoCorso");
    const TField Sezione = Data.FieldByName("Sezione");
    const TField TipoScuola = Data.FieldByName("TipoScuola");
    const TField CodSpc = Data.FieldByName("CodSpc");
    const TField CodSpr = Data.FieldByName("CodSpr");
    const TField Consigliato = Data.FieldByName("Consigliato");
    const TField InPossesso = Data.FieldByName("InPossesso");
    const TField CodEditore = Data.FieldByName("CodEditore");
    const TField Isbn = Data.FieldByName("Isbn");
    for (Data.First(); !Data.Eof(); Data.Next()) {
        const char Recommended = ConsigliatoChar(Consigliato.AsInteger());
        const char Owned = InPossessoChar(InPossesso.AsInteger());
        // The ISBN closes the record as it is, whatever its length.
        Sink.Write(FRecord.Build(
            {CodScuola.AsText(), AnnoCorso.AsText(), Sezione.AsText(), TipoScuola.AsText(), CodSpc.AsText(),
             CodSpr.AsText(), CharValue(Recommended), CharValue(Owned), CodEditore.AsText(), Isbn.AsText()}));
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
