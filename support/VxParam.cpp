#include "VxParam.h"

#include "Platform.h"
#include "VxExceptions.h"
#include "VxStrUtils.h"

const std::string& TVxParam::MainDir() {
    if (!FMainDir.empty()) return FMainDir;
    std::optional<std::string> Value;
    try {
        Value = platform::ReadHklmString(VxRegistryKey, "MainDir");
    } catch (const platform::PlatformError& E) {
        // The folder stays unread, so the next call asks the registry again.
        throw EVxError(E.what());
    }
    // Never empty once read: the registry is read at most once per run.
    FMainDir = IncludePathDelimiter(Value.value_or(std::string()));
    return FMainDir;
}

std::string TVxParam::LibDir() {
    return MainDir() + "LIB" + platform::PathDelimiter();
}

std::string TVxParam::EtcDir() {
    return MainDir() + "ETC" + platform::PathDelimiter();
}
