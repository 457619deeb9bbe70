#include "support/VxParam.h"

#include "platform/Platform.h"
#include "support/VxExceptions.h"
#include "support/VxStrUtils.h"

#include <filesystem>

namespace {

const char* const MainValue = "MainDir";

} // namespace

std::string ExampleRegistryFile() {
    // Shown to the user: /usr/share/..., not /usr/bin/../share/...
    return std::filesystem::path(platform::ProgramDir() + ADOX_EXAMPLE_REG_FROM_BIN)
        .lexically_normal()
        .string();
}

std::string MainDirProblem() {
    return MainDirProblem(platform::CurrentHklmSource());
}

std::string MainDirProblem(const platform::HklmSource& Source) {
    platform::HklmMissing Missing = platform::HklmMissing::Value;
    try {
        // An empty value would make the root the installation folder.
        if (const auto Value = platform::ReadHklmString(VxRegistryKey, MainValue, &Missing);
            Value && !Value->empty())
            return {};
    } catch (const platform::PlatformError& E) {
        // The reader names the file of a malformed one, not of a wrong value.
        std::string What = E.what();
        const std::string File = platform::Cp1252FromUtf8(Source.File);
        if (File.empty() || What.find(File) != std::string::npos) return What;
        return What + "\r\nFile del registro: " + File;
    }
    const std::string File = platform::Cp1252FromUtf8(Source.File);
    const std::string Example = platform::Cp1252FromUtf8(ExampleRegistryFile());
    const std::string System = platform::Cp1252FromUtf8(platform::SystemHklmFilePath());
    const std::string Key = "HKEY_LOCAL_MACHINE\\SOFTWARE\\VexonMorvale";
    std::string Where;
    switch (Source.Kind) {
    case platform::HklmSourceKind::SystemRegistry: Where = "nel registro di sistema"; break;
    case platform::HklmSourceKind::Environment:
    case platform::HklmSourceKind::NotFound:
        Where = "nel file del registro " + File + " (variabile ADOXPORT_HKLM)";
        break;
    case platform::HklmSourceKind::SystemFile:
        Where = "nel file del registro " + File + " (lo modifica un amministratore)";
        break;
    case platform::HklmSourceKind::UserFile:
        Where = "nel file del registro di questo utente " + File +
                " (lo riscrive \"Imposta la cartella di installazione...\" della finestra iniziale)";
        break;
    }
    switch (Missing) {
    case platform::HklmMissing::Source:
        if (Source.Kind == platform::HklmSourceKind::Environment)
            return "File del registro non trovato: " + File +
                   "\r\nIl percorso si imposta con la variabile d'ambiente ADOXPORT_HKLM." +
                   "\r\nUn esempio commentato \xE8 " + Example + ".";
        return "File del registro non trovato: n\xE9 " + System + " (per tutti gli utenti) n\xE9 " +
               platform::Cp1252FromUtf8(platform::UserHklmFilePath()) + " (per questo utente)." +
               "\r\nSenza amministratore: nella finestra iniziale (adoxport avviato senza argomenti, come "
               "dal menu) il pulsante \"Imposta la cartella di installazione...\" la chiede e scrive il file "
               "di questo utente." +
               "\r\nPer tutti gli utenti serve un amministratore: copia l'esempio commentato " + Example +
               " in " + System + " e vi indica la cartella di installazione (valore MainDir)." +
               "\r\nUn altro file si indica con la variabile d'ambiente ADOXPORT_HKLM.";
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
