// packet-dump as people run it: UTF-8 output, RFC 4180 CSV, broken packets
// reported as file:line: reason with exit status 1.

#include "DataSetTestSupport.h"

#include <cstdio>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

struct DumpResult {
    int status = -1;
    std::string out;
};

DumpResult PacketDump(const std::string& Args) {
    const std::string errFile = testsupport::SandboxDir() + "/dump.err";
    const std::string cmd = std::string(PACKET_DUMP) + " " + Args + " 2>" + errFile;
    DumpResult r;
    FILE* p = popen(cmd.c_str(), "r");
    if (!p) return r;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, n);
    const int st = pclose(p);
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    r.out += "|stderr:" + testsupport::ReadFileBytes(errFile);
    return r;
}

const char* kFields = "<FIELD attrname=\"Nome\" fieldtype=\"string\" WIDTH=\"40\"/>"
                      "<FIELD attrname=\"Alunni\" fieldtype=\"i4\"/>";

TEST(PacketDump, PrintsFieldsAndRowsInUtf8) {
    const std::string path = dstest::WritePacket(testsupport::PacketXml(
        kFields, "<ROW Nome=\"Forl\xEC, &quot;A&quot;&#013;&#010;x\" Alunni=\"22\"/><ROW Nome=\"\"/>"));
    const DumpResult plain = PacketDump(path);
    EXPECT_EQ(plain.status, 0);
    EXPECT_EQ(plain.out, "Fields (2)\n  Nome string 40\n  Alunni i4\nRows (2)\n"
                         "1: Nome=\"Forl\xC3\xAC, \\\"A\\\"\\r\\nx\" Alunni=\"22\"\n"
                         "2: Nome=\"\" Alunni=<null>\n|stderr:");
    const DumpResult csv = PacketDump(path + " --raw-csv");
    EXPECT_EQ(csv.status, 0);
    EXPECT_EQ(csv.out, "Nome,Alunni\r\n\"Forl\xC3\xAC, \"\"A\"\"\r\nx\",22\r\n,\r\n|stderr:");
    // For a spreadsheet the line break shows as its symbols: one row, one line.
    const DumpResult sheet = PacketDump(path + " --csv");
    EXPECT_EQ(sheet.status, 0);
    EXPECT_EQ(sheet.out,
              "Nome,Alunni\r\n\"Forl\xC3\xAC, \"\"A\"\"\xE2\x90\x8D\xE2\x90\x8Ax\",22\r\n,\r\n|stderr:");
    const DumpResult fields = PacketDump(path + " --fields");
    EXPECT_EQ(fields.out, "Fields (2)\n  Nome string 40\n  Alunni i4\n|stderr:");
}

// Values from a packet reach a spreadsheet as text: a
// formula is quoted out, control characters from character references show
// as symbols, and a number keeps its minus.
TEST(PacketDump, CsvForASpreadsheetNeverHoldsAFormula) {
    const std::string path = dstest::WritePacket(testsupport::PacketXml(
        "<FIELD attrname=\"Nome\" fieldtype=\"string\" WIDTH=\"80\"/>"
        "<FIELD attrname=\"Saldo\" fieldtype=\"i4\"/>",
        "<ROW Nome=\"=HYPERLINK(&quot;http://x&quot;,&quot;Apri&quot;)\" Saldo=\"-5\"/>"
        "<ROW Nome=\"@SUM(1+1)&#27;[2J&#1;&#9;x\" Saldo=\"7\"/>"));
    const DumpResult sheet = PacketDump(path + " --csv");
    EXPECT_EQ(sheet.status, 0);
    EXPECT_EQ(sheet.out, "Nome,Saldo\r\n"
                         "\"'=HYPERLINK(\"\"http://x\"\",\"\"Apri\"\")\",-5\r\n"
                         "\"'@SUM(1+1)\xE2\x90\x9B[2J\xE2\x90\x81\xE2\x90\x89x\",7\r\n|stderr:");
    const DumpResult raw = PacketDump(path + " --raw-csv");
    EXPECT_EQ(raw.status, 0);
    EXPECT_EQ(raw.out, "Nome,Saldo\r\n"
                       "\"=HYPERLINK(\"\"http://x\"\",\"\"Apri\"\")\",-5\r\n"
                       "@SUM(1+1)\x1B[2J\x01\tx,7\r\n|stderr:");
}

