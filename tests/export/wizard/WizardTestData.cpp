#include "tests/export/wizard/WizardTestData.h"

#include "tests/common/FileDates.h"
#include "tests/common/TestPacket.h"
#include "tests/common/TestSupport.h"

#include <atomic>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <stdexcept>
#include <sys/stat.h>
#include <utime.h>

namespace fs = std::filesystem;

namespace wizardtest {

void PrepareInstallation(const std::string& Root) {
    const std::string Datrex = Root + "/install/ETC/datrex/";
    fs::create_directories(Datrex);
    for (const char* Name : {"aie.ufp", "anarpe.ufp"}) {
        const std::string Path = Datrex + Name;
        testsupport::WriteFileBytes(Path, "[Parametri]\r\n");
        if (!testsupport::DateOnFirstSeptember2021(Path, 10)) throw std::runtime_error("cannot date " + Path);
    }
    const char* Hklm = std::getenv("ADOXPORT_HKLM");
    if (!Hklm) throw std::runtime_error("ADOXPORT_HKLM is not set");
    testsupport::WriteFileBytes(Hklm, "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\VexonMorvale]\r\n"
                                      "\"MainDir\"=\"" +
                                          Root + "/install/\"\r\n");
}

std::string CopyDemoData(const std::string& Root) {
    static std::atomic<int> Counter{0};
    const std::string Folder = Root + "/data" + std::to_string(++Counter) + "/";
    fs::create_directories(Folder);
    for (const auto& Entry : fs::directory_iterator(ADOX_DEMO_DATA))
        fs::copy_file(Entry.path(), Folder + Entry.path().filename().string());
    return Folder;
}

void WriteRegistryPacket(const std::string& Folder, const std::vector<SchoolRow>& Rows) {
    const std::vector<std::string> Fields = {
        "CodScuola:string:10", "ExCodScuola:string:10", "Nome:string:100",  "Indirizzo:string:100",
        "Frazione:string:100", "Comune:string:100",     "Cap:string:5",     "Telefono:string:20",
        "Fax:string:20",       "CodSedeMain:string:10", "Email:string:100", "Sito:string:100"};
    std::vector<std::string> RowTexts;
    for (const SchoolRow& Row : Rows)
        RowTexts.push_back(
            testsupport::Row({"CodScuola", "ExCodScuola", "Nome", "Indirizzo", "Comune", "Cap"},
                             {Row.CodScuola, Row.ExCodScuola, Row.Nome, Row.Indirizzo, "Roma", "00100"}));
    testsupport::WriteFileBytes(Folder + "Body014.xml", testsupport::Packet(Fields, RowTexts));
}

std::vector<std::string> FileLines(const std::string& Path) {
    const std::string Bytes = testsupport::ReadFileBytes(Path);
    std::vector<std::string> Lines;
    std::size_t Start = 0;
    while (Start < Bytes.size()) {
        std::size_t End = Bytes.find("\r\n", Start);
        if (End == std::string::npos) End = Bytes.size();
        Lines.push_back(Bytes.substr(Start, End - Start));
        Start = End + 2;
    }
    return Lines;
}

} // namespace wizardtest
