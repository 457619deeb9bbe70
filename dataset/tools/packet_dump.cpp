// packet-dump PACKET [--fields] [--csv]: shows what a data packet holds, in
// UTF-8. Without options it prints the fields and the current rows; --fields
// prints the fields alone; --csv prints RFC 4180 CSV (field names as header).

#include "ClientDataSet.h"
#include "PacketTable.h"
#include "platform/Platform.h"

#include <cstdio>
#include <iostream>
#include <string>

namespace {

const char* const UsageLine = "usage: packet-dump PACKET [--fields] [--csv]\n";

int Usage() {
    std::cerr << UsageLine;
    return 2;
}

int Help() {
    std::cout << UsageLine
              << "Prints the fields and rows of a client-dataset XML data packet in UTF-8.\n"
                 "\n"
                 "  --fields       only the fields: name, type, width\n"
                 "  --csv          RFC 4180 CSV, field names as the header line\n"
                 "  -h, --help     this text\n"
                 "  -V, --version  the program's version\n";
    return 0;
}

std::string Utf8(std::string_view Cp1252) {
    return platform::Utf8FromCp1252(Cp1252);
}

// Control characters are shown escaped so one row stays one line.
std::string Escaped(std::string_view Text) {
    std::string out;
    for (char c : Text) {
        switch (c) {
        case '\r': out += "\\r"; break;
        case '\n': out += "\\n"; break;
        case '\t': out += "\\t"; break;
        case '\\': out += "\\\\"; break;
        case '"': out += "\\\""; break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                char buf[8];
                std::snprintf(buf, sizeof buf, "\\x%02X", static_cast<unsigned char>(c));
                out += buf;
            } else {
                out += c;
            }
        }
    }
    return out;
}

std::string CsvField(std::string_view Text) {
    if (Text.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(Text);
    std::string out = "\"";
    for (char c : Text) {
        if (c == '"') out += '"';
        out += c;
    }
    out += '"';
    return out;
}

} // namespace

int main(int argc, char** argv) {
    std::string path;
    bool fieldsOnly = false, csv = false;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "-h" || a == "--help") return Help();
        if (a == "-V" || a == "--version") {
            std::cout << "packet-dump " ADOX_VERSION "\n";
            return 0;
        }
        if (a == "--fields")
            fieldsOnly = true;
        else if (a == "--csv")
            csv = true;
        else if (a.size() > 1 && a[0] == '-')
            return Usage();
        else if (path.empty())
            path = a;
        else
            return Usage();
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
    std::string out;
    if (csv) {
        const char* sep = "";
        if (fieldsOnly) {
            out += "name,type,width\r\n";
            for (int f = 0; f < nf; ++f) {
                const auto& d = ds.FieldDefAt(f);
                out += CsvField(Utf8(d.Name)) + ',' + dataset::FieldTypeName(d.Type) + ',' +
                       std::to_string(d.Width) + "\r\n";
            }
        } else {
            for (int f = 0; f < nf; ++f, sep = ",") out += sep + CsvField(Utf8(ds.FieldDefAt(f).Name));
            out += "\r\n";
            const int rows = ds.RecordCount();
            for (int r = 0; r < rows; ++r) {
                sep = "";
                for (int f = 0; f < nf; ++f, sep = ",") out += sep + CsvField(Utf8(ds.TextAt(r, f)));
                out += "\r\n";
            }
        }
        std::fwrite(out.data(), 1, out.size(), stdout);
        return 0;
    }

    out += "Fields (" + std::to_string(nf) + ")\n";
    for (int f = 0; f < nf; ++f) {
        const auto& d = ds.FieldDefAt(f);
        out += "  " + Utf8(d.Name) + ' ' + dataset::FieldTypeName(d.Type);
        if (d.Width) out += ' ' + std::to_string(d.Width);
        out += '\n';
    }
    if (!fieldsOnly) {
        out += "Rows (" + std::to_string(ds.RecordCount()) + ")\n";
        int r = 0;
        for (ds.First(); !ds.Eof(); ds.Next(), ++r) {
            out += std::to_string(r + 1) + ':';
            for (int f = 0; f < nf; ++f) {
                TField fld(&ds, f);
                out += ' ' + Utf8(fld.FieldName()) + '=';
                out += fld.IsNull() ? std::string("<null>") : '"' + Escaped(Utf8(fld.AsText())) + '"';
            }
            out += '\n';
        }
    }
    std::fwrite(out.data(), 1, out.size(), stdout);
    return 0;
}
