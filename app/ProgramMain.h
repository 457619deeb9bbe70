#pragma once
// The program entry both editions share: command line, framework start-up,
// data module and main form, then the window's message loop or the unattended
// driver.

#include <functional>
#include <memory>
#include <string>
#include <vector>

class TdmTxadMain;
class TfmTxadMainBase;
class QWidget;

struct CommandLine {
    std::vector<std::string> Positional; // data folder, target, path (missing ones empty)
    bool Unattended = false;
    std::string Protocol;
    bool HasSites = false;
    std::vector<int> Sites; // 1-based positions
    std::string Error;      // a usage error, when not empty
};

CommandLine ParseCommandLine(const std::vector<std::string>& Args);
std::string UsageText(const std::string& Program);

struct ProgramTraits {
    std::string Title;     // "adoxport" or "adoxport-classic"
    bool FollowUserLocale; // the earlier edition keeps the runtime's own formats
    std::function<TfmTxadMainBase*(TdmTxadMain&, std::vector<std::string>)> MakeForm;
};

int RunProgram(int Argc, char** Argv, const ProgramTraits& Traits);
