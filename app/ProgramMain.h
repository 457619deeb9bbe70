#pragma once
// The program entry both editions share: command line, framework start-up,
// data module and main form, then the window's message loop or the unattended
// driver.

#include "export/wizard/WizardArguments.h"

#include <string>
#include <vector>

namespace txad {
struct EditionPlan;
}

struct CommandLine {
    // Started without any argument, as from the menu: the start dialog asks
    // for the wizard's arguments.
    bool NoArguments = false;
    txad::WizardArguments Wizard;
    bool Unattended = false;
    std::string Protocol; // in the program's code page (CP1252)
    bool HasSites = false;
    std::vector<int> Sites; // 1-based positions
    bool Help = false;      // -h, --help
    bool Version = false;   // -V, --version
    std::string Error;      // a usage error for the console (UTF-8), when not empty
};

// -h, --help, -V and --version end the reading: what comes after them is
// not looked at.
CommandLine ParseCommandLine(const std::vector<std::string>& Args);
std::string UsageText(const std::string& Program);
std::string HelpText(const std::string& Program);

struct ProgramTraits {
    std::string Title;     // "adoxport" or "adoxport-classic"
    bool FollowUserLocale; // the earlier edition keeps the runtime's own formats
    const txad::EditionPlan& Plan;
    std::string MenuName; // the desktop menu's name of the program (UTF-8)
};

int RunProgram(int Argc, char** Argv, const ProgramTraits& Traits);
