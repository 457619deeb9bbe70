// adox-gen: writes a school's data folder of client-dataset XML packets, of any
// size, for the demo, the tests and the benchmarks. The same seed and options
// always give the same bytes.

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace {

// splitmix64: the standard distributions are implementation-defined, and the
// output must not change with the compiler.
class Rng {
public:
    explicit Rng(uint64_t seed) : FState(seed) {}
    uint64_t Next() {
        uint64_t z = (FState += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    uint32_t Below(std::size_t n) { return static_cast<uint32_t>(((Next() >> 32) * n) >> 32); }
    int Range(int lo, int hi) {
        return lo + static_cast<int>(Below(static_cast<std::size_t>(static_cast<long long>(hi) - lo + 1)));
    }
    bool Chance(double p) { return static_cast<double>(Next() >> 11) * 0x1.0p-53 < p; }
    template <class T>
    const T& Pick(const std::vector<T>& v) {
        return v[Below(v.size())];
    }

private:
    uint64_t FState;
};

// UTF-8 (the generator's tables) to CP1252 bytes (the packets' text).
std::string Ansi(std::string_view u) {
    struct Extra {
        uint32_t Cp;
        char Byte;
    };
    static constexpr Extra kExtra[] = {{0x20AC, '\x80'}, {0x2018, '\x91'}, {0x2019, '\x92'},
                                       {0x201C, '\x93'}, {0x201D, '\x94'}, {0x2013, '\x96'},
                                       {0x2014, '\x97'}, {0x2026, '\x85'}};
    std::string out;
    out.reserve(u.size());
    for (std::size_t i = 0; i < u.size();) {
        const auto c = static_cast<unsigned char>(u[i]);
        uint32_t cp = c;
        std::size_t len = 1;
        if (c >= 0xE0 && i + 2 < u.size()) {
            cp = ((c & 0x0Fu) << 12) | ((static_cast<unsigned char>(u[i + 1]) & 0x3Fu) << 6) |
                 (static_cast<unsigned char>(u[i + 2]) & 0x3Fu);
            len = 3;
        } else if (c >= 0xC0 && i + 1 < u.size()) {
            cp = ((c & 0x1Fu) << 6) | (static_cast<unsigned char>(u[i + 1]) & 0x3Fu);
            len = 2;
        }
        i += len;
        if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) {
            out += static_cast<char>(cp);
            continue;
        }
        char b = '?';
        for (const Extra& e : kExtra)
            if (e.Cp == cp) b = e.Byte;
        out += b;
    }
    return out;
}

std::string XmlEscape(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (char c : s) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&apos;"; break;
        default: out += c;
        }
    }
    return out;
}

// An attribute value ready to write: CP1252, escaped.
std::string Val(std::string_view utf8) {
    return XmlEscape(Ansi(utf8));
}

std::vector<std::string> Vals(std::initializer_list<std::string_view> utf8) {
    std::vector<std::string> out;
    out.reserve(utf8.size());
    for (std::string_view s : utf8) out.push_back(Val(s));
    return out;
}

struct Field {
    std::string_view Name;
    std::string_view Type;
    int Width;              // 0: no WIDTH attribute
    std::string_view Extra; // further FIELD attributes, written as they are
};

// Streams one packet: the metadata, then rows, all on one line as the suite
// writes them. Values passed to attr() are already escaped.
class PacketWriter {
public:
    PacketWriter(const std::filesystem::path& file, std::span<const Field> fields, std::string_view params)
        : FName(file.string()), FBuf(1 << 20) {
        FFile = std::fopen(FName.c_str(), "wb");
        if (!FFile) throw std::runtime_error("cannot create " + FName);
        Put("<?xml version=\"1.0\" standalone=\"yes\"?>  <DATAPACKET Version=\"2.0\"><METADATA><FIELDS>");
        for (const Field& f : fields) {
            Put("<FIELD attrname=\"");
            Put(f.Name);
            Put("\" fieldtype=\"");
            Put(f.Type);
            Put("\"");
            if (f.Width > 0) {
                Put(" WIDTH=\"");
                PutInt(f.Width);
                Put("\"");
            }
            if (!f.Extra.empty()) {
                Put(" ");
                Put(f.Extra);
            }
            Put("/>");
        }
        Put("</FIELDS>");
        Put(params);
        Put("</METADATA><ROWDATA>");
    }
    PacketWriter(const PacketWriter&) = delete;
    PacketWriter& operator=(const PacketWriter&) = delete;
    ~PacketWriter() {
        if (FFile) std::fclose(FFile);
    }

    void Row() { Put("<ROW"); }
    void EndRow() {
        Put("/>");
        ++FRows;
    }
    void Attr(std::string_view name, std::string_view escaped) {
        Put(" ");
        Put(name);
        Put("=\"");
        Put(escaped);
        Put("\"");
    }
    void Attr(std::string_view name, int64_t v) {
        Put(" ");
        Put(name);
        Put("=\"");
        PutInt(v);
        Put("\"");
    }
    int64_t Rows() const { return FRows; }

    void Close() {
        Put("</ROWDATA></DATAPACKET>\r\n");
        Flush();
        const int rc = std::fclose(FFile);
        FFile = nullptr;
        if (rc != 0) throw std::runtime_error("cannot write " + FName);
    }

private:
    void Put(std::string_view s) {
        if (s.size() > FBuf.size() - FBuffered) Flush();
        if (s.size() > FBuf.size()) {
            Write(s.data(), s.size());
            return;
        }
        std::memcpy(FBuf.data() + FBuffered, s.data(), s.size());
        FBuffered += s.size();
    }
    void PutInt(int64_t v) {
        char tmp[24];
        const auto r = std::to_chars(tmp, tmp + sizeof tmp, v);
        Put(std::string_view(tmp, static_cast<std::size_t>(r.ptr - tmp)));
    }
    void Flush() {
        Write(FBuf.data(), FBuffered);
        FBuffered = 0;
    }
    void Write(const char* p, std::size_t n) {
        if (n && std::fwrite(p, 1, n, FFile) != n) throw std::runtime_error("cannot write " + FName);
    }

