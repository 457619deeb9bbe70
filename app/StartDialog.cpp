#include "app/StartDialog.h"

#include "app/InstalledFiles.h"
#include "app/UserRegistry.h"
#include "export/wizard/StartupValues.h"
#include "forms/Accessibility.h"
#include "forms/QtText.h"
#include "forms/VxFVuota.h"
#include "platform/Platform.h"
#include "support/VxMsgDlg.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QVBoxLayout>

namespace {

const char* const KeyFolder = "avvio/cartella";
const char* const KeyTarget = "avvio/destinatario";
const char* const KeySites = "avvio/selezioneSedi";

} // namespace

StartDialog::StartDialog(QSettings& Settings, const txad::EditionPlan* Plan, QWidget* Parent)
    : QDialog(Parent), FSettings(Settings), FPlan(Plan) {
    setObjectName("fmAvvio");
    setWindowTitle(QStringLiteral("Esportazione adozioni"));

    auto* Intro = new QLabel(QStringLiteral("Indicare la cartella con i dati della scuola e il "
                                            "destinatario dei file da inviare."),
                             this);
    Intro->setWordWrap(true);

    edCartella = new QLineEdit(this);
    edCartella->setObjectName("edCartella");
    edCartella->setMinimumWidth(320);
    buSfoglia = new QPushButton(QStringLiteral("S&foglia..."), this);
    buSfoglia->setObjectName("buSfoglia");
    auto* FolderRow = new QHBoxLayout;
    FolderRow->addWidget(edCartella, 1);
    FolderRow->addWidget(buSfoglia);

    cbDestinatario = new QComboBox(this);
    cbDestinatario->setObjectName("cbDestinatario");
    cbDestinatario->addItem(QStringLiteral("AIE (Associazione Italiana Editori)"), QStringLiteral("aie"));
    cbDestinatario->addItem(QStringLiteral("ANARPE"), QStringLiteral("anarpe"));

    cbSelSedi = new QCheckBox(QStringLiteral("&Scegliere prima la descrizione ufficiale delle sedi"), this);
    cbSelSedi->setObjectName("cbSelSedi");

    // The labels name their fields, also to a screen reader.
    auto* FolderLabel = new QLabel(QStringLiteral("Ca&rtella dei dati:"), this);
    FolderLabel->setBuddy(edCartella);
    auto* TargetLabel = new QLabel(QStringLiteral("&Destinatario:"), this);
    TargetLabel->setBuddy(cbDestinatario);
    AcceptChosenItem(cbDestinatario);
    edCartella->setAccessibleDescription(
        QStringLiteral("La cartella in cui il programma di gestione della scuola lascia i file di dati"));
    cbDestinatario->view()->setAccessibleName(QStringLiteral("Destinatari"));
    auto* Form = new QFormLayout;
    // Every control has an Alt shortcut: R, F, D, S, C, I, G, A, U.
    Form->addRow(FolderLabel, FolderRow);
    Form->addRow(TargetLabel, cbDestinatario);
    Form->addRow(QString(), cbSelSedi);

    lbAvviso = new QLabel(this);
    lbAvviso->setObjectName("lbAvviso");
    lbAvviso->setWordWrap(true);
    lbAvviso->setTextInteractionFlags(Qt::TextSelectableByMouse);
    lbAvviso->setStyleSheet(QStringLiteral("color: #a00000"));

    lbControlli = new QLabel(this);
    lbControlli->setObjectName("lbControlli");
    lbControlli->setWordWrap(true);
    lbControlli->setTextInteractionFlags(Qt::TextSelectableByMouse);
    buControlla = new QPushButton(QStringLiteral("&Controlla di nuovo"), this);
    buControlla->setObjectName("buControlla");
    buControlla->setToolTip(QStringLiteral("Ripete i controlli dopo aver corretto quanto indicato"));

    buImposta = new QPushButton(QStringLiteral("&Imposta la cartella di installazione..."), this);
    buImposta->setObjectName("buImposta");
    buImposta->setToolTip(
        QStringLiteral("Sceglie la cartella in cui \u00E8 installato il programma di gestione "
                       "della scuola (quella che contiene ETC) e la scrive nel file del "
                       "registro di questo utente"));
    ChooseInstallFolder = [this] {
        return QFileDialog::getExistingDirectory(this, QStringLiteral("Cartella di installazione"),
                                                 QDir::homePath());
    };

    buGuida = new QPushButton(QStringLiteral("&Guida"), this);
    buGuida->setObjectName("buGuida");
    buAvvia = new QPushButton(QStringLiteral("&Avvia"), this);
    buAvvia->setObjectName("buAvvia");
    buAvvia->setDefault(true);
    buAnnulla = new QPushButton(QStringLiteral("Ann&ulla"), this);
    buAnnulla->setObjectName("buAnnulla");
    auto* Buttons = new QHBoxLayout;
    Buttons->addWidget(buGuida);
    Buttons->addStretch(1);
    Buttons->addWidget(buAvvia);
    Buttons->addWidget(buAnnulla);

    auto* Layout = new QVBoxLayout(this);
    Layout->addWidget(Intro);
    Layout->addLayout(Form);
    Layout->addWidget(lbAvviso);
    Layout->addWidget(lbControlli);
    auto* SetupRow = new QHBoxLayout;
    SetupRow->addWidget(buImposta);
    SetupRow->addStretch(1);
    SetupRow->addWidget(buControlla);
    Layout->addLayout(SetupRow);
    Layout->addStretch(1);
    Layout->addLayout(Buttons);

    edCartella->setText(FSettings.value(KeyFolder, QDir::homePath()).toString());
    const int Target = cbDestinatario->findData(FSettings.value(KeyTarget, QStringLiteral("aie")));
    cbDestinatario->setCurrentIndex(Target < 0 ? 0 : Target);
    cbSelSedi->setChecked(FSettings.value(KeySites, false).toBool());

    connect(buSfoglia, &QPushButton::clicked, this, &StartDialog::buSfogliaClick);
    connect(edCartella, &QLineEdit::textChanged, this, &StartDialog::UpdateState);
    connect(cbDestinatario, &QComboBox::currentIndexChanged, this, &StartDialog::UpdateState);
    connect(buAvvia, &QPushButton::clicked, this, &QDialog::accept);
    connect(buAnnulla, &QPushButton::clicked, this, &QDialog::reject);
    // F1 and Guida open the guide at the start, or at the installation folder
    // from its button.
    AddHelpKey(this, "avvio");
    SetHelpTopic(buImposta, "installazione");
    connect(buGuida, &QPushButton::clicked, this,
            [this] { OpenHelpTopic(HelpTopicAt(focusWidget() ? focusWidget() : this)); });
    connect(buImposta, &QPushButton::clicked, this, &StartDialog::buImpostaClick);
    connect(buControlla, &QPushButton::clicked, this, &StartDialog::UpdateState);
    UpdateState();
}

