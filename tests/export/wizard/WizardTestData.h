#pragma once
// Fixtures of the main-form tests and the screenshot tool: data folders,
// registry packets and the installation folder the registry file points at.

#include <string>
#include <vector>

namespace wizardtest {

// Writes Root/install/ETC/datrex/{aie,anarpe}.ufp dated 1 September 2021,
// 10:00 local time, and the registry file ADOXPORT_HKLM names, with MainDir
// at Root/install/.
void PrepareInstallation(const std::string& Root);

// A new folder below Root holding a copy of the demo's data packets; ends
// with the path separator.
std::string CopyDemoData(const std::string& Root);

// A row of the registry packet; text in CP1252, no XML escapes needed.
struct SchoolRow {
    std::string CodScuola;
    std::string ExCodScuola;
    std::string Nome;
    std::string Indirizzo;
};
// Writes a registry packet "Body014.xml" with these rows into Folder.
void WriteRegistryPacket(const std::string& Folder, const std::vector<SchoolRow>& Rows);

// The lines of a CR LF file, without their line ends.
std::vector<std::string> FileLines(const std::string& Path);

} // namespace wizardtest
