#pragma once
// Where a program finds its private files: from its own folder, through
// paths fixed when it was built, so the same program works installed and in
// the build tree without environment variables.

#include <QString>
#include <string>

class QTranslator;

// The folder holding the zip plugin, with a trailing separator: the
// program's own folder when the plugin is there (the build tree), else the
// installed private library folder.
std::string PluginDirectory();
// The Italian user guide (an HTML page) installed with the program.
std::string GuidePath();
// What the user must set up before an export can find the installation
// folder and the recipient's parameter file, and the warning for a parameter
// file dated like a copy that lost its date (against the packets of
// DataDir); empty when all is in order.
QString InstallationHint(const std::string& Target, const std::string& DataDir);

// Ties the program's windows to its desktop entry (ADOX_APP_ID_PREFIX +
// the program's name, the entry's file name without ".desktop"): the
// application ID on Wayland and the entry whose StartupWMClass is the
// program's name, which X11 puts in WM_CLASS.
void SetDesktopEntry(const std::string& Program);

// Qt's own texts (standard buttons, the folder chooser, the text fields'
// context menus, the accessible names of Qt's parts) in Italian, like the
// program's, from Qt's Italian translations (a dependency of the package).
// The translator installed, owned by the application; nullptr when the
// translations are not there.
QTranslator* LoadQtTranslations();

// The program's icon for every window: the desktop theme's, else the one
// built into the program.
void SetProgramIcon();
