#include "tests/zip/ZipTestSupport.h"

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <random>
#include <zlib.h>

namespace ziptest {

namespace {

std::atomic<int> g_counter{0};

void Append16(std::string& B, uint16_t V) {
    B.push_back(static_cast<char>(V & 0xFF));
    B.push_back(static_cast<char>(V >> 8));
}

void Append32(std::string& B, uint32_t V) {
    Append16(B, static_cast<uint16_t>(V & 0xFFFF));
    Append16(B, static_cast<uint16_t>(V >> 16));
}

void Append64(std::string& B, uint64_t V) {
    Append32(B, static_cast<uint32_t>(V & 0xFFFF'FFFF));
    Append32(B, static_cast<uint32_t>(V >> 32));
}

uint32_t Read32(const std::string& B, size_t Off) {
    uint32_t V = 0;
    for (int I = 3; I >= 0; --I) V = (V << 8) | static_cast<uint8_t>(B[Off + static_cast<size_t>(I)]);
    return V;
}

uint32_t Crc(const std::string& Data) {
    return static_cast<uint32_t>(
        crc32(0, reinterpret_cast<const Bytef*>(Data.data()), static_cast<uInt>(Data.size())));
}

} // namespace

TempFolder::TempFolder() {
    FPath = testsupport::SandboxDir() + "/zip" + std::to_string(++g_counter);
    std::filesystem::create_directories(FPath);
}

TempFolder::~TempFolder() {
    std::error_code Ec;
    std::filesystem::permissions(FPath, std::filesystem::perms::owner_all, Ec);
    std::filesystem::remove_all(FPath, Ec);
}

std::string MakeArchive(const std::vector<Entry>& Entries, const std::string& Comment) {
    std::string Out, Central;
    for (const Entry& E : Entries) {
        const uint32_t Local = static_cast<uint32_t>(Out.size());
        Out += std::string("PK\3\4", 4);
        Append16(Out, 10);
        Append16(Out, E.Flags);
        Append16(Out, 0);           // stored
        Append32(Out, 0x5321'0000); // DOS time and date
        Append32(Out, Crc(E.Data));
        Append32(Out, static_cast<uint32_t>(E.Data.size()));
        Append32(Out, static_cast<uint32_t>(E.Data.size()));
        Append16(Out, static_cast<uint16_t>(E.Name.size()));
        Append16(Out, 0);
        Out += E.Name;
        Out += E.Data;

        Central += std::string("PK\1\2", 4);
        Append16(Central, E.MadeBy);
        Append16(Central, 10);
        Append16(Central, E.Flags);
        Append16(Central, 0);
        Append32(Central, 0x5321'0000);
        Append32(Central, Crc(E.Data));
        Append32(Central, static_cast<uint32_t>(E.Data.size()));
        Append32(Central, static_cast<uint32_t>(E.Data.size()));
        Append16(Central, static_cast<uint16_t>(E.Name.size()));
        Append16(Central, 0);
        Append16(Central, static_cast<uint16_t>(E.Comment.size()));
        Append16(Central, 0);
        Append16(Central, 0);
        Append32(Central, 0);
        Append32(Central, Local);
        Central += E.Name;
        Central += E.Comment;
    }
    const uint32_t CdOffset = static_cast<uint32_t>(Out.size());
    Out += Central;
    Out += std::string("PK\5\6", 4);
    Append16(Out, 0);
    Append16(Out, 0);
    Append16(Out, static_cast<uint16_t>(Entries.size()));
    Append16(Out, static_cast<uint16_t>(Entries.size()));
    Append32(Out, static_cast<uint32_t>(Central.size()));
    Append32(Out, CdOffset);
    Append16(Out, static_cast<uint16_t>(Comment.size()));
    Out += Comment;
    return Out;
}

std::string MakeZip64Archive(const std::vector<Entry>& Entries, const std::string& Comment) {
    const std::string Plain = MakeArchive(Entries);
    const size_t End = Plain.size() - 22;
    const uint32_t CdSize = Read32(Plain, End + 12);
    const uint32_t CdOffset = Read32(Plain, End + 16);
    std::string Out = Plain.substr(0, End);
    const uint64_t Zip64End = Out.size();
    Out += std::string("PK\6\6", 4);
    Append64(Out, 44);
    Append16(Out, 0x032D); // Unix host, version 4.5
    Append16(Out, 45);
    Append32(Out, 0);
    Append32(Out, 0);
    Append64(Out, Entries.size());
    Append64(Out, Entries.size());
    Append64(Out, CdSize);
    Append64(Out, CdOffset);
    Out += std::string("PK\6\7", 4);
    Append32(Out, 0);
    Append64(Out, Zip64End);
    Append32(Out, 1);
    Out += std::string("PK\5\6", 4);
    Append16(Out, 0);
    Append16(Out, 0);
    Append16(Out, 0xFFFF);
    Append16(Out, 0xFFFF);
    Append32(Out, 0xFFFF'FFFF);
    Append32(Out, 0xFFFF'FFFF);
    Append16(Out, static_cast<uint16_t>(Comment.size()));
    Out += Comment;
    return Out;
}

size_t EndRecordOffset(const std::string& Archive) {
    return Archive.rfind(std::string("PK\5\6", 4));
}

size_t CentralDirOffset(const std::string& Archive) {
    return Archive.find(std::string("PK\1\2", 4));
}

void Put16(std::string& Bytes, size_t Offset, uint16_t Value) {
    Bytes[Offset] = static_cast<char>(Value & 0xFF);
    Bytes[Offset + 1] = static_cast<char>(Value >> 8);
}

void Put32(std::string& Bytes, size_t Offset, uint32_t Value) {
    Put16(Bytes, Offset, static_cast<uint16_t>(Value & 0xFFFF));
    Put16(Bytes, Offset + 2, static_cast<uint16_t>(Value >> 16));
}

int RunShell(const std::string& Command) {
    const int Rc = std::system(Command.c_str());
    return Rc == -1 ? -1 : WEXITSTATUS(Rc);
}

bool HaveProgram(const std::string& Name) {
    return RunShell("command -v " + Name + " >/dev/null 2>&1") == 0;
}

std::string RandomBytes(size_t Size, uint32_t Seed) {
    std::mt19937 Gen(Seed);
    std::string Out(Size, '\0');
    for (size_t I = 0; I + 4 <= Size; I += 4) {
        const uint32_t V = Gen();
        std::memcpy(&Out[I], &V, 4);
    }
    return Out;
}

} // namespace ziptest
