// The dataset over a loaded packet: navigation, typed text, index order,
// locate, edits, deletes, the packet cache and listeners.

#include "dataset/PacketCache.h"
#include "support/VxGlobals.h"
#include "tests/common/ExpectThrow.h"
#include "tests/dataset/DataSetTestSupport.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <filesystem>
#include <gtest/gtest.h>
#include <thread>

using dstest::Column;
using dstest::WritePacket;
using testsupport::PacketXml;

namespace {

// Pins the format settings the typed text depends on.
class FormatScope {
public:
    FormatScope() : FSaved(FormatSettings()) {
        FormatSettings().ShortDateFormat = "dd/mm/yyyy";
        FormatSettings().LongTimeFormat = "hh:nn:ss";
        FormatSettings().DateSeparator = '/';
        FormatSettings().TimeSeparator = ':';
        FormatSettings().DecimalSeparator = '.';
    }
    ~FormatScope() { FormatSettings() = FSaved; }

private:
    TFormatSettings FSaved;
};

// The current row's texts of Fields read in one call, joined by '|'.
std::string CurrentTexts(TClientDataSet& Ds, std::initializer_list<const char*> Fields) {
    std::vector<TField> handles;
    for (const char* name : Fields) handles.push_back(Ds.FieldByName(name));
    std::vector<std::string_view> texts(handles.size());
    Ds.CurrentTexts(handles, texts.data());
    std::string out;
    for (const std::string_view t : texts) out.append(out.empty() ? "" : "|").append(t);
    return out;
}

struct TypedCase {
    const char* type;
    const char* extra; // further FIELD attributes
    const char* stored;
    const char* text;
};

TEST(DataSet, TypedValuesGiveTheFrameworksText) {
    FormatScope scope;
    const TypedCase cases[] = {
        {"string", "", " 007 ", " 007 "},
        {"i4", "", "007", "7"},
        {"i8", "", "-9000000000", "-9000000000"},
        {"ui1", "", "255", "255"},
        {"r8", "", "12.50", "12.5"},
        {"r8", "", "-0.25", "-0.25"},
        {"fixed", " DECIMALS=\"2\"", "0.00", "0"},
        {"fixed", " DECIMALS=\"2\"", "1234.10", "1234.1"},
        {"boolean", "", "TRUE", "True"},
        {"boolean", "", "FALSE", "False"},
        {"date", "", "20210301", "01/03/2021"},
        {"time", "", "10:30:05000", "10:30:05"},
        {"dateTime", "", "20210901T10:30:00000", "01/09/2021 10:30:00"},
        {"dateTime", "", "20210901T00:00:00000", "01/09/2021"},
        {"bin.hex", " SUBTYPE=\"Text\"", "plain memo", "plain memo"},
        {"bin.hex", " SUBTYPE=\"Binary\"", "SGVsbG8=", "Hello"},
        {"date", "", "2021-03-01", "2021-03-01"}, // not a stored date: shown as stored
        {"date", "", "20240229", "29/02/2024"},
        {"date", "", "20000229", "29/02/2000"},
        {"date", "", "20230229", "20230229"}, // no such day: shown as stored
        {"date", "", "19000229", "19000229"},
        {"date", "", "20230231", "20230231"},
        {"date", "", "20230431", "20230431"},
        {"date", "", "20231231", "31/12/2023"},
        {"dateTime", "", "20230230T10:30:00000", "20230230T10:30:00000"},
        {"time", "", "10:30:05888888888888", "10:30:05888888888888"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.type) + " " + c.stored);
        TClientDataSet ds;
        ds.LoadFromFile(WritePacket(
            PacketXml("<FIELD attrname=\"V\" fieldtype=\"" + std::string(c.type) + "\"" + c.extra + "/>",
                      "<ROW V=\"" + std::string(c.stored) + "\"/>")));
        EXPECT_EQ(ds.FieldByName("V").AsText(), c.text);
        EXPECT_EQ(ds.TextAt(0, 0), c.text);
        EXPECT_EQ(CurrentTexts(ds, {"V"}), c.text);
    }
}

