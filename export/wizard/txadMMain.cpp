#include "export/wizard/txadMMain.h"

#include "forms/DataSetModel.h"

TdmTxadMain::TdmTxadMain(std::unique_ptr<dataset::PacketCache> Cache)
    : FCache(Cache ? std::move(Cache) : std::make_unique<dataset::PacketCache>()) {
    Share(cdsMain);
    Share(cdsSelSedi);
    FModel = std::make_unique<DataSetModel>(&cdsMain);
    dsMain = FModel.get();
    zpOut.ShowProgressDialog = true;
}

TdmTxadMain::~TdmTxadMain() = default;
