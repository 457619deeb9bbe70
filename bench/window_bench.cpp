// window_bench [--empty | DATA_DIR TARGET PATH]: the program's window up to
// its first page ready, then it quits. With --empty, a Qt application that
// shows one empty window; otherwise the current edition's program as started
// with those arguments (offscreen platform).
//
// Prints two moments on the steady clock (CLOCK_MONOTONIC, seconds), so the
// caller subtracts the moment it started the process:
//   first-paint S   the window's first paint is over (the busy window while
//                   the start-up runs behind it)
//   page-ready S    the start-up has ended and the window's next paint, the
//                   path's first page filled, is over (for the empty window,
//                   its first paint)

#include "app/ProgramMain.h"
#include "export/wizard/CurrentEdition.h"
#include "export/wizard/txadFMain.h"
#include "forms/VxFVuota.h"

#include <QApplication>
#include <QCoreApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>

#include <chrono>
#include <cstdio>
#include <cstring>

namespace {

double Now() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// A moment is taken once the paint pass that began with its paint event is
// over: the window is on screen whole.
class Paints : public QObject {
public:
    bool eventFilter(QObject* Watched, QEvent* Event) override {
        if (Event->type() != QEvent::Paint || !Watched->isWidgetType() || FWaiting) return false;
        auto* Form = qobject_cast<TfmTxadMain*>(MainForm());
        if (FFirstPaint < 0) {
            FWaiting = true;
            QTimer::singleShot(0, this, [this, Form] {
                FWaiting = false;
                FFirstPaint = Now();
                if (Form && Form->StartupPending())
                    connect(Form, &TfmTxadMain::StartupFinished, this, [this] { FFinished = true; });
                else
                    Ready();
            });
            return false;
        }
        // The error boxes of a failed start-up paint first; the page is the form's.
        if (!FFinished || !Form || static_cast<QWidget*>(Watched)->window() != Form) return false;
        FWaiting = true;
        QTimer::singleShot(0, this, [this] { Ready(); });
        return false;
    }

private:
    void Ready() {
        std::printf("first-paint %.6f\npage-ready %.6f\n", FFirstPaint, Now());
        std::fflush(stdout);
        QCoreApplication::quit();
    }
    double FFirstPaint = -1;
    bool FWaiting = false;
    bool FFinished = false;
};

void WatchPaints() {
    qApp->installEventFilter(new Paints);
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