    std::string FName;
    std::FILE* FFile = nullptr;
    std::vector<char> FBuf;
    std::size_t FBuffered = 0;
    int64_t FRows = 0;
};

// ---- Reference tables ------------------------------------------------------

struct SpecPair {
    std::string_view Spc, Spr, Descr;
};
// The valid pairs of specialisation and experimentation codes (COD_SPECSPER.xml).
constexpr SpecPair kPairs[] = {
    {"SMI000", "000000", "Secondaria di I grado - tempo normale"},
    {"SMI000", "TEMPOP", "Secondaria di I grado - tempo prolungato"},
    {"SMI000", "MUSICA", "Secondaria di I grado - indirizzo musicale"},
    {"PRI000", "000000", "Primaria - tempo normale"},
    {"PRI000", "TEMPOP", "Primaria - tempo pieno"},
    {"LI0200", "000000", "Liceo scientifico"},
    {"LI0300", "000000", "Liceo scientifico - opzione scienze applicate"},
    {"LI0100", "000000", "Liceo classico"},
    {"IT0100", "000000", "Amministrazione, finanza e marketing"},
    {"IT0400", "000000", "Turismo"},
    {"IT1300", "000000", "Informatica e telecomunicazioni"},
    {"IT0900", "000000", "Meccanica, meccatronica ed energia"},
    {"IP0200", "000000", "Manutenzione e assistenza tecnica"},
    {"IP0700", "000000", "Servizi per l'enogastronomia e l'ospitalità alberghiera"},
    {"LI1100", "000000", "Liceo delle scienze umane"},
    {"LI1200", "000000", "Scienze umane - opzione economico-sociale"},
    {"LI0500", "000000", "Liceo artistico - arti figurative"},
    {"LI0600", "000000", "Liceo artistico - architettura e ambiente"},
    {"LI0400", "000000", "Liceo linguistico"},
    {"LI0200", "ESABAC", "Liceo scientifico - percorso EsaBac"},
    {"IT0100", "SERALE", "Amministrazione, finanza e marketing - corso serale"},
    {"LI0700", "000000", "Liceo musicale e coreutico"},
};

struct SchoolType {
    std::string_view Code;  // letters 3-4 of the school code
    std::string_view Descr; // UTF-8
    int Years;
    std::string_view Tipo; // TipoScuola; empty for upper secondary: "NO" years 1-2, "NT" after
    std::vector<int> Pairs;
    int Weight;
    std::string_view MainType; // letters of the main site's code; empty: the school's own
};

const std::vector<SchoolType>& Types() {
    static const std::vector<SchoolType> types = {
        {"MM", "Scuola Secondaria di I grado", 3, "MM", {0, 1, 2}, 30, "IC"},
        {"EE", "Scuola Primaria", 5, "EE", {3, 4}, 22, "IC"},
        {"1M", "Scuola Secondaria di I grado Paritaria", 3, "MM", {0}, 3, ""},
        {"1E", "Scuola Primaria Paritaria", 5, "EE", {3}, 3, ""},
        {"PS", "Liceo Scientifico Statale", 5, "", {5, 6, 19}, 12, "IS"},
        {"PC", "Liceo Classico Statale", 5, "", {7}, 5, ""},
        {"TD", "Istituto Tecnico Economico", 5, "", {8, 9, 20}, 8, "IS"},
        {"TF", "Istituto Tecnico Tecnologico", 5, "", {10, 11}, 7, "IS"},
        {"RI", "Istituto Professionale per l'Industria e l'Artigianato", 5, "", {12, 13}, 4, "IS"},
        {"PM", "Liceo delle Scienze Umane", 5, "", {14, 15}, 3, ""},
        {"SL", "Liceo Artistico Statale", 5, "", {16, 17}, 3, "IS"},
    };
    return types;
}

struct Town {
    std::string_view Prov, Comune, Cap, Prefix;
};
constexpr Town kTowns[] = {
    {"RM", "Roma", "00141", "06"},
    {"RM", "Tivoli", "00019", "0774"},
    {"MI", "Milano", "20121", "02"},
    {"FC", "Forlì", "47121", "0543"},
    {"CN", "Mondovì", "12084", "0174"},
    {"LE", "Nardò", "73048", "0833"},
    {"AG", "Canicattì", "92024", "0922"},
    {"CO", "Cantù", "22063", "031"},
    {"TO", "Ciriè", "10073", "011"},
    {"TO", "Torino", "10121", "011"},
    {"NA", "Napoli", "80121", "081"},
    {"FI", "Firenze", "50121", "055"},
    {"BO", "Bologna", "40121", "051"},
    {"PA", "Palermo", "90121", "091"},
    {"VE", "San Donà di Piave", "30027", "0421"},
    {"AQ", "L'Aquila", "67100", "0862"},
    {"CA", "Quartu Sant'Elena", "09045", "070"},
    {"PG", "Città di Castello", "06012", "075"},
    {"BA", "Bari", "70121", "080"},
    {"BG", "Bergamo", "24121", "035"},
    {"TN", "Pergine Valsugana", "38057", "0461"},
    {"SV", "Cairo Montenotte", "17014", "019"},
    {"RC", "Reggio di Calabria", "89121", "0965"},
    {"PD", "Padova", "35121", "049"},
    {"SA", "Nocera Inferiore", "84014", "081"},
    {"CT", "Paternò", "95047", "095"},
    {"TP", "Erice", "91016", "0923"},
    {"MB", "Seregno", "20831", "0362"},
};

