// record-check as people run it: the records of real exports printed field by
// field (text and CSV), hand-broken copies reported as file:line:column, zip
// archives read member by member, hostile files and usage errors.

#include "export/tools/RecordCheck.h"
#include "TestSupport.h"
#include "export/RecordFileView.h"
#include "export/RecordLayout.h"
#include "platform/Platform.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <sys/wait.h>
#include <vector>
#include <zip.h>

namespace fs = std::filesystem;
using testsupport::ReadFileBytes;

namespace {

struct Result {
    int Status = -1;
    std::string Out;
    std::string Err;
};

Result Check(const std::vector<std::string>& Args) {
    Result R;
    Utf8Output Out(R.Out);
    Utf8Output Err(R.Err);
    R.Status = txad::RunRecordCheck(Args, Out, Err);
    return R;
}

std::string Golden(const std::string& Set, const std::string& File) {
    return std::string(ADOX_GOLDEN_DIR) + "/" + Set + "/" + File;
}

// A file of its own in the sandbox.
std::string Write(const std::string& Name, std::string_view Bytes) {
    const std::string Dir = testsupport::SandboxDir() + "/record-check/";
    fs::create_directories(Dir);
    testsupport::WriteFileBytes(Dir + Name, Bytes);
    return Dir + Name;
}

std::vector<std::string> Lines(const std::string& Text, std::string_view End = "\n") {
    std::vector<std::string> Out;
    std::size_t Start = 0;
    while (Start < Text.size()) {
        std::size_t Stop = Text.find(End, Start);
        if (Stop == std::string::npos) Stop = Text.size();
        Out.push_back(Text.substr(Start, Stop - Start));
        Start = Stop + End.size();
    }
    return Out;
}

// A printed record "N Name: Field="value" ...", read back.
struct PrintedRecord {
    std::string Layout;
    std::vector<std::string> Names;
    std::string Bytes; // the values joined, unescaped
};

PrintedRecord ReadPrinted(const std::string& Line) {
    PrintedRecord R;
    const std::size_t Space = Line.find(' ');
    const std::size_t Colon = Line.find(':', Space);
    R.Layout = Line.substr(Space + 1, Colon - Space - 1);
    std::size_t I = Colon + 1;
    while (I < Line.size()) {
        EXPECT_EQ(Line[I], ' ') << Line;
        const std::size_t Eq = Line.find("=\"", I);
        R.Names.push_back(Line.substr(I + 1, Eq - I - 1));
        for (I = Eq + 2; I < Line.size() && Line[I] != '"'; ++I) {
            if (Line[I] != '\\') {
                R.Bytes += Line[I];
                continue;
            }
            const char C = Line[++I];
            R.Bytes += C == 'r' ? '\r' : C == 'n' ? '\n' : C == 't' ? '\t' : C;
        }
        ++I;
    }
    return R;
}

struct GoldenSet {
    const char* Dir;
    const char* Target;
    txad::Edition Ed;
};
const GoldenSet kGoldenSets[] = {
    {"export/basic/aie", "aie", txad::Edition::Current},
    {"export/basic/anarpe", "anarpe", txad::Edition::Current},
    {"export/empty/aie", "aie", txad::Edition::Current},
    {"export/empty/anarpe", "anarpe", txad::Edition::Current},
    {"export-classic/basic/aie", "aie", txad::Edition::Classic},
    {"export-classic/basic/anarpe", "anarpe", txad::Edition::Classic},
};

std::vector<std::string> EditionArgs(txad::Edition Ed) {
    if (Ed == txad::Edition::Classic) return {"--edition", "classic"};
    return {};
}

TEST(RecordCheck, RealExportsCheckCleanWithEveryFieldNamed) {
    for (const GoldenSet& Set : kGoldenSets) {
        SCOPED_TRACE(Set.Dir);
        const auto Files = txad::FileLayouts(Set.Ed, Set.Target);
        ASSERT_FALSE(Files.empty());
        std::vector<std::string> Args = EditionArgs(Set.Ed);
        for (const txad::FileLayout& File : Files)
            Args.push_back(Golden(Set.Dir, std::string(File.FileName)));
        const Result R = Check(Args);
        EXPECT_EQ(R.Status, 0);
        EXPECT_EQ(R.Err, "");
        const std::vector<std::string> Printed = Lines(R.Out);
        std::size_t P = 0;
        for (const txad::FileLayout& File : Files) {
            const std::string Path = Golden(Set.Dir, std::string(File.FileName));
            SCOPED_TRACE(File.FileName);
            if (P > 0) {
                ASSERT_EQ(Printed.at(P++), "");
            }
            ASSERT_EQ(Printed.at(P++), "==> " + Path + " (" + std::string(File.FileName) + ") <==");
            const std::string Bytes = ReadFileBytes(Path);
            const txad::RecordLines Records(Bytes);
            for (std::size_t L = 0; L < Records.Count(); ++L) {
                const txad::RecordLayout* Layout = L == 0                     ? File.Header
                                                   : L + 1 == Records.Count() ? File.Trailer
                                                                              : File.Body;
                const std::string& Line = Printed.at(P++);
                ASSERT_EQ(Line.substr(0, Line.find(' ')), std::to_string(L + 1));
                const PrintedRecord Record = ReadPrinted(Line);
                EXPECT_EQ(Record.Layout, Layout->Name);
                std::vector<std::string> Names;
                for (const txad::LayoutField& Field : Layout->Fields) Names.emplace_back(Field.Name);
                EXPECT_EQ(Record.Names, Names) << Line;
                EXPECT_EQ(Record.Bytes, platform::Utf8FromCp1252(Records.Line(L))) << Line;
            }
        }
        EXPECT_EQ(P, Printed.size());
    }
}

// The first Text field of a layout, where any byte is allowed.
const txad::LayoutField& FirstTextField(const txad::RecordLayout& Layout) {
    for (const txad::LayoutField& Field : Layout.Fields) {
        if (Field.Content == txad::FieldContent::Text && Field.Width >= 4) return Field;
    }
    ADD_FAILURE() << "no text field in " << Layout.Name;
    return Layout.Fields.front();
}

TEST(RecordCheck, TextIsPrintedInUtf8AndCsvQuotesWhatNeedsIt) {
    const txad::FileLayout& File = txad::FileLayouts(txad::Edition::Current, "aie")[1];
    std::string Bytes = ReadFileBytes(Golden("export/basic/aie", std::string(File.FileName)));
    const txad::LayoutField& Field = FirstTextField(*File.Body);
    // Second line, the first body record.
    const std::size_t At = Bytes.find('\n') + 1 + static_cast<std::size_t>(Field.Start) - 1;
    Bytes.replace(At, 4, "\xE8,\"x");
    const std::string Path = Write(std::string(File.FileName), Bytes);

    const Result Text = Check({Path});
    EXPECT_EQ(Text.Status, 0) << Text.Err;
    EXPECT_NE(Text.Out.find(" " + std::string(Field.Name) + "=\"\xC3\xA8,\\\"x"), std::string::npos)
        << Text.Out;

    const Result Csv = Check({"--csv", Path});
    EXPECT_EQ(Csv.Status, 0) << Csv.Err;
    const std::vector<std::string> Rows = Lines(Csv.Out, "\r\n");
    txad::RecordColumns Columns;
    Columns.Add(File);
    std::string Header = "File,Riga";
    for (std::size_t C = 0; C < Columns.Count(); ++C) Header += "," + std::string(Columns.Name(C));
    ASSERT_EQ(Rows.size(), Lines(Bytes).size() + 1);
    EXPECT_EQ(Rows[0], Header);
    // Each row: the file, the line, then one cell per column; the changed
    // cell quoted with its quote doubled.
    const std::size_t Cell =
        Columns.ColumnsOf(*File.Body)[static_cast<std::size_t>(&Field - File.Body->Fields.data())];
    std::string Row2 = Path + ",2";
    const std::string Line2 = Lines(Bytes)[1].substr(0, Lines(Bytes)[1].size() - 1);
    std::vector<std::string> Cells(Columns.Count());
    Cells[0] = std::string(File.Body->Name);
    for (std::size_t F = 0; F < File.Body->Fields.size(); ++F) {
        const txad::LayoutField& Each = File.Body->Fields[F];
        Cells[Columns.ColumnsOf(*File.Body)[F]] =
            Line2.substr(static_cast<std::size_t>(Each.Start) - 1, static_cast<std::size_t>(Each.Width));
    }
    for (std::size_t C = 0; C < Cells.size(); ++C) {
        if (C == Cell) {
            std::string Quoted = Cells[C];
            Quoted.replace(0, 4, "\xC3\xA8,\"\"x");
            Row2 += ",\"" + Quoted + "\"";
        } else {
            Row2 += "," + Cells[C];
        }
    }
    EXPECT_EQ(Rows[2], Row2);
}

// The golden file with one change, and the faults it must give as
// "line:column" (with ": field" when the fault is a field's).
struct Broken {
    const char* Name;
    const char* File;
    std::function<void(std::string&)> Change;
    std::vector<std::string> Faults;
};

// Byte offset of column Column (from 1) of line Line (from 1).
std::size_t At(const std::string& Bytes, int Line, int Column) {
    std::size_t Offset = 0;
    for (int L = 1; L < Line; ++L) Offset = Bytes.find('\n', Offset) + 1;
    return Offset + static_cast<std::size_t>(Column) - 1;
}

// Whether each line of Err begins with Path and the expected place, in order.
void ExpectFaultsAt(const std::string& Err, const std::string& Path, const std::vector<std::string>& Places) {
    const std::vector<std::string> Got = Lines(Err);
    EXPECT_EQ(Got.size(), Places.size()) << Err;
    for (std::size_t I = 0; I < Got.size() && I < Places.size(); ++I)
        EXPECT_EQ(Got[I].rfind(Path + ":" + Places[I] + ": ", 0), 0u) << Places[I] << " in " << Got[I];
}

std::vector<Broken> BrokenCases() {
    return {
        // ISBN and year one column early: the year's field ends in a blank.
        {"a field shifted one column left",
         "File815.txt",
         [](std::string& B) {
             B.erase(At(B, 2, 49), 1);
             B.insert(At(B, 2, 65), " ");
         },
         {"2:65: Anno prima adozione"}},
        {"a byte too many",
         "File815.txt",
         [](std::string& B) { B.insert(At(B, 3, 30), " "); },
         {"3:66: Fine record", "3:67"}},
        {"a short line", "File622.txt", [](std::string& B) { B.erase(At(B, 2, 40), 71 - 39); }, {"2:40"}},
        {"trailer count off by one",
         "File622.txt",
         [](std::string& B) { B[At(B, 8, 17)] = '9'; },
         {"8:17: Numero righe"}},
        {"LF without CR", "File622.txt", [](std::string& B) { B.erase(At(B, 3, 72), 1); }, {"3:72"}},
        {"a foreign record code",
         "File622.txt",
         [](std::string& B) { B[At(B, 4, 4)] = '3'; },
         {"4:4: Codice record"}},
        {"a blank line",
         "File815.txt",
         [](std::string& B) { B.insert(At(B, 5, 1), "\r\n"); },
         {"5:1: Codice record", "13:17: Numero righe"}},
        {"a truncated last line",
         "File622.txt",
         [](std::string& B) { B.resize(At(B, 8, 9)); },
         {"8:9", "8:9"}},
    };
}

TEST(RecordCheck, HandBrokenCopiesGiveTheExactPlaceOfEachFault) {
    const std::vector<Broken> Cases = BrokenCases();
    for (const Broken& C : Cases) {
        SCOPED_TRACE(C.Name);
        std::string Bytes = ReadFileBytes(Golden("export/basic/aie", C.File));
        C.Change(Bytes);
        const std::string Path = Write(C.File, Bytes);
        const Result R = Check({Path});
        EXPECT_EQ(R.Status, 1);
        ExpectFaultsAt(R.Err, Path, C.Faults);
    }
}

TEST(RecordCheck, HostileFilesAreFaultsNotCrashes) {
    const std::string Header = "R00105032026  6\r\n";
    struct Case {
        const char* Name;
        std::string Bytes;
    };
    const Case Cases[] = {
        {"empty file", ""},
        {"only CR", "\r"},
        {"only CR LF", "\r\n"},
        {"binary junk", std::string("\x00\xFF\x01PK\r\n\x7F\x80\n\n\x00", 13)},
        {"header alone", Header},
        {"header and a huge line",
         Header + "R622" + std::string(4u << 20, 'x') + "*\r\nR09905032026    3\r\n"},
        {"a hundred thousand empty lines", Header + std::string(100000, '\n')},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Name);
        const std::string Path = Write("File622.txt", C.Bytes);
        const Result R = Check({Path});
        EXPECT_EQ(R.Status, 1);
        const std::vector<std::string> Faults = Lines(R.Err);
        ASSERT_FALSE(Faults.empty());
        for (const std::string& Fault : Faults) EXPECT_EQ(Fault.rfind(Path + ":", 0), 0u) << Fault;
    }
}

