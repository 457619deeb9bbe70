// Times the check of written record files against their layouts, as the
// export run does it before delivery: each file read in one go, then checked.
// Usage: layout_check_bench [--classic] FILE...   (BENCH_REPEATS, default 5)

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <string>
#include <vector>

#include "export/records/RecordLayout.h"

namespace {

double CpuSeconds() {
    timespec T{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &T);
    return static_cast<double>(T.tv_sec) + static_cast<double>(T.tv_nsec) * 1e-9;
}

bool ReadWhole(const char* Path, std::string& Bytes) {
    std::ifstream In(Path, std::ios::binary);
    if (!In) return false;
    In.seekg(0, std::ios::end);
    Bytes.resize(static_cast<std::size_t>(In.tellg()));
    In.seekg(0);
    return static_cast<bool>(In.read(Bytes.data(), static_cast<std::streamsize>(Bytes.size())));
}

} // namespace

int main(int argc, char** argv) {
    txad::Edition Ed = txad::Edition::Current;
    std::vector<const char*> Files;
    for (int I = 1; I < argc; ++I) {
        if (std::strcmp(argv[I], "--classic") == 0)
            Ed = txad::Edition::Classic;
        else
            Files.push_back(argv[I]);
    }
    if (Files.empty()) {
        std::fprintf(stderr, "usage: layout_check_bench [--classic] FILE...\n");
        return 2;
    }
    const char* Env = std::getenv("BENCH_REPEATS");
    const int Repeats = Env ? std::max(1, std::atoi(Env)) : 5;
    double BestCpu = 1e30, BestWall = 1e30;
    std::size_t Bytes = 0, Faults = 0;
    std::string Buffer;
    for (int R = 0; R < Repeats; ++R) {
        const double Cpu0 = CpuSeconds();
        const auto Wall0 = std::chrono::steady_clock::now();
        Bytes = Faults = 0;
        for (const char* Path : Files) {
            if (!ReadWhole(Path, Buffer)) {
                std::fprintf(stderr, "layout_check_bench: cannot read %s\n", Path);
                return 2;
            }
            const txad::FileLayout* Layout = txad::RecogniseFile(Ed, Buffer, Path);
            if (Layout == nullptr) {
                std::fprintf(stderr, "layout_check_bench: %s is no record file\n", Path);
                return 2;
            }
            Faults += txad::CheckRecordFile(*Layout, Buffer).size();
            Bytes += Buffer.size();
        }
        BestCpu = std::min(BestCpu, CpuSeconds() - Cpu0);
        BestWall = std::min(BestWall,
                            std::chrono::duration<double>(std::chrono::steady_clock::now() - Wall0).count());
    }
    std::printf("layout check of %zu files, %.1f MB: %.3f s CPU, %.3f s wall, %zu faults\n", Files.size(),
                static_cast<double>(Bytes) / 1e6, BestCpu, BestWall, Faults);
    return Faults == 0 ? 0 : 1;
}