// Subjects and their titles; levels: 1 primary, 2 lower secondary, 4 upper secondary.
struct Subject {
    std::string_view Name;
    int Levels;
    std::vector<std::string_view> Titles;
};

const std::vector<Subject>& Subjects() {
    static const std::vector<Subject> subjects = {
        {"SUSSIDIARIO DEI LINGUAGGI", 1, {"Più che parole", "Il mondo delle parole", "Sì, leggere!"}},
        {"SUSSIDIARIO DELLE DISCIPLINE", 1, {"Scopriamo insieme", "Città e civiltà junior", "Esploratori"}},
        {"LINGUA INGLESE", 7, {"English Plus", "Give me five!", "Smart Kids", "Performer B2"}},
        {"RELIGIONE CATTOLICA", 7, {"Le vie della fede", "Tutti i colori della vita"}},
        {"ITALIANO ANTOLOGIA", 2, {"Caffè letterario", "L’isola delle parole", "Leggere è già volare"}},
        {"GRAMMATICA ITALIANA", 6, {"Però che bello!", "Lingua & Letteratura", "Grammatica per tutti"}},
        {"STORIA", 6, {"Perché la storia", "Città e civiltà", "Noi nel tempo"}},
        {"GEOGRAFIA", 6, {"Geo & Tu", "Paesi e città del mondo"}},
        {"MATEMATICA", 6, {"Matematica.blu", "Dai numeri all'algebra", "Contaci!"}},
        {"SCIENZE", 2, {"Osservare e capire la natura", "Scienze: è facile?"}},
        {"TECNOLOGIA", 2, {"Tecnologia oggi", "Progettare & costruire"}},
        {"ARTE E IMMAGINE", 2, {"Noi e l'arte", "L'arte in gioco"}},
        {"MUSICA", 2, {"Musica in gioco", "Crescendo"}},
        {"FRANCESE", 6, {"Découvertes", "Ça marche!"}},
        {"FISICA", 4, {"Il nuovo Amaldi", "La realtà e i modelli", "Fisica: è facile?"}},
        {"CHIMICA", 4, {"Chimica: concetti e modelli", "Dalla materia all'atomo"}},
        {"LINGUA E CULTURA LATINA", 4, {"Verba manent", "Latino & Latinità"}},
        {"LINGUA E CULTURA GRECA", 4, {"Gymnasion", "Ellenikà: il greco antico"}},
        {"FILOSOFIA", 4, {"Pensiero e realtà", "Il gusto di pensare"}},
        {"DIRITTO ED ECONOMIA", 4, {"Il diritto è di tutti", "Economia & Società"}},
        {"INFORMATICA", 4, {"Informatica <code> in classe", "Algoritmi & programmi"}},
        {"STORIA DELL'ARTE", 4, {"Itinerario nell'arte", "Arte: una storia naturale e civile"}},
        {"LINGUA E LETTERATURA ITALIANA E STORIA", 4, {"Letteratura: istruzioni per l'uso"}},
        {"SCIENZE MOTORIE E SPORTIVE", 6, {"Più movimento", "Sport & salute"}},
        {"ATTIVITÀ ALTERNATIVA", 6, {"Cittadini si diventa"}},
    };
    return subjects;
}

struct Tables {
    std::vector<std::string> People = Vals({
        "Niccolò Machiavelli",  "Ugo Foscolo",         "Giosuè Carducci",    "Niccolò Tommaseo",
        "Enrico Fermi",         "Galileo Galilei",     "Leonardo da Vinci",  "Maria Montessori",
        "Gabriele D'Annunzio",  "Luigi Pirandello",    "Italo Calvino",      "Grazia Deledda",
        "Gianni Rodari",        "Dante Alighieri",     "Alessandro Volta",   "Guglielmo Marconi",
        "Cesare Beccaria",      "Emilio Segrè",        "Lorenzo Milani",     "Salvo D'Acquisto",
        "Rita Levi-Montalcini", "Giovanni Pascoli",    "Giuseppe Parini",    "Federico II di Svevia",
        "Nicolò Copernico",     "Papa Giovanni XXIII", "Francesco Petrarca", "Antonio Gramsci",
    });
    std::vector<std::string> Streets = Vals({
        "Via Roma",
        "Via Giosuè Carducci",
        "Piazza della Libertà",
        "Viale dell'Università",
        "Corso Vittorio Emanuele II",
        "Via dei Mille",
        "Largo Niccolò Tommaseo",
        "Via Cà Rossa",
        "Via XX Settembre",
        "Piazza Municipio",
        "Via Fratelli Cervi",
        "Via dell'Artigianato",
        "Via San Nicolò",
        "Via Tre Novembre",
        "Viale della Repubblica",
        "Via Goffredo Mameli",
        "Via Padre Pio da Pietrelcina",
        "Piazzale Santa Lucìa",
        "Via Trieste & Trento",
        "Contrada Cugnà",
    });
    std::vector<std::string> Hamlets = Vals({
        "Località Pian di Scò",
        "Frazione Sant'Andrea",
        "Borgo San Donnino",
        "Località Ca' de' Fabbri",
        "Frazione Santa Maria delle Grazie al Ponte Vecchio",
        "Villaggio Olimpico",
        "Località Poggiolò",
    });
    std::vector<std::string> Surnames = Vals({
        "Rossi",    "Bianchi",  "Cutrì",   "Lucà",    "Pirrò",   "Giampà",   "Mosè",   "Ferrari",
        "Esposito", "Russo",    "Romano",  "Colombo", "Ricci",   "Marino",   "Greco",  "Bruno",
        "Gallo",    "Conti",    "De Luca", "Mancini", "Costa",   "Giordano", "Rizzo",  "Lombardi",
        "Moretti",  "Barbieri", "Fontana", "Santoro", "Mariani", "Rinaldi",  "Caruso", "Ferrara",
        "D'Angelo", "Sciascià", "Falcò",   "Gioè",
    });
    std::vector<std::string> Initials =
        Vals({"A.", "B.", "C.", "D.", "E.", "F.", "G.", "L.", "M.", "N.", "P.", "R.", "S.", "T.", "V."});
    std::vector<std::string> TitleTails = Vals({
        "",
        "",
        "",
        " - Edizione verde",
        " - Con espansione online",
        " - Volume unico",
        " + Quaderno operativo",
        " - Edizione 2021 con Atlante",
    });
    std::string LongTail = Val(" - Edizione aggiornata con espansione online, quaderno delle competenze e "
                               "materiali per la didattica inclusiva");
    std::vector<std::string> Volumes = Vals({"1", "1", "2", "3", "U", "U", ""});
};

