// The start-up data check: rules, report lines, order of blocks, failures,
// and the anomaly log file.

#include "export/check/DataCheck.h"
#include "tests/common/ExpectThrow.h"
#include "tests/common/FileSizeLimit.h"
#include "tests/common/TestPacket.h"

#include <csignal>
#include <filesystem>
#include <functional>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <vector>

#include <gtest/gtest.h>

#include "dataset/ClientDataSet.h"
#include "support/VxExceptions.h"
#include "tests/common/TestSupport.h"

namespace {

namespace fs = std::filesystem;
using namespace txad;
using Lines = std::vector<std::string>;

const std::string kRule(78, '=');
const platform::LocalDateTime kNow{2026, 3, 5, 7, 4, 9, 0};

// A data packet: fields declared as strings, or "Name:type"; rows given as ROW
// attribute text (a field left out of a row is null).
using testsupport::Packet;

const std::vector<std::string> kClassFields = {"CodScuola", "AnnoCorso", "TipoScuola",
                                               "Sezione",   "CodSpc",    "CodSpr"};
const std::vector<std::string> kAdoptionFields = {"CodScuola",
                                                  "AnnoCorso",
                                                  "Sezione",
                                                  "TipoScuola",
                                                  "Isbn",
                                                  "AnnoPrimaAdoz",
                                                  "InUso",
                                                  "InPossesso",
                                                  "ConsigliatoMonografia",
                                                  "ConsigliatoApprofondimento",
                                                  "fuoricat"};
const std::vector<std::string> kPairFields = {"SSPZSPECIAL", "SSPZSPERIM"};
// S2 has no experimentation code (null), S3 an empty one.
const std::vector<std::string> kPairRows = {R"(SSPZSPECIAL="S1" SSPZSPERIM="P1")", R"(SSPZSPECIAL="S2")",
                                            R"(SSPZSPECIAL="S3" SSPZSPERIM="")"};

// name="value", or nothing for a null value.
std::string Attr(const char* name, const char* value) {
    return value ? std::string(name) + "=\"" + value + "\" " : std::string();
}

std::string ClassRow(const char* code, const char* year, const char* type, const char* section,
                     const char* spc, const char* spr) {
    return Attr("CodScuola", code) + Attr("AnnoCorso", year) + Attr("TipoScuola", type) +
           Attr("Sezione", section) + Attr("CodSpc", spc) + Attr("CodSpr", spr);
}

struct Flags {
    const char* fuoricat;
    const char* inUso;
    const char* inPossesso;
    const char* approfondimento;
    const char* monografia;
    const char* year;
};

std::string AdoptionRow(const char* year, const char* section, const char* isbn, const Flags& f) {
    return Attr("CodScuola", "RMIC81200X") + Attr("AnnoCorso", year) + Attr("Sezione", section) +
           Attr("TipoScuola", "NO") + Attr("Isbn", isbn) + Attr("AnnoPrimaAdoz", f.year) +
           Attr("InUso", f.inUso) + Attr("InPossesso", f.inPossesso) +
           Attr("ConsigliatoApprofondimento", f.approfondimento) +
           Attr("ConsigliatoMonografia", f.monografia) + Attr("fuoricat", f.fuoricat);
}

std::string TypeMsg(const std::string& type, const std::string& cls) {
    return "Specializzazione/sperimentazione non valido per il tipo scuola " + type + " della classe: " + cls;
}
std::string CodeMsg(const std::string& cls) {
    return "Codice specializzazione/sperimentazione non valido per la classe: " + cls;
}
std::string Heading(const std::string& cls, const std::string& isbn) {
    return "Combinazione non valida per la classe: " + cls + " Codice scuola: RMIC81200X adozione: " + isbn;
}

const std::string kOutOfCatalogue =
    "- l'adozione di un libro fuori catalogo AIE non pu\xF2 essere DA ACQUISTARE ma solo IN POSSESSO";
const std::string kInUse = "- l'adozione non pu\xF2 essere in uso per l'anno di prima adozione ";
const std::string kNotOwnedAdvised =
    "- l'adozione non in uso e non in possesso non pu\xF2 essere consigliata per l'anno di prima adozione ";
const std::string kOwnedNotAdvised =
    "- l'adozione non in uso ed in possesso deve essere consigliata per l'anno di prima adozione ";
const std::string kNotInUseOwned =
    "- l'adozione non in uso deve essere anche non in possesso per l'anno di prima adozione ";
const std::string kInUseNotOwnedAdvised =
    "- l'adozione in uso e non in possesso non pu\xF2 essere consigliata per l'anno di prima adozione ";

Lines Header(const std::string& version = "Versione: 3.1.0") {
    return {"VERIFICA DEI DATI ESPORTATI                   05-03-2026 07:04",
            "",
            "Versione procedura : " + version,
            kRule,
            "Questa operazione controlla i dati esportati e segnala la",
            "mancanza di eventuali dati obbligatori",
            kRule,
            ""};
}

// Each message line followed by its empty line.
Lines ClassBlocks(const Lines& messages) {
    Lines out;
    for (const std::string& m : messages) out.insert(out.end(), {m, ""});
    return out;
}

// A check that finds nothing says so in one line.
Lines Report(const Lines& body) {
    Lines out = Header();
    out.insert(out.end(), body.begin(), body.end());
    if (body.empty()) out.insert(out.end(), {"Nessuna anomalia rilevata.", ""});
    out.push_back(kRule);
    return out;
}

class DataCheckTest : public ::testing::Test {
protected:
    void SetUp() override {
        FDir = testsupport::SandboxDir() + "/" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name() + "/";
        fs::create_directories(FDir);
        Write("Body622.xml", Packet(kClassFields, {}));
        Write("COD_SPECSPER.xml", Packet(kPairFields, kPairRows));
        Write("Body815.xml", Packet(kAdoptionFields, {}));
        Write("Body815E.xml", Packet(kAdoptionFields, {}));
    }
    void TearDown() override { fs::remove_all(FDir); }

