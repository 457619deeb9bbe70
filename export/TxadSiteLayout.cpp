// Layout of the site selection page.
#include "export/TxadMainForm.h"

#include "export/TxadMainFormParts.h"

#include <QListWidget>
#include <QVBoxLayout>

using txadform::NavyLabel;

QWidget* TfmTxadMainBase::BuildSitePage() {
    QWidget* Page = AddPage("tsSelSedi");
    auto* Layout = txadform::PageColumn(Page, {1, 13, 0, 0});
    laInfo = NavyLabel("laInfo", "Per ogni codice meccanografico, selezionare la \"descrizione ufficiale\".",
                       Page);
    Layout->addWidget(laInfo);
    clSedi = new QListWidget(Page);
    clSedi->setObjectName("clSedi");
    // Descriptions of one school may differ only at their end: never elided,
    // scrolled instead (item sizes differ, so the widest one sets the width).
    clSedi->setTextElideMode(Qt::ElideNone);
    clSedi->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    Layout->addWidget(clSedi, 1);
    return Page;
}
