#include "forms/VxFDlgOkCancel.h"

#include <QPushButton>

TfmVxOkCancDlg::TfmVxOkCancDlg(QWidget* Parent) : TfmVxDialog(Parent) {
    setObjectName("fmVxOkCancDlg");
    buOk->setText("OK");
    PlaceOnBar(buOk, 280);

    buCancel = new QPushButton("Annulla", Panel1);
    buCancel->setObjectName("buCancel");
    PlaceOnBar(buCancel, 360);
    connect(buCancel, &QPushButton::clicked, this, &QDialog::reject);
    SetCancelButton(buCancel);
    setTabOrder(buOk, buCancel);
}
