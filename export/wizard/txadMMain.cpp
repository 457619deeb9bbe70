#include "export/wizard/txadMMain.h"

#include "forms/DataSetModel.h"

TdmTxadMain::TdmTxadMain() {
    Share(cdsMain);
    Share(cdsSelSedi);
    FModel = std::make_unique<DataSetModel>(&cdsMain);
    dsMain = FModel.get();
    zpOut.ShowProgressDialog = true;
}

TdmTxadMain::~TdmTxadMain() = default;
