#pragma once
// The export page: shown after a complete start-up, it runs the export
// (writes the output files, checks them, delivers them) and shows the run's
// log; after a run that finished, "Mostra file" opens the files' records,
// "Apri cartella" shows the delivery folder and "Prepara e-mail" opens the
// mail client on the message that sends the set. After a run that stopped
// the user may go back and run it again.

#include "export/wizard/WizardPage.h"

#include <string>
#include <vector>

class QLabel;
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
    // Shown after a run that stopped: how to try again.
    QLabel* laRiprova = nullptr;

    // A busy folder is waited for in a window with Annulla, without a
    // deadline; off, the run waits as long as it allows and then stops
    // (nobody watches an unattended run).
    bool AsksWhileWaiting = true;

private:
    void AppendInfo(const std::string& Text);
    void Execute();
    void buMostraFileClick();
    void buApriCartellaClick();
    void buPreparaEmailClick();
    // The delivered set as "Mostra file" names it in its title.
    QString DeliveredSetName() const;

    std::vector<std::string> FLogTexts;
};

} // namespace txad