// ---- Model ----------------------------------------------------------------------

struct Options {
    std::filesystem::path Out;
    uint64_t Seed = 1;
    int64_t Schools = 2;
    int64_t Classes = 12;
    int64_t Adoptions = 80;
    double ExtRatio = 0.5;
    double AnomalyRatio = 0.002;
    double EdgeRatio = 0.02;
    bool Demo = false;
};

struct School {
    std::string Code;
    int Type = 0;
    std::vector<int> Pairs;
};

struct ClassRec {
    uint32_t School;
    int Year;
    std::string Section;
    std::string Tipo;
    std::string Spc, Spr;
    int Pupils;
};

struct Book {
    std::string Isbn, Editore, Autore, Titolo, Volume, Materia, Prezzo;
    bool VolumeNull;
};

constexpr std::string_view kCheckLetters = "ABCDFGHJKLNPQRTVXZ";

std::string SchoolCode(std::string_view prov, std::string_view type, uint32_t number) {
    char digits[8];
    std::snprintf(digits, sizeof digits, "%05u", number % 100000u);
    std::string code;
    code.append(prov).append(type).append(digits);
    unsigned sum = 0;
    for (std::size_t i = 0; i < code.size(); ++i) sum += static_cast<unsigned char>(code[i]) * (i + 1);
    code += kCheckLetters[sum % kCheckLetters.size()];
    return code;
}

std::string Lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

std::string Digits(Rng& rng, int n) {
    std::string s;
    for (int i = 0; i < n; ++i) s += static_cast<char>('0' + rng.Below(10));
    return s;
}

std::string Section(uint32_t idx) {
    std::string s(1, static_cast<char>('A' + idx % 26));
    if (idx >= 26) s += std::to_string(idx / 26 + 1);
    return s;
}

int PickType(Rng& rng) {
    const auto& types = Types();
    int total = 0;
    for (const SchoolType& t : types) total += t.Weight;
    int r = static_cast<int>(rng.Below(static_cast<std::size_t>(total)));
    for (std::size_t i = 0; i < types.size(); ++i) {
        r -= types[i].Weight;
        if (r < 0) return static_cast<int>(i);
    }
    return 0;
}

int TypeIndex(std::string_view code) {
    const auto& types = Types();
    for (std::size_t i = 0; i < types.size(); ++i)
        if (types[i].Code == code) return static_cast<int>(i);
    return 0;
}

Book MakeBook(Rng& rng, const Tables& t, const Subject& subject, double edgeRatio) {
    static constexpr std::string_view kPublishers[] = {"08",  "424",  "4402", "221",  "7485", "00",
                                                       "391", "5354", "6003", "8433", "20"};
    Book b;
    const std::string_view pub = kPublishers[rng.Below(std::size(kPublishers))];
    std::string isbn = "97888";
    isbn += pub;
    isbn += Digits(rng, static_cast<int>(12 - isbn.size()));
    int sum = 0;
    for (std::size_t d = 0; d < 12; ++d) sum += (isbn[d] - '0') * (d % 2 ? 3 : 1);
    isbn += static_cast<char>('0' + (10 - sum % 10) % 10);
    if (rng.Chance(edgeRatio / 4)) isbn = isbn.substr(3); // an old 10-digit code
    b.Isbn = isbn;
    b.Editore = std::string(pub);
    const int authors = rng.Range(1, 3);
    for (int a = 0; a < authors; ++a) {
        if (a) b.Autore += a + 1 == authors ? " - " : ", ";
        b.Autore += rng.Pick(t.Surnames) + " " + rng.Pick(t.Initials);
    }
    b.Titolo = Val(rng.Pick(subject.Titles)) + rng.Pick(t.TitleTails);
    if (rng.Chance(edgeRatio)) b.Titolo += t.LongTail;
    b.VolumeNull = rng.Chance(edgeRatio / 2);
    b.Volume = rng.Chance(edgeRatio / 2) ? std::string("1A") : rng.Pick(t.Volumes);
    b.Materia = Val(subject.Name);
    b.Prezzo = std::to_string(rng.Range(8, 39)) + "." + std::to_string(rng.Range(0, 9)) + "0";
    return b;
}

// The books on offer: kEditions books for each subject of each school level
// (primary, lower, upper secondary), in the order level, subject, edition.
constexpr std::size_t kEditions = 24;

struct Catalogue {
    std::vector<Book> Books;
    std::size_t First[3] = {};    // index of the level's first book
    std::size_t Subjects[3] = {}; // subjects of the level
};