TEST(RecordCheck, UsageErrorsAndUnreadableFilesExitTwo) {
    const std::string Good = Golden("export/basic/aie", "File622.txt");
    const std::string Missing = testsupport::SandboxDir() + "/record-check-missing.txt";
    struct Case {
        const char* Name;
        std::vector<std::string> Args;
        std::string Err;
    };
    const Case Cases[] = {
        {"no file", {}, "record-check: no file\nusage: record-check FILE... [--csv | --raw-csv] [--edition classic]\n"},
        {"unknown option", {"--fields", Good}, "record-check: unknown option '--fields'\n"},
        {"edition without value", {Good, "--edition"}, "record-check: --edition needs a value\n"},
        {"unknown edition", {"--edition=old", Good}, "record-check: unknown edition 'old'\n"},
        {"missing file", {Missing}, "record-check: cannot read " + Missing + ": No such file or directory\n"},
        {"a folder",
         {testsupport::SandboxDir()},
         "record-check: cannot read " + testsupport::SandboxDir() + ": Is a directory\n"},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Name);
        const Result R = Check(C.Args);
        EXPECT_EQ(R.Status, 2);
        EXPECT_EQ(R.Err.substr(0, C.Err.size()), C.Err);
    }
    // The other files are still printed and checked.
    const Result Both = Check({Missing, Good});
    EXPECT_EQ(Both.Status, 2);
    EXPECT_NE(Both.Out.find("==> " + Good + " (File622.txt) <=="), std::string::npos);

    const Result Help = Check({"--help"});
    EXPECT_EQ(Help.Status, 0);
    EXPECT_EQ(Help.Out.rfind("usage: record-check FILE...", 0), 0u);
    const Result Version = Check({"-V"});
    EXPECT_EQ(Version.Status, 0);
    EXPECT_EQ(Version.Out, "record-check " ADOX_VERSION "\n");
}

