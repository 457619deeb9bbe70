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
    : QWidget(nullptr, Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::MSWindowsFixedSizeDialogHint), FZip(Zip),
      FLabel(new QLabel(this)), FBar(new QProgressBar(this)), FCancel(new QPushButton(this)) {
    setObjectName("ProgressForm");
    setAttribute(Qt::WA_DeleteOnClose, false);
    setWindowTitle(ToQString(ApplicationTitle()));
    setFixedSize(ClientWidth, ClientHeight);

    FLabel->setObjectName("lbFile");
    FLabel->setText(QStringLiteral("wait ..."));
    FLabel->setGeometry((ClientWidth - 280) / 2, 15, 280, FLabel->sizeHint().height());

    FBar->setObjectName("pbProgress");
    FBar->setRange(0, BarMaximum);
    FBar->setValue(0);
    FBar->setTextVisible(false);
    FBar->setGeometry((ClientWidth - 280) / 2, 35, 280, 18);

    FCancel->setObjectName("buCancel");
    FCancel->setText(QStringLiteral("&Annulla"));
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
    QWidget::keyPressEvent(Event);
}

void TProgressForm::closeEvent(QCloseEvent* Event) {
    // The window belongs to the running batch: closing it stops the batch.
    Event->ignore();
    CancelClick();
}
