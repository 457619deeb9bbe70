#pragma once
// Buffered UTF-8 output of the system's CP1252 text, for the command-line
// tools: records and rows are formatted straight into one buffer that goes
// out in large writes, so nothing piles up in memory however large the input.

#include <cstddef>
#include <cstdio>
#include <string>
#include <string_view>

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
    // One RFC 4180 field: quoted when it holds a comma, quote or line break.
    void PutCsvField(std::string_view Text);

    // False once a write has failed.
    bool Flush();
    // Flushes and, for a file, flushes the stream too; false when any write failed.
    bool Finish();

private:
    void Write(std::string_view S);
    static constexpr std::size_t BufferSize = std::size_t{64} * 1024;
    std::FILE* FFile = nullptr;
    std::string* FText = nullptr;
    std::string FBuffer;
    bool FFailed = false;
};
