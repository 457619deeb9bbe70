// A packet parsed in pieces, one thread each, cut between its rows: the table
// is the one the whole parse gives, and a packet the cut cannot vouch for is
// left to the whole parse, which tells its error.

#include "dataset/PacketTable.h"
#include "tests/common/ExpectThrow.h"
#include "tests/dataset/DataSetTestSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>

using testsupport::PacketXml;

namespace {

// Every stored row's values (nulls as "~") and the current rows' order.
std::string Dump(const dataset::Table& T) {
    std::string Out;
    for (const dataset::FieldDef& F : T.Fields()) Out += F.Name + ":" + dataset::FieldTypeName(F.Type) + " ";
    Out += "\n";
    for (uint32_t R = 0; R < T.StoredRowCount(); ++R) {
        for (int F = 0; F < T.FieldCount(); ++F)
            Out += (T.IsNull(R, F) ? std::string("~") : std::string(T.Value(R, F))) + "|";
        Out += "\n";
    }
    Out += "live:";
    for (uint32_t P = 0; P < T.LiveRowCount(); ++P) Out += " " + std::to_string(T.LiveRow(P));
    return Out;
}

std::string Rows(int Count, const std::function<std::string(int)>& Row) {
    std::string Out;
    for (int I = 0; I < Count; ++I) Out += Row(I);
    return Out;
}

const std::string kFields = "<FIELD attrname=\"CodScuola\" fieldtype=\"string\" WIDTH=\"10\"/>"
                            "<FIELD attrname=\"Nome\" fieldtype=\"string\" WIDTH=\"40\"/>"
                            "<FIELD attrname=\"Alunni\" fieldtype=\"i4\"/>";

std::string Plain(int I) {
    return "<ROW CodScuola=\"FC" + std::to_string(I) + "\" Nome=\"Liceo &#233; \xE0 &amp; " +
           std::to_string(I) + "\"" +
           (I % 7 == 0 ? std::string() : " Alunni=\"" + std::to_string(I % 30) + "\"") + "/>";
}

enum class Cut { Yes, No, Either };

} // namespace

TEST(PacketPieces, GiveTheTableOfTheWholeParse) {
    const std::string Utf8 = std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?>") +
                             PacketXml(kFields, Rows(300,
                                                     [](int I) {
                                                         return "<ROW CodScuola=\"X" + std::to_string(I) +
                                                                "\" Nome=\"Forl\xC3\xAC\"/>";
                                                     }))
                                 .substr(std::string(testsupport::kPacketProlog).size());
    struct Case {
        const char* name;
        std::string packet;
        Cut cut;
    } Cases[] = {
        {"single-byte values, references and nulls", PacketXml(kFields, Rows(300, Plain)), Cut::Yes},
        {"declared UTF-8", Utf8, Cut::Yes},
        {"row states on both sides of the cuts",
         PacketXml(kFields, Rows(300,
                                 [](int I) {
                                     return "<ROW CodScuola=\"S" + std::to_string(I) + "\" RowState=\"" +
                                            std::to_string(std::vector<int>{4, 1, 8, 2, 0}[I % 5]) + "\"/>";
                                 })),
         Cut::Yes},
        {"states only in the last rows",
         PacketXml(kFields, Rows(300,
                                 [](int I) {
                                     return "<ROW CodScuola=\"T" + std::to_string(I) + "\"" +
                                            (I > 290 ? " RowState=\"2\"" : "") + "/>";
                                 })),
         Cut::Yes},
        {"comments between rows hold ROW tags",
         PacketXml(kFields, Rows(300, [](int I) { return "<!-- <ROW CodScuola=\"no\"/> -->" + Plain(I); })),
         Cut::Either},
        {"processing instructions hold ROW tags",
         PacketXml(kFields, Rows(300, [](int I) { return "<?pi <ROW CodScuola=\"no\"/> ?>" + Plain(I); })),
         Cut::Either},
        {"nested rows",
         PacketXml(kFields, Rows(300,
                                 [](int I) {
                                     return "<ROW CodScuola=\"N" + std::to_string(I) +
                                            "\"><ROW CodScuola=\"inner\"/></ROW>";
                                 })),
         Cut::Either},
        {"other elements between rows",
         PacketXml(kFields, Rows(300, [](int I) { return "<X><ROW CodScuola=\"no\"/></X>" + Plain(I); })),
         Cut::Either},
        {"a comment before the rows",
         [] {
             std::string P = PacketXml(kFields, Rows(300, Plain));
             return P.insert(std::string(testsupport::kPacketProlog).size(), "<!-- <ROWDATA> -->");
         }(),
         Cut::No},
        {"ROWDATA with attributes",
         [] {
             std::string P = PacketXml(kFields, Rows(300, Plain));
             return P.replace(P.find("<ROWDATA>"), 9, "<ROWDATA x=\"1\">");
         }(),
         Cut::No},
        {"one row", PacketXml(kFields, Plain(1)), Cut::Either},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.name);
        const std::string Path = testsupport::SandboxDir() + "/pieces.xml";
        testsupport::WriteFileBytes(Path, C.packet);
        const std::string Whole = Dump(*dataset::ParsePacket(C.packet, Path));
        EXPECT_EQ(Dump(*dataset::ParsePacketFile(Path)), Whole);
        // More pieces than threads: the threads take the pieces in turn.
        for (const auto& [Parts, Threads] :
             {std::pair<size_t, size_t>{2, 2}, {3, 3}, {4, 2}, {7, 2}, {5, 1}}) {
            SCOPED_TRACE(testing::Message() << Parts << " pieces on " << Threads << " threads");
            const auto Table = dataset::ParsePacketFileInParts(Path, Parts, Threads);
            if (C.cut != Cut::Either) {
                EXPECT_EQ(Table != nullptr, C.cut == Cut::Yes);
            }
            if (Table) {
                EXPECT_EQ(Dump(*Table), Whole);
            }
        }
    }
}

