#pragma once
// Buffered UTF-8 output of the system's CP1252 text, for the command-line
// tools: records and rows are formatted straight into one buffer that goes
// out in large writes, so nothing piles up in memory however large the input.

#include <cstddef>
#include <cstdio>
#include <string>
#include <string_view>

// How CSV cells are written. Spreadsheet cells cannot start a formula: a
// cell beginning with = + - @ (a plain number apart) gets a leading ', a C0
// control character shows as its symbol (U+2400 + code: TAB as U+2409), and
// a semicolon, the list separator of Italian spreadsheets, quotes the cell.
// Raw cells are RFC 4180 fields with the values as they are, for scripts.
enum class CsvCells { Spreadsheet, Raw };

class Utf8Output {
public:
    // Writes to File (stdout, stderr), or appends to Text (tests).
    explicit Utf8Output(std::FILE* File) : FFile(File) { FBuffer.reserve(BufferSize); }
    explicit Utf8Output(std::string& Text) : FText(&Text) { FBuffer.reserve(BufferSize); }
    ~Utf8Output() { Flush(); }
    Utf8Output(const Utf8Output&) = delete;
    Utf8Output& operator=(const Utf8Output&) = delete;

    // Bytes as they are (ASCII, or text that already is UTF-8).
    void Put(char C) {
        FBuffer += C;
        if (FBuffer.size() >= BufferSize) Flush();
    }
    void Put(std::string_view S);
    void PutNumber(long long N);
    // One CP1252 byte as UTF-8.
    void PutCp1252(char C);
    // CP1252 text as UTF-8, with each Doubled character written twice.
    void PutUtf8(std::string_view Text, std::string_view Doubled = {});
    // CP1252 text as UTF-8 with control characters, backslash and quote
    // escaped, so one value stays on one line.
    void PutEscaped(std::string_view Text);
    // Bytes that already are text (a path, an archive member's name) with
    // control characters escaped as PutEscaped does, so a name stays on its line.
    void PutEscapedName(std::string_view Name);
    // One RFC 4180 field of CP1252 text, quoted when it holds a comma or a
    // quote, and a line break (raw) or a semicolon or a leading ' (spreadsheet).
    void PutCsvField(std::string_view Text, CsvCells How);
    // One CSV field of bytes that already are text (a path, a member's name).
    void PutCsvName(std::string_view Name, CsvCells How);

    // False once a write has failed.
    bool Flush();
    // Flushes and, for a file, flushes the stream too; false when any write failed.
    bool Finish();

private:
    void PutCsvCell(std::string_view Text, bool Cp1252, CsvCells How);
    void PutControl(char C);
    void Write(std::string_view S);
    static constexpr std::size_t BufferSize = std::size_t{64} * 1024;
    std::FILE* FFile = nullptr;
    std::string* FText = nullptr;
    std::string FBuffer;
    bool FFailed = false;
};
