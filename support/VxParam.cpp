#include "support/VxParam.h"

#include "platform/Platform.h"
#include "support/VxExceptions.h"
#include "support/VxStrUtils.h"

namespace {

const char* const MainValue = "MainDir";

} // namespace

std::string MainDirProblem() {
    platform::HklmMissing Missing = platform::HklmMissing::Value;
    try {
        if (platform::ReadHklmString(VxRegistryKey, MainValue, &Missing)) return {};
    } catch (const platform::PlatformError& E) {
        return E.what();
    }
    const std::string File = platform::Cp1252FromUtf8(platform::HklmFilePath());
    const std::string Key = "HKEY_LOCAL_MACHINE\\SOFTWARE\\VexonMorvale";
    // Where the system's registry is read there is no file to name.
    const std::string Where = File.empty() ? std::string("nel registro di sistema")
                                           : "nel file del registro " + File + " (variabile ADOXPORT_HKLM)";
    switch (Missing) {
    case platform::HklmMissing::Source:
        return "File del registro non trovato: " + File +
               "\r\nIl percorso si imposta con la variabile d'ambiente ADOXPORT_HKLM.";
    case platform::HklmMissing::Key: return "Manca la chiave " + Key + " " + Where + ".";
    case platform::HklmMissing::Value:
        return std::string("Manca il valore ") + MainValue + " sotto la chiave " + Key + " " + Where + ".";
    }
    return {};
}

const std::string& TVxParam::MainDir() {
    if (!FMainDir.empty()) return FMainDir;
    std::optional<std::string> Value;
    try {
        Value = platform::ReadHklmString(VxRegistryKey, MainValue);
    } catch (const platform::PlatformError& E) {
        // The folder stays unread, so the next call asks the registry again.
        throw EVxError(E.what());
    }
    // Never empty once read: the registry is read at most once per run.
    FMainDir = platform::IncludePathDelimiter(Value.value_or(std::string()));
    return FMainDir;
}

std::string TVxParam::LibDir() {
    return MainDir() + "LIB" + platform::PathDelimiter();
}

std::string TVxParam::EtcDir() {
    return MainDir() + "ETC" + platform::PathDelimiter();
}
