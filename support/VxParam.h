#pragma once
// The installation folder, read once per run from the machine's registry.

#include <string>

#include "platform/Platform.h"

// The key under HKEY_LOCAL_MACHINE that holds the suite's values.
inline constexpr const char* VxRegistryKey = "SOFTWARE\\VexonMorvale\\";

class TVxParam {
public:
    // The main folder, always ending in the platform's separator; a path in
    // the file system's encoding (UTF-8 here), like every path the program builds.
    const std::string& MainDir();
    std::string LibDir();
    std::string EtcDir();

private:
    std::string FMainDir;
};

// Why MainDir() has no installation folder to give, in the program's language
// (CP1252), one fact a line: the registry file that is missing with the ways
// to set it up (the start dialog for this user, an administrator for every
// user, ADOXPORT_HKLM), the key or the value that is absent and who may change
// the file, or the registry's own error. Empty when the value is there. The
// start dialog, the application's error box and the unattended mode all show
// this text.
std::string MainDirProblem();
// The same, told for the given registry source (the values are read from the
// current one): the texts of another platform's source can be checked here.
std::string MainDirProblem(const platform::HklmSource& Source);

// The commented example of the registry file installed with the programs
// (in the build tree at the same place relative to the programs).
std::string ExampleRegistryFile();

// The global instance created by the framework's start-up.
TVxParam& VxParam();
