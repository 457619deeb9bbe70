#pragma once
// The anomaly report page: start-up checks the class and adoption packets
// and the page shows what it found; "Stampa Anomalie" saves the report as
// Log.txt in the data folder and opens it.

#include "dataset/ClientDataSet.h"
#include "export/wizard/WizardPage.h"

#include <functional>
#include <string>
#include <vector>

class QPlainTextEdit;
class QPushButton;

namespace txad {

class AnomalyPage : public WizardPage {
public:
    AnomalyPage(WizardSession& Session, QWidget* Parent);

    const char* StepName() const override { return "Anomalie"; }
    std::vector<std::string> StartupPackets() const override;
    // The data check: fills the report, also with what was found before a failure.
    void Prepare() override;

    const std::vector<std::string>& ReportLines() const { return FReport; }

    // Opens a saved document for the user; the desktop's opener by default,
    // replaced in tests. False when no viewer could be started.
    std::function<bool(const std::string&)> OpenDocument;

    QPlainTextEdit* meOut = nullptr;
    QWidget* paSave = nullptr;
    QPushButton* buStampa = nullptr;

private:
    void buStampaClick();

    std::vector<std::string> FReport;
    TClientDataSet cdsFile622{"cdsFile622"};
    TClientDataSet cdsCodSpecSper{"cdsCodSpecSper"};
    TClientDataSet cdsFile815{"cdsFile815"};
    TClientDataSet cdsFile815E{"cdsFile815E"};
};

} // namespace txad
