#include "export/tools/RecordCheck.h"

#include "export/records/RecordLayout.h"
#include "export/records/RecordLines.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <limits>
#include <map>
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>
#include <zip.h>

namespace txad {
namespace {

constexpr const char* UsageText = "usage: record-check FILE... [--csv | --raw-csv] [--edition classic]\n";

namespace fs = std::filesystem;

struct Options {
    std::vector<std::string> Paths;
    bool Csv = false;
    CsvCells Cells = CsvCells::Spreadsheet;
    Edition Ed = Edition::Current;
};

using FilePtr = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;
struct ArchiveDiscard {
    void operator()(zip_t* Archive) const { zip_discard(Archive); }
};
struct MemberClose {
    void operator()(zip_file_t* File) const { zip_fclose(File); }
};

bool IsZip(std::string_view Bytes) {
    return Bytes.starts_with(std::string_view("PK\x03\x04", 4)) ||
           Bytes.starts_with(std::string_view("PK\x05\x06", 4));
}

std::string_view View(const std::vector<char>& Bytes) {
    return {Bytes.data(), Bytes.size()};
}

// "256 MB", or bytes for a limit that is no whole number of megabytes.
std::string Amount(std::uint64_t Bytes) {
    if (Bytes % (std::uint64_t{1} << 20) == 0) return std::to_string(Bytes >> 20) + " MB";
    return std::to_string(Bytes) + " bytes";
}

std::uint64_t LittleEndian(std::string_view Bytes, std::size_t At, int Length) {
    std::uint64_t Value = 0;
    for (int I = Length - 1; I >= 0; --I)
        Value = Value << 8 | static_cast<unsigned char>(Bytes[At + static_cast<std::size_t>(I)]);
    return Value;
}

// The most members any end record of an archive of Size bytes declares (its
// 64-bit record's count where it has one): whichever libzip takes, it holds
// no more. ReadAt(Offset, Length) gives the bytes there, fewer at the end.
template <class ReadAtFn>
std::uint64_t DeclaredMembers(std::uint64_t Size, ReadAtFn&& ReadAt) {
    constexpr std::size_t EndRecord = 22, Locator = 20, Record64 = 56;
    const std::uint64_t TailSize = std::min<std::uint64_t>(Size, EndRecord + 0xFFFF);
    const std::string Tail = ReadAt(Size - TailSize, static_cast<std::size_t>(TailSize));
    std::uint64_t Most = 0;
    for (std::size_t At = Tail.rfind("PK\x05\x06"); At != std::string::npos;
         At = At == 0 ? std::string::npos : Tail.rfind("PK\x05\x06", At - 1)) {
        if (At + EndRecord > Tail.size()) continue;
        std::uint64_t Count = LittleEndian(Tail, At + 10, 2);
        if (Count == 0xFFFF && At >= Locator && Tail.compare(At - Locator, 4, "PK\x06\x07") == 0) {
            const std::string Record = ReadAt(LittleEndian(Tail, At - Locator + 8, 8), Record64);
            if (Record.size() == Record64 && Record.starts_with("PK\x06\x06"))
                Count = LittleEndian(Record, 32, 8);
        }
        Most = std::max(Most, Count);
    }
    return Most;
}

// How reading a file or member ended.
enum class ReadEnd { Whole, TooMuch, Failed };

// Appends what Read gives (the bytes read, 0 at the end, -1 on failure) to
// Bytes until the end, or until there are more than Max bytes in all; with
// Prefix, once the first two lines are in, which is all recognition needs.
// Bytes never grows beyond Max.
template <class ReadFn>
ReadEnd ReadAll(ReadFn&& Read, std::size_t Max, bool Prefix, std::vector<char>& Bytes) {
    char Block[64 * 1024];
    std::size_t Lines = 0;
    for (;;) {
        const long long N = Read(Block, sizeof Block);
        if (N < 0) return ReadEnd::Failed;
        if (N == 0) return ReadEnd::Whole;
        const auto Got = static_cast<std::size_t>(N);
        if (Bytes.size() > Max || Got > Max - Bytes.size()) return ReadEnd::TooMuch;
        if (Bytes.capacity() - Bytes.size() < Got)
            Bytes.reserve(std::min(Max, std::max(Bytes.capacity() * 2, Bytes.size() + Got)));
        Bytes.insert(Bytes.end(), Block, Block + Got);
        if (Prefix) {
            Lines += static_cast<std::size_t>(std::count(Block, Block + Got, '\n'));
            if (Lines >= 2) return ReadEnd::Whole;
        }
    }
}

// CSV needs the layouts of every file for its header line before the first
// row: a first pass learns them from each file's first lines, the second
// reads each file whole, prints it, checks it and drops it.
enum class Pass { Learn, Print };

class Checker {
public:
    Checker(Utf8Output& Out, Utf8Output& Err, const RecordCheckLimits& Limits)
        : FOut(Out), FErr(Err), FLimits(Limits) {}

