#include "zip/ProgressForm.h"

#include "platform/Platform.h"
#include "support/VxMsgDlg.h"
#include "zip/Zip.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <algorithm>

namespace {

QString ToQString(const std::string& Text) {
    const std::u16string U = platform::Utf16FromCp1252(Text);
    return QString::fromUtf16(U.data(), static_cast<qsizetype>(U.size()));
}

} // namespace

TProgressForm::TProgressForm(TZip& Zip)
    : QDialog(nullptr, Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::MSWindowsFixedSizeDialogHint), FZip(Zip),
      FLabel(new QLabel(this)), FBar(new QProgressBar(this)), FCancel(new QPushButton(this)) {
    setObjectName("ProgressForm");
    setAttribute(Qt::WA_DeleteOnClose, false);
    setWindowTitle(ToQString(Zip.ProgressTitle.empty() ? ApplicationTitle() : Zip.ProgressTitle));
    setAccessibleDescription(QStringLiteral("Compressione dei file da inviare"));
    setFixedSize(ClientWidth, ClientHeight);

    FLabel->setObjectName("lbFile");
    FLabel->setText(QStringLiteral("Attendere..."));
    FLabel->setGeometry((ClientWidth - 280) / 2, 15, 280, FLabel->sizeHint().height());

    FBar->setObjectName("pbProgress");
    FBar->setRange(0, BarMaximum);
    FBar->setValue(0);
    FBar->setFormat(QStringLiteral("%p%"));
    FBar->setTextVisible(true);
    FBar->setAccessibleName(QStringLiteral("Avanzamento della compressione"));
    FBar->setGeometry((ClientWidth - 280) / 2, 35, 280, 18);

    FCancel->setObjectName("buCancel");
    // The wizard's Annulla has the same key.
    FCancel->setText(QStringLiteral("Ann&ulla"));
    FCancel->setDefault(true);
    FCancel->resize(FCancel->sizeHint());
    FCancel->move((ClientWidth - FCancel->width()) / 2, 60);
    connect(FCancel, &QPushButton::clicked, this, &TProgressForm::CancelClick);

    PlaceOnScreen();
}

void TProgressForm::PlaceOnScreen() {
    if (QWidget* Main = QApplication::activeWindow(); Main && Main != this) {
        const QRect G = Main->frameGeometry();
        move(G.left() + (G.width() - width()) / 2, G.top() + (G.height() - height()) / 2);
    } else if (QScreen* S = QGuiApplication::primaryScreen()) {
        const QRect A = S->availableGeometry();
        move(A.left() + (A.width() - width()) / 2, A.top() + (A.height() - height()) / 2);
    }
}

void TProgressForm::SetMaximum(int Value) {
    FBar->setMaximum(std::max(Value, 0));
}

void TProgressForm::SetPosition(int Value) {
    FBar->setValue(std::clamp(Value, FBar->minimum(), FBar->maximum()));
}

void TProgressForm::SetFileName(const std::string& Name) {
    FFileName = ToQString(Name);
    FLabel->setText(FLabel->fontMetrics().elidedText(FFileName, Qt::ElideMiddle, FLabel->width()));
    FLabel->setToolTip(FFileName);
    // The bar's description names the file for a screen reader, whole.
    FBar->setAccessibleDescription(QStringLiteral("File: ") + FFileName);
    FLabel->move((ClientWidth - FLabel->width()) / 2, FLabel->y());
}

void TProgressForm::CancelClick() {
    FZip.Cancel();
    hide();
}

void TProgressForm::keyPressEvent(QKeyEvent* Event) {
    if (Event->key() == Qt::Key_Escape && Event->modifiers() == Qt::NoModifier) {
        CancelClick();
        Event->accept();
        return;
    }
    QDialog::keyPressEvent(Event);
}

void TProgressForm::reject() {
    CancelClick();
}

void TProgressForm::closeEvent(QCloseEvent* Event) {
    // The window belongs to the running batch: closing it stops the batch.
    Event->ignore();
    CancelClick();
}
