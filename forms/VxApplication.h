#pragma once
// TVxApplication: the program's QApplication. Qt does not let exceptions
// cross its event loop, so notify() catches what leaves a handler and shows it
// in the application's error box (EAbort silently).

#include <QApplication>
#include <string>

class TVxApplication : public QApplication {
    Q_OBJECT
public:
    // Title is the program's name, the caption of the error box.
    TVxApplication(int& Argc, char** Argv, const std::string& Title);

    bool notify(QObject* Receiver, QEvent* Event) override;
};

// The program's name in the desktop's menu ("Esportazione adozioni"): the
// title of the windows that stand for the program, the start dialog and the
// error boxes. Until it is set, the program's name.
void SetMenuName(const std::string& Name);
QString MenuName();
