#include "export/wizard/FolderWaitWindow.h"

#include "forms/QtText.h"
#include "forms/VxFVuota.h"
#include "support/VxMsgDlg.h"

#include <QEventLoop>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace txad {

FolderWaitWindow::FolderWaitWindow(QWidget* Parent)
    : QDialog(nullptr,
              Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint) {
    setObjectName("fmAttesaCartella");
    setWindowTitle(ToQString(ApplicationTitle()) + QString::fromUtf8(" \u2013 Cartella occupata"));
    AddHelpKey(this, "occupata");
    // Not a child of Parent: the run disables Parent, and a child would follow.
    if (Parent) setWindowIcon(Parent->windowIcon());
    laAttesa = new QLabel(this);
    laAttesa->setObjectName("laAttesa");
    laAttesa->setWordWrap(true);
    laAttesa->setMinimumWidth(360);
    auto* Bar = new QProgressBar(this);
    Bar->setRange(0, 0);
    Bar->setTextVisible(false);
    Bar->setAccessibleName(QStringLiteral("Attesa della cartella"));
    buAnnulla = new QPushButton("Ann&ulla", this);
    buAnnulla->setObjectName("buAnnulla");
    buAnnulla->setDefault(true);
    connect(buAnnulla, &QPushButton::clicked, this, [this] { reject(); });
    auto* Layout = new QVBoxLayout(this);
    Layout->addWidget(laAttesa);
    Layout->addWidget(Bar);
    auto* Row = new QHBoxLayout;
    Row->addStretch();
    Row->addWidget(buAnnulla);
    Layout->addLayout(Row);
}

void FolderWaitWindow::Begin(const std::string& Text) {
    FGivenUp = false;
    laAttesa->setText(ToQString(Text) + QString::fromUtf8("\n\nL'esportazione riprende da sola appena la "
                                                          "cartella \u00E8 libera. Annulla la interrompe "
                                                          "senza toccare i file gi\u00E0 consegnati."));
    adjustSize();
    show();
    raise();
    activateWindow();
}

bool FolderWaitWindow::KeepWaiting() {
    QEventLoop Loop;
    QTimer::singleShot(50, &Loop, &QEventLoop::quit);
    Loop.exec();
    return !FGivenUp;
}

void FolderWaitWindow::End() noexcept {
    hide();
}

void FolderWaitWindow::reject() {
    FGivenUp = true;
    hide();
}

} // namespace txad