// A zip archive holding Members (name, bytes).
std::string WriteZip(const std::string& Name,
                     const std::vector<std::pair<std::string, std::string>>& Members) {
    const std::string Path = Write(Name, "");
    int Error = 0;
    zip_t* Archive = zip_open(Path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &Error);
    EXPECT_NE(Archive, nullptr);
    if (!Archive) return Path;
    for (const auto& [Member, Bytes] : Members) {
        zip_source_t* Source = zip_source_buffer(Archive, Bytes.data(), Bytes.size(), 0);
        EXPECT_GE(zip_file_add(Archive, Member.c_str(), Source, ZIP_FL_OVERWRITE), 0);
    }
    EXPECT_EQ(zip_close(Archive), 0);
    return Path;
}

TEST(RecordCheck, ArchivesAreReadMemberByMember) {
    const auto SetMembers = [](const std::string& Set) {
        std::vector<std::pair<std::string, std::string>> Members;
        for (const txad::FileLayout& File : txad::FileLayouts(txad::Edition::Current, "anarpe"))
            Members.emplace_back(File.FileName, ReadFileBytes(Golden(Set, std::string(File.FileName))));
        return Members;
    };
    // Recognised by its first bytes, whatever its name; a set without body
    // records is told by its members' names.
    for (const char* Set : {"export/basic/anarpe", "export/empty/anarpe"}) {
        SCOPED_TRACE(Set);
        const auto Members = SetMembers(Set);
        const std::string Clean = WriteZip("consegna.bin", Members);
        const Result R = Check({Clean});
        EXPECT_EQ(R.Status, 0) << R.Err;
        EXPECT_EQ(R.Err, "");
        for (const auto& Member : Members)
            EXPECT_NE(R.Out.find("==> " + Clean + ":" + Member.first + " (" + Member.first + ") <=="),
                      std::string::npos)
                << Member.first;
    }

    auto Members = SetMembers("export/basic/anarpe");

    Members[1].second.erase(Members[1].second.find('\n') - 1, 1); // the header's CR
    Members.emplace_back("leggimi.txt", "Nessun record qui.\r\n");
    Members.emplace_back("cartella/", "");
    const std::string Faulty = WriteZip("Anarpe.zip", Members);
    const Result F = Check({Faulty});
    EXPECT_EQ(F.Status, 1);
    const std::vector<std::string> Faults = Lines(F.Err);
    ASSERT_EQ(Faults.size(), 2u) << F.Err;
    EXPECT_EQ(Faults[0].rfind(Faulty + ":Adoz002.txt:1:", 0), 0u) << Faults[0];
    EXPECT_EQ(Faults[1].rfind(Faulty + ":leggimi.txt:1:1: ", 0), 0u) << Faults[1];

    std::string Cut = ReadFileBytes(WriteZip("consegna.bin", SetMembers("export/basic/anarpe")));
    Cut.resize(Cut.size() / 2);
    const std::string Broken = Write("Rotto.zip", Cut);
    const Result B = Check({Broken});
    EXPECT_EQ(B.Status, 2);
    EXPECT_EQ(B.Err.rfind("record-check: cannot read " + Broken + ": ", 0), 0u) << B.Err;
}