Catalogue MakeBooks(Rng& rng, const Tables& t, double edgeRatio) {
    std::vector<const Subject*> byLevel[3];
    for (const Subject& s : Subjects())
        for (int level = 0; level < 3; ++level)
            if (s.Levels & (1 << level)) byLevel[level].push_back(&s);
    Catalogue c;
    for (std::size_t level = 0; level < 3; ++level) {
        c.First[level] = c.Books.size();
        c.Subjects[level] = byLevel[level].size();
        for (const Subject* subject : byLevel[level])
            for (std::size_t e = 0; e < kEditions; ++e)
                c.Books.push_back(MakeBook(rng, t, *subject, edgeRatio));
    }
    return c;
}

void Check(bool ok, const char* what) {
    if (!ok) throw std::runtime_error(what);
}

// ---- Packets -----------------------------------------------------------------

constexpr Field kRegistryFields[] = {
    {"CodScuola", "string", 10, "required=\"true\""},
    {"ExCodScuola", "string", 10, ""},
    {"Nome", "string", 100, ""},
    {"Indirizzo", "string", 60, ""},
    {"Frazione", "string", 60, ""},
    {"Comune", "string", 50, ""},
    {"Provincia", "string", 2, ""},
    {"Cap", "string", 5, ""},
    {"Telefono", "string", 20, ""},
    {"Fax", "string", 20, ""},
    {"CodSedeMain", "string", 10, ""},
    {"Email", "string", 80, ""},
    {"Sito", "string", 80, ""},
};

constexpr Field kClassFields[] = {
    {"CodScuola", "string", 10, ""}, {"Sezione", "string", 4, ""},     {"TipoScuola", "string", 2, ""},
    {"AnnoCorso", "string", 1, ""},  {"IdAnnoCorso", "i4", 0, ""},     {"NrAlunni", "i2", 0, ""},
    {"CodSpc", "string", 6, ""},     {"CodSpr", "string", 6, ""},      {"Spesa", "string", 7, ""},
    {"NrAluIpo", "string", 3, ""},   {"NrAluNonVed", "string", 3, ""}, {"NrAluDisl", "string", 3, ""},
    {"Scansione", "string", 1, ""},
};

constexpr Field kStatFields[] = {
    {"CodScuola", "string", 10, ""},
    {"AnnoCorso", "i2", 0, ""},
    {"Sezione", "string", 4, ""},
    {"NrAlunni", "i2", 0, ""},
};

constexpr Field kPairFields[] = {
    {"SSPZSPECIAL", "string", 6, ""},
    {"SSPZSPERIM", "string", 6, ""},
    {"SSPZDESCR", "string", 80, ""},
};

constexpr Field kAdoptionFields[] = {
    {"CodScuola", "string", 10, ""},
    {"AnnoCorso", "string", 1, ""},
    {"Sezione", "string", 4, ""},
    {"TipoScuola", "string", 2, ""},
    {"CodSpc", "string", 6, ""},
    {"CodSpr", "string", 6, ""},
    {"CodPro", "string", 6, ""},
    {"CodEditore", "string", 6, ""},
    {"Isbn", "string", 13, ""},
    {"AnnoPrimaAdoz", "string", 4, ""},
    {"InUso", "i2", 0, ""},
    {"InPossesso", "i2", 0, ""},
    {"ConsigliatoMonografia", "i2", 0, ""},
    {"ConsigliatoApprofondimento", "i2", 0, ""},
    {"Consigliato", "i2", 0, ""},
    {"fuoricat", "string", 1, ""},
    {"datacat", "string", 8, ""},
};

constexpr Field kExtFields[] = {
    {"CodScuola", "string", 10, ""},
    {"AnnoCorso", "string", 1, ""},
    {"Sezione", "string", 4, ""},
    {"TipoScuola", "string", 2, ""},
    {"CodSpc", "string", 6, ""},
    {"CodSpr", "string", 6, ""},
    {"CodEditore", "string", 6, ""},
    {"Isbn", "string", 13, ""},
    {"AnnoPrimaAdoz", "string", 4, ""},
    {"InUso", "i2", 0, ""},
    {"InPossesso", "i2", 0, ""},
    {"ConsigliatoMonografia", "i2", 0, ""},
    {"ConsigliatoApprofondimento", "i2", 0, ""},
    {"Consigliato", "i2", 0, ""},
    {"Autore", "string", 100, ""},
    {"Titolo", "string", 150, ""},
    {"Volume", "string", 2, ""},
    {"Materi", "string", 50, ""},
    {"Prezzo", "fixed", 8, "DECIMALS=\"2\""},
};

// The one adoption state of a row; the data check's year rules see these values.
struct AdoptionState {
    std::string_view Year;
    int InUso, InPossesso, Mono, Appro;
    bool Fuoricat;
};

constexpr std::string_view kOldYears[] = {"2009", "2010", "2011", "2012", "2013", "2014", "2015", "2016",
                                          "2017", "2018", "2019", "2019", "2020", "2020", "2020"};

// A state the data check accepts.
AdoptionState CleanState(Rng& rng, double edgeRatio) {
    AdoptionState s{kOldYears[rng.Below(std::size(kOldYears))], 1, 1, 0, 0, false};
    const uint32_t r = rng.Below(1000);
    if (r < 30) {
        s.Year = "0";
        s.InPossesso = static_cast<int>(rng.Below(2));
    } else if (r < 150) { // first adopted this year, not owned yet
        s = {"2021", 0, 0, 0, 0, false};
    } else if (r < 180) { // first adopted this year, owned: must be recommended
        s = {"2021", 0, 1, 0, 0, false};
        (rng.Chance(0.5) ? s.Mono : s.Appro) = 1;
    } else if (r < 440) {
        s.InPossesso = 0;
    } else if (r < 520) { // owned and recommended
        s.Mono = rng.Chance(0.6) ? 1 : 0;
        s.Appro = s.Mono && rng.Chance(0.7) ? 0 : 1;
    } else if (r < 530) {
        s.InUso = 0;
        s.InPossesso = 0;
    }
    if (s.InPossesso == 1 && s.Year != "2021" && rng.Chance(0.01)) s.Fuoricat = true;
    if (rng.Chance(edgeRatio)) {
        switch (rng.Below(4)) {
        case 0: s = {"2008", 1, 1, 0, 0, false}; break;
        case 1: s = {"", 1, 0, 0, 0, false}; break;
        case 2: s = {"20150", 1, 1, 0, 1, false}; break;
        default: s = {"2017", 2, 1, 0, 0, false}; break;
        }
    }
    return s;
}

