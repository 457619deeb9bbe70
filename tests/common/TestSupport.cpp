#include "tests/common/TestSupport.h"

#include "platform/Platform.h"

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>
#include <vector>

namespace testsupport {

namespace {
std::string g_sandbox;

std::vector<void (*)()>& StartupSteps() {
    static std::vector<void (*)()> Steps;
    return Steps;
}
} // namespace

ProgramStartup::ProgramStartup(void (*Step)()) {
    StartupSteps().push_back(Step);
}

void RunProgramStartup() {
    for (auto Step : StartupSteps()) Step();
}

namespace {

// A folder of its own under the system's temporary folder, created here and
// by no one else (create_directory tells whether it made the folder).
std::string MakeSandbox() {
    std::random_device Random;
    const std::filesystem::path Base = std::filesystem::temp_directory_path();
    for (int Try = 0; Try < 100; ++Try) {
        const std::filesystem::path Dir = Base / ("adoxtest-" + std::to_string(Random()));
        std::error_code Ec;
        if (std::filesystem::create_directory(Dir, Ec)) return Dir.generic_string();
    }
    throw std::runtime_error("cannot create the test sandbox");
}

} // namespace

void PinEnvironment() {
    using platform::SetEnvironment;
    if (!std::getenv("QT_QPA_PLATFORM")) SetEnvironment("QT_QPA_PLATFORM", "offscreen");
    SetEnvironment("LC_ALL", "C.UTF-8");
    SetEnvironment("LANG", "C.UTF-8");
    std::setlocale(LC_ALL, "C.UTF-8");
    std::setlocale(LC_NUMERIC, "C");
    g_sandbox = MakeSandbox();
    std::filesystem::create_directories(g_sandbox + "/home");
    SetEnvironment("HOME", g_sandbox + "/home");
    SetEnvironment("ADOXPORT_HKLM", g_sandbox + "/hklm.reg");
    SetEnvironment("XDG_RUNTIME_DIR", g_sandbox);
}

const std::string& SandboxDir() {
    return g_sandbox;
}

std::string ReadFileBytes(const std::string& Path) {
    std::ifstream in(platform::FsPath(Path), std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + Path);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

void WriteFileBytes(const std::string& Path, std::string_view Bytes) {
    std::ofstream out(platform::FsPath(Path), std::ios::binary | std::ios::trunc);
    out.write(Bytes.data(), static_cast<std::streamsize>(Bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + Path);
}

std::string FirstDifference(std::string_view Expected, std::string_view Actual) {
    if (Expected == Actual) return {};
    std::size_t i = 0;
    while (i < Expected.size() && i < Actual.size() && Expected[i] == Actual[i]) ++i;
    std::size_t lineStart = Expected.rfind('\n', i == 0 ? 0 : i - 1);
    lineStart = (lineStart == std::string_view::npos || i == 0) ? 0 : lineStart + 1;
    std::size_t line = 1;
    for (std::size_t k = 0; k < lineStart; ++k)
        if (Expected[k] == '\n') ++line;
    auto lineOf = [&](std::string_view s) {
        std::size_t end = s.find('\n', lineStart);
        if (lineStart >= s.size()) return std::string("<end of file>");
        return std::string(s.substr(lineStart, end == std::string_view::npos ? s.npos : end - lineStart));
    };
    std::ostringstream os;
    os << "first difference at offset " << i << " (line " << line << ")\n  expected: [" << lineOf(Expected)
       << "]\n  actual:   [" << lineOf(Actual) << "]\n  sizes: expected " << Expected.size() << ", actual "
       << Actual.size();
    return os.str();
}

std::vector<std::string> PacketColumn(const std::string& Packet, const std::string& Attribute) {
    const std::string Bytes = ReadFileBytes(Packet);
    const std::string Key = " " + Attribute + "=\"";
    std::vector<std::string> Values;
    for (std::size_t Row = Bytes.find("<ROW "); Row != std::string::npos;
         Row = Bytes.find("<ROW ", Row + 1)) {
        const std::size_t RowEnd = Bytes.find("/>", Row);
        const std::size_t At = Bytes.find(Key, Row);
        if (At == std::string::npos || At > RowEnd) {
            Values.emplace_back();
            continue;
        }
        const std::size_t Start = At + Key.size();
        Values.push_back(Bytes.substr(Start, Bytes.find('"', Start) - Start));
    }
    return Values;
}

} // namespace testsupport
