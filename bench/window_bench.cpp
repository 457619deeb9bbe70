// window_bench [--empty | DATA_DIR TARGET PATH]: the program's window up to
// its first paint, then it quits. With --empty, a Qt application that
// shows one empty window; otherwise the current edition's program as started
// with those arguments. The caller times the process (offscreen platform).

#include "app/ProgramMain.h"
#include "export/wizard/CurrentEdition.h"

#include <QApplication>
#include <QCoreApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>

#include <cstring>

namespace {

// Quits once the paint pass that began with the first paint event is over:
// the window is on screen whole.
class FirstPaint : public QObject {
public:
    bool eventFilter(QObject* Watched, QEvent* Event) override {
        if (Event->type() == QEvent::Paint && Watched->isWidgetType() && !FSeen) {
            FSeen = true;
            QTimer::singleShot(0, [] { QCoreApplication::quit(); });
        }
        return false;
    }

private:
    bool FSeen = false;
};

void WatchPaints() {
    qApp->installEventFilter(new FirstPaint);
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(WatchPaints)

int main(int Argc, char** Argv) {
    if (Argc == 2 && std::strcmp(Argv[1], "--empty") == 0) {
        QApplication App(Argc, Argv);
        QWidget Window;
        Window.resize(640, 480);
        Window.show();
        return App.exec();
    }
    return RunProgram(Argc, Argv, {"adoxport", true, txad::CurrentEditionPlan(), "Esportazione adozioni"});
}