// Rows of up to 32767 bytes of values keep their cells in two bytes, a table
// with a longer row in four: pieces of either kind join into one table.
TEST(PacketPieces, LongRowsJoinWithShortOnes) {
    const struct {
        const char* name;
        int longRow;
        size_t bytes; // of the long row's values
    } Cases[] = {
        {"a long row in the second piece", 590, 40000},
        {"a long row in the first piece", 3, 40000},
        {"the longest short row", 590, 32767},
        {"the shortest long row", 590, 32768},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.name);
        // CodScuola "L" and Alunni "3" and a name for the rest.
        const std::string Packet = PacketXml(kFields, Rows(600, [&](int I) {
                                                 return I == C.longRow ? "<ROW CodScuola=\"L\" Nome=\"" +
                                                                             std::string(C.bytes - 2, 'n') +
                                                                             "\" Alunni=\"3\"/>"
                                                                       : Plain(I);
                                             }));
        const std::string Path = testsupport::SandboxDir() + "/long.xml";
        testsupport::WriteFileBytes(Path, Packet);
        const auto Table = dataset::ParsePacketFileInParts(Path, 2, 2);
        ASSERT_NE(Table, nullptr);
        EXPECT_EQ(Dump(*Table), Dump(*dataset::ParsePacket(Packet, Path)));
        const uint32_t Row = static_cast<uint32_t>(C.longRow);
        EXPECT_EQ(Table->Value(Row, 1), std::string(C.bytes - 2, 'n'));
        EXPECT_EQ(Table->Value(Row, 2), "3");
        EXPECT_FALSE(Table->IsNull(Row, 2));
        for (const uint32_t Other : {0u, Row - 1, Row + 1, 599u}) {
            EXPECT_EQ(Table->Value(Other, 0), "FC" + std::to_string(Other));
            EXPECT_EQ(Table->Value(Other, 1), "Liceo \xE9 \xE0 & " + std::to_string(Other));
        }
    }
}

TEST(PacketPieces, BrokenPacketIsLeftToTheWholeParse) {
    const std::string Path = testsupport::SandboxDir() + "/broken.xml";
    struct Case {
        const char* name;
        std::string packet;
    } Cases[] = {
        {"attribute without quotes in the last rows",
         PacketXml(kFields, Rows(300, Plain) + "<ROW CodScuola=oops/>" + Rows(3, Plain))},
        {"rows not closed", PacketXml(kFields, Rows(300, Plain)).substr(0, 9000)},
        {"RowState out of range in the middle",
         PacketXml(kFields, Rows(150, Plain) + "<ROW RowState=\"300\"/>" + Rows(150, Plain))},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.name);
        testsupport::WriteFileBytes(Path, C.packet);
        EXPECT_EQ(dataset::ParsePacketFileInParts(Path, 4, 2), nullptr);
        std::string Expected;
        try {
            dataset::ParsePacket(C.packet, Path);
        } catch (const dataset::PacketError& E) {
            Expected = E.what();
        }
        ASSERT_FALSE(Expected.empty());
        EXPECT_THROW_MSG(dataset::ParsePacketFile(Path), dataset::PacketError, Expected);
    }
}
