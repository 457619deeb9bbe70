#include "export/records/RecordLayout.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "export/records/RecordFrame.h"
#include "support/VxStrUtils.h"

namespace txad {

namespace {

// --- Field builders: the tables below read like the documented layouts. ---

constexpr LayoutField Code() {
    return {"Codice record", 1, 4, FieldPad::Right, FieldContent::Constant, ""};
}
constexpr LayoutField Text(std::string_view Name, int Start, int Width, std::string_view Source,
                           FieldValue Value = FieldValue::Packet) {
    return {Name, Start, Width, FieldPad::Right, FieldContent::Text, Source, Value};
}
// Right-justified packet text: it may hold anything the packet holds.
constexpr LayoutField TextL(std::string_view Name, int Start, int Width, std::string_view Source,
                            FieldValue Value = FieldValue::Packet) {
    return {Name, Start, Width, FieldPad::Left, FieldContent::Text, Source, Value};
}
// Numbers are always computed: the counts of header and trailer, the year,
// the class statistics.
constexpr LayoutField Number(std::string_view Name, int Start, int Width, std::string_view Source,
                             FieldValue Value) {
    return {Name, Start, Width, FieldPad::Left, FieldContent::Number, Source, Value};
}
constexpr LayoutField Date(std::string_view Name, int Start, std::string_view Source, FieldValue Value) {
    return {Name, Start, 8, FieldPad::Right, FieldContent::Date, Source, Value};
}
constexpr LayoutField Variable(std::string_view Name, int Start, std::string_view Source,
                               FieldValue Value = FieldValue::Packet,
                               FieldContent Content = FieldContent::Text) {
    return {Name, Start, 0, FieldPad::Variable, Content, Source, Value};
}
constexpr LayoutField Constant(std::string_view Name, int Start, std::string_view Text) {
    return {Name, Start, static_cast<int>(Text.size()), FieldPad::Right, FieldContent::Constant, Text};
}
constexpr LayoutField Filler(int Start, std::string_view Blanks) {
    return Constant("Riempimento", Start, Blanks);
}
constexpr LayoutField EndMark(int Start) {
    return Constant("Fine record", Start, "*");
}

// The same layout under another record code (the recipients differ only there).
template <std::size_t N>
constexpr std::array<LayoutField, N> WithCode(std::array<LayoutField, N> Fields,
                                              std::string_view RecordCode) {
    Fields[0].Source = RecordCode;
    Fields[0].Width = static_cast<int>(RecordCode.size());
    return Fields;
}

// --- Header and trailer records ---

constexpr std::string_view Recommendation = "ConsigliatoApprofondimento/ConsigliatoMonografia (A/M)";

constexpr std::array<LayoutField, 3> AieHeaderFields = {
    Constant("Codice record", 1, "R001"),
    Date("Data", 5, "data di esecuzione", FieldValue::RunDate),
    Number("Numero scuole", 13, 3, "numero delle scuole", FieldValue::SchoolCount),
};
constexpr std::array<LayoutField, 7> AieFirstHeaderFields = {
    Constant("Codice record", 1, "R001"),
    Date("Data", 5, "data di esecuzione", FieldValue::RunDate),
    Number("Numero scuole", 13, 3, "numero delle scuole", FieldValue::SchoolCount),
    Constant("Versione software", 16, SoftwareId),
    Variable("Data catalogo", 26, "datacat", FieldValue::CatalogueDate),
    Text("Numero protocollo", 26, 30, "numero di protocollo", FieldValue::ProtocolNumber),
    Date("Data (ripetuta)", 56, "data di esecuzione", FieldValue::RunDate),
};
constexpr std::array<LayoutField, 3> AnarpeHeaderFields = {
    Constant("Codice record", 1, "F"),
    Date("Data", 2, "data di esecuzione", FieldValue::RunDate),
    Variable("Data file parametri", 10, "data del file dei parametri", FieldValue::ParamFileDate,
             FieldContent::Date),
};
constexpr std::array<LayoutField, 3> AieTrailerFields = {
    Constant("Codice record", 1, "R099"),
    Date("Data", 5, "data di esecuzione", FieldValue::RunDate),
    Number("Numero righe", 13, 5, "numero delle righe", FieldValue::LineCount),
};
constexpr std::array<LayoutField, 3> AnarpeTrailerFields = {
    Constant("Codice record", 1, "L"),
    Date("Data", 2, "data di esecuzione", FieldValue::RunDate),
    Number("Numero righe", 10, 5, "numero delle righe", FieldValue::LineCount),
};
// The earlier edition's first AIE header and the header of its fifth AIE
// file, which has no schools.
constexpr std::array<LayoutField, 5> ClassicFirstHeaderFields = {
    Constant("Codice record", 1, "R001"),
    Date("Data", 5, "data di esecuzione", FieldValue::RunDate),
    Number("Numero scuole", 13, 3, "numero delle scuole", FieldValue::SchoolCount),
    Constant("Versione software", 16, "1.0.2     "),
    Variable("Data file parametri", 26, "data del file dei parametri", FieldValue::ParamFileDate,
             FieldContent::Date),
};
constexpr std::array<LayoutField, 3> ClassicLastHeaderFields = {
    Constant("Codice record", 1, "R001"),
    Date("Data", 5, "data di esecuzione", FieldValue::RunDate),
    Constant("Numero scuole", 13, "  0"),
};

// --- Body records of the current edition ---

constexpr std::array<LayoutField, 15> SchoolFields = {
    Code(),
    Text("Codice scuola", 5, 10, "CodScuola"),
    Text("Ex codice", 15, 10, "ExCodScuola", FieldValue::FormerCode),
    Text("Denominazione", 25, 50, "Nome"),
    Text("Indirizzo", 75, 35, "Indirizzo"),
    Text("Frazione", 110, 30, "Frazione"),
    Text("Comune", 140, 35, "Comune"),
    Text("CAP", 175, 5, "Cap"),
    Text("Telefono", 180, 12, "Telefono"),
    Text("Fax", 192, 12, "Fax"),
    Filler(204, " "),
    Text("Codice sede principale", 205, 10, "CodSedeMain"),
    Text("E-mail", 215, 80, "Email"),
    Text("Sito web", 295, 50, "Sito"),
    EndMark(345),
};
constexpr std::array<LayoutField, 12> ClassFields = {
    Code(),
    Text("Codice scuola", 5, 10, "CodScuola"),
    Text("Sezione", 15, 4, "Sezione"),
    Text("Tipo scuola", 19, 2, "TipoScuola"),
    Text("Anno di corso", 21, 1, "AnnoCorso"),
    TextL("Numero alunni", 22, 2, "NrAlunni"),
    Text("Codice specializzazione", 24, 6, "CodSpc"),
    Text("Codice sperimentazione", 30, 6, "CodSpr"),
    Text("Spesa", 36, 7, "Spesa"),
    TextL("Alunni con bisogni speciali", 43, 19, "NrAluIpo, NrAluNonVed, NrAluDisl",
          FieldValue::SpecialNeeds),
    Filler(62, "         "),
    EndMark(71),
};
constexpr std::array<LayoutField, 15> AdoptionFields = {
    Code(),
    Text("Codice scuola", 5, 10, "CodScuola"),
    Text("Anno di corso", 15, 1, "AnnoCorso"),
    Text("Sezione", 16, 4, "Sezione"),
    Text("Tipo scuola", 20, 2, "TipoScuola"),
    Text("Codice specializzazione", 22, 6, "CodSpc"),
    Text("Codice sperimentazione", 28, 6, "CodSpr"),
    Text("Codice CodPro", 34, 6, "CodPro"),
    Text("Consigliato", 40, 1, Recommendation, FieldValue::Recommendation),
    Text("In possesso", 41, 1, "InPossesso (S/N)", FieldValue::Owned),
    TextL("Codice editore", 42, 6, "CodEditore"),
    Text("In uso", 48, 1, "InUso (S/N)", FieldValue::InUse),
    TextL("ISBN", 49, 13, "Isbn"),
    Number("Anno prima adozione", 62, 4, "AnnoPrimaAdoz", FieldValue::FirstAdoptionYear),
    EndMark(66),
};
constexpr std::array<LayoutField, 19> AdoptionExtFields = {
    Code(),
    Text("Codice scuola", 5, 10, "CodScuola"),
    Text("Anno di corso", 15, 1, "AnnoCorso"),
    Text("Sezione", 16, 4, "Sezione"),
    Text("Tipo scuola", 20, 2, "TipoScuola"),
    Text("Codice specializzazione", 22, 6, "CodSpc"),
    Text("Codice sperimentazione", 28, 6, "CodSpr"),
    Text("Consigliato", 34, 1, Recommendation, FieldValue::Recommendation),
    Text("In possesso", 35, 1, "InPossesso (S/N)", FieldValue::Owned),
    TextL("Codice editore", 36, 6, "CodEditore"),
    Text("Autore", 42, 30, "Autore"),
    Text("Titolo", 72, 76, "Titolo"),
    Text("Volume", 148, 1, "Volume"),
    Text("Materia", 149, 30, "Materi"),
    Filler(179, "     "),
    Text("In uso", 184, 1, "InUso (S/N)", FieldValue::InUse),
    TextL("ISBN", 185, 13, "Isbn"),
    Number("Anno prima adozione", 198, 4, "AnnoPrimaAdoz", FieldValue::FirstAdoptionYear),
    EndMark(202),
};

// --- Body records of the earlier edition ---

constexpr std::array<LayoutField, 16> ClassicSchoolFields = {
    Code(),
    Text("Codice scuola", 5, 10, "CodScuola"),
    Text("Ex codice", 15, 10, "ExCodScuola", FieldValue::FormerCode),
    Text("Denominazione", 25, 30, "Nome"),
    Text("Indirizzo", 55, 35, "Indirizzo"),
    Text("Frazione", 90, 30, "Frazione"),
    Text("Comune", 120, 35, "Comune"),
    Text("CAP", 155, 5, "Cap"),
    Text("Telefono", 160, 12, "Telefono"),
    Text("Fax", 172, 12, "Fax"),
    Filler(184, "           "),
    Text("Codice sede principale", 195, 10, "CodSedeMain"),
    Filler(205, " "),
    Text("E-mail", 206, 80, "Email"),
    Text("Sito web", 286, 50, "Sito"),
    EndMark(336),
};
constexpr std::array<LayoutField, 14> ClassicClassFields = {
    Code(),
    Filler(5, "      "),
    Text("Codice scuola", 11, 10, "CodScuola"),
    Text("Sezione", 21, 1, "Sezione"),
    Text("Tipo scuola", 22, 2, "TipoScuola"),
    Filler(24, "     "),
    Text("Anno di corso", 29, 1, "AnnoCorso"),
    Filler(30, " "),
    TextL("Numero alunni", 31, 2, "NrAlunni"),
    Text("Codice specializzazione", 33, 6, "CodSpc"),
    Text("Codice sperimentazione", 39, 6, "CodSpr"),
    Filler(45, " "),
    Variable("Scansione", 46, "Scansione"),
    EndMark(46),
};
constexpr std::array<LayoutField, 14> ClassStatFields = {
    Code(),
    Filler(5, "       "),
    Text("Codice scuola", 12, 10, "CodScuola", FieldValue::TrimmedSchoolCode),
    Number("Classi anno 1", 22, 3, "classi con AnnoCorso 1", FieldValue::ClassesYear1),
    Number("Media alunni anno 1", 25, 3, "media di NrAlunni, AnnoCorso 1", FieldValue::AveragePupilsYear1),
    Number("Classi anno 2", 28, 3, "classi con AnnoCorso 2", FieldValue::ClassesYear2),
    Number("Media alunni anno 2", 31, 3, "media di NrAlunni, AnnoCorso 2", FieldValue::AveragePupilsYear2),
    Number("Classi anno 3", 34, 3, "classi con AnnoCorso 3", FieldValue::ClassesYear3),
    Number("Media alunni anno 3", 37, 3, "media di NrAlunni, AnnoCorso 3", FieldValue::AveragePupilsYear3),
    Number("Classi anno 4", 40, 3, "classi con AnnoCorso 4", FieldValue::ClassesYear4),
    Number("Media alunni anno 4", 43, 3, "media di NrAlunni, AnnoCorso 4", FieldValue::AveragePupilsYear4),
    Number("Classi anno 5", 46, 3, "classi con AnnoCorso 5", FieldValue::ClassesYear5),
    Number("Media alunni anno 5", 49, 3, "media di NrAlunni, AnnoCorso 5", FieldValue::AveragePupilsYear5),
    EndMark(52),
};
constexpr std::array<LayoutField, 15> ClassicAdoptionFields = {
    Code(),
    Filler(5, "      "),
    Text("Codice scuola", 11, 10, "CodScuola"),
    Text("Anno di corso", 21, 1, "AnnoCorso"),
    Text("Sezione", 22, 1, "Sezione"),
    Text("Tipo scuola", 23, 2, "TipoScuola"),
    Text("Codice specializzazione", 25, 6, "CodSpc"),
    Text("Codice sperimentazione", 31, 6, "CodSpr"),
    Filler(37, "      "),
    Text("Consigliato", 43, 1, "Consigliato (C)", FieldValue::Recommendation),
    Text("In possesso", 44, 1, "InPossesso (S/N)", FieldValue::Owned),
    Filler(45, "       "),
    TextL("Codice editore", 52, 6, "CodEditore"),
    Variable("ISBN", 58, "Isbn"),
    EndMark(58),
};

constexpr auto R014 = WithCode(SchoolFields, "R014");
constexpr auto A001 = WithCode(SchoolFields, "A001");
constexpr auto R622 = WithCode(ClassFields, "R622");
constexpr auto A002 = WithCode(ClassFields, "A002");
constexpr auto R815 = WithCode(AdoptionFields, "R815");
constexpr auto A003 = WithCode(AdoptionFields, "A003");
constexpr auto R81E = WithCode(AdoptionExtFields, "R81E");
constexpr auto A004 = WithCode(AdoptionExtFields, "A004");
constexpr auto ClassicR014 = WithCode(ClassicSchoolFields, "R014");
constexpr auto ClassicA001 = WithCode(ClassicSchoolFields, "A001");
constexpr auto ClassicR622 = WithCode(ClassicClassFields, "R622");
constexpr auto ClassicA002 = WithCode(ClassicClassFields, "A002");
constexpr auto ClassicR698 = WithCode(ClassStatFields, "R698");
constexpr auto ClassicA003 = WithCode(ClassStatFields, "A003");
constexpr auto ClassicR815 = WithCode(ClassicAdoptionFields, "R815");
constexpr auto ClassicA004 = WithCode(ClassicAdoptionFields, "A004");

constexpr RecordLayout AieHeader{"Testata", AieHeaderFields};
constexpr RecordLayout AieFirstHeader{"Testata", AieFirstHeaderFields};
constexpr RecordLayout AnarpeHeader{"Testata", AnarpeHeaderFields};
constexpr RecordLayout AieTrailer{"Coda", AieTrailerFields};
constexpr RecordLayout AnarpeTrailer{"Coda", AnarpeTrailerFields};
constexpr RecordLayout ClassicFirstHeader{"Testata", ClassicFirstHeaderFields};
constexpr RecordLayout ClassicLastHeader{"Testata", ClassicLastHeaderFields};

constexpr RecordLayout SchoolAie{"Scuola", R014}, SchoolAnarpe{"Scuola", A001};
constexpr RecordLayout ClassAie{"Classe", R622}, ClassAnarpe{"Classe", A002};
constexpr RecordLayout AdoptionAie{"Adozione", R815}, AdoptionAnarpe{"Adozione", A003};
constexpr RecordLayout AdoptionExtAie{"Adozione con dati del libro", R81E},
    AdoptionExtAnarpe{"Adozione con dati del libro", A004};
constexpr RecordLayout ClassicSchoolAie{"Scuola", ClassicR014}, ClassicSchoolAnarpe{"Scuola", ClassicA001};
constexpr RecordLayout ClassicClassAie{"Classe", ClassicR622}, ClassicClassAnarpe{"Classe", ClassicA002};
constexpr RecordLayout ClassStatAie{"Statistica classi", ClassicR698},
    ClassStatAnarpe{"Statistica classi", ClassicA003};
constexpr RecordLayout ClassicAdoptionAie{"Adozione", ClassicR815},
    ClassicAdoptionAnarpe{"Adozione", ClassicA004};

using TR = TrailerRule;
using BW = BodyWriterKind;

// The file sets: one row per file, in file-index order. The registry file is
// written from the working dataset as edited; every other file with a packet
// loads it.
// {file, packet, header, body, trailer, trailer count, reloads, body writer}
constexpr std::array<FileLayout, 4> CurrentAie = {{
    {"File014.txt", "Body014.xml", &AieFirstHeader, &SchoolAie, &AieTrailer, TR::AtLeastLines, false,
     BW::SchoolPerCode},
    {"File622.txt", "Body622.xml", &AieHeader, &ClassAie, &AieTrailer, TR::Lines, true, BW::Class},
    {"File815.txt", "Body815.xml", &AieHeader, &AdoptionAie, &AieTrailer, TR::Lines, true, BW::Adoption},
    {"File815E.txt", "Body815E.xml", &AieHeader, &AdoptionExtAie, &AieTrailer, TR::Lines, true, BW::Adoption},
}};
constexpr std::array<FileLayout, 4> CurrentAnarpe = {{
    {"Adoz001.txt", "Body014.xml", &AnarpeHeader, &SchoolAnarpe, &AnarpeTrailer, TR::AtLeastLines, false,
     BW::SchoolPerCode},
    {"Adoz002.txt", "Body622.xml", &AnarpeHeader, &ClassAnarpe, &AnarpeTrailer, TR::Lines, true, BW::Class},
    {"Adoz003.txt", "Body815.xml", &AnarpeHeader, &AdoptionAnarpe, &AnarpeTrailer, TR::Lines, true,
     BW::Adoption},
    {"Adoz004.txt", "Body815E.xml", &AnarpeHeader, &AdoptionExtAnarpe, &AnarpeTrailer, TR::Lines, true,
     BW::Adoption},
}};
// The earlier edition writes one school record per registry row, so its
// school file counts its lines; its fifth AIE file has no packet and no body.
constexpr std::array<FileLayout, 5> ClassicAie = {{
    {"File014.txt", "Body014.xml", &ClassicFirstHeader, &ClassicSchoolAie, &AieTrailer, TR::Lines, false,
     BW::SchoolPerRow},
    {"File622.txt", "Body622.xml", &AieHeader, &ClassicClassAie, &AieTrailer, TR::Lines, true,
     BW::ClassWithScan},
    {"File698.txt", "Body698.xml", &AieHeader, &ClassStatAie, &AieTrailer, TR::SchoolsPlusTwo, true,
     BW::ClassStatistics},
    {"File815.txt", "Body815.xml", &AieHeader, &ClassicAdoptionAie, &AieTrailer, TR::Lines, true,
     BW::AdoptionOneFlag},
    {"File815E.txt", "", &ClassicLastHeader, nullptr, &AieTrailer, TR::Lines, false, BW::None},
}};
constexpr std::array<FileLayout, 4> ClassicAnarpe = {{
    {"Adoz001.txt", "Body014.xml", &AnarpeHeader, &ClassicSchoolAnarpe, &AnarpeTrailer, TR::Lines, false,
     BW::SchoolPerRow},
    {"Adoz002.txt", "Body622.xml", &AnarpeHeader, &ClassicClassAnarpe, &AnarpeTrailer, TR::Lines, true,
     BW::ClassWithScan},
    {"Adoz003.txt", "Body698.xml", &AnarpeHeader, &ClassStatAnarpe, &AnarpeTrailer, TR::SchoolsPlusTwo, true,
     BW::ClassStatistics},
    {"Adoz004.txt", "Body815.xml", &AnarpeHeader, &ClassicAdoptionAnarpe, &AnarpeTrailer, TR::Lines, true,
     BW::AdoptionOneFlag},
}};

// --- Checking ---

bool IsDigit(char C) {
    return C >= '0' && C <= '9';
}

bool AllBlank(std::string_view S) {
    return std::all_of(S.begin(), S.end(), [](char C) { return C == ' '; });
}

// Index of the first byte where A and B differ, within the shorter of them;
// npos when one is a prefix of the other.
std::size_t FirstDifference(std::string_view A, std::string_view B) {
    const std::size_t N = std::min(A.size(), B.size());
    for (std::size_t I = 0; I < N; ++I)
        if (A[I] != B[I]) return I;
    return std::string_view::npos;
}

// The value of a right-justified number ("  12"); -1 when it is not one.
long long NumberValue(std::string_view S) {
    std::size_t I = 0;
    while (I < S.size() && S[I] == ' ') ++I;
    if (I == S.size()) return -1;
    long long Value = 0;
    for (; I < S.size(); ++I) {
        if (!IsDigit(S[I]) || Value > 1'000'000'000'000LL) return -1;
        Value = Value * 10 + (S[I] - '0');
    }
    return Value;
}

bool IsDate(std::string_view S) {
    if (S.size() != 8 || !std::all_of(S.begin(), S.end(), IsDigit)) return false;
    const int Day = (S[0] - '0') * 10 + (S[1] - '0');
    const int Month = (S[2] - '0') * 10 + (S[3] - '0');
    return Day >= 1 && Day <= 31 && Month >= 1 && Month <= 12;
}

std::string Quoted(std::string_view S) {
    return "\"" + std::string(S) + "\"";
}

// One layout with what every line needs of it, worked out once per file.
struct PreparedLayout {
    explicit PreparedLayout(const RecordLayout* L)
        : Layout(L), Fixed(L ? L->FixedLength() : 0), Var(L ? L->VariableField() : -1) {}
    const RecordLayout* Layout;
    std::size_t Fixed;
    int Var;
};

bool Split(const PreparedLayout& P, std::string_view Line, std::vector<FieldSpan>& Out) {
    Out.clear();
    const bool Fits = P.Var >= 0 ? Line.size() >= P.Fixed : Line.size() == P.Fixed;
    const std::size_t VarLength = P.Var >= 0 && Line.size() >= P.Fixed ? Line.size() - P.Fixed : 0;
    std::size_t Offset = 0;
    for (std::size_t I = 0; I < P.Layout->Fields.size(); ++I) {
        const std::size_t Length =
            static_cast<int>(I) == P.Var ? VarLength : static_cast<std::size_t>(P.Layout->Fields[I].Width);
        if (Offset > Line.size() || (Offset == Line.size() && Length > 0)) break;
        Out.push_back({Offset, std::min(Length, Line.size() - Offset)});
        Offset += Length;
    }
    return Fits;
}

class FileChecker {
public:
    FileChecker(const FileLayout& File, const std::function<void(RecordFault)>& Each)
        : FFile(File), FHeader(File.Header), FBody(File.Body), FTrailer(File.Trailer), FEach(Each) {
        FSpans.reserve(32);
        if (!FBody.Layout || FBody.Var >= 0) return;
        std::size_t Offset = 0;
        for (std::size_t I = 0; I < FBody.Layout->Fields.size(); ++I) {
            const auto Width = static_cast<std::size_t>(FBody.Layout->Fields[I].Width);
            FBodySpans.push_back({Offset, Width});
            if (I > 0 && FBody.Layout->Fields[I].Content != FieldContent::Text) FBodyChecked.push_back(I);
            Offset += Width;
        }
    }

