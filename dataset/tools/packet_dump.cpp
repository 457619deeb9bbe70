// packet-dump PACKET [--fields] [--csv]: shows what a data packet holds, in
// UTF-8. Without options it prints the fields and the current rows; --fields
// prints the fields alone; --csv prints RFC 4180 CSV (field names as header).
// Rows are written as they are formatted, so the output never piles up in
// memory however large the packet.

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

// Standard output through a small buffer; a failed write is remembered.
class Output {
public:
    ~Output() { Flush(); }
    void Put(char C) {
        m_buf += C;
        if (m_buf.size() >= kSize) Flush();
    }
    void Put(std::string_view S) {
        if (m_buf.size() + S.size() > kSize) {
            Flush();
            if (S.size() >= kSize) {
                Write(S);
                return;
            }
        }
        m_buf += S;
    }
    // One CP1252 byte as UTF-8.
    void PutCp1252(char C) {
        const char16_t u = platform::Cp1252ToUnicode(static_cast<unsigned char>(C));
        if (u < 0x80) {
            Put(static_cast<char>(u));
        } else if (u < 0x800) {
            Put(static_cast<char>(0xC0 | (u >> 6)));
            Put(static_cast<char>(0x80 | (u & 0x3F)));
        } else {
            Put(static_cast<char>(0xE0 | (u >> 12)));
            Put(static_cast<char>(0x80 | ((u >> 6) & 0x3F)));
            Put(static_cast<char>(0x80 | (u & 0x3F)));
        }
    }
    bool Flush() {
        Write(m_buf);
        m_buf.clear();
        return !m_failed;
    }
    bool Finish() { return Flush() && std::fflush(stdout) == 0 && !m_failed; }

private:
    void Write(std::string_view S) {
        if (!S.empty() && std::fwrite(S.data(), 1, S.size(), stdout) != S.size()) m_failed = true;
    }
    static constexpr size_t kSize = size_t{64} * 1024;
    std::string m_buf;
    bool m_failed = false;
};

// The length of Text's start that goes out unchanged: ASCII without Special.
size_t PlainRun(std::string_view Text, const char* Special) {
    size_t i = 0;
    while (i < Text.size() && static_cast<unsigned char>(Text[i]) >= 0x20 &&
           static_cast<unsigned char>(Text[i]) < 0x80 &&
           std::string_view(Special).find(Text[i]) == std::string_view::npos)
        ++i;
    return i;
}

// Control characters are shown escaped so one row stays one line.
void PutEscaped(Output& Out, std::string_view Text) {
    while (!Text.empty()) {
        const size_t plain = PlainRun(Text, "\\\"");
        Out.Put(Text.substr(0, plain));
        if (plain == Text.size()) return;
        const char c = Text[plain];
        Text.remove_prefix(plain + 1);
        switch (c) {
        case '\r': Out.Put("\\r"); break;
        case '\n': Out.Put("\\n"); break;
        case '\t': Out.Put("\\t"); break;
        case '\\': Out.Put("\\\\"); break;
        case '"': Out.Put("\\\""); break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                char buf[8];
                std::snprintf(buf, sizeof buf, "\\x%02X", static_cast<unsigned char>(c));
                Out.Put(buf);
            } else {
                Out.PutCp1252(c);
            }
        }
    }
}

// CP1252 text as UTF-8, with each Doubled character written twice.
void PutUtf8(Output& Out, std::string_view Text, const char* Doubled = "") {
    while (!Text.empty()) {
        // Control characters other than the doubled ones go out as they are.
        size_t plain = 0;
        while (plain < Text.size() && static_cast<unsigned char>(Text[plain]) < 0x80 &&
               std::string_view(Doubled).find(Text[plain]) == std::string_view::npos)
            ++plain;
        Out.Put(Text.substr(0, plain));
        if (plain == Text.size()) return;
        const char c = Text[plain];
        Text.remove_prefix(plain + 1);
        if (static_cast<unsigned char>(c) < 0x80) Out.Put(c);
        Out.PutCp1252(c);
    }
}

void PutCsvField(Output& Out, std::string_view Text) {
    const bool quoted = Text.find_first_of(",\"\r\n") != std::string_view::npos;
    if (quoted) Out.Put('"');
    PutUtf8(Out, Text, "\"");
    if (quoted) Out.Put('"');
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
    Output out;
    if (csv) {
        if (fieldsOnly) {
            out.Put("name,type,width\r\n");
            for (int f = 0; f < nf; ++f) {
                const auto& d = ds.FieldDefAt(f);
                PutCsvField(out, d.Name);
                out.Put(',');
                out.Put(dataset::FieldTypeName(d.Type));
                out.Put(',');
                out.Put(std::to_string(d.Width));
                out.Put("\r\n");
            }
        } else {
            for (int f = 0; f < nf; ++f) {
                if (f) out.Put(',');
                PutCsvField(out, ds.FieldDefAt(f).Name);
            }
            out.Put("\r\n");
            const int rows = ds.RecordCount();
            for (int r = 0; r < rows; ++r) {
                for (int f = 0; f < nf; ++f) {
                    if (f) out.Put(',');
                    PutCsvField(out, ds.TextAt(r, f));
                }
                out.Put("\r\n");
            }
        }
    } else {
        out.Put("Fields (" + std::to_string(nf) + ")\n");
        for (int f = 0; f < nf; ++f) {
            const auto& d = ds.FieldDefAt(f);
            out.Put("  ");
            PutUtf8(out, d.Name);
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
                    PutUtf8(out, fld.FieldName());
                    out.Put('=');
                    if (fld.IsNull()) {
                        out.Put("<null>");
                    } else {
                        out.Put('"');
                        PutEscaped(out, fld.AsText());
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
