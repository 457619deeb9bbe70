// The record layout tables, the record splitter and the file checker, on the
// golden files and on hand-broken copies of them.

#include <gtest/gtest.h>

#include "export/records/RecordLayout.h"
#include "tests/common/TestSupport.h"

using namespace txad;

namespace {

std::string GoldenFile(std::string_view Edition, std::string_view Case, std::string_view Target,
                       std::string_view Name) {
    return testsupport::ReadFileBytes(std::string(ADOX_GOLDEN_DIR) + "/" + std::string(Edition) + "/" +
                                      std::string(Case) + "/" + std::string(Target) + "/" +
                                      std::string(Name));
}

std::string Describe(const std::vector<RecordFault>& Faults) {
    std::string Text;
    for (const RecordFault& F : Faults)
        Text +=
            std::to_string(F.Line) + ":" + std::to_string(F.Column) + ": " + F.Field + ": " + F.What + "\n";
    return Text;
}

// The offset of a 1-based line and column in Bytes.
std::size_t Offset(const std::string& Bytes, int Line, int Column) {
    std::size_t Pos = 0;
    for (int L = 1; L < Line; ++L) Pos = Bytes.find('\n', Pos) + 1;
    return Pos + static_cast<std::size_t>(Column - 1);
}

} // namespace

TEST(RecordLayout, TablesAreConsistent) {
    struct Row {
        Edition ed;
        const char* target;
        std::vector<const char*> files;
        std::vector<const char*> codes;       // body record codes, "" for no body
        std::vector<std::size_t> bodyLengths; // fixed length of the body record
        std::vector<std::size_t> headerLengths;
        std::size_t trailerLength;
    } rows[] = {
        {Edition::Current,
         "aie",
         {"File014.txt", "File622.txt", "File815.txt", "File815E.txt"},
         {"R014", "R622", "R815", "R81E"},
         {345, 71, 66, 202},
         {63, 15, 15, 15},
         17},
        {Edition::Current,
         "anarpe",
         {"Adoz001.txt", "Adoz002.txt", "Adoz003.txt", "Adoz004.txt"},
         {"A001", "A002", "A003", "A004"},
         {345, 71, 66, 202},
         {9, 9, 9, 9},
         14},
        {Edition::Classic,
         "aie",
         {"File014.txt", "File622.txt", "File698.txt", "File815.txt", "File815E.txt"},
         {"R014", "R622", "R698", "R815", ""},
         {336, 46, 52, 58, 0},
         {25, 15, 15, 15, 15},
         17},
        {Edition::Classic,
         "anarpe",
         {"Adoz001.txt", "Adoz002.txt", "Adoz003.txt", "Adoz004.txt"},
         {"A001", "A002", "A003", "A004"},
         {336, 46, 52, 58},
         {9, 9, 9, 9},
         14},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.target);
        const std::span<const FileLayout> Files = FileLayouts(r.ed, r.target);
        ASSERT_EQ(Files.size(), r.files.size());
        for (std::size_t I = 0; I < Files.size(); ++I) {
            const FileLayout& File = Files[I];
            SCOPED_TRACE(File.FileName);
            EXPECT_EQ(File.FileName, r.files[I]);
            // A file that reloads has a packet; a file has a writer exactly when it has a body.
            EXPECT_TRUE(!File.Reloads || !File.Packet.empty());
            EXPECT_EQ(File.Body == nullptr, File.Writer == BodyWriterKind::None);
            ASSERT_NE(File.Header, nullptr);
            ASSERT_NE(File.Trailer, nullptr);
            EXPECT_EQ(File.Header->FixedLength(), r.headerLengths[I]);
            EXPECT_EQ(File.Trailer->FixedLength(), r.trailerLength);
            if (*r.codes[I] == '\0') {
                EXPECT_EQ(File.Body, nullptr);
            } else {
                ASSERT_NE(File.Body, nullptr);
                EXPECT_EQ(File.Body->Code(), r.codes[I]);
                EXPECT_EQ(File.Body->FixedLength(), r.bodyLengths[I]);
                EXPECT_EQ(File.Body->Fields.back().Source, "*");
                EXPECT_EQ(File.Body->Fields.back().Content, FieldContent::Constant);
            }
            for (const RecordLayout* Layout : {File.Header, File.Body, File.Trailer}) {
                if (Layout == nullptr) continue;
                SCOPED_TRACE(Layout->Name);
                EXPECT_EQ(Layout->Fields.front().Content, FieldContent::Constant);
                EXPECT_EQ(Layout->Fields.front().Start, 1);
                int Variables = 0;
                for (std::size_t F = 0; F < Layout->Fields.size(); ++F) {
                    const LayoutField& Field = Layout->Fields[F];
                    SCOPED_TRACE(Field.Name);
                    EXPECT_FALSE(Field.Name.empty());
                    if (F > 0) {
                        EXPECT_EQ(Field.Start, Layout->Fields[F - 1].Start + Layout->Fields[F - 1].Width);
                    }
                    EXPECT_EQ(Field.Pad == FieldPad::Variable, Field.Width == 0);
                    if (Field.Pad == FieldPad::Variable) ++Variables;
                    if (Field.Content == FieldContent::Constant) {
                        EXPECT_EQ(Field.Source.size(), static_cast<std::size_t>(Field.Width));
                    }
                }
                EXPECT_LE(Variables, 1);
                EXPECT_EQ(Layout->VariableField() >= 0, Variables == 1);
            }
        }
    }
    EXPECT_TRUE(FileLayouts(Edition::Current, "AIE").empty());
    EXPECT_TRUE(FileLayouts(Edition::Classic, "").empty());
}