TEST(DataSet, TypedTextFollowsTheFormatSettings) {
    FormatScope scope;
    FormatSettings().DecimalSeparator = ',';
    FormatSettings().ShortDateFormat = "yyyy-mm-dd";
    TClientDataSet ds;
    ds.LoadFromFile(WritePacket(PacketXml("<FIELD attrname=\"Spesa\" fieldtype=\"fixed\" DECIMALS=\"2\"/>"
                                          "<FIELD attrname=\"datacat\" fieldtype=\"date\"/>",
                                          "<ROW Spesa=\"150.50\" datacat=\"20210301\"/>")));
    EXPECT_EQ(ds.FieldByName("Spesa").AsText(), "150,5");
    EXPECT_EQ(ds.FieldByName("datacat").AsText(), "2021-03-01");
}

// Each field's text is its own: reading other typed fields of the row, or the
// same field again, leaves a view taken earlier intact.
TEST(DataSet, TypedTextOfOneFieldSurvivesReadsOfTheOthers) {
    TClientDataSet ds;
    ds.LoadFromFile(WritePacket(PacketXml(
        "<FIELD attrname=\"Spesa\" fieldtype=\"fixed\" DECIMALS=\"2\"/>"
        "<FIELD attrname=\"datacat\" fieldtype=\"date\"/><FIELD attrname=\"NrAlunni\" fieldtype=\"i4\"/>"
        "<FIELD attrname=\"Orario\" fieldtype=\"dateTime\"/>"
        "<FIELD attrname=\"Nome\" fieldtype=\"string\" WIDTH=\"20\"/>",
        "<ROW Spesa=\"150.50\" datacat=\"20210301\" NrAlunni=\"027\" Orario=\"20210901T10:30:05000\" "
        "Nome=\"a\"/>"
        "<ROW Spesa=\"7.25\" datacat=\"20221231\" NrAlunni=\"03\" Orario=\"20221231T23:59:59000\" "
        "Nome=\"b\"/>")));
    const TField fields[] = {ds.FieldByName("Spesa"), ds.FieldByName("datacat"), ds.FieldByName("NrAlunni"),
                             ds.FieldByName("Orario"), ds.FieldByName("Nome")};
    using Row = std::array<const char*, 5>;
    for (const Row& expected : {Row{"150.5", "01/03/2021", "27", "01/09/2021 10:30:05", "a"},
                                Row{"7.25", "31/12/2022", "3", "31/12/2022 23:59:59", "b"}}) {
        SCOPED_TRACE(expected[0]);
        std::string_view views[5];
        for (size_t i = 0; i < 5; ++i) views[i] = fields[i].AsText();
        for (size_t i = 0; i < 5; ++i) EXPECT_EQ(fields[i].AsText(), expected[i]) << i; // read again
        for (size_t i = 0; i < 5; ++i) EXPECT_EQ(views[i], expected[i]) << i;
        ds.Next();
    }
}

struct IntegerCase {
    const char* type;
    const char* stored; // nullptr: null
    int value;
    bool fails;
};

TEST(DataSet, AsIntegerConvertsOrNamesValueAndField) {
    const IntegerCase cases[] = {
        {"i4", "42", 42, false},   {"i4", "-7", -7, false},       {"i4", nullptr, 0, false},
        {"string", "5", 5, false}, {"string", " 5", 5, false},    {"string", "+5", 5, false},
        {"string", "5 ", 0, true}, {"string", "", 0, true},       {"string", "1.5", 0, true},
        {"string", "x1", 0, true}, {"string", nullptr, 0, false}, {"i8", "9000000000", 0, true},
        {"r8", "2.5", 2, false},   {"r8", "3.5", 4, false},       {"boolean", "TRUE", 0, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.type) + " " + (c.stored ? c.stored : "<null>"));
        TClientDataSet ds;
        const std::string row = c.stored ? "<ROW InUso=\"" + std::string(c.stored) + "\"/>" : "<ROW/>";
        ds.LoadFromFile(WritePacket(
            PacketXml("<FIELD attrname=\"InUso\" fieldtype=\"" + std::string(c.type) + "\"/>", row)));
        if (!c.fails) {
            EXPECT_EQ(ds.FieldByName("InUso").AsInteger(), c.value);
            continue;
        }
        try {
            ds.FieldByName("InUso").AsInteger();
            ADD_FAILURE() << "no error";
        } catch (const EVxError& e) {
            const std::string text = c.type == std::string("boolean") ? "True" : c.stored;
            EXPECT_EQ(std::string(e.what()), "'" + text + "' is not a valid integer value for field 'InUso'");
        }
    }
}

