#pragma once
// Windows open inside the screen's free area: a window designed for a larger
// screen (or a scaled one: 1024 x 600 at 1.5 is 682 x 400) is cut down to it,
// never below its least size, so its buttons stay reachable.

#include <QMargins>
#include <QRect>
#include <QSize>

class QWidget;

// The room a window manager's frame takes when the window has none yet: a
// title bar and thin borders.
inline constexpr QMargins AssumedFrame{4, 30, 4, 4};

// The client rectangle of a window of size Wanted on a screen whose free area
// is Available, with Frame around it: cut to fit, not below Least, and moved
// so that it lies inside Available where it fits.
QRect FitWindowToScreen(const QRect& Current, QSize Least, const QRect& Available, const QMargins& Frame);

// Fits Window to the free area of its screen: before it is shown its size,
// after that its frame too. A maximised window is left alone.
void FitOnScreen(QWidget* Window);