TEST(RecordLayout, GoldenFilesAreRecognisedAndCheckClean) {
    struct Row {
        Edition ed;
        const char* edition;
        const char* kase;
        const char* target;
    } rows[] = {
        {Edition::Current, "export", "basic", "aie"},
        {Edition::Current, "export", "basic", "anarpe"},
        {Edition::Current, "export", "empty", "aie"},
        {Edition::Current, "export", "empty", "anarpe"},
        {Edition::Classic, "export-classic", "basic", "aie"},
        {Edition::Classic, "export-classic", "basic", "anarpe"},
    };
    for (const Row& r : rows) {
        for (const FileLayout& File : FileLayouts(r.ed, r.target)) {
            SCOPED_TRACE(std::string(r.edition) + "/" + r.kase + "/" + r.target + "/" +
                         std::string(File.FileName));
            const std::string Bytes = GoldenFile(r.edition, r.kase, r.target, File.FileName);
            EXPECT_EQ(RecogniseFile(r.ed, Bytes, "some/folder/" + std::string(File.FileName)), &File);
            EXPECT_EQ(Describe(CheckRecordFile(File, Bytes)), "");
        }
    }
}

TEST(RecordLayout, FilesAreRecognisedByTheirCodesThenByName) {
    const std::string EmptyClassFile = GoldenFile("export", "empty", "aie", "File622.txt");
    const std::string ClassicAdoptions = GoldenFile("export-classic", "basic", "anarpe", "Adoz004.txt");
    struct Row {
        const char* name;
        Edition ed;
        std::string bytes;
        const char* fileName;
        const char* expected; // the recognised file's name, "" for none
    } rows[] = {
        {"body code wins over the name", Edition::Current,
         GoldenFile("export", "basic", "aie", "File815.txt"), "File622.txt", "File815.txt"},
        {"body code without a name", Edition::Current, GoldenFile("export", "basic", "anarpe", "Adoz004.txt"),
         "", "Adoz004.txt"},
        {"the same code in the earlier edition", Edition::Classic, ClassicAdoptions, "", "Adoz004.txt"},
        {"no body: the name", Edition::Current, EmptyClassFile, "FILE622.TXT", "File622.txt"},
        {"no body, no name", Edition::Current, EmptyClassFile, "x.txt", ""},
        {"the first file's own header", Edition::Current, GoldenFile("export", "empty", "aie", "File014.txt"),
         "copy.txt", "File014.txt"},
        {"the earlier edition's last file", Edition::Classic,
         GoldenFile("export-classic", "basic", "aie", "File815E.txt"), "", "File815E.txt"},
        {"a broken header is named", Edition::Current, "X" + EmptyClassFile, "dir\\File622.txt",
         "File622.txt"},
        {"nothing known", Edition::Current, "hello\r\n", "hello.txt", ""},
        {"another edition's name", Edition::Current, "hello\r\n", "File698.txt", ""},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        const FileLayout* File = RecogniseFile(r.ed, r.bytes, r.fileName);
        EXPECT_EQ(File ? std::string(File->FileName) : std::string(), r.expected);
    }
}

