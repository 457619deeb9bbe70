// Packets made to hurt the reader: huge shapes, DTDs, other encodings, numbers
// out of range, references written oddly. Each loads to exactly what it holds
// or fails with the error that names it, the same however it is cut.

#include "DataSetTestSupport.h"
#include "PacketTable.h"

#include "ExpectThrow.h"

#include <ctime>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using dstest::WritePacket;
using testsupport::PacketXml;

namespace {

const char* kNameField = "<FIELD attrname=\"Nome\" fieldtype=\"string\" WIDTH=\"40\"/>";

// A packet's text as UTF-16 bytes (ASCII and BMP characters written as \u escapes).
std::string Utf16(std::u16string_view Text, bool BigEndian, bool Bom = true) {
    std::string out;
    if (Bom) out += BigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (char16_t c : Text) {
        const char hi = static_cast<char>(c >> 8), lo = static_cast<char>(c & 0xFF);
        out += BigEndian ? hi : lo;
        out += BigEndian ? lo : hi;
    }
    return out;
}

std::u16string Widen(std::string_view Ascii) {
    return std::u16string(Ascii.begin(), Ascii.end());
}

// One Nome value in a packet of the given encoding.
enum class Enc { Plain, Utf8, Utf16Le, Utf16Be, Utf16NoBom };

std::string NamePacket(std::u16string_view Value, Enc E) {
    const std::string before = PacketXml(kNameField, "<ROW Nome=\"");
    const std::string head = before.substr(0, before.find("</ROWDATA>"));
    const std::string tail = "\"/></ROWDATA></DATAPACKET>";
    if (E == Enc::Plain || E == Enc::Utf8) {
        std::string value;
        for (char16_t c : Value) {
            if (E == Enc::Plain || c < 0x80) {
                value += static_cast<char>(c); // the plain packet's values are single bytes
            } else if (c < 0x800) {
                value += static_cast<char>(0xC0 | (c >> 6));
                value += static_cast<char>(0x80 | (c & 0x3F));
            } else {
                value += static_cast<char>(0xE0 | (c >> 12));
                value += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
                value += static_cast<char>(0x80 | (c & 0x3F));
            }
        }
        std::string p = head + value + tail;
        if (E == Enc::Utf8)
            p.replace(0, std::string(dstest::kProlog).size(), "<?xml version=\"1.0\" encoding=\"UTF-8\"?>");
        return p;
    }
    std::u16string text = Widen(head) + std::u16string(Value) + Widen(tail);
    const std::u16string decl = u"<?xml version=\"1.0\" encoding=\"UTF-16\"?>";
    text.replace(0, std::string(dstest::kProlog).size(), decl);
    return Utf16(text, E == Enc::Utf16Be, E != Enc::Utf16NoBom);
}

// Parses whole and in small chunks (cutting code units, references and
// multi-byte characters); every way must give the same single value.
void ExpectValue(const std::string& Bytes, std::string_view Expected) {
    for (size_t chunk : {size_t(1) << 20, size_t(1), size_t(2), size_t(3), size_t(7), size_t(64)}) {
        SCOPED_TRACE(chunk);
        try {
            const auto t = dataset::ParsePacket(Bytes, "p.xml", chunk);
            ASSERT_EQ(t->LiveRowCount(), 1u);
            EXPECT_EQ(t->Value(t->LiveRow(0), 0), Expected);
        } catch (const dataset::PacketError& e) {
            ADD_FAILURE() << e.what();
        }
    }
}

struct ValueCase {
    const char* name;
    std::u16string value;
    std::string expected;
};

// A character reference names one Unicode character whatever the packet's
// encoding and however many leading zeros it has; CP1252 lacks U+0080 and the
// private-use characters, so they read as "?".
TEST(HostilePacket, ReferencesMeanTheSameInEveryEncoding) {
    const std::u16string zeros(40, u'0');
    const ValueCase cases[] = {
        {"C1 reference 128", u"&#128;", "?"},
        {"C1 reference 129 kept as its byte", u"&#x81;", "\x81"},
        {"euro sign by its code point", u"&#8364;", "\x80"},
        {"control reference", u"a&#1;b",
         "a\x01"
         "b"},
        {"control reference with many zeros", u"&#" + zeros + u"1;", "\x01"},
        {"hex control reference with many zeros", u"&#x" + zeros + u"1F;", "\x1F"},
        {"letter with many zeros", u"&#x" + zeros + u"E8;", "\xE8"},
        {"surrogate with many zeros", u"&#x" + zeros + u"D800;", "?"},
        {"private-use reference", u"&#xE001;", "?"},
        {"private-use decimal reference", u"&#57375;", "?"},
        {"private-use character", u"a\uE001b", "a?b"},
        {"first private-use character after the range", u"&#xE020;", "?"},
        {"out of range with zeros", u"&#x" + zeros + u"110000;", "?"},
    };
    const std::pair<const char*, Enc> encodings[] = {
        {"undeclared", Enc::Plain},
        {"UTF-8", Enc::Utf8},
        {"UTF-16LE", Enc::Utf16Le},
        {"UTF-16BE", Enc::Utf16Be},
        {"UTF-16 without BOM", Enc::Utf16NoBom},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        for (const auto& [encName, enc] : encodings) {
            // A raw private-use character has no single-byte form.
            if (enc == Enc::Plain && c.value.find(u'\uE001') != std::u16string::npos) continue;
            SCOPED_TRACE(encName);
            ExpectValue(NamePacket(c.value, enc), c.expected);
        }
    }
}

// In UTF-16 the reference rewrite works on characters: these values' bytes
// spell "&#1;" and "&#xD800;" but are ordinary CJK characters.
TEST(HostilePacket, Utf16BytesThatSpellReferencesAreCharacters) {
    const ValueCase cases[] = {
        {"bytes of &#1;", u"\u2326\u3B31", "??"},
        {"bytes of &#xD800;", u"\u2326\u4478\u3038\u3B30", "????"},
        {"letters and a pair", u"Citt\u00E0 \u20AC \U0001F600", "Citt\xE0 \x80 ?"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ExpectValue(NamePacket(c.value, Enc::Utf16Le), c.expected);
    }
    // Big-endian bytes of U+2326 U+3B31 are "#&;1", no reference either.
    ExpectValue(NamePacket(u"\u2623\u313B", Enc::Utf16Be), "??");
}

struct BadCase {
    const char* name;
    std::string bytes;
    unsigned long line;
    std::string reason;
};

std::string WithDoctype(std::string_view Subset, std::string_view Rows) {
    return "<?xml version=\"1.0\"?>\n<!DOCTYPE DATAPACKET [\n" + std::string(Subset) + "]>\n" +
           PacketXml(kNameField, Rows).substr(std::string(dstest::kProlog).size());
}

std::string FieldPacket(std::string_view Attributes) {
    return PacketXml("<FIELD attrname=\"Nome\" fieldtype=\"string\" " + std::string(Attributes) + "/>", "");
}

// A ROW on line 2 holding Depth levels of elements the table ignores.
std::string NestedPacket(int Depth) {
    std::string open, close;
    for (int i = 0; i < Depth; ++i) {
        open += "<a>";
        close += "</a>";
    }
    return PacketXml(kNameField, "\n<ROW Nome=\"n\">" + open + close + "</ROW>");
}

std::string StatePacket(std::string_view State) {
    return PacketXml(kNameField,
                     "<ROW Nome=\"a\"/>\n<ROW RowState=\"" + std::string(State) + "\" Nome=\"b\"/>");
}

TEST(HostilePacket, BrokenShapesFailWithTheirReason) {
    // The defaults would give every row a 10 KB value and delete it.
    std::string manyRows;
    for (int i = 0; i < 2000; ++i) manyRows += "<ROW/>";
    const std::string bigDefault =
        "<!ATTLIST ROW Nome CDATA \"" + std::string(10000, 'x') + "\" RowState CDATA \"2\">\n";
    std::string manyDeclarations;
    for (int i = 0; i < 5000; ++i) manyDeclarations += "<!ELEMENT E" + std::to_string(i) + " EMPTY>";
    const char* kWidthRange = " is not a whole number from 0 to 2147483647";
    const char* kStateRange = " of row 2 is not a whole number from 0 to 255";
    const BadCase cases[] = {
        {"attribute defaults", WithDoctype(bigDefault, manyRows), 3,
         "attribute declarations are not allowed"},
        {"fixed attribute", WithDoctype("<!ATTLIST ROW Nome CDATA #FIXED \"f\">\n", "<ROW/>"), 3,
         "attribute declarations are not allowed"},
        {"tokenized attribute type",
         WithDoctype("<!ATTLIST ROW Nome NMTOKEN #IMPLIED>\n", "<ROW Nome=\" a \"/>"), 3,
         "attribute declarations are not allowed"},
        {"declarations after many elements",
         WithDoctype(manyDeclarations + "\n<!ATTLIST ROW a CDATA 'x'>\n", ""), 4,
         "attribute declarations are not allowed"},
        {"WIDTH beyond 64 bits", FieldPacket("WIDTH=\"99999999999999999999\""), 1,
         "WIDTH \"99999999999999999999\" of field 'Nome'" + std::string(kWidthRange)},
        {"WIDTH 2^31", FieldPacket("WIDTH=\"2147483648\""), 1,
         "WIDTH \"2147483648\" of field 'Nome'" + std::string(kWidthRange)},
        {"WIDTH 2^32 + 1", FieldPacket("WIDTH=\"4294967297\""), 1,
         "WIDTH \"4294967297\" of field 'Nome'" + std::string(kWidthRange)},
        {"WIDTH with exponent", FieldPacket("WIDTH=\"1e3\""), 1,
         "WIDTH \"1e3\" of field 'Nome'" + std::string(kWidthRange)},
        {"negative WIDTH", FieldPacket("WIDTH=\"-1\""), 1,
         "WIDTH \"-1\" of field 'Nome'" + std::string(kWidthRange)},
        {"empty WIDTH", FieldPacket("WIDTH=\"\""), 1,
         "WIDTH \"\" of field 'Nome'" + std::string(kWidthRange)},
        {"WIDTH with a blank", FieldPacket("WIDTH=\" 5\""), 1,
         "WIDTH \" 5\" of field 'Nome'" + std::string(kWidthRange)},
        {"long WIDTH is cut in the message", FieldPacket("WIDTH=\"" + std::string(100, '9') + "\""), 1,
         "WIDTH \"" + std::string(40, '9') + "...\" of field 'Nome'" + kWidthRange},
        {"DECIMALS with a fraction", FieldPacket("DECIMALS=\"2.0\""), 1,
         "DECIMALS \"2.0\" of field 'Nome'" + std::string(kWidthRange)},
        {"RowState 257", StatePacket("257"), 2, "RowState \"257\"" + std::string(kStateRange)},
        {"RowState 2^32 + 2", StatePacket("4294967298"), 2,
         "RowState \"4294967298\"" + std::string(kStateRange)},
        {"RowState 2.0", StatePacket("2.0"), 2, "RowState \"2.0\"" + std::string(kStateRange)},
        {"RowState -1", StatePacket("-1"), 2, "RowState \"-1\"" + std::string(kStateRange)},
        {"RowState abc", StatePacket("abc"), 2, "RowState \"abc\"" + std::string(kStateRange)},
        {"unpaired high surrogate in UTF-16",
         Utf16(Widen(PacketXml(kNameField, "<ROW Nome=\"a")) + u"\xD800" + Widen("\"/>"), false), 1,
         "not well-formed (invalid token)"},
        {"lone low surrogate in UTF-16",
         Utf16(Widen(PacketXml(kNameField, "<ROW Nome=\"")) + u"\xDC00", false), 1,
         "not well-formed (invalid token)"},
        {"odd byte count in UTF-16", Utf16(Widen(PacketXml(kNameField, "")), false) + "x", 1,
         "not well-formed (invalid token)"},
        // DATAPACKET, ROWDATA and ROW are three levels.
        {"tenth level inside a ROW", NestedPacket(7), 2, "elements nested deeper than 9 levels"},
        {"tenth level of nested fields",
         std::string(dstest::kProlog) +
             "<DATAPACKET Version=\"2.0\"><METADATA><FIELDS>\n"
             "<FIELD attrname=\"a\" fieldtype=\"nested\"><FIELDS><FIELD attrname=\"b\" fieldtype=\"nested\">"
             "<FIELDS><FIELD attrname=\"c\" fieldtype=\"nested\"><FIELDS><FIELD attrname=\"d\"/></FIELDS>"
             "</FIELD></FIELDS></FIELD></FIELDS></FIELD></FIELDS></METADATA><ROWDATA/></DATAPACKET>",
         2, "elements nested deeper than 9 levels"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        for (size_t chunk : {size_t(1) << 20, size_t(3)}) {
            SCOPED_TRACE(chunk);
            try {
                dataset::ParsePacket(c.bytes, "bad.xml", chunk);
                ADD_FAILURE() << "loaded";
            } catch (const dataset::PacketError& e) {
                EXPECT_EQ(e.Line(), c.line);
                EXPECT_EQ(e.Reason(), c.reason);
                EXPECT_EQ(std::string(e.what()),
                          "Invalid data packet bad.xml, line " + std::to_string(c.line) + ": " + c.reason);
            }
        }
    }
}

// Nine levels, the deepest a packet's nested datasets go, still load.
TEST(HostilePacket, NineLevelsLoad) {
    ExpectValue(NestedPacket(6), "n");
}

struct EncodingCase {
    const char* name;
    const char* encoding;
    std::string expected; // the value's bytes, or the refusal
};

// A declared encoding is read as it says or refused: never other letters read
// silently as CP1252. The value is the byte E8 in the single-byte encodings.
TEST(HostilePacket, DeclaredEncodingsAreReadOrRefused) {
    const std::string refused =
        " dichiarata non gestita: si leggono UTF-8, UTF-16, windows-1252 e ISO-8859-1";
    const EncodingCase cases[] = {
        {"windows-1252", "windows-1252", "Citt\xE0"},
        {"its other name", "CP1252", "Citt\xE0"},
        {"ISO-8859-1", "iso-8859-1", "Citt\xE0"},
        {"latin1", "latin1", "Citt\xE0"},
        {"ASCII", "US-ASCII", "Citt\xE0"},
        {"ISO-8859-15", "ISO-8859-15", "codifica \"ISO-8859-15\"" + refused},
        {"windows-1250", "windows-1250", "codifica \"windows-1250\"" + refused},
        {"unknown name", "x-scuola", "codifica \"x-scuola\"" + refused},
        {"UTF-16 declared over single bytes", "UTF-16", "codifica \"UTF-16\"" + refused},
        {"name with controls shown safely", "a\x1B[2Jb", "codifica \"a??2Jb\"" + refused},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::string bytes = NamePacket(u"Citt\u00E0", Enc::Plain);
        bytes.replace(0, std::string(dstest::kProlog).size(),
                      std::string("<?xml version=\"1.0\" encoding=\"") + c.encoding + "\"?>");
        for (size_t chunk : {size_t(1) << 20, size_t(3)}) {
            SCOPED_TRACE(chunk);
            try {
                const auto t = dataset::ParsePacket(bytes, "enc.xml", chunk);
                ASSERT_EQ(t->LiveRowCount(), 1u);
                EXPECT_EQ(t->Value(0, 0), c.expected);
            } catch (const dataset::PacketError& e) {
                EXPECT_EQ(e.Line(), 1u);
                EXPECT_EQ(e.Reason(), c.expected);
            }
        }
    }
}

double CpuSeconds();

struct TokenCase {
    const char* name;
    std::string bytes;
    std::string value;
};

// Expat scans a token it has not seen the end of again on every call: fed a
// byte at a time, a megabyte-long value or comment took hours. Whatever the
// chunk, the work grows with the packet, not its square.
TEST(HostilePacket, HugeTokensLoadInLinearTime) {
    const std::string big(size_t(1) << 20, 'x');
    const std::string comment = PacketXml(kNameField, "<!--" + big + "--><ROW Nome=\"c\"/>");
    const TokenCase cases[] = {
        {"attribute value", NamePacket(Widen(big), Enc::Plain), big},
        {"comment", comment, "c"},
        {"attribute value in UTF-16", NamePacket(Widen(big), Enc::Utf16Le), big},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        for (size_t chunk : {size_t(1), size_t(7), size_t(4096)}) {
            SCOPED_TRACE(chunk);
            const double start = CpuSeconds();
            const auto t = dataset::ParsePacket(c.bytes, "token.xml", chunk);
            EXPECT_LT(CpuSeconds() - start, 10.0);
            ASSERT_EQ(t->LiveRowCount(), 1u);
            EXPECT_EQ(t->Value(0, 0), c.value);
        }
    }
}

// A FIFO, a folder or a device named as a packet is refused at once, never
// waited on; a file larger than any packet is "too large", not short of memory.
TEST(HostilePacket, WhatCannotBeAPacketIsRefused) {
    const std::string dir = testsupport::SandboxDir() + "/odd-files/";
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir + "folder.xml");
    ASSERT_EQ(mkfifo((dir + "fifo.xml").c_str(), 0600), 0);
    for (const std::string& path : {dir + "fifo.xml", dir + "folder.xml", std::string("/dev/zero")}) {
        SCOPED_TRACE(path);
        TClientDataSet ds;
        EXPECT_THROW_MSG(ds.LoadFromFile(path), EVxError, "Cannot open file " + path);
    }
    const std::pair<const char*, uint64_t> sizes[] = {
        {"just over the bound", dataset::kMaxPacketBytes + 1},
        {"100 GB", uint64_t(100) << 30},
    };
    for (const auto& [name, size] : sizes) {
        SCOPED_TRACE(name);
        const std::string path = dir + "sparse.xml";
        testsupport::WriteFileBytes(path, "<?xml version=\"1.0\"?>");
        ASSERT_EQ(truncate(path.c_str(), static_cast<off_t>(size)), 0);
        try {
            TClientDataSet ds;
            ds.LoadFromFile(path);
            ADD_FAILURE() << "loaded";
        } catch (const dataset::PacketError& e) {
            EXPECT_EQ(e.Line(), 1u);
            EXPECT_EQ(e.Reason(), "the file is too large: a packet holds at most 4 GB");
        }
    }
    std::filesystem::remove_all(dir);
}

struct NumberCase {
    const char* name;
    std::string packet;
    int width;
    int liveRows;
};

TEST(HostilePacket, WholeNumbersInRangeLoad) {
    const NumberCase cases[] = {
        {"largest WIDTH", FieldPacket("WIDTH=\"2147483647\""), 2147483647, 0},
        {"WIDTH with leading zeros", FieldPacket("WIDTH=\"0040\""), 40, 0},
        {"empty RowState is no state", StatePacket(""), 40, 2},
        {"RowState 255 is a deleted original", StatePacket("255"), 40, 1},
        {"RowState 0", StatePacket("0"), 40, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto t = dataset::ParsePacket(c.packet, "ok.xml");
        EXPECT_EQ(t->Fields()[0].Width, c.width);
        EXPECT_EQ(t->LiveRowCount(), static_cast<uint32_t>(c.liveRows));
    }
}

double CpuSeconds() {
    return static_cast<double>(std::clock()) / CLOCKS_PER_SEC;
}

// Field names in declaration order and one row naming them in reverse.
std::string ManyFields(int Count, bool Reverse, int Rows) {
    std::string fields, row = "<ROW";
    for (int i = 0; i < Count; ++i)
        fields += "<FIELD attrname=\"F" + std::to_string(i) + "\" fieldtype=\"i4\"/>";
    for (int k = 0; k < Count; ++k) {
        const int i = Reverse ? Count - 1 - k : k;
        row += " F" + std::to_string(i) + "=\"" + std::to_string(i) + "\"";
    }
    row += "/>";
    std::string rows;
    for (int r = 0; r < Rows; ++r) rows += row;
    return PacketXml(fields, rows);
}

// Field lookups are hashed: CPU time grows with the fields, not their square
// (quadratic lookups took minutes here; the bound leaves room for sanitizers).
TEST(HostilePacket, ManyFieldsLoadInLinearTime) {
    const std::string p = ManyFields(100000, true, 1);
    const double start = CpuSeconds();
    const auto t = dataset::ParsePacket(p, "wide.xml");
    EXPECT_LT(CpuSeconds() - start, 15.0);
    ASSERT_EQ(t->FieldCount(), 100000);
    EXPECT_EQ(t->Value(0, 0), "0");
    EXPECT_EQ(t->Value(0, 99999), "99999");

    // Rows that alternate their attribute order still find every field.
    std::string fields, rows;
    for (int i = 0; i < 3000; ++i)
        fields += "<FIELD attrname=\"F" + std::to_string(i) + "\" fieldtype=\"i4\"/>";
    for (int r = 0; r < 200; ++r) {
        rows += "<ROW";
        for (int k = 0; k < 3000; ++k) {
            const int i = r % 2 ? 2999 - k : k;
            rows += " F" + std::to_string(i) + "=\"" + std::to_string(i + r) + "\"";
        }
        rows += "/>";
    }
    const double start2 = CpuSeconds();
    const auto alt = dataset::ParsePacket(PacketXml(fields, rows), "alternating.xml");
    EXPECT_LT(CpuSeconds() - start2, 15.0);
    ASSERT_EQ(alt->LiveRowCount(), 200u);
    EXPECT_EQ(alt->Value(199, 0), "199");
    EXPECT_EQ(alt->Value(198, 2999), "3197");

    // A name repeated in another case at the end is found as a duplicate.
    const std::string dup = PacketXml(fields + "<FIELD attrname=\"f1500\" fieldtype=\"i4\"/>", "");
    try {
        dataset::ParsePacket(dup, "dup.xml");
        ADD_FAILURE() << "loaded";
    } catch (const dataset::PacketError& e) {
        EXPECT_EQ(e.Reason(), "duplicate field name 'f1500'");
    }
}

// Cells are reserved as the rows come: a packet whose size and field count
// would make an up-front reservation of tens of gigabytes loads.
TEST(HostilePacket, WideFieldsInABigFileLoad) {
    std::string fields;
    for (int i = 0; i < 20000; ++i)
        fields += "<FIELD attrname=\"F" + std::to_string(i) + "\" fieldtype=\"i4\"/>";
    std::string rows = "<ROW F19999=\"7\"/>";
    rows.append(size_t(60) << 20, ' ');
    const auto t = dataset::ParsePacket(PacketXml(fields, rows), "wide.xml");
    ASSERT_EQ(t->LiveRowCount(), 1u);
    EXPECT_EQ(t->Value(0, 19999), "7");
    EXPECT_TRUE(t->IsNull(0, 0));
}

#if !defined(__SANITIZE_ADDRESS__)
// The process's data size (VmData), what RLIMIT_DATA limits.
rlim_t DataSize() {
    const std::string status = testsupport::ReadFileBytes("/proc/self/status");
    const size_t at = status.find("VmData:");
    return at == std::string::npos ? 0 : rlim_t(std::stoull(status.substr(at + 7))) << 10;
}

// Loads Path with 300 MB of room for data; exits 3 on the packet's error on line 2.
[[noreturn]] void LoadWithLittleRoom(const std::string& Path) {
    const rlim_t room = DataSize() + (rlim_t(300) << 20);
    const rlimit limit{room, room};
    setrlimit(RLIMIT_DATA, &limit);
    TClientDataSet ds;
    try {
        ds.LoadFromFile(Path);
    } catch (const dataset::PacketError& e) {
        std::fprintf(stderr, "%s\n", e.what());
        std::_Exit(e.Line() == 2 ? 3 : 4);
    }
    std::_Exit(5);
}
#endif

// Elements opened inside a ROW are refused at the tenth level, before
// expat's stack of open elements (about 47 times the file) outgrows the room.
TEST(HostilePacket, DeepNestingStaysWithinTheFilesMemory) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the sanitizer's own mappings count against the data limit";
#else
    std::string open;
    for (int i = 0; i < 3000000; ++i) open += "<a>";
    const std::string path = WritePacket(PacketXml(kNameField, "\n<ROW Nome=\"n\">" + open + "</ROW>"));
    EXPECT_EXIT(LoadWithLittleRoom(path), testing::ExitedWithCode(3),
                "Invalid data packet .*, line 2: elements nested deeper than 9 levels");
#endif
}

// Memory running out while a packet loads is that packet's error, never the
// end of the process. The child process gets a data limit its packet exceeds.
TEST(HostilePacket, RunningOutOfMemoryIsThePacketsError) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the sanitizer's own mappings count against the data limit";
#else
    std::string fields;
    for (int i = 0; i < 100000; ++i) fields += "<FIELD attrname=\"F" + std::to_string(i) + "\"/>";
    std::string rows = "\n";
    for (int i = 0; i < 5000; ++i) rows += "<ROW/>";
    const std::string path = WritePacket(PacketXml(fields, rows));
    EXPECT_EXIT(LoadWithLittleRoom(path), testing::ExitedWithCode(3),
                "Invalid data packet .*, line 2: not enough memory to load the packet");
#endif
}

} // namespace
