#include "export/StartupValues.h"

#include <exception>

#include "export/RecordFields.h"
#include "export/records/SchoolRuns.h"
#include "platform/Platform.h"
#include "support/VxExceptions.h"
#include "support/VxParam.h"
#include "support/VxStrUtils.h"

namespace txad {

void CheckStartupArguments(std::string_view DataDirArg, std::string_view Target) {
    if (DataDirArg.empty())
        throw EVxError("Cartella dei dati non indicata: l'esportazione non \xE8 possibile");
    if (Target != "aie" && Target != "anarpe")
        throw EVxError(FormatMsg("Destinatario non riconosciuto: %s", Target));
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

std::string ReadParamFileDate(const std::string& Path) {
    const std::optional<platform::LocalDate> Date = platform::FileLastWriteDate(Path);
    if (!Date) throw EVxError("Invalid argument to date encode");
    return FormatDateDMY(*Date);
}

std::string InstallationProblem(std::string_view Target) {
    std::string Problem = MainDirProblem();
    if (Problem.empty()) {
        const std::string Path = ParamFilePath(VxParam().MainDir(), Target);
        if (platform::FileLastWriteDate(Path)) return {};
        Problem = "File dei parametri non trovato: " + platform::Cp1252FromUtf8(Path);
    }
    return Problem + "\r\nInvalid argument to date encode";
}

std::string ReadCatalogueDate(TClientDataSet& Tmp, const std::string& DataDir) {
    Tmp.LoadFromFile(DataDir + "Body815.xml");
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
