// Layout of the anomaly report page (the current edition).
#include "export/txadFMain.h"

#include "export/TxadMainFormParts.h"

#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

QWidget* TfmTxadMain::BuildAnomalyPage() {
    QWidget* Page = AddPage("tsAnomalie");
    auto* Layout = txadform::PageColumn(Page, {});
    Layout->setSpacing(0);
    meOut = new QPlainTextEdit(Page);
    meOut->setObjectName("meOut");
    meOut->setReadOnly(true);
    meOut->setLineWrapMode(QPlainTextEdit::NoWrap);
    meOut->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    meOut->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    meOut->setStyleSheet("QPlainTextEdit { color: navy; }");
    SetMemoFont(meOut);
    Layout->addWidget(meOut, 1);
    paSave = new QWidget(Page);
    paSave->setObjectName("paSave");
    auto* Bar = new QHBoxLayout(paSave);
    Bar->setContentsMargins(4, 4, 4, 4);
    Bar->addStretch(1);
    buStampa = new QPushButton("&Stampa Anomalie", paSave);
    buStampa->setObjectName("buStampa");
    buStampa->setAutoDefault(false);
    Bar->addWidget(buStampa);
    Layout->addWidget(paSave);
    return Page;
}