// A state the data check reports.
AdoptionState AnomalousState(Rng& rng) {
    switch (rng.Below(4)) {
    case 0: return {"2018", 1, 0, 0, 0, true};   // out of catalogue, not owned
    case 1: return {"2021", 1, 1, 0, 0, false};  // in use but first adopted this year
    case 2: return {"2016", 0, 1, 0, 0, false};  // not in use but owned
    default: return {"2019", 1, 0, 1, 0, false}; // not owned but recommended
    }
}

void Generate(const Options& o) {
    Rng rng(o.Seed * 0x2545F4914F6CDD1Dull + 2021);
    const Tables t;
    const auto& types = Types();
    std::filesystem::create_directories(o.Out);

    // Schools and their sites (Body014.xml).
    std::vector<School> schools;
    int64_t registryRows = 0;
    schools.reserve(static_cast<std::size_t>(o.Schools));
    {
        PacketWriter w(o.Out / "Body014.xml", kRegistryFields, "<PARAMS LCID=\"1040\"/>");
        const uint32_t base = rng.Below(90000);
        for (int64_t i = 0; i < o.Schools; ++i) {
            School s;
            const Town* town = &kTowns[rng.Below(std::size(kTowns))];
            s.Type = PickType(rng);
            if (o.Demo && i == 0) s.Type = TypeIndex("PS"), town = &kTowns[3];
            if (o.Demo && i == 1) s.Type = TypeIndex("MM"), town = &kTowns[5];
            const SchoolType& st = types[static_cast<std::size_t>(s.Type)];
            const uint32_t number =
                static_cast<uint32_t>((static_cast<uint64_t>(i) * 10007u + base) % 90000u) + 10000u;
            s.Code = SchoolCode(town->Prov, st.Code, number);
            const std::string mainCode = st.MainType.empty() || rng.Chance(0.4)
                                             ? s.Code
                                             : SchoolCode(town->Prov, st.MainType, number / 10 * 10);
            s.Pairs = st.Pairs;
            if (s.Pairs.size() > 1 && rng.Chance(0.5)) s.Pairs.resize(1);

            const uint32_t r = rng.Below(100);
            int sites = r < 80 ? 1 : r < 95 ? 2 : 3;
            if (o.Demo) sites = i == 0 ? 2 : 1;
            std::string exCode = ".";
            bool exNull = false;
            if (!o.Demo && rng.Chance(0.04)) exCode = SchoolCode(town->Prov, st.Code, number + 1);
            if (!o.Demo && rng.Chance(o.EdgeRatio / 2)) exNull = true;
            const std::string& person = rng.Pick(t.People);
            const std::string lowerCode = Lower(s.Code);
            for (int site = 0; site < sites; ++site) {
                std::string nome = Val(st.Descr) + " &quot;" + person + "&quot;";
                const std::string& street = rng.Pick(t.Streets);
                if (site > 0) nome += site == 1 ? " - Succursale di " + street : " - Plesso " + street;
                std::string addr = street + " " + std::to_string(rng.Range(1, 240));
                if (rng.Chance(0.05)) addr = street + " snc";
                w.Row();
                w.Attr("CodScuola", s.Code);
                if (!exNull) w.Attr("ExCodScuola", exCode);
                w.Attr("Nome", nome);
                w.Attr("Indirizzo", addr);
                if (rng.Chance(0.25))
                    w.Attr("Frazione", rng.Pick(t.Hamlets));
                else if (!rng.Chance(0.1))
                    w.Attr("Frazione", "");
                w.Attr("Comune", Val(town->Comune));
                w.Attr("Provincia", town->Prov);
                w.Attr("Cap", town->Cap);
                w.Attr("Telefono", std::string(town->Prefix) + " " +
                                       Digits(rng, 10 - static_cast<int>(town->Prefix.size())));
                if (rng.Chance(0.8))
                    w.Attr("Fax", std::string(town->Prefix) + " " +
                                      Digits(rng, 10 - static_cast<int>(town->Prefix.size())));
                w.Attr("CodSedeMain", mainCode);
                w.Attr("Email", Lower(mainCode) + "@istruzione.it");
                if (!rng.Chance(0.15))
                    w.Attr("Sito", "www." + lowerCode + ".edu.it");
                else
                    w.Attr("Sito", "");
                w.EndRow();
            }
            schools.push_back(std::move(s));
        }
        registryRows = w.Rows();
        w.Close();
    }

    {
        PacketWriter w(o.Out / "COD_SPECSPER.xml", kPairFields, "<PARAMS/>");
        for (const SpecPair& p : kPairs) {
            w.Row();
            w.Attr("SSPZSPECIAL", p.Spc);
            w.Attr("SSPZSPERIM", p.Spr);
            w.Attr("SSPZDESCR", Val(p.Descr));
            w.EndRow();
        }
        w.Close();
    }

    // Classes (Body622.xml, and Body698.xml for the earlier edition).
    std::vector<ClassRec> classes;
    classes.reserve(static_cast<std::size_t>(o.Classes));
    {
        PacketWriter w(o.Out / "Body622.xml", kClassFields, "<PARAMS LCID=\"1040\"/>");
        PacketWriter stat(o.Out / "Body698.xml", kStatFields, "<PARAMS/>");
        const int64_t each = o.Schools ? o.Classes / o.Schools : 0;
        const int64_t extra = o.Schools ? o.Classes % o.Schools : 0;
        for (std::size_t si = 0; si < schools.size(); ++si) {
            const School& s = schools[si];
            const SchoolType& st = types[static_cast<std::size_t>(s.Type)];
            const int64_t quota = each + (static_cast<int64_t>(si) < extra ? 1 : 0);
            // Section-major numbering, written year by year as the suite stores them.
            for (int year = 1; year <= st.Years; ++year) {
                for (int64_t idx = year - 1; idx < quota; idx += st.Years) {
                    ClassRec c;
                    c.School = static_cast<uint32_t>(si);
                    c.Year = year;
                    c.Section = Section(static_cast<uint32_t>(idx / st.Years));
                    c.Tipo = st.Tipo.empty() ? (year <= 2 ? "NO" : "NT") : std::string(st.Tipo);
                    const SpecPair& p = kPairs[s.Pairs[rng.Below(s.Pairs.size())]];
                    c.Spc = p.Spc;
                    c.Spr = p.Spr;
                    c.Pupils = rng.Range(14, 29);
                    if (rng.Chance(o.EdgeRatio)) c.Pupils = 7;
                    if (!o.Demo && rng.Chance(o.AnomalyRatio)) {
                        if (rng.Chance(0.5))
                            c.Spr = "SPR099";
                        else
                            c.Tipo = st.Tipo.empty() ? (year <= 2 ? "NT" : "NO") : c.Tipo;
                    }
                    classes.push_back(std::move(c));
                }
            }
        }
        if (o.Demo && classes.size() >= 4) {
            classes[2].Spr = "SPR099"; // a pair missing from COD_SPECSPER.xml
            classes[1].Tipo = "NT";    // a second-year class typed as the last three years
        }
        for (const ClassRec& c : classes) {
            const School& s = schools[c.School];
            const bool pc = types[static_cast<std::size_t>(s.Type)].Code == "PC";
            w.Row();
            w.Attr("CodScuola", s.Code);
            w.Attr("Sezione", c.Section);
            w.Attr("TipoScuola", c.Tipo);
            w.Attr("AnnoCorso", c.Year);
            w.Attr("IdAnnoCorso", pc ? c.Year + 3 : c.Year);
            w.Attr("NrAlunni", c.Pupils);
            w.Attr("CodSpc", c.Spc);
            w.Attr("CodSpr", c.Spr);
            w.Attr("Spesa", std::to_string(rng.Range(120, 480)) + ".00");
            // "0", the field's own zero form, two counts; a null also means none.
            static constexpr std::string_view ipo[] = {"0", "I0", "I1", "I2"};
            static constexpr std::string_view nonVed[] = {"0", "N0", "N1", "N2"};
            static constexpr std::string_view disl[] = {"0", "D0", "D1", "D2"};
            auto special = [&](std::string_view name, const std::string_view* forms) {
                const uint32_t r = rng.Below(100);
                if (r < 4) return;
                w.Attr(name, forms[r < 74 ? 0 : r < 88 ? 1 : 2 + (r & 1)]);
            };
            special("NrAluIpo", ipo);
            special("NrAluNonVed", nonVed);
            special("NrAluDisl", disl);
            if (!rng.Chance(0.05)) w.Attr("Scansione", "");
            w.EndRow();

            stat.Row();
            stat.Attr("CodScuola", s.Code);
            stat.Attr("AnnoCorso", c.Year);
            stat.Attr("Sezione", c.Section);
            stat.Attr("NrAlunni", c.Pupils);
            stat.EndRow();
        }
        w.Close();
        stat.Close();
    }

    // Adoptions (Body815.xml) and those with book data (Body815E.xml), streamed together.
    Check(o.Adoptions == 0 || !classes.empty(), "adoptions need at least one class");
    const Catalogue catalogue = MakeBooks(rng, t, o.EdgeRatio);
    {
        PacketWriter w(o.Out / "Body815.xml", kAdoptionFields, "<PARAMS LCID=\"1040\"/>");
        PacketWriter e(o.Out / "Body815E.xml", kExtFields, "<PARAMS/>");
        const int64_t each = static_cast<int64_t>(o.Adoptions / std::max<std::size_t>(classes.size(), 1));
        const int64_t extra = static_cast<int64_t>(o.Adoptions % std::max<std::size_t>(classes.size(), 1));
        const int64_t plantedA1 = o.Demo ? o.Adoptions / 8 : -1;
        const int64_t plantedYear = o.Demo ? o.Adoptions * 5 / 8 : -1;
        int64_t n = 0;
        for (std::size_t ci = 0; ci < classes.size(); ++ci) {
            const ClassRec& c = classes[ci];
            const School& s = schools[c.School];
            const int64_t quota = each + (static_cast<int64_t>(ci) < extra ? 1 : 0);
            const uint64_t variantKey = rng.Chance(0.2) ? rng.Next() : 0;
            const std::string_view tipo = types[static_cast<std::size_t>(s.Type)].Tipo;
            const std::size_t level = tipo == "EE" ? 0 : tipo == "MM" ? 1 : 2;
            for (int64_t k = 0; k < quota; ++k, ++n) {
                // Classes of one year and school type mostly share their books; one per subject.
                const std::size_t subject =
                    (static_cast<std::size_t>(k) + static_cast<std::size_t>(s.Type) * 7 +
                     static_cast<std::size_t>(c.Year) * 3) %
                    catalogue.Subjects[level];
                uint64_t key = (static_cast<uint64_t>(s.Type) * 1315423911u) ^
                               (static_cast<uint64_t>(c.Year) << 20) ^ static_cast<uint64_t>(k) ^
                               (k % 5 == 4 ? variantKey : 0);
                key = (key ^ (key >> 29)) * 0xBF58476D1CE4E5B9ull;
                const Book& b =
                    catalogue.Books[catalogue.First[level] + subject * kEditions + (key >> 17) % kEditions];
                AdoptionState st = CleanState(rng, o.EdgeRatio);
                if (!o.Demo && rng.Chance(o.AnomalyRatio)) st = AnomalousState(rng);
                if (n == plantedA1) st = {"2018", 1, 0, 0, 0, true};
                if (n == plantedYear) st = {"2021", 1, 1, 0, 0, false};
                const std::string_view codPro =
                    rng.Chance(0.05) ? std::string_view("000001") : std::string_view();

                w.Row();
                w.Attr("CodScuola", s.Code);
                w.Attr("AnnoCorso", c.Year);
                w.Attr("Sezione", c.Section);
                w.Attr("TipoScuola", c.Tipo);
                w.Attr("CodSpc", c.Spc);
                w.Attr("CodSpr", c.Spr);
                w.Attr("CodPro", codPro);
                w.Attr("CodEditore", b.Editore);
                w.Attr("Isbn", b.Isbn);
                w.Attr("AnnoPrimaAdoz", st.Year);
                w.Attr("InUso", st.InUso);
                w.Attr("InPossesso", st.InPossesso);
                w.Attr("ConsigliatoMonografia", st.Mono);
                w.Attr("ConsigliatoApprofondimento", st.Appro);
                w.Attr("Consigliato", st.Mono | st.Appro);
                w.Attr("fuoricat", st.Fuoricat ? "F" : "");
                if (n == 0) w.Attr("datacat", "20210301");
                w.EndRow();

                if (!(rng.Chance(o.ExtRatio) || n == plantedYear)) continue;
                e.Row();
                e.Attr("CodScuola", s.Code);
                e.Attr("AnnoCorso", c.Year);
                e.Attr("Sezione", c.Section);
                e.Attr("TipoScuola", c.Tipo);
                e.Attr("CodSpc", c.Spc);
                e.Attr("CodSpr", c.Spr);
                e.Attr("CodEditore", b.Editore);
                e.Attr("Isbn", b.Isbn);
                e.Attr("AnnoPrimaAdoz", st.Year);
                e.Attr("InUso", st.InUso);
                e.Attr("InPossesso", st.InPossesso);
                e.Attr("ConsigliatoMonografia", st.Mono);
                e.Attr("ConsigliatoApprofondimento", st.Appro);
                e.Attr("Consigliato", st.Mono | st.Appro);
                e.Attr("Autore", b.Autore);
                e.Attr("Titolo", b.Titolo);
                if (!b.VolumeNull) e.Attr("Volume", b.Volume);
                e.Attr("Materi", b.Materia);
                e.Attr("Prezzo", b.Prezzo);
                e.EndRow();
            }
        }
        w.Close();
        e.Close();
        std::printf(
            "%s: %lld schools (%lld registry rows), %zu classes, %lld adoptions, %lld with book data\n",
            o.Out.string().c_str(), static_cast<long long>(o.Schools), static_cast<long long>(registryRows),
            classes.size(), static_cast<long long>(w.Rows()), static_cast<long long>(e.Rows()));
    }
}

