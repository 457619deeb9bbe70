#pragma once
// The installation folder, read once per run from the machine's registry.

#include <string>

class TVxParam {
public:
    // The main folder, always ending in the platform's separator.
    const std::string& MainDir();
    std::string LibDir();
    std::string EtcDir();

private:
    std::string FMainDir;
};

// The global instance created by the framework's start-up.
TVxParam& VxParam();