std::vector<std::string> StartDialog::Arguments() const {
    return {QDir::cleanPath(edCartella->text().trimmed()).toStdString(),
            cbDestinatario->currentData().toString().toStdString(), cbSelSedi->isChecked() ? "2" : "1"};
}

void StartDialog::SaveChoices() {
    FSettings.setValue(KeyFolder, QDir::cleanPath(edCartella->text().trimmed()));
    FSettings.setValue(KeyTarget, cbDestinatario->currentData());
    FSettings.setValue(KeySites, cbSelSedi->isChecked());
    FSettings.sync();
}

void StartDialog::showEvent(QShowEvent* Event) {
    UpdateState();
    QDialog::showEvent(Event);
}

void StartDialog::buSfogliaClick() {
    const QString Folder =
        QFileDialog::getExistingDirectory(this, QStringLiteral("Cartella dei dati"), edCartella->text());
    if (!Folder.isEmpty()) edCartella->setText(QDir::toNativeSeparators(Folder));
}

void StartDialog::buImpostaClick() {
    const QString Chosen = ChooseInstallFolder();
    if (Chosen.isEmpty()) return;
    const std::string Folder = platform::IncludePathDelimiter(QDir::cleanPath(Chosen).toStdString());
    const std::string Datrex = Folder + "ETC/datrex/";
    if (!platform::FileExists(Datrex + "aie.ufp") && !platform::FileExists(Datrex + "anarpe.ufp")) {
        ShowMessageDlg(
            "Nella cartella " + platform::Cp1252FromUtf8(Folder) +
                " non ci sono ETC/datrex/aie.ufp n\xE9 ETC/datrex/anarpe.ufp: la cartella di "
                "installazione \xE8 quella del programma di gestione della scuola che contiene ETC.",
            mtError, MsgButtons({mbOK}), mbOK);
        return;
    }
    try {
        WriteUserRegistry(Folder);
    } catch (const std::exception& E) {
        ShowMessageDlg(E.what(), mtError, MsgButtons({mbOK}), mbOK);
    }
    UpdateState();
}

void StartDialog::UpdateState() {
    const QString Folder = edCartella->text().trimmed();
    const bool FolderThere = !Folder.isEmpty() && QDir(Folder).exists();
    buAvvia->setEnabled(FolderThere);
    // Only the user's own file is the user's to write; the others belong to an
    // administrator or to whoever set ADOXPORT_HKLM.
    const platform::HklmSourceKind Source = platform::CurrentHklmSource().Kind;
    buImposta->setVisible(Source == platform::HklmSourceKind::NotFound ||
                          Source == platform::HklmSourceKind::UserFile);
    QStringList Notes;
    if (!FolderThere) Notes << QStringLiteral("La cartella dei dati non esiste.");
    const QString Hint =
        InstallationHint(cbDestinatario->currentData().toString().toStdString(), Folder.toStdString());
    if (!Hint.isEmpty()) Notes << Hint;
    lbAvviso->setText(Notes.join(QStringLiteral("\n\n")));
    lbAvviso->setVisible(!Notes.isEmpty());

    QStringList Problems;
    if (FolderThere && FPlan) {
        const std::string Target = cbDestinatario->currentData().toString().toStdString();
        for (const std::string& Line : txad::StartupProblems(*FPlan, Target, Folder.toStdString()))
            Problems << ToQString(Line);
    }
    if (Problems.isEmpty() && FolderThere && FPlan) {
        lbControlli->setStyleSheet(QStringLiteral("color: #006000"));
        lbControlli->setText(QStringLiteral("Controlli superati: installazione, file dei parametri e "
                                            "pacchetti di dati sono in ordine."));
    } else {
        lbControlli->setStyleSheet(QStringLiteral("color: #a00000"));
        lbControlli->setText(Problems.join(QStringLiteral("\n")));
    }
    lbControlli->setVisible(!lbControlli->text().isEmpty());
    buControlla->setVisible(FPlan != nullptr);
    // While something is wrong Enter checks again rather than starting.
    const bool Ready = FolderThere && Problems.isEmpty();
    buAvvia->setDefault(Ready);
    buAvvia->setAutoDefault(Ready);
    buControlla->setDefault(!Ready && FPlan);
    buControlla->setAutoDefault(!Ready && FPlan);
}