TEST(RecordLayout, SplitRecordGivesOneSpanPerField) {
    const RecordLayout& FirstHeader = *FileLayouts(Edition::Current, "aie")[0].Header;
    const RecordLayout& Trailer = *FileLayouts(Edition::Current, "aie")[0].Trailer;
    struct Row {
        const char* name;
        const RecordLayout* layout;
        std::string line;
        bool fits;
        std::vector<std::size_t> lengths;
    } rows[] = {
        {"variable field in the middle",
         &FirstHeader,
         "R00105032026  6ZURO_3.1.015/03/2021" + std::string(30, 'P') + "05032026",
         true,
         {4, 8, 3, 10, 10, 30, 8}},
        {"empty variable field",
         &FirstHeader,
         "R00105032026  6ZURO_3.1.0" + std::string(30, 'P') + "05032026",
         true,
         {4, 8, 3, 10, 0, 30, 8}},
        {"short line with a variable field", &FirstHeader, "R00105032026  6ZURO", false, {4, 8, 3, 4}},
        {"exact length", &Trailer, "R09905032026    8", true, {4, 8, 5}},
        {"short line is cut", &Trailer, "R0990503", false, {4, 4}},
        {"long line", &Trailer, "R09905032026    8X", false, {4, 8, 5}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        std::vector<FieldSpan> Spans;
        EXPECT_EQ(SplitRecord(*r.layout, r.line, Spans), r.fits);
        std::vector<std::size_t> Lengths;
        std::size_t Next = 0;
        for (const FieldSpan& S : Spans) {
            EXPECT_EQ(S.Offset, Next);
            Next += S.Length;
            Lengths.push_back(S.Length);
        }
        EXPECT_EQ(Lengths, r.lengths);
    }
}

TEST(RecordLayout, BrokenFilesGiveTheFaultsPlace) {
    // An edit of a golden file: Erase bytes at Line:Column, then Insert there.
    struct Row {
        const char* name;
        Edition ed;
        const char* edition;
        const char* target;
        const char* file;
        int line, column;
        std::size_t erase;
        std::string insert;
        std::string faults;
    } rows[] = {
        {"short line", Edition::Current, "export", "aie", "File815.txt", 2, 66, 1, "",
         "2:66: : riga troppo corta: 65 caratteri invece di 66\n"},
        {"long line", Edition::Current, "export", "aie", "File815.txt", 3, 67, 0, "X",
         "3:67: : riga troppo lunga: 67 caratteri invece di 66\n"},
        {"shifted field", Edition::Current, "export", "aie", "File815.txt", 2, 20, 0, " ",
         "2:66: Fine record: atteso \"*\"\n2:67: : riga troppo lunga: 67 caratteri invece di 66\n"},
        {"letter in a year", Edition::Current, "export", "anarpe", "Adoz003.txt", 2, 64, 1, "X",
         "2:64: Anno prima adozione: non numerico\n"},
        {"blank after a digit", Edition::Current, "export", "aie", "File815E.txt", 3, 200, 1, " ",
         "3:200: Anno prima adozione: non numerico\n"},
        {"trailer count off by one", Edition::Current, "export", "aie", "File815.txt", 12, 17, 1, "3",
         "12:17: Numero righe: conteggio 13 invece di 12\n"},
        {"LF without CR", Edition::Current, "export", "aie", "File622.txt", 3, 72, 1, "",
         "3:72: : manca il ritorno a capo (CR) prima di LF\n"},
        {"CR without LF", Edition::Current, "export", "aie", "File622.txt", 3, 73, 1, "",
         "3:72: : ritorno a capo (CR) senza LF\n"},
        {"CR without LF at the end", Edition::Current, "export", "aie", "File622.txt", 8, 19, 1, "",
         "8:18: : ritorno a capo (CR) senza LF\n"},
        {"foreign record code", Edition::Current, "export", "aie", "File622.txt", 4, 1, 1, "X",
         "4:1: Codice record: codice record \"X622\" non previsto\n"},
        {"other file's record code", Edition::Current, "export", "anarpe", "Adoz002.txt", 2, 4, 1, "3",
         "2:4: Codice record: codice record \"A003\" non previsto\n"},
        {"truncated last line", Edition::Current, "export", "aie", "File815E.txt", 6, 15, 5, "",
         "6:15: : riga troppo corta: 14 caratteri invece di 17\n"
         "6:15: : manca il fine riga (CR LF) in fondo al file\n"},
        {"file cut inside a record", Edition::Current, "export", "aie", "File815.txt", 4, 31, 10000, "",
         "4:31: : riga troppo corta: 30 caratteri invece di 66\n"
         "4:31: : manca il fine riga (CR LF) in fondo al file\n5:1: : manca la riga di coda\n"},
        {"trailer inside the body", Edition::Current, "export", "aie", "File622.txt", 2, 1, 0,
         "R09905032026    8\r\n",
         "2:2: Codice record: codice record \"R099\" non previsto\n"
         "9:17: Numero righe: conteggio 8 invece di 9\n"},
        {"end mark", Edition::Current, "export", "aie", "File622.txt", 2, 71, 1, "#",
         "2:71: Fine record: atteso \"*\"\n"},
        {"filler", Edition::Current, "export", "anarpe", "Adoz004.txt", 2, 181, 1, "X",
         "2:181: Riempimento: atteso solo spazi\n"},
        {"registry count below its lines", Edition::Current, "export", "aie", "File014.txt", 8, 16, 2, " 2",
         "8:17: Numero righe: conteggio 2 inferiore alle 8 righe del file\n"},
        {"registry count above its lines is rows", Edition::Current, "export", "anarpe", "Adoz001.txt", 8, 13,
         2, "99", ""},
        {"header date", Edition::Current, "export", "aie", "File622.txt", 1, 7, 1, "3",
         "1:5: Data: data non valida\n"},
        {"trailer date", Edition::Current, "export", "anarpe", "Adoz002.txt", 8, 2, 1, "X",
         "8:2: Data: data non valida\n"},
        {"parameter file date of 7 digits", Edition::Current, "export", "anarpe", "Adoz003.txt", 1, 17, 1, "",
         "1:10: Data file parametri: data non valida\n"},
        {"blank school count", Edition::Current, "export", "aie", "File815.txt", 1, 15, 1, " ",
         "1:13: Numero scuole: vuoto\n"},
        {"software identifier", Edition::Current, "export", "aie", "File014.txt", 1, 21, 1, "4",
         "1:21: Versione software: atteso \"ZURO_3.1.0\"\n"},
        {"empty file", Edition::Current, "export", "aie", "File622.txt", 1, 1, 10000, "",
         "1:1: : file vuoto\n"},
        {"header only", Edition::Current, "export", "aie", "File622.txt", 2, 1, 10000, "",
         "2:1: : manca la riga di coda\n"},
        {"statistics count follows the schools", Edition::Classic, "export-classic", "aie", "File698.txt", 8,
         17, 1, "8", "8:17: Numero righe: conteggio 8 invece di 4\n"},
        {"statistics count without schools in the header", Edition::Classic, "export-classic", "anarpe",
         "Adoz003.txt", 8, 14, 1, "9", ""},
        {"blank statistics value", Edition::Classic, "export-classic", "aie", "File698.txt", 2, 24, 1, " ",
         "2:22: Classi anno 1: vuoto\n"},
        {"last file counts no school", Edition::Classic, "export-classic", "aie", "File815E.txt", 1, 15, 1,
         "2", "1:15: Numero scuole: atteso \"  0\"\n"},
        {"record in the last file", Edition::Classic, "export-classic", "aie", "File815E.txt", 2, 1, 0,
         "R815\r\n",
         "2:1: : riga non prevista tra testata e coda\n3:17: Numero righe: conteggio 2 invece di 3\n"},
        {"ISBN of any length", Edition::Classic, "export-classic", "aie", "File815.txt", 2, 58, 13, "", ""},
        {"short line before the ISBN", Edition::Classic, "export-classic", "anarpe", "Adoz004.txt", 2, 57, 14,
         "", "2:58: : riga troppo corta: 57 caratteri invece di almeno 58\n"},
        {"scan mark", Edition::Classic, "export-classic", "aie", "File622.txt", 2, 46, 0, "ZZ", ""},
        {"parameter file date missing", Edition::Classic, "export-classic", "aie", "File014.txt", 1, 26, 8,
         "", ""},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        std::string Bytes = GoldenFile(r.edition, "basic", r.target, r.file);
        const std::size_t At = Offset(Bytes, r.line, r.column);
        ASSERT_LE(At, Bytes.size());
        Bytes.replace(At, r.erase, r.insert);
        const FileLayout* File = nullptr;
        for (const FileLayout& F : FileLayouts(r.ed, r.target))
            if (F.FileName == r.file) File = &F;
        ASSERT_NE(File, nullptr);
        EXPECT_EQ(Describe(CheckRecordFile(*File, Bytes)), r.faults);
        // Read a piece at a time, cut inside line ends and fields alike.
        for (const std::size_t Piece : {std::size_t{1}, std::size_t{2}, std::size_t{7}, std::size_t{73}}) {
            SCOPED_TRACE("pieces of " + std::to_string(Piece));
            std::vector<RecordFault> Faults;
            RecordFileCheck Check(*File, [&Faults](RecordFault F) { Faults.push_back(std::move(F)); });
            for (std::size_t From = 0; From < Bytes.size(); From += Piece)
                Check.Add(std::string_view(Bytes).substr(From, Piece));
            Check.Finish();
            EXPECT_EQ(Describe(Faults), r.faults);
        }
    }
}
