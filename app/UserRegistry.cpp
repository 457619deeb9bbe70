#include "app/UserRegistry.h"

#include "platform/Platform.h"
#include "support/VxExceptions.h"
#include "support/VxParam.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <vector>

namespace {

const std::string_view kVersion5 = "Windows Registry Editor Version 5.00";
const std::string_view kRegedit4 = "REGEDIT4";
const std::string_view kSection = "[HKEY_LOCAL_MACHINE\\SOFTWARE\\VexonMorvale]";
const std::string_view kUtf8Bom = "\xEF\xBB\xBF";

bool StartsWithNoCase(std::string_view S, std::string_view Prefix) {
    if (S.size() < Prefix.size()) return false;
    for (std::size_t I = 0; I < Prefix.size(); ++I) {
        const auto Lower = [](char C) { return C >= 'A' && C <= 'Z' ? static_cast<char>(C - 'A' + 'a') : C; };
        if (Lower(S[I]) != Lower(Prefix[I])) return false;
    }
    return true;
}

std::string_view TrimmedLeft(std::string_view S) {
    while (!S.empty() && (S.front() == ' ' || S.front() == '\t')) S.remove_prefix(1);
    return S;
}

bool IsSectionLine(std::string_view Line) {
    std::string_view S = TrimmedLeft(Line);
    while (!S.empty() && (S.back() == '\r' || S.back() == ' ' || S.back() == '\t')) S.remove_suffix(1);
    // The key may be written with a trailing backslash.
    if (S.size() == kSection.size() + 1 && S[S.size() - 2] == '\\') {
        return StartsWithNoCase(S.substr(0, S.size() - 2), kSection.substr(0, kSection.size() - 1)) &&
               S.back() == ']';
    }
    return S.size() == kSection.size() && StartsWithNoCase(S, kSection);
}

std::string Quoted(std::string_view Text) {
    std::string Out = "\"";
    for (char C : Text) {
        if (C == '"' || C == '\\') Out.push_back('\\');
        Out.push_back(C);
    }
    return Out + "\"";
}

} // namespace

std::string UserRegistryText(std::string_view Base, const std::string& MainDir) {
    std::string_view Body = Base;
    const bool Bom = Body.substr(0, kUtf8Bom.size()) == kUtf8Bom;
    if (Bom) Body.remove_prefix(kUtf8Bom.size());
    std::string Value = MainDir;
    if (StartsWithNoCase(Body, kRegedit4)) {
        Value = platform::Cp1252FromUtf8(MainDir);
        if (platform::Utf8FromCp1252(Value) != MainDir)
            throw EVxError("Il nome della cartella " + platform::Cp1252FromUtf8(MainDir) +
                           " non si pu\xF2 scrivere nel file REGEDIT4 (Windows-1252): riscrivere il file "
                           "come \"Windows Registry Editor Version 5.00\" in UTF-8");
    } else if (!StartsWithNoCase(Body, kVersion5)) {
        throw EVxError(
            "Il file del registro non \xE8 un file di testo \"Windows Registry Editor Version 5.00\" "
            "(UTF-8) o REGEDIT4: va corretto a mano");
    }
    const std::string Eol = Body.find("\r\n") != std::string_view::npos ? "\r\n" : "\n";
    const std::string ValueLine = "\"MainDir\"=" + Quoted(Value);

    std::vector<std::string_view> Lines;
    for (std::size_t Start = 0; Start < Body.size();) {
        std::size_t End = Body.find('\n', Start);
        if (End == std::string_view::npos) End = Body.size() - 1;
        std::string_view Line = Body.substr(Start, End - Start + 1);
        while (!Line.empty() && (Line.back() == '\n' || Line.back() == '\r')) Line.remove_suffix(1);
        Lines.push_back(Line);
        Start = End + 1;
    }

    std::string Out(Bom ? kUtf8Bom : std::string_view());
    bool InSection = false;
    bool Done = false;
    for (const std::string_view Line : Lines) {
        const std::string_view Trimmed = TrimmedLeft(Line);
        if (!Trimmed.empty() && Trimmed.front() == '[') {
            // Leaving the suite's key without the value: it goes at the key's end.
            if (InSection && !Done) {
                Out += ValueLine + Eol;
                Done = true;
            }
            InSection = IsSectionLine(Line);
        } else if (InSection && !Done && StartsWithNoCase(Trimmed, "\"MainDir\"")) {
            Out += ValueLine + Eol;
            Done = true;
            continue;
        }
        Out += std::string(Line) + Eol;
    }
    if (!Done) {
        if (!InSection) Out += Eol + std::string(kSection) + Eol;
        Out += ValueLine + Eol;
    }
    return Out;
}

void WriteUserRegistry(const std::string& MainDir) {
    const std::string Path = platform::UserHklmFilePath();
    const QString File = QString::fromStdString(Path);
    const std::string Shown = platform::Cp1252FromUtf8(Path);
    // The user's own file keeps its other values; a first one starts from the example.
    QFile Base(QFile::exists(File) ? File : QString::fromStdString(ExampleRegistryFile()));
    std::string Text;
    if (Base.open(QIODevice::ReadOnly)) Text = Base.readAll().toStdString();
    if (Text.empty()) Text = std::string(kVersion5) + "\n";
    Text = UserRegistryText(Text, MainDir);

    if (!QDir().mkpath(QFileInfo(File).absolutePath()))
        throw EVxError("Impossibile creare la cartella del file del registro " + Shown);
    QSaveFile Out(File);
    if (!Out.open(QIODevice::WriteOnly) ||
        Out.write(Text.data(), static_cast<qint64>(Text.size())) != static_cast<qint64>(Text.size()) ||
        !Out.commit())
        throw EVxError("Impossibile scrivere il file del registro " + Shown);
    const std::optional<std::string> Read = platform::ReadHklmString(VxRegistryKey, "MainDir");
    if (platform::CurrentHklmSource().File != Path || Read != MainDir)
        throw EVxError("Il file del registro " + Shown +
                       " \xE8 stato scritto, ma non d\xE0 la cartella scelta");
}
