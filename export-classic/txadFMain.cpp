#include "export-classic/txadFMain.h"

TfmTxadMain::TfmTxadMain(TdmTxadMain& DataModule, std::vector<std::string> Args, QWidget* Parent)
    : TfmTxadMainBase(DataModule, std::move(Args), Parent) {}

std::unique_ptr<txad::ExportRecordSet> TfmTxadMain::MakeRecordSet(const std::string& Target) const {
    return std::make_unique<txad::ExportRecordSet>(Target, txad::Edition::Classic);
}

std::string TfmTxadMain::PathSteps(int Path) const {
    return Path == 1 ? "1;2" : "0;1;2";
}

void TfmTxadMain::BuildPages() {
    BuildSitePage();
    FPageSelSedi = 0;
    BuildRegistryPage(false);
    FPageAnagrafica = 1;
    BuildInfoPage();
    FPageInfo = 2;
}
