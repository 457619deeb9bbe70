#pragma once
// The dialog a program started without arguments shows first, as from the
// desktop's menu: the data folder, the recipient and whether the sites are
// chosen first. The choices are remembered for the next start and become the
// program's three arguments. When no administrator has set up the registry
// file, it lets the user name the installation folder in a file of their own.
// Before Avvia it checks what the run needs and says what is wrong, a line
// each; the user can put it right and check again.

#include <QDialog>
#include <QString>
#include <functional>
#include <string>
#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSettings;

namespace txad {
struct EditionPlan;
}

class StartDialog : public QDialog {
    Q_OBJECT
public:
    // Settings holds the last choices; they are read here and written by
    // SaveChoices.
    // Plan, when given, names the packets to check; it outlives the dialog.
    explicit StartDialog(QSettings& Settings, const txad::EditionPlan* Plan = nullptr,
                         QWidget* Parent = nullptr);

    // Data folder, target ("aie" or "anarpe") and path ("1" or "2").
    std::vector<std::string> Arguments() const;
    void SaveChoices();

    QLineEdit* edCartella;
    QPushButton* buSfoglia;
    QComboBox* cbDestinatario;
    QCheckBox* cbSelSedi;
    QLabel* lbAvviso;
    // What stands in the way of the export, one line each.
    QLabel* lbControlli;
    QPushButton* buControlla;
    QPushButton* buAvvia;
    QPushButton* buAnnulla;
    QPushButton* buGuida;
    QPushButton* buImposta;

    // Asks for the installation folder; empty when the user cancels.
    std::function<QString()> ChooseInstallFolder;

protected:
    // Shown again after a failed start-up, it checks afresh.
    void showEvent(QShowEvent* Event) override;

private slots:
    void buSfogliaClick();
    void buImpostaClick();
    void UpdateState();

private:
    QSettings& FSettings;
    const txad::EditionPlan* FPlan;
};
