#include "export/wizard/SitePage.h"

#include "export/wizard/PageParts.h"
#include "export/wizard/WizardRules.h"
#include "forms/QtText.h"
#include "support/VxMsgDlg.h"

#include <QListWidget>
#include <QVBoxLayout>

namespace txad {

SitePage::SitePage(WizardSession& Session, QWidget* Parent) : WizardPage("tsSelSedi", Session, Parent) {
    auto* Layout = PageColumn(this, {1, 13, 0, 0});
    laInfo = NavyLabel("laInfo", "Per ogni codice meccanografico, selezionare la \"descrizione ufficiale\".",
                       this);
    Layout->addWidget(laInfo);
    clSedi = new QListWidget(this);
    clSedi->setObjectName("clSedi");
    clSedi->setAccessibleName("Sedi");
    clSedi->setAccessibleDescription("Per ogni codice meccanografico spuntare una e una sola sede, quella "
                                     "con la descrizione ufficiale; la barra spaziatrice spunta la sede "
                                     "evidenziata.");
    // Descriptions of one school may differ only at their end: never elided,
    // scrolled instead (item sizes differ, so the widest one sets the width).
    clSedi->setTextElideMode(Qt::ElideNone);
    clSedi->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    Layout->addWidget(clSedi, 1);
}

void SitePage::Prepare() {
    if (FSession.Args.Path != WizardPath::WithSites) return;
    TClientDataSet& Sites = FSession.Dm.cdsSelSedi;
    Sites.LoadFromFile(FSession.PacketPath(Packet::Registry));
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

bool SitePage::MayLeave() {
    FSession.Dm.cdsMain.LoadFromFile(FSession.PacketPath(Packet::Registry));
    std::vector<bool> Ticked = Ticks();
    if (const std::optional<std::size_t> Bad = FirstBadSiteGroup(FSiteTexts, Ticked)) {
        ShowMessageDlg(SiteGroupError(FSiteTexts, Ticked, *Bad), mtError, MsgButtons({mbOK}), mbHelp);
        return false;
    }
    FSession.SiteTicks = std::move(Ticked);
    return true;
}

std::vector<bool> SitePage::Ticks() const {
    std::vector<bool> Ticked(static_cast<std::size_t>(clSedi->count()));
    for (int I = 0; I < clSedi->count(); ++I)
        Ticked[static_cast<std::size_t>(I)] = clSedi->item(I)->checkState() == Qt::Checked;
    return Ticked;
}

} // namespace txad
