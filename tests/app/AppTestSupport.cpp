#include "AppTestSupport.h"

#include "TestSupport.h"

#include <atomic>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <stdexcept>
#include <sys/stat.h>
#include <utime.h>

namespace fs = std::filesystem;

namespace apptest {

void PrepareInstallation(const std::string& Root) {
    const std::string Datrex = Root + "/install/ETC/datrex/";
    fs::create_directories(Datrex);
    std::tm Local{};
    Local.tm_year = 2021 - 1900;
    Local.tm_mon = 8;
    Local.tm_mday = 1;
    Local.tm_hour = 10;
    Local.tm_isdst = -1;
    const std::time_t When = std::mktime(&Local);
    for (const char* Name : {"aie.ufp", "anarpe.ufp"}) {
        const std::string Path = Datrex + Name;
        testsupport::WriteFileBytes(Path, "[Parametri]\r\n");
        const utimbuf Times{When, When};
        if (utime(Path.c_str(), &Times) != 0) throw std::runtime_error("cannot date " + Path);
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
    std::string Xml =
        "<?xml version=\"1.0\" standalone=\"yes\"?><DATAPACKET Version=\"2.0\"><METADATA><FIELDS>"
        "<FIELD attrname=\"CodScuola\" fieldtype=\"string\" WIDTH=\"10\"/>"
        "<FIELD attrname=\"ExCodScuola\" fieldtype=\"string\" WIDTH=\"10\"/>"
        "<FIELD attrname=\"Nome\" fieldtype=\"string\" WIDTH=\"100\"/>"
        "<FIELD attrname=\"Indirizzo\" fieldtype=\"string\" WIDTH=\"100\"/>"
        "<FIELD attrname=\"Frazione\" fieldtype=\"string\" WIDTH=\"100\"/>"
        "<FIELD attrname=\"Comune\" fieldtype=\"string\" WIDTH=\"100\"/>"
        "<FIELD attrname=\"Cap\" fieldtype=\"string\" WIDTH=\"5\"/>"
        "<FIELD attrname=\"Telefono\" fieldtype=\"string\" WIDTH=\"20\"/>"
        "<FIELD attrname=\"Fax\" fieldtype=\"string\" WIDTH=\"20\"/>"
        "<FIELD attrname=\"CodSedeMain\" fieldtype=\"string\" WIDTH=\"10\"/>"
        "<FIELD attrname=\"Email\" fieldtype=\"string\" WIDTH=\"100\"/>"
        "<FIELD attrname=\"Sito\" fieldtype=\"string\" WIDTH=\"100\"/>"
        "</FIELDS><PARAMS/></METADATA><ROWDATA>";
    for (const SchoolRow& Row : Rows)
        Xml += "<ROW CodScuola=\"" + Row.CodScuola + "\" ExCodScuola=\"" + Row.ExCodScuola + "\" Nome=\"" +
               Row.Nome + "\" Indirizzo=\"" + Row.Indirizzo + "\" Comune=\"Roma\" Cap=\"00100\"/>";
    Xml += "</ROWDATA></DATAPACKET>";
    testsupport::WriteFileBytes(Folder + "Body014.xml", Xml);
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

} // namespace apptest