    void Write(const std::string& name, const std::string& bytes) {
        testsupport::WriteFileBytes(FDir + name, bytes);
    }

    void Run(Lines& lines, const std::string& version = "Versione: 3.1.0") {
        DataCheck check(FDir, {F622, FPairs, F815, F815E}, version, kNow);
        check.Run(lines);
    }
    Lines Run() {
        Lines lines;
        Run(lines);
        return lines;
    }

    std::string FDir;
    TClientDataSet F622{"cdsFile622"};
    TClientDataSet FPairs{"cdsCodSpecSper"};
    TClientDataSet F815{"cdsFile815"};
    TClientDataSet F815E{"cdsFile815E"};
};

TEST_F(DataCheckTest, EmptyPacketsGiveHeaderAndClosingLine) {
    EXPECT_EQ(Run(), Report({}));
}

TEST_F(DataCheckTest, MissingVersionLeavesLabelAlone) {
    Lines lines;
    Run(lines, "");
    ASSERT_EQ(lines.size(), 11u);
    EXPECT_EQ(lines[2], "Versione procedura : ");
}

TEST_F(DataCheckTest, ClassRules) {
    struct Case {
        const char* name;
        const char* code;
        const char* year;
        const char* type;
        const char* spc;
        const char* spr;
        Lines messages;
    };
    const Case cases[] = {
        {"year 1 type NT: first years' type", "RMIC81200X", "1", "NT", "S1", "P1", {TypeMsg("NT", "1A")}},
        {"year 2 type NT: first years' type", "RMIC81200X", "2", "NT", "S1", "P1", {TypeMsg("NT", "2A")}},
        {"year 1 type NO: clean", "RMIC81200X", "1", "NO", "S1", "P1", {}},
        {"year 2 type no (case): first years' type",
         "RMIC81200X",
         "2",
         "no",
         "S1",
         "P1",
         {TypeMsg("no", "2A")}},
        {"year 3 type NO: later years' type", "RMIC81200X", "3", "NO", "S1", "P1", {TypeMsg("NO", "3A")}},
        {"year 6 null type: later years' type", "RMIC81200X", "6", nullptr, "S1", "P1", {TypeMsg("", "6A")}},
        {"year 4 type NT: clean", "RMIC81200X", "4", "NT", "S1", "P1", {}},
        {"year 7: no type rule", "RMIC81200X", "7", "XX", "S1", "P1", {}},
        {"year 0: no type rule", "RMIC81200X", "0", "NT", "S1", "P1", {}},
        {"MM exempt", "RMMM81200X", "1", "NT", "S1", "P1", {}},
        {"1M at end exempt", "RMIC81201M", "3", "NO", "S1", "P1", {}},
        {"EE at start exempt", "EERC81200X", "2", "XX", "S1", "P1", {}},
        {"1E in middle exempt", "RMIC1E200X", "5", "NO", "S1", "P1", {}},
        {"lone M not exempt", "RMIC8M200X", "1", "NT", "S1", "P1", {TypeMsg("NT", "1A")}},
        {"exempt code: year not read", "RMMM81200X", "x", "NT", "S1", "P1", {}},
        {"pair missing: pair not valid", "RMIC81200X", "7", "NT", "S9", "P1", {CodeMsg("7A")}},
        {"pair differs in case: pair not valid", "RMIC81200X", "7", "NT", "s1", "P1", {CodeMsg("7A")}},
        {"pair swapped: pair not valid", "RMIC81200X", "7", "NT", "P1", "S1", {CodeMsg("7A")}},
        {"partial value: pair not valid", "RMIC81200X", "7", "NT", "S1", "P", {CodeMsg("7A")}},
        {"trailing blank: pair not valid", "RMIC81200X", "7", "NT", "S1 ", "P1", {CodeMsg("7A")}},
        {"null equals absent", "RMIC81200X", "7", "NT", "S2", nullptr, {}},
        {"empty equals absent", "RMIC81200X", "7", "NT", "S2", "", {}},
        {"null equals empty", "RMIC81200X", "7", "NT", "S3", nullptr, {}},
        {"both null: pair not valid", "RMIC81200X", "7", "NT", nullptr, nullptr, {CodeMsg("7A")}},
        {"exempt code: pair still checked", "RMMM81200X", "1", "NT", "S9", "P9", {CodeMsg("1A")}},
        {"type then pair", "RMIC81200X", "1", "NT", "S9", "P9", {TypeMsg("NT", "1A"), CodeMsg("1A")}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Write("Body622.xml", Packet(kClassFields, {ClassRow(c.code, c.year, c.type, "A", c.spc, c.spr)}));
        EXPECT_EQ(Run(), Report(ClassBlocks(c.messages)));
    }
}

TEST_F(DataCheckTest, EmptyPairTableFailsEveryClass) {
    Write("COD_SPECSPER.xml", Packet(kPairFields, {}));
    Write("Body622.xml", Packet(kClassFields, {ClassRow("RMIC81200X", "7", "NT", "A", "S1", "P1"),
                                               ClassRow("RMMM81200X", "1", "NO", "B", "", "")}));
    EXPECT_EQ(Run(), Report(ClassBlocks({CodeMsg("7A"), CodeMsg("1B")})));
}

TEST_F(DataCheckTest, AdoptionRules) {
    struct Case {
        const char* name;
        bool extension; // the row is in "Body815E.xml"
        Flags flags;    // fuoricat, InUso, InPossesso, Approfondimento, Monografia, AnnoPrimaAdoz
        Lines reasons;
    };
    const Case cases[] = {
        {"out of catalogue: F not owned", false, {"F", "0", "0", "0", "0", "0"}, {kOutOfCatalogue}},
        {"out of catalogue: null owned reads 0",
         false,
         {"F", "0", nullptr, "0", "0", "0"},
         {kOutOfCatalogue}},
        {"out of catalogue: F owned", false, {"F", "0", "1", "0", "0", "0"}, {}},
        {"out of catalogue: lower-case f", false, {"f", "0", "0", "0", "0", "0"}, {}},
        {"out of catalogue, then the first-adoption year",
         false,
         {"F", "1", "0", "0", "0", "2021"},
         {kOutOfCatalogue, kInUse + "2021"}},
        {"extension: no out-of-catalogue check", true, {"F", "1", "0", "0", "0", "2021"}, {kInUse + "2021"}},
        {"year 0: never", false, {"", "1", "0", "1", "1", "0"}, {}},
        {"2021 in use", false, {"", "1", "1", "1", "1", "2021"}, {kInUse + "2021"}},
        {"2021 not owned, approfondimento",
         false,
         {"", "0", "0", "1", "0", "2021"},
         {kNotOwnedAdvised + "2021"}},
        {"2021 not owned, monografia", true, {"", "0", "0", "0", "1", "2021"}, {kNotOwnedAdvised + "2021"}},
        {"2021 InUso 2 counts as not 1",
         false,
         {"", "2", "0", "0", "1", "2021"},
         {kNotOwnedAdvised + "2021"}},
        {"2021 not owned, not advised", false, {"", "0", "0", "0", "0", "2021"}, {}},
        {"2021 owned, not advised", false, {"", "0", "1", "0", "0", "2021"}, {kOwnedNotAdvised + "2021"}},
        {"2021 owned, advised", false, {"", "0", "1", "1", "0", "2021"}, {}},
        {"2021 owned, flag 2 is not 0", false, {"", "0", "1", "2", "0", "2021"}, {}},
        {"2021 InPossesso 2", false, {"", "0", "2", "1", "1", "2021"}, {}},
        {"2019 not in use, owned", false, {"", "0", "1", "0", "0", "2019"}, {kNotInUseOwned + "2019"}},
        {"2019 not in use, InPossesso 2", true, {"", "0", "2", "1", "1", "2019"}, {kNotInUseOwned + "2019"}},
        {"2019 not in use, not owned, advised",
         false,
         {"", "0", "0", "0", "1", "2019"},
         {kNotOwnedAdvised + "2019"}},
        {"2019 not in use, not owned, not advised", false, {"", "0", "0", "0", "0", "2019"}, {}},
        {"2019 in use, not owned, advised",
         false,
         {"", "1", "0", "1", "0", "2019"},
         {kInUseNotOwnedAdvised + "2019"}},
        {"2019 in use, not owned, not advised", false, {"", "1", "0", "0", "0", "2019"}, {}},
        {"2019 in use, owned", false, {"", "1", "1", "1", "1", "2019"}, {}},
        {"2019 InUso 2", false, {"", "2", "0", "1", "1", "2019"}, {}},
        {"campaign year compared exactly",
         false,
         {"", "1", "0", "1", "0", "2021 "},
         {kInUseNotOwnedAdvised + "2021 "}},
        {"null year is another year", false, {"", "0", "1", "0", "0", nullptr}, {kNotInUseOwned}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Lines rows = {AdoptionRow("1", "A", "9788800000001", c.flags)};
        Write("Body815.xml", Packet(kAdoptionFields, c.extension ? Lines{} : rows));
        Write("Body815E.xml", Packet(kAdoptionFields, c.extension ? rows : Lines{}));
        Lines body;
        for (const std::string& r : c.reasons)
            body.insert(body.end(), {Heading("1A", "9788800000001"), r, ""});
        EXPECT_EQ(Run(), Report(body));
    }
}

TEST_F(DataCheckTest, BlocksFollowStoredOrderForClassesAndIndexOrderForAdoptions) {
    const Flags inUse{"", "1", "0", "0", "0", "2021"};
    Write("Body622.xml", Packet(kClassFields, {ClassRow("RMIC81200X", "3", "NO", "B", "S1", "P1"),
                                               ClassRow("RMIC81200X", "1", "NT", "A", "S1", "P1")}));
    Write("Body815.xml", Packet(kAdoptionFields, {AdoptionRow("2", "A", "9788800000001", inUse),
                                                  AdoptionRow("1", "B", "9788800000001", inUse),
                                                  AdoptionRow("1", "A", "9788800000002", inUse),
                                                  AdoptionRow("1", "A", "9788800000001", inUse)}));
    Write("Body815E.xml", Packet(kAdoptionFields, {AdoptionRow("1", "A", "9788800000000", inUse)}));
    const std::string reason = kInUse + "2021";
    EXPECT_EQ(Run(), Report({TypeMsg("NO", "3B"), "",                    //
                             TypeMsg("NT", "1A"), "",                    //
                             Heading("1A", "9788800000001"), reason, "", //
                             Heading("1A", "9788800000002"), reason, "", //
                             Heading("1B", "9788800000001"), reason, "", //
                             Heading("2A", "9788800000001"), reason, "", //
                             Heading("1A", "9788800000000"), reason, ""}));
    EXPECT_TRUE(F622.Eof());
    EXPECT_TRUE(F815.Eof());
    EXPECT_TRUE(F815E.Eof());
    // Only the reported rows are put in class order, not the packet.
    EXPECT_EQ(F815.IndexFieldNames(), "");
}

// Packets declare the year of course and the flags as integers: the year text
// must survive the flag reads, and the index orders years numerically.
TEST_F(DataCheckTest, TypedFields) {
    const std::vector<std::string> fields = {"CodScuola",
                                             "AnnoCorso:i2",
                                             "Sezione",
                                             "TipoScuola",
                                             "Isbn",
                                             "AnnoPrimaAdoz:i4",
                                             "InUso:i2",
                                             "InPossesso:i2",
                                             "ConsigliatoMonografia:i2",
                                             "ConsigliatoApprofondimento:i2",
                                             "fuoricat"};
    Write("Body622.xml", Packet({"CodScuola", "AnnoCorso:i2", "TipoScuola", "Sezione", "CodSpc", "CodSpr"},
                                {ClassRow("RMIC81200X", "2", "NT", "C", "S1", "P1")}));
    Write("Body815.xml",
          Packet(fields, {AdoptionRow("10", "A", "9788800000001", {"", "1", "0", "1", "0", "2019"}),
                          AdoptionRow("9", "A", "9788800000001", {"F", "1", "0", "0", "0", "2021"})}));
    EXPECT_EQ(Run(), Report({TypeMsg("NT", "2C"), "",                             //
                             Heading("9A", "9788800000001"), kOutOfCatalogue, "", //
                             Heading("9A", "9788800000001"), kInUse + "2021", "", //
                             Heading("10A", "9788800000001"), kInUseNotOwnedAdvised + "2019", ""}));
}

TEST_F(DataCheckTest, LinesAreAppendedToWhatTheCallerHolds) {
    Lines lines = {"earlier"};
    Run(lines);
    ASSERT_EQ(lines.size(), 12u);
    EXPECT_EQ(lines.front(), "earlier");
    EXPECT_EQ(lines[1], Header()[0]);
}

// A failure stops the check where it happens: the lines so far stay, the
// closing line is missing and the error reaches the caller.
TEST_F(DataCheckTest, FailureKeepsLinesSoFar) {
    const Flags outOfCatalogue{"F", "0", "0", "0", "0", "0"};
    const Lines classBlock = ClassBlocks({TypeMsg("NT", "1A")});
    const Lines adoptionBlock = {Heading("1A", "9788800000001"), kOutOfCatalogue, ""};
    struct Case {
        const char* name;
        std::function<void()> setUp;
        std::string error;
        Lines body; // after the header, without closing line
    };
    auto classes = [&] {
        Write("Body622.xml", Packet(kClassFields, {ClassRow("RMIC81200X", "1", "NT", "A", "S1", "P1")}));
    };
    auto adoptions = [&] {
        Write("Body815.xml",
              Packet(kAdoptionFields, {AdoptionRow("1", "A", "9788800000001", outOfCatalogue)}));
    };
    auto without = [](std::vector<std::string> fields, const std::string& name) {
        std::erase(fields, name);
        return fields;
    };
    Lines classAndAdoption = classBlock;
    classAndAdoption.insert(classAndAdoption.end(), adoptionBlock.begin(), adoptionBlock.end());
    const Case cases[] = {
        {"Body622 missing",
         [&] { fs::remove(FDir + "Body622.xml"); },
         "Cannot open file " + FDir + "Body622.xml",
         {}},
        {"COD_SPECSPER missing",
         [&] {
             classes();
             fs::remove(FDir + "COD_SPECSPER.xml");
         },
         "Cannot open file " + FDir + "COD_SPECSPER.xml",
         {}},
        {"Body815E missing",
         [&] {
             classes();
             adoptions();
             fs::remove(FDir + "Body815E.xml");
         },
         "Cannot open file " + FDir + "Body815E.xml", classAndAdoption},
        {"class without CodSpr",
         [&] {
             Write("Body622.xml", Packet(without(kClassFields, "CodSpr"),
                                         {ClassRow("RMIC81200X", "1", "NT", "A", "S1", nullptr)}));
         },
         "Field 'CODSPR' not found", classBlock},
        {"pair table without SSPZSPERIM",
         [&] {
             classes();
             Write("COD_SPECSPER.xml", Packet({"SSPZSPECIAL"}, {R"(SSPZSPECIAL="S1")"}));
         },
         "Field 'SSPZSPERIM' not found", classBlock},
        {"adoption without AnnoPrimaAdoz",
         [&] {
             Write("Body815.xml", Packet(without(kAdoptionFields, "AnnoPrimaAdoz"),
                                         {AdoptionRow("1", "A", "9788800000001", outOfCatalogue)}));
         },
         "Field 'AnnoPrimaAdoz' not found", adoptionBlock},
        {"InUso not an integer in the second row",
         [&] {
             Write("Body815.xml",
                   Packet(kAdoptionFields,
                          {AdoptionRow("1", "B", "9788800000001", {"", "1x", "0", "0", "0", "2019"}),
                           AdoptionRow("1", "A", "9788800000001", outOfCatalogue)}));
         },
         "'1x' is not a valid integer value for field 'InUso'", adoptionBlock},
        {"failing row later in stored order but first in class order",
         [&] {
             Write("Body815.xml",
                   Packet(kAdoptionFields,
                          {AdoptionRow("2", "A", "9788800000009", outOfCatalogue),
                           AdoptionRow("1", "B", "9788800000001", {"", "1x", "0", "0", "0", "2019"}),
                           AdoptionRow("1", "A", "9788800000001", outOfCatalogue)}));
             Write("Body815E.xml",
                   Packet(kAdoptionFields, {AdoptionRow("1", "A", "9788800000005", outOfCatalogue)}));
         },
         "'1x' is not a valid integer value for field 'InUso'", adoptionBlock},
        {"two failing rows: the first in class order",
         [&] {
             Write("Body815.xml",
                   Packet(kAdoptionFields,
                          {AdoptionRow("1", "B", "9788800000001", {"", "1x", "0", "0", "0", "2019"}),
                           AdoptionRow("1", "A", "9788800000002", {"", "2y", "0", "0", "0", "2019"}),
                           AdoptionRow("1", "A", "9788800000001", outOfCatalogue)}));
         },
         "'2y' is not a valid integer value for field 'InUso'", adoptionBlock},
        {"same class and book: stored order decides",
         [&] {
             Write("Body815.xml",
                   Packet(kAdoptionFields,
                          {AdoptionRow("1", "A", "9788800000001", outOfCatalogue),
                           AdoptionRow("1", "A", "9788800000001", {"", "3z", "0", "0", "0", "2019"}),
                           AdoptionRow("1", "A", "9788800000001", {"", "4w", "0", "0", "0", "2019"})}));
         },
         "'3z' is not a valid integer value for field 'InUso'", adoptionBlock},
        {"the failing row's own block before its error",
         [&] {
             Write("Body815.xml",
                   Packet(kAdoptionFields,
                          {AdoptionRow("1", "B", "9788800000001", outOfCatalogue),
                           AdoptionRow("1", "A", "9788800000001", {"F", "1x", "0", "0", "0", "2019"})}));
         },
         "'1x' is not a valid integer value for field 'InUso'", adoptionBlock},
        {"AnnoCorso not an integer",
         [&] {
             Write("Body622.xml",
                   Packet(kClassFields, {ClassRow("RMIC81200X", "1a", "NT", "A", "S1", "P1")}));
         },
         "'1a' is not a valid integer value for field 'AnnoCorso'",
         {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetUp();
        c.setUp();
        Lines lines;
        EXPECT_THROW_MSG(Run(lines), EVxError, c.error);
        Lines expected = Header();
        expected.insert(expected.end(), c.body.begin(), c.body.end());
        EXPECT_EQ(lines, expected);
    }
}

TEST(ProcedureVersion, Text) {
    struct Case {
        const char* version;
        const char* text;
    };
    const Case cases[] = {
        {"3.1.0", "Versione: 3.1.0"},
        {"11.0.0.0", "Versione: 11.0.0"},
        {"03.01.007", "Versione: 3.1.7"},
        {"", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.version);
        EXPECT_EQ(ProcedureVersionText(c.version), c.text);
    }
    EXPECT_EQ(GetProcedureVersion(), "Versione: 3.1.0");
}

class AnomalyLogTest : public ::testing::Test {
protected:
    void SetUp() override {
        FDir = testsupport::SandboxDir() + "/anomalylog/";
        fs::create_directories(FDir);
    }
    void TearDown() override { fs::remove_all(FDir); }
    std::string FDir;
};

TEST_F(AnomalyLogTest, WritesCp1252LinesWithCrLfReplacingEarlierFile) {
    EXPECT_EQ(WriteAnomalyLog(FDir, {"first run", "longer text than the second"}), FDir + "Log.txt");
    EXPECT_EQ(WriteAnomalyLog(FDir, {"VERIFICA", "", "non pu\xF2 essere", kRule}), FDir + "Log.txt");
    EXPECT_EQ(testsupport::ReadFileBytes(FDir + "Log.txt"),
              "VERIFICA\r\n\r\nnon pu\xF2 essere\r\n" + kRule + "\r\n");
}

TEST_F(AnomalyLogTest, EmptyReportGivesEmptyFile) {
    WriteAnomalyLog(FDir, {});
    EXPECT_EQ(testsupport::ReadFileBytes(FDir + "Log.txt"), "");
}

TEST_F(AnomalyLogTest, FileThatCannotBeCreated) {
    fs::create_directories(FDir + "blocked/Log.txt"); // a folder in the way
    for (const std::string& dir : {FDir + "missing/", FDir + "blocked/"}) {
        SCOPED_TRACE(dir);
        EXPECT_THROW_MSG(WriteAnomalyLog(dir, {"x"}), EVxError, "Cannot create file " + dir + "Log.txt");
    }
}

// A full disk (here the process's file size limit): the failure is reported
// and neither the log nor its temporary file stays.
TEST_F(AnomalyLogTest, WriteFailureIsReportedAndLeavesNoFile) {
    testsupport::WriteFileBytes(FDir + "Log.txt", "earlier report\r\n");
    {
        const testsupport::FileSizeLimit Limit(8);
        EXPECT_THROW_MSG(WriteAnomalyLog(FDir, {"VERIFICA", kRule}), EVxError,
                         "Error writing file " + FDir + "Log.txt");
    }
    EXPECT_TRUE(fs::is_empty(FDir));
}

// Only a file takes the name Log.txt: a link planted there is not followed
// (its target keeps its bytes), a FIFO or a device is never opened, so the
// button neither blocks nor overwrites another file. A path in the message
// is in the program's code page.
TEST_F(AnomalyLogTest, NameHeldByAnythingButAFileIsRefused) {
    const std::string Target = FDir + "elsewhere.txt";
    testsupport::WriteFileBytes(Target, "not the log");
    struct Row {
        const char* name;
        std::string dir;
        std::function<void(const std::string&)> plant;
        std::string named; // the folder as the message names it
    };
    const Row rows[] = {
        {"symbolic link", FDir + "link/",
         [&Target](const std::string& Log) { fs::create_symlink(Target, Log); }, FDir + "link/"},
        {"link that leads nowhere", FDir + "dangling/",
         [this](const std::string& Log) { fs::create_symlink(FDir + "absent.txt", Log); },
         FDir + "dangling/"},
        {"FIFO", FDir + "fifo/", [](const std::string& Log) { ASSERT_EQ(mkfifo(Log.c_str(), 0600), 0); },
         FDir + "fifo/"},
        {"device", FDir + "device/", [](const std::string& Log) { fs::create_symlink("/dev/null", Log); },
         FDir + "device/"},
        {"missing folder with a UTF-8 name", FDir + "citt\xC3\xA0/", nullptr, FDir + "citt\xE0/"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        if (r.plant) {
            fs::create_directories(r.dir);
            r.plant(r.dir + "Log.txt");
        }
        EXPECT_THROW_MSG(WriteAnomalyLog(r.dir, {"VERIFICA"}), EVxError,
                         "Cannot create file " + r.named + "Log.txt");
        if (r.plant) {
            EXPECT_EQ(fs::directory_iterator(r.dir)->path().filename(), "Log.txt");
        }
    }
    EXPECT_EQ(testsupport::ReadFileBytes(Target), "not the log");
    EXPECT_FALSE(fs::exists(FDir + "absent.txt"));
}

} // namespace