    void Run(std::string_view Bytes) { Feed(Bytes, true); }
    // Checks the lines at the start of Bytes, the file's next bytes; with
    // Final they are the file's last ones. Returns how many bytes it took:
    // without Final a line is taken only once its end and the start of the
    // line after it are there, because the last line is checked as the
    // trailer; the rest comes again, with the bytes that follow.
    std::size_t Feed(std::string_view Bytes, bool Final);
    // Checks the first line; false when its record code is wrong.
    bool CheckHeader(std::string_view Line);

private:
    void Fault(long long Column, std::string_view Field, std::string What) {
        FEach({FLine, Column, std::string(Field), std::move(What)});
    }
    // Checks one line against a layout; false when its record code is wrong.
    bool CheckLine(const PreparedLayout& P, std::string_view Line);
    // CheckLine with the body's layout: the same faults, found faster.
    bool CheckBodyLine(std::string_view Line);
    // CheckLine once the record code is right.
    bool CheckFields(const PreparedLayout& P, std::string_view Line);
    void CheckField(const LayoutField& F, std::string_view Value, std::size_t Offset, bool Whole);
    void CheckTrailerCount(std::string_view Line);

    const FileLayout& FFile;
    PreparedLayout FHeader, FBody, FTrailer;
    const std::function<void(RecordFault)>& FEach;
    std::vector<FieldSpan> FSpans;
    // A body layout without a variable field: every field's place in a line
    // of the fixed length, and the fields after the code whose content is
    // checked (any text passes).
    std::vector<FieldSpan> FBodySpans;
    std::vector<std::size_t> FBodyChecked;
    long long FLine = 0;
    long long FHeaderSchools = -1; // the header's school count, when it has a valid one
};

std::size_t FileChecker::Feed(std::string_view Bytes, bool Final) {
    if (Bytes.empty()) {
        if (Final && FLine == 0) {
            FLine = 1;
            Fault(1, "", "file vuoto");
        }
        return 0;
    }
    std::size_t Pos = 0;
    while (Pos < Bytes.size()) {
        const char* Begin = Bytes.data() + Pos;
        const std::size_t Left = Bytes.size() - Pos;
        const void* Lf = std::memchr(Begin, '\n', Left);
        if (!Final && Lf == nullptr) return Pos;
        const std::size_t End = Lf ? static_cast<std::size_t>(static_cast<const char*>(Lf) - Begin) : Left;
        // A CR that is not just before an LF ends the line by itself.
        const void* Cr = std::memchr(Begin, '\r', End);
        const std::size_t CrAt = Cr ? static_cast<std::size_t>(static_cast<const char*>(Cr) - Begin) : End;
        const std::string_view Line = Bytes.substr(Pos, CrAt);
        std::size_t Next = Pos + End + 1;
        // Reported after the line's own faults.
        const char* LineEndFault = nullptr;
        if (Cr != nullptr && (CrAt + 1 < End || Lf == nullptr)) {
            LineEndFault = "ritorno a capo (CR) senza LF";
            Next = Pos + CrAt + 1;
        } else if (Cr == nullptr) {
            LineEndFault = Lf ? "manca il ritorno a capo (CR) prima di LF"
                              : "manca il fine riga (CR LF) in fondo al file";
        }
        if (!Final && Next >= Bytes.size()) return Pos;
        ++FLine;
        const auto ReportLineEnd = [&]() {
            if (LineEndFault) Fault(static_cast<long long>(CrAt) + 1, "", LineEndFault);
        };
        const bool Last = Next >= Bytes.size();
        if (FLine == 1) {
            CheckHeader(Line);
        } else if (!Last) {
            if (FBody.Layout)
                CheckBodyLine(Line);
            else
                Fault(1, "", "riga non prevista tra testata e coda");
        } else {
            const bool BodyLine = FBody.Layout && Line.starts_with(FBody.Layout->Code()) &&
                                  !Line.starts_with(FTrailer.Layout->Code());
            if (BodyLine) {
                CheckLine(FBody, Line);
            } else if (CheckLine(FTrailer, Line)) {
                CheckTrailerCount(Line);
            }
            ReportLineEnd();
            if (BodyLine) {
                ++FLine;
                Fault(1, "", "manca la riga di coda");
            }
            return Bytes.size();
        }
        ReportLineEnd();
        Pos = Next;
    }
    // A header alone: the loop checks no line as the trailer.
    if (Final) {
        ++FLine;
        Fault(1, "", "manca la riga di coda");
    }
    return Pos;
}

bool FileChecker::CheckHeader(std::string_view Line) {
    if (FLine == 0) FLine = 1;
    if (!CheckLine(FHeader, Line)) return false;
    const int Count = FHeader.Layout->FieldOf(FieldValue::SchoolCount);
    if (Count >= 0 && static_cast<std::size_t>(Count) < FSpans.size()) {
        const FieldSpan S = FSpans[static_cast<std::size_t>(Count)];
        FHeaderSchools = NumberValue(Line.substr(S.Offset, S.Length));
    }
    return true;
}

bool FileChecker::CheckLine(const PreparedLayout& P, std::string_view Line) {
    const LayoutField& CodeField = P.Layout->Fields.front();
    const std::string_view Expected = CodeField.Source;
    const std::string_view Actual = Line.substr(0, Expected.size());
    if (Actual != Expected) {
        const std::size_t At = FirstDifference(Actual, Expected);
        Fault(static_cast<long long>(At == std::string_view::npos ? Actual.size() : At) + 1, CodeField.Name,
              "codice record " + Quoted(Actual) + " non previsto");
        FSpans.clear();
        return false;
    }
    return CheckFields(P, Line);
}

bool FileChecker::CheckBodyLine(std::string_view Line) {
    // Most lines: the fixed length, so the fields lie where the layout says.
    const PreparedLayout& P = FBody;
    const std::string_view Expected = P.Layout->Fields.front().Source;
    if (P.Var >= 0 || Line.size() != P.Fixed || !Line.starts_with(Expected)) return CheckLine(P, Line);
    for (const std::size_t I : FBodyChecked) {
        const FieldSpan S = FBodySpans[I];
        CheckField(P.Layout->Fields[I], Line.substr(S.Offset, S.Length), S.Offset, true);
    }
    return true;
}

bool FileChecker::CheckFields(const PreparedLayout& P, std::string_view Line) {
    const bool Fits = Split(P, Line, FSpans);
    for (std::size_t I = 1; I < FSpans.size(); ++I) {
        const LayoutField& F = P.Layout->Fields[I];
        const std::size_t Width =
            static_cast<int>(I) == P.Var ? FSpans[I].Length : static_cast<std::size_t>(F.Width);
        CheckField(F, Line.substr(FSpans[I].Offset, FSpans[I].Length), FSpans[I].Offset,
                   FSpans[I].Length == Width);
    }
    if (!Fits) {
        const std::string Size = std::to_string(Line.size());
        const std::string Fixed = std::to_string(P.Fixed);
        if (Line.size() < P.Fixed)
            Fault(static_cast<long long>(Line.size()) + 1, "",
                  "riga troppo corta: " + Size + " caratteri invece di " + (P.Var >= 0 ? "almeno " : "") +
                      Fixed);
        else
            Fault(static_cast<long long>(P.Fixed) + 1, "",
                  "riga troppo lunga: " + Size + " caratteri invece di " + Fixed);
    }
    return true;
}

void FileChecker::CheckField(const LayoutField& F, std::string_view Value, std::size_t Offset, bool Whole) {
    const auto At = [Offset](std::size_t I) { return static_cast<long long>(Offset + I) + 1; };
    switch (F.Content) {
    case FieldContent::Text: return;
    case FieldContent::Constant: {
        const std::size_t Diff = FirstDifference(Value, F.Source);
        if (Diff != std::string_view::npos)
            Fault(At(Diff), F.Name, AllBlank(F.Source) ? "atteso solo spazi" : "atteso " + Quoted(F.Source));
        return;
    }
    case FieldContent::Number: {
        std::size_t I = 0;
        while (I < Value.size() && Value[I] == ' ') ++I;
        if (I == Value.size()) {
            // Only the first-adoption year is blank when the year is not recorded.
            if (Whole && F.Value != FieldValue::FirstAdoptionYear) Fault(At(0), F.Name, "vuoto");
            return;
        }
        for (; I < Value.size(); ++I) {
            if (!IsDigit(Value[I])) {
                Fault(At(I), F.Name, "non numerico");
                return;
            }
        }
        return;
    }
    case FieldContent::Date:
        // The parameter file's date is empty when it could not be read.
        if (Whole && !(F.Pad == FieldPad::Variable && Value.empty()) && !IsDate(Value))
            Fault(At(0), F.Name, "data non valida");
        return;
    }
}

void FileChecker::CheckTrailerCount(std::string_view Line) {
    const int Index = FTrailer.Layout->FieldOf(FieldValue::LineCount);
    if (Index < 0 || static_cast<std::size_t>(Index) >= FSpans.size()) return;
    const FieldSpan S = FSpans[static_cast<std::size_t>(Index)];
    const std::string_view Text = Line.substr(S.Offset, S.Length);
    const long long Count = NumberValue(Text);
    if (Count < 0 || S.Length != static_cast<std::size_t>(FTrailer.Layout->Fields[Index].Width)) return;
    const std::string_view Name = FTrailer.Layout->Fields[static_cast<std::size_t>(Index)].Name;
    const auto Expect = [&](long long Expected) {
        if (Count == Expected) return;
        std::string ExpectedText = std::to_string(Expected);
        ExpectedText.insert(0, Text.size() > ExpectedText.size() ? Text.size() - ExpectedText.size() : 0,
                            ' ');
        const std::size_t Diff = FirstDifference(Text, ExpectedText);
        Fault(static_cast<long long>(S.Offset + (Diff == std::string_view::npos ? 0 : Diff)) + 1, Name,
              "conteggio " + std::to_string(Count) + " invece di " + std::to_string(Expected));
    };
    switch (FFile.Count) {
    case TrailerRule::Lines: Expect(FLine); return;
    case TrailerRule::AtLeastLines:
        if (Count < FLine) {
            const std::size_t First = Text.find_first_not_of(' ');
            Fault(static_cast<long long>(S.Offset + First) + 1, Name,
                  "conteggio " + std::to_string(Count) + " inferiore alle " + std::to_string(FLine) +
                      " righe del file");
        }
        return;
    case TrailerRule::SchoolsPlusTwo:
        // Without a school count in the header (ANARPE) nothing ties the count to the file.
        if (FHeaderSchools >= 0) Expect(FHeaderSchools + 2);
        return;
    }
}

// Whether Line is a clean header of File.
bool HeaderFits(const FileLayout& File, std::string_view Line) {
    bool Clean = true;
    const std::function<void(RecordFault)> Each = [&Clean](const RecordFault&) { Clean = false; };
    FileChecker Checker(File, Each);
    return Checker.CheckHeader(Line) && Clean;
}

std::string_view BaseName(std::string_view Path) {
    const std::size_t Slash = Path.find_last_of("/\\");
    return Slash == std::string_view::npos ? Path : Path.substr(Slash + 1);
}

} // namespace

std::size_t RecordLayout::FixedLength() const {
    std::size_t Length = 0;
    for (const LayoutField& F : Fields) Length += static_cast<std::size_t>(F.Width);
    return Length;
}

int RecordLayout::FieldOf(FieldValue Value) const {
    for (std::size_t I = 0; I < Fields.size(); ++I)
        if (Fields[I].Value == Value && Fields[I].Content != FieldContent::Constant)
            return static_cast<int>(I);
    return -1;
}

int RecordLayout::VariableField() const {
    for (std::size_t I = 0; I < Fields.size(); ++I)
        if (Fields[I].Pad == FieldPad::Variable) return static_cast<int>(I);
    return -1;
}

std::span<const FileLayout> FileLayouts(Edition Ed, std::string_view Target) {
    if (Target == "aie") return Ed == Edition::Current ? std::span<const FileLayout>(CurrentAie) : ClassicAie;
    if (Target == "anarpe")
        return Ed == Edition::Current ? std::span<const FileLayout>(CurrentAnarpe) : ClassicAnarpe;
    return {};
}

long long TrailerCount(const FileLayout& File, long long Rows, long long SchoolCount) {
    switch (File.Count) {
    case TrailerRule::SchoolsPlusTwo: return SchoolCount + 2;
    // The school file's rows are at least its records.
    case TrailerRule::AtLeastLines: return Rows + 2;
    case TrailerRule::Lines: break;
    }
    // The writers of the other files write one record per row.
    return File.Body != nullptr ? Rows + 2 : 2;
}

bool SplitRecord(const RecordLayout& Layout, std::string_view Line, std::vector<FieldSpan>& Out) {
    return Split(PreparedLayout(&Layout), Line, Out);
}

std::vector<RecordFault> CheckRecordFile(const FileLayout& Layout, std::string_view Bytes) {
    std::vector<RecordFault> Faults;
    CheckRecordFile(Layout, Bytes, [&Faults](RecordFault Fault) { Faults.push_back(std::move(Fault)); });
    return Faults;
}

void CheckRecordFile(const FileLayout& Layout, std::string_view Bytes,
                     const std::function<void(RecordFault)>& Each) {
    FileChecker(Layout, Each).Run(Bytes);
}

struct RecordFileCheck::State {
    explicit State(const FileLayout& Layout, std::function<void(RecordFault)> EachFault)
        : Each(std::move(EachFault)), Checker(Layout, Each) {}
    std::function<void(RecordFault)> Each;
    FileChecker Checker;
    // The bytes of a line not yet taken: the last one seen, at least.
    std::string Pending;
};

RecordFileCheck::RecordFileCheck(const FileLayout& Layout, std::function<void(RecordFault)> Each)
    : FState(std::make_unique<State>(Layout, std::move(Each))) {}

RecordFileCheck::~RecordFileCheck() = default;

void RecordFileCheck::Add(std::string_view Bytes) {
    std::string& Pending = FState->Pending;
    // Lines that lie whole in Bytes are checked where they are.
    if (Pending.empty()) {
        const std::size_t Taken = FState->Checker.Feed(Bytes, false);
        Pending.assign(Bytes.substr(Taken));
        return;
    }
    Pending.append(Bytes);
    Pending.erase(0, FState->Checker.Feed(Pending, false));
}

void RecordFileCheck::Finish() {
    FState->Checker.Feed(FState->Pending, true);
    FState->Pending.clear();
}

const FileLayout* RecogniseFile(Edition Ed, std::string_view Bytes, std::string_view FileName) {
    std::span<const FileLayout> Files;
    for (std::string_view Target : {"aie", "anarpe"}) {
        std::span<const FileLayout> Set = FileLayouts(Ed, Target);
        if (Bytes.starts_with(Set.front().Header->Code())) Files = Set;
    }
    const std::string_view Name = BaseName(FileName);
    const auto ByName = [Name](std::span<const FileLayout> Set) -> const FileLayout* {
        for (const FileLayout& F : Set)
            if (SameText(F.FileName, Name)) return &F;
        return nullptr;
    };
    // A file whose header is not recognised can still be named.
    if (Files.empty()) {
        for (std::string_view Target : {"aie", "anarpe"})
            if (const FileLayout* F = ByName(FileLayouts(Ed, Target))) return F;
        return nullptr;
    }
    // The second line's record code tells the body.
    const std::size_t Lf = Bytes.find('\n');
    if (Lf != std::string_view::npos) {
        const std::string_view Second = Bytes.substr(Lf + 1);
        for (const FileLayout& F : Files)
            if (F.Body != nullptr && Second.starts_with(F.Body->Code())) return &F;
    }
    if (const FileLayout* F = ByName(Files)) return F;
    // Without body records only a header of its own (the first file's, the
    // earlier edition's last file's) tells the file.
    std::string_view First = Bytes.substr(0, Lf == std::string_view::npos ? Bytes.size() : Lf);
    if (First.ends_with('\r')) First.remove_suffix(1);
    const FileLayout* Match = nullptr;
    for (const FileLayout& F : Files) {
        if (F.Header == Files[1].Header || !HeaderFits(F, First)) continue;
        if (Match != nullptr) return nullptr;
        Match = &F;
    }
    return Match;
}

} // namespace txad