const char* kClassFields = "<FIELD attrname=\"CodScuola\" fieldtype=\"string\" WIDTH=\"10\"/>"
                           "<FIELD attrname=\"AnnoCorso\" fieldtype=\"i4\"/>"
                           "<FIELD attrname=\"Sezione\" fieldtype=\"string\" WIDTH=\"4\"/>"
                           "<FIELD attrname=\"Spesa\" fieldtype=\"r8\"/>";

std::string ClassRows() {
    return "<ROW CodScuola=\"B\" AnnoCorso=\"10\" Sezione=\"a\" Spesa=\"9.5\"/>"
           "<ROW CodScuola=\"A\" AnnoCorso=\"2\" Sezione=\"\xE8\" Spesa=\"10\"/>"
           "<ROW CodScuola=\"B\" AnnoCorso=\"2\" Sezione=\"B\" Spesa=\"-1\"/>"
           "<ROW AnnoCorso=\"1\" Sezione=\"z\"/>"
           "<ROW CodScuola=\"A\" AnnoCorso=\"2\" Sezione=\"A\" Spesa=\"100\"/>"
           "<ROW CodScuola=\"b\" AnnoCorso=\"x\" Sezione=\"Z\"/>";
}

TEST(DataSet, FieldByNameIgnoresCase) {
    TClientDataSet ds;
    ds.LoadFromFile(WritePacket(PacketXml(kClassFields, ClassRows())));
    EXPECT_EQ(ds.FieldByName("CODSCUOLA").Index(), 0);
    EXPECT_EQ(ds.FieldByName("sezione").FieldName(), "Sezione");
    EXPECT_THROW_MSG(ds.FieldByName("Scansione"), EVxError, "Field 'Scansione' not found");
}

TEST(DataSet, IndexOrdersByDeclaredTypeWithTiesAndNullsFirst) {
    struct Case {
        const char* index;
        const char* sezioni; // the Sezione column in visiting order
    };
    const Case cases[] = {
        {"AnnoCorso", "Z|z|\xE8|B|A|a"},           // "x" (not a number) first, then numbers numerically
        {"CodScuola", "z|\xE8|A|a|B|Z"},           // null first, byte-wise, equal keys keep stored order
        {"CodScuola;AnnoCorso", "z|\xE8|A|B|a|Z"}, // ties broken by the later field
        {"Sezione", "A|B|Z|a|z|\xE8"},             // CP1252 byte order: upper case, lower case, accented
        {"Spesa", "z|Z|B|a|\xE8|A"},
        {"", "a|\xE8|B|z|A|Z"},
    };
    const std::string path = WritePacket(PacketXml(kClassFields, ClassRows()));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.index);
        TClientDataSet ds;
        ds.LoadFromFile(path);
        ds.SetIndexFieldNames(c.index);
        EXPECT_EQ(ds.IndexFieldNames(), c.index);
        EXPECT_EQ(Column(ds, "Sezione"), c.sezioni);

        // The same order for a few positions, without an index.
        TClientDataSet plain;
        plain.LoadFromFile(path);
        const TClientDataSet::IndexOrder order(plain, c.index);
        const int sezione = plain.FieldByName("Sezione").Index();
        std::vector<int> positions(static_cast<size_t>(plain.RecordCount()));
        for (size_t i = 0; i < positions.size(); ++i)
            positions[i] = static_cast<int>(positions.size() - 1 - i);
        std::sort(positions.begin(), positions.end(), [&](int a, int b) { return order.Before(a, b); });
        std::string sezioni;
        for (int p : positions)
            sezioni += (sezioni.empty() ? "" : "|") + std::string(plain.TextAt(p, sezione));
        EXPECT_EQ(sezioni, c.sezioni);
    }
    TClientDataSet plain;
    plain.LoadFromFile(path);
    EXPECT_THROW_MSG(TClientDataSet::IndexOrder(plain, "AnnoCorso;Nope"), EVxError, "Field 'Nope' not found");
}