    int Run(const Options& Opts);

private:
    // A file that cannot be read twice (a pipe, a device), read whole in the
    // first pass and kept for the second.
    struct Held {
        std::vector<char> Bytes;
        ReadEnd End = ReadEnd::Whole;
        std::size_t Max = 0; // what it was allowed
        std::string Name;    // what could not be read (the file, or a member)
        std::string Why;
    };

    void Walk(std::size_t Arg, const std::string& Path);
    void WalkBytes(const std::string& Path, const std::vector<char>& Bytes);
    // Source is freed here.
    void WalkArchive(const std::string& Path, zip_source_t* Source);
    void WalkMember(zip_t* Archive, zip_uint64_t Index, const std::string& Path);
    // One file or member read whole (in the first pass, its first lines).
    // FileName is what the file is called where it lies (its path, or its
    // name inside the archive): recognition falls back on it.
    void Take(const std::string& Name, std::string_view FileName, std::string_view Bytes);
    void CannotRead(std::string_view Name, std::string_view Why);
    // What the next file or member may hold: its own limit, or what the run
    // has left.
    std::size_t Allowance() const;
    // Whether a file or member of Size bytes may be read; when not, says why.
    bool MayRead(std::string_view Name, std::string_view Kind, std::uint64_t Size);
    // Says why a file or member with more than Max bytes was not read.
    void Overflow(std::string_view Name, std::string_view Kind, std::size_t Max);
    // Whether an archive declares no more members than the limit; when it
    // declares more, says so.
    template <class ReadAtFn>
    bool FewMembers(std::string_view Path, std::uint64_t Size, ReadAtFn&& ReadAt);
    void PrintText(std::string_view Name, const FileLayout& Layout, std::string_view Bytes);
    void PrintCsv(std::string_view Name, const FileLayout& Layout, std::string_view Bytes);
    void Check(std::string_view Name, const FileLayout* Layout, std::string_view Bytes);
    bool Learnt(const FileLayout& Layout) const;
    // " <record name>:" and each field's " <name>=\"" in UTF-8, made once per
    // layout: the text print writes them on every line.
    const std::vector<std::string>& FieldNamesOf(const RecordLayout& Layout);

