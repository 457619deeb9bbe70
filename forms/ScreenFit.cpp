#include "forms/ScreenFit.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <algorithm>

QRect FitWindowToScreen(const QRect& Current, QSize Least, const QRect& Available, const QMargins& Frame) {
    const int Width =
        std::max(Least.width(), std::min(Current.width(), Available.width() - Frame.left() - Frame.right()));
    const int Height = std::max(
        Least.height(), std::min(Current.height(), Available.height() - Frame.top() - Frame.bottom()));
    const int Left =
        std::clamp(Current.left(), Available.left() + Frame.left(),
                   std::max(Available.left() + Frame.left(), Available.right() + 1 - Frame.right() - Width));
    const int Top =
        std::clamp(Current.top(), Available.top() + Frame.top(),
                   std::max(Available.top() + Frame.top(), Available.bottom() + 1 - Frame.bottom() - Height));
    return {Left, Top, Width, Height};
}

void FitOnScreen(QWidget* Window) {
    const QScreen* Screen = Window->screen() ? Window->screen() : QGuiApplication::primaryScreen();
    if (!Screen || (Window->windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen))) return;
    const QRect Client = Window->geometry();
    const QRect Outer = Window->frameGeometry();
    const QMargins Frame = Outer == Client
                               ? AssumedFrame
                               : QMargins(Client.left() - Outer.left(), Client.top() - Outer.top(),
                                          Outer.right() - Client.right(), Outer.bottom() - Client.bottom());
    const QRect Fitted = FitWindowToScreen(Client, Window->minimumSize(), Screen->availableGeometry(), Frame);
    // Before it is shown only the size: the window system or Qt places it.
    if (!Window->isVisible())
        Window->resize(Fitted.size());
    else if (Fitted != Client)
        Window->setGeometry(Fitted);
}