TEST(PacketDump, BrokenOrMissingPacketsFailWithTheirFile) {
    const std::string broken =
        dstest::WritePacket(testsupport::PacketXml(kFields, "<ROW Nome=\"x\">\n<ROW/>"));
    const DumpResult bad = PacketDump(broken);
    EXPECT_EQ(bad.status, 1);
    EXPECT_EQ(bad.out, "|stderr:" + broken + ":2: mismatched tag\n");
    const std::string missing = testsupport::SandboxDir() + "/missing.xml";
    const DumpResult none = PacketDump(missing);
    EXPECT_EQ(none.status, 1);
    EXPECT_EQ(none.out, "|stderr:Cannot open file " + missing + "\n");
    EXPECT_EQ(PacketDump("").status, 2);
}

struct Peak {
    int status = -1;
    long peakKb = 0;
};

// packet-dump with its output in Out, and its peak resident memory.
Peak DumpToFile(const std::string& Packet, const char* Option, const std::string& Out) {
    Peak r;
    const pid_t pid = fork();
    if (pid == 0) {
        const int fd = open(Out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd < 0) _exit(126);
        dup2(fd, 1);
        std::vector<const char*> argv = {PACKET_DUMP, Packet.c_str()};
        if (Option) argv.push_back(Option);
        argv.push_back(nullptr);
        execv(PACKET_DUMP, const_cast<char* const*>(argv.data()));
        _exit(127);
    }
    int st = 0;
    rusage ru{};
    if (pid < 0 || wait4(pid, &st, 0, &ru) != pid) return r;
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    r.peakKb = ru.ru_maxrss;
    return r;
}

struct StreamCase {
    const char* name;
    std::string path;
    const char* option;
    size_t outSize;
    std::string outEnd;
};

// Rows go out as they are formatted: printing a packet takes no more memory
// than loading it (what --fields does) plus a small buffer. The packets are
// only on disk while packet-dump runs, so that the test's own memory (which a
// child's peak includes until it execs) stays below the tool's.
TEST(PacketDump, StreamsLargePacketsWithoutHoldingTheOutput) {
    const size_t big = size_t(16) << 20;
    const std::string head = "Fields (2)\n  Nome string 40\n  Alunni i4\n";
    std::string wideFields = kFields, nulls;
    for (int f = 3; f <= 8; ++f) {
        wideFields += "<FIELD attrname=\"Campo" + std::to_string(f) + "\" fieldtype=\"i4\"/>";
        nulls += " Campo" + std::to_string(f) + "=<null>";
    }
    const std::string rowEnd = ": Nome=<null> Alunni=<null>" + nulls + "\n";
    size_t rowsSize =
        head.size() + 6 * std::string("  Campo3 i4\n").size() + std::string("Rows (400000)\n").size();
    for (int i = 1; i <= 400000; ++i) rowsSize += std::to_string(i).size() + rowEnd.size();
    const std::string bigValue =
        dstest::WritePacket(testsupport::PacketXml(kFields, "<ROW Nome=\"" + std::string(big, 'a') + "\"/>"));
    std::string emptyRows;
    for (int i = 0; i < 400000; ++i) emptyRows += "<ROW/>";
    const std::string manyRows = dstest::WritePacket(testsupport::PacketXml(wideFields, emptyRows));
    std::string().swap(emptyRows);
    const StreamCase cases[] = {
        {"one 16 MB value", bigValue, nullptr, head.size() + 9 + 25 + big, "a\" Alunni=<null>\n"},
        {"one 16 MB value as CSV", bigValue, "--csv", 13 + big + 3, "aaa,\r\n"},
        {"400,000 empty rows", manyRows, nullptr, rowsSize, "\n400000" + rowEnd},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string out = testsupport::SandboxDir() + "/dump.out";
        const Peak load = DumpToFile(c.path, "--fields", out);
        ASSERT_EQ(load.status, 0);
        const Peak dump = DumpToFile(c.path, c.option, out);
        ASSERT_EQ(dump.status, 0);
        EXPECT_LE(dump.peakKb, load.peakKb + long{8} * 1024)
            << "loading alone peaks at " << load.peakKb << " KB";
        const std::string text = testsupport::ReadFileBytes(out);
        EXPECT_EQ(text.size(), c.outSize);
        EXPECT_EQ(text.substr(text.size() - std::min(text.size(), c.outEnd.size())), c.outEnd);
    }
}

} // namespace
