#include "ProgressForm.h"

#include "Platform.h"
#include "VxMsgDlg.h"
#include "Zip.h"

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
    : QWidget(nullptr, Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::MSWindowsFixedSizeDialogHint), m_zip(Zip),
      m_label(new QLabel(this)), m_bar(new QProgressBar(this)), m_cancel(new QPushButton(this)) {
    setObjectName("ProgressForm");
    setAttribute(Qt::WA_DeleteOnClose, false);
    setWindowTitle(ToQString(ApplicationTitle()));
    setFixedSize(ClientWidth, ClientHeight);

    m_label->setObjectName("lbFile");
    m_label->setText(QStringLiteral("wait ..."));
    m_label->setGeometry((ClientWidth - 280) / 2, 15, 280, m_label->sizeHint().height());

    m_bar->setObjectName("pbProgress");
    m_bar->setRange(0, BarMaximum);
    m_bar->setValue(0);
    m_bar->setTextVisible(false);
    m_bar->setGeometry((ClientWidth - 280) / 2, 35, 280, 18);

    m_cancel->setObjectName("buCancel");
    m_cancel->setText(QStringLiteral("&Annulla"));
    m_cancel->setDefault(true);
    m_cancel->resize(m_cancel->sizeHint());
    m_cancel->move((ClientWidth - m_cancel->width()) / 2, 60);
    connect(m_cancel, &QPushButton::clicked, this, &TProgressForm::CancelClick);

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
    m_bar->setMaximum(std::max(Value, 0));
}

void TProgressForm::SetPosition(int Value) {
    m_bar->setValue(std::clamp(Value, m_bar->minimum(), m_bar->maximum()));
}

void TProgressForm::SetFileName(const std::string& Name) {
    m_fileName = ToQString(Name);
    m_label->setText(m_label->fontMetrics().elidedText(m_fileName, Qt::ElideMiddle, m_label->width()));
    m_label->setToolTip(m_fileName);
    m_label->move((ClientWidth - m_label->width()) / 2, m_label->y());
}

void TProgressForm::CancelClick() {
    m_zip.Cancel();
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
