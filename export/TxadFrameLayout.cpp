// Layout of the main form's frame: the wizard's buttons on the bar, the
// window's size and the start-up error line below the pages.
#include "export/TxadMainForm.h"

#include <QLabel>
#include <QLayout>
#include <QPushButton>

namespace {

constexpr int DesignWidth = 678;
constexpr int DesignHeight = 467;

} // namespace

void TfmTxadMainBase::LayOutFrame() {
    // Every button has an Alt shortcut; Enter is dealt with in keyPressEvent,
    // so a focused button never takes it for itself (Annulla least of all).
    buOk->setText("&Esci");
    buCancel->setText("Ann&ulla");
    buPrior->setText("< &Indietro");
    buNext->setText("&Avanti >");
    for (QPushButton* Button : {buCancel, buPrior, buNext}) Button->setAutoDefault(false);
    PlaceOnBar(buCancel, 358, DesignWidth);
    PlaceOnBar(buPrior, 438, DesignWidth);
    PlaceOnBar(buNext, 518, DesignWidth);
    PlaceOnBar(buOk, 598, DesignWidth);
    SetClientSize(DesignWidth, DesignHeight);
    // The design size is the least; the window grows and can be maximised.
    setMinimumSize(DesignWidth, DesignHeight);
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    setWindowFlags(windowFlags() | Qt::WindowMinMaxButtonsHint);

    laStartupError = new QLabel(ClientArea());
    laStartupError->setObjectName("laStartupError");
    laStartupError->setStyleSheet("QLabel { color: rgb(160, 0, 0); font-weight: bold; }");
    laStartupError->setContentsMargins(8, 2, 8, 2);
    laStartupError->hide();
    ClientArea()->layout()->addWidget(laStartupError);
}
