#include "export/wizard/StartupValues.h"

#include <algorithm>
#include <charconv>
#include <exception>
#include <filesystem>
#include <optional>
#include <system_error>

#include "dataset/PacketTable.h"
#include "export/records/Packets.h"
#include "export/records/RecordFields.h"
#include "export/records/SchoolRuns.h"
#include "platform/Platform.h"
#include "support/UserText.h"
#include "support/VxExceptions.h"
#include "support/VxParam.h"
#include "support/VxStrUtils.h"

namespace txad {

void CheckStartupArguments(const WizardArguments& Args) {
    if (Args.DataDir.empty())
        throw EVxError("Cartella dei dati non indicata: l'esportazione non \xE8 possibile");
    if (Args.Target == Recipient::Unknown)
        throw EVxError(FormatMsg("Destinatario non riconosciuto: %s", Args.TargetArgument));
}

int CountSchools(TClientDataSet& Registry) {
    const TField Code = Registry.FieldByName("CodScuola");
    SchoolRunCounter Schools;
    std::string Previous(CodeBeforeFirstRow);
    // Read by position: the cursor stays, and a grid that follows it is not
    // told of every row.
    for (int Position = 0; Position < Registry.RecordCount(); ++Position) {
        const std::string_view Current = Registry.TextAt(Position, Code.Index());
        Schools.Add(Current, Previous);
        Previous.assign(Current);
    }
    Registry.First();
    return static_cast<int>(Schools.Count());
}

int CountSchools(TClientDataSet& Registry, const std::string& PacketPath) {
    Registry.LoadFromFile(PacketPath);
    return CountSchools(Registry);
}

std::string ParamFilePath(std::string_view MainDir, std::string_view Target) {
    const std::string Sep(1, platform::PathDelimiter());
    return std::string(MainDir) + "ETC" + Sep + "datrex" + Sep + std::string(Target) + ".ufp";
}

std::string ParamFileProblem(const std::string& Path) {
    // A FIFO, a folder or a device has a date too, but cannot be the file.
    std::error_code Ec;
    if (std::filesystem::exists(platform::FsPath(Path), Ec) && !platform::FileExists(Path))
        return "Il file dei parametri non \xE8 un file regolare: " + PathText(Path);
    const std::optional<platform::LocalDate> Date = platform::FileLastWriteDate(Path);
    if (!Date) return "File dei parametri non trovato: " + PathText(Path);
    if (Date->Year < 1 || Date->Year > 9999)
        return "Data del file dei parametri fuori dall'intervallo dal 01/01/0001 al 31/12/9999 (anno " +
               std::to_string(Date->Year) + "): " + PathText(Path);
    return {};
}

std::string ReadParamFileDate(const std::string& Path) {
    const std::optional<platform::LocalDate> Date = platform::FileLastWriteDate(Path);
    if (!Date || !ParamFileProblem(Path).empty()) throw EVxError("Invalid argument to date encode");
    return FormatDateDMY(*Date);
}

std::string InstallationAdvice(std::string_view Target) {
    return InstallationAdvice(Target, platform::CurrentHklmSource());
}

std::string InstallationAdvice(std::string_view Target, const platform::HklmSource& Source) {
    std::string Problem = MainDirProblem(Source);
    if (!Problem.empty()) return Problem;
    // Read afresh, not through VxParam: the start dialog may just have set it up.
    const std::string MainDir =
        platform::IncludePathDelimiter(platform::ReadHklmString(VxRegistryKey, "MainDir").value_or(""));
    const std::string FileProblem = ParamFileProblem(ParamFilePath(MainDir, Target));
    if (FileProblem.empty()) return {};
    return FileProblem +
           "\r\nI file dei parametri vengono dall'installazione del programma di gestione della scuola, "
           "nella cartella ETC" +
           std::string(1, platform::PathDelimiter()) + "datrex" + std::string(1, platform::PathDelimiter()) +
           " della cartella di installazione: la loro data va nei file, quindi si copiano conservandola "
           "(cp -p, rsync -t).";
}

std::string RecordLimitProblem(std::string_view Packet, long long Rows) {
    if (Rows <= MaxRecordRows) return {};
    return "Il pacchetto " + std::string(Packet) + " ha " + std::to_string(Rows) +
           " righe: un file di record ne pu\xF2 contenere al massimo " + std::to_string(MaxRecordRows) + ".";
}

std::vector<std::string> StartupProblems(const EditionPlan& Plan, const std::string& Target,
                                         const std::string& DataDir) {
    auto FirstLine = [](const std::string& Text) { return Text.substr(0, Text.find_first_of("\r\n")); };
    std::vector<std::string> Problems;
    const platform::HklmSource Source = platform::CurrentHklmSource();
    if (const std::string Problem = MainDirProblem(Source); !Problem.empty()) {
        Problems.push_back(FirstLine(Problem));
    } else {
        const std::string MainDir =
            platform::IncludePathDelimiter(platform::ReadHklmString(VxRegistryKey, "MainDir").value_or(""));
        if (const std::string File = ParamFileProblem(ParamFilePath(MainDir, Target)); !File.empty())
            Problems.push_back(FirstLine(File));
    }
    const std::string Dir = platform::IncludePathDelimiter(DataDir);
    for (const std::string& Name : PlanPackets(Plan, Target)) {
        const std::string Path = Dir + Name;
        std::error_code Ec;
        if (!std::filesystem::exists(platform::FsPath(Path), Ec)) {
            Problems.push_back("Manca il pacchetto di dati " + Name + ".");
            continue;
        }
        try {
            const std::shared_ptr<const dataset::Table> Rows = dataset::ParsePacketFile(Path);
            if (std::string Limit = RecordLimitProblem(Name, Rows->LiveRowCount()); !Limit.empty())
                Problems.push_back(std::move(Limit));
        } catch (const std::exception& E) {
            Problems.push_back(FirstLine(UserText(E)));
        }
    }
    return Problems;
}

std::string InstallationProblem(std::string_view Target) {
    const std::string Advice = InstallationAdvice(Target);
    return Advice.empty() ? Advice : Advice + "\r\nInvalid argument to date encode";
}

namespace {

int DayNumber(const platform::LocalDate& D) {
    return D.Year * 10000 + D.Month * 100 + D.Day;
}

// DDMMYYYY as a comparable day number; nothing for another text.
std::optional<int> ParseDayNumber(std::string_view Text) {
    int Day = 0, Month = 0, Year = 0;
    const auto Digits = [Text](std::size_t Pos, std::size_t Len, int& Out) {
        const char* First = Text.data() + Pos;
        auto [Ptr, Ec] = std::from_chars(First, First + Len, Out);
        return Ec == std::errc() && Ptr == First + Len;
    };
    if (Text.size() != 8 || !Digits(0, 2, Day) || !Digits(2, 2, Month) || !Digits(4, 4, Year)) return {};
    return DayNumber({Year, Month, Day});
}

} // namespace

std::string ParamFileDateNotice(std::string_view ParamFileDate, std::string_view Today,
                                const std::vector<std::string>& PacketPaths) {
    const std::optional<int> Param = ParseDayNumber(ParamFileDate);
    if (!Param) return {};
    if (Param == ParseDayNumber(Today))
        return "La data del file dei parametri \xE8 quella di oggi: se il file \xE8 stato copiato, va "
               "copiato "
               "conservandone la data";
    std::optional<int> Newest;
    for (const std::string& Path : PacketPaths)
        if (const auto Date = platform::FileLastWriteDate(Path))
            Newest = std::max(Newest.value_or(0), DayNumber(*Date));
    if (Newest && *Param > *Newest)
        return "La data del file dei parametri (" + std::string(ParamFileDate.substr(0, 2)) + "/" +
               std::string(ParamFileDate.substr(2, 2)) + "/" + std::string(ParamFileDate.substr(4)) +
               ") \xE8 successiva a quella dei pacchetti dei dati: se il file \xE8 stato copiato, va copiato "
               "conservandone la data";
    return {};
}

std::string ReadCatalogueDate(TClientDataSet& Tmp, const std::string& DataDir) {
    Tmp.LoadFromFile(DataDir + std::string(PacketFile(Packet::Adoptions)));
    Tmp.First();
    TField DataCat = Tmp.FieldByName("datacat");
    return Tmp.Eof() ? std::string() : DataCat.AsString();
}

HeaderDates ReadHeaderValues(const std::string* MainDir, std::string_view Target, const std::string& DataDir,
                             TClientDataSet* Tmp) {
    HeaderDates Dates;
    if (MainDir) {
        try {
            Dates.ParamFileDate = ReadParamFileDate(ParamFilePath(*MainDir, Target));
        } catch (const std::exception& E) {
            Dates.Errors.emplace_back(E.what());
        }
    }
    if (Tmp) {
        try {
            Dates.CatalogueDate = ReadCatalogueDate(*Tmp, DataDir);
        } catch (const std::exception& E) {
            Dates.Errors.emplace_back(E.what());
        }
    }
    return Dates;
}

} // namespace txad
