#include "export/txadFMain.h"

#include "export/DataCheck.h"
#include "forms/QtText.h"
#include "platform/Platform.h"
#include "support/VxMsgDlg.h"
#include "support/VxStrUtils.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

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
    connect(buStampa, &QPushButton::clicked, this, [this] { buStampaClick(); });
    BuildRegistryPage(true);
    FPageAnagrafica = 2;
    BuildInfoPage();
    FPageInfo = 3;
}

std::vector<std::string> TfmTxadMain::CheckedPackets() const {
    return txad::DataCheck::Packets();
}

void TfmTxadMain::VerifyExportedData(const std::string& DataDir) {
    meOut->clear();
    FReport.clear();
    txad::DataCheckDataSets Sets{cdsFile622, cdsCodSpecSper, cdsFile815, cdsFile815E};
    txad::DataCheck Check(DataDir, Sets, txad::GetProcedureVersion(), Clock());
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
        Path = txad::WriteAnomalyLog(FStartup.DataDir, FReport);
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
