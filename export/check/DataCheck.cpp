#include "export/check/DataCheck.h"
#include "export/records/Packets.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <exception>
#include <filesystem>
#include <iterator>
#include <memory>

#include "dataset/ClientDataSet.h"
#include "export/records/RecordFields.h"
#include "export/run/FileSink.h"
#include "platform/Platform.h"
#include "support/VxExceptions.h"
#include "support/VxStrUtils.h"

// The program's own version, set by the build from the project version;
// without it the program has no version and the text is empty.
#ifndef ADOX_VERSION
#define ADOX_VERSION ""
#endif

namespace txad {

namespace {

const std::string kRule(78, '=');

// Texts of the report, CP1252 ("\xF2" is the o with grave accent).
constexpr std::string_view kTitle = "VERIFICA DEI DATI ESPORTATI                   ";
constexpr std::string_view kVersionLabel = "Versione procedura : ";
constexpr std::string_view kIntro1 = "Questa operazione controlla i dati esportati e segnala la";
constexpr std::string_view kIntro2 = "mancanza di eventuali dati obbligatori";
constexpr std::string_view kNoAnomalies = "Nessuna anomalia rilevata.";

constexpr std::string_view kSchoolTypeMsg = "Specializzazione/sperimentazione non valido per il tipo scuola ";
constexpr std::string_view kOfClass = " della classe: ";
constexpr std::string_view kCodeMsg = "Codice specializzazione/sperimentazione non valido per la classe: ";

constexpr std::string_view kAdoptionHeading = "Combinazione non valida per la classe: ";
constexpr std::string_view kSchoolCode = " Codice scuola: ";
constexpr std::string_view kAdoption = " adozione: ";

constexpr std::string_view kOutOfCatalogue =
    "- l'adozione di un libro fuori catalogo AIE non pu\xF2 essere DA ACQUISTARE ma solo IN POSSESSO";
constexpr std::string_view kInUseFirstYear =
    "- l'adozione non pu\xF2 essere in uso per l'anno di prima adozione ";
constexpr std::string_view kNotInUseNotOwnedAdvised =
    "- l'adozione non in uso e non in possesso non pu\xF2 essere consigliata per l'anno di prima adozione ";
constexpr std::string_view kNotInUseOwnedNotAdvised =
    "- l'adozione non in uso ed in possesso deve essere consigliata per l'anno di prima adozione ";
constexpr std::string_view kNotInUseOwned =
    "- l'adozione non in uso deve essere anche non in possesso per l'anno di prima adozione ";
constexpr std::string_view kInUseNotOwnedAdvised =
    "- l'adozione in uso e non in possesso non pu\xF2 essere consigliata per l'anno di prima adozione ";

// The order of the adoption blocks in the report.
const std::string kAdoptionOrder = "ANNOCORSO;SEZIONE;ISBN";

constexpr std::string_view kNoYear = "0";
constexpr std::string_view kOutOfCatalogueMark = "F";
constexpr std::string_view kTypeFirstYears = "NO"; // the only type of years 1 and 2
constexpr std::string_view kTypeLaterYears = "NT"; // the only type of years 3 to 6

// A field looked up once per pass. A field the packet lacks raises the
// dataset's "Field '<name>' not found" only when a rule first reads it, so
// the report keeps every line that came before, row by row.
class CheckField {
public:
    CheckField(TClientDataSet& ds, const char* name)
        : FDataSet(ds), FName(name), FField(ds.FindField(name)) {}

    std::string_view Text() { return Field().AsText(); }
    int Integer() { return Field().AsInteger(); }

private:
    const TField& Field() {
        if (!FField.Valid()) FField = FDataSet.FieldByName(FName);
        return FField;
    }