// Rows already in order are left as they are; the check that they are looks
// at every key, not only the first.
TEST(DataSet, IndexOverRowsAlreadyInOrder) {
    const std::string fields = "<FIELD attrname=\"A\" fieldtype=\"i4\"/>"
                               "<FIELD attrname=\"B\" fieldtype=\"string\" WIDTH=\"4\"/>";
    struct Case {
        const char* rows;
        const char* bs; // the B column in index order
    };
    const Case cases[] = {
        {"<ROW A=\"1\" B=\"a\"/><ROW A=\"1\" B=\"b\"/><ROW A=\"2\" B=\"a\"/><ROW A=\"10\" B=\"c\"/>",
         "a|b|a|c"},
        {"<ROW A=\"1\" B=\"b\"/><ROW A=\"1\" B=\"a\"/><ROW A=\"2\" B=\"a\"/><ROW A=\"10\" B=\"c\"/>",
         "a|b|a|c"},
        {"<ROW A=\"1\" B=\"a\"/><ROW A=\"1\" B=\"a\"/><ROW A=\"2\" B=\"z\"/><ROW A=\"10\" B=\"c\"/>",
         "a|a|z|c"},
        {"<ROW A=\"1\" B=\"a\"/><ROW A=\"10\" B=\"b\"/><ROW A=\"2\" B=\"c\"/>", "a|c|b"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.rows);
        TClientDataSet ds;
        ds.LoadFromFile(WritePacket(PacketXml(fields, c.rows)));
        ds.SetIndexFieldNames("A;B");
        EXPECT_EQ(Column(ds, "B"), c.bs);
    }
}

TEST(DataSet, IndexKeepsTheCurrentRowAndAppliesToLaterLoads) {
    TClientDataSet ds;
    const std::string path = WritePacket(PacketXml(kClassFields, ClassRows()));
    ds.LoadFromFile(path);
    ds.Next();
    ds.Next(); // B/2/B
    ds.SetIndexFieldNames("Sezione");
    EXPECT_EQ(ds.FieldByName("Sezione").AsText(), "B");
    EXPECT_EQ(ds.RecNo(), 1);
    ds.LoadFromFile(path);
    EXPECT_EQ(ds.FieldByName("Sezione").AsText(), "A");
    EXPECT_THROW_MSG(ds.SetIndexFieldNames("Nope"), EVxError, "Field 'Nope' not found");
}

TEST(DataSet, LocateMatchesWholeValuesCaseSensitively) {
    struct Case {
        const char* fields;
        std::vector<std::string> values;
        bool found;
        int recNo;
    };
    const Case cases[] = {
        {"CodScuola", {"B"}, true, 0},
        {"CODSCUOLA;AnnoCorso", {"B", "2"}, true, 2},
        {"CodScuola", {"b"}, true, 5},
        {"Sezione", {"\xE8"}, true, 1},
        {"CodScuola", {""}, true, 3}, // a null matches empty text
        {"CodScuola", {"A "}, false, 4},
        {"Sezione", {"a"}, true, 0},
        {"CodScuola;Sezione", {"A", "a"}, false, 4},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fields + (" = " + c.values[0]));
        TClientDataSet ds;
        ds.LoadFromFile(WritePacket(PacketXml(kClassFields, ClassRows())));
        ds.SetRecNo(4);
        EXPECT_EQ(ds.Locate(c.fields, c.values), c.found);
        EXPECT_EQ(ds.RecNo(), c.recNo);
    }
}

TEST(DataSet, LocateFollowsTheIndexOrder) {
    TClientDataSet ds;
    ds.LoadFromFile(WritePacket(PacketXml(kClassFields, ClassRows())));
    ds.SetIndexFieldNames("Sezione");
    ASSERT_TRUE(ds.Locate("CodScuola", {"A"}));
    EXPECT_EQ(ds.FieldByName("Sezione").AsText(), "A");
}

