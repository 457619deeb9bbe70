// Times TZip::Add with the ZipDll plugin on the four export files at the
// format's limit (99,997 adoptions) next to `zip -6` on the same files.
// Usage: zip_bench [runs]

#include "zip/Zip.h"

#include <QApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

// Fixed-width lines of the given length, CR LF ended, with the mix of codes,
// names and blanks the export writes.
void WriteRecords(const std::string& Path, int Lines, size_t Width, uint32_t Seed) {
    static const char* const Words[] = {"ROSSI",      "BIANCHI",   "MATEMATICA", "ITALIANO",
                                        "STORIA",     "SCIENZE",   "INGLESE",    "GEOGRAFIA",
                                        "ZANICHELLI", "MONDADORI", "LOESCHER",   "PEARSON"};
    std::mt19937 Gen(Seed);
    std::string Out;
    Out.reserve(static_cast<size_t>(Lines) * (Width + 2));
    std::string Line;
    for (int I = 0; I < Lines; ++I) {
        Line.clear();
        Line += "RMIC8" + std::to_string(10000 + Gen() % 90000);
        Line += "978" + std::to_string(100000000 + Gen() % 900000000) + std::to_string(Gen() % 10);
        while (Line.size() < Width) {
            const char* W = Words[Gen() % std::size(Words)];
            Line += W;
            Line.append(1 + Gen() % 6, ' ');
            if (Gen() % 3 == 0) Line += std::to_string(Gen() % 1000);
        }
        Line.resize(Width);
        Out += Line;
        Out += "\r\n";
    }
    std::ofstream(Path, std::ios::binary) << Out;
}

double Seconds(std::chrono::steady_clock::time_point Start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - Start).count();
}

} // namespace

int main(int argc, char** argv) {
    std::string Dir = (std::filesystem::temp_directory_path() / "zipbench-XXXXXX").string();
    if (!mkdtemp(Dir.data())) return 1;
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    setenv("XDG_RUNTIME_DIR", Dir.c_str(), 1);
    QApplication App(argc, argv);
    const int Runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    const std::vector<std::string> Files = {Dir + "/File014.txt", Dir + "/File622.txt", Dir + "/File815.txt",
                                            Dir + "/File815E.txt"};
    WriteRecords(Files[0], 3000, 120, 1);
    WriteRecords(Files[1], 4000, 90, 2);
    WriteRecords(Files[2], 99997, 66, 3);
    WriteRecords(Files[3], 99997, 202, 4);
    uintmax_t Bytes = 0;
    for (const auto& F : Files) Bytes += std::filesystem::file_size(F);

    const std::string Archive = Dir + "/Anarpe.zip";
    double Plugin = 1e9, Zip6 = 1e9;
    uintmax_t PluginSize = 0, ZipSize = 0;
    for (int R = 0; R < Runs; ++R) {
        std::filesystem::remove(Archive);
        TZip Z;
        Z.ShowProgressDialog = false;
        Z.DllDirectory = ADOX_ZIPDLL_DIR;
        const auto T0 = std::chrono::steady_clock::now();
        Z.SetZipFileName(Archive);
        Z.SetFileSpecs(Files);
        const int32_t N = Z.Add();
        Plugin = std::min(Plugin, Seconds(T0));
        if (N != 4) {
            std::fprintf(stderr, "Add returned %d\n", N);
            return 1;
        }
        PluginSize = std::filesystem::file_size(Archive);

        std::filesystem::remove(Archive);
        const std::string Cmd = "zip -6 -q -j '" + Archive + "' '" + Files[0] + "' '" + Files[1] + "' '" +
                                Files[2] + "' '" + Files[3] + "'";
        const auto T1 = std::chrono::steady_clock::now();
        if (std::system(Cmd.c_str()) != 0) {
            std::fprintf(stderr, "zip -6 failed\n");
            return 1;
        }
        Zip6 = std::min(Zip6, Seconds(T1));
        ZipSize = std::filesystem::file_size(Archive);
    }
    std::printf("input: 4 files, %ju bytes; best of %d runs\n", Bytes, Runs);
    std::printf("TZip::Add + ZipDll: %.3f s, archive %ju bytes\n", Plugin, PluginSize);
    std::printf("zip -6            : %.3f s, archive %ju bytes\n", Zip6, ZipSize);
    std::printf("ratio             : %.2fx\n", Plugin / Zip6);
    std::filesystem::remove_all(Dir);
    return 0;
}
