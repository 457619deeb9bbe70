// packet-dump as people run it: UTF-8 output, RFC 4180 CSV, broken packets
// reported as file:line: reason with exit status 1.

#include "DataSetTestSupport.h"

#include <cstdio>
#include <gtest/gtest.h>
#include <sys/wait.h>

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
    const std::string path = dstest::WritePacket(dstest::Packet(
        kFields, "<ROW Nome=\"Forl\xEC, &quot;A&quot;&#013;&#010;x\" Alunni=\"22\"/><ROW Nome=\"\"/>"));
    const DumpResult plain = PacketDump(path);
    EXPECT_EQ(plain.status, 0);
    EXPECT_EQ(plain.out, "Fields (2)\n  Nome string 40\n  Alunni i4\nRows (2)\n"
                         "1: Nome=\"Forl\xC3\xAC, \\\"A\\\"\\r\\nx\" Alunni=\"22\"\n"
                         "2: Nome=\"\" Alunni=<null>\n|stderr:");
    const DumpResult csv = PacketDump(path + " --csv");
    EXPECT_EQ(csv.status, 0);
    EXPECT_EQ(csv.out, "Nome,Alunni\r\n\"Forl\xC3\xAC, \"\"A\"\"\r\nx\",22\r\n,\r\n|stderr:");
    const DumpResult fields = PacketDump(path + " --fields");
    EXPECT_EQ(fields.out, "Fields (2)\n  Nome string 40\n  Alunni i4\n|stderr:");
}

TEST(PacketDump, BrokenOrMissingPacketsFailWithTheirFile) {
    const std::string broken = dstest::WritePacket(dstest::Packet(kFields, "<ROW Nome=\"x\">\n<ROW/>"));
    const DumpResult bad = PacketDump(broken);
    EXPECT_EQ(bad.status, 1);
    EXPECT_EQ(bad.out, "|stderr:" + broken + ":2: mismatched tag\n");
    const std::string missing = testsupport::SandboxDir() + "/missing.xml";
    const DumpResult none = PacketDump(missing);
    EXPECT_EQ(none.status, 1);
    EXPECT_EQ(none.out, "|stderr:Cannot open file " + missing + "\n");
    EXPECT_EQ(PacketDump("").status, 2);
}

} // namespace
