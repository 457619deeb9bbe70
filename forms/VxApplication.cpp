#include "forms/VxApplication.h"

#include "forms/QtText.h"
#include "support/VxMsgDlg.h"

#include <stdexcept>

namespace {
std::string g_MenuName;
} // namespace

void SetMenuName(const std::string& Name) {
    g_MenuName = Name;
}

QString MenuName() {
    return ToQString(g_MenuName.empty() ? ApplicationTitle() : g_MenuName);
}

TVxApplication::TVxApplication(int& Argc, char** Argv, const std::string& Title) : QApplication(Argc, Argv) {
    SetApplicationTitle(Title);
    setApplicationName(ToQString(Title));
}

bool TVxApplication::notify(QObject* Receiver, QEvent* Event) {
    try {
        return QApplication::notify(Receiver, Event);
    } catch (const std::exception& E) {
        ShowApplicationError(E);
    } catch (...) {
        // Anything else would reach Qt's event loop and end the program.
        ShowApplicationError(std::runtime_error("Unknown exception"));
    }
    // The error box has dealt with the event.
    return true;
}
