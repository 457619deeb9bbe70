// The packet reader: what a packet holds reaches the dataset as written, in
// CP1252, and every broken packet is an error naming the file.

#include "dataset/LargeBuffer.h"
#include "dataset/PacketTable.h"
#include "tests/common/ExpectThrow.h"
#include "tests/dataset/DataSetTestSupport.h"

#include <gtest/gtest.h>
#include <thread>

using dstest::Column;
using dstest::WritePacket;
using testsupport::PacketXml;

namespace {

const char* kNameField = "<FIELD attrname=\"Nome\" fieldtype=\"string\" WIDTH=\"40\"/>";

TEST(PacketReader, LoadsFieldsRowsNullsAndEmptyStrings) {
    const std::string p =
        PacketXml("<FIELD attrname=\"CodScuola\" fieldtype=\"string\" WIDTH=\"10\"/>"
                  "<FIELD attrname=\"InUso\" fieldtype=\"i2\"/><FIELD attrname=\"Nota\" fieldtype=\"string\" "
                  "WIDTH=\"5\"/>",
                  "<ROW CodScuola=\"FCPS28031L\" InUso=\"1\" Nota=\"\"/><ROW CodScuola=\"FCIC81200A\"/>",
                  "LCID=\"1040\" DEFAULT_ORDER=\"1\" PRIMARY_KEY=\"1\" Custom=\"x\"");
    TClientDataSet ds("cdsMain");
    ds.LoadFromFile(WritePacket(p));
    ASSERT_TRUE(ds.Active());
    EXPECT_EQ(ds.FieldCount(), 3);
    EXPECT_EQ(ds.FieldDefAt(0).Width, 10);
    EXPECT_EQ(ds.FieldDefAt(1).Type, dataset::FieldType::Int16);
    EXPECT_EQ(ds.RecordCount(), 2);
    EXPECT_EQ(ds.RecNo(), 0);
    EXPECT_EQ(Column(ds, "CodScuola"), "FCPS28031L|FCIC81200A");
    EXPECT_EQ(Column(ds, "InUso"), "1|~");
    // An empty string is a value; an omitted attribute is a null.
    EXPECT_EQ(Column(ds, "Nota"), "|~");
    ds.First();
    ds.Next();
    EXPECT_EQ(ds.FieldByName("InUso").AsInteger(), 0);
    EXPECT_EQ(ds.FieldByName("Nota").AsText(), "");
}

TEST(PacketReader, EmptyRowDataIsAnEmptyDataset) {
    TClientDataSet ds;
    ds.LoadFromFile(WritePacket(PacketXml(kNameField, "")));
    EXPECT_TRUE(ds.Active());
    EXPECT_EQ(ds.RecordCount(), 0);
    EXPECT_TRUE(ds.Eof());
    EXPECT_EQ(ds.RecNo(), -1);
    EXPECT_EQ(ds.FieldByName("Nome").AsText(), "");
    EXPECT_TRUE(ds.FieldByName("Nome").IsNull());
}

// Each row's Nome as the reader must deliver it, in CP1252 bytes.
struct TextCase {
    const char* name;
    std::string packet;
    std::string expected;
};

std::string OneValue(std::string_view Value, bool Utf8Declared = false, const char* Type = "string") {
    std::string p =
        PacketXml("<FIELD attrname=\"Nome\" fieldtype=\"" + std::string(Type) + "\" WIDTH=\"40\"/>",
                  "<ROW Nome=\"" + std::string(Value) + "\"/>");
    if (Utf8Declared)
        p.replace(0, std::string(dstest::kProlog).size(),
                  "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>");
    return p;
}

TEST(PacketReader, TextReachesTheDatasetAsCp1252) {
    const TextCase cases[] = {
        {"raw CP1252 bytes", OneValue("Citt\xE0 \x80 \x93x\x94"), "Citt\xE0 \x80 \x93x\x94"},
        {"undefined CP1252 byte", OneValue("a\x81z"), "a\x81z"},
        {"predefined entities", OneValue("&amp;&lt;&gt;&quot;&apos;"), "&<>\"'"},
        {"decimal references", OneValue("&#232;&#8364;&#8220;"), "\xE8\x80\x93"},
        {"hex references", OneValue("&#xE8;&#x20AC;"), "\xE8\x80"},
        {"CR LF, tab and backslash with leading zeros", OneValue("a&#013;&#010;b&#009;c&#092;"),
         "a\r\nb\tc\\"},
        {"unmappable reference", OneValue("x&#x4E2D;&#x1F600;y"), "x??y"},
        {"string.uni value", OneValue("Perch&#233; &#x0152;uvre &#x3B1;", false, "string.uni"),
         "Perch\xE9 \x8Cuvre ?"},
        {"forbidden control reference", OneValue("a&#001;b&#x1F;c"),
         "a\x01"
         "b\x1F"
         "c"},
        {"zero byte value", OneValue("&#000;"), std::string(1, '\0')},
        {"surrogate reference", OneValue("a&#xD800;b"), "a?b"},
        {"UTF-8 declared", OneValue("Citt\xC3\xA0 \xE2\x82\xAC \xE4\xB8\xAD", true), "Citt\xE0 \x80 ?"},
        {"UTF-8 declared with references", OneValue("&#232;&#001;", true), "\xE8\x01"},
        {"UTF-8 byte order mark", "\xEF\xBB\xBF" + PacketXml(kNameField, "<ROW Nome=\"\xC3\xA8\"/>"), "\xE8"},
        {"ISO-8859-1 declared",
         [] {
             std::string p = OneValue("\xE8\x80");
             p.replace(0, std::string(dstest::kProlog).size(),
                       "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>");
             return p;
         }(),
         "\xE8\x80"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TClientDataSet ds;
        ds.LoadFromFile(WritePacket(c.packet));
        ASSERT_EQ(ds.RecordCount(), 1);
        EXPECT_EQ(ds.FieldByName("Nome").AsString(), c.expected);
        // However the packet is cut into chunks: references, the prolog and
        // multi-byte characters split across chunk ends.
        for (size_t chunk : {1, 2, 3, 5, 8, 13}) {
            SCOPED_TRACE(chunk);
            const auto table = dataset::ParsePacket(c.packet, "chunked.xml", chunk);
            ASSERT_EQ(table->LiveRowCount(), 1u);
            EXPECT_EQ(table->Value(table->LiveRow(0), 0), c.expected);
        }
    }
}

// A thread keeps its parser from packet to packet: whatever the packet
// before it (another encoding, a parse stopped by an error, a root refused),
// a packet reads as it does on a thread that never parsed one.
TEST(PacketReader, EachPacketReadsAsOnAFreshThread) {
    const std::string packets[] = {
        OneValue("Citt\xE0"),
        OneValue("Citt\xC3\xA0 &#232;", true),
        PacketXml(kNameField + std::string(kNameField), ""), // duplicate field: stopped from a callback
        OneValue("&#001;\x93"),
        "<ROWDATA/>",
        "\xFF\xFE" +
            [] {
                std::string wide;
                for (char c : OneValue("z")) wide += {c, '\0'};
                return wide;
            }(),
        PacketXml(kNameField, "<ROW Nome=\"a\"><ROW Nome=\"b\"/>"), // broken XML
        OneValue("\xE8", true),                                     // not UTF-8
        OneValue("last"),
    };
    auto read = [](const std::string& Packet) {
        try {
            const auto table = dataset::ParsePacket(Packet, "seq.xml", 7);
            std::string out;
            for (uint32_t i = 0; i < table->LiveRowCount(); ++i)
                out += std::string(table->Value(table->LiveRow(i), 0)) + "|";
            return out;
        } catch (const std::exception& e) {
            return std::string("error: ") + e.what();
        }
    };
    for (int round = 0; round < 2; ++round) {
        for (const auto& packet : packets) {
            SCOPED_TRACE(packet.substr(0, 60));
            std::string fresh;
            std::thread([&] { fresh = read(packet); }).join();
            EXPECT_EQ(read(packet), fresh);
        }
    }
}

TEST(PacketReader, LoadFromBufferMatchesTheFile) {
    const std::string p = OneValue("Citt\xE0&#001;");
    TClientDataSet fromFile, fromBuffer;
    fromFile.LoadFromFile(WritePacket(p));
    fromBuffer.LoadFromBuffer(p, "memory.xml");
    EXPECT_EQ(fromBuffer.FieldByName("Nome").AsString(), fromFile.FieldByName("Nome").AsString());
}

// A forbidden reference or an entity cut by the reader's 1 MB chunk boundary
// still loads whole.
TEST(PacketReader, ReferencesAcrossTheReadChunkBoundary) {
    const std::string head = PacketXml(kNameField, "<ROW Nome=\"");
    const std::string headOnly = head.substr(0, head.find("</ROWDATA>"));
    const size_t chunk = size_t(1) << 20;
    for (size_t split = 1; split < 6; ++split) {
        SCOPED_TRACE(split);
        std::string value(chunk - headOnly.size() - split, 'x');
        value += "&#001;&amp;&#232;";
        const std::string p = headOnly + value + "\"/></ROWDATA></DATAPACKET>";
        TClientDataSet ds;
        ds.LoadFromFile(WritePacket(p));
        const std::string got = ds.FieldByName("Nome").AsString();
        ASSERT_EQ(got.size(), chunk - headOnly.size() - split + 3);
        EXPECT_EQ(got.substr(got.size() - 3), "\x01&\xE8");
    }
}

// A saved change log: RowState 1 marks an original replaced by the modified
// image (8) that follows it, 2 a deleted row, 4 an inserted row, 64 a row
// whose details changed. Current rows are those with neither bit 1 nor 2.
TEST(PacketReader, ChangeLogKeepsCurrentRowsInPlace) {
    const std::string rows = "<ROW RowState=\"1\" Nome=\"A-old\"/>"
                             "<ROW RowState=\"8\" Nome=\"A-new\"/>"
                             "<ROW RowState=\"2\" Nome=\"B-deleted\"/>"
                             "<ROW Nome=\"C\"/>"
                             "<ROW RowState=\"4\" Nome=\"D-inserted\"/>"
                             "<ROW RowState=\"64\" Nome=\"E-detail\"/>"
                             "<ROW RowState=\"1\" Nome=\"F-old\"/>"
                             "<ROW RowState=\"8\"/>";
    TClientDataSet ds;
    ds.LoadFromFile(WritePacket(PacketXml(kNameField, rows, "CHANGE_LOG=\"2 1 8 3 0 2 5 0 4 8 7 8\"")));
    EXPECT_EQ(ds.RecordCount(), 5);
    EXPECT_EQ(Column(ds, "Nome"), "A-new|C|D-inserted|E-detail|~");
}

TEST(PacketReader, UndeclaredAttributesAndNestedRowsAreSkipped) {
    const std::string fields = "<FIELD attrname=\"Nome\" fieldtype=\"string\" WIDTH=\"20\"/>"
                               "<FIELD attrname=\"Righe\" fieldtype=\"nested\"><FIELDS>"
                               "<FIELD attrname=\"Nome\" fieldtype=\"string\" WIDTH=\"20\"/>"
                               "<FIELD attrname=\"Qta\" fieldtype=\"i4\"/></FIELDS><PARAMS/></FIELD>"
                               "<FIELD attrname=\"Qta\" fieldtype=\"i4\"/>";
    const std::string rows =
        "<ROW Nome=\"padre\" Extra=\"ignored\" Qta=\"3\"><Righe>"
        "<ROWRighe Nome=\"figlio\" Qta=\"99\"/><ROWRighe Nome=\"figlio2\"/></Righe></ROW>"
        "<ROW Qta=\"4\"/>";
    TClientDataSet ds;
    ds.LoadFromFile(WritePacket(PacketXml(fields, rows)));
    EXPECT_EQ(ds.FieldCount(), 3);
    EXPECT_EQ(ds.RecordCount(), 2);
    EXPECT_EQ(Column(ds, "Nome"), "padre|~");
    EXPECT_EQ(Column(ds, "Qta"), "3|4");
    EXPECT_EQ(Column(ds, "Righe"), "~|~");
    EXPECT_FALSE(ds.FindField("Extra").Valid());
}

// A single-byte packet goes to expat as UTF-8, whose classes of name
// characters differ from ISO-8859-1's for a few bytes (ª µ · º): names with
// them read as they always did, whatever the chunks.
TEST(PacketReader, NamesWithSingleByteLettersReadAsBefore) {
    const std::string fields = "<FIELD attrname=\"Nome\" fieldtype=\"string\" WIDTH=\"20\"/>"
                               "<FIELD attrname=\"Qta\" fieldtype=\"i4\"/>";
    for (const char* Byte : {"\xAA", "\xB5", "\xBA"}) {
        SCOPED_TRACE(testing::Message() << "byte " << std::hex << (static_cast<unsigned char>(Byte[0]) + 0));
        const std::string rows = std::string("<ROW Nome=\"x\" Extra") + Byte + "=\"1\" Qta=\"3\"/><Altro" +
                                 Byte + "/><ROW Nome=\"y" + Byte + "\"/><ROW Qta=\"4\" Mid" + Byte +
                                 "dle=\"5\"/>";
        const std::string packet = PacketXml(fields, rows);
        TClientDataSet ds;
        ds.LoadFromFile(WritePacket(packet));
        EXPECT_EQ(Column(ds, "Nome"), std::string("x|y") + Byte + "|~");
        EXPECT_EQ(Column(ds, "Qta"), "3|~|4");
        for (const size_t chunk : {size_t(3), size_t(64), size_t(1) << 20}) {
            const auto table = dataset::ParsePacket(packet, "chunked.xml", chunk);
            EXPECT_EQ(table->LiveRowCount(), 3u) << chunk;
        }
    }
}

// Elements inside a ROW are skipped down to the ninth level of the packet.
TEST(PacketReader, LargeValuesAndNestingLoad) {
    const std::string big(std::size_t{100} * 1024, 'v');
    std::string nested;
    for (int i = 0; i < 6; ++i) nested += "<X a=\"1\">";
    for (int i = 0; i < 6; ++i) nested += "</X>";
    const std::string rows = "<ROW Nome=\"" + big + "\">" + nested + "</ROW><ROW Nome=\"after\"/>";
    TClientDataSet ds;
    ds.LoadFromFile(WritePacket(PacketXml(kNameField, rows)));
    EXPECT_EQ(ds.RecordCount(), 2);
    EXPECT_EQ(ds.FieldByName("Nome").AsString(), big);
    ds.Next();
    EXPECT_EQ(ds.FieldByName("Nome").AsString(), "after");
}

TEST(PacketReader, MissingOrUnreadableFileLeavesTheDatasetClosed) {
    const std::string missing = testsupport::SandboxDir() + "/none/Body815.xml";
    for (const std::string& path : {missing, testsupport::SandboxDir()}) {
        SCOPED_TRACE(path);
        TClientDataSet ds;
        ds.LoadFromFile(WritePacket(PacketXml(kNameField, "<ROW Nome=\"x\"/>")));
        EXPECT_THROW_MSG(ds.LoadFromFile(path), EVxError, "Cannot open file " + path);
        EXPECT_FALSE(ds.Active());
        EXPECT_EQ(ds.RecordCount(), 0);
        EXPECT_TRUE(ds.Eof());
    }
}

struct BadCase {
    const char* name;
    std::string bytes;
    unsigned long line;
    const char* reason;
};

TEST(PacketReader, BrokenPacketsNameFileLineAndReason) {
    const std::string good = PacketXml(kNameField, "<ROW Nome=\"x\"/>\n<ROW Nome=\"y\"/>");
    const std::string laughs =
        "<?xml version=\"1.0\"?>\n<!DOCTYPE DATAPACKET [\n<!ENTITY a \"aaaaaaaaaa\">\n"
        "<!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\">\n"
        "<!ENTITY c \"&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;\">]>\n" +
        PacketXml(kNameField, "<ROW Nome=\"&c;\"/>").substr(std::string(dstest::kProlog).size());
    std::string deepOpen = PacketXml(kNameField, "<ROW Nome=\"x\">");
    deepOpen = deepOpen.substr(0, deepOpen.find("</ROWDATA>"));
    for (int i = 0; i < 50000; ++i) deepOpen += "<X>";
    const BadCase cases[] = {
        {"not XML", "Nome;Cognome\nRossi;Mario\n", 1, "not well-formed (invalid token)"},
        {"truncated", good.substr(0, good.size() - 30), 2, "unclosed token"},
        {"empty", "", 1, "the file is empty"},
        {"wrong root", std::string(dstest::kProlog) + "<DATASET><ROW/></DATASET>", 1,
         "the root element is <DATASET>, not <DATAPACKET>"},
        {"ROW before FIELDS",
         std::string(dstest::kProlog) + "<DATAPACKET><ROWDATA><ROW Nome=\"x\"/></ROWDATA></DATAPACKET>", 1,
         "ROW before FIELDS"},
        {"no FIELDS", std::string(dstest::kProlog) + "<DATAPACKET><METADATA/></DATAPACKET>", 1,
         "the packet declares no FIELDS"},
        {"duplicate field names",
         PacketXml(std::string(kNameField) + "<FIELD attrname=\"NOME\" fieldtype=\"string\"/>", ""), 1,
         "duplicate field name 'NOME'"},
        {"FIELD without attrname", PacketXml("<FIELD fieldtype=\"string\" WIDTH=\"4\"/>", ""), 1,
         "a FIELD has no attrname"},
        {"billion laughs", laughs, 3, "entity declarations are not allowed"},
        {"invalid UTF-8 in a UTF-8 packet", OneValue("\xE8", true), 1, "not well-formed (invalid token)"},
        {"unclosed deep nesting", deepOpen, 1, "elements nested deeper than 9 levels"},
        {"raw control byte",
         OneValue("a\x01"
                  "b"),
         1, "not well-formed (invalid token)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = WritePacket(c.bytes);
        TClientDataSet ds;
        try {
            ds.LoadFromFile(path);
            FAIL() << "loaded";
        } catch (const dataset::PacketError& e) {
            EXPECT_EQ(e.File(), path);
            EXPECT_EQ(e.Line(), c.line);
            EXPECT_EQ(e.Reason(), c.reason);
            EXPECT_EQ(std::string(e.what()),
                      "Invalid data packet " + path + ", line " + std::to_string(c.line) + ": " + c.reason);
        }
        EXPECT_FALSE(ds.Active());
    }
}

TEST(PacketReader, IntegerTextIsCheckedWhenReadNotWhenLoaded) {
    TClientDataSet ds;
    ds.LoadFromFile(
        WritePacket(PacketXml("<FIELD attrname=\"InUso\" fieldtype=\"i4\"/>", "<ROW InUso=\"12a\"/>")));
    EXPECT_EQ(ds.FieldByName("InUso").AsText(), "12a");
    EXPECT_THROW_MSG(ds.FieldByName("inuso").AsInteger(), EVxError,
                     "'12a' is not a valid integer value for field 'InUso'");
}

} // namespace

// A table's blocks give back what lies past their used bytes: the used bytes
// stay, whatever page or huge page their end cuts, and the rest reads zero
// (also when touched again).
TEST(LargeBuffer, TrimKeepsTheUsedBytes) {
    constexpr size_t MiB = size_t(1) << 20;
    const size_t Used[] = {0, 1, 4095, 4096, 4097, 2 * MiB - 1, 2 * MiB, 2 * MiB + 1, 5 * MiB + 123};
    for (const size_t U : Used) {
        SCOPED_TRACE(U);
        dataset::detail::LargeBuffer B;
        B.Grow(6 * MiB, 0);
        for (size_t I = 0; I < 6 * MiB; ++I) B.Data()[I] = static_cast<char>(I % 251 + 1);
        B.Trim(U);
        size_t Wrong = 0;
        for (size_t I = 0; I < U; ++I) Wrong += B.Data()[I] != static_cast<char>(I % 251 + 1);
        EXPECT_EQ(Wrong, 0u);
#ifndef _WIN32
        // Past the page holding the last used byte nothing is left (blocks
        // come from the system on POSIX only).
        const char* End = B.Data() + B.Capacity();
        const size_t Page = 4096;
        for (const char* P = B.Data() + (U + Page - 1) / Page * Page; P < End; P += Page) Wrong += *P != 0;
        EXPECT_EQ(Wrong, 0u);
#endif
        B.Data()[B.Capacity() - 1] = 'x';
        EXPECT_EQ(B.Data()[B.Capacity() - 1], 'x');
    }
}
