#include "export/StartupValues.h"

#include <exception>
#include <filesystem>
#include <system_error>

#include "export/Packets.h"
#include "export/RecordFields.h"
#include "export/records/SchoolRuns.h"
#include "platform/Platform.h"
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
    TField Code = Registry.FieldByName("CodScuola");
    SchoolRunCounter Schools;
    std::string Previous(CodeBeforeFirstRow);
    for (Registry.First(); !Registry.Eof(); Registry.Next()) {
        const std::string_view Current = Code.AsText();
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

std::string InstallationProblem(std::string_view Target) {
    std::string Problem = MainDirProblem();
    if (Problem.empty()) {
        Problem = ParamFileProblem(ParamFilePath(VxParam().MainDir(), Target));
        if (Problem.empty()) return {};
    }
    return Problem + "\r\nInvalid argument to date encode";
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
