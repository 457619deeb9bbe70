#pragma once
// TfmVxOkCancDlg: the dialog with OK and Cancel (Esc) buttons.

#include "forms/VxFDialog.h"

class TfmVxOkCancDlg : public TfmVxDialog {
    Q_OBJECT
public:
    explicit TfmVxOkCancDlg(QWidget* Parent = nullptr);

    QPushButton* buCancel = nullptr;
};