// The program itself: its exit status and its two streams.
TEST(RecordCheck, TheInstalledProgramExitsByWhatItFound) {
    const std::string Broken =
        Write("File815.txt", ReadFileBytes(Golden("export/basic/aie", "File815.txt")).substr(0, 200));
    struct Case {
        const char* Name;
        std::string Args;
        int Status;
    };
    const Case Cases[] = {
        {"clean", Golden("export/basic/aie", "File815.txt") + " >/dev/null", 0},
        {"faulty", Broken + " >/dev/null", 1},
        {"usage", "--nothing", 2},
        // A clean set whose records cannot be written is no success.
        {"output cannot be written", Golden("export/basic/aie", "File815.txt") + " >/dev/full", 2},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Name);
        const std::string Cmd = std::string(RECORD_CHECK) + " " + C.Args + " 2>/dev/null";
        const int Status = std::system(Cmd.c_str());
        ASSERT_TRUE(WIFEXITED(Status));
        EXPECT_EQ(WEXITSTATUS(Status), C.Status);
    }
}

// A file at the format's limit of records prints in one stream, every record.
TEST(RecordCheck, TheFormatsLimitOfRecords) {
    const std::string Sample = ReadFileBytes(Golden("export/basic/aie", "File815.txt"));
    const std::vector<std::string> Records = Lines(Sample);
    constexpr int kRecords = 99997;
    std::string Bytes = Records.front() + "\n";
    Bytes.reserve(Sample.size() / Records.size() * (kRecords + 2));
    for (int I = 0; I < kRecords; ++I) Bytes += Records[1] + "\n";
    Bytes += Records.back().substr(0, 12) + "99999\r\n";
    const std::string Path = Write("File815.txt", Bytes);
    const auto Start = std::chrono::steady_clock::now();
    const Result R = Check({Path});
    const auto Took = std::chrono::duration<double>(std::chrono::steady_clock::now() - Start).count();
    EXPECT_EQ(R.Status, 0) << R.Err.substr(0, 500);
    EXPECT_EQ(Lines(R.Out).size(), kRecords + 3u);
    std::printf("record-check: %d records in %.2f s\n", kRecords, Took);
}

} // namespace
