#include "app/InstalledFiles.h"

#include "platform/Platform.h"
#include "support/VxParam.h"
#include "support/VxStrUtils.h"

#include <QApplication>
#include <QIcon>

#ifndef ADOX_PLUGIN_DIR_FROM_BIN
#define ADOX_PLUGIN_DIR_FROM_BIN "."
#endif
#ifndef ADOX_GUIDE_DIR_FROM_BIN
#define ADOX_GUIDE_DIR_FROM_BIN "guida"
#endif
#ifndef ADOX_EXAMPLE_REG
#define ADOX_EXAMPLE_REG "hklm.reg"
#endif

namespace {

QString Path(const std::string& P) {
    return QString::fromUtf8(P.data(), static_cast<qsizetype>(P.size()));
}

std::string ParamFileOf(const std::string& MainDir, const std::string& Target) {
    return platform::IncludePathDelimiter(MainDir) + "ETC" + platform::PathDelimiter() + "datrex" +
           platform::PathDelimiter() + Target + ".ufp";
}

QString SystemRegistryHint(const std::string& Target) {
    std::optional<std::string> MainDir;
    try {
        MainDir = platform::ReadHklmString(VxRegistryKey, "MainDir");
    } catch (const platform::PlatformError& E) {
        return QStringLiteral("Il valore \"MainDir\" del registro di sistema non si pu\u00F2 leggere: %1")
            .arg(Path(E.what()));
    }
    if (!MainDir || MainDir->empty())
        return QStringLiteral("Nel registro di sistema manca il valore \"MainDir\" sotto "
                              "[HKEY_LOCAL_MACHINE\\SOFTWARE\\VexonMorvale]: lo scrive l'installazione.");
    const std::string ParamFile = ParamFileOf(*MainDir, Target);
    if (!platform::FileExists(ParamFile))
        return QStringLiteral("Manca il file dei parametri %1: la cartella di installazione \"MainDir\" "
                              "del registro di sistema \u00E8 giusta?")
            .arg(Path(ParamFile));
    return {};
}

} // namespace

std::string PluginDirectory() {
    const std::string Own = platform::ProgramDir();
    if (platform::FileExists(Own + platform::PluginFileName(ADOX_ZIPDLL_NAME))) return Own;
    return platform::IncludePathDelimiter(Own + ADOX_PLUGIN_DIR_FROM_BIN);
}

std::string GuidePath() {
    return platform::ProgramDir() + ADOX_GUIDE_DIR_FROM_BIN + platform::PathDelimiter() + "index.html";
}

std::string ExampleRegistryFile() {
    return ADOX_EXAMPLE_REG;
}

QString InstallationHint(const std::string& Target) {
    return InstallationHint(Target, platform::HklmFilePath());
}

QString InstallationHint(const std::string& Target, const std::string& Registry) {
    // Without a file the values come from the system's registry (Windows):
    // nothing to create or to point to.
    if (Registry.empty()) return SystemRegistryHint(Target);
    const QString Example = Path(ExampleRegistryFile());
    if (!platform::FileExists(Registry))
        return QStringLiteral("Manca il file di registro %1, che indica la cartella di installazione "
                              "(valore MainDir). Crearlo partendo dall'esempio commentato %2 oppure "
                              "indicarne un altro con la variabile d'ambiente ADOXPORT_HKLM.")
            .arg(Path(Registry), Example);
    std::optional<std::string> MainDir;
    try {
        MainDir = platform::ReadHklmString(VxRegistryKey, "MainDir");
    } catch (const platform::PlatformError& E) {
        return QStringLiteral("Il valore \"MainDir\" del file di registro %1 non si pu\u00F2 leggere: %2")
            .arg(Path(Registry), Path(E.what()));
    }
    if (!MainDir || MainDir->empty())
        return QStringLiteral("Nel file di registro %1 manca il valore \"MainDir\" sotto "
                              "[HKEY_LOCAL_MACHINE\\SOFTWARE\\VexonMorvale] (esempio in %2).")
            .arg(Path(Registry), Example);
    const std::string ParamFile = ParamFileOf(*MainDir, Target);
    if (!platform::FileExists(ParamFile))
        return QStringLiteral("Manca il file dei parametri %1: la cartella di installazione \"MainDir\" "
                              "del file di registro %2 \u00E8 giusta?")
            .arg(Path(ParamFile), Path(Registry));
    return {};
}

void SetProgramIcon() {
    // The icons live in a static library: the program pulls them in by name.
    Q_INIT_RESOURCE(adoxport_icons);
    QIcon Builtin;
    for (int Size : {16, 32, 48, 64, 128, 256})
        Builtin.addFile(QStringLiteral(":/icons/%1/adoxport.png").arg(Size), QSize(Size, Size));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("adoxport"), Builtin));
}