TEST(DataSet, EditPostCancelStayInMemory) {
    const std::string path = WritePacket(PacketXml(kClassFields, ClassRows()));
    const std::string before = testsupport::ReadFileBytes(path);
    TClientDataSet ds;
    ds.LoadFromFile(path);
    TField sez = ds.FieldByName("Sezione");
    EXPECT_THROW_MSG(sez.SetAsString("x"), EVxError, "Dataset not in edit or insert mode");

    ds.Edit();
    sez.SetAsString("Q");
    EXPECT_EQ(sez.AsText(), "Q");
    EXPECT_EQ(CurrentTexts(ds, {"Sezione", "AnnoCorso"}), "Q|10");
    ds.Cancel();
    EXPECT_EQ(sez.AsText(), "a");

    ds.Next(); // row 2
    ds.Edit();
    sez.SetAsString("");
    ds.FieldByName("AnnoCorso").SetAsString("7");
    ds.Post();
    ds.Edit();
    EXPECT_THROW_MSG(ds.FieldByName("AnnoCorso").SetAsString("sette"), EVxError,
                     "'sette' is not a valid integer value for field 'AnnoCorso'");
    ds.Cancel();
    ds.SetRecNo(3); // null CodScuola becomes a value
    ds.Edit();
    ds.FieldByName("CodScuola").SetAsString("N");
    ds.Next(); // moving posts the edit
    EXPECT_EQ(Column(ds, "Sezione"), "a||B|z|A|Z");
    EXPECT_EQ(Column(ds, "AnnoCorso"), "10|7|2|1|2|x");
    EXPECT_EQ(Column(ds, "CodScuola"), "B|A|B|N|A|b");
    ds.SetRecNo(1); // posted edits, one of them a null
    EXPECT_EQ(CurrentTexts(ds, {"CodScuola", "Sezione", "AnnoCorso"}), "A||7");
    EXPECT_EQ(testsupport::ReadFileBytes(path), before);

    ds.LoadFromFile(path); // a load drops every change
    EXPECT_EQ(Column(ds, "Sezione"), "a|\xE8|B|z|A|Z");
}

TEST(DataSet, PostMovesAnEditedRowToItsIndexPlace) {
    TClientDataSet ds;
    ds.LoadFromFile(WritePacket(PacketXml(kClassFields, ClassRows())));
    ds.SetIndexFieldNames("Sezione");
    ds.First(); // "A"
    ds.Edit();
    ds.FieldByName("Sezione").SetAsString("y");
    ds.Post();
    EXPECT_EQ(ds.FieldByName("Sezione").AsText(), "y");
    EXPECT_EQ(ds.RecNo(), 3);
    EXPECT_EQ(Column(ds, "Sezione"), "B|Z|a|y|z|\xE8");
}

TEST(DataSet, DeleteMakesTheFollowingRowCurrent) {
    TClientDataSet ds;
    ds.LoadFromFile(WritePacket(PacketXml(kClassFields, ClassRows())));
    ds.SetRecNo(1);
    ds.Delete();
    EXPECT_EQ(ds.RecordCount(), 5);
    EXPECT_EQ(ds.RecNo(), 1);
    EXPECT_FALSE(ds.Eof());
    EXPECT_EQ(ds.FieldByName("Sezione").AsText(), "B");
    ds.SetRecNo(4);
    ds.Delete(); // the last row: nothing follows
    EXPECT_TRUE(ds.Eof());
    EXPECT_EQ(ds.RecordCount(), 4);
    EXPECT_EQ(Column(ds, "Sezione"), "a|B|z|A");
    // The site page's pattern: keep ticked rows, delete the others.
    const bool ticked[] = {true, false, false, true};
    ds.First();
    for (int i = 0; !ds.Eof() && i < 4; ++i) {
        if (ticked[i])
            ds.Next();
        else
            ds.Delete();
    }
    EXPECT_EQ(Column(ds, "Sezione"), "a|A");
    ds.First();
    ds.Delete();
    ds.Delete();
    EXPECT_EQ(ds.RecordCount(), 0);
    EXPECT_TRUE(ds.Eof());
    EXPECT_THROW_MSG(ds.Delete(), EVxError, "Cannot perform this operation on an empty dataset");
}

TEST(DataSet, CacheSharesOneParseAndKeepsChangesApart) {
    dataset::PacketCache cache;
    const std::string path = WritePacket(PacketXml(kClassFields, ClassRows()));
    TClientDataSet check("cdsFile815"), main("cdsMain");
    check.SetPacketCache(&cache);
    main.SetPacketCache(&cache);
    check.LoadFromFile(path);
    main.LoadFromFile(path);
    EXPECT_EQ(cache.ParseCount(), 1);

    main.Edit();
    main.FieldByName("Sezione").SetAsString("edited");
    main.Post();
    main.SetRecNo(2);
    main.Delete();
    main.SetIndexFieldNames("Sezione");
    EXPECT_EQ(Column(check, "Sezione"), "a|\xE8|B|z|A|Z");
    EXPECT_EQ(Column(main, "Sezione"), "A|Z|edited|z|\xE8");

    // A load through the cache still starts from the packet, not from the edits.
    main.SetIndexFieldNames("");
    main.LoadFromFile(path);
    EXPECT_EQ(Column(main, "Sezione"), "a|\xE8|B|z|A|Z");
    EXPECT_EQ(cache.ParseCount(), 1);
}

