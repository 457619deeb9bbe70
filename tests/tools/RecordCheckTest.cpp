// record-check as people run it: the records of real exports printed field by
// field (text and CSV), hand-broken copies reported as file:line:column, zip
// archives read member by member, hostile files and usage errors.

#include "export/tools/RecordCheck.h"
#include "TestSupport.h"
#include "export/RecordFileView.h"
#include "export/RecordLayout.h"
#include "platform/Platform.h"

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>
#include <zip.h>
#include <zlib.h>

namespace fs = std::filesystem;
using testsupport::ReadFileBytes;

namespace {

struct Result {
    int Status = -1;
    std::string Out;
    std::string Err;
};

Result Check(const std::vector<std::string>& Args, const txad::RecordCheckLimits& Limits = {}) {
    Result R;
    Utf8Output Out(R.Out);
    Utf8Output Err(R.Err);
    R.Status = txad::RunRecordCheck(Args, Out, Err, Limits);
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
        {"no file",
         {},
         "record-check: no file\nusage: record-check FILE... [--csv | --raw-csv] [--edition classic]\n"},
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

// A zip member as it lies in the archive, written by hand so that its headers
// may say what libzip never writes: another size or CRC, any name.
struct RawMember {
    std::string Name;
    std::string Data; // raw deflate, or the bytes themselves when stored
    bool Deflated = true;
    std::uint32_t Crc = 0;
    std::uint64_t Size = 0; // the declared size
};

// Bytes repeated Repeat times, deflated: each copy is one fully flushed
// block, so a bomb of hundreds of megabytes costs one copy's work.
RawMember Deflated(std::string Name, std::string_view Bytes, int Repeat = 1) {
    z_stream Z{};
    EXPECT_EQ(deflateInit2(&Z, 9, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY), Z_OK);
    std::string Chunk(deflateBound(&Z, Bytes.size()) + 16, '\0');
    Z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(Bytes.data()));
    Z.avail_in = static_cast<uInt>(Bytes.size());
    Z.next_out = reinterpret_cast<Bytef*>(Chunk.data());
    Z.avail_out = static_cast<uInt>(Chunk.size());
    EXPECT_EQ(deflate(&Z, Z_FULL_FLUSH), Z_OK);
    Chunk.resize(Chunk.size() - Z.avail_out);
    deflateEnd(&Z);
    RawMember M{std::move(Name), "", true, 0, 0};
    uLong Crc = crc32(0, nullptr, 0);
    for (int I = 0; I < Repeat; ++I) {
        M.Data += Chunk;
        Crc = crc32(Crc, reinterpret_cast<const Bytef*>(Bytes.data()), static_cast<uInt>(Bytes.size()));
    }
    M.Data += std::string("\x03\x00", 2); // an empty final block
    M.Crc = static_cast<std::uint32_t>(Crc);
    M.Size = std::uint64_t{Bytes.size()} * static_cast<std::uint64_t>(Repeat);
    return M;
}

RawMember Stored(std::string Name, std::string_view Bytes) {
    const uLong Crc = crc32(0, reinterpret_cast<const Bytef*>(Bytes.data()), static_cast<uInt>(Bytes.size()));
    return {std::move(Name), std::string(Bytes), false, static_cast<std::uint32_t>(Crc), Bytes.size()};
}

std::string RawZip(const std::vector<RawMember>& Members) {
    const auto Le = [](std::string& To, std::uint64_t Value, int Bytes) {
        for (int I = 0; I < Bytes; ++I) To += static_cast<char>((Value >> (8 * I)) & 0xFF);
    };
    std::string Zip, Central;
    for (const RawMember& M : Members) {
        const std::size_t Offset = Zip.size();
        // Version, flags (the name is UTF-8, taken as it is), method, time,
        // date, CRC, sizes, name and extra lengths.
        std::string Common;
        Le(Common, 20, 2);
        Le(Common, 0x800, 2);
        Le(Common, M.Deflated ? 8 : 0, 2);
        Le(Common, 0, 2);
        Le(Common, 0x21, 2);
        Le(Common, M.Crc, 4);
        Le(Common, M.Data.size(), 4);
        Le(Common, M.Size, 4);
        Le(Common, M.Name.size(), 2);
        Le(Common, 0, 2);
        Zip += std::string("PK\x03\x04", 4) + Common + M.Name + M.Data;
        Central += std::string("PK\x01\x02", 4);
        Le(Central, 20, 2);
        Central += Common;
        Le(Central, 0, 2); // comment length
        Le(Central, 0, 2); // disk
        Le(Central, 0, 2); // internal attributes
        Le(Central, 0, 4); // external attributes
        Le(Central, Offset, 4);
        Central += M.Name;
    }
    const std::size_t At = Zip.size();
    Zip += Central + std::string("PK\x05\x06", 4);
    Le(Zip, 0, 4);
    Le(Zip, Members.size(), 2);
    Le(Zip, Members.size(), 2);
    Le(Zip, Central.size(), 4);
    Le(Zip, At, 4);
    Le(Zip, 0, 2);
    return Zip;
}

// Zip, with an end record of the 64-bit extension that declares Count
// members whatever the archive holds.
std::string Claiming64(std::string Zip, std::uint64_t Count) {
    const auto Le = [](std::string& To, std::uint64_t Value, int Bytes) {
        for (int I = 0; I < Bytes; ++I) To += static_cast<char>((Value >> (8 * I)) & 0xFF);
    };
    const std::string End = Zip.substr(Zip.size() - 22);
    Zip.resize(Zip.size() - 22);
    const std::size_t At = Zip.size();
    Zip += std::string("PK\x06\x06", 4);
    Le(Zip, 44, 8);
    Le(Zip, 45, 2);
    Le(Zip, 45, 2);
    Le(Zip, 0, 4);
    Le(Zip, 0, 4);
    Le(Zip, Count, 8);
    Le(Zip, Count, 8);
    Zip += End.substr(12, 4) + std::string(4, '\0'); // the directory's size
    Zip += End.substr(16, 4) + std::string(4, '\0'); // and offset
    Zip += std::string("PK\x06\x07", 4);
    Le(Zip, 0, 4);
    Le(Zip, At, 8);
    Le(Zip, 1, 4);
    Zip += End.substr(0, 8) + std::string("\xFF\xFF\xFF\xFF", 4) + End.substr(12);
    return Zip;
}

// Other zip tools refuse such a member too: its records are not trusted.
TEST(RecordCheck, AMemberThatInflatesToOtherBytesThanDeclaredIsUnreadable) {
    const std::string Clean = ReadFileBytes(Golden("export/basic/aie", "File622.txt"));
    const std::string Size = std::to_string(Clean.size());
    struct Case {
        const char* Name;
        std::function<void(RawMember&)> Change;
        std::string Why; // empty: clean
    };
    const Case Cases[] = {
        {"as written", [](RawMember&) {}, ""},
        {"declared one byte short", [](RawMember& M) { --M.Size; },
         "inflated size differs from the declared " + std::to_string(Clean.size() - 1) + " bytes"},
        {"declared one byte long", [](RawMember& M) { ++M.Size; },
         "inflated size differs from the declared " + std::to_string(Clean.size() + 1) + " bytes"},
        {"declared far larger", [](RawMember& M) { M.Size = 200u << 20; },
         "inflated size differs from the declared " + std::to_string(200u << 20) + " bytes"},
        {"another CRC", [](RawMember& M) { M.Crc ^= 1; }, "CRC error"},
    };
    for (const bool Deflate : {true, false}) {
        for (const Case& C : Cases) {
            SCOPED_TRACE(std::string(C.Name) + (Deflate ? ", deflated" : ", stored"));
            RawMember M = Deflate ? Deflated("File622.txt", Clean) : Stored("File622.txt", Clean);
            C.Change(M);
            const std::string Path = Write("Anarpe.zip", RawZip({M}));
            const Result R = Check({Path});
            if (C.Why.empty()) {
                EXPECT_EQ(R.Status, 0) << R.Err;
                EXPECT_EQ(R.Err, "");
                continue;
            }
            EXPECT_EQ(R.Status, 2);
            EXPECT_EQ(R.Out, "");
            // libzip itself tells a stored member's size from its data.
            if (Deflate || C.Why == "CRC error")
                EXPECT_EQ(R.Err, "record-check: cannot read " + Path + ":File622.txt: " + C.Why + "\n");
            else
                EXPECT_EQ(R.Err.rfind("record-check: cannot read " + Path + ":File622.txt: ", 0), 0u)
                    << R.Err;
        }
    }
}

// Line breaks and TABs in a member's name cannot forge a line of either
// stream. (libzip itself takes other control bytes for CP437 glyphs.)
TEST(RecordCheck, HostileMemberNamesStayOnTheirLine) {
    std::string Faulty = ReadFileBytes(Golden("export/basic/aie", "File622.txt"));
    Faulty.erase(Faulty.find('\n') - 1, 1); // the header's CR
    const std::string Forged = "x\nFile622.txt:9:9: Codice record: falso\r\t";
    const std::string Escaped = "x\\nFile622.txt:9:9: Codice record: falso\\r\\t";
    RawMember Broken = Deflated(Forged + "2", Faulty);
    Broken.Crc ^= 1;
    const std::string Path = Write("Anarpe.zip", RawZip({Deflated(Forged, Faulty), Broken}));
    const auto NoControls = [](const std::string& Text, const char* Stream) {
        for (const char C : Text)
            if (static_cast<unsigned char>(C) < 0x20 && C != '\n' && C != '\r')
                ADD_FAILURE() << Stream << " holds byte " << int(C) << ": " << Text;
    };

    const Result Text = Check({Path});
    EXPECT_EQ(Text.Status, 2);
    NoControls(Text.Out, "output");
    NoControls(Text.Err, "errors");
    EXPECT_EQ(Text.Out.rfind("==> " + Path + ":" + Escaped + " (File622.txt) <==\n", 0), 0u) << Text.Out;
    const std::vector<std::string> Errors = Lines(Text.Err);
    ASSERT_EQ(Errors.size(), 2u) << Text.Err;
    EXPECT_EQ(Errors[0].rfind(Path + ":" + Escaped + ":1:", 0), 0u) << Errors[0];
    EXPECT_EQ(Errors[1], "record-check: cannot read " + Path + ":" + Escaped + "2: CRC error");

    const Result Csv = Check({"--csv", Path});
    EXPECT_EQ(Csv.Status, 2);
    NoControls(Csv.Out, "CSV");
    const std::string Pictured = "x\xE2\x90\x8A"
                                 "File622.txt:9:9: Codice record: falso\xE2\x90\x8D"
                                 "\xE2\x90\x89";
    const std::vector<std::string> Rows = Lines(Csv.Out, "\r\n");
    ASSERT_EQ(Rows.size(), Lines(Faulty).size() + 1) << Csv.Out;
    for (std::size_t I = 1; I < Rows.size(); ++I)
        EXPECT_EQ(Rows[I].rfind(Path + ":" + Pictured + "," + std::to_string(I) + ",", 0), 0u) << Rows[I];
    EXPECT_EQ(Lines(Csv.Err), Errors);
}

// A record's text reaches the CSV as text: a spreadsheet shows it and never
// runs it, while --raw-csv keeps the bytes for scripts.
TEST(RecordCheck, CsvCellsOfHostileValuesStayText) {
    const txad::FileLayout& File = txad::FileLayouts(txad::Edition::Current, "aie")[1];
    const txad::LayoutField* Widest = nullptr;
    for (const txad::LayoutField& Field : File.Body->Fields)
        if (Field.Content == txad::FieldContent::Text && (!Widest || Field.Width > Widest->Width))
            Widest = &Field;
    ASSERT_NE(Widest, nullptr);
    const std::string Value = "@SUM(1+1)\x1B[2J";
    ASSERT_GE(Widest->Width, static_cast<int>(Value.size()));
    std::string Bytes = ReadFileBytes(Golden("export/basic/aie", std::string(File.FileName)));
    const std::size_t At = Bytes.find('\n') + static_cast<std::size_t>(Widest->Start);
    Bytes.replace(At, Value.size(), Value);
    const std::string Padding =
        Bytes.substr(At + Value.size(), static_cast<std::size_t>(Widest->Width) - Value.size());
    const std::string Path = Write(std::string(File.FileName), Bytes);

    const Result Safe = Check({"--csv", Path});
    EXPECT_EQ(Safe.Status, 0) << Safe.Err;
    EXPECT_NE(Safe.Out.find(",\"'@SUM(1+1)\xE2\x90\x9B[2J" + Padding + "\","), std::string::npos) << Safe.Out;
    EXPECT_EQ(Safe.Out.find('\x1B'), std::string::npos);
    const Result Raw = Check({"--raw-csv", Path});
    EXPECT_EQ(Raw.Status, 0) << Raw.Err;
    EXPECT_NE(Raw.Out.find("," + Value + Padding + ","), std::string::npos) << Raw.Out;

    // Clean records give the same cells either way but one.
    for (const GoldenSet& Set : kGoldenSets) {
        SCOPED_TRACE(Set.Dir);
        std::vector<std::string> Args = EditionArgs(Set.Ed);
        for (const txad::FileLayout& Each : txad::FileLayouts(Set.Ed, Set.Target))
            Args.push_back(Golden(Set.Dir, std::string(Each.FileName)));
        std::vector<std::string> RawArgs = Args;
        Args.push_back("--csv");
        RawArgs.push_back("--raw-csv");
        std::string Expected = Check(RawArgs).Out;
        // A telephone number with its international prefix is the only
        // cell a spreadsheet would take for a formula.
        for (std::size_t Plus = 0; (Plus = Expected.find(",+39 ", Plus)) != std::string::npos;) {
            const std::string Cell = Expected.substr(Plus + 1, Expected.find(',', Plus + 1) - Plus - 1);
            Expected.replace(Plus + 1, Cell.size(), "\"'" + Cell + "\"");
            Plus += Cell.size() + 4;
        }
        EXPECT_EQ(Check(Args).Out, Expected);
    }
}

// Small limits make the caps visible with small fixtures.
TEST(RecordCheck, WhatARunReadsIsCappedPerFileAndInAll) {
    const txad::RecordCheckLimits Limits{std::size_t{1} << 20, std::uint64_t{3} << 20, 5};
    const std::string Good = Golden("export/basic/aie", "File622.txt");
    const std::string Big = Write("grande.txt", "");
    fs::resize_file(Big, (std::size_t{1} << 20) + 1);
    const std::string Zeros(std::size_t{64} << 10, '\0');
    const std::string Large = Write("grande.zip", RawZip({Deflated("File622.txt", Zeros, 17)}));
    RawMember Lying = Deflated("File622.txt", Zeros, 17);
    Lying.Size = 100;
    const std::string Hiding = Write("nasconde.zip", RawZip({Lying}));
    std::vector<RawMember> Five;
    for (int I = 1; I <= 5; ++I) Five.push_back(Deflated("m" + std::to_string(I) + ".txt", Zeros, 14));
    const std::string Bomb = Write("bomba.zip", RawZip(Five));
    std::vector<RawMember> Six;
    for (int I = 1; I <= 6; ++I) Six.push_back(Stored("m" + std::to_string(I) + ".txt", "x"));
    const std::string Many = Write("tanti.zip", RawZip(Six));
    const std::string Limit = "the run's limit of 3 MB is reached\n";
    const std::string Unknown = ":1:1: nessun tracciato riconosce i codici record del file\n";
    struct Case {
        const char* Name;
        std::vector<std::string> Args;
        std::string Err;
    };
    const Case Cases[] = {
        {"a file over the limit",
         {Big},
         "record-check: cannot read " + Big + ": file too large (over 1 MB)\n"},
        {"a device that never ends",
         {"/dev/zero"},
         "record-check: cannot read /dev/zero: file too large (over 1 MB)\n"},
        {"a member over the limit",
         {Large},
         "record-check: cannot read " + Large + ":File622.txt: member too large (over 1 MB)\n"},
        {"a member inflating beyond its declared size",
         {Hiding},
         "record-check: cannot read " + Hiding +
             ":File622.txt: inflated size differs from the declared 100 bytes\n"},
        {"more members than allowed",
         {Many},
         "record-check: cannot read " + Many + ": too many members (over 5)\n"},
        {"members beyond the run's limit, then a file",
         {Bomb, Good},
         Bomb + ":m1.txt" + Unknown + Bomb + ":m2.txt" + Unknown + Bomb + ":m3.txt" + Unknown +
             "record-check: cannot read " + Bomb + ":m4.txt: " + Limit + "record-check: cannot read " + Bomb +
             ":m5.txt: " + Limit + "record-check: cannot read " + Good + ": " + Limit},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Name);
        for (const char* Mode : {"", "--csv"}) {
            SCOPED_TRACE(Mode);
            std::vector<std::string> Args = C.Args;
            if (*Mode) Args.emplace_back(Mode);
            const Result R = Check(Args, Limits);
            EXPECT_EQ(R.Status, 2);
            EXPECT_EQ(R.Err, C.Err);
        }
    }

