// packet-dump PACKET [--fields] [--csv | --raw-csv]: shows what a data packet
// holds, in UTF-8. Without options it prints the fields and the current rows;
// --fields prints the fields alone; --csv prints CSV for a spreadsheet and
// --raw-csv RFC 4180 CSV with the values as they are (field names as header).
// Rows are written as they are formatted, so the output never piles up in
// memory however large the packet.

#include "ClientDataSet.h"
#include "PacketTable.h"
#include "platform/Platform.h"
#include "support/Utf8Output.h"

#include <cstdio>
#include <iostream>
#include <string>

namespace {

const char* const UsageLine = "usage: packet-dump PACKET [--fields] [--csv | --raw-csv]\n";

int Usage() {
    std::cerr << UsageLine;
    return 2;
}

int Help() {
    std::cout << UsageLine
              << "Prints the fields and rows of a client-dataset XML data packet in UTF-8.\n"
                 "\n"
                 "  --fields       only the fields: name, type, width\n"
                 "  --csv          CSV for a spreadsheet, field names as the header line: a cell\n"
                 "                 starting with = + - @ (a number apart) begins with ', control\n"
                 "                 characters show as symbols (TAB as U+2409), a cell with a\n"
                 "                 semicolon is quoted\n"
                 "  --raw-csv      RFC 4180 CSV with the values as they are, for scripts\n"
                 "  -h, --help     this text\n"
                 "  -V, --version  the program's version\n";
    return 0;
}

std::string Utf8(std::string_view Cp1252) {
    return platform::Utf8FromCp1252(Cp1252);
}

} // namespace

int main(int argc, char** argv) {
    std::string path;
    bool fieldsOnly = false, csv = false;
    CsvCells cells = CsvCells::Spreadsheet;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "-h" || a == "--help") return Help();
        if (a == "-V" || a == "--version") {
            std::cout << "packet-dump " ADOX_VERSION "\n";
            return 0;
        }
        if (a == "--fields")
            fieldsOnly = true;
        else if (a == "--csv" || a == "--raw-csv") {
            csv = true;
            cells = a == "--csv" ? CsvCells::Spreadsheet : CsvCells::Raw;
        }
        // An unknown option or a second packet.
        else if ((a.size() > 1 && a[0] == '-') || !path.empty())
            return Usage();
        else
            path = a;
    }
    if (path.empty()) return Usage();

    TClientDataSet ds("packet");
    try {
        ds.LoadFromFile(path);
    } catch (const dataset::PacketError& e) {
        std::cerr << e.File() << ':' << e.Line() << ": " << e.Reason() << '\n';
        return 1;
    } catch (const EVxError& e) {
        std::cerr << Utf8(e.what()) << '\n';
        return 1;
    }

    const int nf = ds.FieldCount();
    Utf8Output out(stdout);
    if (csv) {
        if (fieldsOnly) {
            out.Put("name,type,width\r\n");
            for (int f = 0; f < nf; ++f) {
                const auto& d = ds.FieldDefAt(f);
                out.PutCsvField(d.Name, cells);
                out.Put(',');
                out.Put(dataset::FieldTypeName(d.Type));
                out.Put(',');
                out.Put(std::to_string(d.Width));
                out.Put("\r\n");
            }
        } else {
            for (int f = 0; f < nf; ++f) {
                if (f) out.Put(',');
                out.PutCsvField(ds.FieldDefAt(f).Name, cells);
            }
            out.Put("\r\n");
            const int rows = ds.RecordCount();
            for (int r = 0; r < rows; ++r) {
                for (int f = 0; f < nf; ++f) {
                    if (f) out.Put(',');
                    out.PutCsvField(ds.TextAt(r, f), cells);
                }
                out.Put("\r\n");
            }
        }
    } else {
        out.Put("Fields (" + std::to_string(nf) + ")\n");
        for (int f = 0; f < nf; ++f) {
            const auto& d = ds.FieldDefAt(f);
            out.Put("  ");
            out.PutUtf8(d.Name);
            out.Put(' ');
            out.Put(dataset::FieldTypeName(d.Type));
            if (d.Width) out.Put(' ' + std::to_string(d.Width));
            out.Put('\n');
        }
        if (!fieldsOnly) {
            out.Put("Rows (" + std::to_string(ds.RecordCount()) + ")\n");
            int r = 0;
            for (ds.First(); !ds.Eof(); ds.Next(), ++r) {
                out.Put(std::to_string(r + 1) + ':');
                for (int f = 0; f < nf; ++f) {
                    TField fld(&ds, f);
                    out.Put(' ');
                    out.PutUtf8(fld.FieldName());
                    out.Put('=');
                    if (fld.IsNull()) {
                        out.Put("<null>");
                    } else {
                        out.Put('"');
                        out.PutEscaped(fld.AsText());
                        out.Put('"');
                    }
                }
                out.Put('\n');
            }
        }
    }
    if (!out.Finish()) {
        std::cerr << "packet-dump: cannot write the output\n";
        return 1;
    }
    return 0;
}
