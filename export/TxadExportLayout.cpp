// Layout of the export page, and the memo font the pages share.
#include "export/TxadMainForm.h"

#include "export/TxadMainFormParts.h"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

void TfmTxadMainBase::SetMemoFont(QPlainTextEdit* Memo) {
    QFont Font("Lucida Console", 8);
    if (!QFontDatabase::families().contains("Lucida Console")) {
        Font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
        Font.setPointSize(8);
    }
    Memo->setFont(Font);
}

QWidget* TfmTxadMainBase::BuildInfoPage() {
    QWidget* Page = AddPage("tsInfo");
    auto* Layout = txadform::PageColumn(Page, {18, 24, 21, 24});
    meInfo = new QPlainTextEdit(Page);
    meInfo->setObjectName("meInfo");
    meInfo->setReadOnly(true);
    meInfo->setStyleSheet("QPlainTextEdit { background-color: rgb(187, 255, 255); color: navy; }");
    SetMemoFont(meInfo);
    Layout->addWidget(meInfo);
    // "Mostra &file": M is Modifica's on the registry page.
    buMostraFile = new QPushButton("Mostra &file", Page);
    buMostraFile->setObjectName("buMostraFile");
    buMostraFile->setAutoDefault(false);
    buMostraFile->hide();
    connect(buMostraFile, &QPushButton::clicked, this, &TfmTxadMainBase::buMostraFileClick);
    auto* Row = new QHBoxLayout;
    Row->addStretch();
    Row->addWidget(buMostraFile);
    Layout->addLayout(Row);
    return Page;
}
