#include "forms/VxFDlgOkCancel.h"

#include <QPushButton>

TfmVxOkCancDlg::TfmVxOkCancDlg(QWidget* Parent) : TfmVxDialog(Parent) {
    setObjectName("fmVxOkCancDlg");
    buOk->setText("OK");
    PlaceOnBar(buOk, 280);

    // Esc reaches QDialog::reject, the cancel button's result.
    buCancel = new QPushButton("Annulla", Panel1);
    buCancel->setObjectName("buCancel");
    PlaceOnBar(buCancel, 360);
    connect(buCancel, &QPushButton::clicked, this, &QDialog::reject);
    setTabOrder(buOk, buCancel);
}
