#pragma once
// Where a program finds its private files: from its own folder, through
// paths fixed when it was built, so the same program works installed and in
// the build tree without environment variables.

#include <QString>
#include <string>

// The folder holding the zip plugin, with a trailing separator: the
// program's own folder when the plugin is there (the build tree), else the
// installed private library folder.
std::string PluginDirectory();
// The Italian user guide (an HTML page) installed with the program.
std::string GuidePath();
// The commented example of the registry file.
std::string ExampleRegistryFile();

// What the user must set up before an export can find the installation
// folder and the recipient's parameter file; empty when both are there.
QString InstallationHint(const std::string& Target);
// The same for the given registry file; an empty name stands for the system's
// registry, read where there is no file (Windows).
QString InstallationHint(const std::string& Target, const std::string& Registry);

// The program's icon for every window: the desktop theme's, else the one
// built into the program.
void SetProgramIcon();