    // The 64-bit end record's count is the one that holds (its short
    // record says 65535, the most the default allows).
    const std::string Clean = ReadFileBytes(Good);
    const std::string Claims =
        Write("dichiara.zip", Claiming64(RawZip({Stored("File622.txt", Clean)}), 70000));
    EXPECT_EQ(Check({Claims}).Err,
              "record-check: cannot read " + Claims + ": too many members (over 65535)\n");
    const std::string Honest = Write("onesto.zip", Claiming64(RawZip({Stored("File622.txt", Clean)}), 1));
    const Result R = Check({Honest});
    EXPECT_EQ(R.Status, 0) << R.Err;
}

// The built program under a memory limit: whatever the input, it ends with
// its own exit status, never a signal. Its peak is printed for the record.
TEST(RecordCheck, TheProgramNeverAbortsOnHostileInput) {
#if defined(__SANITIZE_ADDRESS__)
    // The address sanitizer reserves more address space than any limit here.
    constexpr bool kLimited = false;
#else
    constexpr bool kLimited = true;
#endif
    const std::string Zeros(std::size_t{1} << 20, '\0');
    const RawMember Member = Deflated("m.txt", Zeros, 200);
    const std::string Bomb = Write("bomba.zip", RawZip({Member, Member, Member}));
    const std::string One = Write("uno.zip", RawZip({Member}));
    const std::string Sparse = Write("File622.txt", "");
    fs::resize_file(Sparse, std::uintmax_t{100} << 30);
    struct Case {
        const char* Name;
        std::string Path;
        rlim_t Limit;
        int Status;
        std::string Err; // a line of standard error
    };
    const Case Cases[] = {
        {"a zip bomb of three members of 200 MB", Bomb, rlim_t{640} << 20, 1,
         Bomb + ":m.txt:1:1: nessun tracciato riconosce i codici record del file"},
        {"a sparse 100 GB file", Sparse, rlim_t{640} << 20, 2,
         "record-check: cannot read " + Sparse + ": file too large (over 256 MB)"},
        {"a device that never ends", "/dev/zero", rlim_t{640} << 20, 2,
         "record-check: cannot read /dev/zero: file too large (over 256 MB)"},
        {"a member larger than the memory left", One, rlim_t{250} << 20, 2,
         "record-check: cannot read " + One + ":m.txt: not enough memory"},
    };
    const std::string ErrFile = testsupport::SandboxDir() + "/record-check.err";
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Name);
        // Without the limit only what needs no shortage of memory is run.
        if (!kLimited && C.Err.ends_with("not enough memory")) continue;
        std::fflush(nullptr);
        const pid_t Pid = fork();
        if (Pid == 0) {
            const rlimit Limit{C.Limit, C.Limit};
            if (kLimited) setrlimit(RLIMIT_AS, &Limit);
            if (!std::freopen("/dev/null", "w", stdout) || !std::freopen(ErrFile.c_str(), "w", stderr))
                _exit(126);
            execl(RECORD_CHECK, RECORD_CHECK, C.Path.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        int Status = 0;
        rusage Usage{};
        ASSERT_EQ(wait4(Pid, &Status, 0, &Usage), Pid);
        ASSERT_TRUE(WIFEXITED(Status)) << "signal " << WTERMSIG(Status);
        EXPECT_EQ(WEXITSTATUS(Status), C.Status);
        const std::vector<std::string> Errors = Lines(ReadFileBytes(ErrFile));
        EXPECT_NE(std::find(Errors.begin(), Errors.end(), C.Err), Errors.end()) << ReadFileBytes(ErrFile);
        std::printf("record-check, %s: peak %ld MB\n", C.Name, Usage.ru_maxrss >> 10);
    }
    fs::remove(Sparse);
}

} // namespace