TEST(DataSet, CacheParsesAgainWhenTheFileChanges) {
    dataset::PacketCache cache;
    const std::string path = WritePacket(PacketXml(kClassFields, ClassRows()), "changing.xml");
    TClientDataSet ds;
    ds.SetPacketCache(&cache);
    ds.LoadFromFile(path);
    // Same size, other content, later write time.
    std::string changed = PacketXml(kClassFields, ClassRows());
    changed.replace(changed.find("Sezione=\"a\""), 11, "Sezione=\"q\"");
    testsupport::WriteFileBytes(path, changed);
    const auto t = std::filesystem::last_write_time(path);
    std::filesystem::last_write_time(path, t + std::chrono::seconds(2));
    ds.LoadFromFile(path);
    EXPECT_EQ(cache.ParseCount(), 2);
    EXPECT_EQ(ds.FieldByName("Sezione").AsText(), "q");

    std::filesystem::remove(path);
    EXPECT_THROW_MSG(ds.LoadFromFile(path), EVxError, "Cannot open file " + path);
    EXPECT_FALSE(ds.Active());
}

// The worker parses named packets while the program loads others; loads
// still come in the program's order, so the first failing packet is the one
// reported, with the message of a plain parse, whether the worker had
// finished it, was parsing it or had not started it.
TEST(PacketCache, PrefetchedPacketsLoadInOrderWithTheirOwnErrors) {
    const std::string good = WritePacket(PacketXml(kClassFields, ClassRows()), "prefetch-good.xml");
    const std::string other =
        WritePacket(PacketXml(kClassFields, "<ROW Sezione=\"q\"/>"), "prefetch-other.xml");
    const std::string broken =
        WritePacket(PacketXml(kClassFields, "<ROW Sezione=\"q\">"), "prefetch-broken.xml");
    const std::string empty = WritePacket("", "prefetch-empty.xml");
    const std::string missing = testsupport::SandboxDir() + "/prefetch-missing.xml";
    const std::string notPacket = WritePacket("<ROWDATA/>", "prefetch-root.xml");
    auto plainError = [](const std::string& path) {
        try {
            dataset::ParsePacketFile(path);
        } catch (const std::exception& e) {
            return std::string(e.what());
        }
        return std::string();
    };
    struct Case {
        const char* name;
        std::vector<std::string> paths; // in program order
        int failing;                    // index of the first failing packet, -1 for none
    };
    const Case cases[] = {
        {"all good", {good, other}, -1},
        {"last broken", {good, other, broken}, 2},
        {"first broken, later ones too", {broken, good, empty, notPacket}, 0},
        {"missing before broken", {good, missing, broken}, 1},
        {"empty before missing", {other, empty, missing, good}, 1},
        {"root before broken", {notPacket, broken}, 0},
    };
    for (const auto& c : cases) {
        for (const bool settle : {false, true}) {
            SCOPED_TRACE(std::string(c.name) + (settle ? ", worker done" : ", at once"));
            dataset::PacketCache cache;
            cache.Prefetch(c.paths);
            if (settle) {
                int parsable = 0;
                for (const auto& path : c.paths)
                    if (plainError(path).empty()) ++parsable;
                const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
                while (cache.ParseCount() < parsable && std::chrono::steady_clock::now() < until)
                    std::this_thread::sleep_for(std::chrono::milliseconds(1));
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            }
            std::string error;
            size_t loaded = 0;
            try {
                for (const auto& path : c.paths) {
                    TClientDataSet ds;
                    ds.SetPacketCache(&cache);
                    ds.LoadFromFile(path);
                    EXPECT_EQ(ds.RecordCount(), path == good ? 6 : 1);
                    ++loaded;
                }
            } catch (const std::exception& e) {
                error = e.what();
            }
            if (c.failing < 0) {
                EXPECT_EQ(error, "");
                EXPECT_EQ(loaded, c.paths.size());
            } else {
                EXPECT_EQ(loaded, static_cast<size_t>(c.failing));
                EXPECT_EQ(error, plainError(c.paths[static_cast<size_t>(c.failing)]));
                EXPECT_NE(error, "");
            }
        }
    }
}

