// The site selection page: its list, the one-tick-per-code check on leaving
// it and the choice applied to the registry rows.
#include "export/TxadMainForm.h"

#include "export/MainFormRules.h"
#include "forms/QtText.h"
#include "support/VxMsgDlg.h"

#include <QListWidget>

// Leaving the site page: a fresh registry load for the choice to apply to,
// and every school code needs exactly one ticked description.
void TfmTxadMainBase::pcMainChanging(bool& AllowChange) {
    if (ActivePageIndex() != FPageSelSedi || FPageSelSedi < 0) return;
    dm.cdsMain.LoadFromFile(FStartup.DataDir + "Body014.xml");
    if (txad::FirstBadSiteGroup(FSiteTexts, SiteTicks())) {
        AllowChange = false;
        ShowMessageDlg("Per ogni codice meccanogafico dev'essere selezionata\r\nuna e una sola descrizione.",
                       mtError, MsgButtons({mbOK}), mbHelp);
    }
}

void TfmTxadMainBase::LoadSiteList() {
    TClientDataSet& Sites = dm.cdsSelSedi;
    const TField Cod = Sites.FieldByName("CodScuola");
    const TField Nome = Sites.FieldByName("Nome");
    const TField Indirizzo = Sites.FieldByName("Indirizzo");
    for (; !Sites.Eof(); Sites.Next()) {
        std::string Text = Cod.AsString();
        Text.append(" - ").append(Nome.AsText()).append(" - ").append(Indirizzo.AsText());
        auto* Item = new QListWidgetItem(ToQString(Text), clSedi);
        Item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
        Item->setCheckState(Qt::Unchecked);
        // The whole line, also where the list cuts it.
        Item->setToolTip(Item->text());
        FSiteTexts.push_back(std::move(Text));
    }
}

void TfmTxadMainBase::tsSelSediShow() {
    SetRegistryActive(false);
}

std::vector<bool> TfmTxadMainBase::SiteTicks() const {
    std::vector<bool> Ticks;
    for (int I = 0; I < clSedi->count(); ++I) Ticks.push_back(clSedi->item(I)->checkState() == Qt::Checked);
    return Ticks;
}

void TfmTxadMainBase::ApplySiteChoice() {
    FPacketRows = txad::ApplySiteChoice(dm.cdsMain, SiteTicks());
}
