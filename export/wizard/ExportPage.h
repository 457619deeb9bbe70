#pragma once
// The export page: shown after a complete start-up, it runs the export once
// (writes the output files, checks them, delivers them) and shows the run's
// log; after a run that finished, "Mostra file" opens the files' records,
// "Apri cartella" shows the delivery folder and "Prepara e-mail" opens the
// mail client on the message that sends the set.

#include "export/wizard/WizardPage.h"

#include <string>
#include <vector>

class QPlainTextEdit;
class QPushButton;

namespace txad {

class ExportPage : public WizardPage {
public:
    ExportPage(WizardSession& Session, QWidget* Parent);

    const char* StepName() const override { return "Esportazione"; }
    void Shown() override;

    // The run's log as it was added to meInfo (CP1252, CR LF inside texts).
    const std::vector<std::string>& LogTexts() const { return FLogTexts; }

    QPlainTextEdit* meInfo = nullptr;
    // Shown after an export that finished: opens the output files' records.
    QPushButton* buMostraFile = nullptr;
    QPushButton* buApriCartella = nullptr;
    QPushButton* buPreparaEmail = nullptr;

private:
    void AppendInfo(const std::string& Text);
    void Execute();
    void buMostraFileClick();
    void buApriCartellaClick();
    void buPreparaEmailClick();

    std::vector<std::string> FLogTexts;
};

} // namespace txad