TEST(PacketCache, PrefetchedPacketChangedOnDiskIsParsedAgain) {
    const std::string path = WritePacket(PacketXml(kClassFields, ClassRows()), "prefetch-changing.xml");
    dataset::PacketCache cache;
    cache.Prefetch({path});
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (cache.ParseCount() < 1 && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    testsupport::WriteFileBytes(path, PacketXml(kClassFields, "<ROW Sezione=\"new\"/>"));
    TClientDataSet ds;
    ds.SetPacketCache(&cache);
    ds.LoadFromFile(path);
    EXPECT_EQ(Column(ds, "Sezione"), "new");
    EXPECT_EQ(cache.ParseCount(), 2);
    // Named again once cached: not parsed again.
    cache.Prefetch({path});
    ds.LoadFromFile(path);
    EXPECT_EQ(cache.ParseCount(), 2);
}

// A caller that waits for Prefetching to end finds every named packet parsed
// by the worker, a broken one included, and its loads parse nothing again.
TEST(PacketCache, PrefetchingEndsOnceTheWorkerHasParsedEveryNamedPacket) {
    const std::string good = WritePacket(PacketXml(kClassFields, ClassRows()), "prefetching-good.xml");
    const std::string other =
        WritePacket(PacketXml(kClassFields, "<ROW Sezione=\"q\"/>"), "prefetching-other.xml");
    const std::string broken =
        WritePacket(PacketXml(kClassFields, "<ROW Sezione=\"q\">"), "prefetching-broken.xml");
    dataset::PacketCache cache;
    EXPECT_FALSE(cache.Prefetching());
    cache.Prefetch({good, other, broken});
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (cache.Prefetching() && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ASSERT_FALSE(cache.Prefetching());
    EXPECT_EQ(cache.ParseCount(), 2);
    TClientDataSet ds;
    ds.SetPacketCache(&cache);
    ds.LoadFromFile(good);
    ds.LoadFromFile(other);
    EXPECT_EQ(cache.ParseCount(), 2);
    EXPECT_FALSE(cache.Prefetching());
}

TEST(DataSet, ListenersHearMovesAndChanges) {
    TClientDataSet ds;
    int calls = 0;
    const int id = ds.AddListener([&] { ++calls; });
    ds.LoadFromFile(WritePacket(PacketXml(kClassFields, ClassRows())));
    EXPECT_EQ(calls, 1);
    ds.Next();
    ds.Edit();
    ds.FieldByName("Sezione").SetAsString("k");
    ds.Post();
    ds.Delete();
    ds.SetIndexFieldNames("Sezione");
    EXPECT_EQ(calls, 5);
    ds.RemoveListener(id);
    ds.First();
    ds.Close();
    EXPECT_EQ(calls, 5);
}

TEST(DataSet, TextAtReadsAnyRowWithoutMoving) {
    TClientDataSet ds;
    ds.LoadFromFile(WritePacket(PacketXml(kClassFields, ClassRows())));
    ds.SetIndexFieldNames("AnnoCorso");
    EXPECT_EQ(ds.TextAt(0, 2), "Z");
    EXPECT_EQ(ds.TextAt(5, 1), "10");
    EXPECT_EQ(ds.TextAt(1, 0), "");
    EXPECT_EQ(ds.TextAt(6, 0), "");
    EXPECT_EQ(ds.RecNo(), 5);
    EXPECT_EQ(ds.FieldByName("Sezione").AsText(), "a");
}

} // namespace

// Text keys compare byte-wise over their whole length, also past the first
// eight bytes and between a value and its own prefix.
TEST(DataSet, IndexComparesLongTextKeysWholly) {
    TClientDataSet ds;
    ds.LoadFromFile(WritePacket(PacketXml("<FIELD attrname=\"Isbn\" fieldtype=\"string\" WIDTH=\"20\"/>",
                                          "<ROW Isbn=\"978880812345\"/><ROW Isbn=\"9788808123\"/>"
                                          "<ROW Isbn=\"978880812344\"/><ROW Isbn=\"97888081\"/>"
                                          "<ROW Isbn=\"9788808\"/><ROW Isbn=\"97888081&#233;\"/>")));
    ds.SetIndexFieldNames("Isbn");
    EXPECT_EQ(Column(ds, "Isbn"), "9788808|97888081|9788808123|978880812344|978880812345|97888081\xE9");
}
