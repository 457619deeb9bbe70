#pragma once
// TfmTxadMain: the current edition's main form. Four pages (site selection,
// anomaly report, school registry, export run), the start-up data check and
// the protocol number of the first AIE header.

#include "export/TxadMainForm.h"

#include <functional>

class QPlainTextEdit;
class QPushButton;
class QWidget;

class TfmTxadMain : public TfmTxadMainBase {
    Q_OBJECT
public:
    TfmTxadMain(TdmTxadMain& DataModule, std::vector<std::string> Args, QWidget* Parent = nullptr);

    const std::vector<std::string>& ReportLines() const override { return FReport; }
    void SetProtocolNumber(const std::string& Text) override;

    // Opens a saved document for the user; the desktop's opener by default,
    // replaced in tests. False when no viewer could be started.
    std::function<bool(const std::string&)> OpenDocument;

    QPlainTextEdit* meOut = nullptr;
    QWidget* paSave = nullptr;
    QPushButton* buStampa = nullptr;

protected:
    std::unique_ptr<txad::ExportRecordSet> MakeRecordSet(const std::string& Target) const override;
    std::string PathSteps(int Path) const override;
    void BuildPages() override;
    void VerifyExportedData(const std::string& DataDir) override;
    std::vector<std::string> CheckedPackets() const override;
    std::string ProtocolNumber() const override;

    void buStampaClick();

    TClientDataSet cdsFile622{"cdsFile622"};
    TClientDataSet cdsCodSpecSper{"cdsCodSpecSper"};
    TClientDataSet cdsFile815{"cdsFile815"};
    TClientDataSet cdsFile815E{"cdsFile815E"};

private:
    // The anomaly page's widgets, without their handlers.
    QWidget* BuildAnomalyPage();
    std::vector<std::string> FReport;
};
