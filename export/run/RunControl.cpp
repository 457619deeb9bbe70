#include "export/run/RunControl.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <thread>

#include "platform/Platform.h"
#include "support/VxExceptions.h"
#include "support/VxStrUtils.h"

namespace txad {

void ThrowIfTerminationRequested() {
    if (const int Signal = platform::TerminationRequested(); Signal != 0)
        throw EVxError(FormatMsg("Esportazione interrotta dal segnale %d", Signal));
}

#ifdef ADOX_TEST_HOOKS

namespace {

bool Listed(std::string_view List, std::string_view Step) {
    while (!List.empty()) {
        const std::size_t Comma = List.find(',');
        if (List.substr(0, Comma) == Step) return true;
        if (Comma == std::string_view::npos) break;
        List.remove_prefix(Comma + 1);
    }
    return false;
}

} // namespace

void TestPausePoint(const char* Step) {
    TestPausePoint(Step, {});
}

void TestPausePoint(const char* Step, const std::function<void()>& WhileWaiting) {
    const char* Steps = std::getenv("ADOXPORT_TEST_PAUSE_AT");
    const char* Dir = std::getenv("ADOXPORT_TEST_PAUSE_DIR");
    if (Steps == nullptr || Dir == nullptr || *Dir == '\0' || !Listed(Steps, Step)) return;
    const std::string Marker = platform::IncludePathDelimiter(Dir) + Step;
    if (!platform::WriteNewFile(Marker, Step)) return;
    const auto Deadline = std::chrono::steady_clock::now() + std::chrono::minutes(2);
    std::error_code Ec;
    while (std::filesystem::exists(Marker, Ec) && platform::TerminationRequested() == 0 &&
           std::chrono::steady_clock::now() < Deadline) {
        if (WhileWaiting) WhileWaiting();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

#else

void TestPausePoint(const char*) {}
void TestPausePoint(const char*, const std::function<void()>&) {}

#endif

} // namespace txad