const char kUsage[] = "usage: adox-gen OUT_DIR [--seed N] [--schools S] [--classes C] [--adoptions A]\n"
                      "                [--ext-ratio R] [--anomaly-ratio R] [--edge-ratio R] [--demo]\n";

bool ParseInt(const char* s, int64_t& v) {
    const std::string_view sv(s);
    const auto r = std::from_chars(sv.data(), sv.data() + sv.size(), v);
    return r.ec == std::errc() && r.ptr == sv.data() + sv.size() && v >= 0;
}

bool ParseRatio(const char* s, double& v) {
    char* end = nullptr;
    v = std::strtod(s, &end);
    return end && *end == '\0' && end != s && v >= 0.0 && v <= 1.0;
}

} // namespace

int main(int argc, char** argv) {
    Options o;
    bool haveOut = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view a = argv[i];
        const bool hasValue = i + 1 < argc;
        int64_t n = 0;
        bool ok = true;
        if (a == "--demo") {
            o.Demo = true;
            o.AnomalyRatio = 0;
        } else if (a == "--seed" && hasValue) {
            ok = ParseInt(argv[++i], n);
            o.Seed = static_cast<uint64_t>(n);
        } else if (a == "--schools" && hasValue) {
            ok = ParseInt(argv[++i], o.Schools);
        } else if (a == "--classes" && hasValue) {
            ok = ParseInt(argv[++i], o.Classes);
        } else if (a == "--adoptions" && hasValue) {
            ok = ParseInt(argv[++i], o.Adoptions);
        } else if (a == "--ext-ratio" && hasValue) {
            ok = ParseRatio(argv[++i], o.ExtRatio);
        } else if (a == "--anomaly-ratio" && hasValue) {
            ok = ParseRatio(argv[++i], o.AnomalyRatio);
        } else if (a == "--edge-ratio" && hasValue) {
            ok = ParseRatio(argv[++i], o.EdgeRatio);
        } else if (!a.empty() && a[0] != '-' && !haveOut) {
            o.Out = argv[i];
            haveOut = true;
        } else {
            ok = false;
        }
        if (!ok) {
            std::fprintf(stderr, "adox-gen: bad argument '%s'\n%s", argv[i], kUsage);
            return 2;
        }
    }
    if (!haveOut) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    if (o.Demo) o.AnomalyRatio = 0;
    try {
        Generate(o);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "adox-gen: %s\n", e.what());
        return 1;
    }
    return 0;
}
