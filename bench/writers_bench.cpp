// Times the body writers alone: each packet of a data folder is loaded once,
// then its writer walks it into a sink that only counts bytes, so neither
// parsing nor the disk is measured.
// Usage: writers_bench [--classic] DATA_DIR   (BENCH_REPEATS, default 5)

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <string>

#include "dataset/ClientDataSet.h"
#include "export/ByteSink.h"
#include "export/ExportRecordSet.h"

namespace {

double CpuSeconds() {
    timespec T{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &T);
    return static_cast<double>(T.tv_sec) + static_cast<double>(T.tv_nsec) * 1e-9;
}

class CountingSink : public ByteSink {
public:
    void Write(std::string_view Bytes) override { FBytes += Bytes.size(); }
    std::size_t FBytes = 0;
};

} // namespace

int main(int argc, char** argv) {
    bool Classic = false;
    const char* Dir = nullptr;
    for (int I = 1; I < argc; ++I) {
        if (std::strcmp(argv[I], "--classic") == 0)
            Classic = true;
        else
            Dir = argv[I];
    }
    if (Dir == nullptr) {
        std::fprintf(stderr, "usage: writers_bench [--classic] DATA_DIR\n");
        return 2;
    }
    const char* RepeatsText = std::getenv("BENCH_REPEATS");
    const int Repeats = RepeatsText ? std::max(1, std::atoi(RepeatsText)) : 5;
    const txad::ExportRecordSet Set("aie", Classic ? txad::Edition::Classic : txad::Edition::Current);
    double Total = 0;
    for (const txad::FileLayout& File : Set.FileLayouts()) {
        if (File.Packet.empty()) continue;
        const std::string Packet(File.Packet);
        TClientDataSet Data;
        Data.LoadFromFile(std::string(Dir) + "/" + Packet);
        double Best = 1e30;
        std::size_t Bytes = 0;
        for (int R = 0; R < Repeats; ++R) {
            CountingSink Sink;
            const auto Writer = Set.MakeBodyWriter(File);
            const double Start = CpuSeconds();
            Writer->Write(Data, Sink);
            Best = std::min(Best, CpuSeconds() - Start);
            Bytes = Sink.FBytes;
        }
        Total += Best;
        std::printf("%-14s %9d rows %11zu bytes %8.3f ms\n", Packet.c_str(), Data.RecordCount(), Bytes,
                    Best * 1e3);
    }
    std::printf("%-14s %39.3f ms\n", "total", Total * 1e3);
    return 0;
}
