#include "export/txadFMain.h"

#include "export/DataCheck.h"
#include "forms/QtText.h"
#include "platform/Platform.h"
#include "support/VxMsgDlg.h"
#include "support/VxStrUtils.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

TfmTxadMain::TfmTxadMain(TdmTxadMain& DataModule, std::vector<std::string> Args, QWidget* Parent)
    : TfmTxadMainBase(DataModule, std::move(Args), Parent), OpenDocument(platform::OpenWithDesktop) {
    dm.Share(cdsFile622);
    dm.Share(cdsCodSpecSper);
    dm.Share(cdsFile815);
    dm.Share(cdsFile815E);
}

std::unique_ptr<txad::ExportRecordSet> TfmTxadMain::MakeRecordSet(const std::string& Target) const {
    return std::make_unique<txad::ExportRecordSet>(Target);
}

std::string TfmTxadMain::PathSteps(int Path) const {
    return Path == 1 ? "1;2;3" : "0;1;2;3";
}

void TfmTxadMain::BuildPages() {
    BuildSitePage();
    FPageSelSedi = 0;
    BuildAnomalyPage();
    BuildRegistryPage(true);
    FPageAnagrafica = 2;
    BuildInfoPage();
    FPageInfo = 3;
}

QWidget* TfmTxadMain::BuildAnomalyPage() {
    QWidget* Page = AddPage("tsAnomalie");
    auto* Layout = new QVBoxLayout(Page);
    Layout->setContentsMargins(0, 0, 0, 0);
    Layout->setSpacing(0);
    meOut = new QPlainTextEdit(Page);
    meOut->setObjectName("meOut");
    meOut->setReadOnly(true);
    meOut->setLineWrapMode(QPlainTextEdit::NoWrap);
    meOut->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    meOut->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    meOut->setStyleSheet("QPlainTextEdit { color: navy; }");
    SetMemoFont(meOut);
    Layout->addWidget(meOut, 1);
    paSave = new QWidget(Page);
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
    return Page;
}

std::vector<std::string> TfmTxadMain::CheckedPackets() const {
    return txad::DataCheck::Packets();
}

void TfmTxadMain::VerifyExportedData(const std::string& DataDir) {
    meOut->clear();
    FReport.clear();
    txad::DataCheckDataSets Sets{cdsFile622, cdsCodSpecSper, cdsFile815, cdsFile815E};
    txad::DataCheck Check(DataDir, Sets, txad::GetProcedureVersion(), platform::Now());
    // The lines found before a failure stay on the page.
    struct Flush {
        TfmTxadMain& Form;
        ~Flush() {
            QStringList Lines;
            for (const auto& Line : Form.FReport) Lines << ToQString(Line);
            Form.meOut->setPlainText(Lines.join('\n'));
        }
    } Shown{*this};
    Check.Run(FReport);
}

void TfmTxadMain::SetProtocolNumber(const std::string& Text) {
    edNProto->setText(ToQString(Text));
}

std::string TfmTxadMain::ProtocolNumber() const {
    return FromQString(edNProto->text());
}

void TfmTxadMain::buStampaClick() {
    std::string Path;
    try {
        Path = txad::WriteAnomalyLog(FDataDir, FReport);
    } catch (const std::exception& E) {
        ShowApplicationError(E);
        return;
    }
    if (!OpenDocument(Path))
        ShowMessageDlg(
            FormatMsg("Impossibile aprire il file delle anomalie con il visualizzatore predefinito.\r\n"
                      "Il file \xE8 stato salvato in %s",
                      Path),
            mtWarning, MsgButtons({mbOK}), mbHelp);
}
