// Body writers on small packets in memory: row walk, failures and sinks.

#include <gtest/gtest.h>

#include "ExpectThrow.h"
#include "TestPacket.h"
#include "WritersTestSupport.h"
#include "dataset/ClientDataSet.h"
#include "export/BodyWriters.h"
#include "export/ExportRecordSet.h"
#include "support/VxExceptions.h"

using namespace txad;

namespace {

// A packet whose fields are all strings; each row gives its values in field order.
std::string Packet(const std::vector<std::string>& Fields,
                   const std::vector<std::vector<std::string>>& Rows) {
    std::vector<std::string> Declared, RowText;
    for (const std::string& F : Fields) Declared.push_back(F + ":string:100");
    for (const auto& Values : Rows) RowText.push_back(testsupport::Row(Fields, Values));
    return testsupport::Packet(Declared, RowText);
}

const std::vector<std::string> AdoptionFields = {"CodScuola",
                                                 "AnnoCorso",
                                                 "Sezione",
                                                 "TipoScuola",
                                                 "CodSpc",
                                                 "CodSpr",
                                                 "CodPro",
                                                 "CodEditore",
                                                 "Isbn",
                                                 "AnnoPrimaAdoz",
                                                 "InUso",
                                                 "InPossesso",
                                                 "ConsigliatoMonografia",
                                                 "ConsigliatoApprofondimento"};

std::vector<std::string> AdoptionRow(const std::string& InUso) {
    return {"RMIC81500A", "1", "A", "MM", "MM01", "", "", "123", "8808123456", "2015", InUso, "1", "0", "0"};
}

const std::string AdoptionLine = "R815RMIC81500A1A   MMMM01               S   123S   88081234562015*\r\n";

} // namespace

TEST(BodyWriters, AdoptionLineFromStringTypedIntegers) {
    TClientDataSet Data;
    Data.LoadFromBuffer(Packet(AdoptionFields, {AdoptionRow("1")}), "Body815.xml");
    StringSink Sink;
    AdoptionRecordWriter(BodyLayout(Edition::Current, "R815")).Write(Data, Sink);
    EXPECT_EQ(Sink.Data(), AdoptionLine);
}

TEST(BodyWriters, FailedWriteStopsTheWriterAfterTheLinesWritten) {
    TClientDataSet Data;
    Data.LoadFromBuffer(Packet(AdoptionFields, {AdoptionRow("1"), AdoptionRow("1"), AdoptionRow("1")}),
                        "Body815.xml");
    writerstest::FailingSink Sink(AdoptionLine.size() * 2 + 10);
    EXPECT_THROW_MSG(AdoptionRecordWriter(BodyLayout(Edition::Current, "R815")).Write(Data, Sink),
                     std::runtime_error, "sink full");
    EXPECT_EQ(Sink.Data(), AdoptionLine + AdoptionLine);
}

TEST(BodyWriters, ValueThatIsNotAnIntegerRaisesTheDataLayersError) {
    TClientDataSet Data;
    Data.LoadFromBuffer(Packet(AdoptionFields, {AdoptionRow("1"), AdoptionRow("12a")}), "Body815.xml");
    StringSink Sink;
    EXPECT_THROW_MSG(AdoptionRecordWriter(BodyLayout(Edition::Current, "R815")).Write(Data, Sink), EVxError,
                     "'12a' is not a valid integer value for field 'InUso'");
    EXPECT_EQ(Sink.Data(), AdoptionLine);
}

TEST(BodyWriters, MissingFieldRaisesBeforeAnyLine) {
    std::vector<std::string> Fields = AdoptionFields;
    Fields.pop_back();
    std::vector<std::string> Row = AdoptionRow("1");
    Row.pop_back();
    TClientDataSet Data;
    Data.LoadFromBuffer(Packet(Fields, {Row}), "Body815.xml");
    StringSink Sink;
    EXPECT_THROW_MSG(AdoptionRecordWriter(BodyLayout(Edition::Current, "R815")).Write(Data, Sink), EVxError,
                     "Field 'ConsigliatoApprofondimento' not found");
    EXPECT_EQ(Sink.Data(), "");
}

TEST(BodyWriters, SchoolRunsAndEmptyCodes) {
    const std::vector<std::string> Fields = {"CodScuola", "ExCodScuola", "Nome",  "Indirizzo",
                                             "Frazione",  "Comune",      "Cap",   "Telefono",
                                             "Fax",       "CodSedeMain", "Email", "Sito"};
    auto Row = [](const std::string& Code, const std::string& Name) {
        return std::vector<std::string>{Code, ".", Name, "", "", "", "", "", "", "", "", ""};
    };
    auto Line = [](const std::string& Code, const std::string& Name) {
        std::string L = "R014" + Code + std::string(10, ' ') + Name;
        L += std::string(344 - L.size(), ' ');
        return L + "*\r\n";
    };
    struct Case {
        const char* name;
        std::vector<std::vector<std::string>> rows;
        std::string expected;
    } cases[] = {
        {"first row with an empty code is not written",
         {Row("", "vuota"), Row("RMIC81500A", "a")},
         Line("RMIC81500A", "a")},
        {"empty code after a code gives blanks",
         {Row("RMIC81500A", "a"), Row("", "vuota")},
         Line("RMIC81500A", "a") + Line("          ", "vuota")},
        {"codes compare exactly",
         {Row("RMIC81500A", "a"), Row("rmic81500a", "b"), Row("RMIC81500A ", "c")},
         Line("RMIC81500A", "a") + Line("rmic81500a", "b") + Line("RMIC81500A", "c")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TClientDataSet Data;
        Data.LoadFromBuffer(Packet(Fields, c.rows), "Body014.xml");
        StringSink Sink;
        SchoolRecordWriter(BodyLayout(Edition::Current, "R014"), true).Write(Data, Sink);
        EXPECT_EQ(Sink.Data(), c.expected);
    }
}
