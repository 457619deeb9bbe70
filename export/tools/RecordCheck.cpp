#include "export/tools/RecordCheck.h"

#include "export/RecordFileView.h"
#include "export/RecordLayout.h"

#include <string_view>
#include <zip.h>

namespace txad {
namespace {

constexpr const char* UsageText = "usage: record-check FILE... [--csv] [--edition classic]\n";

// A member larger than this is not a record file (the format's limit of
// records stays far below it); it keeps a hostile archive from filling memory.
constexpr std::size_t MaxMemberBytes = 256u << 20;

struct Input {
    std::string Name; // as printed: the path, or "archive:member"
    std::string Bytes;
    const FileLayout* Layout = nullptr;
};

struct Options {
    std::vector<std::string> Paths;
    bool Csv = false;
    Edition Ed = Edition::Current;
};

// Names come from the command line and the archive: printed as they are.
void PutCsvName(Utf8Output& Out, std::string_view Name) {
    if (Name.find_first_of(",\"\r\n") == std::string_view::npos) {
        Out.Put(Name);
        return;
    }
    Out.Put('"');
    for (const char C : Name) {
        if (C == '"') Out.Put('"');
        Out.Put(C);
    }
    Out.Put('"');
}

class Checker {
public:
    Checker(Utf8Output& Out, Utf8Output& Err) : FOut(Out), FErr(Err) {}

    int Run(const Options& Opts);

private:
    void Load(const std::string& Path, Edition Ed);
    void LoadArchive(const std::string& Path, std::string Bytes, Edition Ed);
    // FileName is what the file is called where it lies (its path, or its
    // name inside the archive): recognition falls back on it.
    void Accept(std::string Name, std::string_view FileName, std::string Bytes, Edition Ed);
    void CannotRead(const std::string& Name, std::string_view Why);
    void PrintText(const Input& File);
    void PrintCsv(const Input& File);
    void Check(const Input& File);
    void PrintAndCheck();