    TClientDataSet& FDataSet;
    const char* FName;
    TField FField;
};

// An integer field of the current row, read at most once and only when a
// rule needs it: a conversion error comes from the first rule that reads it.
class RowInteger {
public:
    explicit RowInteger(CheckField& field) : FField(field) {}
    void Reset() { FRead = false; }
    int Get() {
        if (!FRead) {
            FValue = FField.Integer();
            FRead = true;
        }
        return FValue;
    }

private:
    CheckField& FField;
    int FValue = 0;
    bool FRead = false;
};

// School codes holding one of these are exempt from the school-type rules.
constexpr std::string_view kExemptParts[] = {"MM", "1M", "EE", "1E"};

bool HasExemptCode(std::string_view code) {
    for (std::string_view part : kExemptParts)
        if (code.find(part) != std::string_view::npos) return true;
    return false;
}

// An unambiguous key for a pair of texts: the first's length, then both.
void PairKey(std::string& key, std::string_view first, std::string_view second) {
    const auto length = static_cast<uint32_t>(first.size());
    key.assign(reinterpret_cast<const char*>(&length), sizeof length);
    key.append(first);
    key.append(second);
}

} // namespace

DataCheck::DataCheck(std::string dataDir, DataCheckDataSets dataSets, std::string versionText,
                     const platform::LocalDateTime& now)
    : FDataDir(std::move(dataDir)), FSets(dataSets), FVersionText(std::move(versionText)), FNow(now) {}

void DataCheck::Run(std::vector<std::string>& lines) {
    FPairsLoaded = false;
    FValidPairs.clear();
    FFound = 0;
    AppendHeader(lines);

    const std::vector<std::string>& names = Packets();
    FSets.File622.LoadFromFile(FDataDir + names[0]);
    FSets.CodSpecSper.LoadFromFile(FDataDir + names[1]);
    CheckClasses(lines);

    FSets.File815.LoadFromFile(FDataDir + names[2]);
    CheckAdoptions(FSets.File815, true, lines);

    FSets.File815E.LoadFromFile(FDataDir + names[3]);
    CheckAdoptions(FSets.File815E, false, lines);

    // A clean check says so rather than leaving an empty frame.
    if (FFound == 0) {
        lines.emplace_back(kNoAnomalies);
        lines.emplace_back();
    }
    lines.push_back(kRule);
}

const std::vector<std::string>& DataCheck::Packets() {
    static const std::vector<std::string> names = {
        std::string(PacketFile(Packet::Classes)), std::string(PacketFile(Packet::Specialisations)),
        std::string(PacketFile(Packet::Adoptions)), std::string(PacketFile(Packet::AdoptionExtensions))};
    return names;
}

void DataCheck::AppendHeader(std::vector<std::string>& lines) const {
    char stamp[64];
    std::snprintf(stamp, sizeof stamp, "%02d-%02d-%04d %02d:%02d", FNow.Day, FNow.Month, FNow.Year, FNow.Hour,
                  FNow.Minute);
    lines.push_back(std::string(kTitle) + stamp);
    lines.emplace_back();
    lines.push_back(std::string(kVersionLabel) + FVersionText);
    lines.push_back(kRule);
    lines.emplace_back(kIntro1);
    lines.emplace_back(kIntro2);
    lines.push_back(kRule);
    lines.emplace_back();
}

// The table of valid pairs is read once, when the first pair is looked up, so a
// packet lacking a key field fails exactly where a search would.
void DataCheck::LoadValidPairs() {
    TClientDataSet& ds = FSets.CodSpecSper;
    TField special = ds.FieldByName("SSPZSPECIAL");
    TField experimental = ds.FieldByName("SSPZSPERIM");
    FValidPairs.reserve(static_cast<std::size_t>(ds.RecordCount()));
    for (ds.First(); !ds.Eof(); ds.Next()) {
        PairKey(FKey, special.AsText(), experimental.AsText());
        FValidPairs.insert(FKey);
    }
    FPairsLoaded = true;
}

void DataCheck::CheckClasses(std::vector<std::string>& lines) {
    TClientDataSet& ds = FSets.File622;
    CheckField codScuola(ds, "CODSCUOLA");
    CheckField annoCorso(ds, "ANNOCORSO");
    CheckField tipoScuola(ds, "TIPOSCUOLA");
    CheckField sezione(ds, "SEZIONE");
    CheckField codSpc(ds, "CODSPC");
    CheckField codSpr(ds, "CODSPR");

    auto addClassLine = [&](std::string_view message, bool withType) {
        ++FFound;
        std::string line(message);
        if (withType) {
            line.append(tipoScuola.Text());
            line.append(kOfClass);
        }
        line.append(annoCorso.Text());
        line.append(sezione.Text());
        lines.push_back(std::move(line));
        lines.emplace_back();
    };

    for (ds.First(); !ds.Eof(); ds.Next()) {
        // The school type: "NO" for years 1 and 2, "NT" for years 3 to 6; the
        // year is read only for codes not exempt.
        if (!HasExemptCode(codScuola.Text())) {
            const int year = annoCorso.Integer();
            const bool firstYears = year == 1 || year == 2, laterYears = year >= 3 && year <= 6;
            if ((firstYears && tipoScuola.Text() != kTypeFirstYears) ||
                (laterYears && tipoScuola.Text() != kTypeLaterYears))
                addClassLine(kSchoolTypeMsg, true);
        }
        // The CODSPC / CODSPR pair must be in the table of valid pairs.
        const std::string_view spc = codSpc.Text(), spr = codSpr.Text();
        if (!FPairsLoaded) LoadValidPairs();
        PairKey(FKey, spc, spr);
        if (!FValidPairs.contains(FKey)) addClassLine(kCodeMsg, false);
    }
}

void DataCheck::CheckAdoptions(TClientDataSet& ds, bool outOfCatalogueRule, std::vector<std::string>& lines) {
    // The report lists adoptions by class. Rows are checked in stored order and
    // only those with something to report are put in class order, which spares
    // ordering the whole packet; the report ends at the first row in class
    // order whose check fails, with that row's lines before the failure.
    const TClientDataSet::IndexOrder byClass(ds, kAdoptionOrder);
    CheckField fuoriCat(ds, "fuoricat");
    CheckField inPossessoField(ds, "InPossesso");
    CheckField inUsoField(ds, "InUso");
    CheckField approfondimentoField(ds, "ConsigliatoApprofondimento");
    CheckField monografiaField(ds, "ConsigliatoMonografia");
    CheckField annoPrimaAdoz(ds, "AnnoPrimaAdoz");
    CheckField annoCorso(ds, "ANNOCORSO");
    CheckField sezione(ds, "SEZIONE");
    CheckField codScuola(ds, "CODSCUOLA");
    CheckField isbn(ds, "ISBN");
    RowInteger inPossesso(inPossessoField);
    RowInteger inUso(inUsoField);
    RowInteger approfondimento(approfondimentoField);
    RowInteger monografia(monografiaField);

    std::vector<std::string> rowLines;
    auto addBlock = [&](std::string_view reason, bool withYear) {
        ++FFound;
        std::string heading(kAdoptionHeading);
        heading.append(annoCorso.Text());
        heading.append(sezione.Text());
        heading.append(kSchoolCode);
        heading.append(codScuola.Text());
        heading.append(kAdoption);
        heading.append(isbn.Text());
        std::string reasonLine(reason);
        if (withYear) reasonLine.append(annoPrimaAdoz.Text());
        rowLines.push_back(std::move(heading));
        rowLines.push_back(std::move(reasonLine));
        rowLines.emplace_back();
    };
    auto advised = [&] { return approfondimento.Get() == 1 || monografia.Get() == 1; };
    auto notAdvised = [&] { return approfondimento.Get() == 0 && monografia.Get() == 0; };

    auto checkRow = [&] {
        inPossesso.Reset();
        inUso.Reset();
        approfondimento.Reset();
        monografia.Reset();

        if (outOfCatalogueRule && fuoriCat.Text() == kOutOfCatalogueMark && inPossesso.Get() == 0)
            addBlock(kOutOfCatalogue, false);

        const std::string_view year = annoPrimaAdoz.Text();
        if (year == kNoYear) return;
        std::string_view reason;
        if (year == txad::CampaignYear) {
            if (inUso.Get() == 1)
                reason = kInUseFirstYear;
            else if (inPossesso.Get() == 0 && advised())
                reason = kNotInUseNotOwnedAdvised;
            else if (inPossesso.Get() == 1 && notAdvised())
                reason = kNotInUseOwnedNotAdvised;
        } else if (inUso.Get() == 0) {
            if (inPossesso.Get() != 0)
                reason = kNotInUseOwned;
            else if (advised())
                reason = kNotInUseNotOwnedAdvised;
        } else if (inUso.Get() == 1 && inPossesso.Get() == 0 && advised()) {
            reason = kInUseNotOwnedAdvised;
        }
        if (!reason.empty()) addBlock(reason, true);
    };

    struct Finding {
        int Position;
        std::vector<std::string> Lines;
        std::exception_ptr Error;
    };
    std::vector<Finding> findings;
    std::size_t firstFailure = 0; // in class order, valid while failed
    bool failed = false;
    for (ds.First(); !ds.Eof(); ds.Next()) {
        const int position = ds.RecNo();
        // A row after the first failure in class order never reaches the report.
        if (failed && !byClass.Before(position, findings[firstFailure].Position)) continue;
        rowLines.clear();
        std::exception_ptr error;
        try {
            checkRow();
        } catch (...) {
            error = std::current_exception();
        }
        if (rowLines.empty() && !error) continue;
        findings.push_back({position, std::move(rowLines), error});
        rowLines = {};
        if (error) {
            failed = true;
            firstFailure = findings.size() - 1;
        }
    }
    std::sort(findings.begin(), findings.end(),
              [&](const Finding& a, const Finding& b) { return byClass.Before(a.Position, b.Position); });
    for (Finding& f : findings) {
        lines.insert(lines.end(), std::make_move_iterator(f.Lines.begin()),
                     std::make_move_iterator(f.Lines.end()));
        if (f.Error) std::rethrow_exception(f.Error);
    }
}

std::string ProcedureVersionText(std::string_view version) {
    std::string numbers;
    int parts = 0;
    std::size_t pos = 0;
    while (parts < 3 && pos < version.size()) {
        std::size_t end = version.find('.', pos);
        if (end == std::string_view::npos) end = version.size();
        std::string_view part = version.substr(pos, end - pos);
        while (part.size() > 1 && part.front() == '0') part.remove_prefix(1);
        if (parts > 0) numbers += '.';
        numbers.append(part);
        ++parts;
        pos = end + 1;
    }
    if (numbers.empty()) return {};
    return "Versione: " + numbers;
}

std::string GetProcedureVersion() {
    return ProcedureVersionText(ADOX_VERSION);
}

std::string WriteAnomalyLog(const std::string& dataDir, const std::vector<std::string>& lines) {
    std::string path = dataDir + "Log.txt";
    // Only a file takes the name: a link planted there is not followed, and a
    // FIFO or a device is never opened (it could block or swallow the report).
    std::error_code ec;
    const auto type = std::filesystem::symlink_status(platform::FsPath(path), ec).type();
    const bool replaceable =
        type == std::filesystem::file_type::not_found || type == std::filesystem::file_type::regular;
    // Written beside the old log and renamed over it, as the record files are.
    const std::unique_ptr<FileSink> sink =
        replaceable ? FileSink::Create(path, "Error writing file %s") : nullptr;
    if (!sink) {
        const int reason = replaceable                                     ? errno
                           : type == std::filesystem::file_type::directory ? EISDIR
                                                                           : EINVAL;
        throw EVxError("Cannot create file " + PathText(path), reason);
    }
    std::string text;
    for (const std::string& line : lines) text.append(line).append("\r\n");
    sink->Write(text);
    sink->Close();
    return path;
}

} // namespace txad