    Utf8Output& FOut;
    Utf8Output& FErr;
    const RecordCheckLimits& FLimits;
    Edition FEd = Edition::Current;
    Pass FPass = Pass::Print;
    RecordColumns FColumns;
    std::map<std::size_t, Held> FHeld; // by position among the paths
    std::string FCurrent;              // what is being read, for a failed allocation
    std::uint64_t FRead = 0;           // bytes read or inflated in the run
    // Reused for every record, so the print loop does not allocate.
    std::vector<FieldSpan> FSpans;
    std::vector<std::string_view> FCells;
    std::vector<std::pair<const RecordLayout*, std::vector<std::string>>> FFieldNames;
    bool FCsv = false;
    CsvCells FCellsHow = CsvCells::Spreadsheet;
    bool FPrinted = false; // a file's records are out: the next one follows an empty line
    bool FRunOver = false; // the run's limit is reached: nothing more is read
    bool FUnreadable = false;
    bool FFaulty = false;
};

void Checker::CannotRead(std::string_view Name, std::string_view Why) {
    if (FPass == Pass::Learn) return; // the second pass meets it again and says so
    FErr.Put("record-check: cannot read ");
    FErr.PutEscapedName(Name);
    FErr.Put(": ");
    FErr.Put(Why);
    FErr.Put('\n');
    FUnreadable = true;
}

std::size_t Checker::Allowance() const {
    const std::uint64_t Left = FLimits.Run - std::min(FRead, FLimits.Run);
    return static_cast<std::size_t>(std::min<std::uint64_t>(FLimits.File, Left));
}

bool Checker::MayRead(std::string_view Name, std::string_view Kind, std::uint64_t Size) {
    if (Size > FLimits.File) {
        CannotRead(Name, std::string(Kind) + " too large (over " + Amount(FLimits.File) + ")");
        return false;
    }
    if (FRunOver || Size > Allowance()) {
        CannotRead(Name, "the run's limit of " + Amount(FLimits.Run) + " is reached");
        FRunOver = FPass == Pass::Print;
        return false;
    }
    return true;
}

void Checker::Overflow(std::string_view Name, std::string_view Kind, std::size_t Max) {
    MayRead(Name, Kind, std::uint64_t{Max} + 1);
}

template <class ReadAtFn>
bool Checker::FewMembers(std::string_view Path, std::uint64_t Size, ReadAtFn&& ReadAt) {
    if (DeclaredMembers(Size, ReadAt) <= FLimits.Members) return true;
    CannotRead(Path, "too many members (over " + std::to_string(FLimits.Members) + ")");
    return false;
}

void Checker::Walk(std::size_t Arg, const std::string& Path) {
    FCurrent = Path;
    if (const auto It = FHeld.find(Arg); It != FHeld.end()) {
        const Held& Kept = It->second;
        if (Kept.End == ReadEnd::Failed) return CannotRead(Kept.Name, Kept.Why);
        if (Kept.End == ReadEnd::TooMuch) return Overflow(Path, "file", Kept.Max);
        return WalkBytes(Path, Kept.Bytes);
    }
    if (FRunOver) return CannotRead(Path, "the run's limit of " + Amount(FLimits.Run) + " is reached");
    std::error_code Ec;
    const bool Regular = fs::is_regular_file(Path, Ec);
    // A size no record file has is refused unread (a sparse file of any size).
    std::uintmax_t Size = 0;
    if (Regular) {
        Size = fs::file_size(Path, Ec);
        if (!Ec && !MayRead(Path, "file", Size)) return;
    }
    FilePtr File(std::fopen(Path.c_str(), "rb"), std::fclose);
    if (!File) return CannotRead(Path, std::strerror(errno));
    const auto Read = [&File](char* Block, std::size_t Length) -> long long {
        const std::size_t N = std::fread(Block, 1, Length, File.get());
        return N == 0 && std::ferror(File.get()) ? -1 : static_cast<long long>(N);
    };
    std::vector<char> Bytes;
    const std::size_t Max = Allowance();
    ReadEnd End = ReadEnd::Whole;
    // The first bytes tell an archive; libzip reads a regular one in place.
    char Magic[4];
    const std::size_t Got = std::fread(Magic, 1, sizeof Magic, File.get());
    if (std::ferror(File.get())) {
        End = ReadEnd::Failed;
    } else if (Regular && IsZip(std::string_view(Magic, Got)) && std::fseek(File.get(), 0, SEEK_SET) == 0) {
        const auto ReadAt = [&File](std::uint64_t Offset, std::size_t Length) {
            std::string Part(Length, '\0');
            if (Offset > static_cast<std::uint64_t>(std::numeric_limits<long>::max()) ||
                std::fseek(File.get(), static_cast<long>(Offset), SEEK_SET) != 0)
                return std::string();
            Part.resize(std::fread(Part.data(), 1, Length, File.get()));
            return Part;
        };
        if (!FewMembers(Path, Size, ReadAt)) return;
        if (std::fseek(File.get(), 0, SEEK_SET) != 0) return CannotRead(Path, std::strerror(errno));
        zip_error_t Error;
        zip_error_init(&Error);
        std::FILE* Stream = File.release(); // the source closes it
        zip_source_t* Source = zip_source_filep_create(Stream, 0, -1, &Error);
        if (!Source) {
            std::fclose(Stream);
            CannotRead(Path, zip_error_strerror(&Error));
        } else {
            WalkArchive(Path, Source);
        }
        zip_error_fini(&Error);
        return;
    } else {
        if (Regular && FPass == Pass::Print) Bytes.reserve(std::min<std::uintmax_t>(Size, Max));
        if (Got > Max) {
            End = ReadEnd::TooMuch;
        } else {
            Bytes.insert(Bytes.end(), Magic, Magic + Got);
            if (Got == sizeof Magic) End = ReadAll(Read, Max, Regular && FPass == Pass::Learn, Bytes);
        }
    }
    const std::string Why = End == ReadEnd::Failed ? std::strerror(errno) : "";
    FRead += Bytes.size();
    if (!Regular && FPass == Pass::Learn) {
        Held& Kept = FHeld[Arg];
        Kept.End = End;
        Kept.Max = Max;
        Kept.Name = Path;
        Kept.Why = Why;
        if (End != ReadEnd::Whole) return;
        Kept.Bytes = std::move(Bytes);
        return WalkBytes(Path, Kept.Bytes);
    }
    if (End == ReadEnd::Failed) return CannotRead(Path, Why);
    if (End == ReadEnd::TooMuch) return Overflow(Path, "file", Max);
    WalkBytes(Path, Bytes);
}

void Checker::WalkBytes(const std::string& Path, const std::vector<char>& Bytes) {
    if (!IsZip(View(Bytes))) return Take(Path, Path, View(Bytes));
    const auto ReadAt = [&Bytes](std::uint64_t Offset, std::size_t Length) {
        return Offset >= Bytes.size() ? std::string() : std::string(View(Bytes).substr(Offset, Length));
    };
    if (!FewMembers(Path, Bytes.size(), ReadAt)) return;
    zip_error_t Error;
    zip_error_init(&Error);
    zip_source_t* Source = zip_source_buffer_create(Bytes.data(), Bytes.size(), 0, &Error);
    if (!Source)
        CannotRead(Path, zip_error_strerror(&Error));
    else
        WalkArchive(Path, Source);
    zip_error_fini(&Error);
}

void Checker::WalkArchive(const std::string& Path, zip_source_t* Source) {
    zip_error_t Error;
    zip_error_init(&Error);
    const std::unique_ptr<zip_t, ArchiveDiscard> Archive(zip_open_from_source(Source, ZIP_RDONLY, &Error));
    if (!Archive) {
        CannotRead(Path, zip_error_strerror(&Error));
        zip_source_free(Source);
        zip_error_fini(&Error);
        return;
    }
    zip_error_fini(&Error);
    const zip_int64_t Count = zip_get_num_entries(Archive.get(), 0);
    for (zip_int64_t I = 0; I < Count; ++I) WalkMember(Archive.get(), static_cast<zip_uint64_t>(I), Path);
}

void Checker::WalkMember(zip_t* Archive, zip_uint64_t Index, const std::string& Path) {
    zip_stat_t Stat;
    zip_stat_init(&Stat);
    if (zip_stat_index(Archive, Index, 0, &Stat) != 0 || !(Stat.valid & ZIP_STAT_NAME))
        return CannotRead(Path, zip_strerror(Archive));
    const std::string Member = Stat.name;
    if (Member.ends_with('/')) return;
    const std::string Name = Path + ":" + Member;
    FCurrent = Name;
    const bool Sized = (Stat.valid & ZIP_STAT_SIZE) != 0;
    if (!MayRead(Name, "member", Sized ? Stat.size : 0)) return;
    const std::unique_ptr<zip_file_t, MemberClose> File(zip_fopen_index(Archive, Index, 0));
    if (!File) return CannotRead(Name, zip_strerror(Archive));
    // A member that inflates to more than it declares is cut there: its
    // declared size is what the reading allows.
    const std::size_t Max = Sized ? static_cast<std::size_t>(Stat.size) : Allowance();
    std::vector<char> Bytes;
    if (FPass == Pass::Print) Bytes.reserve(Max);
    const ReadEnd End =
        ReadAll([&File](char* Block, std::size_t Length) { return zip_fread(File.get(), Block, Length); },
                Max, FPass == Pass::Learn, Bytes);
    FRead += Bytes.size();
    if (End == ReadEnd::Failed) return CannotRead(Name, zip_file_strerror(File.get()));
    if (FPass == Pass::Learn) return Take(Name, Member, View(Bytes));
    if (!Sized && End == ReadEnd::TooMuch) return Overflow(Name, "member", Max);
    if (Sized && (End == ReadEnd::TooMuch || Bytes.size() != Stat.size))
        return CannotRead(Name,
                          "inflated size differs from the declared " + std::to_string(Stat.size) + " bytes");
    Take(Name, Member, View(Bytes));
}

bool Checker::Learnt(const FileLayout& Layout) const {
    for (const RecordLayout* Each : {Layout.Header, Layout.Body, Layout.Trailer})
        if (Each && FColumns.ColumnsOf(*Each).empty()) return false;
    return true;
}

void Checker::Take(const std::string& Name, std::string_view FileName, std::string_view Bytes) {
    const FileLayout* Layout = RecogniseFile(FEd, Bytes, FileName);
    if (FPass == Pass::Learn) {
        if (Layout) FColumns.Add(*Layout);
        return;
    }
    // A file that changed between the passes may need columns the header lacks.
    if (FCsv && Layout && !Learnt(*Layout)) return CannotRead(Name, "the file changed while being read");
    if (Layout) {
        if (FCsv) {
            PrintCsv(Name, *Layout, Bytes);
        } else {
            if (FPrinted) FOut.Put('\n');
            FPrinted = true;
            PrintText(Name, *Layout, Bytes);
        }
    }
    // Each file's faults follow its records, so a reader of both streams
    // finds them next to each other.
    FOut.Flush();
    Check(Name, Layout, Bytes);
    FErr.Flush();
}

// Calls Each(Line, First, Last) for the lines of Bytes as RecordLines splits
// them, without an index of the lines: memory does not grow with their number.
template <class EachFn>
void ForEachLine(std::string_view Bytes, EachFn&& Each) {
    std::size_t Start = 0;
    while (Start < Bytes.size()) {
        const std::size_t Lf = Bytes.find('\n', Start);
        std::size_t End = Lf == std::string_view::npos ? Bytes.size() : Lf;
        const std::size_t Next = Lf == std::string_view::npos ? Bytes.size() : Lf + 1;
        if (Lf != std::string_view::npos && End > Start && Bytes[End - 1] == '\r') --End;
        Each(Bytes.substr(Start, End - Start), Start == 0, Next >= Bytes.size());
        Start = Next;
    }
}

const std::vector<std::string>& Checker::FieldNamesOf(const RecordLayout& Layout) {
    for (const auto& [Known, Names] : FFieldNames)
        if (Known == &Layout) return Names;
    std::vector<std::string> Names;
    const auto Utf8 = [](std::string_view Before, std::string_view Name, std::string_view After) {
        std::string Text;
        {
            Utf8Output Out(Text);
            Out.Put(Before);
            Out.PutUtf8(Name);
            Out.Put(After);
        }
        return Text;
    };
    Names.push_back(Utf8(" ", Layout.Name, ":"));
    for (const LayoutField& F : Layout.Fields) Names.push_back(Utf8(" ", F.Name, "=\""));
    FFieldNames.emplace_back(&Layout, std::move(Names));
    return FFieldNames.back().second;
}

void Checker::PrintText(std::string_view Name, const FileLayout& File, std::string_view Bytes) {
    FOut.Put("==> ");
    FOut.PutEscapedName(Name);
    FOut.Put(" (");
    FOut.Put(File.FileName);
    FOut.Put(") <==\n");
    long long Number = 0;
    ForEachLine(Bytes, [&](std::string_view Line, bool First, bool Last) {
        const RecordLayout& Layout = LayoutOfLine(File, Line, First, Last);
        SplitRecord(Layout, Line, FSpans);
        const std::vector<std::string>& Names = FieldNamesOf(Layout);
        FOut.PutNumber(++Number);
        FOut.Put(Names.front());
        std::size_t End = 0;
        for (std::size_t F = 0; F < FSpans.size() && F < Layout.Fields.size(); ++F) {
            FOut.Put(Names[F + 1]);
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
    });
}

void Checker::PrintCsv(std::string_view Name, const FileLayout& File, std::string_view Bytes) {
    long long Number = 0;
    ForEachLine(Bytes, [&](std::string_view Line, bool First, bool Last) {
        const RecordLayout& Layout = LayoutOfLine(File, Line, First, Last);
        SplitRecord(Layout, Line, FSpans);
        const auto& Columns = FColumns.ColumnsOf(Layout);
        FCells.assign(FColumns.Count(), std::string_view());
        FCells[0] = Layout.Name;
        for (std::size_t F = 0; F < FSpans.size() && F < Columns.size(); ++F)
            FCells[Columns[F]] = Line.substr(FSpans[F].Offset, FSpans[F].Length);
        FOut.PutCsvName(Name, FCellsHow);
        FOut.Put(',');
        FOut.PutNumber(++Number);
        for (const std::string_view Cell : FCells) {
            FOut.Put(',');
            FOut.PutCsvField(Cell, FCellsHow);
        }
        FOut.Put("\r\n");
    });
}

void Checker::Check(std::string_view Name, const FileLayout* Layout, std::string_view Bytes) {
    if (!Layout) {
        FErr.PutEscapedName(Name);
        FErr.Put(":1:1: ");
        FErr.PutUtf8("nessun tracciato riconosce i codici record del file");
        FErr.Put('\n');
        FFaulty = true;
        return;
    }
    CheckRecordFile(*Layout, Bytes, [this, Name](const RecordFault& Fault) {
        FErr.PutEscapedName(Name);
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
    });
}

int Checker::Run(const Options& Opts) {
    FCsv = Opts.Csv;
    FCellsHow = Opts.Cells;
    FEd = Opts.Ed;
    // Any allocation that fails makes the file or member being read
    // unreadable; the run goes on with the next path.
    const auto WalkAll = [this, &Opts] {
        for (std::size_t I = 0; I < Opts.Paths.size(); ++I) {
            try {
                Walk(I, Opts.Paths[I]);
            } catch (const std::bad_alloc&) {
                if (FPass == Pass::Learn) {
                    Held& Kept = FHeld[I];
                    Kept = Held{};
                    Kept.End = ReadEnd::Failed;
                    Kept.Name = FCurrent;
                    Kept.Why = "not enough memory";
                } else {
                    CannotRead(FCurrent, "not enough memory");
                }
            }
        }
    };
    if (FCsv) {
        FPass = Pass::Learn;
        WalkAll();
        FPass = Pass::Print;
        // The first pass has a run's allowance of its own: what it read of a
        // file does not keep the second from reading the file whole.
        FRead = 0;
        FOut.Put("File,Riga");
        for (std::size_t C = 0; C < FColumns.Count(); ++C) {
            FOut.Put(',');
            FOut.PutCsvField(FColumns.Name(C), FCellsHow);
        }
        FOut.Put("\r\n");
    }
    WalkAll();
    if (!FOut.Finish()) {
        FErr.Put("record-check: cannot write the output\n");
        FUnreadable = true;
    }
    FErr.Finish();
    return FUnreadable ? 2 : FFaulty ? 1 : 0;
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
            "A file or member over 256 MB is not read, nor anything once 1 GB has been read,\n"
            "nor an archive of more than 65535 members.\n"
            "\n"
            "  --csv              CSV for a spreadsheet, one row per record, field names as the\n"
            "                     header line: a cell starting with = + - @ (a number apart)\n"
            "                     begins with ', control characters show as symbols (TAB as\n"
            "                     U+2409), a cell with a semicolon is quoted\n"
            "  --raw-csv          RFC 4180 CSV with the values as they are, for scripts\n"
            "  --edition classic  the earlier edition's layouts (default: current)\n"
            "  -h, --help         this text\n"
            "  -V, --version      the program's version\n"
            "\n"
            "Exit status: 0 clean, 1 a fault, 2 usage error or unreadable file.\n");
    return Out.Finish() ? 0 : 2;
}

} // namespace

int RunRecordCheck(const std::vector<std::string>& Args, Utf8Output& Out, Utf8Output& Err,
                   const RecordCheckLimits& Limits) {
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
        } else if (A == "--csv" || A == "--raw-csv") {
            Opts.Csv = true;
            Opts.Cells = A == "--csv" ? CsvCells::Spreadsheet : CsvCells::Raw;
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
    return Checker(Out, Err, Limits).Run(Opts);
}

} // namespace txad
