#pragma once
// TfmTxadMain of the earlier edition: three pages (site selection, school
// registry without protocol area, export run), no data check, its own record
// set, and a registry page that works on the dataset as start-up or the site
// page left it.

#include "export/TxadMainForm.h"

class TfmTxadMain : public TfmTxadMainBase {
    Q_OBJECT
public:
    TfmTxadMain(TdmTxadMain& DataModule, std::vector<std::string> Args, QWidget* Parent = nullptr);

protected:
    std::unique_ptr<txad::ExportRecordSet> MakeRecordSet(const std::string& Target) const override;
    std::string PathSteps(int Path) const override;
    void BuildPages() override;
    bool RegistryShowReloads() const override { return false; }
    bool ReadsCatalogueDate() const override { return false; }
    bool OwnNextAndOkRule() const override { return false; }
};