    Utf8Output& FOut;
    Utf8Output& FErr;
    std::vector<Input> FInputs;
    RecordColumns FColumns;
    // Reused for every record, so the print loop does not allocate.
    std::vector<FieldSpan> FSpans;
    std::vector<std::string_view> FCells;
    bool FCsv = false;
    bool FPrinted = false; // a file's records are out: the next one follows an empty line
    bool FUnreadable = false;
    bool FFaulty = false;
};

void Checker::CannotRead(const std::string& Name, std::string_view Why) {
    FErr.Put("record-check: cannot read ");
    FErr.Put(Name);
    FErr.Put(": ");
    FErr.Put(Why);
    FErr.Put('\n');
    FUnreadable = true;
}

bool IsZip(std::string_view Bytes) {
    return Bytes.starts_with(std::string_view("PK\x03\x04", 4)) ||
           Bytes.starts_with(std::string_view("PK\x05\x06", 4));
}

void Checker::Load(const std::string& Path, Edition Ed) {
    std::string Bytes, Why;
    if (!ReadWholeFile(Path, Bytes, Why)) return CannotRead(Path, Why);
    if (IsZip(Bytes)) return LoadArchive(Path, std::move(Bytes), Ed);
    Accept(Path, Path, std::move(Bytes), Ed);
}

void Checker::LoadArchive(const std::string& Path, std::string Bytes, Edition Ed) {
    zip_error_t Error;
    zip_error_init(&Error);
    zip_source_t* Source = zip_source_buffer_create(Bytes.data(), Bytes.size(), 0, &Error);
    zip_t* Archive = Source ? zip_open_from_source(Source, ZIP_RDONLY, &Error) : nullptr;
    if (!Archive) {
        CannotRead(Path, zip_error_strerror(&Error));
        if (Source) zip_source_free(Source);
        zip_error_fini(&Error);
        return;
    }
    zip_error_fini(&Error);
    const zip_int64_t Count = zip_get_num_entries(Archive, 0);
    for (zip_int64_t I = 0; I < Count; ++I) {
        zip_stat_t Stat;
        if (zip_stat_index(Archive, static_cast<zip_uint64_t>(I), 0, &Stat) != 0 ||
            !(Stat.valid & ZIP_STAT_NAME)) {
            CannotRead(Path, zip_strerror(Archive));
            continue;
        }
        const std::string Member = Stat.name;
        if (Member.ends_with('/')) continue;
        const std::string Name = Path + ":" + Member;
        if ((Stat.valid & ZIP_STAT_SIZE) && Stat.size > MaxMemberBytes) {
            CannotRead(Name, "member too large");
            continue;
        }
        zip_file_t* File = zip_fopen_index(Archive, static_cast<zip_uint64_t>(I), 0);
        if (!File) {
            CannotRead(Name, zip_strerror(Archive));
            continue;
        }
        std::string Data;
        char Block[64 * 1024];
        zip_int64_t N = 0;
        while (Data.size() <= MaxMemberBytes && (N = zip_fread(File, Block, sizeof Block)) > 0)
            Data.append(Block, static_cast<std::size_t>(N));
        const std::string Why = N < 0 ? zip_file_strerror(File) : "member too large";
        zip_fclose(File);
        if (N < 0 || Data.size() > MaxMemberBytes) {
            CannotRead(Name, Why);
            continue;
        }
        Accept(Name, Member, std::move(Data), Ed);
    }
    zip_discard(Archive);
}

void Checker::Accept(std::string Name, std::string_view FileName, std::string Bytes, Edition Ed) {
    Input File{std::move(Name), std::move(Bytes), nullptr};
    File.Layout = RecogniseFile(Ed, File.Bytes, FileName);
    if (File.Layout) FColumns.Add(*File.Layout);
    FInputs.push_back(std::move(File));
}

void Checker::PrintText(const Input& File) {
    FOut.Put("==> ");
    FOut.Put(File.Name);
    FOut.Put(" (");
    FOut.Put(File.Layout->FileName);
    FOut.Put(") <==\n");
    const RecordLines Lines(File.Bytes);
    for (std::size_t I = 0; I < Lines.Count(); ++I) {
        const std::string_view Line = Lines.Line(I);
        const RecordLayout& Layout = LayoutOfLine(*File.Layout, Line, I, Lines.Count());
        SplitRecord(Layout, Line, FSpans);
        FOut.PutNumber(static_cast<long long>(I) + 1);
        FOut.Put(' ');
        FOut.PutUtf8(Layout.Name);
        FOut.Put(':');
        std::size_t End = 0;
        for (std::size_t F = 0; F < FSpans.size() && F < Layout.Fields.size(); ++F) {
            FOut.Put(' ');
            FOut.PutUtf8(Layout.Fields[F].Name);
            FOut.Put("=\"");
            FOut.PutEscaped(Line.substr(FSpans[F].Offset, FSpans[F].Length));
            FOut.Put('"');
            End = FSpans[F].Offset + FSpans[F].Length;
        }
        // What the layout does not place is shown too: a reader looks for it.
        if (End < Line.size()) {
            FOut.Put(" resto=\"");
            FOut.PutEscaped(Line.substr(End));
            FOut.Put('"');
        }
        FOut.Put('\n');
    }
}

void Checker::PrintCsv(const Input& File) {
    const RecordLines Lines(File.Bytes);
    for (std::size_t I = 0; I < Lines.Count(); ++I) {
        const std::string_view Line = Lines.Line(I);
        const RecordLayout& Layout = LayoutOfLine(*File.Layout, Line, I, Lines.Count());
        SplitRecord(Layout, Line, FSpans);
        const auto& Columns = FColumns.ColumnsOf(Layout);
        FCells.assign(FColumns.Count(), std::string_view());
        FCells[0] = Layout.Name;
        for (std::size_t F = 0; F < FSpans.size() && F < Columns.size(); ++F)
            FCells[Columns[F]] = Line.substr(FSpans[F].Offset, FSpans[F].Length);
        PutCsvName(FOut, File.Name);
        FOut.Put(',');
        FOut.PutNumber(static_cast<long long>(I) + 1);
        for (const std::string_view Cell : FCells) {
            FOut.Put(',');
            FOut.PutCsvField(Cell);
        }
        FOut.Put("\r\n");
    }
}

void Checker::Check(const Input& File) {
    if (!File.Layout) {
        FErr.Put(File.Name);
        FErr.Put(":1:1: ");
        FErr.PutUtf8("nessun tracciato riconosce i codici record del file");
        FErr.Put('\n');
        FFaulty = true;
        return;
    }
    for (const RecordFault& Fault : CheckRecordFile(*File.Layout, File.Bytes)) {
        FErr.Put(File.Name);
        FErr.Put(':');
        FErr.PutNumber(Fault.Line);
        FErr.Put(':');
        FErr.PutNumber(Fault.Column);
        FErr.Put(": ");
        if (!Fault.Field.empty()) {
            FErr.PutUtf8(Fault.Field);
            FErr.Put(": ");
        }
        FErr.PutUtf8(Fault.What);
        FErr.Put('\n');
        FFaulty = true;
    }
}

int Checker::Run(const Options& Opts) {
    FCsv = Opts.Csv;
    // Text goes out file by file, so only one file or archive is held at a
    // time; CSV needs every file's layouts for its header line first.
    for (const std::string& Path : Opts.Paths) {
        Load(Path, Opts.Ed);
        if (!FCsv) PrintAndCheck();
    }
    if (FCsv) {
        FOut.Put("File,Riga");
        for (std::size_t C = 0; C < FColumns.Count(); ++C) {
            FOut.Put(',');
            FOut.PutCsvField(FColumns.Name(C));
        }
        FOut.Put("\r\n");
        PrintAndCheck();
    }
    if (!FOut.Finish()) {
        FErr.Put("record-check: cannot write the output\n");
        FUnreadable = true;
    }
    FErr.Finish();
    return FUnreadable ? 2 : FFaulty ? 1 : 0;
}

void Checker::PrintAndCheck() {
    for (const Input& File : FInputs) {
        if (File.Layout) {
            if (FCsv) {
                PrintCsv(File);
            } else {
                if (FPrinted) FOut.Put('\n');
                FPrinted = true;
                PrintText(File);
            }
        }
        // Each file's faults follow its records, so a reader of both streams
        // finds them next to each other.
        FOut.Flush();
        Check(File);
        FErr.Flush();
    }
    FInputs.clear();
}

int Usage(Utf8Output& Err, std::string_view Why) {
    Err.Put("record-check: ");
    Err.Put(Why);
    Err.Put('\n');
    Err.Put(UsageText);
    Err.Finish();
    return 2;
}

int Help(Utf8Output& Out) {
    Out.Put(UsageText);
    Out.Put("Prints the records of record files field by field in UTF-8 and checks them\n"
            "against their layouts; a zip archive's members are read as files.\n"
            "Each fault goes to standard error as FILE:LINE:COLUMN: FIELD: WHAT.\n"
            "\n"
            "  --csv              RFC 4180 CSV, one row per record, field names as the header line\n"
            "  --edition classic  the earlier edition's layouts (default: current)\n"
            "  -h, --help         this text\n"
            "  -V, --version      the program's version\n"
            "\n"
            "Exit status: 0 clean, 1 a fault, 2 usage error or unreadable file.\n");
    return Out.Finish() ? 0 : 2;
}

} // namespace

int RunRecordCheck(const std::vector<std::string>& Args, Utf8Output& Out, Utf8Output& Err) {
    Options Opts;
    bool OptionsEnd = false;
    for (std::size_t I = 0; I < Args.size(); ++I) {
        const std::string& A = Args[I];
        if (OptionsEnd || A == "-" || !A.starts_with('-')) {
            Opts.Paths.push_back(A);
        } else if (A == "--") {
            OptionsEnd = true;
        } else if (A == "-h" || A == "--help") {
            return Help(Out);
        } else if (A == "-V" || A == "--version") {
            Out.Put("record-check " ADOX_VERSION "\n");
            return Out.Finish() ? 0 : 2;
        } else if (A == "--csv") {
            Opts.Csv = true;
        } else if (A == "--edition" || A.starts_with("--edition=")) {
            std::string Value;
            if (A == "--edition") {
                if (I + 1 == Args.size()) return Usage(Err, "--edition needs a value");
                Value = Args[++I];
            } else {
                Value = A.substr(10);
            }
            if (Value == "classic")
                Opts.Ed = Edition::Classic;
            else if (Value == "current")
                Opts.Ed = Edition::Current;
            else
                return Usage(Err, "unknown edition '" + Value + "'");
        } else {
            return Usage(Err, "unknown option '" + A + "'");
        }
    }
    if (Opts.Paths.empty()) return Usage(Err, "no file");
    return Checker(Out, Err).Run(Opts);
}

} // namespace txad
