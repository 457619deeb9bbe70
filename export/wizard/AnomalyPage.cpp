#include "export/wizard/AnomalyPage.h"

#include "export/check/DataCheck.h"
#include "export/wizard/PageParts.h"
#include "forms/QtText.h"
#include "platform/Platform.h"
#include "support/VxMsgDlg.h"
#include "support/VxStrUtils.h"

#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace txad {

AnomalyPage::AnomalyPage(WizardSession& Session, QWidget* Parent)
    : WizardPage("tsAnomalie", Session, Parent), OpenDocument(platform::OpenWithDesktop) {
    for (TClientDataSet* Set : {&cdsFile622, &cdsCodSpecSper, &cdsFile815, &cdsFile815E})
        Session.Dm.Share(*Set);
    auto* Layout = PageColumn(this, {});
    Layout->setSpacing(0);
    meOut = new QPlainTextEdit(this);
    meOut->setObjectName("meOut");
    meOut->setAccessibleName("Anomalie rilevate");
    meOut->setReadOnly(true);
    meOut->setLineWrapMode(QPlainTextEdit::NoWrap);
    meOut->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    meOut->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    meOut->setStyleSheet("QPlainTextEdit { color: navy; }");
    SetMemoFont(meOut);
    Layout->addWidget(meOut, 1);
    paSave = new QWidget(this);
    paSave->setObjectName("paSave");
    auto* Bar = new QHBoxLayout(paSave);
    Bar->setContentsMargins(4, 4, 4, 4);
    Bar->addStretch(1);
    buStampa = new QPushButton("&Stampa Anomalie", paSave);
    buStampa->setObjectName("buStampa");
    buStampa->setAutoDefault(false);
    Bar->addWidget(buStampa);
    Layout->addWidget(paSave);
    connect(buStampa, &QPushButton::clicked, this, [this] { buStampaClick(); });
}

std::vector<std::string> AnomalyPage::StartupPackets() const {
    return DataCheck::Packets();
}

void AnomalyPage::Prepare() {
    meOut->clear();
    FReport.clear();
    DataCheckDataSets Sets{cdsFile622, cdsCodSpecSper, cdsFile815, cdsFile815E};
    DataCheck Check(FSession.Startup.DataDir, Sets, GetProcedureVersion(), FSession.Clock());
    // The lines found before a failure stay on the page.
    struct Flush {
        AnomalyPage& Page;
        ~Flush() {
            // The lines are all the page keeps: the packets stay with the run's cache.
            for (TClientDataSet* Set :
                 {&Page.cdsFile622, &Page.cdsCodSpecSper, &Page.cdsFile815, &Page.cdsFile815E})
                Set->Close();
            QStringList Lines;
            for (const auto& Line : Page.FReport) Lines << ToQString(Line);
            Page.meOut->setPlainText(Lines.join('\n'));
        }
    } Shown{*this};
    Check.Run(FReport);
}

void AnomalyPage::buStampaClick() {
    std::string Path;
    try {
        Path = WriteAnomalyLog(FSession.Startup.DataDir, FReport);
    } catch (const std::exception& E) {
        ShowApplicationError(E);
        return;
    }
    if (!OpenDocument(Path))
        ShowMessageDlg(
            FormatMsg("Impossibile aprire il file delle anomalie con il visualizzatore predefinito.\r\n"
                      "Il file \xE8 stato salvato in %s",
                      PathText(Path)),
            mtWarning, MsgButtons({mbOK}), mbHelp);
}

} // namespace txad
