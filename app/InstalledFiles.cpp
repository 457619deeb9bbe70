#include "app/InstalledFiles.h"

#include "export/records/RecordFields.h"
#include "export/wizard/StartupValues.h"
#include "platform/Platform.h"
#include "support/VxParam.h"
#include "support/VxStrUtils.h"

#include <QApplication>
#include <QDir>
#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#ifndef ADOX_PLUGIN_DIR_FROM_BIN
#define ADOX_PLUGIN_DIR_FROM_BIN "."
#endif
#ifndef ADOX_APP_ID_PREFIX
#define ADOX_APP_ID_PREFIX ""
#endif
#ifndef ADOX_GUIDE_DIR_FROM_BIN
#define ADOX_GUIDE_DIR_FROM_BIN "guida"
#endif

std::string PluginDirectory() {
    std::string Own = platform::ProgramDir();
    if (platform::FileExists(Own + platform::PluginFileName("ZipDll"))) return Own;
    return platform::IncludePathDelimiter(Own + ADOX_PLUGIN_DIR_FROM_BIN);
}

std::string GuidePath() {
    return platform::ProgramDir() + ADOX_GUIDE_DIR_FROM_BIN + platform::PathDelimiter() + "index.html";
}

QString InstallationHint(const std::string& Target, const std::string& DataDir) {
    std::string Text = txad::InstallationAdvice(Target);
    if (Text.empty()) {
        const std::string MainDir =
            platform::IncludePathDelimiter(platform::ReadHklmString(VxRegistryKey, "MainDir").value_or(""));
        const std::optional<platform::LocalDate> Date =
            platform::FileLastWriteDate(txad::ParamFilePath(MainDir, Target));
        const platform::LocalDateTime Now = platform::Now();
        std::vector<std::string> Packets;
        const QDir Data(QString::fromStdString(DataDir));
        for (const QString& Name : Data.entryList({QStringLiteral("Body*.xml")}, QDir::Files))
            Packets.push_back(Data.filePath(Name).toStdString());
        if (Date)
            Text = txad::ParamFileDateNotice(txad::FormatDateDMY(*Date),
                                             txad::FormatDateDMY({Now.Year, Now.Month, Now.Day}), Packets);
    }
    const std::u16string Wide = platform::Utf16FromCp1252(Text);
    return QString::fromStdU16String(Wide).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

void SetDesktopEntry(const std::string& Program) {
    QGuiApplication::setDesktopFileName(QStringLiteral(ADOX_APP_ID_PREFIX) + QString::fromStdString(Program));
}

QTranslator* LoadQtTranslations() {
    // Owned by the application, which lives as long as the translations are used.
    auto* Translator = new QTranslator(QCoreApplication::instance());
    if (Translator->load(QLocale(QLocale::Italian, QLocale::Italy), QStringLiteral("qtbase"),
                         QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)) &&
        QCoreApplication::installTranslator(Translator))
        return Translator;
    delete Translator;
    return nullptr;
}

void SetProgramIcon() {
    // The icons live in a static library: the program pulls them in by name.
    Q_INIT_RESOURCE(adoxport_icons);
    QIcon Builtin;
    for (int Size : {16, 32, 48, 64, 128, 256})
        Builtin.addFile(QStringLiteral(":/icons/%1/adoxport.png").arg(Size), QSize(Size, Size));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("adoxport"), Builtin));
}
